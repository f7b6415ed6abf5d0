// The readers of outside text: disk numbers in a diz and SFV files, each held against the
// writer on the other side of its rule (the plan's diz, and cksfv for SFV); the names of a
// set's zips; the archiver's test output, replayed from recorded files.
#include "../common/test_needs.h"
#include "companion/diz_numbering.h"
#include "companion/diz_numbers.h"
#include "engine/run_plan.h"
#include "engine/set_listings.h"
#include "platform/source_date.h"
#include "release/archive_listing.h"
#include "release/finish_set.h"
#include "release/par2_recovery.h"
#include "release/set_naming.h"
#include "release/set_plan.h"
#include "release/sfv_file.h"
#include "release/unpack_set.h"
#include "release/volume_test.h"
#include "release/zip_directory.h"
#include "release/zip_inspection.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include "../common/file_helpers.h"
#include "../common/planned_set.h"

#include <sys/stat.h>

namespace {
int run(const QString& program, const QStringList& args, const QString& dir,
        QByteArray* out = nullptr) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.waitForFinished(-1);
    if (out)
        *out = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QByteArray le64(quint64 value) {
    QByteArray bytes(8, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// A PAR2 packet as the format lays it out: magic, length, MD5 of what follows the hash.
QByteArray par2Packet(const QByteArray& setId, const QByteArray& type, const QByteArray& body) {
    const QByteArray tail = setId + type + body;
    return QByteArray("PAR2\0PKT", 8) + le64(quint64(32 + tail.size())) +
           QCryptographicHash::hash(tail, QCryptographicHash::Md5) + tail;
}

// A recovery set of named files (ids "f0", "f1", ...), its main packet first.
QByteArray par2Set(const QByteArray& setId, const QList<QByteArray>& names) {
    QByteArray mainBody = le64(4096) + QByteArray(4, '\0');
    qToLittleEndian(quint32(names.size()), mainBody.data() + 8);
    QByteArray descriptions;
    for (int i = 0; i < names.size(); ++i) {
        const QByteArray id = QByteArray("f") + QByteArray::number(i).leftJustified(15, '\0');
        mainBody += id;
        QByteArray name = names[i];
        while (name.size() % 4 != 0)
            name += '\0';
        descriptions += par2Packet(setId, QByteArray("PAR 2.0\0FileDesc", 16),
                                   id + QByteArray(32, 'm') + le64(1000 + i) + name);
    }
    return par2Packet(setId, QByteArray("PAR 2.0\0Main\0\0\0\0", 16), mainBody) + descriptions +
           par2Packet(setId, QByteArray("PAR 2.0\0Creator\0", 16), "made by hand");
}
} // namespace

class TestReaders : public QObject {
    Q_OBJECT
    QTemporaryDir root;

  private slots:
    // Disk numbers as the strictest receiving site reads them: the first place in the whole
    // text where one of its forms gives a total above zero, with its quirks (a form that
    // ends right at the end of the text is not taken whole, an "o" it tried as a digit of a
    // total stays a "0").
    void diskNumbersFound_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("found"); // "k/n", "xx/n" or "" for none
        QTest::addColumn<QString>("as");
        QTest::addColumn<int>("line");
        QTest::newRow("square") << QByteArray("Great game [01/12] by us\r\n") << "1/12"
                                << "[01/12]" << 1;
        QTest::newRow("bare, blanks around") << QByteArray("Disk 03/12 of the set\r\n") << "3/12"
                                             << "03/12" << 1;
        QTest::newRow("bare, line end after") << QByteArray("Disk  01/05  \r\n") << "1/5"
                                              << "01/05" << 1;
        QTest::newRow("round") << QByteArray("(01/12) \r\n") << "1/12"
                               << "(01/12)" << 1;
        QTest::newRow("angle") << QByteArray("Disk <01/05>\r\n") << "1/5"
                               << "<01/05>" << 1;
        QTest::newRow("three digits in brackets") << QByteArray("Disk [001/150]\r\n") << "1/150"
                                                  << "[001/150]" << 1;
        QTest::newRow("three digits in round brackets")
            << QByteArray("Disk (001/120) x\r\n") << "1/120"
            << "(001/120)" << 1;
        QTest::newRow("three digits bare") << QByteArray("Disk 001/120 of the set\r\n") << ""
                                           << "" << 0;
        QTest::newRow("three digits in angles") << QByteArray("Disk <001/120> x\r\n") << ""
                                                << "" << 0;
        QTest::newRow("wider placeholder, blanks") << QByteArray("[01/05  ]\r\n") << "1/5"
                                                   << "01/05" << 1;
        QTest::newRow("blank in the total") << QByteArray("-=[ 01/05 ]=-\r\n") << "1/5"
                                            << "[ 01/05 ]" << 1;
        QTest::newRow("unfilled lower") << QByteArray("Disk xx/12\r\n") << "xx/12"
                                        << "xx/12" << 1;
        QTest::newRow("unfilled upper") << QByteArray("DISK XX/06\r\n") << "xx/6"
                                        << "XX/06" << 1;
        QTest::newRow("second line") << QByteArray("line\r\n02/02\r\nend\r\n") << "2/2"
                                     << "02/02" << 2;
        // Its forms end in a place past the numbers, and the text's end is not one.
        QTest::newRow("nothing after it but the line end") << QByteArray("line\r\n02/02\r\n") << ""
                                                           << "" << 0;
        QTest::newRow("a date first wins") << QByteArray("Made 07/98\r\nDisk [02/05]\r\n") << "7/98"
                                           << "07/98" << 1;
        QTest::newRow("release date on line 1")
            << QByteArray("Demo Release 03/24\r\n--\r\nDisk 01/05 of the set\r\n") << "3/24"
            << "03/24" << 1;
        QTest::newRow("at the very end of the text") << QByteArray("(12/12)") << "12/12"
                                                     << "12/12" << 1;
        QTest::newRow("k of n, its o tried as a total") << QByteArray("Disk 1 of 5 set\r\n") << ""
                                                        << "" << 0;
        QTest::newRow("only zeros") << QByteArray("00/00\r\n") << ""
                                    << "" << 0;
        QTest::newRow("full date") << QByteArray("12/08/2026\r\n") << ""
                                   << "" << 0;
        QTest::newRow("glued to words") << QByteArray("Disk:01/05:x\r\n") << ""
                                        << "" << 0;
        QTest::newRow("four digits") << QByteArray("0001/0012\r\n") << ""
                                     << "" << 0;
        QTest::newRow("overwritten wider label") << QByteArray("Disk 02/0500 of the set\r\n") << ""
                                                 << "" << 0;
        QTest::newRow("x in a word") << QByteArray("box/12\r\n") << "xx/12"
                                     << "ox/12" << 1;
        QTest::newRow("past the first block") << QByteArray(5000, 'a') + "\r\nDisk [04/09]\r\n"
                                              << "4/9"
                                              << "[04/09]" << 2;
        QTest::newRow("empty") << QByteArray() << ""
                               << "" << 0;
    }
    void diskNumbersFound() {
        QFETCH(QByteArray, text);
        QFETCH(QString, found);
        QFETCH(QString, as);
        QFETCH(int, line);
        const DiskNumbers n = findDiskNumbers(text);
        QCOMPARE(n.found, !found.isEmpty());
        QCOMPARE(n.line, line);
        if (!n.found)
            return;
        QCOMPARE(n.diskUnfilled ? QStringLiteral("xx/%1").arg(n.count)
                                : QStringLiteral("%1/%2").arg(n.disk).arg(n.count),
                 found);
        QCOMPARE(n.text, as);
    }

    // The diz the plan puts into zip k, a receiver reads back, at the widths' edges; a job
    // whose diz the receiver would not read (a three-digit total written bare) gets none.
    void writtenDizReadsBack_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("n");
        QTest::addColumn<bool>("three");
        QTest::addColumn<bool>("read");
        QTest::newRow("1 of 1") << QByteArray("Disk 00/00 of the set") << 1 << 1 << false << true;
        QTest::newRow("9 of 10") << QByteArray("Disk 00/00 of the set") << 9 << 10 << false << true;
        QTest::newRow("99 of 99") << QByteArray("Disk 00/00 of the set") << 99 << 99 << false
                                  << true;
        QTest::newRow("100 of 100, bare")
            << QByteArray("Disk 00/00  of the set") << 100 << 100 << true << false;
        QTest::newRow("1 of 100") << QByteArray("Disk[000/000] of the set") << 1 << 100 << true
                                  << true;
        QTest::newRow("999 of 999")
            << QByteArray("Disk[000/000] of the set") << 999 << 999 << true << true;
        QTest::newRow("999 of 999, bare")
            << QByteArray("Disk 000/000 of the set") << 999 << 999 << true << false;
        QTest::newRow("in brackets") << QByteArray("Disk[00/00] set") << 4 << 12 << false << true;
        QTest::newRow("line just long enough")
            << QByteArray("Disk 00/00 x") << 2 << 3 << false << true;
        QTest::newRow("just long enough, letters glued on")
            << QByteArray("Disk 00/00xx") << 2 << 3 << false << false;
    }
    void writtenDizReadsBack() {
        QFETCH(QByteArray, line);
        QFETCH(int, k);
        QFETCH(int, n);
        QFETCH(bool, three);
        QFETCH(bool, read);
        JobSettings job;
        job.DizFile = root.filePath("template.diz");
        job.AutoNumber = true;
        job.NumberLine = "2";
        job.NumberColumn = "6";
        writeFile(job.DizFile, "Title\r\n" + line + "\r\n");
        QString refused;
        const QByteArray diz =
            plannedDiz(job, root.filePath("plan"), k, n, three ? 3 : 2, &refused);
        QVERIFY2(refused.isEmpty() == read, qPrintable(refused));
        QCOMPARE(readsAsZip(findDiskNumbers(diz), k, n), read);
    }

