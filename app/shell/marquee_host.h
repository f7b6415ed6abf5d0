#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

class QWidget;

// One marquee control on the main window (ZqMarquee1, ZqMarquee2), created from its stored
// design in resources/marquee. The window uses only its Text and its MouseDown event.
class MarqueeHost : public QObject {
    Q_OBJECT
public:
    // designFile: the file name in resources/marquee ("banner.zqm").
    MarqueeHost(const QString& objectName, const QString& designFile, QWidget* parent);
    ~MarqueeHost() override;

    QWidget* widget() const { return widget_; }
    void setText(const QString& text);
    QString text() const;
    // True when a marquee control was created; false for the stand-in.
    bool isControl() const { return control_; }

signals:
    // MouseDown: button as the control reports it (1 left, 2 right, 4 middle).
    void mouseDown(int button, const QPoint& globalPos);

private:
    bool eventFilter(QObject* watched, QEvent* event) override;

    QPointer<QWidget> widget_;
    QString text_;
    bool control_ = false;
};
