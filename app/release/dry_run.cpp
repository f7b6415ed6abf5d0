#include "release/dry_run.h"

#include "companion/diz_numbering.h"
#include "companion/settings_file.h"
#include "job/text_lines.h"
#include "job/volume_rules.h"
#include "job/window_port.h"
#include "platform/paths.h"
#include "platform/process_runner.h"
#include "release/job_plan.h"
#include "script/loaded_job_check.h"
#include "script/script_file.h"
#include "source/size_listing.h"
#include "source/source_size.h"

#include <QBuffer>
#include <QDate>
#include <QDir>

namespace {

// A size listing is a few lines with /t; this is far beyond any.
constexpr qint64 kMaxListingBytes = 16 * 1024 * 1024;
// Shown where the run's private work folder goes: its name is made when the run starts.
const QString kWorkFolderMark = QStringLiteral("<work folder>");

QString nameList(const QStringList& names) {
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

// What wrar or wace will run: a real rar when one is installed (wrar only), else 7-Zip.
QString archiverBackend(ArchiverKind archiver) {
    if (archiver == ArchiverKind::Rar) {
        if (const QString rar = findProgram(QStringLiteral("rar")); !rar.isEmpty())
            return QStringLiteral("wrar runs %1").arg(rar);
    }
    const QString front =
        archiver == ArchiverKind::Rar ? QStringLiteral("wrar") : QStringLiteral("wace");
    if (const QString found = findSevenZip(); !found.isEmpty())
        return QStringLiteral("%1 makes the volumes with %2").arg(front, found);
    return QStringLiteral("%1 finds no archiver to run (neither rar nor 7-Zip)").arg(front);
}

QString entryText(const PlanEntry& entry, int number) {
    switch (entry.kind) {
    case PlanEntry::Kind::Volume:
        return QStringLiteral("volume %1").arg(number);
    case PlanEntry::Kind::Diz:
        return entry.name;
    case PlanEntry::Kind::Nfo:
        return QStringLiteral("%1 (tagged copy)").arg(entry.name);
    case PlanEntry::Kind::Extra:
        return entry.name;
    }
    return entry.name;
}

// The file the zip's diz is made from.
QString dizSource(const PlannedZip& zip) {
    for (const PlanEntry& entry : zip.entries)
        if (entry.kind == PlanEntry::Kind::Diz)
            return entry.source;
    return {};
}

// The entries of a zip without its volume: what zips of one run share or not.
QStringList companions(const PlannedZip& zip) {
    QStringList names;
    for (const PlanEntry& entry : zip.entries)
        if (entry.kind != PlanEntry::Kind::Volume)
            names << entryText(entry, zip.number);
    return names;
}

} // namespace

namespace {

// The archiver's side: volumes, folders, the command line and what runs it.
QStringList volumeLines(const RunPlan& plan) {
    QStringList lines;
    if (plan.volumeBytes == 0)
        lines << QStringLiteral("Volumes: one archive, no volume size");
    else
        lines << QStringLiteral("Volumes: %1 bytes each; estimated %2, planned %3 (%4-digit "
                                "numbers); the archiver's real count decides")
                     .arg(plan.volumeBytes)
                     .arg(double(plan.estimate), 0, 'f', 1)
                     .arg(plan.volumeCount)
                     .arg(plan.digits);
    lines << QStringLiteral("Output folder: %1 (made by the run, removed when empty)")
                 .arg(QFileInfo(plan.archivePath).path());
    lines << QStringLiteral("Archiver: ") + plan.archiver.text;
    lines << QStringLiteral("Archiver program: ") + archiverBackend(plan.archiverKind);
    if (!plan.listFile.isEmpty())
        lines << QStringLiteral("Exclusion list: %1 entries, written to the run's own private "
                                "work folder, %2, whose name is made when it starts")
                     .arg(plan.exclusionText.count(QStringLiteral("\r\n")))
                     .arg(kWorkFolderMark);
    for (const QString& folder : plan.ownFolders)
        lines
            << QStringLiteral("Left out of the archive: %1, a folder of the run's own").arg(folder);
    return lines;
}

// The zips' names, the set they replace and their numbered diz lines.
QStringList zipLines(const RunPlan& plan) {
    QStringList lines, names;
    for (const PlannedZip& zip : plan.zips)
        names << zip.shownName;
    lines << QStringLiteral("Zips: %1 in %2: %3")
                 .arg(plan.zips.size())
                 .arg(plan.zipDir, nameList(names));
    if (!plan.olderSet.isEmpty()) {
        QStringList older;
        for (const QString& path : plan.olderSet)
            older << fileNamePart(path);
        lines << QStringLiteral("Replaces the older set %1 in %2: %3")
                     .arg(plan.stem, plan.zipDir, nameList(older));
    }
    if (!plan.leftAlone.isEmpty())
        lines << QStringLiteral("Leaves alone in %1, as not of the set %2: %3")
                     .arg(plan.zipDir, plan.stem, nameList(plan.leftAlone));
    if (plan.numberLine == 0) {
        lines << QStringLiteral("Diz: %1 goes into every zip unchanged (no numbering)")
                     .arg(dizSource(plan.zips.front()));
        return lines;
    }
    const QString line = QStringLiteral("Diz of zip %1, line %2: %3");
    lines << line.arg(plan.zips.front().shownName)
                 .arg(plan.numberLine)
                 .arg(plan.zips.front().numberedLine);
    if (plan.zips.size() > 1)
        lines << line.arg(plan.zips.back().shownName)
                     .arg(plan.numberLine)
                     .arg(plan.zips.back().numberedLine);
    return lines;
}

// What goes into the zips: a line for each run of zips that hold the same companions.
QStringList entryLines(const RunPlan& plan) {
    QStringList lines;
    for (qsizetype i = 0; i < plan.zips.size();) {
        const PlannedZip& first = plan.zips[i];
        qsizetype j = i + 1;
        while (j < plan.zips.size() && companions(plan.zips[j]) == companions(first))
            ++j;
        const QString into =
            j - i == 1
                ? first.shownName
                : QStringLiteral("%1 to %2").arg(first.shownName, plan.zips[j - 1].shownName);
        const QString volume = j - i == 1 ? QStringLiteral("volume %1").arg(first.number)
                                          : QStringLiteral("its own volume");
        lines << QStringLiteral("Into %1: %2, %3")
                     .arg(into, volume, companions(first).join(QStringLiteral(", ")));
        i = j;
    }
    lines << QStringLiteral("Compression level %1%2")
                 .arg(plan.compressionLevel)
                 .arg(plan.commentFile.isEmpty()
                          ? QStringLiteral("; no zip comment")
                          : QStringLiteral("; every zip gets the comment in %1")
                                .arg(plan.commentFile));
    return lines;
}

QString afterTheLastZip(const RunPlan& plan) {
    QStringList after;
    if (!plan.sfvPath.isEmpty())
        after << fileNamePart(plan.sfvPath);
    if (!plan.par2Path.isEmpty())
        after << QStringLiteral("PAR2 recovery files %1 at %2 %")
                     .arg(fileNamePart(plan.par2Path))
                     .arg(plan.par2Percent);
    if (plan.verify)
        after << QStringLiteral("a check of the set");
    return QStringLiteral("After the last zip: %1")
        .arg(after.isEmpty() ? QStringLiteral("nothing more") : after.join(QStringLiteral(", ")));
}

} // namespace

QStringList describePlan(const RunPlan& plan) {
    QStringList lines = volumeLines(plan);
    if (plan.zips.isEmpty())
        return lines;
    lines << zipLines(plan) << entryLines(plan) << afterTheLastZip(plan);
    return lines;
}

namespace {
DryRun planDryRun(const QString& scriptPath, const RunFlags& flags, const QString& workLocation,
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
    if (!loaded.labelFault.isEmpty())
        return stop(QStringLiteral("the job in %1 failed its check: %2")
                        .arg(scriptPath, loaded.labelFault));
    const QString location = workLocation.isEmpty() ? QDir::homePath() : workLocation;
    job.WorkDrive = location;
    // The comment an unattended start takes: the stored line, read without the start's
    // repair of the file.
    const StartupSettings settings = readStoredSettings();
    if (!settings.warning.isEmpty())
        dry.warnings << settings.warning;
    job.CommentFile = settings.CommentFile;
    job.CommentOn = !job.CommentFile.isEmpty();

    // The loaded-job check as the run makes it; its numbering verdict without the sample, with
    // the digits the plan takes before the source is measured.
    const RunFlags batch{true, false};
    const LoadedJobCheck verdict =
        checkLoadedJob(job, window, batch, [](const JobSettings& checked, QString* why) {
            const NumberingJudgement judged =
                judgeNumbering(checked, plannedDigits(checked, PlanOptions{}) == 3);
            *why = judged.why;
            return judged.valid;
        });
    if (!verdict.JobValidated)
        return stop(QStringLiteral("the job in %1 failed its check: %2")
                        .arg(scriptPath, verdict.reason.isEmpty()
                                             ? QStringLiteral("a file is missing")
                                             : verdict.reason));
    dry.lines << QStringLiteral("Check: the job passes its check");

    job.SourceSpec = canonicalSource(job.SourceSpec);
    QString sizeText, error;
    const float sourceSizeM = measureSource(job.SourceSpec, &sizeText, &error);
    if (!error.isEmpty())
        return stop(QStringLiteral("cannot measure the source %1: %2").arg(job.SourceSpec, error));
    dry.lines << QStringLiteral("Source: %1, %2").arg(job.SourceSpec, sizeText);

    const PlanFacts facts = factsForRun(job, location, finish);
    PlanOptions options = optionsForRun(facts, flags, sourceSizeM, QDate::currentDate(), finish);
    options.workLocation = location;
    options.outputFolder = firstFreeOutputFolder(location);
    if (options.outputFolder.isEmpty())
        return stop(QStringLiteral("no free output folder name in %1").arg(location));
    options.listFile = joinPath(kWorkFolderMark, QStringLiteral("skip.txt"));
    const RunPlan plan = planRun(job, facts, options);
    for (const QString& stranger : plan.strangers)
        dry.lines << QStringLiteral("Refuses to replace: ") + stranger;
    if (plan.fault)
        return stop(plan.fault->text);
    dry.lines << describePlan(plan);
    dry.warnings << plan.warnings;
    dry.lines << QStringLiteral("The run would go ahead");
    return dry;
}
} // namespace

DryRun dryRun(const QString& scriptPath, const RunFlags& flags, const QString& workLocation,
              const FinishOptions& finish) {
    DryRun dry = planDryRun(scriptPath, flags, workLocation, finish);
    // Its lines quote names and the diz's own text: none of it reaches a terminal raw.
    for (QStringList* lines : {&dry.lines, &dry.warnings})
        for (QString& line : *lines)
            line = printableText(line);
    dry.failure = printableText(dry.failure);
    return dry;
}
