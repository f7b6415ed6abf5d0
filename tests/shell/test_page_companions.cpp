#include "companion/diz_numbering.h"
#include "page_harness.h"
#include "platform/paths.h"
#include "shell/ss_panel.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

// The Skip, Diz and Nfo pages.
class TestPageCompanions : public QObject {
    Q_OBJECT
  private slots:
    void skipControlsAtStart();
    void skipWithoutSourceGoesToSourcePage();
    void skipSubDirectoryTwiceGivesTwoLines();
    void skipSourceItselfAddsNothing();
    void skipFile_data();
    void skipFile();
    void skipClear();

    void dizControlsAtStart();
    void dizNoneAndSubstitute();
    void dizCreateTwiceKeepsText();
    void dizEditOpensEditor();
    void dizBrowse();
    void dizBrowseRefusesWorkingCopy();
    void dizTest_data();
    void dizTest();

    void nfoControlsAtStart();
    void nfoCreateTwiceKeepsText();
    void nfoBrowse();
    void extraBrowse();
    void browseCancelChangesNothing_data();
    void browseCancelChangesNothing();

  private:
    QTemporaryDir dir_;
    QString make(const QString& name, const QByteArray& text = {}) {
        const QString path = dir_.path() + QLatin1Char('/') + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!name.endsWith(QLatin1Char('/'))) {
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly))
                qFatal("cannot write");
            f.write(text);
        }
        return QDir::cleanPath(path);
    }
    void withSource(PagesHarness& h, const QString& source) {
        JobSettings job = h.pages->model().job();
        job.SourceSpec = source;
        h.pages->model().setJob(job);
    }
};

void TestPageCompanions::skipControlsAtStart() {
    PagesHarness h;
    QCOMPARE(h.find<QPushButton>("Command1")->text(), QStringLiteral("&Browse"));
    QCOMPARE(h.find<QPushButton>("Command14")->text(), QStringLiteral("&Clear"));
    QCOMPARE(h.find<QRadioButton>("Option5")->text(), QStringLiteral("Fi&le"));
    QCOMPARE(h.find<QRadioButton>("Option6")->text(), QStringLiteral("&Sub-dir"));
    QCOMPARE(h.find<QLabel>("Label2")->text(),
             QStringLiteral("Sub-directories or files to skip   (optional)"));
    QCOMPARE(h.find<QPlainTextEdit>("Text1")->toPlainText(), QString());
}

void TestPageCompanions::skipWithoutSourceGoesToSourcePage() {
    PagesHarness h;
    h.dialogs.answerMessage(MessageAnswer::Ok,
                            QStringLiteral("You must pick a source drive or directory first"));
    h.click("Command1");
    QCOMPARE(h.dialogs.shown().back().icon, MessageIcon::Critical);
    QCOMPARE(h.frame.shownPages, QList<Page>{Page::Source});
    QCOMPARE(h.pages->model().job().SkipList, QString());
}

void TestPageCompanions::skipSubDirectoryTwiceGivesTwoLines() {
    PagesHarness h;
    const QString source = make(QStringLiteral("Work/Pack/"));
    const QString demos = make(QStringLiteral("Work/Pack/Demos/"));
    withSource(h, source);
    h.dialogs.answerFolder(demos).answerFolder(demos);
    h.click("Command1");
    h.click("Command1");
    const QString entry = demos + QStringLiteral("/*.*\r\n");
    QCOMPARE(h.pages->model().job().SkipList, entry + entry);
    QCOMPARE(h.dialogs.shown().front().title, QStringLiteral("Directory to skip"));
    QCOMPARE(h.dialogs.shown().front().dir, source);
    QCOMPARE(h.find<QPlainTextEdit>("Text1")->toPlainText(),
             demos + QStringLiteral("/*.*\n") + demos + QStringLiteral("/*.*"));
}

void TestPageCompanions::skipSourceItselfAddsNothing() {
    PagesHarness h;
    const QString source = make(QStringLiteral("Src/"));
    withSource(h, source);
    h.dialogs.answerFolder(source).answerFolder(QString());
    h.click("Command1");
    h.click("Command1");
    QCOMPARE(h.pages->model().job().SkipList, QString());
    QCOMPARE(h.dialogs.shown().size(), 2); // no message either
}

void TestPageCompanions::skipFile_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<bool>("added");
    QTest::newRow("inside") << QStringLiteral("Src/readme.txt") << true;
    QTest::newRow("outside") << QStringLiteral("Other/a.txt") << false;
    QTest::newRow("sibling sharing the prefix") << QStringLiteral("Src2/a.txt") << false;
}

