#include "platform/process_runner.h"
#include "platform/stop_signals.h"

#include <csignal>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "../common/file_helpers.h"
#include "../fakes/command_text.h"

class ProcessRunnerTest : public QObject {
    Q_OBJECT

  private slots:
    void splitting_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("plain") << "a b  c" << QStringList{"a", "b", "c"};
        QTest::newRow("quoted blank") << "a \"b c\" d" << QStringList{"a", "b c", "d"};
        QTest::newRow("escaped quote") << "a \\\"b" << QStringList{"a", "\"b"};
        QTest::newRow("two backslashes then quote") << "\"a\\\\\" b" << QStringList{"a\\", "b"};
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

    void missingProgramReturnsAtOnce() {
        QElapsedTimer t;
        t.start();
        QCOMPARE(runCommand(makeCommand("no-such-program-kavel.exe", {"a", "b"})), kCouldNotStart);
        QVERIFY(t.elapsed() < 5000);
        QCOMPARE(runCommand(Command{}), kCouldNotStart);
    }

    void exitStatusIsReturned() {
        QCOMPARE(runCommand(makeCommand("true", {})), 0);
        QCOMPARE(runCommand(makeCommand("sh", {"-c", "exit 7"})), 7);
    }

    void windowsEndingIsDropped() { QCOMPARE(runCommand(makeCommand("true.exe", {})), 0); }

    void redirectedOutputIsCompleteOnReturn() {
        QTemporaryDir dir;
        Command command = makeCommand("sh", {"-c", "sleep 0.2; seq 1 20000"});
        command.stdoutFile = dir.filePath("out.txt");
        runCommand(command);
        QVERIFY(readAll(command.stdoutFile).endsWith("19999\n20000\n"));
        // Truncated, not appended, on a second run.
        command = makeCommand("echo", {"hi"});
        command.stdoutFile = dir.filePath("out.txt");
        runCommand(command);
        QCOMPARE(readAll(command.stdoutFile), QByteArray("hi\n"));
    }

    void redirectedInput() {
        QTemporaryDir dir;
        QFile in(dir.filePath("in.txt"));
        QVERIFY(in.open(QIODevice::WriteOnly));
        in.write("comment text\n");
        in.close();
        Command command = makeCommand("cp", {"/dev/stdin", dir.filePath("copy.txt")});
        command.stdinFile = in.fileName();
        runCommand(command);
        QCOMPARE(readAll(dir.filePath("copy.txt")), QByteArray("comment text\n"));
    }

    void childSeesCurrentDirectory() {
        QTemporaryDir dir;
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        Command command = makeCommand("pwd", {});
        command.stdoutFile = QStringLiteral("here.txt");
        runCommand(command);
        QDir::setCurrent(before);
        QCOMPARE(readAll(dir.filePath("here.txt")).trimmed(),
                 QDir(dir.path()).canonicalPath().toLocal8Bit());
    }

    void waitingCallbackRuns() {
        int calls = 0;
        QCOMPARE(runCommand(makeCommand("sleep", {"0.3"}), [&] { ++calls; }), 0);
        QVERIFY(calls >= 2);
    }

    void killedChildIsAFailure() {
        QCOMPARE(runCommand(makeCommand("sh", {"-c", "kill -9 $$"})), 128 + 9);
    }

    // A command the program builds is data: whatever an argument or a file name holds, it
    // reaches the program as itself, and ">" or "<" in it never redirects anything.
    void builtCommandsPassArgumentsLiterally() {
        QTemporaryDir dir;
        const QStringList args = {"a \"b\" c",  "back\\slash\\", "new\nline", ">x",    "<y",
                                  "$(touch p)", "`id`",          ";|&",       "*?[a]", ""};
        Command command = makeCommand("printf", QStringList{"%s|"} + args);
        command.stdoutFile = dir.filePath("out >here<.txt");
        command.stderrFile = dir.filePath("err.txt");
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const int status = runCommand(command);
        QDir::setCurrent(before);
        QCOMPARE(status, 0);
        QCOMPARE(readAll(command.stdoutFile), (args.join('|') + '|').toUtf8());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 (QStringList{"err.txt", "out >here<.txt"}));
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
        QTemporaryDir dir;
        const QString pidFile = dir.filePath("grandchild");
        StopSignals::install();
        QElapsedTimer t;
        t.start();
        bool raised = false;
        // The stop comes once the child has started a child of its own.
        const auto stopOnceStarted = [&] {
            if (!raised && readAll(pidFile).endsWith('\n')) {
                raised = true;
                ::raise(SIGTERM);
            }
        };
        QCOMPARE(runCommand(makeCommand("sh", {"-c", "sleep 30 & echo $! > \"$1\"; sleep 30; wait",
                                               "sh", pidFile}),
                            stopOnceStarted),
                 128 + SIGTERM);
        QVERIFY(t.elapsed() < 10'000);
        StopSignals::clear();
        // The stop went to the group: the child's own child is gone as well.
        const qint64 grandchild = readAll(pidFile).trimmed().toLongLong();
        QVERIFY(grandchild > 0);
        QTRY_VERIFY_WITH_TIMEOUT(!processAlive(grandchild), 5000);
    }

