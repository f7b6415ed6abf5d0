#include "engine/run_plan.h"

#include "companion/line_text_file.h"
#include "engine/set_listings.h"
#include "engine/zip_naming.h"
#include "job/text_lines.h"
#include "platform/file_read.h"
#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>
#include <zip.h>

namespace {

// A zip of a set holds a volume and a few companions; a directory this long is not one.
constexpr zip_int64_t kMaxZipEntriesRead = 4096;

// A path with its links resolved; for one that does not exist yet, its nearest existing
// folder resolved and the rest appended.
QString resolved(const QString& path) {
    if (path.isEmpty())
        return {};
    QString rest;
    QFileInfo info(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    while (!info.exists()) {
        const QString parent = info.absolutePath();
        if (parent == info.absoluteFilePath())
            return QDir::cleanPath(path);
        rest = QLatin1Char('/') + info.fileName() + rest;
        info = QFileInfo(parent);
    }
    return QDir::cleanPath(info.canonicalFilePath() + rest);
}

QString commentFault(const JobSettings& job) {
    if (!job.CommentOn || job.RawArchivesOnly)
        return {};
    const QFileInfo comment(job.CommentFile);
    if (!comment.exists())
        return QStringLiteral("The zip comment file %1 does not exist").arg(job.CommentFile);
    if (!comment.isFile() || !comment.isReadable())
        return QStringLiteral("The zip comment file %1 can't be read").arg(job.CommentFile);
    return {};
}

// The names a zip's central directory lists, read without following a link.
QStringList zipEntryNames(const QString& path, QString* fault) {
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        *fault = QStringLiteral("it cannot be read as a zip (%1)")
                     .arg(QString::fromLocal8Bit(zip_error_strerror(&error)));
        zip_error_fini(&error);
        return {};
    }
    QStringList names;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count && i < kMaxZipEntriesRead; ++i)
        if (const char* name = zip_get_name(archive, zip_uint64_t(i), ZIP_FL_ENC_GUESS))
            names << QString::fromUtf8(name);
    zip_discard(archive);
    return names;
}

ZipFolderEntry readZipFolderEntry(const QString& dir, const QString& name) {
    ZipFolderEntry entry;
    entry.name = name;
    const QString path = QDir(dir).filePath(name);
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        entry.kind = S_ISLNK(st.st_mode)   ? ZipFolderEntry::Kind::Link
                     : S_ISDIR(st.st_mode) ? ZipFolderEntry::Kind::Folder
                                           : ZipFolderEntry::Kind::Other;
        return entry;
    }
    if (name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive)) {
        entry.listed = zipEntryNames(path, &entry.readFault);
    } else if (name.endsWith(QLatin1String(".sfv"), Qt::CaseInsensitive)) {
        QByteArray bytes;
        QString error;
        const SfvParse sfv = readRegularFile(path, kMaxSfvBytes, &bytes, &error)
                                 ? parseSfv(bytes)
                                 : SfvParse{false, {}, {}, error};
        if (!sfv.ok)
            entry.readFault = QStringLiteral("it cannot be read as an SFV (%1)").arg(sfv.error);
        for (const SfvEntry& line : sfv.entries)
            entry.listed << line.name;
    } else {
        const Par2Listing par2 = readPar2File(path);
        if (!par2.ok)
            entry.readFault =
                QStringLiteral("it cannot be read as a PAR2 file (%1)").arg(par2.error);
        entry.listed = par2.names();
    }
    return entry;
}

} // namespace

QList<ZipFolderEntry> readZipFolder(const QString& zipDir, const QString& zipName) {
    QList<ZipFolderEntry> entries;
    if (zipDir.isEmpty() || zipName.isEmpty())
        return entries;
    // Whatever the set's date, digits and the cut its name gets, its files start with this.
    const QString lead = setNameLead(zipName);
    for (const QString& name : QDir(zipDir).entryList(
             QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
        // Every zip and SFV: a receiving site takes any zip beside the set for one of its own, and
        // checks the set against every SFV that lists one of its zips.
        if (name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive) ||
            name.endsWith(QLatin1String(".sfv"), Qt::CaseInsensitive) ||
            (name.startsWith(lead, Qt::CaseInsensitive) && isPar2Name(name)))
            entries << readZipFolderEntry(zipDir, name);
    }
    return entries;
}

PlanFacts readPlanFolders(const JobSettings& job, const QString& workLocation) {
    PlanFacts facts;
    facts.canonicalSource =
        QFileInfo::exists(job.SourceSpec) ? resolved(job.SourceSpec) : QString();
    facts.canonicalZipDir = job.RawArchivesOnly ? QString() : resolved(job.ZipDir);
    facts.canonicalWorkLocation = resolved(workLocation);
    facts.canonicalScratchFolder = resolved(AppPaths::scratchFolderPath());
    return facts;
}

float sizeWithoutOwnFolders(float sourceSizeM, const PlanFacts& folders) {
    double bytes = double(sourceSizeM) * 1e6;
    for (const QString& folder : ownFoldersInSource(folders))
        bytes -= double(treeFileBytes(folder));
    return float(qMax(0.0, bytes) / 1e6);
}

PlanFacts readPlanFacts(const JobSettings& job, const QString& workLocation) {
    PlanFacts facts = readPlanFolders(job, workLocation);
    if (job.RawArchivesOnly)
        return facts;

    if (!job.DizFile.isEmpty()) {
        if (readRegularFile(job.DizFile, kMaxCompanionBytes, &facts.dizBytes, &facts.dizReadError))
            facts.dizLines = splitTextLines(facts.dizBytes);
    }
    if (!job.NfoFile.isEmpty())
        readTextLines(job.NfoFile, &facts.nfoLines, &facts.nfoReadError);
    if (!job.ExtraPath.isEmpty()) {
        if (job.ExtraIsFile)
            facts.extraFiles << fileNamePart(job.ExtraPath);
        else
            facts.extraFiles =
                QDir(job.ExtraPath)
                    .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    facts.commentFault = commentFault(job);
    if (!job.ZipDir.isEmpty())
        facts.zipDirFiles =
            QDir(job.ZipDir)
                .entryList(QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                           QDir::Name);
    facts.zipFolder = readZipFolder(job.ZipDir, job.ZipName);
    return facts;
}
