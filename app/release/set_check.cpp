#include "release/set_check.h"

#include "companion/nfo_copy.h"
#include "job/text_lines.h"
#include "job/volume_rules.h"
#include "platform/file_read.h"
#include "platform/paths.h"
#include "platform/process_runner.h"
#include "platform/stop_signals.h"
#include "release/diz_numbers.h"
#include "release/sfv_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kDizName = QStringLiteral("file_id.diz");

// Deflate cannot make more than about 1,032 bytes out of one; an entry that claims more is
// lying about its size, and reading it would only fill the disk.
constexpr qint64 kMaxPlausibleRatio = 1100;
constexpr qint64 kSmallEntryBytes = 1024 * 1024;

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool hasControl(const QString& s) {
    for (QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    return false;
}

QString baseOf(const QString& fileName) {
    return fileName.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive) ? fileName.chopped(4)
                                                                         : fileName;
}

qsizetype trailingDigits(const QString& s) {
    qsizetype n = 0;
    while (n < s.size() && isDigit(s[s.size() - 1 - n]))
        ++n;
    return n;
}

// Whether an entry name looks like an archive volume or a whole archive.
bool looksLikeVolume(const QString& name) {
    static const QRegularExpression pattern(
        QStringLiteral("\\.(\\d{3,}|7z|zip|rar|ace|r\\d\\d|c\\d\\d|s\\d\\d)$"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern.match(name).hasMatch();
}

QString numberText(int number, int width) {
    return QStringLiteral("%1").arg(number, qMax(width, 2), 10, QLatin1Char('0'));
}

QString libzipError(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    const QString text = QString::fromLocal8Bit(zip_error_strerror(&error));
    zip_error_fini(&error);
    return text;
}

// One entry of a zip as its central directory describes it.
struct Entry {
    QString name;
    zip_uint64_t index = 0;
    qint64 size = 0;
    qint64 compressedSize = 0;
    QString refusal; // why it is not read at all
};

// What the check found out about one zip.
struct ZipFindings {
    SetZipName name;
    QString path;
    int place = 0; // its number in the set (1 for a single archive), 0 when unknown
    bool opened = false;
    QList<Entry> entries;
    QStringList faults;
    int volumeEntry = -1; // index into entries
    QString volumeFile;   // the volume's bytes, copied out for the joined test
    bool volumeComplete = false;
    QByteArray volumeHead; // its first bytes, for the format
    DiskNumbers numbers;
    bool dizRead = false;
    bool hasNfo = false;
};

class ZipHandle {
  public:
    ~ZipHandle() {
        if (archive)
            zip_discard(archive);
    }
    zip_t* archive = nullptr;
};

// Opens a zip read-only, refusing what is not a regular file before libzip touches it (a
// FIFO would block the open). Empty on success, else why.
QString openZip(const QString& path, ZipHandle* handle, qint64* fileSize) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QString::fromLocal8Bit(strerror(errno));
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("is not a regular file");
    *fileSize = qint64(st.st_size);
    int code = 0;
    handle->archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (handle->archive)
        return {};
    if (code == ZIP_ER_NOZIP) {
        // The start of a zip without its end is a zip cut short, not something else.
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && file.read(4) == QByteArrayView("PK\x03\x04", 4))
            return QStringLiteral("is damaged or cut short (its central directory is missing)");
        return QStringLiteral("is not a zip archive");
    }
    if (code == ZIP_ER_INCONS)
        return QStringLiteral("is damaged or cut short (%1)").arg(libzipError(code));
    return QStringLiteral("cannot be opened: %1").arg(libzipError(code));
}

// The central directory: names and claimed sizes, and the entries not to be read.
void listEntries(ZipFindings& z, zip_t* archive, qint64 fileSize) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        Entry entry;
        entry.index = zip_uint64_t(i);
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &st) != 0) {
            entry.name = QStringLiteral("#%1").arg(i + 1);
            entry.refusal = QStringLiteral("entry %1 cannot be read: %2")
                                .arg(i + 1)
                                .arg(QString::fromLocal8Bit(zip_strerror(archive)));
            z.entries << entry;
            continue;
        }
        entry.name = QString::fromUtf8(st.name ? st.name : "");
        entry.size = (st.valid & ZIP_STAT_SIZE) ? qint64(st.size) : 0;
        entry.compressedSize = (st.valid & ZIP_STAT_COMP_SIZE) ? qint64(st.comp_size) : 0;
        const QString shown = printableText(entry.name);
        if (hasControl(entry.name))
            entry.refusal =
                QStringLiteral("the entry name \"%1\" holds a control character").arg(shown);
        else if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            entry.refusal = QStringLiteral("%1 is encrypted").arg(shown);
        else if (entry.compressedSize > fileSize || entry.size < 0 || entry.compressedSize < 0)
            entry.refusal =
                QStringLiteral("%1 claims more compressed bytes than the zip holds").arg(shown);
        else if (entry.size > kSmallEntryBytes &&
                 entry.size / qMax<qint64>(entry.compressedSize, 1) > kMaxPlausibleRatio)
            entry.refusal = QStringLiteral("%1 claims %2 bytes out of %3 compressed, more than "
                                           "deflate can make: refused unread (a zip bomb)")
                                .arg(shown)
                                .arg(entry.size)
                                .arg(entry.compressedSize);
        z.entries << entry;
    }
}

