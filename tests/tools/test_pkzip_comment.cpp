// pkzip <zip> -z < comment: the comment is stored as the bytes the file holds, and bad input
// is refused without touching the zip.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "../common/file_helpers.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Run {
    int status = -1;
    QByteArray out, err;
    qint64 milliseconds = 0;
};

Run pkzip(const QStringList& args, const QString& input) {
    QProcess p;
    p.setStandardInputFile(input);
    QElapsedTimer clock;
    clock.start();
    p.start(KAVEL_BIN_DIR "/pkzip", args);
    Run r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.milliseconds = clock.elapsed();
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

Run tool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    Run r;
    if (p.waitForFinished(30000))
        r.status = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// A zip with two entries made by the real zip program.
QString makeZip(const QString& folder, const QString& name) {
    writeFile(folder + "/one.txt", "first entry\r\n");
    writeFile(folder + "/two.bin", QByteArray(5000, '\x07'));
    const QString zip = folder + "/" + name;
    QFile::remove(zip);
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start("zip", {"-q", zip, "one.txt", "two.bin"});
    return p.waitForFinished(30000) && p.exitCode() == 0 ? zip : QString();
}

QByteArray everyByte() {
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes += char(b);
    return bytes;
}

QStringList namesIn(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class PkzipCommentTest : public QObject {
    Q_OBJECT

  private slots:
    void commentsAreStoredAsBytes_data() {
        QTest::addColumn<QByteArray>("comment");
        QTest::addColumn<QString>("argument"); // how the zip is named on the command line
        QTest::newRow("code page 437 box drawing")
            << QByteArray("\xC9\xCD\xCD\xCD\xBB\r\n\xBA REL \xBA\r\n\xC8\xCD\xCD\xCD\xBC\r\n")
            << "release.zip";
        QTest::newRow("Latin-1") << QByteArray("caf\xE9 \xFC\xE4\xF6 \xA9 1998\r\n") << "release";
        QTest::newRow("ANSI escapes")
            << QByteArray("\x1B[1;31mred\x1B[0m \x1B[5mblink\x1B[0m\r\n") << "release";
        QTest::newRow("every byte") << everyByte() << "release";
        QTest::newRow("UTF-8") << QByteArray("Gr\xC3\xBC\xC3\x9F\x65 \xE2\x9C\x93\r\n")
                               << "release.zip";
        QTest::newRow("empty") << QByteArray() << "release.zip";
        QTest::newRow("longest") << QByteArray("\xB0\xB1\xB2 ").repeated(16383) + "\xDB\xDB\xDB"
                                 << "release.zip";
        QTest::newRow("through a link") << QByteArray("\xDB linked \xDB") << "link.zip";
    }
    void commentsAreStoredAsBytes() {
        QFETCH(QByteArray, comment);
        QFETCH(QString, argument);
        QTemporaryDir dir;
        const QString zip = makeZip(dir.path(), "release.zip");
        QVERIFY(!zip.isEmpty());
        QVERIFY(QFile::link(zip, dir.filePath("link.zip")));
        QVERIFY(
            QFile::setPermissions(zip, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const QByteArray before = readAll(zip);
        writeFile(dir.filePath("comment.txt"), comment);
        const QStringList names = namesIn(dir.path());

        // Twice: the second replaces the first, whatever bytes the first held.
        for (int round = 0; round < 2; ++round) {
            const Run r = pkzip({dir.filePath(argument), "-z"}, dir.filePath("comment.txt"));
            QCOMPARE(r.status, 0);
            QCOMPARE(r.err, QByteArray());
            const QByteArray after = readAll(zip);
            // Everything up to the comment length is the old zip's; then the bytes as given.
            const qsizetype keep = before.size() - 2;
            QCOMPARE(after.left(keep), before.left(keep));
            QByteArray length;
            length += char(comment.size() & 0xFF);
            length += char(comment.size() >> 8);
            QCOMPARE(after.mid(keep, 2), length);
            QCOMPARE(after.mid(keep + 2), comment);
            QCOMPARE(tool("unzip", {"-tq", zip}).status, 0);
            QCOMPARE(tool("unzip", {"-p", zip, "one.txt"}).out, QByteArray("first entry\r\n"));
            QCOMPARE(tool("unzip", {"-z", zip}).status, 0);
            struct stat st;
            QCOMPARE(lstat(QFile::encodeName(zip).constData(), &st), 0);
            QCOMPARE(st.st_mode & 07777, 0640u);
            QVERIFY(QFileInfo(dir.filePath("link.zip")).isSymLink());
            QCOMPARE(namesIn(dir.path()), names); // no temporary file left
        }
    }

    // Refused with one line, quickly, the zip as it was and no temporary file left.
    void badInputIsRefused_data() {
        QTest::addColumn<QString>("zipName");
        QTest::addColumn<QString>("input"); // a file name in the folder, or a device
        QTest::addColumn<QString>("says");
        QTest::newRow("comment of 65,536 bytes") << "release.zip"
                                                 << "long.txt"
                                                 << "comment longer than 65535 bytes";
        QTest::newRow("a fake end record") << "release.zip"
                                           << "fake-end.txt"
                                           << "bytes of a zip end record";
        QTest::newRow("endless input") << "release.zip"
                                       << "/dev/zero"
                                       << "comment longer than 65535 bytes";
        QTest::newRow("a terminal") << "release.zip"
                                    << "terminal"
                                    << "standard input is a terminal";
        QTest::newRow("zip is a FIFO") << "fifo.zip"
                                       << "short.txt"
                                       << "is not a regular file";
        QTest::newRow("zip is a folder") << "folder.zip"
                                         << "short.txt"
                                         << "is not a regular file";
        QTest::newRow("not a zip") << "text.zip"
                                   << "short.txt"
                                   << "cannot open";
        QTest::newRow("cut-off zip") << "cut.zip"
                                     << "short.txt"
                                     << "cannot open";
        QTest::newRow("missing zip") << "none.zip"
                                     << "short.txt"
                                     << "cannot open";
    }
    void badInputIsRefused() {
        QFETCH(QString, zipName);
        QFETCH(QString, input);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const QString zip = makeZip(dir.path(), "release.zip");
        QVERIFY(!zip.isEmpty());
        writeFile(dir.filePath("long.txt"), QByteArray(65536, 'x'));
        writeFile(dir.filePath("short.txt"), "short");
        writeFile(dir.filePath("fake-end.txt"), QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
        writeFile(dir.filePath("text.zip"), "this is no zip\r\n");
        writeFile(dir.filePath("cut.zip"), readAll(zip).chopped(10));
        QCOMPARE(mkfifo(QFile::encodeName(dir.filePath("fifo.zip")).constData(), 0600), 0);
        QVERIFY(QDir().mkpath(dir.filePath("folder.zip")));

        int terminal = -1;
        QString inputPath = input.startsWith('/') ? input : dir.filePath(input);
        if (input == "terminal") {
            terminal = posix_openpt(O_RDWR | O_NOCTTY);
            QVERIFY(terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0);
            inputPath = QString::fromLocal8Bit(ptsname(terminal));
        }
        const QStringList names = namesIn(dir.path());
        const QByteArray zipBefore = readAll(zip);
        const QByteArray cutBefore = readAll(dir.filePath("cut.zip"));

        const Run r = pkzip({dir.filePath(zipName), "-z"}, inputPath);
        if (terminal >= 0)
            close(terminal);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.milliseconds < 10000, "the refusal took too long");
        QCOMPARE(r.err.count('\n'), 1);
        QVERIFY2(r.err.startsWith("pkzip: ") && r.err.contains(says.toUtf8()), r.err.constData());
        QCOMPARE(readAll(zip), zipBefore);
        QCOMPARE(readAll(dir.filePath("cut.zip")), cutBefore);
        QCOMPARE(namesIn(dir.path()), names);
    }
};

QTEST_GUILESS_MAIN(PkzipCommentTest)
#include "test_pkzip_comment.moc"
