#include "engine/run_plan.h"

#include "companion/diz_numbering.h"
#include "companion/nfo_copy.h"
#include "companion/skip_list.h"
#include "companion/zip_entries.h"
#include "engine/archiver_command.h"
#include "engine/zip_wrapping.h"
#include "job/volume_rules.h"
#include "platform/paths.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

#include <cmath>

namespace {

const QString kDizEntry = QStringLiteral("file_id.diz");

// Text lines as the companion files are written: every line ends with CR LF, bytes kept.
QByteArray linesText(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toLatin1() + "\r\n";
    return bytes;
}

PlanFault fault(const QString& text, Page page, const QString& focus = {}, const QString& box = {},
                PlanFault::Stage stage = PlanFault::Stage::Set) {
    PlanFault f;
    f.stage = stage;
    f.text = text;
    f.page = page;
    f.focus = focus;
    f.box = box;
    return f;
}

// The checks of the job itself, before any question is asked.
std::optional<PlanFault> jobFault(const JobSettings& job, const PlanFacts& facts) {
    constexpr PlanFault::Stage kJob = PlanFault::Stage::Job;
    const JobReadiness ready = isJobReady(job);
    if (!ready.ready) {
        const QString reason = readinessReason(ready);
        const bool boxed = ready.zipNameHasSpace || ready.zipNameUnsafe;
        return fault(reason, ready.page, ready.focus, boxed ? reason : QString(), kJob);
    }
    if (!facts.workFolderFault.isEmpty())
        return fault(facts.workFolderFault, Page::Nfo, {}, facts.workFolderFault, kJob);
    if (!facts.stampFault.isEmpty())
        return fault(facts.stampFault, Page::Progress, {}, facts.stampFault, kJob);
    if (job.RawArchivesOnly)
        return std::nullopt;
    if (!facts.commentFault.isEmpty())
        return fault(facts.commentFault, Page::Nfo, {}, facts.commentFault, kJob);
    if (const QString clash = companionNameClash(job, facts.extraFiles); !clash.isEmpty())
        return fault(clash, Page::Nfo, {}, clash, kJob);
    if (!facts.dizReadError.isEmpty())
        return fault(facts.dizReadError, Page::Diz, {}, {}, kJob);
    if (!facts.nfoReadError.isEmpty())
        return fault(facts.nfoReadError, Page::Nfo, {}, {}, kJob);
    if (!facts.canonicalSource.isEmpty() && facts.canonicalSource == facts.canonicalZipDir) {
        const QString text = QStringLiteral("The zip folder %1 is the source itself: every run "
                                            "would pack the zips of the one before")
                                 .arg(job.ZipDir);
        return fault(text, Page::Zip, {}, text, kJob);
    }
    return std::nullopt;
}

std::optional<PlanFault> numberingFault(const JobSettings& job, const PlanFacts& facts, int digits,
                                        bool* noRoom) {
    if (!job.AutoNumber || job.RawArchivesOnly || job.DizFile.isEmpty())
        return std::nullopt;
    if (!facts.dizReadError.isEmpty())
        return fault(facts.dizReadError, Page::Diz);
    const NumberingJudgement judged = judgeNumberingLines(job, facts.dizLines, digits);
    // What a receiving site reads is judged on every zip's own diz, with its real numbers.
    if (judged.valid || judged.misread)
        return std::nullopt;
    *noRoom = judged.noRoom;
    return fault(judged.why, Page::Diz, judged.field, judged.message);
}

// The archiver's real count, where no set can be made of it.
std::optional<PlanFault> countFault(const JobSettings& job, int volumes) {
    if (job.SizeUnits == 0 && volumes > 1)
        return fault(QStringLiteral("The archiver made %1 files where one archive was asked for")
                         .arg(volumes),
                     Page::Progress);
    if (exceedsVolumeLimit(volumes))
        return fault(QStringLiteral("The archiver made %1 volumes; a set can't have more than %2")
                         .arg(volumes)
                         .arg(kVolumeLimit),
                     Page::Progress);
    return std::nullopt;
}

} // namespace

