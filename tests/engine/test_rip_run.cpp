#include "../common/file_helpers.h"
#include "../fakes/recording_ports.h"
#include "engine/rip_run.h"
#include "engine/zip_component.h"
#include "engine/zip_wrapping.h"
#include "platform/process_runner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {

// A window that answers the overwrite question as told and notes when it is closed.
class AnsweringWindow : public RecordingWindow {
  public:
    MessageAnswer answer = MessageAnswer::Ok;
    int closed = 0;
    MessageAnswer message(const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons) override {
        RecordingWindow::message(text, title, icon, buttons);
        return buttons == MessageButtons::OkCancel ? answer : MessageAnswer::Ok;
    }
    void closeWindow() override { ++closed; }
};

// A run as the session starts it: the plan's facts read for the job, the source measured.
RipResult runJob(RipRun& rip, const JobSettings& job, float sourceSizeM,
                 std::optional<qint64> stamp = std::nullopt) {
    PlanOptions options;
    options.sourceSizeM = sourceSizeM;
    options.stampTime = stamp;
    return rip.run(job, readPlanFacts(job, job.WorkDrive), options);
}

// Every file of a folder with its bytes.
QMap<QString, QByteArray> filesOf(const QString& dir) {
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden)) {
        QFile f(dir + "/" + name);
        f.open(QIODevice::ReadOnly);
        files.insert(name, f.readAll());
    }
    return files;
}

// Puts into dir what a row names: "name=volume" a zip holding a volume of that name and a diz,
// "name:text" a file of that text.
void place(const QString& dir, const QStringList& files) {
    for (const QString& spec : files) {
        if (spec.contains(':')) {
            writeFile(dir + "/" + spec.section(':', 0, 0), spec.section(':', 1).toUtf8());
            continue;
        }
        const QString volumes = dir + "/../older-volumes";
        QDir().mkpath(volumes);
        writeFile(volumes + "/" + spec.section('=', 1), QByteArray(500, 'v'));
        writeFile(volumes + "/file_id.diz", "diz\r\n");
        ZipComponent zip;
        zip.setZipFileName(dir + "/" + spec.section('=', 0, 0));
        zip.setFiles({volumes + "/" + spec.section('=', 1), volumes + "/file_id.diz"});
        QCOMPARE(zip.zip(), 0);
        QDir(volumes).removeRecursively();
    }
}

// The archive path of an archiver command: the argument after "-y".
QString archivePathOf(const Command& command) {
    return command.arguments.value(command.arguments.indexOf("-y") + 1);
}

// A diz numbered at line 2, column 7, with room for three digits.
const QByteArray kDiz = "Game\r\nDisk [xxx/xxx] of the game\r\n";

} // namespace

class RipRunTest : public QObject {
    Q_OBJECT
    QTemporaryDir root;
    AnsweringWindow* window = nullptr;
    RecordingMachine* machine = nullptr;
    ZipComponent* zip = nullptr;
    RunFlags flags;
    int volumesToMake = 3;

    QString work() const { return root.filePath("work"); }
    QString zips() const { return root.filePath("zips"); }

    JobSettings job() const {
        JobSettings j;
        j.SourceSpec = root.filePath("source");
        j.DizFile = root.filePath("file_id.diz");
        j.NfoFile = root.filePath("game.nfo");
        j.ZipDir = zips();
        j.ZipName = "game";
        j.WorkDrive = work();
        // Every zip of a set carries its own disk number, in a form receiving sites read.
        j.AutoNumber = true;
        j.NumberLine = "2";
        j.NumberColumn = "7";
        return j;
    }

  private slots:
    void initTestCase() {
        qputenv("KAVEL32_STATE_DIR", root.filePath("state").toUtf8());
        qputenv("KAVEL32_SCRATCH_DIR", root.filePath("scratch").toUtf8());
        QDir().mkpath(root.filePath("source"));
        writeFile(root.filePath("file_id.diz"), kDiz);
        writeFile(root.filePath("game.nfo"), "nfo\r\n");
    }

