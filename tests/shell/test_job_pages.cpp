#include "companion/zip_comment.h"
#include "page_harness.h"
#include "platform/paths.h"
#include "session/run_estimate.h"
#include "shell/ss_panel.h"

#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
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
    void timeLeftWaitsUntilSteady_data();
    void timeLeftWaitsUntilSteady();
    void runEstimateSumsTheParts();
    void runEstimateFollowsARecordedRun();
    void everyRunStartsAtNothing();
    void unsavedJobIsNotLostWithoutAnAnswer_data();
    void unsavedJobIsNotLostWithoutAnAnswer();
    void openAsksAboutTheJobFirst();
    void editorThatCannotStartIsTold();
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
    // The job edited here is let go of first.
    h.dialogs.answerMessage(MessageAnswer::Discard, QStringLiteral("not saved"))
        .answerOpenFile(QString());
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

// The time left is told once the work has gone on for a while and done a share: not a
// moment before either, and never after the end.
void TestJobPages::timeLeftWaitsUntilSteady_data() {
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("atMs");
    QTest::addColumn<double>("secondsLeft"); // -1: not told
    const qint64 steady = TimeLeftEstimate::kSteadyAfterMs;
    QTest::newRow("too early") << qint64(500) << steady - 1 << -1.0;
    QTest::newRow("long enough, half done") << qint64(500) << steady << 5.0;
    QTest::newRow("too small a share") << qint64(29) << qint64(60000) << -1.0;
    QTest::newRow("the smallest share") << qint64(30) << qint64(60000) << 60.0 * 970 / 30;
    QTest::newRow("all done") << qint64(1000) << qint64(60000) << -1.0;
    QTest::newRow("more than all") << qint64(1500) << qint64(60000) << -1.0;
}

void TestJobPages::timeLeftWaitsUntilSteady() {
    QFETCH(qint64, done);
    QFETCH(qint64, atMs);
    QFETCH(double, secondsLeft);
    TimeLeftEstimate estimate;
    estimate.sample(0, 1000, 500); // waiting before the work is not counted
    estimate.sample(0, 1000, 1000);
    estimate.sample(done, 1000, 1000 + atMs);
    const auto left = estimate.secondsLeft();
    QCOMPARE(left.has_value(), secondsLeft >= 0);
    if (left)
        QVERIFY2(qAbs(*left - secondsLeft) < 0.01, qPrintable(QString::number(*left)));
    QCOMPARE(estimate.done(), qMin<qint64>(done, 1000));
}

// The parts are summed whichever order they come in (volumes zipped while the archiver still
// writes, or after it), and the zips announced at the start count before they are made, as
// the lighter part they are.
void TestJobPages::runEstimateSumsTheParts() {
    RunEstimate after, overlapped;
    for (RunEstimate* run : {&after, &overlapped}) {
        run->start(0);
        run->report(RunPhase::Archiving, 0, 1000, 0);
        run->report(RunPhase::Zipping, 0, 1000, 0);
    }
    after.report(RunPhase::Archiving, 500, 1000, 10000);
    QCOMPARE(after.percent(), 40);
    QCOMPARE(after.phaseText(), QStringLiteral("Making the volumes"));
    after.report(RunPhase::Archiving, 1000, 1000, 20000);
    QCOMPARE(after.percent(), 80);
    // The volumes came out smaller than the source: the zips' total shrinks, the share grows.
    after.report(RunPhase::Zipping, 0, 600, 20000);
    after.report(RunPhase::Zipping, 300, 600, 21000);
    QCOMPARE(after.percent(), 93);
    // Volumes larger than guessed do not take a share away.
    RunEstimate larger;
    larger.report(RunPhase::Zipping, 0, 1000, 0);
    larger.report(RunPhase::Archiving, 1000, 1000, 0);
    QCOMPARE(larger.percent(), 80);
    larger.report(RunPhase::Zipping, 0, 1100, 100);
    QCOMPARE(larger.percent(), 80);
    QCOMPARE(after.phaseText(), QStringLiteral("Zipping the volumes"));
    overlapped.report(RunPhase::Archiving, 700, 1000, 8000);
    overlapped.report(RunPhase::Zipping, 600, 600, 16000);
    overlapped.report(RunPhase::Archiving, 1000, 1000, 16000);
    QCOMPARE(overlapped.percent(), 100);
    QCOMPARE(overlapped.timeLeft(), QString());
    after.finish();
    QCOMPARE(after.percent(), -1);
    QCOMPARE(after.phaseText(), QString());
}

