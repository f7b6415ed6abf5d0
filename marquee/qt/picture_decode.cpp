#include "picture_decode.h"

#include "image_check.h"
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

constexpr std::uint64_t kMaxPicturePixels = kMaxDesignBytes / 4;

// The decoders' own allocation bound while a picture is read, in megabytes: a decoded picture
// never needs more than the design bound (with room for the decoder's rows). It is Qt's
// process-wide setting, so the caller's value comes back afterwards.
class AllocationLimit {
  public:
    AllocationLimit() : previous_(QImageReader::allocationLimit()) {
        const int ours = static_cast<int>(kMaxDesignBytes / (1024 * 1024)) + 8;
        if (previous_ <= 0 || previous_ > ours)
            QImageReader::setAllocationLimit(ours);
    }
    ~AllocationLimit() { QImageReader::setAllocationLimit(previous_); }
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;

  private:
    const int previous_;
};

// Reads the image the bytes hold once they are checked through (every length within the
// bytes, a size within the design bound). A picture too large is not decoded: *tooLarge is
// its size and the image is null. *format is the format found, empty when the bytes are no
// image decoded here.
QImage readImage(const QByteArray& bytes, QByteArray* format, QSize* tooLarge) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const auto size = static_cast<std::size_t>(bytes.size());
    const auto checked = checkImage(data, size, ~0ULL);
    if (!checked)
        return {};
    *format = checked->decoderFormat;
    if (static_cast<std::uint64_t>(checked->width) * static_cast<std::uint64_t>(checked->height) >
        kMaxPicturePixels) {
        *tooLarge = QSize(checked->width, checked->height);
        return {};
    }
    const QByteArray decodable =
        checked->decodable.empty()
            ? bytes
            : QByteArray(reinterpret_cast<const char*>(checked->decodable.data()),
                         static_cast<qsizetype>(checked->decodable.size()));
    QBuffer buffer;
    buffer.setData(decodable);
    buffer.open(QIODevice::ReadOnly);
    // The format the check found, and no other decoder guessing from the content.
    QImageReader reader(&buffer, *format);
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    const AllocationLimit limit;
    QImage image = reader.read();
    if (!image.isNull() &&
        static_cast<std::uint64_t>(image.width()) * static_cast<std::uint64_t>(image.height()) >
            kMaxPicturePixels)
        return {};
    return image;
}

// What a picture draws: a bitmap with white left out, anything else as it is; 4 bytes a pixel,
// as the design bound counts it.
QImage drawnFormOf(QImage image, const PictureData& picture) {
    if (picture.isBitmap())
        return withWhiteLeftOut(std::move(image));
    image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image;
}

} // namespace

QImage withWhiteLeftOut(QImage out) {
    // Converted in place where the depth allows: a large picture is not held twice.
    out.convertTo(QImage::Format_ARGB32);
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
    QImage image = readImage(bytes, &name, &tooLarge);
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
    p.decoded = std::make_shared<QtDecodedImage>(drawnFormOf(std::move(image), p));
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
    QImage image = decodePicture(picture);
    return image.isNull() ? image : drawnFormOf(std::move(image), picture);
}

QString pictureShownAs(const PictureData& picture) {
    if (picture.format != PictureFormat::Metafile)
        return QString();
    return QStringLiteral("Windows metafile (%1 bytes): this control cannot show metafiles. It "
                          "keeps the picture and saves it unchanged.")
        .arg(picture.bytes.size());
}

} // namespace zqmarq
