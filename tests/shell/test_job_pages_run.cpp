#include "../common/file_helpers.h"
#include "../common/test_needs.h"
#include "engine/rip_run.h"
#include "engine/zip_wrapping.h"
#include "page_harness.h"
#include "release/finish_options.h"
#include "shell/ss_panel.h"

#include <QAbstractSlider>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>

// A whole job driven through the pages' controls with queued dialog answers, run with the
// real size program, archiver front-end and zip engine.
class TestJobPagesRun : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();
    void interactiveJobEndsWithNumberedZips();
    void abortKeepsTheVolumes_data();
    void abortKeepsTheVolumes();
    void kavelOffersToFinishAStoppedRun();
    void everyStartMakesTheSameZips();

  private:
    void prepareJob(PagesHarness& h);
    QStringList zipEntries(const QString& zip);
    QByteArray zipMember(const QString& zip, const QString& member);

    QTemporaryDir root_;
    QString source_, zips_, work_, diz_, nfo_;
};

namespace {
QByteArray noise(int n, quint32 seed) {
    QByteArray data(n, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(data.data()), n / 4);
    return data;
}
} // namespace

void TestJobPagesRun::initTestCase() {
    harnessFolders();
    // The outside programs are found beside the main program.
    qputenv("KAVEL32_PROGRAM_DIR", QByteArray(KAVEL_BIN_DIR));
    for (const char* tool : {"size", "wrar", "pkzip"})
        if (!QFileInfo(QString(KAVEL_BIN_DIR) + QLatin1Char('/') + QLatin1String(tool))
                 .isExecutable())
            SKIP_OR_FAIL("the outside programs are not built");
    source_ = root_.filePath(QStringLiteral("Release"));
    writeFile(source_ + QStringLiteral("/data/noise.bin"), noise(3'000'000, 1));
    writeFile(source_ + QStringLiteral("/data/more.bin"), noise(1'200'000, 2));
    writeFile(source_ + QStringLiteral("/readme.txt"), "readme\r\n");
    diz_ = root_.filePath(QStringLiteral("companions/file_id.diz"));
    writeFile(diz_, "  The Release\r\n  -----------\r\nDisk 00/00 of the set\r\n");
    nfo_ = root_.filePath(QStringLiteral("companions/release.nfo"));
    writeFile(nfo_, "Release notes\r\n");
}

void TestJobPagesRun::init() {
    // A folder of each test's own, and of each row's.
    const QString test = QString::fromLatin1(QTest::currentTestFunction()) +
                         QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-');
    zips_ = root_.filePath(QStringLiteral("zips-") + test);
    work_ = root_.filePath(QStringLiteral("work-") + test);
    QDir().mkpath(zips_);
    QDir().mkpath(work_);
}

void TestJobPagesRun::prepareJob(PagesHarness& h) {
    h.machine.runForReal = true;
    auto* drives = h.find<QComboBox>("Drive1");
    drives->addItem(work_);
    drives->setCurrentIndex(drives->count() - 1);
    QCOMPARE(h.pages->workDrive(), work_);

    h.dialogs.answerFolder(source_);
    h.click("Command2");
    QCOMPARE(h.find<QLabel>("Label9")->text().section(QLatin1Char(' '), 0, 0),
             QStringLiteral("4,200,008"));
    h.find<QAbstractSlider>("VScroll1")->setValue(4);
    h.find<QAbstractSlider>("VScroll1")->setValue(3);
    QCOMPARE(h.find<SSPanel>("SSPanel6")->caption(), QStringLiteral("1.44 M"));

    h.dialogs.answerOpenFile(diz_);
    h.click("Command6");
    h.click("Option3");
    QTest::keyClicks(h.find<QLineEdit>("Text2"), QStringLiteral("6"));
    QTest::keyClicks(h.find<QLineEdit>("Text6"), QStringLiteral("3"));
    h.click("Command3"); // Test passes: no message, the sample opens
    QCOMPARE(h.machine.edited.size(), 1);
    QVERIFY(h.frame.shownPages.isEmpty());

    h.dialogs.answerOpenFile(nfo_);
    h.click("Command8");
    h.dialogs.answerFolder(zips_);
    h.click("Command10");
    QTest::keyClicks(h.find<QLineEdit>("Text3"), QStringLiteral("rel"));
    QVERIFY(h.dialogs.verifyAllUsed());
}