void TestPageCompanions::skipFile() {
    QFETCH(QString, chosen);
    QFETCH(bool, added);
    PagesHarness h;
    withSource(h, make(QStringLiteral("Src/")));
    const QString file = make(chosen, "x");
    h.click("Option5");
    h.dialogs.answerOpenFile(file);
    if (!added)
        h.dialogs.answerMessage(MessageAnswer::Ok, QStringLiteral("Path isn't within source path"));
    h.click("Command1");
    QCOMPARE(h.pages->model().job().SkipList, added ? file + QStringLiteral("\r\n") : QString());
    QCOMPARE(h.dialogs.shown().front().title, QStringLiteral("Add skip file"));
}

void TestPageCompanions::skipClear() {
    PagesHarness h;
    JobSettings job = h.pages->model().job();
    job.SkipList = QStringLiteral("/a/*.*\r\n/b.txt\r\n");
    h.pages->model().setJob(job);
    QCOMPARE(h.pages->model().job().SkipList, job.SkipList);
    h.click("Command14");
    QCOMPARE(h.pages->model().job().SkipList, QString());
    QCOMPARE(h.find<QPlainTextEdit>("Text1")->toPlainText(), QString());
}

void TestPageCompanions::dizControlsAtStart() {
    PagesHarness h;
    QCOMPARE(h.find<QPushButton>("Command4")->text(), QStringLiteral("&Create"));
    QCOMPARE(h.find<QPushButton>("Command5")->text(), QStringLiteral("&Edit"));
    QCOMPARE(h.find<QPushButton>("Command6")->text(), QStringLiteral("&Browse"));
    QCOMPARE(h.find<QPushButton>("Command3")->text(), QStringLiteral("&Test"));
    QCOMPARE(h.find<QRadioButton>("Option1")->text(), QStringLiteral("&None"));
    QCOMPARE(h.find<QRadioButton>("Option3")->text(), QStringLiteral("S&ubsitute at column"));
    QCOMPARE(h.find<QLabel>("Label4")->text(), QStringLiteral("Line -"));
    QVERIFY(h.find<QRadioButton>("Option1")->isChecked());
    QVERIFY(!h.find<QPushButton>("Command3")->isEnabled());
    QCOMPARE(h.find<QLineEdit>("Text2")->text(), QString());
}

void TestPageCompanions::dizNoneAndSubstitute() {
    PagesHarness h;
    auto* column = h.find<QLineEdit>("Text2");
    auto* line = h.find<QLineEdit>("Text6");
    const QColor face = column->palette().color(QPalette::Button);
    QCOMPARE(column->palette().color(QPalette::Base), face);
    h.click("Option3");
    QVERIFY(h.find<QPushButton>("Command3")->isEnabled());
    QCOMPARE(column->palette().color(QPalette::Base), h.window.palette().color(QPalette::Base));
    QCOMPARE(line->palette().color(QPalette::Base), h.window.palette().color(QPalette::Base));
    QTest::keyClicks(column, QStringLiteral("6"));
    QTest::keyClicks(line, QStringLiteral("3"));
    QVERIFY(h.pages->model().job().AutoNumber);
    QCOMPARE(h.pages->model().job().NumberColumn, QStringLiteral("6"));
    h.click("Option1");
    QVERIFY(!h.pages->model().job().AutoNumber);
    QCOMPARE(column->text(), QString());
    QCOMPARE(line->text(), QString());
    QVERIFY(!h.find<QPushButton>("Command3")->isEnabled());
    QCOMPARE(line->palette().color(QPalette::Base), face);
}

void TestPageCompanions::dizCreateTwiceKeepsText() {
    PagesHarness h;
    h.dialogs.answerMessage(
        MessageAnswer::Ok, QStringLiteral("Choose 'Save' when finished in notepad, not 'save as'"));
    h.click("Command4");
    QCOMPARE(h.dialogs.shown().back().title, QStringLiteral("Kavel32"));
    const QString created = joinPath(AppPaths::stateTempFolder(), QStringLiteral("file_id.diz"));
    QCOMPARE(h.pages->model().job().DizFile, created);
    QCOMPARE(h.machine.edited, QStringList{created});
    {
        QFile typed(created);
        QVERIFY(typed.open(QIODevice::WriteOnly));
        typed.write("My release\r\n");
    }
    h.dialogs.answerMessage(MessageAnswer::Ok);
    h.click("Command4");
    QFile again(created);
    QVERIFY(again.open(QIODevice::ReadOnly));
    QCOMPARE(again.readAll(), QByteArray("My release\r\n"));
}

void TestPageCompanions::dizEditOpensEditor() {
    PagesHarness h;
    h.click("Command5");
    QVERIFY(h.machine.edited.isEmpty());
    JobSettings job = h.pages->model().job();
    job.DizFile = make(QStringLiteral("rel/file_id.diz"), "a\r\n");
    h.pages->model().setJob(job);
    h.click("Command5");
    QCOMPARE(h.machine.edited, QStringList{job.DizFile});
}

