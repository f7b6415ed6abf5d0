#include "companion/zip_comment.h"
#include "page_harness.h"
#include "platform/paths.h"
#include "shell/run_progress.h"
#include "shell/ss_panel.h"

#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMap>
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
    void openedJobKeepsWhatIsMissing_data();
    void openedJobKeepsWhatIsMissing();
    void kavelSaysWhatIsMissing_data();
    void kavelSaysWhatIsMissing();
    void saveInPlaceMarksUnsavedChanges();
    void zipCommentOnAndOff();
    void progressTexts();
    void runProgressAcrossBothPhases_data();
    void runProgressAcrossBothPhases();
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
    h.machine.standardOutput = listingWithTotal("  12,500,000 bytes");
    h.machine.freeAt[saved.ZipDir] = int64_t(512) * 1000 * 1000;
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
        h.machine.standardOutput = listingWithTotal("  12,500,000 bytes");
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
        h.pages->saveScriptAs();
        QCOMPARE(h.dialogs.shown().back().dir, folder); // the script's folder
    }
    PagesHarness h;
    h.machine.standardOutput = listingWithTotal("  12,500,000 bytes");
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
    QVERIFY(!h.window.windowTitle().contains(QLatin1String(" - "))); // no script named
}

void TestJobPages::openBrokenScriptShowsError() {
    PagesHarness h;
    const QString source = make(QStringLiteral("bsrc/"));
    const QString script =
        make(QStringLiteral("broken.rip"),
             "Kavel32 script - 01-01-2026  00:00:00\r\nSource: " + source.toUtf8() +
                 "\r\nSkip: \r\n\r\nDiz: d\r\nAutoN: Maybe\r\n");
    h.machine.standardOutput = listingWithTotal("  3,000,000 bytes");
    h.dialogs.answerOpenFile(script).answerMessage(MessageAnswer::Ok,
                                                   QStringLiteral("Error in Kavel script"));
    h.pages->openScript();
    QCOMPARE(h.dialogs.shown()[1].icon, MessageIcon::Critical);
    QCOMPARE(h.port().sourceDisplay(), source); // the values read before the error stay
    QVERIFY(!h.pages->jobValidated());
}

// A job whose files have gone keeps what its script holds: the page that needs attention
// shows the path marked as missing with the check's reason beside it, and the job saved
// again loses nothing (not the source, not the skip list).
void TestJobPages::openedJobKeepsWhatIsMissing_data() {
    QTest::addColumn<QString>("field"); // design name of the path that has gone
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("note");
    QTest::newRow("source") << "SSPanel8" << int(Page::Source) << "The source ";
    QTest::newRow("diz") << "SSPanel2" << int(Page::Diz) << "The diz file ";
    QTest::newRow("nfo") << "SSPanel3" << int(Page::Nfo) << "The nfo file ";
    QTest::newRow("extra") << "SSPanel4" << int(Page::Nfo) << "The extra file ";
    QTest::newRow("zip folder") << "SSPanel5" << int(Page::Zip) << "The zip directory ";
}

void TestJobPages::openedJobKeepsWhatIsMissing() {
    QFETCH(QString, field);
    QFETCH(int, page);
    QFETCH(QString, note);
    static const QMap<QString, QString JobSettings::*> paths{
        {QStringLiteral("SSPanel8"), &JobSettings::SourceSpec},
        {QStringLiteral("SSPanel2"), &JobSettings::DizFile},
        {QStringLiteral("SSPanel3"), &JobSettings::NfoFile},
        {QStringLiteral("SSPanel4"), &JobSettings::ExtraPath},
        {QStringLiteral("SSPanel5"), &JobSettings::ZipDir}};
    JobSettings job = fullJob();
    const QString gone = dir_.path() + QStringLiteral("/gone-") + field;
    job.*paths.value(field) = gone;
    const QString script = dir_.path() + QStringLiteral("/missing-") + field + ".rip";
    QByteArray written;
    {
        PagesHarness h;
        h.pages->model().setJob(job);
        h.dialogs.answerSaveFile(script);
        h.pages->saveScript();
        QFile file(script);
        QVERIFY(file.open(QIODevice::ReadOnly));
        written = file.readAll();
    }
    PagesHarness h;
    h.machine.standardOutput = listingWithTotal("  3,000,000 bytes");
    h.dialogs.answerOpenFile(script);
    h.pages->openScript();
    QVERIFY(!h.pages->jobValidated());
    QCOMPARE(int(h.frame.shownPages.back()), page);
    const JobSettings opened = h.pages->model().job();
    QCOMPARE(opened.*paths.value(field), gone);
    QCOMPARE(opened.SkipList, job.SkipList);
    auto* display = h.find<SSPanel>(field.toLatin1().constData());
    QCOMPARE(display->caption(), gone);
    QVERIFY(display->isMarked());
    auto* beside = h.find<QLabel>((field + QStringLiteral("Note")).toLatin1().constData());
    QVERIFY(!beside->isHidden());
    QVERIFY2(beside->text().startsWith(note), qPrintable(beside->text()));
    QVERIFY(beside->text().contains(gone));

    h.pages->saveScript(); // in place: no dialog
    QFile file(script);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray again = file.readAll();
    // Everything after the line with the moment of saving.
    QCOMPARE(again.mid(again.indexOf('\n')), written.mid(written.indexOf('\n')));
}

