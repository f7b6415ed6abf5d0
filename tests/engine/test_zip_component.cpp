#include "engine/store_judgement.h"
#include "engine/zip_component.h"
#include "engine/zip_splice.h"
#include "platform/folder_lock.h"
#include "platform/paths.h"
#include "zip_test_tools.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <QTemporaryDir>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ziptest;

class TestZipComponent : public QObject {
    Q_OBJECT
    QTemporaryDir root;
    QString src, out;

  private slots:
    void initTestCase() {
        QVERIFY(root.isValid());
        src = root.path() + "/src";
        QDir().mkpath(src + "/extra/sub");
        QVERIFY(writeAll(src + "/vol.rar", randomBytes(600 * 1024, 1)));
        QVERIFY(writeAll(src + "/file_id.diz", "Disk 01/02\r\n"));
        QVERIFY(writeAll(src + "/info.nfo", QByteArray(20000, 'n')));
        QVERIFY(writeAll(src + "/extra/a.txt", "a\r\n"));
        QVERIFY(writeAll(src + "/extra/README", "no dot\r\n"));
        QVERIFY(writeAll(src + "/extra/.hidden", "hidden\r\n"));
        QVERIFY(writeAll(src + "/extra/sub/deep.txt", "deep\r\n"));
    }
    void init() {
        out = root.path() + "/out_" + QTest::currentTestFunction() +
              QString(QTest::currentDataTag()).replace(QRegularExpression("[^a-z]"), "_");
        QVERIFY(QDir().mkpath(out));
    }

    void zipNameGetsExtension_data() {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("path");
        QTest::newRow("bare") << "/z/name01"
                              << "/z/name01.zip";
        QTest::newRow("already .zip") << "/z/name01.zip"
                                      << "/z/name01.zip";
        QTest::newRow("upper case .ZIP") << "/z/NAME.ZIP"
                                         << "/z/NAME.ZIP";
        QTest::newRow("dotted name") << "/z/v1.2"
                                     << "/z/v1.2.zip";
    }
    void zipNameGetsExtension() {
        QFETCH(QString, given);
        QFETCH(QString, path);
        ZipComponent zip;
        zip.setZipFileName(given);
        QCOMPARE(zip.zipFileName(), path);
    }

    // Calls add in order, to an existing zip, replacing an entry of the same name in place.
    void addsInOrderAndReplaces() {
        ZipComponent zip;
        QStringList adding;
        zip.onAdding([&](const QString& n) { adding << n; });
        zip.setZipFileName(out + "/name01");
        for (const char* f : {"/vol.rar", "/file_id.diz", "/info.nfo"}) {
            zip.setFiles({src + f});
            QCOMPARE(zip.zip(), 0);
        }
        const QString path = out + "/name01.zip";
        QCOMPARE(entries(path), (QStringList{"vol.rar", "file_id.diz", "info.nfo"}));
        QCOMPARE(adding, (QStringList{"vol.rar", "file_id.diz", "info.nfo"}));
        QVERIFY(testsClean(path));
        QCOMPARE(entryBytes(path, "vol.rar"), readAll(src + "/vol.rar"));

        QVERIFY(writeAll(out + "/file_id.diz", "Disk 02/02\r\n"));
        zip.setFiles({out + "/file_id.diz"});
        QCOMPARE(zip.zip(), 0);
        QCOMPARE(entries(path), (QStringList{"vol.rar", "file_id.diz", "info.nfo"}));
        QCOMPARE(entryBytes(path, "file_id.diz"), QByteArray("Disk 02/02\r\n"));
        QCOMPARE(filesIn(out), (QStringList{"file_id.diz", "name01.zip"}));
    }

