#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

// Whether a file goes into a zip stored rather than deflated: 32 KB from its start, middle
// and end, each put through qCompress at the zip's level, come to more than 97 % of their
// size (already compressed data such as archive volumes). Files under 128 KB are deflated.
bool samplesLookIncompressible(const QString& path, int level);

// What qCompress(chunk, level).size() gives.
qint64 packedSize(QByteArrayView chunk, int level);

// A size qCompress(chunk, level) never goes under, at any level, found far faster than
// packing: no bytes a match could cover, and every other byte at no less than its block's
// entropy. 0 for an empty chunk or one over 32 KB, and when zlib's block layout is not the
// one known here.
qint64 packedSizeFloor(QByteArrayView chunk);
