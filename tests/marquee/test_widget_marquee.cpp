// The ZqMarquee widget: properties and their effects, the timer and when it runs, text that
// cannot be stored, saved state, events.

#include "design_memory.h"
#include "qt_surface.h"
#include "zq_marquee_p.h"

#include <QApplication>
#include <QBuffer>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

using namespace zqmarq;

namespace {

ZqMarqueePrivate& in(ZqMarquee& m) {
    return ZqMarqueePrivate::get(m);
}

void renderOnce(ZqMarquee& m, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QPainter painter(&image);
    in(m).render(&painter, QRect(0, 0, w, h)); // lays the content out
}

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
    in(m).loadModel(model);
    m.resize(100, 40);
    renderOnce(m, 100, 40);
}

// A text marquee that steps 1 pixel every 10 milliseconds.
void makeFast(ZqMarquee& m) {
    MarqueeModel model;
    model.text = "scrolling along";
    model.tickTime = 10;
    in(m).loadModel(model);
    m.resize(200, 30);
}

// True when the marquee moves by at least 5 pixels within a second.
bool moves(ZqMarquee& m) {
    const int from = in(m).scrollPosition();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1000) {
        QTest::qWait(10);
        if (in(m).scrollPosition() <= from - 5)
            return true;
    }
    return false;
}

// True when the marquee stays where it is for 150 milliseconds.
bool standsStill(ZqMarquee& m) {
    const int at = in(m).scrollPosition();
    QTest::qWait(150);
    return in(m).scrollPosition() == at;
}

QByteArray png(int width, int height, QImage::Format format = QImage::Format_RGB32) {
    QImage image(width, height, format);
    image.fill(0);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
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
    void hideAndShowResumeMotion();
    void minimiseAndRestoreResumeMotion();
    void reducedMotionStandsStill_data();
    void reducedMotionStandsStill();
    void scrolledOutOfViewStopsTheTimer();
    void textThatCannotBeStoredIsRefused_data();
    void textThatCannotBeStoredIsRefused();
    void textLengthBound();
    void contentTooLargeNotifies();
    void refusalsThroughSlotsAndProperties();
    void layoutsDoNotClip();
    void followsThePaletteInADarkTheme();
    void tickerPropertiesPersistAndNotify();
    void scrollOnlyWhenNeeded();
    void speedAndPause();
    void qtPropertiesNotifyOnChange();
    void setFontTakesEffect();
    void sizeHintFollowsTheContent();
    void accessibleNameIsTheText();
    void stateRoundTripsAndRefusals();
    void pictureBeyondTheBoundIsRefused();
    void mouseEvents();
    void doubleClick();
};

void TestWidgetMarquee::defaults() {
    ZqMarquee m;
    QCOMPARE(m.text(), QStringLiteral("Nimbrel Marquee"));
    // No colour of its own: the palette's, and a dark one makes it dark.
    QCOMPARE(in(m).model().backColor, systemColor(kColorBtnFace));
    QCOMPARE(m.backColor(), m.palette().color(QPalette::Window));
    QCOMPARE(m.foreColor(), m.palette().color(QPalette::WindowText));
    QCOMPARE(m.fadeWidth(), 0);
    QCOMPARE(m.alignment(), Qt::AlignLeft | Qt::AlignVCenter);
    QVERIFY(!m.scrollOnlyWhenNeeded());
    QCOMPARE(m.direction(), ZqMarquee::RightToLeft);
    QCOMPARE(m.tickIncrement(), 1);
    QCOMPARE(m.frame(), ZqMarquee::FrameHeavyIndent);
    QCOMPARE(m.tickTime(), 100);
    QCOMPARE(m.justification(), ZqMarquee::Centered);
    QCOMPARE(m.freezeMarquee(), false);
    QCOMPARE(m.reducedMotion(), false);
    QVERIFY(m.nextDisplayString().isEmpty());
    const FontDesc& heading = in(m).model().heading[0];
    QCOMPARE(heading, FontDesc::defaultHeading());
    QCOMPARE(heading.faceName, std::string("MS Sans Serif"));
    QCOMPARE(heading.weight, std::int16_t(700));
    QCOMPARE(heading.size, 120000LL);
    // The base font is the one the widget inherits, as a container's ambient font.
    QCOMPARE(QString::fromStdString(in(m).model().font->faceName), QApplication::font().family());
    QVERIFY(m.picture(5).isNull()); // never set: no picture
    QVERIFY(!in(m).timerRunning());
}

void TestWidgetMarquee::finishedDisplayAtEachWrap() {
    ZqMarquee m;
    prepare(m);
    QSignalSpy finished(&m, &ZqMarquee::finishedDisplay);
    for (int i = 0; i < 30; ++i)
        in(m).tick();
    QCOMPARE(in(m).scrollPosition(), -30);
    QCOMPARE(finished.count(), 0);
    in(m).tick();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(in(m).scrollPosition(), 100);
    for (int i = 0; i < 130; ++i)
        in(m).tick();
    QCOMPARE(finished.count(), 1);
    in(m).tick();
    QCOMPARE(finished.count(), 2);
}

