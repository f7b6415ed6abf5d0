// The File menu's entries for finishing a set: the settings they keep and the report window.
#include "../fakes/recording_ports.h"
#include "queued_dialogs.h"

#include "release/finish_options.h"
#include "shell/check_report_window.h"
#include "shell/job_pages.h"
#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestFinishMenu : public QObject {
    Q_OBJECT
    QTemporaryDir root;

    QAction* action(MainWindow& window, const char* name) {
        auto* a = window.findChild<QAction*>(QLatin1String(name));
        if (!a)
            qWarning("no action %s", name);
        return a;
    }

  private slots:
    void initTestCase() {
        qputenv("KAVEL32_STATE_DIR", root.filePath("state").toUtf8());
        qputenv("KAVEL32_SCRATCH_DIR", root.filePath("scratch").toUtf8());
        qputenv("KAVEL32_PROGRAM_DIR", QByteArrayLiteral(KAVEL_BIN_DIR));
    }

    void togglesKeepTheSettings() {
        QueuedDialogs dialogs;
        RecordingMachine machine;
        RunFlags flags;
        MainWindow window(dialogs, machine, flags);
        window.setCleanupOnClose(false);
        action(window, "verifym")->trigger();
        action(window, "sfvm")->trigger();
        action(window, "par2_20")->trigger();
        QCOMPARE(readFinishOptions(), (FinishOptions{true, true, 20}));
        action(window, "sfvm")->trigger();
        action(window, "par2_0")->trigger();
        QCOMPARE(readFinishOptions(), (FinishOptions{true, false, 0}));

        // A second window shows what the file holds.
        MainWindow other(dialogs, machine, flags);
        other.setCleanupOnClose(false);
        QVERIFY(action(other, "verifym")->isChecked());
        QVERIFY(!action(other, "sfvm")->isChecked());
        QVERIFY(action(other, "par2_0")->isChecked());
    }

    void checkZipsShowsTheReport() {
        QueuedDialogs dialogs;
        RecordingMachine machine;
        RunFlags flags;
        MainWindow window(dialogs, machine, flags);
        window.setCleanupOnClose(false);
        const QString empty = root.filePath("no zips here");
        QVERIFY(QDir().mkpath(empty));
        dialogs.answerFolder({}); // cancelled: nothing is shown
        action(window, "checkzips")->trigger();
        QVERIFY(!window.findChild<CheckReportWindow*>());
        QCOMPARE(dialogs.shown().back().dir, QDir::homePath()); // no zip folder yet
        // The job's zip folder is where the question starts.
        JobSettings job = window.jobPages()->model().job();
        job.ZipDir = root.filePath("zips");
        QVERIFY(QDir().mkpath(job.ZipDir));
        window.jobPages()->model().setJob(job);
        dialogs.answerFolder({});
        action(window, "checkzips")->trigger();
        QCOMPARE(dialogs.shown().back().dir, job.ZipDir);
        dialogs.answerFolder(empty);
        action(window, "checkzips")->trigger();
        auto* report = window.findChild<CheckReportWindow*>();
        QVERIFY(report);
        QVERIFY(report->isVisible());
        QCOMPARE(report->summary(), QStringLiteral("Check FAILED: 1 fault"));
        QVERIFY(report->text().contains("set: FAILED: no zips in " + empty));
        QVERIFY(dialogs.verifyAllUsed());
    }

    // Resume and unpack from the File menu: what cannot be done is told, nothing is made.
    void tripEntriesTellWhatCannotBeDone() {
        QueuedDialogs dialogs;
        RecordingMachine machine;
        RunFlags flags;
        MainWindow window(dialogs, machine, flags);
        window.setCleanupOnClose(false);
        const QString notARun = root.filePath("Kavel001");
        QVERIFY(QDir().mkpath(notARun));
        dialogs.answerFolder(notARun).answerMessage(MessageAnswer::Ok, "cannot resume the run");
        action(window, "resumem")->trigger();
        QVERIFY(QDir(notARun).isEmpty());

        const QString noZips = root.filePath("received"), dest = root.filePath("unpacked");
        QVERIFY(QDir().mkpath(noZips));
        QVERIFY(QDir().mkpath(dest));
        dialogs.answerFolder(noZips).answerFolder(dest);
        action(window, "unpackm")->trigger();
        auto* report = window.findChild<CheckReportWindow*>();
        QVERIFY(report);
        QVERIFY2(report->summary().startsWith("FAILED: the set in " + noZips),
                 qPrintable(report->summary()));
        QVERIFY(QDir(dest).isEmpty());
        QVERIFY(dialogs.verifyAllUsed());
    }
};

QTEST_MAIN(TestFinishMenu)
#include "test_finish_menu.moc"
