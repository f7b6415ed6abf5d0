#include "script/script_file.h"

#include "../fakes/recording_ports.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QDateTime kSavedAt(QDate(1998, 7, 5), QTime(14, 3, 9));

JobSettings fullJob() {
    JobSettings job;
    job.SourceSpec = "c:\\work\\pack";
    job.SkipList = "c:\\work\\pack\\demos\\*.*\r\nc:\\work\\pack\\readme.txt\r\n";
    job.DizFile = "c:\\diz\\file_id.diz";
    job.AutoNumber = true;
    job.NumberColumn = "6";
    job.NumberLine = "3";
    job.NfoFile = "c:\\nfo\\pack.nfo";
    job.FirstZipOnly = true;
    job.ExtraIsFile = false;
    job.ExtraPath = "c:\\extra";
    job.ZipDir = "d:\\zips";
    job.ZipName = "mygame";
    job.SizeUnits = 3;
    job.MethodIndex = 5;
    job.ZipExtra = true;
    return job;
}

const QByteArray kFullScript = "Kavel32 script - 07-05-1998  14:03:09\r\n"
                               "Source: c:\\work\\pack\r\n"
                               "Skip: \r\n"
                               "c:\\work\\pack\\demos\\*.*\r\n"
                               "c:\\work\\pack\\readme.txt\r\n"
                               "\r\n"
                               "Diz: c:\\diz\\file_id.diz\r\n"
                               "AutoN: True\r\n"
                               "Col: 6\r\n"
                               "Lin: 3\r\n"
                               "Nfo: c:\\nfo\\pack.nfo\r\n"
                               " 1st: 1\r\n"
                               " File:False\r\n"
                               " Extra:c:\\extra\r\n"
                               "Zip: d:\\zips\r\n"
                               " name:mygame\r\n"
                               " Size: 3\r\n"
                               " Solid: 5\r\n"
                               " Extra:-1\r\n";

// The lines of a script with one line replaced (0-based index into the full script).
QByteArray withLine(int index, const QByteArray& line) {
    QList<QByteArray> lines = kFullScript.split('\n');
    lines[index] = line + '\r';
    return lines.join('\n');
}

JobSettings loaded(const QByteArray& bytes, ScriptLoad* result = nullptr) {
    JobSettings job;
    const ScriptLoad load = readScript(bytes, job);
    if (result)
        *result = load;
    return job;
}

} // namespace

class ScriptFileTest : public QObject {
    Q_OBJECT
  private slots:
    void writerPutsEveryLineInItsPlace() { QCOMPARE(scriptText(fullJob(), kSavedAt), kFullScript); }

    void writerSignPositions() {
        JobSettings job = fullJob();
        job.FirstZipOnly = false;
        job.ExtraIsFile = true;
        job.ZipExtra = false;
        job.SizeUnits = 0;
        job.MethodIndex = 0;
        job.AutoNumber = false;
        const QByteArray text = scriptText(job, kSavedAt);
        QVERIFY(text.contains("\r\n 1st: 0\r\n"));
        QVERIFY(text.contains("\r\n File:True\r\n"));
        QVERIFY(text.contains("\r\n Size: 0\r\n Solid: 0\r\n Extra: 0\r\n"));
        QVERIFY(text.contains("\r\nAutoN: False\r\n"));
        QVERIFY(text.endsWith(" Extra: 0\r\n"));
    }

    void roundTrips_data() {
        QTest::addColumn<JobSettings>("job");
        JobSettings empty;
        QTest::newRow("empty job") << empty;
        QTest::newRow("two skip entries") << fullJob();
        JobSettings flags = fullJob();
        flags.AutoNumber = false;
        flags.FirstZipOnly = false;
        flags.ExtraIsFile = true;
        flags.ZipExtra = false;
        flags.SizeUnits = 199;
        flags.MethodIndex = 0;
        flags.SkipList.clear();
        QTest::newRow("flags off, largest size") << flags;
        JobSettings single = fullJob();
        single.SizeUnits = 0;
        single.ZipName = "a_name_of_twenty_chr";
        QTest::newRow("one archive, long name") << single;
        JobSettings linux = fullJob();
        linux.SourceSpec = "/home/u/My Game";
        linux.SkipList = "/home/u/My Game/Demos/*.*\r\n/home/u/My Game/Read Me.txt\r\n";
        linux.ExtraPath = "/home/u/extra/ünïcode";
        QTest::newRow("paths with blanks and non-ASCII") << linux;
    }
    void roundTrips() {
        QFETCH(JobSettings, job);
        QTemporaryDir dir;
        const QString path = dir.filePath("job.rip");
        const ScriptSave save = saveScript(path, job, kSavedAt);
        QVERIFY2(save.ok, qPrintable(save.error));
        JobSettings back;
        RecordingWindow window;
        const ScriptLoad load = loadScript(path, back, window, RunFlags{});
        QVERIFY2(load.ok, qPrintable(load.detail));
        QVERIFY2(load.labelFault.isEmpty(), qPrintable(load.labelFault)); // ours always pass
        QCOMPARE(back, job);
        QVERIFY(window.messages.isEmpty());
    }

