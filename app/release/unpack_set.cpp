#include "release/unpack_set.h"

#include "engine/set_listings.h"
#include "engine/zip_naming.h"
#include "job/text_lines.h"
#include "platform/file_read.h"
#include "platform/folder_lock.h"
#include "platform/paths.h"
#include "platform/process_runner.h"
#include "platform/stop_signals.h"
#include "release/archive_listing.h"
#include "release/set_check.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folder beside the destination that the archive is extracted into: "." + the
// destination's name + this mark + six letters and digits, locked while it fills.
const QString kUnpackFolderMark = QStringLiteral(".kavel32-unpack-");

// Everything one unpack works with.
struct Unpacking {
    UnpackRequest request;
    UnpackStatus status;
    UnpackResult result;
    QString work;          // this unpack's own folder in the program's work folder
    QString volumeDir;     // where the check joins the volumes for the extraction
    FolderLock extracting; // held on the folder beside the destination while it fills

    void tell(const QString& step, int percent = -1) const {
        if (status)
            status(step, percent);
    }
    bool cancelled() const { return request.cancelled && request.cancelled(); }
    // A step boundary: false (with the failure said) once the unpack is cancelled.
    bool goOn() {
        if (!cancelled())
            return true;
        return fail(kUnpackCancelledText);
    }
    bool fail(const QString& why) {
        result.ok = false;
        result.failure = why;
        return false;
    }
};

QString errnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool isRegular(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isLink(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

// The check of a set, in the one place this module asks for it: the volumes it takes out of
// the zips stay in volumeDir, joined, for the extraction (which tests them as it reads them).
SetReport checkZipFolder(const QString& folder, const QString& volumeDir,
                         const UnpackStatus& status, const std::function<bool()>& cancelled) {
    QDir(volumeDir).removeRecursively();
    QDir().mkpath(volumeDir);
    SetCheckRequest request;
    request.folder = folder;
    request.keepVolumesIn = volumeDir;
    request.cancelled = cancelled;
    return checkSet(request, [&status](const QString& step) {
        if (status)
            status(step, -1);
    });
}

// The zips of a folder in set order: a whole set's names sort in the order of their numbers.
QStringList setZips(const QString& folder) {
    QStringList zips;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive) &&
            !name.startsWith(QLatin1Char('.')))
            zips << name;
    std::stable_sort(zips.begin(), zips.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return zips;
}

// The files of one PAR2 recovery set in a folder: the one named without a volN+M part first.
struct RecoverySet {
    QStringList files;
    Par2Listing listing;
};

QList<RecoverySet> recoverySetsIn(const QString& folder, QStringList* unreadable) {
    QList<RecoverySet> sets;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        if (!isPar2Name(name) || name.startsWith(QLatin1Char('.')))
            continue;
        const Par2Listing listing = readPar2File(joinPath(folder, name));
        if (!listing.ok) {
            *unreadable << QStringLiteral("%1 (%2)").arg(printableText(name), listing.error);
            continue;
        }
        auto same = std::find_if(sets.begin(), sets.end(), [&listing](const RecoverySet& set) {
            return set.listing.setId == listing.setId && set.listing.files == listing.files;
        });
        if (same == sets.end()) {
            sets << RecoverySet{{name}, listing};
        } else if (!isPar2VolumeName(name) && isPar2VolumeName(same->files.front())) {
            same->files.prepend(name);
        } else {
            same->files << name;
        }
    }
    return sets;
}

QByteArray fileMd5(const QString& path) {
    QFile file(path);
    QCryptographicHash md5(QCryptographicHash::Md5);
    if (!file.open(QIODevice::ReadOnly) || !md5.addData(&file))
        return {};
    return md5.result();
}

