#include "shell/main_window_app.h"

#include "shell/job_pages.h"
#include "shell/main_window.h"
#include "shell/marquee_host.h"
#include "shell/qt_dialogs.h"
#include "shell/single_instance.h"
#include "shell/sound_player.h"
#include "shell/splash_window.h"
#include "shell/startup.h"

#include "companion/zip_comment.h"
#include "platform/desktop_machine.h"
#include "platform/paths.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace {
constexpr int kBatchCheckFailed = 2;
constexpr int kRootFolderRefused = 1;
constexpr int kAnotherInstanceRunning = 3;

std::unique_ptr<MachinePort> desktopMachine() {
    DesktopMachine::Hooks hooks;
    hooks.playSound = [](const QString& file, bool wait) { playSoundFile(file, wait); };
    hooks.openDocument = [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    // The window keeps painting while an outside program runs, but takes no input.
    hooks.whileWaiting = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    return std::make_unique<DesktopMachine>(std::move(hooks));
}

// The comment file remembered by the settings file, read once while the splash shows.
QString startupCommentFile() { return readSettingsAtStartup(SplashWindow::versionText()).CommentFile; }
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
    if (SplashWindow* splash = SplashWindow::loaded())
        splash->unload();
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
    auto unloadSplash = [] {
        if (SplashWindow* s = SplashWindow::loaded())
            s->unload();
    };

    // Loading the main window; its constructor shows the Source page.
    window_ = std::make_unique<MainWindow>(*options_.dialogs, *options_.machine, flags_);

    if (isRootFolder(options_.programFolder)) {
        window_->setCleanupOnClose(false);
        unloadSplash();
        if (!flags_.batch())
            options_.dialogs->message(window_.get(), rootFolderMessage(),
                                      QStringLiteral("Kavel32 error"), MessageIcon::Critical,
                                      MessageButtons::Ok);
        return kRootFolderRefused;
    }

    instance_ = std::make_unique<SingleInstance>(options_.instanceName);
    if (instance_->handOverToRunning()) {
        // The running one comes to the front; this start ends and leaves its files alone.
        window_->setCleanupOnClose(false);
        unloadSplash();
        // An unattended job did not run: a scheduler must see that.
        if (flags_.batch()) {
            std::fprintf(stderr, "kavel32: another Kavel32 is running\n");
            return kAnotherInstanceRunning;
        }
        return 0;
    }
    instance_->listen();
    connect(instance_.get(), &SingleInstance::activationRequested, window_.get(),
            &MainWindow::bringToFront);

    window_->centreOnScreen();
    window_->banner()->setText(MainWindow::bannerText(SplashWindow::versionText().isEmpty()
                                                          ? QStringLiteral(KAVEL_VERSION_TEXT)
                                                          : SplashWindow::versionText()));
    const bool commentOn = commentFileUsable(commentFile);
    window_->setComment(commentOn, commentOn ? commentFile : QString());

    if (!argument.scriptPath.isEmpty()) {
        unloadSplash();
        window_->setWindowTitle(scriptWindowTitle(argument.scriptPath));
        window_->show();
        window_->repaint();
        const bool validated = window_->jobPages()->loadScriptFromCommandLine(argument.scriptPath);
        // Loading may rename the window; the command-line script names it.
        window_->setWindowTitle(scriptWindowTitle(argument.scriptPath));
        if (flags_.batch()) {
            if (!validated) {
                window_->hide();
                return kBatchCheckFailed;
            }
            QTimer::singleShot(0, window_.get(), [this] {
                window_->jobPages()->runJob();
                // The run closes the window when it ends; make sure of it.
                if (window_->isVisible())
                    window_->close();
            });
        }
    }

    unloadSplash();
    window_->show();
    return std::nullopt;
}

int runMainWindow(int& argc, char** argv, const QString& scriptArgument) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kavel32"));
    QApplication::setApplicationVersion(QStringLiteral(KAVEL_VERSION_TEXT));
    QApplication::setWindowIcon(
        QIcon(AppPaths::resourceFolder() + QStringLiteral("/images/kavel32.png")));
    ShellSession session;
    if (const std::optional<int> code = session.start(scriptArgument))
        return *code;
    return QApplication::exec();
}
