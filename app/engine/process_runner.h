#pragma once

#include "engine/machine_port.h"

#include <QString>
#include <QStringList>

#include <functional>

// A command line taken apart: the program, its arguments, and the files that the
// "command.com /c" and "command.pif /c" wrappers would have redirected.
struct ParsedCommand {
    QString program;
    QStringList arguments;
    QString stdoutFile; // ">" target, created or truncated
    QString stdinFile;  // "<" source
};

// Splits by the Windows command-line rules: blanks separate outside quotes; 2n backslashes
// before a quote give n backslashes and the quote toggles quoting, 2n+1 give n and a
// literal quote; other backslashes are literal; "" inside quotes is a literal quote.
QStringList splitCommandLine(const QString& commandLine);

// Recognises the interpreter wrappers and their redirections; no shell ever runs.
ParsedCommand parseCommandLine(const QString& commandLine);

// Program search: the program folder, the current directory, then PATH. A name ending in
// ".exe", ".pif" or ".com" that is not found as written is tried without that ending.
// Returns an empty string when nothing executable is found.
QString findProgram(const QString& name);

// Runs the command line and waits without limit for its end. The child inherits the
// environment and the current directory. Returns the exit status (128 + signal number when
// killed) or kCouldNotStart at once. whileWaiting, when given, is called about every 50 ms
// so a window can keep painting.
int ExecCmd(const QString& commandLine, const std::function<void()>& whileWaiting = {});

// Starts the program without waiting. The style has no meaning for a desktop without
// window styles at start; it is accepted for the callers' sake. Returns false when the
// program could not be started.
bool startDetached(const QString& commandLine, WindowStyle style);
