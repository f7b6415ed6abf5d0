// The ZqMarquee widget: properties and their effects, the timer, events.

#include "zq_marquee.h"

#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

using namespace zqmarq;

namespace {

// A widget with content 30 pixels wide (a 30 x 10 picture slot) in a 100 x 40 control.
void prepare(ZqMarquee& m) {
    MarqueeModel model;
    PictureData p;
    p.bytes = {0x42, 0x4D};
    p.format = PictureFormat::Icon; // never decoded in these tests: draws nothing
    p.widthHimetric = 795;          // 30 pixels
    p.heightHimetric = 265;         // 10 pixels
    model.picture[0] = p;
    model.text = "<IMG 1>";
    m.loadModel(model);
    m.resize(100, 40);
    QImage image(100, 40, QImage::Format_RGB32);
    QPainter painter(&image);
    m.render(&painter, QRect(0, 0, 100, 40)); // lays the content out
}

} // namespace

class TestWidgetMarquee : public QObject {
    Q_OBJECT
  private slots:
    void defaults();
    void finishedDisplayAtEachWrap();
    void freezeHoldsEverything();
    void nextDisplayStringSwap();
    void loadResetsRunState();
    void settersMarkModified();
    void headingAndPictureSlots();
    void setModelAppliesOnlyWhatChanged();
    void timerInterval_data();
    void timerInterval();
    void timerStartsAtFirstPaint();
    void timerScrolls();
    void mouseEvents();
    void doubleClick();
};

void TestWidgetMarquee::defaults() {
    ZqMarquee m;
    QCOMPARE(m.text(), QStringLiteral("Nimbrel Marquee"));
    QCOMPARE(m.backColor(), OleColor(0xFFFFFF));
    QCOMPARE(m.direction(), 0);
    QCOMPARE(m.tickIncrement(), std::int16_t(1));
    QCOMPARE(m.frame(), 2);
    QCOMPARE(m.tickTime(), std::int16_t(100));
    QCOMPARE(m.justification(), 1);
    QCOMPARE(m.freezeMarquee(), false);
    QVERIFY(m.nextDisplayString().isEmpty());
    QCOMPARE(m.heading(1), FontDesc::defaultHeading());
    QCOMPARE(m.heading(1).faceName, std::string("MS Sans Serif"));
    QCOMPARE(m.heading(1).weight, std::int16_t(700));
    QCOMPARE(m.heading(1).size, 120000LL);
    QVERIFY(!m.picture(5)); // never set: no picture
    QVERIFY(!m.timerRunning());
}

void TestWidgetMarquee::finishedDisplayAtEachWrap() {
    ZqMarquee m;
    prepare(m);
    QSignalSpy finished(&m, &ZqMarquee::finishedDisplay);
    for (int i = 0; i < 30; ++i)
        m.tick();
    QCOMPARE(m.scrollPosition(), -30);
    QCOMPARE(finished.count(), 0);
    m.tick();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(m.scrollPosition(), 100);
    for (int i = 0; i < 130; ++i)
        m.tick();
    QCOMPARE(finished.count(), 1);
    m.tick();
    QCOMPARE(finished.count(), 2);
}

void TestWidgetMarquee::freezeHoldsEverything() {
    ZqMarquee m;
    prepare(m);
    QSignalSpy finished(&m, &ZqMarquee::finishedDisplay);
    m.setScrollPosition(-30);
    m.setFreezeMarquee(true);
    for (int i = 0; i < 100; ++i)
        m.tick();
    QCOMPARE(finished.count(), 0);
    QCOMPARE(m.scrollPosition(), -30);
    m.setFreezeMarquee(false);
    m.tick();
    QCOMPARE(finished.count(), 1);
}

void TestWidgetMarquee::nextDisplayStringSwap() {
    ZqMarquee m;
    prepare(m);
    QSignalSpy finished(&m, &ZqMarquee::finishedDisplay);
    m.setNextDisplayString(QStringLiteral("<IMG 1><IMG 1>"));
    m.setScrollPosition(-30);
    m.tick();
    QCOMPARE(finished.count(), 0);
    QCOMPARE(m.text(), QStringLiteral("<IMG 1><IMG 1>"));
    QVERIFY(m.nextDisplayString().isEmpty());
    QImage image(100, 40, QImage::Format_RGB32);
    QPainter painter(&image);
    m.render(&painter, QRect(0, 0, 100, 40)); // the new text is laid out: 60 wide
    m.setScrollPosition(-60);
    m.tick();
    QCOMPARE(finished.count(), 1);
}

