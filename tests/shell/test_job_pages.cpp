#include "companion/zip_comment.h"
#include "page_harness.h"
#include "platform/paths.h"
#include "shell/ss_panel.h"

#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

// The job as the controls hold it, the script menus, the zip comment entry and the
// progress page's texts.
class TestJobPages : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { harnessFolders(); }
    void writeThenReadGivesTheJob_data();
    void writeThenReadGivesTheJob();
    void sizeUnitsCutTheName_data();
    void sizeUnitsCutTheName();
    void jobWithoutNumberingOnlyLetsGoOfSubstitute();
    void saveThenOpenRestoresTheJob();
    void controlsEditedAfterOpenSurviveSaveAndOpen();
    void openCancelledStillEmptiesSkipListAndImageOption();
    void openBrokenScriptShowsError();
    void openedJobWithMissingFilesIsNotValidated();
    void zipCommentOnAndOff();
    void progressTexts();
    void abortAndExitWithoutRun();

  private:
    QTemporaryDir dir_;
    QString make(const QString& name, const QByteArray& text = "x\r\n") {
        const QString path = dir_.path() + QLatin1Char('/') + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (name.endsWith(QLatin1Char('/')))
            return QDir::cleanPath(path);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write");
        f.write(text);
        return path;
    }
    JobSettings fullJob() {
        JobSettings job;
        job.SourceSpec = make(QStringLiteral("src/"));
        make(QStringLiteral("src/a/"));
        make(QStringLiteral("src/b.txt"));
        job.SkipList = job.SourceSpec + QStringLiteral("/a/*.*\r\n") + job.SourceSpec +
                       QStringLiteral("/b.txt\r\n");
        job.DizFile = make(QStringLiteral("c/file_id.diz"), "a\r\nb\r\nDisk 00/00 of the set\r\n");
        job.AutoNumber = true;
        job.NumberColumn = QStringLiteral("6");
        job.NumberLine = QStringLiteral("3");
        job.NfoFile = make(QStringLiteral("c/rel.nfo"));
        job.FirstZipOnly = true;
        job.ExtraIsFile = true;
        job.ExtraPath = make(QStringLiteral("c/extra.txt"));
        job.ZipDir = make(QStringLiteral("zips/"));
        job.ZipName = QStringLiteral("game");
        job.SizeUnits = 10;
        job.MethodIndex = 5;
        job.ZipExtra = true;
        return job;
    }
};

void TestJobPages::writeThenReadGivesTheJob_data() {
    QTest::addColumn<JobSettings>("job");
    QTest::newRow("at start-up") << JobSettings{};
    QTest::newRow("everything set") << fullJob();
    JobSettings ace = fullJob();
    ace.Archiver = ArchiverKind::Ace;
    ace.ExtraIsFile = false;
    ace.SizeUnits = 0;
    ace.ZipName = QStringLiteral("twenty_characters_ab");
    ace.MethodIndex = 0;
    ace.ZipExtra = false;
    ace.FirstZipOnly = false;
    QTest::newRow("ace, directory, one archive") << ace;
    JobSettings raw;
    raw.RawArchivesOnly = true;
    raw.ZipName = QStringLiteral("cd");
    QTest::newRow("archives only") << raw;
}

void TestJobPages::writeThenReadGivesTheJob() {
    QFETCH(JobSettings, job);
    PagesHarness h;
    job.WorkDrive = h.pages->workDrive();
    h.pages->model().setJob(job);
    QCOMPARE(h.pages->model().job(), job);
    QCOMPARE(h.find<QPushButton>("Command10")->isEnabled(), !job.RawArchivesOnly);
}

void TestJobPages::sizeUnitsCutTheName_data() {
    QTest::addColumn<int>("units");
    QTest::addColumn<QString>("name");
    QTest::newRow("size 3 keeps six letters") << 3 << "abcdef";
    QTest::newRow("size 0 keeps all eight") << 0 << "abcdefgh";
}

void TestJobPages::sizeUnitsCutTheName() {
    QFETCH(int, units);
    QFETCH(QString, name);
    PagesHarness h;
    JobSettings job = h.pages->model().job();
    job.ZipName = QStringLiteral("abcdefgh");
    job.SizeUnits = int16_t(units);
    h.pages->model().setJob(job);
    QCOMPARE(h.pages->model().job().ZipName, name);
    QCOMPARE(h.find<QLineEdit>("Text3")->maxLength(), units == 0 ? 20 : 6);
}

void TestJobPages::jobWithoutNumberingOnlyLetsGoOfSubstitute() {
    PagesHarness h;
    h.click("Option3");
    JobSettings job = h.pages->model().job();
    job.AutoNumber = false;
    h.pages->model().setJob(job);
    QVERIFY(!h.find<QWidget>("Option3")->property("checked").toBool());
    QVERIFY(!h.find<QWidget>("Option1")->property("checked").toBool());
    QVERIFY(!h.pages->model().job().AutoNumber);
}

