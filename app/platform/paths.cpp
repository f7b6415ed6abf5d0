#include "platform/paths.h"

#include "job/text_lines.h"
#include "platform/folder_lock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
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

// A folder we do not own, or a link put in its place, is never used for scratch files.
bool ensurePrivateDir(const QString& path, QString* error) {
    QDir().mkpath(path);
#ifndef Q_OS_WIN
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    QString fault;
    if (lstat(name.constData(), &st) != 0)
        fault = QString::fromLocal8Bit(strerror(errno));
    else if (S_ISLNK(st.st_mode))
        fault = QStringLiteral("it is a symbolic link");
    else if (!S_ISDIR(st.st_mode))
        fault = QStringLiteral("it is not a folder");
    else if (st.st_uid != getuid())
        fault = QStringLiteral("it belongs to another user");
    else if ((st.st_mode & 0777) != 0700 && chmod(name.constData(), 0700) != 0)
        fault = QString::fromLocal8Bit(strerror(errno));
    if (!fault.isEmpty()) {
        if (error)
            *error = QStringLiteral("the private folder %1 is not usable: %2")
                         .arg(printableText(path), fault);
        return false;
    }
#endif
    return true;
}

QString g_workFolder;
// Held for as long as this program lives: a work folder whose lock is free is abandoned.
FolderLock g_workFolderLock;
constexpr char kWorkFolderPrefix[] = "run-";

QString fromEnv(const char* name) {
    return qEnvironmentVariable(name);
}
} // namespace

PathStyle pathStyle() {
    return g_style;
}
void setPathStyle(PathStyle style) {
    g_style = style;
}

QChar pathSeparator() {
    return g_style == PathStyle::Windows ? QLatin1Char('\\') : QDir::separator();
}

bool endsWithSeparator(const QString& path) {
    return !path.isEmpty() && isSeparator(path.back());
}

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

bool samePath(const QString& a, const QString& b) {
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return foldCase(fa.absoluteFilePath()) == foldCase(fb.absoluteFilePath());
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
    return QFileInfo(QStringLiteral("/proc/self/exe"))
        .canonicalFilePath()
        .section(QLatin1Char('/'), 0, -2);
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

QString stateFolderPath() {
    QString dir = fromEnv("KAVEL32_STATE_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
              QStringLiteral("/kavel32");
    return dir;
}

QString stateFolder() {
    const QString dir = stateFolderPath();
    QDir().mkpath(dir);
    return dir;
}

QString stateTempFolder() {
    const QString dir = stateFolder() + QStringLiteral("/temp");
    QDir().mkpath(dir);
    return dir;
}

QString scratchFolderPath() {
    QString dir = fromEnv("KAVEL32_SCRATCH_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
              QStringLiteral("/kavel32");
    return dir;
}

QString scratchFolder(QString* error) {
    const QString dir = scratchFolderPath();
    return ensurePrivateDir(dir, error) ? dir : QString();
}

QString workFolder(QString* error) {
    if (!g_workFolder.isEmpty() && QFileInfo(g_workFolder).isDir())
        return g_workFolder;
    const QString scratch = scratchFolder(error);
    if (scratch.isEmpty())
        return {};
    // mkdtemp makes it private (0700).
    QString why;
    const QString made = g_workFolderLock.makeFolder(
        scratch, QLatin1String(kWorkFolderPrefix) + QString::number(qint64(getpid())) + '-', &why);
    if (made.isEmpty()) {
        if (error)
            *error = QStringLiteral("cannot make a work folder in %1: %2")
                         .arg(printableText(scratch), why.section(QStringLiteral(": "), -1));
        return {};
    }
    g_workFolder = made;
    return g_workFolder;
}

QString scratchFile(const QString& name) {
    const QString folder = workFolder();
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + name;
}

QString wildcardFreeSpelling(const QString& folder, const QString& linkName) {
    if (!folder.contains(QLatin1Char('*')) && !folder.contains(QLatin1Char('?')))
        return folder;
    const QString link = scratchFile(linkName);
    if (link.isEmpty())
        return folder;
    QFile::remove(link);
    return QFile::link(folder, link) ? link : folder;
}

QString zipCopyFile(const QString& name) {
    const QString folder = scratchFile(QStringLiteral("zip"));
    if (folder.isEmpty() || (!QFileInfo(folder).isDir() && !QDir().mkdir(folder)))
        return {};
    return folder + QLatin1Char('/') + name;
}

void removeWorkFolder() {
    if (!g_workFolder.isEmpty())
        QDir(g_workFolder).removeRecursively();
    g_workFolder.clear();
    g_workFolderLock.unlock();
}

void removeStaleWorkFolders() {
    const QString scratch = scratchFolder();
    if (scratch.isEmpty())
        return;
    // By its lock, never by the process id in its name: that may be a live program's in
    // another PID namespace sharing the folder, or a new process's by now.
    static const QRegularExpression name(
        QStringLiteral("^%1\\d+-[A-Za-z0-9]{6}$").arg(QLatin1String(kWorkFolderPrefix)));
    removeAbandonedFolders(scratch, name);
}

QString toolPath(const QString& name) {
    const QString beside = helperFolder() + QLatin1Char('/') + name;
    if (QFileInfo(beside).isExecutable())
        return beside;
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? name : found;
}

} // namespace AppPaths
