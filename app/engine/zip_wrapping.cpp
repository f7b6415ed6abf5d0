#include "engine/zip_wrapping.h"

#include "companion/diz_numbering.h"
#include "companion/line_text_file.h"
#include "companion/nfo_copy.h"
#include "engine/run_journal.h"
#include "engine/run_plan.h"
#include "engine/zip_component.h"
#include "job/machine_port.h"
#include "job/text_lines.h"
#include "job/volume_rules.h"
#include "job/window_port.h"
#include "platform/file_read.h"
#include "platform/paths.h"
#include "platform/process_runner.h"
#include "platform/source_date.h"
#include "platform/stop_signals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Names compared with their digit runs as numbers ("part2" before "part10").
int naturalCompare(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && isDigit(a[ei]))
                ++ei;
            while (ej < b.size() && isDigit(b[ej]))
                ++ej;
            qsizetype si = i, sj = j;
            while (si + 1 < ei && a[si] == QLatin1Char('0'))
                ++si;
            while (sj + 1 < ej && b[sj] == QLatin1Char('0'))
                ++sj;
            if (ei - si != ej - sj)
                return ei - si < ej - sj ? -1 : 1;
            const int c = QStringView(a).mid(si, ei - si).compare(QStringView(b).mid(sj, ej - sj));
            if (c != 0)
                return c;
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a[i].toLower(), cb = b[j].toLower();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return 0;
}

// The extension that marks the first volume of an old-style set.
bool isFirstVolumeExtension(const QString& ext) {
    return ext.compare(QLatin1String("rar"), Qt::CaseInsensitive) == 0 ||
           ext.compare(QLatin1String("ace"), Qt::CaseInsensitive) == 0;
}

void splitName(const QString& name, QString* stem, QString* ext) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    *stem = dot < 0 ? name : name.left(dot);
    *ext = dot < 0 ? QString() : name.mid(dot + 1);
}

// Sets the zip component's handlers for one wrapping and removes them afterwards.
class HandlerScope {
  public:
    HandlerScope(ZipComponent& zip, WindowPort& window, const std::function<void(int)>& onPercent)
        : zip_(zip) {
        zip_.onAdding([&window](const QString& name) {
            window.setStatusText(printableText(name.toLower()));
        });
        zip_.onStatus([&window, onPercent](int16_t percent) {
            if (percent != window.progress())
                window.setProgress(percent);
            onPercent(percent);
            // Lets the Abort and Exit buttons act while the zip is written.
            window.processEvents();
        });
    }
    ~HandlerScope() {
        zip_.onAdding({});
        zip_.onStatus({});
    }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

  private:
    ZipComponent& zip_;
};

} // namespace

int zipCompressionLevel(const JobSettings& job) {
    return job.ZipExtra ? 9 : 6;
}

bool volumeNameLess(const QString& a, const QString& b) {
    QString stemA, extA, stemB, extB;
    splitName(a, &stemA, &extA);
    splitName(b, &stemB, &extB);
    if (int c = naturalCompare(stemA, stemB); c != 0)
        return c < 0;
    const bool firstA = isFirstVolumeExtension(extA), firstB = isFirstVolumeExtension(extB);
    if (firstA != firstB)
        return firstA;
    if (int c = naturalCompare(extA, extB); c != 0)
        return c < 0;
    return a < b;
}

QStringList sortVolumeNames(QStringList names) {
    std::sort(names.begin(), names.end(), volumeNameLess);
    return names;
}

