#include "../common/test_needs.h"
#include "../fakes/recording_ports.h"
#include "companion/diz_numbering.h"
#include "engine/run_plan.h"
#include "engine/zip_component.h"
#include "engine/zip_wrapping.h"
#include "platform/paths.h"
#include "zip_test_tools.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace ziptest;

namespace {
// Runs the comment step's command with the real comment tool.
int runCommentCommand(const Command& command) {
    if (command.program != QLatin1String("pkzip.exe") || command.arguments.size() != 2 ||
        command.arguments[1] != QLatin1String("-z") || command.stdinFile.isEmpty())
        return 99;
    return run(QStringLiteral(KAVEL_BIN_DIR "/pkzip"), command.arguments, command.stdinFile).status;
}
} // namespace

class TestZipWrapping : public QObject {
    Q_OBJECT
    QTemporaryDir root;
    QString work, volumes, zipDir;
    JobSettings job;
    RunFlags flags;
    RecordingWindow window;
    RecordingMachine machine;
    ZipComponent zip;

    void makeVolumes(int count, qsizetype size = 30 * 1024) {
        QDir().mkpath(volumes);
        for (int i = 1; i <= count; ++i)
            QVERIFY(writeAll(volumes + QStringLiteral("/name.part%1.rar").arg(i, 2, 10, QChar('0')),
                             randomBytes(size, quint32(i))));
    }
    // The volumes wrapped as a run wraps them: by the plan made for their real count (a
    // source big enough to plan three digits when asked). A plan that refuses the job stops
    // the run before any zip, as a run error.
    WrapResult wrap(QString* error = nullptr, bool threeDigits = false) {
        const QStringList names = listVolumes(volumes);
        PlanOptions options;
        options.sourceSizeM = threeDigits ? 150.0f : 1.0f;
        options.volumes = int(names.size());
        options.dateText = dateStampText(flags.DateStampRun, machine.today());
        RunPlan plan = planRun(job, readPlanFacts(job, work), options);
        if (!plan.ok()) {
            if (error)
                *error = plan.fault->text;
            return WrapResult::RunError;
        }
        bindVolumes(plan, volumes, names);
        WrapContext cx{plan, job, window, machine, zip, 0, {}};
        return wrapVolumes(cx, error);
    }

  private slots:
    void initTestCase() {
        QVERIFY(root.isValid());
        qputenv("KAVEL32_STATE_DIR", (root.path() + "/state").toLocal8Bit());
        qputenv("KAVEL32_SCRATCH_DIR", (root.path() + "/scratch").toLocal8Bit());
    }

    void init() {
        work = root.path() + "/" + QTest::currentTestFunction() + "_" +
               (QTest::currentDataTag() ? QTest::currentDataTag() : "");
        work.replace(' ', '_');
        volumes = work + "/Kavel001";
        zipDir = work + "/zips";
        QVERIFY(QDir().mkpath(zipDir));
        QVERIFY(QDir().mkpath(work + "/extra"));
        QVERIFY(writeAll(work + "/file_id.diz",
                         "My Release\r\n-----\r\nDisk 00/00 of the set\r\nEnjoy\r\n"));
        QVERIFY(writeAll(work + "/Release.nfo", "The release notes\r\n"));
        QVERIFY(writeAll(work + "/extra/one.txt", "one\r\n"));
        QVERIFY(writeAll(work + "/extra/two.txt", "two\r\n"));
        QVERIFY(writeAll(work + "/comment.txt", "Our zip comment\r\n"));
        job = JobSettings{};
        job.SourceSpec = work;
        job.DizFile = work + "/file_id.diz";
        job.AutoNumber = true;
        job.NumberLine = "3";
        job.NumberColumn = "6";
        job.NfoFile = work + "/Release.nfo";
        job.ExtraPath = work + "/extra";
        job.ExtraIsFile = false;
        job.ZipDir = zipDir;
        job.ZipName = "name";
        job.SizeUnits = 3;
        job.CommentOn = true;
        job.CommentFile = work + "/comment.txt";
        flags = RunFlags{};
        window = RecordingWindow{};
        machine.runs.clear();
        machine.onRun = runCommentCommand;
        zip.setAbort(false);
    }

    // ---- per-volume values ----

