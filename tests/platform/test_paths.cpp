#include "platform/file_read.h"
#include "platform/folder_lock.h"
#include "platform/paths.h"
#include "platform/process_runner.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class PathsTest : public QObject {
    Q_OBJECT
  private slots:
    void cleanup() { setPathStyle(PathStyle::Host); }

    void windowsStyleJoinsAndSplits() {
        setPathStyle(PathStyle::Windows);
        QCOMPARE(joinPath("C:\\Kavel001", "mygame.rar"), QString("C:\\Kavel001\\mygame.rar"));
        QCOMPARE(joinPath("C:\\", "name01"), QString("C:\\name01"));
        QCOMPARE(fileNamePart("D:\\GAME\\readme.nfo"), QString("readme.nfo"));
        QCOMPARE(foldCase("D:\\Game"), QString("d:\\game"));
        QVERIFY(pathWithin("d:\\game\\sub", "D:\\GAME"));
        QVERIFY(!pathWithin("d:\\gamez\\sub", "D:\\GAME"));
        QVERIFY(pathWithin("d:\\x", "D:\\"));
    }

    void hostStyleKeepsCase() {
        QCOMPARE(foldCase("/home/u/Game"), QString("/home/u/Game"));
        QCOMPARE(fileNamePart("/a/b\\c"), QString("b\\c"));
        QVERIFY(pathWithin("/src/Game/a", "/src/Game"));
        QVERIFY(!pathWithin("/src/game/a", "/src/Game"));
        QVERIFY(!pathWithin("/src/Gamez", "/src/Game"));
    }

    // What the program finds from its own folder: a build tree's bin/ holds the tools and
    // resources/; an installed tree keeps them in libexec/kavel32 and share/kavel32.
    void foldersFollowTheExecutable_data() {
        QTest::addColumn<bool>("installed");
        QTest::newRow("build tree") << false;
        QTest::newRow("installed tree") << true;
    }
    void foldersFollowTheExecutable() {
        QFETCH(bool, installed);
        QTemporaryDir tmp;
        const QString bin = tmp.path() + "/prefix/bin";
        const QString helpers =
            installed ? QDir::cleanPath(bin + "/" KAVEL_HELPER_DIR_FROM_BIN) : bin;
        const QString resources =
            installed ? QDir::cleanPath(bin + "/" KAVEL_DATA_DIR_FROM_BIN) : bin + "/resources";
        for (const QString& dir : {bin, helpers, resources})
            QVERIFY(QDir().mkpath(dir));
        QFile tool(helpers + "/wrar");
        QVERIFY(tool.open(QIODevice::WriteOnly));
        tool.write("#!/bin/sh\n");
        tool.close();
        QVERIFY(tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        qputenv("KAVEL32_PROGRAM_DIR", bin.toUtf8());
        QCOMPARE(AppPaths::helperFolder(), helpers);
        QCOMPARE(AppPaths::resourceFolder(), resources);
        QCOMPARE(AppPaths::toolPath("wrar"), helpers + "/wrar");
        // The run names the archiver as the old platform did; it is found in the helpers.
        QCOMPARE(findProgram("wrar.exe"), helpers + "/wrar");
        qunsetenv("KAVEL32_PROGRAM_DIR");
    }

    void scratchFolderIsPrivate() {
        QTemporaryDir tmp;
        const QString dir = tmp.path() + "/scratch";
        qputenv("KAVEL32_SCRATCH_DIR", dir.toUtf8());
        QCOMPARE(AppPaths::scratchFolder(), dir);
        struct stat st {};
        QCOMPARE(stat(dir.toUtf8().constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0700);
        qunsetenv("KAVEL32_SCRATCH_DIR");
    }

    // Every program's work folder is fresh and private; the folders of programs that are gone
    // go at the next start; a scratch folder that is a link or not ours is refused, not used.
    void workFolders() {
        QTemporaryDir tmp;
        const QString scratch = tmp.path() + "/scratch";
        qputenv("KAVEL32_SCRATCH_DIR", scratch.toUtf8());
        QString error;
        const QString work = AppPaths::workFolder(&error);
        QVERIFY2(!work.isEmpty(), qPrintable(error));
        QVERIFY(pathWithin(work, scratch));
        struct stat st {};
        QCOMPARE(stat(QFile::encodeName(work).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0700);
        QCOMPARE(AppPaths::scratchFile("skip.txt"), work + "/skip.txt");
        QVERIFY(AppPaths::zipCopyFile("file_id.diz").startsWith(work + "/zip/"));

        // A work folder goes by its lock, never by the process id in its name: the id of a
        // live process may name an abandoned folder, and a gone one a live program's in another
        // PID namespace.
        const QString abandoned = scratch + QStringLiteral("/run-%1-abcdef").arg(getpid());
        QDir().mkpath(abandoned + "/zip");
        FolderLock live;
        const QString held = live.makeFolder(scratch, "run-999999999-");
        QVERIFY(!held.isEmpty());
        for (const char* other : {"/run-1-short", "/notes", "/run-2-abcdef.txt"})
            QDir().mkpath(scratch + other);
        AppPaths::removeStaleWorkFolders();
        QVERIFY(!QFileInfo::exists(abandoned));
        QVERIFY(QFileInfo::exists(held));
        for (const char* other : {"/run-1-short", "/notes", "/run-2-abcdef.txt"})
            QVERIFY(QFileInfo::exists(scratch + other));
        live.unlock();
        AppPaths::removeStaleWorkFolders();
        QVERIFY(!QFileInfo::exists(held));
        QVERIFY(QFileInfo::exists(work));
        AppPaths::removeWorkFolder();
        QVERIFY(!QFileInfo::exists(work));

        QDir().mkpath(tmp.path() + "/real");
        QVERIFY(QFile::link(tmp.path() + "/real", tmp.path() + "/linked"));
        QDir().mkpath(tmp.path() + "/theirs");
        QVERIFY(::chown(QFile::encodeName(tmp.path() + "/theirs").constData(), 65534, 65534) == 0);
        for (const char* bad : {"/linked", "/theirs"}) {
            qputenv("KAVEL32_SCRATCH_DIR", (tmp.path() + bad).toUtf8());
            QVERIFY(AppPaths::workFolder(&error).isEmpty());
            QVERIFY2(error.contains("not usable"), qPrintable(error));
            QVERIFY(AppPaths::scratchFile("skip.txt").isEmpty());
        }
        qunsetenv("KAVEL32_SCRATCH_DIR");
    }

    // Outside files are read only when they are regular files of bounded size.
    void readsOnlyRegularFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("fault"); // empty: read
        QTest::newRow("file") << "file"
                              << "";
        QTest::newRow("empty file") << "empty"
                                    << "";
        QTest::newRow("too large") << "large"
                                   << "too large";
        QTest::newRow("folder") << "folder"
                                << "is a folder";
        QTest::newRow("FIFO") << "fifo"
                              << "not a regular file";
        QTest::newRow("endless device") << "/dev/zero"
                                        << "not a regular file";
        QTest::newRow("missing") << "missing"
                                 << "No such file";
    }
    void readsOnlyRegularFiles() {
        QFETCH(QString, name);
        QFETCH(QString, fault);
        QTemporaryDir tmp;
        const auto make = [&](const char* file, const QByteArray& bytes) {
            QFile f(tmp.path() + "/" + file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        };
        make("file", "text\r\n");
        make("empty", "");
        make("large", QByteArray(101, 'x'));
        QDir().mkpath(tmp.path() + "/folder");
        QCOMPARE(::mkfifo(QFile::encodeName(tmp.path() + "/fifo").constData(), 0600), 0);
        const QString path = name.startsWith('/') ? name : tmp.path() + "/" + name;
        QByteArray bytes;
        QString error;
        const bool read = readRegularFile(path, 100, &bytes, &error);
        QCOMPARE(read, fault.isEmpty());
        QVERIFY2(error.contains(fault) && (read || error.contains(path)), qPrintable(error));
        if (read)
            QCOMPARE(bytes, name == "file" ? QByteArray("text\r\n") : QByteArray());
    }
};

QTEST_GUILESS_MAIN(PathsTest)
#include "test_paths.moc"
