#include "page_harness.h"
#include "shell/page_folder_dialog.h"
#include "shell/ss_panel.h"

#include <QFileDialog>
#include <QTimer>

#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

// Records the status line the folder dialog would show for the folder it returns.
class StatusDialogs : public QueuedDialogs {
  public:
    QString
    chooseFolderWithStatus(QWidget* parent, const QString& caption, const QString& dir,
                           const std::function<QString(const QString&)>& statusFor) override {
        const QString chosen = chooseFolder(parent, caption, dir);
        statusLine = statusFor(highlighted.isEmpty() ? chosen : highlighted);
        return chosen;
    }
    QString highlighted;
    QString statusLine;
};

class TestPageSource : public QObject {
    Q_OBJECT
  private slots:
    void controlsAtStart();
    void browseShowsFolderAndEmptiesSkipList();
    void browseShowsProgressWhileMeasuring();
    void cancelledBrowseChangesNothing();
    void freeSpaceWarning_data();
    void freeSpaceWarning();
    void outputDriveChange_data();
    void outputDriveChange();
    void folderStatusLine();
    void realFolderDialogFollowsHighlight();
    void tickingImageClearsSourceAndMovesSlider();
    void imageAnsweredNoDisablesAndEmpties();
    void imageAnsweredYesKeepsDisplays();
    void clearingImageReenablesButKeepsEmptied();
    void cancelledImageDialogShowsError();

  private:
    QTemporaryDir dir_;
    QString folder(const QString& name) {
        const QString path = dir_.path() + QLatin1Char('/') + name;
        QDir().mkpath(path);
        return path;
    }
    QString image(qint64 bytes) {
        const QString path = dir_.path() + QStringLiteral("/cd.iso");
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || !f.resize(bytes))
            qFatal("cannot make the image");
        return path;
    }
    // The source page after a Browse of a folder of the given listed size.
    void browseFolder(PagesHarness& h, const QString& path, const QByteArray& totals) {
        h.machine.standardOutput = listingWithTotal(totals);
        h.dialogs.answerFolder(path);
        h.click("Command2");
    }
};

void TestPageSource::controlsAtStart() {
    PagesHarness h;
    QCOMPARE(h.find<QLabel>("Label15")->text(), QStringLiteral("Source drive or directory"));
    QCOMPARE(h.find<SSPanel>("SSPanel8")->caption(), QString());
    QCOMPARE(h.find<QPushButton>("Command2")->text(), QStringLiteral("&Browse"));
    QCOMPARE(h.find<QCheckBox>("Check2")->text(), QStringLiteral("&ISO"));
    QCOMPARE(h.find<QCheckBox>("Check2")->toolTip(), QStringLiteral("To choose a .iso file"));
    QVERIFY(!h.find<QCheckBox>("Check2")->isChecked());
    QCOMPARE(h.find<QLabel>("Label9")->text(), QStringLiteral("- Source size -"));
    QCOMPARE(h.find<QLabel>("Label9")->toolTip(), QStringLiteral("Total source size"));
    QCOMPARE(h.find<QWidget>("SSFrame3")->property("title").toString(),
             QStringLiteral("Drive for Rar's"));
    QCOMPARE(h.find<QLabel>("Label13")->toolTip(), QStringLiteral("Drive free space"));
    QVERIFY(h.find<QLabel>("Label13")->text().startsWith(QStringLiteral("Free space on - \n")));
    QCOMPARE(h.find<QComboBox>("Drive1")->currentText(), QDir::homePath());
    QCOMPARE(h.pages->model().job().WorkDrive, QDir::homePath());
}

void TestPageSource::browseShowsFolderAndEmptiesSkipList() {
    PagesHarness h;
    const QString games = folder(QStringLiteral("Games/Setup"));
    JobSettings job = h.pages->model().job();
    job.SkipList = QStringLiteral("old/*.*\r\n");
    h.pages->model().setJob(job);
    browseFolder(h, games, "   12,345,678 bytes in 3 files");
    QCOMPARE(h.port().sourceDisplay(), games); // a case-sensitive file system keeps the case
    QCOMPARE(h.pages->model().job().SkipList, QString());
    QCOMPARE(h.find<QLabel>("Label9")->text(), QStringLiteral("12,345,678 bytes in 3 files"));
    QCOMPARE(h.pages->sourceSizeM(), 12.345678f);
    QCOMPARE(h.pages->sourcePath(), games);
    QCOMPARE(h.dialogs.shown().front().title, QStringLiteral("Source directory"));
    QCOMPARE(h.find<QLabel>("Label19")->text(), QStringLiteral("8.57 files"));
    QVERIFY(h.machine.runs.front().arguments.contains(games));
}