void TestWidgetMarquee::loadResetsRunState() {
    ZqMarquee m;
    prepare(m);
    m.setScrollPosition(-17);
    MarqueeModel model = m.model();
    model.freezeMarquee = true;
    model.nextDisplayString = "x";
    QSignalSpy modified(&m, &ZqMarquee::modified);
    m.loadModel(model);
    QCOMPARE(modified.count(), 0);
    QCOMPARE(m.scrollPosition(), 0);
    QCOMPARE(m.freezeMarquee(), false);
    QVERIFY(m.nextDisplayString().isEmpty());
    // setModel keeps them as given and marks modified.
    m.setModel(model);
    QCOMPARE(m.freezeMarquee(), true);
    QCOMPARE(modified.count(), 1);
}

void TestWidgetMarquee::settersMarkModified() {
    ZqMarquee m;
    QSignalSpy modified(&m, &ZqMarquee::modified);
    m.setRedraw(false);
    QCOMPARE(m.redraw(), false);
    m.setRedraw(true);
    m.setText(QStringLiteral("abc"));
    m.setForeColor(rgb(1, 2, 3));
    m.setBackColor(rgb(3, 2, 1));
    m.setDirection(3);
    m.setFrame(4);
    m.setTickIncrement(-2);
    m.setJustification(7);
    m.setTickTime(250);
    QCOMPARE(modified.count(), 10);
    QCOMPARE(m.text(), QStringLiteral("abc"));
    QCOMPARE(m.direction(), 3);
    QCOMPARE(m.tickIncrement(), std::int16_t(-2));
    QCOMPARE(m.justification(), 7);
    QCOMPARE(m.tickTime(), std::int16_t(250));
    // Latin-1 text keeps its bytes.
    m.setText(QStringLiteral("caf\u00e9"));
    QCOMPARE(m.model().text, std::string("caf\xe9"));
}

void TestWidgetMarquee::headingAndPictureSlots() {
    ZqMarquee m;
    FontDesc f;
    f.faceName = "Arial";
    f.size = 90000;
    m.setHeading(3, f);
    QCOMPARE(m.heading(3), f);
    m.setHeading(3, std::nullopt); // no font: the default heading description
    QCOMPARE(m.heading(3), FontDesc::defaultHeading());
    m.setHeading(0, f); // out of range: ignored
    m.setHeading(6, f);
    QCOMPARE(m.heading(5), FontDesc::defaultHeading());
    m.setPicture(9, PictureData{});
    QVERIFY(m.picture(9));
    QVERIFY(m.picture(9)->isEmpty());
    m.setPicture(9, std::nullopt);
    QVERIFY(!m.picture(9));
    m.setPicture(10, PictureData{});
    QVERIFY(!m.picture(10));
}

void TestWidgetMarquee::setModelAppliesOnlyWhatChanged() {
    ZqMarquee m;
    prepare(m);
    QCOMPARE(m.contentSize(), (Size{30, 10}));
    QVERIFY(!m.relayoutPending());
    // Direction, Frame, TickIncrement, FreezeMarquee: the content keeps its last arrangement.
    MarqueeModel model = m.model();
    model.direction = 2;
    model.frame = 5;
    model.tickIncrement = 4;
    model.freezeMarquee = true;
    model.redraw = false;
    m.setModel(model);
    QVERIFY(!m.relayoutPending());
    m.setDirection(3);
    m.setFrame(1);
    QVERIFY(!m.relayoutPending());
    // Layout-bearing properties ask for a new layout.
    model = m.model();
    model.justification = 2;
    m.setModel(model);
    QVERIFY(m.relayoutPending());

    ZqMarquee n;
    prepare(n);
    n.setJustification(0);
    QVERIFY(n.relayoutPending());
    prepare(n);
    n.setHeading(2, std::nullopt);
    QVERIFY(n.relayoutPending());
    prepare(n);
    n.setPicture(4, PictureData{});
    QVERIFY(n.relayoutPending());
    prepare(n);
    n.setBackColor(rgb(1, 1, 1));
    QVERIFY(n.relayoutPending());
}