QStringList TestJobPagesRun::zipEntries(const QString& zip) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-Z1"), zip});
    unzip.waitForFinished(60000);
    return QString::fromLocal8Bit(unzip.readAllStandardOutput())
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QByteArray TestJobPagesRun::zipMember(const QString& zip, const QString& member) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), zip, member});
    unzip.waitForFinished(60000);
    return unzip.readAllStandardOutput();
}

void TestJobPagesRun::interactiveJobEndsWithNumberedZips() {
    PagesHarness h;
    prepareJob(h);
    // A settings line the run cannot read is said in the window, not only on standard error.
    QDir().mkpath(QFileInfo(finishOptionsPath()).absolutePath());
    QFile options(finishOptionsPath());
    QVERIFY(options.open(QIODevice::WriteOnly));
    options.write("Verify=maybe\r\n");
    options.close();
    const auto removeOptions = qScopeGuard([] { QFile::remove(finishOptionsPath()); });
    h.dialogs.answerMessage(MessageAnswer::Ok, QStringLiteral("not understood"));
    QList<int> overall;
    const auto watch = QObject::connect(h.pages.get(), &JobPages::runProgressChanged,
                                        [&](int percent, const QString&) { overall << percent; });
    h.pages->runJob(); // "Kavel!"
    QObject::disconnect(watch);
    QVERIFY(h.dialogs.verifyAllUsed());
    // One progress over both steps, never back, then none.
    QVERIFY(overall.size() > 3);
    QCOMPARE(overall.back(), -1);
    overall.removeLast();
    QVERIFY(std::is_sorted(overall.cbegin(), overall.cend()));
    QVERIFY(*std::max_element(overall.cbegin(), overall.cend()) >= 90);

    QCOMPARE(h.find<QLabel>("Label1")->text(), kRippingCompleteText);
    QCOMPARE(h.frame.shownPages.front(), Page::Progress);
    QVERIFY(h.frame.minimised >= 1);
    QVERIFY(h.frame.restored >= 1);
    QVERIFY(h.frame.pageBarEnabled);
    QVERIFY(!h.frame.busy);
    QCOMPARE(h.port().sourceDisplay(), source_);
    QCOMPARE(h.machine.soundNames(), QStringList{QStringLiteral("\\rip.wav")});
    QCOMPARE(h.port().progress(), 0);

    QStringList made = QDir(zips_).entryList({QStringLiteral("*.zip")}, QDir::Files, QDir::Name);
    QCOMPARE(made, (QStringList{"rel01.zip", "rel02.zip", "rel03.zip"}));
    for (int k = 1; k <= made.size(); ++k) {
        const QString zip = zips_ + QLatin1Char('/') + made[k - 1];
        const QStringList entries = zipEntries(zip);
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries[1], QStringLiteral("file_id.diz"));
        QCOMPARE(entries[2], QStringLiteral("release.nfo"));
        const QByteArray diz = zipMember(zip, QStringLiteral("file_id.diz"));
        QVERIFY2(diz.contains("Disk 0" + QByteArray::number(k) + "/03 of the set"),
                 diz.constData());
    }
    // The output folder was emptied and removed.
    QCOMPARE(QDir(work_).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());

    // What the run made, where, and the way there.
    auto* summary = h.find<QLabel>("RunSummary");
    QVERIFY(!summary->isHidden());
    QVERIFY2(summary->text().startsWith(QStringLiteral("3 zips, ")), qPrintable(summary->text()));
    QVERIFY(summary->text().endsWith(QStringLiteral(" M, in ") + zips_));
    QSignalSpy opened(h.pages.get(), &JobPages::openFolderRequested);
    QSignalSpy checked(h.pages.get(), &JobPages::checkZipsRequested);
    h.click("OpenFolder");
    h.click("CheckZips");
    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened.front().front().toString(), zips_);
    QCOMPARE(checked.front().front().toString(), zips_);
}

// Abort keeps what the run has made so far for a later run: while zipping, the zips done
// and the volumes not yet zipped; while the archiver runs, the volumes it wrote. The
// archiver's whole process group is stopped, not only the program the run started.
void TestJobPagesRun::abortKeepsTheVolumes_data() {
    QTest::addColumn<bool>("archiving");
    QTest::addColumn<QStringList>("zipsLeft");
    QTest::addColumn<int>("volumesLeft");
    QTest::newRow("while zipping") << false << QStringList{QStringLiteral("rel01.zip")} << 2;
    QTest::newRow("while the archiver runs") << true << QStringList() << 1;
}

