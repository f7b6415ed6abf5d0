// Faults injected into real unattended runs: the program, 7-Zip and libzip on a generated
// source, each run checked the way a user would check what is left behind.
//
// Tests run as root, so permission faults run the program as the unprivileged user "nobody"
// (setpriv); the full disk is a 2 MB tmpfs when mounting is allowed, and in every case a
// file-size limit (RLIMIT_FSIZE with SIGXFSZ ignored) that only the zip step reaches.
#include "../common/test_needs.h"
#include "run_harness.h"

#include <sys/mount.h>

using namespace e2e;

class FaultInjectionTest : public QObject {
    Q_OBJECT
    Harness h;

    // What every faulted run must leave, and the volume whose zip failed kept.
    void checkAftermath(const Case& c, const Run& r, const QString& fault, bool volumesExpected) {
        h.checkFailure(c, r, fault);
        if (volumesExpected)
            QVERIFY2(!Harness::keptVolumes(r.workLocation).isEmpty(),
                     "the volume whose zip failed is kept");
    }

  private slots:
    void initTestCase() {
        QVERIFY(h.init());
        if (h.sevenZip.isEmpty())
            SKIP_OR_FAIL("7-Zip (7zz) is not installed");
        QVERIFY(QFileInfo(programFolder() + "/kavel32").isExecutable());
        QVERIFY(QFileInfo(programFolder() + "/wrar").isExecutable());
    }

