// Property pages and windows: the General page's fields and range refusals, the property
// frame staying open on a refusal, the stock pages, the Info page's logo and How To Use.
#include "about_dialog.h"
#include "marquee_control.h"
#include "page_support.h"
#include "picture_decode.h"
#include "property_frame.h"
#include "property_pages.h"
#include "zq_marquee_p.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QtTest>

using namespace zqmarq;

namespace {

// Records the dispatch calls a page makes, and answers gets from a model.
class RecordingObject final : public IZqDispatch {
  public:
    MarqueeModel model;
    std::vector<std::int32_t> puts;

    HResult queryInterface(const Guid&, void**) override { return kENoInterface; }
    std::uint32_t addRef() override { return 1; }
    std::uint32_t release() override { return 1; }
    const TypeInfo& typeInfo() const override {
        static const TypeInfo info{ids::kTypeLib,   ids::kDispatch, ids::kEvents,
                                   dispatchTable(), eventTable(),   typeLibEnums()};
        return info;
    }
    HResult getIdOfName(const std::string& name, std::int32_t& id) const override {
        const PropertyInfo* p = findProperty(name);
        if (!p)
            return kDispEUnknownName;
        id = p->dispid;
        return kSOk;
    }
    HResult invoke(std::int32_t id, InvokeKind kind, std::span<const Variant> args,
                   Variant* result) override {
        if (kind == InvokeKind::PropertyGet)
            return getProperty(model, id, *result);
        puts.push_back(id);
        return setProperty(model, id, args[0]);
    }
    virtual ~RecordingObject() = default;
};

struct MessageCatcher {
    QStringList messages;
    PageMessageHandler previous;
    MessageCatcher() {
        previous =
            setPageMessageHandler([this](QWidget*, const QString& text) { messages << text; });
    }
    ~MessageCatcher() { setPageMessageHandler(std::move(previous)); }
};

QLineEdit* edit(GeneralPage& page, int id) {
    return qobject_cast<QLineEdit*>(page.control(id));
}
QComboBox* list(GeneralPage& page, int id) {
    return qobject_cast<QComboBox*>(page.control(id));
}

} // namespace

class TestComponentPages : public QObject {
    Q_OBJECT

  private slots:
    void generalPageBeforeFilling() {
        GeneralPage page;
        QCOMPARE(list(page, 202)->currentIndex(), -1);
        QCOMPARE(list(page, 205)->currentIndex(), -1);
        QCOMPARE(list(page, 207)->currentIndex(), -1);
        QCOMPARE(edit(page, 203)->text(), QStringLiteral("0"));
        QCOMPARE(edit(page, 206)->text(), QStringLiteral("0"));
        QVERIFY(qobject_cast<QPlainTextEdit*>(page.control(201))->toPlainText().isEmpty());
        QCOMPARE(list(page, 207)->count(), 6);
        QCOMPARE(list(page, 207)->itemText(5), QStringLiteral("5 - Shadow"));
        QCOMPARE(list(page, 202)->itemText(3), QStringLiteral("3 - Bottom to Top"));
        QCOMPARE(page.findChild<QLabel*>(QStringLiteral("Label203"))->text(),
                 QStringLiteral("Scroll &Elapse"));
        QCOMPARE(page.findChild<QLabel*>(QStringLiteral("Label206"))->text(),
                 QStringLiteral("Scroll &Increment"));
        QCOMPARE(page.caption(), QStringLiteral("General"));
    }

