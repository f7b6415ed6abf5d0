// The control object: dispatch by id and name with conversions and refusals, events to
// connected sinks, persistence through the control, and the About window.
#include "about_dialog.h"
#include "enums.h"
#include "marquee_control.h"
#include "zq_marquee_p.h"

#include <QApplication>
#include <QBuffer>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QWidget>
#include <QtTest>

using namespace zqmarq;

Q_DECLARE_METATYPE(zqmarq::Variant)

namespace {

struct Recorder : IZqEventSink {
    struct Event {
        std::int32_t dispid;
        std::vector<Variant> args;
    };
    std::vector<Event> events;
    std::function<void()> onFirst;
    virtual ~Recorder() = default;
    void onEvent(std::int32_t dispid, std::span<const Variant> args) override {
        events.push_back({dispid, {args.begin(), args.end()}});
        if (onFirst) {
            auto f = std::move(onFirst);
            onFirst = nullptr;
            f();
        }
    }
    int count(std::int32_t dispid) const {
        return static_cast<int>(std::count_if(
            events.begin(), events.end(), [dispid](const Event& e) { return e.dispid == dispid; }));
    }
};

struct Site : IZqControlSite {
    int modified = 0;
    std::vector<std::int32_t> changed;
    AmbientProperties ambients;
    virtual ~Site() = default;
    void onControlModified() override { ++modified; }
    void onPropertyChanged(std::int32_t dispid) override { changed.push_back(dispid); }
    AmbientProperties ambientProperties() const override { return ambients; }
};

ZqMarqueePrivate& in(QWidget* w) {
    return ZqMarqueePrivate::get(*static_cast<ZqMarquee*>(w));
}

// Counts the paints a widget receives.
struct PaintCounter : QObject {
    int count = 0;
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// A control with one reference held by the test.
struct ControlRef {
    MarqueeControl* c = new MarqueeControl;
    ~ControlRef() { c->release(); }
    MarqueeControl* operator->() const { return c; }
};

Variant get(IZqDispatch* d, std::int32_t id) {
    Variant v;
    const HResult hr = d->invoke(id, InvokeKind::PropertyGet, {}, &v);
    if (!succeeded(hr))
        qWarning("get %d failed", id);
    return v;
}

HResult put(IZqDispatch* d, std::int32_t id, const Variant& value) {
    const Variant args[] = {value};
    return d->invoke(id, InvokeKind::PropertyPut, args, nullptr);
}

} // namespace

class TestComponentControl : public QObject {
    Q_OBJECT

  private slots:
    void tableHasTheDispatchOrder() {
        const char* names[] = {"Direction",         "TickIncrement", "Frame",    "TickTime",
                               "NextDisplayString", "Justification", "Redraw",   "Picture1",
                               "Picture2",          "Picture3",      "Heading1", "Heading2",
                               "Heading3",          "Picture4",      "Picture5", "Picture6",
                               "Picture7",          "Picture8",      "Picture9", "Heading4",
                               "Heading5",          "FreezeMarquee"};
        const auto table = dispatchTable();
        for (int i = 0; i < 22; ++i) {
            QCOMPARE(table[static_cast<std::size_t>(i)].dispid, i + 1);
            QCOMPARE(QString::fromLatin1(table[static_cast<std::size_t>(i)].name),
                     QString::fromLatin1(names[i]));
        }
        const std::pair<const char*, int> stock[] = {{"BackColor", -501}, {"ForeColor", -513},
                                                     {"Text", -517},      {"Font", -512},
                                                     {"hWnd", -515},      {"AboutBox", -552}};
        for (std::size_t i = 0; i < 6; ++i) {
            QCOMPARE(table[22 + i].dispid, stock[i].second);
            QCOMPARE(QString::fromLatin1(table[22 + i].name), QString::fromLatin1(stock[i].first));
        }
        QCOMPARE(pictureDispid(5), 15);
        QCOMPARE(headingDispid(4), 20);
        QCOMPARE(QString::fromLatin1(findProperty(dispid::kAboutBox)->helpString),
                 QStringLiteral("Dispays the about box"));
        QCOMPARE(frameEnum().members.size(), std::size_t(6));
        QCOMPARE(QString::fromLatin1(directionEnum().members[3].helpString),
                 QStringLiteral("Scroll from bottom to top"));
        QCOMPARE(eventTable().size(), std::size_t(6));
        QCOMPARE(findEvent(dispid::kMouseDown)->params.size(), std::size_t(4));
    }

