// A set made by the real program with --sfv --par2 --verify, then checked again by
// "kavel32 --verify" after every kind of damage a receiving site meets, with the real 7zz,
// par2 and cksfv.
#include "../common/test_needs.h"
#include "script/script_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <zip.h>

#include <sys/stat.h>
#include <unistd.h>

#include "../common/file_helpers.h"

namespace {

struct Run {
    int exitCode = -1;
    QString out, err;
};

QByteArray noise(int n, quint32 seed) {
    QByteArray data(n, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(data.data()), n / 4);
    return data;
}

// Names, sizes and times of everything in a folder: what "nothing written" is checked by.
QStringList folderState(const QString& dir) {
    QStringList state;
    for (const QFileInfo& info : QDir(dir).entryInfoList(
             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name))
        state << QStringLiteral("%1 %2 %3")
                     .arg(info.fileName())
                     .arg(info.size())
                     .arg(info.lastModified().toMSecsSinceEpoch());
    return state;
}

void copyFolder(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QString& name : QDir(from).entryList(QDir::Files))
        QVERIFY(QFile::copy(from + "/" + name, to + "/" + name));
}

// Replaces (or adds) entries of a zip through libzip.
void putEntries(const QString& zipPath, const QList<QPair<QString, QByteArray>>& entries,
                int flags = ZIP_CREATE) {
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(zipPath).constData(), flags, &error);
    QVERIFY2(archive, qPrintable(zipPath));
    for (const auto& [name, bytes] : entries) {
        auto* copy = static_cast<char*>(malloc(size_t(qMax<qsizetype>(bytes.size(), 1))));
        memcpy(copy, bytes.constData(), size_t(bytes.size()));
        zip_source_t* source = zip_source_buffer(archive, copy, zip_uint64_t(bytes.size()), 1);
        QVERIFY(zip_file_add(archive, name.toUtf8().constData(), source,
                             ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) >= 0);
    }
    QCOMPARE(zip_close(archive), 0);
}

QByteArray entryBytes(const QString& zipPath, int index, QString* name = nullptr) {
    QProcess p;
    p.start("unzip", {"-Z1", zipPath});
    p.waitForFinished();
    const QString entry = QString::fromUtf8(p.readAllStandardOutput()).split('\n').value(index);
    if (name)
        *name = entry;
    p.start("unzip", {"-p", zipPath, entry});
    p.waitForFinished(-1);
    return p.readAllStandardOutput();
}

// Sets the sizes a zip's only entry claims, in its local and its central header.
void claimSize(QByteArray& zip, quint32 size) {
    const char bytes[4] = {char(size), char(size >> 8), char(size >> 16), char(size >> 24)};
    const qsizetype local = zip.indexOf("PK\x03\x04");
    const qsizetype central = zip.indexOf("PK\x01\x02");
    QVERIFY(local >= 0 && central > local);
    zip.replace(local + 22, 4, bytes, 4);
    zip.replace(central + 24, 4, bytes, 4);
}

// A link entry, as an archiver stores one: its target as data, the link's mode attached.
void putLink(const QString& zipPath, const QString& name, const QByteArray& target) {
    putEntries(zipPath, {{name, target}});
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(zipPath).constData(), 0, &error);
    QVERIFY(archive);
    const zip_int64_t index = zip_name_locate(archive, name.toUtf8().constData(), 0);
    QVERIFY(zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                             (S_IFLNK | 0777u) << 16) == 0);
    QCOMPARE(zip_close(archive), 0);
}

void renameEntry(const QString& zipPath, int index, const QString& name) {
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(zipPath).constData(), 0, &error);
    QVERIFY(archive);
    QCOMPARE(zip_file_rename(archive, zip_uint64_t(index), name.toUtf8().constData(), 0), 0);
    QCOMPARE(zip_close(archive), 0);
}

// A zip whose one volume declares declared bytes and inflates to actual.
void writeLyingZip(const QString& path, qint64 declared, qint64 actual) {
    putEntries(path, {{"lie.7z", QByteArray(actual, '\0')}, {"file_id.diz", "Disk 01/01\r\n"}});
    QByteArray bytes = readAll(path);
    claimSize(bytes, quint32(declared));
    writeFile(path, bytes);
}

} // namespace

