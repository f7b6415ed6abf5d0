#include "frame.h"
#include "marquee_engine.h"
#include "printing.h"
#include "test_core_grid_surface.h"

#include <QtTest>

using namespace zqmarq;
using zqmarq::testing::GridSurface;

namespace {

constexpr OleColor kBlack = rgb(0, 0, 0);
constexpr OleColor kWhite = rgb(255, 255, 255);
constexpr OleColor grey(int v) {
    return rgb(v, v, v);
}

// Engine whose content is w x 13 pixels (a text of w / 5 characters in a 10-point font).
MarqueeEngine engineWithContent(MarqueeModel& m, int w) {
    m.text = std::string(std::size_t(w / 5), 'x');
    m.font = FontDesc::defaultHeading();
    m.font->size = 100000;
    MarqueeEngine e;
    GridSurface target(400, 100);
    e.paint(target, m, {0, 0, 100, 40}, {0, 0, 100, 40});
    return e;
}

} // namespace

class TestCoreEngine : public QObject {
    Q_OBJECT
  private slots:
    void firstWrapRightToLeft();
    void wrapPerDirection_data();
    void wrapPerDirection();
    void tickerStillContentAndHome();
    void freezeStopsEverything();
    void nextDisplayStringSwap();
    void negativeAndZeroIncrement();
    void passes();
    void emptyTextKeepsContent();
    void zeroSizedContentShowsBackgroundOnly();
    void frameRings_data();
    void frameRings();
    void frameIndentOnTwoColourDevice();
    void frameInsets();
    void placement_data();
    void placement();
    void doubleBufferMatchesDirect();
    void emptyInvalidDrawsNothing();
    void printingMapping();
    void systemColours();
};

void TestCoreEngine::firstWrapRightToLeft() {
    MarqueeModel m;
    MarqueeEngine e = engineWithContent(m, 200);
    QCOMPARE(e.contentSize().cx, 200);
    int finished = 0;
    for (int tick = 1; tick <= 200; ++tick) {
        const TickResult r = e.tick(m, 100, 40);
        QVERIFY(!r.wrapped);
        finished += r.finishedDisplay;
    }
    QCOMPARE(e.scrollPosition(), -200);
    const TickResult r = e.tick(m, 100, 40); // takes the position below -200
    QVERIFY(r.wrapped);
    QVERIFY(r.finishedDisplay);
    QVERIFY(r.repaint);
    QCOMPARE(e.scrollPosition(), 100);
    QCOMPARE(finished, 0);
}

void TestCoreEngine::wrapPerDirection_data() {
    QTest::addColumn<int>("direction");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("afterOneTick");
    QTest::addColumn<bool>("wraps");
    QTest::addColumn<int>("wrappedTo");
    QTest::addColumn<int>("trailing"); // pixels travelled past the content before the wrap
    // Control 100 x 40, content 60 x 13, increment 3.
    QTest::newRow("0 moves left") << 0 << 10 << 7 << false << 0 << 0;
    QTest::newRow("0 wraps to cx") << 0 << -58 << 0 << true << 100 << 0;
    QTest::newRow("0 at exactly -W no wrap") << 0 << -57 << -60 << false << 0 << 0;
    QTest::newRow("1 moves right") << 1 << 10 << 13 << false << 0 << 0;
    QTest::newRow("1 wraps to -W") << 1 << 98 << 0 << true << -60 << 0;
    QTest::newRow("1 at exactly cx no wrap") << 1 << 97 << 100 << false << 0 << 0;
    QTest::newRow("2 moves down") << 2 << 0 << 3 << false << 0 << 0;
    QTest::newRow("2 wraps to -H") << 2 << 38 << 0 << true << -13 << 0;
    QTest::newRow("3 moves up") << 3 << 0 << -3 << false << 0 << 0;
    QTest::newRow("3 wraps to cy") << 3 << -14 << 0 << true << 40 << 0;
    QTest::newRow("other direction stands") << 4 << 5 << 5 << false << 0 << 0;
    QTest::newRow("negative direction stands") << -1 << 5 << 5 << false << 0 << 0;
    QTest::newRow("0 at -W - trailing no wrap") << 0 << -62 << -65 << false << 0 << 5;
    QTest::newRow("0 past -W - trailing wraps") << 0 << -63 << 0 << true << 100 << 5;
    QTest::newRow("1 at cx + trailing no wrap") << 1 << 102 << 105 << false << 0 << 5;
    QTest::newRow("1 past cx + trailing wraps") << 1 << 103 << 0 << true << -60 << 5;
    QTest::newRow("3 past -H - trailing wraps") << 3 << -16 << 0 << true << 40 << 5;
}

