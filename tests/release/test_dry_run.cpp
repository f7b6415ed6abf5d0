// The dry run against the run it describes: its in-memory checks against the checks that
// write scratch files, and the real program's dry run against the real run that follows.
#include "../fakes/command_text.h"
#include "companion/diz_numbering.h"
#include "platform/process_runner.h"
#include "release/dry_run.h"
#include "script/script_file.h"

#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "../common/file_helpers.h"
#include "../fakes/recording_ports.h"

namespace {

// Every file and folder below root with its size and time: "nothing written" is this,
// unchanged (a folder's time changes when anything is made or removed in it).
QStringList treeState(const QString& root) {
    QStringList state;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        state << QStringLiteral("%1 %2 %3")
                     .arg(QDir(root).relativeFilePath(info.filePath()))
                     .arg(info.isDir() ? 0 : info.size())
                     .arg(info.lastModified().toMSecsSinceEpoch());
    }
    state.sort();
    return state;
}

QString lineStarting(const QString& text, const QString& start) {
    for (const QString& line : text.split('\n'))
        if (line.startsWith(start))
            return line.mid(start.size());
    return {};
}

} // namespace

class TestDryRun : public QObject {
    Q_OBJECT
    QTemporaryDir root;

    // A job that passes every other check, numbered at line and column of its diz.
    JobSettings numberedJob(const QByteArray& line3, const QString& line, const QString& column) {
        JobSettings job;
        job.SourceSpec = root.filePath("numbering/source");
        QDir().mkpath(job.SourceSpec);
        job.DizFile = root.filePath("numbering/file_id.diz");
        writeFile(job.DizFile, "Title\r\nSecond\r\n" + line3 + "\r\n");
        job.AutoNumber = true;
        job.NumberLine = line;
        job.NumberColumn = column;
        job.NfoFile = root.filePath("numbering/r.nfo");
        writeFile(job.NfoFile, "nfo\r\n");
        job.ZipDir = root.filePath("numbering/zips");
        QDir().mkpath(job.ZipDir);
        job.ZipName = "num";
        return job;
    }
    RunPlan planOf(const JobSettings& job, int volumes) {
        PlanOptions options;
        options.volumes = volumes;
        return planRun(job, readPlanFacts(job, root.path()), options);
    }

  private slots:
    void initTestCase() {
        qputenv("KAVEL32_STATE_DIR", root.filePath("unit-state").toLocal8Bit());
        qputenv("KAVEL32_SCRATCH_DIR", root.filePath("unit-scratch").toLocal8Bit());
    }

    // The plan's numbering verdict is the check's own, at its edges.
    void numberingVerdictMatchesTheCheck_data() {
        QTest::addColumn<QByteArray>("line3");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("column");
        QTest::newRow("room") << QByteArray("Disk 00/00 of the set") << "3"
                              << "6";
        QTest::newRow("exactly 7 from the column") << QByteArray("Disk 00/00xx") << "3"
                                                   << "6";
        QTest::newRow("one short") << QByteArray("Disk 00/00x") << "3"
                                   << "6";
        QTest::newRow("last line") << QByteArray("Disk 00/00 of the set") << "3"
                                   << "1";
        QTest::newRow("beyond the last line") << QByteArray("Disk 00/00 of the set") << "4"
                                              << "1";
        QTest::newRow("column 0") << QByteArray("Disk 00/00 of the set") << "3"
                                  << "0";
        QTest::newRow("column a word") << QByteArray("Disk 00/00 of the set") << "3"
                                       << "abc";
        QTest::newRow("empty line field") << QByteArray("Disk 00/00 of the set") << ""
                                          << "6";
    }
    void numberingVerdictMatchesTheCheck() {
        QFETCH(QByteArray, line3);
        QFETCH(QString, line);
        QFETCH(QString, column);
        const JobSettings job = numberedJob(line3, line, column);
        NullWindowPort window;
        RecordingMachine machine;
        NumberingState state;
        checkDizNumbering(job, RunFlags{true, false}, false, state, window, machine);
        const RunPlan plan = planOf(job, 2);
        QCOMPARE(plan.ok(), state.NumberingValid);
    }

    // The numbered line and diz the plan puts into zip k are what writeDiskDiz writes; a
    // line the writer would append to, the plan refuses.
    void numberedLineMatchesTheWriter_data() {
        QTest::addColumn<QByteArray>("line3");
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("n");
        QTest::addColumn<bool>("three");
        QTest::newRow("two digits") << QByteArray("Disk 00/00 of the set") << 2 << 5 << false;
        QTest::newRow("three digits") << QByteArray("Disk 000/000 of the set") << 2 << 120 << true;
        QTest::newRow("last of three digits")
            << QByteArray("Disk 000/000 of the set") << 120 << 120 << true;
        QTest::newRow("appended") << QByteArray("Disk 00/00") << 2 << 5 << false;
    }
    void numberedLineMatchesTheWriter() {
        QFETCH(QByteArray, line3);
        QFETCH(int, k);
        QFETCH(int, n);
        QFETCH(bool, three);
        const JobSettings job = numberedJob(line3, "3", "6");
        const QString out = root.filePath("numbering/out.diz");
        QVERIFY(writeDiskDiz(job, k, n, three, nullptr, out));
        const RunPlan plan = planOf(job, n);
        if (line3.size() < 6 + 6) {
            QVERIFY(!plan.ok());
            QCOMPARE(plan.fault->text, QStringLiteral("Column number too high"));
            return;
        }
        QVERIFY2(plan.ok(), qPrintable(plan.fault->text));
        QCOMPARE(plan.zips[k - 1].numberedLine.toLatin1(), readAll(out).split('\n')[2].trimmed());
        QCOMPARE(plan.zips[k - 1].dizText, readAll(out));
    }

