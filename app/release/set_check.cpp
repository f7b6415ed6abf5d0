#include "release/set_check.h"

#include "companion/diz_numbers.h"
#include "job/text_lines.h"
#include "job/volume_rules.h"
#include "platform/file_read.h"
#include "platform/stop_signals.h"
#include "release/set_naming.h"
#include "release/set_plan.h"
#include "release/sfv_check.h"
#include "release/volume_test.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

using Status = std::function<void(const QString&)>;

// The zip format's limit for an archive comment.
constexpr qint64 kMaxCommentBytes = 0xFFFF;

// One zip of the folder taken for the set: where it stands, what it must hold, what it does.
struct SetZip {
    CheckedZip zip;
    ZipDirectory directory; // not read for a zip that only looks like one of the set's
    ZipExpectation expected;
    QString volumePath; // where its volume was written for the joined test
};

// The set as the check takes it.
struct SetShape {
    QList<SetZip> zips;
    int count = 0;
    int width = 2;
    QString stem;          // what the set's names start with; its SFV is named after it
    QString noneFault;     // what to say when no zip of the set is found
    QString fault;         // why the set cannot be described at all
    QStringList setFaults; // what cannot be checked as it should
};

QStringList zipFilesIn(const QString& folder) {
    QStringList files;
    for (const QString& name :
         QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name))
        if (name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive) &&
            !name.startsWith(QLatin1Char('.')))
            files << name;
    return files;
}

// The count most diz files say, for a set whose last zips are missing.
int claimedCount(const QList<const ZipDirectory*>& directories) {
    QMap<int, int> claims;
    for (const ZipDirectory* d : directories)
        if (const DiskNumbers n = findDiskNumbers(d->diz); n.found)
            ++claims[n.count];
    int claimed = 0, claimedBy = 0;
    for (auto it = claims.cbegin(); it != claims.cend(); ++it)
        if (it.value() > claimedBy) {
            claimed = it.key();
            claimedBy = it.value();
        }
    return qMin(claimed, kVolumeLimit);
}

SetShape shapeFromNames(const QString& folder, const QStringList& files) {
    SetShape shape;
    shape.noneFault = QStringLiteral("no zips in %1").arg(printableText(folder));
    const NamedSet named = nameSet(files);
    shape.stem = named.stem;
    shape.width = named.width;
    int highest = 0;
    for (qsizetype i = 0; i < named.names.size(); ++i) {
        const QString path = QDir(folder).filePath(named.names[i].fileName);
        shape.zips << SetZip{
            CheckedZip{named.names[i].fileName, path, named.places[i], named.nameFaults[i], {}},
            readZipDirectory(path),
            {},
            {}};
        highest = qMax(highest, named.places[i]);
    }
    QList<const ZipDirectory*> directories;
    for (const SetZip& z : shape.zips)
        directories << &z.directory;
    shape.count = qMax(highest, claimedCount(directories));
    QList<ZipExpectation> expected = agreedExpectations(directories, named.places, shape.count);
    // The comment most zips carry is the set's (zip 1's on a tie).
    QHash<QByteArray, int> uses;
    QByteArray comment;
    for (qsizetype i = 0; i < shape.zips.size(); ++i)
        if (named.places[i] > 0) {
            ++uses[shape.zips[i].directory.comment];
            if (named.places[i] == 1)
                comment = shape.zips[i].directory.comment;
        }
    for (auto it = uses.cbegin(); it != uses.cend(); ++it)
        if (it.value() > uses.value(comment) ||
            (it.value() == uses.value(comment) && !uses.contains(comment)))
            comment = it.key();
    for (qsizetype i = 0; i < shape.zips.size(); ++i) {
        shape.zips[i].expected = expected[i];
        shape.zips[i].expected.comment = comment;
    }
    return shape;
}

