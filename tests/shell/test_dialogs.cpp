#include "queued_dialogs.h"
#include "shell/qt_dialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestDialogs : public QObject {
    Q_OBJECT
  private slots:
    void answersComeInQueueOrder();
    void dialogWithoutAnswerFails();
    void answerOfAnotherKindFails();
    void unusedAnswerFails();
    void messageTextMustMatch();
    void whileShownRunsDuringTheDialog();
    void filterPairs_data();
    void filterPairs();
    void everyFileFilterListsNamesWithoutDot();
    void qtMessageBoxGivesTheButtonPressed_data();
    void qtMessageBoxGivesTheButtonPressed();
};

void TestDialogs::answersComeInQueueOrder() {
    QueuedDialogs d;
    d.answerMessage(MessageAnswer::Cancel)
        .answerOpenFile(QStringLiteral("/a/b.txt"))
        .answerFolder(QString());
    QCOMPARE(d.message(nullptr, QStringLiteral("Overwrite?"), QStringLiteral("Kavel32 error"),
                       MessageIcon::Exclamation, MessageButtons::OkCancel),
             MessageAnswer::Cancel);
    QCOMPARE(d.openFile(nullptr, QStringLiteral("Diz"), QString(), QStringLiteral("*.diz")),
             QStringLiteral("/a/b.txt"));
    QCOMPARE(d.chooseFolder(nullptr, QStringLiteral("Zip dir"), QString()), QString());
    QCOMPARE(d.pending(), 0);
    QCOMPARE(d.shown().size(), 3);
    QCOMPARE(d.shown()[0].title, QStringLiteral("Kavel32 error"));
    QCOMPARE(d.shown()[0].icon, MessageIcon::Exclamation);
    QCOMPARE(d.shown()[1].filter, QStringLiteral("*.diz"));
    QCOMPARE(d.lastMessage(), QStringLiteral("Overwrite?"));
}

void TestDialogs::dialogWithoutAnswerFails() {
    QueuedDialogs d;
    QEXPECT_FAIL("", "a message box with nothing queued fails the test", Continue);
    const MessageAnswer a =
        d.message(nullptr, QStringLiteral("Save as Zip's?"), QStringLiteral("Kavel32"),
                  MessageIcon::Information, MessageButtons::YesNo);
    // The safe answer is given so the code under test goes on.
    QCOMPARE(a, MessageAnswer::No);
}

void TestDialogs::answerOfAnotherKindFails() {
    QueuedDialogs d;
    d.answerFolder(QStringLiteral("/x"));
    QEXPECT_FAIL("", "a file dialog meeting a folder answer fails the test", Continue);
    QCOMPARE(d.openFile(nullptr, QStringLiteral("Nfo"), QString(), QString()), QString());
    QCOMPARE(d.pending(), 0);
}

void TestDialogs::unusedAnswerFails() {
    QueuedDialogs d;
    d.answerSaveFile(QStringLiteral("/x.rip"));
    QEXPECT_FAIL("", "an answer left over fails the test", Continue);
    QVERIFY(!d.verifyAllUsed());
    QCOMPARE(d.pending(), 0);
}

void TestDialogs::messageTextMustMatch() {
    QueuedDialogs d;
    d.answerMessage(MessageAnswer::Ok, QStringLiteral("Invalid drive"));
    QEXPECT_FAIL("", "a message with another text fails the test", Continue);
    d.message(nullptr, QStringLiteral("Column number too high"), QStringLiteral("Kavel32 error"),
              MessageIcon::Exclamation, MessageButtons::Ok);
    QCOMPARE(d.pending(), 0);
}

void TestDialogs::whileShownRunsDuringTheDialog() {
    QueuedDialogs d;
    int seen = -1;
    d.whileShown([&] { seen = d.shown().size(); }).answerMessage(MessageAnswer::Yes);
    QCOMPARE(d.message(nullptr, QStringLiteral("q"), QStringLiteral("t"), MessageIcon::Information,
                       MessageButtons::YesNo),
             MessageAnswer::Yes);
    QCOMPARE(seen, 1);
}

