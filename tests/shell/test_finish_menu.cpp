// The File menu's entries for finishing a set: the settings they keep and the report window.
#include "../fakes/recording_ports.h"
#include "queued_dialogs.h"

#include "release/finish_options.h"
#include "session/unpack_target.h"
#include "shell/check_report_window.h"
#include "shell/job_pages.h"
#include "shell/main_window.h"
#include "shell/unpack_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
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
        QCOMPARE(report->headline(), "no zips in " + empty);
        QVERIFY(report->text().contains("set: FAILED: no zips in " + empty));
        QVERIFY(dialogs.verifyAllUsed());
    }

    // A set as the check reports it: zips 1 to 5, zip 4 with a CRC error, and (with sfvFault)
    // a fault of the set's SFV.
    static SetReport checkedSet(bool fault, bool sfvFault) {
        SetReport report;
        report.lines << QStringLiteral("Checking the zips in /received");
        QList<CheckedZip> zips;
        for (int k = 1; k <= 5; ++k) {
            CheckedZip z;
            z.fileName = QStringLiteral("game%1.zip").arg(k, 2, 10, QLatin1Char('0'));
            z.place = k;
            z.findings.volumeName = QStringLiteral("game.7z.%1").arg(k, 3, 10, QLatin1Char('0'));
            z.findings.volumeSize = 1457664;
            if (fault && k == 4)
                z.findings.faults << QStringLiteral("CRC error in game.7z.004");
            zips << z;
        }
        addZipLines(report, zips, 2);
        report.lines << QStringLiteral("set: the joined volumes pass 7zz t");
        if (sfvFault) {
            report.faults << QStringLiteral("SFV game.sfv: game02.zip has CRC 1 where the line "
                                            "says 2");
            report.lines << QStringLiteral("SFV game.sfv: FAILED: game02.zip has CRC 1 where the "
                                           "line says 2");
        }
        report.zips = 5;
        finishReport(report);
        return report;
    }

    // The faults come first and the first is named in the headline; the rest keep the set's
    // order; a set that passed reads in its order under its summary.
    void reportPutsTheFaultsFirst() {
        const ReportView failed = reportView(checkedSet(true, true));
        QCOMPARE(failed.headline,
                 QStringLiteral("game04.zip: CRC error in game.7z.004 (and 1 more)"));
        QCOMPARE(failed.summary, QStringLiteral("Check FAILED: 2 faults"));
        QStringList order;
        for (const ReportRow& row : failed.rows)
            order << row.subject + QLatin1Char('=') + row.status;
        QCOMPARE(order, (QStringList{"game04.zip=FAILED", "SFV game.sfv=FAILED", "game01.zip=ok",
                                     "game02.zip=ok", "game03.zip=ok", "game05.zip=ok", "set="}));
        QCOMPARE(failed.rows.front().detail, QStringLiteral("CRC error in game.7z.004"));
        QCOMPARE(failed.rows.at(2).detail, QStringLiteral("volume game.7z.001 (1457664 bytes)"));
        QCOMPARE(failed.failedRows(), 2);
        const QString faults = reportText(failed, true);
        QVERIFY(faults.contains("game04.zip: FAILED: CRC error in game.7z.004\n"));
        QVERIFY(!faults.contains("game01.zip"));
        QVERIFY(reportText(failed, false).contains("game05.zip: ok: volume game.7z.005"));

        const ReportView one = reportView(checkedSet(true, false));
        QCOMPARE(one.headline, QStringLiteral("game04.zip: CRC error in game.7z.004"));
        const ReportView passed = reportView(checkedSet(false, false));
        QVERIFY(passed.passed);
        QCOMPARE(passed.headline, QStringLiteral("Check passed: 5 zips"));
        QCOMPARE(passed.rows.front().subject, QStringLiteral("game01.zip"));
        QCOMPARE(passed.rows.at(4).subject, QStringLiteral("game05.zip"));
    }

    // The window: the headline, a marked row a fault, "Faults only", the chosen row in full,
    // and Copy.
    void reportWindowShowsTheTable() {
        CheckReportWindow window(QStringLiteral("Check zips"), checkedSet(true, true));
        auto* table = window.findChild<QTableWidget*>(QStringLiteral("ReportTable"));
        QCOMPARE(table->rowCount(), 7);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("game04.zip"));
        QVERIFY(table->item(0, 1)->font().bold());
        QVERIFY(!table->item(2, 1)->font().bold());
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("ReportHeadline"))->text(),
                 window.headline());
        window.findChild<QCheckBox*>(QStringLiteral("FaultsOnly"))->setChecked(true);
        QCOMPARE(table->rowCount(), 2);
        table->selectRow(1);
        QCOMPARE(
            window.findChild<QLabel*>(QStringLiteral("ReportDetail"))->text(),
            QStringLiteral("SFV game.sfv: FAILED: game02.zip has CRC 1 where the line says 2"));
        window.findChild<QPushButton*>(QStringLiteral("ReportCopy"))->click();
        const QString copied = QApplication::clipboard()->text();
        QVERIFY2(copied.startsWith(window.headline()), qPrintable(copied));
        QVERIFY(!copied.contains(QLatin1String("game01.zip")));
        // A set that passed has no faults to show alone.
        CheckReportWindow passed(QStringLiteral("Check zips"), checkedSet(false, false));
        QVERIFY(!passed.findChild<QCheckBox*>(QStringLiteral("FaultsOnly"))->isEnabled());
    }

    // The folder proposed: named after the set beside its zips, never one that is there.
    void unpackProposesANewFolder() {
        const QString zips = root.filePath("proposal");
        QVERIFY(QDir().mkpath(zips));
        QCOMPARE(proposedUnpackFolder(zips), zips + "/unpacked"); // no zips yet
        for (const char* name : {"rel01.zip", "rel02.zip", "rel03.zip", "readme.zip"})
            QFile(zips + "/" + name).open(QIODevice::WriteOnly);
        QCOMPARE(proposedUnpackFolder(zips), zips + "/rel");
        QVERIFY(QDir().mkpath(zips + "/rel"));
        QCOMPARE(proposedUnpackFolder(zips), zips + "/rel-2");
        QFile(zips + "/rel-2").open(QIODevice::WriteOnly);
        QCOMPARE(proposedUnpackFolder(zips), zips + "/rel-3");
    }

    // The folders missing on the way to the destination are made, and taken away again,
    // each only while empty, when the unpack does not finish.
    void unpackTargetUndoesWhatItMade() {
        const QString base = root.filePath("target");
        QVERIFY(QDir().mkpath(base + "/there"));
        UnpackTarget target;
        QString error;
        QVERIFY(target.prepare(base + "/there/a/b/set", &error));
        QCOMPARE(target.made(), (QStringList{base + "/there/a", base + "/there/a/b"}));
        QVERIFY(QFileInfo(base + "/there/a/b").isDir());
        QVERIFY(!QFileInfo::exists(base + "/there/a/b/set"));
        QFile(base + "/there/a/kept.txt").open(QIODevice::WriteOnly); // not ours
        target.undo();
        QVERIFY(!QFileInfo::exists(base + "/there/a/b"));
        QVERIFY(QFileInfo::exists(base + "/there/a/kept.txt"));
        UnpackTarget nothing;
        QVERIFY(nothing.prepare(base + "/there/new", &error));
        QCOMPARE(nothing.made(), QStringList());
        nothing.undo();
        QVERIFY(QFileInfo(base + "/there").isDir());
        QFile(base + "/file").open(QIODevice::WriteOnly);
        QVERIFY(!nothing.prepare(base + "/file/sub/set", &error));
        QVERIFY(error.contains(base + "/file"));
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

        const QString noZips = root.filePath("received");
        QVERIFY(QDir().mkpath(noZips));
        dialogs.answerFolder(noZips);
        action(window, "unpackm")->trigger();
        auto* unpack = window.findChild<UnpackWindow*>();
        QVERIFY(unpack && unpack->isVisible());
        // The proposal may be changed: a folder two levels down, made for the unpack.
        const QString dest = root.filePath("new/unpacked");
        unpack->findChild<QLineEdit*>(QStringLiteral("UnpackDest"))->setText(dest);
        unpack->findChild<QPushButton*>(QStringLiteral("UnpackStart"))->click();
        QVERIFY2(unpack->resultText().startsWith("FAILED: the set in " + noZips),
                 qPrintable(unpack->resultText()));
        QVERIFY(!unpack->findChild<QPushButton*>(QStringLiteral("UnpackOpenFolder"))->isVisible());
        QVERIFY(!QFileInfo::exists(root.filePath("new"))); // what was made for it is gone
        QVERIFY(dialogs.verifyAllUsed());
    }
};

QTEST_MAIN(TestFinishMenu)
#include "test_finish_menu.moc"
