#pragma once

#include "job/machine_port.h"

#include <functional>

// The machine port of the desktop program. Sound and opening documents need GUI modules,
// which this library does not link: the window library hands them in as hooks.
class DesktopMachine : public MachinePort {
  public:
    struct Hooks {
        // Plays an existing wave file; with wait, returns when it has ended.
        std::function<void(const QString& file, bool wait)> playSound;
        // Opens a document with the desktop's handler; false when that failed.
        std::function<bool(const QString& path)> openDocument;
        // Called about every 50 ms while a command runs, so a window keeps painting.
        std::function<void()> whileWaiting;
    };

    DesktopMachine() = default;
    explicit DesktopMachine(Hooks hooks) : hooks_(std::move(hooks)) {}
    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }

    int run(const Command& command) override;
    int runWithProgress(const Command& command, const std::function<void(int)>& onPercent) override;
    QDate today() const override;
    void playSound(const QString& name, bool wait) override;
    void openEditor(const QString& path) override;
    QString takeEditorFailure() override;
    std::optional<int64_t> freeBytes(const QString& path) const override;

  private:
    Hooks hooks_;
    QString editorFailure_;
};

// The file of a sound named as the program names it ("\type.wav"): looked up in the
// resources' sounds folder, then the resource folder itself. Empty when there is none;
// a name that tries to leave those folders finds nothing.
QString soundFilePath(const QString& name);

// The editor command from $VISUAL or $EDITOR, split into program and arguments; empty
// when neither is set.
QStringList editorCommand();