void TestPageSource::browseShowsProgressWhileMeasuring() {
    PagesHarness h;
    QString seen;
    bool browseEnabled = true, barEnabled = true, busy = false;
    h.machine.onRun = [&](const Command&) {
        seen = h.find<QLabel>("Label9")->text();
        browseEnabled = h.find<QPushButton>("Command2")->isEnabled();
        barEnabled = h.frame.pageBarEnabled;
        busy = h.frame.busy;
        return 0;
    };
    browseFolder(h, folder(QStringLiteral("src")), "  2,000,000 bytes");
    QCOMPARE(seen, QStringLiteral("Calculating files and size"));
    QVERIFY(!browseEnabled);
    QVERIFY(!barEnabled);
    QVERIFY(busy);
    QVERIFY(h.find<QPushButton>("Command2")->isEnabled());
    QVERIFY(h.frame.pageBarEnabled);
    QVERIFY(!h.frame.busy);
}

void TestPageSource::cancelledBrowseChangesNothing() {
    PagesHarness h;
    browseFolder(h, folder(QStringLiteral("keep")), "  3,000,000 bytes");
    h.dialogs.answerFolder(QString());
    h.click("Command2");
    QVERIFY(h.port().sourceDisplay().endsWith(QStringLiteral("keep")));
    QCOMPARE(h.machine.runs.size(), 1);
}

void TestPageSource::freeSpaceWarning_data() {
    QTest::addColumn<QByteArray>("totals");
    QTest::addColumn<qint64>("free");
    QTest::addColumn<bool>("warned");
    QTest::newRow("50 M source, 30 M free")
        << QByteArray("  50,000,000 bytes") << qint64(30000000) << true;
    QTest::newRow("50 M source, 60 M free")
        << QByteArray("  50,000,000 bytes") << qint64(60000000) << false;
    QTest::newRow("source of 1,000,000 bytes")
        << QByteArray("  1,000,000 bytes") << qint64(0) << false;
    QTest::newRow("no total") << QByteArray("garbage") << qint64(0) << false;
}

void TestPageSource::freeSpaceWarning() {
    QFETCH(QByteArray, totals);
    QFETCH(qint64, free);
    QFETCH(bool, warned);
    PagesHarness h;
    const QString drive = h.find<QComboBox>("Drive1")->currentText();
    h.machine.freeAt[drive] = free;
    const QString src = folder(QStringLiteral("big"));
    h.machine.standardOutput = listingWithTotal(totals);
    h.dialogs.answerFolder(src);
    if (warned)
        h.dialogs.answerMessage(
            MessageAnswer::Ok,
            QStringLiteral("You might not have enough free space on\n") + drive +
                QStringLiteral(" drive for Rar's/Ace's, should pick another drive."));
    h.click("Command2");
    QCOMPARE(h.port().sourceDisplay(), src); // the choice stands
    if (warned) {
        QCOMPARE(h.dialogs.shown().back().title, QStringLiteral("Kavel32 error"));
        QCOMPARE(h.dialogs.shown().back().icon, MessageIcon::Exclamation);
    }
}

void TestPageSource::outputDriveChange_data() {
    QTest::addColumn<qint64>("free");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("label");
    QTest::newRow("1,500,000 free") << qint64(1500000) << false << QString();
    QTest::newRow("a CD with 0 free") << qint64(0) << false << QString();
    QTest::newRow("unreadable") << qint64(-1) << false << QString();
    QTest::newRow("exactly 2,000,000")
        << qint64(2000000) << true << QStringLiteral("Free space on - \n 2 Meg.");
    QTest::newRow("beyond 32 bits")
        << qint64(5000000000) << true << QStringLiteral("Free space on - \n 5000 Meg.");
}

void TestPageSource::outputDriveChange() {
    QFETCH(qint64, free);
    QFETCH(bool, accepted);
    QFETCH(QString, label);
    PagesHarness h;
    auto* drives = h.find<QComboBox>("Drive1");
    const QString home = drives->itemText(0);
    const QString other = folder(QStringLiteral("other-drive"));
    h.machine.freeAt[other] = free < 0 ? std::nullopt : std::optional<int64_t>(free);
    const QString before = h.find<QLabel>("Label13")->text();
    drives->addItem(other);
    drives->setCurrentIndex(drives->count() - 1);
    if (accepted) {
        QCOMPARE(drives->currentText(), other);
        QCOMPARE(h.pages->workDrive(), other);
        QCOMPARE(h.find<QLabel>("Label13")->text(), label);
    } else {
        QCOMPARE(drives->currentText(), home);
        QCOMPARE(h.pages->workDrive(), home);
        QCOMPARE(h.find<QLabel>("Label13")->text(), before);
    }
    QCOMPARE(h.dialogs.shown().size(), 0);
}

