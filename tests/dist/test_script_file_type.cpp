// The file type a file manager gives a .rip script: the shared-mime-info database built from
// the type definition the tree installs, read through Qt's MIME database (GLib reads the same
// cache). A script is known by its first line too, not only by its name.
#include "job/job_settings.h"
#include "script/script_file.h"

#include "../common/file_helpers.h"

#include <QMimeDatabase>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class ScriptFileTypeTest : public QObject {
    Q_OBJECT
    QTemporaryDir root;

  private slots:
    void initTestCase() {
        QVERIFY(root.isValid());
        const QString mime = root.filePath("share/mime");
        QVERIFY(QDir().mkpath(mime + "/packages"));
        QVERIFY(
            QFile::copy(KAVEL_SOURCE_DIR "/dist/kavel32-mime.xml", mime + "/packages/kavel32.xml"));
        QCOMPARE(QProcess::execute(UPDATE_MIME_DATABASE, {mime}), 0);
        // Read before the first look-up: ours, then the system's types (text/plain).
        qputenv("XDG_DATA_HOME", root.filePath("home").toUtf8());
        qputenv("XDG_DATA_DIRS", (root.filePath("share") + ":/usr/share").toUtf8());
    }

    void typeOfAFile_data() {
        JobSettings job;
        job.SourceSpec = "/src/game";
        job.ZipName = "game";
        const QByteArray script = scriptText(job, QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("type");
        QTest::newRow("saved script") << "job.rip" << script << "application/x-kavel32-script";
        QTest::newRow("upper-case name") << "JOB.RIP" << script << "application/x-kavel32-script";
        QTest::newRow("no extension, first line")
            << "job" << script << "application/x-kavel32-script";
        QTest::newRow("plain text") << "notes" << QByteArray("Source: /src\r\n") << "text/plain";
    }
    void typeOfAFile() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        const QString path = root.filePath("files/" + name);
        writeFile(path, content);
        QTEST(QMimeDatabase().mimeTypeForFile(path).name(), "type");
    }
};

QTEST_GUILESS_MAIN(ScriptFileTypeTest)
#include "test_script_file_type.moc"
