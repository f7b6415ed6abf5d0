#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

#include <optional>

// SOURCE_DATE_EPOCH, the reproducible-builds convention: when it is set, every time a run
// stamps (zip entries, the files it writes, the date of a "$" run, the SFV header) comes from
// it, so one source and one script give the same bytes on every run and every machine.

inline constexpr char kSourceDateEpochVariable[] = "SOURCE_DATE_EPOCH";
// 9999-12-31 23:59:59 UTC: beyond it no date text can be written.
inline constexpr qint64 kLastStampSecond = 253402300799;

struct SourceDateEpoch {
    std::optional<qint64> seconds; // empty: not set, times are the clock's
    QString fault;                 // set but not a time: the run must not go on
};

// Reads the variable's value: decimal digits only (seconds since 1970 UTC), at most the last
// second of the year 9999. An empty value counts as not set.
SourceDateEpoch parseSourceDateEpoch(const QByteArray& value);
// The variable of this program's environment.
SourceDateEpoch sourceDateEpoch();

// The day of the stamp, in UTC.
QDate stampDate(qint64 seconds);

// Sets a file's modification time to the stamp; a link is not followed. False when it could
// not be set.
bool stampFileTime(const QString& path, qint64 seconds);
