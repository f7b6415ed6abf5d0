#pragma once

#include "engine/run_plan.h"
#include "job/job_settings.h"

#include <QString>
#include <QStringList>

// The set a job's script describes, as a folder shows it: the check of a set with a script
// holds every zip against the job's own plan (planRun), made for the count the set shows
// and the date a "$" run put into its names.

// What the names of the zips in a folder say about the job's set.
struct JobSetNames {
    QString dateText;    // "mmdyy" of a "$" run, or empty
    int digits = 2;      // the numbers' width: 2 or 3
    QStringList members; // the zips named as the set's
    int highest = 0;     // the highest number among them (1 for an unnumbered zip)
};
JobSetNames recogniseJobSet(const JobSettings& job, const QStringList& zipFiles);

// The job's plan for that set with count zips: facts read from the job's companion files
// (the check needs neither the source nor the comment file). The plan's fault, when it has
// one, says why the job cannot describe the set.
RunPlan planForFolder(const JobSettings& job, const JobSetNames& names, int count);

// Whether fileName looks like one of the set's zips: a name one slip (a character changed,
// added or dropped, case aside) away from one of names.
bool looksLikeSetName(const QString& fileName, const QStringList& names);
