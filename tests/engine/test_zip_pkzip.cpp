// The comment tool as the comment step starts it: pkzip <zip> -z < file.
#include "engine/zip_component.h"
#include "zip_test_tools.h"

#include <QTemporaryDir>

using namespace ziptest;

class TestZipPkzip : public QObject {
    Q_OBJECT
    QTemporaryDir root;
    QString pkzip = QStringLiteral(KAVEL_BIN_DIR "/pkzip");

    QString makeZip(const QString& base) {
        ZipComponent zip;
        zip.setZipFileName(base);
        zip.setFiles({root.path() + "/data.txt"});
        return zip.zip() == 0 ? zip.zipFileName() : QString();
    }

  private slots:
    void initTestCase() {
        QVERIFY(root.isValid());
        QVERIFY2(QFileInfo(pkzip).isExecutable(), qPrintable(pkzip));
        QVERIFY(writeAll(root.path() + "/data.txt", "data\r\n"));
        QVERIFY(writeAll(root.path() + "/comment.txt", "Line one\r\nLine two\r\n"));
    }

    void setsCommentFromStandardInput_data() {
        QTest::addColumn<QString>("zipBase");
        QTest::addColumn<QString>("argument");
        QTest::newRow("name without extension") << "name01"
                                                << "name01";
        QTest::newRow("name with .zip") << "name02"
                                        << "name02.zip";
        QTest::newRow("dotted name") << "v1.203"
                                     << "v1.203";
    }
    void setsCommentFromStandardInput() {
        QFETCH(QString, zipBase);
        QFETCH(QString, argument);
        const QString zip = makeZip(root.path() + "/" + zipBase);
        QVERIFY(!zip.isEmpty());
        const Run r =
            run(pkzip, {root.path() + "/" + argument, "-z"}, root.path() + "/comment.txt");
        QCOMPARE(r.status, 0);
        QVERIFY(r.err.isEmpty());
        QVERIFY(comment(zip).contains("Line one\nLine two"));
        QVERIFY(readAll(zip).endsWith("Line one\r\nLine two\r\n")); // stored as given
        QVERIFY(testsClean(zip));
        QCOMPARE(entries(zip), QStringList{"data.txt"});

        // A second comment replaces the first.
        QVERIFY(writeAll(root.path() + "/other.txt", "Other"));
        QCOMPARE(
            run(pkzip, {root.path() + "/" + argument, "-z"}, root.path() + "/other.txt").status, 0);
        QVERIFY(comment(zip).contains("Other"));
        QVERIFY(!comment(zip).contains("Line one"));
    }

    void failsWithOneLineOnStandardError_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        QTest::newRow("missing zip") << QStringList{"missing", "-z"} << QByteArray("c") << 1;
        QTest::newRow("not a zip") << QStringList{"data.txt", "-z"} << QByteArray("c") << 1;
        QTest::newRow("too long") << QStringList{"keep", "-z"} << QByteArray(70000, 'c') << 1;
        QTest::newRow("no -z") << QStringList{"keep"} << QByteArray("c") << 2;
        QTest::newRow("nothing") << QStringList{} << QByteArray() << 2;
    }
    void failsWithOneLineOnStandardError() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(int, status);
        const QString keep = makeZip(root.path() + "/keep");
        const QByteArray before = readAll(keep);
        QVERIFY(writeAll(root.path() + "/input.txt", input));
        for (QString& a : args)
            if (a != "-z")
                a = root.path() + "/" + a;
        const Run r = run(pkzip, args, root.path() + "/input.txt");
        QCOMPARE(r.status, status);
        QCOMPARE(r.err.count('\n'), 1);
        QCOMPARE(readAll(keep), before);
        QVERIFY(!QFile::exists(root.path() + "/missing.zip"));
        QCOMPARE(readAll(root.path() + "/data.txt"), QByteArray("data\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestZipPkzip)
#include "test_zip_pkzip.moc"
