#include "engine/zip_wrapping.h"

#include "companion/diz_numbering.h"
#include "companion/line_text_file.h"
#include "companion/nfo_copy.h"
#include "engine/zip_component.h"
#include "job/machine_port.h"
#include "job/volume_rules.h"
#include "job/window_port.h"
#include "platform/file_read.h"
#include "platform/paths.h"
#include "platform/process_runner.h"
#include "platform/stop_signals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>

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

// The chosen diz goes into the zip as the program's own writable copy; the user's file is
// only read.
bool copyDizUnchanged(const QString& dizFile, QString* error) {
    const QString copy = dizWorkingCopyPath();
    if (samePath(dizFile, copy)) {
        *error = QStringLiteral("The file_id.diz can't be from your application directory");
        return false;
    }
    QByteArray bytes;
    if (!readRegularFile(dizFile, kMaxCompanionBytes, &bytes, error))
        return false;
    QFile out(copy);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size() ||
        !out.flush()) {
        *error = QStringLiteral("Cannot write %1: %2").arg(copy, out.errorString());
        return false;
    }
    return true;
}

// Sets the zip component's handlers for one wrapping and removes them afterwards.
class HandlerScope {
  public:
    HandlerScope(ZipComponent& zip, WindowPort& window) : zip_(zip) {
        zip_.onAdding([&window](const QString& name) { window.setStatusText(name.toLower()); });
        zip_.onStatus([&window](int16_t percent) {
            if (percent != window.progress())
                window.setProgress(percent);
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
    return sortVolumeNames(
        QDir(outputFolder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot));
}

QString volumeNumberText(int16_t sizeUnits, int diskCount, int diskNumber, bool threeDigits) {
    if (sizeUnits == 0 || diskCount == 1)
        return {};
    return QStringLiteral("%1").arg(diskNumber, threeDigits ? 3 : 2, 10, QLatin1Char('0'));
}

QString dateStampText(bool dateStampRun, const QDate& today) {
    if (!dateStampRun)
        return {};
    return today.toString(QStringLiteral("MMdyy"));
}

QString zipBaseFor(const QString& zipDir, const QString& zipName, const QString& dateText,
                   const QString& numberText) {
    // joinPath does not double a separator already there: "C:\" gives "C:\name01", and a
    // directory written with a trailing separator keeps its zips inside it.
    return joinPath(zipDir, zipName + dateText + numberText);
}

QString shownZipName(const QString& zipName, const QString& dateText, const QString& numberText) {
    return zipName + dateText + numberText + QStringLiteral(".zip");
}

QString platformNumberText(int value) {
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

QString diskCountText(int diskNumber, int diskCount) {
    return platformNumberText(diskNumber) + QStringLiteral(" of") + platformNumberText(diskCount);
}

QString extraFilesToProcess(const JobSettings& job) {
    if (job.ExtraIsFile)
        return job.ExtraPath + QLatin1Char('\r');
    return joinPath(job.ExtraPath, QStringLiteral("*.*")) + QLatin1Char('\r');
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

bool checkedIncrement(int16_t& value) {
    if (value == std::numeric_limits<int16_t>::max())
        return false;
    ++value;
    return true;
}

WrapResult wrapVolumes(WrapContext& cx, QString* errorText) {
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

    const QString zipName = cx.zipName.isEmpty() ? job.ZipName : cx.zipName;
    if (zipName.isEmpty() || zipName.contains(QLatin1Char(' ')) || isUnsafeZipName(zipName))
        return fail(WrapResult::RunError, zipName.isEmpty() ? QStringLiteral("No zip name is set")
                                          : zipName.contains(QLatin1Char(' ')) ? kZipNameSpacesText
                                                                               : kZipNameCharsText);

    const QStringList volumes = listVolumes(cx.outputFolder);
    const int diskCount = cx.diskCount > 0 ? cx.diskCount : int(volumes.size());
    if (volumes.size() > std::numeric_limits<int16_t>::max())
        return fail(WrapResult::RunError,
                    QStringLiteral("Too many volumes to number: %1").arg(volumes.size()));

    if (job.CommentOn && !QFileInfo(job.CommentFile).isFile())
        return fail(WrapResult::RunError,
                    QStringLiteral("Comment file missing: %1").arg(job.CommentFile));

    const QString dateText = dateStampText(cx.flags.DateStampRun, cx.machine.today());
    ZipComponent::removeStaleTemporaries(job.ZipDir);
    zip.setCompressionLevel(zipCompressionLevel(job));
    zip.setAbort(false);
    HandlerScope handlers(zip, window);

    cx.diskNumber = 1;
    for (const QString& volume : volumes) {
        if (const int signal = StopSignals::requested())
            return fail(
                WrapResult::ZipFailed,
                QStringLiteral("Stopped by %1").arg(QLatin1String(StopSignals::name(signal))));
        const int k = cx.diskNumber;
        const QString numberText =
            volumeNumberText(job.SizeUnits, diskCount, k, cx.threeDigitNumbers);
        const QString zipBase = zipBaseFor(job.ZipDir, zipName, dateText, numberText);
        const QString shown = shownZipName(zipName, dateText, numberText);
        window.setNameText(shown);
        window.setCountText(diskCountText(k, diskCount));

        // The companion files are made first and everything goes in with one zip call:
        // the zip is written once, its entries in the order volume, file_id.diz, nfo, extra,
        // and a failure leaves no zip holding only part of them.
        const QString volumePath = joinPath(cx.outputFolder, volume);
        QString files = volumePath + QLatin1Char('\r');

        if (job.AutoNumber) {
            if (!writeDiskDiz(job, k, diskCount, cx.threeDigitNumbers, &detail))
                return fail(WrapResult::RunError,
                            QStringLiteral("Writing file_id.diz failed: %1").arg(detail));
        } else if (!copyDizUnchanged(job.DizFile, &detail)) {
            return fail(WrapResult::RunError,
                        QStringLiteral("Copying file_id.diz failed: %1").arg(detail));
        }
        files += dizWorkingCopyPath() + QLatin1Char('\r');

        if (!job.FirstZipOnly || k == 1) {
            if (!job.NfoFile.isEmpty()) {
                if (!makeTaggedNfoCopy(job.NfoFile, &detail))
                    return fail(WrapResult::RunError,
                                QStringLiteral("Making the nfo copy failed: %1").arg(detail));
                files += nfoCopyPath(job.NfoFile) + QLatin1Char('\r');
            }
            if (!job.ExtraPath.isEmpty())
                files += extraFilesToProcess(job);
        }

        zip.setFilesToProcess(files);
        zip.setZipFileName(zipBase);
        if (zip.zip() != 0)
            return fail(WrapResult::ZipFailed, QStringLiteral("Zipping %1 into %2 failed: %3")
                                                   .arg(volume, shown, zip.lastError()));

        if (job.CommentOn) {
            window.processEvents();
            if (!QFileInfo(job.CommentFile).isFile())
                return fail(WrapResult::RunError,
                            QStringLiteral("Comment file missing: %1").arg(job.CommentFile));
            Command comment = commentCommand(zipBase, job.CommentFile);
            comment.stderrFile = AppPaths::scratchFile(QStringLiteral("comment.err"));
            const int status = cx.machine.run(comment);
            if (status != 0) {
                const QString said = lastErrorLine(comment);
                return fail(WrapResult::ZipFailed,
                            QStringLiteral("Setting the comment of %1 failed (status %2)%3")
                                .arg(shown)
                                .arg(status)
                                .arg(said.isEmpty() ? QString() : QStringLiteral(": ") + said));
            }
        }

        if (!ZipComponent::holds(zip.zipFileName(), volume, volumePath, &detail))
            return fail(WrapResult::ZipFailed, detail);
        if (!QFile::remove(volumePath))
            return fail(WrapResult::RunError,
                        QStringLiteral("Deleting the volume %1 failed").arg(volumePath));
        cx.madeZips << zip.zipFileName();
        window.setProgress(0);
        if (&volume != &volumes.back() && !checkedIncrement(cx.diskNumber))
            return fail(WrapResult::RunError, QStringLiteral("Too many volumes to number"));
    }
    return WrapResult::Completed;
}
