#pragma once

#include "engine/run_journal.h"
#include "engine/run_plan.h"

#include <QList>
#include <QString>

// What a resume finds on disk, before it touches anything: for every zip of the plan, whether
// the journal proves it complete, whether its volume is still there as the archiver made it,
// and what stands at the zip's place.

struct ZipOnDisk {
    enum class State {
        Complete, // recorded in the journal, and the zip on disk is that zip
        Adopt,    // not recorded, its volume gone, but the zip there holds it complete
        Make,     // to be made from its volume, which is there as recorded
    };
    State state = State::Make;
    bool volumeLeft = false; // Complete: its volume is still there, to go now
    FileRecord record;       // Adopt: the zip as it is
};

struct DiskCheck {
    QString failure;       // one line, when something does not agree; then nothing is to be done
    QList<ZipOnDisk> zips; // one per zip of the plan, in set order
    int complete() const;  // zips complete or adopted
};

// The plan must have its volumes bound to folder. Reads every remaining volume and every
// recorded zip whole (their CRCs); an extra file that changed since the run began fails the
// check when zips remain to be made, since they would differ from those made.
DiskCheck checkResumeDisk(const RunPlan& plan, const RunJournal& journal, const QString& folder);
