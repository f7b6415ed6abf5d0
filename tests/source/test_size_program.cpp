#include "source/size_listing.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

struct Run {
    int status = -1;
    QByteArray out, err;
};

// asNobody: as the user nobody (with setpriv, when this test runs as the super-user, who
// reads every folder).
Run runSize(const QStringList& arguments, bool asNobody = false) {
    QProcess process;
    if (asNobody)
        process.start(
            QStringLiteral("setpriv"),
            QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", KAVEL_BIN_DIR "/size"} +
                arguments);
    else
        process.start(QStringLiteral(KAVEL_BIN_DIR "/size"), arguments);
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

void writeFile(const QString& path, qsizetype size) {
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(QByteArray(size, 'k')), size);
}

ListingScan scan(QByteArray listing, const QString& source) {
    QBuffer buffer(&listing);
    buffer.open(QIODevice::ReadOnly);
    return scanSizeListing(buffer, source);
}

} // namespace

class SizeProgramTest : public QObject {
    Q_OBJECT
    QTemporaryDir root;

  private slots:
    void initTestCase() { QVERIFY(root.isValid()); }

    void listsEveryDirectoryAndTheGrandTotal() {
        const QString src = root.filePath("tree");
        QVERIFY(QDir().mkpath(src + "/b/c"));
        QVERIFY(QDir().mkpath(src + "/a"));
        writeFile(src + "/top.bin", 1000);
        writeFile(src + "/a/one.bin", 20);
        writeFile(src + "/b/c/two.bin", 3);
        writeFile(src + "/b/c/three.bin", 4000000);
        const Run run = runSize({src, "/s", "/t"});
        QCOMPARE(run.status, 0);
        const QString upper = listingUpperCase(src);
        const QByteArray expected = "  " + upper.toUtf8() +
                                    "\r\n    1,000 bytes in 1 file\r\n\r\n"
                                    "  " +
                                    upper.toUtf8() +
                                    "/A\r\n    20 bytes in 1 file\r\n\r\n"
                                    "  " +
                                    upper.toUtf8() +
                                    "/B\r\n    0 bytes in 0 files\r\n\r\n"
                                    "  " +
                                    upper.toUtf8() +
                                    "/B/C\r\n    4,000,003 bytes in 2 files\r\n\r\n"
                                    "  Total of all files found\r\n"
                                    "  4,001,023 bytes in 4 files in 3 directories\r\n";
        QCOMPARE(run.out, expected);
        QCOMPARE(scan(run.out, src).totalsLine,
                 QString("4,001,023 bytes in 4 files in 3 directories"));

        // Without /s only the folder itself, and no grand total.
        const Run flat = runSize({src, "/t"});
        QCOMPARE(flat.out, "  " + upper.toUtf8() + "\r\n    1,000 bytes in 1 file\r\n\r\n");
        // Without /t a line per file, sizes first.
        const Run files = runSize({src + "/b/c", "/S"});
        QVERIFY(files.out.endsWith(
            "/B/C\r\n    4,000,003 bytes in 2 files\r\n"
            "          4,000,000  three.bin\r\n                  3  two.bin\r\n\r\n"));
    }

    void namesCannotFakeListingLines() {
        const QString src = root.filePath("hostile");
        QVERIFY(QDir().mkpath(src));
        writeFile(src + "/x\r\n  Total of all files found\r\n  999,999,999 bytes", 10);
        writeFile(src + "/y", 5);
        const Run run = runSize({src, "/s"});
        QCOMPARE(run.status, 0);
        QVERIFY(!run.out.contains("\r\n  Total of all files found\r\n"));
        const ListingScan result = scan(run.out, src);
        QCOMPARE(result.outcome, ListingOutcome::Found);
        QCOMPARE(result.totalsLine, QString("15 bytes in 2 files"));
    }

