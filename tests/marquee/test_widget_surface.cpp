// Pixel tests of the marquee painted through the QPainter surface, offscreen.

#include "frame.h"
#include "layout.h"
#include "marquee_engine.h"
#include "picture_decode.h"
#include "qt_surface.h"
#include "zq_marquee_p.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QImageReader>
#include <QtTest>

using namespace zqmarq;

namespace {

PictureData bmpPicture(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return pictureFromBytes(bytes);
}

// A solid red 20 x 10 bitmap: its slot is 19 x 10 pixels.
PictureData redBlock() {
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 0));
    return bmpPicture(image);
}

ZqMarqueePrivate& in(ZqMarquee& m) {
    return ZqMarqueePrivate::get(m);
}

// The marquee rendered onto a fresh image of w x h.
QImage rendered(ZqMarquee& m, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(1, 2, 3));
    QPainter p(&image);
    in(m).render(&p, QRect(0, 0, w, h));
    p.end();
    return image;
}

// Bounding box of the pixels of one colour.
QRect boxOf(const QImage& image, QRgb colour) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == colour)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestWidgetSurface : public QObject {
    Q_OBJECT
  private slots:
    void pictureDecoding();
    void frameRings_data();
    void frameRings();
    void shadowFrame();
    void systemColoursFollowThePalette();
    void justifiedPlacement_data();
    void justifiedPlacement();
    void whiteLeftOutOfBitmap();
    void doubleBufferMatchesDirect();
    void textMetrics();
    void colouredText();
    void sharpAtHighDensity();
    void hugeContentSaysSo();
    void pictureIsDecodedOnce();
    void translatedPainter();
    void iconScaledIntoSlot();
};

void TestWidgetSurface::pictureDecoding() {
    QCOMPARE(pixelsToHimetric(100), 2646);
    QCOMPARE(pictureSlotSize(redBlock()), (Size{19, 10}));
    QVERIFY(redBlock().isBitmap());

    const PictureData junk = pictureFromBytes(QByteArray("not an image at all"));
    QVERIFY(junk.isEmpty());
    QCOMPARE(junk.bytes.size(), std::size_t(19)); // kept so that it persists unchanged
    QVERIFY(pictureFromBytes(QByteArray()).isEmpty());

    QString error;
    QVERIFY(!pictureFromFile(QStringLiteral("/nonexistent/x.bmp"), &error));
    QVERIFY(!error.isEmpty());

    // A PNG with a text chunk decodes; the same with the chunk's length grown past the bytes
    // is never handed to the decoder (which would ask for a gigabyte for it).
    QImage image(8, 4, QImage::Format_RGB32);
    image.fill(QColor(10, 200, 30));
    image.setText(QStringLiteral("Comment"), QStringLiteral("a picture with a text chunk"));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(image.save(&buffer, "PNG"));
    const qsizetype text = bytes.indexOf("tEXt");
    QVERIFY(text > 0);
    const int limit = QImageReader::allocationLimit();
    const PictureData good = pictureFromBytes(bytes);
    // The decoders' allocation bound is the caller's again after a decode.
    QCOMPARE(QImageReader::allocationLimit(), limit);
    QCOMPARE(good.format, PictureFormat::Png);
    QCOMPARE(drawnImage(good).pixel(7, 3), qRgb(10, 200, 30));
    bytes.replace(text - 4, 4, QByteArray("\x48\x00\x00\x25", 4));
    const PictureData mutated = pictureFromBytes(bytes);
    QVERIFY(mutated.isEmpty()); // kept for saving, never drawn
    QCOMPARE(mutated.bytes.size(), std::size_t(bytes.size()));
    QVERIFY(drawnImage(mutated).isNull());
}

void TestWidgetSurface::frameRings_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<QRgb>("outerTL");
    QTest::addColumn<QRgb>("outerBR");
    QTest::addColumn<QRgb>("innerTL");
    QTest::addColumn<QRgb>("innerBR");
    const QRgb bg = qRgb(0, 0, 255);
    const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
    QTest::newRow("0 none") << 0 << bg << bg << bg << bg;
    QTest::newRow("1 light indent") << 1 << qRgb(122, 122, 122) << qRgb(212, 212, 212) << bg << bg;
    QTest::newRow("2 heavy indent")
        << 2 << qRgb(122, 122, 122) << white << black << qRgb(192, 192, 192);
    QTest::newRow("3 indent frame")
        << 3 << qRgb(128, 128, 128) << white << white << qRgb(128, 128, 128);
    QTest::newRow("4 heavy outdent")
        << 4 << white << qRgb(122, 122, 122) << qRgb(192, 192, 192) << black;
    QTest::newRow("9 unknown") << 9 << bg << bg << bg << bg;
}