void TestWidgetMarquee::freezeHoldsEverything() {
    ZqMarquee m;
    prepare(m);
    QSignalSpy finished(&m, &ZqMarquee::finishedDisplay);
    in(m).setScrollPosition(-30);
    m.setFreezeMarquee(true);
    for (int i = 0; i < 100; ++i)
        in(m).tick();
    QCOMPARE(finished.count(), 0);
    QCOMPARE(in(m).scrollPosition(), -30);
    m.setFreezeMarquee(false);
    in(m).tick();
    QCOMPARE(finished.count(), 1);
}

void TestWidgetMarquee::nextDisplayStringSwap() {
    ZqMarquee m;
    prepare(m);
    QSignalSpy finished(&m, &ZqMarquee::finishedDisplay);
    QSignalSpy textChanged(&m, &ZqMarquee::textChanged);
    QVERIFY(m.setNextDisplayString(QStringLiteral("<IMG 1><IMG 1>")));
    in(m).setScrollPosition(-30);
    in(m).tick();
    QCOMPARE(finished.count(), 0);
    QCOMPARE(m.text(), QStringLiteral("<IMG 1><IMG 1>"));
    QCOMPARE(textChanged.count(), 1);
    QVERIFY(m.nextDisplayString().isEmpty());
    renderOnce(m, 100, 40); // the new text is laid out: 60 wide
    in(m).setScrollPosition(-60);
    in(m).tick();
    QCOMPARE(finished.count(), 1);
}

void TestWidgetMarquee::loadResetsRunState() {
    ZqMarquee m;
    prepare(m);
    in(m).setScrollPosition(-17);
    MarqueeModel model = in(m).model();
    model.freezeMarquee = true;
    model.nextDisplayString = "x";
    QSignalSpy modified(&in(m), &ZqMarqueePrivate::modified);
    in(m).loadModel(model);
    QCOMPARE(modified.count(), 0);
    QCOMPARE(in(m).scrollPosition(), 0);
    QCOMPARE(m.freezeMarquee(), false);
    QVERIFY(m.nextDisplayString().isEmpty());
    // setModel keeps them as given and marks modified.
    in(m).setModel(model);
    QCOMPARE(m.freezeMarquee(), true);
    QCOMPARE(modified.count(), 1);
}

void TestWidgetMarquee::settersMarkModified() {
    ZqMarquee m;
    QSignalSpy modified(&in(m), &ZqMarqueePrivate::modified);
    QCOMPARE(in(m).setProperty(dispid::kRedraw, false), kSOk);
    QCOMPARE(in(m).model().redraw, false);
    QCOMPARE(in(m).setProperty(dispid::kRedraw, true), kSOk);
    QVERIFY(m.setText(QStringLiteral("abc")));
    m.setForeColor(QColor(1, 2, 3));
    m.setBackColor(QColor(3, 2, 1));
    m.setDirection(ZqMarquee::BottomToTop);
    m.setFrame(ZqMarquee::FrameHeavyOutdent);
    m.setTickIncrement(-2);
    m.setJustification(static_cast<ZqMarquee::TextJustification>(7));
    m.setTickTime(250);
    QCOMPARE(modified.count(), 10);
    QCOMPARE(m.text(), QStringLiteral("abc"));
    QCOMPARE(in(m).model().foreColor, rgb(1, 2, 3));
    QCOMPARE(m.direction(), ZqMarquee::BottomToTop);
    QCOMPARE(m.tickIncrement(), -2);
    QCOMPARE(int(m.justification()), 7);
    QCOMPARE(m.tickTime(), 250);
    // The same value again changes and marks nothing; 16-bit values are held to their range.
    m.setTickTime(250);
    QCOMPARE(modified.count(), 10);
    m.setTickTime(70000);
    QCOMPARE(m.tickTime(), 32767);
    m.setTickIncrement(-70000);
    QCOMPARE(m.tickIncrement(), -32768);
    // The record holds text as UTF-8; the stored form gives it back one byte a character.
    QVERIFY(m.setText(QStringLiteral("caf\u00e9")));
    QCOMPARE(in(m).model().text, std::string("caf\xc3\xa9"));
    QVERIFY(m.saveState().contains(QByteArray("\x04"
                                              "caf\xe9")));
}

void TestWidgetMarquee::headingAndPictureSlots() {
    ZqMarquee m;
    QSignalSpy headings(&m, &ZqMarquee::headingsChanged);
    QSignalSpy pictures(&m, &ZqMarquee::picturesChanged);
    QFont arial(QStringLiteral("Arial"));
    arial.setPointSizeF(9.75);
    arial.setWeight(QFont::Bold);
    QVERIFY(m.setHeading(3, arial));
    const FontDesc& held = in(m).model().heading[2];
    QCOMPARE(held.faceName, std::string("Arial"));
    QCOMPARE(held.size, 97500LL);
    QCOMPARE(held.weight, std::int16_t(700));
    QCOMPARE(m.heading(3).family(), QStringLiteral("Arial"));
    QCOMPARE(headings.count(), 1);
    QVERIFY(!m.setHeading(0, arial)); // out of range: refused, nothing changes
    QVERIFY(!m.setHeading(6, arial));
    QCOMPARE(in(m).model().heading[4], FontDesc::defaultHeading());
    QCOMPARE(headings.count(), 1);

    QPixmap red(6, 3);
    red.fill(Qt::red);
    QVERIFY(m.setPicture(9, red));
    QCOMPARE(in(m).model().picture[8]->format, PictureFormat::Png);
    QCOMPARE(m.picture(9).size(), QSize(6, 3));
    QCOMPARE(m.picture(9).toImage().pixel(5, 2), qRgb(255, 0, 0));
    QVERIFY(m.setPicture(9, QPixmap()));
    QVERIFY(!in(m).model().picture[8]);
    QVERIFY(!m.setPicture(10, red));
    QVERIFY(!m.setPicture(0, red));
    QCOMPARE(pictures.count(), 2);
}

