#include "script/loaded_job_check.h"

#include "../fakes/recording_ports.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x\r\n");
}

} // namespace

class LoadedJobCheckTest : public QObject {
    Q_OBJECT

    QTemporaryDir root;
    QString src, zips;
    int numberingCalls = 0;
    bool numberingAnswer = true;
    NumberingCheck numbering = [this](const JobSettings&, QString*) {
        ++numberingCalls;
        return numberingAnswer;
    };

    JobSettings validJob() const {
        JobSettings job;
        job.SourceSpec = src;
        job.SkipList = src + "/Demos/*.*\r\n" + src + "/read me.txt\r\n";
        job.DizFile = root.filePath("file_id.diz");
        job.AutoNumber = true;
        job.NumberColumn = "6";
        job.NumberLine = "3";
        job.NfoFile = root.filePath("pack.nfo");
        job.ExtraIsFile = false;
        job.ExtraPath = root.filePath("extra");
        job.ZipDir = zips;
        job.ZipName = "mygame";
        return job;
    }
    QString scratch() const { return root.filePath("scratch/text.tmp"); }

  private slots:
    void initTestCase() {
        QVERIFY(root.isValid());
        qputenv("KAVEL32_SCRATCH_DIR", root.filePath("scratch").toUtf8());
        src = root.filePath("src");
        zips = root.filePath("zips");
        QVERIFY(QDir().mkpath(src + "/Demos"));
        QVERIFY(QDir().mkpath(src + "/empty"));
        QVERIFY(QDir().mkpath(zips));
        QVERIFY(QDir().mkpath(root.filePath("extra")));
        touch(src + "/read me.txt");
        touch(src + "/Demos/intro.dat");
        touch(root.filePath("file_id.diz"));
        touch(root.filePath("pack.nfo"));
    }
    void init() {
        numberingCalls = 0;
        numberingAnswer = true;
    }

    void aSoundJobIsValidated() {
        JobSettings job = validJob();
        RecordingWindow window;
        const LoadedJobCheck check = checkLoadedJob(job, window, RunFlags{}, numbering);
        QVERIFY2(check.JobValidated, qPrintable(check.reason));
        QCOMPARE(job, validJob());
        QCOMPARE(numberingCalls, 1);
        QVERIFY(window.pages.isEmpty());
        QVERIFY(!QFile::exists(scratch()));
    }

