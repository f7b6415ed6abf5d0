// kavel32: the window program, or with "!" / "$" before a script the unattended run.
#include "engine/rip_run.h"
#include "job/text_lines.h"
#include "platform/desktop_machine.h"
#include "platform/paths.h"
#include "platform/single_instance.h"
#include "platform/stop_signals.h"
#include "release/dry_run.h"
#include "release/finish_options.h"
#include "release/set_check.h"
#include "release/set_report.h"
#include "release/unpack_set.h"
#include "script/script_file.h"
#include "session/console_window.h"
#include "session/job_session.h"
#include "session/script_argument.h"
#include "shell/main_window_app.h"
#include "shell/startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

const char* const kUsage =
    "Usage: kavel32 [OPTION]... [SCRIPT | !SCRIPT | $SCRIPT]\n"
    "  or:  kavel32 --resume FOLDER\n"
    "  or:  kavel32 --unpack ZIPDIR DEST\n"
    "Package a directory, drive or CD image into numbered zips of archive volumes.\n"
    "\n"
    "  SCRIPT           open the .rip script in the window and check the job\n"
    "  !SCRIPT          run the job of the script unattended, then exit\n"
    "  $SCRIPT          as !SCRIPT, with the date in every zip name\n"
    "      --work-dir DIR  make the output folder (KavelNNN) in DIR, not in the home folder\n"
    "      --check      load and check SCRIPT and the set it would make (the source is\n"
    "                   measured, nothing is written) without running it; print the verdict\n"
    "      --dry-run    print everything a run of SCRIPT would do (the check's verdict, the\n"
    "                   source size, the volume counts, the archiver command line, the zip\n"
    "                   names and what goes into each zip) and write nothing\n"
    "      --resume FOLDER\n"
    "                   finish the run stopped in its output folder FOLDER (KavelNNN): the\n"
    "                   volumes and zips there are checked against the run's journal, the\n"
    "                   zips not yet made are made, then the steps after the last zip\n"
    "      --unpack ZIPDIR DEST\n"
    "                   check the set in ZIPDIR, repair a copy of it with its PAR2 files when\n"
    "                   zips are missing or damaged, and extract it into DEST, which must not\n"
    "                   exist or be empty; ZIPDIR is never changed\n"
    "      --verify ZIPDIR [SCRIPT]\n"
    "                   check the set of zips in ZIPDIR as the strictest receiving site\n"
    "                   does: every entry's CRC; safe entry names and no links; exactly\n"
    "                   one volume, a file_id.diz numbered k/n (a three-digit total only in\n"
    "                   [ ] or ( )) and the nfo and extra files in each, nothing else; with\n"
    "                   SCRIPT, just the entries the job puts there, the diz byte for byte;\n"
    "                   names in set order; every line of the set's SFV; the volumes joined\n"
    "                   in order tested with 7zz (rar for RAR volumes), ending where they end\n"
    "  -h, --help       show this help and exit\n"
    "  -V, --version    show the version and exit\n"
    "\n"
    "After the last zip of a run (remembered in the per-user settings, set from the window's\n"
    "File menu; these options override them for one start):\n"
    "      --verify     check the set the run made; a failed check is a failed run\n"
    "      --sfv        write NAME.sfv beside the zips (CRC32 of every zip)\n"
    "      --par2 PERCENT  make PAR2 recovery files at PERCENT % with par2 and verify them\n"
    "      --no-verify, --no-sfv, --par2 0   leave a step out\n"
    "\n"
    "An unattended run needs no display; with one, the window shows its progress. Either\n"
    "way it ends the same. Exit status:\n"
    "  0    the run completed (or --check found the job ready, --dry-run found it would run,\n"
    "       --verify found the set whole, --resume finished the set, --unpack unpacked it)\n"
    "  1    the job or the run failed; one line on standard error says why\n"
    "  2    the command line was bad\n"
    "  3    another Kavel32 is running\n"
    "  128+N  stopped by signal N (SIGTERM, SIGINT, SIGHUP): complete zips are kept, and\n"
    "       the volumes not yet zipped stay in the output folder, which --resume finishes\n"
    "\n"
    "With SOURCE_DATE_EPOCH set, every time a run writes is that time, so one source and one\n"
    "script give the same zips on every run.\n";

bool haveDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen");
}

int usageError(const QString& text) {
    std::fprintf(stderr, "kavel32: %s\nTry 'kavel32 --help' for more information.\n",
                 qPrintable(printableText(text)));
    return kExitBadCommandLine;
}

// A report, a line each, on standard output; a name in a line cannot command the terminal.
void printLines(const QStringList& lines) {
    for (const QString& line : lines)
        std::fprintf(stdout, "%s\n", qPrintable(printableText(line)));
    std::fflush(stdout);
}

