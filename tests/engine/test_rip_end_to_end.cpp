// The unattended program on a real source with the real tools: 7-Zip volumes, libzip
// zips, the comment tool, then checked the way a user would check the result.
#include "companion/skip_list.h"
#include "companion/zip_comment.h"
#include "job/window_port.h"
#include "script/script_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "../common/file_helpers.h"

namespace {

QByteArray noise(int n, quint32 seed) {
    QByteArray data(n, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(data.data()), n / 4);
    return data;
}

struct Run {
    int exitCode = -1;
    QByteArray out, err;
};

Run runProgram(const QString& program, const QStringList& args,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(-1);
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

} // namespace

class RipEndToEndTest : public QObject {
    Q_OBJECT
    QTemporaryDir root;
    QString source, zips, work;
    QProcessEnvironment env;

    JobSettings baseJob() {
        JobSettings job;
        job.SourceSpec = source;
        job.DizFile = root.filePath("companions/file_id.diz");
        job.AutoNumber = true;
        job.NumberColumn = "6";
        job.NumberLine = "3";
        job.NfoFile = root.filePath("companions/release.nfo");
        job.ExtraIsFile = false;
        job.ExtraPath = root.filePath("companions/extra");
        job.ZipDir = zips;
        job.ZipName = "e2e";
        job.SizeUnits = 3;
        job.MethodIndex = 3;
        return job;
    }

    QString saveJob(const JobSettings& job, const QString& name) {
        const QString path = root.filePath(name);
        const ScriptSave saved = saveScript(path, job);
        if (!saved.ok)
            qWarning() << saved.error;
        return path;
    }

    Run kavel(const QString& argument) {
        return runProgram(QString(KAVEL_BIN_DIR) + "/kavel32", {"--work-dir", work, argument}, env);
    }

