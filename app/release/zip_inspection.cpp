#include "release/zip_inspection.h"

#include "companion/diz_numbering.h"
#include "job/text_lines.h"
#include "platform/file_read.h"
#include "release/sfv_file.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString numberText(int number, int width) {
    return QStringLiteral("%1").arg(number, qMax(width, 2), 10, QLatin1Char('0'));
}

bool containsName(const QStringList& names, const QString& name) {
    return names.contains(name, Qt::CaseInsensitive);
}

QString strayFault(const QString& name, const ZipExpectation& expected) {
    const QString shown = printableText(name);
    if (containsName(expected.zipOneOnly, name))
        return expected.fromJob
                   ? QStringLiteral("holds %1, which the job puts into zip 1 only").arg(shown)
                   : QStringLiteral("holds %1, which only zip 1 holds").arg(shown);
    return expected.fromJob
               ? QStringLiteral("holds %1, which the job does not put into it").arg(shown)
               : QStringLiteral("holds %1, which the other zips do not hold").arg(shown);
}

// The entries that can be the volume: its own name, or a volume name of the job's that is
// not one of the companions.
QList<int> volumeCandidates(const QList<ZipEntryInfo>& entries, const ZipExpectation& expected) {
    QList<int> found;
    for (int i = 0; i < entries.size(); ++i) {
        const QString& name = entries[i].name;
        const bool volume = expected.volumeName.isEmpty()
                                ? !containsName(expected.companions, name) &&
                                      isVolumeNameOf(name, expected.volumeStem)
                                : name == expected.volumeName;
        if (volume)
            found << i;
    }
    return found;
}

QString volumeFault(const QList<ZipEntryInfo>& entries, const QList<int>& candidates,
                    const ZipExpectation& expected) {
    if (candidates.isEmpty()) {
        if (!expected.volumeName.isEmpty())
            return QStringLiteral("holds no volume %1").arg(printableText(expected.volumeName));
        if (!expected.volumeStem.isEmpty())
            return QStringLiteral("holds no volume named like %1.7z.001")
                .arg(printableText(expected.volumeStem));
        return QStringLiteral("holds no volume");
    }
    QStringList names;
    for (int i : candidates)
        names << printableText(entries[i].name);
    return QStringLiteral("holds %1 volumes: %2")
        .arg(candidates.size())
        .arg(names.join(QStringLiteral(", ")));
}

// The first line where the diz differs from the job's, quoted both ways.
QString dizTextFault(const QByteArray& held, const QByteArray& planned) {
    const QStringList a = splitTextLines(held), b = splitTextLines(planned);
    for (qsizetype i = 0; i < qMax(a.size(), b.size()); ++i)
        if (a.value(i) != b.value(i) || (i < a.size()) != (i < b.size()))
            return QStringLiteral("file_id.diz is not the job's: line %1 reads \"%2\" where the "
                                  "job writes \"%3\"")
                .arg(i + 1)
                .arg(printableText(a.value(i).left(80)), printableText(b.value(i).left(80)));
    return QStringLiteral("file_id.diz is not the job's: its line ends differ");
}

// A diz in which a receiving site finds no disk number: a three-digit total written bare or
// in < > is the usual cause, and is named.
QString unreadNumbersFault(const QByteArray& diz, int place, int count, int width) {
    static const QRegularExpression bareTotal(QStringLiteral("\\d{2,3}/\\d{3}(?!\\d)"));
    const QRegularExpressionMatch bare = bareTotal.match(QString::fromLatin1(diz));
    if (bare.hasMatch())
        return QStringLiteral("file_id.diz says %1, which receiving sites do not read: they read "
                              "a three-digit total only as [%1] or (%1)")
            .arg(bare.captured());
    return QStringLiteral("file_id.diz carries no disk number a receiving site reads (such as "
                          "[%1/%2])")
        .arg(numberText(place, width), numberText(count, width));
}