// A session on the console: one at a time, in this program's own work folder, which goes
// with it.
int sessionWithoutWindow(int argc, char** argv, const RunFlags& flags, const QString& workDir,
                         const std::function<SessionResult(JobSession&)>& step) {
    QCoreApplication app(argc, argv);
    QString error;
    if (AppPaths::workFolder(&error).isEmpty()) {
        printResult({kExitFailed, error, {}, {}});
        return kExitFailed;
    }
    SingleInstance instance;
    // A start at the same moment may claim the instance first: then this one must not run,
    // even before the other answers.
    if (instance.handOverToRunning(1000) || !instance.listen()) {
        AppPaths::removeWorkFolder();
        const SessionResult refused = refusedStart(instance.failure());
        printResult(refused);
        return refused.exitCode;
    }

    AppPaths::removeStaleWorkFolders();
    DesktopMachine machine;
    SessionResult result;
    {
        ConsoleWindow window(isatty(STDOUT_FILENO) ? stdout : nullptr);
        JobSession session(window, machine, flags);
        session.setWorkDrive(workDir);
        result = step(session);
        window.endLine();
    }
    AppPaths::removeWorkFolder();
    printResult(result);
    return result.exitCode;
}

int runWithoutWindow(int argc, char** argv, const ScriptArgument& script, const QString& workDir,
                     bool runJob) {
    return sessionWithoutWindow(argc, argv, script.flags, workDir, [&](JobSession& session) {
        if (runJob)
            session.useRememberedComment();
        return session.runScript(script.scriptPath, runJob);
    });
}

// --verify ZIPDIR [SCRIPT]: reads the zips only; the volumes are joined in this program's
// own work folder, which goes when it ends.
int verifyWithoutWindow(int argc, char** argv, const QString& zipDir, const QString& scriptPath) {
    QCoreApplication app(argc, argv);
    SetCheckRequest request;
    request.folder = zipDir;
    QStringList warnings;
    if (!scriptPath.isEmpty()) {
        JobSettings job;
        NullWindowPort window;
        const ScriptLoad loaded = loadScript(scriptPath, job, window, RunFlags{true, false});
        if (!loaded.ok && loaded.line == 0) {
            printResult(
                {kExitFailed, QStringLiteral("cannot open script %1").arg(loaded.detail), {}, {}});
            return kExitFailed;
        }
        if (!loaded.ok)
            warnings
                << QStringLiteral("%1 %2: %3").arg(kScriptErrorText, scriptPath, loaded.detail);
        request.job = job;
    }
    const SetReport report = checkSet(request);
    AppPaths::removeWorkFolder();
    printLines(report.lines);
    SessionResult result{kExitCompleted, {}, warnings, {}};
    if (!stopRequested(&result) && !report.passed())
        result = {
            kExitFailed,
            QStringLiteral("the set in %1 failed its check: %2").arg(zipDir, firstFault(report)),
            warnings,
            {}};
    printResult(result);
    return result.exitCode;
}

// --resume FOLDER: a run, so one at a time, and ends as a run ends.
int resumeWithoutWindow(int argc, char** argv, const QString& folder) {
    return sessionWithoutWindow(argc, argv, RunFlags{true, false}, {}, [&](JobSession& session) {
        return session.resumeStep(QDir(folder).absolutePath());
    });
}

// --unpack ZIPDIR DEST: reads ZIPDIR only; the volumes are joined in this program's own work
// folder.
int unpackWithoutWindow(int argc, char** argv, const QString& zipDir, const QString& dest) {
    QCoreApplication app(argc, argv);
    UnpackResult unpacked;
    {
        ConsoleWindow window(isatty(STDOUT_FILENO) ? stdout : nullptr);
        unpacked = unpackSet({zipDir, dest}, [&window](const QString& step, int percent) {
            window.showStep(step, percent);
        });
        window.endLine();
    }
    AppPaths::removeWorkFolder();
    SessionResult result{kExitCompleted, {}, {}, unpacked.report};
    if (!stopRequested(&result) && !unpacked.ok)
        result = {kExitFailed, unpacked.failure, {}, unpacked.report};
    printResult(result);
    return result.exitCode;
}

// --dry-run SCRIPT: no work folder, no single-instance lock, no settings file is made.
int dryRunWithoutWindow(int argc, char** argv, const ScriptArgument& script,
                        const QString& workDir) {
    QCoreApplication app(argc, argv);
    QString warning;
    const FinishOptions finish = currentFinishOptions(&warning);
    const DryRun dry = dryRun(script.scriptPath, script.flags, workDir, finish);
    printLines(dry.lines);
    SessionResult result{dry.exitCode, dry.failure, dry.warnings, {}};
    if (!warning.isEmpty())
        result.warnings << warning;
    printResult(result);
    return dry.exitCode;
}

