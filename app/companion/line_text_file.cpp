#include "companion/line_text_file.h"

#include "job/text_lines.h"
#include "platform/file_read.h"

#include <QFile>

bool readTextLines(const QString& path, QStringList* lines, QString* error, qint64 maxBytes) {
    QByteArray bytes;
    if (!readRegularFile(path, maxBytes, &bytes, error))
        return false;
    *lines = splitTextLines(bytes);
    return true;
}

bool writeTextLines(const QString& path, const QStringList& lines, QString* error) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toLatin1();
        bytes += "\r\n";
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        if (error)
            *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
