#include "companion/skip_list.h"

#include "../fakes/recording_ports.h"
#include "platform/paths.h"

#include <QtTest>

class SkipListTest : public QObject {
    Q_OBJECT

    static JobSettings jobWithSource(const QString& source) {
        JobSettings job;
        job.SourceSpec = source;
        return job;
    }

  private slots:
    void cleanup() { setPathStyle(PathStyle::Host); }

    void windowsEntriesAsWritten_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<bool>("subDir");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("added");
        QTest::addColumn<QString>("result");
        const QString demos = "c:\\work\\pack\\demos\\*.*\r\n";
        QTest::newRow("sub-directory") << "" << true << "C:\\Work\\Pack\\Demos" << true << demos;
        QTest::newRow("same sub-directory twice")
            << demos << true << "C:\\Work\\Pack\\Demos" << true << demos + demos;
        QTest::newRow("drive root") << "" << true << "D:\\" << true << "d:\\*.*\r\n";
        QTest::newRow("the source itself") << demos << true << "C:\\WORK\\PACK" << false << demos;
        QTest::newRow("cancelled folder") << demos << true << "" << false << demos;
        QTest::newRow("file") << "" << false << "C:\\Work\\Pack\\ReadMe.TXT" << true
                              << "c:\\work\\pack\\readme.txt\r\n";
        QTest::newRow("file lower-cases the script's entries")
            << "C:\\Work\\Pack\\X\\*.*\r\n"
            << false << "c:\\work\\pack\\a.txt" << true
            << "c:\\work\\pack\\x\\*.*\r\nc:\\work\\pack\\a.txt\r\n";
        QTest::newRow("cancelled file") << "" << false << "" << false << "";
    }
    void windowsEntriesAsWritten() {
        setPathStyle(PathStyle::Windows);
        QFETCH(QString, list);
        QFETCH(bool, subDir);
        QFETCH(QString, chosen);
        JobSettings job = jobWithSource("c:\\work\\pack");
        job.SkipList = list;
        RecordingWindow window;
        const bool added =
            subDir ? addSkipSubDirectory(job, chosen, window) : addSkipFile(job, chosen, window);
        QTEST(added, "added");
        QTEST(job.SkipList, "result");
        QVERIFY(window.messages.isEmpty());
    }

    void filesOutsideTheSourceAreRefused_data() {
        QTest::addColumn<QString>("chosen");
        QTest::newRow("other drive") << "d:\\readme.txt";
        QTest::newRow("sibling with the same prefix") << "c:\\work\\pack2\\a.txt";
        QTest::newRow("the source itself") << "c:\\work\\pack";
    }
    void filesOutsideTheSourceAreRefused() {
        setPathStyle(PathStyle::Windows);
        QFETCH(QString, chosen);
        JobSettings job = jobWithSource("c:\\work\\pack");
        job.SkipList = "c:\\work\\pack\\a\\*.*\r\n";
        RecordingWindow window;
        QVERIFY(!addSkipFile(job, chosen, window));
        QCOMPARE(job.SkipList, QString("c:\\work\\pack\\a\\*.*\r\n"));
        QCOMPARE(window.messages, QStringList{"Kavel32 error|Path isn't within source path"});
    }

    void hostEntriesKeepTheirCase() {
        JobSettings job = jobWithSource("/home/u/My Pack");
        RecordingWindow window;
        QVERIFY(addSkipSubDirectory(job, "/home/u/My Pack/Demos", window));
        QVERIFY(addSkipSubDirectory(job, "/home/u/My Pack/Music/", window));
        QVERIFY(addSkipFile(job, "/home/u/My Pack/Read Me.TXT", window));
        QVERIFY(!addSkipFile(job, "/home/u/my pack/x.txt", window)); // another folder here
        QVERIFY(!addSkipSubDirectory(job, "/home/u/My Pack/", window));
        QCOMPARE(job.SkipList, QString("/home/u/My Pack/Demos/*.*\r\n"
                                       "/home/u/My Pack/Music/*.*\r\n"
                                       "/home/u/My Pack/Read Me.TXT\r\n"));
    }

    void lineBreaksInNamesAreRefused() {
        JobSettings job = jobWithSource("/src");
        RecordingWindow window;
        QVERIFY(!addSkipFile(job, "/src/a\r\n/src/b", window));
        QVERIFY(!addSkipSubDirectory(job, "/src/dir\nname", window));
        QCOMPARE(job.SkipList, QString());
        QCOMPARE(window.messages.size(), 2);
    }

    void browseNeedsASource() {
        RecordingWindow window;
        QVERIFY(!skipBrowseAllowed(JobSettings{}, window));
        QCOMPARE(window.messages,
                 QStringList{"Kavel32 error|You must pick a source drive or directory first"});
        QCOMPARE(window.pages.size(), 1);
        QCOMPARE(window.pages[0].page, Page::Source);
        RecordingWindow quiet;
        QVERIFY(skipBrowseAllowed(jobWithSource("/src"), quiet));
        QVERIFY(quiet.messages.isEmpty() && quiet.pages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(SkipListTest)
#include "test_skip_list.moc"
