// A start of the window program for the single-instance test: the real session with its
// real dialogs and machine; it reports on standard output when it is up and when a later
// start asked it to come to the front.
#include "platform/single_instance.h"
#include "shell/main_window.h"
#include "shell/main_window_app.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString argument = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    ShellSession session;
    if (const std::optional<int> code = session.start(argument)) {
        std::printf("ended %d\n", *code);
        return *code;
    }
    session.window()->showMinimized();
    QObject::connect(session.instance(), &SingleInstance::activationRequested, &app, [&] {
        // The window raised itself in its own slot, connected before this one.
        std::printf("activated minimized=%d visible=%d\n", session.window()->isMinimized() ? 1 : 0,
                    session.window()->isVisible() ? 1 : 0);
        std::fflush(stdout);
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return QApplication::exec();
}
