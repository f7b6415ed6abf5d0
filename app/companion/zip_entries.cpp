#include "companion/zip_entries.h"

#include "companion/nfo_copy.h"
#include "platform/paths.h"

#include <QMap>

QString companionNameClash(const JobSettings& job, const QStringList& extraFiles) {
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
    for (const QString& file : extraFiles) {
        const QString path = job.ExtraIsFile ? job.ExtraPath : joinPath(job.ExtraPath, file);
        if (const QString clash = take(file, QStringLiteral("the extra file %1").arg(path));
            !clash.isEmpty())
            return clash;
    }
    return {};
}