    // The real dry run writes nothing anywhere, then the real run executes the archiver
    // command line it printed and makes the zips it named.
    void dryRunThenRun() {
        const QString top = root.filePath("e2e");
        const QString source = top + "/source", zips = top + "/zips", work = top + "/work";
        QDir().mkpath(zips);
        QDir().mkpath(work);
        QByteArray data(8'000'000, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(data.data()), data.size() / 4);
        writeFile(source + "/data.bin", data);
        writeFile(top + "/file_id.diz", "Title\r\n\r\nDisk 00/00 of the set\r\n");
        writeFile(top + "/release.nfo", "Notes\r\n");
        JobSettings job;
        job.SourceSpec = source;
        job.DizFile = top + "/file_id.diz";
        job.AutoNumber = true;
        job.NumberLine = "3";
        job.NumberColumn = "6";
        job.NfoFile = top + "/release.nfo";
        job.ZipDir = zips;
        job.ZipName = "dry";
        job.SizeUnits = 3;
        job.MethodIndex = 1;
        QVERIFY(saveScript(top + "/dry.rip", job).ok);
        job.NfoFile = top + "/missing.nfo";
        QVERIFY(saveScript(top + "/stops.rip", job).ok);

        // The archiver is the real front-end behind a wrapper that writes down its arguments.
        const QString programs = root.filePath("programs");
        QDir().mkpath(programs);
        for (const char* tool : {"size", "pkzip"})
            QVERIFY(QFile::link(QString(KAVEL_BIN_DIR) + "/" + tool, programs + "/" + tool));
        const QString log = root.filePath("wrar-arguments.txt");
        writeFile(programs + "/wrar",
                  QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\nexec '%2/wrar' \"$@\"\n")
                      .arg(log, KAVEL_BIN_DIR)
                      .toLocal8Bit());
        QVERIFY(QFile::setPermissions(programs + "/wrar",
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KAVEL32_STATE_DIR", top + "/state");     // absent: must stay so
        env.insert("KAVEL32_SCRATCH_DIR", top + "/scratch"); // absent: must stay so
        env.insert("KAVEL32_PROGRAM_DIR", programs);
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        auto kavel = [&](const QStringList& args, QString* out) {
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(QString(KAVEL_BIN_DIR) + "/kavel32", args);
            p.waitForFinished(-1);
            *out = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
            return p.exitCode();
        };

        const QStringList before = treeState(root.path());
        QString stopped;
        QCOMPARE(kavel({"--work-dir", work, "--dry-run", top + "/stops.rip"}, &stopped), 1);
        QVERIFY2(stopped.contains("The run would stop here: the job in") &&
                     stopped.contains("missing.nfo does not exist"),
                 qPrintable(stopped));
        QString plan;
        QCOMPARE(kavel({"--work-dir", work, "--sfv", "--dry-run", "!" + top + "/dry.rip"}, &plan),
                 0);
        QCOMPARE(treeState(root.path()), before);
        QVERIFY2(plan.contains("Check: the job passes its check"), qPrintable(plan));
        QVERIFY(plan.contains("Source: " + source + ", 8,000,000 bytes"));
        QVERIFY(plan.contains("estimated 5.6, planned 6"));
        QVERIFY(plan.contains("After the last zip: dry.sfv"));

        QString ran;
        QCOMPARE(kavel({"--work-dir", work, "!" + top + "/dry.rip"}, &ran), 0);
        const QStringList planned = splitCommandLine(lineStarting(plan, "Archiver: "));
        QCOMPARE(planned.value(0), QString("wrar.exe"));
        QCOMPARE(planned.mid(1),
                 QString::fromLocal8Bit(readAll(log)).split('\n', Qt::SkipEmptyParts));

        const QStringList made = QDir(zips).entryList({"*.zip"}, QDir::Files, QDir::Name);
        QCOMPARE(lineStarting(plan, "Zips: 6 in " + zips + ": "), made.join(", "));
        QProcess unzip;
        unzip.start("unzip", {"-p", zips + "/" + made.back(), "file_id.diz"});
        unzip.waitForFinished();
        QCOMPARE(lineStarting(plan, "Diz of zip dry06.zip, line 3: ").toLatin1(),
                 unzip.readAllStandardOutput().split('\n')[2].trimmed());
    }
};

QTEST_GUILESS_MAIN(TestDryRun)
#include "test_dry_run.moc"
