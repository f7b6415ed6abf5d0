#include "release/dry_run.h"

#include "companion/diz_numbering.h"
#include "companion/line_text_file.h"
#include "companion/nfo_copy.h"
#include "companion/zip_comment.h"
#include "companion/zip_entries.h"
#include "engine/archiver_command.h"
#include "engine/zip_wrapping.h"
#include "job/volume_rules.h"
#include "job/window_port.h"
#include "platform/paths.h"
#include "platform/process_runner.h"
#include "release/par2_recovery.h"
#include "script/loaded_job_check.h"
#include "script/script_file.h"
#include "source/size_listing.h"
#include "source/source_size.h"

#include <QBuffer>
#include <QDate>
#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace {

// A size listing is a few lines with /t; this is far beyond any.
constexpr qint64 kMaxListingBytes = 16 * 1024 * 1024;
// Shown where the run's private work folder goes: its name is made when the run starts.
const QString kWorkFolderMark = QStringLiteral("<work folder>");

QString zipList(const QStringList& names) {
    if (names.size() <= 12)
        return names.join(QStringLiteral(", "));
    return names.mid(0, 3).join(QStringLiteral(", ")) + QStringLiteral(", ... ") + names.back();
}

// The source measured as the run measures it, the size program writing into a pipe instead
// of size.txt. Empty *error: measured.
float measureSource(const QString& source, QString* sizeText, QString* error) {
    const Command command =
        sizeCommand(AppPaths::programFolder(), GetShortFileName(source), QString());
    QByteArray listing;
    const int status = runCommandCapturing(command, &listing, kMaxListingBytes, false);
    if (status != 0) {
        *error = status == kCouldNotStart
                     ? QStringLiteral("the size program could not be started")
                     : QStringLiteral("the size program failed (status %1)").arg(status);
        return 0;
    }
    QBuffer buffer(&listing);
    buffer.open(QIODevice::ReadOnly);
    const ListingScan scan = scanSizeListing(buffer, GetShortFileName(source));
    if (scan.outcome != ListingOutcome::Found || scan.totalsLine.isEmpty()) {
        *error = QStringLiteral("the size listing holds no total");
        return 0;
    }
    *sizeText = scan.totalsLine;
    return parseSizeField(scan.totalsLine);
}

// What the run checks before anything is written, beyond the job check: the readiness of
// the fields, the comment file, companion names that would replace each other.
QString runPreconditions(const JobSettings& job) {
    const JobReadiness ready = isJobReady(job);
    if (!ready.ready)
        return readinessReason(ready);
    if (job.CommentOn && !QFileInfo(job.CommentFile).isFile())
        return QStringLiteral("The zip comment file %1 does not exist").arg(job.CommentFile);
    return companionNameClash(job);
}

QString extraDescription(const JobSettings& job) {
    if (job.ExtraPath.isEmpty())
        return {};
    if (job.ExtraIsFile)
        return QStringLiteral(", extra file %1").arg(fileNamePart(job.ExtraPath));
    const QStringList files =
        QDir(job.ExtraPath)
            .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    return QStringLiteral(", the %1 files of %2%3")
        .arg(files.size())
        .arg(job.ExtraPath)
        .arg(files.isEmpty() ? QString()
                             : QStringLiteral(" (") + zipList(files) + QLatin1Char(')'));
}

} // namespace

QString numberingFault(const JobSettings& job) {
    if (job.DizFile.isEmpty() || !job.AutoNumber)
        return {};
    return judgeNumbering(job, false).why;
}

QString checkJobWithoutWriting(const JobSettings& job) {
    JobSettings checked = job;
    checked.SkipList.clear();
    NullWindowPort window;
    const RunFlags batch{true, false};
    QString numbering;
    const LoadedJobCheck verdict =
        checkLoadedJob(checked, window, batch, [&numbering](const JobSettings& j, QString*) {
            numbering = numberingFault(j);
            return numbering.isEmpty();
        });
    if (!verdict.JobValidated && verdict.page == Page::Source)
        return verdict.reason;
    // The skip entries come next, read as the check reads its scratch copy: up to the first
    // empty line.
    if (!job.RawArchivesOnly) {
        for (const QString& entry : job.SkipList.split(QStringLiteral("\r\n"))) {
            if (entry.isEmpty())
                break;
            if (!skipEntryExists(entry))
                return QStringLiteral("the skip entry %1 does not exist").arg(entry);
        }
    }
    if (verdict.JobValidated)
        return {};
    return numbering.isEmpty() ? verdict.reason : numbering;
}

