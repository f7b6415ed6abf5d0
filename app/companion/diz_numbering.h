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

// The label the check writes into its sample: 01/99 or 001/999.
QString sampleLabel(bool threeDigitNumbers);

// The per-disk rule for one line at column (1-based): overwrite from that column when at
// least 7 characters are there, else append. A column below 1 leaves the line as it is.
QString numberedLine(const QString& line, int column, const QString& label);

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
};
// eachLine, when given, runs after every line of the diz is looked at.
NumberingJudgement judgeNumbering(const JobSettings& job, bool threeDigitNumbers,
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

// Whether the numbering line takes a three-digit label where the check made room for a
// two-digit one, for a set that turned out to need three digits: the two characters after
// the two-digit label's place must be blanks, digits or "/" (a wider placeholder such as
// 000/000), so that no text of the diz is overwritten. False with *errorText saying why.
bool numberingLineTakesThreeDigits(const JobSettings& job, QString* errorText);
