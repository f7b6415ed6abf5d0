#pragma once

#include <QByteArrayView>
#include <QString>

// Disk numbers as receiving sites read them out of a file_id.diz: "[01/12]", "(01/12)",
// "<01/12>" or a bare "01/12" anywhere in the text, each field two or three digits, and
// "xx/12" (any case) for a number that was never filled in. A bracketed form wins over a
// bare one; within a form the first in the text. A pair that cannot be disk k of n (k or n
// zero, k above n) is passed over as long as a plausible one follows: a date such as
// "99/98" is not taken for disk numbers when the real ones come later.
enum class DiskNumberForm { Square, Round, Angle, Bare }; // [k/n], (k/n), <k/n>, k/n

struct DiskNumbers {
    bool found = false;
    bool diskUnfilled = false; // "xx/12": the count is known, the disk number is not
    int disk = 0;              // k (0 when unfilled)
    int count = 0;             // n
    int countDigits = 0;       // n as written: 2 or 3 digits
    DiskNumberForm form = DiskNumberForm::Bare;
    QString text; // the numbers as written, brackets included
    // Whether every receiver reads them: a common site zipscript reads a three-digit total
    // only in [ ] and ( ), and takes it for 0 bare or in < >.
    bool readByEveryReceiver() const {
        return countDigits < 3 || form == DiskNumberForm::Square || form == DiskNumberForm::Round;
    }
};

DiskNumbers findDiskNumbers(QByteArrayView text);

// A diz is a few lines of text; a bigger one is not a diz, whatever it is called.
inline constexpr qint64 kMaxDizBytes = 64 * 1024;

// Why the bytes cannot be a file_id.diz: more than kMaxDizBytes, or binary (a NUL, or a
// control character that text does not hold: tab, line ends, form feed, the escape of
// coloured text and the old end-of-file mark are fine). Empty when they can.
QString dizTextFault(QByteArrayView bytes);
