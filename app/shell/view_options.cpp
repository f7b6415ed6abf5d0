#include "shell/view_options.h"

#include "platform/file_read.h"
#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {
constexpr qint64 kMaxViewOptionsBytes = 4096;
const QString kReducedMotionKey = QStringLiteral("ReducedMotion");
const QString kStayVisibleKey = QStringLiteral("StayVisible");
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
        const QString key = line.section(QLatin1Char('='), 0, 0).trimmed();
        const QString value = line.section(QLatin1Char('='), 1).trimmed();
        if (value != QLatin1String("0") && value != QLatin1String("1"))
            continue;
        if (key == kReducedMotionKey)
            options.reducedMotion = value == QLatin1String("1");
        else if (key == kStayVisibleKey)
            options.stayVisible = value == QLatin1String("1");
    }
    return options;
}

bool writeViewOptions(const ViewOptions& options, QString* error) {
    QDir().mkpath(AppPaths::stateFolderPath());
    QByteArray bytes;
    auto line = [&bytes](const QString& key, const std::optional<bool>& value) {
        if (value)
            bytes +=
                (key + QLatin1Char('=') + (*value ? '1' : '0') + QStringLiteral("\r\n")).toLatin1();
    };
    line(kReducedMotionKey, options.reducedMotion);
    line(kStayVisibleKey, options.stayVisible);
    QSaveFile file(viewOptionsPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error =
                QStringLiteral("cannot write %1: %2").arg(viewOptionsPath(), file.errorString());
        return false;
    }
    return true;
}