void TestWidgetMarquee::setModelAppliesOnlyWhatChanged() {
    ZqMarquee m;
    prepare(m);
    QCOMPARE(in(m).contentSize(), (Size{30, 10}));
    QVERIFY(!in(m).relayoutPending());
    // Direction, Frame, TickIncrement, FreezeMarquee: the content keeps its last arrangement.
    MarqueeModel model = in(m).model();
    model.direction = 2;
    model.frame = 5;
    model.tickIncrement = 4;
    model.freezeMarquee = true;
    model.redraw = false;
    in(m).setModel(model);
    QVERIFY(!in(m).relayoutPending());
    m.setDirection(ZqMarquee::BottomToTop);
    m.setFrame(ZqMarquee::FrameLightIndent);
    QVERIFY(!in(m).relayoutPending());
    // Layout-bearing properties ask for a new layout.
    model = in(m).model();
    model.justification = 2;
    in(m).setModel(model);
    QVERIFY(in(m).relayoutPending());

    ZqMarquee n;
    prepare(n);
    n.setJustification(ZqMarquee::LeftOrTop);
    QVERIFY(in(n).relayoutPending());
    prepare(n);
    QVERIFY(n.setHeading(2, QFont(QStringLiteral("Arial"))));
    QVERIFY(in(n).relayoutPending());
    prepare(n);
    QCOMPARE(in(n).setProperty(pictureDispid(4), Variant::picture(PictureData{})), kSOk);
    QVERIFY(in(n).relayoutPending());
    prepare(n);
    n.setBackColor(QColor(1, 1, 1));
    QVERIFY(in(n).relayoutPending());
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
    QCOMPARE(ZqMarqueePrivate::timerInterval(static_cast<std::int16_t>(tickTime)), interval);
}

void TestWidgetMarquee::timerStartsAtFirstPaint() {
    ZqMarquee m;
    m.resize(120, 30);
    QVERIFY(!in(m).timerRunning());
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    QTRY_VERIFY(in(m).timerRunning());
    m.setTickTime(20);
    QVERIFY(in(m).timerRunning());
    m.hide();
    QVERIFY(!in(m).timerRunning());
    m.show();
    QTRY_VERIFY(in(m).timerRunning());
}

void TestWidgetMarquee::timerScrolls() {
    ZqMarquee m;
    MarqueeModel model;
    model.text = "scrolling";
    model.tickTime = 10;
    model.tickIncrement = 3;
    in(m).loadModel(model);
    m.resize(200, 30);
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    QTRY_VERIFY(in(m).scrollPosition() <= -9);
    QCOMPARE(in(m).scrollPosition() % 3, 0);
    m.setFreezeMarquee(true);
    QVERIFY(standsStill(m));
}

// Showing again starts the steps at once: no paint is needed (Qt may show a stored image).
void TestWidgetMarquee::hideAndShowResumeMotion() {
    ZqMarquee m;
    makeFast(m);
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    QVERIFY(moves(m));
    m.hide();
    QVERIFY(!in(m).timerRunning());
    QVERIFY(standsStill(m));
    m.show();
    QVERIFY(in(m).timerRunning());
    QVERIFY(moves(m));
}

// The main window is minimised during every archiving step: its banner must move again after.
void TestWidgetMarquee::minimiseAndRestoreResumeMotion() {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* m = new ZqMarquee(&window);
    makeFast(*m);
    layout->addWidget(m);
    window.resize(220, 60);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(moves(*m));
    window.showMinimized();
    QVERIFY(!in(*m).timerRunning());
    QVERIFY(standsStill(*m));
    window.showNormal();
    QVERIFY(in(*m).timerRunning());
    QVERIFY(moves(*m));
}

void TestWidgetMarquee::reducedMotionStandsStill_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("property") << QStringLiteral("setter");
    QTest::newRow("by name, as a container sets it") << QStringLiteral("setProperty");
    QTest::newRow("the application's choice") << QStringLiteral("application");
}

