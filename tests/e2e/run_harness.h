#pragma once

// Real runs of the real program for end-to-end tests: a generated source, companions and a
// script per case, the program started as a user would start it (with or without a
// display), and checks of what a run leaves behind.

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "../common/file_helpers.h"

namespace e2e {

// The programs under test: the build's program folder, or KAVEL32_E2E_BIN_DIR.
inline QString programFolder() {
    const QString dir = qEnvironmentVariable("KAVEL32_E2E_BIN_DIR");
    return dir.isEmpty() ? QStringLiteral(KAVEL_BIN_DIR) : dir;
}

inline QByteArray noise(int n, quint32 seed) {
    QByteArray data(n, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(data.data()), n / 4);
    return data;
}

// Every file and folder below root with its mode, owner and content hash (links by target).
inline QMap<QString, QByteArray> snapshot(const QString& root) {
    QMap<QString, QByteArray> result;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st {};
        lstat(QFile::encodeName(path).constData(), &st);
        QByteArray entry = QByteArray::number(st.st_mode, 8) + ' ' + QByteArray::number(st.st_uid);
        if (S_ISLNK(st.st_mode)) {
            // The target as written (Qt would resolve it against the link's folder).
            char target[4096];
            const ssize_t n =
                ::readlink(QFile::encodeName(path).constData(), target, sizeof target);
            entry += "\x01" + QByteArray(target, n < 0 ? 0 : int(n));
        } else if (S_ISREG(st.st_mode))
            entry +=
                ' ' + QCryptographicHash::hash(readAll(path), QCryptographicHash::Sha256).toHex();
        result.insert(QDir(root).relativeFilePath(path), entry);
    }
    return result;
}

struct Run {
    int exitCode = -1;   // -1: it did not end by itself
    int crashSignal = 0; // the signal that ended it, when one did
    QByteArray out, err;
    QString workLocation; // where the output folder went
};

struct RunOptions {
    bool display = false;               // a start with a display (offscreen): the window's way
    bool asNobody = false;              // run as the unprivileged user (tests run as root)
    qint64 fileSizeLimit = 0;           // bytes; 0: none
    QString pathPrefix;                 // a folder searched before PATH (a shadowing 7zz)
    QString path;                       // replaces PATH when set
    QStringList options;                // command-line options before the argument ("--sfv")
    QMap<QString, QString> environment; // variables set over the case's own
};

// Whether a file of an output folder is one of the archiver's volumes (not the run's journal).
inline bool isVolumeName(const QString& name) {
    return !name.startsWith(QLatin1String("kavel32.journal")) &&
           !name.startsWith(QLatin1String(".kavel32.journal"));
}

// A snapshot without modes and owners, which are not part of an archive: the files' contents
// and the links' targets, what diff -r compares.
inline QMap<QString, QByteArray> contentsOf(QMap<QString, QByteArray> files) {
    for (QByteArray& v : files)
        v = v.contains('\x01') ? v.mid(v.indexOf('\x01')) : v.mid(v.lastIndexOf(' ') + 1);
    return files;
}

// The lines the program itself wrote to standard error (its tools add their own).
inline QStringList programLines(const QByteArray& err) {
    QStringList lines;
    for (const QString& line : QString::fromLocal8Bit(err).split('\n', Qt::SkipEmptyParts))
        if (line.startsWith(QLatin1String("kavel32:")))
            lines << line;
    return lines;
}

// The three-digit volume numbers at the end of volume names ("x.7z.003" -> "003").
inline QStringList volumeNumbersIn(const QStringList& names) {
    QStringList numbers;
    static const QRegularExpression volume(QStringLiteral("\\.(\\d{3})$"));
    for (const QString& name : names) {
        const QRegularExpressionMatch m = volume.match(name);
        if (m.hasMatch())
            numbers << m.captured(1);
    }
    return numbers;
}

// An entry name as unzip's own wildcard matching takes it literally.
inline QString unzipLiteral(const QString& name) {
    QString out;
    for (const QChar c : name)
        out += (c == '[' || c == '*' || c == '?') ? QStringLiteral("[%1]").arg(c) : QString(c);
    return out;
}

