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
#include <zlib.h>

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

// A zip's entries as they lie in it: their compressed bytes and what the directory says.
struct RawEntry {
    QByteArray name, data;
    quint16 method = 0;
    quint32 crc = 0, size = 0;
    quint8 host = ZIP_OPSYS_UNIX;
    quint32 attributes = 0;
};

QList<RawEntry> rawEntries(const QString& zipPath) {
    QList<RawEntry> entries;
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(zipPath).constData(), ZIP_RDONLY, &error);
    if (!archive)
        return entries;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(archive, zip_uint64_t(i), 0, &st);
        RawEntry e;
        e.name = st.name;
        e.method = quint16(st.comp_method);
        e.crc = st.crc;
        e.size = quint32(st.size);
        zip_file_get_external_attributes(archive, zip_uint64_t(i), 0, &e.host, &e.attributes);
        e.data.resize(qsizetype(st.comp_size));
        zip_file_t* f = zip_fopen_index(archive, zip_uint64_t(i), ZIP_FL_COMPRESSED);
        zip_fread(f, e.data.data(), st.comp_size);
        zip_fclose(f);
        entries << e;
    }
    zip_discard(archive);
    return entries;
}

// Deflated as a zip holds it: no zlib header.
QByteArray rawDeflate(const QByteArray& bytes) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&z, uLong(bytes.size()))), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    z.avail_in = uInt(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(qsizetype(z.total_out));
    deflateEnd(&z);
    return out;
}

// How the entries are laid out: the damage a receiver's unzip refuses, or none.
struct RawLayout {
    QByteArray before;        // bytes ahead of the first entry, the offsets counted past them
    int gapAfter = -1;        // the entry after which 40 bytes lie that no entry covers
    int stretched = -1;       // the entry whose sizes claim 8 bytes of the next one's header
    bool descriptors = false; // every entry followed by a data descriptor
    int lyingDescriptor = -1; // the entry whose descriptor says another CRC and size
    int nested = -1; // the entry (stored) that holds the next one's header and data in its own
};

void put16(QByteArray& out, quint32 v) {
    out += char(v & 0xff);
    out += char((v >> 8) & 0xff);
}
void put32(QByteArray& out, quint32 v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

// An entry's bytes as stored, with the next entry's local header and data after them.
void nestNext(QList<RawEntry>& entries, int i) {
    RawEntry& outer = entries[i];
    const RawEntry& inner = entries[i + 1];
    QVERIFY(outer.method == ZIP_CM_STORE);
    QByteArray header = "PK\x03\x04";
    put16(header, 20);
    put16(header, 0);
    put16(header, inner.method);
    put16(header, 0);
    put16(header, 0x21);
    put32(header, inner.crc);
    put32(header, quint32(inner.data.size()));
    put32(header, inner.size);
    put16(header, quint32(inner.name.size()));
    put16(header, 0);
    outer.data += header + inner.name + inner.data;
    outer.size = quint32(outer.data.size());
    outer.crc = quint32(
        crc32(0, reinterpret_cast<const Bytef*>(outer.data.constData()), uInt(outer.data.size())));
}

QByteArray rawZip(const QList<RawEntry>& entries, const RawLayout& layout) {
    QByteArray out = layout.before;
    QList<quint32> offsets;
    const quint16 flags = layout.descriptors ? 0x0008 : 0;
    auto sizes = [&](qsizetype i) {
        return quint32(entries[i].data.size() + (i == layout.stretched ? 8 : 0));
    };
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const RawEntry& e = entries[i];
        if (layout.nested >= 0 && i == layout.nested + 1) {
            // Its header lies inside the entry before, after that entry's own bytes.
            offsets << quint32(out.size() - e.data.size() - e.name.size() - 30);
            continue;
        }
        offsets << quint32(out.size());
        out += "PK\x03\x04";
        put16(out, 20);
        put16(out, flags);
        put16(out, e.method);
        put16(out, 0);
        put16(out, 0x21);
        put32(out, layout.descriptors ? 0 : e.crc);
        put32(out, layout.descriptors ? 0 : sizes(i));
        put32(out, layout.descriptors ? 0 : e.size);
        put16(out, quint32(e.name.size()));
        put16(out, 0);
        out += e.name + e.data;
        if (layout.descriptors) {
            const bool lie = i == layout.lyingDescriptor;
            out += "PK\x07\x08";
            put32(out, e.crc ^ (lie ? 1u : 0u));
            put32(out, sizes(i) + (lie ? 1 : 0));
            put32(out, e.size + (lie ? 1 : 0));
        }
        if (i == layout.gapAfter)
            out += QByteArray(40, 'G');
    }
    const quint32 directory = quint32(out.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const RawEntry& e = entries[i];
        out += "PK\x01\x02";
        put16(out, quint32(e.host) << 8 | 20);
        put16(out, 20);
        put16(out, flags);
        put16(out, e.method);
        put16(out, 0);
        put16(out, 0x21);
        put32(out, e.crc);
        put32(out, sizes(i));
        put32(out, e.size);
        put16(out, quint32(e.name.size()));
        put16(out, 0);
        put16(out, 0);
        put16(out, 0);
        put16(out, 0);
        put32(out, e.attributes);
        put32(out, offsets[i]);
        out += e.name;
    }
    const quint32 directorySize = quint32(out.size()) - directory;
    out += "PK\x05\x06";
    put32(out, 0);
    put16(out, quint32(entries.size()));
    put16(out, quint32(entries.size()));
    put32(out, directorySize);
    put32(out, directory);
    put16(out, 0);
    return out;
}