void TestCoreEngine::wrapPerDirection() {
    QFETCH(int, direction);
    QFETCH(int, start);
    QFETCH(int, afterOneTick);
    QFETCH(bool, wraps);
    QFETCH(int, wrappedTo);
    QFETCH(int, trailing);
    MarqueeModel m;
    MarqueeEngine e = engineWithContent(m, 60);
    m.ticker.trailingBuffer = trailing;
    m.direction = direction;
    m.tickIncrement = 3;
    e.setScrollPosition(start);
    const TickResult r = e.tick(m, 100, 40);
    QCOMPARE(r.wrapped, wraps);
    QCOMPARE(r.finishedDisplay, wraps);
    QVERIFY(r.repaint);
    QCOMPARE(e.scrollPosition(), wraps ? wrappedTo : afterOneTick);
}

// Content that fits stands still where alignment puts it; a pause stops it on its home.
void TestCoreEngine::tickerStillContentAndHome() {
    MarqueeModel m;
    MarqueeEngine e = engineWithContent(m, 60); // 60 x 13 in 100 x 40, heavy indent: 96 inside
    m.ticker.scrollOnlyWhenNeeded = true;
    QVERIFY(!e.scrolls(m, {0, 0, 100, 40}));
    QVERIFY(e.tick(m, 100, 40).ignored);
    QVERIFY(e.scrolls(m, {0, 0, 63, 40})); // 59 inside: one pixel short
    QCOMPARE(e.tick(m, 63, 40).repaint, true);
    const Rect inner{2, 2, 98, 38};
    m.ticker.alignment = 0x2; // right
    QCOMPARE(stillOffset(m, inner, {60, 13}), 38);
    m.ticker.alignment = 0x4; // centre
    QCOMPARE(stillOffset(m, inner, {60, 13}), 20);
    m.ticker.alignment = 0x1;
    QCOMPARE(stillOffset(m, inner, {60, 13}), 2);
    m.direction = 2;
    m.ticker.alignment = 0x40; // bottom
    QCOMPARE(stillOffset(m, inner, {60, 13}), 25);

    MarqueeModel p;
    MarqueeEngine f = engineWithContent(p, 60);
    p.ticker.leadingBuffer = 7;
    p.ticker.pauseAtEnds = 500;
    p.tickIncrement = 4;
    QCOMPARE(homePosition(p), 7);
    f.setScrollPosition(10);
    TickResult r = f.tick(p, 100, 40);
    QVERIFY(r.arrivedHome);
    QCOMPARE(f.scrollPosition(), 7); // not 6: stopped on home
    r = f.tick(p, 100, 40);
    QVERIFY(!r.arrivedHome);
    QCOMPARE(f.scrollPosition(), 3);
    p.ticker.pauseAtEnds = 0;
    f.setScrollPosition(10);
    QCOMPARE(f.tick(p, 100, 40).arrivedHome, false);
    QCOMPARE(f.scrollPosition(), 6);
    // A step of its own replaces the increment.
    QCOMPARE((f.tick(p, 100, 40, 10), f.scrollPosition()), -4);
    QCOMPARE(f.passLength(p, 100, 40), 160LL);
}

void TestCoreEngine::freezeStopsEverything() {
    MarqueeModel m;
    MarqueeEngine e = engineWithContent(m, 12);
    e.setScrollPosition(-12);
    m.freezeMarquee = true;
    for (int i = 0; i < 50; ++i) {
        const TickResult r = e.tick(m, 100, 40);
        QVERIFY(r.ignored);
        QVERIFY(!r.repaint);
        QVERIFY(!r.finishedDisplay);
    }
    QCOMPARE(e.scrollPosition(), -12);
    m.freezeMarquee = false;
    const TickResult r = e.tick(m, 100, 40); // resumes where it stood
    QVERIFY(r.finishedDisplay);
    QCOMPARE(e.scrollPosition(), 100);
}

