#pragma once

#include "job/job_settings.h"

#include <QString>
#include <QStringList>

#include <functional>

class WindowPort;
class MachinePort;

// Verdict and preview mode of the diz numbering check; owned by the caller (the window or
// the rip run) and cleared when a run ends.
struct NumberingState {
    bool NumberingValid = false;
    bool NumberingTest = false;
};

// Numeric value of a number field: its leading number, blanks ignored, 0 without digits.
// Saturates instead of overflowing.
int fieldNumber(const QString& text);

// "kk/nn" with leading zeros to 2 digits, or 3 with threeDigitNumbers; a number with more
// digits than that is written in full (100/100 in two-digit mode).
QString diskLabel(int diskNumber, int diskCount, bool threeDigitNumbers);

// The Part's append rule for one line at column (1-based): overwrite from that column when at
// least 7 characters are there, else append. A column below 1 leaves the line as it is.
QString numberedLine(const QString& line, int column, const QString& label);

// Disk k of n placed into a diz line at column (1-based). The template's number placeholder
// at that column is the run of digits, "x", "?" or "#" on both sides of one "/"; each number
// is zero-padded to its side's width when that is wider than the set's digits (000/000 in a
// two-digit set gives 005/012). The line keeps its length: the label overwrites the
// placeholder and may go on over blanks only; lost holds whatever other characters it
// overwrites, and then fits is false. A line too short for any label (column + 6 past its
// end) gets the label appended, as the check would have refused that column.
struct DiskLabelPlacement {
    QString line;           // the numbered line
    QString label;          // the label as written
    bool fits = true;       // no character of the template's text is overwritten
    QString lost;           // what would be overwritten when it does not fit
    bool bracketed = false; // the label stands in [ ] or ( ), the forms every receiver reads
};
DiskLabelPlacement placeDiskLabel(const QString& line, int column, int diskNumber, int diskCount,
                                  int digits);

// What receiving sites make of a three-digit total such as label ("001/102") written bare or
// in < >: they read it only in [ ] and ( ). The one wording of the plan's warning and of the
// check of a finished set.
QString unreadTotalText(const QString& label);

// A placeholder that takes the set's numbers: "xx/xx" or "xxx/xxx".
QString placeholderFor(int digits);

// Where the check writes its sample, and where the per-disk copy goes.
QString numberingSamplePath(); // private scratch folder, "~kavel.diz"
QString dizWorkingCopyPath();  // the zip copies folder, "file_id.diz"

// What the numbering check decides about a job's diz, without showing or writing anything:
// whether the position is usable, the field at fault (design name) with the box text
// ("Column number too high") and a reason for a report, and the lines of the sample (the
// diz with the largest label filled in, up to the line that was refused).
struct NumberingJudgement {
    bool valid = false;
    bool readable = false; // the diz was read
    QString field;
    QString message;
    QString why;
    QStringList sample;
    bool noRoom = false; // refused because the label would overwrite the template's text
};
// eachLine, when given, runs after every line of the diz is looked at. Besides the Part's
// "Column number too high" and "Line number too high", a label that would overwrite text
// of the template is refused, naming the line, the column, what would be lost and a
// placeholder that fits.
NumberingJudgement judgeNumbering(const JobSettings& job, bool threeDigitNumbers,
                                  const std::function<void()>& eachLine = {});
// The same on the diz's lines as already read; a set of digits (2 or 3) numbers.
NumberingJudgement judgeNumberingLines(const JobSettings& job, const QStringList& lines, int digits,
                                       const std::function<void()>& eachLine = {});

// The numbering check. Returns at once (keeping state.NumberingValid) when DizFile is empty
// or AutoNumber is off. Otherwise sets state.NumberingValid. Refusals switch to the Diz page
// and focus the field at fault; "Column number too high" and "Line number too high" are
// shown outside batch mode. With state.NumberingTest the sample is opened in the editor and
// left on disk for it; the next check or the program's close removes it. A diz that cannot
// be read leaves NumberingValid false, goes to the Diz page and fills *errorText.
bool checkDizNumbering(const JobSettings& job, const RunFlags& flags, bool threeDigitNumbers,
                       NumberingState& state, WindowPort& window, MachinePort& machine,
                       QString* errorText = nullptr);

// Writes the numbered diz of disk k of n to outputPath (dizWorkingCopyPath() by default).
// Never shows anything; false with *errorText when DizFile cannot be read, the output cannot
// be written, or the output would be DizFile itself.
bool writeDiskDiz(const JobSettings& job, int diskNumber, int diskCount, bool threeDigitNumbers,
                  QString* errorText = nullptr, const QString& outputPath = {});

// Removes a sample left for the editor (called when the program closes).
void removeNumberingSample();

// The diz lines numbered for disk k of n as writeDiskDiz writes them.
QStringList numberedDizLines(const JobSettings& job, const QStringList& lines, int diskNumber,
                             int diskCount, int digits);
