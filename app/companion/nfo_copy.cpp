#include "companion/nfo_copy.h"

#include "platform/paths.h"

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