ZipExpectation expectationOf(const RunPlan& plan, const PlannedZip& zip, const QString& volumeStem,
                             const std::optional<QByteArray>& comment) {
    ZipExpectation e;
    e.place = zip.number;
    e.count = plan.volumeCount;
    e.fromJob = true;
    e.volumeStem = volumeStem;
    e.dizText = zip.dizText;
    e.comment = comment;
    for (const PlanEntry& entry : zip.entries) {
        if (entry.kind == PlanEntry::Kind::Volume)
            e.volumeName = entry.name;
        else
            e.companions << entry.name;
        // The plan knows every byte the job puts into a zip: the nfo as tagged, the extras.
        if (entry.kind == PlanEntry::Kind::Nfo)
            e.contents.insert(entry.name.toLower(), ExpectedContent{plan.nfoText, {}});
        else if (entry.kind == PlanEntry::Kind::Extra)
            e.contents.insert(entry.name.toLower(), ExpectedContent{{}, entry.source});
    }
    if (zip.number > 1)
        for (const PlanEntry& entry : plan.zips.front().entries)
            if (entry.kind != PlanEntry::Kind::Volume && !e.companions.contains(entry.name))
                e.zipOneOnly << entry.name;
    return e;
}

// The job's name and digits only: a date, a number or nothing. Other zips that merely start
// with the name ("gameboy.zip" beside "game01.zip") are not the set's business.
bool namedAfter(const QString& file, const QString& zipName) {
    if (!file.startsWith(zipName, Qt::CaseInsensitive) ||
        !file.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive))
        return false;
    const QString rest = file.chopped(4).mid(zipName.size());
    return std::all_of(rest.cbegin(), rest.cend(), [](QChar c) { return c.isDigit(); });
}

QString nameRange(const QStringList& names) {
    return names.size() == 1 ? names.front()
                             : QStringLiteral("%1 to %2").arg(names.front(), names.back());
}

using Directories = QHash<QString, ZipDirectory>;

// The zips of the folder read once each.
Directories readDirectories(const QString& folder, const QStringList& files) {
    Directories read;
    for (const QString& file : files)
        read.insert(file, readZipDirectory(QDir(folder).filePath(file)));
    return read;
}

// A zip holding another set's volumes is that set's, whatever its name: it is no part of
// this set unless it stands on one of its names.
bool anotherSets(const ZipDirectory& directory, const QString& volumeStem) {
    QStringList names;
    for (const ZipEntryInfo& entry : directory.entries)
        names << entry.name;
    return directory.openFault.isEmpty() && holdsAnotherSet(names, volumeStem);
}

// The plan's zips found in the folder by their names, and every other zip of the folder.
SetShape shapeFromPlan(const RunPlan& plan, const QString& folder, const QStringList& files,
                       Directories read) {
    SetShape shape;
    shape.count = plan.volumeCount;
    shape.width = plan.digits;
    shape.stem = plan.stem;
    shape.noneFault =
        QStringLiteral("no zips named %1* in %2").arg(plan.zipName, printableText(folder));
    const QString volumeStem =
        QFileInfo(plan.archivePath).fileName().chopped(plan.extension.size());
    std::optional<QByteArray> comment = QByteArray();
    if (!plan.commentFile.isEmpty()) {
        QByteArray bytes;
        QString error;
        if (readRegularFile(plan.commentFile, kMaxCommentBytes, &bytes, &error))
            comment = bytes;
        else
            shape.setFaults << QStringLiteral("the zip comments cannot be checked: the job's "
                                              "comment file %1 cannot be read: %2")
                                   .arg(printableText(plan.commentFile), error);
    }
    QStringList planned;
    QSet<QString> taken;
    for (const PlannedZip& zip : plan.zips) {
        planned << zip.shownName;
        const auto file = std::find_if(files.cbegin(), files.cend(), [&zip](const QString& f) {
            return f.compare(zip.shownName, Qt::CaseInsensitive) == 0;
        });
        if (file == files.cend())
            continue;
        taken.insert(*file);
        const QString path = QDir(folder).filePath(*file);
        ZipDirectory directory = read.take(*file);
        shape.zips << SetZip{CheckedZip{*file, path, zip.number, {}, {}},
                             directory,
                             expectationOf(plan, zip, volumeStem, comment),
                             {}};
    }
    // A receiving site takes every zip of the folder for the set's, but for those that
    // provably hold another set.
    for (const QString& file : files) {
        if (taken.contains(file) || anotherSets(read.value(file), volumeStem))
            continue;
        const QString fault =
            namedAfter(file, plan.zipName) || looksLikeSetName(file, planned)
                ? QStringLiteral("looks like one of the set's zips but is not named as one (%1)")
                      .arg(nameRange(planned))
                : QStringLiteral("lies beside the set but is not one of its zips (%1)")
                      .arg(nameRange(planned));
        shape.zips << SetZip{
            CheckedZip{file, QDir(folder).filePath(file), 0, {fault}, {}}, {}, {}, {}};
    }
    return shape;
}