    // Only a zip of its own is updated. A link in the zip's place is replaced by the new zip
    // and what it points to (somebody else's zip) keeps its bytes and lends none of its
    // entries; a FIFO there is replaced without a wait for a writer.
    void somethingElseInTheZipsPlaceIsReplaced_data() {
        QTest::addColumn<QString>("holder");
        QTest::newRow("link to a zip") << "link";
        QTest::newRow("FIFO") << "fifo";
    }
    void somethingElseInTheZipsPlaceIsReplaced() {
        QFETCH(QString, holder);
        const QString other = out + "/other.zip";
        {
            ZipComponent zip;
            zip.setZipFileName(other);
            zip.setFiles({src + "/info.nfo"});
            QCOMPARE(zip.zip(), 0);
        }
        const QByteArray otherBytes = readAll(other);
        const QString path = out + "/name01.zip";
        const QByteArray name = QFile::encodeName(path);
        if (holder == "link")
            QCOMPARE(::symlink("other.zip", name.constData()), 0);
        else
            QCOMPARE(::mkfifo(name.constData(), 0600), 0);
        ZipComponent zip;
        zip.setZipFileName(path);
        zip.setFiles({src + "/file_id.diz"});
        QCOMPARE(zip.zip(), 0);
        QVERIFY(!QFileInfo(path).isSymLink());
        QCOMPARE(entries(path), QStringList{"file_id.diz"});
        QVERIFY(testsClean(path));
        QCOMPARE(readAll(other), otherBytes);
        QCOMPARE(filesIn(out), (QStringList{"name01.zip", "other.zip"}));
    }

