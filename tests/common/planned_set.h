#pragma once

// The set the product plans for a job, made over a folder of the test's own: what goes into
// the zips byte for byte (each zip's diz, the tagged nfo) is read from the plan itself.

#include "engine/run_plan.h"
#include "job/volume_rules.h"

#include <QDir>
#include <QFile>

// The job made whole with what a plan needs and the caller left empty: a source, a zip
// folder and a name, a diz and an nfo, all in folder; zips of a floppy's size.
inline JobSettings plannableJob(JobSettings job, const QString& folder) {
    const auto made = [&folder](QString& field, const QString& name, const QByteArray& bytes) {
        if (!field.isEmpty())
            return;
        field = folder + QLatin1Char('/') + name;
        if (bytes.isNull()) {
            QDir().mkpath(field);
            return;
        }
        QFile file(field);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
    };
    QDir().mkpath(folder);
    made(job.SourceSpec, QStringLiteral("planned-source"), QByteArray());
    made(job.ZipDir, QStringLiteral("planned-zips"), QByteArray());
    made(job.DizFile, QStringLiteral("planned.diz"), "Title\r\n");
    made(job.NfoFile, QStringLiteral("planned.nfo"), "Release\r\n");
    if (job.ZipName.isEmpty())
        job.ZipName = QStringLiteral("num");
    job.SizeUnits = kFloppyPosition;
    return job;
}

// The plan for a set of n zips numbered with digits (2 or 3): a source the estimate takes
// for more than 99 volumes gives three, as the run's own estimate would.
inline RunPlan plannedSet(const JobSettings& job, const QString& folder, int n, int digits) {
    const JobSettings whole = plannableJob(job, folder);
    PlanOptions options;
    options.volumes = n;
    options.sourceSizeM = digits == 3 ? 1000.0f : 0.0f;
    return planRun(whole, readPlanFacts(whole, folder), options);
}

// The diz of zip k as the plan holds it; empty, with the plan's fault in *refusal, when the
// plan refuses the job or numbers with other digits.
inline QByteArray plannedDiz(const JobSettings& job, const QString& folder, int k, int n,
                             int digits, QString* refusal = nullptr) {
    const RunPlan plan = plannedSet(job, folder, n, digits);
    QString why = plan.ok() ? QString() : plan.fault->text;
    if (why.isEmpty() && plan.digits != digits)
        why = QStringLiteral("the plan numbers with %1 digits").arg(plan.digits);
    if (refusal)
        *refusal = why;
    return why.isEmpty() ? plan.zips.value(k - 1).dizText : QByteArray();
}
