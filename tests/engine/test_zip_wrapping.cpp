#include "../common/test_needs.h"
#include "../fakes/recording_ports.h"
#include "companion/diz_numbering.h"
#include "engine/leftovers.h"
#include "engine/run_journal.h"
#include "engine/run_plan.h"
#include "engine/zip_component.h"
#include "engine/zip_naming.h"
#include "engine/zip_pieces.h"
#include "engine/zip_pipeline.h"
#include "engine/zip_wrapping.h"
#include "platform/file_read.h"
#include "platform/paths.h"
#include "zip_test_tools.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

using namespace ziptest;

namespace {
// Runs the comment step's command with the real comment tool.
int runCommentCommand(const Command& command) {
    if (command.program != QLatin1String("pkzip.exe") || command.arguments.size() != 2 ||
        command.arguments[1] != QLatin1String("-z") || command.stdinFile.isEmpty())
        return 99;
    return run(QStringLiteral(KAVEL_BIN_DIR "/pkzip"), command.arguments, command.stdinFile).status;
}

// Copies the files of one folder into another with their times and modes.
bool copyWithTimes(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QString& name : filesIn(from)) {
        struct stat st {};
        const QByteArray target = QFile::encodeName(to + "/" + name);
        if (!QFile::copy(from + "/" + name, to + "/" + name) ||
            ::stat(QFile::encodeName(from + "/" + name).constData(), &st) != 0 ||
            ::chmod(target.constData(), st.st_mode & 07777) != 0)
            return false;
        const timespec times[2] = {st.st_atim, st.st_mtim};
        if (::utimensat(AT_FDCWD, target.constData(), times, 0) != 0)
            return false;
    }
    return true;
}

// The zip with the DOS times of the named entries cleared, in their local headers and their
// central records: the working copies each way writes when it runs.
QByteArray withoutTimesOf(QByteArray zip, const QStringList& names) {
    const qsizetype end = zip.lastIndexOf("PK\x05\x06");
    auto le16 = [&zip](qsizetype at) {
        return int(uchar(zip[at])) | (int(uchar(zip[at + 1])) << 8);
    };
    auto le32 = [&](qsizetype at) { return qsizetype(le16(at)) | (qsizetype(le16(at + 2)) << 16); };
    for (qsizetype at = le32(end + 16); at < end;) {
        const int nameLength = le16(at + 28);
        if (names.contains(QString::fromUtf8(zip.mid(at + 46, nameLength)))) {
            zip.replace(at + 12, 4, QByteArray(4, '\0'));
            zip.replace(le32(at + 42) + 10, 4, QByteArray(4, '\0'));
        }
        at += 46 + nameLength + le16(at + 30) + le16(at + 32);
    }
    return zip;
}

// Sets the time zone for the test's time, and back.
class TimeZone {
  public:
    explicit TimeZone(const QByteArray& zone)
        : old_(qgetenv("TZ")), had_(qEnvironmentVariableIsSet("TZ")) {
        if (!zone.isEmpty())
            qputenv("TZ", zone);
        tzset();
    }
    ~TimeZone() {
        if (had_)
            qputenv("TZ", old_);
        else
            qunsetenv("TZ");
        tzset();
    }

