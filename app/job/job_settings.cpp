#include "job/job_settings.h"

bool isUnsafeZipName(const QString& zipName) {
    if (zipName.contains(QLatin1String("..")))
        return true;
    for (const QChar c : zipName)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || QStringView(u"<>:\"/\\|?*").contains(c))
            return true;
    return false;
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
    if (isUnsafeZipName(job.ZipName)) {
        auto r = fail(Page::Zip, QStringLiteral("Text3"));
        r.zipNameUnsafe = true;
        return r;
    }
    // A list with nothing chosen, as a stored script may hold it.
    if (job.MethodIndex < 0 || job.MethodIndex > kMaximumMethod)
        return fail(Page::Zip, QStringLiteral("Combo1"));
    return {};
}

QString readinessReason(const JobReadiness& r) {
    if (r.ready)
        return {};
    if (r.zipNameHasSpace)
        return kZipNameSpacesText;
    if (r.zipNameUnsafe)
        return kZipNameCharsText;
    if (r.focus == QLatin1String("Text2"))
        return QStringLiteral("The diz numbering column is not set");
    if (r.focus == QLatin1String("Text6"))
        return QStringLiteral("The diz numbering line is not set");
    if (r.focus == QLatin1String("Text3"))
        return QStringLiteral("No zip name is set");
    if (r.focus == QLatin1String("Combo1"))
        return QStringLiteral("No compression method is chosen");
    switch (r.page) {
    case Page::Source:
        return QStringLiteral("No source is chosen");
    case Page::Diz:
        return QStringLiteral("No file_id.diz is chosen");
    case Page::Nfo:
        return QStringLiteral("No nfo file is chosen");
    default:
        return QStringLiteral("No zip directory is chosen");
    }
}
