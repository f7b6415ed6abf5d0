#pragma once

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

// ---- Pieces shared with the run's own steps, exposed so tests hold them to those steps ----

// The loaded-job check's verdict without its scratch files: the skip entries are checked in
// memory and the numbering position without a sample. Empty when the job passes, else the
// reason the run would stop with.
QString checkJobWithoutWriting(const JobSettings& job);

// The numbering check's verdict on a job (the Diz page's fields and the diz's line and
// column), as checkDizNumbering decides it, without writing its sample. Empty when valid.
QString numberingFault(const JobSettings& job);

// Line numberLine of the diz as writeDiskDiz numbers it for disk k of n; empty when the job
// numbers nothing or the line is beyond the diz.
QString numberedDizLine(const JobSettings& job, int diskNumber, int diskCount, bool threeDigits);

// The output folder a run would claim now in workLocation (made by nothing here).
QString nextOutputFolder(const QString& workLocation);

// The comment a start without a window takes from Kavel32.ini, read without the start's
// repair of the file: empty when there is none or the start would drop it.
QString rememberedCommentWithoutWriting();
