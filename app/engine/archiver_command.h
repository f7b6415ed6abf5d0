#pragma once

#include "engine/job_settings.h"

#include <QString>

// What the volume set will look like, decided before anything is written.
struct VolumePlan {
    QString extension; // of the first volume: ".rar", ".001" or ".ace"
    bool threeDigitNumbers = false;
    bool tooManyVolumes = false; // more than 999 volumes expected
};

extern const char* const kTooManyVolumesText;
extern const char* const kTooManyVolumesTitle;

VolumePlan planVolumes(ArchiverKind archiver, int16_t sizeUnits, float sourceSizeM);

// Volume switch and method switch, e.g. "-v1440000b -m3" (Rar) or " -m5" (Ace, one archive).
QString archiverOptions(ArchiverKind archiver, int16_t sizeUnits, int16_t methodIndex);

// "-x@" + list file, or empty when there is nothing to skip.
QString skipSwitch(const QString& skipList, const QString& listFile);

// Writes the exclusion list: the skip list text followed by one more CR LF.
bool writeExclusionList(const QString& skipList, const QString& listFile, QString* error);

// The whole archiver command line, in its fixed order. A path with a blank is quoted so it
// stays one argument; paths without blanks come out exactly as the archiver expects them.
QString archiverCommandLine(ArchiverKind archiver, const QString& options,
                            const QString& archivePath, const QString& sourceSpec,
                            const QString& skipSwitchText);