void TestJobPagesRun::abortKeepsTheVolumes() {
    QFETCH(bool, archiving);
    QFETCH(QStringList, zipsLeft);
    QFETCH(int, volumesLeft);
    PagesHarness h;
    prepareJob(h);
    bool aborted = false;
    QString pageBarWhenAborted;
    auto abort = [&] {
        pageBarWhenAborted =
            h.frame.pageBarEnabled ? QStringLiteral("enabled") : QStringLiteral("disabled");
        aborted = true;
        h.click("Command12");
    };
    // The archiver stand-in writes one volume, says so, and waits in a child of its own.
    const QString childPid = root_.filePath(QStringLiteral("archiver-child.pid"));
    if (archiving) {
        const QString standIn = root_.filePath(QStringLiteral("slow-archiver"));
        // The archive path is the argument after -y.
        writeFile(standIn, "#!/bin/sh\n"
                           "for a; do [ \"$next\" ] && out=$a; next=; [ \"$a\" = -y ] && next=1; "
                           "done\n"
                           "echo volume > \"$out\"\n"
                           "echo 10%\n"
                           "sleep 30 & echo $! > \"" +
                               QFile::encodeName(childPid) +
                               "\"\n"
                               "wait\n");
        QFile::setPermissions(standIn, QFile::permissions(standIn) | QFile::ExeOwner);
        h.machine.archiverStandIn = standIn;
        h.machine.whileRunning = [&] {
            if (!aborted && h.pages->model().runDisplay().archiverPercent == 10 &&
                QFileInfo::exists(childPid))
                abort();
        };
    }
    const auto watch = QObject::connect(&h.pages->model(), &JobModel::runDisplayChanged, [&] {
        if (!archiving && !aborted && h.pages->model().runDisplay().percent > 0 &&
            h.find<QLabel>("Label10")->text() == QStringLiteral("rel02.zip"))
            abort(); // while the zip of the second volume is written
    });
    QElapsedTimer clock;
    clock.start();
    h.pages->runJob();
    QObject::disconnect(watch);
    QVERIFY(aborted);
    QVERIFY2(clock.elapsed() < 20000, "the archiver was not stopped");
    if (archiving) {
        // Stopped with its group: the child it waited for is gone too.
        QFile pidFile(childPid);
        QVERIFY(pidFile.open(QIODevice::ReadOnly));
        const qint64 child = pidFile.readAll().trimmed().toLongLong();
        QVERIFY(child > 0);
        QTRY_VERIFY_WITH_TIMEOUT(!processAlive(child), 5000);
    }
    QCOMPARE(pageBarWhenAborted,
             archiving ? QStringLiteral("enabled") : QStringLiteral("disabled"));
    QVERIFY(h.frame.pageBarEnabled);
    QVERIFY(!h.frame.busy);
    QCOMPARE(h.port().sourceDisplay(), source_);
    // The page says so; the zip and count of the set given up are gone.
    QCOMPARE(h.find<QLabel>("Label1")->text(), QStringLiteral("Aborted"));
    QCOMPARE(h.find<QLabel>("Label10")->text(), QString());
    QCOMPARE(h.find<QLabel>("Label11")->text(), QString());
    QVERIFY(!h.find<QWidget>("RunSummary")->isVisibleTo(&h.window));

    QCOMPARE(QDir(zips_).entryList({QStringLiteral("*.zip")}, QDir::Files), zipsLeft);
    const QStringList outputs = QDir(work_).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(outputs.size(), 1);
    const QStringList left = listVolumes(work_ + QLatin1Char('/') + outputs.front());
    QCOMPARE(left.size(), volumesLeft);

    // A new run after an Abort is not stopped by it ...
    QDir(work_ + QLatin1Char('/') + outputs.front()).removeRecursively();
    for (const QString& zip : zipsLeft)
        QFile::remove(zips_ + QLatin1Char('/') + zip);
    h.machine.archiverStandIn.clear();
    h.machine.whileRunning = nullptr;
    // ... and starts on a clear page, not on the last run's texts.
    QStringList pageAtArchiver;
    h.machine.onRun = [&](const Command&) {
        if (pageAtArchiver.isEmpty())
            for (const char* label : {"Label1", "Label10", "Label11"})
                pageAtArchiver << h.find<QLabel>(label)->text();
        return 0;
    };
    h.pages->runJob();
    QCOMPARE(pageAtArchiver, (QStringList{QString(), QString(), QString()}));
    QCOMPARE(h.find<QLabel>("Label1")->text(), kRippingCompleteText);
    QCOMPARE(QDir(zips_).entryList({QStringLiteral("*.zip")}, QDir::Files).size(), 3);
}