QString outputFolderName(int i) {
    return QStringLiteral("Kavel%1").arg(i, 3, 10, QLatin1Char('0'));
}

QString firstFreeOutputFolder(const QString& workLocation) {
    for (int i = 1; i < 100000; ++i) {
        const QString path = joinPath(workLocation, outputFolderName(i));
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            return path;
    }
    return {};
}

bool isSetFile(const QString& fileName, const QString& stem) {
    if (stem.isEmpty() || !fileName.startsWith(stem, Qt::CaseInsensitive))
        return false;
    static const QRegularExpression rest(
        QStringLiteral("^(\\d{2,3}\\.zip|\\.zip|\\.sfv|\\.par2|\\.vol\\d+\\+\\d+\\.par2)$"),
        QRegularExpression::CaseInsensitiveOption);
    return rest.match(fileName.mid(stem.size())).hasMatch();
}

QStringList ownFoldersInSource(const PlanFacts& facts) {
    QStringList inside;
    if (facts.canonicalSource.isEmpty() || !QFileInfo(facts.canonicalSource).isDir())
        return inside;
    for (const QString& folder :
         {facts.canonicalZipDir, facts.canonicalWorkLocation, facts.canonicalScratchFolder}) {
        if (folder.isEmpty() || folder == facts.canonicalSource || inside.contains(folder))
            continue;
        if (pathWithin(folder, facts.canonicalSource))
            inside << folder;
    }
    return inside;
}

