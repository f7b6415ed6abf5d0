#include "engine/run_journal.h"

#include "companion/line_text_file.h"
#include "engine/journal_lines.h"
#include "job/text_lines.h"
#include "job/volume_rules.h"
#include "platform/file_read.h"
#include "platform/folder_lock.h"
#include "platform/paths.h"
#include "platform/source_date.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

using namespace journal_lines;

const QByteArray kFirstLine = "Kavel32 run journal ";
const QByteArray kEndKey = "end";

// The job, in the order of its fields. One description for the writer and the reader.
template <class Io> bool visitJob(Io& io, JobSettings& j) {
    QByteArray archiver = j.Archiver == ArchiverKind::Rar ? "rar" : "ace";
    const bool ok =
        io.text("job.SourceSpec", j.SourceSpec) && io.text("job.SkipList", j.SkipList) &&
        io.text("job.DizFile", j.DizFile) && io.flag("job.AutoNumber", j.AutoNumber) &&
        io.text("job.NumberColumn", j.NumberColumn) && io.text("job.NumberLine", j.NumberLine) &&
        io.text("job.NfoFile", j.NfoFile) && io.flag("job.FirstZipOnly", j.FirstZipOnly) &&
        io.flag("job.ExtraIsFile", j.ExtraIsFile) && io.text("job.ExtraPath", j.ExtraPath) &&
        io.text("job.ZipDir", j.ZipDir) && io.text("job.ZipName", j.ZipName) &&
        io.integer("job.SizeUnits", j.SizeUnits, kSliderMinimum, kSliderMaximum) &&
        io.integer("job.MethodIndex", j.MethodIndex, kNoMethodChosen, kMaximumMethod) &&
        io.flag("job.ZipExtra", j.ZipExtra) && io.raw("job.Archiver", archiver);
    if (!ok)
        return false;
    if (archiver != "rar" && archiver != "ace")
        return io.failBefore(QStringLiteral("job.Archiver is not rar or ace"));
    j.Archiver = archiver == "rar" ? ArchiverKind::Rar : ArchiverKind::Ace;
    return io.text("job.WorkDrive", j.WorkDrive) &&
           io.flag("job.RawArchivesOnly", j.RawArchivesOnly) &&
           io.flag("job.CommentOn", j.CommentOn) && io.text("job.CommentFile", j.CommentFile);
}

template <class Io> bool visitFacts(Io& io, RunJournal& j) {
    PlanFacts& f = j.facts;
    return io.raw("facts.diz", f.dizBytes) &&
           io.texts("facts.nfoLines", "facts.nfoLine", f.nfoLines, true) &&
           io.records("facts.extras", "facts.extra", j.extras, kMaxListed) &&
           io.raw("facts.comment", j.commentBytes) && io.text("facts.source", f.canonicalSource) &&
           io.text("facts.zipDir", f.canonicalZipDir) &&
           io.text("facts.workLocation", f.canonicalWorkLocation) &&
           io.text("facts.scratchFolder", f.canonicalScratchFolder) &&
           io.texts("facts.zipDirFiles", "facts.zipDirFile", f.zipDirFiles, false);
}

template <class Io> bool visitOptions(Io& io, PlanOptions& o) {
    QByteArray size = floatText(o.sourceSizeM);
    QByteArray stamp = o.stampTime ? QByteArray::number(*o.stampTime) : QByteArray("none");
    const bool ok =
        io.raw("options.sourceSizeM", size) && io.flag("options.batch", o.flags.BatchRun) &&
        io.flag("options.dateStamp", o.flags.DateStampRun) &&
        io.text("options.dateText", o.dateText) &&
        io.text("options.workLocation", o.workLocation) &&
        io.text("options.outputFolder", o.outputFolder) && io.flag("options.sfv", o.sfv) &&
        io.integer("options.par2Percent", o.par2Percent, 0, 100) &&
        io.flag("options.verify", o.verify) && io.raw("options.stampTime", stamp);
    if (!ok)
        return false;
    const std::optional<float> sizeM = floatValue(size);
    if (sizeM)
        o.sourceSizeM = *sizeM;
    if (!sizeM || !(o.sourceSizeM >= 0) || o.sourceSizeM > 1e12f)
        return io.failBefore(QStringLiteral("options.sourceSizeM is not a size"));
    if (stamp == "none") {
        o.stampTime.reset();
        return true;
    }
    const std::optional<qint64> seconds = number(stamp, 0, kLastStampSecond);
    if (!seconds)
        return io.fail(QStringLiteral("options.stampTime is not a time or \"none\""));
    o.stampTime = seconds;
    return true;
}