void TestWidgetMarquee::reducedMotionStandsStill() {
    QFETCH(QString, how);
    if (how == QLatin1String("application"))
        qApp->setProperty("reducedMotion", true);
    ZqMarquee m;
    qApp->setProperty("reducedMotion", QVariant());
    makeFast(m);
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    QSignalSpy changed(&m, &ZqMarquee::reducedMotionChanged);
    if (how != QLatin1String("application")) {
        QVERIFY(moves(m));
        if (how == QLatin1String("setter"))
            m.setReducedMotion(true);
        else
            QVERIFY(m.setProperty("reducedMotion", true));
        QCOMPARE(changed.count(), 1);
    }
    // The first frame, standing still.
    QCOMPARE(m.property("reducedMotion").toBool(), true);
    QVERIFY(!in(m).timerRunning());
    QCOMPARE(in(m).scrollPosition(), 0);
    QVERIFY(standsStill(m));
    m.hide();
    m.show();
    QTest::qWait(30);
    QVERIFY(!in(m).timerRunning());
    m.setReducedMotion(false);
    QVERIFY(moves(m));
}

void TestWidgetMarquee::scrolledOutOfViewStopsTheTimer() {
    QScrollArea area;
    auto* content = new QWidget;
    content->resize(200, 2000);
    auto* m = new ZqMarquee(content);
    makeFast(*m);
    m->move(0, 0);
    area.setWidget(content);
    area.resize(230, 120);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    QVERIFY(moves(*m));
    area.verticalScrollBar()->setValue(area.verticalScrollBar()->maximum());
    QTRY_VERIFY(!in(*m).timerRunning());
    QVERIFY(standsStill(*m));
    area.verticalScrollBar()->setValue(0);
    QTRY_VERIFY(in(*m).timerRunning());
    QVERIFY(moves(*m));
}

void TestWidgetMarquee::textThatCannotBeStoredIsRefused_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("refusal"); // empty: stored as given
    QTest::addColumn<int>("position");    // the character a save names
    QTest::newRow("Cyrillic, euro and accents")
        << QStringLiteral("\u041f\u0440\u0438\u0432\u0435\u0442 \u20ac caf\u00e9")
        << QStringLiteral("\"\u041f\" (U+041F) at position 1") << 1;
    QTest::newRow("euro sign last") << QStringLiteral("price 5\u20ac")
                                    << QStringLiteral("\"\u20ac\" (U+20AC) at position 8") << 8;
    QTest::newRow("last Latin-1 character") << QStringLiteral("\u00ff") << QString() << 0;
    QTest::newRow("first beyond Latin-1")
        << QStringLiteral("\u0100") << QStringLiteral("\"\u0100\" (U+0100) at position 1") << 1;
    QTest::newRow("beyond the 16-bit plane")
        << QStringLiteral("a\U0001F600") << QStringLiteral("(U+1F600) at position 2") << 2;
    QTest::newRow("right to left") << QStringLiteral("\u05e9\u05dc\u05d5\u05dd")
                                   << QStringLiteral("(U+05E9) at position 1") << 1;
    QTest::newRow("accents and line breaks")
        << QStringLiteral("caf\u00e9\r\nna\u00efve") << QString() << 0;
}

// Any text is taken and shown; only a save refuses what the stored form cannot hold.
void TestWidgetMarquee::textThatCannotBeStoredIsRefused() {
    QFETCH(QString, text);
    QFETCH(QString, refusal);
    QFETCH(int, position);
    ZqMarquee m;
    QVERIFY(m.setText(QStringLiteral("before")));
    QSignalSpy refused(&m, &ZqMarquee::textRefused);
    QString reason;
    QCOMPARE(ZqMarquee::isStorable(text, &reason), refusal.isEmpty());
    QVERIFY(m.setText(text));
    QVERIFY(m.setNextDisplayString(text));
    QCOMPARE(m.text(), text);
    QCOMPARE(m.nextDisplayString(), text);
    QCOMPARE(m.property("text").toString(), text);
    QCOMPARE(refused.count(), 0);
    QString error;
    const QByteArray state = m.saveState(&error);
    if (refusal.isEmpty()) {
        ZqMarquee n;
        QVERIFY(n.restoreState(state));
        QCOMPARE(n.text(), text);
        return;
    }
    // Refused as a whole, never stored with a stand-in character.
    QVERIFY2(reason.contains(refusal), qPrintable(reason));
    QVERIFY(state.isEmpty());
    QVERIFY2(error.contains(QStringLiteral("character %1 of Text").arg(position)),
             qPrintable(error));
}

// Both sides of the bound on text, counted in characters whatever their encoded size.
void TestWidgetMarquee::textLengthBound() {
    ZqMarquee m;
    QSignalSpy refused(&m, &ZqMarquee::propertyRefused);
    QSignalSpy changed(&m, &ZqMarquee::textChanged);
    const QString atBound(ZqMarquee::MaxTextLength, QChar(0x20AC));
    QVERIFY(m.setText(atBound));
    QVERIFY(m.setNextDisplayString(atBound));
    QCOMPARE(changed.count(), 1);
    QVERIFY(!m.setText(atBound + QLatin1Char('x')));
    QVERIFY(!m.setNextDisplayString(QString(ZqMarquee::MaxTextLength + 1, QLatin1Char('x'))));
    QCOMPARE(m.text(), atBound);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(refused.count(), 2);
    QCOMPARE(refused[0][0].toString(), QStringLiteral("text"));
    QCOMPARE(refused[1][0].toString(), QStringLiteral("nextDisplayString"));
    QVERIFY2(refused[0][1].toString().contains(QStringLiteral("65537 characters")),
             qPrintable(refused[0][1].toString()));
    // The same bound on a stored design.
    MarqueeModel model;
    model.text = std::string(kMaxTextLength, 'a');
    std::vector<std::uint8_t> stream = saveToStream(model);
    ZqMarquee n;
    QVERIFY(n.restoreState(QByteArray(reinterpret_cast<const char*>(stream.data()),
                                      static_cast<qsizetype>(stream.size()))));
    model.text += 'a';
    stream = saveToStream(model);
    QString error;
    QVERIFY(!n.restoreState(QByteArray(reinterpret_cast<const char*>(stream.data()),
                                       static_cast<qsizetype>(stream.size())),
                            &error));
    QVERIFY2(error.contains(QStringLiteral("65537")), qPrintable(error));
}

