// Faults injected into real unattended runs: the program, 7-Zip and libzip on a generated
// source, each run checked the way a user would check what is left behind.
//
// Tests run as root, so permission faults run the program as the unprivileged user "nobody"
// (setpriv); the full disk is a 2 MB tmpfs when mounting is allowed, and in every case a
// file-size limit (RLIMIT_FSIZE with SIGXFSZ ignored) that only the zip step reaches.
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

// The programs under test: the build's program folder, or KAVEL32_E2E_BIN_DIR.
QString programFolder() {
    const QString dir = qEnvironmentVariable("KAVEL32_E2E_BIN_DIR");
    return dir.isEmpty() ? QStringLiteral(KAVEL_BIN_DIR) : dir;
}

void writeFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(f.write(data), data.size());
}

QByteArray noise(int n, quint32 seed) {
    QByteArray data(n, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(data.data()), n / 4);
    return data;
}

// Every file and folder below root with its mode and content hash.
QMap<QString, QByteArray> snapshot(const QString& root) {
    QMap<QString, QByteArray> result;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st {};
        lstat(QFile::encodeName(path).constData(), &st);
        QByteArray entry = QByteArray::number(st.st_mode, 8) + ' ' + QByteArray::number(st.st_uid);
        if (S_ISREG(st.st_mode)) {
            QFile f(path);
            // Read as root: also the files the run could not read.
            if (f.open(QIODevice::ReadOnly))
                entry += ' ' + QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
        }
        result.insert(QDir(root).relativeFilePath(path), entry);
    }
    return result;
}

struct Run {
    int exitCode = -1;
    QByteArray out, err;
};

struct RunOptions {
    bool asNobody = false;
    qint64 fileSizeLimit = 0; // bytes; 0: none
    QString pathPrefix;       // a folder searched before PATH (a shadowing 7zz)
};

void chownTree(const QString& path, uid_t uid, gid_t gid) {
    QVERIFY(::chown(QFile::encodeName(path).constData(), uid, gid) == 0);
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        QVERIFY(::lchown(QFile::encodeName(it.next()).constData(), uid, gid) == 0);
}

// The lines the program itself wrote to standard error (its tools add their own).
QStringList programLines(const QByteArray& err) {
    QStringList lines;
    for (const QString& line : QString::fromLocal8Bit(err).split('\n', Qt::SkipEmptyParts))
        if (line.startsWith(QLatin1String("kavel32:")))
            lines << line;
    return lines;
}

QStringList volumeNumbersIn(const QStringList& names) {
    QStringList numbers;
    static const QRegularExpression volume(QStringLiteral("\\.(\\d{3})$"));
    for (const QString& name : names) {
        const QRegularExpressionMatch m = volume.match(name);
        if (m.hasMatch())
            numbers << m.captured(1);
    }
    return numbers;
}

} // namespace

class FaultInjectionTest : public QObject {
    Q_OBJECT
    QTemporaryDir root;
    QString sevenZip;
    int caseNumber = 0;

    // One run's folders: the source, companions, zip folder, work location, state and
    // scratch folders, and a folder for shadowing tools.
    struct Case {
        QString dir, source, zips, work, state, scratch, tools, home, script;
        QMap<QString, QByteArray> sourceBefore;
    };