void TestPageSource::folderStatusLine() {
    auto* dialogs = new StatusDialogs;
    PagesHarness h(dialogs);
    const QString cd = folder(QStringLiteral("cdrom/Disc"));
    h.machine.freeAt[dir_.path() + QStringLiteral("/cdrom")] = 0;
    h.machine.standardOutput = listingWithTotal("  700 bytes");
    dialogs->answerFolder(cd);
    h.click("Command2");
    QCOMPARE(dialogs->statusLine, QStringLiteral("Invalid drive"));
    QCOMPARE(h.port().sourceDisplay(), cd); // it can still be chosen
    dialogs->highlighted = folder(QStringLiteral("Plain"));
    dialogs->answerFolder(QString());
    h.click("Command2");
    QCOMPARE(dialogs->statusLine, dialogs->highlighted);
}

void TestPageSource::realFolderDialogFollowsHighlight() {
    const QString parent = folder(QStringLiteral("pick"));
    const QString inner = folder(QStringLiteral("pick/Inner"));
    QString shown;
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto* status = dialog->findChild<QLabel*>(QStringLiteral("FolderStatus"));
        // The folder view fills in the background: highlight until it has the folder.
        for (int i = 0; i < 100 && status && status->text().isEmpty(); ++i) {
            dialog->selectFile(inner);
            QTest::qWait(20);
        }
        if (status)
            shown = status->text();
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const QString chosen = folderDialogWithStatus(
        nullptr, QStringLiteral("Source directory"), parent, [](const QString& path) {
            return QStringLiteral("status of ") + QFileInfo(path).fileName();
        });
    QCOMPARE(shown, QStringLiteral("status of Inner"));
    QCOMPARE(chosen, inner);
}

void TestPageSource::tickingImageClearsSourceAndMovesSlider() {
    PagesHarness h;
    browseFolder(h, folder(QStringLiteral("src")), "  20,000,000 bytes");
    QVERIFY(!h.find<QLabel>("Label19")->text().isEmpty());
    h.click("Check2");
    QCOMPARE(h.port().sourceDisplay(), QString());
    QCOMPARE(h.find<QLabel>("Label9")->text(), QString());
    QCOMPARE(h.find<QLabel>("Label19")->text(), QString());
    QCOMPARE(h.pages->sourceSizeM(), 0.0f);
    QCOMPARE(h.find<QAbstractSlider>("VScroll1")->value(), 10);
    h.find<QAbstractSlider>("VScroll1")->setValue(4);
    QCOMPARE(h.find<QAbstractSlider>("VScroll1")->value(), 10);
    h.click("Check2");
    QCOMPARE(h.find<QAbstractSlider>("VScroll1")->value(), 3);
    h.find<QAbstractSlider>("VScroll1")->setValue(4);
    QCOMPARE(h.find<QAbstractSlider>("VScroll1")->value(), 4);
}

static const char* const kZipControls[] = {
    "Command1", "Command14", "Command4",  "Command5", "Command6", "Command7", "Command8",
    "Command9", "Command10", "Command11", "Picture2", "Picture4", "Picture5", "SSCheck2"};