// Where the volume's bytes go: the first ones kept for its format, all of them to the join
// file; a write that fails stops the copy, not the read.
struct VolumeOut {
    ZipFindings& findings;
    int fd;
    QString writeFault;
    QString take(QByteArrayView chunk) {
        if (findings.volumeHead.size() < 16)
            findings.volumeHead +=
                chunk.first(qMin<qsizetype>(chunk.size(), 16 - findings.volumeHead.size()));
        if (fd < 0 || !writeFault.isEmpty())
            return {};
        if (!writeAll(fd, chunk))
            writeFault = QStringLiteral("the volume could not be copied out for the test: %1")
                             .arg(QString::fromLocal8Bit(strerror(errno)));
        else
            findings.volumeBytesWritten += chunk.size();
        return {};
    }
};

quint32 crcOfRange(int fd, qint64 from, qint64 length, QByteArray& buffer, bool* ok,
                   VolumeOut* out = nullptr) {
    quint32 crc = 0;
    while (length > 0) {
        const ssize_t n =
            ::pread(fd, buffer.data(), size_t(qMin<qint64>(length, buffer.size())), off_t(from));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *ok = false;
            return 0;
        }
        crc = libdeflate_crc32(crc, buffer.constData(), size_t(n));
        if (out)
            out->take(QByteArrayView(buffer.constData(), n));
        from += n;
        length -= n;
    }
    return crc;
}