    void rangesAreChecked_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("elapse 49") << 203 << "49"
                                   << "Please enter an integer between 50 and 5000.";
        QTest::newRow("elapse 50") << 203 << "50"
                                   << "";
        QTest::newRow("elapse 5000") << 203 << "5000"
                                     << "";
        QTest::newRow("elapse 5001") << 203 << "5001"
                                     << "Please enter an integer between 50 and 5000.";
        QTest::newRow("elapse text") << 203 << "fast"
                                     << "Please enter an integer.";
        QTest::newRow("increment 0") << 206 << "0"
                                     << "Please enter an integer between 1 and 10.";
        QTest::newRow("increment 1") << 206 << "1"
                                     << "";
        QTest::newRow("increment 10") << 206 << "10"
                                      << "";
        QTest::newRow("increment 11") << 206 << "11"
                                      << "Please enter an integer between 1 and 10.";
    }
    void rangesAreChecked() {
        QFETCH(int, field);
        QFETCH(QString, value);
        QFETCH(QString, message);
        RecordingObject object;
        GeneralPage page;
        page.fill(&object);
        edit(page, field)->setText(value);
        MessageCatcher catcher;
        const bool applied = page.apply(&object);
        QCOMPARE(applied, message.isEmpty());
        if (message.isEmpty()) {
            QVERIFY(catcher.messages.isEmpty());
            QCOMPARE(
                std::to_string(field == 203 ? object.model.tickTime : object.model.tickIncrement),
                value.toStdString());
        } else {
            QCOMPARE(catcher.messages, QStringList{message});
            QVERIFY(object.puts.empty()); // nothing written while a value is refused
        }
    }

    // The stored text is one Latin-1 byte per character: Apply says which character it cannot
    // store and writes nothing, rather than storing a "?" in its place.
    void textThatCannotBeStoredIsRefused_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("Latin-1") << QStringLiteral("caf\u00e9 \u00ff") << QString();
        QTest::newRow("Cyrillic and euro")
            << QStringLiteral("\u041f\u0440\u0438\u0432\u0435\u0442 \u20ac caf\u00e9")
            << QStringLiteral("The text cannot be stored: \"\u041f\" (U+041F) at position 1 is not "
                              "a Latin-1 character, and the marquee stores one byte per "
                              "character.");
        QTest::newRow("after a line break")
            << QStringLiteral("ab\n\u0100") << QStringLiteral("(U+0100) at position 4");
    }
    void textThatCannotBeStoredIsRefused() {
        QFETCH(QString, text);
        QFETCH(QString, message);
        RecordingObject object;
        GeneralPage page;
        page.fill(&object);
        list(page, 207)->setCurrentIndex(5);
        qobject_cast<QPlainTextEdit*>(page.control(201))->setPlainText(text);
        MessageCatcher catcher;
        QCOMPARE(page.apply(&object), message.isEmpty());
        if (message.isEmpty()) {
            QCOMPARE(QString::fromStdString(object.model.text), text);
            return;
        }
        QCOMPARE(catcher.messages.size(), 1);
        QVERIFY2(catcher.messages[0].contains(message), qPrintable(catcher.messages[0]));
        QVERIFY(object.puts.empty()); // not even the frame
        QCOMPARE(object.model.text, std::string("Nimbrel Marquee"));
    }

    void exchangeOrderAndValues() {
        RecordingObject object;
        object.model.direction = 2;
        object.model.justification = 0;
        object.model.frame = 4;
        object.model.tickTime = 75;
        object.model.text = "line1\r\nline2";
        GeneralPage page;
        page.fill(&object);
        QCOMPARE(list(page, 202)->currentIndex(), 2);
        QCOMPARE(list(page, 205)->currentIndex(), 0);
        QCOMPARE(list(page, 207)->currentIndex(), 4);
        QCOMPARE(edit(page, 203)->text(), QStringLiteral("75"));
        QCOMPARE(edit(page, 206)->text(), QStringLiteral("1"));
        // Only what was changed is written, in exchange order; a second Apply writes nothing.
        list(page, 207)->setCurrentIndex(5);
        QVERIFY(page.apply(&object));
        QCOMPARE(object.puts, std::vector<std::int32_t>{dispid::kFrame});
        QCOMPARE(object.model.frame, 5);
        object.puts.clear();
        QVERIFY(page.apply(&object));
        QVERIFY(object.puts.empty());
        list(page, 202)->setCurrentIndex(1);
        qobject_cast<QPlainTextEdit*>(page.control(201))->appendPlainText(QStringLiteral("x"));
        list(page, 205)->setCurrentIndex(2);
        edit(page, 206)->setText(QStringLiteral("3"));
        edit(page, 203)->setText(QStringLiteral("80"));
        list(page, 207)->setCurrentIndex(1);
        QVERIFY(page.apply(&object));
        const std::vector<std::int32_t> order = {dispid::kDirection,     dispid::kText,
                                                 dispid::kJustification, dispid::kTickIncrement,
                                                 dispid::kTickTime,      dispid::kFrame};
        QCOMPARE(object.puts, order);
        QCOMPARE(object.model.text, std::string("line1\r\nline2\r\nx"));
    }

    // Apply with nothing edited leaves the control untouched: no notification, and a Text
    // whose line breaks the page would show differently stays byte for byte.
    void applyWithoutEditsWritesNothing() {
        auto* control = new MarqueeControl;
        struct CountingSite : IZqControlSite {
            int modified = 0;
            virtual ~CountingSite() = default;
            void onControlModified() override { ++modified; }
            void onPropertyChanged(std::int32_t) override { ++modified; }
            AmbientProperties ambientProperties() const override { return {}; }
        } site;
        control->setClientSite(&site);
        const std::string text = "a\nb\rc\r\n<H 1>d";
        const Variant args[] = {Variant(text)};
        QCOMPARE(control->invoke(dispid::kText, InvokeKind::PropertyPut, args, nullptr), kSOk);
        std::vector<std::uint8_t> saved;
        control->saveStream(saved);
        site.modified = 0;
        {
            PropertyFrame frame(control);
            QVERIFY(frame.applyAll());
        }
        QCOMPARE(site.modified, 0);
        QVERIFY(!control->isDirty());
        QCOMPARE(control->model().text, text);
        control->setClientSite(nullptr);
        control->release();
    }

    void valuesOutsideTheListsAreKept() {
        RecordingObject object;
        object.model.justification = 7;
        GeneralPage page;
        page.fill(&object);
        QCOMPARE(list(page, 205)->currentIndex(), -1);
        QVERIFY(page.apply(&object));
        QCOMPARE(object.model.justification, 7);
    }

    void frameStaysOpenOnARefusal() {
        auto* control = new MarqueeControl;
        {
            PropertyFrame frame(control);
            QCOMPARE(frame.pages().size(), std::size_t(5));
            QCOMPARE(frame.pages()[0]->caption(), QStringLiteral("General"));
            QCOMPARE(frame.pages()[4]->caption(), QStringLiteral("Info"));
            frame.show();
            auto* general = static_cast<GeneralPage*>(frame.pages()[0]);
            edit(*general, 203)->setText(QStringLiteral("49"));
            MessageCatcher catcher;
            frame.accept();
            QVERIFY(frame.isVisible());
            QCOMPARE(catcher.messages.size(), 1);
            QCOMPARE(control->model().tickTime, std::int16_t(100));
            edit(*general, 203)->setText(QStringLiteral("5000"));
            frame.accept();
            QVERIFY(!frame.isVisible());
            QCOMPARE(control->model().tickTime, std::int16_t(5000));
        }
        control->release();
    }

    void stockPagesApplyOnlyWhatChanged() {
        RecordingObject object;
        StockPage colours(PropType::Color);
        colours.fill(&object);
        QCOMPARE(colours.pending(QStringLiteral("BackColor")), Variant::color(0xFFFFFF));
        colours.setPending(QStringLiteral("ForeColor"), Variant::color(0x0080FFFF));
        QVERIFY(colours.apply(&object));
        QCOMPARE(object.puts, std::vector<std::int32_t>{dispid::kForeColor});
        QCOMPARE(object.model.foreColor, OleColor(0x0080FFFF));

        StockPage pictures(PropType::Picture);
        pictures.fill(&object);
        QVERIFY(pictures.pending(QStringLiteral("Picture9")).isEmpty());
        StockPage fonts(PropType::Font);
        fonts.fill(&object);
        QCOMPARE(*fonts.pending(QStringLiteral("Heading1")).asFont(), object.model.heading[0]);
    }

    // A metafile cannot be shown: it keeps its bytes and its slot, draws nothing, and the
    // picture page says so instead of showing a preview.
    void metafilesAreKeptAndSaidToBeUnshowable() {
        QByteArray wmf("\xD7\xCD\xC6\x9A\0\0"     // placeable key, handle
                       "\0\0\0\0\x40\x0B\xA0\x05" // box 0, 0, 2880, 1440
                       "\xA0\x05\0\0\0\0\0\0"     // 1440 units per inch
                       "\x01\0\x09\0\0\x03",      // WMF header: type, size, version
                       28);
        wmf.append(40, '\0');
        const PictureData picture = pictureFromBytes(wmf);
        QCOMPARE(picture.format, PictureFormat::Metafile);
        QCOMPARE(picture.widthHimetric, 5080); // 2 inches
        QCOMPARE(picture.bytes.size(), std::size_t(wmf.size()));

        RecordingObject object;
        object.model.picture[2] = picture;
        StockPage pictures(PropType::Picture);
        pictures.fill(&object);
        auto* names = pictures.findChild<QListWidget*>(QStringLiteral("Properties"));
        names->setCurrentRow(2);
        const QString preview = pictures.findChild<QLabel*>(QStringLiteral("Preview"))->text();
        QVERIFY2(preview.contains(QStringLiteral("cannot show")), qPrintable(preview));
        QVERIFY(pictures.apply(&object));
        QVERIFY(object.puts.empty());

        ZqMarquee m;
        MarqueeModel model;
        model.text = "<IMG 1>";
        model.picture[0] = picture;
        model.backColor = rgb(0, 0, 255);
        model.frame = 0;
        ZqMarqueePrivate::get(m).loadModel(model);
        QImage image(300, 60, QImage::Format_RGB32);
        QPainter painter(&image);
        ZqMarqueePrivate::get(m).render(&painter, QRect(0, 0, 300, 60));
        painter.end();
        QCOMPARE(ZqMarqueePrivate::get(m).contentSize().cx, 191); // 5080 HIMETRIC / 26.5
        QCOMPARE(image.pixel(50, 30), qRgb(0, 0, 255));
    }

    void infoPageDrawsItsLogoAfterPainting() {
        InfoPage page;
        QCOMPARE(page.caption(), QStringLiteral("Info"));
        QVERIFY(!page.logoShown());
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QTRY_VERIFY(page.logoShown());
        QCOMPARE(page.findChild<QLabel*>(QStringLiteral("Logo909"))->pos(), QPoint(10, 10));
    }

    void howToUseShowsTheHelpText() {
        HowToUseDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("How To Use"));
        QVERIFY(dialog.isModal());
        const auto* text = dialog.findChild<QPlainTextEdit*>(QStringLiteral("HelpText"));
        QVERIFY(text->isReadOnly());
        const QString help = QString::fromLatin1(kHowToUseText);
        QVERIFY(help.startsWith(QStringLiteral("The Nimbrel Marquee control can display")));
        QCOMPARE(help.count(QStringLiteral("\r\n\r\n")), 3);
        QVERIFY(help.contains(QStringLiteral("\r\nPictures:\r\nUse the Picture Property Page")));
        QVERIFY(help.endsWith(QStringLiteral("it is defaulted to zero.\r\n")));
        QCOMPARE(help.count(QLatin1Char('\n')), help.count(QLatin1Char('\r')));
        QCOMPARE(text->toPlainText(),
                 QString(help).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    }
};

QTEST_MAIN(TestComponentPages)
#include "test_component_pages.moc"
