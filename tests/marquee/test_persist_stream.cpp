// Stream form of the marquee's properties: the banner's bytes field by field, round trips,
// the 1.0 and 1.1 conversions, and refusal of truncated or malformed data.
#include "design_memory.h"
#include "identifiers.h"
#include "persist.h"

#include <QFile>
#include <QtTest>

using namespace zqmarq;

namespace {

// Builds expected bytes independently of the writer under test.
struct Bytes {
    std::vector<std::uint8_t> b;
    Bytes& u8(unsigned v) {
        b.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    Bytes& u16(unsigned v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    Bytes& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& raw(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& raw(const std::vector<std::uint8_t>& v) {
        b.insert(b.end(), v.begin(), v.end());
        return *this;
    }
    Bytes& str(const std::string& s) { return u8(static_cast<unsigned>(s.size())).raw(s); }
    Bytes& guidText(const char* text) {
        const auto bytes = Guid::parse(text)->toBytes();
        b.insert(b.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Bytes& font(const std::string& name, unsigned weight, std::uint32_t size) {
        u8(0x00).guidText("{0BE35203-8F91-11CE-9DE3-00AA004BB851}");
        return u8(1).u16(0).u8(0).u16(weight).u32(size).str(name);
    }
    Bytes& picture(const std::vector<std::uint8_t>& image) {
        u8(0x00).guidText("{0BE35204-8F91-11CE-9DE3-00AA004BB851}");
        return raw(std::string("lt\0\0", 4))
            .u32(static_cast<std::uint32_t>(image.size()))
            .raw(image);
    }
};

const std::string kBannerText = "Kavel32 v3.10  by QXV  the floppy packager "; // 43 characters

std::vector<std::uint8_t> jpegLikeBytes(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(i * 7 + 3);
    v[0] = 0xFF;
    v[1] = 0xD8;
    return v;
}

FontDesc font(const char* face, std::int16_t weight, std::int64_t size) {
    FontDesc f;
    f.faceName = face;
    f.weight = weight;
    f.size = size;
    return f;
}

MarqueeModel bannerModel() {
    MarqueeModel m;
    m.extentWidth = 11853;
    m.extentHeight = 661;
    m.text = kBannerText;
    m.foreColor = 0x0080FFFF;
    m.backColor = 0;
    m.font = font("Arial", 700, 97500);
    m.direction = 0;
    m.tickIncrement = 1;
    m.frame = 1;
    m.tickTime = 50;
    m.picture = {};
    PictureData logo;
    logo.bytes = jpegLikeBytes(1099);
    logo.format = PictureFormat::Other;
    m.picture[0] = logo;
    m.picture[8] = PictureData{};
    m.justification = 1;
    m.heading[0] = font("MS Sans Serif", 400, 180000);
    for (int i = 1; i < 5; ++i)
        m.heading[static_cast<std::size_t>(i)] = font("MS Sans Serif", 400, 120000);
    return m;
}

Bytes bannerPrefix() {
    Bytes e;
    e.u32(0x00010002).u32(11853).u32(661).u32(0x1D);
    e.str(kBannerText).u32(0x0080FFFF).u32(0).font("Arial", 700, 97500);
    e.u32(0).u16(1).u32(1).u16(50);
    e.picture(jpegLikeBytes(1099));
    for (int i = 2; i <= 8; ++i)
        e.u8(0xFF);
    e.picture({});
    e.u32(1);
    e.font("MS Sans Serif", 400, 180000)
        .font("MS Sans Serif", 400, 120000)
        .font("MS Sans Serif", 400, 120000);
    return e;
}

Bytes bannerBytes() {
    Bytes e = bannerPrefix();
    e.font("MS Sans Serif", 400, 120000).font("MS Sans Serif", 400, 120000);
    e.u32(0).str(kBannerText);
    return e;
}

bool load(const std::vector<std::uint8_t>& bytes, MarqueeModel& m, std::string* error = nullptr) {
    return loadFromStream(bytes.data(), bytes.size(), m, error);
}

} // namespace

class TestPersistStream : public QObject {
    Q_OBJECT

  private slots:
    void bannerSavesFieldByField() {
        QCOMPARE(kBannerText.size(), std::size_t(43));
        const std::vector<std::uint8_t> saved = saveToStream(bannerModel());
        const std::vector<std::uint8_t> expected = bannerBytes().b;
        QCOMPARE(saved.size(), expected.size());
        for (std::size_t i = 0; i < saved.size(); ++i) {
            if (saved[i] != expected[i])
                QFAIL(qPrintable(QStringLiteral("first difference at offset %1").arg(i)));
        }
    }

    void bannerLoadsAndSavesTheSameBytes() {
        const std::vector<std::uint8_t> bytes = bannerBytes().b;
        MarqueeModel m;
        std::string error;
        QVERIFY2(load(bytes, m, &error), error.c_str());
        QCOMPARE(m.text, kBannerText);
        QCOMPARE(m.foreColor, OleColor(0x0080FFFF));
        QCOMPARE(m.backColor, OleColor(0));
        QVERIFY(m.font.has_value());
        QCOMPARE(m.font->faceName, std::string("Arial"));
        QCOMPARE(m.font->size, std::int64_t(97500));
        QCOMPARE(m.frame, 1);
        QCOMPARE(m.tickTime, std::int16_t(50));
        QVERIFY(m.picture[0].has_value());
        QCOMPARE(m.picture[0]->bytes.size(), std::size_t(1099));
        QVERIFY(!m.picture[1].has_value());
        QVERIFY(m.picture[8].has_value());
        QVERIFY(m.picture[8]->bytes.empty());
        QCOMPARE(m.heading[0].size, std::int64_t(180000));
        QCOMPARE(saveToStream(m), bytes);
    }

    void freezeAndNextStringAreNotPersisted() {
        MarqueeModel m = bannerModel();
        m.freezeMarquee = true;
        m.nextDisplayString = "next";
        QCOMPARE(saveToStream(m), bannerBytes().b);
        MarqueeModel loaded;
        loaded.freezeMarquee = true;
        loaded.nextDisplayString = "pending";
        QVERIFY(load(saveToStream(m), loaded));
        QCOMPARE(loaded.freezeMarquee, false);
        QCOMPARE(loaded.nextDisplayString, std::string());
    }

    void olderVersionsConvert_data() {
        QTest::addColumn<int>("minor");
        QTest::newRow("1.0") << 0;
        QTest::newRow("1.1") << 1;
    }
    void olderVersionsConvert() {
        QFETCH(int, minor);
        Bytes e;
        e.u32(0x00010000u | static_cast<unsigned>(minor)).u32(100).u32(200).u32(0x1D);
        e.str("old text").u32(0x123456).u32(0x00FF00).font("Arial", 700, 97500);
        e.u32(2).u16(3).u32(4).u16(150);
        for (int i = 1; i <= 9; ++i)
            e.u8(0xFF);
        e.u32(2);
        e.font("Courier", 400, 100000).font("Courier", 400, 110000).font("Courier", 400, 130000);
        if (minor == 1)
            e.font("Times", 700, 140000).font("Times", 700, 150000);
        MarqueeModel m;
        std::string error;
        QVERIFY2(load(e.b, m, &error), error.c_str());
        QCOMPARE(m.text, std::string("old text"));
        QCOMPARE(m.backColor, OleColor(0x00FF00));
        QCOMPARE(m.direction, 2);
        QCOMPARE(m.justification, 2);
        QCOMPARE(m.heading[2].size, std::int64_t(130000));
        if (minor == 0) {
            QCOMPARE(m.heading[3], FontDesc::frameworkDefault());
            QCOMPARE(m.heading[4], FontDesc::frameworkDefault());
        } else {
            QCOMPARE(m.heading[4].faceName, std::string("Times"));
            QCOMPARE(m.heading[4].size, std::int64_t(150000));
        }
        // Saving writes the current version with the trailing values.
        const std::vector<std::uint8_t> resaved = saveToStream(m);
        QCOMPARE(resaved[0], std::uint8_t(2));
        MarqueeModel again;
        QVERIFY(load(resaved, again));
        QCOMPARE(again.text, std::string("old text"));
        QCOMPARE(again.backColor, OleColor(0x00FF00));
    }

    void resetGivesAFreshControl() {
        MarqueeModel m = bannerModel();
        m.freezeMarquee = true;
        resetToDefaults(m);
        QCOMPARE(m.text, std::string("Nimbrel Marquee"));
        QCOMPARE(m.backColor, OleColor(0xFFFFFF));
        QCOMPARE(m.direction, 0);
        QCOMPARE(m.tickIncrement, std::int16_t(1));
        QCOMPARE(m.frame, 2);
        QCOMPARE(m.tickTime, std::int16_t(100));
        QCOMPARE(m.justification, 1);
        QCOMPARE(m.freezeMarquee, false);
        for (const auto& p : m.picture)
            QVERIFY(!p.has_value());
        QCOMPARE(m.heading[0], FontDesc::frameworkDefault());
    }

    // The text's length prefix at each boundary, as the writer writes it and the reader reads
    // it back: one byte below 255, 0xFF and 16 bits from 255, 0xFF 0xFFFF and 32 bits from
    // 65,534 (0xFFFE itself would mark a wide string).
    void textLengthPrefixBoundaries_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("prefix");
        QTest::newRow("254: one byte") << 254 << QByteArray("\xFE", 1);
        QTest::newRow("255: wide") << 255 << QByteArray("\xFF\xFF\x00", 3);
        QTest::newRow("300") << 300 << QByteArray("\xFF\x2C\x01", 3);
        QTest::newRow("65,533: 16 bits") << 65533 << QByteArray("\xFF\xFD\xFF", 3);
        QTest::newRow("65,534: 32 bits") << 65534 << QByteArray("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7);
    }
    void textLengthPrefixBoundaries() {
        QFETCH(int, length);
        QFETCH(QByteArray, prefix);
        MarqueeModel m;
        m.text = std::string(std::size_t(length), 'x');
        const std::vector<std::uint8_t> bytes = saveToStream(m);
        // Version, extent and mask come first: the prefix starts at byte 16.
        const QByteArray written(reinterpret_cast<const char*>(bytes.data()) + 16, prefix.size());
        QCOMPARE(written.toHex(' '), prefix.toHex(' '));
        QCOMPARE(bytes[16 + std::size_t(prefix.size())], std::uint8_t('x'));
        MarqueeModel back;
        QVERIFY(load(bytes, back));
        QCOMPARE(back.text.size(), std::size_t(length));
        QCOMPARE(back.text, m.text);
    }

    void everyTruncationIsRefused() {
        const std::vector<std::uint8_t> bytes = bannerBytes().b;
        for (std::size_t n = 0; n < bytes.size(); ++n) {
            MarqueeModel m = bannerModel();
            std::string error;
            QVERIFY(!loadFromStream(bytes.data(), n, m, &error));
            QVERIFY2(error.find("ends too early") != std::string::npos, error.c_str());
            QCOMPARE(m.text, std::string("Nimbrel Marquee"));
            QCOMPARE(m.frame, 2);
        }
    }

    void malformedDataIsRefused_data() {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("message");
        const int afterStockFont = 16 + 44 + 8; // version+extent+mask, text, colours
        const int pictures = afterStockFont + 1 + 16 + 1 + 2 + 1 + 2 + 4 + 6 + 12;
        QTest::newRow("newer version") << 0 << 3 << "version 1.3";
        QTest::newRow("other major") << 2 << 2 << "version 2.2";
        QTest::newRow("stock mask") << 12 << 0x3D << "stock property mask";
        QTest::newRow("presence byte") << afterStockFont << 0x01 << "presence byte 0x01";
        QTest::newRow("font class") << afterStockFont + 1 << 0x00 << "unknown class";
        QTest::newRow("font version") << afterStockFont + 17 << 2 << "format version 2";
        QTest::newRow("picture tag") << pictures + 17 << int('x') << "\"lt\" tag";
        QTest::newRow("picture size") << pictures + 21 + 2 << 0x7F << "ends too early";
        QTest::newRow("text length") << 16 << 0xFF << "ends too early";
    }
    void malformedDataIsRefused() {
        QFETCH(int, offset);
        QFETCH(int, value);
        QFETCH(QString, message);
        std::vector<std::uint8_t> bytes = bannerBytes().b;
        bytes[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(value);
        MarqueeModel m = bannerModel();
        std::string error;
        QVERIFY(!load(bytes, m, &error));
        QVERIFY2(QString::fromStdString(error).contains(message), error.c_str());
        QCOMPARE(m.text, std::string("Nimbrel Marquee"));
    }

    void trailingBytesAreRefusedUnlessAsked() {
        std::vector<std::uint8_t> bytes = bannerBytes().b;
        const std::size_t end = bytes.size();
        bytes.push_back(0x42);
        MarqueeModel m;
        std::string error;
        QVERIFY(!load(bytes, m, &error));
        QVERIFY2(error.find("unexpected bytes") != std::string::npos, error.c_str());
        std::size_t consumed = 0;
        QVERIFY(loadFromStream(bytes.data(), bytes.size(), m, &error, {}, &consumed));
        QCOMPARE(consumed, end);
    }

    void pictureDecoderIsApplied() {
        int calls = 0;
        PictureDecoder decode = [&calls](std::vector<std::uint8_t> bytes) {
            ++calls;
            PictureData p;
            p.format = bytes.empty() ? PictureFormat::Empty : PictureFormat::Jpeg;
            p.widthHimetric = 2646;
            p.bytes = std::move(bytes);
            return p;
        };
        const std::vector<std::uint8_t> bytes = bannerBytes().b;
        MarqueeModel m;
        QVERIFY(loadFromStream(bytes.data(), bytes.size(), m, nullptr, decode));
        QCOMPARE(calls, 2); // Picture1 and the empty Picture9
        QCOMPARE(m.picture[0]->format, PictureFormat::Jpeg);
        QCOMPARE(m.picture[0]->widthHimetric, 2646);
    }

    // A design holds at most kMaxDesignBytes once loaded, decoded pictures counted at 4 bytes
    // a pixel: a stream at the bound loads, one byte more is refused, naming the property.
    void designBoundIsHeldWhileLoading_data() {
        QTest::addColumn<int>("beyond"); // bytes past the bound
        QTest::addColumn<QString>("property");
        QTest::newRow("picture at the bound") << 0 << QString();
        QTest::newRow("picture one byte past") << 1 << QStringLiteral("Picture1");
        QTest::newRow("text one byte past") << 1 << QStringLiteral("Text");
    }
    void designBoundIsHeldWhileLoading() {
        QFETCH(int, beyond);
        QFETCH(QString, property);
        constexpr int width = 1024, height = 8000; // 32,768,000 bytes decoded
        PictureDecoder decode = [](std::vector<std::uint8_t> bytes) {
            PictureData p;
            p.format = PictureFormat::Png;
            p.widthHimetric = pixelsToHimetric(width);
            p.heightHimetric = pixelsToHimetric(height);
            p.bytes = std::move(bytes);
            return p;
        };
        MarqueeModel design;
        if (property == QLatin1String("Text")) {
            design.text.clear();
        } else {
            design.text = "<IMG 1>";
            design.picture[0] = decode({0x5A});
        }
        const std::uint64_t fixed = designMemory(design);
        const std::uint64_t names = 13 * 6; // "MS Sans Serif": Font and five headings
        QCOMPARE(fixed,
                 design.text.empty() ? names : std::uint64_t(4) * width * height + 1 + 7 + names);
        const std::uint64_t room = kMaxDesignBytes - fixed + std::uint64_t(beyond);
        if (property == QLatin1String("Text"))
            design.text.assign(room, 'x');
        else
            design.picture[0]->bytes.resize(1 + room, 0x5A);
        const std::vector<std::uint8_t> stream = saveToStream(design);
        MarqueeModel loaded;
        std::string error;
        const bool ok = loadFromStream(stream.data(), stream.size(), loaded, &error, decode);
        if (property.isEmpty()) {
            QVERIFY2(ok, error.c_str());
            QCOMPARE(designMemory(loaded), kMaxDesignBytes);
            return;
        }
        QVERIFY(!ok);
        // A text that long is past its own bound before the design's.
        const QString why =
            property == QLatin1String("Text")
                ? QStringLiteral("The text is too long: Text holds %1 characters").arg(room)
                : QStringLiteral("with %1 it needs %2 bytes")
                      .arg(property)
                      .arg(kMaxDesignBytes + 1);
        QVERIFY2(QString::fromStdString(error).contains(why), error.c_str());
        QCOMPARE(loaded.text, std::string(kDefaultText)); // refused: the defaults
    }

    void storedDesignsOfTheMainWindow() {
        QFile file(QStringLiteral(KAVEL_SOURCE_DIR "/resources/marquee/banner.zqm"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        const std::vector<std::uint8_t> bytes(data.begin(), data.end());
        MarqueeModel m;
        std::string error;
        QVERIFY2(load(bytes, m, &error), error.c_str());
        QCOMPARE(m.text.size(), std::size_t(43));
        QCOMPARE(m.foreColor, OleColor(0x0080FFFF));
        QCOMPARE(m.backColor, OleColor(0));
        QCOMPARE(*m.font, font("Arial", 700, 97500));
        QCOMPARE(m.frame, 1);
        QCOMPARE(m.tickTime, std::int16_t(50));
        QCOMPARE(m.picture[0]->bytes.size(), std::size_t(1099));
        for (std::size_t i = 1; i < 8; ++i)
            QVERIFY(!m.picture[i].has_value());
        QVERIFY(m.picture[8].has_value() && m.picture[8]->bytes.empty());
        QCOMPARE(m.heading[0], font("MS Sans Serif", 400, 180000));
        QCOMPARE(m.heading[4], font("MS Sans Serif", 400, 120000));
        QCOMPARE(saveToStream(m), bytes);

        QFile second(QStringLiteral(KAVEL_SOURCE_DIR "/resources/marquee/zqmarquee2.zqm"));
        QVERIFY(second.open(QIODevice::ReadOnly));
        const QByteArray data2 = second.readAll();
        QVERIFY(loadFromStream(reinterpret_cast<const std::uint8_t*>(data2.constData()),
                               static_cast<std::size_t>(data2.size()), m, &error));
        QCOMPARE(m.direction, 3);
        QCOMPARE(m.frame, 0);
        QCOMPARE(m.backColor, OleColor(0x8000000F));
        QCOMPARE(m.foreColor, OleColor(0x00C00000));
        QCOMPARE(m.font->size, std::int64_t(82500));
    }

    void keyedFormRoundTrips() {
        PropertyBag bag;
        saveToBag(bannerModel(), bag);
        QVERIFY(bag.read("Direction"));
        QVERIFY(bag.read("Font5"));
        QCOMPARE(*bag.read("TickTime"), Variant(std::int16_t(50)));
        QVERIFY(bag.read("Picture2")->isEmpty());
        MarqueeModel m;
        std::string error;
        QVERIFY2(loadFromBag(bag, m, &error), error.c_str());
        QCOMPARE(saveToStream(m), bannerBytes().b);

        PropertyBag partial;
        partial.write("Frame", std::int32_t(5));
        partial.write("TickTime", "250");
        QVERIFY(loadFromBag(partial, m, &error));
        QCOMPARE(m.frame, 5);
        QCOMPARE(m.tickTime, std::int16_t(250));
        QCOMPARE(m.text, std::string("Nimbrel Marquee"));

        PropertyBag bad;
        bad.write("TickTime", std::int32_t(70000));
        QVERIFY(!loadFromBag(bad, m, &error));
        QVERIFY2(error.find("TickTime") != std::string::npos, error.c_str());
    }

    // The ticker options follow the properties only when one differs from its default: a
    // design without them is stored exactly as before and loads with the defaults.
    void tickerOptionsFollowTheProperties() {
        MarqueeModel m = bannerModel();
        QCOMPARE(saveToStream(m), bannerBytes().b);
        m.ticker.fadeWidth = 16;
        m.ticker.scrollOnlyWhenNeeded = true;
        m.ticker.alignment = 0x84;
        const std::vector<std::uint8_t> bytes = saveToStream(m);
        const std::vector<std::uint8_t> plain = bannerBytes().b;
        const std::size_t properties = plain.size();
        QCOMPARE(bytes.size(), properties + 4 + 2 + 8 * 4);
        QVERIFY(std::equal(plain.begin(), plain.end(), bytes.begin()));
        MarqueeModel back;
        std::string error;
        QVERIFY2(load(bytes, back, &error), error.c_str());
        QCOMPARE(back.ticker, m.ticker);
        QVERIFY(load(bannerBytes().b, back));
        QCOMPARE(back.ticker, TickerOptions{});
        // A block of another format, or cut short, is refused.
        std::vector<std::uint8_t> other = bytes;
        other[properties + 4] = 2;
        QVERIFY(!load(other, back, &error));
        QVERIFY2(error.find("unknown format 2") != std::string::npos, error.c_str());
        QVERIFY(!load({bytes.begin(), bytes.end() - 1}, back, &error));
    }

    // The record holds UTF-8; the stored form one Latin-1 byte a character, and a save refuses
    // a character past U+00FF by its position instead of storing a stand-in.
    void textIsStoredOneByteACharacter() {
        MarqueeModel m;
        m.text = "caf\xc3\xa9 \xc3\xbf";
        std::vector<std::uint8_t> bytes = saveToStream(m);
        const std::string stored(bytes.begin() + 16, bytes.begin() + 16 + 7);
        QCOMPARE(stored, std::string("\x06"
                                     "caf\xe9 \xff"));
        MarqueeModel back;
        QVERIFY(load(bytes, back));
        QCOMPARE(back.text, m.text);
        m.text = "ab\xc4\x80"; // U+0100, the first character past Latin-1
        std::string error;
        QVERIFY(saveToStream(m, &error).empty());
        QVERIFY2(error.find("character 3 of Text") != std::string::npos, error.c_str());
    }
};

QTEST_GUILESS_MAIN(TestPersistStream)
#include "test_persist_stream.moc"
