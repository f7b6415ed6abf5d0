#include "companion/nfo_copy.h"

#include "companion/diz_numbering.h"
#include "companion/line_text_file.h"
#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>

namespace {
const QString kBlanks(28, QLatin1Char(' '));
} // namespace

QString nfoTagLine() {
    return kBlanks + QStringLiteral("Packaged with Kavel32 by QXV");
}
QString nfoTagPrefix() {
    return kBlanks + QStringLiteral("Packaged wit");
}

QString nfoCopyName(const QString& nfoFile) {
    return fileNamePart(nfoFile);
}

QString nfoCopyPath(const QString& nfoFile) {
    return AppPaths::zipCopyFile(nfoCopyName(nfoFile));
}

bool makeTaggedNfoCopy(const QString& nfoFile, QString* errorText, const QString& copyPath) {
    auto fail = [&](const QString& text) {
        if (errorText)
            *errorText = text;
        return false;
    };
    if (nfoCopyName(nfoFile).isEmpty())
        return fail(QStringLiteral("No nfo file named"));
    const QString target = copyPath.isEmpty() ? nfoCopyPath(nfoFile) : copyPath;
    if (target.isEmpty())
        return fail(QStringLiteral("No work folder for the nfo copy"));
    // Never over the user's nfo itself, never over the numbered diz beside it.
    if (samePath(nfoFile, target))
        return fail(
            QStringLiteral("The nfo can't be from the program's own folder: %1").arg(nfoFile));
    if (samePath(target, dizWorkingCopyPath()))
        return fail(QStringLiteral("An nfo named %1 would replace the zip's file_id.diz")
                        .arg(fileNamePart(target)));

    QStringList lines;
    if (!readTextLines(nfoFile, &lines, errorText))
        return false;
    return writeTextLines(target, taggedNfoLines(lines), errorText);
}

QStringList taggedNfoLines(const QStringList& lines) {
    const QString prefix = nfoTagPrefix();
    QStringList out;
    for (const QString& line : lines) {
        out.append(line);
        if (line.left(prefix.size()) == prefix)
            return out;
    }
    out.append(QString());
    out.append(nfoTagLine());
    return out;
}
