#include "source/size_listing.h"

#include "job/text_lines.h"

#include <cmath>

namespace {

constexpr qsizetype kMaxListingLine = 64 * 1024;

QString withoutLeadingBlanks(const QByteArray& line) {
    qsizetype i = 0;
    while (i < line.size() && line[i] == ' ')
        ++i;
    return QString::fromLocal8Bit(line.mid(i));
}

// One pass: the line after the first line for which matches() holds.
template <typename Match> ListingScan findAfter(QIODevice& listing, Match matches) {
    ListingScan scan;
    TextLineReader lines(listing, kMaxListingLine);
    QByteArray line;
    while (lines.readLine(line)) {
        if (lines.lineWasCut() || !matches(line))
            continue;
        if (!lines.readLine(line)) {
            scan.outcome = ListingOutcome::Broken;
            return scan;
        }
        scan.outcome = ListingOutcome::Found;
        scan.totalsLine = withoutLeadingBlanks(line);
        return scan;
    }
    if (lines.failed())
        scan.outcome = ListingOutcome::Broken;
    return scan;
}

} // namespace

QString listingUpperCase(const QString& path) {
    QString upper = path;
    for (QChar& c : upper)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return upper;
}

ListingScan scanSizeListing(QIODevice& listing, const QString& shortSourcePath) {
    ListingScan first =
        findAfter(listing, [](const QByteArray& line) { return line == kTotalOfAllFilesLine; });
    if (first.outcome != ListingOutcome::NoTotal)
        return first;
    if (!listing.seek(0))
        return {ListingOutcome::Broken, {}};
    const QByteArray header = listingUpperCase(shortSourcePath).toLocal8Bit();
    // An empty path would match every short line; there is no header to find then.
    if (header.isEmpty())
        return {};
    return findAfter(listing, [&header](const QByteArray& line) {
        return line.size() >= 2 && line.mid(2) == header;
    });
}

float parseSizeField(const QString& sizeField) {
    QString collected;
    for (const QChar c : sizeField) {
        if (c == QLatin1Char(' '))
            break;
        if (c != QLatin1Char(','))
            collected += c;
    }
    double bytes = 0;
    for (const QChar c : collected) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        bytes = bytes * 10 + (c.unicode() - '0');
    }
    const float value = static_cast<float>(bytes);
    if (!std::isfinite(value) || value <= 1000000.0f)
        return 0.0f;
    return value / 1000000.0f;
}