void TestCoreEngine::nextDisplayStringSwap() {
    MarqueeModel m;
    MarqueeEngine e = engineWithContent(m, 12);
    m.nextDisplayString = "second";
    QVERIFY(!e.relayoutPending());
    e.setScrollPosition(-12);
    TickResult r = e.tick(m, 100, 40);
    QVERIFY(r.wrapped);
    QVERIFY(r.textSwapped);
    QVERIFY(!r.finishedDisplay);
    QCOMPARE(m.text, std::string("second"));
    QVERIFY(m.nextDisplayString.empty());
    QVERIFY(e.relayoutPending());
    // The new position comes from the content that just left.
    QCOMPARE(e.scrollPosition(), 100);

    GridSurface target(200, 100);
    e.paint(target, m, {0, 0, 100, 40}, {0, 0, 100, 40});
    QCOMPARE(e.contentSize().cx, 30);
    e.setScrollPosition(-30);
    r = e.tick(m, 100, 40);
    QVERIFY(r.finishedDisplay);
    QVERIFY(!r.textSwapped);
}

void TestCoreEngine::negativeAndZeroIncrement() {
    MarqueeModel m;
    MarqueeEngine e = engineWithContent(m, 12);
    m.tickIncrement = 0;
    e.tick(m, 100, 40);
    QCOMPARE(e.scrollPosition(), 0);
    m.tickIncrement = -5;
    for (int i = 0; i < 100; ++i)
        QVERIFY(!e.tick(m, 100, 40).wrapped);
    QCOMPARE(e.scrollPosition(), 500);
    // Far out, the position stops at the integer range instead of overflowing.
    e.setScrollPosition(std::numeric_limits<int>::max() - 2);
    e.tick(m, 100, 40);
    QCOMPARE(e.scrollPosition(), std::numeric_limits<int>::max());
}

void TestCoreEngine::passes() {
    MarqueeModel m;
    m.text = "ab<COLOR B255>cd";
    m.font = FontDesc::defaultHeading();
    m.foreColor = rgb(1, 2, 3);
    m.backColor = rgb(9, 9, 9);
    MarqueeEngine e;
    QVERIFY(e.relayoutPending());
    GridSurface target(300, 100);
    e.measurePass(target, m, {0, 0, 300, 100});
    QCOMPARE(e.contentSize(), (Size{24, 16}));
    QCOMPARE(target.created.front(), (Size{100, 100}));
    e.renderPass(target, m);
    QVERIFY(!e.relayoutPending());
    QCOMPARE(target.created.back(), (Size{24, 16}));
    const auto* content = static_cast<const GridSurface*>(e.contentSurface());
    QVERIFY(content);
    QCOMPARE(content->at(23, 15), rgb(9, 9, 9));
    QCOMPARE(content->texts.size(), std::size_t(2));
    QCOMPARE(content->texts[0].color, rgb(1, 2, 3));
    QCOMPARE(content->texts[1].color, rgb(0, 0, 255));
    QCOMPARE(content->texts[0].rect, (Rect{0, 0, 24, 16}));

    // A tick paints from the laid-out content: no new layout.
    const std::size_t surfacesBefore = target.created.size();
    e.tick(m, 300, 100);
    e.paint(target, m, {0, 0, 300, 100}, {0, 0, 300, 100});
    QCOMPARE(target.created.size(), surfacesBefore + 1); // the work surface only
}

void TestCoreEngine::emptyTextKeepsContent() {
    MarqueeModel m;
    MarqueeEngine e = engineWithContent(m, 30);
    const Surface* before = e.contentSurface();
    m.text.clear();
    e.requestRelayout();
    GridSurface target(200, 100);
    e.paint(target, m, {0, 0, 100, 40}, {0, 0, 100, 40});
    QVERIFY(!e.relayoutPending());
    QCOMPARE(e.contentSurface(), before);
    QCOMPARE(e.contentSize().cx, 30);

    // A control that never had text shows background and frame only.
    MarqueeEngine fresh;
    GridSurface t2(100, 40);
    fresh.paint(t2, m, {0, 0, 100, 40}, {0, 0, 100, 40});
    QVERIFY(!fresh.contentSurface());
    QCOMPARE(t2.at(50, 20), m.backColor);
}

