#include "platform/source_date.h"

#include "job/text_lines.h"

#include <QDateTime>
#include <QFile>
#include <QStringDecoder>

#include <fcntl.h>
#include <sys/stat.h>

namespace {
// The value as a message quotes it: text in the system's encoding as it reads, any byte that is
// not part of such text and every control character written out (\xNN), never mojibake.
// At most the first 40 characters or bytes.
QString printableBytes(const QByteArray& value) {
    QStringDecoder decoder(QStringDecoder::System, QStringDecoder::Flag::Stateless);
    const QString text = decoder(value);
    if (!decoder.hasError())
        return printableText(text.left(40));
    QString shown;
    for (char c : value.left(40)) {
        const auto byte = uchar(c);
        shown += byte < 0x80 ? printableText(QString(QLatin1Char(c)))
                             : QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    return shown;
}
} // namespace

SourceDateEpoch parseSourceDateEpoch(const QByteArray& value) {
    SourceDateEpoch epoch;
    if (value.isEmpty())
        return epoch;
    const QString shown = printableBytes(value);
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
