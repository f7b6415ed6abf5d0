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
