#include "engine/run_plan.h"

#include "companion/diz_numbering.h"
#include "companion/nfo_copy.h"
#include "companion/skip_list.h"
#include "companion/zip_entries.h"
#include "engine/archiver_command.h"
#include "engine/zip_naming.h"
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

int plannedDigits(const JobSettings& job, const PlanOptions& options) {
    const VolumePlan volumes =
        planVolumes(job.Archiver, job.SizeUnits, options.sourceSizeM, options.digits);
    return volumes.threeDigitNumbers ? 3 : 2;
}

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

int volumeNumberOf(const QString& name, const QString& volumeStem) {
    if (volumeStem.isEmpty() ||
        !name.startsWith(volumeStem + QLatin1Char('.'), Qt::CaseInsensitive))
        return 0;
    // The 7-Zip front-ends' "x.7z.001" and "x.zip.001", rar's "x.part1.rar" and "x.rar",
    // "x.r00", ... "x.s00", ace's "x.ace", "x.c00", ..., and a bare "x.001".
    static const QRegularExpression extension(
        QStringLiteral("^\\.(?:(?:7z|zip)(?:\\.(\\d{3,}))?|rar|ace|(\\d{3,})|([rsc])(\\d\\d)|"
                       "part(\\d+)\\.rar)$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = extension.match(name.mid(volumeStem.size()));
    if (!m.hasMatch())
        return 0;
    for (int group : {1, 2, 5})
        if (m.hasCaptured(group))
            return m.captured(group).toInt();
    if (m.hasCaptured(3)) {
        const int n = m.captured(4).toInt();
        return m.captured(3).compare(QLatin1String("s"), Qt::CaseInsensitive) == 0 ? n + 102
                                                                                   : n + 2;
    }
    return 1;
}

namespace {

// Whether name is a volume of some archive, whatever that archive's name.
bool isAnyVolume(const QString& name) {
    for (qsizetype dot = name.indexOf(QLatin1Char('.'), 1); dot > 0;
         dot = name.indexOf(QLatin1Char('.'), dot + 1))
        if (volumeNumberOf(name, name.left(dot)) > 0)
            return true;
    return false;
}

} // namespace

bool holdsAnotherSet(const QStringList& entryNames, const QString& volumeStem) {
    bool another = false;
    for (const QString& name : entryNames) {
        if (!isAnyVolume(name))
            continue;
        if (volumeNumberOf(name, volumeStem) > 0)
            return false;
        another = true;
    }
    return another;
}

namespace {

using Kind = ZipFolderEntry::Kind;

// Why the entry cannot be what its name says: not a regular file, or unreadable as one.
QString entryFault(const ZipFolderEntry& entry) {
    switch (entry.kind) {
    case Kind::Link:
        return QStringLiteral("it is a link");
    case Kind::Folder:
        return QStringLiteral("it is a folder");
    case Kind::Other:
        return QStringLiteral("it is not a regular file");
    case Kind::File:
        break;
    }
    return entry.readFault;
}

bool hiddenName(const QString& name) {
    return name.startsWith(QLatin1Char('.'));
}

bool zipName(const QString& name) {
    return name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive);
}

// Why a zip that is not the set's and stands beside it would make a receiving site fail the
// set; empty when it provably belongs to another set.
QString besideFault(const ZipFolderEntry& entry, const RunPlan& plan, const QString& volumeStem) {
    if (entry.kind == Kind::Folder)
        return {};
    if (entry.name.endsWith(QLatin1String(".sfv"), Qt::CaseInsensitive)) {
        // The check reads every SFV that lists one of the set's zips, hidden or not.
        for (const QString& listed : entry.listed)
            for (const PlannedZip& zip : plan.zips)
                if (listed.compare(zip.shownName, Qt::CaseInsensitive) == 0)
                    return QStringLiteral("it lists %1, which the set makes anew, and a "
                                          "receiving site checks the set's zips against it")
                        .arg(listed);
        return {};
    }
    if (hiddenName(entry.name) || !zipName(entry.name))
        return {};
    QString why = entryFault(entry);
    if (why.isEmpty() && holdsAnotherSet(entry.listed, volumeStem))
        return {};
    if (why.isEmpty())
        why = entry.listed.isEmpty() ? QStringLiteral("it holds nothing")
                                     : QStringLiteral("it holds %1").arg(entry.listed.front());
    return why + QStringLiteral(", and a receiving site takes every zip beside the set for one "
                                "of its own");
}

// Why a zip named as zip number of the set does not hold its volume; empty when it does.
QString zipNotOfSet(const ZipFolderEntry& entry, int number, const QString& volumeStem) {
    QStringList volumes;
    for (const QString& name : entry.listed)
        if (volumeNumberOf(name, volumeStem) > 0)
            volumes << name;
    const int wanted = number == 0 ? 1 : number;
    if (volumes.size() == 1 && volumeNumberOf(volumes.front(), volumeStem) == wanted)
        return {};
    if (volumes.size() > 1)
        return QStringLiteral("it holds %1 volumes: %2")
            .arg(volumes.size())
            .arg(volumes.join(QStringLiteral(", ")));
    if (!volumes.isEmpty())
        return QStringLiteral("it holds %1, where %2 holds volume %3")
            .arg(volumes.front(), number == 0 ? QStringLiteral("the set's one zip")
                                              : QStringLiteral("zip %1 of the set").arg(number))
            .arg(wanted);
    // The entry a receiver would take for its volume: the first, before the diz.
    for (const QString& name : entry.listed)
        if (name.compare(QLatin1String("file_id.diz"), Qt::CaseInsensitive) != 0)
            return QStringLiteral("it holds %1").arg(name);
    return QStringLiteral("it holds no volume");
}

struct Judged {
    const ZipFolderEntry* entry;
    SetFileRole role;
    QString why; // empty: the older set's
};

const Judged* judgedNamed(const QList<Judged>& all, const QString& name) {
    for (const Judged& j : all)
        if (j.entry->name.compare(name, Qt::CaseInsensitive) == 0)
            return &j;
    return nullptr;
}

// An SFV or PAR2 file lists only zips in the folder that are the set's: the older set's, or
// those of the new set made already (kept).
QString listingNotOfSet(const Judged& file, const QList<Judged>& all, const QString& stem,
                        const QStringList& kept) {
    if (file.entry->listed.isEmpty())
        return QStringLiteral("it lists nothing");
    for (const QString& name : file.entry->listed) {
        if (setFileRole(name, stem).kind != SetFileRole::Kind::Zip)
            return QStringLiteral("it lists %1, which is not a zip of the set").arg(name);
        if (std::any_of(kept.cbegin(), kept.cend(),
                        [&name](const QString& path) { return fileNamePart(path) == name; }))
            continue;
        const Judged* zip = judgedNamed(all, name);
        if (!zip)
            return QStringLiteral("it lists %1, which is not there").arg(name);
        if (!zip->why.isEmpty() || zip->role.kind != SetFileRole::Kind::Zip)
            return QStringLiteral("it lists %1, which is not of the set").arg(name);
    }
    return {};
}

bool neededName(const RunPlan& plan, const QString& name, SetFileRole role) {
    if (role.kind == SetFileRole::Kind::Par2)
        return plan.par2Percent > 0;
    if (!plan.sfvPath.isEmpty() &&
        name.compare(fileNamePart(plan.sfvPath), Qt::CaseInsensitive) == 0)
        return true;
    return std::any_of(plan.zips.cbegin(), plan.zips.cend(), [&name](const PlannedZip& zip) {
        return name.compare(zip.shownName, Qt::CaseInsensitive) == 0;
    });
}

} // namespace

void judgeZipFolder(RunPlan& plan, const JobSettings& job, const QList<ZipFolderEntry>& entries,
                    const QStringList& kept) {
    plan.olderSet.clear();
    plan.strangers.clear();
    plan.leftAlone.clear();
    QList<Judged> all;
    const auto strange = [&](const QString& name, const QString& why) {
        plan.strangers << QStringLiteral("%1 in %2 is not of the set %3: %4")
                              .arg(name, job.ZipDir, plan.stem, why);
    };
    for (const ZipFolderEntry& entry : entries) {
        const SetFileRole role = setFileRole(entry.name, plan.stem);
        if (std::any_of(kept.cbegin(), kept.cend(),
                        [&entry](const QString& path) { return fileNamePart(path) == entry.name; }))
            continue;
        if (role.kind == SetFileRole::Kind::None) {
            if (const QString why = besideFault(entry, plan, job.ZipName); !why.isEmpty())
                strange(entry.name, why);
            continue;
        }
        QString why = entryFault(entry);
        if (why.isEmpty() && role.kind == SetFileRole::Kind::Zip)
            why = zipNotOfSet(entry, role.number, job.ZipName);
        all << Judged{&entry, role, why};
    }
    // Zips first: whether a listing is the set's depends on them.
    for (Judged& j : all)
        if (j.why.isEmpty() && j.role.kind != SetFileRole::Kind::Zip)
            j.why = listingNotOfSet(j, all, plan.stem, kept);
    // The listings go first: a run stopped while removing leaves zips without them, never a
    // listing whose zips are gone.
    std::stable_partition(all.begin(), all.end(),
                          [](const Judged& j) { return j.role.kind != SetFileRole::Kind::Zip; });
    for (const Judged& j : all) {
        const QString name = j.entry->name;
        if (j.why.isEmpty())
            plan.olderSet << joinPath(job.ZipDir, name);
        else if (neededName(plan, name, j.role))
            strange(name, j.why);
        else if (j.role.kind == SetFileRole::Kind::Sfv)
            strange(name, j.why + QStringLiteral(", and a receiving site takes the SFV named "
                                                 "after the set for the set's"));
        else if (const QString why = besideFault(*j.entry, plan, job.ZipName); !why.isEmpty())
            strange(name, why);
        else
            plan.leftAlone << name;
    }
    if (plan.strangers.isEmpty())
        return;
    QString text =
        plan.strangers.front() + QStringLiteral("; move it or choose another zip folder");
    if (plan.strangers.size() > 1)
        text += QStringLiteral(" (and %1 more in the set's way)").arg(plan.strangers.size() - 1);
    plan.fault = fault(text, Page::Zip, {}, text, PlanFault::Stage::Job);
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
    const VolumePlan volumes =
        planVolumes(job.Archiver, job.SizeUnits, options.sourceSizeM, options.digits);
    plan.volumeBytes = job.SizeUnits == 0 ? 0 : volumeBytes(job.SizeUnits);
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

// The run's own output folder, left out wherever output folders are made, the source itself
// included; one inside a folder already left out goes with it.
void addOutputFolder(QStringList& ownFolders, const PlanFacts& facts, const PlanOptions& options) {
    if (options.outputFolder.isEmpty() || facts.canonicalWorkLocation.isEmpty() ||
        facts.canonicalSource.isEmpty())
        return;
    const QString output =
        joinPath(facts.canonicalWorkLocation, fileNamePart(options.outputFolder));
    if (!pathWithin(output, facts.canonicalSource) || output == facts.canonicalSource)
        return;
    for (const QString& folder : std::as_const(ownFolders))
        if (pathWithin(output, folder))
            return;
    ownFolders << output;
}

// What the archiver is told: the source with the skip list and the run's own folders.
void planArchiver(RunPlan& plan, const JobSettings& job, const PlanFacts& facts,
                  const PlanOptions& options) {
    plan.ownFolders = ownFoldersInSource(facts);
    addOutputFolder(plan.ownFolders, facts, options);
    plan.exclusionText = job.SkipList;
    for (const QString& folder : plan.ownFolders)
        plan.exclusionText += subDirectoryEntry(folder) + QStringLiteral("\r\n");
    if (!plan.exclusionText.isEmpty())
        plan.listFile = options.listFile;
    plan.archivePath = joinPath(options.outputFolder, job.ZipName + plan.extension);
    plan.archiverKind = job.Archiver;
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
        if (plan.numberLine >= 1 && plan.numberLine <= lines.size())
            zip.numberedLine = lines[plan.numberLine - 1];
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
    plan.zipDir = job.ZipDir;
    plan.numberLine = job.AutoNumber ? fieldNumber(job.NumberLine) : 0;
    plan.zipName = cutZipName(job.ZipName, job.SizeUnits, plan.digits == 3);
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
    const int lineNumber = plan.numberLine;
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
        plan.sfvPath = joinPath(job.ZipDir, sfvFileName(plan.stem));
    plan.par2Percent = options.par2Percent;
    if (options.par2Percent > 0)
        plan.par2Path = joinPath(job.ZipDir, par2FileName(plan.stem));
    plan.verify = options.verify;
    plan.stampTime = options.stampTime;
    for (const QString& name : facts.zipDirFiles)
        if (name.startsWith(job.ZipName, Qt::CaseInsensitive))
            plan.zipNameTaken = true;
    judgeZipFolder(plan, job, facts.zipFolder);
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
    return plan;
}

void bindVolumes(RunPlan& plan, const QString& outputFolder, const QStringList& volumeNames) {
    for (qsizetype i = 0; i < plan.zips.size() && i < volumeNames.size(); ++i) {
        PlanEntry& volume = plan.zips[i].entries.front();
        volume.name = volumeNames[i];
        volume.source = joinPath(outputFolder, volumeNames[i]);
    }
}