    void numberTexts_data() {
        QTest::addColumn<int>("sizeUnits");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("k");
        QTest::addColumn<bool>("three");
        QTest::addColumn<QString>("text");
        QTest::newRow("two digits") << 3 << 12 << 5 << false << "05";
        QTest::newRow("three digits") << 3 << 120 << 5 << true << "005";
        QTest::newRow("wider than two") << 3 << 150 << 100 << false << "100";
        QTest::newRow("one archive") << 0 << 1 << 1 << false << "";
        QTest::newRow("size 0 with several files") << 0 << 3 << 2 << false << "";
        QTest::newRow("single volume") << 3 << 1 << 1 << false << "";
    }
    void numberTexts() {
        QFETCH(int, sizeUnits);
        QFETCH(int, count);
        QFETCH(int, k);
        QFETCH(bool, three);
        QFETCH(QString, text);
        QCOMPARE(volumeNumberText(int16_t(sizeUnits), count, k, three), text);
    }

    void dateTexts_data() {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<bool>("stamped");
        QTest::addColumn<QString>("text");
        QTest::newRow("5 July 1998") << QDate(1998, 7, 5) << true << "07598";
        QTest::newRow("15 July 1998") << QDate(1998, 7, 15) << true << "071598";
        QTest::newRow("31 December 2026") << QDate(2026, 12, 31) << true << "123126";
        QTest::newRow("not stamped") << QDate(1998, 7, 5) << false << "";
    }
    void dateTexts() {
        QFETCH(QDate, date);
        QFETCH(bool, stamped);
        QFETCH(QString, text);
        QCOMPARE(dateStampText(stamped, date), text);
    }

    void zipBases_data() {
        QTest::addColumn<bool>("windows");
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("base");
        QTest::newRow("drive root") << true << "C:\\"
                                    << "C:\\name0759801";
        QTest::newRow("windows folder") << true << "c:\\zips"
                                        << "c:\\zips\\name0759801";
        QTest::newRow("trailing separator stays inside") << true << "c:\\zips\\"
                                                         << "c:\\zips\\name0759801";
        QTest::newRow("host folder") << false << "/home/u/zips"
                                     << "/home/u/zips/name0759801";
        QTest::newRow("host root") << false << "/"
                                   << "/name0759801";
    }
    void zipBases() {
        QFETCH(bool, windows);
        QFETCH(QString, dir);
        QFETCH(QString, base);
        setPathStyle(windows ? PathStyle::Windows : PathStyle::Host);
        QCOMPARE(zipBaseFor(dir, "name", "07598", "01"), base);
        setPathStyle(PathStyle::Host);
        QCOMPARE(shownZipName("name", "07598", "01"), QStringLiteral("name0759801.zip"));
    }

    void labelsAndCommands() {
        QCOMPARE(diskCountText(3, 12), QStringLiteral(" 3 of 12"));
        QCOMPARE(platformNumberText(-2), QStringLiteral("-2"));
        QCOMPARE(commentCommand("/z/name01", "/s/temp/hdr.txt").text,
                 QStringLiteral("command.com /c pkzip.exe /z/name01 -z </s/temp/hdr.txt"));
        QCOMPARE(commentCommand("/my zips/name01", "/s/h.txt").text,
                 QStringLiteral("command.com /c pkzip.exe \"/my zips/name01\" -z </s/h.txt"));
        // A ">" or "<" in a path is part of the path, never a redirection.
        const Command hostile = commentCommand("/z>x/v>victim.txt<", "/s/c<d>.txt");
        QCOMPARE(hostile.arguments, (QStringList{"/z>x/v>victim.txt<", "-z"}));
        QCOMPARE(hostile.stdinFile, QStringLiteral("/s/c<d>.txt"));
        QVERIFY(hostile.stdoutFile.isEmpty());
        JobSettings j;
        j.ZipExtra = true;
        QCOMPARE(zipCompressionLevel(j), 9);
        j.ZipExtra = false;
        QCOMPARE(zipCompressionLevel(j), 6);
        int16_t n = 32766;
        QVERIFY(checkedIncrement(n));
        QCOMPARE(n, int16_t(32767));
        QVERIFY(!checkedIncrement(n));
        QCOMPARE(n, int16_t(32767));
    }

