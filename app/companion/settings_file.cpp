#include "companion/settings_file.h"

#include "companion/line_text_file.h"
#include "job/text_lines.h"
#include "platform/file_read.h"
#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>

namespace {
const QString kVersKey = QStringLiteral("Vers=");
const QString kDefaultsUsed = QStringLiteral(": the defaults are used");
// The settings file holds two short lines; anything much bigger is not ours.
constexpr qint64 kMaxSettingsBytes = 64 * 1024;

// The comment line holds the path's own bytes as the file system names it, so a name
// outside Latin-1 survives the single-byte file.
QString pathAsBytes(const QString& path) {
    return QString::fromLatin1(QFile::encodeName(path));
}
QString pathFromBytes(const QString& line) {
    return QFile::decodeName(line.toLatin1());
}

} // namespace

QString programVersionText() {
    return QStringLiteral(KAVEL_VERSION_TEXT);
}

QString settingsFilePath() {
    return joinPath(AppPaths::stateFolder(), QStringLiteral("Kavel32.ini"));
}

bool writeSettingsFile(const QString& versionText, const QString* commentFile, QString* errorText) {
    QStringList lines{kVersKey + versionText};
    if (commentFile)
        lines.append(pathAsBytes(*commentFile));
    return writeTextLines(settingsFilePath(), lines, errorText);
}

qsizetype firstControlByte(const QByteArray& bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = uchar(bytes[i]);
        if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7f)
            return i;
    }
    return -1;
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
        result.created = writeSettingsFile(versionText, nullptr, nullptr);
        return result;
    }
    StartupSettings result = readStoredSettings();
    // The comment read stays for this start; the next one finds none.
    if (result.read && result.storedVersion != versionText)
        result.rewritten = writeSettingsFile(versionText, nullptr, nullptr);
    return result;
}
