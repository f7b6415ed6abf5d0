#include "platform/source_date.h"

#include "job/text_lines.h"

#include <QDateTime>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

SourceDateEpoch parseSourceDateEpoch(const QByteArray& value) {
    SourceDateEpoch epoch;
    if (value.isEmpty())
        return epoch;
    const QString shown = printableText(QString::fromLatin1(value.left(40)));
    bool digits = value.size() <= 12;
    for (char c : value)
        digits = digits && c >= '0' && c <= '9';
    const qint64 seconds = digits ? value.toLongLong() : -1;
    if (!digits || seconds > kLastStampSecond) {
        epoch.fault = QStringLiteral("%1=%2 is not a time: it must be the seconds since "
                                     "1970-01-01 UTC, digits only, at most %3")
                          .arg(QLatin1String(kSourceDateEpochVariable), shown)
                          .arg(kLastStampSecond);
        return epoch;
    }
    epoch.seconds = seconds;
    return epoch;
}

SourceDateEpoch sourceDateEpoch() {
    return parseSourceDateEpoch(qgetenv(kSourceDateEpochVariable));
}

QDate stampDate(qint64 seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).date();
}

bool stampFileTime(const QString& path, qint64 seconds) {
    const timespec times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW) ==
           0;
}