bool isDiz(const Entry& e) {
    return e.name.compare(kDizName, Qt::CaseInsensitive) == 0;
}

// Picks the volume among the entries that are neither the diz, the nfo nor the extra files.
void findVolume(ZipFindings& z, const QHash<QString, int>& nameUse, const QStringList& nfoNames,
                const QStringList& extraNames, bool nfoByExtension) {
    QList<int> candidates;
    for (int i = 0; i < z.entries.size(); ++i) {
        const Entry& e = z.entries[i];
        const QString lower = e.name.toLower();
        const bool nfo =
            nfoByExtension ? lower.endsWith(QLatin1String(".nfo")) : nfoNames.contains(lower);
        if (nfo)
            z.hasNfo = true;
        if (isDiz(e) || nfo || extraNames.contains(lower) || hasControl(e.name))
            continue;
        candidates << i;
    }
    auto narrow = [&](auto keep) {
        QList<int> kept;
        for (int i : candidates)
            if (keep(z.entries[i]))
                kept << i;
        if (!kept.isEmpty())
            candidates = kept;
    };
    // Extra files that travel with every zip are not the volume; volumes look like volumes
    // and each zip holds its own.
    if (candidates.size() > 1)
        narrow([](const Entry& e) { return looksLikeVolume(e.name); });
    if (candidates.size() > 1)
        narrow([&](const Entry& e) { return nameUse.value(e.name.toLower()) == 1; });
    if (candidates.isEmpty()) {
        z.faults << QStringLiteral("holds no volume");
    } else if (candidates.size() > 1) {
        QStringList names;
        for (int i : candidates)
            names << printableText(z.entries[i].name);
        z.faults << QStringLiteral("holds %1 entries that could be the volume: %2")
                        .arg(candidates.size())
                        .arg(names.join(QStringLiteral(", ")));
    } else {
        z.volumeEntry = candidates.front();
    }
}

