#include "job/job_settings.h"

#include <QtTest>

class JobSettingsTest : public QObject {
    Q_OBJECT

    static JobSettings completeJob() {
        JobSettings job;
        job.SourceSpec = "/data/game";
        job.DizFile = "/data/file_id.diz";
        job.NfoFile = "/data/game.nfo";
        job.ZipDir = "/out";
        job.ZipName = "mygame";
        return job;
    }

  private slots:
    void defaults() {
        const JobSettings job;
        QCOMPARE(job.MethodIndex, int16_t(3));
        QCOMPARE(job.SizeUnits, int16_t(3));
        QCOMPARE(job.Archiver, ArchiverKind::Rar);
        QVERIFY(!job.AutoNumber);
        QVERIFY(!job.RawArchivesOnly);
    }

    void checksInOrder_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("focus");
        QTest::newRow("source") << "SourceSpec" << int(Page::Source) << "";
        QTest::newRow("diz") << "DizFile" << int(Page::Diz) << "";
        QTest::newRow("column") << "NumberColumn" << int(Page::Diz) << "Text2";
        QTest::newRow("line") << "NumberLine" << int(Page::Diz) << "Text6";
        QTest::newRow("nfo") << "NfoFile" << int(Page::Nfo) << "";
        QTest::newRow("zipdir") << "ZipDir" << int(Page::Zip) << "";
        QTest::newRow("zipname") << "ZipName" << int(Page::Zip) << "Text3";
    }
    void checksInOrder() {
        QFETCH(QString, field);
        QFETCH(int, page);
        QFETCH(QString, focus);
        JobSettings job = completeJob();
        job.AutoNumber = true;
        job.NumberColumn = "6";
        job.NumberLine = "3";
        QString* fields[] = {&job.SourceSpec, &job.DizFile, &job.NumberColumn, &job.NumberLine,
                             &job.NfoFile,    &job.ZipDir,  &job.ZipName};
        const QStringList names = {"SourceSpec", "DizFile", "NumberColumn", "NumberLine",
                                   "NfoFile",    "ZipDir",  "ZipName"};
        // Empty this field and every later one: the first failing check must win.
        for (qsizetype i = names.indexOf(field); i < names.size(); ++i)
            fields[i]->clear();
        const JobReadiness r = isJobReady(job);
        QVERIFY(!r.ready);
        QCOMPARE(int(r.page), page);
        QCOMPARE(r.focus, focus);
    }

    void autoNumberOffNeedsNoPositions() {
        JobSettings job = completeJob();
        QVERIFY(isJobReady(job).ready);
        job.AutoNumber = true;
        QVERIFY(!isJobReady(job).ready);
    }

    void zipNameWithBlank() {
        JobSettings job = completeJob();
        job.ZipName = "my game";
        const JobReadiness r = isJobReady(job);
        QVERIFY(!r.ready);
        QVERIFY(r.zipNameHasSpace);
        QCOMPARE(r.focus, QString("Text3"));
        job.ZipName = "mygame";
        QVERIFY(isJobReady(job).ready);
    }

    void zipNameLeavingTheZipDirectory_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("slash") << "../x";
        QTest::newRow("backslash") << "a\\b";
        QTest::newRow("dots") << "..";
        QTest::newRow("subdir") << "sub/x";
    }
    void zipNameLeavingTheZipDirectory() {
        QFETCH(QString, name);
        JobSettings job = completeJob();
        job.ZipName = name;
        const JobReadiness r = isJobReady(job);
        QVERIFY(!r.ready);
        QVERIFY(r.zipNameUnsafe);
        QCOMPARE(int(r.page), int(Page::Zip));
    }

    void rawArchivesNeedOnlyTheName() {
        JobSettings job;
        job.RawArchivesOnly = true;
        QVERIFY(!isJobReady(job).ready);
        job.ZipName = "image";
        QVERIFY(isJobReady(job).ready);
    }
};

QTEST_GUILESS_MAIN(JobSettingsTest)
#include "test_job_settings.moc"