void TestJobPages::saveThenOpenRestoresTheJob() {
    const QString script = dir_.path() + QStringLiteral("/Job.rip");
    JobSettings saved = fullJob();
    {
        PagesHarness h;
        saved.WorkDrive = h.pages->workDrive();
        h.pages->model().setJob(saved);
        QSignalSpy titles(h.pages.get(), &JobPages::windowTitleChanged);
        h.dialogs.answerSaveFile(script);
        h.pages->saveScript();
        QCOMPARE(h.dialogs.shown().back().title, QStringLiteral("Save script"));
        QCOMPARE(h.dialogs.shown().back().filter, QStringLiteral("Script (*.rip)|*.rip|"));
        QCOMPARE(titles.size(), 1);
        QCOMPARE(titles.front().front().toString(), QStringLiteral("Kavel32 - Job.rip"));
        QVERIFY(QFileInfo::exists(script));
    }
    PagesHarness h;
    h.machine.sizeListing = listingWithTotal("  12,500,000 bytes");
    h.machine.free[saved.ZipDir] = int64_t(512) * 1000 * 1000;
    h.dialogs.answerOpenFile(script);
    h.pages->openScript();
    QCOMPARE(h.dialogs.shown().back().title, QStringLiteral("Open script"));
    QCOMPARE(h.window.windowTitle(), QStringLiteral("Kavel32 - Job.rip"));
    QCOMPARE(h.pages->model().job(), saved);
    QVERIFY(h.pages->jobValidated());
    QCOMPARE(h.find<QLabel>("Label9")->text(), QStringLiteral("12,500,000 bytes"));
    QCOMPARE(h.pages->sourceSizeM(), 12.5f);
    QCOMPARE(h.find<QLabel>("Label14")->text(), QStringLiteral("Free space  512 M"));
    QCOMPARE(h.find<QLabel>("Label19")->text(), QStringLiteral("2.50 files"));
}

// A script opened, changed on the pages as a user would, saved and opened again: the job
// comes back as the controls left it.
void TestJobPages::controlsEditedAfterOpenSurviveSaveAndOpen() {
    const QString folder = make(QStringLiteral("scripts/"));
    const QString script = folder + QStringLiteral("/edited.rip");
    {
        PagesHarness h;
        h.pages->model().setJob(fullJob());
        QCOMPARE(h.dialogs.shown().size(), 0);
        h.dialogs.answerSaveFile(folder + QStringLiteral("/edited")); // ".rip" is added
        h.pages->saveScript();
        // No script yet: the folder that holds the source.
        QCOMPARE(h.dialogs.shown().back().dir, dir_.path());
        QVERIFY(QFileInfo::exists(script));
        QCOMPARE(h.window.windowTitle(), QStringLiteral("Kavel32 - edited.rip"));
    }
    JobSettings edited;
    {
        PagesHarness h;
        h.machine.sizeListing = listingWithTotal("  12,500,000 bytes");
        h.dialogs.answerOpenFile(script);
        h.pages->openScript();
        QVERIFY(h.pages->jobValidated());

        auto* name = h.find<QLineEdit>("Text3");
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("demo"));
        auto* slider = h.find<QAbstractSlider>("VScroll1");
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_PageUp);
        h.find<QComboBox>("Combo1")->setCurrentIndex(2);
        h.click("Check1");
        h.click("Option4");
        const QString extraDir = make(QStringLiteral("extras/"));
        h.dialogs.answerFolder(extraDir);
        h.click("Command9");
        h.click("Option1");
        h.click("Command14");
        h.click("Option5");
        const QString skipped = make(QStringLiteral("src/README"));
        h.dialogs.answerOpenFile(skipped);
        h.click("Command1");

        edited = h.pages->model().job();
        QCOMPARE(edited.ZipName, QStringLiteral("demo"));
        QCOMPARE(edited.SizeUnits, int16_t(20));
        QCOMPARE(edited.MethodIndex, int16_t(2));
        QVERIFY(!edited.FirstZipOnly);
        QVERIFY(!edited.ExtraIsFile);
        QCOMPARE(edited.ExtraPath, foldCase(extraDir));
        QVERIFY(!edited.AutoNumber);
        QCOMPARE(edited.NumberColumn, QString());
        QCOMPARE(edited.SkipList, foldCase(skipped) + QStringLiteral("\r\n"));

        h.dialogs.answerSaveFile(script);
        h.pages->saveScript();
        QCOMPARE(h.dialogs.shown().back().dir, folder); // the script's folder
    }
    PagesHarness h;
    h.machine.sizeListing = listingWithTotal("  12,500,000 bytes");
    h.dialogs.answerOpenFile(script);
    h.pages->openScript();
    QCOMPARE(h.pages->model().job(), edited);
    QVERIFY(h.pages->jobValidated());
}

void TestJobPages::openCancelledStillEmptiesSkipListAndImageOption() {
    PagesHarness h;
    JobSettings job = h.pages->model().job();
    job.SkipList = QStringLiteral("/x/*.*\r\n");
    h.pages->model().setJob(job);
    h.find<QCheckBox>("Check2")->setChecked(true);
    h.dialogs.answerOpenFile(QString());
    h.pages->openScript();
    QCOMPARE(h.pages->model().job().SkipList, QString());
    QVERIFY(!h.find<QCheckBox>("Check2")->isChecked());
    QVERIFY(!h.pages->jobValidated());
    QCOMPARE(h.window.windowTitle(), QString());
}

