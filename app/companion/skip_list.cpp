#include "companion/skip_list.h"

#include "platform/paths.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");

void error(WindowPort& window, const QString& text) {
    window.message(text, kErrorTitle, MessageIcon::Critical, MessageButtons::Ok);
}

// A name holding CR or LF would become two entries, or end the list early in a script.
bool holdsLineBreak(const QString& path) {
    return path.contains(QLatin1Char('\r')) || path.contains(QLatin1Char('\n'));
}

QString withoutTrailingSeparator(QString path) {
    while (path.size() > 1 && endsWithSeparator(path))
        path.chop(1);
    return path;
}

} // namespace

bool skipBrowseAllowed(const JobSettings& job, WindowPort& window) {
    if (!job.SourceSpec.isEmpty())
        return true;
    error(window, kNoSourceText);
    window.showPage(Page::Source);
    return false;
}

QString subDirectoryEntry(const QString& chosenPath) {
    return endsWithSeparator(chosenPath) ? chosenPath + QStringLiteral("*.*")
                                         : chosenPath + pathSeparator() + QStringLiteral("*.*");
}

bool addSkipSubDirectory(JobSettings& job, const QString& chosenPath, WindowPort& window) {
    if (chosenPath.isEmpty())
        return false;
    if (foldCase(withoutTrailingSeparator(chosenPath)) ==
        foldCase(withoutTrailingSeparator(job.SourceSpec)))
        return false;
    if (holdsLineBreak(chosenPath)) {
        error(window, kLineBreakInPathText);
        return false;
    }
    job.SkipList = foldCase(job.SkipList + chosenPath);
    job.SkipList = subDirectoryEntry(job.SkipList) + kCrLf;
    return true;
}

bool addSkipFile(JobSettings& job, const QString& chosenPath, WindowPort& window) {
    if (chosenPath.isEmpty())
        return false;
    // A separator must follow the source's own name: /src2/a.txt is not within /src.
    if (!pathWithin(chosenPath, job.SourceSpec) ||
        foldCase(withoutTrailingSeparator(chosenPath)) ==
            foldCase(withoutTrailingSeparator(job.SourceSpec))) {
        error(window, kNotWithinSourceText);
        return false;
    }
    if (holdsLineBreak(chosenPath)) {
        error(window, kLineBreakInPathText);
        return false;
    }
    job.SkipList = foldCase(job.SkipList + chosenPath) + kCrLf;
    return true;
}