    // Every path names one file literally, whatever it holds. A call that would add nothing,
    // or two files under one name, fails.
    void literalFiles_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("pattern characters are one file")
            << QStringList{"odd/[a]*.rar", "odd/x?.nfo"} << int(ZipComponent::Ok)
            << QStringList{"[a]*.rar", "x?.nfo"};
        QTest::newRow("*.txt is a name, not a pattern")
            << QStringList{"extra/*.txt"} << int(ZipComponent::FileMissing) << QStringList{};
        QTest::newRow("two files, one name") << QStringList{"vol.rar", "odd/VOL.RAR"}
                                             << int(ZipComponent::DuplicateName) << QStringList{};
        QTest::newRow("a FIFO is not a file")
            << QStringList{"odd/fifo"} << int(ZipComponent::FileMissing) << QStringList{};
    }
    void literalFiles() {
        QFETCH(QStringList, files);
        QFETCH(int, result);
        QFETCH(QStringList, names);
        QDir().mkpath(src + "/odd");
        QDir().mkpath(src + "/empty");
        for (const char* name : {"[a]*.rar", "a1.rar", "x?.nfo", "xy.nfo", "VOL.RAR"})
            QVERIFY(writeAll(src + "/odd/" + name, name));
        QFile::remove(src + "/odd/fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(src + "/odd/fifo").constData(), 0600), 0);
        ZipComponent zip;
        QStringList adding;
        zip.onAdding([&](const QString& n) { adding << n; });
        zip.setZipFileName(out + "/x");
        QStringList paths;
        for (const QString& f : files)
            paths << src + "/" + f;
        zip.setFiles(paths);
        QCOMPARE(zip.zip(), result);
        if (result != ZipComponent::Ok) {
            QVERIFY(!zip.lastError().isEmpty());
            QVERIFY(!QFile::exists(out + "/x.zip"));
            QCOMPARE(filesIn(out), QStringList{}); // no temporary left either
            return;
        }
        QStringList got = entries(out + "/x.zip");
        QCOMPARE(adding, got); // announced in the order written
        got.sort();
        QCOMPARE(got, names);
    }

    // A volume is deleted only once its zip reads back holding all of it.
    void holdsReadsTheEntryBack() {
        ZipComponent zip;
        zip.setZipFileName(out + "/h");
        zip.setFiles({src + "/vol.rar", src + "/info.nfo"});
        QCOMPARE(zip.zip(), 0);
        QString error;
        QVERIFY2(ZipComponent::holds(out + "/h.zip", "vol.rar", src + "/vol.rar", &error),
                 qPrintable(error));
        QVERIFY(!ZipComponent::holds(out + "/h.zip", "other.rar", src + "/vol.rar", &error));
        QVERIFY(!ZipComponent::holds(out + "/h.zip", "info.nfo", src + "/vol.rar", &error));
        // One flipped byte of stored data fails the CRC.
        QByteArray bytes = readAll(out + "/h.zip");
        const qsizetype at = bytes.indexOf(readAll(src + "/vol.rar").mid(1000, 64));
        QVERIFY(at > 0);
        bytes[at] = char(bytes[at] ^ 0x55);
        QVERIFY(writeAll(out + "/h.zip", bytes));
        QVERIFY(!ZipComponent::holds(out + "/h.zip", "vol.rar", src + "/vol.rar", &error));
        QVERIFY2(error.contains("vol.rar"), qPrintable(error));
    }

    // A temporary zip goes only when it carries the mark and the lock file beside it is free:
    // never by a process id, never a file without the mark or without its lock file, never
    // one whose lock is held (a live zip call, here or in another PID namespace).
    void staleTemporariesGo() {
        QStringList abandoned = {".name01.zip.kavel32-Ab12Cd", ".name01.zip.kavel32-Ab12Cd.Xy34Zw",
                                 ".name01.zip.kavel32-Ab12Cd.lock",
                                 ".name.7z.001.kavel32-Pc11ee.piece.zip",
                                 ".name.7z.001.kavel32-Pc11ee.lock"};
        TemporaryLock live;
        QVERIFY(live.make(out, ".name02.zip.kavel32-"));
        // A live run's piece, of a one-archive set's volume named like its zip.
        TemporaryLock livePieceLock;
        QString error;
        const QString livePiece =
            ZipComponent::makePieceLock(out, "name.zip", &livePieceLock, &error);
        QVERIFY2(livePiece.startsWith(out + "/.name.zip.kavel32-"), qPrintable(error));
        QVERIFY(livePiece.endsWith(".piece.zip") && livePieceLock.stem() != live.stem());
        QVERIFY(writeAll(livePiece, "PK"));
        const QStringList kept = {fileNamePart(live.stem()),
                                  fileNamePart(live.stem()) + ".lock",
                                  fileNamePart(livePiece),
                                  fileNamePart(livePieceLock.stem()) + ".lock",
                                  ".name.7z.002.kavel-999999999.piece.zip",
                                  ".todo.kavel-3999999.txt",
                                  ".name01.zip.kavel-999999999",
                                  ".name03.zip.kavel32-Nn22Mm",
                                  ".name04.zip.kavel32-Ot44er.lock",
                                  ".name04.zip.kavel32-Ot44er",
                                  "name01.zip.backup"};
        for (const QString& f : abandoned + kept)
            if (!QFileInfo::exists(out + "/" + f))
                QVERIFY(writeAll(out + "/" + f, "PK"));
        // Another user's lock file, and a link in a lock file's place, are not this run's.
        QCOMPARE(::chown(QFile::encodeName(out + "/.name04.zip.kavel32-Ot44er.lock").constData(),
                         65534, 65534),
                 0);
        QVERIFY(QFile::link(out + "/name01.zip.backup", out + "/.name05.zip.kavel32-Li55nk.lock"));
        QStringList removed = ZipComponent::removeStaleTemporaries(out);
        removed.sort();
        abandoned.sort();
        QCOMPARE(removed, abandoned);
        QStringList left = kept + QStringList{".name05.zip.kavel32-Li55nk.lock"};
        left.sort();
        QCOMPARE(filesIn(out), left);
        // A temporary whose lock file is gone says nothing of its owner: it stays.
        live.release();
        QCOMPARE(ZipComponent::removeStaleTemporaries(out), QStringList{});
        QVERIFY(QFileInfo::exists(out + "/" + kept.front()));
    }

    // The parts of a zip are read only in the plain form the component writes, every field
    // agreeing; anything else is refused, never misread.
    void zipPartsOnlyInThePlainForm_data() {
        QTest::addColumn<int>("at");         // offset from the end record (negative: into the
                                             // central record), or from the start with "local"
        QTest::addColumn<QByteArray>("put"); // bytes written there
        QTest::addColumn<bool>("local");
        QTest::addColumn<QString>("refusal"); // empty: read
        QTest::newRow("as written") << 0 << QByteArray() << false << "";
        QTest::newRow("no end record") << 0 << QByteArray("PK\x05\x07") << false << "no end record";
        QTest::newRow("second disk") << 4 << QByteArray("\x01", 1) << false << "one-disk";
        QTest::newRow("comment past the end")
            << 20 << QByteArray("\x05", 1) << false << "does not end the file";
        QTest::newRow("central directory off by one")
            << 16 << QByteArray("\x01", 1) << false << "does not end at the end record";
        QTest::newRow("one entry more") << 8 << QByteArray("\x02\x00\x02", 3) << false << "missing";
        QTest::newRow("data descriptor")
            << -46 + 8 << QByteArray("\x08", 1) << false << "not plain";
        QTest::newRow("Zip64 size")
            << -46 + 20 << QByteArray("\xff\xff\xff\xff", 4) << false << "not plain";
        QTest::newRow("first record not at the start")
            << -46 + 42 << QByteArray("\x01", 1) << false << "not where it belongs";
        QTest::newRow("local header of another name")
            << 30 << QByteArray("w") << true << "does not match";
        QTest::newRow("local header with another CRC")
            << 14 << QByteArray("\x00", 1) << true << "does not match";
    }
    void zipPartsOnlyInThePlainForm() {
        QFETCH(int, at);
        QFETCH(QByteArray, put);
        QFETCH(bool, local);
        QFETCH(QString, refusal);
        ZipComponent zip;
        zip.setFiles({src + "/vol.rar"});
        zip.setZipFileName(out + "/piece.zip");
        QCOMPARE(zip.zip(), 0);
        QByteArray bytes = readAll(out + "/piece.zip");
        const qint64 end = bytes.size() - kZipEndRecordSize;
        // The one central record is 46 bytes and the name "vol.rar".
        const qint64 central = end - 46 - 7;
        bytes.replace(local ? at : (at < 0 ? end + at - 7 : end + at), put.size(), put);
        ZipParts parts;
        QString error;
        const bool read =
            readZipParts(QByteArrayView(bytes).sliced(central), central, end, &parts, &error);
        qint64 length = 0;
        const bool matched = read && parts.records.size() == 1 &&
                             matchLocalHeader(bytes, parts.records[0], &length, &error);
        QCOMPARE(matched, refusal.isEmpty());
        QVERIFY2(error.contains(refusal), qPrintable(error));
        if (matched) {
            QCOMPARE(parts.localSize, central);
            QCOMPARE(length, central);
            QCOMPARE(parts.records[0].name, QByteArray("vol.rar"));
            // Joined again as it was, the zip is the same bytes.
            QCOMPARE(bytes.left(central) + centralAndEnd(parts.records, central, {}, &error),
                     bytes);
            ZipRecord far = parts.records[0];
            QVERIFY(moveRecord(far, 100));
            QCOMPARE(far.localOffset, 100u);
            QVERIFY(!moveRecord(far, 0xffffffffLL));
            QVERIFY(
                centralAndEnd(parts.records, central, QByteArray(0x10000, 'c'), &error).isEmpty());
        }
    }

    void compressionFollowsTheData() {
        ZipComponent zip;
        zip.setCompressionLevel(9);
        QCOMPARE(zip.compressionLevel(), 9);
        zip.setZipFileName(out + "/c");
        zip.setFiles({src + "/vol.rar", src + "/info.nfo"});
        QCOMPARE(zip.zip(), 0);
        const QString listing = QString::fromLocal8Bit(run("unzip", {"-v", out + "/c.zip"}).out);
        // Random data is stored, text is deflated at the maximum level.
        QVERIFY2(listing.contains(QRegularExpression("Stored .* vol\\.rar")), qPrintable(listing));
        QVERIFY2(listing.contains(QRegularExpression("Defl:X .* info\\.nfo")), qPrintable(listing));
        QVERIFY(samplesLookIncompressible(src + "/vol.rar", 6));
        QVERIFY(!samplesLookIncompressible(src + "/info.nfo", 6));
    }

    // The choice is the one qCompress's sizes of three 32 KB samples always gave, on both
    // sides of the 0.97 line, of the size judged from and of the levels it knows.
    void judgementKeepsItsMeasure_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("expected"); // -1: whatever the measure says
        for (int level : {6, 9}) {
            const QByteArray l = QByteArray::number(level);
            QTest::newRow("random " + l) << "random" << 300000 << level << 1;
            QTest::newRow("text " + l) << "text" << 300000 << level << 0;
            QTest::newRow("just over the line " + l) << "over" << 131072 << level << 1;
            QTest::newRow("just under the line " + l) << "under" << 131072 << level << 0;
        }
        QTest::newRow("random, the size judged from") << "random" << 131072 << 6 << 1;
        QTest::newRow("random, a byte short of it") << "random" << 131071 << 6 << 0;
        QTest::newRow("stored level") << "random" << 200000 << 0 << 1;
        QTest::newRow("default level") << "under" << 131072 << -1 << 0;
        QTest::newRow("unknown level") << "over" << 131072 << 10 << -1;
        QTest::newRow("unknown level, text") << "text" << 200000 << -7 << 0;
    }
    void judgementKeepsItsMeasure() {
        QFETCH(QString, kind);
        QFETCH(int, size);
        QFETCH(int, level);
        QFETCH(int, expected);
        constexpr int chunk = 32 * 1024;
        const auto measure = [&](const QByteArray& bytes) {
            if (bytes.size() < 4 * chunk)
                return false;
            qint64 packed = 0;
            for (qsizetype at : {qsizetype(0), bytes.size() / 2 - chunk / 2, bytes.size() - chunk})
                packed += qCompress(bytes.mid(at, chunk), level).size();
            return double(packed) > 0.97 * 3 * chunk;
        };
        // Each 32 KB holds `noise` random bytes and then zeros.
        const auto mixed = [&](int noise) {
            QByteArray bytes = randomBytes(size, 7);
            for (qsizetype at = 0; at < bytes.size(); ++at)
                if (at % chunk >= noise)
                    bytes[at] = 0;
            return bytes;
        };
        QByteArray bytes;
        if (kind == "random") {
            bytes = randomBytes(size, 3);
        } else if (kind == "text") {
            for (int i = 0; bytes.size() < size; ++i)
                bytes += "line " + QByteArray::number(i * 7919 % 1000) + " of the release\r\n";
            bytes.truncate(size);
        } else {
            int low = 0, high = chunk; // measure(mixed(low)) is false, measure(mixed(high)) true
            while (high - low > 1) {
                const int middle = (low + high) / 2;
                (measure(mixed(middle)) ? high : low) = middle;
            }
            bytes = mixed(kind == "over" ? high : low);
        }
        const QString path = out + "/sample.bin";
        QVERIFY(writeAll(path, bytes));
        if (expected >= 0)
            QCOMPARE(measure(bytes), bool(expected));
        QCOMPARE(samplesLookIncompressible(path, level), measure(bytes));
        // The same answer again, from the deflate state the thread keeps.
        QCOMPARE(samplesLookIncompressible(path, level), measure(bytes));
    }

    // The floor never passes what zlib really packs (on data shaped to tempt it: repeats at
    // every distance, a narrow alphabet, blocks of different kinds), and random data alone
    // clears the line by its floor.
    void packedSizeFloorHolds_data() {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<bool>("clearsTheLine");
        QTest::newRow("random") << "random" << true;
        QTest::newRow("random, a short end") << "short" << true;
        QTest::newRow("copies of three bytes") << "copies 3" << false;
        QTest::newRow("copies of 40 bytes") << "copies 40" << false;
        QTest::newRow("sixteen byte values") << "narrow 16" << false;
        QTest::newRow("200 byte values") << "narrow 200" << false;
        QTest::newRow("240 byte values") << "narrow 240" << true;
        QTest::newRow("narrow first block, random after") << "halves" << false;
        QTest::newRow("random first block, copies after") << "halves copied" << false;
        QTest::newRow("first block ending past its place") << "moved" << false;
        QTest::newRow("three bytes again three bytes on") << "three back" << false;
        QTest::newRow("zeros") << "zeros" << false;
        QTest::newRow("empty") << "empty" << false;
    }
    void packedSizeFloorHolds() {
        QFETCH(QString, shape);
        QFETCH(bool, clearsTheLine);
        constexpr int chunk = 32 * 1024, block = (1 << 14) - 1;
        for (quint32 seed = 1; seed <= 12; ++seed) {
            QByteArray bytes = randomBytes(shape == "short" ? chunk - 1000 : chunk, seed);
            const auto narrow = [&](qsizetype from, qsizetype to, int values) {
                for (qsizetype at = from; at < to; ++at)
                    bytes[at] = char(quint8(bytes[at]) % values);
            };
            // Copies of `length` earlier bytes, from 1 to 30,000 bytes back.
            const auto copies = [&](qsizetype from, int length) {
                for (qsizetype at = std::max<qsizetype>(from, 30000); at + length <= bytes.size();
                     at += length * 2) {
                    const qsizetype back = 1 + (quint8(bytes[at]) * 7919 + at) % 30000;
                    for (int i = 0; i < length; ++i)
                        bytes[at + i] = bytes[at + i - back];
                }
            };
            if (shape == "copies 3")
                copies(0, 3);
            else if (shape == "copies 40")
                copies(0, 40);
            else if (shape.startsWith("narrow"))
                narrow(0, bytes.size(), shape.mid(7).toInt());
            else if (shape == "halves")
                narrow(0, block, 16);
            else if (shape == "halves copied")
                copies(block, 5);
            else if (shape == "moved") {
                // Long matches early end the first block some 6,000 bytes late, on bytes
                // under 128; the second block's bytes are all 128 or more.
                for (qsizetype at = 2000; at < 8000; ++at)
                    bytes[at] = bytes[at - 1000];
                narrow(8000, 22359, 128);
                for (qsizetype at = 22359; at < bytes.size(); ++at)
                    bytes[at] = char(quint8(bytes[at]) | 128);
            } else if (shape == "three back") {
                // Every other three bytes repeat the three before them: short, cheap matches.
                for (qsizetype at = 3; at + 3 <= bytes.size(); at += 6)
                    for (int i = 0; i < 3; ++i)
                        bytes[at + i] = bytes[at + i - 3];
            } else if (shape == "zeros")
                bytes.fill(0);
            else if (shape == "empty")
                bytes.clear();
            const qint64 floor = packedSizeFloor(bytes);
            for (int level : {1, 6, 9})
                QVERIFY2(floor <= packedSize(bytes, level), qPrintable(QString::number(seed)));
            QCOMPARE(packedSize(bytes, 6), qCompress(bytes, 6).size());
            QCOMPARE(double(floor) > 0.97 * double(bytes.size()), clearsTheLine);
        }
    }

    // A failed call leaves the zip exactly as it was and no temporary file behind.
    void failuresLeaveZipUntouched_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("code");
        QTest::newRow("missing file") << QStringList{"/nope.bin"} << int(ZipComponent::FileMissing);
        QTest::newRow("missing directory")
            << QStringList{"/nodir/*.*"} << int(ZipComponent::FileMissing);
        QTest::newRow("one of two missing")
            << QStringList{"/info.nfo", "/nope"} << int(ZipComponent::FileMissing);
        QTest::newRow("nothing to process") << QStringList{} << int(ZipComponent::NothingToProcess);
    }
    void failuresLeaveZipUntouched() {
        QFETCH(QStringList, files);
        QFETCH(int, code);
        ZipComponent zip;
        zip.setZipFileName(out + "/f");
        zip.setFiles({src + "/file_id.diz"});
        QCOMPARE(zip.zip(), 0);
        const QByteArray before = readAll(out + "/f.zip");
        for (QString& f : files)
            f.prepend(src);
        zip.setFiles(files);
        QCOMPARE(zip.zip(), code);
        QVERIFY(!zip.lastError().isEmpty());
        QCOMPARE(readAll(out + "/f.zip"), before);
        QCOMPARE(filesIn(out), QStringList{"f.zip"});
        // Made in memory, the call fails alike and gives no bytes.
        QByteArray bytes("left over");
        QCOMPARE(zip.zipToBytes(&bytes), code);
        QVERIFY(bytes.isEmpty());
        QCOMPARE(filesIn(out), QStringList{"f.zip"});
    }

    // A zip made in memory is byte for byte the zip written to a file, stored or deflated,
    // stamped or with the files' own times.
    void zipInMemoryIsTheZipWritten_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("stamped");
        QTest::newRow("a small text, stamped") << QStringList{"file_id.diz"} << true;
        QTest::newRow("a small text, its own time") << QStringList{"file_id.diz"} << false;
        QTest::newRow("stored and deflated, stamped") << QStringList{"vol.rar", "info.nfo"} << true;
        QTest::newRow("stored and deflated, own times")
            << QStringList{"vol.rar", "info.nfo"} << false;
    }
    void zipInMemoryIsTheZipWritten() {
        QFETCH(QStringList, files);
        QFETCH(bool, stamped);
        for (QString& f : files)
            f.prepend(src + "/");
        ZipComponent zip;
        zip.setCompressionLevel(9);
        zip.setStampTime(stamped ? std::optional<qint64>(1700000000) : std::nullopt);
        zip.setFiles(files);
        zip.setZipFileName(out + "/written");
        QCOMPARE(zip.zip(), 0);
        QByteArray bytes;
        QCOMPARE(zip.zipToBytes(&bytes), 0);
        QCOMPARE(bytes, readAll(out + "/written.zip"));
        QCOMPARE(filesIn(out), QStringList{"written.zip"});
        zip.setAbort(true);
        QCOMPARE(zip.zipToBytes(&bytes), int(ZipComponent::Aborted));
        QVERIFY(bytes.isEmpty());
    }

    void unwritableDirectoryFails() {
        // Runs as root too: a directory below a regular file can never be created.
        QVERIFY(writeAll(out + "/plain", "x"));
        ZipComponent zip;
        zip.setZipFileName(out + "/plain/zips/name01");
        zip.setFiles({src + "/file_id.diz"});
        QVERIFY(zip.zip() != 0);
        QVERIFY(!zip.lastError().isEmpty());
        QCOMPARE(filesIn(out), QStringList{"plain"});
    }

    void abortFromStatusKeepsOldZip_data() {
        QTest::addColumn<bool>("existing");
        QTest::newRow("new zip") << false;
        QTest::newRow("existing zip") << true;
    }
    void abortFromStatusKeepsOldZip() {
        QFETCH(bool, existing);
        ZipComponent zip;
        zip.setZipFileName(out + "/a");
        QByteArray before;
        if (existing) {
            zip.setFiles({src + "/file_id.diz"});
            QCOMPARE(zip.zip(), 0);
            before = readAll(out + "/a.zip");
        }
        QVERIFY(writeAll(out + "/big.bin", randomBytes(3 * 1024 * 1024, 7)));
        QList<int> seen;
        zip.onStatus([&](int16_t percent) {
            seen << percent;
            if (percent > 0)
                zip.setAbort(true);
        });
        zip.setFiles({out + "/big.bin"});
        QCOMPARE(zip.zip(), int(ZipComponent::Aborted));
        QVERIFY(!seen.isEmpty());
        QVERIFY(seen.last() < 100);
        QCOMPARE(readAll(out + "/a.zip"), before);
        QCOMPARE(filesIn(out),
                 existing ? (QStringList{"a.zip", "big.bin"}) : QStringList{"big.bin"});

        // The flag holds until cleared: the next call fails at once.
        zip.onStatus({});
        QCOMPARE(zip.zip(), int(ZipComponent::Aborted));
        zip.setAbort(false);
        QCOMPARE(zip.zip(), 0);
        QVERIFY(testsClean(out + "/a.zip"));
    }

    // A stamp's DOS time in UTC, held to the range DOS can write, at both ends of it.
    void stampGivesDosTime_data() {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("shown"); // yyyy-MM-dd hh:mm:ss, as the DOS fields say
        QTest::newRow("an ordinary time") << qint64(1700000000) << "2023-11-14 22:13:20";
        QTest::newRow("odd second rounds down") << qint64(1700000001) << "2023-11-14 22:13:20";
        QTest::newRow("before 1980 is 1980") << qint64(0) << "1980-01-01 00:00:00";
        QTest::newRow("last second of 1979") << qint64(315532799) << "1980-01-01 00:00:00";
        QTest::newRow("first second of 1980") << qint64(315532800) << "1980-01-01 00:00:00";
        QTest::newRow("last DOS time") << qint64(4354819198) << "2107-12-31 23:59:58";
        QTest::newRow("after the last DOS time") << qint64(4354819200) << "2107-12-31 23:59:58";
    }
    void stampGivesDosTime() {
        QFETCH(qint64, seconds);
        QFETCH(QString, shown);
        const ZipComponent::DosTime dos = ZipComponent::dosTime(seconds);
        const QString got = QStringLiteral("%1-%2-%3 %4:%5:%6")
                                .arg((dos.date >> 9) + 1980)
                                .arg((dos.date >> 5) & 15, 2, 10, QChar('0'))
                                .arg(dos.date & 31, 2, 10, QChar('0'))
                                .arg(dos.time >> 11, 2, 10, QChar('0'))
                                .arg((dos.time >> 5) & 63, 2, 10, QChar('0'))
                                .arg((dos.time & 31) * 2, 2, 10, QChar('0'));
        QCOMPARE(got, shown);
    }

    // With a stamp, the same files give the same zip whatever their times, the umask or the
    // time zone; without one, the entries keep the files' own times.
    void stampMakesTheSameBytes() {
        const QString a = out + "/a", b = out + "/b";
        for (const QString& dir : {a, b}) {
            QDir().mkpath(dir);
            QVERIFY(writeAll(dir + "/vol.rar", readAll(src + "/vol.rar")));
            QVERIFY(writeAll(dir + "/run.sh", "#!/bin/sh\n"));
        }
        QFile::setPermissions(a + "/vol.rar", QFile::ReadOwner | QFile::WriteOwner);
        QFile::setPermissions(a + "/run.sh",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(b + "/run.sh", QFile::permissions(b + "/run.sh") | QFile::ExeOwner);
        const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
        utimensat(AT_FDCWD, QFile::encodeName(a + "/vol.rar").constData(), old, 0);
        auto zipped = [](const QString& dir, std::optional<qint64> stamp, const char* tz) {
            qputenv("TZ", tz);
            tzset();
            ZipComponent zip;
            zip.setStampTime(stamp);
            zip.setZipFileName(dir + "/set");
            zip.setFiles({dir + "/vol.rar", dir + "/run.sh"});
            return zip.zip() == 0 ? readAll(dir + "/set.zip") : QByteArray();
        };
        const QByteArray first = zipped(a, 1700000000, "UTC");
        QVERIFY(!first.isEmpty());
        QCOMPARE(zipped(b, 1700000000, "Pacific/Auckland"), first);
        const Run listed = run("zipinfo", {out + "/a/set.zip"});
        QVERIFY2(listed.out.contains("-rw-r--r--") && listed.out.contains("-rwxr-xr-x") &&
                     listed.out.contains("23-Nov-14 22:13"),
                 listed.out.constData());
        QFile::remove(a + "/set.zip");
        QFile::remove(b + "/set.zip");
        QVERIFY(zipped(a, std::nullopt, "UTC") != zipped(b, std::nullopt, "UTC"));
        qunsetenv("TZ");
        tzset();
    }

    void statusRisesToHundred() {
        ZipComponent zip;
        QList<int> seen;
        zip.onStatus([&](int16_t p) { seen << p; });
        zip.setZipFileName(out + "/s");
        zip.setFiles({src + "/vol.rar"});
        QCOMPARE(zip.zip(), 0);
        QVERIFY(seen.size() >= 2);
        QCOMPARE(seen.last(), 100);
        QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    }
};

QTEST_GUILESS_MAIN(TestZipComponent)
#include "test_zip_component.moc"
