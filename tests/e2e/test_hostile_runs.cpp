// Real runs attacked as a hostile script, source or machine would attack them, each started
// both ways a user starts an unattended job: without a display and with one (the window's
// way). Whatever happens, the same ending on both starts, one line naming the cause, every
// zip complete and holding its volume, every other volume still there, the source untouched.
#include "../common/test_needs.h"
#include "run_harness.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>

using namespace e2e;

namespace {

// A line made comparable across cases: the case's own folders named alike.
QString normalised(QString line, const Case& c, const Run& r) {
    line.replace(r.workLocation, "<work>");
    line.replace(c.dir, "<case>");
    line.replace(QRegularExpression("job\\d+\\.rip"), "job.rip");
    // A run's private work folder is named when it starts.
    line.replace(QRegularExpression("/run-\\d+-\\w{6}/"), "/run-<pid>/");
    return line.trimmed();
}

// Every zip with its entries' names and CRCs, as `unzip -v` lists them; the volume (made from
// a source of the case's own, with its own times) by its size.
QStringList zipContents(const QString& zips) {
    QStringList out;
    for (const QString& zip : QDir(zips).entryList({"*.zip"}, QDir::Files, QDir::Name)) {
        QStringList entries;
        const QStringList lines =
            QString::fromLocal8Bit(unzipOut({"-v", zips + "/" + zip})).split('\n');
        for (const QString& line : lines) {
            const QStringList cols = line.simplified().split(' ');
            // Length Method Size Cmpr Date Time CRC-32 Name
            if (cols.size() >= 8 && cols[6].size() == 8 && !cols[0].isEmpty() &&
                cols[0][0].isDigit())
                entries << (entries.isEmpty() ? cols.mid(7).join(' ')
                                              : cols.mid(7).join(' ') + "=" + cols[6]);
        }
        out << zip + ": " + entries.join(", ");
    }
    return out;
}

void makeFifo(const QString& path) {
    QFile::remove(path);
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
}

// Processes whose command line names the case's folder: none may outlive a stopped run.
QStringList processesOf(const Case& c) {
    QStringList found;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        if (!pid.front().isDigit())
            continue;
        const QByteArray cmdline = readAll("/proc/" + pid + "/cmdline").replace('\0', ' ');
        if (cmdline.contains(QFile::encodeName(c.dir)))
            found << pid + ": " + QString::fromLocal8Bit(cmdline);
    }
    return found;
}

// Bytes a terminal takes for commands: C0 but the line end, DEL, and C1 as UTF-8 spells it.
bool holdsRawControls(const QByteArray& bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = uchar(bytes[i]);
        if ((c < 0x20 && c != '\n') || c == 0x7f)
            return true;
        if (c == 0xc2 && i + 1 < bytes.size() && uchar(bytes[i + 1]) >= 0x80 &&
            uchar(bytes[i + 1]) <= 0x9f)
            return true;
    }
    return false;
}

// A 2 MB tmpfs at dir, full: of blocks (one file as big as it holds) or of inodes (empty
// files until none is left), with an empty private folder "scratch" made first. False when
// mounting is not allowed here.
bool mountFullTmpfs(const QString& dir, bool inodes) {
    QDir().mkpath(dir);
    const QByteArray options = inodes ? "size=2m,nr_inodes=64,mode=0755" : "size=2m,mode=0755";
    if (::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, options.constData()) != 0)
        return false;
    ::mkdir(QFile::encodeName(dir + "/scratch").constData(), 0700);
    if (inodes) {
        for (int i = 0;; ++i) {
            const int fd = ::open(QFile::encodeName(dir + "/f" + QString::number(i)).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL, 0600);
            if (fd < 0)
                break;
            ::close(fd);
        }
    } else {
        const int fd =
            ::open(QFile::encodeName(dir + "/fill").constData(), O_WRONLY | O_CREAT, 0600);
        const QByteArray chunk(64 * 1024, 'f');
        while (::write(fd, chunk.constData(), size_t(chunk.size())) > 0) {
        }
        ::close(fd);
    }
    return true;
}

// What lies in the case's "outside" folder and in the source and companions: what a run must
// leave as it found it.
QMap<QString, QByteArray> outsideOfTheJob(const Case& c) {
    QMap<QString, QByteArray> all;
    for (const QString& folder : {c.dir + "/outside", c.source, c.companions}) {
        const QMap<QString, QByteArray> one = snapshot(folder);
        for (auto it = one.begin(); it != one.end(); ++it)
            all.insert(folder + "/" + it.key(), it.value());
    }
    return all;
}

// Whether a process holds the lock of path (a lock file or a folder) now.
bool lockHeld(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

// A process holding the lock of path until the test ends: in a PID namespace of its own where
// the machine allows one (a run in a container sharing the folder), else in this one.
class LockHolder {
  public:
    ~LockHolder() {
        for (QProcess* p : std::as_const(holders)) {
            p->kill();
            p->waitForFinished();
            delete p;
        }
    }
    void hold(const QString& path) {
        for (const QStringList& command : {QStringList{"unshare", "--pid", "--fork", "--kill-child",
                                                       "flock", "-n", path, "sleep", "600"},
                                           QStringList{"flock", "-n", path, "sleep", "600"}}) {
            auto* p = new QProcess;
            holders << p;
            p->start(command.front(), command.mid(1));
            QElapsedTimer waited;
            waited.start();
            while (!lockHeld(path) && waited.elapsed() < 10'000 && !p->waitForFinished(20)) {
            }
            if (lockHeld(path))
                return;
        }
        QFAIL(qPrintable("no process could hold the lock of " + path));
    }

  private:
    QList<QProcess*> holders;
};
} // namespace

class HostileRunsTest : public QObject {
    Q_OBJECT
    Harness h;
    // A set packed once with SOURCE_DATE_EPOCH, an SFV and PAR2 files at 10 %: 14 zips.
    static constexpr char kStamp[] = "1700000000";
    std::optional<Case> setCase;
    QString setScript;
    QMap<QString, QByteArray> reference;

