#include "picture_decode.h"

#include "metafile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace zqmarq {

std::int32_t pixelsToHimetric(int pixels) {
    constexpr int ppi = 96;
    return static_cast<std::int32_t>((2540LL * pixels + ppi / 2) / ppi);
}

static PictureFormat formatOf(const QByteArray& name) {
    if (name == "bmp" || name == "dib")
        return PictureFormat::Bitmap;
    if (name == "jpeg" || name == "jpg")
        return PictureFormat::Jpeg;
    if (name == "gif")
        return PictureFormat::Gif;
    if (name == "png")
        return PictureFormat::Png;
    if (name == "ico" || name == "cur")
        return PictureFormat::Icon;
    return PictureFormat::Other;
}

PictureData pictureFromBytes(const QByteArray& bytes) {
    PictureData p;
    p.bytes.assign(bytes.begin(), bytes.end());
    if (bytes.isEmpty())
        return p;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray name = reader.format();
    const QImage image = reader.read();
    if (image.isNull()) {
        // A metafile cannot be drawn here: it keeps its bytes and, when its header gives a
        // size, its slot. Anything else undecodable is kept for saving and drawn as empty.
        if (const auto meta = sniffMetafile(p.bytes.data(), p.bytes.size())) {
            p.format = PictureFormat::Metafile;
            p.widthHimetric = meta->widthHimetric;
            p.heightHimetric = meta->heightHimetric;
        }
        return p;
    }
    p.format = formatOf(name);
    p.widthHimetric = pixelsToHimetric(image.width());
    p.heightHimetric = pixelsToHimetric(image.height());
    return p;
}

std::optional<PictureData> pictureFromFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    PictureData p = pictureFromBytes(file.readAll());
    if (p.isEmpty()) { // a metafile is not empty: it is kept
        if (error)
            *error = QStringLiteral("Not a picture: %1").arg(path);
        return std::nullopt;
    }
    return p;
}

QImage decodePicture(const PictureData& picture) {
    if (picture.isEmpty() || picture.format == PictureFormat::Metafile)
        return {};
    return QImage::fromData(picture.bytes.data(), static_cast<int>(picture.bytes.size()));
}

QString pictureShownAs(const PictureData& picture) {
    if (picture.format != PictureFormat::Metafile)
        return QString();
    return QStringLiteral("Windows metafile (%1 bytes): this control cannot show metafiles. It "
                          "keeps the picture and saves it unchanged.")
        .arg(picture.bytes.size());
}

} // namespace zqmarq
