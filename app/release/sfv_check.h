#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The SFV files beside a set, read as a receiver reads them: every line of every SFV of the
// set is checked against the zip it names.

// A zip of the set as the SFV check needs it.
struct SfvMember {
    QString label;    // "zip 05 game05.zip"
    QString fileName; // in the folder
    QString path;
    std::optional<quint32> crc; // the CRC32 of the whole file, when known already
};

// The SFV files of the set in folder: those named after the stem (in any case) and any other
// that lists one of its zips.
QStringList setSfvFiles(const QString& folder, const QString& stem,
                        const QList<SfvMember>& members);

// One SFV: every line must name a zip of the set with its CRC, a zip listed twice must carry
// one CRC, and every zip must be listed. Each fault names the line. Empty when it agrees.
QStringList sfvFaults(const QString& folder, const QString& sfvName,
                      const QList<SfvMember>& members);
