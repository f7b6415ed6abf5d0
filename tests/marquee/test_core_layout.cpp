#include "layout.h"
#include "test_core_grid_surface.h"

#include <QtTest>

using namespace zqmarq;
using zqmarq::testing::GridSurface;

namespace {

MarqueeModel modelWith(const std::string& text, std::int32_t direction = 0,
                       std::int32_t justification = 0) {
    MarqueeModel m;
    m.text = text;
    m.direction = direction;
    m.justification = justification;
    m.font = FontDesc::defaultHeading(); // 12 pt: 6 px per character, 16 px per line
    return m;
}

PictureData pictureOf(std::int32_t wHimetric, std::int32_t hHimetric) {
    PictureData p;
    p.bytes = {1, 2, 3};
    p.format = PictureFormat::Bitmap;
    p.widthHimetric = wHimetric;
    p.heightHimetric = hHimetric;
    return p;
}

FontDesc fontOfPoints(int points) {
    FontDesc f;
    f.size = points * 10000LL;
    return f;
}

} // namespace

class TestCoreLayout : public QObject {
    Q_OBJECT
  private slots:
    void horizontalRuns();
    void verticalRuns();
    void textJustification_data();
    void textJustification();
    void pictureSlotTruncates_data();
    void pictureSlotTruncates();
    void emptyPictureTakesNoSpace();
    void picturePlacement();
    void headingAndBackToBaseFont();
    void fontWithoutHandleKeepsCurrent();
    void colourAppliesToFollowingRuns();
    void twoLineRun();
    void measureWithoutDrawing();
    void enormousContentStaysInRange();
};

void TestCoreLayout::horizontalRuns() {
    GridSurface s(100, 100);
    s.selectFont(FontDesc::defaultHeading());
    const auto m = modelWith("ab<H 1>cde");
    const Size size = layoutPass(s, m, *m.font, {5, 7, 200, 50});
    QCOMPARE(size, (Size{5 * 6, 16}));
    QCOMPARE(s.texts.size(), std::size_t(2));
    QCOMPARE(s.texts[0].rect, (Rect{5, 7, 200, 50}));
    QCOMPARE(s.texts[1].rect, (Rect{5 + 12, 7, 200, 50}));
}

void TestCoreLayout::verticalRuns() {
    for (std::int32_t direction : {2, 3}) {
        GridSurface s(100, 100);
        auto m = modelWith("abc<H 2>de", direction);
        m.heading[1] = fontOfPoints(24); // 12 px per character, 32 px per line
        s.selectFont(*m.font);
        const Size size = layoutPass(s, m, *m.font, {0, 0, 300, 400});
        QCOMPARE(size, (Size{24, 16 + 32}));
        QCOMPARE(s.texts.size(), std::size_t(2));
        QCOMPARE(s.texts[0].rect, (Rect{0, 0, 300, 400}));
        QCOMPARE(s.texts[1].rect, (Rect{0, 16, 300, 400}));
    }
}

void TestCoreLayout::textJustification_data() {
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("justification");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    // Reference 100 x 41; the run "abc" is 18 x 16.
    QTest::newRow("horizontal 0") << 0 << 0 << 0 << 0;
    QTest::newRow("horizontal 1") << 0 << 1 << 0 << (41 - 16) / 2;
    QTest::newRow("horizontal 2") << 0 << 2 << 0 << 41 - 16;
    QTest::newRow("horizontal 7 as 0") << 0 << 7 << 0 << 0;
    QTest::newRow("horizontal -1 as 0") << 1 << -1 << 0 << 0;
    QTest::newRow("vertical 1") << 2 << 1 << (100 - 18) / 2 << 0;
    QTest::newRow("vertical 2") << 3 << 2 << 100 - 18 << 0;
    QTest::newRow("vertical 7 as 0") << 3 << 7 << 0 << 0;
    QTest::newRow("direction 9 is horizontal") << 9 << 2 << 0 << 41 - 16;
}

void TestCoreLayout::textJustification() {
    QFETCH(int, direction);
    QFETCH(int, justification);
    QFETCH(int, left);
    QFETCH(int, top);
    GridSurface s(10, 10);
    const auto m = modelWith("abc", direction, justification);
    s.selectFont(*m.font);
    layoutPass(s, m, *m.font, {0, 0, 100, 41});
    QCOMPARE(s.texts.size(), std::size_t(1));
    QCOMPARE(s.texts[0].rect.left, left);
    QCOMPARE(s.texts[0].rect.top, top);
}

void TestCoreLayout::pictureSlotTruncates_data() {
    QTest::addColumn<int>("himetric");
    QTest::addColumn<int>("pixels");
    QTest::newRow("2646 gives 99") << 2646 << 99;
    QTest::newRow("2650 gives 100") << 2650 << 100;
    QTest::newRow("26 gives 0") << 26 << 0;
    QTest::newRow("53 gives 2") << 53 << 2;
}

void TestCoreLayout::pictureSlotTruncates() {
    QFETCH(int, himetric);
    QFETCH(int, pixels);
    QCOMPARE(pictureSlotSize(pictureOf(himetric, himetric)), (Size{pixels, pixels}));
}

void TestCoreLayout::emptyPictureTakesNoSpace() {
    GridSurface s(10, 10);
    auto m = modelWith("a<IMG 3>b<IMG 4>c");
    m.picture[3] = PictureData{}; // an empty picture object
    s.selectFont(*m.font);
    const Size size = layoutPass(s, m, *m.font, {0, 0, 100, 100});
    QCOMPARE(size, (Size{18, 16}));
    QVERIFY(s.pictures.empty());
    QCOMPARE(s.texts.size(), std::size_t(3));
    QCOMPARE(s.texts[2].rect.left, 12);
}

