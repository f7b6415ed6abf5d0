#include "companion/zip_entries.h"

#include "companion/nfo_copy.h"
#include "platform/paths.h"

#include <QDir>
#include <QMap>

QString companionNameClash(const JobSettings& job) {
    // Entry name, lower-cased, to what puts it there.
    QMap<QString, QString> taken{
        {QStringLiteral("file_id.diz"), QStringLiteral("the zip's file_id.diz")}};
    auto take = [&taken](const QString& name, const QString& what) {
        const QString key = name.toLower();
        if (taken.contains(key))
            return QStringLiteral("%1 would replace %2 in every zip: both are named %3")
                .arg(what, taken.value(key), name);
        taken.insert(key, what);
        return QString();
    };
    if (!job.NfoFile.isEmpty())
        if (const QString clash =
                take(nfoCopyName(job.NfoFile), QStringLiteral("the nfo %1").arg(job.NfoFile));
            !clash.isEmpty())
            return clash;
    if (job.ExtraPath.isEmpty())
        return {};
    if (job.ExtraIsFile)
        return take(fileNamePart(job.ExtraPath),
                    QStringLiteral("the extra file %1").arg(job.ExtraPath));
    const QStringList files =
        QDir(job.ExtraPath)
            .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& file : files)
        if (const QString clash =
                take(file, QStringLiteral("the extra file %1").arg(joinPath(job.ExtraPath, file)));
            !clash.isEmpty())
            return clash;
    return {};
}
