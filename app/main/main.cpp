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

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <optional>
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
        unpacked = unpackSet({zipDir, dest, {}}, [&window](const QString& step, int percent) {
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

// The options as the parser knows them; the help is kUsage, written by hand.
struct Options {
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, {}};
    QCommandLineOption version{{QStringLiteral("V"), QStringLiteral("version")}, {}};
    QCommandLineOption check{QStringLiteral("check"), {}};
    QCommandLineOption dryRun{QStringLiteral("dry-run"), {}};
    QCommandLineOption verify{QStringLiteral("verify"), {}};
    QCommandLineOption noVerify{QStringLiteral("no-verify"), {}};
    QCommandLineOption sfv{QStringLiteral("sfv"), {}};
    QCommandLineOption noSfv{QStringLiteral("no-sfv"), {}};
    QCommandLineOption par2{QStringLiteral("par2"), {}, QStringLiteral("PERCENT")};
    QCommandLineOption workDir{QStringLiteral("work-dir"), {}, QStringLiteral("DIR")};
    QCommandLineOption resume{QStringLiteral("resume"), {}, QStringLiteral("FOLDER")};
    QCommandLineOption unpack{QStringLiteral("unpack"), {}};

    QList<QCommandLineOption> all() const {
        return {help, version, check, dryRun,  verify, noVerify,
                sfv,  noSfv,   par2,  workDir, resume, unpack};
    }
};

// The parser takes a word with one dash for options and "--" for the end of them; here a word
// with one dash ("-x.rip") is a script's name and "--" an unknown option, as they always were.
// Such words reach the parser marked as plain words.
const QChar kPlainWord(0xFFFF);

QString unmarked(const QString& word) {
    return word.startsWith(kPlainWord) ? word.mid(1) : word;
}

// What an option of ours that takes a value says when it has no good one; empty for the other
// words.
QString valueNeeded(const QString& word) {
    if (word == QLatin1String("--par2"))
        return QStringLiteral("--par2 needs a percentage from 0 to %1").arg(kMaxPar2Percent);
    if (word == QLatin1String("--work-dir"))
        return QStringLiteral("--work-dir needs an existing folder");
    if (word == QLatin1String("--resume"))
        return QStringLiteral("--resume needs the output folder of a run");
    return {};
}

// The program's arguments for the parser. Qt's own options (-style, -platform, ...) are the
// application's and are left out, unless one stands where an option of ours takes its value.
QStringList parserArguments(int argc, char** argv) {
    QStringList arguments{QString::fromLocal8Bit(argv[0])};
    bool isValue = false;
    for (int i = 1; i < argc; ++i) {
        if (const int qtArguments = isValue ? 0 : qtOptionArguments(argc, argv, i)) {
            i += qtArguments - 1;
            continue;
        }
        const QString word = QString::fromLocal8Bit(argv[i]);
        const bool optionWord = word.startsWith(QLatin1String("--"))
                                    ? word.size() > 2
                                    : word == QLatin1String("-h") || word == QLatin1String("-V");
        arguments << (optionWord || !word.startsWith(QLatin1Char('-')) ? word : kPlainWord + word);
        isValue = !isValue && !valueNeeded(word).isEmpty();
    }
    return arguments;
}

// Why the values read so far are bad; empty when they are good.
QString valueFault(const QCommandLineParser& parser, const Options& o) {
    for (const QString& value : parser.values(o.par2)) {
        bool ok = false;
        const int percent = unmarked(value).toInt(&ok);
        if (!ok || percent < 0 || percent > kMaxPar2Percent)
            return valueNeeded(QStringLiteral("--par2"));
    }
    for (const QString& value : parser.values(o.workDir))
        if (unmarked(value).isEmpty() || !QDir(unmarked(value)).exists())
            return valueNeeded(QStringLiteral("--work-dir"));
    for (const QString& value : parser.values(o.resume))
        if (value.isEmpty())
            return valueNeeded(QStringLiteral("--resume"));
    if (parser.positionalArguments().contains(kPlainWord + QStringLiteral("--")))
        return QStringLiteral("unknown option --");
    return {};
}

// Reads the options in order, as they always were read: the first bad one, --help or --version
// ends the start there, and the options after it are not looked at. The parser reads a line
// whole, so it reads this one an argument longer each time. Empty when the start goes on.
std::optional<int> readInOrder(QCommandLineParser& parser, const Options& o,
                               const QStringList& arguments) {
    for (qsizetype n = 2; n <= arguments.size(); ++n) {
        const QString& word = arguments[n - 1];
        const bool parsed = parser.parse(arguments.first(n));
        const QString lacking = valueNeeded(word);
        if (!parsed && !lacking.isEmpty() && n < arguments.size())
            continue; // the next argument is its value
        if (!parsed)
            return usageError(lacking.isEmpty() ? QStringLiteral("unknown option %1").arg(word)
                                                : lacking);
        // --resume takes its folder as the next argument only.
        if (word.startsWith(QLatin1String("--resume=")) &&
            parser.value(o.resume) == word.section(QLatin1Char('='), 1))
            return usageError(QStringLiteral("unknown option %1").arg(word));
        if (const QString fault = valueFault(parser, o); !fault.isEmpty())
            return usageError(fault);
        if (parser.isSet(o.help)) {
            std::fputs(kUsage, stdout);
            return kExitCompleted;
        }
        if (parser.isSet(o.version)) {
            std::printf("Kavel32 %s\n", KAVEL_VERSION_TEXT);
            return kExitCompleted;
        }
    }
    parser.parse(arguments);
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    StopSignals::install();
    QCommandLineParser parser;
    const Options o;
    parser.addOptions(o.all());
    if (const std::optional<int> ended = readInOrder(parser, o, parserArguments(argc, argv)))
        return *ended;

    QStringList positionals;
    for (const QString& word : parser.positionalArguments())
        positionals << unmarked(word);
    const bool checkOnly = parser.isSet(o.check);
    const bool dryRunOnly = parser.isSet(o.dryRun);
    const bool verify = parser.isSet(o.verify);
    const QString workDir = parser.isSet(o.workDir)
                                ? QDir(unmarked(parser.value(o.workDir))).absolutePath()
                                : QString();
    const QString resumeFolder = unmarked(parser.value(o.resume));
    const bool unpack = parser.isSet(o.unpack);
    FinishOverrides finish;
    if (parser.isSet(o.noVerify))
        finish.verify = false;
    for (const QString& name : parser.optionNames()) // the later of --sfv and --no-sfv holds
        if (o.sfv.names().contains(name) || o.noSfv.names().contains(name))
            finish.sfv = o.sfv.names().contains(name);
    if (parser.isSet(o.par2))
        finish.par2Percent = unmarked(parser.value(o.par2)).toInt();

    // A resume takes the steps after the last zip from the stopped run's journal, so the
    // set is the one that run would have made: none of them is taken from the command line.
    const bool finishGiven = finish.verify || finish.sfv || finish.par2Percent;
    if (!resumeFolder.isEmpty() || unpack)
        return resumeOrUnpack(argc, argv, resumeFolder, unpack, positionals,
                              checkOnly || dryRunOnly || verify || finishGiven ||
                                  !workDir.isEmpty());

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
    // Without a display the window cannot open: say so, rather than let the toolkit abort.
    if (!haveDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "kavel32: no display to open the window on (DISPLAY is not set); "
                             "a job runs without one: kavel32 '!JOB.rip'\n");
        return kExitFailed;
    }
    // A script opened in the window runs there when Kavel! is pressed.
    setCommandLineWorkLocation(workDir);
    return runMainWindow(argc, argv, scriptArgument);
}
