// Every option a program's own help names is described by its manual page, as `man` shows the
// page: an option added to the help fails here until the page has an entry for it.
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace {

QString output(const QString& program, const QStringList& args,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(30000))
        return {};
    return QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
}

// -x and --long-option tokens (not the hyphen inside a word such as "non-zero"), and the
// !SCRIPT / $SCRIPT forms of the command line.
QStringList optionsIn(const QString& text) {
    static const QRegularExpression option(
        QStringLiteral(R"((?<![\w\-!$])(--?[A-Za-z][\w\-]*|[!$][A-Z]+))"));
    QStringList found;
    for (auto it = option.globalMatch(text); it.hasNext();)
        found << it.next().captured(1);
    found.removeDuplicates();
    return found;
}

// The options a rendered page describes: those that head an entry of its lists (a line at the
// page's indent of 7 that starts with an option), not those merely named in some text.
QStringList describedOptions(const QString& page) {
    QStringList found;
    for (const QString& line : page.split(QLatin1Char('\n'))) {
        static const QRegularExpression entry(QStringLiteral(R"(^ {7}([\-!$].*))"));
        const QRegularExpressionMatch m = entry.match(line);
        if (m.hasMatch()) // the entry's head ends where the description begins
            found +=
                optionsIn(m.captured(1).section(QRegularExpression(QStringLiteral(" {2,}")), 0, 0));
    }
    return found;
}

} // namespace

class ManPagesTest : public QObject {
    Q_OBJECT
  private slots:
    void pageShowsEveryOptionOfTheHelp_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("fewestOptions");
        QTest::newRow("kavel32 --help") << "kavel32" << QStringList{"--help"} << 8;
        // The tools print their usage when started without arguments.
        QTest::newRow("zqregsvr") << "zqregsvr" << QStringList{} << 2;
        QTest::newRow("zqmhost") << "zqmhost" << QStringList{} << 2;
    }
    void pageShowsEveryOptionOfTheHelp() {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(int, fewestOptions);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        const QString help = output(KAVEL_BIN_DIR "/" + program, args, env);
        const QStringList options = optionsIn(help);
        // Fewer means the help changed shape and this test no longer reads it.
        QVERIFY2(options.size() >= fewestOptions, qPrintable(help));

        env.insert("LC_ALL", "C");
        env.insert("MANWIDTH", "200");
        env.remove("MANPAGER");
        env.remove("PAGER");
        const QString page = output(
            "man",
            {"--no-hyphenation", "--no-justification", "-l", KAVEL_MAN_DIR "/" + program + ".1"},
            env);
        QVERIFY2(page.contains(QStringLiteral("NAME")), qPrintable(page));
        const QStringList described = describedOptions(page);
        QStringList missing;
        for (const QString& option : options)
            if (!described.contains(option))
                missing << option;
        QVERIFY2(missing.isEmpty(), qPrintable("not described by the manual page: " +
                                               missing.join(QStringLiteral(", "))));
    }
};

QTEST_GUILESS_MAIN(ManPagesTest)
#include "test_man_pages.moc"
