// The run's journal: what it writes reads back the same, anything else is refused with a line
// that says where; what a resume finds on disk against it; the lock that tells a run gone.
#include "engine/resume_check.h"
#include "engine/run_journal.h"
#include "engine/zip_component.h"
#include "job/text_lines.h"
#include "platform/file_read.h"
#include "platform/folder_lock.h"
#include "platform/paths.h"
#include "zip_test_tools.h"

#include <QDir>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace ziptest;

namespace {

// A journal with something odd in every field a run can fill.
RunJournal fullJournal() {
    RunJournal j;
    j.job.SourceSpec = QStringLiteral("/src/Game \"Source\" %20 ü");
    j.job.SkipList = QStringLiteral("/src/a/*.*\r\n/src/b c\r\n");
    j.job.DizFile = "/c/file_id.diz";
    j.job.AutoNumber = true;
    j.job.NumberColumn = "6";
    j.job.NumberLine = "3";
    j.job.NfoFile = "/c/r.nfo";
    j.job.ExtraIsFile = false;
    j.job.ExtraPath = "/c/extras";
    j.job.ZipDir = "/z/out put";
    j.job.ZipName = "game";
    j.job.SizeUnits = 1;
    j.job.MethodIndex = kNoMethodChosen;
    j.job.Archiver = ArchiverKind::Ace;
    j.job.CommentOn = true;
    j.job.CommentFile = "/c/comment.txt";
    j.facts.dizBytes = QByteArray("  Rel\r\nDisk 00/00\r\n\0\xff end", 24);
    j.facts.nfoLines = {QStringLiteral("caf\u00e9 \u00ff"), QString(), "  Packaged"};
    j.facts.extraFiles = {"a b.txt", "%.txt"};
    j.extras = {{"a b.txt", 12, 0xDEADBEEF}, {"%.txt", 0, 0}};
    j.commentBytes = "\xc9\xcd\xbb box\r\n";
    j.facts.canonicalSource = "/src/Game";
    j.facts.canonicalZipDir = "/z/out put";
    j.facts.canonicalWorkLocation = "/w";
    j.facts.canonicalScratchFolder = "/run/kavel32";
    j.facts.zipDirFiles = {"game01.zip", "notes.txt"};
    j.options.sourceSizeM = 49.5000038f;
    j.options.flags = {true, true};
    j.options.dateText = "07598";
    j.options.workLocation = "/w";
    j.options.outputFolder = "/w/Kavel001";
    j.options.sfv = true;
    j.options.par2Percent = 10;
    j.options.verify = true;
    j.options.stampTime = 1700000000;
    j.archived = true;
    j.volumes = {{"game.zip.001", 500000, 0x1A2B3C4D}, {"game.zip.002", 123, 0x00000001}};
    j.zips = {{"game0759801.zip", 500600, 0xFFFFFFFF}};
    j.facts.dizLines = splitTextLines(j.facts.dizBytes);
    return j;
}

// The bytes with their end line made to match again, so the reader looks past the CRC.
QByteArray resealed(QByteArray bytes) {
    const qsizetype end = bytes.lastIndexOf("\nend ");
    bytes.truncate(end + 1);
    return bytes + "end " + crcText(bytesCrc32(bytes)).toLatin1() + "\n";
}

QByteArray replaced(const QByteArray& bytes, const QByteArray& from, const QByteArray& to) {
    QByteArray out = bytes;
    out.replace(from, to);
    return resealed(out);
}

} // namespace

class RunJournalTest : public QObject {
    Q_OBJECT
    QTemporaryDir root;

  private slots:
    void readsBackWhatItWrites_data() {
        QTest::addColumn<bool>("archived");
        QTest::addColumn<int>("zips");
        QTest::newRow("as the run begins") << false << 0;
        QTest::newRow("archived, nothing zipped") << true << 0;
        QTest::newRow("one zip done") << true << 1;
    }
    void readsBackWhatItWrites() {
        QFETCH(bool, archived);
        QFETCH(int, zips);
        RunJournal j = fullJournal();
        j.archived = archived;
        if (!archived)
            j.volumes.clear();
        j.zips = j.zips.mid(0, zips);
        const QByteArray bytes = formatJournal(j);
        const JournalRead read = parseJournal(bytes);
        QVERIFY2(read.ok, qPrintable(read.error));
        QCOMPARE(read.journal, j);
        QCOMPARE(formatJournal(read.journal), bytes);
        QCOMPARE(read.journal.planOptions().volumes.has_value(), archived);
        // Printable text only: a journal can be read, and shown, in any terminal.
        for (char c : bytes)
            QVERIFY(c == '\n' || (c >= 0x20 && c < 0x7f));
    }

