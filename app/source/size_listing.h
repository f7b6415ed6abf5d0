#pragma once

#include <QIODevice>
#include <QString>

// The listing the size program writes, and the parse of the size field.

// The line before the grand total of a source with sub-directories.
inline constexpr char kTotalOfAllFilesLine[] = "  Total of all files found";

enum class ListingOutcome {
    Found,   // totalsLine holds the line after the match, leading blanks removed
    NoTotal, // neither line shape was found: the size field becomes empty
    Broken,  // the match was the last line, or the listing could not be read
};

struct ListingScan {
    ListingOutcome outcome = ListingOutcome::NoTotal;
    QString totalsLine;
};

// Two passes: first the line after "  Total of all files found"; failing that, the line
// after the header whose text from its third character on is the upper-cased source path.
// The device must be open and able to seek back to its start.
ListingScan scanSizeListing(QIODevice& listing, const QString& shortSourcePath);

// How the listing's header writes a path: ASCII letters upper-cased, nothing else changed,
// so the program and this parser agree whatever the locale.
QString listingUpperCase(const QString& path);

// The size field as a number: the text up to its first blank without its "," separators,
// its leading digits taken as a single-precision count of bytes; then that count in
// millions of bytes, or 0 when it is 1,000,000 or less. This is SourceSizeM.
float parseSizeField(const QString& sizeField);