void TestJobPages::openBrokenScriptShowsError() {
    PagesHarness h;
    const QString source = make(QStringLiteral("bsrc/"));
    const QString script =
        make(QStringLiteral("broken.rip"),
             "Kavel32 script - 01-01-2026  00:00:00\r\nSource: " + source.toUtf8() +
                 "\r\nSkip: \r\n\r\nDiz: d\r\nAutoN: Maybe\r\n");
    h.machine.sizeListing = listingWithTotal("  3,000,000 bytes");
    h.dialogs.answerOpenFile(script).answerMessage(MessageAnswer::Ok,
                                                   QStringLiteral("Error in Kavel script"));
    h.pages->openScript();
    QCOMPARE(h.dialogs.shown()[1].icon, MessageIcon::Critical);
    QCOMPARE(h.pages->sourceDisplay(), source); // the values read before the error stay
    QVERIFY(!h.pages->jobValidated());
}

void TestJobPages::openedJobWithMissingFilesIsNotValidated() {
    PagesHarness h;
    JobSettings job = fullJob();
    job.NfoFile = dir_.path() + QStringLiteral("/missing.nfo");
    const QString script = dir_.path() + QStringLiteral("/missing.rip");
    h.pages->model().setJob(job);
    h.dialogs.answerSaveFile(script);
    h.pages->saveScript();
    h.machine.sizeListing = listingWithTotal("  3,000,000 bytes");
    h.dialogs.answerOpenFile(script);
    h.pages->openScript();
    QVERIFY(!h.pages->jobValidated());
    QCOMPARE(h.port.shownPages.back(), Page::Nfo);
}

void TestJobPages::zipCommentOnAndOff() {
    PagesHarness h;
    QSignalSpy marks(h.pages.get(), &JobPages::commentOnChanged);
    h.dialogs.answerOpenFile(QString());
    h.pages->zipCommentClick(); // cancelled: stays off
    QVERIFY(!h.pages->commentOn());
    QCOMPARE(h.dialogs.shown().back().title, QStringLiteral("Zip header"));
    QCOMPARE(h.dialogs.shown().back().dir, QDir::homePath()); // no script, no source
    QCOMPARE(h.dialogs.shown().back().filter, QStringLiteral("Text files (*.txt)|*.txt"));

    const QString chosen = make(QStringLiteral("Texts/Hdr.txt"), "A comment\r\n");
    h.dialogs.answerOpenFile(chosen);
    h.pages->zipCommentClick();
    QVERIFY(h.pages->commentOn());
    QCOMPARE(marks.back().front().toBool(), true);
    const JobSettings on = h.pages->model().job();
    QVERIFY(on.CommentOn);
    QCOMPARE(on.CommentFile, commentCopyPath(chosen));
    QVERIFY(QFileInfo::exists(on.CommentFile));

    h.pages->zipCommentClick(); // off: no dialog
    QVERIFY(!h.pages->commentOn());
    QCOMPARE(marks.back().front().toBool(), false);
    QVERIFY(!QFileInfo::exists(on.CommentFile));
    QVERIFY(QFileInfo::exists(chosen)); // the user's file is only read
}

void TestJobPages::progressTexts() {
    PagesHarness h;
    h.pages->setStatusText(QStringLiteral("Ripping complete\r\rRar's are in /w/Kavel001"));
    QCOMPARE(h.find<QLabel>("Label1")->text(),
             QStringLiteral("Ripping complete\n\nRar's are in /w/Kavel001"));
    h.pages->setNameText(QStringLiteral("rel01.zip"));
    QCOMPARE(h.find<QLabel>("Label10")->text(), QStringLiteral("rel01.zip"));
    h.pages->setCountText(QStringLiteral(" 3 of 12"));
    QCOMPARE(h.find<QLabel>("Label11")->text(), QStringLiteral(" 3 of 12"));
    h.pages->setProgress(42);
    QCOMPARE(h.pages->progress(), 42);
    h.pages->setProgress(140);
    QCOMPARE(h.pages->progress(), 100);
    QCOMPARE(h.find<QPushButton>("Command12")->text(), QStringLiteral("&Abort"));
    QCOMPARE(h.find<QPushButton>("Command13")->text(), QStringLiteral("E&xit"));
}

void TestJobPages::abortAndExitWithoutRun() {
    PagesHarness h;
    h.pages->setSourceDisplay(QStringLiteral("/chosen"));
    h.port.pageBarEnabled = false;
    h.port.busy = true;
    h.click("Command12");
    QVERIFY(h.port.pageBarEnabled);
    QVERIFY(!h.port.busy);
    QCOMPARE(h.pages->sourceDisplay(), QStringLiteral("/chosen"));
    QSignalSpy exits(h.pages.get(), &JobPages::exitRequested);
    h.click("Command13");
    QCOMPARE(exits.size(), 1);
}

QTEST_MAIN(TestJobPages)
#include "test_job_pages.moc"
