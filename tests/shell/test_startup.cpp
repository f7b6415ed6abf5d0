#include "../fakes/recording_ports.h"
#include "queued_dialogs.h"

#include "platform/single_instance.h"
#include "shell/job_model.h"
#include "shell/job_pages.h"
#include "shell/main_window.h"
#include "shell/main_window_app.h"
#include "shell/marquee_host.h"
#include "shell/splash_window.h"
#include "shell/startup.h"

#include "companion/settings_file.h"
#include "engine/rip_run.h"
#include "platform/paths.h"
#include "source/volume_estimate.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

// Start-up and shutdown: the command line, the root guard, the single instance, the
// defaults and the files deleted on close.
class TestStartup : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanup();

    void parsesTheArgument_data();
    void parsesTheArgument();
    void titleNamesTheScript();
    void qtOptionsAreNoScript_data();
    void qtOptionsAreNoScript();
    void commandLineEnds_data();
    void commandLineEnds();
    void laterFinishOptionsHold_data();
    void laterFinishOptionsHold();
    void rootFolder_data();
    void rootFolder();

    void startSetsTheDefaults();
    void commentMarkComesFromTheSettingsFile_data();
    void commentMarkComesFromTheSettingsFile();
    void rootInstallationIsRefused();
    void rootInstallationInBatchSaysNothing();
    void closeDeletesTheLeftovers();
    void duplicateCloseKeepsTheLeftovers();
    void handOverReachesTheRunningInstance();
    void secondStartRaisesTheFirstAndKeepsItsFiles();
    void scriptArgumentLoadsAndChecksTheJob();
    void batchJobFailingItsCheckEndsSilently();
    void workDirLeadsTheWindowsOutputPlaces();

  private:
    QString writeDemoScript(const QString& name, const QString& nfo = {});
    QTemporaryDir dir_;
    QStringList makeLeftovers();
    QString instanceName() const {
        return QStringLiteral("kavel32-test-") +
               QUuid::createUuid().toString(QUuid::Id128).left(12);
    }
};

void TestStartup::initTestCase() {
    QVERIFY(dir_.isValid());
    qputenv("KAVEL32_STATE_DIR", dir_.filePath(QStringLiteral("state")).toUtf8());
    qputenv("KAVEL32_SCRATCH_DIR", dir_.filePath(QStringLiteral("scratch")).toUtf8());
    qputenv("KAVEL32_PROGRAM_DIR", QByteArrayLiteral(KAVEL_BIN_DIR));
}

void TestStartup::cleanup() {
    setPathStyle(PathStyle::Host);
    if (SplashWindow* s = SplashWindow::loaded())
        s->unload();
}

// What runs leave in this program's work folder: the skip list, the size listing, the
// numbering sample and the working copies of the diz and the nfo.
QStringList TestStartup::makeLeftovers() {
    const QStringList files = {AppPaths::scratchFile(QStringLiteral("skip.txt")),
                               AppPaths::scratchFile(QStringLiteral("size.txt")),
                               AppPaths::scratchFile(QStringLiteral("~kavel.diz")),
                               AppPaths::zipCopyFile(QStringLiteral("file_id.diz")),
                               AppPaths::zipCopyFile(QStringLiteral("release.nfo"))};
    for (const QString& file : files) {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly))
            return {};
        f.write("left by a run\r\n");
    }
    return files;
}

void TestStartup::parsesTheArgument_data() {
    QTest::addColumn<QString>("argument");
    QTest::addColumn<bool>("batch");
    QTest::addColumn<bool>("dateStamp");
    QTest::addColumn<QString>("path");
    QTest::newRow("empty") << "" << false << false << "";
    QTest::newRow("script") << "C:\\JOBS\\GAME.RIP" << false << false << "C:\\JOBS\\GAME.RIP";
    QTest::newRow("batch") << "!C:\\JOBS\\GAME.RIP" << true << false << "C:\\JOBS\\GAME.RIP";
    QTest::newRow("date stamp") << "$/jobs/game.rip" << false << true << "/jobs/game.rip";
    QTest::newRow("quoted with blanks")
        << "!\"/my jobs/game.rip\"" << true << false << "/my jobs/game.rip";
    QTest::newRow("only the first character counts") << "!$x.rip" << true << false << "$x.rip";
    QTest::newRow("bang alone") << "!" << true << false << "";
}

