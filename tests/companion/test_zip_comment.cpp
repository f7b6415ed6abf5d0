#include "../fakes/recording_ports.h"
#include "companion/settings_file.h"
#include "companion/zip_comment.h"
#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "../common/file_helpers.h"

class TestZipComment : public QObject {
    Q_OBJECT
    QTemporaryDir root;

  private slots:
    void initTestCase() {
        QVERIFY(root.isValid());
        qputenv("KAVEL32_STATE_DIR", (root.path() + "/state").toLocal8Bit());
        qputenv("KAVEL32_SCRATCH_DIR", (root.path() + "/scratch").toLocal8Bit());
        QCOMPARE(programVersionText(), QStringLiteral("v3.10"));
        QCOMPARE(settingsFilePath(), AppPaths::stateFolder() + "/Kavel32.ini");
    }
    void init() { QFile::remove(settingsFilePath()); }

    void startupCreatesMissingFile() {
        const StartupSettings s = readSettingsAtStartup();
        QVERIFY(s.created);
        QVERIFY(s.CommentFile.isEmpty());
        QCOMPARE(readAll(settingsFilePath()), QByteArray("Vers=v3.10\r\n"));
    }

    void startupReadsCommentLine() {
        writeFile(settingsFilePath(), "Vers=v3.10\r\n/x/temp/hdr.txt\r\n");
        const StartupSettings s = readSettingsAtStartup();
        QVERIFY(!s.created && !s.rewritten);
        QCOMPARE(s.storedVersion, QStringLiteral("v3.10"));
        QCOMPARE(s.CommentFile, QStringLiteral("/x/temp/hdr.txt"));
        QCOMPARE(readAll(settingsFilePath()), QByteArray("Vers=v3.10\r\n/x/temp/hdr.txt\r\n"));
        QVERIFY(!commentFileUsable(s.CommentFile)); // names no existing file
    }