    void volumeOrder_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("part numbers by value")
            << QStringList{"x.part10.rar", "x.part2.rar", "x.part1.rar"}
            << QStringList{"x.part1.rar", "x.part2.rar", "x.part10.rar"};
        QTest::newRow("old style: .rar first") << QStringList{"x.r01", "x.rar", "x.r00", "x.s00"}
                                               << QStringList{"x.rar", "x.r00", "x.r01", "x.s00"};
        QTest::newRow("ace set") << QStringList{"x.c00", "x.ACE"} << QStringList{"x.ACE", "x.c00"};
        QTest::newRow("7-zip volumes") << QStringList{"x.7z.003", "x.7z.001", "x.7z.002"}
                                       << QStringList{"x.7z.001", "x.7z.002", "x.7z.003"};
    }
    void volumeOrder() {
        QFETCH(QStringList, names);
        QFETCH(QStringList, sorted);
        QCOMPARE(sortVolumeNames(names), sorted);
    }

    // ---- the whole loop ----

    void twelveVolumes() {
        makeVolumes(12);
        const QByteArray vol5 = readAll(volumes + "/name.part05.rar");
        const QByteArray userDiz = readAll(job.DizFile);
        QString error;
        QCOMPARE(wrap(&error), WrapResult::Completed);
        QVERIFY2(error.isEmpty(), qPrintable(error));

        QStringList expected;
        for (int i = 1; i <= 12; ++i)
            expected << QStringLiteral("name%1.zip").arg(i, 2, 10, QChar('0'));
        QCOMPARE(filesIn(zipDir), expected);
        QCOMPARE(filesIn(volumes), QStringList{}); // every volume gone

        const QString z5 = zipDir + "/name05.zip";
        QCOMPARE(entries(z5), (QStringList{"name.part05.rar", "file_id.diz", "Release.nfo",
                                           "one.txt", "two.txt"}));
        QCOMPARE(entryBytes(z5, "name.part05.rar"), vol5);
        const QList<QByteArray> dizLines = entryBytes(z5, "file_id.diz").split('\n');
        QCOMPARE(dizLines.value(2), QByteArray("Disk 05/12 of the set\r"));
        QVERIFY(entryBytes(z5, "Release.nfo").endsWith("Packaged with Kavel32 by QXV\r\n"));
        QVERIFY(comment(z5).contains("Our zip comment"));
        for (const QString& z : expected)
            QVERIFY2(testsClean(zipDir + "/" + z), qPrintable(z));

        QCOMPARE(machine.runs.size(), 12);
        QCOMPARE(machine.argumentLists()[4], (QStringList{"pkzip.exe", zipDir + "/name05", "-z"}));
        QCOMPARE(machine.runs[4].stdinFile, job.CommentFile);
        QCOMPARE(machine.runs[4].text, QStringLiteral("command.com /c pkzip.exe ") + zipDir +
                                           "/name05 -z <" + job.CommentFile);
        QCOMPARE(window.nameTexts.value(4), QStringLiteral("name05.zip"));
        QCOMPARE(window.countTexts.value(4), QStringLiteral(" 5 of 12"));
        QVERIFY(window.statusTexts.contains("name.part05.rar"));
        QCOMPARE(window.progress(), 0);
        QCOMPARE(readAll(job.DizFile), userDiz);
    }

    void firstZipOnly() {
        makeVolumes(3);
        job.FirstZipOnly = true;
        QCOMPARE(wrap(), WrapResult::Completed);
        QCOMPARE(
            entries(zipDir + "/name01.zip"),
            (QStringList{"name.part01.rar", "file_id.diz", "Release.nfo", "one.txt", "two.txt"}));
        QCOMPARE(entries(zipDir + "/name02.zip"), (QStringList{"name.part02.rar", "file_id.diz"}));
        QCOMPARE(entries(zipDir + "/name03.zip"), (QStringList{"name.part03.rar", "file_id.diz"}));
    }

    void threeDigitNumbers() {
        makeVolumes(12);
        job.CommentOn = false;
        // The two-digit placeholder has no room for 012/012: refused before any zip.
        QString error;
        QCOMPARE(wrap(&error, true), WrapResult::RunError);
        QVERIFY2(error.contains("xxx/xxx"), qPrintable(error));
        QCOMPARE(filesIn(zipDir), QStringList{});
        QVERIFY(writeAll(job.DizFile, "My Release\r\n-----\r\nDisk[000/000] of the set\r\n"));
        QCOMPARE(wrap(nullptr, true), WrapResult::Completed);
        QStringList expected;
        for (int i = 1; i <= 12; ++i)
            expected << QStringLiteral("name%1.zip").arg(i, 3, 10, QChar('0'));
        QCOMPARE(filesIn(zipDir), expected);
        QCOMPARE(entryBytes(zipDir + "/name012.zip", "file_id.diz").split('\n').value(2),
                 QByteArray("Disk[012/012] of the set\r"));
        QVERIFY(machine.runs.isEmpty());
    }

    void dateStamp() {
        makeVolumes(3);
        job.ZipName = "game";
        flags.DateStampRun = true;
        QCOMPARE(wrap(), WrapResult::Completed);
        QCOMPARE(filesIn(zipDir),
                 (QStringList{"game0759801.zip", "game0759802.zip", "game0759803.zip"}));
    }

    void oneArchiveHasNoNumber() {
        makeVolumes(1);
        job.SizeUnits = 0;
        job.ExtraIsFile = true;
        job.ExtraPath = work + "/extra/one.txt";
        QFile::setPermissions(job.ExtraPath, QFile::ReadOwner);
        job.AutoNumber = false;
        QCOMPARE(wrap(), WrapResult::Completed);
        QCOMPARE(filesIn(zipDir), QStringList{"name.zip"});
        QCOMPARE(entries(zipDir + "/name.zip"),
                 (QStringList{"name.part01.rar", "file_id.diz", "Release.nfo", "one.txt"}));
        // Without numbering the diz goes in as it is; the user's files keep their state.
        QCOMPARE(entryBytes(zipDir + "/name.zip", "file_id.diz"), readAll(job.DizFile));
        QCOMPARE(ownerBits(job.ExtraPath), QFile::ReadOwner);
        QVERIFY(QFile::permissions(dizWorkingCopyPath()) & QFile::WriteOwner);
    }

    // Runs as root too: a zip directory below a regular file can never be written.
    void unwritableZipDirKeepsAllVolumes() {
        makeVolumes(12);
        QVERIFY(writeAll(work + "/plainfile", "x"));
        job.ZipDir = work + "/plainfile/zips";
        QString error;
        QCOMPARE(wrap(&error), WrapResult::ZipFailed);
        QVERIFY(error.contains("name.part01.rar"));
        QCOMPARE(filesIn(volumes).size(), 12);
        QCOMPARE(window.progress(), 0);
        QVERIFY(machine.runs.isEmpty());
    }

    void abortFromStatus() {
        makeVolumes(2, 3 * 1024 * 1024);
        window.onProgress = [this](int percent) {
            if (percent > 0)
                zip.setAbort(true);
        };
        QString error;
        QCOMPARE(wrap(&error), WrapResult::ZipFailed);
        QCOMPARE(filesIn(volumes).size(), 2);
        QCOMPARE(filesIn(zipDir), QStringList{}); // no broken zip, no temporary file
        QCOMPARE(window.progress(), 0);
    }

    void failedCommentKeepsTheVolume() {
        makeVolumes(3);
        machine.onRun = [](const Command&) { return 1; };
        QString error;
        QCOMPARE(wrap(&error), WrapResult::ZipFailed);
        QVERIFY(error.contains("comment"));
        QCOMPARE(filesIn(volumes).size(), 3);
        QCOMPARE(filesIn(zipDir), QStringList{"name01.zip"});
    }

    void companionFaultsAreRunErrors_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("missing nfo") << "nfo";
        QTest::newRow("missing diz") << "diz";
        QTest::newRow("missing comment file") << "comment";
    }
    void companionFaultsAreRunErrors() {
        QFETCH(QString, fault);
        makeVolumes(2);
        if (fault == "nfo")
            job.NfoFile = work + "/gone.nfo";
        else if (fault == "diz")
            job.DizFile = work + "/gone.diz";
        else
            job.CommentFile = work + "/gone.txt";
        QString error;
        QCOMPARE(wrap(&error), WrapResult::RunError);
        QVERIFY2(error.contains("gone"), qPrintable(error));
        QCOMPARE(filesIn(volumes).size(), 2);
        QCOMPARE(filesIn(zipDir), QStringList{}); // no zip holding only part of its files
    }

    void missingExtraFileFailsTheZipCall() {
        makeVolumes(2);
        job.ExtraIsFile = true;
        job.ExtraPath = work + "/gone.txt";
        QString error;
        QCOMPARE(wrap(&error), WrapResult::ZipFailed);
        QVERIFY2(error.contains("gone.txt"), qPrintable(error));
        QCOMPARE(filesIn(volumes).size(), 2);
        QCOMPARE(filesIn(zipDir), QStringList{});
    }

    void unsafeZipNamesAreRefused_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("slash") << "../name";
        QTest::newRow("backslash") << "a\\b";
        QTest::newRow("dots") << "a..b";
        QTest::newRow("blank") << "a b";
    }
    void unsafeZipNamesAreRefused() {
        QFETCH(QString, name);
        makeVolumes(2);
        job.ZipName = name;
        QString error;
        QCOMPARE(wrap(&error), WrapResult::RunError);
        QVERIFY(!error.isEmpty());
        QCOMPARE(filesIn(volumes).size(), 2);
        QCOMPARE(filesIn(zipDir), QStringList{});
        QCOMPARE(filesIn(work), (QStringList{"Release.nfo", "comment.txt", "file_id.diz"}));
    }

    // Volumes made by 7-Zip, wrapped, taken out of the zips again and joined: the source
    // comes back byte for byte, so disk k really holds volume k.
    void realVolumesJoinBack() {
        const QString sevenZip = QStandardPaths::findExecutable("7zz");
        if (sevenZip.isEmpty())
            SKIP_OR_FAIL("7zz is not installed");
        const QString source = work + "/source";
        QDir().mkpath(source);
        QVERIFY(writeAll(source + "/random.bin", randomBytes(300 * 1024, 42)));
        QVERIFY(writeAll(source + "/text.txt", QByteArray(100 * 1024, 't')));
        QDir().mkpath(volumes);
        QCOMPARE(run(sevenZip, {"a", "-bd", "-mx0", "-v30k", volumes + "/name.7z", source}).status,
                 0);
        const int count = int(listVolumes(volumes).size());
        QVERIFY(count > 9);
        job.CommentOn = false;
        QCOMPARE(wrap(), WrapResult::Completed);

        const QString joined = work + "/joined";
        QDir().mkpath(joined);
        for (int k = 1; k <= count; ++k) {
            const QString z = zipDir + QStringLiteral("/name%1.zip").arg(k, 2, 10, QChar('0'));
            QCOMPARE(run("unzip", {"-q", "-o", z, "name.7z.*", "-d", joined}).status, 0);
        }
        const QString restored = work + "/restored";
        QCOMPARE(run(sevenZip, {"x", "-bd", "-o" + restored, joined + "/name.7z.001"}).status, 0);
        QCOMPARE(readAll(restored + "/source/random.bin"), readAll(source + "/random.bin"));
        QCOMPARE(readAll(restored + "/source/text.txt"), readAll(source + "/text.txt"));
    }

    void noVolumesCompletes() {
        QDir().mkpath(volumes);
        QCOMPARE(wrap(), WrapResult::Completed);
        QCOMPARE(filesIn(zipDir), QStringList{});
    }

    void existingZipsAreWrittenOver() {
        makeVolumes(2);
        job.CommentOn = false;
        QCOMPARE(wrap(), WrapResult::Completed);
        makeVolumes(2);
        QVERIFY(writeAll(job.DizFile, "New\r\n-----\r\nDisk 00/00 of the new set\r\n"));
        QCOMPARE(wrap(), WrapResult::Completed);
        const QString z2 = zipDir + "/name02.zip";
        QCOMPARE(entries(z2), (QStringList{"name.part02.rar", "file_id.diz", "Release.nfo",
                                           "one.txt", "two.txt"}));
        QCOMPARE(entryBytes(z2, "file_id.diz").split('\n').value(2),
                 QByteArray("Disk 02/02 of the new set\r"));
    }
};

QTEST_GUILESS_MAIN(TestZipWrapping)
#include "test_zip_wrapping.moc"
