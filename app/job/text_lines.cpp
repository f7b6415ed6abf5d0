#include "job/text_lines.h"

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

namespace {
template <typename Text, typename Make>
QStringList splitLinesOf(const Text& text, Make make) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.append(make(start, i - start));
        if (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(make(start, n - start));
    return lines;
}
} // namespace

QStringList splitTextLines(const QByteArray& bytes) {
    return splitLinesOf(bytes, [&](qsizetype from, qsizetype size) {
        return QString::fromLatin1(bytes.constData() + from, size);
    });
}

QStringList splitTextLines(const QString& text) {
    return splitLinesOf(text, [&](qsizetype from, qsizetype size) { return text.mid(from, size); });
}