void TestStartup::parsesTheArgument() {
    QFETCH(QString, argument);
    QFETCH(bool, batch);
    QFETCH(bool, dateStamp);
    QFETCH(QString, path);
    const ScriptArgument parsed = parseScriptArgument(argument);
    QCOMPARE(parsed.flags.BatchRun, batch);
    QCOMPARE(parsed.flags.DateStampRun, dateStamp);
    QCOMPARE(parsed.scriptPath, path);
}

void TestStartup::qtOptionsAreNoScript_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("script"); // what is left for the script argument
    QTest::newRow("style before") << QStringList{"-style", "Fusion", "job.rip"} << "job.rip";
    QTest::newRow("style after") << QStringList{"!job.rip", "-style", "Fusion"} << "!job.rip";
    QTest::newRow("two dashes, with =") << QStringList{"--style=Fusion", "$job.rip"} << "$job.rip";
    QTest::newRow("several") << QStringList{"-platform", "offscreen", "-reverse", "job.rip"}
                             << "job.rip";
    QTest::newRow("value missing at the end") << QStringList{"job.rip", "-stylesheet"} << "job.rip";
    QTest::newRow("not Qt's") << QStringList{"-x.rip"} << "-x.rip";
    QTest::newRow("a flag of Qt's with a value is no flag")
        << QStringList{"-reverse=1"} << "-reverse=1";
}

void TestStartup::qtOptionsAreNoScript() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, script);
    arguments.prepend(QStringLiteral("kavel32"));
    QList<QByteArray> bytes;
    std::vector<const char*> argv;
    for (const QString& a : arguments)
        bytes << a.toLocal8Bit();
    for (const QByteArray& b : bytes)
        argv.push_back(b.constData());
    QStringList left;
    for (int i = 1; i < int(argv.size()); ++i) {
        if (const int taken = qtOptionArguments(int(argv.size()), argv.data(), i)) {
            i += taken - 1;
            continue;
        }
        left << QString::fromLocal8Bit(argv[size_t(i)]);
    }
    QCOMPARE(left.join(QLatin1Char(' ')), script);
}

