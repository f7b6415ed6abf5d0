#include "markup.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace zqmarq;

namespace {

// Tokens as "kind:text" joined by "|", kinds T (text run), P (picture), F (font), C (colour).
QString describe(std::string_view markup) {
    QStringList parts;
    for (const Token& t : tokenize(markup)) {
        const char kind = t.kind == TokenKind::TextRun   ? 'T'
                          : t.kind == TokenKind::Picture ? 'P'
                          : t.kind == TokenKind::Font    ? 'F'
                                                         : 'C';
        parts << QString(QLatin1Char(kind)) + QLatin1Char(':') +
                     QString::fromLatin1(t.text.data(), qsizetype(t.text.size()));
    }
    return parts.join(QLatin1Char('|'));
}

} // namespace

class TestCoreMarkup : public QObject {
    Q_OBJECT
  private slots:
    void tokens_data();
    void tokens();
    void tokenIndices();
    void colours_data();
    void colours();
    void atoiReading_data();
    void atoiReading();
    void scanAlwaysEnds();
    void plainText_data();
    void plainText();
};

void TestCoreMarkup::tokens_data() {
    QTest::addColumn<QString>("markup");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no angle bracket") << "Hello world"
                                      << "T:Hello world";
    QTest::newRow("letter < letter") << "a<b"
                                     << "T:a|T:<|T:b";
    QTest::newRow("lone <") << "<"
                            << "T:<";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("picture") << "x<IMG 1>y"
                             << "T:x|P:<IMG 1>|T:y";
    QTest::newRow("picture 9") << "<IMG 9>"
                               << "P:<IMG 9>";
    QTest::newRow("picture lower case") << "<img 1>z"
                                        << "T:<|T:img 1>z";
    QTest::newRow("picture digit 0") << "<IMG 0>"
                                     << "T:<|T:IMG 0>";
    QTest::newRow("picture two digits") << "<IMG 12>"
                                        << "T:<|T:IMG 12>";
    QTest::newRow("picture two blanks") << "<IMG  1>"
                                        << "T:<|T:IMG  1>";
    QTest::newRow("picture cut short") << "<IMG 1"
                                       << "T:<|T:IMG 1";
    QTest::newRow("font 0 and 5") << "<H 0>a<H 5>b"
                                  << "F:<H 0>|T:a|F:<H 5>|T:b";
    QTest::newRow("font 6") << "<H 6>a"
                            << "T:<|T:H 6>a";
    QTest::newRow("font lower case") << "<h 1>"
                                     << "T:<|T:h 1>";
    QTest::newRow("colour") << "<COLOR R255>red"
                            << "C:<COLOR R255>|T:red";
    QTest::newRow("colour closed at once") << "<COLOR>x"
                                           << "C:<COLOR>|T:x";
    QTest::newRow("COLORS word") << "<COLORS>x"
                                 << "C:<COLORS>|T:x";
    QTest::newRow("colour spans a <") << "<COLOR <H 1>x"
                                      << "C:<COLOR <H 1>|T:x";
    QTest::newRow("colour unclosed takes the rest") << "ab<COLOR R1 G2"
                                                    << "T:ab|C:<COLOR R1 G2";
    QTest::newRow("lower-case color") << "<color R1>"
                                      << "T:<|T:color R1>";
    QTest::newRow("line breaks in a run") << "line1\r\nline2<H 1>"
                                          << "T:line1\r\nline2|F:<H 1>";
    QTest::newRow("adjacent tokens") << "<IMG 2><H 3><COLOR G9>"
                                     << "P:<IMG 2>|F:<H 3>|C:<COLOR G9>";
    QTest::newRow("double <") << "<<H 1>"
                              << "T:<|F:<H 1>";
}

void TestCoreMarkup::tokens() {
    QFETCH(QString, markup);
    QFETCH(QString, expected);
    const QByteArray bytes = markup.toLatin1();
    QCOMPARE(describe(std::string_view(bytes.constData(), std::size_t(bytes.size()))), expected);
}

void TestCoreMarkup::tokenIndices() {
    const auto tokens = tokenize("<IMG 7><H 4><H 0>");
    QCOMPARE(tokens.size(), std::size_t(3));
    QCOMPARE(tokens[0].index, 7);
    QCOMPARE(tokens[1].index, 4);
    QCOMPARE(tokens[2].index, 0);
}