void TestPageCompanions::dizBrowse() {
    PagesHarness h;
    const QString diz = make(QStringLiteral("Rel/file_id.diz"), "Disk 00/00 of the set\r\n");
    withSource(h, dir_.path());
    h.dialogs.answerOpenFile(diz);
    h.click("Command6");
    const auto& dialog = h.dialogs.shown().back();
    QCOMPARE(dialog.title, QStringLiteral("Add file_id.diz"));
    QCOMPARE(dialog.dir, dir_.path()); // starts in the source while no diz is chosen
    QCOMPARE(dialog.filter,
             QStringLiteral("File_id.diz (file_id.diz)|file_id.diz|All files (*.*)|*.*|"));
    QCOMPARE(h.pages->model().job().DizFile, diz);
    QFile copy(dizWorkingCopyPath());
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), QByteArray("Disk 00/00 of the set\r\n"));
    h.dialogs.answerOpenFile(QString());
    h.click("Command6");
    QCOMPARE(h.dialogs.shown().back().dir, diz); // starts at the diz chosen
}

void TestPageCompanions::dizBrowseRefusesWorkingCopy() {
    PagesHarness h;
    const QString working = dizWorkingCopyPath();
    QDir().mkpath(QFileInfo(working).absolutePath());
    {
        QFile f(working);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("kept\r\n");
    }
    h.dialogs.answerOpenFile(working).answerMessage(
        MessageAnswer::Ok,
        QStringLiteral("The file_id.diz can't be from your application directory"));
    h.click("Command6");
    QCOMPARE(h.dialogs.shown().back().icon, MessageIcon::Critical);
    QCOMPARE(h.pages->model().job().DizFile, QString());
    QFile f(working);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("kept\r\n")); // the chosen file is never touched
}

void TestPageCompanions::dizTest_data() {
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("column 6 line 3") << "6"
                                     << "3" << QString() << QString();
    QTest::newRow("column too high") << "16"
                                     << "3"
                                     << "Column number too high"
                                     << "Text2";
    QTest::newRow("line too high") << "6"
                                   << "4"
                                   << "Line number too high"
                                   << "Text6";
    QTest::newRow("column 0") << "0"
                              << "3" << QString() << "Text2";
    QTest::newRow("line empty") << "6"
                                << "" << QString() << "Text6";
}

void TestPageCompanions::dizTest() {
    QFETCH(QString, column);
    QFETCH(QString, line);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    PagesHarness h;
    JobSettings job = h.pages->model().job();
    job.DizFile =
        make(QStringLiteral("t/file_id.diz"), "Title\r\nby me\r\nDisk 00/00 of the set\r\n");
    h.pages->model().setJob(job);
    h.click("Option3");
    h.find<QLineEdit>("Text2")->setText(column);
    h.find<QLineEdit>("Text6")->setText(line);
    if (!message.isEmpty())
        h.dialogs.answerMessage(MessageAnswer::Ok, message);
    h.click("Command3");
    if (focus.isEmpty()) {
        QVERIFY(h.frame.shownPages.isEmpty());
        QCOMPARE(h.machine.edited, QStringList{numberingSamplePath()}); // the preview
    } else {
        QCOMPARE(h.frame.shownPages, QList<Page>{Page::Diz});
        QCOMPARE(h.frame.focus, focus);
        QVERIFY(h.machine.edited.isEmpty());
    }
    if (!message.isEmpty())
        QCOMPARE(h.dialogs.shown().back().title, QStringLiteral("Kavel32 error"));
}

void TestPageCompanions::nfoControlsAtStart() {
    PagesHarness h;
    QCOMPARE(h.find<QPushButton>("Command7")->text(), QStringLiteral("&Create"));
    QCOMPARE(h.find<QPushButton>("Command8")->text(), QStringLiteral("&Browse"));
    QCOMPARE(h.find<QPushButton>("Command11")->text(), QStringLiteral("&Edit"));
    QCOMPARE(h.find<QPushButton>("Command9")->text(), QStringLiteral("B&rowse"));
    QCOMPARE(h.find<QCheckBox>("Check1")->text(), QStringLiteral("&In 1st zip only"));
    QCOMPARE(h.find<QRadioButton>("Option2")->text(), QStringLiteral("Fi&le"));
    QCOMPARE(h.find<QRadioButton>("Option4")->text(), QStringLiteral("&Directory"));
    QVERIFY(!h.find<QRadioButton>("Option2")->isChecked());
    QVERIFY(!h.find<QRadioButton>("Option4")->isChecked());
    QVERIFY(!h.find<QPushButton>("Command9")->isEnabled());
    QVERIFY(!h.find<QCheckBox>("Check1")->isChecked());
}