// Reads every byte of every entry through libzip, which checks each CRC at the end of the
// entry; the volume is copied out on the way and the diz kept.
void readEntries(ZipFindings& z, zip_t* archive, const QString& volumeDir, QByteArray* diz) {
    // Small enough to stay in the processor's cache between the read, the CRC and the copy.
    QByteArray buffer(128 * 1024, Qt::Uninitialized);
    for (int i = 0; i < z.entries.size(); ++i) {
        const Entry& e = z.entries[i];
        if (!e.refusal.isEmpty()) {
            z.faults << e.refusal;
            continue;
        }
        if (StopSignals::requested())
            return;
        const bool volume = i == z.volumeEntry;
        const bool dizEntry = isDiz(e);
        int out = -1;
        if (volume && !volumeDir.isEmpty()) {
            z.volumeFile = volumeDir + QStringLiteral("/v%1").arg(z.place, 4, 10, QLatin1Char('0'));
            out = ::open(QFile::encodeName(z.volumeFile).constData(),
                         O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            if (out < 0)
                z.faults << QStringLiteral("cannot copy the volume out for the test: %1")
                                .arg(QString::fromLocal8Bit(strerror(errno)));
        }
        zip_file_t* file = zip_fopen_index(archive, e.index, 0);
        if (!file) {
            z.faults << QStringLiteral("%1 cannot be read: %2")
                            .arg(printableText(e.name),
                                 QString::fromLocal8Bit(zip_strerror(archive)));
            if (out >= 0)
                ::close(out);
            continue;
        }
        qint64 total = 0;
        zip_int64_t got = 0;
        bool written = out >= 0;
        while ((got = zip_fread(file, buffer.data(), zip_uint64_t(buffer.size()))) > 0) {
            if (volume && total < 16)
                z.volumeHead += QByteArrayView(buffer.constData(), qMin<qint64>(got, 16 - total));
            if (dizEntry && diz->size() <= kMaxDizBytes)
                diz->append(buffer.constData(),
                            qsizetype(qMin<qint64>(got, kMaxDizBytes + 1 - diz->size())));
            if (written && ::write(out, buffer.constData(), size_t(got)) != got)
                written = false;
            total += got;
        }
        if (got < 0) {
            zip_error_t* error = zip_file_get_error(file);
            const QString why = zip_error_code_zip(error) == ZIP_ER_CRC
                                    ? QStringLiteral("CRC error in %1")
                                    : QStringLiteral("%1 cannot be read: ") +
                                          QString::fromLocal8Bit(zip_error_strerror(error));
            z.faults << why.arg(printableText(e.name));
        } else if (total != e.size) {
            z.faults << QStringLiteral("%1 reads back %2 bytes where the zip says %3")
                            .arg(printableText(e.name))
                            .arg(total)
                            .arg(e.size);
        } else {
            if (volume)
                z.volumeComplete = written;
            if (dizEntry)
                z.dizRead = true;
        }
        zip_fclose(file);
        if (out >= 0) {
            if (::close(out) != 0)
                written = false;
            if (volume && !written && got >= 0)
                z.faults << QStringLiteral("the volume could not be copied out for the test");
        }
        if (dizEntry && e.size > kMaxDizBytes)
            diz->clear();
    }
}

// The diz's disk numbers, or why there are none to read.
void readDiz(ZipFindings& z, const QByteArray& diz, qint64 claimedSize) {
    int dizCount = 0;
    for (const Entry& e : z.entries)
        dizCount += isDiz(e) ? 1 : 0;
    if (dizCount == 0) {
        z.faults << QStringLiteral("holds no file_id.diz");
        return;
    }
    if (dizCount > 1) {
        z.faults << QStringLiteral("holds %1 file_id.diz entries").arg(dizCount);
        return;
    }
    if (!z.dizRead)
        return;
    const QString fault = claimedSize > kMaxDizBytes
                              ? QStringLiteral("is %1 bytes, too big for a diz (at most %2)")
                                    .arg(claimedSize)
                                    .arg(kMaxDizBytes)
                              : dizTextFault(diz);
    if (!fault.isEmpty()) {
        z.faults << QStringLiteral("file_id.diz ") + fault;
        z.dizRead = false;
        return;
    }
    z.numbers = findDiskNumbers(diz);
}

QString zipLabel(const ZipFindings& z, int width) {
    return QStringLiteral("zip %1 %2")
        .arg(z.place > 0 ? numberText(z.place, width) : QStringLiteral("??"),
             printableText(z.name.fileName));
}

// The stem a job's zips carry: its name, or the name cut for three digits, and the date of a
// date-stamped run.
bool stemFitsJob(const QString& stem, const JobSettings& job) {
    for (const QString& name : {job.ZipName, job.ZipName.left(kZipNameLimitThreeDigits)}) {
        if (!stem.startsWith(name, Qt::CaseInsensitive))
            continue;
        const QString rest = stem.mid(name.size());
        if (rest.isEmpty() ||
            ((rest.size() == 5 || rest.size() == 6) && trailingDigits(rest) == rest.size()))
            return true;
    }
    return false;
}

// Whether a zip's name is the job's name (or that name cut for three digits) followed by
// digits only: a date and a number, a number, or nothing for a single archive. Zips of other
// jobs in the same folder are not part of the set.
bool namedAfterJob(const QString& base, const JobSettings& job) {
    for (const QString& name : {job.ZipName, job.ZipName.left(kZipNameLimitThreeDigits)}) {
        if (name.isEmpty() || !base.startsWith(name, Qt::CaseInsensitive))
            continue;
        const QString rest = base.mid(name.size());
        if (trailingDigits(rest) == rest.size())
            return true;
    }
    return false;
}

// The names of the extra files a job puts into its zips.
QStringList extraNamesOf(const JobSettings& job) {
    if (job.ExtraPath.isEmpty())
        return {};
    if (job.ExtraIsFile)
        return {fileNamePart(job.ExtraPath).toLower()};
    QStringList names;
    for (const QString& name :
         QDir(job.ExtraPath).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot))
        names << name.toLower();
    return names;
}

