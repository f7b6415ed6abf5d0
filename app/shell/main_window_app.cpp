#include "shell/main_window_app.h"

#include "platform/single_instance.h"
#include "shell/job_pages.h"
#include "shell/main_window.h"
#include "shell/marquee_host.h"
#include "shell/qt_dialogs.h"
#include "shell/run_input_gate.h"
#include "shell/sound_player.h"
#include "shell/splash_window.h"
#include "shell/startup.h"

#include "companion/settings_file.h"
#include "companion/zip_comment.h"
#include "platform/desktop_machine.h"
#include "platform/paths.h"
#include "platform/stop_signals.h"
#include "session/job_session.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace {
constexpr int kRootFolderRefused = kExitFailed;

std::unique_ptr<MachinePort> desktopMachine() {
    DesktopMachine::Hooks hooks;
    hooks.playSound = [](const QString& file, bool wait) { playSoundFile(file, wait); };
    hooks.openDocument = [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    // The window keeps painting while an outside program runs; while the archiver runs
    // its Abort and Exit take input too.
    hooks.whileWaiting = [] { processEventsWhileWaiting(); };
    return std::make_unique<DesktopMachine>(std::move(hooks));
}

// The comment file remembered by the settings file, read once while the splash shows.
QString startupCommentFile() {
    const StartupSettings settings = readSettingsAtStartup(SplashWindow::versionText());
    if (!settings.warning.isEmpty())
        printResult({kExitCompleted, {}, {settings.warning}, {}});
    return settings.CommentFile;
}

void unloadSplash() {
    if (SplashWindow* splash = SplashWindow::loaded())
        splash->unload();
}
} // namespace

ShellSession::ShellSession(ShellOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)) {
    if (!options_.dialogs) {
        ownDialogs_ = std::make_unique<QtDialogs>();
        options_.dialogs = ownDialogs_.get();
    }
    if (!options_.machine) {
        ownMachine_ = desktopMachine();
        options_.machine = ownMachine_.get();
    }
    if (options_.instanceName.isEmpty())
        options_.instanceName = SingleInstance::defaultName();
    if (options_.programFolder.isEmpty())
        options_.programFolder = AppPaths::programFolder();
}

ShellSession::~ShellSession() {
    unloadSplash();
    window_.reset();
}

std::optional<int> ShellSession::start(const QString& scriptArgument) {
    const ScriptArgument argument = parseScriptArgument(scriptArgument);
    flags_ = argument.flags;

    // The splash shows while the settings are read and the main window loads.
    SplashWindow* splash = options_.splash ? SplashWindow::openSplash() : nullptr;
    if (!splash)
        SplashWindow::setAboutMode(false);
    const QString commentFile = startupCommentFile();

    // Loading the main window; its constructor shows the Source page.
    window_ = std::make_unique<MainWindow>(*options_.dialogs, *options_.machine, flags_);
    if (auto ended = refuseUnusableFolders())
        return ended;
    if (auto ended = handOverOrListen())
        return ended;

    window_->centreOnScreen();
    window_->banner()->setText(MainWindow::bannerText(SplashWindow::versionText().isEmpty()
                                                          ? QStringLiteral(KAVEL_VERSION_TEXT)
                                                          : SplashWindow::versionText()));
    // An unattended run fails on a remembered comment that has gone, as without a window.
    const bool commentOn = flags_.batch() ? !commentFile.isEmpty() : commentFileUsable(commentFile);
    window_->setComment(commentOn, commentOn ? commentFile : QString());

    AppPaths::removeStaleWorkFolders();
    if (!argument.scriptPath.isEmpty() && openScript(argument.scriptPath))
        return std::nullopt;

    unloadSplash();
    window_->show();
    if (argument.scriptPath.isEmpty())
        window_->offerLastJob();
    return std::nullopt;
}