// Content nothing of which can be shown says so, and says when that changes: a line too wide
// for Qt's measure (past 2^25 pixels its sum wraps round) included.
void TestWidgetMarquee::contentTooLargeNotifies() {
    ZqMarquee m;
    m.resize(300, 40);
    QSignalSpy tooLarge(&m, &ZqMarquee::contentTooLargeChanged);
    QVERIFY(!m.contentTooLarge());
    // 12,000 points: 16,000 pixels a letter, 3,000 letters some 47 million pixels, which
    // Qt's measure wraps round.
    QFont giant(QStringLiteral("DejaVu Sans"));
    giant.setPointSize(12000);
    QVERIFY(m.setHeading(1, giant));
    QVERIFY(m.setText(QStringLiteral("<H 1>") + QString(3000, QLatin1Char('W'))));
    QVERIFY(m.contentTooLarge());
    QCOMPARE(tooLarge.count(), 1);
    QCOMPARE(tooLarge[0][0].toBool(), true);
    renderOnce(m, 300, 40);
    QVERIFY(in(m).contentSize().cx > 0); // never a wrapped, negative width
    QVERIFY(m.setText(QStringLiteral("fits")));
    QVERIFY(!m.contentTooLarge());
    QCOMPARE(tooLarge.count(), 2);
    QVERIFY(m.setText(QStringLiteral("fits too"))); // no change: no signal
    QCOMPARE(tooLarge.count(), 2);
}

// The setters are slots; a refused write answers false and says why; the same value again
// notifies nothing.
void TestWidgetMarquee::refusalsThroughSlotsAndProperties() {
    ZqMarquee m;
    const QMetaObject* meta = m.metaObject();
    for (const char* slot : {"setText(QString)", "setFadeWidth(int)", "setBackColor(QColor)",
                             "setHeading1(QFont)", "setAlignment(Qt::Alignment)"})
        QVERIFY2(meta->indexOfSlot(slot) >= 0, slot);
    QVERIFY(meta->property(meta->indexOfProperty("contentTooLarge")).hasNotifySignal());
    QSignalSpy refused(&m, &ZqMarquee::propertyRefused);
    bool taken = true;
    QVERIFY(
        QMetaObject::invokeMethod(&m, "setFadeWidth", Q_RETURN_ARG(bool, taken), Q_ARG(int, -1)));
    QVERIFY(!taken);
    QVERIFY(m.setFadeWidth(0)); // 0 is the least taken
    QVERIFY(!m.setForeColor(QColor()));
    QVERIFY(!m.setHeading(6, QFont()));
    QCOMPARE(refused.count(), 3);
    QCOMPARE(refused[0][0].toString(), QStringLiteral("fadeWidth"));
    QCOMPARE(refused[1][0].toString(), QStringLiteral("foreColor"));
    QCOMPARE(refused[2][0].toString(), QStringLiteral("heading6"));
    // A heading set in points reads back in points, and setting it again notifies nothing.
    QSignalSpy headings(&m, &ZqMarquee::headingsChanged);
    QFont ten(QStringLiteral("Arial"), 10);
    QVERIFY(m.setHeading1(ten));
    QCOMPARE(m.heading1().pointSizeF(), 10.0);
    QVERIFY(m.setHeading1(m.heading1()));
    QVERIFY(m.setProperty("heading1", m.property("heading1")));
    QCOMPARE(headings.count(), 1);
    QSignalSpy back(&m, &ZqMarquee::backColorChanged);
    QVERIFY(m.setBackColor(m.backColor())); // the palette's colour, shown already
    QCOMPARE(back.count(), 0);
    QCOMPARE(in(m).model().backColor, systemColor(kColorBtnFace));
}