// A stored volume read straight out of the zip file, its CRC checked here; with the bytes
// around it the CRC of the whole file follows without a second read. False when its place
// in the file cannot be read, for the caller to read it through libzip.
bool readStoredVolume(const ZipDirectory& zip, const ZipEntryInfo& e, VolumeOut& out,
                      bool withFileCrc) {
    const int fd = ::open(QFile::encodeName(zip.path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const std::optional<qint64> at =
        e.dataOffset >= 0 ? std::optional<qint64>(e.dataOffset) : std::nullopt;
    bool ok = at && *at + e.size <= zip.fileSize;
    // Small enough to stay in the processor's cache between the read, the CRC and the write.
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    if (ok) {
        ::posix_fadvise(fd, off_t(*at), off_t(e.size), POSIX_FADV_SEQUENTIAL);
        const quint32 crc = crcOfRange(fd, *at, e.size, buffer, &ok, &out);
        if (ok && crc != e.crc)
            out.findings.faults << QStringLiteral("CRC error in %1").arg(printableText(e.name));
        out.findings.volumeComplete = ok && crc == e.crc;
        if (ok && withFileCrc) {
            const quint32 before = crcOfRange(fd, 0, *at, buffer, &ok);
            const qint64 end = *at + e.size;
            const quint32 after = crcOfRange(fd, end, zip.fileSize - end, buffer, &ok);
            if (ok)
                out.findings.fileCrc =
                    quint32(crc32_combine(crc32_combine(before, crc, z_off_t(e.size)), after,
                                          z_off_t(zip.fileSize - end)));
        }
    }
    ::close(fd);
    return ok;
}

void readVolume(const ZipArchive& archive, const ZipDirectory& zip, const ZipEntryInfo& e,
                VolumeOut& out, bool withFileCrc) {
    ZipFindings& f = out.findings;
    f.volumeName = e.name;
    f.volumeSize = e.size;
    if (e.stored && readStoredVolume(zip, e, out, withFileCrc)) {
        // Read straight out of the zip.
    } else {
        f.volumeHead.clear();
        f.volumeBytesWritten = 0;
        if (out.fd >= 0 && (::ftruncate(out.fd, 0) != 0 || ::lseek(out.fd, 0, SEEK_SET) != 0))
            out.writeFault = QStringLiteral("the volume could not be copied out for the test");
        const QString fault =
            archive.readEntry(e, [&out](QByteArrayView c) { return out.take(c); });
        if (!fault.isEmpty())
            f.faults << fault;
        f.volumeComplete = fault.isEmpty();
    }
    if (!out.writeFault.isEmpty()) {
        f.faults << out.writeFault;
        f.volumeComplete = false;
    }
    if (out.fd < 0)
        f.volumeComplete = false;
}

// Holds an entry's bytes, as they are read, against what the job puts there.
class ContentCheck {
  public:
    explicit ContentCheck(const ExpectedContent& expected) : expected_(expected) {
        if (expected.file.isEmpty())
            return;
        file_.setFileName(expected.file);
        if (!file_.open(QIODevice::ReadOnly))
            fault_ = QStringLiteral("the job's %1 cannot be read to compare: %2")
                         .arg(printableText(expected.file), file_.errorString());
    }
    QString take(QByteArrayView chunk) {
        if (differsAt_ >= 0 || !fault_.isEmpty())
            return {};
        const QByteArray theirs = expected_.file.isEmpty()
                                      ? expected_.bytes.mid(offset_, chunk.size())
                                      : file_.read(chunk.size());
        if (theirs != chunk) {
            qsizetype i = 0;
            while (i < theirs.size() && i < chunk.size() && theirs[i] == chunk[i])
                ++i;
            differsAt_ = offset_ + i;
        }
        offset_ += chunk.size();
        return {};
    }
    // After the whole entry was read: why it is not the job's, or empty.
    QString fault(const QString& name) {
        if (!fault_.isEmpty())
            return fault_;
        const bool longer =
            expected_.file.isEmpty() ? expected_.bytes.size() > offset_ : !file_.read(1).isEmpty();
        if (differsAt_ < 0 && longer)
            differsAt_ = offset_;
        if (differsAt_ < 0)
            return {};
        return QStringLiteral("%1 is not the job's: its bytes differ from byte %2 on")
            .arg(printableText(name))
            .arg(differsAt_);
    }

  private:
    const ExpectedContent& expected_;
    QFile file_;
    QString fault_;
    qint64 offset_ = 0;
    qint64 differsAt_ = -1;
};

// The zip's comment against the one the job attaches.
QString commentFault(const QByteArray& held, const ZipExpectation& expected) {
    if (!expected.comment || held == *expected.comment)
        return {};
    const bool job = expected.fromJob;
    if (expected.comment->isEmpty())
        return QStringLiteral("carries a zip comment (%1 bytes) that %2")
            .arg(held.size())
            .arg(job ? QStringLiteral("the job does not attach")
                     : QStringLiteral("the other zips do not carry"));
    if (held.isEmpty())
        return job ? QStringLiteral("carries no zip comment where the job attaches one")
                   : QStringLiteral("carries no zip comment where the other zips carry one");
    return job ? QStringLiteral("its zip comment is not the one the job attaches")
               : QStringLiteral("its zip comment is not the one the other zips carry");
}

// A volume name that names another place, or spells the job's volumes otherwise.
QStringList volumeNameFaults(const QString& name, const ZipExpectation& expected) {
    QStringList faults;
    const QString shown = printableText(name);
    if (const std::optional<int> place = volumePlace(name);
        place && expected.place > 0 && *place != expected.place)
        faults << QStringLiteral("its volume %1 is named for place %2 of the set where this is "
                                 "zip %3")
                      .arg(shown)
                      .arg(*place)
                      .arg(expected.place);
    if (expected.fromJob && expected.volumeName.isEmpty() && !expected.volumeStem.isEmpty()) {
        const QString spelt = expected.volumeStem + name.mid(expected.volumeStem.size()).toLower();
        if (name != spelt)
            faults << QStringLiteral("its volume is named %1 where the job's archiver names it "
                                     "%2: receivers join the volumes by their names, case and all")
                          .arg(shown, printableText(spelt));
    }
    return faults;
}

} // namespace

std::optional<int> volumePlace(const QString& name) {
    static const QRegularExpression part(QStringLiteral("\\.part(\\d+)\\.rar$"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression numbered(QStringLiteral("\\.(\\d{3,})$"));
    static const QRegularExpression older(QStringLiteral("\\.([rsc])(\\d\\d)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression first(QStringLiteral("\\.(7z|zip|rar|ace)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    if (const auto m = part.match(name); m.hasMatch())
        return m.captured(1).toInt();
    if (const auto m = numbered.match(name); m.hasMatch())
        return m.captured(1).size() > 6 ? std::nullopt : std::optional<int>(m.captured(1).toInt());
    if (const auto m = older.match(name); m.hasMatch())
        return (m.captured(1).compare(QLatin1String("s"), Qt::CaseInsensitive) == 0 ? 102 : 2) +
               m.captured(2).toInt();
    if (first.match(name).hasMatch())
        return 1;
    return std::nullopt;
}

QString volumeSpelling(const QString& name) {
    static const QRegularExpression part(QStringLiteral("(\\.part)\\d+(\\.rar)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression numbered(QStringLiteral("\\.\\d{3,}$"));
    static const QRegularExpression older(QStringLiteral("\\.([rsacRSAC])(\\d\\d|ar|AR|ce|CE)$"));
    QString spelt = name;
    if (const auto m = part.match(name); m.hasMatch())
        return spelt.replace(part, QStringLiteral("\\1#\\2"));
    if (numbered.match(name).hasMatch())
        return spelt.replace(numbered, QStringLiteral(".#"));
    if (const auto m = older.match(name); m.hasMatch()) {
        // game.rar, game.r00, game.s00 alike; game.ace and game.c00 alike.
        const QChar letter = m.captured(1).at(0);
        const bool ace =
            letter.toLower() == QLatin1Char('a') || letter.toLower() == QLatin1Char('c');
        const QChar family = ace ? QLatin1Char('c') : QLatin1Char('r');
        return name.left(m.capturedStart()) + QLatin1Char('.') +
               (letter.isUpper() ? family.toUpper() : family) + QLatin1Char('#');
    }
    return name;
}

bool isVolumeNameOf(const QString& name, const QString& volumeStem) {
    static const QRegularExpression extension(
        QStringLiteral("^\\.((7z|zip)(\\.\\d{3,})?|rar|ace|\\d{3,}|r\\d\\d|c\\d\\d|s\\d\\d|"
                       "part\\d+\\.rar)$"),
        QRegularExpression::CaseInsensitiveOption);
    if (volumeStem.isEmpty()) {
        const qsizetype dot = name.indexOf(QLatin1Char('.'));
        return dot > 0 && extension.match(name.mid(dot)).hasMatch();
    }
    return name.startsWith(volumeStem + QLatin1Char('.'), Qt::CaseInsensitive) &&
           extension.match(name.mid(volumeStem.size())).hasMatch();
}

EntryJudgement judgeEntries(const QList<ZipEntryInfo>& entries, const ZipExpectation& expected) {
    EntryJudgement j;
    QHash<QString, int> uses;
    for (const ZipEntryInfo& e : entries) {
        if (!e.refusal.isEmpty())
            j.faults << e.refusal;
        if (++uses[e.name.toLower()] == 2)
            j.faults << QStringLiteral("holds %1 more than once").arg(printableText(e.name));
    }
    for (const QString& companion : expected.companions)
        if (!uses.contains(companion.toLower()))
            j.faults << QStringLiteral("holds no %1").arg(printableText(companion));
    if (expected.needsNfo &&
        std::none_of(entries.cbegin(), entries.cend(), [](const ZipEntryInfo& e) {
            return e.name.endsWith(QLatin1String(".nfo"), Qt::CaseInsensitive);
        }))
        j.faults << QStringLiteral("holds no nfo");
    const QList<int> candidates = volumeCandidates(entries, expected);
    if (candidates.size() == 1 && entries[candidates.front()].refusal.isEmpty()) {
        j.volumeEntry = candidates.front();
        j.faults << volumeNameFaults(entries[j.volumeEntry].name, expected);
    } else if (candidates.size() != 1)
        j.faults << volumeFault(entries, candidates, expected);
    for (int i = 0; i < entries.size(); ++i) {
        const ZipEntryInfo& e = entries[i];
        if (e.refusal.isEmpty() && !candidates.contains(i) &&
            !containsName(expected.companions, e.name))
            j.faults << strayFault(e.name, expected);
    }
    return j;
}

QStringList dizFaults(const ZipDirectory& zip, const ZipExpectation& expected,
                      DiskNumbers* numbers) {
    if (zip.dizCount != 1)
        return {}; // told by the entries' judgement
    if (!zip.dizFault.isEmpty())
        return {zip.dizFault};
    QStringList faults;
    const DiskNumbers n = findDiskNumbers(zip.diz);
    *numbers = n;
    if (!readsAsZip(n, expected.place, expected.count)) {
        const int width = expected.count > 99 ? 3 : 2;
        const QString says = QStringLiteral("file_id.diz says ") + printableText(n.text);
        const QString onLine = QStringLiteral(" (line %1)").arg(n.line);
        if (!n.found)
            faults << unreadNumbersFault(zip.diz, expected.place, expected.count, width);
        else if (n.diskUnfilled)
            faults << says + QStringLiteral(": the disk number was never filled in") + onLine;
        else if (n.disk != expected.place)
            faults << says + QStringLiteral(" where this is zip %1").arg(expected.place) + onLine;
        if (n.found && n.count != expected.count)
            faults << says + QStringLiteral(" where the set has %1 zips").arg(expected.count) +
                          onLine;
    }
    if (faults.isEmpty() && expected.dizText && zip.diz != *expected.dizText)
        faults << dizTextFault(zip.diz, *expected.dizText);
    return faults;
}

ZipFindings inspectZip(const ZipDirectory& zip, const ZipExpectation& expected, int volumeFd,
                       bool withFileCrc) {
    ZipFindings f;
    f.fileName = zip.fileName;
    if (!zip.openFault.isEmpty()) {
        f.faults << zip.openFault;
        return f;
    }
    const EntryJudgement judged = judgeEntries(zip.entries, expected);
    f.faults << zip.layoutFaults << judged.faults << dizFaults(zip, expected, &f.numbers);
    if (const QString comment = commentFault(zip.comment, expected); !comment.isEmpty())
        f.faults << comment;
    QString fault;
    const ZipArchive archive(zip.path, &fault);
    if (!archive.isOpen()) {
        f.faults << fault;
        return f;
    }
    VolumeOut out{f, volumeFd, {}};
    for (int i = 0; i < zip.entries.size(); ++i) {
        const ZipEntryInfo& e = zip.entries[i];
        if (!e.refusal.isEmpty() || (isDizEntry(e.name) && zip.dizCount == 1))
            continue; // told already, or read with the directory
        if (i == judged.volumeEntry) {
            readVolume(archive, zip, e, out, withFileCrc);
            continue;
        }
        const auto content = expected.contents.constFind(e.name.toLower());
        if (content == expected.contents.cend()) {
            const QString read = archive.readEntry(e, [](QByteArrayView) { return QString(); });
            if (!read.isEmpty())
                f.faults << read;
            continue;
        }
        ContentCheck check(*content);
        const QString read =
            archive.readEntry(e, [&check](QByteArrayView chunk) { return check.take(chunk); });
        if (!read.isEmpty())
            f.faults << read;
        else if (const QString differs = check.fault(e.name); !differs.isEmpty())
            f.faults << differs;
    }
    if (withFileCrc && !f.fileCrc) {
        quint32 crc = 0;
        if (fileCrc32(zip.path, &crc, &fault))
            f.fileCrc = crc;
    }
    return f;
}
