#pragma once

#include "engine/run_plan.h"
#include "job/job_settings.h"
#include "release/finish_options.h"

#include <QDate>
#include <QString>

// A job's plan as every start makes it: the run, the dry run and the check of a set with a
// script take their facts and options from here, so they cannot disagree.

// The facts a run reads, with what the steps after the last zip need (the par2 program) and
// whether SOURCE_DATE_EPOCH, when set, can be used.
PlanFacts factsForRun(const JobSettings& job, const QString& workLocation,
                      const FinishOptions& finish);

// The options of a run on the measured source: the date of a "$" run, the steps after the
// last zip, the time to stamp with (SOURCE_DATE_EPOCH, whose day a "$" run then carries). The
// source's size leaves out the run's own folders inside it.
PlanOptions optionsForRun(const PlanFacts& facts, const RunFlags& flags, float sourceSizeM,
                          const QDate& today, const FinishOptions& finish);
