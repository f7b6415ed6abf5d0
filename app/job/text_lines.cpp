#include "job/text_lines.h"

#include <QBuffer>

namespace {
constexpr qint64 kChunk = 64 * 1024;
}

TextLineReader::TextLineReader(QIODevice& device, qsizetype maxLineLength)
    : device_(device), maxLineLength_(maxLineLength) {}

bool TextLineReader::fill() {
    if (atEnd_)
        return false;
    buffer_.remove(0, pos_);
    pos_ = 0;
    const qsizetype old = buffer_.size();
    buffer_.resize(old + kChunk);
    const qint64 got = device_.read(buffer_.data() + old, kChunk);
    buffer_.resize(old + qMax<qint64>(got, 0));
    if (got <= 0) {
        atEnd_ = true;
        failed_ = got < 0;
        return false;
    }
    return true;
}

bool TextLineReader::readLine(QByteArray& line) {
    line.clear();
    cut_ = false;
    bool any = false;
    auto take = [&](qsizetype from, qsizetype to) {
        const qsizetype room = maxLineLength_ - line.size();
        if (to - from > room) {
            cut_ = true;
            to = from + room;
        }
        line.append(buffer_.constData() + from, to - from);
    };
    for (;;) {
        qsizetype cr = pos_;
        while (cr < buffer_.size() && buffer_[cr] != '\r' && buffer_[cr] != '\n')
            ++cr;
        if (cr == buffer_.size())
            cr = -1;
        if (cr >= 0 && (buffer_[cr] == '\n' || cr + 1 < buffer_.size() || atEnd_)) {
            take(pos_, cr);
            pos_ = cr + 1;
            if (buffer_[cr] == '\r' && pos_ < buffer_.size() && buffer_[pos_] == '\n')
                ++pos_;
            return true;
        }
        // A CR at the very end of the buffer stays: the next chunk may start with its LF.
        const qsizetype end = cr >= 0 ? cr : buffer_.size();
        if (end > pos_) {
            take(pos_, end);
            any = true;
            pos_ = end;
        }
        if (!fill() && pos_ == buffer_.size())
            return any;
    }
}

QStringList splitTextLines(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    // The reader's limit is above any line of this buffer: nothing is cut.
    TextLineReader reader(buffer, bytes.size() + 1);
    QStringList lines;
    QByteArray line;
    while (reader.readLine(line))
        lines.append(QString::fromLatin1(line));
    return lines;
}

QStringList splitTextLines(const QString& text) {
    // UTF-8 never uses the bytes of CR and LF inside a character, so the byte rule holds.
    QStringList lines;
    for (const QString& line : splitTextLines(text.toUtf8()))
        lines.append(QString::fromUtf8(line.toLatin1()));
    return lines;
}

QString printableText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const ushort u = c.unicode();
        if (u == '\n')
            out += QStringLiteral("\\n");
        else if (u == '\r')
            out += QStringLiteral("\\r");
        else if (u == '\t')
            out += QStringLiteral("\\t");
        else if (u < 0x20 || (u >= 0x7f && u <= 0x9f))
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}
