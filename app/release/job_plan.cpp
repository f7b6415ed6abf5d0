#include "release/job_plan.h"

#include "engine/zip_naming.h"
#include "platform/source_date.h"
#include "release/par2_recovery.h"

PlanFacts factsForRun(const JobSettings& job, const QString& workLocation,
                      const FinishOptions& finish) {
    PlanFacts facts = readPlanFacts(job, workLocation);
    if (finish.par2Percent > 0)
        facts.par2Fault = par2MissingFault();
    facts.stampFault = sourceDateEpoch().fault;
    return facts;
}

PlanOptions optionsForRun(const PlanFacts& facts, const RunFlags& flags, float sourceSizeM,
                          const QDate& today, const FinishOptions& finish) {
    PlanOptions options;
    options.sourceSizeM = sizeWithoutOwnFolders(sourceSizeM, facts);
    options.flags = flags;
    // A reproducible run's "$" date is the stamp's, like every other time it writes.
    options.stampTime = sourceDateEpoch().seconds;
    options.dateText = dateStampText(flags.DateStampRun,
                                     options.stampTime ? stampDate(*options.stampTime) : today);
    options.sfv = finish.sfv;
    options.par2Percent = finish.par2Percent;
    options.verify = finish.verify;
    return options;
}
