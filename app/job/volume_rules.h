#pragma once

#include "job/job_settings.h"

#include <QString>

#include <cstdint>
#include <optional>

// What the archive size slider's positions mean, in one place for the estimate, the script
// reader, the window, the archiver command and the archiver front-ends.

inline constexpr int kSliderMinimum = 0;
inline constexpr int kSliderMaximum = 199;
inline constexpr int kSliderInitial = 3;
// Position 3 is the 1.44 MB floppy: volumes of 1,440,000 bytes, not 1,500,000.
inline constexpr int kFloppyPosition = 3;
inline constexpr int kCdImageMinimumPosition = 10;
inline constexpr int64_t kBytesPerSizeUnit = 500000;
inline constexpr int64_t kFloppyVolumeBytes = 1440000;

// Above 99 volumes disk and zip numbers get three digits; above 999 no set is made.
inline constexpr int kTwoDigitVolumeLimit = 99;
inline constexpr int kVolumeLimit = 999;

// Six characters and two digits, or five and three, keep a numbered zip name within eight
// characters; one archive carries no number.
inline constexpr int kZipNameLimitTwoDigits = 6;
inline constexpr int kZipNameLimitThreeDigits = 5;
inline constexpr int kZipNameLimitOneArchive = 20;

// Bytes of one volume at a slider position (the floppy's real size at position 3); 0 for
// one archive.
int64_t volumeBytes(int sizeUnits);

// The estimated number of volumes: source bytes / volume bytes, in single precision as the
// Zip page shows it; 0 at position 0.
float estimatedVolumes(int sizeUnits, float sourceSizeM);

// Strict limits: exactly 99 keeps two digits, exactly 999 passes.
bool needsThreeDigits(double volumes);
bool exceedsVolumeLimit(double volumes);

// Longest zip base name for a position and numbering width.
int zipNameLimit(int sizeUnits, bool threeDigitNumbers);

// The archiver's volume switch: "-v" + bytes + "b" for Rar ("-v1440000b"; "-v0000b" for one
// archive), "-v" + kilobytes of 1,000 bytes for Ace ("-v1440"; nothing for one archive).
QString volumeSwitch(ArchiverKind archiver, int sizeUnits);

// A volume switch's value read back ("1440000b" bytes, "1440" kilobytes of 1,000 bytes):
// the volume size in bytes, 0 for one archive; empty when it is not digits with an optional
// "b", or when the size does not fit 63 bits.
std::optional<int64_t> parseVolumeSwitch(const QString& value);