    void startupRewritesOtherVersion_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("comment");
        QTest::newRow("older version")
            << QByteArray("Vers=v3.00\r\n/c/hdr.txt\r\n") << "/c/hdr.txt";
        QTest::newRow("no key at all") << QByteArray("garbage") << "";
        QTest::newRow("empty file") << QByteArray() << "";
    }
    void startupRewritesOtherVersion() {
        QFETCH(QByteArray, content);
        QFETCH(QString, comment);
        writeFile(settingsFilePath(), content);
        const StartupSettings s = readSettingsAtStartup();
        QVERIFY(s.rewritten);
        QCOMPARE(s.CommentFile, comment); // kept for this run
        QCOMPARE(readAll(settingsFilePath()), QByteArray("Vers=v3.10\r\n"));
    }

    void startupSkipsAnUnreadableFile() {
        writeFile(settingsFilePath(), QByteArray(200 * 1024, 'x'));
        const StartupSettings s = readSettingsAtStartup();
        QVERIFY(!s.created && !s.rewritten);
        QVERIFY(s.CommentFile.isEmpty());
        QVERIFY2(s.warning.contains("too large") && s.warning.endsWith("the defaults are used"),
                 qPrintable(s.warning));
        QCOMPARE(QFile(settingsFilePath()).size(), 200 * 1024);
    }

    // A settings file that is not text gives no comment path: a warning naming the first
    // byte that is not text, the defaults, and the file repaired. Text on either side of the
    // bounds (a tab, bytes from 0x80 that spell a path in UTF-8) reads as before.
    void notTextGivesTheDefaults_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("byte");
        QTest::addColumn<QString>("comment");
        QTest::newRow("NUL in the comment line")
            << QByteArray("Vers=v3.10\r\n/x/a\0b.txt\r\n", 24) << "0x00 at offset 16"
            << "";
        QTest::newRow("escape sequence in the comment line")
            << QByteArray("Vers=v3.10\r\n\x1b]0;t\x07/x.txt\r\n") << "0x1b at offset 12"
            << "";
        QTest::newRow("the last C0 byte") << QByteArray("Vers=v3.10\x1f\r\n") << "0x1f at offset 10"
                                          << "";
        QTest::newRow("DEL") << QByteArray("\x7fVers=v3.10\r\n") << "0x7f at offset 0"
                             << "";
        QTest::newRow("a program") << QByteArray("\x7f"
                                                 "ELF\x02\x01\x01\0\0\0",
                                                 10)
                                   << "0x7f at offset 0"
                                   << "";
        QTest::newRow("tab and UTF-8 are text")
            << QByteArray("Vers=v3.10\r\n/x/\tcaf\xc3\xa9.txt\r\n") << ""
            << QStringLiteral("/x/\tcaf\u00e9.txt");
    }
    void notTextGivesTheDefaults() {
        QFETCH(QByteArray, content);
        QFETCH(QString, byte);
        QFETCH(QString, comment);
        writeFile(settingsFilePath(), content);
        const StartupSettings stored = readStoredSettings();
        const StartupSettings s = readSettingsAtStartup();
        QCOMPARE(s.CommentFile, comment);
        QCOMPARE(stored.warning, s.warning);
        if (byte.isEmpty()) {
            QVERIFY(s.warning.isEmpty());
            QCOMPARE(readAll(settingsFilePath()), content);
            return;
        }
        QCOMPARE(s.warning, "the settings file " + settingsFilePath() + " is not text (byte " +
                                byte + "): the defaults are used");
        QVERIFY(s.rewritten);
        QCOMPARE(readAll(settingsFilePath()), QByteArray("Vers=v3.10\r\n"));
    }

    void onAndOffRoundTrip() {
        readSettingsAtStartup();
        const QString chosen = root.path() + "/Hdr.txt";
        writeFile(chosen, "Our comment\r\n");
        QFile::setPermissions(chosen, QFile::ReadOwner);

        JobSettings job;
        QString error;
        QVERIFY2(turnCommentOn(chosen, job, &error), qPrintable(error));
        const QString copy = AppPaths::stateTempFolder() + "/Hdr.txt";
        QCOMPARE(job.CommentFile, copy);
        QVERIFY(job.CommentOn);
        QCOMPARE(readAll(copy), QByteArray("Our comment\r\n"));
        QVERIFY(QFile::permissions(copy) & QFile::WriteOwner); // writable copy
        QCOMPARE(ownerBits(chosen), QFile::ReadOwner);         // source untouched
        QCOMPARE(readAll(settingsFilePath()), ("Vers=v3.10\r\n" + copy + "\r\n").toLocal8Bit());
        QVERIFY(commentFileUsable(readSettingsAtStartup().CommentFile));

        // Choosing again overwrites the earlier copy of the same name.
        QFile::setPermissions(chosen, QFile::ReadOwner | QFile::WriteOwner);
        writeFile(chosen, "Second\r\n");
        QVERIFY(turnCommentOn(chosen, job, &error));
        QCOMPARE(readAll(copy), QByteArray("Second\r\n"));

        QVERIFY2(turnCommentOff(job, &error), qPrintable(error));
        QVERIFY(!job.CommentOn);
        QVERIFY(!QFile::exists(copy));
        QVERIFY(QFile::exists(chosen));
        QCOMPARE(readAll(settingsFilePath()), QByteArray("Vers=v3.10\r\n\r\n"));
    }

    // The settings file is outside input: its comment line must not make the program delete
    // a file outside its own temp folder.
    void offDeletesOnlyInsideProgramTemp_data() {
        QTest::addColumn<QString>("storedRelative");
        QTest::newRow("user file") << "user.txt";
        QTest::newRow("climbing out of temp") << "state/temp/../../user.txt";
        QTest::newRow("the temp folder itself") << "state/temp";
    }
    void offDeletesOnlyInsideProgramTemp() {
        QFETCH(QString, storedRelative);
        const QString user = root.path() + "/user.txt";
        writeFile(user, "precious\r\n");
        const QString stored = root.path() + "/" + storedRelative;
        writeFile(settingsFilePath(), ("Vers=v3.10\r\n" + stored + "\r\n").toLocal8Bit());
        JobSettings job;
        job.CommentOn = true;
        QVERIFY(turnCommentOff(job, nullptr));
        QVERIFY(!job.CommentOn);
        QCOMPARE(readAll(user), QByteArray("precious\r\n"));
        QVERIFY(QDir(AppPaths::stateTempFolder()).exists());
        QCOMPARE(readAll(settingsFilePath()), QByteArray("Vers=v3.10\r\n\r\n"));
    }

    void namesOutsideLatin1SurviveTheSettingsFile() {
        readSettingsAtStartup();
        const QString chosen =
            root.path() + QStringLiteral("/\u0417\u0430\u043c\u0435\u0442\u043a\u0430.txt");
        writeFile(chosen, "Comment\r\n");
        JobSettings job;
        QVERIFY(turnCommentOn(chosen, job));
        const StartupSettings s = readSettingsAtStartup();
        QCOMPARE(s.CommentFile, job.CommentFile);
        QVERIFY(commentFileUsable(s.CommentFile));
        QVERIFY(turnCommentOff(job));
        QVERIFY(!QFile::exists(job.CommentFile));
    }

    void offWithoutSettingsFileKeepsTheMark() {
        JobSettings job;
        job.CommentOn = true;
        QString error;
        QVERIFY(!turnCommentOff(job, &error));
        QVERIFY(job.CommentOn);
        QVERIFY(!error.isEmpty());
    }

    // Turning off repairs a settings file that is not text; a comment file whose name would
    // make it so is refused before anything is copied.
    void notTextNeverComesOrStays() {
        writeFile(settingsFilePath(), QByteArray("Vers=v3.10\r\n\0\r\n", 15));
        JobSettings job;
        job.CommentOn = true;
        QString error;
        QVERIFY2(turnCommentOff(job, &error), qPrintable(error));
        QVERIFY(!job.CommentOn);
        QCOMPARE(readAll(settingsFilePath()), QByteArray("Vers=v3.10\r\n\r\n"));

        const QString chosen = root.path() + "/hdr\x1b[2K.txt";
        writeFile(chosen, "Comment\r\n");
        QVERIFY(!turnCommentOn(chosen, job, &error));
        QVERIFY2(error.contains("control character") && error.contains("hdr\\x1b[2K.txt"),
                 qPrintable(error));
        QVERIFY(!job.CommentOn);
        QVERIFY(!QFile::exists(commentCopyPath(chosen)));
        QCOMPARE(readAll(settingsFilePath()), QByteArray("Vers=v3.10\r\n\r\n"));
    }

    void onWithMissingFileChangesNothing() {
        writeFile(settingsFilePath(), "Vers=v3.10\r\n\r\n");
        JobSettings job;
        QString error;
        QVERIFY(!turnCommentOn(root.path() + "/nope.txt", job, &error));
        QVERIFY(!job.CommentOn);
        QVERIFY(job.CommentFile.isEmpty());
        QCOMPARE(readAll(settingsFilePath()), QByteArray("Vers=v3.10\r\n\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestZipComment)
#include "test_zip_comment.moc"