// With a script: the job's plan for the count and date the names show.
SetShape shapeForJob(const JobSettings& job, const QString& folder, const QStringList& files) {
    Directories read = readDirectories(folder, files);
    QStringList ours;
    for (const QString& file : files)
        if (!anotherSets(read.value(file), job.ZipName))
            ours << file;
    const JobSetNames names = recogniseJobSet(job, ours);
    QList<const ZipDirectory*> directories;
    for (const QString& member : names.members)
        directories << &read[member];
    const int count = qMax(names.highest, claimedCount(directories));
    const RunPlan plan = planForFolder(job, names, count);
    if (plan.fault) {
        SetShape shape;
        shape.fault = QStringLiteral("the job cannot describe the set: ") + plan.fault->text;
        return shape;
    }
    return shapeFromPlan(plan, folder, files, std::move(read));
}

void sortInSetOrder(QList<SetZip>& zips) {
    std::stable_sort(zips.begin(), zips.end(), [](const SetZip& a, const SetZip& b) {
        return (a.zip.place == 0 ? INT_MAX : a.zip.place) <
               (b.zip.place == 0 ? INT_MAX : b.zip.place);
    });
}

qint64 volumeBytes(const QList<SetZip>& zips) {
    qint64 bytes = 0;
    for (const SetZip& z : zips)
        if (const int i = judgeEntries(z.directory.entries, z.expected).volumeEntry; i >= 0)
            bytes += z.directory.entries[i].size;
    return bytes;
}