// Why a recovery set is not the set's: it must describe exactly the set's zips, by name (the
// members, and for a place no member holds the name the set's numbering gives it), and the
// zips that passed their own check must be the very files it describes. Empty: it is.
QString notOfTheSet(const RecoverySet& recovery, const SetReport& set, const QString& folder) {
    QStringList named;
    for (const Par2File& file : recovery.listing.files)
        if (file.recovered)
            named << file.name;
    if (named.size() != set.count)
        return QStringLiteral("it describes %1 files, the set has %2 zips")
            .arg(named.size())
            .arg(set.count);
    for (const QString& member : set.members)
        if (!named.contains(member))
            return QStringLiteral("it does not describe %1").arg(printableText(member));
    for (const QString& name : named) {
        if (set.members.contains(name))
            continue;
        bool placed = false;
        for (int k = 1; k <= set.count && !placed; ++k)
            placed = name.compare(set.stem + QStringLiteral("%1.zip").arg(k, set.width, 10,
                                                                          QLatin1Char('0')),
                                  Qt::CaseInsensitive) == 0;
        if (!placed)
            return QStringLiteral("it describes %1, which is not a zip of the set")
                .arg(printableText(name));
    }
    for (const Par2File& file : recovery.listing.files) {
        if (!set.soundMembers.contains(file.name))
            continue;
        const QString path = joinPath(folder, file.name);
        if (QFileInfo(path).size() != file.size || fileMd5(path) != file.md5)
            return QStringLiteral("%1 is not the file it describes").arg(printableText(file.name));
    }
    return {};
}

// Copies the set's zips and the files of its recovery set, for par2 to repair.
bool copySetFiles(const QString& from, const QString& to, const QStringList& names,
                  QString* error) {
    for (const QString& name : names) {
        if (!isRegular(joinPath(from, name)))
            continue;
        if (!QFile::copy(joinPath(from, name), joinPath(to, name))) {
            *error = QStringLiteral("cannot copy %1 for the repair").arg(joinPath(from, name));
            return false;
        }
    }
    return true;
}

// The zips par2 made whole: missing from the zip folder, or different from what is there.
QStringList repairedZips(const QString& original, const QString& copies) {
    QStringList repaired;
    for (const QString& name : setZips(copies)) {
        const QString before = joinPath(original, name);
        quint32 a = 0, b = 0;
        QString error;
        if (!QFileInfo::exists(before))
            repaired << QStringLiteral("%1 (missing)").arg(printableText(name));
        else if (!fileCrc32(before, &a, &error) || !fileCrc32(joinPath(copies, name), &b, &error) ||
                 a != b)
            repaired << QStringLiteral("%1 (damaged)").arg(printableText(name));
    }
    return repaired;
}

// The last line a tool wrote that says something.
QString lastLine(const QByteArray& output) {
    const QStringList lines = QString::fromLocal8Bit(output).split(
        QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts);
    for (qsizetype i = lines.size() - 1; i >= 0; --i)
        if (!lines[i].trimmed().isEmpty())
            return printableText(lines[i].trimmed());
    return {};
}

// A set that fails its check (or its extraction): repaired copies from the PAR2 files of this
// set, when there are any, checked again; *checked, the check so far, becomes theirs. PAR2
// files of another set (an older set of the same name, say) are not used: they would rebuild
// that set's zips in this one's places.
bool repairWithPar2(Unpacking& u, const QString& failure, SetReport* checked) {
    const QString& folder = u.request.zipDir;
    const SetReport failed = *checked;
    QStringList ignored;
    const QList<RecoverySet> sets = recoverySetsIn(folder, &ignored);
    const RecoverySet* chosen = nullptr;
    for (const RecoverySet& set : sets) {
        const QString why = notOfTheSet(set, failed, folder);
        if (why.isEmpty() && !chosen)
            chosen = &set;
        else if (!why.isEmpty())
            ignored << QStringLiteral("%1 (%2)").arg(printableText(set.files.front()), why);
    }
    if (!ignored.isEmpty())
        u.result.report << QStringLiteral("Not used for the repair, as not of this set: %1")
                               .arg(ignored.join(QStringLiteral(", ")));
    if (!chosen)
        return u.fail(QStringLiteral("the set in %1 fails its check and there are no PAR2 files "
                                     "%2to repair it with: %3")
                          .arg(folder, sets.isEmpty() && ignored.isEmpty()
                                           ? QString()
                                           : QStringLiteral("of this set "))
                          .arg(failure));
    const QString copies = joinPath(u.work, QStringLiteral("set"));
    QString error;
    if (!QDir().mkpath(copies) ||
        !copySetFiles(folder, copies, failed.members + chosen->files, &error))
        return u.fail(error.isEmpty() ? QStringLiteral("cannot make %1").arg(copies) : error);
    u.tell(QStringLiteral("Repairing with par2"));
    QStringList args{QStringLiteral("repair"), QStringLiteral("-q"), QStringLiteral("--")};
    for (const QString& name : chosen->files)
        args << joinPath(copies, name);
    QByteArray output;
    const int status = runCommandCapturing(makeCommand(QStringLiteral("par2"), args), &output);
    if (status == kCouldNotStart)
        return u.fail(QStringLiteral("the set fails its check and par2, which could repair it, "
                                     "cannot be run (Debian package par2)"));
    if (status != 0)
        return u.fail(QStringLiteral("the set fails its check and par2 cannot repair it "
                                     "(par2 status %1): %2")
                          .arg(status)
                          .arg(lastLine(output)));
    for (const QString& name : chosen->files)
        QFile::remove(joinPath(copies, name));
    u.result.repaired = repairedZips(folder, copies);
    // The repaired zips must make this set, whole, before anything is unpacked.
    const SetReport again = checkZipFolder(copies, u.volumeDir, u.status, u.request.cancelled);
    if (!again.passed())
        return u.fail(QStringLiteral("the set repaired with par2 still fails its check: %1")
                          .arg(firstFault(again)));
    if (again.stem.compare(failed.stem, Qt::CaseInsensitive) != 0 || again.count != failed.count)
        return u.fail(QStringLiteral("the zips repaired with par2 make another set (%1, %2 zips) "
                                     "than the one in %3 (%4, %5 zips)")
                          .arg(printableText(again.stem))
                          .arg(again.count)
                          .arg(folder, printableText(failed.stem))
                          .arg(failed.count));
    *checked = again;
    u.result.report << QStringLiteral("Repaired with PAR2 (%1): %2")
                           .arg(printableText(chosen->files.front()),
                                u.result.repaired.join(QStringLiteral(", ")));
    return true;
}

