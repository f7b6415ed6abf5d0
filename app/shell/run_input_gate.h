#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

// While the archiver runs the window takes no input but its Abort and Exit: the wait for
// the archiver then handles every event (processEventsWhileWaiting), so that a click or
// Alt+A on those two acts at once, and this filter drops the input meant for anything else
// in the window. Input for other windows and the window system's own requests (close,
// restore) pass.
class RunInputGate : public QObject {
    Q_OBJECT
  public:
    // window: the main window; allowed: the controls that still take input.
    RunInputGate(QWidget* window, QList<QWidget*> allowed, QObject* parent = nullptr);
    ~RunInputGate() override;

    void engage();
    void release();
    // Whether an engaged gate is anywhere in this program.
    static bool anyEngaged();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool lets(QObject* receiver) const;

    QPointer<QWidget> window_;
    QList<QPointer<QWidget>> allowed_;
    bool engaged_ = false;
};

// The wait for an outside program lets the window paint: with an engaged gate it also takes
// the input the gate lets pass; otherwise no input at all.
void processEventsWhileWaiting();
