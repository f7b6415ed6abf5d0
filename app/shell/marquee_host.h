#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <memory>

class QWidget;
namespace zqmarq {
class ControlHost;
}

// One marquee control on the main window (ZqMarquee1, ZqMarquee2), created by its class
// identifier through the component container and loaded from its stored design in
// resources/marquee. The window uses only its Text and its MouseDown event. When the control
// cannot be created (not registered, library missing) a plain stand-in shows the text.
class MarqueeHost : public QObject {
    Q_OBJECT
  public:
    // designFile: the file name in resources/marquee ("banner.zqm").
    MarqueeHost(const QString& objectName, const QString& designFile, QWidget* parent);
    ~MarqueeHost() override;

    QWidget* widget() const { return widget_; }
    void setText(const QString& text);
    QString text() const;
    // True when the marquee control was created; false for the stand-in.
    bool isControl() const { return control_ != nullptr; }
    // Why the control or its design could not be used (empty when all went well).
    QString problem() const { return problem_; }

    // The class identifier the window asks the container for.
    static QString classId();

    // Stands the marquee still at its first frame, or lets it move (the control's
    // reducedMotion property).
    void setReducedMotion(bool on);
    // Keeps the design's fore colour and the colours its text names readable on the
    // window's palette, now and whenever the palette changes (a design drawn on the button
    // face, which the desktop may make dark).
    void keepReadable();

  signals:
    // MouseDown: the button as the control reports it (1 left, 2 right, 4 middle).
    void mouseDown(int button, const QPoint& globalPos);

  private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void makeStandIn(QWidget* parent);
    void applyReadableColours();

    std::unique_ptr<zqmarq::ControlHost> control_;
    QPointer<QWidget> widget_;
    QString text_;
    QString problem_;
    bool keepReadable_ = false;
    QString designText_;     // the text as the design or the window gave it
    quint32 designFore_ = 0; // the design's fore colour (0x00BBGGRR)
};
