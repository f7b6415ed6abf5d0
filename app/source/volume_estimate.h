#pragma once

#include "job/volume_rules.h"

#include <QString>

#include <cstdint>

// The archive size slider: its caption, the estimated number of volumes, the three-digit
// decision and the zip base name limit.

// Size display for a slider position: p x 0.5 millions of bytes + " M" ("1.44 M" at 3),
// or "1 Max file" at 0.
QString sizeCaption(int position);

// R with two decimals, as the pattern "##.#0" writes it, + " files".
QString volumesText(float volumes);

struct ArchiveSizeUpdate {
    int position = kSliderInitial; // after the CD image minimum
    QString sizeCaption;
    QString estimateText;
    bool ThreeDigitNumbers = false;
    int zipNameMaxLength = 6;
    QString ZipName; // cut to the limit
};

// What a change of the slider position does: the CD image minimum, the caption, the
// estimate (" 1.00 file" when the source fits one volume, empty while the source size is
// unknown, which also keeps ThreeDigitNumbers as it was) and the zip name limit.
ArchiveSizeUpdate archiveSizeChanged(int position, bool cdImage, float sourceSizeM,
                                     bool threeDigitNumbers, const QString& zipName);

// The shorter estimate after a source Browse: "1.00 file" at position 0 or when the source
// fits one volume, the current text kept while the source size is unknown.
QString browseEstimate(int position, float sourceSizeM, const QString& currentText);

// The zip drive's free space label: "Free space " + whole millions of bytes with their sign
// position + " M" (512 million free bytes: "Free space  512 M"); millions are rounded, and 0
// for 1,000,000 bytes or less. No free bytes at all: "Free space 0 M".
QString zipFreeSpaceText(int64_t freeBytes);

// The same label after a script is opened: "Free space " + the megabytes with their sign
// position + " M" in every case, so no free bytes at all show as "Free space  0 M".
QString zipFreeSpaceAfterOpenText(int64_t freeBytes);
