#include "job/volume_rules.h"

#include <limits>

int64_t volumeBytes(int sizeUnits) {
    if (sizeUnits == kFloppyPosition)
        return kFloppyVolumeBytes;
    return int64_t(sizeUnits) * kBytesPerSizeUnit;
}

float estimatedVolumes(int sizeUnits, float sourceSizeM) {
    if (sizeUnits <= 0)
        return 0.0f;
    return sourceSizeM * 1000000.0f / static_cast<float>(volumeBytes(sizeUnits));
}

bool needsThreeDigits(double volumes) {
    return volumes > kTwoDigitVolumeLimit;
}

bool exceedsVolumeLimit(double volumes) {
    return volumes > kVolumeLimit;
}

int zipNameLimit(int sizeUnits, bool threeDigitNumbers) {
    if (sizeUnits == 0)
        return kZipNameLimitOneArchive;
    return threeDigitNumbers ? kZipNameLimitThreeDigits : kZipNameLimitTwoDigits;
}

QString volumeSwitch(ArchiverKind archiver, int sizeUnits) {
    const int64_t bytes = volumeBytes(sizeUnits);
    if (archiver == ArchiverKind::Rar)
        return sizeUnits == 0 ? QStringLiteral("-v0000b") : QStringLiteral("-v%1b").arg(bytes);
    if (sizeUnits == 0)
        return {};
    return QStringLiteral("-v%1").arg(bytes / 1000);
}

std::optional<int64_t> parseVolumeSwitch(const QString& value) {
    QString digits = value;
    const bool inBytes = digits.endsWith(QLatin1Char('b'), Qt::CaseInsensitive);
    if (inBytes)
        digits.chop(1);
    if (digits.isEmpty())
        return std::nullopt;
    const int64_t unit = inBytes ? 1 : 1000;
    const int64_t limit = std::numeric_limits<int64_t>::max() / unit;
    int64_t number = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        const int digit = c.unicode() - '0';
        // Checked before multiplying: past the limit the product would wrap to a small size.
        if (number > (limit - digit) / 10)
            return std::nullopt;
        number = number * 10 + digit;
    }
    return number * unit;
}