    void emptySkipListIsTheKeyAndOneEmptyLine() {
        JobSettings job = fullJob();
        job.SkipList.clear();
        const QByteArray text = scriptText(job, kSavedAt);
        QVERIFY(text.contains("\r\nSkip: \r\n\r\nDiz: "));
        JobSettings back = loaded(text);
        QCOMPARE(back.SkipList, QString());
        QCOMPARE(back.DizFile, job.DizFile);
    }

    void skipListWithoutLastLineEndIsWrittenWhole() {
        JobSettings job = fullJob();
        job.SkipList = "/src/a/*.*\r\n\r\n/src/b.txt"; // an empty entry and no final CR LF
        const QByteArray text = scriptText(job, kSavedAt);
        QVERIFY(text.contains("Skip: \r\n/src/a/*.*\r\n/src/b.txt\r\n\r\nDiz: "));
        QCOMPARE(loaded(text).SkipList, QString("/src/a/*.*\r\n/src/b.txt\r\n"));
    }

    void autoNumberErrorKeepsWhatWasRead() {
        ScriptLoad result;
        const JobSettings job = loaded(withLine(7, "AutoN: Maybe"), &result);
        QVERIFY(!result.ok);
        QCOMPARE(result.line, 8);
        QVERIFY2(result.detail.contains("AutoN"), qPrintable(result.detail));
        QCOMPARE(job.SourceSpec, QString("c:\\work\\pack"));
        QCOMPARE(job.SkipList, fullJob().SkipList);
        QCOMPARE(job.DizFile, QString("c:\\diz\\file_id.diz"));
        QCOMPARE(job.NfoFile, QString()); // not reached
        QCOMPARE(job.AutoNumber, false);
    }

    void errorBoxOnlyOutsideBatchMode() {
        QTemporaryDir dir;
        const QString path = dir.filePath("bad.rip");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(withLine(7, "AutoN: Maybe"));
        file.close();

        RecordingWindow interactive;
        JobSettings job;
        QVERIFY(!loadScript(path, job, interactive, RunFlags{}).ok);
        QCOMPARE(interactive.messages, QStringList{"Kavel32 error|Error in Kavel script"});

        RecordingWindow batch;
        JobSettings batchJob;
        QVERIFY(!loadScript(path, batchJob, batch, RunFlags{true, false}).ok);
        QVERIFY(batch.messages.isEmpty());
        QCOMPARE(batchJob.DizFile, QString("c:\\diz\\file_id.diz"));
    }

    void missingFileIsAnError() {
        RecordingWindow window;
        JobSettings job;
        const ScriptLoad result = loadScript("/nonexistent/dir/job.rip", job, window, RunFlags{});
        QVERIFY(!result.ok);
        QVERIFY(result.detail.contains("/nonexistent/dir/job.rip"));
        QCOMPARE(window.messages.size(), 1);
        QCOMPARE(job, JobSettings{});
    }

    void aFolderOrAnEndlessFileIsNoScript() {
        QTemporaryDir dir;
        RecordingWindow window;
        JobSettings job;
        QVERIFY(!loadScript(dir.path(), job, window, RunFlags{true, false}).ok);
        const ScriptLoad zeros = loadScript("/dev/zero", job, window, RunFlags{true, false});
        QVERIFY(!zeros.ok);
        QVERIFY(!zeros.detail.isEmpty());
    }

    void endAfterSkipEntriesIsAnError() {
        const QByteArray text =
            "Kavel32 script - x\r\nSource: c:\\src\r\nSkip: \r\nc:\\src\\a\\*.*\r\n";
        ScriptLoad result;
        const JobSettings job = loaded(text, &result);
        QVERIFY(!result.ok);
        QVERIFY(result.detail.contains("empty line"));
        QCOMPARE(job.SkipList, QString("c:\\src\\a\\*.*\r\n"));
    }