// What the parts of a journal must agree on.
QString inconsistency(const RunJournal& j) {
    if (j.archived && j.volumes.isEmpty())
        return QStringLiteral("the archiver is recorded done without volumes");
    if (j.zips.size() > j.volumes.size())
        return QStringLiteral("more zips are recorded than volumes");
    QStringList seen;
    for (const FileRecord& r : j.volumes + j.zips) {
        if (seen.contains(r.name))
            return QStringLiteral("%1 is recorded twice").arg(printableText(r.name));
        seen << r.name;
    }
    return {};
}

} // namespace

PlanOptions RunJournal::planOptions() const {
    PlanOptions o = options;
    if (archived)
        o.volumes = int(volumes.size());
    return o;
}

QByteArray formatJournal(const RunJournal& journal) {
    RunJournal j = journal;
    JournalWriter w;
    w.bytes = kFirstLine + QByteArray::number(kJournalVersion) + '\n';
    visitJob(w, j.job);
    visitFacts(w, j);
    visitOptions(w, j.options);
    if (j.archived)
        w.records("archived", "volume", j.volumes, kVolumeLimit);
    for (FileRecord& zip : j.zips)
        w.record("zip", zip);
    w.line(kEndKey.constData(), crcBytes(bytesCrc32(w.bytes)));
    return w.bytes;
}

JournalRead parseJournal(QByteArrayView bytes) {
    JournalRead read;
    if (bytes.size() > kMaxJournalBytes) {
        read.error = QStringLiteral("%1 bytes, too big for a journal").arg(bytes.size());
        return read;
    }
    if (!bytes.startsWith(kFirstLine)) {
        read.error = QStringLiteral("not a Kavel32 run journal");
        return read;
    }
    // The version first: another version may end otherwise.
    const qsizetype firstEnd = bytes.indexOf('\n');
    const QByteArrayView version = bytes.sliced(
        kFirstLine.size(), (firstEnd < 0 ? bytes.size() : firstEnd) - kFirstLine.size());
    if (version != QByteArray::number(kJournalVersion)) {
        read.error = QStringLiteral("journal version %1: this Kavel32 reads version %2")
                         .arg(printableText(QString::fromLatin1(
                             version.first(qMin<qsizetype>(version.size(), 20)))))
                         .arg(kJournalVersion);
        return read;
    }
    // The last line holds the CRC of everything before it.
    const qsizetype endAt = bytes.lastIndexOf("\n" + kEndKey + " ");
    if (endAt < 0 || !bytes.endsWith('\n')) {
        read.error = QStringLiteral("the journal is cut short (its end line is missing)");
        return read;
    }
    const QByteArrayView body = bytes.first(endAt + 1);
    const std::optional<quint32> crc =
        crcValue(bytes.sliced(endAt + kEndKey.size() + 2).chopped(1));
    if (!crc || *crc != bytesCrc32(body)) {
        read.error = QStringLiteral("the journal is damaged (its CRC does not match)");
        return read;
    }
    QList<QByteArrayView> lines;
    for (qsizetype start = 0; start < body.size();) {
        const qsizetype end = body.indexOf('\n', start);
        lines << body.sliced(start, end - start);
        start = end + 1;
    }
    JournalReader r(lines.mid(1), 2);
    RunJournal& j = read.journal;
    bool ok = visitJob(r, j.job) && visitFacts(r, j) && visitOptions(r, j.options);
    if (ok && r.atKey("archived")) {
        j.archived = true;
        ok = r.records("archived", "volume", j.volumes, kVolumeLimit);
    }
    while (ok && r.atKey("zip")) {
        FileRecord zip;
        ok = r.record("zip", zip);
        j.zips << zip;
    }
    if (ok && !r.atEnd())
        ok = r.fail(QStringLiteral("a line that belongs nowhere"));
    if (ok) {
        for (const FileRecord& extra : j.extras)
            j.facts.extraFiles << extra.name;
        j.facts.dizLines = splitTextLines(j.facts.dizBytes);
        if (const QString why = inconsistency(j); !why.isEmpty())
            ok = r.fail(why);
    }
    if (!ok) {
        read.error = r.error;
        read.journal = {};
        return read;
    }
    read.ok = true;
    return read;
}

