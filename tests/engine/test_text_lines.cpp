#include "job/text_lines.h"

#include <QtTest>

// Quoted names reach terminals and windows: what commands a terminal is written out, what
// is only text stays as it is.
class TextLinesTest : public QObject {
    Q_OBJECT

  private slots:
    void printableText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << "/data/Game Source/rel[1]*?.nfo"
                               << "/data/Game Source/rel[1]*?.nfo";
        QTest::newRow("shell and quote characters") << "a\"b'c\\d;$(x)`y`<z>|&"
                                                    << "a\"b'c\\d;$(x)`y`<z>|&";
        QTest::newRow("non-Latin")
            << QStringLiteral("/src/\u0417\u0430\u043c\u0435\u0442\u043a\u0430 "
                              "\u6587\u4ef6 \u00e9\u00df\u00ff")
            << QStringLiteral("/src/\u0417\u0430\u043c\u0435\u0442\u043a\u0430 "
                              "\u6587\u4ef6 \u00e9\u00df\u00ff");
        QTest::newRow("first printable and last below C1")
            << QStringLiteral("\u0020\u007e\u00a0") << QStringLiteral("\u0020\u007e\u00a0");
        QTest::newRow("line ends and tab") << "a\nb\rc\td"
                                           << "a\\nb\\rc\\td";
        QTest::newRow("NUL and the last C0") << QString("a") + QChar(0) + "b\x1f"
                                             << "a\\x00b\\x1f";
        QTest::newRow("DEL") << "a\x7f"
                             << "a\\x7f";
        QTest::newRow("C1 first and last, CSI")
            << QStringLiteral("\u0080x\u009fy\u009b2K") << "\\x80x\\x9fy\\x9b2K";
        // A script's source path that would retitle the terminal and erase the failure line.
        QTest::newRow("title and erase sequences") << "/src/\x1b]0;pwned\x07\x1b[2K\x1b[1A"
                                                   << "/src/\\x1b]0;pwned\\x07\\x1b[2K\\x1b[1A";
        QTest::newRow("bell and backspace") << "ok\x07\x08\x08"
                                            << "ok\\x07\\x08\\x08";
    }
    void printableText() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(::printableText(text), shown);
        // Made printable twice, a text is the same: any layer may make it printable again.
        QCOMPARE(::printableText(shown), shown);
        for (const QChar c : ::printableText(text))
            QVERIFY(c.unicode() >= 0x20 && (c.unicode() < 0x7f || c.unicode() > 0x9f));
    }
};

QTEST_GUILESS_MAIN(TextLinesTest)
#include "test_text_lines.moc"