void TestCoreEngine::zeroSizedContentShowsBackgroundOnly() {
    MarqueeModel m;
    m.text = "<H 1><COLOR R1><IMG 2>";
    m.backColor = rgb(0, 200, 0);
    m.frame = 0;
    MarqueeEngine e;
    GridSurface target(60, 30);
    e.paint(target, m, {0, 0, 60, 30}, {0, 0, 60, 30});
    QCOMPARE(e.contentSize(), (Size{0, 0}));
    QVERIFY(!e.contentSurface());
    for (int x = 0; x < 60; x += 7)
        QCOMPARE(target.at(x, 15), rgb(0, 200, 0));
}

void TestCoreEngine::frameRings_data() {
    QTest::addColumn<int>("style");
    QTest::addColumn<uint>("outerTL");
    QTest::addColumn<uint>("outerBR");
    QTest::addColumn<uint>("innerTL");
    QTest::addColumn<uint>("innerBR");
    const uint bg = rgb(10, 20, 30);
    QTest::newRow("0 none") << 0 << bg << bg << bg << bg;
    QTest::newRow("1 light indent") << 1 << grey(122) << grey(212) << bg << bg;
    QTest::newRow("2 heavy indent") << 2 << grey(122) << kWhite << kBlack << grey(192);
    QTest::newRow("3 indent frame") << 3 << grey(128) << kWhite << kWhite << grey(128);
    QTest::newRow("4 heavy outdent") << 4 << kWhite << grey(122) << grey(192) << kBlack;
    QTest::newRow("6 unknown") << 6 << bg << bg << bg << bg;
}

void TestCoreEngine::frameRings() {
    QFETCH(int, style);
    QFETCH(uint, outerTL);
    QFETCH(uint, outerBR);
    QFETCH(uint, innerTL);
    QFETCH(uint, innerBR);
    const OleColor bg = rgb(10, 20, 30);
    GridSurface s(50, 30, bg);
    drawFrame(s, {0, 0, 50, 30}, style, SystemColors::classic());
    // Outer ring: left, top, right, bottom sides at their middles.
    QCOMPARE(s.at(0, 15), outerTL);
    QCOMPARE(s.at(25, 0), outerTL);
    QCOMPARE(s.at(49, 15), outerBR);
    QCOMPARE(s.at(25, 29), outerBR);
    QCOMPARE(s.at(1, 15), innerTL);
    QCOMPARE(s.at(25, 1), innerTL);
    QCOMPARE(s.at(48, 15), innerBR);
    QCOMPARE(s.at(25, 28), innerBR);
    QCOMPARE(s.at(25, 15), bg);
    if (style != 0 && style != 6) {
        // Corners as the line ends fall: each line starts on its corner and leaves out
        // its end, so top-right belongs to the bottom-right line.
        QCOMPARE(s.at(49, 0), outerBR);
        QCOMPARE(s.at(0, 0), outerTL);
        QCOMPARE(s.at(0, 29), outerTL);
        QCOMPARE(s.at(49, 29), outerBR);
    }
}

void TestCoreEngine::frameIndentOnTwoColourDevice() {
    GridSurface s(20, 20, rgb(1, 1, 1));
    s.colours = 2;
    drawFrame(s, {0, 0, 20, 20}, 3, SystemColors::classic());
    QCOMPARE(s.at(0, 10), kBlack);
    QCOMPARE(s.at(19, 10), kBlack);
    QCOMPARE(s.at(1, 10), kBlack);
    QCOMPARE(s.at(18, 10), kBlack);
}

void TestCoreEngine::frameInsets() {
    QCOMPARE(frameInset(0), (Insets{0, 0, 0, 0}));
    QCOMPARE(frameInset(1), (Insets{1, 1, 1, 1}));
    QCOMPARE(frameInset(2), (Insets{2, 2, 2, 2}));
    QCOMPARE(frameInset(3), (Insets{1, 1, 1, 1}));
    QCOMPARE(frameInset(4), (Insets{2, 2, 2, 2}));
    QCOMPARE(frameInset(5), (Insets{0, 0, 4, 4}));
    QCOMPARE(frameInset(-3), (Insets{0, 0, 0, 0}));

    // Shadow: black outline through (0, 0) and (R - 4, B - 4), 4-pixel shadow beyond it.
    const OleColor bg = rgb(10, 20, 30);
    GridSurface s(40, 30, bg);
    drawFrame(s, {0, 0, 40, 30}, 5, SystemColors::classic());
    const OleColor shadow = grey(128);
    QCOMPARE(s.at(0, 10), kBlack);
    QCOMPARE(s.at(20, 0), kBlack);
    QCOMPARE(s.at(36, 10), kBlack);
    QCOMPARE(s.at(20, 26), kBlack);
    QCOMPARE(s.at(37, 10), shadow);
    QCOMPARE(s.at(39, 10), shadow);
    QCOMPARE(s.at(20, 27), shadow);
    QCOMPARE(s.at(20, 29), shadow);
    QCOMPARE(s.at(39, 2), bg); // the shadow starts 4 below the top
    QCOMPARE(s.at(2, 29), bg); // and 4 right of the left
    QCOMPARE(s.at(20, 10), bg);
}