QString numberedDizLine(const JobSettings& job, int diskNumber, int diskCount, bool threeDigits) {
    if (!job.AutoNumber)
        return {};
    QStringList lines;
    if (!readTextLines(job.DizFile, &lines, nullptr))
        return {};
    const int lineNumber = fieldNumber(job.NumberLine);
    if (lineNumber < 1 || lineNumber > lines.size())
        return {};
    return numberedLine(lines[lineNumber - 1], fieldNumber(job.NumberColumn),
                        diskLabel(diskNumber, diskCount, threeDigits));
}

QString nextOutputFolder(const QString& workLocation) {
    for (int i = 1; i < 100000; ++i) {
        const QString path =
            joinPath(workLocation, QStringLiteral("Kavel%1").arg(i, 3, 10, QLatin1Char('0')));
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            return path;
    }
    return {};
}

QString rememberedCommentWithoutWriting() {
    const QString path = joinPath(AppPaths::stateFolderPath(), QStringLiteral("Kavel32.ini"));
    QStringList lines;
    if (!QFileInfo(path).isFile() || !readTextLines(path, &lines, nullptr, 64 * 1024))
        return {};
    // A start finding another version's file rewrites it without the comment line.
    if (lines.isEmpty() || lines[0] != QStringLiteral("Vers=") + programVersionText() ||
        lines.size() < 2)
        return {};
    const QString comment = QFile::decodeName(lines[1].toLatin1());
    return commentFileUsable(comment) ? comment : QString();
}

