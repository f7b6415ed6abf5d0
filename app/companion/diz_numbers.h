#pragma once

#include <QByteArrayView>
#include <QString>

// Disk numbers as the strictest receiving site reads them out of a file_id.diz. Its reader
// lower-cases the text and folds every run of blanks, line feeds and NULs into one blank,
// then takes the first place in the text where one of its forms gives a total above zero:
// a two-digit "k/n" set apart by blanks or brackets ("[01/12]", "(01/12)", "<01/12>",
// " 01/12 "), "xx/12", "1 of 5", and a three-digit total only as "[001/102]" or
// "(001/102)". It works on blocks of 4,096 bytes and keeps its quirks (an "o" in a total
// reads as 0, and what it rewrites so stays rewritten for the forms tried after it); this
// reader follows all of them, so what it reads is what the site reads.
struct DiskNumbers {
    bool found = false;
    bool diskUnfilled = false; // the disk is not a number ("xx/12"): only the count is known
    int disk = 0;              // k (0 when unfilled)
    int count = 0;             // n: what the site takes the set's size for
    QString text;              // the numbers as written, brackets included: "[01/12]", "03/24"
    int line = 0;              // the diz line they stand on, from 1
};

DiskNumbers findDiskNumbers(QByteArrayView text);

// A diz is a few lines of text; a bigger one is not a diz, whatever it is called.
inline constexpr qint64 kMaxDizBytes = 64 * 1024;

// Why the bytes cannot be a file_id.diz: more than kMaxDizBytes, or binary (a NUL, or a
// control character that text does not hold: tab, line ends, form feed, the escape of
// coloured text and the old end-of-file mark are fine). Empty when they can.
QString dizTextFault(QByteArrayView bytes);
