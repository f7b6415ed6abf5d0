#pragma once

#include "job/job_settings.h"
#include "job/machine_port.h"
#include "job/window_port.h"
#include "shell/dialogs.h"

class QWidget;

// What the window's pieces share: the dialogs, the window port the logic talks to, the
// machine port and the run flags of this start.
struct ShellServices {
    Dialogs& dialogs;
    WindowPort& window;
    MachinePort& machine;
    RunFlags& flags;
};

// Says in the window when the last editor the machine was asked for could not be started.
inline void sayEditorFailure(ShellServices& services, QWidget* parent) {
    const QString failure = services.machine.takeEditorFailure();
    if (!failure.isEmpty())
        services.dialogs.message(parent, failure, QStringLiteral("Kavel32"),
                                 MessageIcon::Exclamation, MessageButtons::Ok);
}

// The page panels of the main window, by design name.
struct PagePanels {
    QWidget* source = nullptr;   // Picture1
    QWidget* skip = nullptr;     // Picture2
    QWidget* diz = nullptr;      // Picture4
    QWidget* nfo = nullptr;      // Picture5
    QWidget* zip = nullptr;      // Picture6
    QWidget* progress = nullptr; // Picture7
};