    Case makeCase(int noiseBytes = 2'400'000) {
        Case c;
        c.dir = root.filePath(QStringLiteral("case%1").arg(++caseNumber));
        c.source = c.dir + "/Game Source";
        c.zips = c.dir + "/zips";
        c.work = c.dir + "/work";
        c.state = c.dir + "/state";
        c.scratch = c.dir + "/scratch";
        c.tools = c.dir + "/tools";
        c.home = c.dir + "/home";
        for (const QString& d : {c.zips, c.work, c.state, c.scratch, c.tools, c.home})
            QDir().mkpath(d);
        QByteArray text;
        for (int i = 0; i < 20000; ++i)
            text += "line " + QByteArray::number(i) + " of a compressible text\n";
        writeFile(c.source + "/docs/manual.txt", text);
        writeFile(c.source + "/data/level1/level2/noise.bin", noise(noiseBytes, 7));
        for (int i = 0; i < 40; ++i)
            writeFile(c.source + QStringLiteral("/small/d%1/f%2.txt").arg(i % 5).arg(i),
                      "small file " + QByteArray::number(i) + "\r\n");
        writeFile(c.dir + "/companions/file_id.diz",
                  "  Fault Release\r\n  -------------\r\nDisk 00/00 of the set\r\n");
        writeFile(c.dir + "/companions/release.nfo", "Release notes\r\n");
        // Every zip carries a 100 KB extra, so a zip is always bigger than its volume.
        writeFile(c.dir + "/companions/extra.bin", noise(100'000, 11));
        c.script = writeScript(c, "faults");
        c.sourceBefore = snapshot(c.source);
        return c;
    }

    QString writeScript(const Case& c, const QString& zipName, const QString& nfo = {}) {
        const QString companions = c.dir + "/companions";
        const QStringList lines = {
            "Kavel32 script - 12-08-2026  14:00:00",
            "Source: " + c.source,
            "Skip: ",
            "",
            "Diz: " + companions + "/file_id.diz",
            "AutoN: True",
            "Col: 6",
            "Lin: 3",
            "Nfo: " + (nfo.isEmpty() ? companions + "/release.nfo" : nfo),
            " 1st: 0",
            " File:True",
            " Extra:" + companions + "/extra.bin",
            "Zip: " + c.zips,
            " name:" + zipName,
            " Size: 1",
            " Solid: 3",
            " Extra: 0",
        };
        const QString path = c.dir + "/" + zipName + ".rip";
        writeFile(path, (lines.join("\r\n") + "\r\n").toLocal8Bit());
        return path;
    }

    // A 7zz earlier in PATH than the real one, running the given shell lines first.
    void shadowSevenZip(const Case& c, const QByteArray& body) {
        const QString path = c.tools + "/7zz";
        writeFile(path, "#!/bin/sh\n" + body + "\nexec '" + QFile::encodeName(sevenZip) + "' \"$@\"\n");
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeGroup |
                                        QFile::ExeOther);
    }

    QProcessEnvironment environment(const Case& c, const RunOptions& options) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KAVEL32_STATE_DIR", c.state);
        env.insert("KAVEL32_SCRATCH_DIR", c.scratch);
        env.insert("HOME", c.home);
        env.insert("XDG_RUNTIME_DIR", c.home);
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("KAVEL32_TEST");
        if (!options.pathPrefix.isEmpty())
            env.insert("PATH", options.pathPrefix + ":" + env.value("PATH"));
        return env;
    }

