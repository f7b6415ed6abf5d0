#include "release/sfv_file.h"

#include "platform/file_replace.h"

#include <QDateTime>
#include <QFile>

#include <libdeflate.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

SfvParse refuse(qsizetype line, const QString& text) {
    SfvParse result;
    result.error = line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(text) : text;
    return result;
}

} // namespace

QString crcText(quint32 crc) {
    return QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper();
}

QByteArray formatSfv(const QList<SfvEntry>& entries, const QStringList& header) {
    QByteArray out;
    for (const QString& line : header)
        out += "; " + line.toLocal8Bit() + "\r\n";
    for (const SfvEntry& entry : entries)
        out += QFile::encodeName(entry.name) + ' ' + crcText(entry.crc).toLatin1() + "\r\n";
    return out;
}

SfvParse parseSfv(QByteArrayView bytes) {
    if (bytes.size() > kMaxSfvBytes)
        return refuse(0, QStringLiteral("%1 bytes, too big for an SFV file (at most %2)")
                             .arg(bytes.size())
                             .arg(kMaxSfvBytes));
    SfvParse result;
    qsizetype lineNumber = 0;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        QByteArrayView line = bytes.sliced(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (line.endsWith('\r'))
            line.chop(1);
        for (char c : line)
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f)
                return refuse(lineNumber, QStringLiteral("holds a control character"));
        qsizetype first = 0;
        while (first < line.size() && isBlank(line[first]))
            ++first;
        if (first == line.size() || line[first] == ';')
            continue;
        qsizetype last = line.size();
        while (last > first && isBlank(line[last - 1]))
            --last;
        qsizetype wordStart = last;
        while (wordStart > first && !isBlank(line[wordStart - 1]))
            --wordStart;
        const QByteArrayView word = line.sliced(wordStart, last - wordStart);
        qsizetype nameEnd = wordStart;
        while (nameEnd > first && isBlank(line[nameEnd - 1]))
            --nameEnd;
        if (word.size() != 8 || nameEnd == first)
            return refuse(lineNumber, QStringLiteral("is not a file name and an eight-digit CRC"));
        quint32 crc = 0;
        for (char c : word) {
            const int v = hexValue(c);
            if (v < 0)
                return refuse(
                    lineNumber,
                    QStringLiteral("the CRC %1 is not hexadecimal").arg(QString::fromLatin1(word)));
            crc = (crc << 4) | quint32(v);
        }
        const QString name = QFile::decodeName(line.sliced(first, nameEnd - first).toByteArray());
        if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
            name == QLatin1String(".") || name == QLatin1String(".."))
            return refuse(lineNumber,
                          QStringLiteral("%1 is not a file of the SFV's folder").arg(name));
        result.entries.append({name, crc});
        result.lines.append(lineNumber);
    }
    result.ok = true;
    return result;
}

bool fileCrc32(const QString& path, quint32* crc, QString* error) {
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, why);
        if (fd >= 0)
            ::close(fd);
        return false;
    };
    if (fd < 0)
        return fail(QString::fromLocal8Bit(strerror(errno)));
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(QString::fromLocal8Bit(strerror(errno)));
    if (!S_ISREG(st.st_mode))
        return fail(QStringLiteral("not a regular file"));
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    quint32 value = 0;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), size_t(buffer.size()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(QString::fromLocal8Bit(strerror(errno)));
        }
        if (n == 0)
            break;
        value = libdeflate_crc32(value, buffer.constData(), size_t(n));
    }
    ::close(fd);
    *crc = value;
    return true;
}

bool writeSfvFile(const QString& path, const QList<SfvEntry>& entries, QString* error) {
    const QStringList header{QStringLiteral("Generated by Kavel32 %1 on %2")
                                 .arg(QStringLiteral(KAVEL_VERSION_TEXT),
                                      QDateTime::currentDateTime().toString(
                                          QStringLiteral("yyyy-MM-dd 'at' HH:mm:ss")))};
    return replaceFileContents(path, formatSfv(entries, header), error);
}
