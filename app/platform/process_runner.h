#pragma once

#include "job/command.h"
#include "job/machine_port.h"

#include <QString>
#include <QStringList>

#include <functional>

// Program search: the program folder, the current directory, then PATH. A name ending in
// ".exe", ".pif" or ".com" that is not found as written is tried without that ending.
// Returns an empty string when nothing executable is found.
QString findProgram(const QString& name);
// 7-Zip as Debian installs it (7zz), else the older 7z; empty when neither is found.
QString findSevenZip();

// Runs the command and waits without limit for its end. The child inherits the environment
// and the current directory and runs in a process group of its own, which is told to stop
// (SIGTERM) when this program is asked to stop; killed outright, this program has the
// kernel tell the child instead (startChild). Returns the exit status (128 + signal number
// when killed) or kCouldNotStart at once. whileWaiting, when given, is called about every
// 50 ms so a window can keep painting.
//
// With onPercent the command is asked for its progress: KAVEL32_PROGRESS=1 is set for it
// and its standard output is read while it runs; every line "NN%" that changes the
// percentage reaches onPercent, anything else it writes goes on to this program's standard
// output. Without onPercent the variable is taken out of the child's environment. A command
// with an output file of its own reports nothing.
int runCommand(const Command& command, const std::function<void()>& whileWaiting = {},
               const std::function<void(int)>& onPercent = {});

// A stop asked for from inside the program (a window's Abort, called while a command is
// waited for): the command running now, and any started before clearCommandStop, has its
// process group told to stop (SIGTERM) as a stop signal would, without ending this program.
void requestCommandStop();
void clearCommandStop();

// The environment variable that asks the archiver front-ends for "NN%" lines.
inline constexpr char kProgressVariable[] = "KAVEL32_PROGRESS";

// Reads "NN%" progress lines out of a child's standard output as it arrives in pieces.
class ProgressLineReader {
  public:
    // Takes the next bytes; returns the bytes that were not progress lines (whole lines,
    // with their line ends), which the caller passes on.
    QByteArray feed(const QByteArray& bytes);
    // The bytes of an unfinished last line, once the child has ended.
    QByteArray finish();
    // The last percentage read, -1 before the first.
    int percent() const { return percent_; }
    std::function<void(int)> onPercent;

  private:
    QByteArray pending_;
    int percent_ = -1;
};

// runCommand with the program's standard output (and with withErrors its standard error)
// kept in *output, the first maxBytes of it (the rest is read and dropped), instead of a
// file: nothing is written anywhere. Standard input is the command's input file, else
// /dev/null, so a program that would ask a question reads the end of its input instead of
// waiting.
int runCommandCapturing(const Command& command, QByteArray* output, qint64 maxBytes = 1 << 20,
                        bool withErrors = true, const std::function<void()>& whileWaiting = {});

// The last line a command wrote to its error file (Command::stderrFile) that says something,
// for the one line that reports its failure; empty when there is none.
QString lastErrorLine(const Command& command);
