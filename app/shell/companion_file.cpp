#include "shell/companion_file.h"

#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>

QString ensureCompanionFile(const QString& name) {
    const QString path = joinPath(AppPaths::stateTempFolder(), name);
    if (!QFileInfo::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
    }
    return path;
}
