#include "engine/archiver_command.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class ArchiverCommandTest : public QObject {
    Q_OBJECT
  private slots:
    void options_data() {
        QTest::addColumn<int>("archiver");
        QTest::addColumn<int>("units");
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("expected");
        const int rar = int(ArchiverKind::Rar), ace = int(ArchiverKind::Ace);
        QTest::newRow("rar floppy") << rar << 3 << 3 << "-v1440000b -m3";
        QTest::newRow("ace floppy") << ace << 3 << 3 << "-v1440 -m3";
        QTest::newRow("rar 3MB") << rar << 6 << 0 << "-v3000000b -m0";
        QTest::newRow("ace 3MB") << ace << 6 << 5 << "-v3000 -m5";
        QTest::newRow("rar 500k") << rar << 1 << 1 << "-v500000b -m1";
        QTest::newRow("rar one archive") << rar << 0 << 3 << "-v0000b -m3";
        QTest::newRow("ace one archive") << ace << 0 << 3 << " -m3";
        QTest::newRow("ace 2MB max") << ace << 4 << 5 << "-v2000 -m5";
        QTest::newRow("rar slider top") << rar << 199 << 5 << "-v99500000b -m5";
    }
    void options() {
        QFETCH(int, archiver);
        QFETCH(int, units);
        QFETCH(int, method);
        QFETCH(QString, expected);
        QCOMPARE(archiverOptions(ArchiverKind(archiver), int16_t(units), int16_t(method)),
                 expected);
    }

    void plan_data() {
        QTest::addColumn<int>("archiver");
        QTest::addColumn<int>("units");
        QTest::addColumn<float>("sizeM");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<bool>("threeDigits");
        QTest::addColumn<bool>("tooMany");
        const int rar = int(ArchiverKind::Rar), ace = int(ArchiverKind::Ace);
        QTest::newRow("rar 100 volumes") << rar << 1 << 50.0f << ".001" << true << false;
        QTest::newRow("ace 100 volumes") << ace << 1 << 50.0f << ".ace" << true << false;
        QTest::newRow("exactly 99") << rar << 1 << 49.5f << ".rar" << false << false;
        QTest::newRow("exactly 999") << rar << 1 << 499.5f << ".001" << true << false;
        QTest::newRow("1000 volumes") << rar << 1 << 500.0f << ".001" << true << true;
        QTest::newRow("small source") << rar << 3 << 0.0f << ".rar" << false << false;
        QTest::newRow("one archive rar") << rar << 0 << 5000.0f << ".rar" << false << false;
        QTest::newRow("one archive ace") << ace << 0 << 5000.0f << ".ace" << false << false;
        // The floppy is 1,440,000 bytes: 146 M make 101.4 volumes, not 97.3.
        QTest::newRow("floppy real size") << rar << 3 << 146.0f << ".001" << true << false;
        QTest::newRow("floppy 98.6 volumes") << ace << 3 << 142.0f << ".ace" << false << false;
    }
    void plan() {
        QFETCH(int, archiver);
        QFETCH(int, units);
        QFETCH(float, sizeM);
        QFETCH(QString, extension);
        QFETCH(bool, threeDigits);
        QFETCH(bool, tooMany);
        const VolumePlan p = planVolumes(ArchiverKind(archiver), int16_t(units), sizeM);
        QCOMPARE(p.extension, extension);
        QCOMPARE(p.threeDigitNumbers, threeDigits);
        QCOMPARE(p.tooManyVolumes, tooMany);
    }

    // A width the set's names already show wins over the estimate, for the numbers and the
    // first volume's name; the volume limit is still the estimate's.
    void planWithGivenDigits_data() {
        QTest::addColumn<int>("archiver");
        QTest::addColumn<int>("units");
        QTest::addColumn<float>("sizeM");
        QTest::addColumn<int>("digits");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<bool>("threeDigits");
        QTest::addColumn<bool>("tooMany");
        const int rar = int(ArchiverKind::Rar), ace = int(ArchiverKind::Ace);
        QTest::newRow("three on a small source")
            << rar << 1 << 0.0f << 3 << ".001" << true << false;
        QTest::newRow("two past 99 estimated")
            << rar << 1 << 50.0f << 2 << ".rar" << false << false;
        QTest::newRow("ace three") << ace << 1 << 0.0f << 3 << ".ace" << true << false;
        QTest::newRow("one archive never") << rar << 0 << 0.0f << 3 << ".rar" << false << false;
        QTest::newRow("limit still") << rar << 1 << 500.0f << 2 << ".rar" << false << true;
    }
    void planWithGivenDigits() {
        QFETCH(int, archiver);
        QFETCH(int, units);
        QFETCH(float, sizeM);
        QFETCH(int, digits);
        QFETCH(QString, extension);
        QFETCH(bool, threeDigits);
        QFETCH(bool, tooMany);
        const VolumePlan p = planVolumes(ArchiverKind(archiver), int16_t(units), sizeM, digits);
        QCOMPARE(p.extension, extension);
        QCOMPARE(p.threeDigitNumbers, threeDigits);
        QCOMPARE(p.tooManyVolumes, tooMany);
    }

    void tooManyVolumesText() {
        QCOMPARE(QString(kTooManyVolumesText),
                 QString("Can't have more than 999 files in the set\r"
                         "Raise the achive size, or choose a source with a smaller size"));
        QCOMPARE(QString(kTooManyVolumesTitle), QString("Kavel error"));
    }

    // The text as the archiver's users know it, and the arguments the archiver receives:
    // whatever a path holds, it arrives as one argument of its own.
    void commands_data() {
        QTest::addColumn<int>("archiver");
        QTest::addColumn<int>("units");
        QTest::addColumn<int>("method");
        QTest::addColumn<QString>("archive");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("arguments");
        const int rar = int(ArchiverKind::Rar), ace = int(ArchiverKind::Ace);
        QTest::newRow("rar as written")
            << rar << 3 << 3 << "C:\\Kavel001\\mygame.rar"
            << "D:\\"
            << "c:\\skip.txt"
            << "wrar.exe a -r -v1440000b -m3 -y C:\\Kavel001\\mygame.rar \"D:\\\" -x@c:\\skip.txt"
            << QStringList{"a",          "-r",
                           "-v1440000b", "-m3",
                           "-y",         "C:\\Kavel001\\mygame.rar",
                           "D:\\",       "-x@c:\\skip.txt"};
        QTest::newRow("ace as written")
            << ace << 4 << 5 << "C:\\Kavel001\\mygame.ace"
            << "D:\\GAME"
            << ""
            << "wace.pif a -r -v2000 -m5 -y C:\\Kavel001\\mygame.ace D:\\GAME "
            << QStringList{"a",       "-r", "-v2000", "-m5", "-y", "C:\\Kavel001\\mygame.ace",
                           "D:\\GAME"};
        QTest::newRow("ace one archive has no volume switch")
            << ace << 0 << 3 << "/out dir/x.ace"
            << "/my source"
            << "/s p/skip.txt"
            << "wace.pif a -r  -m3 -y \"/out dir/x.ace\" \"/my source\" -x@\"/s p/skip.txt\""
            << QStringList{
                   "a", "-r", "-m3", "-y", "/out dir/x.ace", "/my source", "-x@/s p/skip.txt"};
        const QString hostile = "/src/a \"b\" c\\\nd>e<f;g$(h)`i`&j|k*?[l]";
        QTest::newRow("hostile source stays one argument")
            << rar << 1 << 0 << "/o/K001/n.rar" << hostile << ""
            << "wrar.exe a -r -v500000b -m0 -y /o/K001/n.rar \"" + hostile + "\" "
            << QStringList{"a", "-r", "-v500000b", "-m0", "-y", "/o/K001/n.rar", hostile};
    }
    void commands() {
        QFETCH(int, archiver);
        QFETCH(int, units);
        QFETCH(int, method);
        QFETCH(QString, archive);
        QFETCH(QString, source);
        QFETCH(QString, list);
        const Command command = archiverCommand(ArchiverKind(archiver), int16_t(units),
                                                int16_t(method), archive, source, list);
        QTEST(command.text, "text");
        QTEST(command.arguments, "arguments");
        QCOMPARE(command.program,
                 archiver == int(ArchiverKind::Rar) ? QString("wrar.exe") : QString("wace.pif"));
        QVERIFY(command.stdinFile.isEmpty() && command.stdoutFile.isEmpty());
    }

    void exclusionListEndsWithEmptyLine() {
        QTemporaryDir dir;
        const QString list = dir.filePath("skip.txt");
        QVERIFY(writeExclusionList("/src/sub/*.*\r\n/src/a.txt\r\n", list, nullptr));
        QFile f(list);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("/src/sub/*.*\r\n/src/a.txt\r\n\r\n"));
        QString error;
        QVERIFY(!writeExclusionList("x", dir.filePath("missing/skip.txt"), &error));
        QVERIFY(error.contains("exclusion list"));
    }
};

QTEST_GUILESS_MAIN(ArchiverCommandTest)
#include "test_archiver_command.moc"
