// kavel32: the window program, or with "!" / "$" before a script the unattended run.
#include "platform/desktop_machine.h"
#include "platform/paths.h"
#include "platform/stop_signals.h"
#include "session/console_window.h"
#include "session/job_session.h"
#include "shell/main_window_app.h"
#include "platform/single_instance.h"
#include "session/script_argument.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include <cstdio>
#include <unistd.h>

namespace {

const char* const kUsage =
    "Usage: kavel32 [OPTION]... [SCRIPT | !SCRIPT | $SCRIPT]\n"
    "Package a directory, drive or CD image into numbered zips of archive volumes.\n"
    "\n"
    "  SCRIPT           open the .rip script in the window and check the job\n"
    "  !SCRIPT          run the job of the script unattended, then exit\n"
    "  $SCRIPT          as !SCRIPT, with the date in every zip name\n"
    "      --work-dir DIR  make the output folder (KavelNNN) in DIR, not in the home folder\n"
    "      --check      load and check SCRIPT without running it, print the verdict\n"
    "  -h, --help       show this help and exit\n"
    "  -V, --version    show the version and exit\n"
    "\n"
    "An unattended run needs no display; with one, the window shows its progress. Either\n"
    "way it ends the same. Exit status:\n"
    "  0    the run completed (or --check found the job ready)\n"
    "  1    the job or the run failed; one line on standard error says why\n"
    "  2    the command line was bad\n"
    "  3    another Kavel32 is running\n"
    "  128+N  stopped by signal N (SIGTERM, SIGINT, SIGHUP): complete zips are kept, and\n"
    "       the volumes not yet zipped stay in the output folder\n";

bool haveDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen");
}

int usageError(const QString& text) {
    std::fprintf(stderr, "kavel32: %s\nTry 'kavel32 --help' for more information.\n",
                 qPrintable(text));
    return kExitBadCommandLine;
}

int runWithoutWindow(int argc, char** argv, const ScriptArgument& script, const QString& workDir,
                     bool runJob) {
    QCoreApplication app(argc, argv);
    QString error;
    if (AppPaths::workFolder(&error).isEmpty()) {
        printResult({kExitFailed, error, {}});
        return kExitFailed;
    }
    SingleInstance instance;
    // A start at the same moment may claim the instance first: then this one must not run,
    // even before the other answers.
    if (instance.handOverToRunning(1000) || !instance.listen()) {
        AppPaths::removeWorkFolder();
        std::fprintf(stderr, "kavel32: another Kavel32 is running\n");
        return kExitAnotherRunning;
    }

    AppPaths::removeStaleWorkFolders();
    DesktopMachine machine;
    SessionResult result;
    {
        ConsoleWindow window(isatty(STDOUT_FILENO) ? stdout : nullptr);
        JobSession session(window, machine, script.flags);
        session.job.WorkDrive = workDir;
        if (runJob)
            session.useRememberedComment();
        result = session.runScript(script.scriptPath, runJob);
        window.endLine();
    }
    // Whatever the run made at fixed places goes with it.
    AppPaths::removeWorkFolder();
    printResult(result);
    return result.exitCode;
}

} // namespace

int main(int argc, char** argv) {
    StopSignals::install();
    QString scriptArgument;
    QString workDir;
    bool checkOnly = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            std::fputs(kUsage, stdout);
            return kExitCompleted;
        }
        if (arg == QLatin1String("-V") || arg == QLatin1String("--version")) {
            std::printf("Kavel32 %s\n", KAVEL_VERSION_TEXT);
            return kExitCompleted;
        }
        if (arg == QLatin1String("--check")) {
            checkOnly = true;
        } else if (arg == QLatin1String("--work-dir") ||
                   arg.startsWith(QLatin1String("--work-dir="))) {
            if (arg.contains(QLatin1Char('=')))
                workDir = arg.section(QLatin1Char('='), 1);
            else if (++i < argc)
                workDir = QString::fromLocal8Bit(argv[i]);
            if (workDir.isEmpty() || !QDir(workDir).exists())
                return usageError(QStringLiteral("--work-dir needs an existing folder"));
            workDir = QDir(workDir).absolutePath();
        } else if (arg.startsWith(QLatin1String("--"))) {
            return usageError(QStringLiteral("unknown option %1").arg(arg));
        } else if (scriptArgument.isEmpty()) {
            scriptArgument = arg;
        } else {
            // The old command line took everything after the program as one argument.
            scriptArgument += QLatin1Char(' ') + arg;
        }
    }

    const ScriptArgument script = parseScriptArgument(scriptArgument);
    if ((checkOnly || !workDir.isEmpty()) && script.scriptPath.isEmpty())
        return usageError(QStringLiteral("a script is needed"));
    const bool windowless = checkOnly ||
                            (script.flags.batch() && (!haveDisplay() || !workDir.isEmpty())) ||
                            (!script.scriptPath.isEmpty() && !haveDisplay());
    if (windowless)
        return runWithoutWindow(argc, argv, script, workDir, !checkOnly && script.flags.batch());
    return runMainWindow(argc, argv, scriptArgument);
}
