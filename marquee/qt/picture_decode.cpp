#include "picture_decode.h"

#include "metafile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

namespace zqmarq {

namespace {

// The decoded image shared by every copy of a picture.
class QtDecodedImage : public DecodedImage {
  public:
    explicit QtDecodedImage(QImage drawn) : image(std::move(drawn)) {}
    const QImage image;
};

PictureFormat formatOf(const QByteArray& name) {
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

bool withinDesignBound(QSize size) {
    return 4ULL * static_cast<std::uint64_t>(size.width()) *
               static_cast<std::uint64_t>(size.height()) <=
           kMaxDesignBytes;
}

// Reads the image the bytes hold, unless its header promises more pixels than a design may
// hold (then *tooLarge is the header's size and the image is null).
QImage readImage(const QByteArray& bytes, QByteArray* format, QSize* tooLarge) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    *format = reader.format();
    const QSize header = reader.size();
    if (header.isValid() && !withinDesignBound(header)) {
        *tooLarge = header;
        return {};
    }
    QImage image = reader.read();
    if (!image.isNull() && !withinDesignBound(image.size())) {
        *tooLarge = image.size();
        return {};
    }
    return image;
}

// What a picture draws: a bitmap with white left out, anything else as it is; 4 bytes a pixel,
// as the design bound counts it.
QImage drawnFormOf(const QImage& image, const PictureData& picture) {
    if (picture.isBitmap())
        return withWhiteLeftOut(image);
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

QImage withWhiteLeftOut(const QImage& image) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((line[x] & 0x00FFFFFFu) == 0x00FFFFFFu)
                line[x] = 0; // transparent
            else
                line[x] |= 0xFF000000u; // the masked copy knows no partial transparency
        }
    }
    return out;
}

PictureData pictureFromBytes(const QByteArray& bytes) {
    PictureData p;
    p.bytes.assign(bytes.begin(), bytes.end());
    if (bytes.isEmpty())
        return p;
    QByteArray name;
    QSize tooLarge;
    const QImage image = readImage(bytes, &name, &tooLarge);
    if (tooLarge.isValid()) {
        p.format = formatOf(name);
        p.widthHimetric = pixelsToHimetric(tooLarge.width());
        p.heightHimetric = pixelsToHimetric(tooLarge.height());
        return p;
    }
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
    p.decoded = std::make_shared<QtDecodedImage>(drawnFormOf(image, p));
    return p;
}

PictureData pictureFromStoredBytes(std::vector<std::uint8_t> bytes) {
    PictureData p = pictureFromBytes(QByteArray::fromRawData(
        reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    p.bytes = std::move(bytes);
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
    QByteArray name;
    QSize tooLarge;
    return readImage(QByteArray::fromRawData(reinterpret_cast<const char*>(picture.bytes.data()),
                                             static_cast<qsizetype>(picture.bytes.size())),
                     &name, &tooLarge);
}

QImage drawnImage(const PictureData& picture) {
    if (const auto* decoded = dynamic_cast<const QtDecodedImage*>(picture.decoded.get()))
        return decoded->image;
    const QImage image = decodePicture(picture);
    return image.isNull() ? image : drawnFormOf(image, picture);
}

QString pictureShownAs(const PictureData& picture) {
    if (picture.format != PictureFormat::Metafile)
        return QString();
    return QStringLiteral("Windows metafile (%1 bytes): this control cannot show metafiles. It "
                          "keeps the picture and saves it unchanged.")
        .arg(picture.bytes.size());
}

} // namespace zqmarq