    // A healthy run under the same conditions, so the faults below are the only difference.
    void healthyRunCompletes() {
        const Case c = h.makeCase();
        const Run r = h.run(c, h.writeScript(c));
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY(r.out.contains("Ripping complete"));
        QVERIFY(QDir(c.zips).entryList({"*.zip"}).size() >= 3);
        QVERIFY(QDir(c.work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
        h.checkVolumesRestoreSource(c, r);
        QCOMPARE(snapshot(c.source), c.sourceBefore);
        QVERIFY(QDir(c.scratch).isEmpty());
    }

    void archiverKilledMidRun() {
        const Case c = h.makeCase();
        // Killed (as by the out-of-memory killer) once the second volume is begun.
        h.shadowSevenZip(c, "archive=; last=; for a in \"$@\"; do archive=$last; last=$a; done\n"
                            "( i=0; while [ $i -lt 600 ]; do\n"
                            "    [ -e \"$archive.002\" ] && kill -9 $$ && exit 0\n"
                            "    i=$((i+1)); sleep 0.02\n"
                            "  done ) >/dev/null 2>&1 &");
        RunOptions shadowed;
        shadowed.pathPrefix = c.tools;
        const Run r = h.run(c, h.writeScript(c), shadowed);
        checkAftermath(c, r, "7-Zip was stopped", false);
        QVERIFY(QDir(c.zips).isEmpty());
    }

    void diskFullDuringZipStep_data() {
        QTest::addColumn<bool>("tmpfs");
        QTest::newRow("2 MB tmpfs zip folder") << true;
        QTest::newRow("file size limit") << false;
    }
    void diskFullDuringZipStep() {
        QFETCH(bool, tmpfs);
        const Case c = h.makeCase();
        RunOptions options;
        if (tmpfs) {
            if (::mount("tmpfs", QFile::encodeName(c.zips).constData(), "tmpfs", 0, "size=2m") != 0)
                SKIP_OR_FAIL(
                    "mounting a tmpfs is not allowed here; the file size limit row covers it");
        } else {
            // Volumes are 500,000 bytes; the zips holding them and the 100 KB extra are more.
            options.fileSizeLimit = 550'000;
        }
        const Run r = h.run(c, h.writeScript(c), options);
        const QString fault = tmpfs ? "No space left on device" : "File too large";
        checkAftermath(c, r, fault, true);
        if (tmpfs)
            QVERIFY(!QDir(c.zips).entryList({"*.zip"}).isEmpty());
        h.checkVolumesRestoreSource(c, r);
        if (tmpfs)
            QCOMPARE(::umount(QFile::encodeName(c.zips).constData()), 0);
    }

    void readOnlyZipFolder() {
        const Case c = h.makeCase();
        Harness::handToNobody(c, false);
        RunOptions unprivileged;
        unprivileged.asNobody = true;
        const Run r = h.run(c, h.writeScript(c), unprivileged);
        checkAftermath(c, r, "Permission denied", true);
        QVERIFY(QDir(c.zips).isEmpty());
        h.checkVolumesRestoreSource(c, r);
    }

    void unreadableSourceFile() {
        const Case c0 = h.makeCase();
        Case c = c0;
        const QString locked = c.source + "/data/level1/locked.bin";
        writeFile(locked, noise(20'000, 9));
        QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0600) == 0);
        Harness::handToNobody(c, true);
        c.sourceBefore = snapshot(c.source);
        RunOptions unprivileged;
        unprivileged.asNobody = true;
        const Run r = h.run(c, h.writeScript(c), unprivileged);
        checkAftermath(c, r, "locked.bin", false);
        QVERIFY(QDir(c.zips).isEmpty());
    }

    void secondStartWhileOneRuns() {
        const Case c = h.makeCase();
        QProcess first;
        h.startRunThatWaits(first, c, 3);
        if (QTest::currentTestFailed())
            return;

        const QString secondScript = h.writeScript(c, {{"name", "second"}});
        const Run second = h.run(c, secondScript);
        QCOMPARE(second.exitCode, 3);
        QCOMPARE(QString::fromLocal8Bit(second.err).trimmed(),
                 QStringLiteral("kavel32: another Kavel32 is running"));
        QVERIFY(QDir(c.zips).entryList({"second*"}).isEmpty());

        QVERIFY(first.waitForFinished(300'000));
        QVERIFY2(first.exitCode() == 0, first.readAllStandardError().constData());
        QVERIFY(QDir(c.zips).entryList({"faults*.zip"}).size() >= 3);
        h.checkVolumesRestoreSource(c, Run{0, 0, {}, {}, c.work});
        QCOMPARE(snapshot(c.source), c.sourceBefore);
        QVERIFY(QDir(c.scratch).isEmpty());
    }

    // Two starts at the same moment: one runs, the other hands over and says so, never both.
    void twoStartsAtOnce() {
        const Case c = h.makeCase(200'000);
        // Long enough that the two runs overlap even when one process starts late.
        h.shadowSevenZip(c, "sleep 5");
        const QString firstScript = h.writeScript(c);
        const QString secondScript = h.writeScript(c, {{"name", "second"}});
        for (int round = 0; round < 3; ++round) {
            for (const QString& d : {c.zips, c.work})
                for (const QString& f :
                     QDir(d).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot))
                    QVERIFY(QFileInfo(d + "/" + f).isDir() ? QDir(d + "/" + f).removeRecursively()
                                                           : QFile::remove(d + "/" + f));
            QProcess a, b;
            RunOptions shadowed;
            shadowed.pathPrefix = c.tools;
            h.start(a, c, "!" + firstScript, shadowed);
            h.start(b, c, "!" + secondScript, shadowed);
            QVERIFY(a.waitForFinished(300'000));
            QVERIFY(b.waitForFinished(300'000));
            QList<int> codes{a.exitCode(), b.exitCode()};
            std::sort(codes.begin(), codes.end());
            QCOMPARE(codes, (QList<int>{0, 3}));
            QProcess& refused = a.exitCode() == 3 ? a : b;
            QCOMPARE(QString::fromLocal8Bit(refused.readAllStandardError()).trimmed(),
                     QStringLiteral("kavel32: another Kavel32 is running"));
            const QString ranName = a.exitCode() == 0 ? "faults" : "second";
            const QString refusedName = a.exitCode() == 0 ? "second" : "faults";
            QVERIFY(!QDir(c.zips).entryList({ranName + "*.zip"}).isEmpty());
            QVERIFY(QDir(c.zips).entryList({refusedName + "*"}).isEmpty());
            QCOMPARE(snapshot(c.source), c.sourceBefore);
            QVERIFY(QDir(c.scratch).isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(FaultInjectionTest)
#include "test_fault_injection.moc"