void TestWidgetMarquee::timerInterval_data() {
    QTest::addColumn<int>("tickTime");
    QTest::addColumn<int>("interval");
    QTest::newRow("100") << 100 << 100;
    QTest::newRow("50") << 50 << 50;
    QTest::newRow("zero: minimum") << 0 << 10;
    QTest::newRow("5: minimum") << 5 << 10;
    QTest::newRow("negative: never") << -1 << -1;
    QTest::newRow("largest") << 32767 << 32767;
}

void TestWidgetMarquee::timerInterval() {
    QFETCH(int, tickTime);
    QFETCH(int, interval);
    QCOMPARE(ZqMarquee::timerInterval(static_cast<std::int16_t>(tickTime)), interval);
}

void TestWidgetMarquee::timerStartsAtFirstPaint() {
    ZqMarquee m;
    m.resize(120, 30);
    QVERIFY(!m.timerRunning());
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    QTRY_VERIFY(m.timerRunning());
    m.setTickTime(20);
    QVERIFY(m.timerRunning());
    m.hide();
    QVERIFY(!m.timerRunning());
    m.show();
    QTRY_VERIFY(m.timerRunning());
}

void TestWidgetMarquee::timerScrolls() {
    ZqMarquee m;
    MarqueeModel model;
    model.text = "scrolling";
    model.tickTime = 10;
    model.tickIncrement = 3;
    m.loadModel(model);
    m.resize(200, 30);
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    QTRY_VERIFY(m.scrollPosition() <= -9);
    QCOMPARE(m.scrollPosition() % 3, 0);
    m.setFreezeMarquee(true);
    const int stood = m.scrollPosition();
    QTest::qWait(60);
    QCOMPARE(m.scrollPosition(), stood);
}

void TestWidgetMarquee::mouseEvents() {
    ZqMarquee m;
    m.resize(100, 40);
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    QSignalSpy down(&m, &ZqMarquee::mouseDown);
    QSignalSpy up(&m, &ZqMarquee::mouseUp);
    QSignalSpy click(&m, &ZqMarquee::click);
    QTest::mouseClick(&m, Qt::RightButton, Qt::ShiftModifier, QPoint(10, 12));
    QCOMPARE(down.count(), 1);
    QCOMPARE(down[0][0].value<short>(), short(2));
    QCOMPARE(down[0][1].value<short>(), short(1));
    QCOMPARE(down[0][2].toInt(), 10);
    QCOMPARE(down[0][3].toInt(), 12);
    QCOMPARE(up.count(), 1);
    QCOMPARE(up[0][0].value<short>(), short(2));
    QCOMPARE(click.count(), 1);
    QTest::mouseClick(&m, Qt::LeftButton, Qt::ControlModifier, QPoint(50, 20));
    QCOMPARE(down[1][0].value<short>(), short(1));
    QCOMPARE(down[1][1].value<short>(), short(2));
    QCOMPARE(click.count(), 2);
    // Released outside the control: no Click.
    QTest::mousePress(&m, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&m, Qt::LeftButton, {}, QPoint(150, 5));
    QCOMPARE(click.count(), 2);
    QCOMPARE(up.count(), 3);
}

void TestWidgetMarquee::doubleClick() {
    ZqMarquee m;
    m.resize(100, 40);
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    QSignalSpy dbl(&m, &ZqMarquee::dblClick);
    QSignalSpy click(&m, &ZqMarquee::click);
    QSignalSpy down(&m, &ZqMarquee::mouseDown);
    const QPointF at(10, 10);
    const QPointF global = m.mapToGlobal(at);
    QMouseEvent dblEvent(QEvent::MouseButtonDblClick, at, global, Qt::LeftButton, Qt::LeftButton,
                         Qt::NoModifier);
    QApplication::sendEvent(&m, &dblEvent);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&m, &release);
    QCOMPARE(dbl.count(), 1);
    QCOMPARE(down.count(), 1);
    QCOMPARE(click.count(), 0); // the release after a double click is no click
}

QTEST_MAIN(TestWidgetMarquee)
#include "test_widget_marquee.moc"