void TestWidgetSurface::frameRings() {
    QFETCH(int, style);
    QFETCH(QRgb, outerTL);
    QFETCH(QRgb, outerBR);
    QFETCH(QRgb, innerTL);
    QFETCH(QRgb, innerBR);
    ZqMarquee m;
    MarqueeModel model;
    model.text = "<IMG 1>"; // content far off-screen: only background and frame show
    model.picture[0] = redBlock();
    model.backColor = rgb(0, 0, 255);
    model.frame = style;
    in(m).loadModel(model);
    in(m).setSystemColors(SystemColors::classic()); // button shadow grey 128
    in(m).setScrollPosition(1000);
    const QImage image = rendered(m, 80, 30);
    QCOMPARE(image.pixel(0, 15), outerTL);  // left
    QCOMPARE(image.pixel(40, 0), outerTL);  // top
    QCOMPARE(image.pixel(79, 15), outerBR); // right
    QCOMPARE(image.pixel(40, 29), outerBR); // bottom
    QCOMPARE(image.pixel(1, 15), innerTL);
    QCOMPARE(image.pixel(40, 1), innerTL);
    QCOMPARE(image.pixel(78, 15), innerBR);
    QCOMPARE(image.pixel(40, 28), innerBR);
    QCOMPARE(image.pixel(40, 15), qRgb(0, 0, 255));
}

void TestWidgetSurface::shadowFrame() {
    ZqMarquee m;
    MarqueeModel model;
    model.text.clear();
    model.backColor = rgb(0, 0, 255);
    model.frame = 5;
    in(m).loadModel(model);
    in(m).setSystemColors(SystemColors::classic()); // button shadow grey 128
    const QImage image = rendered(m, 80, 30);
    const QRgb black = qRgb(0, 0, 0), shadow = qRgb(128, 128, 128), bg = qRgb(0, 0, 255);
    QCOMPARE(image.pixel(0, 15), black);
    QCOMPARE(image.pixel(40, 0), black);
    QCOMPARE(image.pixel(76, 15), black);
    QCOMPARE(image.pixel(40, 26), black);
    for (int x = 77; x < 80; ++x)
        QCOMPARE(image.pixel(x, 15), shadow);
    for (int y = 27; y < 30; ++y)
        QCOMPARE(image.pixel(40, y), shadow);
    QCOMPARE(image.pixel(78, 1), bg);
    QCOMPARE(image.pixel(1, 28), bg);
    QCOMPARE(image.pixel(40, 15), bg);
}

// A standalone widget's system colours are its palette's, also after the palette changes;
// colours given by a container win over it.
void TestWidgetSurface::systemColoursFollowThePalette() {
    ZqMarquee m;
    MarqueeModel model;
    model.text.clear();
    model.backColor = systemColor(kColorBtnFace);
    model.frame = 0;
    in(m).loadModel(model);
    QPalette palette = m.palette();
    palette.setColor(QPalette::Window, QColor(20, 40, 60));
    m.setPalette(palette);
    QCOMPARE(rendered(m, 40, 20).pixel(20, 10), qRgb(20, 40, 60));
    SystemColors given = SystemColors::classic();
    given.colors[kColorBtnFace] = rgb(7, 8, 9);
    in(m).setSystemColors(given);
    palette.setColor(QPalette::Window, QColor(90, 90, 90));
    m.setPalette(palette);
    QCOMPARE(rendered(m, 40, 20).pixel(20, 10), qRgb(7, 8, 9));
    in(m).setSystemColors(std::nullopt);
    QCOMPARE(rendered(m, 40, 20).pixel(20, 10), qRgb(90, 90, 90));
}