class TestSetCheckEndToEnd : public QObject {
    Q_OBJECT
    QTemporaryDir root;
    QString source, zips, work, pristine, script;
    QProcessEnvironment env;
    QStringList made;

    Run kavel(const QStringList& args, const QProcessEnvironment& environment) {
        QProcess p;
        p.setProcessEnvironment(environment);
        p.start(QString(KAVEL_BIN_DIR) + "/kavel32", args);
        p.waitForFinished(-1);
        return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
                QString::fromLocal8Bit(p.readAllStandardError())};
    }
    Run kavel(const QStringList& args) { return kavel(args, env); }

    JobSettings job(const QString& name, const QString& zipDir) {
        JobSettings job;
        job.SourceSpec = source;
        job.DizFile = root.filePath("companions/file_id.diz");
        job.AutoNumber = true;
        job.NumberColumn = "6";
        job.NumberLine = "3";
        job.NfoFile = root.filePath("companions/release.nfo");
        job.FirstZipOnly = true;
        job.ExtraIsFile = false;
        job.ExtraPath = root.filePath("companions/extra");
        job.ZipDir = zipDir;
        job.ZipName = name;
        job.SizeUnits = 3;
        job.MethodIndex = 1;
        return job;
    }

    QString save(const JobSettings& j, const QString& file) {
        const QString path = root.filePath(file);
        const ScriptSave saved = saveScript(path, j);
        if (!saved.ok)
            qWarning() << saved.error;
        return path;
    }

    QString zipOf(const QString& dir, int k) {
        return dir + QStringLiteral("/rel%1.zip").arg(k, 2, 10, QChar('0'));
    }

    void craftDamage(const QString& damage, const QString& dir) {
        QString name;
        if (damage == "none" || damage == "empty") {
            return;
        } else if (damage == "neighbour") {
            QVERIFY(QFile::copy(zipOf(dir, 1), dir + "/relay.zip"));
        } else if (damage == "stray6") {
            putEntries(zipOf(dir, 6), {{"stray.txt", "stray\r\n"}});
        } else if (damage == "nextvol6") {
            const QByteArray next = entryBytes(zipOf(dir, 5), 0, &name);
            putEntries(zipOf(dir, 6), {{name, next}});
        } else if (damage == "junk6") {
            const QByteArray volume = entryBytes(zipOf(dir, 6), 0, &name);
            putEntries(zipOf(dir, 6), {{name, volume + noise(300'000, 5)}});
        } else if (damage == "sfvdup" || damage == "sfvcase") {
            QByteArray sfv = readAll(dir + "/rel.sfv");
            const qsizetype at = sfv.indexOf(damage == "sfvdup" ? "rel01.zip " : "rel04.zip ");
            QByteArray line = sfv.mid(at, sfv.indexOf('\n', at) + 1 - at);
            QByteArray wrong = line;
            wrong[10] = wrong[10] == '0' ? '1' : '0';
            if (damage == "sfvdup")
                writeFile(dir + "/rel.sfv", sfv.replace(line, wrong + line));
            else
                writeFile(dir + "/REL.sfv", sfv.replace(line, wrong));
        } else if (damage == "escape" || damage == "absolute") {
            putEntries(zipOf(dir, 2),
                       {{damage == "escape" ? "../../../../tmp/escape.txt" : "/abs/x", "x"}});
        } else if (damage == "volumepath") {
            renameEntry(zipOf(dir, 3), 0, "../../x.7z.003");
        } else if (damage == "link") {
            putLink(zipOf(dir, 4), "passwd", "/etc/passwd");
        } else if (damage == "threebare" || damage == "threeangle") {
            for (int k = 1; k <= 6; ++k) {
                const QString label = QStringLiteral("%1/006").arg(k, 3, 10, QChar('0'));
                const QString line = damage == "threebare" ? label : "<" + label + ">";
                putEntries(zipOf(dir, k),
                           {{"file_id.diz", "  The Release\r\n  -----------\r\nDisk " +
                                                line.toLatin1() + " of the set\r\n"}});
            }
        } else if (damage == "lie") {
            const QByteArray volume = entryBytes(zipOf(dir, 1), 0, &name);
            QVERIFY(volume.size() > 1000);
            int error = 0;
            zip_t* archive = zip_open(QFile::encodeName(zipOf(dir, 1)).constData(), 0, &error);
            QVERIFY(archive);
            // The volume deflated, so its sizes can lie apart; then made to claim 1000 bytes.
            QCOMPARE(zip_set_file_compression(archive, 0, ZIP_CM_DEFLATE, 9), 0);
            auto* copy = static_cast<char*>(malloc(size_t(volume.size())));
            memcpy(copy, volume.constData(), size_t(volume.size()));
            QVERIFY(zip_file_replace(
                        archive, 0,
                        zip_source_buffer(archive, copy, zip_uint64_t(volume.size()), 1), 0) == 0);
            QCOMPARE(zip_close(archive), 0);
            QByteArray bytes = readAll(zipOf(dir, 1));
            claimSize(bytes, 1000);
            writeFile(zipOf(dir, 1), bytes);
        } else if (damage == "rename5") {
            QVERIFY(QFile::rename(zipOf(dir, 5), dir + "/rfl05.zip"));
        } else {
            QFAIL(qPrintable("no such damage: " + damage));
        }
    }

  private slots:
    void initTestCase() {
        source = root.filePath("source");
        zips = root.filePath("zips");
        work = root.filePath("work");
        pristine = root.filePath("pristine");
        QDir().mkpath(zips);
        QDir().mkpath(work);
        env = QProcessEnvironment::systemEnvironment();
        env.insert("KAVEL32_STATE_DIR", root.filePath("state"));
        env.insert("KAVEL32_SCRATCH_DIR", root.filePath("scratch"));
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");

        // 8,000,000 bytes that do not compress: six 1.44 MB volumes, the last one short.
        writeFile(source + "/data/a.bin", noise(5'000'000, 1));
        writeFile(source + "/data/b.bin", noise(2'990'000, 2));
        writeFile(source + "/readme.txt", QByteArray(10'000, 'r'));
        writeFile(root.filePath("companions/file_id.diz"),
                  "  The Release\r\n  -----------\r\nDisk 00/00 of the set\r\n");
        writeFile(root.filePath("companions/release.nfo"), "Release notes\r\n");
        writeFile(root.filePath("companions/extra/one.txt"), "one\r\n");
        writeFile(root.filePath("companions/extra/two.txt"), "two\r\n");
        script = save(job("rel", zips), "rel.rip");

        const Run run =
            kavel({"--work-dir", work, "--sfv", "--par2", "30", "--verify", "!" + script});
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
        QVERIFY2(run.out.contains("Check passed: 6 zips"), qPrintable(run.out));
        made = QDir(zips).entryList({"*.zip"}, QDir::Files, QDir::Name);
        QCOMPARE(made.size(), 6);
        copyFolder(zips, pristine);
    }

    // What the run wrote beside the zips passes the tools that read it.
    void sfvAndRecoveryPassTheirTools() {
        QProcess p;
        p.setWorkingDirectory(zips);
        p.start("cksfv", {"-q", "-f", "rel.sfv"});
        p.waitForFinished(-1);
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(readAll(zips + "/rel.sfv").startsWith("; Generated by Kavel32"));

        p.start("par2", {"verify", "-q", "rel.par2"});
        p.waitForFinished(-1);
        QCOMPARE(p.exitCode(), 0);

        // A lost zip comes back from the recovery files, byte for byte.
        const QString repair = root.filePath("repair");
        copyFolder(zips, repair);
        const QByteArray lost = readAll(zipOf(repair, 2));
        QVERIFY(QFile::remove(zipOf(repair, 2)));
        p.setWorkingDirectory(repair);
        p.start("par2", {"repair", "-q", "rel.par2"});
        p.waitForFinished(-1);
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(readAll(zipOf(repair, 2)), lost);
        QCOMPARE(kavel({"--verify", repair, script}).exitCode, 0);
    }

    void damagedSets_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("withScript");
        QTest::addColumn<QString>("expected");
        QTest::newRow("intact, no script") << "none" << false << "Check passed: 6 zips";
        QTest::newRow("intact") << "none" << true << "Check passed: 6 zips";
        QTest::newRow("another job's zip beside, script")
            << "neighbour" << true << "Check passed: 6 zips";
        QTest::newRow("byte flipped in zip 5")
            << "flip5" << true << "zip 05 rel05.zip: FAILED: CRC error in";
        QTest::newRow("volume of zip 5 rezipped damaged")
            << "rezip5" << true << "the joined volumes fail 7zz t";
        QTest::newRow("zip 3 deleted") << "delete3" << false << "missing 03";
        QTest::newRow("diz of zip 1 says 01/13")
            << "diz13" << true << "file_id.diz says 01/13 where the set has 6 zips";
        QTest::newRow("diz never numbered")
            << "dizxx" << false << "says xx/06: the disk number was never filled in";
        QTest::newRow("stale zip 07")
            << "stale7" << true
            << "zip 07 rel07.zip: FAILED: file_id.diz says 06/06 where this is zip 7";
        QTest::newRow("zip renamed out of the numbers")
            << "rename4" << false << "carries no set number";
        QTest::newRow("sfv disagrees")
            << "sfv" << true << "SFV rel.sfv: FAILED: line 3: zip 02 rel02.zip has CRC";
        QTest::newRow("nfo gone from zip 1")
            << "nfo" << true << "zip 01 rel01.zip: FAILED: holds no release.nfo";
        QTest::newRow("nfo in zip 2 against 1st zip only")
            << "nfo2" << true << "holds release.nfo, which the job puts into zip 1 only";
        QTest::newRow("empty folder") << "empty" << false << "no zips in";
        QTest::newRow("not a zip")
            << "notzip" << false << "rel01.zip: FAILED: is not a zip archive";
        QTest::newRow("truncated zip")
            << "truncated" << false << "rel03.zip: FAILED: is damaged or cut short";
        QTest::newRow("zip bomb") << "bomb" << false
                                  << "more than deflate can make: refused unread (a zip bomb)";
        QTest::newRow("diz of megabytes")
            << "bigdiz" << false << "file_id.diz is 3000000 bytes, too big for a diz";
        QTest::newRow("binary diz") << "binarydiz" << false << "file_id.diz is not text (byte 0x00";
        QTest::newRow("name with a newline")
            << "newline" << false << "rel\\n01.zip: FAILED: the name holds a control character";
        QTest::newRow("fifo named .zip")
            << "fifo" << false << "rel01.zip: FAILED: is not a regular file";
        // More than the part: a stray file, or the next volume beside its own.
        for (bool withScript : {false, true}) {
            const char* mode = withScript ? ", script" : "";
            QTest::newRow(qPrintable(QString("stray file in zip 6%1").arg(mode)))
                << "stray6" << withScript << "zip 06 rel06.zip: FAILED: holds stray.txt, which";
            QTest::newRow(qPrintable(QString("junk after the archive's end%1").arg(mode)))
                << "junk6" << withScript
                << "set: FAILED: zip 06 rel06.zip: holds data after the end of the archive";
            QTest::newRow(qPrintable(QString("sfv lists a zip twice%1").arg(mode)))
                << "sfvdup" << withScript
                << "SFV rel.sfv: FAILED: line 3: lists rel01.zip again with another CRC (line 2";
            QTest::newRow(qPrintable(QString("a wrong sfv beside the right one%1").arg(mode)))
                << "sfvcase" << withScript
                << "SFV REL.sfv: FAILED: line 5: zip 04 rel04.zip has CRC";
            QTest::newRow(qPrintable(QString("entry climbing out%1").arg(mode)))
                << "escape" << withScript
                << "zip 02 rel02.zip: FAILED: the entry name \"../../../../tmp/escape.txt\" "
                   "climbs out";
            QTest::newRow(qPrintable(QString("absolute entry%1").arg(mode)))
                << "absolute" << withScript
                << "zip 02 rel02.zip: FAILED: the entry name \"/abs/x\" is an absolute path";
            QTest::newRow(qPrintable(QString("volume named out of the folder%1").arg(mode)))
                << "volumepath" << withScript
                << "zip 03 rel03.zip: FAILED: the entry name \"../../x.7z.003\" climbs out";
            QTest::newRow(qPrintable(QString("link entry%1").arg(mode)))
                << "link" << withScript
                << "zip 04 rel04.zip: FAILED: passwd is a link, which a receiver does not unpack";
            QTest::newRow(qPrintable(QString("three-digit total bare%1").arg(mode)))
                << "threebare" << withScript
                << "zip 01 rel01.zip: FAILED: file_id.diz says 001/006: receiving sites read a "
                   "three-digit total such as 001/006 only in the forms [001/006] and (001/006)";
            QTest::newRow(qPrintable(QString("three-digit total in angles%1").arg(mode)))
                << "threeangle" << withScript
                << "zip 06 rel06.zip: FAILED: file_id.diz says <006/006>: receiving sites";
            QTest::newRow(qPrintable(QString("volume lying about its size%1").arg(mode)))
                << "lie" << withScript
                << "zip 01 rel01.zip: FAILED: rel.7z.001 holds more data than the 1000 bytes it "
                   "declares";
        }
        QTest::newRow("next volume beside its own, script")
            << "nextvol6" << true
            << "zip 06 rel06.zip: FAILED: holds 2 volumes: rel.7z.006, rel.7z.005";
        QTest::newRow("next volume beside its own")
            << "nextvol6" << false
            << "zip 06 rel06.zip: FAILED: holds rel.7z.005, which the other zips do not hold";
        QTest::newRow("renamed zip, script")
            << "rename5" << true
            << "zip ?? rfl05.zip: FAILED: looks like one of the set's zips but is not named as "
               "one (rel01.zip to rel06.zip)";
        QTest::newRow("renamed zip")
            << "rename5" << false << "zip ?? rfl05.zip: FAILED: the name does not share the stem";
    }
    void damagedSets() {
        QFETCH(QString, damage);
        QFETCH(bool, withScript);
        QFETCH(QString, expected);
        const QString dir = root.filePath("damaged-" + damage + (withScript ? "-s" : ""));
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
        const bool fromSet =
            !QStringList{"empty", "bomb", "bigdiz", "binarydiz", "newline", "fifo"}.contains(
                damage);
        if (fromSet)
            copyFolder(pristine, dir);

        if (damage == "flip5") {
            QByteArray bytes = readAll(zipOf(dir, 5));
            bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x40);
            writeFile(zipOf(dir, 5), bytes);
        } else if (damage == "rezip5") {
            QString name;
            QByteArray volume = entryBytes(zipOf(dir, 5), 0, &name);
            volume[volume.size() / 2] = char(volume[volume.size() / 2] ^ 0x40);
            putEntries(zipOf(dir, 5), {{name, volume}});
        } else if (damage == "delete3") {
            QVERIFY(QFile::remove(zipOf(dir, 3)));
        } else if (damage == "diz13") {
            putEntries(
                zipOf(dir, 1),
                {{"file_id.diz", "  The Release\r\n  -----------\r\nDisk 01/13 of the set\r\n"}});
        } else if (damage == "dizxx") {
            for (int k = 1; k <= 6; ++k)
                putEntries(zipOf(dir, k), {{"file_id.diz", "Disk xx/06\r\n"}});
        } else if (damage == "stale7") {
            QVERIFY(QFile::copy(zipOf(dir, 6), zipOf(dir, 7)));
        } else if (damage == "rename4") {
            QVERIFY(QFile::rename(zipOf(dir, 4), dir + "/rel4.zip"));
        } else if (damage == "sfv") {
            QByteArray sfv = readAll(dir + "/rel.sfv");
            const qsizetype at = sfv.indexOf("rel02.zip ") + 10;
            sfv[at] = sfv[at] == '0' ? '1' : '0';
            writeFile(dir + "/rel.sfv", sfv);
        } else if (damage == "nfo") {
            int error = 0;
            zip_t* archive = zip_open(QFile::encodeName(zipOf(dir, 1)).constData(), 0, &error);
            QVERIFY(archive);
            QVERIFY(zip_delete(archive, zip_uint64_t(zip_name_locate(archive, "release.nfo", 0))) ==
                    0);
            QCOMPARE(zip_close(archive), 0);
        } else if (damage == "nfo2") {
            putEntries(zipOf(dir, 2), {{"release.nfo", "Release notes\r\n"}});
        } else if (damage == "notzip") {
            writeFile(zipOf(dir, 1), "This is not a zip at all\r\n");
        } else if (damage == "truncated") {
            const QByteArray bytes = readAll(zipOf(dir, 3));
            writeFile(zipOf(dir, 3), bytes.left(bytes.size() / 2));
        } else if (damage == "bomb") {
            putEntries(dir + "/bomb.zip",
                       {{"bomb.7z", QByteArray(2'000'000, '\0')}, {"file_id.diz", "01/01"}});
            QByteArray bytes = readAll(dir + "/bomb.zip");
            claimSize(bytes, 0xFFFFFFF0u);
            writeFile(dir + "/bomb.zip", bytes);
        } else if (damage == "bigdiz") {
            QByteArray text = noise(3'000'000, 4);
            for (char& c : text)
                c = char('A' + (uchar(c) % 26));
            putEntries(dir + "/rel.zip", {{"rel.7z", noise(1000, 3)}, {"file_id.diz", text}});
        } else if (damage == "binarydiz") {
            putEntries(dir + "/rel.zip", {{"rel.7z", noise(1000, 3)},
                                          {"file_id.diz", QByteArray("Disk\0 01/01", 11)}});
        } else if (damage == "newline") {
            QVERIFY(QFile::copy(zipOf(pristine, 1), dir + "/rel\n01.zip"));
        } else if (damage == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(zipOf(dir, 1)).constData(), 0600), 0);
        } else {
            craftDamage(damage, dir);
        }

        const QStringList before = folderState(dir);
        const Run run =
            kavel(withScript ? QStringList{"--verify", dir, script} : QStringList{"--verify", dir});
        QVERIFY2(run.out.contains(expected), qPrintable(run.out + run.err));
        const bool passes = damage == "none" || damage == "neighbour";
        if (damage == "rename5")
            QVERIFY2(run.out.contains("set: FAILED: missing 05"), qPrintable(run.out));
        QCOMPARE(run.exitCode, passes ? 0 : 1);
        QCOMPARE(run.err.isEmpty(), passes);
        // Every line of the report is one line: a name's newline is written out.
        QVERIFY(!run.out.contains("rel\n01"));
        QCOMPARE(folderState(dir), before);
    }

    // A zip that declares a 500,000-byte volume inflating to 200 MB, checked with the work
    // folder on a 64 MB file system: the check fails at the declared size, and nothing it
    // writes comes near filling the file system.
    void lyingSizeOnASmallFileSystem() {
        const QString small = root.filePath("small");
        QDir().mkpath(small);
        if (::geteuid() != 0 ||
            QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64m", "tmpfs", small}) != 0)
            SKIP_OR_FAIL("mounting a small file system needs root");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {small}); });
        const QString dir = root.filePath("lying");
        QDir().mkpath(dir);
        writeLyingZip(dir + "/lie.zip", 500'000, 200'000'000);
        QProcessEnvironment onSmall = env;
        onSmall.insert("KAVEL32_SCRATCH_DIR", small + "/scratch");
        const Run run = kavel({"--verify", dir}, onSmall);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.contains("lie.7z holds more data than the 500000 bytes "
                                  "it declares"),
                 qPrintable(run.out));
        QVERIFY2(!run.out.contains("No space left"), qPrintable(run.out));
    }

    // A set left in the folder by an earlier, bigger run is replaced, never mixed with the
    // new one: its zips (named as the set's, each holding the set's volume of its number, in
    // any case) and the SFV that lists them go before the first new zip; every other file,
    // a PAR2 file that lists nothing and those that merely start with the name, stays. The
    // run's own check then passes.
    void rerunReplacesTheOlderSet() {
        const QString dir = root.filePath("stale");
        QDir().mkpath(dir);
        QVERIFY(QFile::copy(zipOf(pristine, 6), dir + "/old09.zip"));
        renameEntry(dir + "/old09.zip", 0, "old.7z.009");
        QVERIFY(QFile::copy(zipOf(pristine, 6), dir + "/OLD012.zip"));
        renameEntry(dir + "/OLD012.zip", 0, "OLD.7z.012");
        writeFile(dir + "/old.sfv", "old09.zip 00000000\r\n");
        writeFile(dir + "/old.vol0+1.par2", "x");
        const QStringList kept = {"old09-notes.txt", "old.txt", "old09.zip.bak", "old.nfo",
                                  "old.vol0+1.par2"};
        for (const QString& name : kept)
            writeFile(dir + "/" + name, "keep");
        const Run run =
            kavel({"--work-dir", work, "--verify", "!" + save(job("old", dir), "old.rip")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains("Replaced the older set old in " + dir), qPrintable(run.out));
        QVERIFY2(run.out.contains("Check passed: 6 zips"), qPrintable(run.out));
        QStringList expected = kept;
        for (int k = 1; k <= 6; ++k)
            expected << QStringLiteral("old%1.zip").arg(k, 2, 10, QChar('0'));
        expected.sort();
        QStringList found = QDir(dir).entryList(QDir::Files, QDir::Name);
        found.sort();
        QCOMPARE(found, expected);
    }

    // A whole set whose tester says "Everything is Ok" yet exits with any status 7-Zip
    // documents beside success (1: warning, 2: fatal, 7: command line, 8: memory, 255:
    // stopped) fails the check, naming the status.
    void testerStatusDecides_data() {
        QTest::addColumn<int>("status");
        for (int status : {0, 1, 2, 7, 8, 255})
            QTest::addRow("7zz exits %d", status) << status;
    }
    void testerStatusDecides() {
        QFETCH(int, status);
        const QString bin = root.filePath(QString("bin-7zz-%1").arg(status));
        writeFile(bin + "/7zz",
                  QString("#!/bin/sh\n/usr/bin/7zz \"$@\"\nexit %1\n").arg(status).toUtf8());
        QVERIFY(QFile::setPermissions(bin + "/7zz", QFile::ReadOwner | QFile::ExeOwner));
        QProcessEnvironment tester = env;
        tester.insert("PATH", bin + ":" + env.value("PATH"));
        const Run run = kavel({"--verify", pristine, script}, tester);
        if (status == 0) {
            QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
            return;
        }
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.out.contains(QString("the joined volumes fail 7zz t (status %1)").arg(status)),
                 qPrintable(run.out));
    }

    // Without the par2 program nothing is made at all.
    void missingPar2StopsBeforeTheRun() {
        const QString bin = root.filePath("bin-without-par2");
        QDir().mkpath(bin);
        QVERIFY(QFile::link("/usr/bin/7zz", bin + "/7zz"));
        QProcessEnvironment noPar2 = env;
        noPar2.insert("PATH", bin);
        const QString dir = root.filePath("nopar2");
        QDir().mkpath(dir);
        const QStringList workBefore = folderState(work);
        const Run run = kavel(
            {"--work-dir", work, "--par2", "10", "!" + save(job("np", dir), "np.rip")}, noPar2);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("needs the par2 program"), qPrintable(run.err));
        QVERIFY(QDir(dir).isEmpty());
        QCOMPARE(folderState(work), workBefore);
    }
};

QTEST_GUILESS_MAIN(TestSetCheckEndToEnd)
#include "test_set_check_end_to_end.moc"