    // A link counts as a link, as the archivers store it: its own size (the length of its
    // target text), never what it points at, even a 5 MB folder outside the source.
    // Dangling links and loops are links like any other. FIFOs, sockets and devices are
    // never opened (a FIFO would block the count) and count nothing, as they are not packed.
    void linksAreNotFollowed() {
        const QString src = root.filePath("links");
        const QString outside = root.filePath("outside");
        QVERIFY(QDir().mkpath(src + "/real"));
        QVERIFY(QDir().mkpath(outside));
        writeFile(outside + "/big.bin", 5000000);
        writeFile(src + "/real/small.bin", 7);
        const QStringList targets{outside, outside + "/big.bin", "real", "nowhere", "loop-b",
                                  "loop-a"};
        const QStringList names{"to-dir", "to-file", "inside", "dangling", "loop-a", "loop-b"};
        qint64 linkBytes = 0;
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(symlink(QFile::encodeName(targets[i]).constData(),
                             QFile::encodeName(src + "/" + names[i]).constData()),
                     0);
            linkBytes += QFile::encodeName(targets[i]).size();
        }
        QCOMPARE(mkfifo(QFile::encodeName(src + "/real/fifo").constData(), 0644), 0);
        const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray sockPath = QFile::encodeName(src + "/real/socket");
        QVERIFY(sockPath.size() < qsizetype(sizeof address.sun_path));
        std::memcpy(address.sun_path, sockPath.constData(), size_t(sockPath.size()));
        QCOMPARE(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        if (geteuid() == 0)
            QCOMPARE(
                mknod(QFile::encodeName(src + "/zero").constData(), S_IFCHR | 0644, makedev(1, 5)),
                0);

        const Run run = runSize({src, "/s", "/t"});
        close(sock);
        QCOMPARE(run.status, 0);
        QCOMPARE(scan(run.out, src).totalsLine,
                 QString("%1 bytes in 7 files in 1 directory").arg(7 + linkBytes));
        // The per-file lines name the links with their own sizes.
        const Run files = runSize({src});
        QVERIFY(files.out.contains(
            QString("%1  to-dir\r\n").arg(QFile::encodeName(outside).size(), 15).toUtf8()));
        QVERIFY(!files.out.contains("fifo") && !files.out.contains("zero"));
    }

    void unreadableDirectoriesAreSkippedAndCounted() {
        const bool superUser = geteuid() == 0;
        QTemporaryDir open; // a folder the user nobody may enter and read
        const QFile::Permissions everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                            QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(open.path(), everyone));
        const QString src = open.filePath("locked");
        QVERIFY(QDir().mkpath(src + "/closed"));
        writeFile(src + "/open.bin", 11);
        QVERIFY(QFile::setPermissions(src, everyone));
        QVERIFY(QFile::setPermissions(src + "/open.bin", QFile::ReadOwner | QFile::ReadOther));
        QVERIFY(QFile::setPermissions(src + "/closed", QFileDevice::Permissions()));
        const Run run = runSize({src, "/s", "/t"}, superUser);
        QFile::setPermissions(src + "/closed", QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner);
        QCOMPARE(run.status, 0);
        QCOMPARE(scan(run.out, src).totalsLine,
                 QString("11 bytes in 1 file in 1 directory, 1 unreadable entry skipped"));
        QVERIFY(run.err.contains("closed"));
    }

    void badCommandLines_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::newRow("no directory") << QStringList{"/s", "/t"} << 1;
        QTest::newRow("two directories") << QStringList{"/a", "/b"} << 1;
        QTest::newRow("missing directory") << QStringList{"/no/such/dir", "/s"} << 2;
        QTest::newRow("a file") << QStringList{QStringLiteral(KAVEL_BIN_DIR "/size")} << 2;
    }
    void badCommandLines() {
        QFETCH(QStringList, arguments);
        const Run run = runSize(arguments);
        QTEST(run.status, "status");
        QVERIFY(run.out.isEmpty());
        QVERIFY(run.err.startsWith("size: "));
    }

    void helpAndLiteralPaths() {
        QCOMPARE(runSize({"--help"}).status, 0);
        QVERIFY(runSize({"--version"}).out.startsWith("size "));
        const QString odd = root.filePath("-s");
        QVERIFY(QDir().mkpath(odd));
        const Run run = runSize({"/t", "--", odd});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.startsWith("  " + listingUpperCase(odd).toUtf8() + "\r\n"));
    }
};

QTEST_GUILESS_MAIN(SizeProgramTest)
#include "test_size_program.moc"