    void start(QProcess& p, const Case& c, const QString& script, const RunOptions& options) {
        const QString kavel = programFolder() + "/kavel32";
        QStringList args = {"--work-dir", c.work, "!" + script};
        p.setProcessEnvironment(environment(c, options));
        const qint64 limit = options.fileSizeLimit;
        p.setChildProcessModifier([limit] {
            if (limit > 0) {
                // A file that reaches the limit fails with EFBIG instead of killing the writer.
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit rl{rlim_t(limit), rlim_t(limit)};
                setrlimit(RLIMIT_FSIZE, &rl);
            }
        });
        if (options.asNobody) {
            args.prepend(kavel);
            args = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "--"} + args;
            p.start("setpriv", args);
        } else {
            p.start(kavel, args);
        }
    }

    Run run(const Case& c, const QString& script, const RunOptions& options = {}) {
        QProcess p;
        start(p, c, script, options);
        if (!p.waitForFinished(300'000))
            p.kill();
        p.waitForFinished();
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                p.readAllStandardOutput(), p.readAllStandardError()};
    }

    // What every faulted run must leave: a non-zero exit with one line of the program's own
    // naming the fault; every zip complete; every volume either in a complete zip or still in
    // the output folder; the source untouched; an empty scratch folder.
    void checkAftermath(const Case& c, const Run& r, const QString& fault,
                        bool volumesExpected) {
        QVERIFY2(r.exitCode != 0, r.out.constData());
        const QStringList lines = programLines(r.err);
        QVERIFY2(lines.size() == 1, r.err.constData());
        QVERIFY2(QString::fromLocal8Bit(r.err).trimmed().endsWith(lines[0]), r.err.constData());
        QVERIFY2(QString::fromLocal8Bit(r.err).contains(fault, Qt::CaseInsensitive),
                 qPrintable("expected \"" + fault + "\" in: " + r.err));

        const QStringList zipFolder = QDir(c.zips).entryList(QDir::Files | QDir::Hidden);
        QStringList zipped;
        for (const QString& name : zipFolder) {
            QVERIFY2(name.endsWith(".zip"), qPrintable("left in the zip folder: " + name));
            QProcess unzip;
            unzip.start("unzip", {"-tq", c.zips + "/" + name});
            QVERIFY(unzip.waitForFinished());
            QVERIFY2(unzip.exitCode() == 0, qPrintable(name + " fails unzip -t"));
            unzip.start("unzip", {"-Z1", c.zips + "/" + name});
            QVERIFY(unzip.waitForFinished());
            zipped << QString::fromLocal8Bit(unzip.readAllStandardOutput()).section('\n', 0, 0);
        }
        QStringList kept;
        for (const QString& folder : QDir(c.work).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            kept += QDir(c.work + "/" + folder).entryList(QDir::Files | QDir::Hidden);
        // The volumes zipped and the volumes kept make one unbroken set, each once.
        QStringList numbers = volumeNumbersIn(zipped) + volumeNumbersIn(kept);
        numbers.sort();
        for (int i = 0; i < numbers.size(); ++i)
            QCOMPARE(numbers[i], QStringLiteral("%1").arg(i + 1, 3, 10, QChar('0')));
        if (volumesExpected)
            QVERIFY2(!kept.isEmpty(), "the volume whose zip failed is kept");
        QCOMPARE(snapshot(c.source), c.sourceBefore);
        QVERIFY2(QDir(c.scratch).isEmpty(),
                 qPrintable(QDir(c.scratch).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(' ')));
    }

    // The volumes zipped and kept, joined in order, extract to the source.
    void checkVolumesRestoreSource(const Case& c) {
        QByteArray joined;
        QStringList zips = QDir(c.zips).entryList({"*.zip"}, QDir::Files, QDir::Name);
        QMap<QString, QByteArray> volumes;
        for (const QString& zip : zips) {
            QProcess unzip;
            unzip.start("unzip", {"-Z1", c.zips + "/" + zip});
            QVERIFY(unzip.waitForFinished());
            const QString volume =
                QString::fromLocal8Bit(unzip.readAllStandardOutput()).section('\n', 0, 0);
            unzip.start("unzip", {"-p", c.zips + "/" + zip, volume});
            QVERIFY(unzip.waitForFinished());
            volumes.insert(volume, unzip.readAllStandardOutput());
        }
        for (const QString& folder : QDir(c.work).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            for (const QString& name : QDir(c.work + "/" + folder).entryList(QDir::Files)) {
                QFile f(c.work + "/" + folder + "/" + name);
                QVERIFY(f.open(QIODevice::ReadOnly));
                volumes.insert(name, f.readAll());
            }
        for (const QByteArray& data : std::as_const(volumes))
            joined += data;
        const QString set = c.dir + "/joined.7z";
        writeFile(set, joined);
        QProcess extract;
        extract.start(sevenZip, {"x", "-y", "-bso0", "-o" + c.dir + "/restored", set});
        QVERIFY(extract.waitForFinished(120'000));
        QCOMPARE(extract.exitCode(), 0);
        QMap<QString, QByteArray> restored = snapshot(c.dir + "/restored/Game Source");
        QMap<QString, QByteArray> before = c.sourceBefore;
        // Modes and owners are not part of an archive; compare the contents.
        auto contents = [](QMap<QString, QByteArray> m) {
            for (QByteArray& v : m)
                v = v.mid(v.lastIndexOf(' ') + 1);
            return m;
        };
        QCOMPARE(contents(restored), contents(before));
    }

    // Folders the unprivileged run may write: everything of the case but the source and,
    // where asked, the zip folder.
    void handToNobody(const Case& c, bool zipFolderToo) {
        QVERIFY(::chmod(QFile::encodeName(c.dir).constData(), 0755) == 0);
        QDirIterator it(c.dir, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            ::chmod(QFile::encodeName(it.next()).constData(), 0755);
        for (const QString& d : {c.work, c.state, c.scratch, c.home})
            chownTree(d, kNobody, kNogroup);
        ::chmod(QFile::encodeName(c.scratch).constData(), 0700);
        if (zipFolderToo)
            chownTree(c.zips, kNobody, kNogroup);
    }

private slots:
    void initTestCase() {
        QVERIFY(root.isValid());
        QVERIFY(::chmod(QFile::encodeName(root.path()).constData(), 0755) == 0);
        sevenZip = QStandardPaths::findExecutable("7zz");
        if (sevenZip.isEmpty())
            QSKIP("7-Zip (7zz) is not installed");
        QVERIFY(QFileInfo(programFolder() + "/kavel32").isExecutable());
        QVERIFY(QFileInfo(programFolder() + "/wrar").isExecutable());
    }

    // A healthy run under the same conditions, so the faults below are the only difference.
    void healthyRunCompletes() {
        const Case c = makeCase();
        const Run r = run(c, c.script);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY(r.out.contains("Ripping complete"));
        QVERIFY(QDir(c.zips).entryList({"*.zip"}).size() >= 3);
        QVERIFY(QDir(c.work).isEmpty());
        checkVolumesRestoreSource(c);
        QCOMPARE(snapshot(c.source), c.sourceBefore);
        QVERIFY(QDir(c.scratch).isEmpty());
    }

    void archiverKilledMidRun() {
        const Case c = makeCase();
        // Killed (as by the out-of-memory killer) once the second volume is begun.
        shadowSevenZip(c, "archive=; last=; for a in \"$@\"; do archive=$last; last=$a; done\n"
                          "( i=0; while [ $i -lt 600 ]; do\n"
                          "    [ -e \"$archive.002\" ] && kill -9 $$ && exit 0\n"
                          "    i=$((i+1)); sleep 0.02\n"
                          "  done ) >/dev/null 2>&1 &");
        const Run r = run(c, c.script, {false, 0, c.tools});
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
        const Case c = makeCase();
        RunOptions options;
        if (tmpfs) {
            if (::mount("tmpfs", QFile::encodeName(c.zips).constData(), "tmpfs", 0, "size=2m") != 0)
                QSKIP("mounting a tmpfs is not allowed here; the file size limit row covers it");
        } else {
            // Volumes are 500,000 bytes; the zips holding them and the 100 KB extra are more.
            options.fileSizeLimit = 550'000;
        }
        const Run r = run(c, c.script, options);
        const QString fault = tmpfs ? "No space left on device" : "File too large";
        checkAftermath(c, r, fault, true);
        if (tmpfs)
            QVERIFY(!QDir(c.zips).entryList({"*.zip"}).isEmpty());
        checkVolumesRestoreSource(c);
        if (tmpfs)
            QCOMPARE(::umount(QFile::encodeName(c.zips).constData()), 0);
    }

    void readOnlyZipFolder() {
        const Case c = makeCase();
        handToNobody(c, false);
        const Run r = run(c, c.script, {true, 0, {}});
        checkAftermath(c, r, "Permission denied", true);
        QVERIFY(QDir(c.zips).isEmpty());
        checkVolumesRestoreSource(c);
    }

    void unreadableSourceFile() {
        const Case c0 = makeCase();
        Case c = c0;
        const QString locked = c.source + "/data/level1/locked.bin";
        writeFile(locked, noise(20'000, 9));
        QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0600) == 0);
        handToNobody(c, true);
        c.sourceBefore = snapshot(c.source);
        const Run r = run(c, c.script, {true, 0, {}});
        checkAftermath(c, r, "locked.bin", false);
        QVERIFY(QDir(c.zips).isEmpty());
    }

    void scriptNamingMissingFiles_data() {
        QTest::addColumn<QString>("missing");
        QTest::newRow("nfo") << "gone.nfo";
        QTest::newRow("source") << "Gone Source";
    }
    void scriptNamingMissingFiles() {
        QFETCH(QString, missing);
        const Case c = makeCase(200'000);
        QString script;
        if (missing.endsWith(".nfo")) {
            script = writeScript(c, "missing", c.dir + "/" + missing);
        } else {
            Case other = c;
            other.source = c.dir + "/" + missing;
            script = writeScript(other, "missing");
        }
        const Run r = run(c, script);
        checkAftermath(c, r, missing, false);
        QCOMPARE(r.err.count('\n'), 1);
        QVERIFY(QDir(c.zips).isEmpty());
        QVERIFY(QDir(c.work).isEmpty());
    }

    void secondStartWhileOneRuns() {
        const Case c = makeCase();
        const QString marker = c.dir + "/archiver-started";
        shadowSevenZip(c, "touch '" + QFile::encodeName(marker) + "'; sleep 3");
        QProcess first;
        start(first, c, c.script, {false, 0, c.tools});
        QElapsedTimer waited;
        waited.start();
        while (!QFileInfo::exists(marker) && waited.elapsed() < 60'000)
            QThread::msleep(20);
        QVERIFY2(QFileInfo::exists(marker), "the first run reached its archiver");

        const QString secondScript = writeScript(c, "second");
        const Run second = run(c, secondScript);
        QCOMPARE(second.exitCode, 3);
        QCOMPARE(QString::fromLocal8Bit(second.err).trimmed(),
                 QStringLiteral("kavel32: another Kavel32 is running"));
        QVERIFY(QDir(c.zips).entryList({"second*"}).isEmpty());

        QVERIFY(first.waitForFinished(300'000));
        QVERIFY2(first.exitCode() == 0, first.readAllStandardError().constData());
        QVERIFY(QDir(c.zips).entryList({"faults*.zip"}).size() >= 3);
        checkVolumesRestoreSource(c);
        QCOMPARE(snapshot(c.source), c.sourceBefore);
        QVERIFY(QDir(c.scratch).isEmpty());
    }

    // Two starts at the same moment: one runs, the other hands over and says so, never both.
    void twoStartsAtOnce() {
        const Case c = makeCase(200'000);
        // Long enough that the two runs overlap even when one process starts late.
        shadowSevenZip(c, "sleep 5");
        const QString secondScript = writeScript(c, "second");
        for (int round = 0; round < 3; ++round) {
            for (const QString& d : {c.zips, c.work})
                for (const QString& f : QDir(d).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot))
                    QVERIFY(QFileInfo(d + "/" + f).isDir() ? QDir(d + "/" + f).removeRecursively()
                                                          : QFile::remove(d + "/" + f));
            QProcess a, b;
            start(a, c, c.script, {false, 0, c.tools});
            start(b, c, secondScript, {false, 0, c.tools});
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