// Joins the copied volumes under the names their format's tester expects and runs it.
// Empty when they pass, else the fault.
QString testJoinedVolumes(const QList<ZipFindings*>& set, int width, QString* passedLine) {
    const VolumeFormat format = volumeFormat(set.front()->volumeHead);
    if (format == VolumeFormat::Unknown)
        return QStringLiteral("the first volume is not a 7z, zip or RAR archive: its first "
                              "bytes are %1")
            .arg(QString::fromLatin1(set.front()->volumeHead.left(8).toHex(' ')));
    const QString dir = QFileInfo(set.front()->volumeFile).absolutePath();
    QHash<QString, const ZipFindings*> byFile;
    QStringList names;
    for (int i = 0; i < set.size(); ++i) {
        QString name;
        if (format == VolumeFormat::Rar) {
            // RAR finds its next volumes by their own names.
            name = set[i]->entries[set[i]->volumeEntry].name;
            if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
                name.startsWith(QLatin1Char('.')) || names.contains(name, Qt::CaseInsensitive))
                return QStringLiteral("the RAR volume name %1 cannot be used to join the set")
                    .arg(printableText(name));
        } else {
            const QString ext =
                format == VolumeFormat::SevenZip ? QStringLiteral("7z") : QStringLiteral("zip");
            name = set.size() == 1
                       ? QStringLiteral("set.") + ext
                       : QStringLiteral("set.%1.%2").arg(ext).arg(i + 1, 3, 10, QLatin1Char('0'));
        }
        if (!QFile::rename(set[i]->volumeFile, dir + QLatin1Char('/') + name))
            return QStringLiteral("cannot name the copied volume %1 for the test").arg(name);
        names << name;
        byFile.insert(name, set[i]);
    }
    const Command test = volumeTestCommand(format, dir + QLatin1Char('/') + names.front());
    if (test.program.isEmpty())
        return QStringLiteral("no archiver to test the volumes with: install 7-Zip (7zz)");
    QByteArray output;
    const int status = runCommandCapturing(test, &output);
    const QString tester = QFileInfo(test.program).fileName() + QStringLiteral(" t");
    if (status == 0) {
        *passedLine =
            QStringLiteral("%1 volumes joined in order pass %2").arg(set.size()).arg(tester);
        return {};
    }
    if (status == kCouldNotStart)
        return QStringLiteral("%1 could not be started").arg(test.program);
    QString line = testFailureLine(output);
    line.replace(dir + QLatin1Char('/'), QString());
    // A later volume the tester names is a zip of the set (it names the first, which it
    // was given, whatever is wrong).
    for (auto it = byFile.cbegin(); it != byFile.cend(); ++it)
        if (it.key() != names.front() && line.contains(it.key()))
            line += QStringLiteral(" (the volume of %1)").arg(zipLabel(**it, width));
    return QStringLiteral("the joined volumes fail %1 (status %2)%3")
        .arg(tester)
        .arg(status)
        .arg(line.isEmpty() ? QString() : QStringLiteral(": ") + line);
}

// Checks the SFV beside the set, when there is one. Adds its lines and faults.
void checkSfv(const QString& folder, const QString& stem, const QList<ZipFindings*>& set, int width,
              SetReport& report) {
    QString sfvName;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden))
        if (name.compare(stem + QStringLiteral(".sfv"), Qt::CaseInsensitive) == 0)
            sfvName = name;
    if (sfvName.isEmpty())
        return;
    const QString shown = QStringLiteral("SFV %1").arg(printableText(sfvName));
    auto fault = [&](const QString& text) {
        report.faults << shown + QStringLiteral(": ") + text;
        report.lines << shown + QStringLiteral(": FAILED: ") + text;
    };
    QByteArray bytes;
    QString error;
    if (!readRegularFile(QDir(folder).filePath(sfvName), kMaxSfvBytes, &bytes, &error))
        return fault(error);
    const SfvParse sfv = parseSfv(bytes);
    if (!sfv.ok)
        return fault(sfv.error);
    QHash<QString, quint32> listed;
    for (const SfvEntry& entry : sfv.entries)
        listed.insert(entry.name.toLower(), entry.crc);
    QStringList problems;
    QSet<QString> seen;
    for (const ZipFindings* z : set) {
        const QString key = z->name.fileName.toLower();
        seen.insert(key);
        if (!listed.contains(key)) {
            problems << QStringLiteral("%1 is not listed").arg(zipLabel(*z, width));
            continue;
        }
        quint32 crc = 0;
        if (!fileCrc32(z->path, &crc, &error))
            problems << error;
        else if (crc != listed.value(key))
            problems << QStringLiteral("%1 has CRC %2 where the SFV says %3")
                            .arg(zipLabel(*z, width), crcText(crc), crcText(listed.value(key)));
    }
    for (const SfvEntry& entry : sfv.entries)
        if (!seen.contains(entry.name.toLower()))
            problems << QString::fromLatin1(QFileInfo::exists(QDir(folder).filePath(entry.name))
                                                ? "it lists %1, which is not a zip of the set"
                                                : "it lists %1, which is missing")
                            .arg(printableText(entry.name));
    if (!problems.isEmpty())
        return fault(problems.join(QStringLiteral("; ")));
    report.lines << shown + QStringLiteral(": ok, every zip listed with a matching CRC");
}

} // namespace

