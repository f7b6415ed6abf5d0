#pragma once

#include "engine/run_plan.h"
#include "job/job_settings.h"
#include "release/set_report.h"

#include <QString>

#include <functional>
#include <optional>

// Checking a set of zips the way the strictest receiving site does before it takes them:
// every zip opens and reads back with its CRCs, never past a declared size, and holds
// exactly its entries (one volume, its file_id.diz, the nfo and the extra files where they
// go) with names a receiver unpacks; the diz says k of n in a form every receiver reads; the
// names number the set in order and every file that looks like one of its zips is one; every
// SFV of the set agrees line by line; and the volumes joined in order pass the archiver's own
// test without a warning, the archive ending exactly at the end of the last volume. Nothing
// is written into the checked folder: the volumes are joined in a private temporary folder
// of the program's work folder.

struct SetCheckRequest {
    QString folder;
    // The set as its run planned it (a run's own check passes its final plan, the volumes
    // bound): every zip's name, entries and numbered diz are held against it.
    std::optional<RunPlan> plan;
    // A script's job, when no plan is given: the check makes the job's plan for the count
    // and the "$" date the names in the folder show. Without either, the names and what the
    // zips agree on describe the set.
    std::optional<JobSettings> job;
    // Where to join the volumes and keep them; empty: a private folder, removed after the
    // archiver's test. Given, the test is left to the caller, which extracts the joined
    // volumes (SetReport::joined) with the archiver: its own CRCs check them once.
    QString keepVolumesIn;
    // Asked before each zip: true ends the check there (a cancelled unpack).
    std::function<bool()> cancelled;
};

// status, when given, is told what is being checked (a window shows it and keeps painting).
SetReport checkSet(const SetCheckRequest& request,
                   const std::function<void(const QString&)>& status = {});