std::optional<int> ShellSession::refuseUnusableFolders() {
    if (isRootFolder(options_.programFolder)) {
        window_->setCleanupOnClose(false);
        unloadSplash();
        if (!flags_.batch())
            options_.dialogs->message(window_.get(), rootFolderMessage(), kErrorTitle,
                                      MessageIcon::Critical, MessageButtons::Ok);
        return kRootFolderRefused;
    }
    QString privateFolderError;
    if (!AppPaths::workFolder(&privateFolderError).isEmpty())
        return std::nullopt;
    window_->setCleanupOnClose(false);
    unloadSplash();
    if (flags_.batch()) {
        printResult({kExitFailed, privateFolderError, {}, {}});
        return kExitFailed;
    }
    // The window still opens: jobs can be edited and saved, runs report the fault.
    options_.dialogs->message(window_.get(), privateFolderError, kErrorTitle, MessageIcon::Critical,
                              MessageButtons::Ok);
    return std::nullopt;
}

std::optional<int> ShellSession::handOverOrListen() {
    instance_ = std::make_unique<SingleInstance>(options_.instanceName);
    // A start at the same moment may claim the instance first: then this one hands over.
    if (instance_->handOverToRunning() || (!instance_->listen() && instance_->failure().isEmpty() &&
                                           instance_->handOverToRunning(3000))) {
        // The running one comes to the front; this start ends and leaves its files alone.
        window_->setCleanupOnClose(false);
        unloadSplash();
        // An unattended job did not run: a scheduler must see that.
        if (flags_.batch()) {
            std::fprintf(stderr, "kavel32: another Kavel32 is running\n");
            return kExitAnotherRunning;
        }
        return 0;
    }
    if (!instance_->isListening() && flags_.batch()) {
        const SessionResult refused = refusedStart(instance_->failure());
        printResult(refused);
        return refused.exitCode;
    }
    connect(instance_.get(), &SingleInstance::activationRequested, window_.get(),
            &MainWindow::bringToFront);
    return std::nullopt;
}

bool ShellSession::openScript(const QString& scriptPath) {
    unloadSplash();
    window_->setWindowTitle(scriptWindowTitle(scriptPath));
    window_->show();
    window_->repaint();
    const auto ended = window_->jobPages()->loadScriptFromCommandLine(scriptPath);
    // Loading may rename the window; the command-line script names it.
    window_->setWindowTitle(scriptWindowTitle(scriptPath));
    if (!flags_.batch())
        return false;
    // Both ends leave through the event loop, so that the window closes and what it let go
    // of is deleted the same way after a refusal as after a run.
    QTimer::singleShot(0, window_.get(), [this, ended] {
        const SessionResult result = ended ? *ended : window_->jobPages()->runJob();
        printResult(result);
        batchExitCode_ = result.exitCode;
        window_->close();
        QCoreApplication::exit(batchExitCode_);
    });
    return ended.has_value();
}

int runMainWindow(int& argc, char** argv, const QString& scriptArgument) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kavel32"));
    QApplication::setApplicationVersion(QStringLiteral(KAVEL_VERSION_TEXT));
    // Lets the desktop match the window to the installed entry (its icon, its name).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kavel32.Kavel32"));
    QApplication::setWindowIcon(
        QIcon(AppPaths::resourceFolder() + QStringLiteral("/images/kavel32.png")));
    ShellSession session;
    if (const std::optional<int> code = session.start(scriptArgument)) {
        AppPaths::removeWorkFolder();
        return *code;
    }
    // A stop asked for by a signal closes the window once the run has let go of it.
    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, session.window(), [&session] {
        if (StopSignals::requested() && session.window()->isVisible())
            session.window()->close();
    });
    stopWatch.start(200);
    const int code = QApplication::exec();
    AppPaths::removeWorkFolder();
    // An unattended run has reported its own ending.
    SessionResult stopped;
    if (!session.flags().batch() && stopRequested(&stopped)) {
        printResult(stopped);
        return stopped.exitCode;
    }
    return code;
}
