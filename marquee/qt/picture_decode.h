#pragma once
// Fills in a PictureData from its image bytes: format tag, size in HIMETRIC and the image it
// draws, decoded once.

#include "design_memory.h"
#include "marquee_model.h"

#include <QByteArray>
#include <QImage>

namespace zqmarq {

// Decodes bytes (BMP, JPEG, GIF, PNG, ICO, CUR), checked through first (see image_check.h), once
// and keeps the image in the form it is drawn (a bitmap with its pure white left out). A Windows
// metafile gives format Metafile with the size its header tells (drawn as nothing in that slot). A
// picture whose header promises more pixels than a design may hold is not decoded: it keeps its
// format and size, which the design bound then refuses. Other unreadable or empty bytes give an
// empty picture (nothing drawn, no space taken); the bytes are still kept so that they persist.
PictureData pictureFromBytes(const QByteArray& bytes);
// The same for bytes as loading hands them over (the decoder of loadFromStream).
PictureData pictureFromStoredBytes(std::vector<std::uint8_t> bytes);
// Reads an image file; a missing or unreadable file gives std::nullopt and an error text.
std::optional<PictureData> pictureFromFile(const QString& path, QString* error = nullptr);
// The picture as it was stored, decoded afresh (null for metafiles, undecodable bytes and
// pictures past the design bound): for previews and for handing the picture out.
QImage decodePicture(const PictureData& picture);
// The image the picture draws: the one decoded with it, or (for a picture whose bytes were
// never decoded) one decoded now. Null when there is nothing to draw.
QImage drawnImage(const PictureData& picture);
// What a property page says instead of a preview for a picture that cannot be shown (a
// metafile); empty for every other picture.
QString pictureShownAs(const PictureData& picture);

// Bitmap pixels with pure white (0xFFFFFF) made transparent, all others kept opaque.
QImage withWhiteLeftOut(QImage image);

} // namespace zqmarq
