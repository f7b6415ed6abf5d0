// The dry run against the run it describes: its in-memory checks against the checks that
// write scratch files, and the real program's dry run against the real run that follows.
#include "../fakes/command_text.h"
#include "companion/diz_numbering.h"
#include "platform/paths.h"
#include "platform/process_runner.h"
#include "release/dry_run.h"
#include "release/set_plan.h"
#include "script/script_file.h"

#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "../common/file_helpers.h"
#include "../fakes/recording_ports.h"

namespace {

// Every file and folder below root with its size and time: "nothing written" is this,
// unchanged (a folder's time changes when anything is made or removed in it).
QStringList treeState(const QString& root) {
    QStringList state;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        state << QStringLiteral("%1 %2 %3")
                     .arg(QDir(root).relativeFilePath(info.filePath()))
                     .arg(info.isDir() ? 0 : info.size())
                     .arg(info.lastModified().toMSecsSinceEpoch());
    }
    state.sort();
    return state;
}

QString lineStarting(const QString& text, const QString& start) {
    for (const QString& line : text.split('\n'))
        if (line.startsWith(start))
            return line.mid(start.size());
    return {};
}

// Every line that starts with start, without it.
QStringList linesStarting(const QString& text, const QString& start) {
    QStringList found;
    for (const QString& line : text.split('\n'))
        if (line.startsWith(start))
            found << line.mid(start.size());
    return found;
}

QByteArray output(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(-1);
    return p.readAllStandardOutput();
}

// The entry names of a zip, in their order.
QStringList zipEntries(const QString& zip) {
    return QString::fromUtf8(output("unzip", {"-Z1", zip})).split('\n', Qt::SkipEmptyParts);
}

// A file of zeros that takes no room on disk: big sources for the volume counts' bounds.
void sparseFile(const QString& path, qint64 size) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QVERIFY(f.resize(size));
}

} // namespace

class TestDryRun : public QObject {
    Q_OBJECT
    QTemporaryDir root;

    // A job that passes every other check, numbered at line and column of its diz.
    JobSettings numberedJob(const QByteArray& line3, const QString& line, const QString& column) {
        JobSettings job;
        job.SourceSpec = root.filePath("numbering/source");
        QDir().mkpath(job.SourceSpec);
        job.DizFile = root.filePath("numbering/file_id.diz");
        writeFile(job.DizFile, "Title\r\nSecond\r\n" + line3 + "\r\n");
        job.AutoNumber = true;
        job.NumberLine = line;
        job.NumberColumn = column;
        job.NfoFile = root.filePath("numbering/r.nfo");
        writeFile(job.NfoFile, "nfo\r\n");
        job.ZipDir = root.filePath("numbering/zips");
        QDir().mkpath(job.ZipDir);
        job.ZipName = "num";
        return job;
    }
    RunPlan planOf(const JobSettings& job, int volumes) {
        PlanOptions options;
        options.volumes = volumes;
        return planRun(job, readPlanFacts(job, root.path()), options);
    }