bool isJournalFile(const QString& fileName) {
    // writeFileAtomically writes it as ".kavel32.journal.new-<pid>" first.
    return fileName == kJournalName ||
           fileName.startsWith(QLatin1Char('.') + kJournalName + QStringLiteral(".new-"));
}

QStringList entriesBesideJournal(const QString& outputFolder) {
    QStringList names =
        QDir(outputFolder)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.removeIf([](const QString& name) { return isJournalFile(name); });
    return names;
}

JournalRead readJournal(const QString& outputFolder) {
    const QString path = joinPath(outputFolder, kJournalName);
    QByteArray bytes;
    QString error;
    if (!readRegularFile(path, kMaxJournalBytes, &bytes, &error)) {
        JournalRead read;
        read.error = error;
        return read;
    }
    JournalRead read = parseJournal(bytes);
    if (!read.ok)
        read.error = QStringLiteral("the journal %1: %2").arg(path, read.error);
    return read;
}

bool writeJournal(const QString& outputFolder, const RunJournal& journal, QString* error) {
    QString why;
    if (writeFileAtomically(outputFolder, kJournalName, formatJournal(journal), &why))
        return true;
    if (error)
        *error = QStringLiteral("cannot keep the run's journal: %1").arg(why);
    return false;
}

bool hasJournal(const QString& outputFolder) {
    return QFileInfo(joinPath(outputFolder, kJournalName)).isFile();
}

bool removeJournal(const QString& outputFolder) {
    // With it go the copies a killed run was writing.
    bool gone = true;
    for (const QString& name : QDir(outputFolder).entryList(QDir::Files | QDir::Hidden))
        if (isJournalFile(name))
            gone = QFile::remove(joinPath(outputFolder, name)) && gone;
    return gone;
}

std::optional<RunJournal> journalFor(const JobSettings& job, const PlanFacts& facts,
                                     const PlanOptions& options, QString* error) {
    RunJournal j;
    j.job = job;
    j.facts.dizBytes = facts.dizBytes;
    j.facts.dizLines = facts.dizLines;
    j.facts.nfoLines = facts.nfoLines;
    j.facts.extraFiles = facts.extraFiles;
    j.facts.canonicalSource = facts.canonicalSource;
    j.facts.canonicalZipDir = facts.canonicalZipDir;
    j.facts.canonicalWorkLocation = facts.canonicalWorkLocation;
    j.facts.canonicalScratchFolder = facts.canonicalScratchFolder;
    j.facts.zipDirFiles = facts.zipDirFiles;
    j.options = options;
    j.options.volumes.reset();
    j.options.listFile.clear();
    for (const QString& name : facts.extraFiles) {
        const QString path = job.ExtraIsFile ? job.ExtraPath : joinPath(job.ExtraPath, name);
        FileRecord extra{name, QFileInfo(path).size(), 0};
        if (!fileCrc32(path, &extra.crc, error))
            return std::nullopt;
        j.extras << extra;
    }
    if (job.CommentOn && !job.RawArchivesOnly &&
        !readRegularFile(job.CommentFile, kMaxCompanionBytes, &j.commentBytes, error))
        return std::nullopt;
    return j;
}

QList<StoppedRun> stoppedRuns(const QString& workLocation) {
    QList<StoppedRun> found;
    static const QRegularExpression folderName(QStringLiteral("^Kavel\\d{3,}$"));
    const QStringList folders =
        QDir(workLocation)
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
    for (const QString& name : folders) {
        const QString folder = joinPath(workLocation, name);
        if (!folderName.match(name).hasMatch() || !hasJournal(folder) || FolderLock::isHeld(folder))
            continue;
        const JournalRead read = readJournal(folder);
        if (!read.ok)
            continue;
        const RunJournal& j = read.journal;
        found << StoppedRun{folder, j.job, j.archived, int(j.zips.size()), int(j.volumes.size())};
    }
    return found;
}

bool sameZips(const JobSettings& a, const JobSettings& b) {
    return samePath(a.ZipDir, b.ZipDir) && a.ZipName == b.ZipName;
}
