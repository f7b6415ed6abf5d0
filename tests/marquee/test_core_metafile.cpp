// Windows metafile headers among a picture's bytes: which are recognised, and the size their
// header gives; damaged or foreign headers are not metafiles or give no size. And the check of
// raster images before decoding: every length within the bytes, both sides of each bound.
#include "image_check.h"
#include "metafile.h"

#include <QtTest>

using namespace zqmarq;

namespace {
void put16(QByteArray& b, int v) {
    b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}
void put32(QByteArray& b, std::uint32_t v) {
    put16(b, int(v & 0xFFFF));
    put16(b, int(v >> 16));
}
QByteArray wmfHeader() {
    QByteArray b;
    put16(b, 1);      // in memory
    put16(b, 9);      // header words
    put16(b, 0x0300); // version
    b.append(12, '\0');
    return b;
}
QByteArray placeable(int left, int top, int right, int bottom, int unitsPerInch) {
    QByteArray b;
    put32(b, 0x9AC6CDD7);
    put16(b, 0);
    for (int v : {left, top, right, bottom})
        put16(b, v);
    put16(b, unitsPerInch);
    put32(b, 0);
    put16(b, 0); // checksum: not relied on, many writers leave it wrong
    return b + wmfHeader();
}
QByteArray emf(int left, int top, int right, int bottom, int length = 88) {
    QByteArray b;
    put32(b, 1);  // header record
    put32(b, 88); // its size
    b.append(16, '\0');
    for (int v : {left, top, right, bottom})
        put32(b, std::uint32_t(v));
    put32(b, 0x464D4520);
    b.append(44, '\0');
    return b.left(length);
}
void putBe16(QByteArray& b, int v) {
    b.append(char((v >> 8) & 0xFF)).append(char(v & 0xFF));
}
void putBe32(QByteArray& b, std::uint32_t v) {
    putBe16(b, int(v >> 16));
    putBe16(b, int(v & 0xFFFF));
}
QByteArray pngChunk(const char* type, const QByteArray& data) {
    QByteArray b;
    putBe32(b, std::uint32_t(data.size()));
    b.append(type, 4).append(data);
    putBe32(b, 0); // CRC: the decoder's business, not the check's
    return b;
}
// A PNG of width x height with a text chunk (structure only: the pixels are not real).
QByteArray png(int width, int height) {
    QByteArray header;
    putBe32(header, std::uint32_t(width));
    putBe32(header, std::uint32_t(height));
    header.append("\x08\x02\x00\x00\x00", 5);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) +
           pngChunk("tEXt", QByteArray("Comment\0made by hand", 20)) +
           pngChunk("IDAT", QByteArray(10, 'x')) + pngChunk("IEND", {});
}
// The text chunk's length field, 8 + 25 bytes in.
QByteArray withTextLength(QByteArray b, std::uint32_t length) {
    QByteArray field;
    putBe32(field, length);
    return b.replace(33, 4, field);
}
// A baseline JPEG frame of 16 x 8 with the given number of scans, each one byte of data.
QByteArray jpeg(int scans) {
    QByteArray b("\xFF\xD8", 2);
    b.append("\xFF\xC0\x00\x0B\x08\x00\x08\x00\x10\x01\x01\x11\x00", 13);
    for (int i = 0; i < scans; ++i)
        b.append("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00\x55", 11);
    return b.append("\xFF\xD9", 2);
}
// An icon whose one entry, a 16 x 16 bitmap of 40 bytes at offset 22, is said to hold size.
QByteArray icon(std::uint32_t size) {
    QByteArray dib(40, '\0');
    dib[0] = 40;
    dib[4] = 16;
    dib[8] = 32; // image and mask
    dib[12] = 1;
    dib[14] = 32;
    QByteArray entry(8, '\0');
    entry[0] = 16;
    entry[1] = 16;
    put32(entry, size);
    put32(entry, 22);
    return QByteArray("\0\0\1\0\1\0", 6) + entry + dib;
}

} // namespace

