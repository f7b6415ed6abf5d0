#pragma once

#include "engine/run_plan.h"
#include "job/job_settings.h"
#include "release/finish_options.h"

#include <QString>
#include <QStringList>

// A dry run: everything a run of the script would do, told and not done. Nothing is
// written: not the work folder (the checks that use scratch files are made in memory, and
// the source is measured with the size program writing into a pipe), not the settings
// files, not the output folder, not a zip.
struct DryRun {
    int exitCode = 0;     // 0 when the run would go ahead, 1 when it would stop
    QStringList lines;    // the plan, for standard output
    QString failure;      // why the run would stop
    QStringList warnings; // what would not stop it
};

DryRun dryRun(const QString& scriptPath, const RunFlags& flags, const QString& workLocation,
              const FinishOptions& finish);

// The lines that print a plan: the volumes, the output folder, the archiver command line
// and what runs it, the zips with the entries of each, the diz lines, what follows the last
// zip; the plan alone, so the dry run prints nothing the plan does not hold. Exposed so
// tests hold the printed plan to the plan itself.
QStringList describePlan(const RunPlan& plan);