void TestDialogs::filterPairs_data() {
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one pair") << "Text files (*.txt)|*.txt"
                              << "Text files (*.txt)";
    QTest::newRow("two pairs") << "Diz (*.diz)|*.diz|All files (*.*)|*.*"
                               << "Diz (*.diz);;All files (*)";
    // Every file, also one whose name has no dot (README).
    QTest::newRow("every file") << "Skip file (*.*)|*.*|"
                                << "Skip file (*)";
    QTest::newRow("qt form, every file") << "All (*.*);;Scripts (*.rip)"
                                         << "All (*);;Scripts (*.rip)";
    QTest::newRow("patterns of the pair decide") << "Images (*.img)|*.iso"
                                                 << "Images (*.iso)";
    QTest::newRow("label without patterns") << "Scripts|*.rip;*.txt"
                                            << "Scripts (*.rip *.txt)";
    QTest::newRow("qt form kept") << "Images (*.iso)"
                                  << "Images (*.iso)";
    QTest::newRow("empty") << ""
                           << "";
}

void TestDialogs::filterPairs() {
    QFETCH(QString, given);
    QFETCH(QString, expected);
    QCOMPARE(qtFilterFromPairs(given), expected);
}

// The real file dialog of Add skip file and Add extra file, with their "*.*" filter.
void TestDialogs::everyFileFilterListsNamesWithoutDot() {
    QTemporaryDir dir;
    for (const char* name : {"README", "setup.exe"}) {
        QFile f(dir.filePath(QLatin1String(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QStringList listed;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return; // not open yet
        poll.stop();
        auto* view = dialog->findChild<QListView*>(QStringLiteral("listView"));
        // The folder is read in the background.
        for (int i = 0; i < 200 && view && listed.size() < 2; ++i) {
            QTest::qWait(20);
            listed.clear();
            for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
                listed << view->model()->index(row, 0, view->rootIndex()).data().toString();
        }
        QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
    });
    poll.start(50);
    QtDialogs dialogs;
    dialogs.openFile(nullptr, QStringLiteral("Add skip file"), dir.path(),
                     QStringLiteral("Skip file (*.*)|*.*|"));
    listed.sort();
    QCOMPARE(listed, (QStringList{"README", "setup.exe"}));
}

void TestDialogs::qtMessageBoxGivesTheButtonPressed_data() {
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("press"); // a button, or -1 Escape, -2 Enter
    QTest::addColumn<int>("expected");
    QTest::newRow("ok") << int(MessageButtons::Ok) << int(QMessageBox::Ok)
                        << int(MessageAnswer::Ok);
    QTest::newRow("cancel") << int(MessageButtons::OkCancel) << int(QMessageBox::Cancel)
                            << int(MessageAnswer::Cancel);
    QTest::newRow("no") << int(MessageButtons::YesNo) << int(QMessageBox::No)
                        << int(MessageAnswer::No);
    QTest::newRow("escape on yes/no") << int(MessageButtons::YesNo) << -1 << int(MessageAnswer::No);
    // Overwrite? destroys a set on OK: Enter alone and Escape keep it.
    QTest::newRow("enter on ok/cancel")
        << int(MessageButtons::OkCancel) << -2 << int(MessageAnswer::Cancel);
    QTest::newRow("escape on ok/cancel")
        << int(MessageButtons::OkCancel) << -1 << int(MessageAnswer::Cancel);
    QTest::newRow("ok on ok/cancel")
        << int(MessageButtons::OkCancel) << int(QMessageBox::Ok) << int(MessageAnswer::Ok);
    QTest::newRow("enter on ok") << int(MessageButtons::Ok) << -2 << int(MessageAnswer::Ok);
}

void TestDialogs::qtMessageBoxGivesTheButtonPressed() {
    QFETCH(int, buttons);
    QFETCH(int, press);
    QFETCH(int, expected);
    QTimer::singleShot(0, this, [press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        if (press < 0)
            QTest::keyClick(box, press == -1 ? Qt::Key_Escape : Qt::Key_Return);
        else
            box->button(QMessageBox::StandardButton(press))->click();
    });
    QtDialogs d;
    QCOMPARE(int(d.message(nullptr, QStringLiteral("text"), QStringLiteral("Kavel32"),
                           MessageIcon::Information, MessageButtons(buttons))),
             expected);
}

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