// The archive's listing, judged before anything is extracted.
bool checkListing(Unpacking& u, const QString& sevenZip, const QString& firstVolume,
                  ArchiveListing* listing) {
    u.tell(QStringLiteral("Reading the archive's listing"));
    QByteArray output;
    const int status = runCommandCapturing(
        makeCommand(sevenZip, {QStringLiteral("l"), QStringLiteral("-slt"), QStringLiteral("-ba"),
                               QStringLiteral("--"), firstVolume}),
        &output, 256 << 20, false);
    if (status != 0)
        return u.fail(
            QStringLiteral("7-Zip cannot list the joined volumes (status %1)").arg(status));
    *listing = parseArchiveListing(output);
    if (!listing->ok)
        return u.fail(
            QStringLiteral("the archive's listing cannot be read: %1").arg(listing->error));
    if (const QString unsafe = unsafeEntry(listing->entries); !unsafe.isEmpty())
        return u.fail(QStringLiteral("the archive is not unpacked: %1").arg(unsafe));
    for (const ListedEntry& entry : listing->entries)
        if (!entry.folder) {
            ++u.result.files;
            u.result.bytes += entry.size;
        }
    return true;
}

// Puts back the absolute targets 7-Zip moved below the folder it extracted into (root, which
// it was given as outputDir). A link is replaced by a new one, never written through.
bool restoreAbsoluteLinks(const QString& root, const QString& outputDir, QString* error) {
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!isLink(path))
            continue;
        char buffer[PATH_MAX + 1];
        const ssize_t n = ::readlink(QFile::encodeName(path).constData(), buffer, PATH_MAX);
        if (n < 0)
            continue;
        const QString written = QFile::decodeName(QByteArray(buffer, n));
        const QString stored = storedLinkTarget(written, outputDir);
        if (stored == written)
            continue;
        const QByteArray fresh = QFile::encodeName(path + QStringLiteral(".kavel-link"));
        if (::symlink(QFile::encodeName(stored).constData(), fresh.constData()) != 0 ||
            ::rename(fresh.constData(), QFile::encodeName(path).constData()) != 0) {
            *error = QStringLiteral("cannot restore the link %1: %2").arg(path, errnoText());
            ::unlink(fresh.constData());
            return false;
        }
    }
    return true;
}