// A recorded run (the archiver's percentage of the source, then the bytes zipped, as the run
// reports them): the estimate comes once steady, the time it points to never moves later by
// more than the noise allows, and it reaches nothing left.
void TestJobPages::runEstimateFollowsARecordedRun() {
    QFile trace(QStringLiteral(KAVEL_SOURCE_DIR "/tests/shell/data/run_bytes_trace.txt"));
    QVERIFY(trace.open(QIODevice::ReadOnly | QIODevice::Text));
    struct Sample {
        qint64 ms;
        RunPhase phase;
        qint64 done, total;
    };
    QList<Sample> samples;
    while (!trace.atEnd()) {
        const QList<QByteArray> f = trace.readLine().simplified().split(' ');
        if (f.size() == 4 && !f[0].startsWith('#'))
            samples << Sample{f[0].toLongLong(),
                              f[1] == "archiving" ? RunPhase::Archiving : RunPhase::Zipping,
                              f[2].toLongLong(), f[3].toLongLong()};
    }
    QVERIFY(samples.size() > 50);
    const qint64 startMs = samples.front().ms, endMs = samples.back().ms;
    // What a shared machine's speed varies by: a sixth or so of the run, at least 10 s.
    const double noiseSeconds = qMax(10.0, (endMs - startMs) / 1000.0 * 0.15);
    RunEstimate run;
    run.start(startMs);
    std::optional<double> lowest;
    int told = 0;
    for (const Sample& s : samples) {
        run.report(s.phase, s.done, s.total, s.ms);
        const auto left = run.secondsLeft();
        if (!left)
            continue;
        ++told;
        QVERIFY2(s.ms - startMs >= TimeLeftEstimate::kSteadyAfterMs,
                 qPrintable(QString::number(s.ms)));
        // It never rises beyond the noise, and is never more hopeful than that either.
        QVERIFY2(
            !lowest || *left <= *lowest + noiseSeconds,
            qPrintable(
                QStringLiteral("%1 s left at %2 ms after %3 s").arg(*left).arg(s.ms).arg(*lowest)));
        QVERIFY2(*left >= (endMs - s.ms) / 1000.0 - noiseSeconds,
                 qPrintable(QStringLiteral("%1 s left at %2 ms").arg(*left).arg(s.ms)));
        lowest = lowest ? qMin(*lowest, *left) : *left;
    }
    QVERIFY(told > samples.size() / 2);
    QCOMPARE(run.percent(), 100);
    QCOMPARE(run.secondsLeft(), std::optional<double>(0.0));
    QCOMPARE(run.timeLeft(), QString());
}

// Whatever the last run left, a new one starts at 0 without an estimate, also while its
// first question (Overwrite?) waits; the window's title says so too.
void TestJobPages::everyRunStartsAtNothing() {
    PagesHarness h;
    h.pages->model().setJob(fullJob());
    QSignalSpy progress(h.pages.get(), &JobPages::runProgressChanged);
    h.port().setCountText(QStringLiteral(" 12 of 12"));
    h.port().setProgress(99);
    h.port().setRunBytes(RunPhase::Zipping, 990, 1000); // no run: nothing follows it
    QCOMPARE(progress.size(), 0);
    // A file named after the set, and no zip a receiving site would take for one of it.
    QFile taken(fullJob().ZipDir + QStringLiteral("/game notes.txt"));
    QVERIFY(taken.open(QIODevice::WriteOnly));
    taken.close();
    int shownWhileAsked = -2;
    QString leftWhileAsked = QStringLiteral("?");
    h.dialogs
        .whileShown([&] {
            shownWhileAsked = progress.back().at(0).toInt();
            leftWhileAsked = progress.back().at(1).toString();
            QCOMPARE(h.find<QLabel>("Label11")->text(), QString());
        })
        .answerMessage(MessageAnswer::Cancel, QStringLiteral("Overwrite"));
    h.pages->runJob();
    QCOMPARE(shownWhileAsked, 0);
    QCOMPARE(leftWhileAsked, QString());
    QCOMPARE(progress.back().at(0).toInt(), -1);
    QVERIFY(h.dialogs.verifyAllUsed());
}

