#include "engine/process_runner.h"
#include "platform/paths.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

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
};

QTEST_GUILESS_MAIN(PathsTest)
#include "test_paths.moc"
