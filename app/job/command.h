#pragma once

#include <QString>
#include <QStringList>

// A command the program builds for an outside program: what runs, with which arguments, and
// the files its standard input and output are taken from or written to. The text form is
// the command line as the user knows it (shown and compared, never parsed again): a path
// with a quote, a blank or a ">" reaches the program as one literal argument whatever the
// text form looks like.
struct Command {
    QString program; // as written ("wrar.exe"); found by the program search when run
    QStringList arguments;
    QString stdinFile;  // empty: inherited
    QString stdoutFile; // created or truncated; empty: inherited
    QString stderrFile; // created or truncated; empty: inherited
    QString text;

    bool operator==(const Command&) const = default;
};

// One argument by the Windows command-line rules: as it is when nothing in it needs quotes,
// else in quotes with the quotes and the backslashes before them escaped. force quotes it
// in every case.
QString quoteArgument(const QString& argument, bool force = false);

// A command whose text form is the program and its arguments, each quoted as needed.
Command makeCommand(const QString& program, const QStringList& arguments);