    void sizeCutsTheName_data() {
        QTest::addColumn<QByteArray>("sizeLine");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<int>("units");
        QTest::newRow("size 3") << QByteArray(" Size: 3") << "ABCDEF" << 6 << 3;
        QTest::newRow("size 0") << QByteArray(" Size: 0") << "ABCDEFGH" << 20 << 0;
        QTest::newRow("rounded") << QByteArray(" Size: 2.6") << "ABCDEF" << 6 << 3;
        QTest::newRow("no sign position") << QByteArray(" Size:3") << "ABCDEFGH" << 20 << 0;
        QTest::newRow("blanks skipped") << QByteArray(" Size:    12xyz") << "ABCDEF" << 6 << 12;
    }
    void sizeCutsTheName() {
        QFETCH(QByteArray, sizeLine);
        QByteArray text = withLine(15, " name:ABCDEFGH");
        text = text.replace(" Size: 3\r\n", sizeLine + "\r\n");
        ScriptLoad result;
        const JobSettings job = loaded(text, &result);
        QVERIFY2(result.ok, qPrintable(result.detail));
        QVERIFY(result.sizeSet);
        QTEST(job.ZipName, "name");
        QTEST(result.zipNameMaxLength, "maxLength");
        QTEST(int(job.SizeUnits), "units");
    }

    // Values are read by position, whatever the keys say; the first line whose key is not
    // the one expected is named for the job's check.
    void keysAreNotExamined() {
        QByteArray text = withLine(1, "12345678c:\\src");
        text.replace("Diz: ", "ZZZZ ");
        text.replace(" name:", "?????:");
        ScriptLoad result;
        const JobSettings job = loaded(text, &result);
        QCOMPARE(job.SourceSpec, QString("c:\\src"));
        QCOMPARE(job.DizFile, QString("c:\\diz\\file_id.diz"));
        QCOMPARE(job.ZipName, QString("mygame"));
        QVERIFY(result.ok);
        QCOMPARE(result.labelFault,
                 QStringLiteral("line 2 is labelled \"12345678\" where \"Source: \" belongs"));
    }

