#pragma once

#include <QByteArrayView>
#include <QString>

// Disk numbers as receiving sites read them out of a file_id.diz: "[01/12]", "(01/12)",
// "<01/12>" or a bare "01/12" anywhere in the text, each field two or three digits, and
// "xx/12" (any case) for a number that was never filled in. A bracketed form wins over a
// bare one; within a form the first in the text. A pair that cannot be disk k of n (k or n
// zero, k above n) is passed over as long as a plausible one follows: a date such as
// "99/98" is not taken for disk numbers when the real ones come later.
struct DiskNumbers {
    bool found = false;
    bool diskUnfilled = false; // "xx/12": the count is known, the disk number is not
    int disk = 0;              // k (0 when unfilled)
    int count = 0;             // n
    QString text;              // the numbers as written, brackets included
};

DiskNumbers findDiskNumbers(QByteArrayView text);

// A diz is a few lines of text; a bigger one is not a diz, whatever it is called.
inline constexpr qint64 kMaxDizBytes = 64 * 1024;

// Why the bytes cannot be a file_id.diz: more than kMaxDizBytes, or binary (a NUL, or a
// control character that text does not hold: tab, line ends, form feed, the escape of
// coloured text and the old end-of-file mark are fine). Empty when they can.
QString dizTextFault(QByteArrayView bytes);