    void init() {
        QDir(work()).removeRecursively();
        QDir(zips()).removeRecursively();
        QDir().mkpath(work());
        QDir().mkpath(zips());
        window = new AnsweringWindow;
        machine = new RecordingMachine;
        zip = new ZipComponent;
        flags = {};
        volumesToMake = 3;
        // The archiver stand-in writes the volumes next to the archive path it was given.
        machine->onRun = [this](const Command& cmd) {
            const QString archive = archivePathOf(cmd);
            for (int i = 1; i <= volumesToMake; ++i)
                writeFile(archive + QString(".%1").arg(i, 3, 10, QChar('0')),
                          QByteArray(1000, char('a' + i)));
            return 0;
        };
    }
    void cleanup() {
        delete window;
        delete machine;
        delete zip;
    }

    // The numbering of a set once the archiver's real count is known.
    void numberingOfTheRealSet_data() {
        QTest::addColumn<int>("units");
        QTest::addColumn<int>("volumes");
        QTest::addColumn<bool>("planned");
        QTest::addColumn<QByteArray>("dizLine"); // empty: the job's own, with room for three
        QTest::addColumn<bool>("three");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("fault");
        QTest::newRow("as planned, two digits")
            << 1 << 99 << false << QByteArray() << false << "gamesx"
            << "";
        QTest::newRow("as planned, three digits")
            << 1 << 80 << true << QByteArray() << true << "games"
            << "";
        QTest::newRow("100th volume, room for three digits")
            << 1 << 100 << false << QByteArray() << true << "games"
            << "";
        // A three-digit total written bare: receiving sites read no disk number there.
        QTest::newRow("100th volume, room in the diz but bare")
            << 1 << 100 << false << QByteArray("Disk 00/00   of") << true << "games"
            << "reads no disk number there";
        QTest::newRow("100th volume, no room")
            << 1 << 100 << false << QByteArray("Disk 00/00 of") << false << "gamesx"
            << "100 volumes";
        QTest::newRow("1000 volumes") << 1 << 1000 << true << QByteArray() << true << "gamesx"
                                      << "can't have more than 999";
        QTest::newRow("one archive in two files")
            << 0 << 2 << false << QByteArray() << false << "gamesx"
            << "one archive";
    }
    void numberingOfTheRealSet() {
        QFETCH(int, units);
        QFETCH(int, volumes);
        QFETCH(bool, planned);
        QFETCH(QByteArray, dizLine);
        JobSettings j = job();
        j.ZipName = "gamesx";
        j.SizeUnits = int16_t(units);
        if (!dizLine.isEmpty()) {
            writeFile(root.filePath("numbered.diz"), "Title\r\n" + dizLine + "\r\n");
            j.DizFile = root.filePath("numbered.diz");
            j.AutoNumber = true;
            j.NumberLine = "2";
            j.NumberColumn = "6";
        }
        PlanOptions options;
        options.sourceSizeM = planned ? 50.0f : 1.0f; // an estimate of 100 or of 2 volumes
        options.volumes = volumes;
        const RunPlan plan = planRun(j, readPlanFacts(j, work()), options);
        QFETCH(QString, fault);
        QCOMPARE(plan.ok(), fault.isEmpty());
        if (!fault.isEmpty()) {
            QVERIFY2(plan.fault->text.contains(fault), qPrintable(plan.fault->text));
            QCOMPARE(plan.fault->stage, PlanFault::Stage::AfterArchiving);
            return;
        }
        QTEST(plan.zipName, "name");
        QTEST(plan.digits == 3, "three");
        QCOMPARE(plan.zips.size(), volumes);
        QCOMPARE(plan.zips.back().shownName,
                 plan.zipName + QString::number(volumes).rightJustified(plan.digits, '0') + ".zip");
    }