// How the program ends for a command line that runs no job: its exit status and the first
// line on standard output and on standard error. Options take effect in order: the first
// bad one, --help or --version ends the start there.
void TestStartup::commandLineEnds_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    const QString usage = QStringLiteral("Usage: kavel32 [OPTION]... [SCRIPT | !SCRIPT | $SCRIPT]");
    const QString version = QStringLiteral("Kavel32 " KAVEL_VERSION_TEXT);
    const auto bad = [](const char* why) {
        return QStringLiteral("kavel32: ") + QLatin1String(why);
    };
    const QString folder = dir_.path();
    const QString missing = dir_.filePath(QStringLiteral("missing"));
    const QString script = dir_.filePath(QStringLiteral("missing.rip"));
    QTest::newRow("--help") << QStringList{"--help"} << 0 << usage << "";
    QTest::newRow("-h") << QStringList{"-h"} << 0 << usage << "";
    QTest::newRow("--version") << QStringList{"--version"} << 0 << version << "";
    QTest::newRow("-V") << QStringList{"-V"} << 0 << version << "";
    QTest::newRow("help after a script") << QStringList{"!job.rip", "--help"} << 0 << usage << "";
    QTest::newRow("help before a bad option")
        << QStringList{"--help", "--bogus"} << 0 << usage << "";
    QTest::newRow("help before a bad percentage")
        << QStringList{"--version", "--par2", "x"} << 0 << version << "";
    QTest::newRow("bad option before help")
        << QStringList{"--bogus", "--help"} << 2 << "" << bad("unknown option --bogus");
    QTest::newRow("bad percentage before help") << QStringList{"--par2", "x", "--help"} << 2 << ""
                                                << bad("--par2 needs a percentage from 0 to 100");
    QTest::newRow("Qt's option before help")
        << QStringList{"-style", "Fusion", "--help"} << 0 << usage << "";
    QTest::newRow("help as the folder to resume")
        << QStringList{"--resume", "--help"} << 1 << "" << QString();
    QTest::newRow("unknown") << QStringList{"--bogus"} << 2 << "" << bad("unknown option --bogus");
    QTest::newRow("unknown with a value")
        << QStringList{"--bogus=1"} << 2 << "" << bad("unknown option --bogus=1");
    QTest::newRow("a flag with a value")
        << QStringList{"--check=1", "job.rip"} << 2 << "" << bad("unknown option --check=1");
    QTest::newRow("help with a value")
        << QStringList{"--help=1"} << 2 << "" << bad("unknown option --help=1");
    QTest::newRow("resume with =")
        << QStringList{"--resume=" + folder} << 2 << "" << bad("unknown option --resume=") + folder;
    QTest::newRow("resume with = as the value of --work-dir")
        << QStringList{"--work-dir", "--resume=" + folder} << 2 << ""
        << bad("--work-dir needs an existing folder");
    QTest::newRow("--work-dir at the end after a good one")
        << QStringList{"--work-dir=" + folder, "!job.rip", "--work-dir"} << 2 << ""
        << bad("--work-dir needs an existing folder");
    QTest::newRow("Qt's option as the folder to resume")
        << QStringList{"--resume", "-style"} << 1 << "" << QString();
    QTest::newRow("two dashes alone")
        << QStringList{"--", "job.rip"} << 2 << "" << bad("unknown option --");
    QTest::newRow("unknown after a script")
        << QStringList{"!job.rip", "--no-such"} << 2 << "" << bad("unknown option --no-such");
    for (const char* value : {"x", "-1", "101", "", "5x"})
        QTest::addRow("--par2 %s", value) << QStringList{"--check", "--par2", value} << 2 << ""
                                          << bad("--par2 needs a percentage from 0 to 100");
    QTest::newRow("--par2 at the end") << QStringList{"--check", "--par2"} << 2 << ""
                                       << bad("--par2 needs a percentage from 0 to 100");
    QTest::newRow("--par2=101") << QStringList{"--check", "--par2=101"} << 2 << ""
                                << bad("--par2 needs a percentage from 0 to 100");
    QTest::newRow("--par2 100, no script")
        << QStringList{"--check", "--par2", "100"} << 2 << "" << bad("a script is needed");
    QTest::newRow("--par2=0, no script")
        << QStringList{"--dry-run", "--par2=0"} << 2 << "" << bad("a script is needed");
    QTest::newRow("the last --par2 holds")
        << QStringList{"--par2", "7", "--check", "--par2", "x"} << 2 << ""
        << bad("--par2 needs a percentage from 0 to 100");
    QTest::newRow("--work-dir at the end") << QStringList{"--check", "--work-dir"} << 2 << ""
                                           << bad("--work-dir needs an existing folder");
    QTest::newRow("--work-dir missing") << QStringList{"--work-dir", missing, "!job.rip"} << 2 << ""
                                        << bad("--work-dir needs an existing folder");
    QTest::newRow("--work-dir= empty") << QStringList{"--work-dir=", "!job.rip"} << 2 << ""
                                       << bad("--work-dir needs an existing folder");
    QTest::newRow("--work-dir, no script")
        << QStringList{"--work-dir=" + folder} << 2 << "" << bad("a script is needed");
    QTest::newRow("--check, no script")
        << QStringList{"--check"} << 2 << "" << bad("a script is needed");
    QTest::newRow("--dry-run, no script")
        << QStringList{"--dry-run", "--sfv", "--no-verify"} << 2 << "" << bad("a script is needed");
    QTest::newRow("--resume at the end")
        << QStringList{"--resume"} << 2 << "" << bad("--resume needs the output folder of a run");
    QTest::newRow("--resume empty") << QStringList{"--resume", "", "x"} << 2 << ""
                                    << bad("--resume needs the output folder of a run");
    QTest::newRow("--resume with --check") << QStringList{"--resume", folder, "--check"} << 2 << ""
                                           << bad("--resume and --unpack go alone");
    QTest::newRow("--resume with --work-dir")
        << QStringList{"--work-dir", folder, "--resume", folder} << 2 << ""
        << bad("--resume and --unpack go alone");
    QTest::newRow("--resume with --unpack") << QStringList{"--unpack", "--resume", folder} << 2
                                            << "" << bad("--resume and --unpack go alone");
    QTest::newRow("--resume with two folders")
        << QStringList{"--resume", folder, "other"} << 2 << "" << bad("--resume takes one folder");
    QTest::newRow("--unpack with one folder")
        << QStringList{"--unpack", folder} << 2 << ""
        << bad("--unpack needs a folder of zips and a destination");
    QTest::newRow("--unpack with three")
        << QStringList{"a", "--unpack", "b", "c"} << 2 << ""
        << bad("--unpack needs a folder of zips and a destination");
    QTest::newRow("--unpack with --dry-run") << QStringList{"--dry-run", "--unpack", "a", "b"} << 2
                                             << "" << bad("--resume and --unpack go alone");
    QTest::newRow("--verify alone") << QStringList{"--verify"} << 2 << ""
                                    << bad("--verify needs a folder of zips, or a run (!SCRIPT)");
    QTest::newRow("--verify with --check")
        << QStringList{"--verify", folder, "--check"} << 2 << ""
        << bad("--verify ZIPDIR cannot be combined with --check or --dry-run");
    QTest::newRow("--verify with --dry-run")
        << QStringList{"--dry-run", "--verify", folder} << 2 << ""
        << bad("--verify ZIPDIR cannot be combined with --check or --dry-run");
    QTest::newRow("--verify a missing folder")
        << QStringList{"--verify", missing} << 1 << QString() << QString();
    QTest::newRow("--check a missing script")
        << QStringList{"--check", script} << 1 << "" << QString();
    QTest::newRow("a script named with one dash")
        << QStringList{"--check", "-x.rip"} << 1 << "" << QString();
    QTest::newRow("Qt's options are no script")
        << QStringList{"-style", "Fusion", "--check", "-reverse"} << 2 << ""
        << bad("a script is needed");
    QTest::newRow("--unpack a missing folder")
        << QStringList{"--unpack", missing, dir_.filePath(QStringLiteral("dest"))} << 1 << ""
        << QString();
    QTest::newRow("--resume a folder that is no run")
        << QStringList{"--resume", missing} << 1 << "" << QString();
    // The window with no display: a clear failure, not the toolkit's abort.
    const QString noDisplay = QStringLiteral("kavel32: no display to open the window on (DISPLAY "
                                             "is not set); a job runs without one: kavel32 "
                                             "'!JOB.rip'");
    QTest::newRow("the window, no display") << QStringList{} << 1 << "" << noDisplay;
    QTest::newRow("the window with Qt's options, no display")
        << QStringList{"-style", "Fusion"} << 1 << "" << noDisplay;
}

