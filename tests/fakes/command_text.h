#pragma once

#include <QString>
#include <QStringList>

// Reads a command's text form back into its arguments by the Windows command-line rules
// that quoteArgument writes for: blanks separate outside quotes; 2n backslashes before a
// quote give n backslashes and the quote toggles quoting, 2n+1 give n and a literal quote;
// other backslashes are literal; "" inside quotes is a literal quote. The program never
// parses a command line; tests use this to hold the text form to the arguments.
inline QStringList splitCommandLine(const QString& commandLine) {
    QStringList args;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    const qsizetype n = commandLine.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = commandLine[i];
        if (c == QLatin1Char('\\')) {
            qsizetype count = 0;
            while (i < n && commandLine[i] == QLatin1Char('\\')) {
                ++count;
                ++i;
            }
            inArgument = true;
            if (i < n && commandLine[i] == QLatin1Char('"')) {
                current += QString(count / 2, QLatin1Char('\\'));
                if (count % 2 == 1)
                    current += QLatin1Char('"');
                else
                    quoted = !quoted;
            } else {
                current += QString(count, QLatin1Char('\\'));
                --i; // the character after the run is handled by the next turn
            }
        } else if (c == QLatin1Char('"')) {
            inArgument = true;
            if (quoted && i + 1 < n && commandLine[i + 1] == QLatin1Char('"')) {
                current += QLatin1Char('"');
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if ((c == QLatin1Char(' ') || c == QLatin1Char('\t')) && !quoted) {
            if (inArgument)
                args << current;
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        args << current;
    return args;
}