bool fits83(const QString& fileName) {
    static const QString allowed = QStringLiteral("!#$%&'()-@^_`{}~");
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString base = dot < 0 ? fileName : fileName.left(dot);
    const QString ext = dot < 0 ? QString() : fileName.mid(dot + 1);
    if (base.isEmpty() || base.size() > 8 || ext.size() > 3)
        return false;
    for (QChar c : base + ext)
        if (!(c.unicode() < 0x80 && (c.isLetterOrNumber() || allowed.contains(c))))
            return false;
    return true;
}

QList<SetZipName> nameZips(const QStringList& fileNames, const QString& knownStem) {
    QList<SetZipName> names;
    if (!knownStem.isEmpty()) {
        for (const QString& fileName : fileNames) {
            SetZipName n{fileName, baseOf(fileName), 0, 0};
            const QString base = baseOf(fileName);
            const QString rest = base.mid(knownStem.size());
            if (base.startsWith(knownStem) && trailingDigits(rest) == rest.size() &&
                (rest.size() == 2 || rest.size() == 3)) {
                n.stem = knownStem;
                n.number = rest.toInt();
                n.width = int(rest.size());
            }
            names << n;
        }
        return names;
    }

    // One zip: a single archive, unless it plainly says it is number 1.
    if (fileNames.size() == 1) {
        const QString base = baseOf(fileNames.front());
        const qsizetype digits = trailingDigits(base);
        for (int width : {3, 2})
            if (digits >= width && base.right(width).toInt() == 1 && base.size() > width)
                return {{fileNames.front(), base.chopped(width), 1, width}};
        return {{fileNames.front(), base, 0, 0}};
    }

    QList<SetZipName> best;
    int bestCovered = -1, bestMax = 0;
    for (int width : {3, 2}) {
        QList<SetZipName> tried;
        QHash<QString, int> stems;
        for (const QString& fileName : fileNames) {
            const QString base = baseOf(fileName);
            SetZipName n{fileName, base, 0, 0};
            if (trailingDigits(base) >= width && base.size() > width) {
                n.stem = base.chopped(width);
                n.number = base.right(width).toInt();
                n.width = width;
                ++stems[n.stem];
            }
            tried << n;
        }
        QString common;
        int covered = 0;
        for (auto it = stems.cbegin(); it != stems.cend(); ++it)
            if (it.value() > covered || (it.value() == covered && it.key() < common)) {
                covered = it.value();
                common = it.key();
            }
        int maxNumber = 0;
        for (const SetZipName& n : tried)
            if (n.width && n.stem == common)
                maxNumber = qMax(maxNumber, n.number);
        if (covered > bestCovered || (covered == bestCovered && maxNumber < bestMax)) {
            best = tried;
            bestCovered = covered;
            bestMax = maxNumber;
        }
    }
    return best;
}

VolumeFormat volumeFormat(QByteArrayView head) {
    if (head.startsWith(QByteArrayView("7z\xBC\xAF\x27\x1C", 6)))
        return VolumeFormat::SevenZip;
    if (head.startsWith(QByteArrayView("Rar!\x1A\x07", 6)))
        return VolumeFormat::Rar;
    if (head.startsWith(QByteArrayView("PK\x03\x04", 4)) ||
        head.startsWith(QByteArrayView("PK\x05\x06", 4)))
        return VolumeFormat::Zip;
    return VolumeFormat::Unknown;
}

Command volumeTestCommand(VolumeFormat format, const QString& firstVolume) {
    if (format == VolumeFormat::Rar) {
        const QString rar = findProgram(QStringLiteral("rar"));
        if (!rar.isEmpty())
            return makeCommand(rar, {QStringLiteral("t"), QStringLiteral("-p-"),
                                     QStringLiteral("--"), firstVolume});
    }
    QString sevenZip = findProgram(QStringLiteral("7zz"));
    if (sevenZip.isEmpty())
        sevenZip = findProgram(QStringLiteral("7z"));
    if (sevenZip.isEmpty())
        return {};
    // Messages to standard output, no progress; the input is empty, so a password question
    // fails instead of waiting.
    return makeCommand(sevenZip,
                       {QStringLiteral("t"), QStringLiteral("-bso1"), QStringLiteral("-bse1"),
                        QStringLiteral("-bsp0"), QStringLiteral("--"), firstVolume});
}