namespace {

// The volumes: the estimate decides the first volume's name and the numbering width; the
// archiver's real count, once known, may only widen it.
VolumePlan planVolumeCount(RunPlan& plan, const JobSettings& job, const PlanOptions& options) {
    const VolumePlan volumes = planVolumes(job.Archiver, job.SizeUnits, options.sourceSizeM);
    plan.estimate = estimatedVolumes(job.SizeUnits, options.sourceSizeM);
    plan.extension = volumes.extension;
    bool three = volumes.threeDigitNumbers;
    if (options.volumes) {
        plan.countKnown = true;
        plan.volumeCount = *options.volumes;
        if (job.SizeUnits != 0 && needsThreeDigits(plan.volumeCount))
            three = true;
    } else {
        plan.volumeCount =
            job.SizeUnits == 0 ? 1 : qMax(1, int(std::ceil(double(plan.estimate) - 1e-6)));
    }
    plan.digits = three ? 3 : 2;
    return volumes;
}

// The Part's numbering refusals come first, then the volume limit, then a label that would
// overwrite the template's text (no use making room for a set that cannot be).
std::optional<PlanFault> setFault(const RunPlan& plan, const VolumePlan& volumes,
                                  const JobSettings& job, const PlanFacts& facts,
                                  const PlanOptions& options) {
    bool noRoom = false;
    std::optional<PlanFault> numbering = numberingFault(job, facts, plan.digits, &noRoom);
    if (numbering && !(noRoom && volumes.tooManyVolumes)) {
        if (plan.countKnown && !volumes.threeDigitNumbers && plan.digits == 3)
            numbering->text = QStringLiteral("The archiver made %1 volumes, too many for two-digit "
                                             "disk numbers, and %2")
                                  .arg(plan.volumeCount)
                                  .arg(numbering->text);
        if (plan.countKnown)
            numbering->stage = PlanFault::Stage::AfterArchiving;
        return numbering;
    }
    if (volumes.tooManyVolumes) {
        PlanFault f =
            fault(QStringLiteral("More than %1 volumes would be needed").arg(kVolumeLimit),
                  Page::Progress, {}, QString::fromLatin1(kTooManyVolumesText));
        f.boxTitle = QString::fromLatin1(kTooManyVolumesTitle);
        f.boxIcon = MessageIcon::Critical;
        return f;
    }
    if (plan.countKnown && !job.RawArchivesOnly)
        if (auto f = countFault(job, plan.volumeCount)) {
            f->stage = PlanFault::Stage::AfterArchiving;
            return f;
        }
    if (options.par2Percent > 0 && !facts.par2Fault.isEmpty() && !job.RawArchivesOnly)
        return fault(facts.par2Fault, Page::Progress, {}, facts.par2Fault);
    return std::nullopt;
}

// What the archiver is told: the source with the skip list and the run's own folders.
void planArchiver(RunPlan& plan, const JobSettings& job, const PlanFacts& facts,
                  const PlanOptions& options) {
    plan.ownFolders = ownFoldersInSource(facts);
    plan.exclusionText = job.SkipList;
    for (const QString& folder : plan.ownFolders)
        plan.exclusionText += subDirectoryEntry(folder) + QStringLiteral("\r\n");
    if (!plan.exclusionText.isEmpty())
        plan.listFile = options.listFile;
    plan.archivePath = joinPath(options.outputFolder, job.ZipName + plan.extension);
    plan.archiver = archiverCommand(job.Archiver, job.SizeUnits, job.MethodIndex, plan.archivePath,
                                    job.SourceSpec, plan.listFile);
}

PlannedZip plannedZip(const RunPlan& plan, const JobSettings& job, const PlanFacts& facts,
                      const PlanOptions& options, int k) {
    const bool three = plan.digits == 3;
    PlannedZip zip;
    zip.number = k;
    const QString number = volumeNumberText(job.SizeUnits, plan.volumeCount, k, three);
    zip.shownName = shownZipName(plan.zipName, options.dateText, number);
    zip.base = zipBaseFor(job.ZipDir, plan.zipName, options.dateText, number);
    zip.path = zip.base + QStringLiteral(".zip");
    if (job.AutoNumber) {
        const QStringList lines =
            numberedDizLines(job, facts.dizLines, k, plan.volumeCount, plan.digits);
        zip.dizText = linesText(lines);
        const int lineNumber = fieldNumber(job.NumberLine);
        if (lineNumber >= 1 && lineNumber <= lines.size())
            zip.numberedLine = lines[lineNumber - 1];
    } else {
        zip.dizText = facts.dizBytes;
    }
    zip.entries << PlanEntry{PlanEntry::Kind::Volume, {}, {}}
                << PlanEntry{PlanEntry::Kind::Diz, kDizEntry, job.DizFile};
    if (!job.FirstZipOnly || k == 1) {
        if (!job.NfoFile.isEmpty())
            zip.entries << PlanEntry{PlanEntry::Kind::Nfo, plan.nfoCopyName, job.NfoFile};
        for (const QString& file : facts.extraFiles)
            zip.entries << PlanEntry{PlanEntry::Kind::Extra, file,
                                     job.ExtraIsFile ? job.ExtraPath
                                                     : joinPath(job.ExtraPath, file)};
    }
    return zip;
}

void planZips(RunPlan& plan, const JobSettings& job, const PlanFacts& facts,
              const PlanOptions& options) {
    plan.zipName = job.ZipName.left(zipNameLimit(job.SizeUnits, plan.digits == 3));
    plan.stem = plan.zipName + options.dateText;
    plan.compressionLevel = zipCompressionLevel(job);
    plan.commentFile = job.CommentOn ? job.CommentFile : QString();
    if (!job.NfoFile.isEmpty()) {
        plan.nfoCopyName = nfoCopyName(job.NfoFile);
        plan.nfoText = linesText(taggedNfoLines(facts.nfoLines));
    }
    plan.zips.reserve(plan.volumeCount);
    for (int k = 1; k <= plan.volumeCount; ++k)
        plan.zips << plannedZip(plan, job, facts, options, k);
}

// Every zip's diz as a receiving site reads it: that zip's k of n, else no set is made.
std::optional<PlanFault> misreadFault(const RunPlan& plan, const JobSettings& job) {
    const int lineNumber = job.AutoNumber ? fieldNumber(job.NumberLine) : 0;
    for (const PlannedZip& zip : plan.zips) {
        const QString label = zip.numberedLine.isEmpty()
                                  ? QString()
                                  : diskLabel(zip.number, plan.volumeCount, plan.digits == 3);
        const QString why = siteMisreadFault(zip.dizText, job.DizFile, lineNumber, label,
                                             zip.number, plan.volumeCount, plan.digits);
        if (why.isEmpty())
            continue;
        PlanFault f =
            fault(why, Page::Diz, label.isEmpty() ? QString() : QStringLiteral("Text2"), why);
        if (plan.countKnown)
            f.stage = PlanFault::Stage::AfterArchiving;
        return f;
    }
    return std::nullopt;
}

// What follows the last zip, and an older set of the same name that this one replaces.
void planFinish(RunPlan& plan, const JobSettings& job, const PlanFacts& facts,
                const PlanOptions& options) {
    if (options.sfv)
        plan.sfvPath = joinPath(job.ZipDir, plan.stem + QStringLiteral(".sfv"));
    plan.par2Percent = options.par2Percent;
    if (options.par2Percent > 0)
        plan.par2Path = joinPath(job.ZipDir, plan.stem + QStringLiteral(".par2"));
    plan.verify = options.verify;
    plan.stampTime = options.stampTime;
    for (const QString& name : facts.zipDirFiles) {
        if (name.startsWith(job.ZipName, Qt::CaseInsensitive))
            plan.zipNameTaken = true;
        if (isSetFile(name, plan.stem))
            plan.olderSet << joinPath(job.ZipDir, name);
    }
}

// A receiving site takes every zip of the folder for the set's: a zip the run neither makes
// nor replaces stays beside the set, which its own check then fails. With that check on, no
// such set is made; without it, the run says so.
void checkStrayZips(RunPlan& plan, const JobSettings& job, const PlanFacts& facts) {
    QStringList strays;
    for (const QString& name : facts.zipDirFiles) {
        if (!name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive) ||
            plan.olderSet.contains(joinPath(job.ZipDir, name)))
            continue;
        if (std::none_of(plan.zips.cbegin(), plan.zips.cend(), [&name](const PlannedZip& zip) {
                return zip.shownName.compare(name, Qt::CaseInsensitive) == 0;
            }))
            strays << name;
    }
    if (strays.isEmpty())
        return;
    const QString text =
        QStringLiteral("the zip folder %1 holds %2, which %3 not of the set: a "
                       "receiving site takes every zip beside the set for one "
                       "of its own, and the check of the set fails it; make the "
                       "set in a folder of its own")
            .arg(job.ZipDir, strays.join(QStringLiteral(", ")),
                 strays.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"));
    if (plan.verify)
        plan.fault = fault(text, Page::Zip, {}, text);
    else
        plan.warnings << text;
}

} // namespace

RunPlan planRun(const JobSettings& job, const PlanFacts& facts, const PlanOptions& options) {
    RunPlan plan;
    plan.fault = jobFault(job, facts);
    if (plan.fault)
        return plan;
    const VolumePlan volumes = planVolumeCount(plan, job, options);
    plan.fault = setFault(plan, volumes, job, facts, options);
    if (plan.fault)
        return plan;
    planArchiver(plan, job, facts, options);
    if (job.RawArchivesOnly)
        return plan;
    planZips(plan, job, facts, options);
    plan.fault = misreadFault(plan, job);
    if (plan.fault)
        return plan;
    planFinish(plan, job, facts, options);
    checkStrayZips(plan, job, facts);
    return plan;
}

void bindVolumes(RunPlan& plan, const QString& outputFolder, const QStringList& volumeNames) {
    for (qsizetype i = 0; i < plan.zips.size() && i < volumeNames.size(); ++i) {
        PlanEntry& volume = plan.zips[i].entries.front();
        volume.name = volumeNames[i];
        volume.source = joinPath(outputFolder, volumeNames[i]);
    }
}