    void refusesWhatIsNotAJournal_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const QByteArray good = formatJournal(fullJournal());
        QTest::newRow("empty") << QByteArray() << "not a Kavel32 run journal";
        QTest::newRow("a script") << QByteArray("Kavel32 script - 12-08-2026\r\n")
                                  << "not a Kavel32 run journal";
        QTest::newRow("cut short") << good.left(good.size() / 2) << "cut short";
        QTest::newRow("end line without its line end") << good.chopped(1) << "cut short";
        QByteArray flipped = good;
        flipped[40] = flipped[40] == 'a' ? 'b' : 'a';
        QTest::newRow("one byte changed") << flipped << "CRC does not match";
        QTest::newRow("another version") << replaced(good, "journal 1\n", "journal 2\n")
                                         << "journal version 2: this Kavel32 reads version 1";
        QTest::newRow("another version, another ending")
            << QByteArray("Kavel32 run journal 2\nsomething else\n")
            << "journal version 2: this Kavel32 reads version 1";
        QTest::newRow("a key out of place")
            << replaced(good, "job.DizFile", "job.NfoFile") << "line 4: \"job.DizFile\" expected";
        QTest::newRow("a flag neither 0 nor 1")
            << replaced(good, "job.AutoNumber 1", "job.AutoNumber yes") << "not 0 or 1";
        QTest::newRow("lower-case escape")
            << replaced(good, "Game%20%22", "Game%20%2a%22") << "percent-encoded";
        QTest::newRow("a blank in a value")
            << replaced(good, "job.ZipName game", "job.ZipName ga me") << "percent-encoded";
        QTest::newRow("an escape cut short")
            << replaced(good, "job.ZipName game", "job.ZipName game%4") << "percent-encoded";
        QTest::newRow("not UTF-8")
            << replaced(good, "job.ZipName game", "job.ZipName g%FFme") << "not UTF-8";
        QTest::newRow("an unknown archiver")
            << replaced(good, "job.Archiver ace", "job.Archiver zoo") << "rar or ace";
        QTest::newRow("a size beyond the slider")
            << replaced(good, "job.SizeUnits 1\n", "job.SizeUnits 200\n") << "from 0 to 199";
        QTest::newRow("a method below none")
            << replaced(good, "job.MethodIndex -1", "job.MethodIndex -2") << "from -1 to 5";
        QTest::newRow("minus zero")
            << replaced(good, "job.MethodIndex -1", "job.MethodIndex -0") << "from -1 to 5";
        QTest::newRow("101 %") << replaced(good, "par2Percent 10", "par2Percent 101")
                               << "from 0 to 100";
        QTest::newRow("1000 volumes")
            << replaced(good, "archived 2\n", "archived 1000\n") << "from 0 to 999";
        QTest::newRow("a volume in a folder")
            << replaced(good, "volume game.zip.001", "volume ..%2Fgame.zip.001")
            << "names no plain file";
        QTest::newRow("a volume named ..")
            << replaced(good, "volume game.zip.001", "volume ..") << "names no plain file";
        QTest::newRow("a negative size")
            << replaced(good, "game.zip.002 123", "game.zip.002 -123") << "a size and a CRC";
        QTest::newRow("a CRC of seven digits")
            << replaced(good, "123 00000001", "123 0000001") << "a size and a CRC";
        QTest::newRow("a record with a fourth part")
            << replaced(good, "123 00000001", "123 00000001 x") << "a size and a CRC";
        QTest::newRow("a float that is no number")
            << replaced(good, "options.sourceSizeM ", "options.sourceSizeM x") << "not a size";
        QTest::newRow("a stamp that is no time")
            << replaced(good, "stampTime 1700000000", "stampTime soon") << "not a time";
        QTest::newRow("a stamp after the year 9999")
            << replaced(good, "stampTime 1700000000", "stampTime 253402300800") << "not a time";
        QTest::newRow("a line after the zips")
            << replaced(good, "\nend ", "\nzap 1\nend ") << "belongs nowhere";
        QTest::newRow("a zip recorded twice")
            << replaced(good, "\nend ", "\nzip game0759801.zip 500600 FFFFFFFF\nend ")
            << "recorded twice";
        QTest::newRow("more zips than volumes")
            << replaced(good, "\nend ", "\nzip a.zip 1 00000001\nzip b.zip 1 00000001\nend ")
            << "more zips are recorded than volumes";
        QTest::newRow("a volume recorded twice")
            << replaced(good, "volume game.zip.002", "volume game.zip.001") << "recorded twice";
        QTest::newRow("archived without volumes")
            << replaced(
                   replaced(good, "archived 2\n", "archived 0\n"),
                   "volume game.zip.001 500000 1A2B3C4D\nvolume game.zip.002 123 00000001\nzip "
                   "game0759801.zip 500600 FFFFFFFF\n",
                   "")
            << "without volumes";
    }
    void refusesWhatIsNotAJournal() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        const JournalRead read = parseJournal(bytes);
        QVERIFY(!read.ok);
        QVERIFY2(read.error.contains(error), qPrintable(read.error));
        QCOMPARE(read.journal, RunJournal{});
    }

    // The highest values the reader takes (one more is refused above).
    void boundsAreInclusive_data() {
        QTest::addColumn<int>("volumes");
        QTest::addColumn<int>("sizeUnits");
        QTest::addColumn<int>("method");
        QTest::addColumn<int>("par2Percent");
        QTest::addColumn<qint64>("stamp");
        QTest::newRow("999 volumes") << 999 << 1 << 3 << 10 << qint64(1700000000);
        QTest::newRow("one volume, one archive") << 1 << 0 << 0 << 0 << qint64(0);
        QTest::newRow("the last of each") << 2 << 199 << 5 << 100 << qint64(253402300799);
    }
    void boundsAreInclusive() {
        QFETCH(int, volumes);
        QFETCH(int, sizeUnits);
        QFETCH(int, method);
        QFETCH(int, par2Percent);
        QFETCH(qint64, stamp);
        RunJournal j = fullJournal();
        j.options.stampTime = stamp;
        j.volumes.clear();
        for (int k = 1; k <= volumes; ++k)
            j.volumes << FileRecord{QStringLiteral("game.7z.%1").arg(k, 3, 10, QChar('0')), k, 0};
        j.job.SizeUnits = int16_t(sizeUnits);
        j.job.MethodIndex = int16_t(method);
        j.options.par2Percent = par2Percent;
        const JournalRead read = parseJournal(formatJournal(j));
        QVERIFY2(read.ok, qPrintable(read.error));
        QCOMPARE(read.journal, j);
    }

    void readsOnlyRegularFiles() {
        const QString folder = root.filePath("kinds");
        QDir().mkpath(folder + "/" + kJournalName);
        JournalRead read = readJournal(folder);
        QVERIFY(!read.ok);
        QVERIFY2(read.error.contains("folder"), qPrintable(read.error));
        QVERIFY(QDir(folder + "/" + kJournalName).removeRecursively());
        QString error;
        QVERIFY2(writeJournal(folder, fullJournal(), &error), qPrintable(error));
        read = readJournal(folder);
        QVERIFY2(read.ok, qPrintable(read.error));
        QCOMPARE(entriesBesideJournal(folder), QStringList{});
    }

    // The journal is replaced, never written through a link planted in its place.
    void neverWritesThroughALink() {
        const QString folder = root.filePath("link");
        QDir().mkpath(folder);
        const QString victim = root.filePath("victim.txt");
        QVERIFY(writeAll(victim, "victim\n"));
        QVERIFY(QFile::link(victim, folder + "/" + kJournalName));
        QVERIFY(QFile::link(victim, folder + "/." + kJournalName + ".new-" +
                                        QString::number(QCoreApplication::applicationPid())));
        QString error;
        QVERIFY2(writeJournal(folder, fullJournal(), &error), qPrintable(error));
        QCOMPARE(readAll(victim), QByteArray("victim\n"));
        QVERIFY(!QFileInfo(folder + "/" + kJournalName).isSymLink());
        QVERIFY(readJournal(folder).ok);
        QVERIFY(removeJournal(folder));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot |
                                        QDir::System),
                 QStringList{});
    }

    // A run gone leaves its folder unlocked; one still working holds the lock.
    void stoppedRunsAreThoseUnlocked() {
        const QString work = root.filePath("work");
        for (const char* name : {"Kavel001", "Kavel002", "Kavel003", "Other004"})
            QDir().mkpath(work + "/" + name);
        QString error;
        RunJournal j = fullJournal();
        for (const char* name : {"Kavel001", "Kavel002", "Other004"})
            QVERIFY(writeJournal(work + "/" + name, j, &error));
        QVERIFY(writeAll(work + "/Kavel003/" + kJournalName, "Kavel32 run journal 1\nend 0\n"));
        FolderLock held;
        QVERIFY2(held.lock(work + "/Kavel002", &error), qPrintable(error));
        QVERIFY(FolderLock::isHeld(work + "/Kavel002"));
        FolderLock second;
        QVERIFY(!second.lock(work + "/Kavel002", &error));
        QVERIFY2(error.contains("still working"), qPrintable(error));
        QList<StoppedRun> found = stoppedRuns(work);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.front().folder, work + "/Kavel001");
        QCOMPARE(found.front().zipsDone, 1);
        QCOMPARE(found.front().zipsPlanned, 2);
        QVERIFY(sameZips(found.front().job, j.job));
        held.unlock();
        QVERIFY(!FolderLock::isHeld(work + "/Kavel002"));
        QCOMPARE(stoppedRuns(work).size(), 2);
    }

    // What a resume finds, zip by zip, before it touches anything.
    void resumeChecksTheDisk_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("states"); // C complete, c complete with its volume left,
                                             // A adopted, M to make, m to make over a zip
        QTest::addColumn<QString>("failure");
        QTest::newRow("nothing zipped") << "fresh"
                                        << "MMM"
                                        << "";
        QTest::newRow("one zipped") << "one zipped"
                                    << "CMM"
                                    << "";
        QTest::newRow("killed before the volume went") << "volume left"
                                                       << "cMM"
                                                       << "";
        QTest::newRow("killed before the record") << "unrecorded zip"
                                                  << "CMM"
                                                  << "";
        QTest::newRow("volume gone, its zip whole") << "adopt"
                                                    << "CAM"
                                                    << "";
        QTest::newRow("the last one zipped") << "all zipped"
                                             << "CCC"
                                             << "";
        QTest::newRow("recorded zip changed") << "zip changed"
                                              << ""
                                              << "not the zip the journal recorded";
        QTest::newRow("volume changed") << "volume changed"
                                        << ""
                                        << "not as the archiver made it";
        QTest::newRow("volume gone, no zip") << "volume gone"
                                             << ""
                                             << "no complete zip holds it";
        QTest::newRow("volume is a link") << "volume link"
                                          << ""
                                          << "not a regular file";
        QTest::newRow("extra changed, zips to make") << "extra changed"
                                                     << ""
                                                     << "changed since the run began";
        QTest::newRow("extra changed, all zipped") << "extra changed, all zipped"
                                                   << "CCC"
                                                   << "";
        QTest::newRow("a zip not of the set") << "foreign record"
                                              << ""
                                              << "not of this set";
    }
    void resumeChecksTheDisk() {
        QFETCH(QString, kind);
        QFETCH(QString, states);
        QFETCH(QString, failure);
        const QString dir =
            root.filePath("disk/" + QString(QTest::currentDataTag()).replace(' ', '_'));
        const QString folder = dir + "/Kavel001", zips = dir + "/zips";
        QDir().mkpath(folder);
        QDir().mkpath(zips);
        QVERIFY(writeAll(dir + "/extra.txt", "extra\r\n"));
        RunJournal j;
        j.job.SourceSpec = dir;
        j.job.DizFile = dir + "/file_id.diz";
        j.job.NfoFile = dir + "/r.nfo";
        j.job.ZipDir = zips;
        j.job.ZipName = "game";
        j.job.SizeUnits = 1;
        j.job.ExtraIsFile = true;
        j.job.ExtraPath = dir + "/extra.txt";
        // Numbered, as every zip of a set must say its own k/n.
        j.job.AutoNumber = true;
        j.job.NumberLine = "1";
        j.job.NumberColumn = "2";
        j.facts.dizBytes = "[00/00] diz\r\n";
        j.facts.dizLines = {"[00/00] diz"};
        j.facts.nfoLines = {"nfo"};
        j.facts.extraFiles = {"extra.txt"};
        j.extras = {{"extra.txt", 7, 0}};
        QString error;
        QVERIFY(fileCrc32(dir + "/extra.txt", &j.extras[0].crc, &error));
        j.archived = true;
        for (int k = 1; k <= 3; ++k) {
            const QString name = QStringLiteral("game.7z.00%1").arg(k);
            QVERIFY(writeAll(folder + "/" + name, randomBytes(1000 + k, quint32(k))));
            FileRecord r{name, 1000 + k, 0};
            QVERIFY(fileCrc32(folder + "/" + name, &r.crc, &error));
            j.volumes << r;
        }
        RunPlan plan = planRun(j.job, j.facts, j.planOptions());
        QVERIFY2(plan.ok(), qPrintable(plan.fault ? plan.fault->text : QString()));
        bindVolumes(plan, folder, {"game.7z.001", "game.7z.002", "game.7z.003"});
        // Zips as a run makes them: the volume first.
        auto makeZip = [&](int k, bool record, bool keepVolume) {
            ZipComponent zip;
            zip.setZipFileName(plan.zips[k].path);
            zip.setFiles({plan.zips[k].entries.front().source});
            QCOMPARE(zip.zip(), 0);
            if (record) {
                FileRecord r{fileNamePart(plan.zips[k].path), QFileInfo(plan.zips[k].path).size(),
                             0};
                QVERIFY(fileCrc32(plan.zips[k].path, &r.crc, &error));
                j.zips << r;
            }
            if (!keepVolume)
                QVERIFY(QFile::remove(plan.zips[k].entries.front().source));
        };
        if (kind != "fresh" && kind != "volume changed" && kind != "volume gone" &&
            kind != "volume link" && kind != "extra changed" && kind != "foreign record")
            makeZip(0, true, kind == "volume left");
        if (kind == "unrecorded zip")
            makeZip(1, false, true);
        if (kind == "adopt")
            makeZip(1, false, false);
        if (kind.startsWith("all zipped") || kind == "extra changed, all zipped")
            for (int k : {1, 2})
                makeZip(k, true, false);
        if (kind == "zip changed")
            QVERIFY(writeAll(plan.zips[0].path, "not a zip"));
        if (kind == "volume changed")
            QVERIFY(writeAll(folder + "/game.7z.002", randomBytes(1002, 99)));
        if (kind == "volume gone")
            QVERIFY(QFile::remove(folder + "/game.7z.002"));
        if (kind == "volume link") {
            QVERIFY(QFile::remove(folder + "/game.7z.002"));
            QVERIFY(QFile::link(dir + "/extra.txt", folder + "/game.7z.002"));
        }
        if (kind.startsWith("extra changed"))
            QVERIFY(writeAll(dir + "/extra.txt", "EXTRA\r\n"));
        if (kind == "foreign record")
            j.zips << FileRecord{"other01.zip", 1, 1};
        const QMap<QString, QByteArray> before = snapshotOf(dir);
        const DiskCheck check = checkResumeDisk(plan, j, folder);
        QCOMPARE(snapshotOf(dir), before);
        if (!failure.isEmpty()) {
            QVERIFY2(check.failure.contains(failure), qPrintable(check.failure));
            QVERIFY(check.zips.isEmpty());
            return;
        }
        QVERIFY2(check.failure.isEmpty(), qPrintable(check.failure));
        QString got;
        for (const ZipOnDisk& z : check.zips)
            got += z.state == ZipOnDisk::State::Complete ? (z.volumeLeft ? 'c' : 'C')
                   : z.state == ZipOnDisk::State::Adopt  ? 'A'
                                                         : 'M';
        QCOMPARE(got, states);
        QCOMPARE(check.complete(), int(states.count('C') + states.count('c') + states.count('A')));
    }

  private:
    static QMap<QString, QByteArray> snapshotOf(const QString& dir) {
        QMap<QString, QByteArray> files;
        QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            files.insert(path, QFileInfo(path).isSymLink() ? QByteArray("link") : readAll(path));
        }
        return files;
    }
};

QTEST_GUILESS_MAIN(RunJournalTest)
#include "test_run_journal.moc"
