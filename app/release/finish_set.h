#pragma once

#include "engine/run_plan.h"
#include "job/job_settings.h"
#include "release/finish_options.h"

#include <QString>
#include <QStringList>

class WindowPort;

// What a run's options need before it starts: the par2 program for recovery files. Empty
// when all is there, else the line to stop on.
QString finishPrerequisiteFault(const FinishOptions& options);

struct FinishResult {
    bool ok = true;
    QString failure;    // the step that failed, when not ok
    QStringList report; // the check's report, and a line per step done
};

// The steps after a run's last zip, as its plan names them, in order: the SFV, the PAR2
// recovery files (verified with par2), the check of the set against that plan. zips are the
// run's zips in set order. The window's status line tells the step.
FinishResult finishSet(const RunPlan& plan, const QStringList& zips, WindowPort& window);

// The SFV of a set of zips: every zip's name and the CRC32 of its bytes, written at path in
// one step; with a stamp, the stamp's time in its header and on the file.
bool writeSetSfv(const QString& path, const QStringList& zips, QString* error,
                 std::optional<qint64> stamp = std::nullopt);