    // Killed outright, this program cannot stop what it started: the kernel sends the child
    // the stop signal instead, so nothing goes on writing for a run that is gone, and a child
    // that stops in order on that signal (the archiver front-ends) gets to do so.
    void childEndsWhenTheProgramIsKilled_data() {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QByteArray>("heard");
        QTest::newRow("plain child") << "exec sleep 60" << QByteArray();
        QTest::newRow("child that stops in order")
            << "trap 'echo stopped > \"$2\"; exit 143' TERM; while :; do sleep 0.05; done"
            << QByteArray("stopped\n");
    }
    void childEndsWhenTheProgramIsKilled() {
        QFETCH(QString, script);
        QFETCH(QByteArray, heard);
        QTemporaryDir dir;
        const QString pidFile = dir.filePath("pid");
        const QString heardFile = dir.filePath("heard");
        QProcess probe;
        probe.start(KAVEL_RUNNER_PROBE,
                    {"sh", "-c", "echo $$ > \"$1\"; " + script, "sh", pidFile, heardFile});
        QTRY_VERIFY_WITH_TIMEOUT(readAll(pidFile).endsWith('\n'), 10000);
        const qint64 child = readAll(pidFile).trimmed().toLongLong();
        QVERIFY(processAlive(child));
        QCOMPARE(probe.state(), QProcess::Running);
        ::kill(pid_t(probe.processId()), SIGKILL);
        QVERIFY(probe.waitForFinished(10000));
        QCOMPARE(probe.exitStatus(), QProcess::CrashExit);
        QTRY_VERIFY_WITH_TIMEOUT(!processAlive(child), 10000);
        QCOMPARE(readAll(heardFile), heard);
    }

    // The archiver front-ends' progress lines arrive in pieces of any size.
    void progressLines_data() {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QList<int>>("percents");
        QTest::addColumn<QByteArray>("passedOn");
        QTest::newRow("split lines, CR LF, repeats")
            << QList<QByteArray>{"4", "2%\r\n1", "0%\n10%\n", "100%\n"} << QList<int>{42, 10, 100}
            << QByteArray();
        QTest::newRow("other output is passed on")
            << QList<QByteArray>{"Creating archive\n5%\nx 50%\n101%\n-3%\n"} << QList<int>{5}
            << QByteArray("Creating archive\nx 50%\n101%\n-3%\n");
        QTest::newRow("last line without its end")
            << QList<QByteArray>{"7%\n", "99%"} << QList<int>{7, 99} << QByteArray();
        QTest::newRow("unfinished other text")
            << QList<QByteArray>{"done"} << QList<int>{} << QByteArray("done");
    }
    void progressLines() {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QList<int>, percents);
        QFETCH(QByteArray, passedOn);
        ProgressLineReader reader;
        QList<int> seen;
        reader.onPercent = [&](int p) { seen << p; };
        QByteArray passed;
        for (const QByteArray& piece : pieces)
            passed += reader.feed(piece);
        passed += reader.finish();
        QCOMPARE(seen, percents);
        QCOMPARE(passed, passedOn);
    }

    // A stand-in for a front-end speaking the progress protocol: the percentages reach the
    // caller while the program still runs, and only a command that asks sees the variable.
    void progressWhileTheProgramRuns() {
        QTemporaryDir dir;
        const QString script = dir.filePath("fake-archiver");
        const QString seenVariable = dir.filePath("variable.txt");
        writeFile(script,
                  "#!/bin/sh\n"
                  "printf '%s' \"${KAVEL32_PROGRESS-unset}\" > \"$1\"\n"
                  "echo 5%; sleep 0.3; echo 5%; echo 45%; sleep 0.3; printf 100%%; exit 3\n");
        QVERIFY(
            QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner));
        const Command command = makeCommand(script, {seenVariable});

        QElapsedTimer clock;
        clock.start();
        QList<int> percents;
        qint64 firstAt = -1;
        const int status = runCommand(command, {}, [&](int p) {
            if (firstAt < 0)
                firstAt = clock.elapsed();
            percents << p;
        });
        const qint64 total = clock.elapsed();
        QCOMPARE(status, 3);
        QCOMPARE(percents, (QList<int>{5, 45, 100}));
        QVERIFY2(firstAt >= 0 && firstAt < total - 300, qPrintable(QString::number(firstAt)));
        QCOMPARE(readAll(seenVariable), QByteArray("1"));

        // Without a caller for the progress the variable is taken away, even when this
        // program has it.
        qputenv(kProgressVariable, "1");
        QCOMPARE(runCommand(command), 3);
        qunsetenv(kProgressVariable);
        QCOMPARE(readAll(seenVariable), QByteArray("unset"));
    }
};

QTEST_GUILESS_MAIN(ProcessRunnerTest)
#include "test_process_runner.moc"
