#pragma once

// The lines of a run's journal: "key value", the value percent-encoded, read back strictly.
// The writer and the reader share their method names, so one description of the journal's
// order of lines drives both (run_journal.cpp).

#include "engine/run_journal.h"
#include "job/text_lines.h"
#include "platform/file_read.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <charconv>
#include <optional>

namespace journal_lines {

// No list can have more lines than the journal has bytes.
inline constexpr qint64 kMaxListed = kMaxJournalBytes;
inline constexpr qint64 kMaxFileSize = qint64(1) << 50;

inline bool plainByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/' || c == '+' || c == ',' || c == ':' ||
           c == '=' || c == '@';
}

inline QByteArray encode(QByteArrayView bytes) {
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        if (plainByte(c)) {
            out += c;
        } else {
            const auto u = static_cast<unsigned char>(c);
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 15];
        }
    }
    return out;
}

inline int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Strict: only the bytes encode() leaves as they are, and %XX with upper-case digits.
inline std::optional<QByteArray> decode(QByteArrayView text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (plainByte(c)) {
            out += c;
            continue;
        }
        if (c != '%' || i + 2 >= text.size())
            return std::nullopt;
        const int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += char(high * 16 + low);
        i += 2;
    }
    return out;
}

inline std::optional<qint64> number(QByteArrayView text, qint64 low, qint64 high) {
    const bool negative = text.startsWith('-');
    const QByteArrayView digits = negative ? text.sliced(1) : text;
    if (digits.isEmpty() || digits.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative)
        value = -value;
    if (value < low || value > high || (negative && value == 0))
        return std::nullopt;
    return value;
}