    void completeRunWrapsEveryVolumeAndRemovesTheFolder() {
        RipRun rip(*window, *machine, *zip, flags);
        machine->percentsToReport = {12, 57, 100};
        const RipResult r = runJob(rip, job(), 2.0f);
        QCOMPARE(int(r.outcome), int(RipOutcome::Completed));
        // The archiver's own percentages reach the window, and then its end.
        QCOMPARE(window->archiverPercents, (QList<int>{12, 57, 100, -1}));
        QCOMPARE(window->pages.first().page, Page::Progress);
        QCOMPARE(window->statusTexts.last(), QString("Ripping complete"));
        QCOMPARE(QDir(zips()).entryList(QDir::Files),
                 (QStringList{"game01.zip", "game02.zip", "game03.zip"}));
        QVERIFY(QDir(work()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
        QCOMPARE(machine->runs.size(), 1);
        QCOMPARE(machine->runs[0].program, QString("wrar.exe"));
        QCOMPARE(machine->runs[0].arguments.mid(0, 5),
                 (QStringList{"a", "-r", "-v1440000b", "-m3", "-y"}));
        QCOMPARE(rip.diskCount(), int16_t(0));
        QVERIFY(!rip.running());
    }

    void nextFreeOutputFolder() {
        QDir().mkpath(work() + "/Kavel001");
        QDir().mkpath(work() + "/Kavel002");
        RipRun rip(*window, *machine, *zip, flags);
        JobSettings j = job();
        j.RawArchivesOnly = true;
        const RipResult r = runJob(rip, j, 0);
        QCOMPARE(r.outputFolder, work() + "/Kavel003");
        QCOMPARE(archivePathOf(machine->runs[0]), work() + "/Kavel003/game.rar");
    }

    void archivesOnlyKeepsTheVolumes() {
        RipRun rip(*window, *machine, *zip, flags);
        JobSettings j;
        j.RawArchivesOnly = true;
        j.ZipName = "image";
        j.WorkDrive = work();
        j.SourceSpec = root.filePath("source");
        const RipResult r = runJob(rip, j, 0);
        QCOMPARE(int(r.outcome), int(RipOutcome::ArchivesKept));
        QVERIFY(r.succeeded());
        QCOMPARE(window->countTexts.last(), QString(" 3 Rar's"));
        QCOMPARE(window->statusTexts.last(), "Ripping complete\r\rRar's are in " + r.outputFolder);
        QCOMPARE(QDir(r.outputFolder).entryList(QDir::Files).size(), 3);
        QVERIFY(QDir(zips()).isEmpty());
    }

    void zipNameWithBlankCreatesNothing() {
        RipRun rip(*window, *machine, *zip, flags);
        JobSettings j = job();
        j.ZipName = "my game";
        QCOMPARE(int(runJob(rip, j, 0).outcome), int(RipOutcome::Stopped));
        QCOMPARE(window->messages, QStringList{"Kavel32 error|Spaces aren't allowed in filename"});
        QCOMPARE(window->pages.last().page, Page::Zip);
        QCOMPARE(window->pages.last().focus, QString("Text3"));
        QVERIFY(machine->runs.isEmpty());
        QVERIFY(QDir(work()).isEmpty());
    }

    // The question keeps its text and title and says what goes: the zips of the older set
    // (all of them, the last one too), its SFV and PAR2 files, never a file that only
    // begins with the name or another job's zip named like one of the set's.
    void cancelledOverwriteCreatesNothing_data() {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("line");
        QTest::newRow("one zip") << QStringList{"game01.zip=game.7z.001"}
                                 << "1 zip of the set \"game\" will be replaced.";
        QTest::newRow("three zips and the SFV")
            << QStringList{"game01.zip=game.7z.001", "game02.zip=game.7z.002",
                           "game03.zip=game.7z.003",
                           "game.sfv:game01.zip 00000000\r\ngame03.zip 00000000\r\n"}
            << "3 zips of the set \"game\" and 1 more of its files (SFV, PAR2) will be "
               "replaced.";
        QTest::newRow("a file that only begins with the name")
            << QStringList{"game-notes.txt:notes"}
            << "No zip of the set \"game\" is there to replace; other files only begin with "
               "its name.";
        QTest::newRow("another job's zips beside")
            << QStringList{"game01.zip=game.7z.001", "game101.zip=game1.7z.001",
                           "game12.zip=game12.7z"}
            << "1 zip of the set \"game\" will be replaced. Left alone, as not of the set: "
               "game101.zip, game12.zip.";
    }

    void cancelledOverwriteCreatesNothing() {
        QFETCH(QStringList, present);
        QFETCH(QString, line);
        place(zips(), present);
        const QMap<QString, QByteArray> before = filesOf(zips());
        window->answer = MessageAnswer::Cancel;
        RipRun rip(*window, *machine, *zip, flags);
        QCOMPARE(int(runJob(rip, job(), 0).outcome), int(RipOutcome::Stopped));
        QCOMPARE(window->messages,
                 QStringList{"Kavel32 error|Duplicate zip name in zip directory\nOverwrite?\n\n" +
                             line});
        QVERIFY(machine->runs.isEmpty());
        QVERIFY(QDir(work()).isEmpty());
        QCOMPARE(filesOf(zips()), before);
    }

    // A file on a name the set needs that is not the older set's stops the run before the
    // question and before anything is made, naming it; in batch mode without a box.
    void foreignFileOnTheSetsNameStops_data() {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<bool>("batch");
        QTest::addColumn<QString>("why");
        QTest::newRow("another job's zip") << QStringList{"game02.zip=game12.7z"} << false
                                           << "game02.zip in %1 is not of the set game: it holds "
                                              "game12.7z; move it or choose another zip folder";
        QTest::newRow("another job's zip, batch")
            << QStringList{"game02.zip=game12.7z"} << true << "it holds game12.7z";
        QTest::newRow("not a zip") << QStringList{"game03.zip:notes"} << false
                                   << "game03.zip in %1 is not of the set game: it cannot be read";
    }
    void foreignFileOnTheSetsNameStops() {
        QFETCH(QStringList, present);
        QFETCH(bool, batch);
        QFETCH(QString, why);
        place(zips(), present + QStringList{"game01.zip=game.7z.001"});
        const QMap<QString, QByteArray> before = filesOf(zips());
        flags.BatchRun = batch;
        RipRun rip(*window, *machine, *zip, flags);
        // 4 MB in 1.44 MB volumes: a set of three zips, game01.zip to game03.zip.
        const RipResult r = runJob(rip, job(), 4.0f);
        QCOMPARE(int(r.outcome), int(RipOutcome::Stopped));
        QVERIFY2(r.reason.contains(why.arg(zips())), qPrintable(r.reason));
        QCOMPARE(window->messages.size(), batch ? 0 : 1);
        if (!batch)
            QVERIFY2(window->messages[0].contains(why.arg(zips())),
                     qPrintable(window->messages[0]));
        QVERIFY(machine->runs.isEmpty());
        QVERIFY(QDir(work()).isEmpty());
        QCOMPARE(filesOf(zips()), before);
    }

    void batchMissingNfoEndsSilently() {
        flags.BatchRun = true;
        RipRun rip(*window, *machine, *zip, flags);
        JobSettings j = job();
        j.NfoFile.clear();
        const RipResult r = runJob(rip, j, 0);
        QVERIFY(!r.succeeded());
        QCOMPARE(r.reason, QString("No nfo file is chosen"));
        // Ending the program is the start's business, once it has reported the reason.
        QCOMPARE(window->closed, 0);
        QVERIFY(window->messages.isEmpty());
        QVERIFY(window->pages.isEmpty());
        QVERIFY(QDir(work()).isEmpty());
    }

    void tooManyVolumesStopsBeforeAnyFolder() {
        RipRun rip(*window, *machine, *zip, flags);
        JobSettings j = job();
        j.SizeUnits = 1;
        QVERIFY(!runJob(rip, j, 500.0f).succeeded());
        QCOMPARE(window->messages.size(), 1);
        QVERIFY(window->messages[0].startsWith("Kavel error|Can't have more than 999 files"));
        QVERIFY(QDir(work()).isEmpty());
    }

    // A message box quotes a name with its control characters written out, so a folder's
    // name cannot lay out the box as it likes; the box's own words stay as they are.
    void messagesQuoteNamesPrintably() {
        const QString odd = root.filePath("source\n\x1b]0;title\x07\x1b[2K");
        QVERIFY(QDir().mkpath(odd));
        writeFile(odd + "/a.bin", QByteArray(1000, 'a'));
        JobSettings j = job();
        j.SourceSpec = odd;
        j.ZipDir = odd;
        RipRun rip(*window, *machine, *zip, flags);
        QVERIFY(!runJob(rip, j, 0).succeeded());
        QCOMPARE(window->messages.size(), 1);
        const QString shown = window->messages[0];
        QVERIFY2(shown.startsWith("Kavel32 error|The zip folder ") &&
                     shown.contains("source\\n\\x1b]0;title\\x07\\x1b[2K is the source itself"),
                 qPrintable(shown));
        for (const QChar c : shown)
            QVERIFY(c.unicode() >= 0x20 && c.unicode() != 0x7f);
        QVERIFY(QDir(work()).isEmpty());
    }

    void failingArchiverIsNotCompletion_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("volumes");
        // Every status 7-Zip and rar document beside success fails the run, even when the
        // archiver wrote all its volumes first (a warning: some file was not read).
        for (int status : {1, 2, 3, 7, 8, 255}) {
            QTest::addRow("exit status %d", status) << status << 0;
            QTest::addRow("exit status %d after every volume", status) << status << 3;
        }
        QTest::newRow("not found") << kCouldNotStart << 0;
        QTest::newRow("no volume") << 0 << 0;
    }
    void failingArchiverIsNotCompletion() {
        QFETCH(int, status);
        QFETCH(int, volumes);
        volumesToMake = volumes;
        auto make = machine->onRun;
        machine->onRun = [&](const Command& cmd) {
            make(cmd);
            // The volumes written are begun in their zips before the archiver fails.
            for (int waited = 0; volumes > 0 && filesOf(zips()).isEmpty() && waited < 5000;
                 waited += 10)
                QThread::msleep(10);
            return status;
        };
        RipRun rip(*window, *machine, *zip, flags);
        const RipResult r = runJob(rip, job(), 0);
        QCOMPARE(int(r.outcome), int(RipOutcome::Failed));
        QVERIFY(!window->statusTexts.contains("Ripping complete"));
        QCOMPARE(window->messages.size(), 1);
        QVERIFY(window->messages[0].startsWith("Kavel32 error|The archiver"));
        if (status > 0)
            QVERIFY2(window->messages[0].contains(QString("exit status %1").arg(status)),
                     qPrintable(window->messages[0]));
        // No zip, and nothing begun of one.
        QCOMPARE(filesOf(zips()).keys(), QStringList{});
        if (volumes == 0) {
            QVERIFY2(QDir(work()).isEmpty(), "the empty output folder is removed");
        } else {
            // What the archiver wrote stays for a resume, which archives again.
            QVERIFY(r.resumable);
            const JournalRead read = readJournal(r.outputFolder);
            QVERIFY(read.ok && !read.journal.archived);
        }
    }

    void abortDuringZippingKeepsTheRest() {
        place(zips(), {"game01.zip=game.7z.001", "game04.zip=game.7z.004"});
        RipRun rip(*window, *machine, *zip, flags);
        window->onProgress = [&](int percent) {
            if (percent > 0)
                rip.abort();
        };
        const RipResult r = runJob(rip, job(), 0);
        QCOMPARE(int(r.outcome), int(RipOutcome::Failed));
        // The volume being wrapped and every later one stay, with the journal that finishes
        // them.
        QCOMPARE(listVolumes(r.outputFolder).size(), 3);
        QVERIFY(r.resumable);
        QVERIFY(readJournal(r.outputFolder).ok);
        QCOMPARE(window->sourceDisplay(), job().SourceSpec);
        // The page says so, and the zip and count of the set given up are gone.
        QCOMPARE(window->statusTexts.back(), QStringLiteral("Aborted"));
        QCOMPARE(window->nameTexts.back(), QString());
        QCOMPARE(window->countTexts.back(), QString());
        QCOMPARE(r.reason, QStringLiteral("Aborted"));
        // The older set went before the first zip; the report names it.
        QCOMPARE(r.replaced, (QStringList{"game01.zip", "game04.zip"}));
        QCOMPARE(r.plan.stem, QStringLiteral("game"));
    }

    // A run killed before its first zip left its journal; meanwhile an older set of the name
    // came (another run made it), and with it a file on one of the set's names, then not. The
    // resume judges the zip folder as it is when it replaces, not as the run saw it.
    void resumeJudgesTheFolderAsItIsNow() {
        auto make = machine->onRun;
        machine->onRun = [&](const Command& cmd) {
            make(cmd);
            return 2;
        };
        RipRun rip(*window, *machine, *zip, flags);
        const RipResult stopped = runJob(rip, job(), 0);
        QVERIFY(stopped.resumable);
        const JournalRead journal = readJournal(stopped.outputFolder);
        QVERIFY(journal.ok && !journal.journal.archived);
        machine->onRun = make;
        place(zips(), {"game01.zip=game.7z.001", "game05.zip=game.7z.005", "game02.zip=game12.7z",
                       "game101.zip=game1.7z.001"});
        const RipResult refused = rip.resume(stopped.outputFolder, journal.journal, {});
        QVERIFY(!refused.succeeded());
        QVERIFY2(refused.reason.startsWith("game02.zip in " + zips() +
                                           " is not of the set game: it holds game12.7z"),
                 qPrintable(refused.reason));
        QVERIFY(refused.resumable);
        QCOMPARE(QDir(zips()).entryList(QDir::Files).size(), 4);

        QVERIFY(QFile::remove(zips() + "/game02.zip"));
        const RipResult resumed =
            rip.resume(stopped.outputFolder, readJournal(stopped.outputFolder).journal, {});
        QVERIFY2(resumed.succeeded(), qPrintable(resumed.reason));
        QCOMPARE(resumed.replaced, (QStringList{"game01.zip", "game05.zip"}));
        QCOMPARE(QDir(zips()).entryList(QDir::Files, QDir::Name),
                 (QStringList{"game01.zip", "game02.zip", "game03.zip", "game101.zip"}));
    }

    // Zips begun while the archiver writes are those made after it, byte for byte, and nothing
    // of them is left beside the set; the bytes zipped reach the volumes' bytes either way.
    // The whole set is compared, its last zip too, also when the archiver's count is not the
    // estimate the run began with (the zip names widen at the 100th).
    void zipsBegunWhileArchivingAreTheSame_data() {
        QTest::addColumn<int>("made");
        QTest::addColumn<float>("sourceSizeM");
        QTest::newRow("as estimated") << 3 << 4.0f;
        QTest::newRow("more than estimated") << 3 << 0.1f;
        QTest::newRow("fewer than estimated") << 2 << 50.0f;
        QTest::newRow("100 of an estimated 2") << 100 << 2.0f;
    }
    void zipsBegunWhileArchivingAreTheSame() {
        QFETCH(int, made);
        QFETCH(float, sourceSizeM);
        volumesToMake = made;
        const QString whole = root.filePath("whole");
        QDir(whole).removeRecursively();
        QDir().mkpath(whole);
        JobSettings begunJob = job();
        writeFile(root.filePath("wide.diz"), "Game\r\nDisk [xxx/xxx] of\r\n");
        begunJob.DizFile = root.filePath("wide.diz");
        JobSettings after = begunJob;
        after.ZipDir = whole;
        for (bool begun : {false, true}) {
            RipRun rip(*window, *machine, *zip, flags);
            rip.setZipWhileArchiving(begun);
            window->runBytes.clear();
            const RipResult r = runJob(rip, begun ? begunJob : after, sourceSizeM, 1700000000);
            QVERIFY2(r.succeeded(), qPrintable(r.reason));
            const auto last = window->runBytes.last();
            QCOMPARE(int(last.phase), int(RunPhase::Zipping));
            QCOMPARE(last.done, made * 1000);
            QCOMPARE(last.total, made * 1000);
        }
        const QMap<QString, QByteArray> begunZips = filesOf(zips());
        QCOMPARE(begunZips, filesOf(whole));
        QCOMPARE(begunZips.size(), made);
        QVERIFY(begunZips.lastKey().endsWith(
            made < 100 ? "game" + QString::number(made).rightJustified(2, '0') + ".zip"
                       : QStringLiteral("game100.zip")));
    }

    // A run stopped at any zip and resumed makes the set a run that was never stopped makes,
    // byte for byte, and leaves nothing behind.
    void resumedRunMakesTheSameSet_data() {
        QTest::addColumn<int>("zipsDone");
        QTest::newRow("stopped in the first zip") << 0;
        QTest::newRow("stopped in the second") << 1;
        QTest::newRow("stopped in the last") << 2;
    }
    void resumedRunMakesTheSameSet() {
        QFETCH(int, zipsDone);
        constexpr qint64 stamp = 1700000000;
        const QString whole = root.filePath("whole");
        QDir(whole).removeRecursively();
        QDir().mkpath(whole);
        JobSettings uninterrupted = job();
        uninterrupted.ZipDir = whole;
        {
            RipRun rip(*window, *machine, *zip, flags);
            QVERIFY(runJob(rip, uninterrupted, 2.0f, stamp).succeeded());
        }
        RipRun rip(*window, *machine, *zip, flags);
        // Stopped once zipsDone zips are made: the page is cleared, then every zip names itself.
        const qsizetype namesBefore = window->nameTexts.size();
        window->onProgress = [&](int percent) {
            if (percent > 0 && window->nameTexts.size() - namesBefore > zipsDone + 1)
                rip.abort();
        };
        const RipResult stopped = runJob(rip, job(), 2.0f, stamp);
        window->onProgress = {};
        QCOMPARE(int(stopped.outcome), int(RipOutcome::Failed));
        // Only whole zips: no piece, temporary or lock is left beside them.
        QCOMPARE(filesOf(zips()).size(), zipsDone);
        QVERIFY(stopped.resumable);
        const JournalRead journal = readJournal(stopped.outputFolder);
        QVERIFY2(journal.ok, qPrintable(journal.error));
        QCOMPARE(journal.journal.zips.size(), zipsDone);
        // The diz changed since: the journal's is the one that counts.
        writeFile(root.filePath("file_id.diz"), "Changed\r\n");
        const RipResult resumed = rip.resume(stopped.outputFolder, journal.journal, {});
        writeFile(root.filePath("file_id.diz"), kDiz);
        QVERIFY2(resumed.succeeded(), qPrintable(resumed.reason));
        QCOMPARE(filesOf(zips()), filesOf(whole));
        QCOMPARE(resumed.zips.size(), 3);
        QVERIFY(!QFileInfo::exists(stopped.outputFolder));
        // Finished once, the folder cannot be finished again.
        QVERIFY(!rip.resume(stopped.outputFolder, journal.journal, {}).succeeded());
    }

    // A file of the user's in the output folder does not make a whole set a failure: the
    // folder stays, and the end says why.
    void resumedSetWholeWithAUsersFileInTheFolder() {
        RipRun rip(*window, *machine, *zip, flags);
        window->onProgress = [&](int percent) {
            if (percent > 0)
                rip.abort();
        };
        const RipResult stopped = runJob(rip, job(), 0);
        window->onProgress = {};
        QVERIFY(stopped.resumable);
        writeFile(stopped.outputFolder + "/notes.txt", "mine");
        const RipResult resumed =
            rip.resume(stopped.outputFolder, readJournal(stopped.outputFolder).journal, {});
        QCOMPARE(int(resumed.outcome), int(RipOutcome::Completed));
        QCOMPARE(resumed.zips.size(), 3);
        QVERIFY2(resumed.notes.last().contains("was kept: it holds other files (notes.txt)"),
                 qPrintable(resumed.notes.join('\n')));
        QCOMPARE(QDir(stopped.outputFolder).entryList(QDir::Files), QStringList{"notes.txt"});
    }
};

QTEST_GUILESS_MAIN(RipRunTest)
#include "test_rip_run.moc"
