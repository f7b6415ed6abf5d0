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

  signals:
    // MouseDown: the button as the control reports it (1 left, 2 right, 4 middle).
    void mouseDown(int button, const QPoint& globalPos);

  private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void makeStandIn(QWidget* parent);

    std::unique_ptr<zqmarq::ControlHost> control_;
    QPointer<QWidget> widget_;
    QString text_;
    QString problem_;
};