void TestCoreEngine::placement_data() {
    QTest::addColumn<int>("justification");
    QTest::addColumn<int>("frame");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    // Inner rectangle of a 101 x 41 control; content 24 x 16.
    QTest::newRow("0") << 0 << 2 << 0 << 0;
    QTest::newRow("1 heavy indent") << 1 << 2 << 97 / 2 - 12 << 37 / 2 - 8;
    QTest::newRow("1 no frame") << 1 << 0 << 101 / 2 - 12 << 41 / 2 - 8;
    QTest::newRow("2 heavy indent") << 2 << 2 << 99 - 24 << 39 - 16;
    QTest::newRow("2 shadow") << 2 << 5 << 97 - 24 << 37 - 16;
    QTest::newRow("7 as 0") << 7 << 2 << 0 << 0;
}

void TestCoreEngine::placement() {
    QFETCH(int, justification);
    QFETCH(int, frame);
    QFETCH(int, x);
    QFETCH(int, y);
    const Rect b{0, 0, 101, 41};
    QCOMPARE(placementOffset(justification, frameInner(b, frame), {24, 16}), (Point{x, y}));

    // Painted: the scroll position replaces x; content pixels land at (pos, y).
    MarqueeModel m;
    m.text = "abcd";
    m.font = FontDesc::defaultHeading();
    m.justification = justification;
    m.frame = frame;
    m.backColor = rgb(200, 200, 200);
    m.direction = 0;
    MarqueeEngine e;
    e.setScrollPosition(30);
    GridSurface target(101, 41);
    e.paint(target, m, b, b);
    const auto* content = static_cast<const GridSurface*>(e.contentSurface());
    QVERIFY(content);
    // Mark the content so its copy is visible, then paint again.
    const_cast<GridSurface*>(content)->fillRect({0, 0, 24, 16}, rgb(7, 7, 7));
    e.paint(target, m, b, b);
    QCOMPARE(target.at(30 + 5, y + 5), rgb(7, 7, 7));
    QCOMPARE(target.at(29, y + 5), rgb(200, 200, 200));
    QCOMPARE(target.at(30 + 24, y + 5), rgb(200, 200, 200));
    if (y > 3)
        QCOMPARE(target.at(35, y - 1), rgb(200, 200, 200));

    // Vertical: the scroll position replaces y, x keeps the placement.
    m.direction = 2;
    e.setScrollPosition(12);
    e.paint(target, m, b, b);
    const int vx = placementOffset(justification, frameInner(b, frame), {24, 16}).x;
    QCOMPARE(target.at(vx + 3, 12 + 3), rgb(7, 7, 7));
    QCOMPARE(target.at(vx + 3, 11), rgb(200, 200, 200));
}

void TestCoreEngine::doubleBufferMatchesDirect() {
    for (int frame = 0; frame <= 5; ++frame) {
        MarqueeModel m;
        m.text = "Hello<COLOR R255> world";
        m.font = FontDesc::defaultHeading();
        m.frame = frame;
        m.backColor = rgb(40, 50, 60);
        MarqueeEngine buffered, direct;
        buffered.setScrollPosition(17);
        direct.setScrollPosition(17);
        GridSurface a(120, 50), b(120, 50);
        b.failCreate = false;
        buffered.paint(a, m, {5, 3, 105, 43}, {5, 3, 105, 43});
        // Direct: the memory surface cannot be made, so the inner draw runs on the target.
        direct.measurePass(b, m, {5, 3, 105, 43});
        direct.renderPass(b, m);
        b.failCreate = true;
        direct.paint(b, m, {5, 3, 105, 43}, {5, 3, 105, 43});
        QCOMPARE(b.created.back(), (Size{110, 50}));
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 120; ++x)
                if (a.at(x, y) != b.at(x, y))
                    QFAIL(qPrintable(
                        QStringLiteral("frame %1 differs at %2,%3").arg(frame).arg(x).arg(y)));
    }
}