QStringList listVolumes(const QString& outputFolder) {
    QStringList names =
        QDir(outputFolder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    names.removeIf([](const QString& name) { return isJournalFile(name); });
    return sortVolumeNames(names);
}

QString platformNumberText(int value) {
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

QString diskCountText(int diskNumber, int diskCount) {
    return platformNumberText(diskNumber) + QStringLiteral(" of") + platformNumberText(diskCount);
}

Command commentCommand(const QString& zipBase, const QString& commentFile) {
    Command command;
    command.program = QStringLiteral("pkzip.exe");
    command.arguments = {zipBase, QStringLiteral("-z")};
    command.stdinFile = commentFile;
    command.text = QStringLiteral("command.com /c pkzip.exe ") + quoteArgument(zipBase) +
                   QStringLiteral(" -z <") + quoteArgument(commentFile);
    return command;
}

namespace {
// Writes bytes over the regular file at path, when there is one and path is its only name, and
// cuts it to their length. A copy made for every zip is written over rather than made anew: a
// new file costs an inode each time, which some file systems (ext4 without a journal) make
// dearer with every file freed in the last minutes. Never emptied first: ext4 puts a file
// emptied and written again on the disk at once, and the run would wait for that once per zip.
// A file with another name (a hard link) may be somebody's: it is left as it is.
bool writeOverInPlace(const QString& path, const QByteArray& bytes) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    const bool written = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 &&
                         writeAll(fd, bytes) && ::ftruncate(fd, bytes.size()) == 0;
    return ::close(fd) == 0 && written;
}
} // namespace

bool writeWorkingCopy(const QString& path, const QByteArray& bytes, const QString& userFile,
                      std::optional<qint64> stamp, QString* error) {
    if (path.isEmpty()) {
        *error = QStringLiteral("No work folder for the zip copies");
        return false;
    }
    if (samePath(userFile, path)) {
        *error = QStringLiteral("The file_id.diz can't be from your application directory");
        return false;
    }
    if (!writeOverInPlace(path, bytes)) {
        QFile::remove(path);
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
            out.write(bytes) != bytes.size() || !out.flush()) {
            *error = QStringLiteral("Cannot write %1: %2").arg(path, out.errorString());
            return false;
        }
        out.close();
    }
    if (stamp && !stampFileTime(path, *stamp)) {
        *error = QStringLiteral("Cannot set the time of %1").arg(path);
        return false;
    }
    return true;
}

bool writeNfoCopy(const RunPlan& plan, const JobSettings& job, QString* nfoCopy, QString* error) {
    // The tagged nfo is the same in every zip: made once.
    *nfoCopy = plan.nfoCopyName.isEmpty() ? QString() : AppPaths::zipCopyFile(plan.nfoCopyName);
    if (nfoCopy->isEmpty())
        return true;
    if (samePath(*nfoCopy, dizWorkingCopyPath())) {
        *error = QStringLiteral("An nfo named %1 would replace the zip's file_id.diz")
                     .arg(plan.nfoCopyName);
        return false;
    }
    QString detail;
    if (!writeWorkingCopy(*nfoCopy, plan.nfoText, job.NfoFile, plan.stampTime, &detail)) {
        *error = QStringLiteral("Making the nfo copy failed: %1").arg(detail);
        return false;
    }
    return true;
}

namespace {

// The files of one zip call, in the plan's order: the volume and the extra files as they
// lie, the diz and the nfo from their working copies.
QStringList filesToZip(const PlannedZip& planned, const QString& dizCopy, const QString& nfoCopy) {
    QStringList files;
    for (const PlanEntry& entry : planned.entries)
        files << (entry.kind == PlanEntry::Kind::Diz   ? dizCopy
                  : entry.kind == PlanEntry::Kind::Nfo ? nfoCopy
                                                       : entry.source);
    return files;
}

// The comment step of one zip; false with what the step said when it fails.
bool setComment(MachinePort& machine, const PlannedZip& planned, const QString& commentFile,
                QString* error) {
    Command comment = commentCommand(planned.base, commentFile);
    comment.stderrFile = AppPaths::scratchFile(QStringLiteral("comment.err"));
    const int status = machine.run(comment);
    if (status == 0)
        return true;
    const QString said = lastErrorLine(comment);
    *error = QStringLiteral("Setting the comment of %1 failed (status %2)%3")
                 .arg(planned.shownName)
                 .arg(status)
                 .arg(said.isEmpty() ? QString() : QStringLiteral(": ") + said);
    return false;
}

} // namespace

