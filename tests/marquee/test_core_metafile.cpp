// Windows metafile headers among a picture's bytes: which are recognised, and the size their
// header gives; damaged or foreign headers are not metafiles or give no size.
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