inline std::optional<quint32> crcValue(QByteArrayView text) {
    if (text.size() != 8)
        return std::nullopt;
    quint32 value = 0;
    for (char c : text) {
        const int digit = hexValue(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + quint32(digit);
    }
    return value;
}

inline QByteArray crcBytes(quint32 crc) {
    return crcText(crc).toLatin1();
}

// A float as the shortest text that reads back as exactly that float.
inline QByteArray floatText(float value) {
    char text[64];
    const auto done = std::to_chars(text, text + sizeof text, value);
    return QByteArray(text, done.ptr - text);
}

inline std::optional<float> floatValue(QByteArrayView text) {
    float value = 0;
    const auto done = std::from_chars(text.begin(), text.end(), value);
    if (done.ec != std::errc() || done.ptr != text.end())
        return std::nullopt;
    return value;
}

inline bool plainFileName(const QString& name) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return false;
    for (QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    return true;
}

// Writes the lines of a journal.
class JournalWriter {
  public:
    QByteArray bytes;
    void line(const char* key, const QByteArray& value) {
        bytes += key;
        bytes += ' ';
        bytes += value;
        bytes += '\n';
    }
    bool raw(const char* key, QByteArray& value) {
        line(key, encode(value));
        return true;
    }
    bool text(const char* key, QString& value) {
        line(key, encode(value.toUtf8()));
        return true;
    }
    bool flag(const char* key, bool& value) {
        line(key, value ? "1" : "0");
        return true;
    }
    template <class Int> bool integer(const char* key, Int& value, qint64, qint64) {
        line(key, QByteArray::number(qint64(value)));
        return true;
    }
    bool texts(const char* countKey, const char* key, QStringList& values, bool latin1) {
        line(countKey, QByteArray::number(values.size()));
        for (const QString& value : values)
            line(key, encode(latin1 ? value.toLatin1() : value.toUtf8()));
        return true;
    }
    bool record(const char* key, FileRecord& r) {
        line(key,
             encode(r.name.toUtf8()) + ' ' + QByteArray::number(r.size) + ' ' + crcBytes(r.crc));
        return true;
    }
    bool records(const char* countKey, const char* key, QList<FileRecord>& list, qint64) {
        line(countKey, QByteArray::number(list.size()));
        for (FileRecord& r : list)
            record(key, r);
        return true;
    }
    // What it writes always reads back; the reader's refusals never happen here.
    bool fail(const QString&) { return false; }
    bool failBefore(const QString&) { return false; }
};

// Reads the lines of a journal in the order the writer wrote them.
class JournalReader {
  public:
    // firstLine: the number, in the file, of the first of lines.
    JournalReader(QList<QByteArrayView> lines, qsizetype firstLine)
        : lines_(std::move(lines)), firstLine_(firstLine) {}
    QString error;

    bool atKey(const char* key) const {
        const QByteArrayView k(key);
        return next_ < lines_.size() && lines_[next_].startsWith(k) &&
               lines_[next_].size() > k.size() && lines_[next_][k.size()] == ' ';
    }
    bool atEnd() const { return next_ >= lines_.size(); }
    qsizetype lineNumber() const { return firstLine_ + next_; }

    bool take(const char* key, QByteArrayView* value) {
        if (!atKey(key))
            return fail(QStringLiteral("\"%1\" expected").arg(QLatin1String(key)));
        *value = lines_[next_].sliced(qsizetype(qstrlen(key)) + 1);
        ++next_;
        return true;
    }
    bool raw(const char* key, QByteArray& value) {
        QByteArrayView text;
        if (!take(key, &text))
            return false;
        const std::optional<QByteArray> bytes = decode(text);
        if (!bytes)
            return failBefore(QStringLiteral("%1 is not percent-encoded text").arg(key));
        value = *bytes;
        return true;
    }
    bool text(const char* key, QString& value) {
        QByteArray bytes;
        if (!raw(key, bytes))
            return false;
        value = QString::fromUtf8(bytes);
        if (value.toUtf8() != bytes)
            return failBefore(QStringLiteral("%1 is not UTF-8").arg(key));
        return true;
    }
    bool flag(const char* key, bool& value) {
        QByteArrayView text;
        if (!take(key, &text))
            return false;
        if (text != "0" && text != "1")
            return failBefore(QStringLiteral("%1 is not 0 or 1").arg(key));
        value = text == "1";
        return true;
    }
    template <class Int> bool integer(const char* key, Int& value, qint64 low, qint64 high) {
        QByteArrayView text;
        if (!take(key, &text))
            return false;
        const std::optional<qint64> n = number(text, low, high);
        if (!n)
            return failBefore(
                QStringLiteral("%1 is not a number from %2 to %3").arg(key).arg(low).arg(high));
        value = Int(*n);
        return true;
    }
    bool texts(const char* countKey, const char* key, QStringList& values, bool latin1) {
        qint64 count = 0;
        if (!integer(countKey, count, 0, kMaxListed))
            return false;
        values.clear();
        for (qint64 i = 0; i < count; ++i) {
            QByteArray bytes;
            if (!raw(key, bytes))
                return false;
            QString value = latin1 ? QString::fromLatin1(bytes) : QString::fromUtf8(bytes);
            if (!latin1 && value.toUtf8() != bytes)
                return failBefore(QStringLiteral("%1 is not UTF-8").arg(key));
            values << value;
        }
        return true;
    }
    bool record(const char* key, FileRecord& r) {
        QByteArrayView text;
        if (!take(key, &text))
            return false;
        const QList<QByteArrayView> parts = splitBlanks(text);
        const std::optional<QByteArray> name =
            parts.size() == 3 ? decode(parts[0]) : std::optional<QByteArray>();
        const std::optional<qint64> size =
            parts.size() == 3 ? number(parts[1], 0, kMaxFileSize) : std::nullopt;
        const std::optional<quint32> crc =
            parts.size() == 3 ? crcValue(parts[2]) : std::optional<quint32>();
        if (!name || !size || !crc)
            return failBefore(QStringLiteral("%1 is not a file name, a size and a CRC").arg(key));
        r.name = QString::fromUtf8(*name);
        if (r.name.toUtf8() != *name || !plainFileName(r.name))
            return failBefore(
                QStringLiteral("%1 names no plain file: %2").arg(key, printableText(r.name)));
        r.size = *size;
        r.crc = *crc;
        return true;
    }
    bool records(const char* countKey, const char* key, QList<FileRecord>& list, qint64 most) {
        qint64 count = 0;
        if (!integer(countKey, count, 0, most))
            return false;
        list.clear();
        for (qint64 i = 0; i < count; ++i) {
            FileRecord r;
            if (!record(key, r))
                return false;
            list << r;
        }
        return true;
    }
    bool failBefore(const QString& why) {
        --next_;
        return fail(why);
    }
    bool fail(const QString& why) {
        if (error.isEmpty())
            error = QStringLiteral("line %1: %2").arg(lineNumber()).arg(why);
        return false;
    }

  private:
    static QList<QByteArrayView> splitBlanks(QByteArrayView text) {
        QList<QByteArrayView> parts;
        qsizetype start = 0;
        for (qsizetype i = 0; i <= text.size(); ++i)
            if (i == text.size() || text[i] == ' ') {
                parts << text.sliced(start, i - start);
                start = i + 1;
            }
        return parts;
    }
    QList<QByteArrayView> lines_;
    qsizetype firstLine_ = 1;
    qsizetype next_ = 0;
};

} // namespace journal_lines
