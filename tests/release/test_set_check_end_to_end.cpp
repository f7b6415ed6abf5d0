// A set made by the real program with --sfv --par2 --verify, then checked again by
// "kavel32 --verify" after every kind of damage a receiving site meets, with the real 7zz,
// par2 and cksfv.
#include "script/script_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <zip.h>

#include <sys/stat.h>

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
        }

        const QStringList before = folderState(dir);
        const Run run =
            kavel(withScript ? QStringList{"--verify", dir, script} : QStringList{"--verify", dir});
        QVERIFY2(run.out.contains(expected), qPrintable(run.out + run.err));
        const bool passes = damage == "none";
        QCOMPARE(run.exitCode, passes ? 0 : 1);
        QCOMPARE(run.err.isEmpty(), passes);
        // Every line of the report is one line: a name's newline is written out.
        QVERIFY(!run.out.contains("rel\n01"));
        QCOMPARE(folderState(dir), before);
    }

    // A set left in the folder by an earlier, bigger run is replaced, never mixed with the
    // new one: its zips, SFV and PAR2 files go before the first new zip, and every other file
    // that merely starts with the name stays. The run's own check then passes.
    void rerunReplacesTheOlderSet() {
        const QString dir = root.filePath("stale");
        QDir().mkpath(dir);
        QVERIFY(QFile::copy(zipOf(pristine, 6), dir + "/old09.zip"));
        QVERIFY(QFile::copy(zipOf(pristine, 6), dir + "/OLD012.zip"));
        writeFile(dir + "/old.sfv", "old09.zip 00000000\r\n");
        writeFile(dir + "/old.vol0+1.par2", "x");
        const QStringList kept = {"old09-notes.txt", "old.txt", "old09.zip.bak", "old.nfo"};
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