void TestStartup::commandLineEnds() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // No display: a start that would open the window fails instead of waiting.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("KAVEL32_STATE_DIR"), dir_.filePath(QStringLiteral("cli-state")));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(dir_.path());
    program.start(QStringLiteral(KAVEL_BIN_DIR "/kavel32"), arguments);
    program.closeWriteChannel();
    QVERIFY(program.waitForFinished(60000));
    const QString stdoutText = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString stderrText = QString::fromLocal8Bit(program.readAllStandardError());
    const QString context = stdoutText + stderrText;
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.exitCode() == status, qPrintable(context));
    // A null text: any first line, but one there.
    if (out.isNull())
        QVERIFY2(!stdoutText.isEmpty(), qPrintable(context));
    else
        QCOMPARE(stdoutText.section(QLatin1Char('\n'), 0, 0), out);
    if (err.isNull()) {
        QVERIFY2(!stderrText.isEmpty(), qPrintable(context));
    } else {
        QCOMPARE(stderrText.section(QLatin1Char('\n'), 0, 0), err);
        if (status == 2)
            QCOMPARE(stderrText.section(QLatin1Char('\n'), 1, 1),
                     QStringLiteral("Try 'kavel32 --help' for more information."));
    }
}

// Of two finish options that disagree the later holds, as a dry run of the demo job shows.
void TestStartup::laterFinishOptionsHold_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("after");
    QTest::newRow("--sfv --no-sfv") << QStringList{"--sfv", "--no-sfv"} << "nothing more";
    QTest::newRow("--no-sfv --sfv") << QStringList{"--no-sfv", "--sfv"} << "demo.sfv";
    QTest::newRow("two percentages")
        << QStringList{"--par2", "5", "--par2=7"} << "PAR2 recovery files demo.par2 at 7 %";
    QTest::newRow("--par2 0 last") << QStringList{"--par2=7", "--par2", "0"} << "nothing more";
    QTest::newRow("--no-verify --verify")
        << QStringList{"--no-verify", "--verify", "--sfv"} << "demo.sfv, a check of the set";
    QTest::newRow("--verify --no-verify")
        << QStringList{"--verify", "--no-verify"} << "a check of the set";
}

