#include "source/source_size.h"

#include "platform/paths.h"
#include "source/size_listing.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

void beginMeasuring(WindowPort& window) {
    window.setSourceSizeText(kCalculatingText);
    window.setSourceBrowseEnabled(false);
    window.setPageBarEnabled(false);
    window.setBusyPointer(true);
    window.processEvents();
}

void endMeasuring(WindowPort& window) {
    window.setBusyPointer(false);
    window.setSourceBrowseEnabled(true);
    window.setPageBarEnabled(true);
}

enum class RunOutcome { Listed, NotStarted, Failed, NoListing };

// Runs the size program into a fresh listing, so a listing left by an earlier run is
// never taken for this source's.
RunOutcome runSizeProgram(const QString& source, MachinePort& machine) {
    const QString listing = sizeListingPath();
    QFile::remove(listing);
    if (listing.isEmpty())
        return RunOutcome::NotStarted;
    const int status =
        machine.run(sizeCommand(AppPaths::helperFolder(), GetShortFileName(source), listing));
    if (status == kCouldNotStart)
        return RunOutcome::NotStarted;
    if (!QFile::exists(listing))
        return RunOutcome::NoListing;
    return status == 0 ? RunOutcome::Listed : RunOutcome::Failed;
}

ListingScan scanListingFile(const QString& source) {
    QFile file(sizeListingPath());
    if (!file.open(QIODevice::ReadOnly))
        return {ListingOutcome::Broken, {}};
    return scanSizeListing(file, GetShortFileName(source));
}

} // namespace

QString GetShortFileName(const QString& path) {
    return path;
}

Command sizeCommand(const QString& programFolder, const QString& shortSourcePath,
                    const QString& listingPath) {
    Command command;
    command.program = joinPath(programFolder, QStringLiteral("size.exe"));
    command.arguments = {shortSourcePath, QStringLiteral("/s"), QStringLiteral("/t")};
    command.stdoutFile = listingPath;
    command.text = QStringLiteral("command.pif /c ") + quoteArgument(command.program, true) +
                   QLatin1Char(' ') + quoteArgument(shortSourcePath) + QStringLiteral(" /s /t> ") +
                   quoteArgument(listingPath);
    return command;
}

QString sizeListingPath() {
    return AppPaths::scratchFile(QStringLiteral("size.txt"));
}

SizeRecalc recalculateSourceSize(JobSettings& job, float& sourceSizeM, WindowPort& window,
                                 MachinePort& machine) {
    SizeRecalc result;
    beginMeasuring(window);
    ListingScan scan{ListingOutcome::NoTotal, {}};
    // Nothing to measure: the field stays empty rather than measuring whatever folder
    // the size program would fall back to.
    if (!job.SourceSpec.isEmpty()) {
        if (runSizeProgram(job.SourceSpec, machine) != RunOutcome::Listed)
            scan.outcome = ListingOutcome::Broken;
        else
            scan = scanListingFile(job.SourceSpec);
    }
    if (scan.outcome == ListingOutcome::Broken) {
        result.failed = true;
        result.sizeText = kSizeErrorText;
    } else {
        result.sizeText = scan.totalsLine;
        sourceSizeM = parseSizeField(scan.totalsLine);
        if (scan.totalsLine.isEmpty()) {
            job.SourceSpec.clear();
            window.setSourceDisplay(QString());
        }
    }
    window.setSourceSizeText(result.sizeText);
    endMeasuring(window);
    return result;
}

BrowseSize measureBrowsedSource(const QString& sourcePath, WindowPort& window,
                                MachinePort& machine) {
    BrowseSize result;
    beginMeasuring(window);
    result.sizeText = kCalculatingText;
    const RunOutcome run = runSizeProgram(sourcePath, machine);
    if (run == RunOutcome::Listed || run == RunOutcome::Failed) {
        const ListingScan scan = scanListingFile(sourcePath);
        if (scan.outcome == ListingOutcome::Broken) {
            result.failed = true;
            endMeasuring(window);
            return result;
        }
        result.sizeText = scan.totalsLine;
    }
    window.setSourceSizeText(result.sizeText);
    result.SourceSizeM = parseSizeField(result.sizeText);
    endMeasuring(window);
    return result;
}

QString canonicalSource(const QString& path) {
    if (path.isEmpty())
        return path;
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}