  private slots:
    void initTestCase() {
        source = root.filePath("Release Source");
        zips = root.filePath("zips");
        work = root.filePath("work");
        QDir().mkpath(zips);
        QDir().mkpath(work);
        env = QProcessEnvironment::systemEnvironment();
        env.insert("KAVEL32_STATE_DIR", root.filePath("state"));
        env.insert("KAVEL32_SCRATCH_DIR", root.filePath("scratch"));
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        qputenv("KAVEL32_STATE_DIR", root.filePath("state").toUtf8());
        qputenv("KAVEL32_SCRATCH_DIR", root.filePath("scratch").toUtf8());

        // About 5.5 MB: compressible text and incompressible data in nested folders.
        QByteArray text;
        for (int i = 0; i < 40000; ++i)
            text += "line " + QByteArray::number(i) + " of a compressible text file\n";
        writeFile(source + "/docs/manual text.txt", text);
        writeFile(source + "/data/level1/level2/noise.bin", noise(3'000'000, 1));
        writeFile(source + "/data/more.bin", noise(900'000, 2));
        writeFile(source + "/skipped dir/private.bin", noise(10'000, 3));
        writeFile(source + "/skip-me.tmp", "temporary\n");
        writeFile(source + "/readme.txt", "readme\r\n");

        writeFile(root.filePath("companions/file_id.diz"),
                  "  The Release\r\n  -----------\r\nDisk 00/00 of the set\r\n");
        writeFile(root.filePath("companions/release.nfo"), "Release notes\r\n");
        writeFile(root.filePath("companions/extra/one.txt"), "one\r\n");
        writeFile(root.filePath("companions/extra/two.txt"), "two\r\n");
        writeFile(root.filePath("companions/comment.txt"), "A comment for every zip\r\n");
    }

    void unattendedRunMakesCompleteZips() {
        JobSettings job = baseJob();
        NullWindowPort window;
        QVERIFY(addSkipSubDirectory(job, source + "/skipped dir", window));
        QVERIFY(addSkipFile(job, source + "/skip-me.tmp", window));
        QString error;
        QVERIFY2(turnCommentOn(root.filePath("companions/comment.txt"), job, &error),
                 qPrintable(error));
        const QString script = saveJob(job, "release.rip");
        const QMap<QString, QByteArray> sourceBefore = treeHashes(source);

        const Run run = kavel("!" + script);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY(run.out.contains("Ripping complete"));

        const QStringList made = QDir(zips).entryList({"*.zip"}, QDir::Files, QDir::Name);
        QVERIFY2(made.size() >= 3, qPrintable(made.join(' ')));
        for (int i = 0; i < made.size(); ++i)
            QCOMPARE(made[i], QString("e2e%1.zip").arg(i + 1, 2, 10, QChar('0')));

        QTemporaryDir unpacked;
        QByteArray joined;
        for (int i = 0; i < made.size(); ++i) {
            const QString zipPath = zips + "/" + made[i];
            QCOMPARE(runProgram("unzip", {"-tq", zipPath}).exitCode, 0);
            const QStringList entries =
                QString::fromLocal8Bit(runProgram("unzip", {"-Z1", zipPath}).out)
                    .split('\n', Qt::SkipEmptyParts);
            QCOMPARE(entries.size(), 5);
            QVERIFY(entries[0].startsWith("e2e.7z.")); // 7z volumes are named for their format
            QCOMPARE(entries.mid(1),
                     (QStringList{"file_id.diz", "release.nfo", "one.txt", "two.txt"}));
            const QByteArray diz = runProgram("unzip", {"-p", zipPath, "file_id.diz"}).out;
            QCOMPARE(diz.split('\n').value(2).trimmed(), QString("Disk %1/%2 of the set")
                                                             .arg(i + 1, 2, 10, QChar('0'))
                                                             .arg(made.size(), 2, 10, QChar('0'))
                                                             .toLatin1());
            QVERIFY(runProgram("unzip", {"-z", zipPath}).out.contains("A comment for every zip"));
            joined += runProgram("unzip", {"-p", zipPath, entries[0]}).out;
        }
        writeFile(unpacked.filePath("set.7z"), joined);
        QCOMPARE(runProgram("7zz",
                            {"x", "-y", "-o" + unpacked.filePath("x"), unpacked.filePath("set.7z")})
                     .exitCode,
                 0);

        QMap<QString, QByteArray> expected = sourceBefore;
        expected.remove("skipped dir/private.bin");
        expected.remove("skip-me.tmp");
        QCOMPARE(treeHashes(unpacked.filePath("x/Release Source")), expected);
        QCOMPARE(treeHashes(source), sourceBefore);
        QVERIFY2(QDir(work).isEmpty(), "the output folder is removed");
        QVERIFY(QFile::exists(root.filePath("companions/file_id.diz")));
    }

    void missingNfoFailsAtOnce() {
        JobSettings job = baseJob();
        job.ZipName = "nonfo";
        job.NfoFile = root.filePath("companions/missing.nfo");
        const Run run = kavel("!" + saveJob(job, "nonfo.rip"));
        QVERIFY(run.exitCode != 0);
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY(QDir(work).isEmpty());
        QVERIFY(QDir(zips).entryList({"nonfo*"}).isEmpty());
    }

    void missingArchiverFails() {
        JobSettings job = baseJob();
        job.ZipName = "noarc";
        const QString script = saveJob(job, "noarc.rip");
        QProcessEnvironment noSevenZip = env;
        noSevenZip.insert("PATH", "/nonexistent");
        const Run run = runProgram(QString(KAVEL_BIN_DIR) + "/kavel32",
                                   {"--work-dir", work, "!" + script}, noSevenZip);
        QVERIFY(run.exitCode != 0);
        QVERIFY2(run.err.contains("archiver"), run.err.constData());
        QVERIFY(QDir(zips).entryList({"noarc*"}).isEmpty());
        QVERIFY(QDir(work).isEmpty());
    }

    void helpAndVersion() {
        const Run help = runProgram(QString(KAVEL_BIN_DIR) + "/kavel32", {"--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("Usage: kavel32"));
        const Run version = runProgram(QString(KAVEL_BIN_DIR) + "/kavel32", {"--version"});
        QCOMPARE(version.out, QByteArray("Kavel32 v3.10\n"));
        QCOMPARE(runProgram(QString(KAVEL_BIN_DIR) + "/kavel32", {"--bogus"}).exitCode, 2);
    }

    // A resume takes its steps after the last zip from the stopped run's journal: every
    // option that would change them is refused alike, before anything is read; alone it runs.
    void resumeTakesNoStepsFromTheCommandLine_data() {
        QTest::addColumn<QStringList>("options");
        for (const QStringList& given :
             {QStringList{"--sfv"}, QStringList{"--no-sfv"}, QStringList{"--par2", "10"},
              QStringList{"--par2", "0"}, QStringList{"--verify"}, QStringList{"--no-verify"},
              QStringList{"--dry-run"}})
            QTest::newRow(qPrintable(given.join(' '))) << given;
    }
    void resumeTakesNoStepsFromTheCommandLine() {
        QFETCH(QStringList, options);
        const QString folder = root.filePath("work/Kavel999");
        for (const QStringList& args : {options + QStringList{"--resume", folder},
                                        QStringList{"--resume", folder} + options}) {
            const Run run = runProgram(QString(KAVEL_BIN_DIR) + "/kavel32", args, env);
            QCOMPARE(run.exitCode, 2);
            QVERIFY2(run.err.contains("--resume and --unpack go alone"), run.err.constData());
        }
        const Run alone =
            runProgram(QString(KAVEL_BIN_DIR) + "/kavel32", {"--resume", folder}, env);
        QCOMPARE(alone.exitCode, 1);
        QVERIFY2(alone.err.contains("cannot resume the run in"), alone.err.constData());
    }
};

QTEST_GUILESS_MAIN(RipEndToEndTest)
#include "test_rip_end_to_end.moc"