// Every zip of the set inspected once, in set order; the first zip of each place writes its
// volume into the join folder.
void inspectAll(QList<SetZip>& zips, const JoinFolder& join, bool withFileCrc, const Status& status,
                const std::function<bool()>& cancelled) {
    QSet<int> written;
    for (SetZip& z : zips) {
        if (StopSignals::requested() || (cancelled && cancelled()))
            return;
        if (z.zip.place == 0)
            continue; // only named
        if (status)
            status(QStringLiteral("Checking %1").arg(printableText(z.zip.fileName)));
        int fd = -1;
        if (!written.contains(z.zip.place) && join.fault().isEmpty()) {
            z.volumePath = join.volumePath(z.zip.place);
            fd = ::open(QFile::encodeName(z.volumePath).constData(),
                        O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        }
        written.insert(z.zip.place);
        z.zip.findings = inspectZip(z.directory, z.expected, fd, withFileCrc);
        if (fd >= 0 && ::close(fd) != 0) {
            z.zip.findings.faults << QStringLiteral(
                "the volume could not be copied out for the test");
            z.zip.findings.volumeComplete = false;
        }
    }
}

// Every volume of a set spelt alike, as a receiver joins them by their names: the spelling
// most zips give (zip 1's on a tie) is the set's.
void checkVolumeSpelling(QList<SetZip>& zips) {
    QHash<QString, int> uses;
    QString ofZipOne;
    for (const SetZip& z : zips)
        if (z.zip.place > 0 && !z.zip.findings.volumeName.isEmpty()) {
            const QString spelt = volumeSpelling(z.zip.findings.volumeName);
            ++uses[spelt];
            if (z.zip.place == 1)
                ofZipOne = spelt;
        }
    QString set = ofZipOne;
    for (auto it = uses.cbegin(); it != uses.cend(); ++it)
        if (set.isEmpty() || it.value() > uses.value(set))
            set = it.key();
    for (SetZip& z : zips) {
        const QString& name = z.zip.findings.volumeName;
        if (z.zip.place > 0 && !name.isEmpty() && volumeSpelling(name) != set)
            z.zip.findings.faults << QStringLiteral("its volume is named %1 where the set's "
                                                    "volumes are named %2: receivers join the "
                                                    "volumes by their names, case and all")
                                         .arg(printableText(name), printableText(set));
    }
}

// Each place held once; the places from 1 to the count all there; the names in set order.
void checkPlaces(QList<SetZip>& zips, const SetShape& shape, SetReport& report) {
    QMap<int, const SetZip*> byPlace;
    for (SetZip& z : zips) {
        if (z.zip.place == 0)
            continue;
        if (const SetZip* first = byPlace.value(z.zip.place))
            z.zip.nameFaults << QStringLiteral("%1 carries the same number")
                                    .arg(printableText(first->zip.fileName));
        else
            byPlace.insert(z.zip.place, &z);
    }
    QList<CheckedZip> checked;
    for (const SetZip& z : zips)
        checked << z.zip;
    addZipLines(report, checked, shape.width);
    QStringList missing;
    for (int k = 1; k <= shape.count; ++k)
        if (!byPlace.contains(k))
            missing << QStringLiteral("%1").arg(k, qMax(shape.width, 2), 10, QLatin1Char('0'));
    if (!missing.isEmpty())
        addSetFault(report, QStringLiteral("missing %1").arg(missing.join(QStringLiteral(", "))));
    // Receivers list a set by name: the names must sort in the order of their numbers.
    QList<const SetZip*> ordered = byPlace.values(), sorted = ordered;
    std::stable_sort(sorted.begin(), sorted.end(), [](const SetZip* a, const SetZip* b) {
        return a->zip.fileName.compare(b->zip.fileName, Qt::CaseInsensitive) < 0;
    });
    for (qsizetype i = 0; i < ordered.size(); ++i)
        if (sorted[i] != ordered[i]) {
            addSetFault(report,
                        QStringLiteral("the names do not sort in set order: %1 sorts at place %2")
                            .arg(printableText(sorted[i]->zip.fileName))
                            .arg(i + 1));
            break;
        }
}

void testJoined(const QList<SetZip>& zips, const SetShape& shape, const JoinFolder& join, bool kept,
                SetReport& report, const Status& status) {
    if (!join.fault().isEmpty())
        return addSetFault(report,
                           QStringLiteral("the joined volumes cannot be tested: ") + join.fault());
    QMap<int, const SetZip*> byPlace;
    for (const SetZip& z : zips)
        if (z.zip.place > 0 && !byPlace.contains(z.zip.place))
            byPlace.insert(z.zip.place, &z);
    QList<JoinedVolume> set;
    for (int k = 1; k <= shape.count; ++k) {
        const SetZip* z = byPlace.value(k);
        if (!z || !z->zip.findings.volumeComplete) {
            report.lines << QStringLiteral("set: the joined volumes are not tested: the set has no "
                                           "complete volume for every number");
            return;
        }
        const ZipFindings& f = z->zip.findings;
        set << JoinedVolume{zipLabel(k, z->zip.fileName, shape.width), f.volumeName, z->volumePath,
                            f.volumeHead, f.volumeSize};
    }
    if (set.isEmpty())
        return;
    if (kept) {
        // The caller's archiver tests them as it extracts them.
        if (const QString fault = joinVolumes(set); !fault.isEmpty())
            return addSetFault(report, fault);
        report.joined = set;
        return;
    }
    if (status)
        status(QStringLiteral("Testing the joined volumes"));
    QString passed;
    if (const QString fault = testJoinedVolumes(set, &passed); !fault.isEmpty())
        addSetFault(report, fault);
    else
        report.lines << QStringLiteral("set: ") + passed;
}

void checkSfvs(const QString& folder, const QList<SetZip>& zips, const SetShape& shape,
               SetReport& report) {
    QList<SfvMember> members;
    QSet<int> places;
    for (const SetZip& z : zips)
        if (z.zip.place > 0 && !places.contains(z.zip.place)) {
            places.insert(z.zip.place);
            members << SfvMember{zipLabel(z.zip.place, z.zip.fileName, shape.width), z.zip.fileName,
                                 z.zip.path, z.zip.findings.fileCrc};
        }
    for (const QString& sfv : setSfvFiles(folder, shape.stem, members)) {
        const QStringList faults = sfvFaults(folder, sfv, members);
        const QString shown = QStringLiteral("SFV %1").arg(printableText(sfv));
        for (const QString& fault : faults) {
            report.faults << shown + QStringLiteral(": ") + fault;
            report.lines << shown + QStringLiteral(": FAILED: ") + fault;
        }
        if (faults.isEmpty())
            report.lines << shown + QStringLiteral(": ok, every zip listed with a matching CRC");
    }
}

bool folderHoldsSfv(const QString& folder) {
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden);
    return std::any_of(names.cbegin(), names.cend(), [](const QString& name) {
        return name.endsWith(QLatin1String(".sfv"), Qt::CaseInsensitive);
    });
}

} // namespace