    void namesResolveWithoutCase() {
        ControlRef c;
        std::int32_t id = 0;
        QCOMPARE(c->getIdOfName("ticktime", id), kSOk);
        QCOMPARE(id, 4);
        QCOMPARE(c->getIdOfName("FREEZEMARQUEE", id), kSOk);
        QCOMPARE(id, 22);
        QCOMPARE(c->getIdOfName("Speed", id), kDispEUnknownName);
    }

    void setAndGetConvert_data() {
        QTest::addColumn<int>("dispid");
        QTest::addColumn<QString>("given");
        QTest::addColumn<int>("expectedResult");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("direction from string") << 1 << "3" << int(kSOk) << "3";
        QTest::newRow("direction from text") << 1 << "left" << int(kDispETypeMismatch) << "0";
        QTest::newRow("tick time 16-bit") << 4 << "32767" << int(kSOk) << "32767";
        QTest::newRow("tick time overflow") << 4 << "70000" << int(kDispEOverflow) << "100";
        QTest::newRow("increment negative") << 2 << "-3" << int(kSOk) << "-3";
        QTest::newRow("justification 7 kept") << 6 << "7" << int(kSOk) << "7";
        QTest::newRow("next display string") << 5 << "<H 1>next" << int(kSOk) << "<H 1>next";
        QTest::newRow("text") << -517 << "hello" << int(kSOk) << "hello";
        QTest::newRow("back colour") << -501 << "255" << int(kSOk) << "255";
    }
    void setAndGetConvert() {
        QFETCH(int, dispid);
        QFETCH(QString, given);
        QFETCH(int, expectedResult);
        QFETCH(QString, readBack);
        ControlRef c;
        QCOMPARE(put(c.c, dispid, given.toStdString()), HResult(expectedResult));
        std::string back;
        QCOMPARE(get(c.c, dispid).toString(back), kSOk);
        QCOMPARE(QString::fromStdString(back), readBack);
    }

    void onSetEffects() {
        ControlRef c;
        Site site;
        c->setClientSite(&site);
        QWidget parent;
        auto* w = static_cast<ZqMarquee*>(c->window(&parent));
        QVERIFY(!c->isDirty());

        // Redraw is stored and marks modified, nothing else.
        const MarqueeModel before = c->model();
        QCOMPARE(put(c.c, dispid::kRedraw, false), kSOk);
        QCOMPARE(site.modified, 1);
        QVERIFY(c->isDirty());
        MarqueeModel expected = before;
        expected.redraw = false;
        QCOMPARE(c->model(), expected);
        QCOMPARE(get(c.c, dispid::kRedraw), Variant(false));

        // The widget sees every change.
        QCOMPARE(put(c.c, dispid::kTickTime, std::int16_t(250)), kSOk);
        QCOMPARE(w->tickTime(), 250);
        QCOMPARE(put(c.c, dispid::kText, "new"), kSOk);
        QCOMPARE(w->text(), QStringLiteral("new"));
        QCOMPARE(site.modified, 3);

        // hWnd is read-only; a failed set changes nothing and marks nothing.
        QCOMPARE(put(c.c, dispid::kHWnd, std::int32_t(5)), kCtlESetNotSupported);
        QCOMPARE(put(c.c, dispid::kFrame, "x"), kDispETypeMismatch);
        QCOMPARE(site.modified, 3);
        QCOMPARE(c->invoke(dispid::kText, InvokeKind::PropertyPut, {}, nullptr),
                 kDispEBadParamCount);
        QCOMPARE(c->invoke(999, InvokeKind::PropertyGet, {}, nullptr), kDispEMemberNotFound);
        c->setClientSite(nullptr);
    }

