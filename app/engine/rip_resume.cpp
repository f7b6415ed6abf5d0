// Finishing a stopped run from its journal: the plan made again, the disk checked against it,
// then the same steps as a run.
#include "engine/archiver_command.h"
#include "engine/resume_check.h"
#include "engine/rip_run.h"
#include "engine/zip_component.h"
#include "engine/zip_wrapping.h"
#include "job/text_lines.h"
#include "job/window_port.h"
#include "platform/file_read.h"
#include "platform/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kCommentCopy = QStringLiteral("comment.txt");

// What an archiver stopped while writing left: regular files, none of them a volume the
// journal knows. Anything else in the folder is not ours to remove, and stops the resume.
bool clearPartialVolumes(const QString& folder, QString* error) {
    const QStringList names = entriesBesideJournal(folder);
    for (const QString& name : names) {
        struct stat st {};
        const QByteArray path = QFile::encodeName(joinPath(folder, name));
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
            *error = QStringLiteral("%1 holds %2, which no archiver made")
                         .arg(folder, printableText(name));
            return false;
        }
    }
    for (const QString& name : names)
        if (!QFile::remove(joinPath(folder, name))) {
            *error = QStringLiteral("cannot remove the partial volume %1").arg(printableText(name));
            return false;
        }
    return true;
}

} // namespace

RipResult RipRun::refuseResume(const QString& reason) {
    window_.setStatusText(reason);
    RipResult r;
    r.outcome = RipOutcome::Failed;
    r.reason = reason;
    return r;
}

std::optional<RipResult> RipRun::beginResume(Pass& pass, const QString& outputFolder,
                                             const RunJournal& journal) {
    QString error;
    if (!pass.lock.lock(outputFolder, &error))
        return refuseResume(error);
    if (journal.job.RawArchivesOnly)
        return refuseResume(
            QStringLiteral("the journal is of an archives-only run, which makes no zips"));
    pass.outputFolder = outputFolder;
    pass.journal = journal;
    pass.job = journal.job;
    // The comment as the run began, whatever its file holds now.
    if (pass.job.CommentOn) {
        const QString work = AppPaths::workFolder(&error);
        if (work.isEmpty() ||
            !writeFileAtomically(work, kCommentCopy, journal.commentBytes, &error))
            return refuseResume(error);
        pass.job.CommentFile = joinPath(work, kCommentCopy);
    }
    pass.options = journal.planOptions();
    pass.options.outputFolder = outputFolder;
    pass.options.listFile = AppPaths::scratchFile(QStringLiteral("skip.txt"));
    pass.plan = planRun(pass.job, pass.facts, pass.options);
    if (pass.plan.fault)
        return refuseResume(QStringLiteral("the plan of the stopped run cannot be made again: %1")
                                .arg(pass.plan.fault->text));
    sourcePath_ = pass.job.SourceSpec;
    numbering_.NumberingValid = true;
    return std::nullopt;
}

RipResult RipRun::resume(const QString& outputFolder, const RunJournal& journal,
                         const PlanFacts& facts) {
    const auto running = runningScope();
    aborted_ = false;
    if (!flags_.batch())
        showProgressPage();
    Pass pass;
    pass.facts = journal.facts;
    pass.facts.workFolderFault = facts.workFolderFault;
    pass.facts.par2Fault = facts.par2Fault;
    if (auto ended = beginResume(pass, outputFolder, journal))
        return *ended;

    QString error;
    if (!journal.archived) {
        pass.notes << kArchiveAgainText;
        window_.setStatusText(kArchiveAgainText);
        if (!clearPartialVolumes(outputFolder, &error))
            return refuseResume(error);
        if (!pass.plan.listFile.isEmpty() &&
            !writeExclusionList(pass.plan.exclusionText, pass.plan.listFile, &error))
            return refuseResume(error);
        return archiveAndZip(pass);
    }
    QStringList names;
    for (const FileRecord& volume : journal.volumes)
        names << volume.name;
    bindVolumes(pass.plan, outputFolder, names);
    zip_.setCompressionLevel(pass.plan.compressionLevel);
    diskCount_ = int16_t(qMin<qsizetype>(names.size(), INT16_MAX));
    QList<int> remaining;
    if (auto ended = checkDisk(pass, &remaining))
        return *ended;
    // With every zip made, the way is cleared for the steps after the last one.
    if (auto ended = remaining.isEmpty() ? clearTheWay(pass) : zipPhase(pass, remaining))
        return *ended;
    return complete(pass);
}

std::optional<RipResult> RipRun::checkDisk(Pass& pass, QList<int>* remaining) {
    window_.setStatusText(QStringLiteral("Checking the volumes and zips against the journal"));
    window_.processEvents();
    const DiskCheck check = checkResumeDisk(pass.plan, *pass.journal, pass.outputFolder);
    if (!check.failure.isEmpty())
        return refuseResume(check.failure);
    bool adopted = false;
    for (qsizetype i = 0; i < check.zips.size(); ++i) {
        const ZipOnDisk& found = check.zips[i];
        const PlannedZip& zip = pass.plan.zips[i];
        const QString volume = zip.entries.front().source;
        switch (found.state) {
        case ZipOnDisk::State::Complete:
            pass.keptZips << zip.path;
            // The journal proves the zip complete: its volume goes, as it would have.
            if (found.volumeLeft && !QFile::remove(volume))
                return refuseResume(
                    QStringLiteral("cannot remove the zipped volume %1").arg(volume));
            break;
        case ZipOnDisk::State::Adopt:
            pass.keptZips << zip.path;
            pass.journal->zips << found.record;
            adopted = true;
            break;
        case ZipOnDisk::State::Make:
            // A zip the journal does not prove complete is made again from its volume; what
            // stands at its place goes only when it proves to be of the set (clearTheWay).
            *remaining << int(i);
            break;
        }
    }
    QString error;
    if (adopted && !writeJournal(pass.outputFolder, *pass.journal, &error))
        return refuseResume(error);
    pass.notes << QStringLiteral("Resuming the run in %1: %2 of %3 zips were complete")
                      .arg(pass.outputFolder)
                      .arg(check.complete())
                      .arg(check.zips.size());
    return std::nullopt;
}