void TestCoreMarkup::colours_data() {
    QTest::addColumn<QString>("token");
    QTest::addColumn<int>("r");
    QTest::addColumn<int>("g");
    QTest::addColumn<int>("b");
    QTest::newRow("R255 is red") << "<COLOR R255>" << 255 << 0 << 0;
    QTest::newRow("closed at once is black") << "<COLOR>" << 0 << 0 << 0;
    QTest::newRow("G300 gives 44") << "<COLOR G300>" << 0 << 44 << 0;
    QTest::newRow("lower-case r ignored") << "<COLOR r255>" << 0 << 0 << 0;
    QTest::newRow("all three, any order") << "<COLOR B3 R1 G2>" << 1 << 2 << 3;
    QTest::newRow("minus one is 255") << "<COLOR R-1>" << 255 << 0 << 0;
    QTest::newRow("blank before digits") << "<COLOR R 12>" << 12 << 0 << 0;
    QTest::newRow("no digits gives 0") << "<COLOR Rx G5>" << 0 << 5 << 0;
    QTest::newRow("first letter wins") << "<COLOR R1 R2>" << 1 << 0 << 0;
    QTest::newRow("letters read from position 7 only") << "<COLORR9 G1>" << 0 << 1 << 0;
    QTest::newRow("RGB run together") << "<COLOR R10G20B30>" << 10 << 20 << 30;
    QTest::newRow("COLORS word sets black") << "<COLORS>" << 0 << 0 << 0;
    QTest::newRow("unclosed") << "<COLOR G7" << 0 << 7 << 0;
    QTest::newRow("huge number wraps")
        << "<COLOR R99999999999>" << (99999999999LL % 4294967296LL) % 256 << 0 << 0;
}

void TestCoreMarkup::colours() {
    QFETCH(QString, token);
    QFETCH(int, r);
    QFETCH(int, g);
    QFETCH(int, b);
    const QByteArray bytes = token.toLatin1();
    const OleColor c =
        colorTokenValue(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    QCOMPARE(redOf(c), r);
    QCOMPARE(greenOf(c), g);
    QCOMPARE(blueOf(c), b);
}

void TestCoreMarkup::atoiReading_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "42>" << 42;
    QTest::newRow("leading blanks and tab") << " \t7" << 7;
    QTest::newRow("plus") << "+5" << 5;
    QTest::newRow("minus") << "-300" << -300;
    QTest::newRow("sign alone") << "-" << 0;
    QTest::newRow("nothing") << "" << 0;
    QTest::newRow("stops at letter") << "12G4" << 12;
}

void TestCoreMarkup::atoiReading() {
    QFETCH(QString, text);
    QFETCH(int, value);
    const QByteArray bytes = text.toLatin1();
    QCOMPARE(atoiLike(std::string_view(bytes.constData(), std::size_t(bytes.size()))), value);
}

void TestCoreMarkup::scanAlwaysEnds() {
    // Random markup made of the token alphabet: the tokens always cover the input exactly.
    const char alphabet[] = "<>IMGHCOLRB 0159xr\r\n";
    QRandomGenerator rng(1234);
    for (int round = 0; round < 2000; ++round) {
        std::string s;
        const int len = rng.bounded(40);
        for (int i = 0; i < len; ++i)
            s += alphabet[rng.bounded(int(sizeof alphabet - 1))];
        std::string joined;
        for (const Token& t : tokenize(s)) {
            QVERIFY(!t.text.empty());
            joined += t.text;
        }
        QCOMPARE(joined, s);
    }
}

void TestCoreMarkup::plainText_data() {
    QTest::addColumn<QString>("markup");
    QTest::addColumn<QString>("words");
    QTest::newRow("plain") << "Hello world"
                           << "Hello world";
    QTest::newRow("codes say nothing") << "<H 1>Kavel32<IMG 1> <COLOR R200>packs"
                                       << "Kavel32 packs";
    QTest::newRow("line breaks are blanks") << "line1\r\nline2\rline3\nline4"
                                            << "line1 line2 line3 line4";
    QTest::newRow("blanks at the ends and runs of them") << "  a \r\n\r\n  b  "
                                                         << "a b";
    QTest::newRow("codes that are not codes are text") << "<IMG 0>x<h 1>"
                                                       << "<IMG 0>x<h 1>";
    QTest::newRow("only codes") << "<IMG 2><H 3><COLOR G9>"
                                << "";
    QTest::newRow("last run kept") << "<H 1>a<H 0>z"
                                   << "az";
}

void TestCoreMarkup::plainText() {
    QFETCH(QString, markup);
    QFETCH(QString, words);
    QCOMPARE(QString::fromStdString(zqmarq::plainText(markup.toStdString())), words);
}

QTEST_GUILESS_MAIN(TestCoreMarkup)
#include "test_core_markup.moc"