// Kavel! on a job with something missing says which field and why, beside the field; the
// note goes once the field is filled in.
void TestJobPages::kavelSaysWhatIsMissing_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("note");
    QTest::newRow("source") << "SSPanel8" << int(Page::Source) << "No source is chosen";
    QTest::newRow("diz") << "SSPanel2" << int(Page::Diz) << "No file_id.diz is chosen";
    QTest::newRow("numbering column")
        << "Text2" << int(Page::Diz) << "The diz numbering column is not set";
    QTest::newRow("numbering line")
        << "Text6" << int(Page::Diz) << "The diz numbering line is not set";
    QTest::newRow("nfo") << "SSPanel3" << int(Page::Nfo) << "No nfo file is chosen";
    QTest::newRow("zip folder") << "SSPanel5" << int(Page::Zip) << "No zip directory is chosen";
    QTest::newRow("zip name") << "Text3" << int(Page::Zip) << "No zip name is set";
    // A source kept from a script though it has gone: not a question to overwrite a set.
    QTest::newRow("source gone") << "SSPanel8" << int(Page::Source) << "The source ";
    QTest::newRow("zip folder gone") << "SSPanel5" << int(Page::Zip) << "The zip directory ";
}

void TestJobPages::kavelSaysWhatIsMissing() {
    QFETCH(QString, field);
    QFETCH(int, page);
    QFETCH(QString, note);
    PagesHarness h;
    JobSettings job = fullJob();
    job.WorkDrive = h.pages->workDrive();
    h.pages->model().setJob(job);
    const QString value = fieldValue(job, field);
    QVERIFY(!value.isEmpty());
    // The field emptied as the user would leave it, or naming what has gone.
    const bool gone = QString::fromLatin1(QTest::currentDataTag()).endsWith(" gone");
    const QString replacement = gone ? dir_.path() + QStringLiteral("/gone") : QString();
    if (auto* text = h.window.findChild<QLineEdit*>(field))
        text->clear();
    else
        h.pages->model().setJob([&] {
            JobSettings j = h.pages->model().job();
            for (QString* path : {&j.SourceSpec, &j.DizFile, &j.NfoFile, &j.ZipDir})
                if (*path == value)
                    *path = replacement;
            return j;
        }());
    h.pages->runJob();
    QCOMPARE(int(h.frame.shownPages.back()), page);
    auto* beside = h.find<QLabel>((field + QStringLiteral("Note")).toLatin1().constData());
    QVERIFY(!beside->isHidden());
    QVERIFY2(gone ? beside->text().startsWith(note) : beside->text() == note,
             qPrintable(beside->text()));
    QVERIFY(h.machine.runs.isEmpty()); // nothing was run

    h.pages->model().setJob(job);
    QVERIFY(beside->isHidden());
}

