#include "platform/single_instance.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "../common/file_helpers.h"

#include <unistd.h>

// One running program per state folder, however the folder is spelled; a lock that cannot be
// made is said as such, never taken for another running program.
class SingleInstanceTest : public QObject {
    Q_OBJECT
    QTemporaryDir root;

    QString stateNamed(const QString& spelling) {
        qputenv("KAVEL32_STATE_DIR", QFile::encodeName(spelling));
        return SingleInstance::defaultName();
    }

  private slots:
    void initTestCase() {
        QVERIFY(root.isValid());
        QVERIFY(QDir().mkpath(root.filePath("state")));
        QVERIFY(QFile::link(root.filePath("state"), root.filePath("link to state")));
    }
    void init() { qputenv("KAVEL32_SCRATCH_DIR", QFile::encodeName(root.filePath("scratch"))); }

    void nameFollowsTheFolderNotItsSpelling_data() {
        QTest::addColumn<QString>("spelling");
        QTest::addColumn<bool>("same");
        QTest::newRow("trailing slash") << "state/" << true;
        QTest::newRow("two trailing slashes") << "state//" << true;
        QTest::newRow("dot") << "state/." << true;
        QTest::newRow("through its parent") << "state/../state" << true;
        QTest::newRow("a link to it") << "link to state" << true;
        QTest::newRow("another folder") << "state2" << false;
        QTest::newRow("a folder inside it") << "state/inner" << false;
    }
    void nameFollowsTheFolderNotItsSpelling() {
        QFETCH(QString, spelling);
        QFETCH(bool, same);
        const QString plain = stateNamed(root.filePath("state"));
        QCOMPARE(stateNamed(root.filePath(spelling)) == plain, same);
    }

    // A second start meets the lock of the first, whichever spelling each uses.
    void secondStartMeetsTheFirstsLock() {
        SingleInstance first(stateNamed(root.filePath("state")));
        QVERIFY2(first.listen(), qPrintable(first.failure()));
        SingleInstance second(stateNamed(root.filePath("state/")));
        QVERIFY(!second.listen());
        QCOMPARE(second.failure(), QString());
    }

    // Lock files that cannot be made: the reason, not another instance.
    void lockThatCannotBeMadeSaysWhy_data() {
        QTest::addColumn<QString>("blocker");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a folder holds the lock file's name") << "folder"
                                                             << "Is a directory";
        QTest::newRow("a link holds the lock file's name") << "link"
                                                           << "Too many levels";
        QTest::newRow("the scratch folder is a file") << "scratch file"
                                                      << "not a folder";
    }
    void lockThatCannotBeMadeSaysWhy() {
        QFETCH(QString, blocker);
        QFETCH(QString, reason);
        const QString scratch = root.filePath("scratch-" + blocker);
        qputenv("KAVEL32_SCRATCH_DIR", QFile::encodeName(scratch));
        const QString name = QStringLiteral("kavel32-test-blocked");
        const QString lock = scratch + "/" + name + ".lock";
        if (blocker == "folder") {
            QVERIFY(QDir().mkpath(lock));
        } else if (blocker == "link") {
            QVERIFY(QDir().mkpath(scratch));
            writeFile(root.filePath("victim"), "keep\n");
            QVERIFY(QFile::link(root.filePath("victim"), lock));
        } else {
            writeFile(scratch, "not a folder\n");
        }
        SingleInstance instance(name);
        QVERIFY(!instance.listen());
        QVERIFY2(instance.failure().contains(reason), qPrintable(instance.failure()));
        QVERIFY(!instance.isListening());
        if (blocker == "link")
            QCOMPARE(readAll(root.filePath("victim")), QByteArray("keep\n"));
    }

    // The lock goes with the instance that held it, and so does its file: the scratch folder
    // is left as it was found. A lock file left by a program killed outright is taken over.
    void lockGoesWithItsHolder() {
        const QString name = QStringLiteral("kavel32-test-holder");
        const QString lock = root.filePath("scratch/" + name + ".lock");
        {
            SingleInstance first(name);
            QVERIFY(first.listen());
            QVERIFY(QFileInfo::exists(lock));
        }
        QVERIFY(!QFileInfo::exists(lock));
        writeFile(lock, {});
        SingleInstance next(name);
        QVERIFY2(next.listen(), qPrintable(next.failure()));
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "test_single_instance.moc"