// The two commands that take folders rather than a script.
int resumeOrUnpack(int argc, char** argv, const QString& resumeFolder, bool unpack,
                   const QStringList& positionals, bool otherCommand) {
    if (otherCommand || (unpack && !resumeFolder.isEmpty()))
        return usageError(QStringLiteral("--resume and --unpack go alone"));
    if (!resumeFolder.isEmpty()) {
        if (!positionals.isEmpty())
            return usageError(QStringLiteral("--resume takes one folder"));
        return resumeWithoutWindow(argc, argv, resumeFolder);
    }
    if (positionals.size() != 2)
        return usageError(QStringLiteral("--unpack needs a folder of zips and a destination"));
    return unpackWithoutWindow(argc, argv, positionals[0], positionals[1]);
}

} // namespace

int main(int argc, char** argv) {
    StopSignals::install();
    QStringList positionals;
    QString workDir;
    bool checkOnly = false;
    bool verify = false;
    bool dryRunOnly = false;
    QString resumeFolder;
    bool unpack = false;
    FinishOverrides finish;
    for (int i = 1; i < argc; ++i) {
        // Qt's own options are the application's, not a script's name.
        if (const int qtArguments = qtOptionArguments(argc, argv, i)) {
            i += qtArguments - 1;
            continue;
        }
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
        } else if (arg == QLatin1String("--verify")) {
            verify = true;
        } else if (arg == QLatin1String("--no-verify")) {
            finish.verify = false;
        } else if (arg == QLatin1String("--dry-run")) {
            dryRunOnly = true;
        } else if (arg == QLatin1String("--resume")) {
            if (++i >= argc || argv[i][0] == '\0')
                return usageError(QStringLiteral("--resume needs the output folder of a run"));
            resumeFolder = QString::fromLocal8Bit(argv[i]);
        } else if (arg == QLatin1String("--unpack")) {
            unpack = true;
        } else if (arg == QLatin1String("--sfv") || arg == QLatin1String("--no-sfv")) {
            finish.sfv = arg == QLatin1String("--sfv");
        } else if (arg == QLatin1String("--par2") || arg.startsWith(QLatin1String("--par2="))) {
            QString value;
            if (arg.contains(QLatin1Char('=')))
                value = arg.section(QLatin1Char('='), 1);
            else if (++i < argc)
                value = QString::fromLocal8Bit(argv[i]);
            bool ok = false;
            const int percent = value.toInt(&ok);
            if (!ok || percent < 0 || percent > kMaxPar2Percent)
                return usageError(
                    QStringLiteral("--par2 needs a percentage from 0 to %1").arg(kMaxPar2Percent));
            finish.par2Percent = percent;
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
        } else {
            positionals << arg;
        }
    }

    if (!resumeFolder.isEmpty() || unpack)
        return resumeOrUnpack(argc, argv, resumeFolder, unpack, positionals,
                              checkOnly || dryRunOnly || verify || !workDir.isEmpty());

    // --verify before a folder checks that folder's set; before a run, the run's own set.
    const bool runArgument =
        !positionals.isEmpty() && (positionals.front().trimmed().startsWith(QLatin1Char('!')) ||
                                   positionals.front().trimmed().startsWith(QLatin1Char('$')));
    if (verify && !runArgument) {
        if (positionals.isEmpty())
            return usageError(
                QStringLiteral("--verify needs a folder of zips, or a run (!SCRIPT)"));
        if (checkOnly || dryRunOnly)
            return usageError(
                QStringLiteral("--verify ZIPDIR cannot be combined with --check or --dry-run"));
        return verifyWithoutWindow(argc, argv, positionals.front(),
                                   positionals.mid(1).join(QLatin1Char(' ')));
    }
    if (verify)
        finish.verify = true;
    setCommandLineFinish(finish);
    // The old command line took everything after the program as one argument.
    const QString scriptArgument = positionals.join(QLatin1Char(' '));

    const ScriptArgument script = parseScriptArgument(scriptArgument);
    if ((checkOnly || dryRunOnly || !workDir.isEmpty()) && script.scriptPath.isEmpty())
        return usageError(QStringLiteral("a script is needed"));
    if (dryRunOnly)
        return dryRunWithoutWindow(argc, argv, script, workDir);
    const bool windowless = checkOnly ||
                            (script.flags.batch() && (!haveDisplay() || !workDir.isEmpty())) ||
                            (!script.scriptPath.isEmpty() && !haveDisplay());
    if (windowless)
        return runWithoutWindow(argc, argv, script, workDir, !checkOnly && script.flags.batch());
    // A script opened in the window runs there when Kavel! is pressed.
    setCommandLineWorkLocation(workDir);
    return runMainWindow(argc, argv, scriptArgument);
}