// Save writes into the script the job came from, without asking; the title marks changes
// not saved yet.
void TestJobPages::saveInPlaceMarksUnsavedChanges() {
    const QString script = dir_.path() + QStringLiteral("/inplace.rip");
    PagesHarness h;
    JobSettings job = fullJob();
    job.WorkDrive = h.pages->workDrive();
    h.pages->model().setJob(job);
    QCOMPARE(h.pages->windowTitle(), QStringLiteral("Kavel32 *"));
    h.dialogs.answerSaveFile(script);
    h.pages->saveScript(); // no script yet: asks
    QCOMPARE(h.window.windowTitle(), QStringLiteral("Kavel32 - inplace.rip"));
    QTest::keyClicks(h.find<QLineEdit>("Text3"), QStringLiteral("x"));
    QCOMPARE(h.window.windowTitle(), QStringLiteral("Kavel32 - inplace.rip *"));
    h.pages->saveScript(); // in place
    QVERIFY(h.dialogs.verifyAllUsed());
    QCOMPARE(h.dialogs.shown().size(), 1);
    QCOMPARE(h.window.windowTitle(), QStringLiteral("Kavel32 - inplace.rip"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains(" name:gamex\r\n"));
    // A change undone is no change.
    QTest::keyClick(h.find<QLineEdit>("Text3"), Qt::Key_Backspace);
    QCOMPARE(h.window.windowTitle(), QStringLiteral("Kavel32 - inplace.rip *"));
    QTest::keyClicks(h.find<QLineEdit>("Text3"), QStringLiteral("x"));
    QCOMPARE(h.window.windowTitle(), QStringLiteral("Kavel32 - inplace.rip"));
}

void TestJobPages::zipCommentOnAndOff() {
    PagesHarness h;
    QSignalSpy marks(h.pages.get(), &JobPages::commentOnChanged);
    h.dialogs.answerOpenFile(QString());
    h.pages->zipCommentClick(); // cancelled: stays off
    QVERIFY(!h.pages->commentOn());
    QCOMPARE(h.dialogs.shown().back().title, QStringLiteral("Zip header"));
    QCOMPARE(h.dialogs.shown().back().dir, QDir::homePath()); // no script, no source
    QCOMPARE(h.dialogs.shown().back().filter,
             QStringLiteral("Text files (*.txt)|*.txt|All files (*.*)|*.*|"));

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
    h.port().setStatusText(QStringLiteral("Ripping complete\r\rRar's are in /w/Kavel001"));
    QCOMPARE(h.find<QLabel>("Label1")->text(),
             QStringLiteral("Ripping complete\n\nRar's are in /w/Kavel001"));
    h.port().setNameText(QStringLiteral("rel01.zip"));
    QCOMPARE(h.find<QLabel>("Label10")->text(), QStringLiteral("rel01.zip"));
    h.port().setCountText(QStringLiteral(" 3 of 12"));
    QCOMPARE(h.find<QLabel>("Label11")->text(), QStringLiteral(" 3 of 12"));
    h.port().setProgress(42);
    QCOMPARE(h.port().progress(), 42);
    h.port().setProgress(140);
    QCOMPARE(h.port().progress(), 100);
    QCOMPARE(h.find<QPushButton>("Command12")->text(), QStringLiteral("&Abort"));
    QCOMPARE(h.find<QPushButton>("Command13")->text(), QStringLiteral("E&xit"));
}

// One progress for the whole run: the archiver's percentage is the first share (all of an
// archives-only run), the zips the rest; it never goes back, and the time left is told once
// the run has gone for a while.
void TestJobPages::runProgressAcrossBothPhases_data() {
    QTest::addColumn<bool>("zipsFollow");
    QTest::addColumn<QList<RunDisplay>>("shown");
    QTest::addColumn<qint64>("atMs");
    QTest::addColumn<int>("percent");
    QTest::addColumn<QString>("timeLeft");
    auto archiving = [](int percent) {
        RunDisplay d;
        d.archiverPercent = percent;
        return d;
    };
    auto zipping = [](const QString& count, int percent) {
        RunDisplay d;
        d.count = count;
        d.percent = percent;
        return d;
    };
    QTest::newRow("nothing yet") << true << QList<RunDisplay>{} << qint64(0) << 0 << "";
    QTest::newRow("archiver half way, too early to tell")
        << true << QList<RunDisplay>{archiving(50)} << qint64(1000) << 25 << "";
    QTest::newRow("archives only: the archiver is all")
        << false << QList<RunDisplay>{archiving(50)} << qint64(10000) << 50
        << "Less than a minute left";
    QTest::newRow("archiver done") << true << QList<RunDisplay>{archiving(100), archiving(-1)}
                                   << qint64(10000) << 50 << "Less than a minute left";
    QTest::newRow("second of four zips half written")
        << true << QList<RunDisplay>{archiving(100), zipping(" 2 of 4", 50)} << qint64(180000) << 68
        << "About 1 min left";
    QTest::newRow("a new zip starting at 0 does not go back")
        << true << QList<RunDisplay>{zipping(" 2 of 4", 80), zipping(" 2 of 4", 0)} << qint64(60000)
        << 72 << "Less than a minute left";
    QTest::newRow("last zip written")
        << true << QList<RunDisplay>{zipping(" 4 of 4", 100)} << qint64(60000) << 100 << "";
    QTest::newRow("a count line of another kind")
        << true << QList<RunDisplay>{zipping(" 3 Rar's", 0)} << qint64(60000) << 0 << "";
    QTest::newRow("a quarter in three minutes")
        << true << QList<RunDisplay>{archiving(50)} << qint64(180000) << 25 << "About 9 min left";
}

void TestJobPages::runProgressAcrossBothPhases() {
    QFETCH(bool, zipsFollow);
    QFETCH(QList<RunDisplay>, shown);
    QFETCH(qint64, atMs);
    QFETCH(int, percent);
    QFETCH(QString, timeLeft);
    RunProgress progress;
    QCOMPARE(progress.percent(), -1);
    progress.start(zipsFollow, 5000);
    for (const RunDisplay& display : shown)
        progress.update(display, 5000 + atMs);
    QCOMPARE(progress.percent(), percent);
    QCOMPARE(progress.timeLeft(), timeLeft);
    progress.finish();
    QCOMPARE(progress.percent(), -1);
    QCOMPARE(progress.timeLeft(), QString());
}

void TestJobPages::abortAndExitWithoutRun() {
    PagesHarness h;
    h.port().setSourceDisplay(QStringLiteral("/chosen"));
    h.frame.pageBarEnabled = false;
    h.frame.busy = true;
    h.click("Command12");
    QVERIFY(h.frame.pageBarEnabled);
    QVERIFY(!h.frame.busy);
    QCOMPARE(h.port().sourceDisplay(), QStringLiteral("/chosen"));
    QSignalSpy exits(h.pages.get(), &JobPages::exitRequested);
    h.click("Command13");
    QCOMPARE(exits.size(), 1);
}

QTEST_MAIN(TestJobPages)
#include "test_job_pages.moc"