DryRun dryRun(const QString& scriptPath, const RunFlags& flags, const QString& workLocation,
              const FinishOptions& finish) {
    DryRun dry;
    auto stop = [&dry](const QString& why) {
        dry.exitCode = 1;
        dry.failure = why;
        dry.lines << QStringLiteral("The run would stop here: ") + why;
        return dry;
    };
    dry.lines << QStringLiteral("Dry run of %1: nothing is written").arg(scriptPath);

    JobSettings job;
    NullWindowPort window;
    const ScriptLoad loaded = loadScript(scriptPath, job, window, flags);
    if (!loaded.ok) {
        if (loaded.line == 0)
            return stop(QStringLiteral("cannot open script %1").arg(loaded.detail));
        dry.warnings
            << QStringLiteral("%1 %2: %3").arg(kScriptErrorText, scriptPath, loaded.detail);
    }
    job.WorkDrive = workLocation;
    job.CommentFile = rememberedCommentWithoutWriting();
    job.CommentOn = !job.CommentFile.isEmpty();

    if (const QString fault = checkJobWithoutWriting(job); !fault.isEmpty())
        return stop(QStringLiteral("the job in %1 failed its check: %2").arg(scriptPath, fault));
    dry.lines << QStringLiteral("Check: the job passes its check");

    job.SourceSpec = canonicalSource(job.SourceSpec);
    QString sizeText, error;
    const float sourceSizeM = measureSource(job.SourceSpec, &sizeText, &error);
    if (!error.isEmpty())
        return stop(QStringLiteral("cannot measure the source %1: %2").arg(job.SourceSpec, error));
    dry.lines << QStringLiteral("Source: %1, %2").arg(job.SourceSpec, sizeText);

    if (const QString fault = runPreconditions(job); !fault.isEmpty())
        return stop(fault);
    if (const QString fault = numberingFault(job); !fault.isEmpty() && !job.RawArchivesOnly)
        return stop(fault);
    const VolumePlan plan = planVolumes(job.Archiver, job.SizeUnits, sourceSizeM);
    if (plan.tooManyVolumes)
        return stop(QStringLiteral("More than %1 volumes would be needed").arg(kVolumeLimit));

    const float estimate = estimatedVolumes(job.SizeUnits, sourceSizeM);
    const int planned = job.SizeUnits == 0 ? 1 : qMax(1, int(std::ceil(double(estimate) - 1e-6)));
    if (job.SizeUnits == 0)
        dry.lines << QStringLiteral("Volumes: one archive, no volume size");
    else
        dry.lines << QStringLiteral("Volumes: %1 bytes each; estimated %2, planned %3 (%4-digit "
                                    "numbers); the archiver's real count decides")
                         .arg(volumeBytes(job.SizeUnits))
                         .arg(double(estimate), 0, 'f', 1)
                         .arg(planned)
                         .arg(plan.threeDigitNumbers ? 3 : 2);

    const QString location = workLocation.isEmpty() ? QDir::homePath() : workLocation;
    const QString outputFolder = nextOutputFolder(location);
    if (outputFolder.isEmpty())
        return stop(QStringLiteral("no free output folder name in %1").arg(location));
    const QString listFile =
        job.SkipList.isEmpty() ? QString() : joinPath(kWorkFolderMark, QStringLiteral("skip.txt"));
    const Command archiver = archiverCommand(job.Archiver, job.SizeUnits, job.MethodIndex,
                                             joinPath(outputFolder, job.ZipName + plan.extension),
                                             job.SourceSpec, listFile);
    dry.lines << QStringLiteral("Output folder: %1 (made by the run, removed when empty)")
                     .arg(outputFolder);
    dry.lines << QStringLiteral("Archiver: ") + archiver.text;
    if (!listFile.isEmpty())
        dry.lines << QStringLiteral("Exclusion list: %1 skip entries, written to the run's own "
                                    "private work folder, %2, whose name is made when it starts")
                         .arg(job.SkipList.count(QStringLiteral("\r\n")))
                         .arg(kWorkFolderMark);

    const QString dateText = dateStampText(flags.DateStampRun, QDate::currentDate());
    QStringList names;
    for (int k = 1; k <= planned; ++k)
        names << shownZipName(job.ZipName, dateText,
                              volumeNumberText(job.SizeUnits, planned, k, plan.threeDigitNumbers));
    dry.lines << QStringLiteral("Zips: %1 in %2: %3").arg(planned).arg(job.ZipDir, zipList(names));
    if (!QDir(job.ZipDir).entryList({job.ZipName + QLatin1Char('*')}, QDir::Files).isEmpty())
        dry.lines << QStringLiteral("Note: %1 already holds files named %2*; the run writes over "
                                    "zips of the same name")
                         .arg(job.ZipDir, job.ZipName);

    if (job.AutoNumber) {
        const QString line = QStringLiteral("Diz of zip %1, line %2: %3");
        dry.lines << line.arg(names.front())
                         .arg(fieldNumber(job.NumberLine))
                         .arg(numberedDizLine(job, 1, planned, plan.threeDigitNumbers));
        if (planned > 1)
            dry.lines << line.arg(names.back())
                             .arg(fieldNumber(job.NumberLine))
                             .arg(numberedDizLine(job, planned, planned, plan.threeDigitNumbers));
    } else {
        dry.lines << QStringLiteral("Diz: %1 goes into every zip unchanged (no numbering)")
                         .arg(job.DizFile);
    }

    const QString companions =
        QStringLiteral("file_id.diz") +
        (job.NfoFile.isEmpty()
             ? QString()
             : QStringLiteral(", %1 (tagged copy)").arg(nfoCopyName(job.NfoFile))) +
        extraDescription(job);
    dry.lines << QStringLiteral("Into %1: volume 1, %2").arg(names.front(), companions);
    if (planned > 1)
        dry.lines << QStringLiteral("Into %1 to %2: its own volume, %3")
                         .arg(names[1], names.back(),
                              job.FirstZipOnly ? QStringLiteral("file_id.diz (nfo and extra in "
                                                                "the 1st zip only)")
                                               : companions);
    dry.lines
        << QStringLiteral("Compression level %1%2")
               .arg(zipCompressionLevel(job))
               .arg(job.CommentOn
                        ? QStringLiteral("; every zip gets the comment in %1").arg(job.CommentFile)
                        : QStringLiteral("; no zip comment"));

    QStringList after;
    const QString stem = job.ZipName + dateText;
    if (finish.sfv)
        after << QStringLiteral("%1.sfv").arg(stem);
    if (finish.par2Percent > 0) {
        if (const QString fault = par2MissingFault(); !fault.isEmpty())
            return stop(fault);
        after << QStringLiteral("PAR2 recovery files %1.par2 at %2 %")
                     .arg(stem)
                     .arg(finish.par2Percent);
    }
    if (finish.verify)
        after << QStringLiteral("a check of the set");
    dry.lines << QStringLiteral("After the last zip: %1")
                     .arg(after.isEmpty() ? QStringLiteral("nothing more")
                                          : after.join(QStringLiteral(", ")));
    dry.lines << QStringLiteral("The run would go ahead");
    return dry;
}
