#include "../common/test_needs.h"
#include "archiver_frontend.h"
#include "progress_parser.h"

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
#include <QtTest>

#include "../common/file_helpers.h"

#include <csignal>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {
QByteArray randomBytes(int n, quint32 seed) {
    QRandomGenerator gen(seed);
    QByteArray data(n, Qt::Uninitialized);
    gen.fillRange(reinterpret_cast<quint32*>(data.data()), n / 4);
    return data;
}

struct Run {
    int status = -1;
    QByteArray out, err;
};

QProcessEnvironment environment(bool progress, const QString& path = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("KAVEL32_PROGRESS");
    if (progress)
        env.insert("KAVEL32_PROGRESS", "1");
    if (!path.isEmpty())
        env.insert("PATH", path);
    return env;
}

Run runProgram(const QString& program, const QStringList& args,
               const QProcessEnvironment& env = environment(false)) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

Run run(const QString& tool, const QStringList& args, bool progress = false) {
    return runProgram(QString(KAVEL_BIN_DIR) + "/" + tool, args, environment(progress));
}

// Relative path -> what a receiver gets back, links not followed: a file's hash, a link's
// own target text, a folder, or "special" for FIFOs, sockets and devices.
QMap<QString, QByteArray> treeOf(const QString& root) {
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QByteArray native = QFile::encodeName(path);
        struct stat st;
        QByteArray what = "missing";
        if (lstat(native.constData(), &st) == 0) {
            if (S_ISLNK(st.st_mode)) {
                char target[4096];
                const ssize_t n = readlink(native.constData(), target, sizeof target);
                what = "link " + QByteArray(target, n > 0 ? int(n) : 0);
            } else if (S_ISDIR(st.st_mode)) {
                what = "dir";
            } else if (S_ISREG(st.st_mode)) {
                what = "file " +
                       QCryptographicHash::hash(readAll(path), QCryptographicHash::Sha256).toHex();
            } else {
                what = "special";
            }
        }
        tree.insert(QDir(root).relativeFilePath(path), what);
    }
    return tree;
}

// Names a shell, a wildcard matcher or a command-line splitter would take apart.
const QStringList kHostileNames = {
    "a*b",   "q?",         "[x]",   "<lt>",      "\"dq\"", "back\\slash", "trail\\",   "semi;colon",
    "$(id)", "blank name", " lead", "new\nline", "-dash",  "@at",         "drop*.txt", "dropX.txt"};

