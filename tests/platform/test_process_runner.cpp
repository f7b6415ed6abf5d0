#include "platform/process_runner.h"
#include "platform/stop_signals.h"

#include <csignal>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "../common/file_helpers.h"

class ProcessRunnerTest : public QObject {
    Q_OBJECT

private slots:
    void splitting_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("plain") << "a b  c" << QStringList{"a", "b", "c"};
        QTest::newRow("quoted blank") << "a \"b c\" d" << QStringList{"a", "b c", "d"};
        QTest::newRow("escaped quote") << "a \\\"b" << QStringList{"a", "\"b"};
        QTest::newRow("two backslashes then quote") << "\"a\\\\\" b"
                                                    << QStringList{"a\\", "b"};
        QTest::newRow("backslashes kept") << "c:\\dir\\file" << QStringList{"c:\\dir\\file"};
        QTest::newRow("quote inside word") << "-x@\"a b\"" << QStringList{"-x@a b"};
        QTest::newRow("doubled quote") << "\"a\"\"b\"" << QStringList{"a\"b"};
        QTest::newRow("empty quoted") << "a \"\" b" << QStringList{"a", "", "b"};
        QTest::newRow("tabs") << "\ta\tb " << QStringList{"a", "b"};
        QTest::newRow("unterminated") << "a \"b c" << QStringList{"a", "b c"};
        QTest::newRow("metacharacters") << "echo ;|$(x)`&" << QStringList{"echo", ";|$(x)`&"};
    }
    void splitting() {
        QFETCH(QString, line);
        QFETCH(QStringList, args);
        QCOMPARE(splitCommandLine(line), args);
    }

    void interpreterRedirections() {
        Command c = parseCommandLine("command.pif /c /bin/size.exe /src /s /t> /tmp/size.txt");
        QCOMPARE(c.program, QString("/bin/size.exe"));
        QCOMPARE(c.arguments, (QStringList{"/src", "/s", "/t"}));
        QCOMPARE(c.stdoutFile, QString("/tmp/size.txt"));
        c = parseCommandLine("command.com /c pkzip.exe /z/name01 -z </home/my user/c.txt");
        QCOMPARE(c.program, QString("pkzip.exe"));
        QCOMPARE(c.arguments, (QStringList{"/z/name01", "-z"}));
        QCOMPARE(c.stdinFile, QString("/home/my user/c.txt"));
        // An escaped quote inside a quoted argument does not end the quoting.
        c = parseCommandLine("command.com /c prog \"a \\\" > b\" >out.txt");
        QCOMPARE(c.arguments, QStringList{"a \" > b"});
        QCOMPARE(c.stdoutFile, QString("out.txt"));
        // Without the wrapper, ">" is an ordinary character.
        c = parseCommandLine("prog a>b");
        QCOMPARE(c.arguments, QStringList{"a>b"});
        QVERIFY(c.stdoutFile.isEmpty());
    }

    void missingProgramReturnsAtOnce() {
        QElapsedTimer t;
        t.start();
        QCOMPARE(ExecCmd("no-such-program-kavel.exe a b"), kCouldNotStart);
        QVERIFY(t.elapsed() < 5000);
        QCOMPARE(ExecCmd(""), kCouldNotStart);
    }

    void exitStatusIsReturned() {
        QCOMPARE(ExecCmd("true"), 0);
        QCOMPARE(ExecCmd("sh -c \"exit 7\""), 7);
    }

    void windowsEndingIsDropped() { QCOMPARE(ExecCmd("true.exe"), 0); }

    void redirectedOutputIsCompleteOnReturn() {
        QTemporaryDir dir;
        const QString out = dir.filePath("out.txt");
        QFile::remove(out);
        ExecCmd("command.com /c sh -c \"sleep 0.2; seq 1 20000\" > " + out);
        const QByteArray data = readAll(out);
        QVERIFY(data.endsWith("19999\n20000\n"));
        // Truncated, not appended, on a second run.
        ExecCmd("command.com /c echo hi >" + out);
        QCOMPARE(readAll(out), QByteArray("hi\n"));
    }

    void redirectedInput() {
        QTemporaryDir dir;
        QFile in(dir.filePath("in.txt"));
        QVERIFY(in.open(QIODevice::WriteOnly));
        in.write("comment text\n");
        in.close();
        const QString out = dir.filePath("copy.txt");
        ExecCmd("command.com /c cp /dev/stdin " + out + " <" + in.fileName());
        QCOMPARE(readAll(out), QByteArray("comment text\n"));
    }

    void childSeesCurrentDirectory() {
        QTemporaryDir dir;
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        ExecCmd("command.com /c pwd > here.txt");
        QDir::setCurrent(before);
        QCOMPARE(readAll(dir.filePath("here.txt")).trimmed(),
                 QDir(dir.path()).canonicalPath().toLocal8Bit());
    }

    void shellMetacharactersStayLiteral() {
        QTemporaryDir dir;
        const QString out = dir.filePath("args.txt");
        const QString marker = dir.filePath("pwned");
        ExecCmd("command.com /c printf \"%s|\" \"a;b\" \"$(touch " + marker + ")\" \"`x`\" \"c&d\" > " + out);
        QCOMPARE(readAll(out), ("a;b|$(touch " + marker + ")|`x`|c&d|").toLocal8Bit());
        QVERIFY(!QFile::exists(marker));
    }

    void waitingCallbackRuns() {
        int calls = 0;
        QCOMPARE(ExecCmd("sleep 0.3", [&] { ++calls; }), 0);
        QVERIFY(calls >= 2);
    }

    void killedChildIsAFailure() { QCOMPARE(ExecCmd("sh -c \"kill -9 $$\""), 128 + 9); }

    // A command the program builds is data: whatever an argument or a file name holds, it
    // reaches the program as itself, and ">" or "<" in it never redirects anything.
    void builtCommandsPassArgumentsLiterally() {
        QTemporaryDir dir;
        const QStringList args = {"a \"b\" c", "back\\slash\\", "new\nline", ">x", "<y",
                                  "$(touch p)", "`id`", ";|&", "*?[a]", ""};
        Command command = makeCommand("printf", QStringList{"%s|"} + args);
        command.stdoutFile = dir.filePath("out >here<.txt");
        command.stderrFile = dir.filePath("err.txt");
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const int status = runCommand(command);
        QDir::setCurrent(before);
        QCOMPARE(status, 0);
        QCOMPARE(readAll(command.stdoutFile), (args.join('|') + '|').toUtf8());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{"err.txt", "out >here<.txt"}));
        // The text form splits back to the same arguments.
        QCOMPARE(splitCommandLine(command.text), QStringList{"printf"} + QStringList{"%s|"} + args);
    }

    void lastErrorLineNamesTheFault() {
        QTemporaryDir dir;
        Command command = makeCommand("sh", {"-c", "echo progress; echo 'tool: disk full' >&2; "
                                                   "printf '\\n  \\r\\n' >&2; exit 2"});
        command.stderrFile = dir.filePath("err.txt");
        QCOMPARE(runCommand(command), 2);
        QCOMPARE(lastErrorLine(command), QString("tool: disk full"));
        command.stderrFile.clear();
        QCOMPARE(lastErrorLine(command), QString());
    }

    // A stop request (SIGTERM to this program) stops the child and its own children at once.
    void stopRequestStopsTheChild() {
        StopSignals::install();
        QElapsedTimer t;
        t.start();
        ::raise(SIGTERM);
        QCOMPARE(runCommand(makeCommand("sh", {"-c", "sleep 30 & sleep 30; wait"})), 128 + SIGTERM);
        QVERIFY(t.elapsed() < 10'000);
        StopSignals::clear();
    }
};

QTEST_GUILESS_MAIN(ProcessRunnerTest)
#include "test_process_runner.moc"