void TestJobPages::unsavedJobIsNotLostWithoutAnAnswer_data() {
    QTest::addColumn<bool>("edited");
    QTest::addColumn<bool>("hasScript");
    QTest::addColumn<bool>("batch");
    QTest::addColumn<int>("answer");  // -1: nothing is asked
    QTest::addColumn<bool>("saveAs"); // Save before there is a script: the file is chosen
    QTest::addColumn<bool>("released");
    QTest::addColumn<bool>("savedOnDisk");
    QTest::newRow("saved: nothing asked") << false << true << false << -1 << false << true << false;
    QTest::newRow("unattended: never asked")
        << true << true << true << -1 << false << true << false;
    QTest::newRow("cancel keeps it")
        << true << true << false << int(MessageAnswer::Cancel) << false << false << false;
    QTest::newRow("discard lets it go")
        << true << true << false << int(MessageAnswer::Discard) << false << true << false;
    QTest::newRow("save into its script")
        << true << true << false << int(MessageAnswer::Save) << false << true << true;
    QTest::newRow("save as a new script")
        << true << false << false << int(MessageAnswer::Save) << true << true << true;
    QTest::newRow("save as cancelled keeps it")
        << true << false << false << int(MessageAnswer::Save) << false << false << false;
}

// The rule behind every place a job could be lost (close, Exit, Open, a dropped script, the
// last job): Save, Discard or Cancel while it has changes not saved.
void TestJobPages::unsavedJobIsNotLostWithoutAnAnswer() {
    QFETCH(bool, edited);
    QFETCH(bool, hasScript);
    QFETCH(bool, batch);
    QFETCH(int, answer);
    QFETCH(bool, saveAs);
    QFETCH(bool, released);
    QFETCH(bool, savedOnDisk);
    const QString script =
        dir_.path() + QStringLiteral("/unsaved-%1.rip").arg(QTest::currentDataTag());
    QFile::remove(script);
    PagesHarness h;
    h.pages->model().setJob(fullJob());
    if (hasScript) {
        h.dialogs.answerSaveFile(script);
        h.pages->saveScriptAs();
        QFile::remove(script);
    } else {
        h.pages->model().markSaved();
        h.pages->model().setZipName(QStringLiteral("fresh"));
    }
    if (edited)
        h.pages->model().setZipName(QStringLiteral("edited"));
    h.flags.BatchRun = batch;
    if (answer >= 0)
        h.dialogs.answerMessage(MessageAnswer(answer), QStringLiteral("not saved"));
    if (saveAs)
        h.dialogs.answerSaveFile(script);
    else if (answer == int(MessageAnswer::Save) && !hasScript)
        h.dialogs.answerSaveFile(QString());
    QCOMPARE(h.pages->releaseJob(), released);
    QVERIFY(h.dialogs.verifyAllUsed());
    const auto asked = std::count_if(h.dialogs.shown().cbegin(), h.dialogs.shown().cend(),
                                     [](const QueuedDialogs::Shown& d) {
                                         return d.buttons == MessageButtons::SaveDiscardCancel;
                                     });
    QCOMPARE(asked, answer >= 0 ? 1 : 0);
    QCOMPARE(QFileInfo::exists(script), savedOnDisk);
    // Whatever the answer, the job on display is as it was.
    QCOMPARE(h.pages->model().job().ZipName, edited ? QStringLiteral("edited") : fullJob().ZipName);
}

// Open asks before anything of the job changes: Cancel leaves even the skip list; after
// Discard, Open is as it always was (a cancelled dialog still empties the skip list).
void TestJobPages::openAsksAboutTheJobFirst() {
    PagesHarness h;
    h.pages->model().setJob(fullJob());
    QVERIFY(h.pages->model().unsaved());
    h.dialogs.answerMessage(MessageAnswer::Cancel, QStringLiteral("not saved"));
    h.pages->openScript();
    QCOMPARE(h.pages->model().job().SkipList, fullJob().SkipList);
    QCOMPARE(h.dialogs.shown().size(), 1);
    h.dialogs.answerMessage(MessageAnswer::Discard, QStringLiteral("not saved")).answerOpenFile({});
    h.pages->openScript();
    QCOMPARE(h.pages->model().job().SkipList, QString());
    QVERIFY(h.dialogs.verifyAllUsed());
}

// Edit on the Diz and Nfo pages says in the window when nothing could be started for the
// file, once; with an editor, nothing is said.
void TestJobPages::editorThatCannotStartIsTold() {
    PagesHarness h;
    JobSettings job = fullJob();
    h.pages->model().setJob(job);
    h.click("Command5");
    QCOMPARE(h.machine.edited, QStringList{job.DizFile});
    QVERIFY(h.dialogs.shown().isEmpty());
    h.machine.noEditor = true;
    h.dialogs.answerMessage(MessageAnswer::Ok, QStringLiteral("No editor or viewer"));
    h.click("Command11");
    QVERIFY(h.dialogs.verifyAllUsed());
    QCOMPARE(h.dialogs.shown().size(), 1);
    QVERIFY(h.dialogs.shown().back().text.contains(job.NfoFile));
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
