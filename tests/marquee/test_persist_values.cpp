// Values that cross the dispatch interface and the stored form: class identifiers in their
// text and byte forms, and the variant's conversions.
#include "identifiers.h"
#include "variant.h"

#include <QtTest>

using namespace zqmarq;

class TestPersistValues : public QObject {
    Q_OBJECT

  private slots:
    void guidTextAndBytes() {
        const Guid g = ids::kStdFont;
        QCOMPARE(QString::fromStdString(g.toString()),
                 QStringLiteral("{0BE35203-8F91-11CE-9DE3-00AA004BB851}"));
        QCOMPARE(Guid::parse("{0be35203-8f91-11ce-9de3-00aa004bb851}"), std::optional<Guid>(g));
        const auto bytes = g.toBytes();
        // First three fields little-endian, the last eight bytes as written.
        QCOMPARE(int(bytes[0]), 0x03);
        QCOMPARE(int(bytes[3]), 0x0B);
        QCOMPARE(int(bytes[4]), 0x91);
        QCOMPARE(int(bytes[6]), 0xCE);
        QCOMPARE(int(bytes[8]), 0x9D);
        QCOMPARE(int(bytes[15]), 0x51);
        QCOMPARE(Guid::fromBytes(bytes.data()), g);
    }

    void malformedGuidsAreRefused_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("no braces") << "0BE35203-8F91-11CE-9DE3-00AA004BB851";
        QTest::newRow("short") << "{0BE35203-8F91-11CE-9DE3-00AA004BB85}";
        QTest::newRow("bad digit") << "{0BE35203-8F91-11CE-9DE3-00AA004BB85G}";
        QTest::newRow("misplaced dash") << "{0BE352038-F91-11CE-9DE3-00AA004BB851}";
        QTest::newRow("empty") << "";
    }
    void malformedGuidsAreRefused() {
        QFETCH(QString, text);
        QVERIFY(!Guid::parse(text.toStdString()));
    }

    void conversions_data() {
        QTest::addColumn<int>("kind"); // 0 int16, 1 int32, 2 bool, 3 colour
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("result");
        QTest::addColumn<qlonglong>("value");
        QTest::newRow("int16 from text") << 0 << "s:-32768" << int(kSOk) << -32768LL;
        QTest::newRow("int16 overflow") << 0 << "l:32768" << int(kDispEOverflow) << 0LL;
        QTest::newRow("int16 from system colour")
            << 0 << "c:2147483663" << int(kDispEOverflow) << 0LL;
        QTest::newRow("int32 keeps colour bits")
            << 1 << "c:2147483663" << int(kSOk) << -2147483633LL;
        QTest::newRow("int32 from true") << 1 << "b:1" << int(kSOk) << -1LL;
        QTest::newRow("int32 from padded text") << 1 << "s: 42 " << int(kSOk) << 42LL;
        QTest::newRow("int32 from hex text") << 1 << "s:0x10" << int(kDispETypeMismatch) << 0LL;
        QTest::newRow("int32 from empty text") << 1 << "s:" << int(kDispETypeMismatch) << 0LL;
        QTest::newRow("int32 from nothing") << 1 << "e:" << int(kDispETypeMismatch) << 0LL;
        QTest::newRow("bool from zero") << 2 << "l:0" << int(kSOk) << 0LL;
        QTest::newRow("bool from True") << 2 << "s:True" << int(kSOk) << 1LL;
        QTest::newRow("colour from negative") << 3 << "l:-2147483633" << int(kSOk) << 2147483663LL;
        QTest::newRow("colour too wide") << 3 << "s:4294967296" << int(kDispEOverflow) << 0LL;
    }
    void conversions() {
        QFETCH(int, kind);
        QFETCH(QString, source);
        QFETCH(int, result);
        QFETCH(qlonglong, value);
        const QString payload = source.mid(2);
        Variant v;
        switch (source[0].toLatin1()) {
        case 's':
            v = Variant(payload.toStdString());
            break;
        case 'l':
            v = Variant(std::int32_t(payload.toLongLong()));
            break;
        case 'b':
            v = Variant(payload == QLatin1String("1"));
            break;
        case 'c':
            v = Variant::color(static_cast<OleColor>(payload.toLongLong()));
            break;
        default:
            break;
        }
        qlonglong got = 0;
        HResult hr = kEFail;
        if (kind == 0) {
            std::int16_t x = 0;
            hr = v.toInt16(x);
            got = x;
        } else if (kind == 1) {
            std::int32_t x = 0;
            hr = v.toInt32(x);
            got = x;
        } else if (kind == 2) {
            bool x = false;
            hr = v.toBool(x);
            got = x;
        } else {
            OleColor x = 0;
            hr = v.toColor(x);
            got = x;
        }
        QCOMPARE(hr, HResult(result));
        if (succeeded(hr))
            QCOMPARE(got, value);
    }

    void objectsCompareByContentAndConvertToNothingElse() {
        FontDesc f;
        QCOMPARE(Variant::font(f), Variant::font(f));
        f.italic = true;
        QVERIFY(!(Variant::font(f) == Variant::font(FontDesc{})));
        std::int32_t n = 0;
        QCOMPARE(Variant::font(f).toInt32(n), kDispETypeMismatch);
        std::string s;
        QCOMPARE(Variant::picture(PictureData{}).toString(s), kDispETypeMismatch);
        QVERIFY(Variant(FontRef{}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPersistValues)
#include "test_persist_values.moc"