    void dizText_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("text");
        QTest::newRow("plain") << QByteArray("Disk 01/02\r\n") << true;
        QTest::newRow("ansi colours and eof mark")
            << QByteArray("\x1b[1;31mRed\x1b[0m\r\n\x1a") << true;
        QTest::newRow("cp437 art") << QByteArray("\xdb\xdb\xb1\xb0 art\r\n") << true;
        QTest::newRow("at the limit") << QByteArray(kMaxDizBytes, 'a') << true;
        QTest::newRow("over the limit") << QByteArray(kMaxDizBytes + 1, 'a') << false;
        QTest::newRow("nul") << QByteArray("Disk\0 01/02", 11) << false;
        QTest::newRow("bell") << QByteArray("Disk\a01/02") << false;
    }
    void dizText() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, text);
        QCOMPARE(dizTextFault(bytes).isEmpty(), text);
    }

    void sfvParsed_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("entries"); // "name=CRC;..." or "!" + start of the error
        QTest::newRow("ours") << QByteArray(
                                     "; Generated by x\r\na01.zip 0A0B0C0D\r\na02.zip FFFFFFFF\r\n")
                              << "a01.zip=0A0B0C0D;a02.zip=FFFFFFFF";
        QTest::newRow("lf, lower case, blanks")
            << QByteArray("\n  ; c\n\nmy file.zip\t 00ab00cd  \n") << "my file.zip=00AB00CD";
        QTest::newRow("no final line end") << QByteArray("x.zip 12345678") << "x.zip=12345678";
        QTest::newRow("comments only") << QByteArray(";\r\n;\r\n") << "";
        QTest::newRow("short crc") << QByteArray("x.zip 1234567\r\n") << "!line 1:";
        QTest::newRow("not hex") << QByteArray("; h\r\nx.zip 1234567G\r\n") << "!line 2:";
        QTest::newRow("no name") << QByteArray("12345678\r\n") << "!line 1:";
        QTest::newRow("path") << QByteArray("../x.zip 12345678\r\n") << "!line 1:";
        QTest::newRow("backslash path") << QByteArray("c:\\x.zip 12345678\r\n") << "!line 1:";
        QTest::newRow("parent") << QByteArray(".. 12345678\r\n") << "!line 1:";
        QTest::newRow("nul") << QByteArray("x\0.zip 12345678\r\n", 18) << "!line 1:";
        QTest::newRow("too big") << QByteArray(kMaxSfvBytes + 1, ';') << "!";
    }
    void sfvParsed() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, entries);
        const SfvParse parsed = parseSfv(bytes);
        if (entries.startsWith('!')) {
            QVERIFY(!parsed.ok);
            QVERIFY2(parsed.error.startsWith(entries.mid(1)), qPrintable(parsed.error));
            return;
        }
        QVERIFY2(parsed.ok, qPrintable(parsed.error));
        QStringList got;
        for (const SfvEntry& e : parsed.entries)
            got << e.name + "=" + crcText(e.crc);
        QCOMPARE(got.join(';'), entries);
        QCOMPARE(parseSfv(formatSfv(parsed.entries, {"again"})).entries, parsed.entries);
    }

    // Our SFV passes cksfv and fails it once a file changes; cksfv's own SFV reads back with
    // the CRCs we compute.
    void sfvAgreesWithCksfv() {
        const QString dir = root.filePath("sfv");
        QStringList files;
        for (int i = 0; i < 3; ++i) {
            files << dir + QStringLiteral("/part%1.zip").arg(i);
            writeFile(files.back(), QByteArray(1000 * (i + 1) + i, char('a' + i)));
        }
        writeFile(dir + "/empty.zip", {});
        files << dir + "/empty.zip";
        QString error;
        QVERIFY2(writeSetSfv(dir + "/set.sfv", files, &error), qPrintable(error));
        QVERIFY(readAll(dir + "/set.sfv").endsWith("\r\n"));
        QByteArray out;
        QCOMPARE(run("cksfv", {"-q", "-f", "set.sfv"}, dir, &out), 0);

        QByteArray theirs;
        QCOMPARE(run("cksfv", {"part0.zip", "part1.zip", "part2.zip", "empty.zip"}, dir, &theirs),
                 0);
        const SfvParse parsed = parseSfv(theirs);
        QVERIFY2(parsed.ok, qPrintable(parsed.error));
        QCOMPARE(parsed.entries, parseSfv(readAll(dir + "/set.sfv")).entries);

        writeFile(files[1], QByteArray(2001, 'x'));
        QVERIFY(run("cksfv", {"-q", "-f", "set.sfv"}, dir) != 0);
        quint32 crc = 0;
        QVERIFY(fileCrc32(files[1], &crc, &error));
        QVERIFY(crc != parsed.entries[1].crc);
    }

    // What the finishing steps write beside the zips (the SFV, the PAR2 files) never goes
    // through a link holding its name: the link is replaced and its target keeps its bytes,
    // a FIFO is replaced without a wait, and a folder in the way is refused with one line.
    // No working file is left beside the zips either way.
    void finishingFilesReplaceWhatHoldsTheirNames_data() {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<QString>("holder");
        QTest::addColumn<QString>("name");
        for (const char* writer : {"sfv", "par2"}) {
            const QString main = QString("set.") + writer;
            for (const char* holder : {"link to a file", "dangling link", "FIFO", "folder"})
                QTest::addRow("%s, %s", writer, holder) << writer << holder << main;
            // par2's numbered recovery files: the last name it writes for this set.
            if (QString(writer) == "par2")
                QTest::addRow("par2, link to a file at its last volume's name")
                    << writer << "link to a file"
                    << "volume";
        }
    }
    void finishingFilesReplaceWhatHoldsTheirNames() {
        QFETCH(QString, writer);
        QFETCH(QString, holder);
        QFETCH(QString, name);
        if (writer == "par2" && QStandardPaths::findExecutable("par2").isEmpty())
            SKIP_OR_FAIL("par2 is not installed");
        QTemporaryDir dir;
        const QString zips = dir.filePath("zips");
        const QStringList files = {zips + "/set01.zip", zips + "/set02.zip"};
        for (int i = 0; i < files.size(); ++i)
            writeFile(files[i], QByteArray(20000 + i, char('a' + i)));
        if (name == "volume") {
            QString error;
            QVERIFY2(makeRecoveryFiles(zips, "set", 1, files, &error), qPrintable(error));
            name = recoveryFileNames(zips, "set").back();
            for (const QString& made : recoveryFileNames(zips, "set"))
                QVERIFY(QFile::remove(zips + "/" + made));
        }
        const QString victim = dir.filePath("victim.txt");
        writeFile(victim, "somebody else's file\n");
        const QByteArray victimHash = treeHashes(dir.path()).value("victim.txt");
        const QByteArray held = QFile::encodeName(zips + "/" + name);
        if (holder == "link to a file")
            QCOMPARE(::symlink(QFile::encodeName(victim).constData(), held.constData()), 0);
        else if (holder == "dangling link")
            QCOMPARE(
                ::symlink(QFile::encodeName(dir.filePath("nowhere")).constData(), held.constData()),
                0);
        else if (holder == "FIFO")
            QCOMPARE(::mkfifo(held.constData(), 0600), 0);
        else
            QVERIFY(QDir().mkpath(zips + "/" + name + "/inside"));

        QString error;
        const bool written = writer == "sfv" ? writeSetSfv(zips + "/set.sfv", files, &error)
                                             : makeRecoveryFiles(zips, "set", 1, files, &error);
        QCOMPARE(treeHashes(dir.path()).value("victim.txt"), victimHash);
        QVERIFY(!QFileInfo::exists(dir.filePath("nowhere")));
        QStringList left = QDir(zips).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                QDir::NoDotAndDotDot);
        if (holder == "folder") {
            QVERIFY(!written);
            QVERIFY2(error.contains(name) && error.contains("Is a directory") &&
                         !error.contains('\n'),
                     qPrintable(error));
            QVERIFY(QFileInfo::exists(zips + "/" + name + "/inside"));
        } else {
            QVERIFY2(written, qPrintable(error));
            const QFileInfo made(zips + "/" + name);
            QVERIFY(made.isFile() && !made.isSymLink());
            QVERIFY(made.size() > 0);
        }
        // Nothing but the zips, what the writer made and what was in the way.
        for (const QString& entry : left)
            QVERIFY2(entry.startsWith("set") && !entry.contains(".kavel32") &&
                         (entry.endsWith(".zip") || entry.endsWith("." + writer)),
                     qPrintable(entry));
    }

    // Every status par2 documents beside success (1: damaged but repairable ... 8: out of
    // memory) fails its step, at creation and at verification alike, and a failed creation
    // leaves nothing of par2's beside the zips.
    void par2StatusesFailTheStep_data() {
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("status");
        for (const char* step : {"create", "verify"})
            for (int status = 1; status <= 8; ++status)
                QTest::addRow("%s exits %d", step, status) << step << status;
    }
    void par2StatusesFailTheStep() {
        QFETCH(QString, step);
        QFETCH(int, status);
        const QString real = QStandardPaths::findExecutable("par2");
        if (real.isEmpty())
            SKIP_OR_FAIL("par2 is not installed");
        QTemporaryDir dir;
        const QString bin = dir.filePath("bin");
        writeFile(bin + "/par2",
                  QString("#!/bin/sh\n"
                          "[ \"$1\" = %1 ] && { echo 'par2 says no' >&2; exit %2; }\n"
                          "exec %3 \"$@\"\n")
                      .arg(step)
                      .arg(status)
                      .arg(real)
                      .toUtf8());
        QVERIFY(QFile::setPermissions(bin + "/par2", QFile::ReadOwner | QFile::ExeOwner));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.toUtf8() + ":" + path);
        const auto restore = qScopeGuard([&path] { qputenv("PATH", path); });
        const QString zips = dir.filePath("zips");
        const QStringList files = {zips + "/set01.zip", zips + "/set02.zip"};
        for (int i = 0; i < files.size(); ++i)
            writeFile(files[i], QByteArray(20000 + i, char('a' + i)));

        QString error;
        QVERIFY(!makeRecoveryFiles(zips, "set", 5, files, &error));
        QVERIFY2(error.contains(QString("(par2 status %1): par2 says no").arg(status)),
                 qPrintable(error));
        QVERIFY2(error.startsWith(step == "create" ? "Making" : "Verifying"), qPrintable(error));
        const QStringList left =
            QDir(zips).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        if (step == "create")
            QCOMPARE(left, QStringList({"set01.zip", "set02.zip"}));
        else
            QVERIFY2(!left.join(' ').contains(".kavel32"), qPrintable(left.join(' ')));
    }

    void zipNames_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("named"); // stem:number:width per file
        QTest::newRow("two digits") << QStringList{"rel01.zip", "rel02.zip"} << "rel:1:2 rel:2:2";
        QTest::newRow("three digits for few zips")
            << QStringList{"rel001.zip", "rel002.zip"} << "rel:1:3 rel:2:3";
        QTest::newRow("three digits past 99")
            << QStringList{"game099.zip", "game100.zip"} << "game:99:3 game:100:3";
        QTest::newRow("date stamp")
            << QStringList{"game0759801.zip", "game0759802.zip"} << "game07598:1:2 game07598:2:2";
        QTest::newRow("name ending in a digit")
            << QStringList{"game201.zip", "game202.zip"} << "game2:1:2 game2:2:2";
        QTest::newRow("one archive") << QStringList{"game22.zip"} << "game22:0:0";
        QTest::newRow("one zip numbered 1") << QStringList{"game01.zip"} << "game:1:2";
        QTest::newRow("a name without number")
            << QStringList{"rel01.zip", "rel4.zip", "rel03.zip"} << "rel:1:2 rel4:0:0 rel:3:2";
    }
    void zipNames() {
        QFETCH(QStringList, files);
        QFETCH(QString, named);
        QStringList got;
        for (const SetZipName& n : nameZips(files))
            got << QStringLiteral("%1:%2:%3").arg(n.stem).arg(n.number).arg(n.width);
        QCOMPARE(got.join(' '), named);
    }

    // A script's set read from the names: the width, the date of a "$" run, the zips that fit
    // the job's name (cut to 8.3 with the numbers), the highest number.
    void jobSetNames_data() {
        QTest::addColumn<QString>("zipName");
        QTest::addColumn<int>("sizeUnits");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("read"); // date:threeDigits:highest:members
        QTest::newRow("two digits")
            << "rel" << 3 << QStringList{"rel01.zip", "rel02.zip", "other01.zip"}
            << ":0:2:rel01.zip rel02.zip";
        QTest::newRow("name cut for two digits")
            << "longname" << 3 << QStringList{"longna01.zip", "longna03.zip"}
            << ":0:3:longna01.zip longna03.zip";
        QTest::newRow("name cut for three digits")
            << "longname" << 3 << QStringList{"longn001.zip", "longn002.zip", "longna01.zip"}
            << ":1:2:longn001.zip longn002.zip";
        QTest::newRow("date of a $ run, one-digit day")
            << "game" << 3 << QStringList{"game0759801.zip", "game0759802.zip"}
            << "07598:0:2:game0759801.zip game0759802.zip";
        QTest::newRow("date of a $ run, two-digit day")
            << "game" << 3 << QStringList{"game07159812.zip"} << "071598:0:12:game07159812.zip";
        QTest::newRow("one volume, no number")
            << "rel" << 3 << QStringList{"rel.zip"} << ":0:1:rel.zip";
        QTest::newRow("one archive")
            << "rel" << 0 << QStringList{"rel.zip", "rel01.zip"} << ":0:1:rel.zip";
        QTest::newRow("renamed zip left out")
            << "game" << 3 << QStringList{"game01.zip", "gamf02.zip"} << ":0:1:game01.zip";
    }
    void jobSetNames() {
        QFETCH(QString, zipName);
        QFETCH(int, sizeUnits);
        QFETCH(QStringList, files);
        QFETCH(QString, read);
        JobSettings job;
        job.ZipName = zipName;
        job.SizeUnits = int16_t(sizeUnits);
        const JobSetNames names = recogniseJobSet(job, files);
        QCOMPARE(QStringLiteral("%1:%2:%3:%4")
                     .arg(names.dateText)
                     .arg(names.digits == 3 ? 1 : 0)
                     .arg(names.highest)
                     .arg(names.members.join(' ')),
                 read);
    }

    // One slip from one of the set's names, case aside; two are another name.
    void namesThatLookLikeTheSet() {
        const QStringList set{"game08.zip", "game09.zip", "game10.zip"};
        for (const char* like :
             {"gamf09.zip", "GAME09.ZIP", "game9.zip", "gme09.zip", "game11.zip"})
            QVERIFY2(looksLikeSetName(like, set), like);
        for (const char* unlike : {"other01.zip", "gamexx12.zip", "g09.zip", "gamfx09.zip"})
            QVERIFY2(!looksLikeSetName(unlike, set), unlike);
    }

    void testerOutput_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<qint64>("tail"); // -1: none told
        QTest::newRow("passed") << "7zz-26.02-passed.txt"
                                << ""
                                << "" << qint64(-1);
        QTest::newRow("crc failed") << "7zz-26.02-crc-failed.txt"
                                    << "ERROR: CRC Failed : src.bin"
                                    << "" << qint64(-1);
        QTest::newRow("missing volume")
            << "7zz-26.02-missing-volume.txt"
            << "ERROR: set.7z.001; Open ERROR: Cannot open the file as [7z] archive; Unexpected "
               "end of archive"
            << "" << qint64(-1);
        // Status 0 and "Everything is Ok", yet 300,000 bytes after the archive's end.
        QTest::newRow("data after the end")
            << "7zz-26.02-data-after-end.txt"
            << ""
            << "There are data after the end of archive" << qint64(300000);
    }
    void testerOutput() {
        QFETCH(QString, file);
        QFETCH(QString, line);
        QFETCH(QString, warning);
        QFETCH(qint64, tail);
        const QByteArray output =
            readAll(QString(KAVEL_SOURCE_DIR) + "/tests/release/data/" + file);
        const TestOutput read = readTestOutput(output);
        QCOMPARE(read.failure, line);
        QCOMPARE(read.warning, warning);
        QCOMPARE(read.tailSize.value_or(-1), tail);
        if (tail > 0)
            QCOMPARE(read.physicalSize.value_or(-1), qint64(21637764));
    }

    // Entry names a receiver's unpacker refuses, and their near neighbours it takes.
    void entryNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("fault"); // a part of the fault; empty: taken
        QTest::newRow("plain") << "game.7z.001"
                               << "";
        QTest::newRow("in a folder") << "extra/readme.txt"
                                     << "";
        QTest::newRow("dots in a name") << "a..b/...txt"
                                        << "";
        QTest::newRow("climbing") << "../../../../tmp/escape.txt"
                                  << "climbs out";
        QTest::newRow("climbing inside") << "a/../../b"
                                         << "climbs out";
        QTest::newRow("climbing, backslash") << "a\\..\\b"
                                             << "climbs out";
        QTest::newRow("last part") << "a/.."
                                   << "climbs out";
        QTest::newRow("absolute") << "/abs/x"
                                  << "absolute path";
        QTest::newRow("absolute, backslash") << "\\abs"
                                             << "absolute path";
        QTest::newRow("drive") << "C:x.txt"
                               << "absolute path";
        QTest::newRow("newline") << "a\nb"
                                 << "control character";
        QTest::newRow("empty") << ""
                               << "no name";
    }
    void entryNames() {
        QFETCH(QString, name);
        QFETCH(QString, fault);
        const QString found = unsafeEntryNameFault(name);
        QVERIFY2(fault.isEmpty() ? found.isEmpty() : found.contains(fault), qPrintable(found));
    }

    // A volume's name and its number in the set: the check and the run's judgement of an
    // older set read the same names.
    void volumeNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("ofGame");
        QTest::addColumn<int>("number");
        const QList<QPair<const char*, int>> volumes = {
            {"game.7z", 1},  {"game.7z.001", 1}, {"GAME.7Z.1000", 1000}, {"game.zip.003", 3},
            {"game.rar", 1}, {"game.r00", 2},    {"game.s01", 103},      {"game.part01.rar", 1},
            {"game.001", 1}, {"game.ace", 1},    {"game.c99", 101},      {"game.part12.rar", 12}};
        for (const auto& [volume, number] : volumes)
            QTest::newRow(volume) << volume << true << number;
        for (const char* other : {"game.nfo", "game.7z.01", "game.7z.001.txt", "gamer.7z.001",
                                  "game", "game.", "game.rar.bak", "game.part.rar", "game1.7z"})
            QTest::newRow(other) << other << false << 0;
    }
    void volumeNames() {
        QFETCH(QString, name);
        QFETCH(bool, ofGame);
        QFETCH(int, number);
        QCOMPARE(isVolumeNameOf(name, "game"), ofGame);
        QCOMPARE(isVolumeNameOf(name, {}),
                 ofGame || name.startsWith("gamer.") || name.startsWith("game1."));
        QCOMPARE(volumeNumberOf(name, "game"), number);
        QCOMPARE(volumeNumberOf(name, "GAME"), number);
    }

    // A PAR2 file is read for the files its recovery set describes, strictly: anything that
    // is not packets of one set, each whole and matching its MD5, is refused.
    void par2Listings_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("names"); // or "!" + part of the error
        const QByteArray id(16, 'S');
        const QByteArray two = par2Set(id, {"game01.zip", "game02.zip"});
        QTest::newRow("two files") << two << "game01.zip game02.zip";
        QTest::newRow("packets repeated, recovery data skipped")
            << two + par2Packet(id, QByteArray("PAR 2.0\0RecvSlic", 16), QByteArray(4096, 'r')) +
                   two
            << "game01.zip game02.zip";
        QTest::newRow("a name filling its padding") << par2Set(id, {"abcd.zip"}) << "abcd.zip";
        QTest::newRow("empty") << QByteArray() << "!no main packet";
        QTest::newRow("not PAR2") << QByteArray(200, 'x') << "!no PAR2 packet";
        QTest::newRow("cut short") << two.chopped(10) << "!does not fit";
        QByteArray flipped = two;
        flipped[two.indexOf("game02") + 2] = 'X';
        QTest::newRow("a byte changed") << flipped << "!MD5";
        QTest::newRow("another set's packet")
            << two + par2Set(QByteArray(16, 'T'), {"x.zip"}) << "!another recovery set";
        QTest::newRow("a file not described")
            << two.left(two.indexOf(QByteArray("PAR2\0PKT", 8), 8)) << "!not described";
        QTest::newRow("length not a multiple of four")
            << QByteArray("PAR2\0PKT", 8) + le64(65) + QByteArray(57, '\0') << "!does not fit";
        QTest::newRow("trailing bytes") << two + "PAR2"
                                        << "!ends inside";
    }
    void par2Listings() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, names);
        const Par2Listing listing = parsePar2(bytes);
        if (names.startsWith('!')) {
            QVERIFY(!listing.ok);
            QVERIFY2(listing.error.contains(names.mid(1)), qPrintable(listing.error));
            return;
        }
        QVERIFY2(listing.ok, qPrintable(listing.error));
        QCOMPARE(listing.names().join(' '), names);
        QCOMPARE(listing.files.front().size, 1000);
    }

    // What par2 itself writes reads back, from the main file and from a recovery volume.
    void par2ListingsOfPar2() {
        if (QStandardPaths::findExecutable("par2").isEmpty())
            QSKIP("par2 is not installed");
        QTemporaryDir dir;
        writeFile(dir.filePath("set01.zip"), QByteArray(30000, 'a'));
        writeFile(dir.filePath("set 02.zip"), QByteArray(20001, 'b'));
        QCOMPARE(run("par2", {"create", "-q", "-r10", "set.par2", "set01.zip", "set 02.zip"},
                     dir.path()),
                 0);
        for (const QString& name : QDir(dir.path()).entryList({"*.par2"})) {
            const Par2Listing listing = readPar2File(dir.filePath(name));
            QVERIFY2(listing.ok, qPrintable(name + ": " + listing.error));
            QStringList names = listing.names();
            names.sort();
            QCOMPARE(names, (QStringList{"set 02.zip", "set01.zip"}));
            for (const Par2File& file : listing.files)
                QCOMPARE(file.md5, QCryptographicHash::hash(readAll(dir.filePath(file.name)),
                                                            QCryptographicHash::Md5));
        }
        QVERIFY(!readPar2File(dir.filePath("set01.zip")).ok);
        QVERIFY(!readPar2File(dir.path()).ok);
    }

    void crcRefusesWhatIsNotAFile() {
        const QString fifo = root.filePath("fifo.zip");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        quint32 crc = 0;
        QString error;
        QVERIFY(!fileCrc32(fifo, &crc, &error)); // at once: a FIFO would wait for a writer
        QVERIFY(error.contains("not a regular file"));
        QVERIFY(!fileCrc32(root.path(), &crc, &error));
    }

    // 7-Zip's technical listing, as 7zz 26.02 writes it for a 7z set and a split zip set.
    void archiveListing_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("entries"); // path, "/" for a folder, "@" for a link
        QTest::newRow("7z with links and odd names") << "7zz-26.02-listing-links.txt"
                                                     << QStringList{"Game Source/",
                                                                    "Game Source/docs/",
                                                                    "Game Source/odd\\tname/",
                                                                    "Game Source/abs@",
                                                                    "Game Source/docs/a b.txt",
                                                                    "Game Source/inner@",
                                                                    "Game Source/odd\\tname/f*?[1]",
                                                                    "Game Source/out link@"};
        QTest::newRow("split zip")
            << "7zz-26.02-listing-zip.txt" << QStringList{"G/", "G/d/", "G/d/a b.txt", "G/l@"};
    }
    void archiveListing() {
        QFETCH(QString, file);
        QFETCH(QStringList, entries);
        const ArchiveListing listing =
            parseArchiveListing(readAll(QString(KAVEL_SOURCE_DIR) + "/tests/release/data/" + file));
        QVERIFY2(listing.ok, qPrintable(listing.error));
        QStringList got;
        for (const ListedEntry& e : listing.entries)
            got << QString(e.path).replace('\t', "\\t") + (e.folder ? "/" : e.link ? "@" : "");
        QCOMPARE(got, entries);
        QVERIFY(unsafeEntry(listing.entries).isEmpty());
    }

    void listingRefusesWhatIsNotOne_data() {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("error");
        QTest::newRow("a line without =") << QByteArray("Path = a\nwhat\n") << "line 2";
        QTest::newRow("an entry without attributes")
            << QByteArray("Path = a\nSize = 1\n\nPath = b\nAttributes = A -rw\n")
            << "a has no attributes";
    }
    void listingRefusesWhatIsNotOne() {
        QFETCH(QByteArray, output);
        QFETCH(QString, error);
        const ArchiveListing listing = parseArchiveListing(output);
        QVERIFY(!listing.ok);
        QVERIFY2(listing.error.contains(error), qPrintable(listing.error));
    }

    // Nothing may land outside the destination or be written through a link.
    void unsafeEntries_data() {
        QTest::addColumn<QStringList>("entries"); // path, "@" at the end for a link
        QTest::addColumn<QString>("fault");
        QTest::newRow("plain tree") << QStringList{"G", "G/a", "G/l@", "G/l2@"} << "";
        QTest::newRow("a name starting with dots") << QStringList{"G/..a", "G/a.."} << "";
        QTest::newRow("absolute") << QStringList{"/etc/passwd"} << "absolute";
        QTest::newRow("up and out") << QStringList{"G/../../x"} << "leads out";
        QTest::newRow("backslash up") << QStringList{"G\\..\\x"} << "leads out";
        QTest::newRow("dot step") << QStringList{"G/./x"} << "leads out";
        QTest::newRow("empty step") << QStringList{"G//x"} << "leads out";
        QTest::newRow("no name") << QStringList{""} << "no name";
        QTest::newRow("below a link") << QStringList{"G/l@", "G/l/passwd"} << "below a link";
        QTest::newRow("deep below a link") << QStringList{"G@", "G/a/b"} << "below a link";
        QTest::newRow("listed twice") << QStringList{"G/l@", "G/l"} << "twice";
    }
    void unsafeEntries() {
        QFETCH(QStringList, entries);
        QFETCH(QString, fault);
        QList<ListedEntry> listed;
        for (const QString& e : entries)
            listed << ListedEntry{e.endsWith('@') ? e.chopped(1) : e, false, e.endsWith('@'), 0};
        const QString got = unsafeEntry(listed);
        QVERIFY2(fault.isEmpty() ? got.isEmpty() : got.contains(fault), qPrintable(got));
    }

    void storedLinkTargets_data() {
        QTest::addColumn<QString>("extracted");
        QTest::addColumn<QString>("stored");
        QTest::newRow("re-rooted absolute") << "/t/out/etc/passwd"
                                            << "/etc/passwd";
        QTest::newRow("absolute into the output folder itself") << "/t/out/t/out/a"
                                                                << "/t/out/a";
        QTest::newRow("relative") << "../outside"
                                  << "../outside";
        QTest::newRow("a sibling folder's name") << "/t/outer/x"
                                                 << "/t/outer/x";
    }
    void storedLinkTargets() {
        QFETCH(QString, extracted);
        QTEST(storedLinkTarget(extracted, "/t/out/"), "stored");
    }

    void destinations() {
        const QString base = root.filePath("dest");
        QDir().mkpath(base + "/empty");
        QDir().mkpath(base + "/full");
        writeFile(base + "/full/.hidden", "x");
        writeFile(base + "/file", "x");
        QVERIFY(QFile::link(base + "/empty", base + "/link"));
        QCOMPARE(destinationFault(base + "/new"), QString());
        QCOMPARE(destinationFault(base + "/empty"), QString());
        QVERIFY(destinationFault(base + "/full").contains("not empty"));
        QVERIFY(destinationFault(base + "/file").contains("not a folder"));
        QVERIFY(destinationFault(base + "/link").contains("a link"));
        QVERIFY(destinationFault(base + "/gone/new").contains("does not exist"));
    }

    // SOURCE_DATE_EPOCH as the convention writes it, and nothing else.
    void sourceDateEpoch_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<qint64>("seconds"); // -1: not set; -2: refused
        QTest::addColumn<QString>("quoted"); // how a refusal quotes the value
        QTest::newRow("not set") << QByteArray() << qint64(-1) << QString();
        QTest::newRow("zero") << QByteArray("0") << qint64(0) << QString();
        QTest::newRow("a time") << QByteArray("1700000000") << qint64(1700000000) << QString();
        QTest::newRow("the last second of 9999")
            << QByteArray("253402300799") << qint64(253402300799) << QString();
        QTest::newRow("one after") << QByteArray("253402300800") << qint64(-2) << QString();
        QTest::newRow("negative") << QByteArray("-1") << qint64(-2) << QString();
        QTest::newRow("a fraction") << QByteArray("1700000000.5") << qint64(-2) << QString();
        QTest::newRow("a blank") << QByteArray(" 1700000000") << qint64(-2) << QString();
        QTest::newRow("a date") << QByteArray("2023-11-14") << qint64(-2) << QString();
        QTest::newRow("too many digits") << QByteArray("0000000000001") << qint64(-2) << QString();
        // Text that is not ASCII reads as the text it is; bytes of no text and control
        // characters are written out.
        QTest::newRow("UTF-8 digits") << QByteArray("\xef\xbc\x91\xef\xbc\x97") << qint64(-2)
                                      << QStringLiteral("=\uff11\uff17 is not");
        QTest::newRow("Latin-1 bytes")
            << QByteArray("17\xe9\xff") << qint64(-2) << "=17\\xe9\\xff is";
        QTest::newRow("a terminal command")
            << QByteArray("1\x1b]0;x\x07") << qint64(-2) << "=1\\x1b]0;x\\x07 is";
        QTest::newRow("C1 control as UTF-8")
            << QByteArray("1\xc2\x9b") << qint64(-2) << "=1\\x9b is";
    }
    void sourceDateEpoch() {
        QFETCH(QByteArray, value);
        QFETCH(qint64, seconds);
        const SourceDateEpoch epoch = parseSourceDateEpoch(value);
        QCOMPARE(epoch.fault.isEmpty(), seconds != -2);
        QCOMPARE(epoch.seconds.value_or(-1), seconds == -2 ? -1 : seconds);
        QFETCH(QString, quoted);
        if (seconds == -2)
            QVERIFY2(epoch.fault.contains("SOURCE_DATE_EPOCH") && epoch.fault.contains(quoted),
                     qPrintable(epoch.fault));
    }
};

QTEST_GUILESS_MAIN(TestReaders)
#include "test_readers.moc"