  private:
    QByteArray old_;
    bool had_;
};
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
    std::optional<qint64> stamp;

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
        RunPlan plan = planFor(volumes, threeDigits);
        if (!plan.ok()) {
            if (error)
                *error = plan.fault->text;
            return WrapResult::RunError;
        }
        bindVolumes(plan, volumes, listVolumes(volumes));
        WrapContext cx{plan, job, window, machine, zip, 0, {}, {}};
        return wrapVolumes(cx, error);
    }
    RunPlan planFor(const QString& folder, bool threeDigits = false) {
        PlanOptions options;
        options.sourceSizeM = threeDigits ? 150.0f : 1.0f;
        options.volumes = int(listVolumes(folder).size());
        options.dateText = dateStampText(flags.DateStampRun, machine.today());
        options.stampTime = stamp;
        return planRun(job, readPlanFacts(job, work), options);
    }
    // The volumes of folder put into pieces in the zip folder, then joined into the plan's
    // zips; every zip the journal would record is checked against the file made.
    void joinPieces(const QString& folder, bool writeStored) {
        RunPlan plan = planFor(folder);
        QVERIFY2(plan.ok(), qPrintable(plan.fault ? plan.fault->text : QString()));
        bindVolumes(plan, folder, listVolumes(folder));
        const PieceSettings settings{folder, job.ZipDir, plan.compressionLevel, plan.stampTime,
                                     writeStored};
        QHash<QString, ZipPiece> pieces;
        for (const QString& volume : listVolumes(folder)) {
            ZipPiece piece;
            QString why;
            QVERIFY2(makePiece(settings, volume, &piece, nullptr, &why), qPrintable(why));
            pieces.insert(volume, piece);
        }
        QList<FileRecord> recorded;
        auto record = [&recorded](const QList<FileRecord>& zips, QString*) {
            recorded << zips;
            return true;
        };
        WrapContext cx{plan, job, window, machine, zip, 0, {}, {}};
        QList<int> left;
        QString error;
        QCOMPARE(wrapPieces(cx, pieces, record, &left, &error), WrapResult::Completed);
        QVERIFY2(left.isEmpty(), qPrintable(error));
        QCOMPARE(recorded.size(), plan.zips.size());
        for (const FileRecord& made : std::as_const(recorded)) {
            quint32 crc = 0;
            QVERIFY(fileCrc32(job.ZipDir + "/" + made.name, &crc, &error));
            QCOMPARE(crc, made.crc);
            QCOMPARE(QFileInfo(job.ZipDir + "/" + made.name).size(), made.size);
        }
        QCOMPARE(filesIn(folder), QStringList{}); // every volume gone, once recorded
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
        stamp.reset();
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

    // What a name in the zip folder is of the set "game": a zip numbered with two or three
    // digits or none, the SFV, a PAR2 file (any case); and the PAR2 files par2 makes for it,
    // in the case the step removes them with.
    void setFileNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("role"); // "zip N", "sfv", "par2"; empty: not of the set
        QTest::addColumn<bool>("par2Exact");
        QTest::newRow("zip 1") << "game01.zip"
                               << "zip 1" << false;
        QTest::newRow("zip 999") << "GAME999.ZIP"
                                 << "zip 999" << false;
        QTest::newRow("one digit") << "game1.zip"
                                   << "" << false;
        QTest::newRow("four digits") << "game1000.zip"
                                     << "" << false;
        QTest::newRow("one archive") << "game.zip"
                                     << "zip 0" << false;
        QTest::newRow("sfv") << "Game.SFV"
                             << "sfv" << false;
        QTest::newRow("par2") << "game.par2"
                              << "par2" << true;
        QTest::newRow("recovery volume") << "game.vol00+10.par2"
                                         << "par2" << true;
        QTest::newRow("par2 in capitals") << "GAME.VOL00+10.PAR2"
                                          << "par2" << false;
        QTest::newRow("volume without a count") << "game.vol00.par2"
                                                << "" << false;
        QTest::newRow("another stem") << "gamex.par2"
                                      << "" << false;
        QTest::newRow("after the extension") << "game.par2.bak"
                                             << "" << false;
    }
    void setFileNames() {
        QFETCH(QString, name);
        QFETCH(QString, role);
        QFETCH(bool, par2Exact);
        const SetFileRole found = setFileRole(name, "game");
        const QString text = found.kind == SetFileRole::Kind::Zip
                                 ? QStringLiteral("zip %1").arg(found.number)
                             : found.kind == SetFileRole::Kind::Sfv  ? QStringLiteral("sfv")
                             : found.kind == SetFileRole::Kind::Par2 ? QStringLiteral("par2")
                                                                     : QString();
        QCOMPARE(text, role);
        QCOMPARE(isPar2NameOf(name, "game", Qt::CaseSensitive), par2Exact);
        QCOMPARE(isPar2NameOf(name, "game", Qt::CaseInsensitive), role == "par2");
        QCOMPARE(par2FileName("game"), QStringLiteral("game.par2"));
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

    // A zip joined from its piece, begun while the archiver wrote, is the zip made whole after
    // it: byte for byte, the comment the comment tool sets included. Without a stamp only the
    // times of the working copies (file_id.diz, the nfo) may differ, which each way writes as
    // it runs.
    void piecesJoinToTheWholeZips_data() {
        QTest::addColumn<QString>("volumesOf"); // random (stored), text (deflated), wrar, wace
        QTest::addColumn<bool>("stamped");
        QTest::addColumn<QString>("variant");
        QTest::addColumn<QByteArray>("zone");
        QTest::newRow("stored, stamped") << "random" << true << "" << QByteArray();
        QTest::newRow("stored, times of the files") << "random" << false << "" << QByteArray();
        QTest::newRow("deflated, stamped") << "text" << true << "" << QByteArray();
        QTest::newRow("deflated, times of the files") << "text" << false << "" << QByteArray();
        QTest::newRow("first zip only") << "random" << true << "first only" << QByteArray();
        QTest::newRow("extra file, no comment") << "random" << true << "extra file" << QByteArray();
        QTest::newRow("no extra") << "random" << false << "plain" << QByteArray();
        QTest::newRow("runnable volumes") << "random" << false << "runnable" << QByteArray();
        QTest::newRow("pieces through libzip") << "random" << true << "libzip" << QByteArray();
        // 02:30 on 28 March 2021 does not exist in Berlin: the zip component writes 03:30.
        QTest::newRow("Berlin, stamp in the skipped hour")
            << "random" << true << "" << QByteArray("Europe/Berlin");
        QTest::newRow("Berlin, times of the files")
            << "random" << false << "" << QByteArray("Europe/Berlin");
        QTest::newRow("7z volumes of wrar") << "wrar" << true << "" << QByteArray();
        QTest::newRow("zip volumes of wace") << "wace" << false << "" << QByteArray();
    }
    void piecesJoinToTheWholeZips() {
        QFETCH(QString, volumesOf);
        QFETCH(bool, stamped);
        QFETCH(QString, variant);
        QFETCH(QByteArray, zone);
        const TimeZone inZone(zone);
        if (stamped)
            stamp = zone.isEmpty() ? 1700000000 : 1616898600;
        if (variant == "first only")
            job.FirstZipOnly = true;
        if (variant == "extra file") {
            job.CommentOn = false;
            job.ExtraIsFile = true;
            job.ExtraPath = work + "/extra/one.txt";
        }
        if (variant == "plain")
            job.ExtraPath.clear();
        if (volumesOf == "random" || volumesOf == "text") {
            QDir().mkpath(volumes);
            for (int i = 1; i <= 3; ++i) {
                const QString path =
                    volumes + QStringLiteral("/name.7z.%1").arg(i, 3, 10, QChar('0'));
                QVERIFY(writeAll(path, volumesOf == "random"
                                           ? randomBytes(200 * 1024, quint32(i))
                                           : QByteArray(200 * 1024, char('a' + i))));
                if (variant == "runnable")
                    QVERIFY(QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner |
                                                            QFile::ExeOther));
            }
        } else {
            const QString source = work + "/source";
            QVERIFY(QDir().mkpath(source));
            QVERIFY(writeAll(source + "/noise.bin", randomBytes(1200 * 1024, 7)));
            QVERIFY(writeAll(source + "/text.txt", QByteArray(300 * 1024, 't')));
            QDir().mkpath(volumes);
            const bool rar = volumesOf == "wrar";
            const Run made = run(QStringLiteral(KAVEL_BIN_DIR "/") + volumesOf,
                                 {"a", "-r", rar ? "-v500000b" : "-v500", "-m1", "-y",
                                  volumes + (rar ? "/name.rar" : "/name.ace"), source});
            QVERIFY2(made.status == 0, made.err.constData());
            QVERIFY(listVolumes(volumes).size() >= 3);
        }
        QVERIFY(storedZipMatchesComponent(work, stamp));
        const QString piecesOf = work + "/Kavel002";
        QVERIFY(copyWithTimes(volumes, piecesOf));

        QCOMPARE(wrap(), WrapResult::Completed);
        const qsizetype commentSteps = machine.runs.size();
        const QString whole = job.ZipDir;
        job.ZipDir = work + "/joined";
        QDir().mkpath(job.ZipDir);
        joinPieces(piecesOf, variant != "libzip");
        if (QTest::currentTestFailed())
            return;
        // The comment went in with the join, not by a step of its own.
        QCOMPARE(machine.runs.size(), commentSteps);
        QCOMPARE(filesIn(job.ZipDir), filesIn(whole));
        for (const QString& name : filesIn(whole)) {
            const QByteArray made = readAll(whole + "/" + name);
            const QByteArray joined = readAll(job.ZipDir + "/" + name);
            const QStringList copies{"file_id.diz", "Release.nfo"};
            QVERIFY2(stamped ? joined == made
                             : withoutTimesOf(joined, copies) == withoutTimesOf(made, copies),
                     qPrintable(name));
            QCOMPARE(QFile::permissions(job.ZipDir + "/" + name),
                     QFile::permissions(whole + "/" + name));
        }
    }

    // The pieces follow what happens to the volumes: one is taken once it is closed after
    // writing (never under 7-Zip's working name), one written again after it was taken is
    // made again once the archiver has ended, one removed has none, and the zip folder holds
    // nothing of them once they are discarded.
    void pipelineFollowsTheVolumes() {
        QDir().mkpath(volumes);
        ZipPipeline pipeline;
        const PieceSettings settings{volumes, zipDir, 6, std::nullopt, true};
        QVERIFY(pipeline.start(settings, 0));
        const QString first = volumes + "/name.7z.001", second = volumes + "/name.7z.002";
        const QString gone = volumes + "/name.7z.003";
        QVERIFY(writeAll(first + ".tmp", randomBytes(200 * 1024, 1)));
        QVERIFY(writeAll(second, randomBytes(200 * 1024, 2)));
        QVERIFY(writeAll(gone, randomBytes(200 * 1024, 3)));
        // A piece is a temporary of the run's, beside the lock it holds for it.
        const auto pieceMade = [this](const QString& volume) {
            const QStringList names = filesIn(zipDir);
            return std::any_of(names.cbegin(), names.cend(), [&](const QString& name) {
                return name.startsWith("." + volume + ".kavel32-") && name.endsWith(".piece.zip") &&
                       names.contains(name.chopped(10) + ".lock");
            });
        };
        QTRY_VERIFY(pieceMade("name.7z.002"));
        QTRY_VERIFY(pieceMade("name.7z.003"));
        QVERIFY(!pieceMade("name.7z.001") && !pieceMade("name.7z.001.tmp"));
        // Counted once read back whole.
        QTRY_COMPARE(pipeline.zippedBytes(), 2 * 200 * 1024);
        {
            QFile more(second);
            QVERIFY(more.open(QIODevice::Append) && more.write("written again") > 0);
        }
        QVERIFY(QFile::remove(gone));
        QVERIFY(QFile::rename(first + ".tmp", first));
        // Written as the archiver ends: three pieces are made after it, the last one too.
        const QString last = volumes + "/name.7z.004";
        QVERIFY(writeAll(last, randomBytes(100 * 1024, 4)));
        pipeline.archiverDone(listVolumes(volumes));
        QTRY_VERIFY(pipeline.waitDone(50));
        {
            const QHash<QString, ZipPiece> pieces = pipeline.pieces();
            QCOMPARE(QStringList(pieces.keys()).size(), 3);
            QCOMPARE(pipeline.zippedBytes(), 2 * 200 * 1024 + 13 + 100 * 1024);
            for (const QString& volume : {first, second, last}) {
                const ZipPiece piece = pieces.value(fileNamePart(volume));
                quint32 crc = 0;
                QString error;
                QVERIFY(fileCrc32(volume, &crc, &error));
                QCOMPARE(piece.volumeCrc, crc);
                QVERIFY2(ZipComponent::holdsRecord(piece.path, piece.volume,
                                                   QFileInfo(volume).size(), crc, &error),
                         qPrintable(error));
            }
        }
        QCOMPARE(filesIn(zipDir).size(), 6);
        // Another run's cleaning leaves a live run's pieces alone.
        QCOMPARE(removeAbandonedLeftovers(zipDir), QStringList{});
        QCOMPARE(filesIn(zipDir).size(), 6);
        pipeline.discard();
        QCOMPARE(filesIn(zipDir), QStringList{});
    }

    // A working copy is written over where it stands, each time whole and no longer than
    // its text; whatever else holds its name (a link, a FIFO) is replaced, never written
    // through or waited on.
    void workingCopyWrittenOver_data() {
        QTest::addColumn<QString>("before"); // what holds the name first
        QTest::newRow("nothing") << "";
        QTest::newRow("a longer copy") << "file";
        QTest::newRow("a link to another file") << "link";
        QTest::newRow("a hard link to another file") << "hard link";
        QTest::newRow("a FIFO") << "fifo";
    }
    void workingCopyWrittenOver() {
        QFETCH(QString, before);
        QVERIFY(QDir().mkpath(work + "/copies"));
        const QString copy = work + "/copies/file_id.diz", other = work + "/other.txt";
        QVERIFY(writeAll(other, "not ours"));
        if (before == "file")
            QVERIFY(writeAll(copy, QByteArray(4096, 'x')));
        if (before == "link")
            QVERIFY(QFile::link(other, copy));
        if (before == "hard link")
            QCOMPARE(
                ::link(QFile::encodeName(other).constData(), QFile::encodeName(copy).constData()),
                0);
        if (before == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(copy).constData(), 0600), 0);
        QString error;
        for (const QByteArray text : {QByteArray("Disk [10/12]\r\n"), QByteArray("[9/12]")}) {
            QVERIFY2(writeWorkingCopy(copy, text, job.DizFile, 1700000000, &error),
                     qPrintable(error));
            QCOMPARE(readAll(copy), text);
            QVERIFY(QFileInfo(copy).isFile() && !QFileInfo(copy).isSymLink());
            QCOMPARE(QFileInfo(copy).lastModified().toSecsSinceEpoch(), 1700000000);
        }
        QCOMPARE(readAll(other), QByteArray("not ours"));
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
        QCOMPARE(error, QStringLiteral("Setting the comment of name01.zip failed (status 1)"));
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