// Extracts the archive into a new folder beside the destination; the free space that goes
// tells how far it is.
bool extractBeside(Unpacking& u, const QString& sevenZip, const QList<JoinedVolume>& joined,
                   QString* extracted, bool* archiveFault) {
    const QFileInfo dest(u.request.dest);
    QString error;
    *extracted = u.extracting.makeFolder(
        dest.absolutePath(), QLatin1Char('.') + dest.fileName() + kUnpackFolderMark, &error);
    if (extracted->isEmpty())
        return u.fail(
            QStringLiteral("cannot make a folder beside %1: %2").arg(u.request.dest, error));
    const qint64 freeBefore = QStorageInfo(*extracted).bytesAvailable();
    if (freeBefore >= 0 && u.result.bytes > freeBefore)
        return u.fail(QStringLiteral("%1 bytes are needed beside %2, %3 are free")
                          .arg(u.result.bytes)
                          .arg(u.request.dest)
                          .arg(freeBefore));
    int shown = -1;
    bool stopAsked = false;
    auto progress = [&] {
        // A cancel stops 7-Zip as an Abort stops the archiver.
        if (!stopAsked && u.cancelled()) {
            stopAsked = true;
            requestCommandStop();
        }
        const qint64 used = freeBefore - QStorageInfo(*extracted).bytesAvailable();
        const int percent =
            u.result.bytes > 0 ? int(std::clamp<qint64>(used * 100 / u.result.bytes, 0, 99)) : 0;
        if (percent != shown)
            u.tell(QStringLiteral("Extracting"), shown = percent);
    };
    progress();
    // -snld20: links come back with their targets as stored; the listing was judged above.
    // 7-Zip takes a '*' in the output folder for the archive's name.
    const QString into = AppPaths::wildcardFreeSpelling(*extracted, QStringLiteral("unpack-into"));
    const auto removeLink = qScopeGuard([&] {
        if (into != *extracted)
            QFile::remove(into);
    });
    QByteArray output;
    const int status = runCommandCapturing(
        makeCommand(sevenZip,
                    {QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-bso1"),
                     QStringLiteral("-bse1"), QStringLiteral("-bsp0"), QStringLiteral("-snld20"),
                     QStringLiteral("-o") + into, QStringLiteral("--"), joined.front().path}),
        &output, 1 << 20, true, progress);
    if (stopAsked) {
        clearCommandStop();
        return u.fail(kUnpackCancelledText);
    }
    if (const int signal = StopSignals::requested())
        return u.fail(
            QStringLiteral("stopped by %1").arg(QLatin1String(StopSignals::name(signal))));
    // Its own CRCs are the test of the joined volumes: every status but 0 (1 is a warning),
    // a warning or data after the archive's end fails the unpack.
    if (const QString fault = joinedRunFault(joined, QStringLiteral("7zz x"), status, output);
        !fault.isEmpty()) {
        *archiveFault = status != kCouldNotStart;
        return u.fail(fault);
    }
    if (!restoreAbsoluteLinks(*extracted, into, &error))
        return u.fail(error);
    u.tell(QStringLiteral("Extracting"), 100);
    return true;
}

// Gives the extracted tree the destination's name, with the mode a new folder gets.
bool moveIntoPlace(Unpacking& u, const QString& extracted) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(QFile::encodeName(extracted).constData(), 0777 & ~mask);
    const QByteArray dest = QFile::encodeName(u.request.dest);
    // An empty destination folder is replaced by rename itself.
    if (::rename(QFile::encodeName(extracted).constData(), dest.constData()) != 0)
        return u.fail(QStringLiteral("cannot name the unpacked tree %1: %2")
                          .arg(u.request.dest, errnoText()));
    return true;
}

// Extracts the checked set into place; the staging folder goes when anything fails.
bool extractChecked(Unpacking& u, const QString& sevenZip, const SetReport& checked,
                    bool* archiveFault) {
    ArchiveListing listing;
    u.result.files = u.result.bytes = 0;
    if (!u.goOn() || !checkListing(u, sevenZip, checked.joined.front().path, &listing) || !u.goOn())
        return false;
    QString extracted;
    const bool done = extractBeside(u, sevenZip, checked.joined, &extracted, archiveFault) &&
                      moveIntoPlace(u, extracted);
    if (!done && !extracted.isEmpty())
        QDir(extracted).removeRecursively();
    return done;
}

