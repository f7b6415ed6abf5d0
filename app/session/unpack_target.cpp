#include "session/unpack_target.h"

#include "platform/paths.h"
#include "release/set_naming.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

QString proposedUnpackFolder(const QString& zipDir) {
    QStringList zips;
    for (const QString& name : QDir(zipDir).entryList({QStringLiteral("*.zip")}, QDir::Files))
        zips << name;
    QString stem = zips.isEmpty() ? QString() : nameSet(zips).stem;
    // A stem is a file name part; one that is not usable as a folder name gets the plain one.
    if (stem.isEmpty() || stem.startsWith(QLatin1Char('.')) || stem.contains(QLatin1Char('/')))
        stem = QStringLiteral("unpacked");
    const QString base = joinPath(zipDir, stem);
    QString candidate = base;
    for (int i = 2; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++i)
        candidate = base + QStringLiteral("-%1").arg(i);
    return candidate;
}

bool UnpackTarget::prepare(const QString& dest, QString* error) {
    made_.clear();
    const QString absolute = QDir::cleanPath(QFileInfo(dest).absoluteFilePath());
    QStringList missing;
    for (QString up = QFileInfo(absolute).path(); !QFileInfo::exists(up);
         up = QFileInfo(up).path()) {
        missing.prepend(up);
        if (QFileInfo(up).path() == up)
            break;
    }
    for (const QString& folder : missing) {
        if (!QDir().mkdir(folder)) {
            if (error)
                *error = QStringLiteral("cannot make the folder %1").arg(folder);
            undo();
            return false;
        }
        made_ << folder;
    }
    return true;
}

void UnpackTarget::undo() {
    std::for_each(made_.crbegin(), made_.crend(),
                  [](const QString& folder) { QDir().rmdir(folder); });
    made_.clear();
}