// Kavel! on a job whose last run was stopped asks whether to finish that run; Yes finishes it
// from its journal on the progress page.
void TestJobPagesRun::kavelOffersToFinishAStoppedRun() {
    PagesHarness h;
    prepareJob(h);
    bool aborted = false;
    const auto watch = QObject::connect(&h.pages->model(), &JobModel::runDisplayChanged, [&] {
        if (!aborted && h.pages->model().runDisplay().percent > 0 &&
            h.find<QLabel>("Label10")->text() == QStringLiteral("rel02.zip")) {
            aborted = true;
            h.click("Command12");
        }
    });
    h.pages->runJob();
    QObject::disconnect(watch);
    QCOMPARE(QDir(zips_).entryList({QStringLiteral("*.zip")}, QDir::Files).size(), 1);
    h.dialogs.answerMessage(MessageAnswer::Yes, QStringLiteral("A stopped run of this job"));
    const int archiverRuns = h.machine.runs.size();
    const SessionResult result = h.pages->runJob();
    QCOMPARE(result.exitCode, kExitCompleted);
    QVERIFY(result.report.front().startsWith(QStringLiteral("Resuming the run in ")));
    QCOMPARE(h.machine.runs.size(), archiverRuns); // no second archiver
    QCOMPARE(h.find<QLabel>("Label1")->text(), kRippingCompleteText);
    QCOMPARE(QDir(zips_).entryList({QStringLiteral("*.zip")}, QDir::Files, QDir::Name),
             (QStringList{"rel01.zip", "rel02.zip", "rel03.zip"}));
    QCOMPARE(QDir(work_).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
    QVERIFY(h.dialogs.verifyAllUsed());
}

// The same script makes byte-identical zips whichever way it is run: unattended without a
// display, unattended with one (through the window), and by the window's Kavel!. The
// unattended starts print the same report of their own check.
void TestJobPagesRun::everyStartMakesTheSameZips() {
    PagesHarness h;
    prepareJob(h);
    const QString script = root_.filePath(QStringLiteral("same.rip"));
    h.dialogs.answerSaveFile(script);
    h.pages->saveScript();
    QVERIFY(QFileInfo::exists(script));
    const auto made = [this] {
        QStringList zips;
        for (const QString& zip :
             QDir(zips_).entryList({QStringLiteral("*.zip")}, QDir::Files, QDir::Name)) {
            QProcess unzip;
            unzip.start(QStringLiteral("unzip"),
                        {QStringLiteral("-v"), zips_ + QLatin1Char('/') + zip});
            unzip.waitForFinished(60000);
            QStringList entries;
            for (const QString& line :
                 QString::fromLocal8Bit(unzip.readAllStandardOutput()).split('\n')) {
                const QStringList cols = line.simplified().split(' ');
                if (cols.size() >= 8 && !cols[0].isEmpty() && cols[0][0].isDigit())
                    entries << cols.mid(7).join(' ') + '=' + cols[6];
            }
            zips << zip + QStringLiteral(": ") + entries.join(QStringLiteral(", "));
            QFile::remove(zips_ + QLatin1Char('/') + zip);
        }
        return zips;
    };
    QMap<QString, QStringList> zipsBy;
    const QString home = root_.filePath(QStringLiteral("home"));
    QDir().mkpath(home);
    for (const bool display : {false, true}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (display)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess kavel;
        kavel.setProcessEnvironment(env);
        // Both starts check their own set and say so on standard output.
        QStringList args{QStringLiteral("--verify"), QLatin1Char('!') + script};
        if (!display)
            args = QStringList{QStringLiteral("--work-dir"), work_} + args;
        kavel.start(QStringLiteral(KAVEL_BIN_DIR "/kavel32"), args);
        QVERIFY(kavel.waitForFinished(120000));
        QVERIFY2(kavel.exitCode() == 0, kavel.readAllStandardError().constData());
        QVERIFY(kavel.readAllStandardOutput().contains("Check passed: 3 zips"));
        zipsBy.insert(display ? QStringLiteral("display") : QStringLiteral("no display"), made());
    }
    h.pages->runJob();
    zipsBy.insert(QStringLiteral("Kavel!"), made());
    QCOMPARE(zipsBy.value(QStringLiteral("no display")).size(), 3);
    QCOMPARE(zipsBy.value(QStringLiteral("display")), zipsBy.value(QStringLiteral("no display")));
    QCOMPARE(zipsBy.value(QStringLiteral("Kavel!")), zipsBy.value(QStringLiteral("no display")));
}

QTEST_MAIN(TestJobPagesRun)
#include "test_job_pages_run.moc"
