#pragma once

#include "release/set_report.h"

#include <QList>
#include <QString>

// A set's check as a person reads it: the first fault named in the headline, then a row per
// zip (and per line of the set and its SFV files), the failing rows first.

struct ReportRow {
    QString subject; // "game05.zip", "set", "SFV game.sfv"
    QString status;  // "FAILED", "ok", or empty for a note
    QString detail;
    bool failed = false;
};

struct ReportView {
    bool passed = true;
    // "game37.zip: CRC error in game.7z.037 (and 1 more)", or the summary of a set that passed.
    QString headline;
    QString folderLine; // "Checking the zips in ..."
    QString summary;    // "Check FAILED: 2 faults"
    QList<ReportRow> rows;
    int failedRows() const;
};

ReportView reportView(const SetReport& report);
// The report as text to paste elsewhere: the headline, the summary, a line a row (the failing
// ones alone with faultsOnly).
QString reportText(const ReportView& view, bool faultsOnly);