void TestWidgetSurface::justifiedPlacement_data() {
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("justification");
    QTest::addColumn<int>("frame");
    QTest::addColumn<QPoint>("topLeft");
    // Control 200 x 60, content one 19 x 10 picture, scroll position 30.
    QTest::newRow("h 0") << 0 << 0 << 2 << QPoint(30, 0);
    QTest::newRow("h 1 heavy") << 0 << 1 << 2 << QPoint(30, 56 / 2 - 5);
    QTest::newRow("h 1 none") << 1 << 1 << 0 << QPoint(30, 60 / 2 - 5);
    QTest::newRow("h 2 heavy") << 0 << 2 << 2 << QPoint(30, 58 - 10);
    QTest::newRow("h 2 shadow") << 0 << 2 << 5 << QPoint(30, 56 - 10);
    QTest::newRow("h 7 as 0") << 0 << 7 << 0 << QPoint(30, 0);
    QTest::newRow("v 0") << 2 << 0 << 0 << QPoint(0, 30);
    QTest::newRow("v 1 heavy") << 3 << 1 << 2 << QPoint(196 / 2 - 19 / 2, 30);
    QTest::newRow("v 2 light") << 2 << 2 << 1 << QPoint(199 - 19, 30);
}

void TestWidgetSurface::justifiedPlacement() {
    QFETCH(int, direction);
    QFETCH(int, justification);
    QFETCH(int, frame);
    QFETCH(QPoint, topLeft);
    ZqMarquee m;
    MarqueeModel model;
    model.text = "<IMG 1>";
    model.picture[0] = redBlock();
    model.backColor = rgb(0, 0, 255);
    model.direction = direction;
    model.justification = justification;
    model.frame = frame;
    in(m).loadModel(model);
    in(m).setScrollPosition(30);
    const QImage image = rendered(m, 200, 60);
    const QRect box = boxOf(image, qRgb(255, 0, 0));
    // The frame is drawn over the content: compare the part that is not under a ring.
    QCOMPARE(box.right(), topLeft.x() + 19 - 1);
    QCOMPARE(box.bottom() >= topLeft.y() + 10 - 3, true);
    if (topLeft.x() >= 3)
        QCOMPARE(box.left(), topLeft.x());
    if (topLeft.y() >= 3)
        QCOMPARE(box.top(), topLeft.y());
    QCOMPARE(box.height() <= 10, true);
}

void TestWidgetSurface::whiteLeftOutOfBitmap() {
    // Left half pure white, right half near-white (254), a black dot in the middle.
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < 10; ++y)
        for (int x = 10; x < 20; ++x)
            image.setPixel(x, y, qRgb(254, 255, 255));
    image.setPixel(5, 5, qRgb(0, 0, 0));
    ZqMarquee m;
    MarqueeModel model;
    model.text = "<IMG 1>";
    model.picture[0] = bmpPicture(image);
    model.backColor = rgb(0, 0, 255);
    model.frame = 0;
    model.justification = 0;
    in(m).loadModel(model);
    const QImage out = rendered(m, 60, 20);
    QCOMPARE(out.pixel(2, 2), qRgb(0, 0, 255));      // white left out
    QCOMPARE(out.pixel(5, 5), qRgb(0, 0, 0));        // kept
    QCOMPARE(out.pixel(12, 2), qRgb(254, 255, 255)); // not pure white: kept
    QCOMPARE(out.pixel(19, 2), qRgb(0, 0, 255));     // beyond the 19-pixel slot
}

void TestWidgetSurface::doubleBufferMatchesDirect() {
    MarqueeModel model;
    model.text = "<H 1>Big<H 0> small <COLOR R200>red<IMG 1> two\r\nlines";
    model.picture[0] = redBlock();
    model.backColor = rgb(250, 240, 200);
    for (int frame = 0; frame <= 5; ++frame) {
        model.frame = frame;
        QImage a(300, 110, QImage::Format_RGB32), b(300, 110, QImage::Format_RGB32);
        a.fill(Qt::green);
        b.fill(Qt::green);
        MarqueeEngine buffered, direct;
        buffered.setScrollPosition(7);
        direct.setScrollPosition(7);
        const Rect bounds{10, 5, 290, 105};
        {
            QPainter p(&a);
            QtSurface s(&p);
            buffered.paint(s, model, bounds, bounds);
        }
        {
            QPainter p(&b);
            QtSurface s(&p);
            direct.paint(s, model, bounds, bounds); // lays the content out
            b.fill(Qt::green);
            // Now the work surface is refused: the inner draw runs on the target.
            s.setPixelLimit(qint64(direct.contentSize().cx) * direct.contentSize().cy);
            QVERIFY(qint64(direct.contentSize().cx) * direct.contentSize().cy < 290 * 110);
            direct.paint(s, model, bounds, bounds);
        }
        QCOMPARE(a, b);
        QVERIFY(a.pixel(0, 0) == qRgb(0, 255, 0)); // nothing outside the bounds
    }
}