    // Every set has the effects Part of the control's contract gives it, whether made through
    // the control or on a standalone window: re-layout, repaint, modified, notify.
    void setEffectsPerProperty_data() {
        QTest::addColumn<int>("dispid");
        QTest::addColumn<Variant>("value");
        QTest::addColumn<bool>("relayout");
        QTest::addColumn<bool>("repaint");
        QTest::addColumn<bool>("notify");
        FontDesc arial;
        arial.faceName = "Arial";
        PictureData picture;
        picture.bytes = {1, 2};
        picture.format = PictureFormat::Icon; // not decodable: draws nothing
        picture.widthHimetric = picture.heightHimetric = 265;
        auto row = [](const char* name, int id, Variant v, bool relayout, bool repaint,
                      bool notify) {
            QTest::newRow(name) << id << v << relayout << repaint << notify;
        };
        row("Direction", 1, std::int32_t(1), false, true, false);
        row("TickIncrement", 2, std::int16_t(3), false, false, false);
        row("Frame", 3, std::int32_t(4), false, true, false);
        row("TickTime", 4, std::int16_t(200), false, false, false);
        row("NextDisplayString", 5, "next", false, false, false);
        row("Justification", 6, std::int32_t(2), true, false, false);
        row("Redraw", 7, false, false, false, false);
        row("Picture2", 9, Variant::picture(picture), true, true, false);
        row("Heading4", 20, Variant::font(arial), true, false, false);
        row("FreezeMarquee", 22, true, false, false, false);
        row("BackColor", -501, Variant::color(rgb(1, 2, 3)), true, true, true);
        row("ForeColor", -513, Variant::color(rgb(3, 2, 1)), true, true, true);
        row("Text", -517, "changed", true, true, true);
        row("Font", -512, Variant::font(arial), true, true, true);
    }
    void setEffectsPerProperty() {
        QFETCH(int, dispid);
        QFETCH(Variant, value);
        QFETCH(bool, relayout);
        QFETCH(bool, repaint);
        QFETCH(bool, notify);
        ControlRef c;
        Site site;
        c->setClientSite(&site);
        QWidget parent;
        parent.resize(120, 40);
        auto* hosted = static_cast<ZqMarquee*>(c->window(&parent));
        ZqMarquee standalone;
        QSignalSpy modified(&in(&standalone), &ZqMarqueePrivate::modified);
        QSignalSpy changed(&in(&standalone), &ZqMarqueePrivate::propertyChanged);
        PaintCounter hostedPaints(hosted), standalonePaints(&standalone);
        // Frozen, so that no tick paints; both laid out and painted once.
        QCOMPARE(put(c.c, dispid::kFreezeMarquee, true), kSOk);
        standalone.setFreezeMarquee(true);
        parent.show();
        standalone.resize(120, 40);
        standalone.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        QVERIFY(QTest::qWaitForWindowExposed(&standalone));
        QTRY_VERIFY(!in(hosted).relayoutPending() && !in(&standalone).relayoutPending());
        QTest::qWait(20);
        site.modified = 0;
        hostedPaints.count = standalonePaints.count = 0;
        modified.clear();

        QCOMPARE(put(c.c, dispid, value), kSOk);
        QCOMPARE(in(&standalone).setProperty(dispid, value), kSOk);
        QCOMPARE(in(hosted).relayoutPending(), relayout);
        QCOMPARE(in(&standalone).relayoutPending(), relayout);
        QTest::qWait(30);
        QCOMPARE(hostedPaints.count > 0, repaint);
        QCOMPARE(standalonePaints.count > 0, repaint);
        QCOMPARE(site.modified, 1);
        QVERIFY(c->isDirty());
        QCOMPARE(modified.count(), 1);
        QCOMPARE(site.changed == std::vector<std::int32_t>{dispid}, notify);
        QCOMPARE(changed.count(), notify ? 1 : 0);
        c->setClientSite(nullptr);
    }

    // The swap at a wrap sets Text as a set does: the control is modified, the site told, and
    // its one record (which a save stores, with or without a window) holds the new text.
    void swapAtAWrapIsASetOfText() {
        ControlRef c;
        Site site;
        c->setClientSite(&site);
        QWidget parent;
        auto* w = static_cast<ZqMarquee*>(c->window(&parent));
        w->resize(100, 30);
        QCOMPARE(put(c.c, dispid::kText, "old"), kSOk);
        QCOMPARE(put(c.c, dispid::kTickIncrement, std::int16_t(500)), kSOk);
        QCOMPARE(put(c.c, dispid::kNextDisplayString, "new"), kSOk);
        std::vector<std::uint8_t> saved;
        QCOMPARE(c->saveStream(saved), kSOk);
        site.modified = 0;
        site.changed.clear();
        QVERIFY(!c->isDirty());
        w->repaint(); // lays "old" out
        in(w).tick(); // leaves the control at once: wraps and swaps
        QCOMPARE(w->text(), QStringLiteral("new"));
        QVERIFY(c->isDirty());
        QCOMPARE(site.modified, 1);
        QCOMPARE(site.changed, std::vector<std::int32_t>{dispid::kText});
        QCOMPARE(get(c.c, dispid::kText), Variant("new"));
        QCOMPARE(get(c.c, dispid::kNextDisplayString), Variant(""));
        delete w; // the window goes first; the record stays the control's
        QCOMPARE(c->model().text, std::string("new"));
        QCOMPARE(c->saveStream(saved), kSOk);
        MarqueeModel back;
        QVERIFY(loadFromStream(saved.data(), saved.size(), back));
        QCOMPARE(back.text, std::string("new"));
        c->setClientSite(nullptr);
    }