    void failingSteps_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("emptied"); // field the check empties, if any
        const QString none;
        QTest::newRow("no source") << "source"
                                   << "" << int(Page::Source) << none << "skip";
        QTest::newRow("source missing") << "source"
                                        << "/no/such/src" << int(Page::Source) << none << "source";
        QTest::newRow("skip dir missing") << "skip"
                                          << "%1/Gone/*.*\r\n"
                                          << int(Page::Skip) << none << "skip";
        QTest::newRow("skip pattern unmatched") << "skip"
                                                << "%1/empty/*.txt\r\n"
                                                << int(Page::Skip) << none << "skip";
        QTest::newRow("skip dir named as file") << "skip"
                                                << "%1/Demos\r\n"
                                                << int(Page::Skip) << none << "skip";
        QTest::newRow("skip file missing") << "skip"
                                           << "%1/Demos/*.*\r\n%1/gone.txt\r\n"
                                           << int(Page::Skip) << none << "skip";
        QTest::newRow("skip relative") << "skip"
                                       << "Demos*\r\n"
                                       << int(Page::Skip) << none << "skip";
        QTest::newRow("no diz") << "diz"
                                << "" << int(Page::Diz) << none << none;
        QTest::newRow("diz missing") << "diz"
                                     << "/no/file_id.diz" << int(Page::Diz) << none << "diz";
        QTest::newRow("diz is a folder") << "diz"
                                         << "%1" << int(Page::Diz) << none << "diz";
        QTest::newRow("no column") << "column"
                                   << "" << int(Page::Diz) << "Text2" << none;
        QTest::newRow("no line") << "line"
                                 << "" << int(Page::Diz) << "Text6" << none;
        QTest::newRow("no nfo") << "nfo"
                                << "" << int(Page::Nfo) << none << none;
        QTest::newRow("nfo missing") << "nfo"
                                     << "/no/pack.nfo" << int(Page::Nfo) << none << none;
        QTest::newRow("extra dir is a file")
            << "extra"
            << "%1/read me.txt" << int(Page::Nfo) << none << "extra";
        QTest::newRow("extra file is a dir") << "extrafile"
                                             << "%1/Demos" << int(Page::Nfo) << none << "extra";
        QTest::newRow("no zip dir") << "zipdir"
                                    << "" << int(Page::Zip) << none << none;
        QTest::newRow("zip dir missing") << "zipdir"
                                         << "/no/zips" << int(Page::Zip) << none << "zipdir";
        QTest::newRow("no zip name") << "name"
                                     << "" << int(Page::Zip) << "Text3" << none;
        QTest::newRow("blank in name") << "name"
                                       << "my game" << int(Page::Zip) << "Text3"
                                       << "name";
        QTest::newRow("path in name") << "name"
                                      << "../up" << int(Page::Zip) << "Text3"
                                      << "name";
        QTest::newRow("numbering refused") << "numbering"
                                           << "" << int(Page::Diz) << none << none;
    }
    void failingSteps() {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, emptied);
        value.replace("%1", src);
        JobSettings job = validJob();
        const QHash<QString, QString JobSettings::*> fields{
            {"source", &JobSettings::SourceSpec}, {"skip", &JobSettings::SkipList},
            {"diz", &JobSettings::DizFile},       {"column", &JobSettings::NumberColumn},
            {"line", &JobSettings::NumberLine},   {"nfo", &JobSettings::NfoFile},
            {"extra", &JobSettings::ExtraPath},   {"zipdir", &JobSettings::ZipDir},
            {"name", &JobSettings::ZipName}};
        if (field == "extrafile") {
            job.ExtraIsFile = true;
            field = "extra";
        }
        if (field == "numbering")
            numberingAnswer = false;
        else
            job.*fields[field] = value;
        const JobSettings before = job;

        RecordingWindow window;
        const LoadedJobCheck check = checkLoadedJob(job, window, RunFlags{}, numbering);
        QVERIFY(!check.JobValidated);
        QVERIFY(!check.reason.isEmpty());
        QTEST(int(check.page), "page");
        QTEST(check.focus, "focus");
        QCOMPARE(window.pages.size(), 1);
        QTEST(int(window.pages[0].page), "page");
        QTEST(window.pages[0].focus, "focus");
        for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
            const bool emptiedHere =
                it.key() == emptied || (emptied == "source" && it.key() == "skip");
            QCOMPARE(job.*it.value(), emptiedHere ? QString() : before.*it.value());
        }
        QVERIFY(!QFile::exists(scratch()));
    }

    // One wording for each refusal: the box outside batch mode, the reason in it.
    void refusedNameIsAMessageOnlyOutsideBatchMode_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("blank") << "my game" << kZipNameSpacesText;
        QTest::newRow("parent folder") << "../up" << kZipNameCharsText;
        QTest::newRow("separator") << "a\\b" << kZipNameCharsText;
    }
    void refusedNameIsAMessageOnlyOutsideBatchMode() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        JobSettings job = validJob();
        job.ZipName = name;
        RecordingWindow window;
        checkLoadedJob(job, window, RunFlags{}, numbering);
        QCOMPARE(window.messages, QStringList{"Kavel32 error|" + text});

        JobSettings batchJob = validJob();
        batchJob.ZipName = name;
        RecordingWindow batch;
        const LoadedJobCheck check =
            checkLoadedJob(batchJob, batch, RunFlags{true, false}, numbering);
        QVERIFY(!check.JobValidated);
        QVERIFY(!check.endProgram);
        QVERIFY(check.reason.endsWith(text));
        QVERIFY(batch.messages.isEmpty());
        QVERIFY(batch.pages.isEmpty());
        QCOMPARE(batchJob.ZipName, name);
    }

    void missingNumberFieldEndsABatchRun() {
        JobSettings job = validJob();
        job.NumberLine.clear();
        RecordingWindow window;
        const LoadedJobCheck check = checkLoadedJob(job, window, RunFlags{false, true}, numbering);
        QVERIFY(!check.JobValidated);
        QVERIFY(check.endProgram);
        QCOMPARE(check.focus, QString("Text6"));
        QVERIFY(window.pages.isEmpty());
    }

    void numberingOnlyForNumberedJobs() {
        JobSettings job = validJob();
        job.AutoNumber = false;
        job.NumberColumn.clear();
        RecordingWindow window;
        QVERIFY(checkLoadedJob(job, window, RunFlags{}, NumberingCheck{}).JobValidated);
        job.AutoNumber = true;
        job.NumberColumn = "6";
        QVERIFY(!checkLoadedJob(job, window, RunFlags{}, NumberingCheck{}).JobValidated);
    }

    void archivesOnlyChecksSourceAndName() {
        JobSettings job;
        job.SourceSpec = src;
        job.SkipList = "/no/such/entry\r\n";
        job.ZipName = "image";
        job.RawArchivesOnly = true;
        RecordingWindow window;
        QVERIFY(checkLoadedJob(job, window, RunFlags{}, numbering).JobValidated);
        QCOMPARE(job.SkipList, QString("/no/such/entry\r\n"));
        job.ZipName = "im age";
        QVERIFY(!checkLoadedJob(job, window, RunFlags{}, numbering).JobValidated);
    }

    void skipEntries_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("exists");
        QTest::newRow("directory") << "%1/Demos/*.*" << true;
        QTest::newRow("empty directory") << "%1/empty/*.*" << true;
        QTest::newRow("star alone") << "%1/empty/*" << true;
        QTest::newRow("pattern matching a file") << "%1/Demos/int*" << true;
        QTest::newRow("wildcard not at the end names a file") << "%1/Demos/*.dat" << false;
        QTest::newRow("pattern matching a directory") << "%1/De*" << true;
        QTest::newRow("pattern matching nothing") << "%1/Demos/*.txt" << false;
        QTest::newRow("case kept on this file system") << "%1/demos/*.*" << false;
        QTest::newRow("file") << "%1/read me.txt" << true;
        QTest::newRow("missing file") << "%1/readme.txt" << false;
        QTest::newRow("directory without pattern") << "%1/Demos" << false;
    }
    void skipEntries() {
        QFETCH(QString, entry);
        QTEST(skipEntryExists(entry.replace("%1", src)), "exists");
    }
};

QTEST_GUILESS_MAIN(LoadedJobCheckTest)
#include "test_loaded_job_check.moc"
