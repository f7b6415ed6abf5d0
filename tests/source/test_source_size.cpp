#include "source/source_size.h"

#include "../common/file_helpers.h"
#include "../fakes/command_text.h"
#include "../fakes/recording_ports.h"
#include "platform/paths.h"
#include "platform/process_runner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The machine that runs commands for real, through the process runner.
struct RealMachine : RecordingMachine {
    RealMachine() { runForReal = true; }
};

} // namespace

class SourceSizeTest : public QObject {
    Q_OBJECT

    QTemporaryDir root;
    RecordingMachine machine;

    // A machine whose size program writes the given listing (or none) and exits with status.
    void sizeProgramWrites(const std::optional<QByteArray>& listing, int status = 0) {
        machine.runs.clear();
        machine.onRun = [listing, status](const Command&) {
            if (listing)
                writeFile(sizeListingPath(), *listing);
            return status;
        };
    }

  private slots:
    void initTestCase() {
        QVERIFY(root.isValid());
        qputenv("KAVEL32_SCRATCH_DIR", root.filePath("scratch").toUtf8());
        qputenv("KAVEL32_PROGRAM_DIR", KAVEL_BIN_DIR);
    }

    void commandLine_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("line");
        QTest::newRow("plain") << "/src/game"
                               << "command.pif /c \"/opt/k/size.exe\" /src/game /s /t> /s/size.txt";
        QTest::newRow("blank")
            << "/src/my game"
            << "command.pif /c \"/opt/k/size.exe\" \"/src/my game\" /s /t> /s/size.txt";
        QTest::newRow("redirection sign")
            << "/src/a>b"
            << "command.pif /c \"/opt/k/size.exe\" \"/src/a>b\" /s /t> /s/size.txt";
    }
    void commandLine() {
        QFETCH(QString, source);
        QTEST(sizeCommand("/opt/k", source, "/s/size.txt").text, "line");
        const Command command = sizeCommand("/opt/k", source, "/s/size.txt");
        QCOMPARE(command.arguments, (QStringList{source, "/s", "/t"}));
        QCOMPARE(command.stdoutFile, QString("/s/size.txt"));
    }

    void argumentsSurviveTheRunnersSplitting_data() {
        QTest::addColumn<QString>("text");
        for (const char* text :
             {"plain", "two words", "quote\"inside", "trailing\\", "back\\\\ slash\\",
              "\\\"mixed\\\\\" x", "tab\there", "a<b>c", "semi;colon $(x) `y` &z"})
            QTest::newRow(text) << QString::fromUtf8(text);
    }
    void argumentsSurviveTheRunnersSplitting() {
        QFETCH(QString, text);
        const QString line = "prog " + quoteArgument(text) + " next";
        QCOMPARE(splitCommandLine(line), (QStringList{"prog", text, "next"}));
    }

    void recalculationShowsTheTotal() {
        sizeProgramWrites(
            QByteArray("  /SRC/PACK\r\n    1 bytes\r\n\r\n  Total of all files found\r\n"
                       "  12,345,678 bytes in 3 files in 1 directory\r\n"));
        JobSettings job;
        job.SourceSpec = "/src/pack";
        float sizeM = 7.0f;
        RecordingWindow window;
        const SizeRecalc result = recalculateSourceSize(job, sizeM, window, machine);
        QVERIFY(!result.failed);
        QCOMPARE(result.sizeText, QString("12,345,678 bytes in 3 files in 1 directory"));
        QCOMPARE(window.sizeTexts, (QStringList{kCalculatingText, result.sizeText}));
        QCOMPARE(sizeM, 12.345678f);
        QCOMPARE(job.SourceSpec, QString("/src/pack"));
        QCOMPARE(machine.runs.size(), 1);
        QCOMPARE(machine.runs[0].arguments, (QStringList{"/src/pack", "/s", "/t"}));
        QCOMPARE(machine.runs[0].stdoutFile, sizeListingPath());
        // Controls are disabled while the program runs and enabled again afterwards.
        QCOMPARE(window.pageBarStates, (QList<bool>{false, true}));
        QCOMPARE(window.browseStates, (QList<bool>{false, true}));
        QCOMPARE(window.busyStates, (QList<bool>{true, false}));
        QVERIFY(window.processed >= 1);
    }

    void listingWithoutTotalClearsTheSource() {
        sizeProgramWrites(QByteArray("  /SRC/OTHER\r\n    5 bytes\r\n"));
        JobSettings job;
        job.SourceSpec = "/src/pack";
        float sizeM = 7.0f;
        RecordingWindow window;
        window.setSourceDisplay("/src/pack");
        const SizeRecalc result = recalculateSourceSize(job, sizeM, window, machine);
        QVERIFY(!result.failed);
        QCOMPARE(result.sizeText, QString());
        QCOMPARE(sizeM, 0.0f);
        QCOMPARE(job.SourceSpec, QString());
        QCOMPARE(window.sourceDisplay(), QString());
    }

    void failuresShowErrorAndKeepTheValues_data() {
        QTest::addColumn<bool>("writesListing");
        QTest::addColumn<int>("status");
        QTest::newRow("no listing") << false << 0;
        QTest::newRow("program missing") << false << int(kCouldNotStart);
        QTest::newRow("program failed") << true << 2;
        QTest::newRow("total is the last line") << true << 0;
    }
    void failuresShowErrorAndKeepTheValues() {
        QFETCH(bool, writesListing);
        QFETCH(int, status);
        // A listing of an earlier run must not be taken for this one's.
        writeFile(sizeListingPath(), "  Total of all files found\r\n  99,000,000 bytes\r\n");
        sizeProgramWrites(writesListing
                              ? std::optional<QByteArray>("  Total of all files found\r\n")
                              : std::nullopt,
                          status);
        JobSettings job;
        job.SourceSpec = "/src/pack";
        float sizeM = 7.0f;
        RecordingWindow window;
        const SizeRecalc result = recalculateSourceSize(job, sizeM, window, machine);
        QVERIFY(result.failed);
        QCOMPARE(window.sizeTexts.last(), QString("Error"));
        QCOMPARE(sizeM, 7.0f);
        QCOMPARE(job.SourceSpec, QString("/src/pack"));
        QCOMPARE(window.pageBarStates.last(), true);
        QCOMPARE(window.busyStates.last(), false);
    }

    void browseWithoutListingGoesOn() {
        sizeProgramWrites(std::nullopt, kCouldNotStart);
        RecordingWindow window;
        const BrowseSize result = measureBrowsedSource("/src/pack", window, machine);
        QVERIFY(!result.failed);
        QCOMPARE(result.sizeText, kCalculatingText);
        QCOMPARE(result.SourceSizeM, 0.0f);
        QCOMPARE(window.sourceDisplay(), QString());
        QCOMPARE(window.browseStates.last(), true);
    }

    void browseParsesTheTotal() {
        sizeProgramWrites(QByteArray("  /SRC/FLAT\r\n    2,500,000 bytes in 1 file\r\n"));
        RecordingWindow window;
        const BrowseSize result = measureBrowsedSource("/src/flat", window, machine);
        QCOMPARE(result.sizeText, QString("2,500,000 bytes in 1 file"));
        QCOMPARE(result.SourceSizeM, 2.5f);
        QCOMPARE(window.sizeTexts.last(), result.sizeText);
    }

    void browseWithACutListingEnds() {
        sizeProgramWrites(QByteArray("  /SRC/FLAT\r\n"));
        RecordingWindow window;
        QVERIFY(measureBrowsedSource("/src/flat", window, machine).failed);
        QCOMPARE(window.busyStates.last(), false);
    }

    // The real size program, started through the process runner, on a tree with a
    // sub-directory, a name with a blank and links that count as links (their own size,
    // as the archivers store them), never followed.
    void realProgramMeasuresATree() {
        const QString src = root.filePath("My Source");
        QVERIFY(QDir().mkpath(src + "/sub dir/deeper"));
        writeFile(src + "/a.bin", QByteArray(1500000, 'a'));
        writeFile(src + "/sub dir/b.bin", QByteArray(700001, 'b'));
        writeFile(src + "/sub dir/deeper/c.txt", QByteArray(99, 'c'));
        QVERIFY(QFile::link("a.bin", src + "/link.bin"));   // 5 bytes
        QVERIFY(QFile::link("sub dir", src + "/link dir")); // 7 bytes

        RealMachine real;
        JobSettings job;
        job.SourceSpec = src;
        float sizeM = 0;
        RecordingWindow window;
        const SizeRecalc result = recalculateSourceSize(job, sizeM, window, real);
        QVERIFY2(!result.failed, qPrintable(real.runs.value(0).text));
        QVERIFY2(result.sizeText.startsWith("2,200,112 bytes in 5 files"),
                 qPrintable(result.sizeText));
        QCOMPARE(sizeM, 2.200112f);
    }

    void realProgramMeasuresAFlatFolder() {
        const QString src = root.filePath("flat");
        QVERIFY(QDir().mkpath(src));
        writeFile(src + "/one.bin", QByteArray(3000000, 'x'));
        RealMachine real;
        JobSettings job;
        job.SourceSpec = src;
        float sizeM = 0;
        RecordingWindow window;
        const SizeRecalc result = recalculateSourceSize(job, sizeM, window, real);
        QCOMPARE(result.sizeText, QString("3,000,000 bytes in 1 file"));
        QCOMPARE(sizeM, 3.0f);
    }

    void realProgramOnAMissingSourceFails() {
        RealMachine real;
        JobSettings job;
        job.SourceSpec = root.filePath("missing");
        float sizeM = 4.0f;
        RecordingWindow window;
        QVERIFY(recalculateSourceSize(job, sizeM, window, real).failed);
        QCOMPARE(sizeM, 4.0f);
    }
};

QTEST_GUILESS_MAIN(SourceSizeTest)
#include "test_source_size.moc"