    // The container's ambient font and fore colour are what a reset gives; its palette is what
    // system colours stand for, and it is read again when the container says it changed.
    void ambientPropertiesOfTheSite() {
        ControlRef c;
        Site site;
        FontDesc arial;
        arial.faceName = "Arial";
        arial.size = 100000;
        arial.weight = 700;
        site.ambients.font = arial;
        site.ambients.foreColor = rgb(0, 0, 255);
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(32, 32, 40));
        dark.setColor(QPalette::WindowText, QColor(200, 200, 0)); // button text: the window's
        site.ambients.palette = dark;
        c->setClientSite(&site);
        QCOMPARE(c->initNew(), kSOk);
        QCOMPARE(get(c.c, dispid::kForeColor), Variant::color(rgb(0, 0, 255)));
        QCOMPARE(*get(c.c, dispid::kFont).asFont(), arial);
        // Stored data with its own stock values keeps them.
        MarqueeModel stored;
        stored.foreColor = rgb(9, 9, 9);
        const std::vector<std::uint8_t> bytes = saveToStream(stored);
        QCOMPARE(c->loadStream(bytes.data(), bytes.size(), nullptr), kSOk);
        QCOMPARE(get(c.c, dispid::kForeColor), Variant::color(rgb(9, 9, 9)));
        QCOMPARE(c->initNew(), kSOk);

        QWidget parent;
        auto* w = static_cast<ZqMarquee*>(c->window(&parent));
        QCOMPARE(put(c.c, dispid::kText, "WWWWWWWW"), kSOk);
        QCOMPARE(put(c.c, dispid::kBackColor, Variant::color(systemColor(kColorBtnFace))), kSOk);
        QCOMPARE(put(c.c, dispid::kFrame, std::int32_t(0)), kSOk);
        auto colours = [w] {
            QImage image(200, 40, QImage::Format_RGB32);
            QPainter painter(&image);
            in(w).render(&painter, QRect(0, 0, 200, 40));
            painter.end();
            QSet<QRgb> seen;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    seen.insert(image.pixel(x, y) & 0xFFFFFF);
            return seen;
        };
        QSet<QRgb> seen = colours();
        QVERIFY(seen.contains(qRgb(32, 32, 40) & 0xFFFFFF)); // button face: the palette's
        QVERIFY(seen.contains(qRgb(0, 0, 255) & 0xFFFFFF));  // the ambient fore colour
        // A system fore colour follows the palette too, and a palette change is read again.
        QCOMPARE(put(c.c, dispid::kForeColor, Variant::color(systemColor(kColorBtnText))), kSOk);
        QVERIFY(colours().contains(qRgb(200, 200, 0) & 0xFFFFFF));
        dark.setColor(QPalette::Window, QColor(10, 60, 10));
        site.ambients.palette = dark;
        c->ambientPropertiesChanged();
        QVERIFY(colours().contains(qRgb(10, 60, 10) & 0xFFFFFF));
        // Without a container: the platform's palette.
        c->setClientSite(nullptr);
        const QColor face = w->palette().color(QPalette::Window);
        QVERIFY(colours().contains(face.rgb() & 0xFFFFFF));
    }

