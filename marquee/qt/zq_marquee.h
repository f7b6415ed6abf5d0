#pragma once
// The marquee widget: renders a property record, scrolls on its own timer and paints itself
// through the marquee engine on a double buffer. Every property change carries out the effects
// the property table gives it (re-layout, repaint, timer restart, modified, notify).

#include "marquee_engine.h"
#include "marquee_model.h"
#include "property_table.h"

#include <QBasicTimer>
#include <QWidget>

#include <memory>

namespace zqmarq {

class ZqMarquee : public QWidget, private SetEffectTarget {
    Q_OBJECT
  public:
    // A widget with a property record of its own.
    explicit ZqMarquee(QWidget* parent = nullptr);
    // A widget that renders model, owned by the caller, who keeps it alive while the widget
    // lives (the control: its one record, which the text swap at a wrap also changes).
    explicit ZqMarquee(MarqueeModel* model, QWidget* parent = nullptr);
    ~ZqMarquee() override;

    // The whole property record. setModel replaces it and carries out the effects of every
    // property that differs. loadModel does the same for loading or resetting: FreezeMarquee
    // FALSE, NextDisplayString empty, scroll position 0, re-layout, and no modified notification.
    const MarqueeModel& model() const { return *model_; }
    void setModel(const MarqueeModel& model);
    void loadModel(const MarqueeModel& model);

    // Sets one property through the property table and carries out its effects.
    HResult setProperty(std::int32_t dispid, const Variant& value);
    // Carries out the effects of a set that was made on the record by its owner.
    void applySetEffects(std::int32_t dispid, std::uint32_t effects);

    // What system colours (0x800000xx) stand for: the container's palette when given, else the
    // widget's own palette (the platform's, as the widget inherits it).
    void setSystemColors(const std::optional<SystemColors>& colors);
    const SystemColors& systemColors() const { return engine_.systemColors(); }

    // Properties, each with the effect its change has.
    QString text() const;
    void setText(const QString& text);          // Latin-1; re-layout, repaint
    void setTextBytes(const std::string& text); // raw single-byte markup
    OleColor foreColor() const { return model_->foreColor; }
    void setForeColor(OleColor color); // re-layout, repaint
    OleColor backColor() const { return model_->backColor; }
    void setBackColor(OleColor color); // re-layout, repaint
    const std::optional<FontDesc>& baseFont() const { return model_->font; }
    void setBaseFont(const std::optional<FontDesc>& font); // re-layout, repaint
    // index 1..5; no font gives the default heading description.
    FontDesc heading(int index) const;
    void setHeading(int index, const std::optional<FontDesc>& font); // re-layout
    // index 1..9; no value: no picture object.
    std::optional<PictureData> picture(int index) const;
    void setPicture(int index, const std::optional<PictureData>& picture); // re-layout, repaint
    std::int32_t direction() const { return model_->direction; }
    void setDirection(std::int32_t direction); // repaint
    std::int16_t tickIncrement() const { return model_->tickIncrement; }
    void setTickIncrement(std::int16_t pixels);
    std::int32_t frame() const { return model_->frame; }
    void setFrame(std::int32_t style); // repaint
    std::int16_t tickTime() const { return model_->tickTime; }
    void setTickTime(std::int16_t milliseconds); // restarts the timer
    std::int32_t justification() const { return model_->justification; }
    void setJustification(std::int32_t justification); // re-layout, no repaint of its own
    bool freezeMarquee() const { return model_->freezeMarquee; }
    void setFreezeMarquee(bool freeze);
    QString nextDisplayString() const;
    void setNextDisplayString(const QString& text);
    bool redraw() const { return model_->redraw; }
    void setRedraw(bool redraw); // marks modified, nothing else

    // Run-time state.
    int scrollPosition() const { return engine_.scrollPosition(); }
    void setScrollPosition(int position);
    bool timerRunning() const { return timerRunning_; }
    bool relayoutPending() const { return engine_.relayoutPending(); }
    Size contentSize() const { return engine_.contentSize(); }
    // Interval the timer runs at for a TickTime: at least 10 ms; a negative value (an
    // interval of weeks on the old timer) gives no timer at all (-1).
    static int timerInterval(std::int16_t tickTime);

    // One timer tick, as the timer delivers it (tests and benchmarks call it directly).
    void tick();
    // Draws the control onto any painter: the printing path when it paints on a printer.
    void render(QPainter* painter, const QRect& bounds);

    QSize sizeHint() const override;

  signals:
    void finishedDisplay();
    void click();
    void dblClick();
    // Button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt; x, y in pixels.
    void mouseDown(short button, short shift, int x, int y);
    void mouseMove(short button, short shift, int x, int y);
    void mouseUp(short button, short shift, int x, int y);
    // The persistent state changed (the container's "modified" notification).
    void modified();
    // A property whose set notifies changed (the bindable stock properties, also Text at the
    // swap); its dispatch identifier.
    void propertyChanged(int dispid);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    // SetEffectTarget
    void requestRelayout() override { engine_.requestRelayout(); }
    void invalidate() override { update(); }
    void restartTimer() override;
    void markModified() override { emit modified(); }
    void notifyChanged(std::int32_t dispid) override { emit propertyChanged(dispid); }

    void startMarqueeTimer();
    void timerUpkeep();
    void stopTimer();
    void useSystemColors(const SystemColors& colors);

    std::unique_ptr<MarqueeModel> ownModel_;
    MarqueeModel* model_;
    bool explicitColors_ = false;
    MarqueeEngine engine_;
    QBasicTimer timer_;
    bool timerRunning_ = false;
    Qt::MouseButtons pressed_;
};

} // namespace zqmarq
