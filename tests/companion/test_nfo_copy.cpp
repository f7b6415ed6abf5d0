#include "../fakes/recording_ports.h"
#include "companion/line_text_file.h"
#include "companion/nfo_copy.h"
#include "platform/paths.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "../common/file_helpers.h"
#include "../common/planned_set.h"

namespace {
const QByteArray kTag = QByteArray(28, ' ') + "Packaged with Kavel32 by QXV";
} // namespace

class TestNfoCopy : public QObject {
    Q_OBJECT
    QTemporaryDir root;

  private slots:
    void initTestCase() {
        QVERIFY(root.isValid());
        qputenv("KAVEL32_STATE_DIR", (root.path() + "/state").toLocal8Bit());
        qputenv("KAVEL32_SCRATCH_DIR", (root.path() + "/scratch").toLocal8Bit());
    }

    void tagTexts() {
        QCOMPARE(nfoTagLine().toLatin1(), kTag);
        QCOMPARE(nfoTagPrefix().size(), 40);
        QVERIFY(nfoTagLine().startsWith(nfoTagPrefix()));
    }

    void copies_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("untagged gains blank and tag")
            << QByteArray("Release\nBy us\n") << "Release\r\nBy us\r\n\r\n" + kTag + "\r\n";
        QTest::newRow("already ends with the tag is unchanged")
            << "Release\r\n\r\n" + kTag + "\r\n"
            << "Release\r\n\r\n" + kTag + "\r\n";
        QTest::newRow("lines after the tag are dropped")
            << "Release\r\n" + kTag + "\r\ntrailing junk\r\nmore\r\n"
            << "Release\r\n" + kTag + "\r\n";
        QTest::newRow("another tag wording counts: first 40 characters")
            << QByteArray(28, ' ') + "Packaged without care\r\nx\r\n"
            << QByteArray(28, ' ') + "Packaged without care\r\n";
        QTest::newRow("27 blanks is no tag")
            << QByteArray(27, ' ') + "Packaged with Kavel32 by QXV\r\n"
            << QByteArray(27, ' ') + "Packaged with Kavel32 by QXV\r\n\r\n" + kTag + "\r\n";
        QTest::newRow("empty nfo") << QByteArray() << "\r\n" + kTag + "\r\n";
        QTest::newRow("last line without end, lone CR")
            << QByteArray("a\rb") << "a\r\nb\r\n\r\n" + kTag + "\r\n";
        QTest::newRow("high bytes kept")
            << QByteArray("\xdb\xb2\xb1\r\n") << "\xdb\xb2\xb1\r\n\r\n" + kTag + "\r\n";
    }
    // The tagged nfo the plan puts into the zips, byte for byte, under the nfo's own name:
    // the nfo read by the run's reader, tagged, each line ending with CR LF; the user's nfo
    // only read.
    void copies() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        const QString nfo = root.path() + "/Release.NFO";
        writeFile(nfo, input);
        QFile::setPermissions(nfo, QFile::ReadOwner); // read-only: still only read
        JobSettings job;
        job.NfoFile = nfo;
        const RunPlan plan = plannedSet(job, root.path() + "/plan", 1, 2);
        QVERIFY2(plan.ok(), qPrintable(plan.fault->text));
        QCOMPARE(plan.nfoText, expected);
        QCOMPARE(plan.nfoCopyName, QStringLiteral("Release.NFO"));
        QCOMPARE(readAll(nfo), input);
        QCOMPARE(ownerBits(nfo), QFile::ReadOwner);
        QFile::setPermissions(nfo, QFile::ReadOwner | QFile::WriteOwner);
    }

    void names_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("host path") << "/rel/info.nfo"
                                   << "info.nfo";
        QTest::newRow("bare name") << "info.nfo"
                                   << "info.nfo";
        QTest::newRow("none") << ""
                              << "";
    }
    void names() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(nfoCopyName(path), name);
    }
};

QTEST_GUILESS_MAIN(TestNfoCopy)
#include "test_nfo_copy.moc"
