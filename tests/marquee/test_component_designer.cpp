// The Qt Designer plugin: it loads, offers the ZqMarquee widget under the name and header an
// embedder uses, and properties set by name reach the marquee with their conversions.
#include <QtTest>

#ifdef ZQMARQ_DESIGNER_PLUGIN
#include "zq_marquee_p.h"

#include <QPluginLoader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#endif

class TestComponentDesigner : public QObject {
    Q_OBJECT

  private slots:
#ifdef ZQMARQ_DESIGNER_PLUGIN
    void pluginOffersTheMarquee() {
        QPluginLoader loader(QStringLiteral(ZQMARQ_DESIGNER_PLUGIN));
        QObject* instance = loader.instance();
        QVERIFY2(instance, qPrintable(loader.errorString()));
        auto* plugin = qobject_cast<QDesignerCustomWidgetInterface*>(instance);
        QVERIFY(plugin);
        QCOMPARE(plugin->name(), QStringLiteral("zqmarq::ZqMarquee"));
        QCOMPARE(plugin->includeFile(), QStringLiteral("ZQMarq/zq_marquee.h"));
        QVERIFY(plugin->domXml().contains(plugin->name()));
        QWidget parent;
        QWidget* w = plugin->createWidget(&parent);
        QVERIFY(w);
        QCOMPARE(w->parentWidget(), &parent);
        QVERIFY(w->setProperty("tickTime", 250));
        QCOMPARE(w->property("tickTime").toInt(), 250);
        QVERIFY(w->setProperty("text", QStringLiteral("<H 1>Hi")));
        QCOMPARE(w->property("text").toString(), QStringLiteral("<H 1>Hi"));
    }

    // What Designer writes into a form: enum names, QColor, QFont, QPixmap.
    void propertiesConvert() {
        using zqmarq::ZqMarquee;
        ZqMarquee w;
        const zqmarq::MarqueeModel& m = zqmarq::ZqMarqueePrivate::get(w).model();
        QVERIFY(w.setProperty("frame", QStringLiteral("FrameShadow")));
        QCOMPARE(m.frame, 5);
        QVERIFY(w.setProperty("direction", QStringLiteral("BottomToTop")));
        QCOMPARE(m.direction, 3);
        QVERIFY(w.setProperty("foreColor", QColor(255, 255, 128)));
        QCOMPARE(m.foreColor, zqmarq::OleColor(0x0080FFFF));
        QVERIFY(w.setProperty("tickIncrement", 70000));
        QCOMPARE(m.tickIncrement, std::int16_t(32767));
        QFont arial(QStringLiteral("Arial"));
        arial.setPointSizeF(9.75);
        arial.setWeight(QFont::Bold);
        QVERIFY(w.setProperty("heading2", arial));
        QCOMPARE(m.heading[1].faceName, std::string("Arial"));
        QCOMPARE(m.heading[1].size, std::int64_t(97500));
        QCOMPARE(m.heading[1].weight, std::int16_t(700));
        QPixmap red(6, 3);
        red.fill(Qt::red);
        QVERIFY(w.setProperty("picture4", red));
        QVERIFY(m.picture[3].has_value());
        QCOMPARE(m.picture[3]->format, zqmarq::PictureFormat::Png);
        QCOMPARE(w.property("picture4").value<QPixmap>().size(), QSize(6, 3));
        QVERIFY(w.setProperty("picture4", QPixmap()));
        QVERIFY(!m.picture[3].has_value());
        QVERIFY(w.property("picture9").value<QPixmap>().isNull());
    }
#else
    void pluginNotBuilt() {
        QSKIP("Qt Designer's plugin interface is not installed");
    }
#endif
};

QTEST_MAIN(TestComponentDesigner)
#include "test_component_designer.moc"