void TestStartup::laterFinishOptionsHold() {
    QFETCH(QStringList, options);
    QFETCH(QString, after);
    const QString script = writeDemoScript(QStringLiteral("finish.rip"));
    QVERIFY(!script.isEmpty());
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KAVEL32_STATE_DIR"), dir_.filePath(QStringLiteral("finish-state")));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KAVEL_BIN_DIR "/kavel32"),
                  QStringList{"--dry-run"} + options + QStringList{"!" + script});
    QVERIFY(program.waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
    QVERIFY2(program.exitCode() == 0, qPrintable(out + program.readAllStandardError()));
    QVERIFY2(out.contains(QStringLiteral("\nAfter the last zip: ") + after + QLatin1Char('\n')),
             qPrintable(out));
}

void TestStartup::titleNamesTheScript() {
    setPathStyle(PathStyle::Windows);
    QCOMPARE(
        scriptWindowTitle(parseScriptArgument(QStringLiteral("!C:\\JOBS\\GAME.RIP")).scriptPath),
        QStringLiteral("Kavel32 - GAME.RIP"));
    setPathStyle(PathStyle::Host);
    QCOMPARE(scriptWindowTitle(QStringLiteral("/home/me/jobs/game.rip")),
             QStringLiteral("Kavel32 - game.rip"));
}

void TestStartup::rootFolder_data() {
    QTest::addColumn<bool>("windows");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("root");
    QTest::newRow("drive root") << true << "C:\\" << true;
    QTest::newRow("installed folder") << true << "C:\\KAVEL32" << false;
    QTest::newRow("host root") << false << "/" << true;
    QTest::newRow("host folder") << false << "/usr/bin" << false;
    QTest::newRow("empty") << false << "" << false;
}

void TestStartup::rootFolder() {
    QFETCH(bool, windows);
    QFETCH(QString, folder);
    QFETCH(bool, root);
    setPathStyle(windows ? PathStyle::Windows : PathStyle::Host);
    QCOMPARE(isRootFolder(folder), root);
}

void TestStartup::startSetsTheDefaults() {
    QueuedDialogs dialogs;
    RecordingMachine machine;
    ShellSession session({&dialogs, &machine, instanceName(), {}, true});
    QVERIFY(!session.start(QString()).has_value());
    MainWindow* w = session.window();
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QStringLiteral("Kavel32"));
    QCOMPARE(w->visiblePages(), QStringList{QStringLiteral("Picture1")});
    QCOMPARE(w->banner()->text(), QStringLiteral("Kavel32 v3.10  by QXV   <IMG 1>"));
    // Built with the component, the banners are the registered control with their designs.
    if (QFileInfo::exists(qEnvironmentVariable("ZQMARQ_REGISTRY"))) {
        QVERIFY2(w->banner()->isControl(), qPrintable(w->banner()->problem()));
        QVERIFY2(w->banner()->problem().isEmpty(), qPrintable(w->banner()->problem()));
        QVERIFY2(w->credits()->isControl(), qPrintable(w->credits()->problem()));
        QVERIFY2(w->credits()->problem().isEmpty(), qPrintable(w->credits()->problem()));
        QCOMPARE(w->credits()->widget()->objectName(), QStringLiteral("ZqMarquee2"));
        // Its back colour is the system button face: the window's, not a fixed grey.
        const QImage credits = w->credits()->widget()->grab().toImage();
        QCOMPARE(credits.pixelColor(1, credits.height() - 2), w->palette().color(QPalette::Window));
    }
    QCOMPARE(SplashWindow::versionText(), QStringLiteral("v3.10"));
    // The splash has handed over.
    QVERIFY(!SplashWindow::loaded());
    QVERIFY(!SplashWindow::aboutMode());
    QVERIFY(!w->findChild<QAction*>(QStringLiteral("zheader"))->isChecked());
    QVERIFY(session.instance()->isListening());
    QVERIFY(!session.flags().batch());
    w->setCleanupOnClose(false);
}

void TestStartup::commentMarkComesFromTheSettingsFile_data() {
    QTest::addColumn<bool>("fileExists");
    QTest::newRow("comment file present") << true;
    QTest::newRow("comment file gone") << false;
}

