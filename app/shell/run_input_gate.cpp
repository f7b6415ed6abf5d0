#include "shell/run_input_gate.h"

#include <QCoreApplication>
#include <QEvent>

namespace {
int g_engaged = 0;

bool isInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}
} // namespace

RunInputGate::RunInputGate(QWidget* window, QList<QWidget*> allowed, QObject* parent)
    : QObject(parent), window_(window) {
    for (QWidget* w : allowed)
        allowed_ << w;
}

RunInputGate::~RunInputGate() {
    release();
}

void RunInputGate::engage() {
    if (engaged_)
        return;
    engaged_ = true;
    ++g_engaged;
    QCoreApplication::instance()->installEventFilter(this);
}

void RunInputGate::release() {
    if (!engaged_)
        return;
    engaged_ = false;
    --g_engaged;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

bool RunInputGate::anyEngaged() {
    return g_engaged > 0;
}

bool RunInputGate::lets(QObject* receiver) const {
    auto* widget = qobject_cast<QWidget*>(receiver);
    // The window system's window passes its input on to a widget, which is judged then; a
    // shortcut of an action (a menu entry) has no widget and stays out.
    if (!widget)
        return !receiver->inherits("QAction") && !receiver->inherits("QShortcut");
    if (!window_ || widget->window() != window_.data())
        return true;
    for (const QPointer<QWidget>& allowed : allowed_)
        if (allowed && (widget == allowed || allowed->isAncestorOf(widget)))
            return true;
    return false;
}

bool RunInputGate::eventFilter(QObject* watched, QEvent* event) {
    if (engaged_ && isInput(event->type()) && !lets(watched))
        return true;
    return QObject::eventFilter(watched, event);
}

void processEventsWhileWaiting() {
    QCoreApplication::processEvents(
        RunInputGate::anyEngaged() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}
