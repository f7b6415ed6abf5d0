#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;

// What the files that travel beside a set say they are about: the zips an SFV lists, and the
// files a PAR2 file's recovery set describes. A file beside the zips belongs to a set only
// when every name it lists is that set's, so both are read strictly: bytes that are not
// what they claim to be give an error, never a guess.

// ---- SFV ----

struct SfvEntry {
    QString name;
    quint32 crc = 0;
    bool operator==(const SfvEntry&) const = default;
};

// An SFV file of ours is a line per zip; anything much bigger is not one.
inline constexpr qint64 kMaxSfvBytes = 1024 * 1024;

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

// ---- PAR2 ----

// A recovery set lists at most this many files; a set has at most 999 zips.
inline constexpr int kMaxPar2Files = 32768;

// One file a PAR2 recovery set describes.
struct Par2File {
    QByteArray id; // the file's 16-byte id
    QString name;  // as stored: a name a foreign file may give any bytes
    qint64 size = 0;
    QByteArray md5;        // of the whole file, 16 bytes
    bool recovered = true; // in the recovery set proper (else only listed beside it)
    bool operator==(const Par2File&) const = default;
};

struct Par2Listing {
    bool ok = false;
    QString error;             // when not ok: what is wrong and at which byte
    QByteArray setId;          // the recovery set's 16-byte id
    QList<Par2File> files;     // every file the main packet names, its recovery set first
    QStringList names() const; // their names
};

// Reads PAR2 packets one after another from the device's start to its end: each must begin
// with the packet magic, have a length that is a multiple of four and fits what is left, and
// belong to one recovery set. The main and file description packets are read whole and must
// match their MD5; the main packet's copies must agree, every file it names must be described
// (copies of one description agreeing). Recovery data is skipped, not read.
Par2Listing readPar2(QIODevice& device);
Par2Listing parsePar2(QByteArrayView bytes);
// A file that is not a regular file is refused before anything reads it.
Par2Listing readPar2File(const QString& path);
