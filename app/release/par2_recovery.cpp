#include "release/par2_recovery.h"

#include "engine/leftovers.h"
#include "engine/set_listings.h"
#include "engine/zip_naming.h"
#include "platform/file_read.h"
#include "platform/file_replace.h"
#include "platform/folder_lock.h"
#include "platform/paths.h"
#include "platform/process_runner.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>

#include <algorithm>

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
                          const QStringList& zipPaths, const QString& outputFolder) {
    const QString into = outputFolder.isEmpty() ? folder : outputFolder;
    return makeCommand(kPar2, QStringList{QStringLiteral("create"), QStringLiteral("-q"),
                                          QStringLiteral("-r%1").arg(percent),
                                          QStringLiteral("-B") + folder, QStringLiteral("--"),
                                          joinPath(into, par2FileName(stem))} +
                                  zipPaths);
}

Command par2VerifyCommand(const QString& folder, const QString& stem,
                          const QString& recoveryFolder) {
    const QString from = recoveryFolder.isEmpty() ? folder : recoveryFolder;
    return makeCommand(kPar2, {QStringLiteral("verify"), QStringLiteral("-q"),
                               QStringLiteral("-B") + folder, QStringLiteral("--"),
                               joinPath(from, par2FileName(stem))});
}

QStringList recoveryFileNames(const QString& folder, const QString& stem) {
    QStringList names;
    // System too: a dangling link or a FIFO holding a recovery file's name is one to remove.
    for (const QString& name :
         QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name))
        if (isPar2NameOf(name, stem, Qt::CaseSensitive))
            names << name;
    return names;
}

namespace {
// Removes the recovery files of stem in folder, which the run found to be its older set's; a
// link among them goes itself. One that appeared since and describes other files stops the
// step: it is not this set's to remove.
bool removeOldRecoveryFiles(const QString& folder, const QString& stem, const QStringList& zipPaths,
                            QString* error) {
    QStringList zips;
    for (const QString& path : zipPaths)
        zips << fileNamePart(path);
    for (const QString& name : recoveryFileNames(folder, stem)) {
        const QString path = joinPath(folder, name);
        // A link or a FIFO in its place goes itself, as the name a new file takes.
        const Par2Listing listing = readPar2File(path);
        const QStringList listed = listing.names();
        const bool ours = !isRegularFileNoLink(path) ||
                          (listing.ok && !listed.isEmpty() &&
                           std::all_of(listed.cbegin(), listed.cend(),
                                       [&zips](const QString& n) { return zips.contains(n); }));
        if (!ours) {
            if (error)
                *error = QStringLiteral("%1 is in the way of the recovery files: it is not of "
                                        "this set")
                             .arg(path);
            return false;
        }
        if (!QFile::remove(path)) {
            if (error)
                *error = QStringLiteral("cannot remove the old recovery file %1").arg(path);
            return false;
        }
    }
    return true;
}

// par2 writes into a new folder of its own beside the zips, where no name can be a link
// planted in the zip folder (par2 would stop on one, its other files made); its files are
// then moved into place, each replacing whatever held its name, a link itself and never its
// target. The folder is locked while it exists: a run killed meanwhile leaves it to the
// next run to remove.
bool createInPlace(const QString& folder, const QString& spelled, const QString& stem, int percent,
                   const QStringList& zipPaths, QString* error) {
    FolderLock lock;
    QString why;
    const QString made = lock.makeFolder(folder, kPar2FolderPrefix, &why);
    if (made.isEmpty()) {
        if (error)
            *error = QStringLiteral("cannot make a folder for the recovery files: %1").arg(why);
        return false;
    }
    const auto removeMade = qScopeGuard([&made] { QDir(made).removeRecursively(); });
    if (!run(par2CreateCommand(folder, stem, percent, zipPaths,
                               joinPath(spelled, fileNamePart(made))),
             QStringLiteral("Making the PAR2 recovery files"), error) ||
        !removeOldRecoveryFiles(folder, stem, zipPaths, error))
        return false;
    for (const QString& name : QDir(made).entryList(QDir::Files | QDir::Hidden, QDir::Name))
        if (!moveOverName(joinPath(made, name), joinPath(folder, name), error))
            return false;
    return true;
}
} // namespace

bool makeRecoveryFiles(const QString& folder, const QString& stem, int percent,
                       const QStringList& zipPaths, QString* error) {
    // par2 takes '*' and '?' in a recovery file's path for wildcards and refuses it; the
    // zips' names and the base folder it takes as they are.
    const QString spelled = AppPaths::wildcardFreeSpelling(folder, QStringLiteral("zip-folder"));
    const auto removeLink = qScopeGuard([&] {
        if (spelled != folder)
            QFile::remove(spelled);
    });
    return createInPlace(folder, spelled, stem, percent, zipPaths, error) &&
           run(par2VerifyCommand(folder, stem, spelled),
               QStringLiteral("Verifying the PAR2 recovery files"), error);
}