// A source as users have them: plain and hostile names, links inside, outside, dangling and
// in a loop, and a FIFO (and a device when we may make one). "skip me/" and "drop*.txt" are
// what the exclusion list names; "dropX.txt" beside them must stay.
void makeSource(const QString& source, const QString& outside) {
    writeFile(source + "/readme file.txt", QByteArray("hello\n").repeated(8000));
    writeFile(source + "/data/noise.bin", randomBytes(600'000, 7));
    writeFile(source + "/sub dir [1]/deep/more.bin", randomBytes(100'000, 8));
    writeFile(source + "/skip me/secret.bin", randomBytes(1000, 9));
    for (const QString& name : kHostileNames)
        writeFile(source + "/" + name, name.toUtf8());
    writeFile(outside + "/big.bin", randomBytes(300'000, 10));
    const QByteArray s = QFile::encodeName(source);
    QCOMPARE(symlink("data", s + "/link-in"), 0);
    QCOMPARE(symlink("readme file.txt", s + "/link-file"), 0);
    QCOMPARE(symlink(QFile::encodeName(outside).constData(), s + "/link-out"), 0);
    QCOMPARE(symlink("nowhere", s + "/dangling"), 0);
    QCOMPARE(symlink("loop2", s + "/loop1"), 0);
    QCOMPARE(symlink("loop1", s + "/loop2"), 0);
    QCOMPARE(mkfifo(s + "/sub dir [1]/fifo", 0644), 0);
    if (geteuid() == 0)
        QCOMPARE(mknod(s + "/zero", S_IFCHR | 0644, makedev(1, 5)), 0);
}

QByteArray skipList(const QString& source) {
    return (source + "/skip me/*.*\r\n" + source + "/drop*.txt\r\n/elsewhere/x\r\n\r\n").toUtf8();
}

// What extracting the set must give: the source without its special files (and exclusions).
QMap<QString, QByteArray> treeWithoutSpecials(const QString& source) {
    QMap<QString, QByteArray> tree = treeOf(source);
    for (auto it = tree.begin(); it != tree.end();)
        it = it.value() == "special" ? tree.erase(it) : std::next(it);
    return tree;
}
QMap<QString, QByteArray> expectedTree(const QString& source) {
    QMap<QString, QByteArray> tree = treeWithoutSpecials(source);
    for (auto it = tree.begin(); it != tree.end();)
        it = it.key().startsWith("skip me") || it.key() == "drop*.txt" ? tree.erase(it)
                                                                       : std::next(it);
    return tree;
}

// The entries that differ, for a failure message that can be read.
QByteArray treeDifference(const QMap<QString, QByteArray>& got,
                          const QMap<QString, QByteArray>& want) {
    QByteArray text;
    QStringList keys = got.keys() + want.keys();
    keys.removeDuplicates();
    for (const QString& key : keys)
        if (got.value(key, "absent") != want.value(key, "absent"))
            text += key.toUtf8() + ": got " + got.value(key, "absent") + ", want " +
                    want.value(key, "absent") + "; ";
    return text;
}

// Joins the volumes and extracts them with the real 7-Zip, links restored as links.
bool extract(const QString& folder, const QStringList& volumes, const QString& into) {
    QByteArray joined;
    for (const QString& v : volumes)
        joined += readAll(folder + "/" + v);
    const QString whole = into + "/../joined.bin";
    writeFile(whole, joined);
    const Run r = runProgram("7zz", {"x", "-y", "-snld20", "-o" + into, whole});
    QFile::remove(whole);
    return r.status == 0;
}

// "12,345 bytes in 3 files in ..." -> {12345, 3}
QPair<qint64, qint64> grandTotal(const QByteArray& listing) {
    static const QRegularExpression total(
        "Total of all files found\r\n  ([0-9,]+) bytes in ([0-9,]+) files?");
    const QRegularExpressionMatch m = total.match(QString::fromUtf8(listing));
    if (!m.hasMatch())
        return {-1, -1};
    return {m.captured(1).remove(',').toLongLong(), m.captured(2).remove(',').toLongLong()};
}

// The processes whose parent is pid.
QList<int> childrenOf(qint64 pid) {
    QList<int> pids;
    const QByteArray text = readAll(QString("/proc/%1/task/%1/children").arg(pid)).trimmed();
    for (const QByteArray& p : text.split(' '))
        if (!p.isEmpty())
            pids << p.toInt();
    return pids;
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

bool progressLinesWellFormed(const QByteArray& out) {
    static const QRegularExpression line("^(100|[1-9]?[0-9])%$");
    int last = -1;
    for (const QByteArray& l : out.split('\n').mid(0, out.count('\n'))) {
        const QRegularExpressionMatch m = line.match(QString::fromLatin1(l));
        if (!m.hasMatch() || m.captured(1).toInt() == last)
            return false;
        last = m.captured(1).toInt();
    }
    return out.isEmpty() || out.endsWith('\n');
}
} // namespace

class ArchiverFrontendTest : public QObject {
    Q_OBJECT
    QTemporaryDir work;
    QString source;

  private slots:
    void initTestCase() {
        QVERIFY(work.isValid());
        source = work.filePath("My Game");
        makeSource(source, work.filePath("outside"));
        writeFile(work.filePath("skip.txt"), skipList(source));
    }

    void parsing_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("list");
        const int rar = int(FrontendKind::Rar), ace = int(FrontendKind::Ace);
        QTest::newRow("rar bytes")
            << rar << QStringList{"a", "-r", "-v1440000b", "-m3", "-y", "o.rar", "/s", "-x@/l"}
            << qint64(1440000) << 3 << "/l";
        QTest::newRow("ace kilobytes")
            << ace << QStringList{"a", "-r", "-v1440", "-m5", "-y", "o.ace", "/s"}
            << qint64(1440000) << 5 << "";
        QTest::newRow("rar one archive")
            << rar << QStringList{"a", "-r", "-v0000b", "-m0", "-y", "o.rar", "/s"} << qint64(0)
            << 0 << "";
        QTest::newRow("ace no switch")
            << ace << QStringList{"a", "-r", "-m2", "-y", "o.ace", "/s"} << qint64(0) << 2 << "";
        QTest::newRow("largest byte size")
            << rar << QStringList{"a", "-v9223372036854775807b", "o.rar", "/s"}
            << qint64(9223372036854775807) << 3 << "";
    }
    void parsing() {
        QFETCH(int, kind);
        QFETCH(QStringList, args);
        QFETCH(qint64, bytes);
        QFETCH(int, method);
        QFETCH(QString, list);
        ArchiveRequest r;
        QString error;
        QVERIFY2(parseArchiveRequest(args, FrontendKind(kind), &r, &error), qPrintable(error));
        QCOMPARE(r.volumeBytes, bytes);
        QCOMPARE(r.methodDigit, method);
        QCOMPARE(r.exclusionList, list);
    }

    void badArguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        QTest::newRow("no source") << QStringList{"a", "-y", "o.rar"} << "got 1 name(s)";
        QTest::newRow("three names") << QStringList{"a", "o.rar", "/s", "x"} << "\"x\"";
        QTest::newRow("bad method") << QStringList{"a", "-m9", "o.rar", "/s"} << "-m9";
        QTest::newRow("method not a digit") << QStringList{"a", "-mx", "o.rar", "/s"} << "-mx";
        QTest::newRow("method with a sign") << QStringList{"a", "-m+3", "o.rar", "/s"} << "-m+3";
        QTest::newRow("bad volume") << QStringList{"a", "-vxyz", "o.rar", "/s"} << "-vxyz";
        QTest::newRow("negative volume") << QStringList{"a", "-v-5b", "o.rar", "/s"} << "-v-5b";
        QTest::newRow("kilobytes overflow")
            << QStringList{"a", "-v9223372036854775807", "o.rar", "/s"} << "out of range";
        QTest::newRow("bytes past 7-Zip's limit")
            << QStringList{"a", "-v18446744073709551616b", "o.rar", "/s"} << "out of range";
        QTest::newRow("wrong command") << QStringList{"x", "o.rar", "/s"} << "\"x\"";
        QTest::newRow("archive is a folder") << QStringList{"a", "out/", "/s"} << "names no file";
        QTest::newRow("archive is an extension")
            << QStringList{"a", "out/.rar", "/s"} << "names no file";
        QTest::newRow("empty list switch") << QStringList{"a", "o.rar", "/s", "-x@"} << "-x@";
    }
    void badArguments() {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        ArchiveRequest r;
        QString error;
        QVERIFY(!parseArchiveRequest(args, FrontendKind::Rar, &r, &error));
        QVERIFY2(error.contains(says), qPrintable(error));
        QVERIFY(!error.contains('\n'));
    }

    void levels() {
        QCOMPARE((QList<int>{sevenZipLevel(0), sevenZipLevel(1), sevenZipLevel(2), sevenZipLevel(3),
                             sevenZipLevel(4), sevenZipLevel(5)}),
                 (QList<int>{0, 1, 3, 5, 7, 9}));
    }

    // A reproducible run's 7z volumes do not depend on how many threads 7-Zip has: with one
    // it writes a solid LZMA2 stream, with more, blocks; the switch fixes the block size.
    void reproducibleVolumesIgnoreThreads_data() {
        QTest::addColumn<int>("method");
        QTest::addColumn<bool>("reproducible");
        QTest::addColumn<bool>("alike");
        QTest::newRow("fastest, reproducible") << 1 << true << true;
        QTest::newRow("fastest, as today") << 1 << false << false;
    }
    void reproducibleVolumesIgnoreThreads() {
        QFETCH(int, method);
        QFETCH(bool, reproducible);
        QFETCH(bool, alike);
        const QString sevenZip = QStandardPaths::findExecutable("7zz");
        if (sevenZip.isEmpty())
            SKIP_OR_FAIL("7-Zip (7zz) is not installed");
        // Text of a few megabytes: more than one block of the fastest level.
        QByteArray text;
        for (int i = 0; i < 100000; ++i)
            text += QByteArray::number(qint64(i) * 7919) + " of a compressible line\n";
        writeFile(work.filePath("threads/text.txt"), text);
        QList<QByteArray> made;
        for (const char* threads : {"-mmt1", "-mmt2"}) {
            const QString archive = work.filePath(QStringLiteral("threads/%1.7z").arg(threads));
            QStringList args{"a",     "-t7z",  QStringLiteral("-mx%1").arg(sevenZipLevel(method)),
                             threads, "-bso0", "-bsp0"};
            args << reproducibleSwitches(FrontendKind::Rar, method, reproducible);
            args << "--" << archive << work.filePath("threads/text.txt");
            QProcess p;
            p.start(sevenZip, args);
            QVERIFY(p.waitForFinished(120000));
            QCOMPARE(p.exitCode(), 0);
            made << readAll(archive);
        }
        QCOMPARE(made[0] == made[1], alike);
        // Nothing to fix where there is nothing to compress, or in a zip set.
        QVERIFY(reproducibleSwitches(FrontendKind::Rar, 0, true).isEmpty());
        QVERIFY(reproducibleSwitches(FrontendKind::Ace, method, true).isEmpty());
    }

    void exclusionsBecomeRelative() {
        QStringList p;
        QString error;
        QVERIFY(exclusionPatterns("/src/Game/sub/*.*\r\n/src/Game/a b.txt\r\n/elsewhere/x\r\n"
                                  "/src/Gamer/y\r\n/real/Game/z \r\n\r\n",
                                  {"/src/Game", "/real/Game"}, "Game", &p, &error));
        QCOMPARE(p, (QStringList{"-x!Game/sub", "-x!Game/a b.txt", "-x!Game/z "}));
        // A volume root is packed without its own name.
        p.clear();
        QVERIFY(exclusionPatterns("/mnt/usb/a/*.*\r\n/etc/x\r\n", {"/mnt/usb"}, "", &p, &error));
        QCOMPARE(p, QStringList{"-x!a"});
        p.clear();
        QVERIFY(exclusionPatterns("/etc/x\r\n", {"/"}, "", &p, &error));
        QCOMPARE(p, QStringList{"-x!etc/x"});
        QVERIFY(!exclusionPatterns("/src/Game/\xff\xfe\r\n", {"/src/Game"}, "Game", &p, &error));
        QVERIFY(error.contains("line 1"));
    }

    // Progress recorded from the real 7-Zip, fed cut at every size: the same percentages,
    // and a name holding backspaces, a CR and "99%" fakes none.
    void progressFromRecordedOutput_data() {
        QTest::addColumn<QString>("recording");
        QDir data(KAVEL_SOURCE_DIR "/tests/tools/data/progress");
        for (const QString& name : data.entryList({"*.bsp1"}))
            QTest::newRow(qPrintable(name)) << data.filePath(name);
    }
    void progressFromRecordedOutput() {
        QFETCH(QString, recording);
        const QByteArray bytes = readAll(recording);
        QVERIFY(!bytes.isEmpty());
        const QByteArray expected =
            readAll(recording.chopped(QString(".bsp1").size()) + ".expected");
        QVERIFY(!expected.isEmpty());
        for (qsizetype cut : {qsizetype(1), qsizetype(3), qsizetype(64), bytes.size()}) {
            SevenZipProgress parser;
            QByteArray lines;
            for (qsizetype at = 0; at < bytes.size(); at += cut)
                for (int percent : parser.feed(std::string_view(
                         bytes.constData() + at, size_t(qMin(cut, bytes.size() - at)))))
                    lines += QByteArray::number(percent) + "%\n";
            QCOMPARE(lines, expected);
        }
    }

    void volumeSetsExtractToTheSource_data() {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QString>("volume");
        QTest::addColumn<QString>("sourceName");
        QTest::addColumn<QString>("archiveName");
        QTest::addColumn<QString>("firstVolume");
        QTest::addColumn<bool>("progress");
        QTest::addColumn<bool>("skip"); // with the exclusion list
        // Volumes of 200,000 bytes: the 750 KB source makes four or more.
        QTest::newRow("wrar volumes") << "wrar"
                                      << "-v200000b"
                                      << "My Game"
                                      << "mygame.rar"
                                      << "mygame.7z.001" << true << true;
        QTest::newRow("wace volumes") << "wace"
                                      << "-v200"
                                      << "My Game"
                                      << "mygame.ace"
                                      << "mygame.zip.001" << false << true;
        QTest::newRow("wrar one archive, wildcard source") << "wrar"
                                                           << "-v0000b"
                                                           << "a*b"
                                                           << "mygame.rar"
                                                           << "mygame.7z" << true << true;
        QTest::newRow("wace one archive, wildcard source") << "wace"
                                                           << ""
                                                           << "a*b"
                                                           << "mygame.ace"
                                                           << "mygame.zip" << true << true;
        QTest::newRow("wrar three-digit set, quote in source") << "wrar"
                                                               << "-v200000b"
                                                               << "q\"<>;$(id)"
                                                               << "mygame.001"
                                                               << "mygame.7z.001" << true << true;
        QTest::newRow("wace source ending in backslash") << "wace"
                                                         << "-v200"
                                                         << "trail\\"
                                                         << "mygame.ace"
                                                         << "mygame.zip.001" << true << true;
        QTest::newRow("wrar newline in source, tab and quote in name")
            << "wrar"
            << "-v200000b"
            << "new\nline"
            << "my\"ga\tme.rar"
            << "my\"ga\tme.7z.001" << true << false; // a list line cannot hold the name
        QTest::newRow("wace switch-like names") << "wace"
                                                << "-v200"
                                                << "-dash"
                                                << "@at.ace"
                                                << "@at.zip.001" << true << true;
    }
    void volumeSetsExtractToTheSource() {
        QFETCH(QString, tool);
        QFETCH(QString, volume);
        QFETCH(QString, sourceName);
        QFETCH(QString, archiveName);
        QFETCH(QString, firstVolume);
        QFETCH(bool, progress);
        QFETCH(bool, skip);
        QTemporaryDir root;
        const QString src = root.filePath(sourceName);
        makeSource(src, root.filePath("outside"));
        // A sibling that the source's name would match as a wildcard.
        writeFile(root.filePath("aXb/leak.txt"), "must not be packed");
        writeFile(root.filePath("skip.txt"), skipList(src));
        QVERIFY(QDir().mkpath(root.filePath("out")));

        QStringList args{"a", "-r"};
        if (!volume.isEmpty())
            args << volume;
        args << "-m1"
             << "-y" << root.filePath("out/" + archiveName) << src;
        if (skip)
            args << "-x@" + root.filePath("skip.txt");
        const Run r = run(tool, args, progress);
        QVERIFY2(r.status == 0, r.err.constData());
        QCOMPARE(r.err, QByteArray());
        QVERIFY2(progressLinesWellFormed(r.out), r.out.constData());
        if (!progress)
            QCOMPARE(r.out, QByteArray());

        // The folder holds the set and nothing else, named for the format it holds.
        const QStringList volumes = filesIn(root.filePath("out"));
        QCOMPARE(volumes.first(), firstVolume);
        if (firstVolume.endsWith(".001")) {
            QVERIFY(volumes.size() >= 4);
            for (int i = 0; i < volumes.size(); ++i) {
                QCOMPARE(volumes[i],
                         firstVolume.chopped(3) + QString("%1").arg(i + 1, 3, 10, QChar('0')));
                QVERIFY(QFileInfo(root.filePath("out/" + volumes[i])).size() <= 200'000);
            }
        } else {
            QCOMPARE(volumes.size(), 1);
        }

        QVERIFY(extract(root.filePath("out"), volumes, root.filePath("x")));
        QCOMPARE(QDir(root.filePath("x")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{sourceName});
        QMap<QString, QByteArray> got = treeOf(root.filePath("x/" + sourceName));
        // 7-Zip puts an absolute link's target below the folder it extracts into; the
        // volumes hold it as it was.
        for (QByteArray& what : got)
            if (what.startsWith("link " + QFile::encodeName(root.filePath("x/"))))
                what.remove(5, QFile::encodeName(root.filePath("x")).size());
        const QByteArray difference =
            treeDifference(got, skip ? expectedTree(src) : treeWithoutSpecials(src));
        QVERIFY2(difference.isEmpty(), difference.constData());
        // The set holds the links themselves, not the 300 KB they point at.
        QVERIFY(treeOf(root.filePath("x/" + sourceName)).value("link-out").startsWith("link "));
    }

    // What the size program counts is what the archivers pack: links as links, special
    // files left out. Both front-ends run at once: they share no working file.
    void sizeCountsWhatIsPacked() {
        QTemporaryDir out;
        const Run size = runProgram(KAVEL_BIN_DIR "/size", {source, "/s", "/t"});
        QCOMPARE(size.status, 0);
        const QPair<qint64, qint64> counted = grandTotal(size.out);
        QVERIFY2(counted.first > 0, size.out.constData());

        QProcess rar, ace;
        rar.start(KAVEL_BIN_DIR "/wrar",
                  {"a", "-r", "-v0000b", "-m1", "-y", out.filePath("w.rar"), source});
        ace.start(KAVEL_BIN_DIR "/wace", {"a", "-r", "-m1", "-y", out.filePath("w.ace"), source});
        QVERIFY(rar.waitForFinished(120000) && ace.waitForFinished(120000));
        QCOMPARE(rar.exitCode(), 0);
        QCOMPARE(ace.exitCode(), 0);
        for (const QString& archive : {out.filePath("w.7z"), out.filePath("w.zip")}) {
            const Run list = runProgram("7zz", {"l", "-slt", archive});
            QCOMPARE(list.status, 0);
            // The entries follow the "----------" line, one block of "Key = value" lines each.
            const QByteArray entries = list.out.mid(list.out.indexOf("\n----------\n") + 12);
            qint64 bytes = 0, files = 0;
            for (const QByteArray& block :
                 QByteArray(entries).replace("\n\n", "\x01").split('\x01')) {
                if (!block.contains("Path = "))
                    continue;
                bool folder = false;
                qint64 entrySize = 0;
                for (const QByteArray& line : block.split('\n')) {
                    if (line.startsWith("Attributes = D") || line == "Folder = +")
                        folder = true;
                    if (line.startsWith("Size = "))
                        entrySize = line.mid(7).toLongLong();
                }
                if (!folder) {
                    bytes += entrySize;
                    ++files;
                }
            }
            QCOMPARE(bytes, counted.first);
            QCOMPARE(files, counted.second);
        }
    }

    // Every refusal: its status, one line naming the cause, nothing on standard output and
    // nothing left in the output folder.
    void failuresSayWhatFailed_data() {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("args"); // %out: the output folder, %src: the source
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        const QString fifoList = work.filePath("list.fifo");
        if (!QFile::exists(fifoList))
            QCOMPARE(mkfifo(QFile::encodeName(fifoList).constData(), 0600), 0);
        const QString bigList = work.filePath("big-list.txt");
        if (!QFile::exists(bigList))
            writeFile(bigList, QByteArray(16'000'001, 'x'));
        const QString fifoSource = work.filePath("source.fifo");
        if (!QFile::exists(fifoSource))
            QCOMPARE(mkfifo(QFile::encodeName(fifoSource).constData(), 0600), 0);

        QTest::newRow("archive names no file")
            << "wrar" << QStringList{"a", "-r", "-y", "%out/", "%src"} << 2 << "names no file";
        QTest::newRow("volume size overflows")
            << "wace" << QStringList{"a", "-r", "-v9223372036854775807", "-y", "%out/x.ace", "%src"}
            << 2 << "out of range";
        QTest::newRow("list is /dev/zero")
            << "wrar" << QStringList{"a", "-r", "-y", "%out/x.rar", "%src", "-x@/dev/zero"} << 2
            << "\"/dev/zero\" is not a regular file";
        QTest::newRow("list is a FIFO")
            << "wace" << QStringList{"a", "-r", "-y", "%out/x.ace", "%src", "-x@" + fifoList} << 2
            << "is not a regular file";
        QTest::newRow("list over 16 MB")
            << "wrar" << QStringList{"a", "-r", "-y", "%out/x.rar", "%src", "-x@" + bigList} << 2
            << "larger than 16 MB";
        QTest::newRow("list missing")
            << "wrar"
            << QStringList{"a", "-r", "-y", "%out/x.rar", "%src", "-x@" + work.filePath("no")} << 2
            << "No such file";
        const QString brokenList = work.filePath("broken-list.txt");
        writeFile(brokenList, (source + "/new\nline/x.txt\r\n").toUtf8());
        QTest::newRow("list line broken by a name's line end")
            << "wace" << QStringList{"a", "-r", "-y", "%out/x.ace", "%src", "-x@" + brokenList} << 2
            << "line 2 of the exclusion list is not an absolute path";
        QTest::newRow("source is a FIFO")
            << "wace" << QStringList{"a", "-r", "-y", "%out/x.ace", fifoSource} << 2
            << "not a folder or a regular file";
        QTest::newRow("source with a quote missing")
            << "wrar" << QStringList{"a", "-r", "-y", "%out/x.rar", work.filePath("no \"such\"")}
            << 2 << "the source \"" + work.filePath("no \"such\"") + "\" does not exist";
        QTest::newRow("output folder missing")
            << "wace" << QStringList{"a", "-r", "-y", "%out/none/x.ace", "%src"} << 2
            << "does not exist";
        QTest::newRow("a set of that name is there")
            << "wrar" << QStringList{"a", "-r", "-y", "%out/old.rar", "%src"} << 2
            << "\"old.7z.002\" is already in";
    }
    void failuresSayWhatFailed() {
        QFETCH(QString, tool);
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, says);
        QTemporaryDir out;
        if (QTest::currentDataTag() == QLatin1String("a set of that name is there"))
            writeFile(out.filePath("old.7z.002"), "from another run");
        const QStringList before = filesIn(out.path());
        for (QString& a : args)
            a.replace("%out", out.path()).replace("%src", source);
        QElapsedTimer clock;
        clock.start();
        const Run r = run(tool, args, true);
        QVERIFY2(clock.elapsed() < 30000, "the refusal took too long");
        QCOMPARE(r.status, status);
        QCOMPARE(r.err.count('\n'), 1);
        QVERIFY2(r.err.startsWith(tool.toUtf8() + ": ") && r.err.contains(says.toUtf8()),
                 r.err.constData());
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(filesIn(out.path()), before);
    }

    void missingSourceFailsWithOneLineAndNoVolumes() {
        QTemporaryDir out;
        const Run r =
            run("wace", {"a", "-r", "-m3", "-y", out.filePath("x.ace"), work.filePath("missing")});
        QVERIFY(r.status != 0);
        QCOMPARE(r.err.count('\n'), 1);
        QVERIFY(r.err.startsWith("wace: "));
        QVERIFY(QDir(out.path()).isEmpty());
    }

    void missingSevenZipIsReported() {
        QTemporaryDir out;
        const Run r = runProgram(KAVEL_BIN_DIR "/wrar",
                                 {"a", "-r", "-m3", "-y", out.filePath("x.rar"), source},
                                 environment(false, "/nonexistent"));
        QCOMPARE(r.status, 2);
        QCOMPARE(r.err, QByteArray("wrar: 7-Zip (7zz or 7z) is not installed\n"));
        QVERIFY(QDir(out.path()).isEmpty());
    }

    // A full work folder: 7-Zip's reason, not only its "System ERROR:", and no volume left.
    void fullWorkFolderSaysWhy_data() {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QString>("volume");
        QTest::newRow("wrar") << "wrar"
                              << "-v200000b";
        QTest::newRow("wace") << "wace"
                              << "-v200";
    }
    void fullWorkFolderSaysWhy() {
        QFETCH(QString, tool);
        QFETCH(QString, volume);
        if (runProgram("unshare", {"-m", "true"}).status != 0)
            SKIP_OR_FAIL("a private mount of a small tmpfs needs the super-user");
        QTemporaryDir out;
        // 256 KB cannot hold the 750 KB source's set.
        const Run r = runProgram(
            "unshare", {"-m", "sh", "-c",
                        "mount -t tmpfs -o size=256k tmpfs \"$1\" && o=$1 && shift && \"$@\"; "
                        "s=$?; ls -A \"$o\" >&2; exit $s",
                        "sh", out.path(), QString(KAVEL_BIN_DIR) + "/" + tool, "a", "-r", volume,
                        "-m0", "-y", out.filePath("x.rar"), source});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.err.startsWith(tool.toUtf8() + ": 7-Zip failed: System ERROR: ") &&
                     r.err.contains("No space left on device\n"),
                 r.err.constData());
        QCOMPARE(r.err.count('\n'), 1); // and "ls" of the folder printed nothing
    }

    // A volume root (a mounted drive) is packed as its contents, without a folder of its own
    // name; its exclusions still apply.
    void volumeRootPacksItsContents() {
        if (runProgram("unshare", {"-m", "true"}).status != 0)
            SKIP_OR_FAIL("a private mount of a tmpfs needs the super-user");
        QTemporaryDir root;
        const QString drive = root.filePath("drive");
        QVERIFY(QDir().mkpath(drive));
        QVERIFY(QDir().mkpath(root.filePath("out")));
        const Run r = runProgram(
            "unshare", {"-m", "sh", "-c",
                        "mount -t tmpfs tmpfs \"$1\" && mkdir \"$1/keep\" \"$1/skip\" && "
                        "echo a > \"$1/a*.txt\" && echo k > \"$1/keep/k\" && "
                        "echo s > \"$1/skip/s\" && printf '%s\\r\\n' \"$1/skip/*.*\" > \"$2\" && "
                        "\"$3\" a -r -v0000b -y \"$4\" \"$1\" \"-x@$2\"",
                        "sh", drive, root.filePath("skip.txt"), KAVEL_BIN_DIR "/wrar",
                        root.filePath("out/x.rar")});
        QVERIFY2(r.status == 0, r.err.constData());
        QVERIFY(extract(root.filePath("out"), {"x.7z"}, root.filePath("x")));
        const QMap<QString, QByteArray> got = treeOf(root.filePath("x"));
        QCOMPARE(got.keys(), (QStringList{"a*.txt", "keep", "keep/k"}));
    }

    // A file that cannot be read: named, exit status 1, no set left behind.
    void unreadableSourceFileIsNamed() {
        if (geteuid() == 0 && runProgram("setpriv", {"--version"}).status != 0)
            SKIP_OR_FAIL("the super-user reads every file, and setpriv is missing");
        QTemporaryDir root;
        QVERIFY(QFile::setPermissions(root.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                       QFile::ExeOwner | QFile::ReadOther |
                                                       QFile::WriteOther | QFile::ExeOther));
        const QString src = root.filePath("src");
        writeFile(src + "/ok.txt", "fine");
        writeFile(src + "/locked.txt", "secret");
        QVERIFY(QFile::setPermissions(src + "/locked.txt", QFileDevice::Permissions()));
        QVERIFY(QDir().mkpath(root.filePath("out")));
        QVERIFY(QFile::setPermissions(root.filePath("out"),
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther));
        const QStringList args{"a", "-r", "-v200000b", "-y", root.filePath("out/x.rar"), src};
        const Run r =
            geteuid() == 0
                ? runProgram("setpriv", QStringList{"--reuid=65534", "--regid=65534",
                                                    "--clear-groups", KAVEL_BIN_DIR "/wrar"} +
                                            args)
                : run("wrar", args);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.startsWith("wrar: some source files could not be read: ") &&
                     r.err.contains("locked.txt") && r.err.contains("Permission denied"),
                 r.err.constData());
        QCOMPARE(r.err.count('\n'), 1);
        QCOMPARE(filesIn(root.filePath("out")), QStringList());
    }

    // A stop signal mid-run: 7-Zip ended, the partial volumes gone, 128 + signal, one line.
    // Killed outright the front-end cannot clean up, but its 7-Zip dies with it.
    void stopSignalsEndTheRun_data() {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<int>("signal");
        QTest::newRow("wrar SIGTERM") << "wrar" << SIGTERM;
        QTest::newRow("wace SIGINT") << "wace" << SIGINT;
        QTest::newRow("wrar SIGHUP") << "wrar" << SIGHUP;
        QTest::newRow("wace SIGKILL") << "wace" << SIGKILL;
        QTest::newRow("wrar SIGKILL") << "wrar" << SIGKILL;
    }
    void stopSignalsEndTheRun() {
        QFETCH(QString, tool);
        QFETCH(int, signal);
        const QString big = work.filePath("big");
        if (!QFile::exists(big))
            writeFile(big + "/noise.bin", randomBytes(40'000'000, 11));
        QTemporaryDir out;
        QProcess p;
        p.setProcessEnvironment(environment(true));
        p.start(QString(KAVEL_BIN_DIR) + "/" + tool,
                {"a", "-r", tool == "wrar" ? "-v1440000b" : "-v1440", "-m5", "-y",
                 out.filePath("x.rar"), big});
        QVERIFY(p.waitForStarted());
        // Mid-run: 7-Zip is writing its volumes.
        QList<int> archivers;
        QElapsedTimer clock;
        clock.start();
        while (filesIn(out.path()).isEmpty() && clock.elapsed() < 60000)
            QTest::qWait(20);
        archivers = childrenOf(p.processId());
        QVERIFY2(!filesIn(out.path()).isEmpty() && !archivers.isEmpty(), "7-Zip did not start");
        QCOMPARE(p.state(), QProcess::Running);
        ::kill(pid_t(p.processId()), signal);
        QVERIFY(p.waitForFinished(30000));
        QTest::qWait(300);
        for (int pid : archivers)
            QVERIFY2(!processAlive(pid), "7-Zip goes on after the front-end ended");
        if (signal == SIGKILL) {
            QCOMPARE(p.exitStatus(), QProcess::CrashExit);
            const QStringList left = filesIn(out.path());
            QTest::qWait(500);
            QCOMPARE(filesIn(out.path()), left); // nothing writes any more
            return;
        }
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 128 + signal);
        const QByteArray err = p.readAllStandardError();
        QCOMPARE(err.count('\n'), 1);
        QVERIFY2(err.startsWith(tool.toUtf8() + ": stopped by SIG"), err.constData());
        QCOMPARE(filesIn(out.path()), QStringList());
        QVERIFY(progressLinesWellFormed(p.readAllStandardOutput()));
    }
};

QTEST_GUILESS_MAIN(ArchiverFrontendTest)
#include "test_archiver_frontend.moc"
