#include "engine/set_listings.h"

#include "platform/file_read.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QHash>
#include <QtEndian>

#include <limits>
#include <optional>

namespace {

// ---- SFV ----

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

// ---- PAR2 ----

namespace {

constexpr qint64 kHeaderBytes = 64;
constexpr char kMagic[] = "PAR2\0PKT";
constexpr char kMainType[] = "PAR 2.0\0Main\0\0\0\0";
constexpr char kFileDescType[] = "PAR 2.0\0FileDesc";
// A main packet naming every file a set may list; a description with a long name.
constexpr qint64 kMaxMainBody = 12 + 16 * qint64(kMaxPar2Files);
constexpr qint64 kMaxFileDescBody = 56 + 4096;
constexpr int kMaxPackets = 1 << 20;

struct Packet {
    qint64 length = 0;
    bool used = false; // a main or file description packet, its body read
    QByteArray type;
    QByteArray body; // read only for the packets used
};

Par2Listing refusePar2(qint64 offset, const QString& text) {
    Par2Listing listing;
    listing.error = QStringLiteral("byte %1: %2").arg(offset).arg(text);
    return listing;
}

quint64 le64(const char* p) {
    return qFromLittleEndian<quint64>(p);
}

// A file description's name: the bytes before the padding, which must be NULs only.
bool descriptionName(QByteArrayView bytes, QString* name) {
    qsizetype end = bytes.size();
    while (end > 0 && bytes[end - 1] == '\0')
        --end;
    const QByteArrayView stored = bytes.first(end);
    if (stored.isEmpty() || stored.contains('\0') || bytes.size() - end > 3)
        return false;
    *name = QString::fromUtf8(stored);
    return true;
}

struct Par2Reader {
    QIODevice& device;
    qint64 size = 0;
    QByteArray setId;
    std::optional<QByteArray> mainBody;
    QHash<QByteArray, Par2File> described;

    // One packet: its header read and checked; its body read and its hash checked when wanted.
    QString next(qint64 offset, Packet* packet) {
        if (size - offset < kHeaderBytes)
            return QStringLiteral("the file ends inside a packet header");
        if (!device.seek(offset))
            return QStringLiteral("cannot be read: %1").arg(device.errorString());
        const QByteArray header = device.read(kHeaderBytes);
        if (header.size() != kHeaderBytes)
            return QStringLiteral("cannot be read: %1").arg(device.errorString());
        if (QByteArrayView(header).first(8) != QByteArrayView(kMagic, 8))
            return QStringLiteral("no PAR2 packet starts here");
        const quint64 length = le64(header.constData() + 8);
        if (length < quint64(kHeaderBytes) || length % 4 != 0 || length > quint64(size - offset))
            return QStringLiteral("a packet of %1 bytes does not fit the file").arg(length);
        const QByteArray id = header.mid(32, 16);
        if (setId.isEmpty())
            setId = id;
        else if (id != setId)
            return QStringLiteral("a packet of another recovery set");
        packet->length = qint64(length);
        packet->type = header.mid(48, 16);
        packet->body.clear();
        const bool main = packet->type == QByteArrayView(kMainType, 16);
        packet->used = main || packet->type == QByteArrayView(kFileDescType, 16);
        if (!packet->used)
            return {};
        const qint64 bodyBytes = qint64(length) - kHeaderBytes;
        if (bodyBytes > (main ? kMaxMainBody : kMaxFileDescBody))
            return QStringLiteral("a packet of %1 bytes is too long for its type").arg(length);
        packet->body = device.read(bodyBytes);
        if (packet->body.size() != bodyBytes)
            return QStringLiteral("cannot be read: %1").arg(device.errorString());
        QCryptographicHash md5(QCryptographicHash::Md5);
        md5.addData(QByteArrayView(header).sliced(32));
        md5.addData(packet->body);
        if (md5.result() != header.mid(16, 16))
            return QStringLiteral("a packet does not match its MD5");
        return {};
    }

    QString take(const Packet& packet) {
        const QByteArray& body = packet.body;
        if (packet.type == QByteArrayView(kMainType, 16)) {
            if (body.size() < 12 || (body.size() - 12) % 16 != 0)
                return QStringLiteral("a main packet of the wrong length");
            if (mainBody && *mainBody != body)
                return QStringLiteral("two main packets disagree");
            mainBody = body;
            return {};
        }
        if (body.size() < 56 + 4)
            return QStringLiteral("a file description without a name");
        Par2File file;
        file.id = body.left(16);
        file.md5 = body.mid(16, 16);
        const quint64 length = le64(body.constData() + 48);
        if (length > quint64(std::numeric_limits<qint64>::max()))
            return QStringLiteral("a file description of an impossible size");
        file.size = qint64(length);
        if (!descriptionName(QByteArrayView(body).sliced(56), &file.name))
            return QStringLiteral("a file description whose name is not a name");
        if (const auto known = described.constFind(file.id); known != described.cend()) {
            if (!(*known == file))
                return QStringLiteral("two descriptions of one file disagree");
            return {};
        }
        described.insert(file.id, file);
        return {};
    }

    Par2Listing finish(qint64 offset) {
        if (!mainBody)
            return refusePar2(offset, QStringLiteral("no main packet"));
        const QByteArray& body = *mainBody;
        const quint32 recovered = qFromLittleEndian<quint32>(body.constData() + 8);
        const qsizetype ids = (body.size() - 12) / 16;
        if (le64(body.constData()) == 0 || le64(body.constData()) % 4 != 0 || recovered > ids ||
            ids > kMaxPar2Files)
            return refusePar2(offset, QStringLiteral("the main packet is not a recovery set's"));
        Par2Listing listing;
        listing.setId = setId;
        for (qsizetype i = 0; i < ids; ++i) {
            const QByteArray id = body.mid(12 + i * 16, 16);
            const auto file = described.constFind(id);
            if (file == described.cend())
                return refusePar2(offset, QStringLiteral("the main packet names a file that is "
                                                         "not described"));
            listing.files << *file;
            listing.files.back().recovered = i < qsizetype(recovered);
        }
        listing.ok = true;
        return listing;
    }
};

} // namespace

QStringList Par2Listing::names() const {
    QStringList all;
    for (const Par2File& file : files)
        all << file.name;
    return all;
}

Par2Listing readPar2(QIODevice& device) {
    Par2Reader reader{device, device.size(), {}, {}, {}};
    qint64 offset = 0;
    int packets = 0;
    while (offset < reader.size) {
        if (++packets > kMaxPackets)
            return refusePar2(offset, QStringLiteral("more packets than a recovery set has"));
        Packet packet;
        QString fault = reader.next(offset, &packet);
        if (fault.isEmpty() && packet.used)
            fault = reader.take(packet);
        if (!fault.isEmpty())
            return refusePar2(offset, fault);
        offset += packet.length;
    }
    return reader.finish(offset);
}

Par2Listing parsePar2(QByteArrayView bytes) {
    QByteArray copy = bytes.toByteArray();
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return readPar2(buffer);
}

Par2Listing readPar2File(const QString& path) {
    Par2Listing refused;
    if (!isRegularFileNoLink(path)) {
        refused.error = QStringLiteral("it is not a regular file");
        return refused;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        refused.error = file.errorString();
        return refused;
    }
    return readPar2(file);
}
