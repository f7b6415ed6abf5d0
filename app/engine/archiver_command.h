#pragma once

#include "job/command.h"
#include "job/job_settings.h"

#include <QString>

#include <optional>

// What the volume set will look like, decided before anything is written.
struct VolumePlan {
    QString extension; // of the first volume: ".rar", ".001" or ".ace"
    bool threeDigitNumbers = false;
    bool tooManyVolumes = false; // more than 999 volumes expected
};

extern const char* const kTooManyVolumesText;
extern const char* const kTooManyVolumesTitle;

// digits: the numbers' width (2 or 3) when the set's names already decide it; empty: the
// estimate does.
VolumePlan planVolumes(ArchiverKind archiver, int16_t sizeUnits, float sourceSizeM,
                       std::optional<int> digits = std::nullopt);

// Volume switch and method switch, e.g. "-v1440000b -m3" (Rar) or " -m5" (Ace, one archive).
QString archiverOptions(ArchiverKind archiver, int16_t sizeUnits, int16_t methodIndex);

// Writes the exclusion list: the skip list text followed by one more CR LF.
bool writeExclusionList(const QString& skipList, const QString& listFile, QString* error);

// The archiver command: "wrar.exe a -r " or "wace.pif a -r ", the options, " -y", the
// archive, the source (in quotes for Rar) and the skip switch, in that order. listFile is
// empty when nothing is skipped. Every path is one argument of its own whatever it holds.
Command archiverCommand(ArchiverKind archiver, int16_t sizeUnits, int16_t methodIndex,
                        const QString& archivePath, const QString& sourceSpec,
                        const QString& listFile);