void TestStartup::commentMarkComesFromTheSettingsFile() {
    QFETCH(bool, fileExists);
    const QString comment = AppPaths::stateTempFolder() + QStringLiteral("/hdr.txt");
    QFile::remove(comment);
    if (fileExists) {
        QFile f(comment);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Released by QXV\r\n");
    }
    QFile ini(settingsFilePath());
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("Vers=v3.10\r\n" + QFile::encodeName(comment) + "\r\n");
    ini.close();
    QueuedDialogs dialogs;
    RecordingMachine machine;
    ShellSession session({&dialogs, &machine, instanceName(), {}, false});
    QVERIFY(!session.start(QString()).has_value());
    QCOMPARE(session.window()->findChild<QAction*>(QStringLiteral("zheader"))->isChecked(),
             fileExists);
    QCOMPARE(session.window()->jobPages()->commentOn(), fileExists);
    session.window()->setCleanupOnClose(false);
}

void TestStartup::rootInstallationIsRefused() {
    const QStringList files = makeLeftovers();
    QVERIFY(!files.isEmpty());
    QueuedDialogs dialogs;
    dialogs.answerMessage(
        MessageAnswer::Ok,
        QStringLiteral("Kavel32 can not be run from\r\na root directory, please reinstall."));
    RecordingMachine machine;
    {
        ShellSession session({&dialogs, &machine, instanceName(), QStringLiteral("/"), false});
        QCOMPARE(session.start(QString()), std::optional<int>(1));
        QCOMPARE(dialogs.shown().front().title, QStringLiteral("Kavel32 error"));
        QCOMPARE(dialogs.shown().front().icon, MessageIcon::Critical);
        QVERIFY(!session.window()->isVisible());
        session.window()->close();
    }
    for (const QString& file : files)
        QVERIFY2(QFileInfo::exists(file), qPrintable(file));
}

void TestStartup::rootInstallationInBatchSaysNothing() {
    QueuedDialogs dialogs;
    RecordingMachine machine;
    ShellSession session({&dialogs, &machine, instanceName(), QStringLiteral("/"), false});
    QCOMPARE(session.start(QStringLiteral("!/jobs/game.rip")), std::optional<int>(1));
    QVERIFY(dialogs.shown().isEmpty());
}

void TestStartup::closeDeletesTheLeftovers() {
    const QStringList files = makeLeftovers();
    QVERIFY(!files.isEmpty());
    QueuedDialogs dialogs;
    RecordingMachine machine;
    ShellSession session({&dialogs, &machine, instanceName(), {}, false});
    QVERIFY(!session.start(QString()).has_value());
    session.window()->findChild<QAction*>(QStringLiteral("exitm"))->trigger();
    QVERIFY(!session.window()->isVisible());
    for (const QString& file : files)
        QVERIFY2(!QFileInfo::exists(file), qPrintable(file));
}

void TestStartup::duplicateCloseKeepsTheLeftovers() {
    const QStringList files = makeLeftovers();
    QueuedDialogs dialogs;
    RecordingMachine machine;
    RunFlags flags;
    MainWindow window(dialogs, machine, flags);
    window.setCleanupOnClose(false);
    window.show();
    window.close();
    for (const QString& file : files)
        QVERIFY2(QFileInfo::exists(file), qPrintable(file));
}

void TestStartup::handOverReachesTheRunningInstance() {
    const QString name = instanceName();
    SingleInstance first(name);
    QVERIFY(!first.handOverToRunning(200));
    QVERIFY(first.listen());
    QSignalSpy activated(&first, &SingleInstance::activationRequested);
    SingleInstance second(name);
    // Both live on this thread here, so the answer cannot come while the second waits.
    QVERIFY(second.handOverToRunning(200));
    QTRY_COMPARE(activated.size(), 1);
    // A stale socket left by a crashed instance does not block the next start.
    SingleInstance third(QStringLiteral("kavel32-test-stale"));
    QVERIFY(third.listen());
}

void TestStartup::secondStartRaisesTheFirstAndKeepsItsFiles() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QStringLiteral(KAVEL_INSTANCE_PROBE), {});
    QVERIFY(first.waitForStarted());
    QByteArray said;
    // The condition is read more than once: keep what was read.
    QTRY_VERIFY_WITH_TIMEOUT((said += first.readAllStandardOutput()).contains("ready"), 20000);
    const QStringList files = makeLeftovers();
    QVERIFY(!files.isEmpty());

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(KAVEL_INSTANCE_PROBE), {});
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(second.readAllStandardOutput().contains("ended 0"));

    said.clear();
    QTRY_VERIFY_WITH_TIMEOUT((said += first.readAllStandardOutput()).contains("activated"), 10000);
    QVERIFY2(said.contains("activated minimized=0 visible=1"), said.constData());
    QCOMPARE(first.state(), QProcess::Running);
    for (const QString& file : files)
        QVERIFY2(QFileInfo::exists(file), qPrintable(file));
    first.kill();
    first.waitForFinished();
}