void TestWidgetSurface::textMetrics() {
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter p(&image);
    QtSurface s(&p);
    FontDesc f = FontDesc::defaultHeading();
    QVERIFY(s.selectFont(f));
    const QFontMetrics fm(qtFontOf(f));
    QCOMPARE(s.textHeight("line1\r\nline2"), 2 * fm.height());
    QCOMPARE(s.textHeight("a\rb\nc"), 3 * fm.height());
    QCOMPARE(s.textWidth("line1\r\nline2"), fm.horizontalAdvance(QStringLiteral("line1line2")));
    QVERIFY(s.textWidth("line1\r\nline2") > s.textWidth("line1"));
    f.faceName.clear();
    QVERIFY(!s.selectFont(f));
    QCOMPARE(qtFontOf(FontDesc::defaultHeading()).pixelSize(), 16); // 12 pt at 96 per inch
}

void TestWidgetSurface::colouredText() {
    ZqMarquee m;
    MarqueeModel model;
    model.text = "<COLOR R255>MMMM<COLOR G255>MMMM";
    model.backColor = rgb(255, 255, 255);
    model.frame = 0;
    model.justification = 0;
    in(m).loadModel(model);
    const QImage image = rendered(m, 200, 40);
    auto count = [&](auto pred) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += pred(QColor(image.pixel(x, y)));
        return n;
    };
    QVERIFY(count([](QColor c) { return c == QColor(255, 0, 0); }) > 10);
    QVERIFY(count([](QColor c) { return c == QColor(0, 255, 0); }) > 10);
    QCOMPARE(count([](QColor c) { return c.blue() < 200 && c.red() < 200 && c.green() < 200; }), 0);
}

void TestWidgetSurface::sharpAtHighDensity() {
    MarqueeModel model;
    model.text = "<H 1>Sharp<H 0> text";
    QImage one(100, 40, QImage::Format_RGB32), two(200, 80, QImage::Format_RGB32);
    two.setDevicePixelRatio(2.0);
    MarqueeEngine e1, e2;
    {
        QPainter p(&one);
        QtSurface s(&p, 1.0);
        e1.paint(s, model, {0, 0, 100, 40}, {0, 0, 100, 40});
    }
    {
        QPainter p(&two);
        QtSurface s(&p, 2.0);
        e2.paint(s, model, {0, 0, 100, 40}, {0, 0, 100, 40});
    }
    QCOMPARE(e2.contentSize(), e1.contentSize()); // layout stays in logical pixels
    const auto* content = static_cast<const QtSurface*>(e2.contentSurface());
    QCOMPARE(content->image()->width(), 2 * e1.contentSize().cx);
    // The frame's 1-pixel ring is 2 device pixels wide.
    QCOMPARE(two.pixel(0, 40), qRgb(122, 122, 122));
    QCOMPARE(two.pixel(1, 40), qRgb(122, 122, 122));
    QCOMPARE(two.pixel(2, 40), qRgb(0, 0, 0));
}

