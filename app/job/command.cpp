#include "job/command.h"

namespace {
// Blanks split an argument, a quote would end it, and ">" or "<" read as redirections
// where a command interpreter sees the line.
bool needsQuotes(const QString& text) {
    if (text.isEmpty())
        return true;
    for (const QChar c : text)
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
            c == QLatin1Char('"') || c == QLatin1Char('>') || c == QLatin1Char('<') ||
            c == QLatin1Char('|') || c == QLatin1Char('&'))
            return true;
    return false;
}
} // namespace

QString quoteArgument(const QString& argument, bool force) {
    if (!force && !needsQuotes(argument))
        return argument;
    // Backslashes are doubled only where a quote follows them.
    QString quoted = QStringLiteral("\"");
    qsizetype backslashes = 0;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        quoted +=
            QString(c == QLatin1Char('"') ? backslashes * 2 + 1 : backslashes, QLatin1Char('\\'));
        backslashes = 0;
        quoted += c;
    }
    quoted += QString(backslashes * 2, QLatin1Char('\\'));
    return quoted + QLatin1Char('"');
}

Command makeCommand(const QString& program, const QStringList& arguments) {
    Command command;
    command.program = program;
    command.arguments = arguments;
    command.text = quoteArgument(program);
    for (const QString& argument : arguments)
        command.text += QLatin1Char(' ') + quoteArgument(argument);
    return command;
}
