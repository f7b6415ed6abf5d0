#include "release/diz_numbers.h"

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isUnfilledMark(char c) {
    return c == 'x' || c == 'X';
}
bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char closingBracket(char open) {
    switch (open) {
    case '[':
        return ']';
    case '(':
        return ')';
    case '<':
        return '>';
    default:
        return 0;
    }
}

DiskNumberForm formOf(char open) {
    switch (open) {
    case '[':
        return DiskNumberForm::Square;
    case '(':
        return DiskNumberForm::Round;
    default:
        return DiskNumberForm::Angle;
    }
}

// A field of two or three characters that all pass accept, starting at i; its end or -1.
template <typename Accept> qsizetype fieldEnd(QByteArrayView text, qsizetype i, Accept accept) {
    qsizetype end = i;
    while (end < text.size() && accept(text[end]))
        ++end;
    const qsizetype width = end - i;
    return width >= 2 && width <= 3 ? end : -1;
}

int fieldValue(QByteArrayView field) {
    int value = 0;
    for (char c : field)
        value = value * 10 + (c - '0');
    return value;
}

struct Candidate {
    DiskNumbers numbers;
    bool bracketed = false;
    bool plausible = false;
};

// The pair that starts at i, if one does: "k/n" or "xx/n" with the delimiters a reader
// needs (no digit, "/" or, for the marks, letter glued to either side).
bool pairAt(QByteArrayView text, qsizetype i, Candidate* out) {
    const char first = text[i];
    const bool unfilled = isUnfilledMark(first);
    if (!unfilled && !isDigit(first))
        return false;
    if (i > 0) {
        const char before = text[i - 1];
        if (isDigit(before) || before == '/' || (unfilled && (isLetter(before) || before == '_')))
            return false;
    }
    const qsizetype diskEnd =
        unfilled ? fieldEnd(text, i, isUnfilledMark) : fieldEnd(text, i, isDigit);
    if (diskEnd < 0 || diskEnd >= text.size() || text[diskEnd] != '/')
        return false;
    const qsizetype countEnd = fieldEnd(text, diskEnd + 1, isDigit);
    if (countEnd < 0)
        return false;
    if (countEnd < text.size() && (isDigit(text[countEnd]) || text[countEnd] == '/'))
        return false;

    DiskNumbers& n = out->numbers;
    n.found = true;
    n.diskUnfilled = unfilled;
    n.disk = unfilled ? 0 : fieldValue(text.sliced(i, diskEnd - i));
    n.count = fieldValue(text.sliced(diskEnd + 1, countEnd - diskEnd - 1));
    qsizetype from = i, to = countEnd;
    const char close = i > 0 ? closingBracket(text[i - 1]) : 0;
    n.countDigits = int(countEnd - diskEnd - 1);
    out->bracketed = close != 0 && countEnd < text.size() && text[countEnd] == close;
    if (out->bracketed) {
        n.form = formOf(text[i - 1]);
        --from;
        ++to;
    }
    n.text = QString::fromLatin1(text.sliced(from, to - from));
    out->plausible = n.count >= 1 && (unfilled || (n.disk >= 1 && n.disk <= n.count));
    return true;
}

} // namespace

DiskNumbers findDiskNumbers(QByteArrayView text) {
    // Best so far by rank: bracketed and plausible, bare and plausible, anything else.
    Candidate best;
    int bestRank = 3;
    for (qsizetype i = 0; i < text.size() && bestRank > 0; ++i) {
        Candidate candidate;
        if (!pairAt(text, i, &candidate))
            continue;
        const int rank = !candidate.plausible ? 2 : candidate.bracketed ? 0 : 1;
        if (rank < bestRank) {
            best = candidate;
            bestRank = rank;
        }
    }
    return best.numbers;
}

QString dizTextFault(QByteArrayView bytes) {
    if (bytes.size() > kMaxDizBytes)
        return QStringLiteral("is %1 bytes, too big for a diz (at most %2)")
            .arg(bytes.size())
            .arg(kMaxDizBytes);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const bool allowed =
            c >= 0x20 || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == 0x1a || c == 0x1b;
        if (!allowed)
            return QStringLiteral("is not text (byte 0x%1 at offset %2)")
                .arg(c, 2, 16, QLatin1Char('0'))
                .arg(i);
    }
    return {};
}