    static RunOptions setOptions(bool par2 = true) {
        RunOptions options;
        options.options = {"--sfv", "--par2", par2 ? "10" : "0"};
        return options;
    }
    static RunOptions withOptions(const QStringList& given) {
        RunOptions options;
        options.options = given;
        return options;
    }
    static QStringList listed(const QString& dir, const QString& pattern) {
        return QDir(dir).entryList({pattern}, QDir::Files);
    }
    static bool hasJournalIn(const QString& folder) {
        return QFileInfo::exists(folder + "/kavel32.journal");
    }
    static QMap<QString, QByteArray> filesWithBytes(const QString& dir) {
        QMap<QString, QByteArray> files;
        for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden))
            files.insert(name, readAll(dir + "/" + name));
        return files;
    }
    static void clearOutputs(const Case& c) {
        for (const QString& d : {c.zips, c.work})
            for (const QString& f :
                 QDir(d).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
                QVERIFY(QFileInfo(d + "/" + f).isDir() ? QDir(d + "/" + f).removeRecursively()
                                                       : QFile::remove(d + "/" + f));
    }
    Case& packedSet() {
        if (setCase)
            return *setCase;
        setCase = h.makeCase(6'000'000);
        Case& c = *setCase;
        setScript = h.writeScript(c, {{"solid", " 0"}});
        qputenv("SOURCE_DATE_EPOCH", kStamp);
        const Run r = h.run(c, setScript, setOptions());
        qunsetenv("SOURCE_DATE_EPOCH");
        if (r.exitCode != 0)
            qWarning("%s", r.err.constData());
        reference = filesWithBytes(c.zips);
        QDir().mkpath(c.dir + "/reference");
        for (auto it = reference.cbegin(); it != reference.cend(); ++it)
            writeFile(c.dir + "/reference/" + it.key(), it.value());
        return c;
    }
    // What a zip folder shared by many jobs holds, made once by real runs: the sets of the
    // jobs game1 (three zips and an SFV) and game12 (one archive), an older and longer set of
    // the job game with its SFV and PAR2 files, and PAR2 files of game1's zips named game.par2.
    QString neighbourFolder;
    const QString& neighbours() {
        if (!neighbourFolder.isEmpty())
            return neighbourFolder;
        neighbourFolder = h.root.filePath("neighbours");
        struct Job {
            const char* name;
            const char* size;
            int noise;
            QStringList options;
        };
        for (const Job& job :
             {Job{"game1", " 1", 1'200'000, {"--sfv"}}, Job{"game12", " 0", 300'000, {}},
              Job{"game", " 1", 2'600'000, {"--sfv", "--par2", "10"}}}) {
            Case c = h.makeCase(job.noise);
            const Run r = h.run(c, h.writeScript(c, {{"name", job.name}, {"size", job.size}}),
                                withOptions(job.options));
            if (r.exitCode != 0)
                qWarning("%s", r.err.constData());
            const QString into = neighbourFolder + "/" + job.name;
            QDir().mkpath(into);
            for (const QString& name : QDir(c.zips).entryList(QDir::Files))
                QFile::copy(c.zips + "/" + name, into + "/" + name);
        }
        const QString foreign = neighbourFolder + "/foreign-par2";
        QDir().mkpath(foreign);
        QStringList zips;
        for (const QString& name : QDir(neighbourFolder + "/game1").entryList({"*.zip"})) {
            QFile::copy(neighbourFolder + "/game1/" + name, foreign + "/" + name);
            zips << name;
        }
        QProcess par2;
        par2.setWorkingDirectory(foreign);
        par2.start("par2", QStringList{"create", "-q", "-r10", "game.par2"} + zips);
        par2.waitForFinished(120'000);
        for (const QString& name : zips)
            QFile::remove(foreign + "/" + name);
        return neighbourFolder;
    }

    // Puts what a row of the zip folder table names into the case's zip folder; *held gets
    // the processes that hold the locks of a live run's leftovers.
    void placeNeighbours(const Case& c, const QString& kind, LockHolder& held) {
        const QString& from = neighbours();
        auto copyAll = [&](const QString& set, const QString& pattern = "*") {
            for (const QString& name : QDir(from + "/" + set).entryList({pattern}, QDir::Files))
                QVERIFY(QFile::copy(from + "/" + set + "/" + name, c.zips + "/" + name));
        };
        auto copyAs = [&](const QString& file, const QString& name) {
            QVERIFY(QFile::copy(from + "/" + file, c.zips + "/" + name));
        };
        if (kind.contains("prefix sets")) {
            copyAll("game1");
            copyAll("game12");
        }
        if (kind.contains("older set"))
            copyAll("game");
        if (kind.contains("case variant"))
            copyAs("game/game02.zip", "GAME02.ZIP");
        if (kind.contains("foreign zip"))
            copyAs("game12/game12.zip", "game02.zip");
        if (kind.contains("foreign listings"))
            copyAs("game1/game1.sfv", "game.sfv");
        if (kind.contains("foreign listings") || kind.contains("foreign par2"))
            copyAll("foreign-par2");
        if (kind.contains("link on")) {
            writeFile(c.dir + "/outside/kept.zip", readAll(from + "/game/game01.zip"));
            QVERIFY(QFile::link(c.dir + "/outside/kept.zip", c.zips + "/game01.zip"));
        }
        if (kind.contains("later zip folder"))
            writeFile(c.zips + "/game07.zip/inside.txt", "a folder of the user's\n");
        if (kind.contains("later zip link"))
            QCOMPARE(::symlink("../nowhere", QFile::encodeName(c.zips + "/game08.zip").constData()),
                     0);
        if (kind.contains("copied zip"))
            copyAs("game/game02.zip", "game02 (1).zip");
        if (kind.contains("notes zip")) {
            writeFile(c.dir + "/notes/notes.txt", "a note of the user's\n");
            QCOMPARE(QProcess::execute("zip",
                                       {"-jq", c.zips + "/Notes.ZIP", c.dir + "/notes/notes.txt"}),
                     0);
        }
        if (kind.contains("zip of another job, renamed"))
            copyAs("game12/game12.zip", "OLD RELEASE.ZIP");
        if (kind.contains("hidden")) {
            // A user's files, and an older version's temporary, without the mark.
            writeFile(c.zips + "/.todo.kavel-3999999.txt", "a user's note\n");
            writeFile(c.zips + "/.game01.zip.kavel-3999999", "PK old temporary\n");
            // Marked, and abandoned: their lock is free.
            for (const char* name :
                 {".game01.zip.kavel32-Ab12Cd", ".game01.zip.kavel32-Ab12Cd.Xy34Zw",
                  ".game01.zip.kavel32-Ab12Cd.lock", ".kavel32-par2-Pp33Oo/game.par2"})
                writeFile(c.zips + "/" + name, "left by a run killed outright\n");
            // Marked, of a live run elsewhere: their lock is held.
            for (const char* name :
                 {".game02.zip.kavel32-Qq11Rr", ".game02.zip.kavel32-Qq11Rr.lock",
                  ".kavel32-par2-Ll44Kk/game.par2"})
                writeFile(c.zips + "/" + name, "a live run's\n");
            held.hold(c.zips + "/.game02.zip.kavel32-Qq11Rr.lock");
            held.hold(c.zips + "/.kavel32-par2-Ll44Kk");
            // Marked, with no lock to say whose it is.
            writeFile(c.zips + "/.game03.zip.kavel32-Nn22Mm", "nobody's\n");
        }
    }

    // After a run or resume that went ahead: every file of the folder that it did not replace
    // is as it was, byte for byte; what it replaced is gone or made anew as the set's; what is
    // new is the set's.
    static void checkOnlyTheSetChanged(const QMap<QString, QByteArray>& before,
                                       const QMap<QString, QByteArray>& after,
                                       const QStringList& replaced) {
        static const QRegularExpression setFile(
            "^game(\\d{2}\\.zip|\\.sfv|\\.par2|\\.vol\\d+\\+\\d+\\.par2)$");
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            const QString top = it.key().section('/', 0, 0);
            if (replaced.contains(top))
                QVERIFY2(!after.contains(it.key()) ||
                             (setFile.match(it.key()).hasMatch() && after[it.key()] != it.value()),
                         qPrintable(it.key() + " is still there"));
            else
                QVERIFY2(after.value(it.key()) == it.value(), qPrintable(it.key() + " changed"));
        }
        for (auto it = after.cbegin(); it != after.cend(); ++it)
            QVERIFY2(before.contains(it.key()) || setFile.match(it.key()).hasMatch(),
                     qPrintable(it.key() + " is new"));
    }

    // The set a run made in dir, as its last line counts it: game01.zip on, each whole and
    // holding its own volume first.
    static void checkNewSet(const QString& dir, const Run& r) {
        const QRegularExpressionMatch made =
            QRegularExpression("Ripping complete: (\\d+) zips").match(r.out);
        QVERIFY2(made.hasMatch(), r.out.constData());
        for (int k = 1; k <= made.captured(1).toInt(); ++k) {
            const QString zip = dir + QStringLiteral("/game%1.zip").arg(k, 2, 10, QChar('0'));
            QProcess unzip;
            unzip.start("unzip", {"-tq", zip});
            QVERIFY(unzip.waitForFinished(60'000) && unzip.exitCode() == 0);
            QCOMPARE(QString::fromLocal8Bit(unzipOut({"-Z1", zip})).section('\n', 0, 0),
                     QStringLiteral("game.7z.%1").arg(k, 3, 10, QChar('0')));
        }
    }

    // A set the run called complete passes the check of its own job, whatever lies beside it.
    void checkVerifies(const Case& c, const QString& script) {
        const Run v = h.runArgument(c, script, withOptions({"--verify", c.zips}));
        QVERIFY2(v.exitCode == 0, (v.out + v.err).constData());
    }

    // The packed set made again a day later: the same zip names and count, other bytes.
    QMap<QString, QByteArray> newer;
    const QMap<QString, QByteArray>& newerSet() {
        if (!newer.isEmpty())
            return newer;
        Case& c = packedSet();
        RunOptions options = setOptions();
        options.environment["SOURCE_DATE_EPOCH"] = "1700086400";
        const Run r = h.run(c, setScript, options);
        if (r.exitCode != 0)
            qWarning("%s", r.err.constData());
        newer = filesWithBytes(c.zips);
        clearOutputs(c);
        for (auto it = reference.cbegin(); it != reference.cend(); ++it)
            writeFile(c.zips + "/" + it.key(), it.value());
        return newer;
    }

    // Per case kind, how the start without a display ended; the one with a display must end
    // the same way.
    QMap<QString, QStringList> endings;

    void compareWithOtherStart(const QString& kind, const QStringList& ending) {
        if (!endings.contains(kind)) {
            endings.insert(kind, ending);
            return;
        }
        QCOMPARE(ending, endings.value(kind));
    }

    // A case changed as the row asks; returns the script to run and the run's options.
    QString prepare(Case& c, const QString& kind, RunOptions& options) {
        QMap<QString, QString> fields;
        if (kind == "missing nfo") {
            fields["nfo"] = c.dir + "/gone.nfo";
        } else if (kind == "missing source") {
            fields["source"] = c.dir + "/Gone Source";
        } else if (kind == "missing 7-Zip") {
            options.path = c.tools; // holds nothing
        } else if (kind == "unwritable zip folder") {
            Harness::handToNobody(c);
            options.asNobody = true;
        } else if (kind == "over 999 volumes") {
            // A sparse 510 MB file: counted in full, costs no disk.
            QFile big(c.source + "/huge.bin");
            big.open(QIODevice::WriteOnly);
            big.resize(510'000'000);
            big.close();
            c.sourceBefore = snapshot(c.source);
        } else if (kind == "missing comment file") {
            writeFile(c.state + "/Kavel32.ini",
                      "Vers=v3.10\r\n" + QFile::encodeName(c.dir) + "/gone-comment.txt\r\n");
        } else if (kind == "private folder not usable") {
            QDir(c.scratch).removeRecursively();
            QDir().mkpath(c.dir + "/elsewhere");
            QFile::link(c.dir + "/elsewhere", c.scratch);
        } else if (kind == "diz is a folder") {
            QDir().mkpath(c.dir + "/folder.diz");
            fields["diz"] = c.dir + "/folder.diz";
        } else if (kind == "zip name with wildcards") {
            fields["name"] = "[a]*";
        } else if (kind == "zip name with redirections") {
            fields["name"] = "v>vic<";
        } else if (kind == "nfo named file_id.diz") {
            writeFile(c.dir + "/other/FILE_ID.DIZ", "not the numbered diz\r\n");
            fields["nfo"] = c.dir + "/other/FILE_ID.DIZ";
        } else if (kind == "extra folder holding a diz") {
            writeFile(c.dir + "/extras/file_id.diz", "not the numbered diz\r\n");
            writeFile(c.dir + "/extras/readme.txt", "read me\r\n");
            fields["file"] = "False";
            fields["extra"] = c.dir + "/extras";
        }
        const QString script = h.writeScript(c, fields);
        if (kind == "script is a FIFO") {
            makeFifo(c.dir + "/fifo.rip");
            return c.dir + "/fifo.rip";
        }
        return script;
    }

    // The case changed as a row of the nothing-lost matrix asks; returns the argument to
    // start with, or nothing when the row cannot be set up here (mounting needs root).
    // *mounted names a tmpfs to unmount afterwards.
    QString prepareAttack(Case& c, const QString& kind, RunOptions& options, QString* mounted) {
        QMap<QString, QString> fields;
        QString prefix = "!";
        const QString outside = c.dir + "/outside";
        for (const char* name : {"victim.sfv", "victim.par2", "victim.zip"})
            writeFile(outside + "/" + name, QByteArray("somebody else's ") + name + "\n");
        // A tool on PATH that says its process id in <case>/<name>.pid and waits.
        auto fakeTool = [&](const QString& name) {
            writeFile(c.tools + "/" + name, "#!/bin/sh\necho $$ > '" + QFile::encodeName(c.dir) +
                                                "/" + name.toUtf8() + ".pid'\nexec sleep 60\n");
            QFile::setPermissions(c.tools + "/" + name, QFile::ReadOwner | QFile::WriteOwner |
                                                            QFile::ExeOwner | QFile::ExeOther);
            options.pathPrefix = c.tools;
        };
        if (kind == "set files held by links") {
            c.zips = c.dir + "/z *?[a]<b>\"c\\;$(x)";
            QDir().mkpath(c.zips);
            fields["zipdir"] = c.zips;
            const QList<QPair<const char*, const char*>> held = {{"faults.sfv", "victim.sfv"},
                                                                 {"faults.par2", "victim.par2"},
                                                                 {"faults01.zip", "victim.zip"},
                                                                 {"faults.vol0+1.par2", "nowhere"}};
            for (const auto& [name, target] : held)
                QFile::link(outside + "/" + target, c.zips + "/" + name);
            makeFifo(c.zips + "/faults02.zip");
            options.options = {"--sfv", "--par2", "10"};
        } else if (kind == "killed outright while rar archives") {
            fakeTool("rar");
        } else if (kind.endsWith("while par2 works")) {
            fakeTool("par2");
            options.options = {"--par2", "10"};
        } else if (kind == "dry run with a rar on PATH") {
            fakeTool("rar");
            options.options = {"--dry-run"};
            prefix.clear();
        } else if (kind == "full scratch file system" ||
                   kind == "scratch file system out of inodes") {
            if (!mountFullTmpfs(c.dir + "/tmpfs", kind.contains("inodes")))
                return {};
            *mounted = c.dir + "/tmpfs";
            c.scratch = *mounted + "/scratch";
        } else if (kind.startsWith("state folder")) {
            QFile::link(c.state, c.dir + "/state link");
            options.environment["KAVEL32_STATE_DIR"] =
                kind.contains("slash") ? c.state + "/" : c.dir + "/state link";
            fields["name"] = "second";
        } else if (kind == "control characters in the source path") {
            fields["source"] = c.dir + "/Gone \x1b]0;title\x07\x1b[2K";
        } else if (kind == "control characters in the zip folder") {
            c.zips = c.dir + "/zips \x1b]0;title\x07";
            QDir().mkpath(c.zips);
            fields["zipdir"] = c.zips;
        } else if (kind == "binary settings file") {
            // Its second line names a comment file made of raw bytes.
            writeFile(c.state + "/Kavel32.ini", QByteArray("Vers=v3.10\r\n\x7f"
                                                           "ELF\x02\x01\0\0\x1b[2K\x9b\r\n",
                                                           27));
        } else if (kind == "zip folder is the source") {
            fields["zipdir"] = c.source;
        } else if (kind == "work folder inside the source") {
            c.work = c.source + "/kavel work";
            c.home = c.source + "/home";
            QDir().mkpath(c.work);
            QDir().mkpath(c.home);
            ::chmod(QFile::encodeName(c.home).constData(), 0700);
            c.sourceBefore = snapshot(c.source);
        }
        return prefix + h.writeScript(c, fields);
    }

    // Starts the run, waits until the tool the row is about works (7-Zip's first volume, or
    // the fake rar or par2 once it runs) and sends the program the signal.
    void interrupt(const Case& c, const QString& argument, const RunOptions& options,
                   const QString& kind, int signal, Run* r) {
        QProcess p;
        h.start(p, c, argument, options);
        const QString workLocation = h.workLocation(c, options);
        const QString tool = kind.contains("rar") ? "rar" : kind.contains("par2") ? "par2" : "";
        auto working = [&] {
            return tool.isEmpty() ? !Harness::keptVolumes(workLocation).isEmpty()
                                  : QFileInfo::exists(c.dir + "/" + tool + ".pid");
        };
        QElapsedTimer waited;
        waited.start();
        while (!working() && waited.elapsed() < 120'000 && !p.waitForFinished(10)) {
        }
        QVERIFY2(working(), p.readAllStandardError().constData());
        ::kill(pid_t(p.processId()), signal);
        QVERIFY(p.waitForFinished(30'000));
        const bool crashed = p.exitStatus() == QProcess::CrashExit;
        *r = {crashed ? -1 : p.exitCode(), crashed ? p.exitCode() : 0, p.readAllStandardOutput(),
              p.readAllStandardError(), workLocation};
    }

    // What a row leaves beyond the common checks.
    void checkAttackAftermath(const Case& c, const QString& kind, const Run& r) {
        if (kind == "set files held by links") {
            // Links and a FIFO are no older set's: they stay as they were, and nothing is
            // written through them.
            for (const char* name : {"faults.sfv", "faults.par2", "faults01.zip"})
                QVERIFY2(QFileInfo(c.zips + "/" + name).isSymLink(), name);
            QVERIFY(!QFileInfo::exists(c.dir + "/outside/nowhere"));
            QCOMPARE(QDir(c.zips).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                            QDir::NoDotAndDotDot),
                     (QStringList{"faults.par2", "faults.sfv", "faults.vol0+1.par2", "faults01.zip",
                                  "faults02.zip"}));
            QVERIFY2(r.err.contains("; move it or choose another zip folder (and 4 more in the "
                                    "set's way)"),
                     r.err.constData());
            QVERIFY(QDir(r.workLocation).isEmpty());
            return;
        } else if (kind == "stopped while par2 works") {
            const qint64 par2 = readAll(c.dir + "/par2.pid").trimmed().toLongLong();
            QVERIFY(!processAlive(par2));
            // The zips stay; par2's own folder beside them goes with it.
            QVERIFY(!QDir(c.zips).entryList({"*.zip"}).isEmpty());
            QVERIFY(QDir(c.zips).entryList({".kavel*"}, QDir::AllEntries | QDir::Hidden).isEmpty());
        } else if (kind.startsWith("killed outright")) {
            QTRY_VERIFY2_WITH_TIMEOUT(processesOf(c).isEmpty(),
                                      qPrintable(processesOf(c).join('\n')), 10'000);
            if (kind.contains("rar")) {
                const qint64 rar = readAll(c.dir + "/rar.pid").trimmed().toLongLong();
                QTRY_VERIFY_WITH_TIMEOUT(!processAlive(rar), 10'000);
            }
            // The front-end stopped its archiver on the signal and removed what it had
            // begun; nothing writes there any more.
            QTRY_COMPARE_WITH_TIMEOUT(Harness::keptVolumes(r.workLocation), QStringList(), 10'000);
            QTest::qWait(500);
            QCOMPARE(Harness::keptVolumes(r.workLocation), QStringList());
            if (kind.contains("par2")) {
                // par2's folder beside the zips and the run's work folder stay, abandoned; the
                // resume that finishes the set removes them.
                QCOMPARE(
                    QDir(c.zips).entryList({".kavel32-par2-*"}, QDir::Dirs | QDir::Hidden).size(),
                    1);
                QVERIFY(!QDir(c.scratch).isEmpty());
                const Run resumed =
                    h.runArgument(c, r.workLocation + "/Kavel001", withOptions({"--resume"}));
                QVERIFY2(resumed.exitCode == 0, resumed.err.constData());
                QVERIFY(QDir(c.zips)
                            .entryList({".kavel32*"}, QDir::AllEntries | QDir::Hidden)
                            .isEmpty());
                QVERIFY(QFileInfo::exists(c.zips + "/faults.par2"));
                QVERIFY(QDir(c.scratch).isEmpty());
            }
        } else if (kind.startsWith("state folder")) {
            QVERIFY(QDir(c.zips).entryList({"second*"}).isEmpty());
            QVERIFY(!QDir(c.zips).entryList({"faults*.zip"}).isEmpty());
        } else if (kind == "binary settings file") {
            const QByteArray ini = readAll(c.state + "/Kavel32.ini");
            QVERIFY2(ini.startsWith("Vers=") &&
                         !holdsRawControls(QByteArray(ini).replace('\r', "")),
                     ini.constData());
            for (const QString& zip : QDir(c.zips).entryList({"*.zip"}))
                QVERIFY(readAll(c.zips + "/" + zip).endsWith(QByteArray(2, '\0')));
        } else if (kind == "dry run with a rar on PATH") {
            QVERIFY2(r.out.contains(QFile::encodeName(c.tools) + "/rar\n"), r.out.constData());
            QVERIFY(!QFileInfo::exists(c.dir + "/rar.pid"));
        } else if (kind == "work folder inside the source" ||
                   kind == "control characters in the zip folder") {
            const QStringList zips = QDir(c.zips).entryList({"*.zip"});
            QVERIFY2(zips.size() >= 2 && zips.size() <= 4, qPrintable(zips.join(' ')));
            QVERIFY(Harness::keptVolumes(r.workLocation).isEmpty());
        }
        // A job that failed before its first zip made none; a stop keeps the complete ones.
        if (r.exitCode > 0 && !kind.startsWith("stopped") && !kind.startsWith("state"))
            QVERIFY(QDir(c.zips).entryList({"*.zip"}).isEmpty());
    }
  private slots:
    void initTestCase() {
        QVERIFY(h.init());
        if (h.sevenZip.isEmpty())
            SKIP_OR_FAIL("7-Zip (7zz) is not installed");
        QVERIFY(QFileInfo(programFolder() + "/kavel32").isExecutable());
    }

    void failuresEndAlikeOnEveryStart_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("display");
        QTest::addColumn<QString>("fault");
        const QList<QPair<const char*, const char*>> kinds = {
            {"missing nfo", "gone.nfo"},
            {"missing source", "Gone Source"},
            {"missing 7-Zip", "7-Zip"},
            {"unwritable zip folder", "Permission denied"},
            {"over 999 volumes", "More than 999 volumes"},
            {"missing comment file", "gone-comment.txt"},
            {"private folder not usable", "symbolic link"},
            {"diz is a folder", "not a regular file"},
            {"zip name with wildcards", "can't hold"},
            {"zip name with redirections", "can't hold"},
            {"nfo named file_id.diz", "would replace"},
            {"extra folder holding a diz", "would replace"},
            {"script is a FIFO", "not a regular file"},
        };
        for (const auto& [kind, fault] : kinds)
            for (bool display : {false, true})
                QTest::addRow("%s, %s", kind, display ? "display" : "no display")
                    << QString(kind) << display << QString(fault);
    }
    void failuresEndAlikeOnEveryStart() {
        QFETCH(QString, kind);
        QFETCH(bool, display);
        QFETCH(QString, fault);
        Case c = h.makeCase(1'200'000);
        writeFile(c.dir + "/vic<", "victim\n");
        RunOptions options;
        options.display = display;
        const QString script = prepare(c, kind, options);
        const QMap<QString, QByteArray> outside = snapshot(c.companions);
        const Run r = h.run(c, script, options);
        h.checkFailure(c, r, fault);
        QCOMPARE(readAll(c.dir + "/vic<"), QByteArray("victim\n"));
        QCOMPARE(snapshot(c.companions), outside);
        if (kind != "unwritable zip folder")
            QVERIFY2(Harness::keptVolumes(r.workLocation).isEmpty(),
                     "the run stopped before archiving");
        QVERIFY(QDir(c.zips).entryList(QDir::Files | QDir::Hidden).isEmpty());
        compareWithOtherStart(
            kind, {QString::number(r.exitCode), normalised(programLines(r.err).value(0), c, r)});
    }

    void hostileNamesPackExactly_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("display");
        for (const char* kind :
             {"zip name with brackets", "source holding a quote", "source written with /.",
              "source written with /docs/..", "companions named with pattern characters",
              "zip folder holding redirections, with a comment", "settings file is a FIFO",
              "links of every kind"})
            for (bool display : {false, true})
                QTest::addRow("%s, %s", kind, display ? "display" : "no display")
                    << QString(kind) << display;
    }
    void hostileNamesPackExactly() {
        QFETCH(QString, kind);
        QFETCH(bool, display);
        Case c = h.makeCase(1'200'000,
                            kind == "source holding a quote" ? "Game \"Source\"" : "Game Source");
        // Next to the source: what a source written with "." or ".." must not drag in.
        writeFile(c.dir + "/secret.txt", "not for the zips\n");
        QMap<QString, QString> fields;
        QByteArray comment;
        if (kind == "zip name with brackets") {
            fields["name"] = "[a]";
        } else if (kind == "source written with /.") {
            fields["source"] = c.source + "/.";
        } else if (kind == "source written with /docs/..") {
            fields["source"] = c.source + "/docs/..";
        } else if (kind == "companions named with pattern characters") {
            writeFile(c.companions + "/rel[1]*?.nfo", "notes\r\n");
            writeFile(c.companions + "/x[1]*.txt", "extra\r\n");
            writeFile(c.companions + "/rel1a.nfo", "a near name that must not come along\r\n");
            fields["nfo"] = c.companions + "/rel[1]*?.nfo";
            fields["extra"] = c.companions + "/x[1]*.txt";
        } else if (kind == "zip folder holding redirections, with a comment") {
            c.zips = c.dir + "/z>vic<";
            QDir().mkpath(c.zips);
            fields["zipdir"] = c.zips;
            comment = "Box \xc9\xcd\xbb drawn \x1b[1mbold\x1b[0m\r\n";
            writeFile(c.companions + "/comment.txt", comment);
            writeFile(c.state + "/Kavel32.ini",
                      "Vers=v3.10\r\n" + QFile::encodeName(c.companions) + "/comment.txt\r\n");
        } else if (kind == "settings file is a FIFO") {
            makeFifo(c.state + "/Kavel32.ini");
        } else if (kind == "links of every kind") {
            writeFile(c.dir + "/outside/big.bin", noise(3'000'000, 5));
            // Relative targets as written (QFile::link would make them absolute).
            const QByteArray absolute = QFile::encodeName(c.dir + "/outside/big.bin");
            const QList<QPair<const char*, const char*>> links = {
                {"../outside", "out link"},
                {"../nowhere", "dangling"},
                {"loop", "loop"},
                {"docs/manual.txt", "inner link"},
                {absolute.constData(), "absolute link"}};
            for (const auto& [target, name] : links)
                QCOMPARE(::symlink(target, QFile::encodeName(c.source + "/" + name).constData()),
                         0);
            // Blanks and characters that mean something to shells and patterns.
            writeFile(c.source + "/odd\tname/f*?[1] \"q\" 'a'.txt", "odd\n");
        }
        writeFile(c.dir + "/vic<", "victim\n");
        writeFile(c.dir + "/z", "victim\n");
        c.sourceBefore = snapshot(c.source);
        const QMap<QString, QByteArray> companions = snapshot(c.companions);

        RunOptions options;
        options.display = display;
        QElapsedTimer timer;
        timer.start();
        const Run r = h.run(c, h.writeScript(c, fields), options);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QVERIFY2(r.out.contains("Ripping complete"), r.out.constData());
        h.checkLeftBehind(c, r);
        h.checkVolumesRestoreSource(c, r);
        QCOMPARE(snapshot(c.companions), companions);
        for (const QString& victim : {c.dir + "/vic<", c.dir + "/z"})
            QCOMPARE(readAll(victim), QByteArray("victim\n"));
        const QStringList zips = QDir(c.zips).entryList({"*.zip"}, QDir::Files, QDir::Name);
        // 1.3 MB of source in 500,000-byte volumes: nothing from outside the source came along.
        QVERIFY2(zips.size() >= 2 && zips.size() <= 4, qPrintable(zips.join(' ')));
        const QStringList first =
            QString::fromLocal8Bit(unzipOut({"-Z1", c.zips + "/" + zips.first()}))
                .split('\n', Qt::SkipEmptyParts);
        if (kind == "zip name with brackets")
            QCOMPARE(zips.first(), QString("[a]01.zip"));
        if (kind == "companions named with pattern characters") {
            QCOMPARE(first.mid(1), (QStringList{"file_id.diz", "rel[1]*?.nfo", "x[1]*.txt"}));
        }
        if (!comment.isEmpty()) {
            // The comment's bytes exactly as the file holds them.
            for (const QString& zip : zips)
                QVERIFY(readAll(c.zips + "/" + zip).endsWith(comment));
        }
        compareWithOtherStart(kind, zipContents(c.zips));
        // What the receiver unpacks is the source, links and names as they were, into a
        // folder whose name 7-Zip would read as a pattern.
        const QString dest = c.dir + "/unpacked*?[x]";
        const Run unpacked = h.runArgument(c, dest, {.options = {"--unpack", c.zips}});
        QVERIFY2(unpacked.exitCode == 0, unpacked.err.constData());
        QProcess diff;
        diff.start("diff", {"-r", "--no-dereference", c.source,
                            dest + "/" + QFileInfo(c.source).fileName()});
        QVERIFY(diff.waitForFinished(60'000));
        QVERIFY2(diff.exitCode() == 0, diff.readAllStandardOutput().constData());
    }

    // Nothing lost, whatever a hostile script, file system or user does: each row a setup,
    // the exit status (-N: killed by signal N), what the one line says, on both starts where
    // a start with a display applies. On every row nothing outside the job changes (by
    // checksums), and no byte that commands a terminal is printed.
    void nothingLostMatrix_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("display");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("line");
        struct Row {
            const char* kind;
            int status;
            const char* line;
            bool withDisplay;
        };
        const Row rows[] = {
            {"set files held by links", 1, "is not of the set faults: it is a link", true},
            {"killed outright while 7-Zip archives", -SIGKILL, "", true},
            {"killed outright while rar archives", -SIGKILL, "", true},
            {"killed outright while par2 works", -SIGKILL, "", true},
            {"stopped while par2 works", 128 + SIGTERM, "kavel32: stopped by SIGTERM", true},
            {"full scratch file system", 1, "No space left on device", true},
            {"scratch file system out of inodes", 1, "No space left on device", true},
            {"state folder spelled with a slash, one run going", 3,
             "kavel32: another Kavel32 is running", true},
            {"state folder through a link, one run going", 3, "kavel32: another Kavel32 is running",
             true},
            {"control characters in the source path", 1, "Gone \\x1b]0;title\\x07\\x1b[2K", true},
            {"control characters in the zip folder", 0, "zips \\x1b]0;title\\x07", true},
            {"binary settings file", 0,
             "is not text (byte 0x7f at offset 12): the defaults are used", true},
            {"dry run with a rar on PATH", 0, "Archiver program: wrar runs ", false},
            {"zip folder is the source", 1, "is the source itself", true},
            {"work folder inside the source", 0, "Ripping complete", true},
        };
        for (const Row& row : rows)
            for (bool display : {false, true})
                if (!display || row.withDisplay)
                    QTest::addRow("%s, %s", row.kind, display ? "display" : "no display")
                        << QString(row.kind) << display << row.status << QString(row.line);
    }
    void nothingLostMatrix() {
        QFETCH(QString, kind);
        QFETCH(bool, display);
        QFETCH(int, status);
        QFETCH(QString, line);
        const bool killed = status < 0;
        const bool interrupted = killed || kind.startsWith("stopped");
        Case c = h.makeCase(killed ? 30'000'000 : 1'200'000);
        RunOptions options;
        options.display = display;
        QString mounted;
        const auto unmount = qScopeGuard([&mounted] {
            if (!mounted.isEmpty())
                ::umount2(QFile::encodeName(mounted).constData(), MNT_DETACH);
        });
        const QString argument = prepareAttack(c, kind, options, &mounted);
        if (argument.isEmpty())
            SKIP_OR_FAIL("mounting a tmpfs needs root (CI runs the tests as root)");
        if (kind == "set files held by links" && QStandardPaths::findExecutable("par2").isEmpty())
            SKIP_OR_FAIL("par2 is not installed");
        const QMap<QString, QByteArray> before = outsideOfTheJob(c);

        Run r;
        if (interrupted) {
            interrupt(c, argument, options, kind, killed ? SIGKILL : SIGTERM, &r);
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(killed ? r.crashSignal : r.exitCode, std::abs(status));
        } else {
            QProcess first;
            if (kind.startsWith("state folder")) {
                h.startRunThatWaits(first, c, 3);
                if (QTest::currentTestFailed())
                    return;
            }
            r = h.runArgument(c, argument, options);
            if (first.state() != QProcess::NotRunning) {
                QVERIFY(first.waitForFinished(300'000));
                QVERIFY2(first.exitCode() == 0, first.readAllStandardError().constData());
            }
            QVERIFY2(r.exitCode == status, (r.out + r.err).constData());
        }
        QStringList saying;
        for (const QString& said : QString::fromLocal8Bit(r.out + r.err).split('\n'))
            if (!line.isEmpty() && said.contains(line))
                saying << said;
        QVERIFY2(line.isEmpty() || saying.size() == 1, (r.out + r.err).constData());
        if (status > 0)
            QVERIFY2(programLines(r.err).size() == 1, r.err.constData());
        QVERIFY2(!holdsRawControls(r.out + r.err), (r.out + r.err).toHex(' ').constData());
        QCOMPARE(outsideOfTheJob(c), before);
        // A run that ended by itself leaves its private folder as it found it.
        if (!killed)
            QVERIFY2(
                QDir(c.scratch).isEmpty(),
                qPrintable(QDir(c.scratch)
                               .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                               .join(' ')));
        checkAttackAftermath(c, kind, r);
        compareWithOtherStart("matrix: " + kind,
                              {QString::number(status), normalised(saying.value(0), c, r)});
    }

    // A zip folder shared with other jobs, each row what it holds beside the job game: what the
    // dry run says it would replace and refuse, what the run and a resume of a run stopped
    // before its first zip do, and that nothing else in the folder changes (by checksums).
    void zipFolderNeighbours_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("line");         // of the run, <zips> for the zip folder
        QTest::addColumn<QString>("dryLine");      // of the dry run
        QTest::addColumn<QStringList>("replaced"); // the older set's files, the leftovers
        // Every file of the older set, its last zips beyond the new set's count too.
        const QStringList olderSet = {"<older set>"};
        QTest::newRow("other jobs' sets with prefix names")
            << "prefix sets" << QStringList{} << 0 << "Ripping complete"
            << "Leaves alone in <zips>, as not of the set game: game101.zip, game102.zip, "
               "game103.zip, game12.zip"
            << QStringList{};
        QTest::newRow("an older set of the job beside other jobs' sets")
            << "prefix sets, older set" << QStringList{} << 0
            << "Replaced the older set game in <zips>: "
            << "Replaces the older set game in <zips>: " << olderSet;
        QTest::newRow("a zip of the set named in another case")
            << "case variant" << QStringList{} << 0
            << "Replaced the older set game in <zips>: GAME02.ZIP"
            << "Replaces the older set game in <zips>: GAME02.ZIP" << QStringList{"GAME02.ZIP"};
        QTest::newRow("another job's zip on a name the set needs")
            << "foreign zip" << QStringList{} << 1
            << "game02.zip in <zips> is not of the set game: it holds game12.7z; move it or "
               "choose another zip folder"
            << "Refuses to replace: game02.zip in <zips> is not of the set game: it holds "
               "game12.7z"
            << QStringList{};
        QTest::newRow("a link on a name the set needs")
            << "link on a needed name" << QStringList{} << 1
            << "game01.zip in <zips> is not of the set game: it is a link"
            << "Refuses to replace: game01.zip in <zips> is not of the set game: it is a link"
            << QStringList{};
        QTest::newRow("a folder named like a later zip")
            << "later zip folder" << QStringList{} << 0 << "Ripping complete"
            << "Leaves alone in <zips>, as not of the set game: game07.zip" << QStringList{};
        // A receiving site takes every zip beside the set for one of its own: only zips that
        // hold another set's volumes may stay.
        QTest::newRow("a link named like a later zip")
            << "later zip link" << QStringList{} << 1
            << "game08.zip in <zips> is not of the set game: it is a link, and a receiving site "
               "takes every zip beside the set for one of its own; move it or choose another "
               "zip folder"
            << "Refuses to replace: game08.zip in <zips> is not of the set game: it is a link"
            << QStringList{};
        QTest::newRow("a copy of one of the set's zips under another name")
            << "copied zip" << QStringList{} << 1
            << "game02 (1).zip in <zips> is not of the set game: it holds game.7z.002, and a "
               "receiving site"
            << "Refuses to replace: game02 (1).zip in <zips>" << QStringList{};
        QTest::newRow("a zip of notes beside the set")
            << "notes zip" << QStringList{} << 1
            << "Notes.ZIP in <zips> is not of the set game: it holds notes.txt, and a receiving "
               "site"
            << "Refuses to replace: Notes.ZIP in <zips>" << QStringList{};
        QTest::newRow("another job's zip under an unrelated name, in capitals")
            << "zip of another job, renamed" << QStringList{} << 0 << "Ripping complete"
            << "Zips: " << QStringList{};
        QTest::newRow("SFV and PAR2 files of another job on the set's names, none made")
            << "prefix sets, foreign listings" << QStringList{} << 1
            << "game.sfv in <zips> is not of the set game: it lists game101.zip, which is not "
               "of the set, and a receiving site takes the SFV named after the set for the set's"
            << "Refuses to replace: game.sfv in <zips>" << QStringList{};
        QTest::newRow("PAR2 files of another job on the set's names, none made")
            << "prefix sets, foreign par2" << QStringList{} << 0 << "Ripping complete"
            << "Leaves alone in <zips>, as not of the set game: game.par2" << QStringList{};
        QTest::newRow("SFV and PAR2 files of another job on the set's names, both made")
            << "prefix sets, foreign listings" << QStringList{"--sfv", "--par2", "10"} << 1
            << "game.par2 in <zips> is not of the set game: it lists game10"
            << "Refuses to replace: game.sfv in <zips> is not of the set game: it lists "
               "game101.zip"
            << QStringList{};
        QTest::newRow("hidden files with and without the mark, a live run's in another namespace")
            << "hidden files" << QStringList{} << 0 << "Ripping complete"
            << "Zips: "
            << QStringList{".game01.zip.kavel32-Ab12Cd", ".game01.zip.kavel32-Ab12Cd.Xy34Zw",
                           ".game01.zip.kavel32-Ab12Cd.lock", ".kavel32-par2-Pp33Oo"};
    }
    void zipFolderNeighbours() {
        QFETCH(QString, kind);
        QFETCH(QStringList, options);
        QFETCH(int, status);
        QFETCH(QString, line);
        QFETCH(QString, dryLine);
        QFETCH(QStringList, replaced);
        if ((kind.contains("PAR2") || options.contains("--par2")) &&
            QStandardPaths::findExecutable("par2").isEmpty())
            QSKIP("par2 is not installed");
        Case c = h.makeCase(1'200'000);
        c.fields["name"] = "game";
        const QString script = h.writeScript(c);
        line.replace("<zips>", c.zips);
        dryLine.replace("<zips>", c.zips);
        if (replaced == QStringList{"<older set>"})
            replaced = QDir(neighbours() + "/game").entryList(QDir::Files);
        auto said = [](const Run& r) { return QString::fromLocal8Bit(r.out + r.err); };

        // The dry run says what the run will do, and writes nothing.
        {
            LockHolder held;
            placeNeighbours(c, kind, held);
            const QMap<QString, QByteArray> before = snapshot(c.zips);
            const Run dry =
                h.runArgument(c, "!" + script, withOptions(options + QStringList{"--dry-run"}));
            QCOMPARE(dry.exitCode, status == 0 ? 0 : 1);
            QVERIFY2(said(dry).contains(dryLine), qPrintable(said(dry)));
            QCOMPARE(snapshot(c.zips), before);
            QVERIFY(QDir(c.work).isEmpty());

            // The run, in the same folder.
            const Run r = h.run(c, script, withOptions(options));
            QVERIFY2(r.exitCode == status, qPrintable(said(r)));
            QVERIFY2(said(r).contains(line), qPrintable(said(r)));
            if (status == 0) {
                checkOnlyTheSetChanged(before, snapshot(c.zips), replaced);
                checkNewSet(c.zips, r);
                checkVerifies(c, script);
            } else {
                // Stopped before the archiver ran: nothing made, nothing removed.
                QCOMPARE(snapshot(c.zips), before);
                QVERIFY(QDir(c.work).isEmpty());
                QCOMPARE(programLines(r.err).size(), 1);
            }
        }
        if (QTest::currentTestFailed())
            return;

        // A run of the job killed while archiving, in an empty folder; then the neighbours
        // come; its resume judges the folder as it is now, not as it was when the run began.
        for (const QString& d : {c.zips, c.work}) {
            QVERIFY(QProcess::execute("rm", {"-rf", "--", d}) == 0);
            QVERIFY(QDir().mkpath(d));
        }
        const QString marker = c.dir + "/archiver-started";
        h.shadowSevenZip(c, "touch '" + QFile::encodeName(marker) + "'; sleep 60");
        QProcess stopped;
        RunOptions waiting = withOptions(options);
        waiting.pathPrefix = c.tools;
        h.start(stopped, c, "!" + script, waiting);
        QElapsedTimer waited;
        waited.start();
        while (!QFileInfo::exists(marker) && waited.elapsed() < 60'000 &&
               !stopped.waitForFinished(20)) {
        }
        QVERIFY2(QFileInfo::exists(marker), stopped.readAllStandardError().constData());
        // Killed outright: a stop leaves no folder without a volume, a killed run its journal.
        ::kill(pid_t(stopped.processId()), SIGKILL);
        QVERIFY(stopped.waitForFinished(60'000));
        QCOMPARE(stopped.exitStatus(), QProcess::CrashExit);
        QTRY_VERIFY2_WITH_TIMEOUT(processesOf(c).isEmpty(), qPrintable(processesOf(c).join('\n')),
                                  10'000);
        QVERIFY(QFile::remove(c.tools + "/7zz"));
        const QString folder = c.work + "/Kavel001";
        QVERIFY(hasJournalIn(folder));
        LockHolder held;
        placeNeighbours(c, kind, held);
        const QMap<QString, QByteArray> before = snapshot(c.zips);
        const Run resumed = h.runArgument(c, folder, withOptions({"--resume"}));
        QVERIFY2(resumed.exitCode == status, qPrintable(said(resumed)));
        QVERIFY2(said(resumed).contains(line), qPrintable(said(resumed)));
        if (status == 0) {
            checkOnlyTheSetChanged(before, snapshot(c.zips), replaced);
            checkNewSet(c.zips, resumed);
            checkVerifies(c, script);
            QVERIFY(QDir(c.work).isEmpty());
        } else {
            // The volumes wait in their folder for the folder to be cleared.
            QCOMPARE(snapshot(c.zips), before);
            QVERIFY(hasJournalIn(folder));
            QVERIFY2(said(resumed).contains("kavel32 --resume " + folder),
                     qPrintable(said(resumed)));
        }
    }

    // A set that needs more volumes than the estimate foresaw: three-digit names and numbers
    // when the diz line has room for them in a form receiving sites read, else a stop before
    // the first zip that names the count or what the site would read, the volumes kept.
    void numberingFollowsTheRealCount_data() {
        QTest::addColumn<QByteArray>("dizLine");
        QTest::addColumn<QString>("refusal"); // empty: the set is made
        QTest::newRow("room for three digits in brackets")
            << QByteArray("Disk[xxx/xxx] of the set") << "";
        QTest::newRow("room for three digits, bare")
            << QByteArray("Disk 00/00   of the set") << "reads no disk number there";
        QTest::newRow("no room") << QByteArray("Disk 00/00 of the set") << "100 volumes";
    }
    void numberingFollowsTheRealCount() {
        QFETCH(QByteArray, dizLine);
        QFETCH(QString, refusal);
        const bool completes = refusal.isEmpty();
        Case c = h.makeCase(0);
        QDir(c.source).removeRecursively();
        // 49,500,000 bytes in 500,000-byte volumes: an estimate of exactly 99, and the
        // archive's own headers make a 100th volume.
        writeFile(c.source + "/data.bin", noise(49'500'000, 3));
        c.sourceBefore = snapshot(c.source);
        writeFile(c.companions + "/file_id.diz", "  Release\r\n  -------\r\n" + dizLine + "\r\n");
        const Run r = h.run(c, h.writeScript(c, {{"solid", " 0"}}));
        if (!completes) {
            h.checkFailure(c, r, refusal);
            QCOMPARE(Harness::keptVolumes(r.workLocation).size(), 100);
            return;
        }
        QVERIFY2(r.exitCode == 0, r.err.constData());
        h.checkLeftBehind(c, r);
        const QStringList zips = QDir(c.zips).entryList({"*.zip"}, QDir::Files, QDir::Name);
        QCOMPARE(zips.size(), 100);
        for (int k = 1; k <= 100; ++k) {
            const QString name = QStringLiteral("fault%1.zip").arg(k, 3, 10, QChar('0'));
            QCOMPARE(zips[k - 1], name);
            const QByteArray diz = unzipOut({"-p", c.zips + "/" + name, "file_id.diz"});
            QVERIFY2(
                diz.contains(
                    QStringLiteral("Disk[%1/100] of the set").arg(k, 3, 10, QChar('0')).toLatin1()),
                diz.constData());
        }
    }

    // SIGTERM while the archiver runs and while the zips are written: the run stops its
    // children, keeps every complete zip and every volume not yet zipped, and exits 143.
    void stopsCleanlyOnSignal_data() {
        QTest::addColumn<bool>("whileZipping");
        QTest::addColumn<bool>("display");
        for (bool zipping : {false, true})
            for (bool display : {false, true})
                QTest::addRow("%s, %s", zipping ? "while zipping" : "while archiving",
                              display ? "display" : "no display")
                    << zipping << display;
    }
    void stopsCleanlyOnSignal() {
        QFETCH(bool, whileZipping);
        QFETCH(bool, display);
        Case c = h.makeCase(whileZipping ? 30'000'000 : 1'200'000);
        const QString marker = c.dir + "/archiver-started";
        if (!whileZipping)
            h.shadowSevenZip(c, "touch '" + QFile::encodeName(marker) + "'; sleep 20");
        RunOptions options;
        options.display = display;
        options.pathPrefix = c.tools;
        QProcess p;
        h.start(p, c, "!" + h.writeScript(c, {{"solid", " 0"}}), options);
        QElapsedTimer waited;
        waited.start();
        auto ready = [&] {
            return whileZipping ? !QDir(c.zips).entryList({"*.zip"}).isEmpty()
                                : QFileInfo::exists(marker);
        };
        while (!ready() && waited.elapsed() < 120'000 && !p.waitForFinished(5)) {
        }
        QVERIFY2(ready(), p.readAllStandardError().constData());
        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(60'000));
        const Run r{p.exitCode(), 0, p.readAllStandardOutput(), p.readAllStandardError(),
                    h.workLocation(c, options)};
        QCOMPARE(r.exitCode, 128 + SIGTERM);
        QVERIFY2(programLines(r.err).size() == 1 && r.err.contains("stopped by SIGTERM"),
                 r.err.constData());
        // The line names the folder of the volumes left and what finishes them.
        if (whileZipping)
            QVERIFY2(r.err.contains("kavel32 --resume " + r.workLocation.toLocal8Bit() +
                                    "/Kavel001 finishes the set"),
                     r.err.constData());
        h.checkLeftBehind(c, r);
        QThread::msleep(300);
        QCOMPARE(processesOf(c), QStringList{});
        if (whileZipping) {
            QVERIFY2(!Harness::keptVolumes(r.workLocation).isEmpty(), "the rest is kept");
            h.checkVolumesRestoreSource(c, r);
        }
    }

    // With SOURCE_DATE_EPOCH, a run stopped by SIGTERM or kill -9 anywhere in its zipping,
    // while the archiver writes, or after its last zip, and then resumed, makes the set an
    // uninterrupted run makes, byte for byte; and two uninterrupted runs make the same bytes.
    void resumedSetIsTheUninterruptedSet_data() {
        QTest::addColumn<int>("signal");   // 0: not stopped
        QTest::addColumn<QString>("when"); // after the first zip, half, all but one; while
                                           // archiving; once the SFV is written
        QTest::addColumn<QString>("zone"); // TZ of the run and its resume (the set's is UTC)
        QTest::newRow("a second uninterrupted run") << 0 << "first"
                                                    << "";
        for (const char* when : {"first", "all but one"})
            QTest::addRow("SIGTERM after %s", when) << int(SIGTERM) << when << "";
        for (const char* when : {"first", "half", "all but one"})
            QTest::addRow("kill -9 after %s", when) << int(SIGKILL) << when << "";
        QTest::newRow("kill -9 while archiving") << int(SIGKILL) << "archiving"
                                                 << "";
        QTest::newRow("kill -9 while making PAR2") << int(SIGKILL) << "sfv"
                                                   << "";
        // Every zip made, no volume left: the journal stays, as it finishes the set.
        QTest::newRow("SIGTERM while making PAR2") << int(SIGTERM) << "sfv"
                                                   << "";
        // The stamp is a time in UTC wherever the run is: 1700000000 is already the next day
        // in Kathmandu, still the same in New York.
        QTest::newRow("a run in New York") << 0 << "first"
                                           << "America/New_York";
        QTest::newRow("kill -9 after half, in Kathmandu") << int(SIGKILL) << "half"
                                                          << "Asia/Kathmandu";
    }
    void resumedSetIsTheUninterruptedSet() {
        QFETCH(int, signal);
        QFETCH(QString, when);
        QFETCH(QString, zone);
        if (!zone.isEmpty() && !QFileInfo::exists("/usr/share/zoneinfo/" + zone))
            QSKIP("the time zone database is not installed");
        Case& c = packedSet();
        const int zips = int(listed(c.dir + "/reference", "*.zip").size());
        QVERIFY2(zips >= 12 && reference.contains("faults.sfv") &&
                     reference.contains("faults.par2"),
                 qPrintable(reference.keys().join(' ')));
        const int zipsMade = when == "first" ? 1 : when == "half" ? zips / 2 : zips - 1;
        clearOutputs(c);
        qputenv("SOURCE_DATE_EPOCH", kStamp);
        const auto unset = qScopeGuard([] { qunsetenv("SOURCE_DATE_EPOCH"); });
        QProcess p;
        // PAR2 files take the longest to make: only where the stop comes while they are made.
        const bool par2 = signal == 0 || when == "sfv";
        RunOptions options = setOptions(par2);
        if (!zone.isEmpty())
            options.environment["TZ"] = zone;
        h.start(p, c, "!" + setScript, options);
        const QString folder = c.work + "/Kavel001";
        auto ready = [&] {
            if (when == "archiving")
                return !listed(folder, "faults.7z.*").isEmpty();
            if (when == "sfv")
                return QFileInfo::exists(c.zips + "/faults.sfv");
            return listed(c.zips, "*.zip").size() >= zipsMade;
        };
        QElapsedTimer waited;
        waited.start();
        while (signal != 0 && !ready() && waited.elapsed() < 120'000 && !p.waitForFinished(0))
            QThread::usleep(200);
        if (signal != 0) {
            const pid_t pid = pid_t(p.processId());
            ::kill(pid, SIGSTOP);
            ::kill(pid, signal);
            ::kill(pid, SIGCONT);
        }
        QVERIFY(p.waitForFinished(300'000));
        const QByteArray err = p.readAllStandardError();
        if (signal == SIGTERM) {
            QCOMPARE(p.exitCode(), 128 + SIGTERM);
            QVERIFY2(err.contains("kavel32 --resume " + QFile::encodeName(folder)),
                     err.constData());
            // The hint says what is left: volumes to zip, or only the SFV and PAR2 files
            // (a stop meant for the last zips may land once they are all made).
            const bool everyZipMade = listed(c.zips, "*.zip").size() == zips;
            QVERIFY(everyZipMade || when != "sfv");
            QCOMPARE(err.contains("the volumes not yet zipped are in"), !everyZipMade);
            QCOMPARE(err.contains("every zip is made"), everyZipMade);
        } else if (signal == SIGKILL) {
            QCOMPARE(p.exitStatus(), QProcess::CrashExit);
        } else {
            QVERIFY2(p.exitCode() == 0, err.constData());
        }
        if (signal != 0) {
            // What the run started dies with it, even after kill -9; the bound only gives the
            // kernel time to deliver that.
            QTRY_VERIFY2_WITH_TIMEOUT(processesOf(c).isEmpty(),
                                      qPrintable(processesOf(c).join('\n')), 10'000);
            QVERIFY(hasJournalIn(folder));
            RunOptions resume = withOptions({"--resume"});
            if (!zone.isEmpty())
                resume.environment["TZ"] = zone;
            const Run resumed = h.runArgument(c, folder, resume);
            QVERIFY2(resumed.exitCode == 0, resumed.err.constData());
            QVERIFY2(resumed.out.contains(
                         QStringLiteral("Ripping complete: %1 zips").arg(zips).toLocal8Bit()),
                     resumed.out.constData());
            QCOMPARE(resumed.out.contains("archiving again"), when == "archiving");
        }
        QMap<QString, QByteArray> expected = reference;
        if (!par2)
            expected.removeIf([](const auto& file) { return file.key().endsWith(".par2"); });
        QCOMPARE(filesWithBytes(c.zips), expected);
        QVERIFY(QDir(c.work).isEmpty());
        QCOMPARE(snapshot(c.source), c.sourceBefore);
        QVERIFY(QDir(c.scratch).isEmpty());
    }

    // Unpacking a set with one zip deleted and one damaged: PAR2 at 10 % makes it whole from
    // copies, the zip folder stays as it was; without PAR2 nothing reaches the destination.
    void unpackRepairsOrLeavesNothing_data() {
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<QString>("par2");     // "own", "none", "older": an older set's of the
                                               // name, "own and older" (the older named older.par2)
        QTest::addColumn<bool>("destExists");  // an empty folder waits for the set
        QTest::addColumn<bool>("killedFirst"); // an unpack killed while it extracts went before
        QTest::newRow("whole set") << false << "own" << false << false;
        QTest::newRow("damaged, with PAR2") << true << "own" << false << false;
        QTest::newRow("damaged, with PAR2, into an empty folder") << true << "own" << true << false;
        QTest::newRow("damaged, no PAR2") << true << "none" << false << false;
        QTest::newRow("damaged, no PAR2, into an empty folder") << true << "none" << true << false;
        // 7-Zip takes a '*' in its output folder for the archive's name.
        QTest::newRow("whole set, into *?[x]") << false << "own" << false << false;
        QTest::newRow("damaged, with PAR2, after an unpack killed outright")
            << true << "own" << false << true;
        // PAR2 files of an older set of the same name and count would rebuild its zips in
        // this one's places: they are named and not used.
        QTest::newRow("damaged, with an older set's PAR2 files")
            << true << "older" << false << false;
        QTest::newRow("damaged, with its own and an older set's PAR2 files")
            << true << "own and older" << false << false;
    }
    void unpackRepairsOrLeavesNothing() {
        QFETCH(bool, damaged);
        QFETCH(QString, par2);
        QFETCH(bool, destExists);
        QFETCH(bool, killedFirst);
        const Case& c = packedSet();
        const bool newer = par2.contains("older");
        const QMap<QString, QByteArray>& zips = newer ? newerSet() : reference;
        const QString zipDir = c.dir + "/received " + QTest::currentDataTag();
        const QString dest = c.dir + "/unpacked " + QTest::currentDataTag();
        QDir(zipDir).removeRecursively();
        QDir(dest).removeRecursively();
        QDir().mkpath(zipDir);
        for (auto it = zips.cbegin(); it != zips.cend(); ++it)
            if (par2.startsWith("own") || !it.key().endsWith(".par2"))
                writeFile(zipDir + "/" + it.key(), it.value());
        for (auto it = reference.cbegin(); newer && it != reference.cend(); ++it)
            if (it.key().endsWith(".par2"))
                writeFile(zipDir + "/" + (par2 == "older" ? it.key() : "older" + it.key().mid(6)),
                          it.value());
        if (damaged) {
            QVERIFY(QFile::remove(zipDir + "/faults03.zip"));
            QByteArray bytes = readAll(zipDir + "/faults07.zip");
            for (int i = 0; i < 8; ++i)
                bytes[200'000 + i] = char(bytes[200'000 + i] ^ 0x5a);
            writeFile(zipDir + "/faults07.zip", bytes);
        }
        if (destExists)
            QDir().mkpath(dest);
        const QMap<QString, QByteArray> received = snapshot(zipDir);
        if (killedFirst) {
            // Its repaired copies stay in the scratch folder, its tree beside the destination.
            const QString marker = c.dir + "/extracting";
            h.shadowSevenZip(c, "[ \"$1\" = x ] && { touch '" + QFile::encodeName(marker) +
                                    "'; sleep 60; }");
            RunOptions shadowed = withOptions({"--unpack", zipDir});
            shadowed.pathPrefix = c.tools;
            QProcess killed;
            h.start(killed, c, dest, shadowed);
            QElapsedTimer waited;
            waited.start();
            while (!QFileInfo::exists(marker) && waited.elapsed() < 120'000 &&
                   !killed.waitForFinished(20)) {
            }
            QVERIFY2(QFileInfo::exists(marker), killed.readAllStandardError().constData());
            ::kill(pid_t(killed.processId()), SIGKILL);
            QVERIFY(killed.waitForFinished(30'000));
            QVERIFY(QFile::remove(c.tools + "/7zz"));
            QFile::remove(marker);
            QTRY_VERIFY_WITH_TIMEOUT(processesOf(c).isEmpty(), 10'000);
            QVERIFY(!QDir(c.scratch).isEmpty());
            QCOMPARE(QDir(c.dir).entryList({".unpacked*"}, QDir::AllEntries | QDir::Hidden).size(),
                     1);
        }
        const Run r = h.runArgument(c, dest, withOptions({"--unpack", zipDir}));
        QCOMPARE(snapshot(zipDir), received);
        QVERIFY(QDir(c.scratch).isEmpty());
        // Nothing is left beside the destination either.
        QCOMPARE(QDir(c.dir).entryList({".unpacked*"}, QDir::AllEntries | QDir::Hidden),
                 QStringList{});
        if (newer)
            QVERIFY2(
                r.out.contains(QStringLiteral("Not used for the repair, as not of this set: %1 ("
                                              "faults")
                                   .arg(par2 == "older" ? "faults.par2" : "older.par2")
                                   .toLocal8Bit()),
                r.out.constData());
        if (damaged && !par2.startsWith("own")) {
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(programLines(r.err).size() == 1 &&
                         r.err.contains(newer ? "no PAR2 files of this set" : "no PAR2 files"),
                     r.err.constData());
            QCOMPARE(QFileInfo::exists(dest), destExists);
            if (destExists)
                QVERIFY(QDir(dest).isEmpty());
            return;
        }
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QCOMPARE(r.out.contains("Repaired with PAR2 (faults.par2): faults03.zip (missing), "
                                "faults07.zip (damaged)"),
                 damaged);
        QVERIFY2(r.out.contains("Unpacked "), r.out.constData());
        QProcess diff;
        diff.start("diff", {"-r", "--no-dereference", c.source, dest + "/Game Source"});
        QVERIFY(diff.waitForFinished(60'000));
        QVERIFY2(diff.exitCode() == 0, diff.readAllStandardOutput().constData());
    }

    // Two jobs at once with their own state folders but one scratch folder: each packs what
    // its own skip list leaves, never the other's.
    void twoJobsAtOnceKeepTheirOwnSkipLists() {
        Case a = h.makeCase(200'000);
        Case b = h.makeCase(200'000);
        b.scratch = a.scratch;
        for (Case* c : {&a, &b})
            h.shadowSevenZip(*c, "sleep 1");
        const QString skipA = h.writeScript(a, {{"skip", a.source + "/docs/*.*"}});
        const QString skipB = h.writeScript(b, {{"skip", b.source + "/small/d1/*.*"}});
        for (int round = 0; round < 2; ++round) {
            for (const Case* c : {&a, &b})
                for (const QString& zip : QDir(c->zips).entryList(QDir::Files))
                    QFile::remove(c->zips + "/" + zip);
            QProcess pa, pb;
            h.start(pa, a, "!" + skipA, {.pathPrefix = a.tools});
            h.start(pb, b, "!" + skipB, {.pathPrefix = b.tools});
            QVERIFY(pa.waitForFinished(120'000) && pb.waitForFinished(120'000));
            QVERIFY2(pa.exitCode() == 0, pa.readAllStandardError().constData());
            QVERIFY2(pb.exitCode() == 0, pb.readAllStandardError().constData());
            for (const Case* c : {&a, &b}) {
                QByteArray listing;
                for (const QString& zip :
                     QDir(c->zips).entryList({"*.zip"}, QDir::Files, QDir::Name))
                    listing +=
                        unzipOut({"-p", c->zips + "/" + zip,
                                  QString::fromLocal8Bit(unzipOut({"-Z1", c->zips + "/" + zip}))
                                      .section('\n', 0, 0)});
                writeFile(c->dir + "/set.7z", listing);
                QProcess list;
                list.start(h.sevenZip, {"l", c->dir + "/set.7z"});
                QVERIFY(list.waitForFinished(60'000));
                listing = list.readAllStandardOutput();
                const bool isA = c == &a;
                QVERIFY2(listing.contains("manual.txt") != isA, listing.constData());
                QVERIFY2(listing.contains("f1.txt") == isA, listing.constData());
            }
            QVERIFY(QDir(a.scratch).isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(HostileRunsTest)
#include "test_hostile_runs.moc"
