#include "script/loaded_job_check.h"

#include "job/text_lines.h"
#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace {

// A line the text reader would cut: no path is this long.
constexpr qsizetype kMaxSkipEntryLength = 1 << 16;

struct Failure {
    Page page;
    QString reason;
    QString focus = {};
};

// The entries as the window's text box hands them over, up to the first empty line; the
// first that does not exist fails. Read in memory: the check writes nothing, so a dry run
// makes the same check.
std::optional<QString> failingSkipEntry(const QString& skipList, QString& error) {
    for (const QString& entry : splitTextLines(skipList)) {
        if (entry.isEmpty())
            break;
        if (entry.size() > kMaxSkipEntryLength || !skipEntryExists(entry)) {
            error = QStringLiteral("the skip entry %1 does not exist").arg(entry);
            return entry;
        }
    }
    return std::nullopt;
}

bool isFile(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}

// Why a path named as a file or a folder is not one: it is missing, or it is something else
// (a FIFO where a file should be, a file where a folder should be).
QString notThere(const QString& what, const QString& path) {
    return QFileInfo::exists(path) ? QStringLiteral("the %1 %2 is not a %3")
                                         .arg(what, path,
                                              what.endsWith(QLatin1String("directory"))
                                                  ? QStringLiteral("directory")
                                                  : QStringLiteral("regular file"))
                                   : QStringLiteral("the %1 %2 does not exist").arg(what, path);
}
bool isDir(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

std::optional<Failure> runChecks(JobSettings& job, WindowPort& window, const RunFlags& flags,
                                 const NumberingCheck& checkNumbering, bool& endProgram) {
    if (job.SourceSpec.isEmpty() || !QFileInfo::exists(job.SourceSpec)) {
        const QString reason =
            job.SourceSpec.isEmpty()
                ? QStringLiteral("no source is chosen")
                : QStringLiteral("the source %1 does not exist").arg(job.SourceSpec);
        job.SourceSpec.clear();
        job.SkipList.clear();
        return Failure{Page::Source, reason};
    }
    if (!job.RawArchivesOnly) {
        if (!job.SkipList.isEmpty()) {
            QString error;
            if (failingSkipEntry(job.SkipList, error)) {
                job.SkipList.clear();
                return Failure{Page::Skip, error};
            }
        }
        if (job.DizFile.isEmpty())
            return Failure{Page::Diz, QStringLiteral("no diz file is chosen")};
        if (!isFile(job.DizFile)) {
            const QString reason = notThere(QStringLiteral("diz file"), job.DizFile);
            job.DizFile.clear();
            return Failure{Page::Diz, reason};
        }
        if (job.AutoNumber && (job.NumberColumn.isEmpty() || job.NumberLine.isEmpty())) {
            endProgram = flags.batch();
            if (job.NumberColumn.isEmpty())
                return Failure{Page::Diz, QStringLiteral("the numbering column is empty"),
                               QStringLiteral("Text2")};
            return Failure{Page::Diz, QStringLiteral("the numbering line is empty"),
                           QStringLiteral("Text6")};
        }
        if (job.NfoFile.isEmpty())
            return Failure{Page::Nfo, QStringLiteral("no nfo file is chosen")};
        if (!isFile(job.NfoFile))
            return Failure{Page::Nfo, notThere(QStringLiteral("nfo file"), job.NfoFile)};
        if (!job.ExtraPath.isEmpty()) {
            const bool exists = job.ExtraIsFile ? isFile(job.ExtraPath) : isDir(job.ExtraPath);
            if (!exists) {
                const QString reason = notThere(job.ExtraIsFile ? QStringLiteral("extra file")
                                                                : QStringLiteral("extra directory"),
                                                job.ExtraPath);
                job.ExtraPath.clear();
                return Failure{Page::Nfo, reason};
            }
        }
        if (job.ZipDir.isEmpty())
            return Failure{Page::Zip, QStringLiteral("no zip directory is chosen")};
        if (!isDir(job.ZipDir)) {
            const QString reason = notThere(QStringLiteral("zip directory"), job.ZipDir);
            job.ZipDir.clear();
            return Failure{Page::Zip, reason};
        }
    }
    const QString nameField = QStringLiteral("Text3");
    if (job.ZipName.isEmpty())
        return Failure{Page::Zip, QStringLiteral("no zip name is chosen"), nameField};
    const bool hasSpace = job.ZipName.contains(QLatin1Char(' '));
    if (hasSpace || isUnsafeZipName(job.ZipName)) {
        // The same words as the box, after the name itself.
        const QString reason =
            QStringLiteral("the zip name \"%1\": %2")
                .arg(job.ZipName, hasSpace ? kZipNameSpacesText : kZipNameCharsText);
        Failure failure{Page::Zip, reason, nameField};
        if (!flags.batch()) {
            window.message(hasSpace ? kZipNameSpacesText : kZipNameCharsText, kErrorTitle,
                           MessageIcon::Exclamation, MessageButtons::Ok);
            job.ZipName.clear();
        }
        return failure;
    }
    if (job.AutoNumber && !job.RawArchivesOnly) {
        QString why;
        if (!checkNumbering || !checkNumbering(job, &why))
            return Failure{Page::Diz,
                           why.isEmpty()
                               ? QStringLiteral("the diz numbering position is not usable")
                               : QStringLiteral("the diz numbering: %1").arg(why)};
    }
    return std::nullopt;
}

} // namespace

bool skipEntryExists(const QString& entry) {
    if (!entry.endsWith(QLatin1Char('*')))
        return isFile(entry);
    const QChar separator = pathSeparator();
    const qsizetype cut = entry.lastIndexOf(separator);
    if (cut < 0)
        return false;
    const QString dir = cut == 0 ? QString(separator) : entry.left(cut);
    const QString pattern = entry.mid(cut + 1);
    if (!isDir(dir))
        return false;
    // A directory's listing always holds "." and "..", which "*" and "*.*" match.
    if (pattern == QLatin1String("*") || pattern == QLatin1String("*.*"))
        return true;
    QDir::Filters filters = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    if (foldCase(QStringLiteral("A")) == QLatin1String("A"))
        filters |= QDir::CaseSensitive;
    return !QDir(dir).entryList({pattern}, filters).isEmpty();
}

LoadedJobCheck checkLoadedJob(JobSettings& job, WindowPort& window, const RunFlags& flags,
                              const NumberingCheck& checkNumbering) {
    LoadedJobCheck result;
    const auto failure = runChecks(job, window, flags, checkNumbering, result.endProgram);
    if (!failure) {
        result.JobValidated = true;
        return result;
    }
    result.page = failure->page;
    result.focus = failure->focus;
    result.reason = failure->reason;
    if (!flags.batch())
        window.showPage(failure->page, failure->focus);
    return result;
}
