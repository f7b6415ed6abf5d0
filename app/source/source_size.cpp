#include "source/source_size.h"

#include "platform/paths.h"
#include "source/size_listing.h"

#include <QFile>

namespace {

// Which characters make an argument need quotes: blanks split it, and the command
// interpreter's runner takes ">" and "<" for redirections.
bool needsQuotes(const QString& text) {
    if (text.isEmpty())
        return true;
    for (const QChar c : text)
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('"') ||
            c == QLatin1Char('>') || c == QLatin1Char('<'))
            return true;
    return false;
}

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
    const int status = machine.execCmd(
        sizeCommandLine(AppPaths::helperFolder(), GetShortFileName(source), listing));
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

QString commandArgument(const QString& text, bool force) {
    if (!force && !needsQuotes(text))
        return text;
    // Backslashes are doubled only where a quote follows them.
    QString quoted = QStringLiteral("\"");
    qsizetype backslashes = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        if (c == QLatin1Char('"')) {
            quoted += QString(backslashes * 2 + 1, QLatin1Char('\\'));
        } else {
            quoted += QString(backslashes, QLatin1Char('\\'));
        }
        backslashes = 0;
        quoted += c;
    }
    quoted += QString(backslashes * 2, QLatin1Char('\\'));
    return quoted + QLatin1Char('"');
}

QString sizeCommandLine(const QString& programFolder, const QString& shortSourcePath,
                        const QString& listingPath) {
    return QStringLiteral("command.pif /c ") +
           commandArgument(joinPath(programFolder, QStringLiteral("size.exe")), true) +
           QLatin1Char(' ') + commandArgument(shortSourcePath) + QStringLiteral(" /s /t> ") +
           commandArgument(listingPath);
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
