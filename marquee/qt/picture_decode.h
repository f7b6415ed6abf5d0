#pragma once
// Fills in a PictureData from its image bytes: format tag and size in HIMETRIC.

#include "marquee_model.h"

#include <QByteArray>
#include <QImage>

namespace zqmarq {

// Decodes bytes (BMP, JPEG, GIF, PNG, ICO, ...). A Windows metafile gives format Metafile
// with the size its header tells (drawn as nothing in that slot). Other unreadable or empty
// bytes give an empty picture (nothing drawn, no space taken); the bytes are still kept so
// that they persist.
PictureData pictureFromBytes(const QByteArray& bytes);
// Reads an image file; a missing or unreadable file gives std::nullopt and an error text.
std::optional<PictureData> pictureFromFile(const QString& path, QString* error = nullptr);
// Decoded image of a picture (null image when it cannot be decoded, and for metafiles).
QImage decodePicture(const PictureData& picture);
// What a property page says instead of a preview for a picture that cannot be shown (a
// metafile); empty for every other picture.
QString pictureShownAs(const PictureData& picture);
// Pixel extent to HIMETRIC as the picture object reports it at 96 pixels per inch.
std::int32_t pixelsToHimetric(int pixels);

} // namespace zqmarq
