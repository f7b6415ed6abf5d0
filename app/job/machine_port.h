#pragma once

#include "job/command.h"

#include <QDate>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// Result of running a command when the program could not be started at all.
inline constexpr int kCouldNotStart = -1000;

// What the logic needs of the machine beyond plain files: processes, clock, sound,
// editor, help and free space. One real implementation, fakes in tests.
class MachinePort {
  public:
    virtual ~MachinePort() = default;
    // Runs the command to its end; returns the exit status or kCouldNotStart.
    virtual int run(const Command& command) = 0;
    // Runs a command that reports its progress: onPercent gets every new percentage the
    // program writes while it runs. A machine that cannot read it just runs the command.
    virtual int runWithProgress(const Command& command, const std::function<void(int)>& onPercent) {
        (void)onPercent;
        return run(command);
    }
    virtual QDate today() const = 0;
    // Plays a sound file of the program folder ("\rip.wav"); silent when missing.
    virtual void playSound(const QString& name, bool wait) = 0;
    // Opens a text file in the user's editor.
    virtual void openEditor(const QString& path) = 0;
    // Why the last openEditor started no editor or viewer, once, then empty; empty too when
    // it did or the machine cannot tell.
    virtual QString takeEditorFailure() { return {}; }
    // Free bytes of the volume holding path; empty when unknown.
    virtual std::optional<int64_t> freeBytes(const QString& path) const = 0;
};