void TestCoreLayout::picturePlacement() {
    // Horizontal, centred: the picture rectangle ignores the reference's left and top.
    GridSurface s(10, 10);
    auto m = modelWith("ab<IMG 2>c", 0, 1);
    m.picture[1] = pictureOf(2646, 1060); // 99 x 40
    s.selectFont(*m.font);
    Size size = layoutPass(s, m, *m.font, {3, 4, 200, 104});
    QCOMPARE(size, (Size{12 + 99 + 6, 40}));
    QCOMPARE(s.pictures.size(), std::size_t(1));
    QCOMPARE(s.pictures[0].dest, (Rect{12, 30, 111, 70}));
    QCOMPARE(s.pictures[0].bounds, (Rect{3, 4, 200, 104}));
    QCOMPARE(s.texts[1].rect.left, 3 + 111);

    // Vertical, flush right.
    GridSurface v(10, 10);
    m.direction = 3;
    m.justification = 2;
    v.selectFont(*m.font);
    size = layoutPass(v, m, *m.font, {0, 0, 150, 300});
    QCOMPARE(size, (Size{99, 16 + 40 + 16}));
    QCOMPARE(v.pictures[0].dest, (Rect{150 - 99, 16, 150, 56}));
    QCOMPARE(v.texts[1].rect.top, 56);
}

void TestCoreLayout::headingAndBackToBaseFont() {
    GridSurface s(10, 10);
    auto m = modelWith("a<H 1>b<H 5>c<H 0>d");
    m.font = fontOfPoints(10);
    m.heading[0] = fontOfPoints(20);
    m.heading[4] = fontOfPoints(30);
    s.selectFont(*m.font);
    layoutPass(s, m, *m.font, {0, 0, 100, 100});
    QCOMPARE(s.texts.size(), std::size_t(4));
    QCOMPARE(s.texts[0].font.size, 100000LL);
    QCOMPARE(s.texts[1].font.size, 200000LL);
    QCOMPARE(s.texts[2].font.size, 300000LL);
    QCOMPARE(s.texts[3].font.size, 100000LL);
}

void TestCoreLayout::fontWithoutHandleKeepsCurrent() {
    GridSurface s(10, 10);
    auto m = modelWith("<H 1>a<H 2>b");
    m.heading[0] = fontOfPoints(20);
    m.heading[1].faceName.clear(); // the grid makes no font from it
    s.selectFont(*m.font);
    layoutPass(s, m, *m.font, {0, 0, 100, 100});
    QCOMPARE(s.texts[1].font.size, 200000LL);
}

void TestCoreLayout::colourAppliesToFollowingRuns() {
    GridSurface s(10, 10);
    s.setTextColor(rgb(1, 1, 1));
    const auto m = modelWith("a<COLOR R255>b<H 1>c<COLOR G300>d");
    s.selectFont(*m.font);
    layoutPass(s, m, *m.font, {0, 0, 100, 100});
    QCOMPARE(s.texts.size(), std::size_t(4));
    QCOMPARE(s.texts[0].color, rgb(1, 1, 1));
    QCOMPARE(s.texts[1].color, rgb(255, 0, 0));
    QCOMPARE(s.texts[2].color, rgb(255, 0, 0)); // a font change keeps the colour
    QCOMPARE(s.texts[3].color, rgb(0, 44, 0));
}

void TestCoreLayout::twoLineRun() {
    GridSurface s(10, 10);
    const auto m = modelWith("line1\r\nline2", 0, 0);
    s.selectFont(*m.font);
    const Size size = layoutPass(s, m, *m.font, {0, 0, 100, 100});
    QCOMPARE(size.cy, 2 * 16);
    QCOMPARE(size.cx, s.textWidth("line1\r\nline2"));
    QCOMPARE(s.texts.size(), std::size_t(1));
}

void TestCoreLayout::measureWithoutDrawing() {
    GridSurface s(10, 10);
    auto m = modelWith("a<IMG 1>b");
    m.picture[0] = pictureOf(530, 530);
    s.selectFont(*m.font);
    const Size size = layoutPass(s, m, *m.font, {0, 0, 100, 100}, false);
    QCOMPARE(size, (Size{12 + 20, 20}));
    QVERIFY(s.texts.empty());
    QVERIFY(s.pictures.empty());
}

void TestCoreLayout::enormousContentStaysInRange() {
    // 40 pictures of the largest extent: the pen passes the int range; sizes and rectangles
    // stop at its end instead of wrapping round.
    GridSurface s(10, 10);
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "<IMG 1>";
    auto m = modelWith(text, 0, 2);
    m.picture[0] = pictureOf(std::numeric_limits<std::int32_t>::max(), 2650);
    s.selectFont(*m.font);
    const Size size = layoutPass(s, m, *m.font, {0, 0, 100, 100});
    QCOMPARE(size.cx, std::numeric_limits<int>::max());
    QCOMPARE(s.pictures.size(), std::size_t(40));
    for (const auto& call : s.pictures)
        QVERIFY(call.dest.right >= call.dest.left);
    QCOMPARE(s.pictures.back().dest.left, std::numeric_limits<int>::max());
}

QTEST_GUILESS_MAIN(TestCoreLayout)
#include "test_core_layout.moc"
