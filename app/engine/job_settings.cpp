#include "engine/job_settings.h"

bool zipNameEscapesDir(const QString& zipName) {
    return zipName.contains(QLatin1Char('/')) || zipName.contains(QLatin1Char('\\')) ||
           zipName.contains(QLatin1String(".."));
}

JobReadiness isJobReady(const JobSettings& job) {
    auto fail = [](Page page, const QString& focus = {}) {
        JobReadiness r;
        r.ready = false;
        r.page = page;
        r.focus = focus;
        return r;
    };
    if (!job.RawArchivesOnly) {
        if (job.SourceSpec.isEmpty())
            return fail(Page::Source);
        if (job.DizFile.isEmpty())
            return fail(Page::Diz);
        if (job.AutoNumber && job.NumberColumn.isEmpty())
            return fail(Page::Diz, QStringLiteral("Text2"));
        if (job.AutoNumber && job.NumberLine.isEmpty())
            return fail(Page::Diz, QStringLiteral("Text6"));
        if (job.NfoFile.isEmpty())
            return fail(Page::Nfo);
        if (job.ZipDir.isEmpty())
            return fail(Page::Zip);
    }
    if (job.ZipName.isEmpty())
        return fail(Page::Zip, QStringLiteral("Text3"));
    if (job.ZipName.contains(QLatin1Char(' '))) {
        auto r = fail(Page::Zip, QStringLiteral("Text3"));
        r.zipNameHasSpace = true;
        return r;
    }
    if (zipNameEscapesDir(job.ZipName)) {
        auto r = fail(Page::Zip, QStringLiteral("Text3"));
        r.zipNameUnsafe = true;
        return r;
    }
    return {};
}
