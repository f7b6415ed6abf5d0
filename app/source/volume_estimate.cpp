#include "source/volume_estimate.h"

QString sizeCaption(int position) {
    if (position == 0)
        return QStringLiteral("1 Max file");
    // Position 3's 1.5 M stands for the 1,440,000-byte floppy volume the archiver makes.
    if (position == kFloppyPosition)
        return QStringLiteral("1.44 M");
    const QString millions =
        position % 2 ? QStringLiteral("%1.5").arg(position / 2) : QString::number(position / 2);
    return millions + QStringLiteral(" M");
}

QString volumesText(float volumes) {
    return QString::number(double(volumes), 'f', 2) + QStringLiteral(" files");
}

ArchiveSizeUpdate archiveSizeChanged(int position, bool cdImage, float sourceSizeM,
                                     bool threeDigitNumbers, const QString& zipName) {
    ArchiveSizeUpdate update;
    if (cdImage && position < kCdImageMinimumPosition)
        position = kCdImageMinimumPosition;
    update.position = position;
    update.sizeCaption = sizeCaption(position);
    update.ThreeDigitNumbers = threeDigitNumbers;
    if (position == 0) {
        update.estimateText = QStringLiteral("1.00 file");
        update.ThreeDigitNumbers = false;
    } else if (sourceSizeM != 0.0f) {
        const float volumes = estimatedVolumes(position, sourceSizeM);
        update.ThreeDigitNumbers = needsThreeDigits(volumes);
        update.estimateText = volumes > 1.0f ? volumesText(volumes) : QStringLiteral(" 1.00 file");
    }
    update.zipNameMaxLength = zipNameLimit(position, update.ThreeDigitNumbers);
    update.ZipName = position == 0 ? zipName : zipName.left(update.zipNameMaxLength);
    return update;
}

QString browseEstimate(int position, float sourceSizeM, const QString& currentText) {
    if (position == 0)
        return QStringLiteral("1.00 file");
    if (sourceSizeM == 0.0f)
        return currentText;
    const float volumes = estimatedVolumes(position, sourceSizeM);
    return volumes > 1.0f ? volumesText(volumes) : QStringLiteral("1.00 file");
}

QString zipFreeSpaceText(int64_t freeBytes) {
    if (freeBytes < 1)
        return QStringLiteral("Free space 0 M");
    const int64_t millions = freeBytes > 1000000 ? (freeBytes + 500000) / 1000000 : 0;
    return QStringLiteral("Free space  %1 M").arg(millions);
}

QString zipFreeSpaceAfterOpenText(int64_t freeBytes) {
    const int64_t millions = freeBytes > 1000000 ? (freeBytes + 500000) / 1000000 : 0;
    return QStringLiteral("Free space  %1 M").arg(millions);
}
