#include "release/par2_recovery.h"

#include "platform/paths.h"
#include "platform/process_runner.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {
const QString kPar2 = QStringLiteral("par2");

// par2's last words: the line that says what went wrong.
QString lastLine(const QByteArray& output) {
    const QStringList lines = QString::fromLocal8Bit(output).split(
        QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts);
    for (qsizetype i = lines.size() - 1; i >= 0; --i)
        if (!lines[i].trimmed().isEmpty())
            return lines[i].trimmed();
    return {};
}

bool run(const Command& command, const QString& step, QString* error) {
    QByteArray output;
    const int status = runCommandCapturing(command, &output);
    if (status == 0)
        return true;
    if (error)
        *error = status == kCouldNotStart
                     ? QStringLiteral("%1: the par2 program could not be started").arg(step)
                     : QStringLiteral("%1 failed (par2 status %2): %3")
                           .arg(step)
                           .arg(status)
                           .arg(lastLine(output));
    return false;
}
} // namespace

QString par2MissingFault() {
    if (!findProgram(kPar2).isEmpty())
        return {};
    return QStringLiteral("PAR2 recovery needs the par2 program (Debian package par2), which is "
                          "not installed");
}

Command par2CreateCommand(const QString& folder, const QString& stem, int percent,
                          const QStringList& zipPaths) {
    return makeCommand(kPar2, QStringList{QStringLiteral("create"), QStringLiteral("-q"),
                                          QStringLiteral("-r%1").arg(percent),
                                          QStringLiteral("-B") + folder, QStringLiteral("--"),
                                          joinPath(folder, stem + QStringLiteral(".par2"))} +
                                  zipPaths);
}

Command par2VerifyCommand(const QString& folder, const QString& stem) {
    return makeCommand(kPar2, {QStringLiteral("verify"), QStringLiteral("-q"),
                               QStringLiteral("-B") + folder, QStringLiteral("--"),
                               joinPath(folder, stem + QStringLiteral(".par2"))});
}

QStringList recoveryFileNames(const QString& folder, const QString& stem) {
    const QRegularExpression pattern(
        QStringLiteral("^%1(\\.vol\\d+\\+\\d+)?\\.par2$").arg(QRegularExpression::escape(stem)));
    QStringList names;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name))
        if (pattern.match(name).hasMatch())
            names << name;
    return names;
}

bool makeRecoveryFiles(const QString& folder, const QString& stem, int percent,
                       const QStringList& zipPaths, QString* error) {
    for (const QString& name : recoveryFileNames(folder, stem)) {
        if (!QFile::remove(joinPath(folder, name))) {
            if (error)
                *error = QStringLiteral("cannot remove the old recovery file %1")
                             .arg(joinPath(folder, name));
            return false;
        }
    }
    return run(par2CreateCommand(folder, stem, percent, zipPaths),
               QStringLiteral("Making the PAR2 recovery files"), error) &&
           run(par2VerifyCommand(folder, stem), QStringLiteral("Verifying the PAR2 recovery files"),
               error);
}