void TestCoreEngine::emptyInvalidDrawsNothing() {
    MarqueeModel m;
    MarqueeEngine e;
    GridSurface target(50, 20, rgb(1, 2, 3));
    e.paint(target, m, {0, 0, 50, 20}, {10, 10, 10, 20});
    QCOMPARE(target.fills, 0);
    QCOMPARE(target.at(25, 10), rgb(1, 2, 3));
    QVERIFY(e.relayoutPending());
}

void TestCoreEngine::printingMapping() {
    QCOMPARE(printMapping({100, 50, 500, 130}, 600, 300),
             (PrintMapping{{400 / 6, 80 / 3}, {100, 50}, {400, 80}}));
    // Below 100 pixels per inch the scale is one to one.
    QCOMPARE(printMapping({0, 0, 300, 40}, 96, 72).windowExt, (Size{300, 40}));
    const PrintMapping m = printMapping({100, 50, 500, 130}, 600, 300);
    QCOMPARE(deviceToLogical({100, 50, 500, 130}, m), (Rect{0, 0, 66, 26}));
    QCOMPARE(deviceToLogical({0, 0, 0, 0}, printMapping({0, 0, 0, 0}, 600, 600)), (Rect{}));

    // A raster printer takes the printing path: no work surface, drawing in logical units.
    MarqueeModel model;
    model.frame = 0;
    model.backColor = rgb(5, 5, 5);
    model.font = FontDesc::defaultHeading();
    MarqueeEngine e;
    GridSurface printer(100, 100, rgb(9, 9, 9));
    printer.printer = true;
    printer.ppiX = 200;
    printer.ppiY = 200;
    e.paint(printer, model, {10, 10, 90, 50}, {});
    QVERIFY(printer.mapped);
    QCOMPARE(printer.mapWindowExt, (Size{40, 20}));
    QCOMPARE(printer.mapViewportOrg, (Point{10, 10}));
    QCOMPARE(printer.mapViewportExt, (Size{80, 40}));
    QCOMPARE(printer.created.front(), (Size{100, 100})); // the measure pass only
    QCOMPARE(printer.at(39, 19), rgb(5, 5, 5)); // the grid does not scale: logical = pixels
    QCOMPARE(printer.at(41, 21), rgb(9, 9, 9));
}

void TestCoreEngine::systemColours() {
    const SystemColors classic = SystemColors::classic();
    QCOMPARE(translateColor(0x80000010u, classic), grey(128));      // button shadow
    QCOMPARE(translateColor(0x80000012u, classic), kBlack);         // button text
    QCOMPARE(translateColor(0x80000005u, classic), kWhite);         // window
    QCOMPARE(translateColor(0x800000FFu, classic), kBlack);         // no such index
    QCOMPARE(translateColor(0x0200FF00u, classic), rgb(0, 255, 0)); // palette-relative keeps RGB
    QCOMPARE(translateColor(rgb(1, 2, 3), classic), rgb(1, 2, 3));

    // The render pass, the fill and the frames translate through the engine's system colours.
    SystemColors dark = classic;
    dark.colors[kColorBtnShadow] = rgb(1, 2, 3);
    dark.colors[kColorWindow] = rgb(30, 30, 40);
    MarqueeModel m;
    m.text = "a";
    m.foreColor = systemColor(kColorBtnShadow);
    m.backColor = systemColor(kColorWindow);
    m.frame = 3;
    for (const SystemColors& system : {classic, dark}) {
        MarqueeEngine e;
        e.setSystemColors(system);
        GridSurface target(50, 20);
        e.paint(target, m, {0, 0, 50, 20}, {0, 0, 50, 20});
        const auto* content = static_cast<const GridSurface*>(e.contentSurface());
        QCOMPARE(content->texts[0].color, system.colors[kColorBtnShadow]);
        QCOMPARE(content->at(0, 0), system.colors[kColorWindow]);
        QCOMPARE(target.at(0, 10), system.colors[kColorBtnShadow]); // the frame's outer ring
        QCOMPARE(target.at(40, 10), system.colors[kColorWindow]);   // the fill beside the content
    }
}

QTEST_GUILESS_MAIN(TestCoreEngine)
#include "test_core_engine.moc"