inline QByteArray unzipOut(const QStringList& args) {
    QProcess unzip;
    unzip.start("unzip", args);
    unzip.waitForFinished(120'000);
    return unzip.readAllStandardOutput();
}

// One case's folders: the source, companions, zip folder, work location, state, scratch,
// home, and a folder for shadowing tools.
struct Case {
    QString dir, source, companions, zips, work, state, scratch, tools, home;
    QMap<QString, QByteArray> sourceBefore;
    // Fields of the case's script; writeScript() takes them as they stand.
    QMap<QString, QString> fields;
};

class Harness {
  public:
    QTemporaryDir root;
    QString sevenZip;
    int caseNumber = 0;

    bool init() {
        if (!root.isValid())
            return false;
        ::chmod(QFile::encodeName(root.path()).constData(), 0755);
        sevenZip = QStandardPaths::findExecutable("7zz");
        return true;
    }

    Case makeCase(int noiseBytes = 2'400'000, const QString& sourceName = "Game Source") {
        Case c;
        c.dir = root.filePath(QStringLiteral("case%1").arg(++caseNumber));
        c.source = c.dir + "/" + sourceName;
        c.companions = c.dir + "/companions";
        c.zips = c.dir + "/zips";
        c.work = c.dir + "/work";
        c.state = c.dir + "/state";
        c.scratch = c.dir + "/scratch";
        c.tools = c.dir + "/tools";
        c.home = c.dir + "/home";
        for (const QString& d : {c.zips, c.work, c.state, c.scratch, c.tools, c.home})
            QDir().mkpath(d);
        // A private runtime folder, as a desktop session has one.
        ::chmod(QFile::encodeName(c.home).constData(), 0700);
        QByteArray text;
        for (int i = 0; i < 20000; ++i)
            text += "line " + QByteArray::number(i) + " of a compressible text\n";
        writeFile(c.source + "/docs/manual.txt", text);
        writeFile(c.source + "/data/level1/level2/noise.bin", noise(noiseBytes, 7));
        for (int i = 0; i < 40; ++i)
            writeFile(c.source + QStringLiteral("/small/d%1/f%2.txt").arg(i % 5).arg(i),
                      "small file " + QByteArray::number(i) + "\r\n");
        writeFile(c.companions + "/file_id.diz",
                  "  Fault Release\r\n  -------------\r\nDisk 00/00 of the set\r\n");
        writeFile(c.companions + "/release.nfo", "Release notes\r\n");
        // Every zip carries a 100 KB extra, so a zip is always bigger than its volume.
        writeFile(c.companions + "/extra.bin", noise(100'000, 11));
        c.fields = {{"source", c.source},
                    {"diz", c.companions + "/file_id.diz"},
                    {"autoN", "True"},
                    {"col", "6"},
                    {"lin", "3"},
                    {"nfo", c.companions + "/release.nfo"},
                    {"1st", " 0"},
                    {"file", "True"},
                    {"extra", c.companions + "/extra.bin"},
                    {"zipdir", c.zips},
                    {"name", "faults"},
                    {"size", " 1"},
                    {"solid", " 3"}};
        c.sourceBefore = snapshot(c.source);
        return c;
    }

    // The case's script with some fields replaced; named after the zip name.
    QString writeScript(const Case& c, const QMap<QString, QString>& changes = {}) {
        QMap<QString, QString> f = c.fields;
        for (auto it = changes.begin(); it != changes.end(); ++it)
            f[it.key()] = it.value();
        const QStringList lines = {
            "Kavel32 script - 12-08-2026  14:00:00",
            "Source: " + f["source"],
            "Skip: ",
        };
        QStringList all = lines;
        if (!f.value("skip").isEmpty())
            all += f["skip"].split('\n');
        all += {"",
                "Diz: " + f["diz"],
                "AutoN: " + f["autoN"],
                "Col: " + f["col"],
                "Lin: " + f["lin"],
                "Nfo: " + f["nfo"],
                " 1st:" + f["1st"],
                " File:" + f["file"],
                " Extra:" + f["extra"],
                "Zip: " + f["zipdir"],
                " name:" + f["name"],
                " Size:" + f["size"],
                " Solid:" + f["solid"],
                " Extra: 0"};
        const QString path = c.dir + "/job" + QString::number(++scripts) + ".rip";
        writeFile(path, (all.join("\r\n") + "\r\n").toLocal8Bit());
        return path;
    }

    // A 7zz earlier in PATH than the real one, running the given shell lines first.
    void shadowSevenZip(const Case& c, const QByteArray& body) {
        const QString path = c.tools + "/7zz";
        writeFile(path,
                  "#!/bin/sh\n" + body + "\nexec '" + QFile::encodeName(sevenZip) + "' \"$@\"\n");
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeGroup |
                                        QFile::ExeOther);
    }

    // Starts the case's job (no display) with a 7zz that first makes marker, then sleeps
    // seconds; returns once the marker is there, the run holding its lock.
    void startRunThatWaits(QProcess& p, const Case& c, int seconds) {
        const QString marker = c.dir + "/archiver-started";
        QFile::remove(marker);
        shadowSevenZip(c, "touch '" + QFile::encodeName(marker) + "'; sleep " +
                              QByteArray::number(seconds));
        RunOptions options;
        options.pathPrefix = c.tools;
        start(p, c, "!" + writeScript(c), options);
        QElapsedTimer waited;
        waited.start();
        while (!QFileInfo::exists(marker) && waited.elapsed() < 60'000 && !p.waitForFinished(20)) {
        }
        QVERIFY2(QFileInfo::exists(marker), p.readAllStandardError().constData());
    }

    QProcessEnvironment environment(const Case& c, const RunOptions& options) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KAVEL32_STATE_DIR", c.state);
        env.insert("KAVEL32_SCRATCH_DIR", c.scratch);
        env.insert("HOME", c.home);
        env.insert("XDG_RUNTIME_DIR", c.home);
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("KAVEL32_TEST");
        env.remove("QT_QPA_PLATFORM");
        if (options.display)
            env.insert("QT_QPA_PLATFORM", "offscreen");
        if (!options.pathPrefix.isEmpty())
            env.insert("PATH", options.pathPrefix + ":" + env.value("PATH"));
        if (!options.path.isEmpty())
            env.insert("PATH", options.path);
        for (auto it = options.environment.begin(); it != options.environment.end(); ++it)
            env.insert(it.key(), it.value());
        return env;
    }

    // The window's start makes its output folder in the home folder; the start without a
    // window in --work-dir.
    QString workLocation(const Case& c, const RunOptions& options) const {
        return options.display ? c.home : c.work;
    }

    void start(QProcess& p, const Case& c, const QString& argument, const RunOptions& options) {
        const QString kavel = programFolder() + "/kavel32";
        QStringList args = options.options + QStringList{argument};
        // --resume and --unpack work on the folders they name and take no --work-dir.
        const bool folderCommand =
            options.options.contains("--resume") || options.options.contains("--unpack");
        if (!options.display && !folderCommand)
            args = QStringList{"--work-dir", c.work} + args;
        p.setProcessEnvironment(environment(c, options));
        // Relative names and stray redirections would land here, where a test can see them.
        p.setWorkingDirectory(c.dir);
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
        return runArgument(c, "!" + script, options);
    }

    Run runArgument(const Case& c, const QString& argument, const RunOptions& options = {}) {
        QProcess p;
        start(p, c, argument, options);
        if (!p.waitForFinished(300'000))
            p.kill();
        p.waitForFinished();
        const bool crashed = p.exitStatus() == QProcess::CrashExit;
        return {crashed ? -1 : p.exitCode(), crashed ? p.exitCode() : 0, p.readAllStandardOutput(),
                p.readAllStandardError(), workLocation(c, options)};
    }

    // Folders an unprivileged run may write (tests run as root): everything of the case but
    // the source and, unless asked, the zip folder.
    static void handToNobody(const Case& c, bool zipFolderToo = false) {
        constexpr uid_t kNobody = 65534;
        ::chmod(QFile::encodeName(c.dir).constData(), 0755);
        QDirIterator dirs(c.dir, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (dirs.hasNext())
            ::chmod(QFile::encodeName(dirs.next()).constData(), 0755);
        QStringList owned{c.work, c.state, c.scratch, c.home, c.tools};
        if (zipFolderToo)
            owned << c.zips;
        for (const QString& d : owned) {
            QVERIFY(::chown(QFile::encodeName(d).constData(), kNobody, kNobody) == 0);
            QDirIterator it(d, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            while (it.hasNext())
                QVERIFY(::lchown(QFile::encodeName(it.next()).constData(), kNobody, kNobody) == 0);
        }
        ::chmod(QFile::encodeName(c.scratch).constData(), 0700);
        ::chmod(QFile::encodeName(c.home).constData(), 0700);
    }

    // Names of the files in the output folders of the work location.
    static QStringList keptVolumes(const QString& workLocation) {
        QStringList kept;
        for (const QString& folder :
             QDir(workLocation).entryList({"Kavel*"}, QDir::Dirs | QDir::NoDotAndDotDot))
            for (const QString& name :
                 QDir(workLocation + "/" + folder).entryList(QDir::Files | QDir::Hidden))
                if (isVolumeName(name))
                    kept << name;
        return kept;
    }

    // What every run must leave, whatever happened: every zip complete and holding its volume
    // first; the volumes zipped and the volumes kept making one unbroken set, each once; the
    // source untouched; an empty scratch folder and no working copy in the state folder.
    void checkLeftBehind(const Case& c, const Run& r) {
        QStringList zipped;
        for (const QString& name : QDir(c.zips).entryList(QDir::Files | QDir::Hidden)) {
            QVERIFY2(name.endsWith(".zip"), qPrintable("left in the zip folder: " + name));
            QProcess unzip;
            unzip.start("unzip", {"-tq", c.zips + "/" + name});
            QVERIFY(unzip.waitForFinished(120'000));
            QVERIFY2(unzip.exitCode() == 0, qPrintable(name + " fails unzip -t"));
            zipped << QString::fromLocal8Bit(unzipOut({"-Z1", c.zips + "/" + name}))
                          .section('\n', 0, 0);
        }
        QStringList numbers =
            volumeNumbersIn(zipped) + volumeNumbersIn(keptVolumes(r.workLocation));
        numbers.sort();
        for (int i = 0; i < numbers.size(); ++i)
            QCOMPARE(numbers[i], QStringLiteral("%1").arg(i + 1, 3, 10, QChar('0')));
        QCOMPARE(snapshot(c.source), c.sourceBefore);
        QVERIFY2(QDir(c.scratch).isEmpty(),
                 qPrintable(
                     QDir(c.scratch).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(' ')));
        const QStringList state =
            QDir(c.state).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QString& name : state)
            QVERIFY2(name == "Kavel32.ini" || name == "temp",
                     qPrintable("left in the state folder: " + name));
    }

    // A failed run: a non-zero exit and one line of the program's own naming the fault, then
    // what every run leaves.
    void checkFailure(const Case& c, const Run& r, const QString& fault) {
        QVERIFY2(r.crashSignal == 0,
                 qPrintable(QString("ended by signal %1 after: %2").arg(r.crashSignal).arg(r.err)));
        QVERIFY2(r.exitCode != 0, r.out.constData());
        const QStringList lines = programLines(r.err);
        QVERIFY2(lines.size() == 1, r.err.constData());
        QVERIFY2(QString::fromLocal8Bit(r.err).contains(fault, Qt::CaseInsensitive),
                 qPrintable("expected \"" + fault + "\" in: " + r.err));
        checkLeftBehind(c, r);
    }

    // The volumes zipped and kept, joined in order, extract to the source.
    void checkVolumesRestoreSource(const Case& c, const Run& r) {
        QMap<QString, QByteArray> volumes;
        for (const QString& zip : QDir(c.zips).entryList({"*.zip"}, QDir::Files, QDir::Name)) {
            const QString volume =
                QString::fromLocal8Bit(unzipOut({"-Z1", c.zips + "/" + zip})).section('\n', 0, 0);
            volumes.insert(volume, unzipOut({"-p", c.zips + "/" + zip, unzipLiteral(volume)}));
        }
        for (const QString& folder :
             QDir(r.workLocation).entryList({"Kavel*"}, QDir::Dirs | QDir::NoDotAndDotDot))
            for (const QString& name : QDir(r.workLocation + "/" + folder).entryList(QDir::Files))
                if (isVolumeName(name))
                    volumes.insert(name, readAll(r.workLocation + "/" + folder + "/" + name));
        QByteArray joined;
        for (const QByteArray& data : std::as_const(volumes))
            joined += data;
        const QString restored = c.dir + "/restored";
        QDir(restored).removeRecursively();
        writeFile(c.dir + "/joined.7z", joined);
        QProcess extract;
        // Links come back as links, also those leading out of the source or in a loop.
        extract.start(sevenZip,
                      {"x", "-y", "-bso0", "-snld20", "-o" + restored, c.dir + "/joined.7z"});
        QVERIFY(extract.waitForFinished(120'000));
        QCOMPARE(extract.exitCode(), 0);
        // 7-Zip puts its output folder before an absolute target; the stored one follows it.
        QDirIterator links(
            restored, QDir::System | QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
            QDirIterator::Subdirectories);
        while (links.hasNext()) {
            const QByteArray link = QFile::encodeName(links.next());
            char target[4096];
            const ssize_t n = ::readlink(link.constData(), target, sizeof target);
            const QByteArray prefix = QFile::encodeName(restored) + '/';
            if (n > prefix.size() && QByteArray(target, int(n)).startsWith(prefix)) {
                QVERIFY(::unlink(link.constData()) == 0);
                QVERIFY(::symlink(
                            QByteArray(target + prefix.size() - 1, int(n) - int(prefix.size()) + 1)
                                .constData(),
                            link.constData()) == 0);
            }
        }
        // Modes and owners are not part of an archive; compare the contents.
        QCOMPARE(contentsOf(snapshot(restored + "/" + QFileInfo(c.source).fileName())),
                 contentsOf(c.sourceBefore));
    }

  private:
    int scripts = 0;
};

} // namespace e2e