SetReport checkSet(const SetCheckRequest& request, const Status& status) {
    SetReport report;
    const QString& folder = request.folder;
    report.lines << QStringLiteral("Checking the zips in %1").arg(printableText(folder));
    if (!QFileInfo(folder).isDir()) {
        addSetFault(report, QStringLiteral("%1 is not a folder").arg(printableText(folder)));
        finishReport(report);
        return report;
    }
    const QStringList files = zipFilesIn(folder);
    SetShape shape =
        request.plan  ? shapeFromPlan(*request.plan, folder, files, readDirectories(folder, files))
        : request.job ? shapeForJob(*request.job, folder, files)
                      : shapeFromNames(folder, files);
    const bool none = std::none_of(shape.zips.cbegin(), shape.zips.cend(),
                                   [](const SetZip& z) { return z.zip.place > 0; });
    if (!shape.fault.isEmpty() || none || files.isEmpty()) {
        addSetFault(report, !shape.fault.isEmpty() ? shape.fault
                            : files.isEmpty()
                                ? QStringLiteral("no zips in %1").arg(printableText(folder))
                                : shape.noneFault);
        finishReport(report);
        return report;
    }
    sortInSetOrder(shape.zips);
    report.stem = shape.stem;
    report.count = shape.count;
    report.width = shape.width;
    report.zips = int(std::count_if(shape.zips.cbegin(), shape.zips.cend(),
                                    [](const SetZip& z) { return z.zip.place > 0; }));
    const JoinFolder join(volumeBytes(shape.zips), request.keepVolumesIn);
    inspectAll(shape.zips, join, folderHoldsSfv(folder), status, request.cancelled);
    const int signal = StopSignals::requested();
    if (signal || (request.cancelled && request.cancelled())) {
        addSetFault(
            report,
            signal ? QStringLiteral("stopped by %1").arg(QLatin1String(StopSignals::name(signal)))
                   : QStringLiteral("cancelled"));
        finishReport(report);
        return report;
    }
    if (!request.plan && !request.job)
        checkVolumeSpelling(shape.zips);
    for (const QString& fault : shape.setFaults)
        addSetFault(report, fault);
    checkPlaces(shape.zips, shape, report);
    testJoined(shape.zips, shape, join, !request.keepVolumesIn.isEmpty(), report, status);
    checkSfvs(folder, shape.zips, shape, report);
    finishReport(report);
    return report;
}
