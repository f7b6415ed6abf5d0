#include "job/volume_rules.h"

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

bool needsThreeDigits(double volumes) { return volumes > kTwoDigitVolumeLimit; }

bool exceedsVolumeLimit(double volumes) { return volumes > kVolumeLimit; }

int zipNameLimit(int sizeUnits, bool threeDigitNumbers) {
    if (sizeUnits == 0)
        return kZipNameLimitOneArchive;
    return threeDigitNumbers ? kZipNameLimitThreeDigits : kZipNameLimitTwoDigits;
}

QString volumeSwitch(ArchiverKind archiver, int sizeUnits) {
    const int64_t bytes = volumeBytes(sizeUnits);
    if (archiver == ArchiverKind::Rar)
        return sizeUnits == 0 ? QStringLiteral("-v0000b")
                              : QStringLiteral("-v%1b").arg(bytes);
    if (sizeUnits == 0)
        return {};
    return QStringLiteral("-v%1").arg(bytes / 1000);
}

std::optional<int64_t> parseVolumeSwitch(const QString& value) {
    QString digits = value;
    const bool inBytes = digits.endsWith(QLatin1Char('b'), Qt::CaseInsensitive);
    if (inBytes)
        digits.chop(1);
    if (digits.isEmpty() || digits.size() > 12)
        return std::nullopt;
    for (const QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    const int64_t number = digits.toLongLong();
    const int64_t bytes = inBytes ? number : number * 1000;
    if (bytes > volumeBytes(kSliderMaximum))
        return std::nullopt;
    return bytes;
}