    void shiftedLinesAreNamed_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("fault"); // empty: every key in its place
        QByteArray twice = kFullScript;
        twice.replace(" Size: 3\r\n", " Size: 3\r\n Size: 3\r\n");
        QTest::newRow("a line written twice")
            << twice << "line 18 is labelled \" Size:\" where \" Solid:\" belongs";
        QByteArray missing = kFullScript;
        missing.replace("Col: 6\r\n", "");
        QTest::newRow("a line missing")
            << missing << "line 9 is labelled \"Lin: \" where \"Col: \" belongs";
        QTest::newRow("the last line")
            << withLine(18, " Extra -1")
            << "line 19 is labelled \" Extra \" where \" Extra:\" belongs";
        QByteArray stripped = kFullScript;
        stripped.replace("Skip: \r\n", "Skip:\r\n");
        QTest::newRow("trailing blank stripped by an editor") << stripped << "";
        QTest::newRow("as written") << kFullScript << "";
    }
    void shiftedLinesAreNamed() {
        QFETCH(QByteArray, text);
        QFETCH(QString, fault);
        ScriptLoad result;
        loaded(text, &result);
        QCOMPARE(result.labelFault, fault);
    }

    void shortLinesGiveEmptyValues() {
        QByteArray text = withLine(6, "Diz");
        text.replace(" Extra:c:\\extra\r\n", "\r\n");
        ScriptLoad result;
        const JobSettings job = loaded(text, &result);
        QVERIFY2(result.ok, qPrintable(result.detail));
        QCOMPARE(job.DizFile, QString());
        QCOMPARE(job.ExtraPath, QString());
    }

    void booleanForms_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("result");
        QTest::newRow("True") << QByteArray("True") << true << true;
        QTest::newRow("lower case") << QByteArray("false") << true << false;
        QTest::newRow("number") << QByteArray("-1") << true << true;
        QTest::newRow("zero") << QByteArray("0") << true << false;
        QTest::newRow("empty") << QByteArray("") << false << false;
        QTest::newRow("word") << QByteArray("Yes") << false << false;
        QTest::newRow("number and text") << QByteArray("1x") << false << false;
    }
    void booleanForms() {
        QFETCH(QByteArray, value);
        QFETCH(bool, ok);
        ScriptLoad result;
        const JobSettings job = loaded(withLine(7, "AutoN: " + value), &result);
        QCOMPARE(result.ok, ok);
        if (ok)
            QTEST(job.AutoNumber, "result");
    }

    void fileLineSelectsTheKind() {
        QCOMPARE(loaded(withLine(12, " File:True")).ExtraIsFile, true);
        QCOMPARE(loaded(withLine(12, " File:False")).ExtraIsFile, false);
        ScriptLoad result;
        loaded(withLine(12, " File:Dir"), &result);
        QVERIFY(!result.ok);
        QCOMPARE(result.line, 13);
    }

    void valuesTheControlsRefuse_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("detail");
        QTest::newRow("size above the slider")
            << 16 << QByteArray(" Size: 200") << "the Size value \"200\" is not between 0 and 199";
        QTest::newRow("negative size")
            << 16 << QByteArray(" Size: -1") << "the Size value \"-1\" is not between 0 and 199";
        QTest::newRow("size overflow")
            << 16 << QByteArray(" Size: 1e999") << "the Size value \"1e999\" is out of range";
        QTest::newRow("method 6") << 17 << QByteArray(" Solid: 6")
                                  << "the Solid value \" 6\" is not between -1 and 5";
        QTest::newRow("method -2")
            << 17 << QByteArray(" Solid:-2") << "the Solid value \"-2\" is not between -1 and 5";
        QTest::newRow("check box 3")
            << 11 << QByteArray(" 1st: 3") << "the 1st value \" 3\" is not 0, 1 or 2";
        QTest::newRow("check box -1")
            << 11 << QByteArray(" 1st:-1") << "the 1st value \"-1\" is not 0, 1 or 2";
        QTest::newRow("AutoN a word")
            << 7 << QByteArray("AutoN: Yes") << "the AutoN value \"Yes\" is neither True nor False";
        QTest::newRow("File a word") << 12 << QByteArray(" File:Maybe")
                                     << "the File value \"Maybe\" is neither True nor False";
        QTest::newRow("last Extra overflow") << 18 << QByteArray(" Extra:-1e999")
                                             << "the last Extra value \"-1e999\" is out of range";
        QTest::newRow("NUL byte") << 1 << QByteArray("Source: c:\\s\0rc", 15)
                                  << "the line holds a NUL byte";
        QTest::newRow("line too long")
            << 6 << QByteArray("Diz: ") + QByteArray(70000, 'a') << "the line is too long";
    }
    void valuesTheControlsRefuse() {
        QFETCH(int, index);
        QFETCH(QByteArray, line);
        QFETCH(QString, detail);
        ScriptLoad result;
        loaded(withLine(index, line), &result);
        QVERIFY(!result.ok);
        QCOMPARE(result.line, index + 1);
        QVERIFY2(result.detail.contains(detail), qPrintable(result.detail));
    }

    // What the controls accept, stored files may hold: a greyed check box (still ticked) and a
    // compression list with nothing chosen, which the job check then refuses.
    void valuesTheControlsAccept() {
        ScriptLoad result;
        QVERIFY(loaded(withLine(11, " 1st: 2"), &result).FirstZipOnly);
        QVERIFY(result.ok);
        QVERIFY(!loaded(withLine(11, " 1st: 0"), &result).FirstZipOnly);
        QVERIFY(result.ok);
        QCOMPARE(loaded(withLine(16, " Size: 199"), &result).SizeUnits, 199);
        QVERIFY(result.ok);
        QCOMPARE(loaded(withLine(17, " Solid: 5"), &result).MethodIndex, 5);
        QVERIFY(result.ok);
        QCOMPARE(loaded(withLine(17, " Solid:-1"), &result).MethodIndex, kNoMethodChosen);
        QVERIFY(result.ok);
        JobSettings job = loaded(withLine(17, " Solid:-1"));
        job.SourceSpec = job.DizFile = job.NfoFile = job.ZipDir = "x";
        const JobReadiness ready = isJobReady(job);
        QVERIFY(!ready.ready);
        QCOMPARE(ready.page, Page::Zip);
        QCOMPARE(readinessReason(ready), QStringLiteral("No compression method is chosen"));
    }

    void everyTruncationIsRefusedOrComplete() {
        const qsizetype lastLine = kFullScript.lastIndexOf("\r\n", kFullScript.size() - 3) + 2;
        for (qsizetype n = 0; n < kFullScript.size(); ++n) {
            ScriptLoad result;
            loaded(kFullScript.left(n), &result);
            QCOMPARE(result.ok, n > lastLine);
        }
    }

    void otherLineEndsAreAccepted() {
        QByteArray crOnly = kFullScript;
        crOnly.replace("\r\n", "\r");
        QCOMPARE(loaded(crOnly), fullJob());
        QByteArray lfOnly = kFullScript;
        lfOnly.replace("\r\n", "\n");
        QCOMPARE(loaded(lfOnly), fullJob());
    }

    void linesAfterTheLastAreIgnored() {
        ScriptLoad result;
        QCOMPARE(loaded(kFullScript + "trailing\r\n\0\0", &result), fullJob());
        QVERIFY(result.ok);
    }

    void saveRefusesLineBreaksAndKeepsTheOldFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("job.rip");
        QVERIFY(saveScript(path, fullJob(), kSavedAt).ok);
        JobSettings bad = fullJob();
        bad.NfoFile = "c:\\a\r\nSkip: ";
        const ScriptSave save = saveScript(path, bad, kSavedAt);
        QVERIFY(!save.ok);
        QVERIFY(save.error.contains("Nfo"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), kFullScript);

        QVERIFY(!saveScript(dir.filePath("missing/job.rip"), fullJob(), kSavedAt).ok);
    }
};

QTEST_GUILESS_MAIN(ScriptFileTest)
#include "test_script_file.moc"