// A layout never squeezes the marquee below its content across the scrolling axis.
void TestWidgetMarquee::layoutsDoNotClip() {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* m = new ZqMarquee(&window);
    QFont big = m->font();
    big.setPointSize(30);
    m->setFont(big);
    QVERIFY(m->setText(QStringLiteral("first line\r\nsecond line")));
    layout->addWidget(m);
    layout->addWidget(new QLabel(QStringLiteral("below"), &window));
    window.resize(178, 40); // far too low
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QSize least = m->minimumSizeHint();
    QVERIFY(least.height() >= in(*m).measuredContentSize().cy + 4);
    QVERIFY(least.width() < m->sizeHint().width());
    QVERIFY(m->height() >= least.height());
    QCOMPARE(m->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    QVERIFY(m->setDirection(ZqMarquee::TopToBottom));
    QCOMPARE(m->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
    QVERIFY(m->minimumSizeHint().width() >= in(*m).measuredContentSize().cx);
}

// Without colours of its own the marquee is drawn in the palette's, a style sheet's too; a
// design's own colours stay.
void TestWidgetMarquee::followsThePaletteInADarkTheme() {
    ZqMarquee m;
    QPalette dark = m.palette();
    dark.setColor(QPalette::Window, QColor(30, 30, 34));
    dark.setColor(QPalette::WindowText, QColor(235, 235, 235));
    m.setPalette(dark);
    QVERIFY(m.setFrame(ZqMarquee::None));
    m.resize(200, 30);
    QImage shot(200, 30, QImage::Format_RGB32);
    m.render(&shot);
    QCOMPARE(shot.pixelColor(1, 1), QColor(30, 30, 34));
    QCOMPARE(m.foreColor(), QColor(235, 235, 235));
    m.setPalette(QPalette());
    m.setStyleSheet(QStringLiteral("background-color: #102030; color: #f0e0d0"));
    m.ensurePolished();
    QCOMPARE(m.backColor(), QColor(0x10, 0x20, 0x30));
    QCOMPARE(m.foreColor(), QColor(0xf0, 0xe0, 0xd0));
    // A colour the design sets is kept whatever the palette.
    QVERIFY(m.setBackColor(QColor(255, 255, 255)));
    m.setStyleSheet(QStringLiteral("background-color: #000000"));
    m.ensurePolished();
    QCOMPARE(m.backColor(), QColor(255, 255, 255));
}

// Every ticker property notifies once when it changes, is saved with the design and comes
// back; a design without them gives their defaults.
void TestWidgetMarquee::tickerPropertiesPersistAndNotify() {
    ZqMarquee m;
    const QList<QByteArray> names = {"fadeWidth",      "pauseAtEnds",     "leadingBuffer",
                                     "trailingBuffer", "pixelsPerSecond", "passDuration"};
    int value = 10;
    for (const QByteArray& name : names) {
        const QMetaProperty p = m.metaObject()->property(m.metaObject()->indexOfProperty(name));
        QVERIFY2(p.isDesignable() && p.hasNotifySignal(), name.constData());
        QSignalSpy spy(&m, p.notifySignal());
        QVERIFY(m.setProperty(name, value));
        QVERIFY(m.setProperty(name, value));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(m.property(name).toInt(), value++);
    }
    QVERIFY(m.setScrollOnlyWhenNeeded(true));
    QVERIFY(m.setAlignment(Qt::AlignRight));
    const QByteArray state = m.saveState();
    ZqMarquee n;
    QVERIFY(n.restoreState(state));
    QCOMPARE(in(n).model().ticker, in(m).model().ticker);
    QCOMPARE(n.alignment(), Qt::AlignRight);
    // A design saved without them (an older one) resets them to their defaults.
    ZqMarquee plain;
    QVERIFY(n.restoreState(plain.saveState()));
    QCOMPARE(in(n).model().ticker, TickerOptions{});
}

// Content that fits stands still where alignment puts it; content that does not scrolls.
void TestWidgetMarquee::scrollOnlyWhenNeeded() {
    ZqMarquee m;
    prepare(m); // content 30 x 10 in 100 x 40
    QVERIFY(m.setFrame(ZqMarquee::None));
    QVERIFY(m.setScrollOnlyWhenNeeded(true));
    QVERIFY(m.setAlignment(Qt::AlignRight));
    QSignalSpy finished(&m, &ZqMarquee::finishedDisplay);
    for (int i = 0; i < 200; ++i)
        in(m).tick();
    QCOMPARE(in(m).scrollPosition(), 0);
    QCOMPARE(finished.count(), 0);
    m.resize(29, 40); // one pixel too narrow: it scrolls
    in(m).tick();
    QCOMPARE(in(m).scrollPosition(), -1);
}

// A speed moves by time, not by steps; a pass duration sets the speed from the pass length.
void TestWidgetMarquee::speedAndPause() {
    ZqMarquee m;
    prepare(m); // content 30 wide, control 100: a pass is 130 pixels
    QVERIFY(m.setPixelsPerSecond(200));
    in(m).tick(100);
    QCOMPARE(in(m).scrollPosition(), -20);
    in(m).tick(25); // 5 pixels
    QCOMPARE(in(m).scrollPosition(), -25);
    QVERIFY(m.setPassDuration(1300)); // 130 pixels in 1.3 s: 100 a second, before the speed
    in(m).tick(50);
    QCOMPARE(in(m).scrollPosition(), -30);
    QVERIFY(m.setPassDuration(0));
    QVERIFY(m.setPixelsPerSecond(0));
    // A pause at the ends: the content stops on its home position and rests there.
    prepare(m);
    QVERIFY(m.setPauseAtEnds(60000));
    in(m).setScrollPosition(3);
    QVERIFY(m.setTickIncrement(5));
    in(m).tick();
    QCOMPARE(in(m).scrollPosition(), 0); // stopped on home, not passed by
    in(m).tick();
    in(m).tick();
    QCOMPARE(in(m).scrollPosition(), 0);
}

void TestWidgetMarquee::qtPropertiesNotifyOnChange() {
    ZqMarquee m;
    QSignalSpy tickTime(&m, &ZqMarquee::tickTimeChanged);
    QSignalSpy frame(&m, &ZqMarquee::frameChanged);
    QSignalSpy fore(&m, &ZqMarquee::foreColorChanged);
    QSignalSpy direction(&m, &ZqMarquee::directionChanged);
    QVERIFY(m.setProperty("tickTime", 250));
    QVERIFY(m.setProperty("tickTime", 250)); // unchanged: no signal
    QCOMPARE(tickTime.count(), 1);
    QCOMPARE(tickTime[0][0].toInt(), 250);
    QVERIFY(m.setProperty("frame", QStringLiteral("FrameShadow")));
    QCOMPARE(in(m).model().frame, 5);
    QCOMPARE(frame.count(), 1);
    QVERIFY(m.setProperty("foreColor", QColor(255, 255, 128)));
    QCOMPARE(in(m).model().foreColor, OleColor(0x0080FFFF));
    QCOMPARE(m.property("foreColor").value<QColor>(), QColor(255, 255, 128));
    QVERIFY(!m.setForeColor(QColor())); // invalid: refused
    QCOMPARE(fore.count(), 1);
    QVERIFY(m.setProperty("direction", int(ZqMarquee::TopToBottom)));
    QCOMPARE(direction.count(), 1);
    QCOMPARE(direction[0][0].value<ZqMarquee::ScrollDirection>(), ZqMarquee::TopToBottom);
    // A system colour reads as what the palette makes of it.
    QCOMPARE(in(m).setProperty(dispid::kBackColor, Variant::color(systemColor(kColorBtnFace))),
             kSOk);
    QCOMPARE(m.backColor(), m.palette().color(QPalette::Window));
}

void TestWidgetMarquee::setFontTakesEffect() {
    ZqMarquee m;
    QVERIFY(m.setText(QStringLiteral("WWWW")));
    m.setFrame(ZqMarquee::None);
    renderOnce(m, 300, 100);
    const Size small = in(m).contentSize();
    QSignalSpy fontChanged(&m, &ZqMarquee::fontChanged);
    QFont big(QStringLiteral("Arial"));
    big.setPointSize(30);
    m.setFont(big);
    QCOMPARE(fontChanged.count(), 1);
    QCOMPARE(in(m).model().font->faceName, std::string("Arial"));
    QCOMPARE(in(m).model().font->size, 300000LL);
    QCOMPARE(m.font().pointSize(), 30); // as it was set: the widget keeps the caller's font
    QVERIFY(in(m).relayoutPending());
    renderOnce(m, 300, 100);
    QVERIFY(in(m).contentSize().cy > small.cy);
    QVERIFY(in(m).contentSize().cx > small.cx);
    // The record's font shows on the widget when it changes on its own side.
    FontDesc courier = *in(m).model().font;
    courier.faceName = "Courier New";
    QCOMPARE(in(m).setProperty(dispid::kFont, Variant::font(courier)), kSOk);
    QCOMPARE(m.font().family(), QStringLiteral("Courier New"));
    QCOMPARE(fontChanged.count(), 2);
}

void TestWidgetMarquee::sizeHintFollowsTheContent() {
    ZqMarquee m;
    prepare(m); // content 30 x 10
    m.setFrame(ZqMarquee::None);
    QCOMPARE(m.sizeHint(), QSize(50, 10)); // along the axis at least 50
    m.setFrame(ZqMarquee::FrameHeavyIndent);
    QCOMPARE(m.sizeHint(), QSize(50, 14));
    m.setDirection(ZqMarquee::TopToBottom);
    QCOMPARE(m.sizeHint(), QSize(34, 50));
    // Measured without painting; a long text is held to 400 along the axis.
    m.setDirection(ZqMarquee::RightToLeft);
    QVERIFY(m.setText(QString(500, QLatin1Char('W'))));
    QVERIFY(in(m).relayoutPending());
    QCOMPARE(m.sizeHint().width(), 400);
    QVERIFY(m.sizeHint().height() > 14);
}

void TestWidgetMarquee::accessibleNameIsTheText() {
    ZqMarquee m;
    QVERIFY(m.setText(QStringLiteral("<H 1>Kavel32<IMG 1> <COLOR R200>packs\r\nreleases")));
    QCOMPARE(m.accessibleName(), QStringLiteral("Kavel32 packs releases"));
    QCOMPARE(m.accessibleDescription(), QStringLiteral("Scrolling banner"));
    // What the embedder names it stays.
    m.setAccessibleName(QStringLiteral("News"));
    QVERIFY(m.setText(QStringLiteral("other")));
    QCOMPARE(m.accessibleName(), QStringLiteral("News"));
}

void TestWidgetMarquee::stateRoundTripsAndRefusals() {
    ZqMarquee m;
    QVERIFY(m.setText(QStringLiteral("<IMG 2>saved")));
    m.setDirection(ZqMarquee::LeftToRight);
    QPixmap blue(4, 4);
    blue.fill(Qt::blue);
    QVERIFY(m.setPicture(2, blue));
    m.resize(200, 30);
    const QByteArray state = m.saveState();

    ZqMarquee n;
    QVERIFY(n.restoreState(state));
    QCOMPARE(n.text(), QStringLiteral("<IMG 2>saved"));
    QCOMPARE(n.direction(), ZqMarquee::LeftToRight);
    QCOMPARE(n.picture(2).size(), QSize(4, 4));
    MarqueeModel expected = in(m).model();
    expected.extentWidth = pixelsToHimetric(200);
    expected.extentHeight = pixelsToHimetric(30);
    QCOMPARE(in(n).model(), expected);
    n.resize(200, 30);
    QCOMPARE(n.saveState(), state);

    // A refused state changes nothing and says why.
    QString error;
    QVERIFY(!n.restoreState(state.left(state.size() / 2), &error));
    QVERIFY2(error.contains(QStringLiteral("ends too early")), qPrintable(error));
    QCOMPARE(n.text(), QStringLiteral("<IMG 2>saved"));

    // A picture of a few kilobytes that would decode to 125 MB is refused by name.
    MarqueeModel huge;
    PictureData p;
    const QByteArray bytes = png(5600, 5600, QImage::Format_Mono);
    QVERIFY(bytes.size() < 20000);
    p.bytes.assign(bytes.begin(), bytes.end());
    p.format = PictureFormat::Png;
    huge.picture[0] = p;
    const std::vector<std::uint8_t> stream = saveToStream(huge);
    QVERIFY(!n.restoreState(QByteArray(reinterpret_cast<const char*>(stream.data()),
                                       static_cast<qsizetype>(stream.size())),
                            &error));
    QVERIFY2(error.contains(QStringLiteral("Picture1")), qPrintable(error));
    QVERIFY2(error.contains(QString::number(ZqMarquee::MaxDesignBytes)), qPrintable(error));
    QCOMPARE(n.text(), QStringLiteral("<IMG 2>saved"));
}

// Both sides of the bound: the largest picture a design may hold is taken, one row more is not.
void TestWidgetMarquee::pictureBeyondTheBoundIsRefused() {
    ZqMarquee m;
    QVERIFY(m.setText(QString()));
    const qint64 room = ZqMarquee::MaxDesignBytes / 4;
    const int side = 2048; // 2048 x 4096 pixels fill the bound exactly, with no bytes to spare
    QCOMPARE(qint64(side) * (2 * side), room);
    QPixmap fits(side, 2 * side - 64); // leaves room for its own PNG bytes
    fits.fill(Qt::black);
    QVERIFY(m.setPicture(1, fits));
    QVERIFY(designMemory(in(m).model()) <= kMaxDesignBytes);
    QPixmap past(side, 2 * side + 1);
    past.fill(Qt::black);
    QSignalSpy pictures(&m, &ZqMarquee::picturesChanged);
    QVERIFY(!m.setPicture(1, past));
    QCOMPARE(pictures.count(), 0);
    QCOMPARE(m.picture(1).height(), 2 * side - 64);
}

void TestWidgetMarquee::mouseEvents() {
    ZqMarquee m;
    m.resize(100, 40);
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    QSignalSpy down(&m, &ZqMarquee::mouseDown);
    QSignalSpy up(&m, &ZqMarquee::mouseUp);
    QSignalSpy click(&m, &ZqMarquee::click);
    QSignalSpy clicked(&m, &ZqMarquee::clicked);
    QTest::mouseClick(&m, Qt::RightButton, Qt::ShiftModifier, QPoint(10, 12));
    QCOMPARE(down.count(), 1);
    QCOMPARE(down[0][0].value<short>(), short(2));
    QCOMPARE(down[0][1].value<short>(), short(1));
    QCOMPARE(down[0][2].toInt(), 10);
    QCOMPARE(down[0][3].toInt(), 12);
    QCOMPARE(up.count(), 1);
    QCOMPARE(up[0][0].value<short>(), short(2));
    QCOMPARE(click.count(), 1);
    QCOMPARE(clicked.count(), 1);
    QTest::mouseClick(&m, Qt::LeftButton, Qt::ControlModifier, QPoint(50, 20));
    QCOMPARE(down[1][0].value<short>(), short(1));
    QCOMPARE(down[1][1].value<short>(), short(2));
    QCOMPARE(click.count(), 2);
    // Released outside the control: no Click.
    QTest::mousePress(&m, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&m, Qt::LeftButton, {}, QPoint(150, 5));
    QCOMPARE(click.count(), 2);
    QCOMPARE(clicked.count(), 2);
    QCOMPARE(up.count(), 3);
}

void TestWidgetMarquee::doubleClick() {
    ZqMarquee m;
    m.resize(100, 40);
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    QSignalSpy dbl(&m, &ZqMarquee::dblClick);
    QSignalSpy doubleClicked(&m, &ZqMarquee::doubleClicked);
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
    QCOMPARE(doubleClicked.count(), 1);
    QCOMPARE(down.count(), 1);
    QCOMPARE(click.count(), 0); // the release after a double click is no click
}

QTEST_MAIN(TestWidgetMarquee)
#include "test_widget_marquee.moc"
