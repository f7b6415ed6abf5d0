#pragma once

#include "job/job_settings.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class Dialogs;
class MachinePort;
class MainWindow;
class SingleInstance;

// What a start may replace (tests); empty members take the real ones.
struct ShellOptions {
    Dialogs* dialogs = nullptr;
    MachinePort* machine = nullptr;
    QString instanceName;  // the single-instance socket; SingleInstance::defaultName()
    QString programFolder; // for the root guard; AppPaths::programFolder()
    bool splash = true;
};

// One start of the window program: the splash, the root guard, the single instance, the
// main window with its defaults, the script of the command line and the unattended run.
class ShellSession : public QObject {
    Q_OBJECT
  public:
    explicit ShellSession(ShellOptions options = {}, QObject* parent = nullptr);
    ~ShellSession() override;

    // Runs the start-up. Returns the exit code when the program ends at once (root folder,
    // another instance running, an unattended job failing its check); nothing when the
    // window is up and the event loop is to run.
    std::optional<int> start(const QString& scriptArgument);

    MainWindow* window() const { return window_.get(); }
    const RunFlags& flags() const { return flags_; }
    SingleInstance* instance() const { return instance_.get(); }

  private:
    // Each ends the start with an exit code, or lets it go on.
    std::optional<int> refuseUnusableFolders(); // a root program folder; no private folder
    std::optional<int> handOverOrListen();      // another Kavel32 is running
    // Loads the command line's script; true when the start ends there (an unattended job
    // refused), the window then closing through the event loop.
    bool openScript(const QString& scriptPath);

    ShellOptions options_;
    std::unique_ptr<Dialogs> ownDialogs_;
    std::unique_ptr<MachinePort> ownMachine_;
    RunFlags flags_;
    int batchExitCode_ = 0;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<MainWindow> window_;
};

// The window program: makes the application, runs the start-up and the event loop, and
// returns the exit code. scriptArgument is the raw command-line argument: empty, a script
// path, "!" + path or "$" + path.
int runMainWindow(int& argc, char** argv, const QString& scriptArgument);
