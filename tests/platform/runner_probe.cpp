// Runs one command the way the program runs its archiver and waits for it, for the tests
// that kill this process outright while the command runs: runner_probe PROGRAM [ARG]...
#include "job/command.h"
#include "platform/process_runner.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QStringList arguments;
    for (int i = 2; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return runCommand(makeCommand(QString::fromLocal8Bit(argv[1]), arguments));
}
