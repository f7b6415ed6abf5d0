// Fuzz target for the process runner's command-line splitter: any text splits without a
// crash, and any argument list quoted by the program's one quoting rule splits back to
// itself.
#include "platform/process_runner.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString line =
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList args = splitCommandLine(line);
    const Command parsed = parseCommandLine(line);
    (void)parsed;

    // The pieces of the input, taken as arguments, survive quoting and splitting.
    QStringList pieces = line.split(QLatin1Char('|'));
    QStringList joined;
    for (const QString& piece : pieces)
        joined << quoteArgument(piece, true);
    if (splitCommandLine(joined.join(QLatin1Char(' '))) != pieces)
        __builtin_trap();

    // An argument never holds an unquoted blank, so splitting the arguments again, each on
    // its own quoted, gives the same list.
    QStringList requoted;
    for (const QString& arg : args)
        requoted << quoteArgument(arg, true);
    if (splitCommandLine(requoted.join(QLatin1Char(' '))) != args)
        __builtin_trap();
    return 0;
}
