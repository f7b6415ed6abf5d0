#include "companion/zip_comment.h"

#include "job/text_lines.h"
#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>

namespace {
bool fail(QString* errorText, const QString& text) {
    if (errorText)
        *errorText = text;
    return false;
}

bool insideProgramTemp(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const QString temp = QFileInfo(AppPaths::stateTempFolder()).canonicalFilePath();
    return !canonical.isEmpty() && !temp.isEmpty() && canonical != temp &&
           pathWithin(canonical, temp);
}
} // namespace

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
    return writeSettingsFile(versionText, &commentLine, errorText);
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
    if (!writeSettingsFile(versionText, &empty, errorText))
        return false;
    if (!stored.isEmpty() && QFileInfo(stored).isFile() && insideProgramTemp(stored))
        QFile::remove(stored);
    job.CommentOn = false;
    return true;
}
