#pragma once

#include "engine/set_listings.h" // SfvEntry, parseSfv
#include "platform/file_read.h"  // fileCrc32

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// SFV files: a comment header (lines starting with ";"), then one "name crc" line per file,
// the CRC32 of the whole file as eight hex digits, every line ending with CR LF.

// The file's bytes: the header comment lines (each given without its ";"), then the entries.
// A name is written as the file system spells it.
QByteArray formatSfv(const QList<SfvEntry>& entries, const QStringList& header);

// Writes the SFV at path in one step: a new file beside it, renamed over path once complete,
// so no reader ever sees half an SFV. A link at path is replaced, its target left alone. With
// a stamp (SOURCE_DATE_EPOCH) its header and the file's time are the stamp's.
bool writeSfvFile(const QString& path, const QList<SfvEntry>& entries, QString* error,
                  std::optional<qint64> stamp = std::nullopt);