WrapResult wrapVolumes(WrapContext& cx, QString* errorText) {
    const RunPlan& plan = cx.plan;
    const JobSettings& job = cx.job;
    WindowPort& window = cx.window;
    ZipComponent& zip = cx.zip;
    QString detail;

    auto fail = [&](WrapResult result, const QString& text) {
        if (errorText)
            *errorText = text;
        if (result == WrapResult::ZipFailed)
            window.setProgress(0);
        return result;
    };

    if (!plan.commentFile.isEmpty() && !QFileInfo(plan.commentFile).isFile())
        return fail(WrapResult::RunError,
                    QStringLiteral("Comment file missing: %1").arg(plan.commentFile));
    QString nfoCopy;
    const QString dizCopy = dizWorkingCopyPath();
    if (!writeNfoCopy(plan, job, &nfoCopy, &detail))
        return fail(WrapResult::RunError, detail);

    ZipComponent::removeStaleTemporaries(job.ZipDir);
    zip.setCompressionLevel(plan.compressionLevel);
    zip.setStampTime(plan.stampTime);
    zip.setAbort(false);
    // The bytes zipped, a volume's share by the zip's own percentage, after those of the
    // run's zips made before.
    qint64 totalBytes = cx.zippedBefore;
    for (const PlannedZip& planned : plan.zips)
        totalBytes += QFileInfo(planned.entries.front().source).size();
    qint64 zippedBytes = cx.zippedBefore;
    qint64 volumeBytes = 0;
    window.setRunBytes(RunPhase::Zipping, zippedBytes, totalBytes);
    HandlerScope handlers(zip, window, [&](int percent) {
        window.setRunBytes(RunPhase::Zipping, zippedBytes + volumeBytes * percent / 100,
                           totalBytes);
    });

    const int diskCount = plan.volumeCount;
    for (const PlannedZip& planned : plan.zips) {
        if (const int signal = StopSignals::requested())
            return fail(
                WrapResult::ZipFailed,
                QStringLiteral("Stopped by %1").arg(QLatin1String(StopSignals::name(signal))));
        cx.diskNumber = int16_t(planned.number);
        window.setNameText(printableText(planned.shownName));
        window.setCountText(diskCountText(planned.number, diskCount));

        // The companion files are made first and everything goes in with one zip call:
        // the zip is written once, its entries in the plan's order, and a failure leaves no
        // zip holding only part of them.
        if (!writeWorkingCopy(dizCopy, planned.dizText, job.DizFile, plan.stampTime, &detail))
            return fail(WrapResult::RunError,
                        QStringLiteral("Writing file_id.diz failed: %1").arg(detail));
        const PlanEntry& volume = planned.entries.front();
        volumeBytes = QFileInfo(volume.source).size();
        zip.setFiles(filesToZip(planned, dizCopy, nfoCopy));
        zip.setZipFileName(planned.base);
        if (zip.zip() != 0)
            return fail(WrapResult::ZipFailed,
                        QStringLiteral("Zipping %1 into %2 failed: %3")
                            .arg(volume.name, planned.shownName, zip.lastError()));

        if (!plan.commentFile.isEmpty()) {
            window.processEvents();
            if (!QFileInfo(plan.commentFile).isFile())
                return fail(WrapResult::RunError,
                            QStringLiteral("Comment file missing: %1").arg(plan.commentFile));
            if (!setComment(cx.machine, planned, plan.commentFile, &detail))
                return fail(WrapResult::ZipFailed, detail);
        }

        if (plan.stampTime && !stampFileTime(zip.zipFileName(), *plan.stampTime))
            return fail(WrapResult::RunError,
                        QStringLiteral("Cannot set the time of %1").arg(zip.zipFileName()));
        if (!ZipComponent::holds(zip.zipFileName(), volume.name, volume.source, &detail))
            return fail(WrapResult::ZipFailed, detail);
        if (cx.zipDone && !cx.zipDone(planned, zip.zipFileName(), &detail))
            return fail(WrapResult::RunError, detail);
        if (!QFile::remove(volume.source))
            return fail(WrapResult::RunError,
                        QStringLiteral("Deleting the volume %1 failed").arg(volume.source));
        zippedBytes += volumeBytes;
        volumeBytes = 0;
        window.setRunBytes(RunPhase::Zipping, zippedBytes, totalBytes);
        window.setProgress(0);
    }
    return WrapResult::Completed;
}