    void objectsAreHeldAndEmptyReadsAsNothing() {
        ControlRef c;
        QVERIFY(get(c.c, pictureDispid(5)).isEmpty());
        FontDesc f;
        f.faceName = "Arial";
        f.size = 97500;
        QCOMPARE(put(c.c, headingDispid(2), Variant::font(f)), kSOk);
        QCOMPARE(*get(c.c, headingDispid(2)).asFont(), f);
        // No font given: the default heading font description.
        QCOMPARE(put(c.c, headingDispid(2), Variant()), kSOk);
        QCOMPARE(*get(c.c, headingDispid(2)).asFont(), FontDesc::defaultHeading());
        QCOMPARE(put(c.c, headingDispid(2), std::int32_t(1)), kDispETypeMismatch);

        // A picture's bytes are decoded when set.
        QImage image(8, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QVERIFY(image.save(&buffer, "PNG"));
        PictureData p;
        p.bytes.assign(png.begin(), png.end());
        QCOMPARE(put(c.c, pictureDispid(3), Variant::picture(p)), kSOk);
        const PictureRef held = get(c.c, pictureDispid(3)).asPicture();
        QVERIFY(held);
        QCOMPARE(held->format, PictureFormat::Png);
        QVERIFY(held->widthHimetric > 0);
        QCOMPARE(put(c.c, pictureDispid(3), Variant()), kSOk);
        QVERIFY(get(c.c, pictureDispid(3)).isEmpty());

        // What a container sets is held to the bound of what it loads: a picture of a few
        // kilobytes that decodes to 125 MB is refused and nothing changes.
        QImage huge(5600, 5600, QImage::Format_Mono);
        huge.fill(0);
        QByteArray hugePng;
        QBuffer hugeBuffer(&hugePng);
        QVERIFY(hugeBuffer.open(QIODevice::WriteOnly));
        QVERIFY(huge.save(&hugeBuffer, "PNG"));
        p.bytes.assign(hugePng.begin(), hugePng.end());
        std::vector<std::uint8_t> saved;
        QCOMPARE(c->saveStream(saved), kSOk);
        QCOMPARE(put(c.c, pictureDispid(3), Variant::picture(p)), kCtlEInvalidPropertyValue);
        QVERIFY(get(c.c, pictureDispid(3)).isEmpty());
        QVERIFY(!c->isDirty());
    }

    // The window a container hosts takes the reduced-motion choice by property name, and the
    // application's choice when it is made.
    void reducedMotionOfTheHostedWindow() {
        ControlRef c;
        QWidget parent;
        QWidget* w = c->window(&parent);
        QCOMPARE(w->property("reducedMotion").toBool(), false);
        QVERIFY(w->setProperty("reducedMotion", true));
        QVERIFY(in(w).reducedMotion());
        qApp->setProperty("reducedMotion", true);
        ControlRef d;
        QWidget* w2 = d->window(&parent);
        qApp->setProperty("reducedMotion", QVariant());
        QVERIFY(w2->property("reducedMotion").toBool());
        // Not part of the design: the control neither stores it nor is modified by it.
        QVERIFY(!c->isDirty());
    }

    void eventsReachConnectedSinks() {
        ControlRef c;
        QWidget parent;
        parent.resize(200, 50);
        auto* w = static_cast<ZqMarquee*>(c->window(&parent));
        w->setGeometry(0, 0, 100, 30);
        parent.show();
        Recorder a, b;
        std::uint32_t ca = 0, cb = 0;
        QCOMPARE(c->advise(&a, ca), kSOk);
        QCOMPARE(c->advise(&b, cb), kSOk);
        QVERIFY(ca != cb);

        QTest::mousePress(w, Qt::RightButton, Qt::ShiftModifier, QPoint(7, 9));
        QTest::mouseRelease(w, Qt::RightButton, Qt::ShiftModifier, QPoint(7, 9));
        QCOMPARE(a.count(dispid::kMouseDown), 1);
        const auto down = std::find_if(a.events.begin(), a.events.end(), [](const auto& e) {
            return e.dispid == dispid::kMouseDown;
        });
        QCOMPARE(down->args.size(), std::size_t(4));
        QCOMPARE(down->args[0], Variant(std::int16_t(2)));
        QCOMPARE(down->args[1], Variant(std::int16_t(1)));
        QCOMPARE(down->args[2], Variant(std::int32_t(7)));
        QCOMPARE(down->args[3], Variant(std::int32_t(9)));
        QCOMPARE(a.count(dispid::kMouseUp), 1);
        QCOMPARE(b.count(dispid::kMouseDown), 1);

        // A sink that disconnects from inside its handler does not disturb the others.
        a.events.clear();
        b.events.clear();
        a.onFirst = [&] { c->unadvise(ca); };
        QVERIFY(succeeded(c->initNew()));
        QCOMPARE(put(c.c, dispid::kText, "ab"), kSOk);
        QCOMPARE(put(c.c, dispid::kTickIncrement, std::int16_t(60)), kSOk);
        w->repaint(); // lays the content out
        for (int i = 0; i < 10 && b.count(dispid::kFinishedDisplay) < 2; ++i)
            in(w).tick();
        QCOMPARE(a.count(dispid::kFinishedDisplay), 1);
        QVERIFY(b.count(dispid::kFinishedDisplay) >= 2);
        QCOMPARE(c->unadvise(ca), kEInvalidArg);
        QCOMPARE(c->unadvise(cb), kSOk);
    }

    void loadingRestartsAFrozenMarquee() {
        ControlRef c;
        QWidget parent;
        auto* w = static_cast<ZqMarquee*>(c->window(&parent));
        w->resize(100, 30);
        QCOMPARE(put(c.c, dispid::kFreezeMarquee, true), kSOk);
        std::vector<std::uint8_t> stored;
        QCOMPARE(c->saveStream(stored), kSOk);
        QVERIFY(!c->isDirty());

        ControlRef loaded;
        auto* w2 = static_cast<ZqMarquee*>(loaded->window(&parent));
        w2->resize(100, 30);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        QCOMPARE(loaded->loadStream(stored.data(), stored.size(), nullptr), kSOk);
        QCOMPARE(get(loaded.c, dispid::kFreezeMarquee), Variant(false));
        w2->repaint();
        const int start = in(w2).scrollPosition();
        in(w2).tick();
        in(w2).tick();
        QCOMPARE(in(w2).scrollPosition(), start - 2);
    }

    void extentFollowsTheWindow() {
        ControlRef c;
        QWidget parent;
        auto* w = c->window(&parent);
        MarqueeModel m;
        m.extentWidth = 11853; // 448 x 25 pixels
        m.extentHeight = 661;
        const std::vector<std::uint8_t> stored = saveToStream(m);
        QCOMPARE(c->loadStream(stored.data(), stored.size(), nullptr), kSOk);
        QCOMPARE(w->size(), QSize(448, 25));
        w->resize(100, 40);
        std::vector<std::uint8_t> saved;
        c->saveStream(saved);
        MarqueeModel back;
        QVERIFY(loadFromStream(saved.data(), saved.size(), back));
        QCOMPARE(back.extentWidth, 2646);
        QCOMPARE(back.extentHeight, 1058);
    }

    void refusedStreamLeavesDefaults() {
        ControlRef c;
        QCOMPARE(put(c.c, dispid::kFrame, std::int32_t(5)), kSOk);
        std::vector<std::uint8_t> stored;
        c->saveStream(stored);
        stored.resize(stored.size() / 2);
        std::string error;
        QCOMPARE(c->loadStream(stored.data(), stored.size(), &error), kEFail);
        QVERIFY2(error.find("ends too early") != std::string::npos, error.c_str());
        QCOMPARE(get(c.c, dispid::kFrame), Variant(std::int32_t(2)));
        QCOMPARE(get(c.c, dispid::kText), Variant("Nimbrel Marquee"));
    }

    void keyedFormThroughTheControl() {
        ControlRef c;
        QCOMPARE(put(c.c, dispid::kDirection, std::int32_t(3)), kSOk);
        PropertyBag bag;
        QCOMPARE(c->saveBag(bag), kSOk);
        ControlRef d;
        QCOMPARE(d->loadBag(bag, nullptr), kSOk);
        QCOMPARE(get(d.c, dispid::kDirection), Variant(std::int32_t(3)));
    }

    void aboutBoxIsModelessAndCentred() {
        ControlRef c;
        QCOMPARE(c->invoke(dispid::kAboutBox, InvokeKind::Method, {}, nullptr), kSOk);
        QWidget* about = c->showAbout();
        QVERIFY(about->isVisible());
        QVERIFY(!about->isModal());
        QCOMPARE(about->windowTitle(), QStringLiteral("About Nimbrel Marquee Control"));
        QCOMPARE(about->objectName(), QStringLiteral("ZqAboutDlg"));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(about->pos(), AboutDialog::centredOnScreen(about->size(), screen));
        QCOMPARE(AboutDialog::centredOnScreen(QSize(200, 100), QRect(0, 0, 1000, 800)),
                 QPoint(400, 350));
        // Larger than the screen: clamped so that the top-left stays visible.
        QCOMPARE(AboutDialog::centredOnScreen(QSize(1200, 900), QRect(0, 0, 1000, 800)),
                 QPoint(0, 0));
        QCOMPARE(c->invoke(dispid::kAboutBox, InvokeKind::PropertyGet, {}, nullptr),
                 kDispEMemberNotFound);
    }
};

QTEST_MAIN(TestComponentControl)
#include "test_component_control.moc"
