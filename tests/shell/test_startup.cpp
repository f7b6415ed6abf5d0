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

#include "companion/zip_comment.h"
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