bool unpackChecked(Unpacking& u) {
    u.tell(QStringLiteral("Checking the zips"));
    u.volumeDir = joinPath(u.work, QStringLiteral("volumes"));
    SetReport checked =
        checkZipFolder(u.request.zipDir, u.volumeDir, u.status, u.request.cancelled);
    if (const int signal = StopSignals::requested())
        return u.fail(
            QStringLiteral("stopped by %1").arg(QLatin1String(StopSignals::name(signal))));
    if (!u.goOn())
        return false;
    u.result.report << (checked.lines.isEmpty() ? QString() : checked.lines.back());
    bool repaired = false;
    if (!checked.passed()) {
        if (!repairWithPar2(u, firstFault(checked), &checked) || !u.goOn())
            return false;
        repaired = true;
    }
    const QString sevenZip = findSevenZip();
    if (sevenZip.isEmpty())
        return u.fail(QStringLiteral("unpacking needs 7-Zip (7zz), which is not installed"));
    if (checked.joined.isEmpty())
        return u.fail(
            QStringLiteral("the set in %1 has no volumes to unpack").arg(u.request.zipDir));
    bool archiveFault = false;
    if (extractChecked(u, sevenZip, checked, &archiveFault))
        return true;
    // Zips whole but an archive that is not: PAR2 files may still know the set's bytes.
    if (!archiveFault || repaired || StopSignals::requested() || u.cancelled())
        return false;
    const QString failure = u.result.failure;
    QStringList unreadable;
    if (recoverySetsIn(u.request.zipDir, &unreadable).isEmpty())
        return false;
    if (!repairWithPar2(u, failure, &checked))
        return false;
    if (u.result.repaired.isEmpty())
        return u.fail(failure); // par2 found every zip whole: nothing to try again with
    archiveFault = false;
    return extractChecked(u, sevenZip, checked, &archiveFault);
}

} // namespace

QString destinationFault(const QString& dest) {
    if (dest.isEmpty())
        return QStringLiteral("no destination folder named");
    const QFileInfo info(dest);
    if (isLink(dest))
        return QStringLiteral("%1 is a link; unpack into a new folder").arg(dest);
    if (info.exists() && !info.isDir())
        return QStringLiteral("%1 is there and is not a folder").arg(dest);
    if (info.exists() &&
        !QDir(dest)
             .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
             .isEmpty())
        return QStringLiteral("%1 is not empty; unpack into a new or empty folder").arg(dest);
    if (!QFileInfo(info.absolutePath()).isDir())
        return QStringLiteral("the folder %1 for %2 does not exist")
            .arg(info.absolutePath(), info.fileName());
    return {};
}

UnpackResult unpackSet(const UnpackRequest& request, const UnpackStatus& status) {
    Unpacking u;
    u.request = request;
    u.request.dest = QDir::cleanPath(QFileInfo(request.dest).absoluteFilePath());
    u.status = status;
    const QString fault = QFileInfo(request.zipDir).isDir()
                              ? destinationFault(u.request.dest)
                              : QStringLiteral("%1 is not a folder of zips").arg(request.zipDir);
    if (!fault.isEmpty()) {
        u.fail(fault);
        return u.result;
    }
    // What unpacks and runs that were killed left: their work folders, their folders beside
    // a destination in this one's folder. A live one's stay, locked.
    AppPaths::removeStaleWorkFolders();
    static const QRegularExpression extractFolder(
        QStringLiteral("^\\..+%1[A-Za-z0-9]{6}$")
            .arg(QRegularExpression::escape(kUnpackFolderMark)),
        QRegularExpression::DotMatchesEverythingOption);
    removeAbandonedFolders(QFileInfo(u.request.dest).absolutePath(), extractFolder);
    QString error;
    const QString workFolder = AppPaths::workFolder(&error);
    if (workFolder.isEmpty()) {
        u.fail(error);
        return u.result;
    }
    QTemporaryDir work(joinPath(workFolder, QStringLiteral("unpack-XXXXXX")));
    if (!work.isValid()) {
        u.fail(QStringLiteral("cannot make a folder in %1").arg(workFolder));
        return u.result;
    }
    u.work = work.path();
    if (unpackChecked(u)) {
        u.result.ok = true;
        u.result.report << QStringLiteral("Unpacked %1 files (%2 bytes) into %3")
                               .arg(u.result.files)
                               .arg(u.result.bytes)
                               .arg(u.request.dest);
    }
    return u.result;
}