void TestPageCompanions::nfoCreateTwiceKeepsText() {
    PagesHarness h;
    h.click("Command7");
    const QString created = joinPath(AppPaths::stateTempFolder(), QStringLiteral("About.nfo"));
    QCOMPARE(h.pages->model().job().NfoFile, created);
    QCOMPARE(h.dialogs.shown().size(), 0); // no message before it, unlike the diz
    {
        QFile typed(created);
        QVERIFY(typed.open(QIODevice::WriteOnly));
        typed.write("About it\r\n");
    }
    h.click("Command7");
    QFile again(created);
    QVERIFY(again.open(QIODevice::ReadOnly));
    QCOMPARE(again.readAll(), QByteArray("About it\r\n"));
    QCOMPARE(h.machine.edited, (QStringList{created, created}));
    h.click("Command11");
    QCOMPARE(h.machine.edited.size(), 3);
}

void TestPageCompanions::nfoBrowse() {
    PagesHarness h;
    JobSettings job = h.pages->model().job();
    job.DizFile = QStringLiteral("/rel/file_id.diz");
    h.pages->model().setJob(job);
    const QString nfo = make(QStringLiteral("Rel/INFO.NFO"));
    h.dialogs.answerOpenFile(nfo);
    h.click("Command8");
    QCOMPARE(h.dialogs.shown().back().title, QStringLiteral("Add *.nfo"));
    QCOMPARE(h.dialogs.shown().back().dir, job.DizFile);
    QCOMPARE(h.pages->model().job().NfoFile, nfo);
}

void TestPageCompanions::extraBrowse() {
    PagesHarness h;
    h.click("Command9"); // disabled: nothing is asked
    QCOMPARE(h.dialogs.shown().size(), 0);
    h.click("Option2");
    QVERIFY(h.find<QPushButton>("Command9")->isEnabled());
    const QString file = make(QStringLiteral("x/extra.txt"));
    h.dialogs.answerOpenFile(file);
    h.click("Command9");
    QCOMPARE(h.dialogs.shown().back().title, QStringLiteral("Add extra file"));
    JobSettings job = h.pages->model().job();
    QVERIFY(job.ExtraIsFile);
    QCOMPARE(job.ExtraPath, file);

    h.click("Option4");
    const QString folder = make(QStringLiteral("x/more/"));
    h.dialogs.answerFolder(folder).answerFolder(QString());
    h.click("Command9");
    QCOMPARE(h.dialogs.shown().back().title,
             QStringLiteral("Extra directory of files to add to Zip"));
    QCOMPARE(h.pages->model().job().ExtraPath, folder);
    h.click("Command9"); // cancelled folder dialog: unchanged
    job = h.pages->model().job();
    QVERIFY(!job.ExtraIsFile);
    QCOMPARE(job.ExtraPath, folder);
}

// Cancel in any Browse dialog changes nothing: the path chosen before stays, whichever page
// and whichever kind of dialog.
void TestPageCompanions::browseCancelChangesNothing_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("option"); // clicked first, when given
    QTest::addColumn<bool>("folderDialog");
    QTest::newRow("source") << "Command2"
                            << "" << true;
    QTest::newRow("diz") << "Command6"
                         << "" << false;
    QTest::newRow("nfo") << "Command8"
                         << "" << false;
    QTest::newRow("extra file") << "Command9"
                                << "Option2" << false;
    QTest::newRow("extra directory") << "Command9"
                                     << "Option4" << true;
    QTest::newRow("zip folder") << "Command10"
                                << "" << true;
}

void TestPageCompanions::browseCancelChangesNothing() {
    QFETCH(QString, button);
    QFETCH(QString, option);
    QFETCH(bool, folderDialog);
    PagesHarness h;
    JobSettings job = h.pages->model().job();
    job.SourceSpec = make(QStringLiteral("keep/src/"));
    job.DizFile = make(QStringLiteral("keep/file_id.diz"), "Disk 00/00 of the set\r\n");
    job.NfoFile = make(QStringLiteral("keep/rel.nfo"));
    job.ExtraIsFile = option != QLatin1String("Option4");
    job.ExtraPath = job.ExtraIsFile ? make(QStringLiteral("keep/extra.txt"))
                                    : make(QStringLiteral("keep/extras/"));
    job.ZipDir = make(QStringLiteral("keep/zips/"));
    job.ZipName = QStringLiteral("rel");
    h.pages->model().setJob(job);
    const JobSettings before = h.pages->model().job();
    if (!option.isEmpty())
        h.click(option.toLatin1().constData());
    if (folderDialog)
        h.dialogs.answerFolder(QString());
    else
        h.dialogs.answerOpenFile(QString());
    h.click(button.toLatin1().constData());
    QVERIFY(h.dialogs.verifyAllUsed());
    QCOMPARE(h.pages->model().job(), before);
}

QTEST_MAIN(TestPageCompanions)
#include "test_page_companions.moc"