void TestPageSource::imageAnsweredNoDisablesAndEmpties() {
    PagesHarness h;
    JobSettings job = h.pages->model().job();
    job.SourceSpec = QStringLiteral("x");
    job.DizFile = QStringLiteral("d.diz");
    job.NfoFile = QStringLiteral("a.nfo");
    job.ExtraIsFile = true;
    job.ExtraPath = QStringLiteral("extra.txt");
    job.ZipDir = QStringLiteral("zips");
    job.AutoNumber = true;
    job.NumberColumn = QStringLiteral("6");
    job.NumberLine = QStringLiteral("3");
    job.SkipList = QStringLiteral("a/*.*\r\n");
    job.FirstZipOnly = true;
    h.pages->model().setJob(job);
    h.click("Check2");
    const QString iso = image(650000000);
    h.dialogs.answerOpenFile(iso).answerMessage(MessageAnswer::No,
                                                QStringLiteral("Save as Zip's?"));
    h.click("Command2");
    const auto& question = h.dialogs.shown().back();
    QCOMPARE(question.text, QStringLiteral("Save as Zip's?\n\nChoosing Yes, puts the Rar's/Ace's "
                                           "into Zip's\n\nChoosing No, just makes Rar's/Ace's"));
    QCOMPARE(question.title, QStringLiteral("Save as Zip's or Rar's/Ace's"));
    QCOMPARE(question.buttons, MessageButtons::YesNo);
    QCOMPARE(h.dialogs.shown().front().title, QStringLiteral("CD image file"));
    QCOMPARE(h.find<QLabel>("Label9")->text(), QStringLiteral("650,000,000 Total bytes"));
    QCOMPARE(h.pages->sourceSizeM(), 650.0f);
    QCOMPARE(h.find<QLabel>("Label19")->text(), QStringLiteral("130.00 files"));
    QCOMPARE(h.port().sourceDisplay(), iso);
    for (const char* name : kZipControls)
        QVERIFY2(!h.find<QWidget>(name)->isEnabled(), name);
    const JobSettings after = h.pages->model().job();
    QVERIFY(after.RawArchivesOnly);
    QCOMPARE(after.DizFile, QString());
    QCOMPARE(after.NfoFile, QString());
    QCOMPARE(after.ExtraPath, QString());
    QCOMPARE(after.ZipDir, QString());
    QCOMPARE(after.SkipList, QString());
    QVERIFY(!after.AutoNumber);
    QVERIFY(!after.FirstZipOnly);
    QCOMPARE(h.machine.runs.size(), 0); // no size program for an image
}

void TestPageSource::imageAnsweredYesKeepsDisplays() {
    PagesHarness h;
    JobSettings job = h.pages->model().job();
    job.DizFile = QStringLiteral("d.diz");
    job.ZipDir = QStringLiteral("zips");
    h.pages->model().setJob(job);
    h.click("Check2");
    h.dialogs.answerOpenFile(image(1000000)).answerMessage(MessageAnswer::Yes);
    h.click("Command2");
    const JobSettings after = h.pages->model().job();
    QVERIFY(!after.RawArchivesOnly);
    QCOMPARE(after.DizFile, QStringLiteral("d.diz"));
    QCOMPARE(after.ZipDir, QStringLiteral("zips"));
    QCOMPARE(h.pages->sourceSizeM(), 0.0f); // 1,000,000 bytes or less: no estimate
    QCOMPARE(h.find<QLabel>("Label19")->text(), QString());
    for (const char* name : kZipControls)
        if (QByteArray(name) != "Command9")
            QVERIFY2(h.find<QWidget>(name)->isEnabled(), name);
}

void TestPageSource::clearingImageReenablesButKeepsEmptied() {
    PagesHarness h;
    JobSettings job = h.pages->model().job();
    job.NfoFile = QStringLiteral("a.nfo");
    job.ExtraIsFile = true;
    h.pages->model().setJob(job);
    h.click("Check2");
    h.dialogs.answerOpenFile(image(5000000)).answerMessage(MessageAnswer::No);
    h.click("Command2");
    h.click("Check2");
    QVERIFY(!h.pages->model().job().RawArchivesOnly);
    for (const char* name : kZipControls)
        QVERIFY2(h.find<QWidget>(name)->isEnabled(), name);
    QCOMPARE(h.pages->model().job().NfoFile, QString());
}

void TestPageSource::cancelledImageDialogShowsError() {
    PagesHarness h;
    const QString keep = folder(QStringLiteral("kept"));
    h.find<QCheckBox>("Check2")->setChecked(true);
    JobSettings job = h.pages->model().job();
    job.SourceSpec = keep;
    h.pages->model().setJob(job);
    h.dialogs.answerOpenFile(QString()).answerMessage(
        MessageAnswer::Ok, QStringLiteral("Error calculating source bytes"));
    h.click("Command2");
    QCOMPARE(h.dialogs.shown().back().icon, MessageIcon::Critical);
    QCOMPARE(h.dialogs.shown().back().title, QStringLiteral("Kavel32 error"));
    QCOMPARE(h.find<QLabel>("Label9")->text(), QStringLiteral("Error"));
    QCOMPARE(h.port().sourceDisplay(), keep);
    QCOMPARE(h.pages->sourcePath(), keep);
    QCOMPARE(h.find<QLabel>("Label19")->text(), QString());
    QVERIFY(h.find<QPushButton>("Command2")->isEnabled());
}

QTEST_MAIN(TestPageSource)
#include "test_page_source.moc"