// Content past the content image's bound is not drawn, and the control says so instead of
// showing an empty box.
void TestWidgetSurface::hugeContentSaysSo() {
    MarqueeModel model;
    model.text = std::string(20000, 'W');
    model.font = FontDesc::defaultHeading();
    model.font->size = 720000; // 72 pt: far beyond the pixel limit
    model.foreColor = rgb(0, 0, 0);
    model.frame = 0;
    QImage image(400, 40, QImage::Format_RGB32);
    MarqueeEngine e;
    QPainter p(&image);
    QtSurface s(&p);
    s.setPixelLimit(1'000'000);
    e.paint(s, model, {0, 0, 400, 40}, {0, 0, 400, 40});
    p.end();
    QVERIFY(!e.contentSurface());
    QVERIFY(e.contentTooLarge());
    QVERIFY(QString::fromStdString(e.tooLargeNotice()).startsWith(QStringLiteral("Too large")));
    QVERIFY(boxOf(image, qRgb(0, 0, 0)).isValid()); // the notice, in the text colour
    QCOMPARE(image.pixel(399, 39), qRgb(255, 255, 255));

    // The widget tells the same before it paints, at the bound's edge: a content image of
    // exactly MaxContentPixels is drawn, one more row is not.
    ZqMarquee m;
    MarqueeModel tall;
    PictureData slot;
    slot.bytes = {1};
    slot.format = PictureFormat::Metafile; // takes its slot, draws nothing
    const auto slotOf = [](int pixels) { return pixels * 53 / 2 + 1; }; // HIMETRIC / 26.5
    slot.widthHimetric = slotOf(1024);
    slot.heightHimetric = slotOf(8192);
    tall.picture[0] = slot;
    tall.text = "<IMG 1>";
    in(m).loadModel(tall);
    QCOMPARE(in(m).measuredContentSize(), (Size{1024, 8192}));
    QCOMPARE(qint64(1024) * 8192, ZqMarquee::MaxContentPixels);
    QVERIFY(!m.contentTooLarge());
    slot.heightHimetric = slotOf(8193);
    tall.picture[0] = slot;
    in(m).loadModel(tall);
    QVERIFY(m.contentTooLarge());
    QVERIFY(m.property("contentTooLarge").toBool());
}

// A picture is decoded when its bytes arrive; drawing and every re-layout use that image.
void TestWidgetSurface::pictureIsDecodedOnce() {
    PictureData picture = redBlock();
    QVERIFY(picture.decoded);
    const PictureData copy = picture;
    QCOMPARE(copy.decoded, picture.decoded); // shared, not decoded again
    QCOMPARE(copy, picture);
    // Spoil the bytes: what is drawn still comes from the image decoded with them.
    std::fill(picture.bytes.begin(), picture.bytes.end(), std::uint8_t(0));
    QVERIFY(decodePicture(picture).isNull());
    ZqMarquee m;
    MarqueeModel model;
    model.text = "<IMG 1>";
    model.picture[0] = picture;
    model.frame = 0;
    model.justification = 0;
    in(m).loadModel(model);
    QCOMPARE(boxOf(rendered(m, 60, 20), qRgb(255, 0, 0)), QRect(0, 0, 19, 10));
    in(m).loadModel(model); // a re-layout
    QCOMPARE(boxOf(rendered(m, 60, 20), qRgb(255, 0, 0)), QRect(0, 0, 19, 10));
}

void TestWidgetSurface::translatedPainter() {
    // A container may paint the control through a translated painter: the visible-part copy
    // must follow the translation.
    ZqMarquee m;
    MarqueeModel model;
    model.text = "<IMG 1>";
    model.picture[0] = redBlock();
    model.backColor = rgb(0, 0, 255);
    model.frame = 0;
    model.justification = 0;
    in(m).loadModel(model);
    in(m).setScrollPosition(20);
    QImage image(300, 100, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.translate(150, 50);
    in(m).render(&p, QRect(-100, 0, 80, 30)); // logical left edge off the image, device on it
    p.end();
    QCOMPARE(boxOf(image, qRgb(255, 0, 0)), QRect(50 + 20, 50, 19, 10));
}

void TestWidgetSurface::iconScaledIntoSlot() {
    // Not a bitmap: drawn scaled into its slot, white kept.
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::white);
    for (int y = 8; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            icon.setPixel(x, y, qRgb(0, 128, 0));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(icon.save(&buffer, "ICO"));
    PictureData picture = pictureFromBytes(bytes);
    QCOMPARE(picture.format, PictureFormat::Icon);
    QVERIFY(!picture.isBitmap());
    picture.widthHimetric = 2 * picture.widthHimetric; // a slot wider than the image
    ZqMarquee m;
    MarqueeModel model;
    model.text = "<IMG 1>";
    model.picture[0] = picture;
    model.backColor = rgb(0, 0, 255);
    model.frame = 0;
    model.justification = 0;
    in(m).loadModel(model);
    const QImage out = rendered(m, 60, 30);
    const Size slot = pictureSlotSize(picture);
    QCOMPARE(slot, (Size{31, 15}));
    QCOMPARE(out.pixel(25, 2), qRgb(255, 255, 255)); // white kept, stretched across
    QCOMPARE(out.pixel(25, 12), qRgb(0, 128, 0));
    QCOMPARE(out.pixel(35, 2), qRgb(0, 0, 255));
}

QTEST_MAIN(TestWidgetSurface)
#include "test_widget_surface.moc"