QString TestStartup::writeDemoScript(const QString& name, const QString& nfo) {
    const QString demo = QStringLiteral(KAVEL_SOURCE_DIR "/examples/demo");
    QFile in(demo + QStringLiteral("/demo.rip.in"));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QByteArray text = in.readAll();
    QDir().mkpath(dir_.filePath(QStringLiteral("zips")));
    text.replace("@SRC@", QFile::encodeName(demo + QStringLiteral("/source")));
    text.replace("@DEMO@/demo.nfo",
                 QFile::encodeName(nfo.isEmpty() ? demo + QStringLiteral("/demo.nfo") : nfo));
    text.replace("@DEMO@", QFile::encodeName(demo));
    text.replace("@OUT@", QFile::encodeName(dir_.filePath(QStringLiteral("zips"))));
    const QString path = dir_.filePath(name);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
        return {};
    return path;
}

void TestStartup::scriptArgumentLoadsAndChecksTheJob() {
    const QString script = writeDemoScript(QStringLiteral("DEMO.RIP"));
    QVERIFY(!script.isEmpty());
    QueuedDialogs dialogs;
    RecordingMachine machine;
    ShellSession session({&dialogs, &machine, instanceName(), {}, false});
    QVERIFY(!session.start(script).has_value());
    MainWindow* w = session.window();
    QCOMPARE(w->windowTitle(), QStringLiteral("Kavel32 - DEMO.RIP"));
    QVERIFY(w->isVisible());
    const JobSettings job = w->jobPages()->model().job();
    QCOMPARE(job.SourceSpec, QStringLiteral(KAVEL_SOURCE_DIR "/examples/demo/source"));
    QCOMPARE(job.ZipName, QStringLiteral("demo"));
    QCOMPARE(job.ZipDir, dir_.filePath(QStringLiteral("zips")));
    QVERIFY(job.AutoNumber);
    QVERIFY(w->jobPages()->jobValidated());
    // The zip drive's free space, as Open shows it.
    QCOMPARE(w->findChild<QLabel*>(QStringLiteral("Label14"))->text(),
             zipFreeSpaceAfterOpenText(*machine.free));
    QVERIFY(!session.flags().batch());
    // An interactive start runs nothing.
    for (const Command& command : machine.runs)
        QVERIFY(!command.program.contains(QStringLiteral("wrar")));
    w->setCleanupOnClose(false);
}

void TestStartup::batchJobFailingItsCheckEndsSilently() {
    const QString script =
        writeDemoScript(QStringLiteral("broken.rip"), dir_.filePath(QStringLiteral("gone.nfo")));
    QVERIFY(!script.isEmpty());
    QueuedDialogs dialogs;
    RecordingMachine machine;
    ShellSession session({&dialogs, &machine, instanceName(), {}, false});
    // The refusal leaves through the event loop, as a run does, with the window closed.
    QCOMPARE(session.start(QLatin1Char('!') + script), std::nullopt);
    QCOMPARE(QCoreApplication::exec(), 1);
    QVERIFY(!session.window()->isVisible());
    QVERIFY(session.flags().BatchRun);
    QVERIFY(dialogs.shown().isEmpty());
    QVERIFY(!session.window()->jobPages()->jobValidated());
}

// kavel32 --work-dir DIR SCRIPT opens the window with DIR as the place its Kavel! makes the
// output folder in, the home folder still offered after it.
void TestStartup::workDirLeadsTheWindowsOutputPlaces() {
    const QString folder = dir_.filePath(QStringLiteral("work"));
    QVERIFY(QDir().mkpath(folder));
    setCommandLineWorkLocation(folder);
    QueuedDialogs dialogs;
    RecordingMachine machine;
    ShellSession session({&dialogs, &machine, instanceName(), {}, false});
    const bool started = !session.start(QString()).has_value();
    setCommandLineWorkLocation({});
    QVERIFY(started);
    QCOMPARE(session.window()->jobPages()->workDrive(), folder);
    const auto* places = session.window()->findChild<QComboBox*>(QStringLiteral("Drive1"));
    QVERIFY(places);
    QCOMPARE(places->itemText(1), QDir::homePath());
    session.window()->setCleanupOnClose(false);
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