void setAttributes(const QString& zipPath, const char* name, quint8 host, quint32 attributes) {
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(zipPath).constData(), 0, &error);
    QVERIFY(archive);
    const zip_int64_t index = zip_name_locate(archive, name, 0);
    QVERIFY(index >= 0);
    QCOMPARE(zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, host, attributes),
             0);
    QCOMPARE(zip_close(archive), 0);
}

void setComment(const QString& zipPath, const QByteArray& comment) {
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(zipPath).constData(), 0, &error);
    QVERIFY(archive);
    QCOMPARE(zip_set_archive_comment(archive, comment.constData(), zip_uint16_t(comment.size())),
             0);
    QCOMPARE(zip_close(archive), 0);
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
        // Damage inside a zip, judged without the SFV that would tell a changed zip anyway.
        static const QStringList inside = {"layout", "volume", "comment",   "nocomment",
                                           "nfo",    "extra",  "lastentry", "fat"};
        if (std::any_of(inside.cbegin(), inside.cend(),
                        [&damage](const QString& kind) { return damage.startsWith(kind); }))
            QFile::remove(dir + "/rel.sfv");
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
        } else if (damage.startsWith("layout")) {
            // Zip 1 laid out again by hand: its nfo deflated, the rest as it was.
            QList<RawEntry> entries = rawEntries(zipOf(dir, 1));
            QCOMPARE(entries.size(), 5);
            QCOMPARE(entries[2].name, QByteArray("release.nfo"));
            const QByteArray nfo = entryBytes(zipOf(dir, 1), 2);
            entries[2].method = ZIP_CM_DEFLATE;
            entries[2].data = rawDeflate(nfo);
            RawLayout layout;
            if (damage == "layout-overlap")
                layout.stretched = 2;
            else if (damage == "layout-gap")
                layout.gapAfter = 1;
            else if (damage == "layout-junk")
                layout.before = "junk ahead of the first entry";
            else if (damage.startsWith("layout-descriptor"))
                layout.descriptors = true;
            if (damage == "layout-nested") {
                // The diz stored, holding the nfo's header and data after its own bytes.
                entries[1].data = entryBytes(zipOf(dir, 1), 1);
                entries[1].method = ZIP_CM_STORE;
                nestNext(entries, 1);
                layout.nested = 1;
            }
            if (damage == "layout-descriptor-lies")
                layout.lyingDescriptor = 1;
            writeFile(zipOf(dir, 1), rawZip(entries, layout));
        } else if (damage == "volume4in3" || damage == "volumecase3" || damage == "volumesame3") {
            renameEntry(zipOf(dir, 3), 0,
                        damage == "volume4in3"    ? "rel.7z.004"
                        : damage == "volumecase3" ? "REL.7Z.003"
                                                  : "rel.7z.003");
        } else if (damage == "otherzip") {
            QVERIFY(QFile::copy(zipOf(dir, 2), dir + "/other.zip"));
        } else if (damage == "copyzip") {
            QVERIFY(QFile::copy(zipOf(dir, 5), dir + "/rel05 (1).zip"));
        } else if (damage == "othertxt") {
            writeFile(dir + "/other.txt", "not a zip\r\n");
        } else if (damage == "comment" || damage == "nocomment") {
            setComment(zipOf(dir, 2), damage == "comment" ? "Visit our site" : "");
        } else if (damage == "nfobytes" || damage == "nfosame") {
            const QByteArray nfo = entryBytes(zipOf(dir, 1), 2);
            putEntries(zipOf(dir, 1),
                       {{"release.nfo", damage == "nfosame" ? nfo : nfo + "one line more\r\n"}});
        } else if (damage == "extrabytes" || damage == "extrasame" || damage == "lastentry") {
            const bool last = damage == "lastentry";
            const QByteArray text = last ? "two\r\n" : "one\r\n";
            putEntries(zipOf(dir, 1), {{last ? "two.txt" : "one.txt",
                                        damage == "extrasame" ? text : text.toUpper()}});
        } else if (damage == "fatlink" || damage == "fatfile") {
            setAttributes(zipOf(dir, 1), "one.txt", 0 /* FAT */,
                          (damage == "fatlink" ? S_IFLNK | 0777u : S_IFREG | 0644u) << 16);
        } else if (damage == "delete6") {
            QVERIFY(QFile::remove(zipOf(dir, 6)));
        } else if (damage == "sfvlast") {
            QByteArray sfv = readAll(dir + "/rel.sfv");
            const qsizetype at = sfv.indexOf("rel06.zip ") + 10;
            sfv[at] = sfv[at] == '0' ? '1' : '0';
            writeFile(dir + "/rel.sfv", sfv);
        } else if (damage == "capitals" || damage == "capitalsbad") {
            // The set renamed with capitals, and the SFV cksfv writes for those names.
            QFile::remove(dir + "/rel.sfv");
            QStringList names;
            for (int k = 1; k <= 6; ++k) {
                names << QStringLiteral("Rel%1.zip").arg(k, 2, 10, QChar('0'));
                QVERIFY(QFile::rename(zipOf(dir, k), dir + "/" + names.back()));
            }
            QProcess p;
            p.setWorkingDirectory(dir);
            p.start("cksfv", names);
            QVERIFY(p.waitForFinished(-1));
            QByteArray sfv = p.readAllStandardOutput();
            QVERIFY2(sfv.contains("Rel06.zip "), sfv.constData());
            if (damage == "capitalsbad") {
                const qsizetype at = sfv.indexOf("Rel06.zip ") + 10;
                sfv[at] = sfv[at] == '0' ? '1' : '0';
            }
            writeFile(dir + "/Rel.sfv", sfv);
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
        // A receiving site takes every zip of the folder for the set's.
        QTest::newRow("another job's zip beside, script")
            << "neighbour" << true
            << "zip ?? relay.zip: FAILED: lies beside the set but is not one of its zips";
        QTest::newRow("byte flipped in zip 5")
            << "flip5" << true << "zip 05 rel05.zip: FAILED: CRC error in";
        QTest::newRow("volume of zip 5 rezipped damaged")
            << "rezip5" << true << "the joined volumes fail 7zz t";
        QTest::newRow("zip 3 deleted") << "delete3" << false << "missing 03";
        QTest::newRow("diz of zip 1 says 01/13")
            << "diz13" << true << "file_id.diz says 01/13 where the set has 6 zips";
        // The last zip's own numbers, k = n, and one past them, k = n + 1.
        QTest::newRow("diz of the last zip says 06/06")
            << "dizlast6" << false << "Check passed: 6 zips";
        QTest::newRow("diz of the last zip says 07/06")
            << "dizlast7" << false
            << "zip 06 rel06.zip: FAILED: file_id.diz says 07/06 where "
               "this is zip 6";
        QTest::newRow("diz never numbered")
            << "dizxx" << false << "says xx/06: the disk number was never filled in";
        QTest::newRow("stale zip 07")
            << "stale7" << true << "file_id.diz says 06/06 where this is zip 7";
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
                << "zip 01 rel01.zip: FAILED: file_id.diz says 001/006, which receiving sites do "
                   "not read: they read a three-digit total only as [001/006] or (001/006)";
            QTest::newRow(qPrintable(QString("three-digit total in angles%1").arg(mode)))
                << "threeangle" << withScript
                << "zip 06 rel06.zip: FAILED: file_id.diz says 006/006, which receiving sites";
            QTest::newRow(qPrintable(QString("volume lying about its size%1").arg(mode)))
                << "lie" << withScript
                << "zip 01 rel01.zip: FAILED: rel.7z.001 holds more data than the 1000 bytes it "
                   "declares";
        }
        // Every damage a receiver rejects, each with a control beside it made the same way
        // that must pass; with the script and without where the names alone can tell.
        for (bool withScript : {false, true}) {
            const char* mode = withScript ? ", script" : "";
            auto row = [&](const char* name, const char* damage, const QString& expected) {
                QTest::addRow("%s%s", name, mode) << damage << withScript << expected;
            };
            const QString passed = "Check passed: 6 zips";
            const QString zip1 = "zip 01 rel01.zip: FAILED: ";
            row("laid out again by hand", "layout", passed);
            row("entry data overlapping the next", "layout-overlap",
                zip1 + "the data of release.nfo overlaps the data of one.txt (overlapped "
                       "components)");
            row("entry holding the next one in its data", "layout-nested",
                zip1 + "the data of file_id.diz overlaps the data of release.nfo (overlapped "
                       "components)");
            row("gap between entries", "layout-gap",
                zip1 + "holds 40 bytes after the data of file_id.diz that no entry covers");
            row("junk before the first entry, offsets adjusted", "layout-junk",
                zip1 + "holds 29 bytes before its first entry, which no entry covers");
            row("data descriptors that agree", "layout-descriptor", passed);
            row("data descriptor disagreeing", "layout-descriptor-lies",
                zip1 + "the data descriptor of file_id.diz says CRC");
            row("volume named as its own", "volumesame3", passed);
            row("volume in another case", "volumecase3",
                withScript ? "zip 03 rel03.zip: FAILED: its volume is named REL.7Z.003 where the "
                             "job's archiver names it rel.7z.003"
                           : "zip 03 rel03.zip: FAILED: its volume is named REL.7Z.003 where the "
                             "set's volumes are named rel.7z.#");
            row("a file that is no zip beside", "othertxt", passed);
            row("comment removed where there is none", "nocomment", passed);
            row("zip comment the job does not make", "comment",
                withScript ? "zip 02 rel02.zip: FAILED: carries a zip comment (14 bytes) that "
                             "the job does not attach"
                           : "zip 02 rel02.zip: FAILED: carries a zip comment (14 bytes) that "
                             "the other zips do not carry");
            row("extra file marked regular by a FAT host", "fatfile", passed);
            row("link marked by a FAT host", "fatlink",
                zip1 + "one.txt is a link, which a receiver does not unpack");
            row("last zip deleted", "delete6", "set: FAILED: missing 06");
            row("last sfv line wrong", "sfvlast",
                "SFV rel.sfv: FAILED: line 7: zip 06 rel06.zip has CRC");
            row("names with capitals, sfv by cksfv", "capitals", passed);
            row("names with capitals, sfv by cksfv, last line wrong", "capitalsbad",
                "zip 06 Rel06.zip has CRC");
        }
        QTest::newRow("volume named for place 4, script")
            << "volume4in3" << true
            << "zip 03 rel03.zip: FAILED: its volume rel.7z.004 is named for place 4 of the set "
               "where this is zip 3";
        QTest::newRow("stray other.zip beside, script")
            << "otherzip" << true
            << "zip ?? other.zip: FAILED: lies beside the set but is not one of its zips "
               "(rel01.zip "
               "to rel06.zip)";
        QTest::newRow("a copy rel05 (1).zip beside, script")
            << "copyzip" << true << "zip ?? rel05 (1).zip: FAILED: lies beside the set";
        // The plan knows every byte the job puts into a zip.
        QTest::newRow("nfo as the job's, script") << "nfosame" << true << "Check passed: 6 zips";
        QTest::newRow("nfo bytes not the job's, script")
            << "nfobytes" << true
            << "zip 01 rel01.zip: FAILED: release.nfo is not the job's: its bytes differ from byte";
        QTest::newRow("extra as the job's, script")
            << "extrasame" << true << "Check passed: 6 zips";
        QTest::newRow("extra bytes not the job's, script")
            << "extrabytes" << true
            << "zip 01 rel01.zip: FAILED: one.txt is not the job's: its bytes differ from byte 0";
        QTest::newRow("last extra not the job's, script")
            << "lastentry" << true << "zip 01 rel01.zip: FAILED: two.txt is not the job's";
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
        } else if (damage.startsWith("dizlast")) {
            QFile::remove(dir + "/rel.sfv"); // it would tell the changed zip anyway
            putEntries(zipOf(dir, 6),
                       {{"file_id.diz", "  The Release\r\n  -----------\r\nDisk 0" +
                                            damage.right(1).toUtf8() + "/06 of the set\r\n"}});
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

        // The receiver's own test agrees: an entry inside another is what unzip -t refuses.
        if (damage == "layout-nested")
            QCOMPARE(QProcess::execute("unzip", {"-tqq", zipOf(dir, 1)}), 12);
        const QStringList before = folderState(dir);
        const Run run =
            kavel(withScript ? QStringList{"--verify", dir, script} : QStringList{"--verify", dir});
        QVERIFY2(run.out.contains(expected), qPrintable(run.out + run.err));
        const bool passes = expected.startsWith("Check passed");
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
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
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
    // A zip beside the set may stay only when it provably holds another set's volumes; any
    // other stops the run before anything is archived, as the set's own check would fail it.
    void strayZipStopsARunWithItsCheck_data() {
        QTest::addColumn<QString>("stray");
        QTest::addColumn<QString>("entry"); // what its volume is renamed to (rel06.zip's copy)
        QTest::addColumn<bool>("stops");
        QTest::newRow("another job's zip named for the set") << "old07.zip"
                                                             << "another.7z.001" << false;
        QTest::newRow("another job's zip of another name") << "OTHER.ZIP"
                                                           << "another.part2.rar" << false;
        QTest::newRow("a copy of the set's zip under another name") << "old06 (1).zip"
                                                                    << "old.7z.006" << true;
        QTest::newRow("a zip of another name holding no volume") << "other.zip"
                                                                 << "notes.txt" << true;
        QTest::newRow("a zip named for the set holding no volume") << "old07.zip"
                                                                   << "notes.txt" << true;
    }
    void strayZipStopsARunWithItsCheck() {
        QFETCH(QString, stray);
        QFETCH(QString, entry);
        QFETCH(bool, stops);
        static int row = 0;
        const QString dir = root.filePath(QStringLiteral("stray-%1").arg(++row));
        QDir().mkpath(dir);
        QVERIFY(QFile::copy(zipOf(pristine, 6), dir + "/" + stray));
        renameEntry(dir + "/" + stray, 0, entry);
        const QString saved = save(job("old", dir), "stray.rip");
        const Run run = kavel({"--work-dir", work, "--verify", "!" + saved});
        if (stops) {
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.contains(stray + " in " + dir + " is not of the set old: it holds ") &&
                         run.err.contains("a receiving site takes every zip beside the set"),
                     qPrintable(run.err));
            QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList{stray});
            return;
        }
        QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
        QVERIFY(QDir(dir).entryList(QDir::Files).contains(stray));
        const Run check = kavel({"--verify", dir, saved});
        QVERIFY2(check.exitCode == 0, qPrintable(check.out + check.err));
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

    // Check and unpack read a zip one way: a set zipped again by hand, its entries in any
    // order, passes the check and unpacks to the source, with the script and without.
    void unpackTakesEntriesInAnyOrder_data() {
        QTest::addColumn<QString>("order");
        QTest::newRow("as made") << "made";
        QTest::newRow("file_id.diz first") << "diz";
        QTest::newRow("volume last") << "last";
    }
    void unpackTakesEntriesInAnyOrder() {
        QFETCH(QString, order);
        const QString dir = root.filePath("byhand-" + order);
        const QString loose = root.filePath("loose-" + order);
        const QString dest = root.filePath("unpacked-" + order);
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
        for (int k = 1; k <= 6; ++k) {
            QProcess p;
            p.start("unzip", {"-Z1", zipOf(pristine, k)});
            QVERIFY(p.waitForFinished(-1));
            QStringList names =
                QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
            const QString volume = names.takeFirst();
            if (order == "diz")
                names.move(names.indexOf("file_id.diz"), 0);
            names.insert(order == "last" ? names.size() : order == "diz" ? 1 : 0, volume);
            const QString into = loose + QString::number(k);
            QCOMPARE(QProcess::execute("unzip", {"-q", "-o", zipOf(pristine, k), "-d", into}), 0);
            p.setWorkingDirectory(into);
            p.start("zip", QStringList{"-q", "-X", "-0", zipOf(dir, k)} + names);
            QVERIFY(p.waitForFinished(-1));
            QCOMPARE(p.exitCode(), 0);
            p.start("unzip", {"-Z1", zipOf(dir, k)});
            QVERIFY(p.waitForFinished(-1));
            QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
                     names);
        }
        for (const QStringList& args : {QStringList{"--verify", dir}, {"--verify", dir, script}}) {
            const Run check = kavel(args);
            QVERIFY2(check.exitCode == 0, qPrintable(check.out + check.err));
        }
        const Run unpacked = kavel({"--unpack", dir, dest});
        QVERIFY2(unpacked.exitCode == 0, qPrintable(unpacked.out + unpacked.err));
        QCOMPARE(treeHashes(dest + "/source"), treeHashes(source));
    }

    // An extraction that ends with any status 7-Zip documents beside success (1: warning,
    // 2: fatal, 7: command line, 8: memory, 255: stopped) fails the unpack, and nothing
    // reaches the destination.
    void unpackExtractionStatusDecides_data() {
        QTest::addColumn<int>("status");
        for (int status : {0, 1, 2, 7, 8, 255})
            QTest::addRow("7zz x exits %d", status) << status;
    }
    void unpackExtractionStatusDecides() {
        QFETCH(int, status);
        const QString bin = root.filePath(QString("bin-7zz-x-%1").arg(status));
        writeFile(bin + "/7zz", QString("#!/bin/sh\n/usr/bin/7zz \"$@\"\nfound=$?\n"
                                        "[ \"$1\" = x ] && exit %1\nexit $found\n")
                                    .arg(status)
                                    .toUtf8());
        QVERIFY(QFile::setPermissions(bin + "/7zz", QFile::ReadOwner | QFile::ExeOwner));
        QProcessEnvironment tester = env;
        tester.insert("PATH", bin + ":" + env.value("PATH"));
        const QString dest = root.filePath(QString("unpacked-status-%1").arg(status));
        const Run run = kavel({"--unpack", pristine, dest}, tester);
        if (status == 0) {
            QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));
            QCOMPARE(treeHashes(dest + "/source"), treeHashes(source));
            return;
        }
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(QString("the joined volumes fail 7zz x (status %1)").arg(status)),
                 qPrintable(run.err));
        QVERIFY(!QFileInfo::exists(dest));
        QCOMPARE(
            QDir(root.path()).entryList({".unpacked-status*"}, QDir::AllEntries | QDir::Hidden),
            QStringList{});
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