QString testFailureLine(const QByteArray& output) {
    // The lines that say what failed: "ERROR: ...", "Open ERROR: ...", and what follows an
    // "ERRORS:" heading ("Unexpected end of archive").
    const QStringList lines = QString::fromLocal8Bit(output).split(QLatin1Char('\n'));
    QStringList said;
    bool afterHeading = false;
    for (const QString& raw : lines) {
        const QString line = raw.simplified();
        if (line.isEmpty())
            continue;
        const bool heading = line.endsWith(QLatin1Char(':')) &&
                             line.contains(QLatin1String("ERROR"), Qt::CaseInsensitive);
        if (!heading && (afterHeading || line.contains(QLatin1String("ERROR"))) &&
            !said.contains(line))
            said << line;
        afterHeading = heading;
    }
    return printableText(said.join(QStringLiteral("; ")));
}

SetReport checkSet(const SetCheckRequest& request,
                   const std::function<void(const QString&)>& status) {
    SetReport report;
    const QString folder = request.folder;
    auto setFault = [&](const QString& text) {
        report.faults << text;
        report.lines << QStringLiteral("set: FAILED: ") + text;
    };
    auto finish = [&] {
        report.lines << (report.passed() ? QStringLiteral("Check passed: %1 zips").arg(report.zips)
                                         : QStringLiteral("Check FAILED: %1 fault%2")
                                               .arg(report.faults.size())
                                               .arg(report.faults.size() == 1 ? "" : "s"));
        return report;
    };

    report.lines << QStringLiteral("Checking the zips in %1").arg(printableText(folder));
    if (!QFileInfo(folder).isDir()) {
        setFault(QStringLiteral("%1 is not a folder").arg(printableText(folder)));
        return finish();
    }

    // The candidates: every file named *.zip, of the job's name when the job is known.
    QStringList files;
    for (const QString& name :
         QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name)) {
        if (!name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive) ||
            name.startsWith(QLatin1Char('.')))
            continue;
        if (request.job && !namedAfterJob(baseOf(name), *request.job))
            continue;
        if (!request.stem.isEmpty() && !name.startsWith(request.stem))
            continue;
        files << name;
    }
    if (files.isEmpty()) {
        setFault(request.job ? QStringLiteral("no zips named %1* in %2")
                                   .arg(request.job->ZipName, printableText(folder))
                             : QStringLiteral("no zips in %1").arg(printableText(folder)));
        return finish();
    }

    // Names: one stem, numbers of one width.
    const QList<SetZipName> named = nameZips(files, request.stem);
    QHash<QString, int> stemCount;
    for (const SetZipName& n : named)
        ++stemCount[n.stem];
    QString stem = request.stem;
    if (stem.isEmpty()) {
        int most = 0;
        for (const SetZipName& n : named)
            if (stemCount.value(n.stem) > most && (n.number > 0 || named.size() == 1)) {
                most = stemCount.value(n.stem);
                stem = n.stem;
            }
        if (stem.isEmpty())
            stem = named.front().stem;
    }
    int width = 0;
    for (const SetZipName& n : named)
        if (n.stem == stem)
            width = qMax(width, n.width);

    QList<ZipFindings> zips;
    for (const SetZipName& n : named) {
        ZipFindings z;
        z.name = n;
        z.path = QDir(folder).filePath(n.fileName);
        const bool single = named.size() == 1 && n.number == 0;
        z.place = single ? 1 : (n.stem == stem ? n.number : 0);
        if (hasControl(n.fileName))
            z.faults << QStringLiteral("the name holds a control character");
        if (!single && n.width == 0)
            z.faults << QStringLiteral("the name carries no set number of two or three digits");
        else if (n.stem != stem)
            z.faults << QStringLiteral("the name does not share the stem %1 of the set")
                            .arg(printableText(stem));
        else if (n.width != width)
            z.faults << QStringLiteral("the number is %1 digits wide, the set's %2")
                            .arg(n.width)
                            .arg(width);
        zips << z;
    }
    std::stable_sort(zips.begin(), zips.end(), [](const ZipFindings& a, const ZipFindings& b) {
        return (a.place == 0 ? INT_MAX : a.place) < (b.place == 0 ? INT_MAX : b.place);
    });
    report.zips = int(zips.size());

    if (request.job && !stemFitsJob(stem, *request.job))
        setFault(QStringLiteral("the zips are named %1, not after the job's name %2")
                     .arg(printableText(stem), request.job->ZipName));

    // First pass: the central directories, so that every zip's volume can be told from the
    // extra files that travel with all of them.
    const std::optional<JobSettings>& job = request.job;
    const QStringList nfoNames = job && !job->NfoFile.isEmpty()
                                     ? QStringList{nfoCopyName(job->NfoFile).toLower()}
                                     : QStringList{};
    const QStringList extraNames = job ? extraNamesOf(*job) : QStringList{};
    QHash<QString, int> nameUse;
    QList<qint64> fileSizes;
    for (ZipFindings& z : zips) {
        ZipHandle handle;
        qint64 size = 0;
        const QString fault = openZip(z.path, &handle, &size);
        fileSizes << size;
        if (!fault.isEmpty()) {
            z.faults << fault;
            continue;
        }
        z.opened = true;
        listEntries(z, handle.archive, size);
        QSet<QString> once;
        for (const Entry& e : z.entries)
            once.insert(e.name.toLower());
        for (const QString& name : once)
            ++nameUse[name];
    }

    // Where the volumes are joined: a private folder of the work folder, never the checked one.
    QString workError;
    const QString work = AppPaths::workFolder(&workError);
    std::optional<QTemporaryDir> joinDir;
    QString volumeDir;
    qint64 volumeBytes = 0;
    for (ZipFindings& z : zips) {
        if (!z.opened)
            continue;
        findVolume(z, nameUse, nfoNames, extraNames, !job || job->NfoFile.isEmpty());
        if (z.volumeEntry >= 0)
            volumeBytes += z.entries[z.volumeEntry].size;
    }
    QString joinFault;
    if (work.isEmpty()) {
        joinFault = workError;
    } else {
        joinDir.emplace(work + QStringLiteral("/check-XXXXXX"));
        const qint64 available = QStorageInfo(joinDir->path()).bytesAvailable();
        if (!joinDir->isValid())
            joinFault = QStringLiteral("cannot make a folder to join the volumes in %1").arg(work);
        else if (available >= 0 && volumeBytes > available)
            joinFault = QStringLiteral("%1 bytes are needed in %2 to join the volumes, %3 are free")
                            .arg(volumeBytes)
                            .arg(work)
                            .arg(available);
        else
            volumeDir = joinDir->path();
    }

    // Second pass: every byte, the volumes copied out.
    for (int i = 0; i < zips.size(); ++i) {
        ZipFindings& z = zips[i];
        if (StopSignals::requested())
            break;
        if (!z.opened)
            continue;
        if (status)
            status(QStringLiteral("Checking %1").arg(printableText(z.name.fileName)));
        ZipHandle handle;
        qint64 size = 0;
        if (const QString fault = openZip(z.path, &handle, &size); !fault.isEmpty()) {
            z.faults << fault;
            continue;
        }
        QByteArray diz;
        readEntries(z, handle.archive, z.place > 0 ? volumeDir : QString(), &diz);
        qint64 dizSize = 0;
        for (const Entry& e : z.entries)
            if (isDiz(e))
                dizSize = e.size;
        readDiz(z, diz, dizSize);
    }
    if (const int signal = StopSignals::requested()) {
        setFault(QStringLiteral("stopped by %1").arg(QLatin1String(StopSignals::name(signal))));
        return finish();
    }

    // The set's size: the highest number, or what most diz files say when zips at the end
    // are missing.
    QMap<int, int> claims;
    int highest = 0;
    for (const ZipFindings& z : zips) {
        highest = qMax(highest, z.place);
        if (z.numbers.found)
            ++claims[z.numbers.count];
    }
    int claimed = 0, claimedBy = 0;
    for (auto it = claims.cbegin(); it != claims.cend(); ++it)
        if (it.value() > claimedBy) {
            claimed = it.key();
            claimedBy = it.value();
        }
    const int count = qMax(highest, qMin(claimed, kVolumeLimit));
    // A volume set's names are cut to fit 8.3; the date of a "$" run makes them long on
    // purpose.
    const bool shortNames =
        job && job->SizeUnits != 0 && !request.dateStamped &&
        (stem.compare(job->ZipName, Qt::CaseInsensitive) == 0 ||
         stem.compare(job->ZipName.left(kZipNameLimitThreeDigits), Qt::CaseInsensitive) == 0);

    QMap<int, const ZipFindings*> byPlace;
    for (ZipFindings& z : zips) {
        if (z.place > 0) {
            if (byPlace.contains(z.place))
                z.faults << QStringLiteral("%1 carries the same number")
                                .arg(printableText(byPlace.value(z.place)->name.fileName));
            else
                byPlace.insert(z.place, &z);
        }
        if (shortNames && !fits83(z.name.fileName))
            z.faults << QStringLiteral("the name does not fit 8.3, which the job asks for");
        if (z.opened && z.place > 0 && (count > 1 || z.numbers.found)) {
            const DiskNumbers& n = z.numbers;
            const QString says = QStringLiteral("file_id.diz says %1").arg(n.text);
            // A diz that could not be read has its fault told already.
            if (!z.dizRead)
                continue;
            if (!n.found)
                z.faults << QStringLiteral("file_id.diz carries no disk number (such as %1)")
                                .arg(QStringLiteral("%1/%2").arg(numberText(z.place, width),
                                                                 numberText(count, width)));
            else if (n.diskUnfilled)
                z.faults << says + QStringLiteral(": the disk number was never filled in");
            else if (n.disk != z.place)
                z.faults << says + QStringLiteral(" where this is zip %1").arg(z.place);
            if (n.found && n.count != count)
                z.faults << says + QStringLiteral(" where the set has %1 zips").arg(count);
        }
    }

    // The nfo: with the job, in zip 1 and, unless "1st zip only", in every zip; without it,
    // in zip 1 and then in all the others or none.
    bool othersHaveNfo = false;
    if (job) {
        othersHaveNfo = !job->FirstZipOnly;
    } else {
        for (const ZipFindings& z : zips)
            othersHaveNfo = othersHaveNfo || (z.place > 1 && z.opened && z.hasNfo);
    }
    const bool nfoExpected = !job || !job->NfoFile.isEmpty();
    for (ZipFindings& z : zips) {
        if (!z.opened || z.place == 0 || !nfoExpected)
            continue;
        const bool wanted = z.place == 1 || othersHaveNfo;
        const QString nfo = job ? nfoCopyName(job->NfoFile) : QStringLiteral("an nfo");
        if (wanted && !z.hasNfo)
            z.faults << QStringLiteral("holds no %1").arg(nfo);
        else if (!wanted && z.hasNfo && job)
            z.faults << QStringLiteral("holds %1, which the job puts into zip 1 only").arg(nfo);
    }

    // A line per zip, in set order.
    for (const ZipFindings& z : zips) {
        const QString label = zipLabel(z, width);
        if (z.faults.isEmpty()) {
            const Entry& v = z.entries[z.volumeEntry];
            report.lines << QStringLiteral("%1: ok, volume %2 (%3 bytes)%4")
                                .arg(label, printableText(v.name))
                                .arg(v.size)
                                .arg(z.numbers.found ? QStringLiteral(", disk ") + z.numbers.text
                                                     : QString());
        } else {
            report.lines << label + QStringLiteral(": FAILED: ") +
                                z.faults.join(QStringLiteral("; "));
            for (const QString& fault : z.faults)
                report.faults << label + QStringLiteral(": ") + fault;
        }
    }

    QStringList missing;
    for (int k = 1; k <= count; ++k)
        if (!byPlace.contains(k))
            missing << numberText(k, width);
    if (!missing.isEmpty())
        setFault(QStringLiteral("missing %1").arg(missing.join(QStringLiteral(", "))));

    // Receivers list a set by name: the names must sort in the order of their numbers.
    QList<const ZipFindings*> ordered = byPlace.values();
    QList<const ZipFindings*> sorted = ordered;
    std::stable_sort(sorted.begin(), sorted.end(), [](const ZipFindings* a, const ZipFindings* b) {
        return a->name.fileName.compare(b->name.fileName, Qt::CaseInsensitive) < 0;
    });
    if (sorted != ordered)
        for (int i = 0; i < ordered.size(); ++i)
            if (sorted[i] != ordered[i]) {
                setFault(QStringLiteral("the names do not sort in set order: %1 sorts at place %2")
                             .arg(printableText(sorted[i]->name.fileName))
                             .arg(i + 1));
                break;
            }

    // The volumes joined in order: only a whole set can be tested.
    QList<ZipFindings*> set;
    bool whole = missing.isEmpty() && !byPlace.isEmpty();
    for (ZipFindings& z : zips)
        if (z.place > 0 && byPlace.value(z.place) == &z) {
            whole = whole && z.volumeComplete;
            set << &z;
        }
    if (!joinFault.isEmpty()) {
        setFault(QStringLiteral("the joined volumes cannot be tested: ") + joinFault);
    } else if (!whole) {
        report.lines << QStringLiteral("set: the joined volumes are not tested: the set has no "
                                       "complete volume for every number");
    } else {
        if (status)
            status(QStringLiteral("Testing the joined volumes"));
        QString passed;
        const QString fault = testJoinedVolumes(set, width, &passed);
        if (fault.isEmpty())
            report.lines << QStringLiteral("set: ") + passed;
        else
            setFault(fault);
    }

    checkSfv(folder, stem, set, width, report);
    return finish();
}
