#include "picture_decode.h"

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
    if (image.isNull())
        return p; // undecodable: kept for persistence, drawn as empty
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
    if (p.isEmpty()) {
        if (error)
            *error = QStringLiteral("Not a picture: %1").arg(path);
        return std::nullopt;
    }
    return p;
}

QImage decodePicture(const PictureData& picture) {
    if (picture.isEmpty())
        return {};
    return QImage::fromData(picture.bytes.data(), static_cast<int>(picture.bytes.size()));
}

} // namespace zqmarq
