#include "shell/recent_scripts.h"

#include "platform/file_read.h"
#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {
constexpr qint64 kMaxRecentBytes = 64 * 1024;
}

QString recentScriptsPath() {
    return joinPath(AppPaths::stateFolderPath(), QStringLiteral("RecentScripts.txt"));
}

QStringList readRecentScripts() {
    QByteArray bytes;
    QString error;
    if (!QFileInfo::exists(recentScriptsPath()) ||
        !readRegularFile(recentScriptsPath(), kMaxRecentBytes, &bytes, &error))
        return {};
    QStringList recent;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (!line.isEmpty() && QDir::isAbsolutePath(line) && !line.contains(QChar(0)))
            recent << line;
    }
    QStringList kept;
    for (const QString& path : recent)
        if (!kept.contains(path) && kept.size() < kRecentScriptsKept)
            kept << path;
    return kept;
}

QStringList withRecentScript(const QStringList& recent, const QString& path) {
    QStringList out{path};
    for (const QString& p : recent)
        if (p != path && out.size() < kRecentScriptsKept)
            out << p;
    return out;
}

QStringList withoutScript(const QStringList& recent, const QString& path) {
    QStringList out = recent;
    out.removeAll(path);
    return out;
}

bool writeRecentScripts(const QStringList& recent, QString* error) {
    QDir().mkpath(AppPaths::stateFolderPath());
    QByteArray bytes;
    for (const QString& path : recent)
        bytes += path.toUtf8() + '\n';
    QSaveFile file(recentScriptsPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error =
                QStringLiteral("cannot write %1: %2").arg(recentScriptsPath(), file.errorString());
        return false;
    }
    return true;
}

DropKind dropKindOf(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return DropKind::None;
    if (info.isDir())
        return DropKind::Source;
    if (!info.isFile())
        return DropKind::None;
    if (path.endsWith(QLatin1String(".iso"), Qt::CaseInsensitive))
        return DropKind::Source;
    if (path.endsWith(QLatin1String(".rip"), Qt::CaseInsensitive))
        return DropKind::Script;
    return DropKind::None;
}
