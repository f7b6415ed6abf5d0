#include "shell/view_options.h"

#include "platform/file_read.h"
#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {
constexpr qint64 kMaxViewOptionsBytes = 4096;
const QString kReducedMotionKey = QStringLiteral("ReducedMotion");
} // namespace

QString viewOptionsPath() {
    return joinPath(AppPaths::stateFolderPath(), QStringLiteral("ViewOptions.ini"));
}

ViewOptions readViewOptions() {
    ViewOptions options;
    QByteArray bytes;
    QString error;
    if (!QFileInfo::exists(viewOptionsPath()) ||
        !readRegularFile(viewOptionsPath(), kMaxViewOptionsBytes, &bytes, &error))
        return options;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = QString::fromLatin1(raw).trimmed();
        if (line.section(QLatin1Char('='), 0, 0).trimmed() != kReducedMotionKey)
            continue;
        const QString value = line.section(QLatin1Char('='), 1).trimmed();
        if (value == QLatin1String("0") || value == QLatin1String("1"))
            options.reducedMotion = value == QLatin1String("1");
    }
    return options;
}

bool writeViewOptions(const ViewOptions& options, QString* error) {
    QDir().mkpath(AppPaths::stateFolderPath());
    QByteArray bytes;
    if (options.reducedMotion)
        bytes = (kReducedMotionKey + QLatin1Char('=') + (*options.reducedMotion ? '1' : '0') +
                 QStringLiteral("\r\n"))
                    .toLatin1();
    QSaveFile file(viewOptionsPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error =
                QStringLiteral("cannot write %1: %2").arg(viewOptionsPath(), file.errorString());
        return false;
    }
    return true;
}
