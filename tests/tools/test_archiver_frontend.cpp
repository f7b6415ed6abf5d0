#include "archiver_frontend.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "../common/file_helpers.h"

namespace {
QByteArray randomBytes(int n, quint32 seed) {
    QRandomGenerator gen(seed);
    QByteArray data(n, Qt::Uninitialized);
    gen.fillRange(reinterpret_cast<quint32*>(data.data()), n / 4);
    return data;
}

int run(const QString& tool, const QStringList& args, QByteArray* err = nullptr) {
    QProcess p;
    p.start(QString(KAVEL_BIN_DIR) + "/" + tool, args);
    p.waitForFinished(-1);
    if (err)
        *err = p.readAllStandardError();
    return p.exitCode();
}
} // namespace

class ArchiverFrontendTest : public QObject {
    Q_OBJECT
    QTemporaryDir work;
    QString source;

private slots:
    void initTestCase() {
        source = work.filePath("My Game");
        writeFile(source + "/readme file.txt", QByteArray("hello\n").repeated(20000));
        writeFile(source + "/data/noise.bin", randomBytes(3'000'000, 7));
        writeFile(source + "/data/deep/more.bin", randomBytes(500'000, 8));
        writeFile(source + "/skipme/secret.bin", randomBytes(1000, 9));
        writeFile(source + "/drop.txt", "drop\n");
        writeFile(work.filePath("skip.txt"),
                  (source + "/skipme/*.*\r\n" + source + "/drop.txt\r\n\r\n").toLocal8Bit());
    }

    void parsing_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("list");
        const int rar = int(FrontendKind::Rar), ace = int(FrontendKind::Ace);
        QTest::newRow("rar bytes") << rar
                                   << QStringList{"a", "-r", "-v1440000b", "-m3", "-y", "o.rar",
                                                  "/s", "-x@/l"}
                                   << qint64(1440000) << 3 << "/l";
        QTest::newRow("ace kilobytes") << ace
                                       << QStringList{"a", "-r", "-v1440", "-m5", "-y", "o.ace",
                                                      "/s"}
                                       << qint64(1440000) << 5 << "";
        QTest::newRow("rar one archive")
            << rar << QStringList{"a", "-r", "-v0000b", "-m0", "-y", "o.rar", "/s"} << qint64(0)
            << 0 << "";
        QTest::newRow("ace no switch")
            << ace << QStringList{"a", "-r", "-m2", "-y", "o.ace", "/s"} << qint64(0) << 2 << "";
    }
    void parsing() {
        QFETCH(int, kind);
        QFETCH(QStringList, args);
        QFETCH(qint64, bytes);
        QFETCH(int, method);
        QFETCH(QString, list);
        ArchiveRequest r;
        QString error;
        QVERIFY2(parseArchiveRequest(args, FrontendKind(kind), &r, &error), qPrintable(error));
        QCOMPARE(r.volumeBytes, bytes);
        QCOMPARE(r.methodDigit, method);
        QCOMPARE(r.exclusionList, list);
    }

    void badArguments_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no source") << QStringList{"a", "-y", "o.rar"};
        QTest::newRow("bad method") << QStringList{"a", "-m9", "o.rar", "/s"};
        QTest::newRow("bad volume") << QStringList{"a", "-vxyz", "o.rar", "/s"};
        QTest::newRow("wrong command") << QStringList{"x", "o.rar", "/s"};
    }
    void badArguments() {
        QFETCH(QStringList, args);
        ArchiveRequest r;
        QString error;
        QVERIFY(!parseArchiveRequest(args, FrontendKind::Rar, &r, &error));
        QVERIFY(!error.isEmpty());
    }

    void levels() {
        QCOMPARE((QList<int>{sevenZipLevel(0), sevenZipLevel(1), sevenZipLevel(2),
                             sevenZipLevel(3), sevenZipLevel(4), sevenZipLevel(5)}),
                 (QList<int>{0, 1, 3, 5, 7, 9}));
    }

    void exclusionsBecomeRelative() {
        const QStringList p = exclusionPatterns(
            "/src/Game/sub/*.*\r\n/src/Game/a b.txt\r\n/elsewhere/x\r\n\r\n", "/src/Game", "/src");
        QCOMPARE(p, (QStringList{"-x!Game/sub", "-x!Game/a b.txt"}));
    }

    void volumeSetsExtractToTheSource_data() {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QString>("volume");
        QTest::addColumn<int>("expectedVolumes");
        QTest::newRow("wrar floppies") << "wrar" << "-v1440000b" << 3;
        QTest::newRow("wace floppies") << "wace" << "-v1440" << 3;
        QTest::newRow("wrar one archive") << "wrar" << "-v0000b" << 1;
        QTest::newRow("wace one archive") << "wace" << "" << 1;
    }
    void volumeSetsExtractToTheSource() {
        QFETCH(QString, tool);
        QFETCH(QString, volume);
        QFETCH(int, expectedVolumes);
        QTemporaryDir out;
        const QString archive = out.filePath(tool == "wrar" ? "mygame.rar" : "mygame.ace");
        QStringList args{"a", "-r"};
        if (!volume.isEmpty())
            args << volume;
        args << "-m1" << "-y" << archive << source << "-x@" + work.filePath("skip.txt");
        QByteArray err;
        QCOMPARE(run(tool, args, &err), 0);

        const QStringList volumes = QDir(out.path()).entryList(QDir::Files, QDir::Name);
        QCOMPARE(volumes.size(), expectedVolumes);
        QByteArray joined;
        for (const QString& v : volumes) {
            QFile f(out.filePath(v));
            QVERIFY(f.open(QIODevice::ReadOnly));
            if (expectedVolumes > 1)
                QVERIFY2(f.size() <= 1'440'000, qPrintable(v));
            joined += f.readAll();
        }
        const QString whole = out.filePath("joined.bin");
        writeFile(whole, joined);
        QTemporaryDir extracted;
        QProcess unpack;
        unpack.start("7zz", {"x", "-y", "-o" + extracted.path(), whole});
        unpack.waitForFinished(-1);
        QCOMPARE(unpack.exitCode(), 0);

        QMap<QString, QByteArray> expected = treeHashes(source);
        expected.remove("drop.txt");
        expected.remove("skipme/secret.bin");
        QCOMPARE(treeHashes(extracted.filePath("My Game")), expected);
        QVERIFY(!QFile::exists(extracted.filePath("My Game/skipme")));
    }

    void missingSourceFailsWithOneLineAndNoVolumes() {
        QTemporaryDir out;
        QByteArray err;
        QVERIFY(run("wace", {"a", "-r", "-m3", "-y", out.filePath("x.ace"),
                             work.filePath("missing")},
                    &err) != 0);
        QCOMPARE(err.count('\n'), 1);
        QVERIFY(err.startsWith("wace: "));
        QVERIFY(QDir(out.path()).isEmpty());
    }

    void missingSevenZipIsReported() {
        QTemporaryDir out;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", "/nonexistent");
        p.setProcessEnvironment(env);
        p.start(QString(KAVEL_BIN_DIR) + "/wrar",
                {"a", "-r", "-m3", "-y", out.filePath("x.rar"), source});
        p.waitForFinished(-1);
        QVERIFY(p.exitCode() != 0);
        QVERIFY(p.readAllStandardError().contains("7-Zip"));
    }
};

QTEST_GUILESS_MAIN(ArchiverFrontendTest)
#include "test_archiver_frontend.moc"
