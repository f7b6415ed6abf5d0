#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace {
PathStyle g_style = PathStyle::Host;

#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
constexpr bool kHostIgnoresCase = true;
#else
constexpr bool kHostIgnoresCase = false;
#endif

bool isSeparator(QChar c) {
    return c == QLatin1Char('/') || (g_style == PathStyle::Windows && c == QLatin1Char('\\'));
}

QString ensurePrivateDir(const QString& path) {
    QDir().mkpath(path);
#ifndef Q_OS_WIN
    struct stat st {};
    // A folder we do not own, or a link put in its place, is never used for scratch files.
    if (lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != getuid())
        qFatal("Kavel32: the private folder %s is not usable", qPrintable(path));
    if ((st.st_mode & 0777) != 0700)
        chmod(QFile::encodeName(path).constData(), 0700);
#endif
    return path;
}

QString fromEnv(const char* name) { return qEnvironmentVariable(name); }
} // namespace

PathStyle pathStyle() { return g_style; }
void setPathStyle(PathStyle style) { g_style = style; }

QChar pathSeparator() {
    return g_style == PathStyle::Windows ? QLatin1Char('\\') : QDir::separator();
}

bool endsWithSeparator(const QString& path) { return !path.isEmpty() && isSeparator(path.back()); }

QString joinPath(const QString& dir, const QString& name) {
    if (dir.isEmpty())
        return name;
    return endsWithSeparator(dir) ? dir + name : dir + pathSeparator() + name;
}

QString fileNamePart(const QString& path) {
    for (qsizetype i = path.size() - 1; i >= 0; --i)
        if (isSeparator(path[i]))
            return path.mid(i + 1);
    return path;
}

QString foldCase(const QString& path) {
    if (g_style == PathStyle::Windows || kHostIgnoresCase)
        return path.toLower();
    return path;
}

bool pathWithin(const QString& path, const QString& dir) {
    const QString p = foldCase(path);
    QString d = foldCase(dir);
    if (!p.startsWith(d))
        return false;
    if (p.size() == d.size() || endsWithSeparator(d))
        return true;
    return isSeparator(p[d.size()]);
}

namespace AppPaths {

QString programFolder() {
    const QString overridden = fromEnv("KAVEL32_PROGRAM_DIR");
    if (!overridden.isEmpty())
        return overridden;
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
}

namespace {
// A folder of the installed tree, relative to the executable's, so the tree works under any
// prefix and wherever it is moved.
QString installedFolder(const char* fromBin) {
    return QDir::cleanPath(programFolder() + QLatin1Char('/') + QLatin1String(fromBin));
}
} // namespace

QString helperFolder() {
    const QString installed = installedFolder(KAVEL_HELPER_DIR_FROM_BIN);
    return QFileInfo(installed).isDir() ? installed : programFolder();
}

QString resourceFolder() {
    const QString beside = programFolder() + QStringLiteral("/resources");
    if (QFileInfo::exists(beside))
        return beside;
    return installedFolder(KAVEL_DATA_DIR_FROM_BIN);
}

QString stateFolder() {
    QString dir = fromEnv("KAVEL32_STATE_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
              QStringLiteral("/kavel32");
    QDir().mkpath(dir);
    return dir;
}

QString stateTempFolder() {
    const QString dir = stateFolder() + QStringLiteral("/temp");
    QDir().mkpath(dir);
    return dir;
}

QString scratchFolder() {
    QString dir = fromEnv("KAVEL32_SCRATCH_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
              QStringLiteral("/kavel32");
    return ensurePrivateDir(dir);
}

QString scratchFile(const QString& name) { return scratchFolder() + QLatin1Char('/') + name; }

QString toolPath(const QString& name) {
    const QString beside = helperFolder() + QLatin1Char('/') + name;
    if (QFileInfo(beside).isExecutable())
        return beside;
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? name : found;
}

} // namespace AppPaths