    QProcessEnvironment runEnv() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KAVEL32_STATE_DIR", root.filePath("plan-state"));
        env.insert("KAVEL32_SCRATCH_DIR", root.filePath("plan-scratch"));
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        return env;
    }
    int kavel(const QStringList& args, QString* out) const {
        QProcess p;
        p.setProcessEnvironment(runEnv());
        p.start(QString(KAVEL_BIN_DIR) + "/kavel32", args);
        p.waitForFinished(-1);
        *out = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitCode();
    }

    // A job over a folder of the test's own: release.nfo, a diz numbered at line 3, column 6.
    JobSettings planJob(const QString& top, const QByteArray& dizLine3) {
        JobSettings job;
        job.SourceSpec = top + "/source";
        job.DizFile = top + "/file_id.diz";
        writeFile(job.DizFile, "Title\r\n\r\n" + dizLine3 + "\r\n");
        job.AutoNumber = true;
        job.NumberLine = "3";
        job.NumberColumn = "6";
        job.NfoFile = top + "/release.nfo";
        writeFile(job.NfoFile, "Notes\r\n");
        job.ZipDir = top + "/zips";
        QDir().mkpath(job.ZipDir);
        job.ZipName = "plan";
        job.SizeUnits = 3;
        job.MethodIndex = 0;
        return job;
    }

  private slots:
    void initTestCase() {
        qputenv("KAVEL32_STATE_DIR", root.filePath("unit-state").toLocal8Bit());
        qputenv("KAVEL32_SCRATCH_DIR", root.filePath("unit-scratch").toLocal8Bit());
    }

    // The plan's numbering verdict is the check's own, at its edges.
    void numberingVerdictMatchesTheCheck_data() {
        QTest::addColumn<QByteArray>("line3");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("column");
        QTest::newRow("room") << QByteArray("Disk 00/00 of the set") << "3"
                              << "6";
        QTest::newRow("exactly 7 from the column") << QByteArray("Disk 00/00xx") << "3"
                                                   << "6";
        QTest::newRow("one short") << QByteArray("Disk 00/00x") << "3"
                                   << "6";
        QTest::newRow("last line") << QByteArray("Disk 00/00 of the set") << "3"
                                   << "1";
        QTest::newRow("beyond the last line") << QByteArray("Disk 00/00 of the set") << "4"
                                              << "1";
        QTest::newRow("column 0") << QByteArray("Disk 00/00 of the set") << "3"
                                  << "0";
        QTest::newRow("column a word") << QByteArray("Disk 00/00 of the set") << "3"
                                       << "abc";
        QTest::newRow("empty line field") << QByteArray("Disk 00/00 of the set") << ""
                                          << "6";
    }
    void numberingVerdictMatchesTheCheck() {
        QFETCH(QByteArray, line3);
        QFETCH(QString, line);
        QFETCH(QString, column);
        const JobSettings job = numberedJob(line3, line, column);
        NullWindowPort window;
        RecordingMachine machine;
        NumberingState state;
        checkDizNumbering(job, RunFlags{true, false}, false, state, window, machine);
        const RunPlan plan = planOf(job, 2);
        QCOMPARE(plan.ok(), state.NumberingValid);
    }

    // The check judges the numbering with the digits the plan takes from the measured source:
    // 99 estimated volumes keep two, 100 make three, whose sample needs a wider placeholder.
    void numberingDigitsAreThePlans_data() {
        QTest::addColumn<QByteArray>("line3");
        QTest::addColumn<float>("megs");
        QTest::addColumn<bool>("valid");
        const QByteArray narrow("Disk 00/00 of the set"), wide("Disk[000/000] of the set");
        QTest::newRow("99 volumes, two digits") << narrow << 198.0f << true;
        QTest::newRow("100 volumes, three digits") << narrow << 199.5f << false;
        QTest::newRow("100 volumes, a three-digit placeholder") << wide << 199.5f << true;
    }
    void numberingDigitsAreThePlans() {
        QFETCH(QByteArray, line3);
        QFETCH(float, megs);
        QFETCH(bool, valid);
        JobSettings job = numberedJob(line3, "3", "6");
        job.SizeUnits = 4; // 2,000,000 bytes a volume
        PlanOptions options;
        options.sourceSizeM = megs;
        NullWindowPort window;
        RecordingMachine machine;
        NumberingState state;
        checkDizNumbering(job, RunFlags{true, false}, plannedDigits(job, options) == 3, state,
                          window, machine);
        QCOMPARE(state.NumberingValid, valid);
        const RunPlan plan = planRun(job, readPlanFacts(job, root.path()), options);
        QVERIFY2(plan.ok() == valid, plan.ok() ? "" : qPrintable(plan.fault->text));
    }

    // With a script, the set's names give the plan its digits: two-digit names of 99 zips
    // keep two, of 100 the count widens them, three-digit names keep three (and the first
    // volume's name) whatever the count, and the diz is judged with them.
    void folderPlanTakesTheNamesDigits_data() {
        QTest::addColumn<int>("digits");
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("line3"); // numbered at column 6
        QTest::addColumn<QString>("planned");  // digits:name:first:last:extension, or fault
        const QByteArray narrow("Disk 00/00 of the set"), wide("Disk[000/000] of the set");
        QTest::newRow("two digits, 99 zips")
            << 2 << 99 << narrow << "2:longna:longna01.zip:longna99.zip:.rar";
        QTest::newRow("two-digit names, 100 zips")
            << 2 << 100 << wide << "3:longn:longn001.zip:longn100.zip:.rar";
        QTest::newRow("three digits, 5 zips")
            << 3 << 5 << wide << "3:longn:longn001.zip:longn005.zip:.001";
        QTest::newRow("three digits, numbered where two fit")
            << 3 << 5 << narrow << "fault:line 3 of";
    }
    void folderPlanTakesTheNamesDigits() {
        QFETCH(int, digits);
        QFETCH(int, count);
        QFETCH(QByteArray, line3);
        QFETCH(QString, planned);
        const QString top = root.filePath("names-digits");
        QDir().mkpath(top + "/source");
        JobSettings job = planJob(top, line3);
        job.ZipName = "longname";
        JobSetNames names;
        names.digits = digits;
        const RunPlan plan = planForFolder(job, names, count);
        const QString got = plan.fault ? "fault:" + plan.fault->text
                                       : QStringLiteral("%1:%2:%3:%4:%5")
                                             .arg(plan.digits)
                                             .arg(plan.zipName, plan.zips.front().shownName,
                                                  plan.zips.back().shownName, plan.extension);
        QVERIFY2(got.startsWith(planned), qPrintable(got));
    }

    // The numbered line and diz the plan puts into zip k, byte for byte; a line the number
    // would be appended to, the plan refuses.
    void numberedLineAndDiz_data() {
        QTest::addColumn<QByteArray>("line3");
        QTest::addColumn<int>("k");
        QTest::addColumn<int>("n");
        QTest::addColumn<QByteArray>("numbered");
        QTest::newRow("two digits")
            << QByteArray("Disk 00/00 of the set") << 2 << 5 << QByteArray("Disk 02/05 of the set");
        QTest::newRow("three digits") << QByteArray("Disk[000/000] of the set") << 2 << 120
                                      << QByteArray("Disk[002/120] of the set");
        QTest::newRow("last of three digits") << QByteArray("Disk[000/000] of the set") << 120
                                              << 120 << QByteArray("Disk[120/120] of the set");
        QTest::newRow("appended") << QByteArray("Disk 00/00") << 2 << 5 << QByteArray();
    }
    void numberedLineAndDiz() {
        QFETCH(QByteArray, line3);
        QFETCH(int, k);
        QFETCH(int, n);
        QFETCH(QByteArray, numbered);
        const JobSettings job = numberedJob(line3, "3", "6");
        const RunPlan plan = planOf(job, n);
        if (line3.size() < 6 + 6) {
            QVERIFY(!plan.ok());
            QCOMPARE(plan.fault->text, QStringLiteral("Column number too high"));
            return;
        }
        QVERIFY2(plan.ok(), qPrintable(plan.fault->text));
        QCOMPARE(plan.zips[k - 1].numberedLine.toLatin1(), numbered);
        QCOMPARE(plan.zips[k - 1].dizText, "Title\r\nSecond\r\n" + numbered + "\r\n");
    }

    // What in the zip folder is the older set's is decided by what it holds, never by its
    // name alone: each row a folder ("name=entry|entry" a zip or the names a listing holds,
    // "name@link", "@folder", "@fifo", "name!" one that cannot be read), the set's zips and
    // steps, and what the plan replaces, refuses (on a name it needs) and leaves alone.
    void olderSetIsWhatItHolds_data() {
        QTest::addColumn<QStringList>("folder");
        QTest::addColumn<int>("zips");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("replaced");
        QTest::addColumn<QString>("refused");
        QTest::addColumn<QString>("leftAlone");
        const QStringList older = {
            "game01.zip=game.7z.001|file_id.diz|r.nfo", "game02.zip=game.7z.002|file_id.diz",
            "game03.zip=game.7z.003|file_id.diz", "game04.zip=game.7z.004|file_id.diz",
            "game05.zip=game.7z.005|file_id.diz"};
        const QStringList others = {"game101.zip=game1.7z.001|file_id.diz",
                                    "game102.zip=game1.7z.002|file_id.diz",
                                    "game12.zip=game12.7z|file_id.diz"};
        QTest::newRow("the older set, more zips than the new")
            << older << 3 << ""
            << "game01.zip game02.zip game03.zip game04.zip game05.zip"
            << ""
            << "";
        QTest::newRow("other jobs named game1 and game12") << others << 3 << ""
                                                           << ""
                                                           << ""
                                                           << "game101.zip game102.zip game12.zip";
        QTest::newRow("game12.zip where a set of 12 goes") << others << 12 << ""
                                                           << ""
                                                           << "game12.zip"
                                                           << "game101.zip game102.zip";
        QTest::newRow("one archive of the set")
            << QStringList{"game.zip=game.7z|file_id.diz"} << 3 << ""
            << "game.zip"
            << ""
            << "";
        QTest::newRow("a set of one volume") << QStringList{"game.zip=game.7z.001"} << 1 << ""
                                             << "game.zip"
                                             << ""
                                             << "";
        QTest::newRow("one zip holding a later volume")
            << QStringList{"game.zip=game.7z.002"} << 1 << ""
            << ""
            << "game.zip"
            << "";
        QTest::newRow("names in another case")
            << QStringList{"GAME02.ZIP=GAME.7Z.002", "Game03.zip=game12.7z"} << 3 << ""
            << "GAME02.ZIP"
            << "Game03.zip"
            << "";
        QTest::newRow("the volume of another zip")
            << QStringList{"game02.zip=game.7z.003"} << 3 << ""
            << ""
            << "game02.zip"
            << "";
        QTest::newRow("two volumes") << QStringList{"game01.zip=game.7z.001|game.7z.002"} << 3 << ""
                                     << ""
                                     << "game01.zip"
                                     << "";
        QTest::newRow("a link, a folder and a FIFO on its names, a link beyond")
            << QStringList{"game01.zip@link", "game02.zip@folder", "game03.zip@fifo",
                           "game09.zip@link"}
            << 3 << ""
            << ""
            << "game01.zip game02.zip game03.zip game09.zip"
            << "";
        QTest::newRow("not a zip") << QStringList{"game01.zip!"} << 3 << ""
                                   << ""
                                   << "game01.zip"
                                   << "";
        QTest::newRow("the set's SFV")
            << QStringList{"game01.zip=game.7z.001", "game.sfv=game01.zip"} << 3 << "sfv"
            << "game.sfv game01.zip"
            << ""
            << "";
        QTest::newRow("an SFV listing a zip that is not there")
            << QStringList{"game01.zip=game.7z.001", "game.sfv=game01.zip|game02.zip"} << 3 << "sfv"
            << "game01.zip"
            << "game.sfv"
            << "";
        QTest::newRow("an SFV of another job's zips, no SFV made")
            << QStringList{"game.sfv=game101.zip", "game101.zip=game1.7z.001"} << 3 << ""
            << ""
            << "game.sfv"
            << "game101.zip";
        QTest::newRow("SFVs of other names listing zips the set makes, or none of them")
            << QStringList{"old.sfv=game01.zip", ".hidden.SFV=GAME03.ZIP", "late.sfv=game04.zip",
                           "other.sfv=other01.zip"}
            << 3 << ""
            << ""
            << ".hidden.SFV old.sfv"
            << "";
        QTest::newRow("an SFV of another job's zips, an SFV made")
            << QStringList{"game.sfv=game101.zip", "game101.zip=game1.7z.001"} << 3 << "sfv"
            << ""
            << "game.sfv"
            << "game101.zip";
        QTest::newRow("an SFV listing a file that is no zip")
            << QStringList{"game01.zip=game.7z.001", "game.sfv=game01.zip|notes.txt"} << 3 << "sfv"
            << "game01.zip"
            << "game.sfv"
            << "";
        QTest::newRow("an SFV listing nothing") << QStringList{"game.sfv="} << 3 << "sfv"
                                                << ""
                                                << "game.sfv"
                                                << "";
        const QStringList foreignPar2 = {"game12.zip=game12.7z", "game.par2=game12.zip",
                                         "game.vol0+1.par2=game12.zip"};
        QTest::newRow("PAR2 files of another job, none made")
            << foreignPar2 << 3 << ""
            << ""
            << ""
            << "game.par2 game.vol0+1.par2 game12.zip";
        QTest::newRow("PAR2 files of another job, PAR2 made") << foreignPar2 << 3 << "par2"
                                                              << ""
                                                              << "game.par2 game.vol0+1.par2"
                                                              << "game12.zip";
        QTest::newRow("the set's PAR2 files")
            << QStringList{"game01.zip=game.7z.001", "game02.zip=game.7z.002",
                           "game.par2=game01.zip|game02.zip",
                           "GAME.vol00+01.par2=game01.zip|game02.zip"}
            << 3 << "par2"
            << "GAME.vol00+01.par2 game.par2 game01.zip game02.zip"
            << ""
            << "";
        QTest::newRow("names that only begin with the set's")
            << QStringList{"gameboy.zip=gameboy.7z", "game-notes.zip=x", "game1.sfv=game101.zip"}
            << 3 << "sfv"
            << ""
            << "game-notes.zip"
            << "";
        // Beside the set, a zip may stay only when it holds another set's volumes.
        QTest::newRow("other sets' zips under any name, in any case")
            << QStringList{"OLD.ZIP=old.part1.rar", "x.zip=Demo.R00|file_id.diz",
                           "y.zip=y.ace",           "z.zip=zz.7z.012",
                           "w.zip=w.001",           ".hidden.zip=notes.txt"}
            << 3 << ""
            << ""
            << ""
            << "";
        QTest::newRow("zips beside the set that hold no other set's volume")
            << QStringList{"notes.zip=notes.txt",  "empty.zip=",
                           "copy.ZIP=GAME.7z.002", "mixed.zip=game.7z.001|other.7z.001",
                           "broken.zip!",          "l.zip@link",
                           "f.zip@fifo",           "d.zip@folder"}
            << 3 << ""
            << ""
            << "broken.zip copy.ZIP empty.zip f.zip l.zip mixed.zip notes.zip"
            << "";
        QTest::newRow("a set-like name beyond the set holding no volume")
            << QStringList{"game09.zip=readme.txt", "game08.zip=game8.7z.001"} << 3 << ""
            << ""
            << "game09.zip"
            << "game08.zip";
    }
    void olderSetIsWhatItHolds() {
        QFETCH(QStringList, folder);
        QFETCH(int, zips);
        QFETCH(QString, steps);
        QFETCH(QString, replaced);
        QFETCH(QString, refused);
        QFETCH(QString, leftAlone);
        JobSettings job = planJob(root.filePath("older"), "Disk 00/00 of the set");
        job.ZipName = "game";
        PlanFacts facts = readPlanFacts(job, root.path());
        for (const QString& spec : folder) {
            ZipFolderEntry entry;
            entry.name = spec.section(QRegularExpression("[=@!]"), 0, 0);
            const QString rest = spec.mid(entry.name.size() + 1);
            const QChar how = spec[entry.name.size()];
            if (how == '=')
                entry.listed = rest.split('|', Qt::SkipEmptyParts);
            else if (how == '!')
                entry.readFault = "it cannot be read as a zip";
            else
                entry.kind = rest == "link"     ? ZipFolderEntry::Kind::Link
                             : rest == "folder" ? ZipFolderEntry::Kind::Folder
                                                : ZipFolderEntry::Kind::Other;
            facts.zipFolder << entry;
        }
        PlanOptions options;
        options.volumes = zips;
        options.sfv = steps.contains("sfv");
        options.par2Percent = steps.contains("par2") ? 10 : 0;
        const RunPlan plan = planRun(job, facts, options);
        QStringList olderSet;
        for (const QString& path : plan.olderSet) {
            QCOMPARE(path, job.ZipDir + "/" + fileNamePart(path));
            olderSet << fileNamePart(path);
        }
        olderSet.sort();
        QCOMPARE(olderSet.join(' '), replaced);
        QStringList strangers;
        for (const QString& line : plan.strangers) {
            QVERIFY2(line.contains(" in " + job.ZipDir + " is not of the set game: it "),
                     qPrintable(line));
            strangers << line.section(' ', 0, 0);
        }
        strangers.sort();
        QCOMPARE(strangers.join(' '), refused);
        QStringList left = plan.leftAlone;
        left.sort();
        QCOMPARE(left.join(' '), leftAlone);
        QCOMPARE(plan.ok(), refused.isEmpty());
        if (!refused.isEmpty()) {
            QCOMPARE(int(plan.fault->stage), int(PlanFault::Stage::Job));
            QVERIFY2(plan.fault->text.startsWith(plan.strangers.front() +
                                                 "; move it or choose another zip folder"),
                     qPrintable(plan.fault->text));
        }
    }

    // What the dry run prints is what the run then makes: the zips' names and count, every
    // zip's entries, the numbered diz lines; and where the archiver's count is not the
    // estimate's, the run numbers the set it really made.
    void planMatchesTheRun_data() {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("outcome"); // "same", "wider", or the refusal's words
        QTest::newRow("volumes, extra folder in every zip") << "extra"
                                                            << "same";
        QTest::newRow("nfo and extra in the 1st zip only") << "first"
                                                           << "same";
        // Every zip's diz must say its own k/n: several zips and no numbering are refused.
        QTest::newRow("no numbering, three zips")
            << "nonumber"
            << "file_id.diz carries no disk number a receiving site reads, and the set has 3 zips";
        QTest::newRow("one archive named with digits, sfv and check") << "single"
                                                                      << "same";
        QTest::newRow("estimate 99, the archiver makes 100, room in the diz") << "count100room"
                                                                              << "wider";
        QTest::newRow("estimate 99, the archiver makes 100, no room")
            << "count100"
            << "The archiver made 100 volumes, too many for two-digit";
        QTest::newRow("estimate above 99, no room")
            << "estimate100"
            << "would be overwritten; receiving sites read a three-digit total only in brackets: "
               "write the placeholder [xxx/xxx] there";
        QTest::newRow("estimate above 99, bracketed placeholder") << "estimate100room"
                                                                  << "same";
    }
    void planMatchesTheRun() {
        QFETCH(QString, shape);
        QFETCH(QString, outcome);
        const QString top = root.filePath("plan-" + shape);
        const QString work = top + "/work";
        QDir().mkpath(work);
        // 49,500,000 bytes stored make 99 volumes by the estimate and 100 by the archiver
        // (its headers); 49,600,000 make an estimate above 99.
        const bool big = shape.startsWith("count") || shape.startsWith("estimate");
        QByteArray dizLine = "Disk 00/00 of the set";
        if (shape == "count100room")
            dizLine = "Disk[xxx/xxx] of the set";
        if (shape == "estimate100room")
            dizLine = "Disk[000/000] of the set";
        JobSettings job = planJob(top, dizLine);
        if (shape == "estimate100room" || shape == "count100room")
            job.NumberColumn = "6";
        if (big) {
            job.SizeUnits = 1;
            sparseFile(job.SourceSpec + "/zeros.bin",
                       shape.startsWith("count") ? 49'500'000 : 49'600'000);
        } else {
            QByteArray data(3'500'000, Qt::Uninitialized);
            QRandomGenerator(11).fillRange(reinterpret_cast<quint32*>(data.data()),
                                           data.size() / 4);
            writeFile(job.SourceSpec + "/data.bin", data);
        }
        QStringList options = {"--work-dir", work};
        if (shape == "extra") {
            job.ExtraPath = top + "/extra";
            writeFile(job.ExtraPath + "/one.txt", "1");
            writeFile(job.ExtraPath + "/[two] *.txt", "2");
        } else if (shape == "nonumber") {
            job.AutoNumber = false;
        } else if (shape == "first") {
            job.FirstZipOnly = true;
            job.ExtraIsFile = true;
            job.ExtraPath = top + "/read me.txt";
            writeFile(job.ExtraPath, "r");
        } else if (shape == "single") {
            job.SizeUnits = 0;
            job.ZipName = "game01";
            options << "--sfv"
                    << "--verify";
        }
        const QString script = top + "/job.rip";
        QVERIFY(saveScript(script, job).ok);

        QString plan, ran;
        const int dryStatus = kavel(options + QStringList{"--dry-run", "!" + script}, &plan);
        const int runStatus = kavel(options + QStringList{"!" + script}, &ran);
        const QStringList made = QDir(job.ZipDir).entryList({"*.zip"}, QDir::Files, QDir::Name);
        if (outcome != "same" && outcome != "wider") {
            // Refused before anything is archived, or after the archiver with its volumes
            // kept; never a zip.
            QCOMPARE(runStatus, 1);
            QVERIFY2(ran.contains(outcome), qPrintable(ran));
            QVERIFY(made.isEmpty());
            const bool afterArchiving = shape.startsWith("count");
            QCOMPARE(dryStatus, afterArchiving ? 0 : 1);
            QCOMPARE(QDir(work).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(),
                     afterArchiving ? 1 : 0);
            return;
        }
        QCOMPARE(dryStatus, 0);
        QVERIFY2(runStatus == 0, qPrintable(ran));
        if (outcome == "wider") {
            // The plan said 99 with two digits; the archiver's 100 get three, names cut to
            // stay 8.3, and every diz says which of 100 it is.
            QVERIFY2(plan.contains("planned 99 (2-digit numbers)"), qPrintable(plan));
            QCOMPARE(made.size(), 100);
            QCOMPARE(made.first(), QString("plan001.zip"));
            QCOMPARE(made.last(), QString("plan100.zip"));
            const QByteArray diz =
                output("unzip", {"-p", job.ZipDir + "/plan100.zip", "file_id.diz"});
            QCOMPARE(diz.split('\n').value(2), QByteArray("Disk[100/100] of the set\r"));
            // In brackets, a three-digit total is one receivers read: nothing to warn of.
            QVERIFY2(!ran.contains("kavel32: warning: "), qPrintable(ran));
            return;
        }
        const QString zipsLine =
            lineStarting(plan, QStringLiteral("Zips: %1 in %2: ").arg(made.size()).arg(job.ZipDir));
        if (made.size() <= 12)
            QCOMPARE(zipsLine, made.join(", "));
        else
            QVERIFY2(zipsLine.endsWith(made.last()), qPrintable(plan));
        // Every "Into" line against the zips it names.
        int checked = 0;
        for (const QString& into : linesStarting(plan, "Into ")) {
            const QString names = into.section(": ", 0, 0);
            const QStringList companions = into.section(": ", 1).split(", ").mid(1);
            const QString first = names.section(" to ", 0, 0);
            const QString last = names.contains(" to ") ? names.section(" to ", 1) : first;
            for (qsizetype i = made.indexOf(first); i >= 0 && i <= made.indexOf(last); ++i) {
                QStringList entries = zipEntries(job.ZipDir + "/" + made[i]);
                QVERIFY2(entries.size() == companions.size() + 1, qPrintable(made[i]));
                entries.removeFirst(); // the volume
                QStringList expected = companions;
                expected.replaceInStrings(" (tagged copy)", "");
                QCOMPARE(entries, expected);
                ++checked;
            }
        }
        QCOMPARE(checked, made.size());
        for (const QString& line : linesStarting(plan, "Diz of zip ")) {
            const QString zip = line.section(',', 0, 0);
            const QByteArray diz = output("unzip", {"-p", job.ZipDir + "/" + zip, "file_id.diz"});
            QCOMPARE(line.section(": ", 1).toLatin1() + '\r', diz.split('\n').value(2));
        }
        QCOMPARE(ran.contains("three-digit total"), false);
        if (shape == "single") {
            QCOMPARE(made, QStringList{"game01.zip"});
            QVERIFY(QFile::exists(job.ZipDir + "/game01.sfv"));
            QVERIFY2(ran.contains("Check passed: 1 zips"), qPrintable(ran));
        }
    }

    // The run's own folders inside the source are never packed, and a second run of a job
    // whose source shrank replaces the older set instead of leaving its last zips.
    void ownFoldersAndSmallerReruns() {
        const QString top = root.filePath("own");
        JobSettings job = planJob(top, "Disk 00/00 of the set");
        job.ZipDir = job.SourceSpec + "/zips";
        QDir().mkpath(job.ZipDir);
        const QString work = job.SourceSpec + "/work";
        QDir().mkpath(work);
        QByteArray data(6'000'000, Qt::Uninitialized);
        QRandomGenerator(5).fillRange(reinterpret_cast<quint32*>(data.data()), data.size() / 4);
        writeFile(job.SourceSpec + "/data.bin", data);
        const QString script = top + "/job.rip";
        QVERIFY(saveScript(script, job).ok);

        QString plan, first, second;
        QCOMPARE(kavel({"--work-dir", work, "--dry-run", "!" + script}, &plan), 0);
        QVERIFY2(plan.contains("Left out of the archive: " + QDir(job.ZipDir).canonicalPath()),
                 qPrintable(plan));
        QCOMPARE(kavel({"--work-dir", work, "!" + script}, &first), 0);
        const QStringList firstSet = QDir(job.ZipDir).entryList(QDir::Files, QDir::Name);
        QCOMPARE(firstSet.size(), 5);
        QCOMPARE(kavel({"--work-dir", work, "!" + script}, &second), 0);
        QCOMPARE(QDir(job.ZipDir).entryList(QDir::Files, QDir::Name), firstSet);

        // The source shrinks to two volumes: the last three zips of the older set go.
        writeFile(job.SourceSpec + "/data.bin", data.left(2'000'000));
        QString smaller;
        QCOMPARE(kavel({"--work-dir", work, "!" + script}, &smaller), 0);
        QVERIFY2(smaller.contains("Replaced the older set plan in " + job.ZipDir +
                                  ": plan01.zip, plan02.zip, plan03.zip, plan04.zip, plan05.zip"),
                 qPrintable(smaller));
        QCOMPARE(QDir(job.ZipDir).entryList(QDir::Files, QDir::Name),
                 (QStringList{"plan01.zip", "plan02.zip"}));
        // What the archive holds: the data, never a zip of an earlier run or a work folder.
        const QString joined = top + "/joined";
        QDir().mkpath(joined);
        for (const QString& zip : {QString("plan01.zip"), QString("plan02.zip")})
            QVERIFY(QProcess::execute("unzip", {"-q", "-o", job.ZipDir + "/" + zip, "plan.*", "-d",
                                                joined}) == 0);
        const QString listing = QString::fromLocal8Bit(
            output("7zz", {"l", "-ba", joined + "/" + QDir(joined).entryList({"*.001"}).value(0)}));
        QVERIFY2(listing.contains("data.bin"), qPrintable(listing));
        QVERIFY2(!listing.contains(".zip") && !listing.contains("Kavel"), qPrintable(listing));

        // Output folders made in the source itself: the run's own is left out too, with its
        // journal and its volumes.
        QVERIFY(QDir(job.SourceSpec + "/work").removeRecursively());
        QCOMPARE(kavel({"--work-dir", job.SourceSpec, "--dry-run", "!" + script}, &plan), 0);
        QVERIFY2(plan.contains("Left out of the archive: " + QDir(job.SourceSpec).canonicalPath() +
                               "/Kavel001"),
                 qPrintable(plan));
        QString inSource;
        QCOMPARE(kavel({"--work-dir", job.SourceSpec, "!" + script}, &inSource), 0);
        QDir(joined).removeRecursively();
        QDir().mkpath(joined);
        for (const QString& zip : {QString("plan01.zip"), QString("plan02.zip")})
            QVERIFY(QProcess::execute("unzip", {"-q", "-o", job.ZipDir + "/" + zip, "plan.*", "-d",
                                                joined}) == 0);
        const QString again = QString::fromLocal8Bit(
            output("7zz", {"l", "-ba", joined + "/" + QDir(joined).entryList({"*.001"}).value(0)}));
        QVERIFY2(again.contains("data.bin") && !again.contains("Kavel"), qPrintable(again));
    }

    // The real dry run writes nothing anywhere, then the real run executes the archiver
    // command line it printed and makes the zips it named.
    void dryRunThenRun() {
        const QString top = root.filePath("e2e");
        const QString source = top + "/source", zips = top + "/zips", work = top + "/work";
        QDir().mkpath(zips);
        QDir().mkpath(work);
        QByteArray data(8'000'000, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(data.data()), data.size() / 4);
        writeFile(source + "/data.bin", data);
        writeFile(top + "/file_id.diz", "Title\r\n\r\nDisk 00/00 of the set\r\n");
        writeFile(top + "/release.nfo", "Notes\r\n");
        JobSettings job;
        job.SourceSpec = source;
        job.DizFile = top + "/file_id.diz";
        job.AutoNumber = true;
        job.NumberLine = "3";
        job.NumberColumn = "6";
        job.NfoFile = top + "/release.nfo";
        job.ZipDir = zips;
        job.ZipName = "dry";
        job.SizeUnits = 3;
        job.MethodIndex = 1;
        QVERIFY(saveScript(top + "/dry.rip", job).ok);
        job.NfoFile = top + "/missing.nfo";
        QVERIFY(saveScript(top + "/stops.rip", job).ok);

        // The archiver is the real front-end behind a wrapper that writes down its arguments.
        const QString programs = root.filePath("programs");
        QDir().mkpath(programs);
        for (const char* tool : {"size", "pkzip"})
            QVERIFY(QFile::link(QString(KAVEL_BIN_DIR) + "/" + tool, programs + "/" + tool));
        const QString log = root.filePath("wrar-arguments.txt");
        writeFile(programs + "/wrar",
                  QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\nexec '%2/wrar' \"$@\"\n")
                      .arg(log, KAVEL_BIN_DIR)
                      .toLocal8Bit());
        QVERIFY(QFile::setPermissions(programs + "/wrar",
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KAVEL32_STATE_DIR", top + "/state");     // absent: must stay so
        env.insert("KAVEL32_SCRATCH_DIR", top + "/scratch"); // absent: must stay so
        env.insert("KAVEL32_PROGRAM_DIR", programs);
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        auto kavel = [&](const QStringList& args, QString* out) {
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(QString(KAVEL_BIN_DIR) + "/kavel32", args);
            p.waitForFinished(-1);
            *out = QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
            return p.exitCode();
        };

        const QStringList before = treeState(root.path());
        QString stopped;
        QCOMPARE(kavel({"--work-dir", work, "--dry-run", top + "/stops.rip"}, &stopped), 1);
        QVERIFY2(stopped.contains("The run would stop here: the job in") &&
                     stopped.contains("missing.nfo does not exist"),
                 qPrintable(stopped));
        QString plan;
        QCOMPARE(kavel({"--work-dir", work, "--sfv", "--dry-run", "!" + top + "/dry.rip"}, &plan),
                 0);
        QCOMPARE(treeState(root.path()), before);
        QVERIFY2(plan.contains("Check: the job passes its check"), qPrintable(plan));
        QVERIFY(plan.contains("Source: " + source + ", 8,000,000 bytes"));
        QVERIFY(plan.contains("estimated 5.6, planned 6"));
        QVERIFY(plan.contains("After the last zip: dry.sfv"));

        QString ran;
        QCOMPARE(kavel({"--work-dir", work, "!" + top + "/dry.rip"}, &ran), 0);
        const QStringList planned = splitCommandLine(lineStarting(plan, "Archiver: "));
        QCOMPARE(planned.value(0), QString("wrar.exe"));
        QCOMPARE(planned.mid(1),
                 QString::fromLocal8Bit(readAll(log)).split('\n', Qt::SkipEmptyParts));

        const QStringList made = QDir(zips).entryList({"*.zip"}, QDir::Files, QDir::Name);
        QCOMPARE(lineStarting(plan, "Zips: 6 in " + zips + ": "), made.join(", "));
        QProcess unzip;
        unzip.start("unzip", {"-p", zips + "/" + made.back(), "file_id.diz"});
        unzip.waitForFinished();
        QCOMPARE(lineStarting(plan, "Diz of zip dry06.zip, line 3: ").toLatin1(),
                 unzip.readAllStandardOutput().split('\n')[2].trimmed());
    }
};

QTEST_GUILESS_MAIN(TestDryRun)
#include "test_dry_run.moc"
