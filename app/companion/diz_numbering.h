#pragma once

#include "companion/diz_numbers.h"
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
// at that column is the run of digits, "x", "?" or "#" on both sides of one "/". The numbers
// are written with the set's digits whatever the placeholder's width, and what is left of a
// wider placeholder is filled with blanks (000/000 in a two-digit set gives "05/12  "): a
// receiving site reads a total of two digits set apart, never one glued to more digits. The
// line keeps its length: the label overwrites the placeholder and may go on over blanks
// only; lost holds whatever other characters it overwrites, and then fits is false. A line
// too short for any label (column + 6 past its end) gets the label appended, as the check
// would have refused that column.
struct DiskLabelPlacement {
    QString line;     // the numbered line
    QString label;    // the label as written
    bool fits = true; // no character of the template's text is overwritten
    QString lost;     // what would be overwritten when it does not fit
};
DiskLabelPlacement placeDiskLabel(const QString& line, int column, int diskNumber, int diskCount,
                                  int digits);

// A placeholder that takes the set's numbers and that receiving sites read: "xx/xx", or for
// three digits "[xxx/xxx]" (they read a three-digit total only in brackets).
QString placeholderFor(int digits);

// Whether numbers read out of zip k's diz are right for a set of n zips: disk k of n, or
// nothing at all in a set of one zip. The one rule of the plan and of the check of a set.
bool readsAsZip(const DiskNumbers& read, int k, int n);

// Why a receiving site does not read disk k of n out of the diz that goes into zip k (its
// bytes), naming the line it reads and what it reads there, with advice that works; empty
// when it does. numberedLine (from 1) and label are where the job numbers it (0 and empty
// when it is not numbered); sample: the label is the check's sample, not a real zip's.
QString siteMisreadFault(const QByteArray& dizText, const QString& dizName, int numberedLine,
                         const QString& label, int k, int n, int digits, bool sample = false);

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
    bool noRoom = false;  // refused because the label would overwrite the template's text
    bool misread = false; // refused because a receiving site misreads the sample
};
// eachLine, when given, runs after every line of the diz is looked at. Besides the Part's
// "Column number too high" and "Line number too high", a label that would overwrite text
// of the template is refused, naming the line, the column, what would be lost and a
// placeholder that fits; and so is a sample that a receiving site does not read as disk 1
// of 99 (of 999 with three digits), naming the line it reads instead.
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

// The diz lines numbered for disk k of n, as the plan puts them into zip k.
QStringList numberedDizLines(const JobSettings& job, const QStringList& lines, int diskNumber,
                             int diskCount, int digits);
