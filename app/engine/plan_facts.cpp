#include "engine/run_plan.h"

#include "companion/line_text_file.h"
#include "job/text_lines.h"
#include "platform/file_read.h"
#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>

namespace {

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

} // namespace

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
    return facts;
}
