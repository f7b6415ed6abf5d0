#pragma once

#include "job/command.h"
#include "job/job_settings.h"
#include "job/machine_port.h"
#include "job/window_port.h"

#include <QString>

// Measuring a directory or drive source with the size program.

inline const QString kCalculatingText = QStringLiteral("Calculating files and size");
inline const QString kSizeErrorText = QStringLiteral("Error");

// The source as handed to an outside program: the path itself on a platform without short
// 8.3 names.
QString GetShortFileName(const QString& path);

// The size program on the source with its listing as standard output; its text form is
// "command.pif /c " + quoted size program + " " + source + " /s /t> " + listing.
Command sizeCommand(const QString& programFolder, const QString& shortSourcePath,
                    const QString& listingPath);

// Where the listing goes: the private scratch folder's size.txt.
QString sizeListingPath();

struct SizeRecalc {
    bool failed = false; // the size field shows "Error"; SourceSizeM and the source stay
    QString sizeText;    // what the size field shows afterwards
};

// Recalculation after a script load: measures job.SourceSpec, shows the progress and the
// totals line in the source size field, sets sourceSizeM. When the listing holds no total
// the field and the source (job.SourceSpec and the source display) are emptied. A size
// program that cannot be started or fails, or a listing that is missing or cut short, is a
// failure: "Error", and the previous values stay.
SizeRecalc recalculateSourceSize(JobSettings& job, float& sourceSizeM, WindowPort& window,
                                 MachinePort& machine);

struct BrowseSize {
    bool failed = false; // a listing cut short: the Browse ends here
    QString sizeText;    // the size field afterwards
    float SourceSizeM = 0;
};

// The measurement of a source just chosen with Browse. A size program that leaves no
// listing leaves the field at "Calculating files and size" and SourceSizeM 0, and the
// Browse goes on; the source display is never cleared here.
BrowseSize measureBrowsedSource(const QString& sourcePath, WindowPort& window,
                                MachinePort& machine);

// The source as it is measured, shown and packed: absolute, without "." or ".." parts and
// without links in its path (src/. is src, src/docs/.. is src too). A path that does not
// exist is only cleaned.
QString canonicalSource(const QString& path);
