#include "../fakes/recording_ports.h"
#include "companion/diz_numbering.h"
#include "companion/diz_numbers.h"
#include "companion/line_text_file.h"
#include "engine/run_plan.h"
#include "job/text_lines.h"
#include "platform/paths.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "../common/file_helpers.h"
#include "../common/planned_set.h"

class TestDizNumbering : public QObject {
    Q_OBJECT
    QTemporaryDir root;
    QString dizPath;

    JobSettings jobWithLine3(const QByteArray& line3, const QString& line = QStringLiteral("3"),
                             const QString& column = QStringLiteral("6")) {
        writeFile(dizPath, "Title\r\nSecond line\r\n" + line3 + "\r\nLast\r\n");
        JobSettings job;
        job.DizFile = dizPath;
        job.AutoNumber = true;
        job.NumberLine = line;
        job.NumberColumn = column;
        return job;
    }

  private slots:
    void initTestCase() {
        QVERIFY(root.isValid());
        qputenv("KAVEL32_STATE_DIR", (root.path() + "/state").toLocal8Bit());
        qputenv("KAVEL32_SCRATCH_DIR", (root.path() + "/scratch").toLocal8Bit());
        dizPath = root.path() + "/user_file_id.diz";
    }

    void fieldNumberValues_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "6" << 6;
        QTest::newRow("leading blanks") << "  12" << 12;
        QTest::newRow("blanks inside") << "1 2" << 12;
        QTest::newRow("trailing word") << "3rd" << 3;
        QTest::newRow("word") << "abc" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("negative") << "-3" << 0;
        QTest::newRow("huge saturates") << "99999999999999999999" << 1000000000;
    }
    void fieldNumberValues() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(fieldNumber(text), value);
    }

    void labels_data() {
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("n");
        QTest::addColumn<bool>("three");
        QTest::addColumn<QString>("label");
        QTest::newRow("two digits") << 1 << 7 << false << "01/07";
        QTest::newRow("three digits") << 1 << 120 << true << "001/120";
        QTest::newRow("wider than two") << 100 << 100 << false << "100/100";
        QTest::newRow("last of 999") << 999 << 999 << true << "999/999";
    }
    void labels() {
        QFETCH(int, k);
        QFETCH(int, n);
        QFETCH(bool, three);
        QFETCH(QString, label);
        QCOMPARE(diskLabel(k, n, three), label);
    }

    // The worked examples: numbering at line 3, column 6, the diz as the plan puts it into
    // the zip. The seed's forms that a receiving site reads stay as they are; a three-digit
    // total written bare is refused, as the site reads no disk number in it; a wider
    // placeholder takes two digits and blanks.
    void plannedDizWorkedExamples_data() {
        QTest::addColumn<QByteArray>("line3");
        QTest::addColumn<bool>("three");
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("n");
        QTest::addColumn<QByteArray>("expected"); // empty: no diz, the job refused
        QTest::addColumn<QString>("refusal");     // the box's text begins so; empty: accepted
        QTest::newRow("two digits 2/5") << QByteArray("Disk 00/00 of the set") << false << 2 << 5
                                        << QByteArray("Disk 02/05 of the set") << "";
        QTest::newRow("three digits 2/120")
            << QByteArray("Disk 000/000 of the set") << true << 2 << 120 << QByteArray()
            << "line 3 of " + dizPath +
                   " reads \"Disk 001/999 of the set\": a receiving site "
                   "reads no disk number there";
        // Two digits and blanks, where the old rule left "02/0500" and the last one "002/005".
        QTest::newRow("two digits on a three-digit line")
            << QByteArray("Disk 000/000 of the set") << false << 2 << 5
            << QByteArray("Disk 02/05   of the set") << "";
        QTest::newRow("short line appends") << QByteArray("Disk 00/00") << false << 2 << 5
                                            << QByteArray() << "Column number too high";
    }
    void plannedDizWorkedExamples() {
        QFETCH(QByteArray, line3);
        QFETCH(bool, three);
        QFETCH(int, k);
        QFETCH(int, n);
        QFETCH(QByteArray, expected);
        QFETCH(QString, refusal);
        const JobSettings job = jobWithLine3(line3);
        const QByteArray before = readAll(dizPath);
        QString refused;
        const QByteArray planned =
            plannedDiz(job, root.path() + "/plan", k, n, three ? 3 : 2, &refused);
        QCOMPARE(refused.isEmpty(), !expected.isEmpty());
        if (!expected.isEmpty())
            QCOMPARE(planned, "Title\r\nSecond line\r\n" + expected + "\r\nLast\r\n");
        QCOMPARE(readAll(dizPath), before); // the user's diz is only read

        RecordingWindow window;
        RecordingMachine machine;
        NumberingState state;
        const bool accepts = refusal.isEmpty();
        state.NumberingValid = !accepts;
        QCOMPARE(checkDizNumbering(job, RunFlags{}, three, state, window, machine), accepts);
        QCOMPARE(state.NumberingValid, accepts);
        if (!accepts) {
            QCOMPARE(window.messages.size(), 1);
            QVERIFY2(window.messages[0].startsWith("Kavel32 error|" + refusal),
                     qPrintable(window.messages[0]));
            QCOMPARE(window.lastIcon, MessageIcon::Exclamation);
            QCOMPARE(window.pages.size(), 1);
            QCOMPARE(window.pages[0].page, Page::Diz);
            QCOMPARE(window.pages[0].focus, QStringLiteral("Text2"));
        } else {
            QVERIFY(window.messages.isEmpty());
            QVERIFY(window.pages.isEmpty());
            QVERIFY(!QFile::exists(numberingSamplePath())); // deleted after a good check
        }
    }

    void fieldRefusals_data() {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("focus");
        QTest::newRow("column empty") << ""
                                      << "3"
                                      << "Text2";
        QTest::newRow("line empty") << "6"
                                    << ""
                                    << "Text6";
        QTest::newRow("both empty: column first") << ""
                                                  << ""
                                                  << "Text2";
        QTest::newRow("column zero") << "0"
                                     << "3"
                                     << "Text2";
        QTest::newRow("line zero") << "6"
                                   << "0"
                                   << "Text6";
        QTest::newRow("column 00") << "00"
                                   << "3"
                                   << "Text2";
        QTest::newRow("line word") << "6"
                                   << "abc"
                                   << "Text6";
    }
    void fieldRefusals() {
        QFETCH(QString, column);
        QFETCH(QString, line);
        QFETCH(QString, focus);
        const JobSettings job = jobWithLine3("Disk 00/00 of the set", line, column);
        RecordingWindow window;
        RecordingMachine machine;
        NumberingState state;
        state.NumberingValid = true;
        QVERIFY(!checkDizNumbering(job, RunFlags{}, false, state, window, machine));
        QVERIFY(!state.NumberingValid);
        QVERIFY(window.messages.isEmpty());
        QCOMPARE(window.pages.size(), 1);
        QCOMPARE(window.pages[0].page, Page::Diz);
        QCOMPARE(window.pages[0].focus, focus);
    }

    void returnsAtOnceWithoutNumberingOrDiz() {
        JobSettings job = jobWithLine3("Disk 00/00 of the set", "", "");
        job.AutoNumber = false;
        RecordingWindow window;
        RecordingMachine machine;
        NumberingState state;
        state.NumberingValid = true;
        QVERIFY(checkDizNumbering(job, RunFlags{}, false, state, window, machine));
        state.NumberingValid = false;
        job.AutoNumber = true;
        job.DizFile.clear();
        QVERIFY(!checkDizNumbering(job, RunFlags{}, false, state, window, machine));
        QVERIFY(window.pages.isEmpty());
        QVERIFY(window.messages.isEmpty());
    }

    // Column boundary on both sides of the rule: the check wants 7 characters from the
    // column on, and the writer overwrites exactly where the check passed, else appends.
    void columnBoundary_data() {
        QTest::addColumn<QByteArray>("line3");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("exactly C+6")
            << QByteArray("Disk 00/00xy") << true << QByteArray("Disk 02/05xy");
        QTest::newRow("one shorter")
            << QByteArray("Disk 00/00x") << false << QByteArray("Disk 00/00x02/05");
    }
    void columnBoundary() {
        QFETCH(QByteArray, line3);
        QFETCH(bool, valid);
        QFETCH(QByteArray, written);
        const JobSettings job = jobWithLine3(line3);
        RecordingWindow window;
        RecordingMachine machine;
        NumberingState state;
        QCOMPARE(checkDizNumbering(job, RunFlags{}, false, state, window, machine), valid);
        QCOMPARE(window.messages.isEmpty(), valid);
        QStringList lines;
        QVERIFY(readTextLines(job.DizFile, &lines, nullptr));
        QCOMPARE(numberedDizLines(job, lines, 2, 5, 2).value(2).toLatin1(), written);
    }

    // The numbering rule over templates and digit counts: the numbered lines, the check, a
    // receiving site's reading of them and the plan's diz agree on every row.
    void numberingRule_data() {
        QTest::addColumn<QByteArray>("line3");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("digits");
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("n");
        QTest::addColumn<QByteArray>("written"); // empty: no room, the check refuses
        QTest::addColumn<QString>("lost");
        QTest::addColumn<bool>("siteReads"); // a receiving site reads k/n from what is written
        const QByteArray refused;
        QTest::newRow("equal, text after")
            << QByteArray("Disk 00/00 of the set") << 6 << 2 << 5 << 12
            << QByteArray("Disk 05/12 of the set") << "" << true;
        QTest::newRow("narrower, text after") << QByteArray("Disk 00/00 of the set") << 6 << 3 << 50
                                              << 102 << refused << "o" << false;
        QTest::newRow("narrower, blanks after, three digits bare")
            << QByteArray("Disk 00/00   of the set") << 6 << 3 << 50 << 102
            << QByteArray("Disk 050/102 of the set") << "" << false;
        QTest::newRow("narrower, one blank then text")
            << QByteArray("Disk 00/00 xof") << 6 << 3 << 1 << 100 << refused << "x" << false;
        QTest::newRow("wider, two digits")
            << QByteArray("Disk 000/000 of the set") << 6 << 2 << 5 << 12
            << QByteArray("Disk 05/12   of the set") << "" << true;
        QTest::newRow("wider at the line's end, two digits")
            << QByteArray("Disk xxx/xxx") << 6 << 2 << 5 << 5 << QByteArray("Disk 05/05  ") << ""
            << true;
        QTest::newRow("wider at the line's end, three digits")
            << QByteArray("Disk xxx/xxx") << 6 << 3 << 1 << 150 << QByteArray("Disk 001/150") << ""
            << false;
        QTest::newRow("wider in brackets, two digits")
            << QByteArray("Disk [000/000] set") << 7 << 2 << 5 << 12
            << QByteArray("Disk [05/12  ] set") << "" << true;
        QTest::newRow("equal, three digits")
            << QByteArray("Disk [000/000] set") << 7 << 3 << 5 << 102
            << QByteArray("Disk [005/102] set") << "" << true;
        QTest::newRow("angles, three digits")
            << QByteArray("Disk <000/000> set") << 7 << 3 << 5 << 102
            << QByteArray("Disk <005/102> set") << "" << false;
        QTest::newRow("round, three digits")
            << QByteArray("Disk (000/000) set") << 7 << 3 << 99 << 102
            << QByteArray("Disk (099/102) set") << "" << true;
        QTest::newRow("brackets, narrower")
            << QByteArray("Disk [00/00] set") << 7 << 3 << 5 << 102 << refused << "]" << false;
        QTest::newRow("x placeholder, brackets")
            << QByteArray("Disk (xx/xx) set") << 7 << 2 << 3 << 9 << QByteArray("Disk (03/09) set")
            << "" << true;
        QTest::newRow("mixed placeholder") << QByteArray("Disk ?\?/##    ") << 6 << 3 << 7 << 120
                                           << QByteArray("Disk 007/120  ") << "" << false;
        QTest::newRow("blanks only") << QByteArray("Disk        end") << 6 << 2 << 1 << 3
                                     << QByteArray("Disk 01/03  end") << "" << true;
        QTest::newRow("glued to a word") << QByteArray("Disk:00/00:end") << 6 << 2 << 1 << 3
                                         << QByteArray("Disk:01/03:end") << "" << false;
        QTest::newRow("text at the column")
            << QByteArray("Disk one of two") << 6 << 2 << 1 << 2 << refused << "oneo" << false;
    }
    void numberingRule() {
        QFETCH(QByteArray, line3);
        QFETCH(int, column);
        QFETCH(int, digits);
        QFETCH(int, k);
        QFETCH(int, n);
        QFETCH(QByteArray, written);
        QFETCH(QString, lost);
        QFETCH(bool, siteReads);
        JobSettings job = jobWithLine3(line3, "3", QString::number(column));

        const DiskLabelPlacement placed =
            placeDiskLabel(QString::fromLatin1(line3), column, k, n, digits);
        QCOMPARE(placed.fits, !written.isEmpty());
        QCOMPARE(placed.lost, lost);
        QCOMPARE(placed.line.size(), line3.size()); // the line keeps its length

        const NumberingJudgement judged = judgeNumbering(job, digits == 3);
        QCOMPARE(judged.valid, siteReads);
        if (!placed.fits) {
            QVERIFY2(judged.why.contains(QStringLiteral("\"%1\"").arg(lost)),
                     qPrintable(judged.why));
            QVERIFY(judged.why.contains(placeholderFor(digits)));
            QVERIFY(judged.why.contains(QStringLiteral("column %1").arg(column)));
            return;
        }
        QStringList lines;
        QVERIFY(readTextLines(job.DizFile, &lines, nullptr));
        QByteArray text;
        for (const QString& numbered : numberedDizLines(job, lines, k, n, digits))
            text += numbered.toLatin1() + "\r\n";
        QCOMPARE(text.split('\n').value(2).chopped(1), written);
        // The plan puts these bytes into zip k when the site reads them, else makes no set.
        QCOMPARE(plannedDiz(job, root.path() + "/plan", k, n, digits),
                 siteReads ? text : QByteArray());
        const DiskNumbers read = findDiskNumbers(text);
        QCOMPARE(readsAsZip(read, k, n), siteReads);
        QCOMPARE(siteMisreadFault(text, job.DizFile, 3, placed.label, k, n, digits).isEmpty(),
                 siteReads);
        if (!siteReads) {
            // The refusal names the line and advises a form the site reads.
            QVERIFY2(judged.why.startsWith("line 3 of " + dizPath), qPrintable(judged.why));
            QVERIFY(!judged.why.contains(" xxx/xxx"));
        }
    }

    // Every planned diz read back as a receiving site reads it, over diz templates and set
    // sizes on both sides of every edge (1 and 2 zips, 9 and 10, 99 and 100, a placeholder as
    // wide as the numbers and one wider): either each zip's diz gives that zip's k/n, or the
    // plan refuses the job before anything is archived, naming the line and what the site
    // would read, with advice in a form it reads.
    void plannedDizReadsBack_data() {
        QTest::addColumn<QByteArray>("diz");
        QTest::addColumn<QString>("column"); // numbered on line 3; empty: not numbered
        QTest::addColumn<int>("zips");
        QTest::addColumn<QString>("refusal"); // in the plan's fault; empty: the plan passes
        struct Template {
            const char* name;
            QByteArray line1, line3;
            const char* column;
            QString twoDigits, threeDigits; // the refusal for up to 99 zips, and for more
        };
        const QString room = "has no room for a disk number such as 001/999 at column 6";
        const QString none = "reads no disk number there: it reads a three-digit total";
        const QList<Template> templates = {
            {"seed 00/00", "Title", "Disk 00/00 of the set", "6", "", room},
            {"wider 000/000", "Title", "Disk 000/000 of the set", "6", "", none},
            {"xxx/xxx at the end", "Title", "Disk xxx/xxx", "6", "", none},
            {"[xxx/xxx]", "Title", "Disk [xxx/xxx] of the set", "7", "", ""},
            {"(000/000)", "Title", "Disk (000/000)", "7", "", ""},
            {"[0000/0000], wider than three", "Title", "Disk [0000/0000]", "7", "", none},
            {"[xx/xx]", "Title", "Disk [xx/xx] of the set", "7", "", "has no room"},
            {"date on line 1", "Demo Release 03/24", "Disk 00/00 of the set", "6",
             "line 1 of %1 reads \"Demo Release 03/24\": a receiving site takes the first disk "
             "number in the whole diz, 03/24 there, for disk 3 of a set of 24, before the number "
             "on line 3",
             "has no room"},
            {"not numbered", "Title", "Disk 00/00 of the set", "", "carries no disk number", ""},
        };
        for (const Template& t : templates)
            for (int zips : {1, 2, 9, 10, 99, 100, 101, 150, 999}) {
                QString refusal = zips > 99 ? t.threeDigits : t.twoDigits;
                if (QString(t.column).isEmpty())
                    refusal = zips > 1 ? t.twoDigits : QString();
                QTest::addRow("%s, %d zips", t.name, zips)
                    << t.line1 + "\r\n-----\r\n" + t.line3 + "\r\n"
                    << QString(t.column) << zips << QString(refusal).replace("%1", dizPath);
            }
    }
    void plannedDizReadsBack() {
        QFETCH(QByteArray, diz);
        QFETCH(QString, column);
        QFETCH(int, zips);
        QFETCH(QString, refusal);
        JobSettings job;
        job.SourceSpec = root.path();
        job.DizFile = dizPath;
        job.AutoNumber = !column.isEmpty();
        job.NumberLine = job.AutoNumber ? "3" : "";
        job.NumberColumn = column;
        job.NfoFile = root.path() + "/x.nfo";
        job.ZipDir = root.path() + "/zips";
        job.ZipName = "rx";
        job.SizeUnits = 3;
        PlanFacts facts;
        facts.dizBytes = diz;
        facts.dizLines = splitTextLines(diz);
        PlanOptions options;
        options.volumes = zips;
        options.outputFolder = root.path() + "/Kavel001";
        const RunPlan plan = planRun(job, facts, options);
        if (!refusal.isEmpty()) {
            QVERIFY(plan.fault);
            QVERIFY2(plan.fault->text.contains(refusal), qPrintable(plan.fault->text));
            QVERIFY(!plan.fault->text.contains(" xxx/xxx"));
            QCOMPARE(plan.fault->page, Page::Diz);
            QCOMPARE(plan.fault->stage, PlanFault::Stage::AfterArchiving);
            return;
        }
        QVERIFY2(!plan.fault, qPrintable(plan.fault ? plan.fault->text : QString()));
        QCOMPARE(plan.zips.size(), zips);
        for (const PlannedZip& zip : plan.zips) {
            const DiskNumbers read = findDiskNumbers(zip.dizText);
            if (zips == 1 && !job.AutoNumber) {
                QVERIFY(!read.found);
                continue;
            }
            QVERIFY2(read.found && !read.diskUnfilled, zip.dizText.constData());
            QCOMPARE(read.disk, zip.number);
            QCOMPARE(read.count, zips);
            QCOMPARE(read.line, 3);
        }
    }

    void lineBoundary_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("valid");
        QTest::newRow("last line") << "4" << true;
        QTest::newRow("one past the end") << "5" << false;
    }
    void lineBoundary() {
        QFETCH(QString, line);
        QFETCH(bool, valid);
        JobSettings job = jobWithLine3("Disk 00/00 of the set", line, "1");
        writeFile(dizPath, "Title\r\nSecond\r\nDisk 00/00 of the set\r\n00/00 line here");
        RecordingWindow window;
        RecordingMachine machine;
        NumberingState state;
        QCOMPARE(checkDizNumbering(job, RunFlags{}, false, state, window, machine), valid);
        if (!valid) {
            QCOMPARE(window.messages, QStringList{"Kavel32 error|Line number too high"});
            QCOMPARE(window.pages[0].focus, QStringLiteral("Text6"));
            QVERIFY(QFile::exists(numberingSamplePath())); // stays until the next check
        }
    }

    void batchModeShowsNoBox() {
        const JobSettings job = jobWithLine3("Disk 00/00");
        RecordingWindow window;
        RecordingMachine machine;
        NumberingState state;
        state.NumberingValid = true;
        RunFlags flags;
        flags.BatchRun = true;
        QVERIFY(!checkDizNumbering(job, flags, false, state, window, machine));
        QVERIFY(!state.NumberingValid);
        QVERIFY(window.messages.isEmpty());
    }

    void testPreviewLeavesSampleForTheEditor_data() {
        QTest::addColumn<bool>("three");
        QTest::addColumn<QByteArray>("sampleLine");
        QTest::addColumn<QByteArray>("line3");
        QTest::addColumn<QString>("column");
        QTest::newRow("two digits") << false << QByteArray("Disk 01/99 of the set set")
                                    << QByteArray("Disk 00/00 of the set set") << "6";
        QTest::newRow("three digits") << true << QByteArray("Disk [001/999] of the set")
                                      << QByteArray("Disk [000/000] of the set") << "7";
        QTest::newRow("two digits on a wider placeholder")
            << false << QByteArray("Disk 01/99   of the set set")
            << QByteArray("Disk 000/000 of the set set") << "6";
    }
    void testPreviewLeavesSampleForTheEditor() {
        QFETCH(bool, three);
        QFETCH(QByteArray, sampleLine);
        QFETCH(QByteArray, line3);
        QFETCH(QString, column);
        const JobSettings job = jobWithLine3(line3, "3", column);
        RecordingWindow window;
        RecordingMachine machine;
        NumberingState state;
        state.NumberingTest = true;
        QVERIFY(checkDizNumbering(job, RunFlags{}, three, state, window, machine));
        const QString sample = numberingSamplePath();
        QVERIFY(sample.startsWith(AppPaths::scratchFolder()));
        QCOMPARE(machine.edited, QStringList{sample});
        QCOMPARE(readAll(sample), "Title\r\nSecond line\r\n" + sampleLine + "\r\nLast\r\n");
        QVERIFY(window.processed >= 4); // events run while the lines are written

        // The next check (no preview) removes it.
        state.NumberingTest = false;
        QVERIFY(checkDizNumbering(job, RunFlags{}, three, state, window, machine));
        QVERIFY(!QFile::exists(sample));
    }

    void unreadableDizIsRefused() {
        JobSettings job = jobWithLine3("Disk 00/00 of the set");
        job.DizFile = root.path() + "/missing.diz";
        RecordingWindow window;
        RecordingMachine machine;
        NumberingState state;
        state.NumberingValid = true;
        QString error;
        QVERIFY(!checkDizNumbering(job, RunFlags{}, false, state, window, machine, &error));
        QVERIFY(!state.NumberingValid);
        QVERIFY(error.contains("missing.diz"));
        QVERIFY(plannedDiz(job, root.path() + "/plan", 1, 2, 2, &error).isEmpty());
        QVERIFY2(error.contains("missing.diz"), qPrintable(error));
    }

    void plannedDizLineEnds() {
        // Lone CR, lone LF and no line end at all: every line of the zip's diz ends with CR LF.
        writeFile(dizPath, QByteArray("one\rtwo\nDisk 00/00 of the set"));
        JobSettings job;
        job.DizFile = dizPath;
        job.AutoNumber = true;
        job.NumberLine = "3";
        job.NumberColumn = "6";
        const QString plan = root.path() + "/plan";
        QCOMPARE(plannedDiz(job, plan, 3, 4, 2),
                 QByteArray("one\r\ntwo\r\nDisk 03/04 of the set\r\n"));

        // One zip, not numbered: the diz byte for byte, its line ends as they are.
        job.AutoNumber = false;
        QCOMPARE(plannedDiz(job, plan, 1, 1, 2), QByteArray("one\rtwo\nDisk 00/00 of the set"));
        job.AutoNumber = true;

        // Bytes above 127 pass through unchanged.
        writeFile(dizPath, QByteArray("\xb0\xb1\xb2 Disk 00/00 \xdb\xdb\r\n"));
        job.NumberLine = "1";
        job.NumberColumn = "10";
        QCOMPARE(plannedDiz(job, plan, 1, 2, 2),
                 QByteArray("\xb0\xb1\xb2 Disk 01/02 \xdb\xdb\r\n"));
    }

    void tooLargeDizIsRefused() {
        const QString big = root.path() + "/big.diz";
        QStringList lines;
        QString error;
        writeFile(big, QByteArray(1024, 'x'));
        QVERIFY(!readTextLines(big, &lines, &error, 100));
        QVERIFY(error.contains("too large"));
        QVERIFY(readTextLines(big, &lines, &error, 2048));
        QCOMPARE(lines.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDizNumbering)
#include "test_diz_numbering.moc"
