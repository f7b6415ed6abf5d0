// Fuzz target for the process runner's command-line splitter: any text splits without a
// crash, and any argument list quoted by the same rules splits back to itself.
#include "engine/process_runner.h"

#include <cstddef>
#include <cstdint>

namespace {

// Quotes one argument so the splitter gives it back unchanged: backslashes are doubled only
// where a quote follows them.
QString quoted(const QString& arg) {
    QString out = QStringLiteral("\"");
    qsizetype backslashes = 0;
    for (const QChar c : arg) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        if (c == QLatin1Char('"')) {
            out += QString(backslashes * 2 + 1, QLatin1Char('\\'));
            out += c;
        } else {
            out += QString(backslashes, QLatin1Char('\\'));
            out += c;
        }
        backslashes = 0;
    }
    out += QString(backslashes * 2, QLatin1Char('\\'));
    out += QLatin1Char('"');
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString line =
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList args = splitCommandLine(line);
    const ParsedCommand parsed = parseCommandLine(line);
    (void)parsed;

    // The pieces of the input, taken as arguments, survive quoting and splitting.
    QStringList pieces = line.split(QLatin1Char('|'));
    QStringList joined;
    for (const QString& piece : pieces)
        joined << quoted(piece);
    if (splitCommandLine(joined.join(QLatin1Char(' '))) != pieces)
        __builtin_trap();

    // An argument never holds an unquoted blank, so splitting the arguments again, each on
    // its own quoted, gives the same list.
    QStringList requoted;
    for (const QString& arg : args)
        requoted << quoted(arg);
    if (splitCommandLine(requoted.join(QLatin1Char(' '))) != args)
        __builtin_trap();
    return 0;
}
