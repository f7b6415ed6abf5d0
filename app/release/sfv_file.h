#pragma once

#include "platform/file_read.h" // fileCrc32

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// SFV files: a comment header (lines starting with ";"), then one "name crc" line per file,
// the CRC32 of the whole file as eight hex digits, every line ending with CR LF.

struct SfvEntry {
    QString name;
    quint32 crc = 0;
    bool operator==(const SfvEntry&) const = default;
};

// An SFV file of ours is a line per zip; anything much bigger is not one.
inline constexpr qint64 kMaxSfvBytes = 1024 * 1024;

// The file's bytes: the header comment lines (each given without its ";"), then the entries.
// A name is written as the file system spells it.
QByteArray formatSfv(const QList<SfvEntry>& entries, const QStringList& header);

struct SfvParse {
    bool ok = false;
    QList<SfvEntry> entries;
    QList<qsizetype> lines; // the line number of each entry
    QString error;          // "line N: ..." when not ok
};

// Reads SFV text as other tools write it: LF or CR LF, blank and ";" lines skipped, the CRC
// the last blank-separated word of a line, the name the text before it (it may hold blanks).
// Refuses more than kMaxSfvBytes, a NUL or other control character, a line without a CRC,
// and a name that is not a plain file name in the SFV's own folder ("/", "\", "." or "..").
SfvParse parseSfv(QByteArrayView bytes);

// Writes the SFV at path in one step: a new file beside it, renamed over path once complete,
// so no reader ever sees half an SFV. A link at path is replaced, its target left alone. With
// a stamp (SOURCE_DATE_EPOCH) its header and the file's time are the stamp's.
bool writeSfvFile(const QString& path, const QList<SfvEntry>& entries, QString* error,
                  std::optional<qint64> stamp = std::nullopt);