class TestCoreMetafile : public QObject {
    Q_OBJECT
  private slots:
    void headers_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind"); // -1: not a metafile
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        const int P = int(MetafileKind::PlaceableWmf), W = int(MetafileKind::Wmf),
                  E = int(MetafileKind::Emf);
        QTest::newRow("placeable 2 x 1 inch")
            << placeable(0, 0, 2880, 1440, 1440) << P << 5080 << 2540;
        QTest::newRow("placeable, offset box")
            << placeable(-100, 50, 900, 550, 1000) << P << 2540 << 1270;
        QTest::newRow("placeable, no units") << placeable(0, 0, 100, 100, 0) << P << 0 << 0;
        QTest::newRow("placeable, inverted box") << placeable(100, 0, 0, 100, 1440) << P << 0 << 0;
        QTest::newRow("placeable key, no wmf after")
            << placeable(0, 0, 1, 1, 1).left(30) << -1 << 0 << 0;
        QTest::newRow("plain wmf") << wmfHeader() << W << 0 << 0;
        QTest::newRow("wmf, wrong version")
            << wmfHeader().replace(4, 2, "\x01\x02") << -1 << 0 << 0;
        QTest::newRow("emf") << emf(0, 0, 10000, 5000) << E << 10000 << 5000;
        QTest::newRow("emf, absurd frame") << emf(0, 0, 2000000000, 5) << E << 0 << 0;
        QTest::newRow("emf cut before its signature") << emf(0, 0, 10, 10, 43) << -1 << 0 << 0;
        QTest::newRow("png") << QByteArray("\x89PNG\r\n\x1a\n", 8) << -1 << 0 << 0;
        QTest::newRow("nothing") << QByteArray() << -1 << 0 << 0;
    }
    void imagesAreCheckedThrough_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qulonglong>("maxPixels");
        QTest::addColumn<QString>("refusal"); // empty: accepted
        const qulonglong any = 1ULL << 40;
        const QByteArray good = png(16, 8);
        QTest::newRow("png") << good << any << QString();
        QTest::newRow("png, text chunk length mutated")
            << withTextLength(good, 0x48000025) << any << QStringLiteral("claims 1207959589 bytes");
        // The text chunk's length against what follows its header: 99 - 33 - 12 = 54.
        QCOMPARE(good.size(), 99);
        QTest::newRow("png, chunk up to the last byte")
            << withTextLength(good, 54) << any << QStringLiteral("ends inside a chunk header");
        QTest::newRow("png, chunk one byte past")
            << withTextLength(good, 55) << any << QStringLiteral("claims 55 bytes, but only 54");
        QTest::newRow("png cut inside its end chunk")
            << good.left(good.size() - 1) << any << QStringLiteral("ends inside");
        QTest::newRow("png at the pixel bound") << good << qulonglong(128) << QString();
        QTest::newRow("png one pixel past")
            << good << qulonglong(127) << QStringLiteral("more than the 127 allowed");
        QTest::newRow("png without data") << QByteArray(good).remove(good.size() - 34, 22) << any
                                          << QStringLiteral("no image data");
        QTest::newRow("jpeg, 100 scans") << jpeg(100) << any << QString();
        QTest::newRow("jpeg, 101 scans")
            << jpeg(101) << any << QStringLiteral("more than 100 scans");
        QTest::newRow("jpeg segment past the end")
            << jpeg(1).left(10) << any << QStringLiteral("claims 11 bytes");
        QTest::newRow("gif") << QByteArray("GIF89a\x10\x00\x08\x00\x00\x00\x00"
                                           "\x2C\0\0\0\0\x10\0\x08\0\0\x02\x02\x4C\x01\x00\x3B",
                                           29)
                             << any << QString();
        QTest::newRow("gif sub-block past the end")
            << QByteArray("GIF89a\x10\x00\x08\x00\x00\x00\x00"
                          "\x2C\0\0\0\0\x10\0\x08\0\0\x02\x09\x4C",
                          26)
            << any << QStringLiteral("runs past the end");
        QByteArray bmp("BM", 2);
        bmp.append(QByteArray(12, '\0'));
        QByteArray dib(40, '\0');
        dib[0] = 40;
        dib[4] = 4;
        dib[8] = 2;
        dib[12] = 1;
        dib[14] = 24;
        bmp += dib + QByteArray(16, '\0');
        QByteArray at = bmp;
        at[10] = char(bmp.size() - 1); // the last byte
        QTest::newRow("bmp, pixels at the last byte") << at << any << QString();
        QByteArray past = bmp;
        past[10] = char(bmp.size());
        QTest::newRow("bmp, pixels past the end")
            << past << any << QStringLiteral("past the end of the data");
        QTest::newRow("icon entry up to the last byte") << icon(40) << any << QString();
        QTest::newRow("icon entry one byte past")
            << icon(41) << any << QStringLiteral("lies past the end");
        QTest::newRow("svg is not decoded")
            << QByteArray("<svg xmlns='http://www.w3.org/2000/svg'/>") << any
            << QStringLiteral("no PNG, JPEG");
    }
    void imagesAreCheckedThrough() {
        QFETCH(QByteArray, bytes);
        QFETCH(qulonglong, maxPixels);
        QFETCH(QString, refusal);
        std::string why;
        const auto image = checkImage(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                      std::size_t(bytes.size()), maxPixels, &why);
        QCOMPARE(image.has_value(), refusal.isEmpty());
        if (!image) {
            QVERIFY2(QString::fromStdString(why).contains(refusal), why.c_str());
            return;
        }
        QVERIFY(image->width > 0 && image->height > 0);
        if (image->format == PictureFormat::Png) {
            // Only the chunks that make pixels reach the decoder.
            const QByteArray decodable(reinterpret_cast<const char*>(image->decodable.data()),
                                       qsizetype(image->decodable.size()));
            QVERIFY(!decodable.contains("tEXt"));
            QVERIFY(decodable.contains("IDAT") &&
                    decodable.endsWith(QByteArray("IEND\0\0\0\0", 8)));
        }
    }
    void headers() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(int, width);
        QFETCH(int, height);
        const auto info =
            sniffMetafile(reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size());
        QCOMPARE(info ? int(info->kind) : -1, kind);
        if (info) {
            QCOMPARE(info->widthHimetric, width);
            QCOMPARE(info->heightHimetric, height);
        }
    }
};

QTEST_GUILESS_MAIN(TestCoreMetafile)
#include "test_core_metafile.moc"
