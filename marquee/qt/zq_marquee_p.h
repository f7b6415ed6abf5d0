#pragma once
// What a ZqMarquee keeps behind its Qt face: the property record it renders, the engine that
// lays out, scrolls and paints, the timer and the rules for when it moves. The component and
// the tests reach the record and the run-time state through here; embedders never do.

#include "marquee_engine.h"
#include "marquee_model.h"
#include "persist.h"
#include "property_table.h"

#include <ZQMarq/zq_marquee.h>

#include <QBasicTimer>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>

#include <memory>
#include <optional>

class QPainter;

namespace zqmarq {

// The widget's ticker options, as its setters name them.
enum class TickerOption {
    FadeWidth,
    PauseAtEnds,
    ScrollOnlyWhenNeeded,
    LeadingBuffer,
    TrailingBuffer,
    PixelsPerSecond,
    PassDuration,
    Alignment
};

class ZqMarqueePrivate : public QObject, private SetEffectTarget {
    Q_OBJECT
  public:
    // A widget that renders model, owned by the caller, who keeps it alive while the widget
    // lives (the control: its one record, which the text swap at a wrap also changes).
    static ZqMarquee* create(MarqueeModel* model, QWidget* parent);
    static ZqMarqueePrivate& get(ZqMarquee& widget) { return *widget.d; }
    static const ZqMarqueePrivate& get(const ZqMarquee& widget) { return *widget.d; }

    explicit ZqMarqueePrivate(MarqueeModel* model);
    ~ZqMarqueePrivate() override;

    // The whole property record. setModel replaces it and carries out the effects of every
    // property that differs. loadModel does the same for loading or resetting: FreezeMarquee
    // FALSE, NextDisplayString empty, scroll position 0, re-layout, and no modified notification.
    const MarqueeModel& model() const { return *model_; }
    void setModel(const MarqueeModel& model);
    void loadModel(const MarqueeModel& model);
    // Stock values a design without them takes: the widget's font when it was made.
    const StockDefaults& stockDefaults() const { return stock_; }

    // Sets one property through the property table and carries out its effects; a design
    // past its memory bound is refused (kCtlEInvalidPropertyValue) and nothing changes.
    HResult setProperty(std::int32_t dispid, const Variant& value);
    // Carries out the effects of a set that was made on the record by its owner.
    void applySetEffects(std::int32_t dispid, std::uint32_t effects);

    // What system colours (0x800000xx) stand for: the container's palette when given, else the
    // widget's own palette (the platform's, as the widget inherits it).
    void setSystemColors(const std::optional<SystemColors>& colors);
    const SystemColors& systemColors() const { return engine_.systemColors(); }

    // Run-time state.
    int scrollPosition() const { return engine_.scrollPosition(); }
    void setScrollPosition(int position);
    bool timerRunning() const { return timerRunning_; }
    bool relayoutPending() const { return engine_.relayoutPending(); }
    Size contentSize() const { return engine_.contentSize(); }
    // Whether the content, laid out, needs a larger image than a surface may hold here.
    bool contentTooLarge() const;
    bool reducedMotion() const { return reducedMotion_; }
    void setReducedMotion(bool reduced);
    // Interval the timer runs at for a TickTime: at least 10 ms; a negative value (an
    // interval of weeks on the old timer) gives no timer at all (-1).
    static int timerInterval(std::int16_t tickTime);

    // One step as the timer delivers it (tests and benchmarks call it directly). With a speed
    // (pixelsPerSecond, passDuration) the step covers elapsedMs, or the time since the last
    // step when it is negative.
    void tick(qint64 elapsedMs = -1);
    // Draws the control onto any painter: the printing path when it paints on a printer.
    void render(QPainter* painter, const QRect& bounds);
    // The size of the laid-out content, measured without painting when need be.
    Size measuredContentSize() const;
    QSize sizeHint() const;
    QSize minimumSizeHint() const;
    // Sets a text property from Qt text: refused (false, textRefused, propertyRefused) when it
    // is too long or would take the design past its bound.
    bool setText(std::int32_t dispid, const QString& text);
    // Sets a property the public API offers: nothing happens when the value is the one held;
    // *why says why a refused value was refused.
    bool change(std::int32_t dispid, const Variant& value, QString* why = nullptr);
    // change(), and a refusal told by propertyRefused(name, why).
    bool set(const QString& name, std::int32_t dispid, const Variant& value);
    // An invalid colour is refused; a colour the held one already shows changes nothing.
    bool setColor(const QString& name, std::int32_t dispid, const QColor& color);
    bool setTicker(TickerOption option, int value);
    // Emits propertyRefused(name, why) and returns false.
    bool refuse(const QString& name, const QString& why);
    // Whether the content moves by a speed rather than by TickIncrement per TickTime.
    bool movesBySpeed() const;

    // Widget events.
    void paint(QPainter* painter, const QRect& invalid);
    void shown();
    void hidden();
    void paletteChanged();
    void fontChanged();

  signals:
    // The persistent state changed (the container's "modified" notification).
    void modified();
    // A property whose set notifies changed (the bindable stock properties, also Text at the
    // swap); its dispatch identifier.
    void propertyChanged(int dispid);

  protected:
    void timerEvent(QTimerEvent* event) override;

  private:
    friend class ZqMarquee;

    // SetEffectTarget
    void requestRelayout() override;
    void invalidate() override;
    void restartTimer() override;
    void markModified() override { emit modified(); }
    void notifyChanged(std::int32_t dispid) override { emit propertyChanged(dispid); }

    void attach(ZqMarquee* widget);
    // The Qt side of a change: its change signal and what follows from it.
    void announce(std::int32_t dispid);
    void announceLayout();
    void announceContentTooLarge();
    void announceTicker(TickerOption option);
    void applyDefaultSizePolicy();
    bool motionAllowed() const;
    void startMarqueeTimer();
    void stopTimer();
    void useSystemColors(const SystemColors& colors);
    void showModelFont();
    void describeForAccessibility();

    ZqMarquee* q_ = nullptr;
    std::unique_ptr<MarqueeModel> ownModel_;
    MarqueeModel* model_;
    StockDefaults stock_;
    bool explicitColors_ = false;
    bool reducedMotion_ = false;
    bool showingModelFont_ = false;
    MarqueeEngine engine_;
    QBasicTimer timer_;
    bool timerRunning_ = false;
    bool lastTooLarge_ = false;
    bool restingAtHome_ = false;
    QDeadlineTimer restUntil_;
    QElapsedTimer sinceStep_;
    double stepRemainder_ = 0;
    QString accessibleName_;
    QString accessibleDescription_;
    mutable std::optional<Size> measured_;
};

} // namespace zqmarq
