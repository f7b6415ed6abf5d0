#include "companion/zip_comment.h"

#include "companion/line_text_file.h"
#include "job/text_lines.h"
#include "platform/file_read.h"
#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const QString kVersKey = QStringLiteral("Vers=");
const QString kDefaultsUsed = QStringLiteral(": the defaults are used");
// The settings file holds two short lines; anything much bigger is not ours.
constexpr qint64 kMaxSettingsBytes = 64 * 1024;

bool fail(QString* errorText, const QString& text) {
    if (errorText)
        *errorText = text;
    return false;
}

// The comment line holds the path's own bytes as the file system names it, so a name
// outside Latin-1 survives the single-byte file.
QString pathAsBytes(const QString& path) {
    return QString::fromLatin1(QFile::encodeName(path));
}
QString pathFromBytes(const QString& line) {
    return QFile::decodeName(line.toLatin1());
}

bool writeSettings(const QString& versionText, const QString* commentPath, QString* errorText) {
    QStringList lines{kVersKey + versionText};
    if (commentPath)
        lines.append(pathAsBytes(*commentPath));
    return writeTextLines(settingsFilePath(), lines, errorText);
}

// Where the bytes stop being text: a NUL or another control byte than a tab or a line end.
// Bytes from 0x80 are a path's own bytes in the system's encoding.
qsizetype firstControlByte(const QByteArray& bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = uchar(bytes[i]);
        if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7f)
            return i;
    }
    return -1;
}

bool insideProgramTemp(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const QString temp = QFileInfo(AppPaths::stateTempFolder()).canonicalFilePath();
    return !canonical.isEmpty() && !temp.isEmpty() && canonical != temp &&
           pathWithin(canonical, temp);
}
} // namespace

QString programVersionText() {
    return QStringLiteral(KAVEL_VERSION_TEXT);
}

QString settingsFilePath() {
    return joinPath(AppPaths::stateFolder(), QStringLiteral("Kavel32.ini"));
}

StartupSettings readStoredSettings() {
    StartupSettings result;
    const QString path = joinPath(AppPaths::stateFolderPath(), QStringLiteral("Kavel32.ini"));
    if (!QFileInfo::exists(path))
        return result;
    QByteArray bytes;
    QString error;
    if (!readRegularFile(path, kMaxSettingsBytes, &bytes, &error)) {
        result.warning = error + kDefaultsUsed;
        return result;
    }
    result.read = true;
    if (const qsizetype at = firstControlByte(bytes); at >= 0) {
        result.warning = QStringLiteral("the settings file %1 is not text (byte 0x%2 at offset %3)")
                             .arg(path)
                             .arg(uchar(bytes[at]), 2, 16, QLatin1Char('0'))
                             .arg(at) +
                         kDefaultsUsed;
        return result;
    }
    const QStringList lines = splitTextLines(bytes);
    if (!lines.isEmpty())
        result.storedVersion = lines[0].mid(kVersKey.size());
    if (lines.size() > 1)
        result.CommentFile = pathFromBytes(lines[1]);
    return result;
}

StartupSettings readSettingsAtStartup(const QString& versionText) {
    const QString path = settingsFilePath();
    if (!QFileInfo::exists(path)) {
        StartupSettings result;
        result.created = writeSettings(versionText, nullptr, nullptr);
        return result;
    }
    StartupSettings result = readStoredSettings();
    // The comment read stays for this start; the next one finds none.
    if (result.read && result.storedVersion != versionText)
        result.rewritten = writeSettings(versionText, nullptr, nullptr);
    return result;
}

bool commentFileUsable(const QString& commentFile) {
    return !commentFile.isEmpty() && QFileInfo(commentFile).isFile();
}

QString commentCopyPath(const QString& chosenPath) {
    return joinPath(AppPaths::stateTempFolder(), fileNamePart(chosenPath));
}

bool turnCommentOn(const QString& chosenPath, JobSettings& job, QString* errorText,
                   const QString& versionText) {
    if (fileNamePart(chosenPath).isEmpty())
        return fail(errorText, QStringLiteral("No comment file chosen"));
    if (firstControlByte(QFile::encodeName(fileNamePart(chosenPath))) >= 0)
        return fail(errorText, QStringLiteral("Cannot use %1: its name holds a control character")
                                   .arg(printableText(chosenPath)));
    const QString copy = commentCopyPath(chosenPath);
    const QFileInfo source(chosenPath);
    if (!source.isFile())
        return fail(errorText, QStringLiteral("Cannot read %1").arg(chosenPath));
    // Choosing the program's own copy again keeps it as it is.
    if (source.canonicalFilePath() != QFileInfo(copy).canonicalFilePath()) {
        if (QFileInfo::exists(copy) && !QFile::remove(copy))
            return fail(errorText, QStringLiteral("Cannot replace %1").arg(copy));
        if (!QFile::copy(chosenPath, copy))
            return fail(errorText, QStringLiteral("Cannot copy %1 to %2").arg(chosenPath, copy));
    }
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                    QFile::ReadOther);
    job.CommentFile = copy;
    job.CommentOn = true;
    // No short 8.3 names here: the comment line holds the path itself.
    const QString commentLine = foldCase(copy);
    return writeSettings(versionText, &commentLine, errorText);
}

bool turnCommentOff(JobSettings& job, QString* errorText, const QString& versionText) {
    const StartupSettings settings = readStoredSettings();
    if (!settings.read)
        return fail(
            errorText,
            settings.warning.isEmpty()
                ? QStringLiteral("cannot read %1: it does not exist").arg(settingsFilePath())
                : settings.warning);
    const QString stored = settings.CommentFile;
    const QString empty;
    if (!writeSettings(versionText, &empty, errorText))
        return false;
    if (!stored.isEmpty() && QFileInfo(stored).isFile() && insideProgramTemp(stored))
        QFile::remove(stored);
    job.CommentOn = false;
    return true;
}
