#include "shell/job_pages.h"

#include "companion/zip_comment.h"
#include "engine/rip_run.h"
#include "platform/paths.h"
#include "platform/stop_signals.h"
#include "script/loaded_job_check.h"
#include "script/script_file.h"
#include "shell/page_diz.h"
#include "shell/page_nfo.h"
#include "shell/page_progress.h"
#include "shell/page_skip.h"
#include "shell/page_source.h"
#include "shell/page_zip.h"
#include "source/volume_estimate.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStorageInfo>
#include <QWidget>

namespace {
// The default output place first (--work-dir when given), then the home folder, then every
// other writable mounted volume.
QStringList writableLocations() {
    QStringList out{defaultWorkLocation()};
    if (!out.contains(QDir::homePath()))
        out << QDir::homePath();
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (!volume.isValid() || !volume.isReady() || volume.isReadOnly() || out.contains(root))
            continue;
        const QByteArray type = volume.fileSystemType();
        if (type == "proc" || type == "sysfs" || type == "devtmpfs" || type == "cgroup2" ||
            type == "overlay" || root.startsWith(QStringLiteral("/proc")) ||
            root.startsWith(QStringLiteral("/sys")) || root.startsWith(QStringLiteral("/dev")) ||
            root.startsWith(QStringLiteral("/run")) || root.startsWith(QStringLiteral("/boot")))
            continue;
        if (QFileInfo(root).isWritable())
            out << root;
    }
    return out;
}

const QString kInfoTitleText = QStringLiteral("Kavel32");
const QString kScriptFilter = QStringLiteral("Script (*.rip)|*.rip|");
const QString kScriptExtension = QStringLiteral(".rip");

qint64 steadyNowMs() {
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

// "12 zips, 16.8 M, in /path": what a finished run left and where.
QString runSummary(const RipResult& run, const QString& zipDir) {
    QStringList files = run.zips;
    QString folder = zipDir;
    QString what = QStringLiteral("zips");
    if (run.outcome == RipOutcome::ArchivesKept) {
        folder = run.outputFolder;
        what = QStringLiteral("volumes");
        files.clear();
        for (const QString& name : QDir(folder).entryList(QDir::Files))
            files << joinPath(folder, name);
    }
    qint64 bytes = 0;
    for (const QString& file : files)
        bytes += QFileInfo(file).size();
    return QStringLiteral("%1 %2, %3 M, in %4")
        .arg(files.size())
        .arg(what)
        .arg(QString::number(double(bytes) / 1e6, 'f', 1))
        .arg(folder);
}
} // namespace

QString noteFieldFor(Page page, const QString& focus, const JobSettings& job) {
    if (!focus.isEmpty())
        return focus;
    switch (page) {
    case Page::Source:
        return QStringLiteral("SSPanel8");
    case Page::Skip:
        return QStringLiteral("Text1");
    case Page::Diz:
        return QStringLiteral("SSPanel2");
    case Page::Nfo:
        return !job.NfoFile.isEmpty() && QFileInfo(job.NfoFile).isFile() && !job.ExtraPath.isEmpty()
                   ? QStringLiteral("SSPanel4")
                   : QStringLiteral("SSPanel3");
    case Page::Zip:
        return QStringLiteral("SSPanel5");
    case Page::Progress:
    case Page::About:
        break;
    }
    return {};
}

JobPages::JobPages(const PagePanels& panels, WindowFrame& frame, Dialogs& dialogs,
                   MachinePort& machine, RunFlags& flags, QObject* parent)
    : QObject(parent), panels_(panels), port_(frame, model_), session_(port_, machine, flags),
      model_(session_), services_{dialogs, port_, machine, flags} {
    source_ = new PageSource(panels.source, model_, services_);
    skip_ = new PageSkip(panels.skip, model_, services_);
    diz_ = new PageDiz(panels.diz, model_, services_);
    nfo_ = new PageNfo(panels.nfo, model_, services_);
    zip_ = new PageZip(panels.zip, model_, services_);
    progress_ = new PageProgress(panels.progress, model_, runEstimate_);
    connect(progress_, &PageProgress::abortClicked, this, &JobPages::abortRun);
    connect(progress_, &PageProgress::exitClicked, this, &JobPages::exitRun);
    connect(progress_, &PageProgress::openFolderClicked, this,
            [this] { emit openFolderRequested(setFolder()); });
    connect(progress_, &PageProgress::checkZipsClicked, this,
            [this] { emit checkZipsRequested(setFolder()); });
    connect(&model_, &JobModel::commentChanged, this, &JobPages::commentOnChanged);
    connect(&model_, &JobModel::runBytesReported, this, &JobPages::runBytes);
    connect(&model_, &JobModel::changed, this, &JobPages::updateTitle);
    source_->fillDriveList(writableLocations());
    model_.markSaved();
    title_ = windowTitle();
}

JobPages::~JobPages() = default;

QWidget* JobPages::dialogParent() const {
    return panels_.source ? panels_.source->window() : nullptr;
}

// Scripts.
QString JobPages::windowTitle() const {
    const QString name = model_.scriptPath().isEmpty()
                             ? QStringLiteral("Kavel32")
                             : QStringLiteral("Kavel32 - ") + fileNamePart(model_.scriptPath());
    return model_.unsaved() ? name + QStringLiteral(" *") : name;
}

// Holds the title back during a command that changes the job, the script and the saved
// state one after the other; the title follows once, when the command is done.
class JobPages::TitleHold {
  public:
    explicit TitleHold(JobPages& pages) : pages_(pages) { pages_.holdTitle_ = true; }
    ~TitleHold() {
        pages_.holdTitle_ = false;
        pages_.updateTitle();
    }

  private:
    JobPages& pages_;
};

void JobPages::updateTitle() {
    if (holdTitle_)
        return;
    const QString title = windowTitle();
    if (title == title_)
        return;
    title_ = title;
    if (QWidget* top = dialogParent())
        top->setWindowTitle(title);
    emit windowTitleChanged(title);
}

void JobPages::setScriptPath(const QString& path) {
    model_.setScriptPath(foldCase(path));
    title_.clear(); // said again, whatever the window shows meanwhile
}

std::optional<SessionResult> JobPages::checkJob(const QString& path) {
    model_.clearNotes();
    port_.forgetShownPage();
    const auto ended = session_.checkStep(path);
    if (ended)
        noteShownPage(session_.lastCheck().reason);
    return ended;
}

void JobPages::noteShownPage(const QString& reason) {
    const auto shown = port_.shownPage();
    if (!shown || reason.isEmpty())
        return;
    const QString field = noteFieldFor(shown->page, shown->focus, model_.job());
    if (field.isEmpty())
        return;
    // The reason as a sentence: "No source is chosen", "The source /x does not exist".
    model_.setNote(field, reason.left(1).toUpper() + reason.mid(1));
}

void JobPages::showZipDriveFree() {
    const QString dir = model_.job().ZipDir;
    if (dir.isEmpty())
        return; // no drive to measure: the display stays
    if (const auto free = services_.machine.freeBytes(dir))
        model_.setZipFreeText(zipFreeSpaceAfterOpenText(*free));
}

bool JobPages::releaseJob() {
    if (services_.flags.batch() || !model_.unsaved())
        return true;
    const QString name = model_.scriptPath().isEmpty() ? QStringLiteral("The job")
                                                       : fileNamePart(model_.scriptPath());
    switch (services_.dialogs.message(dialogParent(),
                                      QStringLiteral("%1 has changes that are not saved.\n\n"
                                                     "Save them first?")
                                          .arg(name),
                                      kInfoTitleText, MessageIcon::Question,
                                      MessageButtons::SaveDiscardCancel)) {
    case MessageAnswer::Discard:
        return true;
    case MessageAnswer::Save:
        saveScript();
        return !model_.unsaved();
    default:
        return false;
    }
}

bool JobPages::releaseJobForExit() {
    if (exitReleased_ || StopSignals::requested())
        return true;
    exitReleased_ = releaseJob();
    return exitReleased_;
}

void JobPages::openScript() {
    if (!releaseJob())
        return;
    session_.forgetVerdict();
    model_.setSkipList(QString());
    model_.setImageSource(false);
    const QString chosen = services_.dialogs.openFile(dialogParent(), QStringLiteral("Open script"),
                                                      model_.dialogFolder(), kScriptFilter);
    if (chosen.isEmpty())
        return;
    loadChosenScript(chosen);
}

void JobPages::openScriptFile(const QString& path) {
    if (!releaseJob())
        return;
    session_.forgetVerdict();
    model_.setSkipList(QString());
    model_.setImageSource(false);
    loadChosenScript(path);
}

void JobPages::loadChosenScript(const QString& chosen) {
    const TitleHold hold(*this);
    model_.setScriptPath(foldCase(chosen));
    session_.clearWarnings();
    session_.loadStep(chosen);
    model_.scriptLoaded(session_.lastLoad()); // the values read stay, even after an error
    checkJob(chosen);
    recalculateSourceSize();
    // The estimate's text follows the new size; the name limit and the numbering width wait
    // for the next slider change, so every start names the zips alike.
    model_.showBrowseEstimate();
    showZipDriveFree();
    model_.markSaved();
    setScriptPath(chosen);
    if (session_.lastLoad().ok)
        emit scriptUsed(chosen);
}

void JobPages::saveScript() {
    if (model_.scriptPath().isEmpty()) {
        saveScriptAs();
        return;
    }
    saveTo(model_.scriptPath());
}

void JobPages::saveScriptAs() {
    QString chosen = services_.dialogs.saveFile(dialogParent(), QStringLiteral("Save script"),
                                                model_.dialogFolder(), kScriptFilter);
    if (chosen.isEmpty())
        return;
    // Open lists *.rip only: a script saved under another name could not be opened again.
    if (!chosen.endsWith(kScriptExtension, Qt::CaseInsensitive))
        chosen += kScriptExtension;
    saveTo(chosen);
}

void JobPages::saveTo(QString path) {
    const TitleHold hold(*this);
    model_.setScriptPath(foldCase(path));
    if (!::saveScript(path, model_.job()).ok)
        return; // silent, as every save error
    model_.markSaved();
    setScriptPath(path);
    emit scriptUsed(path);
}

std::optional<SessionResult> JobPages::loadScriptFromCommandLine(const QString& path) {
    const TitleHold hold(*this);
    session_.forgetVerdict();
    session_.clearWarnings();
    const auto unreadable = session_.loadStep(path);
    model_.scriptLoaded(session_.lastLoad());
    model_.markSaved();
    setScriptPath(path);
    if (unreadable && services_.flags.batch())
        return unreadable;
    const auto failedCheck = checkJob(path);
    if (failedCheck && services_.flags.batch())
        return failedCheck;
    showZipDriveFree();
    std::optional<SessionResult> unmeasured;
    if (failedCheck)
        recalculateSourceSize();
    else
        unmeasured = session_.measureStep();
    model_.showBrowseEstimate();
    model_.markSaved(); // a source made canonical is no change of the user's
    if (unmeasured && services_.flags.batch())
        return unmeasured;
    return std::nullopt;
}

void JobPages::useDroppedSource(const QString& path) {
    if (runActive())
        return;
    port_.showPage(Page::Source);
    source_->useSource(path);
}

// Zip comment.
void JobPages::setComment(bool on, const QString& commentFile) {
    model_.setComment(on, commentFile);
}
bool JobPages::commentOn() const {
    return model_.job().CommentOn;
}

void JobPages::zipCommentClick() {
    JobSettings job = model_.job();
    if (!job.CommentOn) {
        const QString chosen = services_.dialogs.openFile(
            dialogParent(), QStringLiteral("Zip header"), model_.dialogFolder(),
            QStringLiteral("Text files (*.txt)|*.txt|All files (*.*)|*.*|"));
        if (chosen.isEmpty())
            return;
        turnCommentOn(chosen, job);
    } else {
        turnCommentOff(job);
    }
    model_.setComment(job.CommentOn, job.CommentFile);
}

// Source size.
void JobPages::recalculateSourceSize() {
    const QString source = model_.job().SourceSpec;
    if (!source.isEmpty() && !QFileInfo::exists(source)) {
        // The size program would find nothing and the source would be forgotten.
        model_.setSourceSizeM(0);
        model_.setSourceSizeText(QStringLiteral("- Source size -"));
        return;
    }
    session_.measure();
}

// The rip run.
SessionResult JobPages::runJob() {
    if (runActive())
        return {kExitFailed, QStringLiteral("a run is already going on"), {}, {}};
    prepareRun();
    // A path kept from a script although it has gone stops the run here: it would ask to
    // overwrite a set and archive before finding it gone.
    if (const auto gone = keptPathGone()) {
        if (!services_.flags.batch())
            port_.showPage(gone->page, {});
        noteShownPage(gone->reason);
        emit runFinished();
        return {kExitFailed, gone->reason, {}, {}};
    }
    // A display during an unattended run shows its progress from the start.
    if (services_.flags.batch())
        port_.showPage(Page::Progress);
    runZipDir_ = model_.job().ZipDir;
    const SessionResult result = followedRun([this] { return session_.runStep(); });
    const RipResult& run = session_.lastRun();
    if (run.outcome == RipOutcome::Stopped)
        noteShownPage(run.reason);
    reportRun(result);
    emit runFinished();
    return result;
}

SessionResult JobPages::resumeRun(const QString& outputFolder) {
    if (runActive())
        return {kExitFailed, QStringLiteral("a run is already going on"), {}, {}};
    prepareRun();
    const SessionResult result = followedRun([&] { return session_.resumeStep(outputFolder); });
    // The resumed run's zips go where its journal says, whatever job the pages show.
    const RipResult& run = session_.lastRun();
    runZipDir_ = run.zips.isEmpty() ? QString() : QFileInfo(run.zips.front()).path();
    reportRun(result);
    emit runFinished();
    return result;
}

void JobPages::prepareRun() {
    model_.clearNotes();
    port_.forgetShownPage();
    session_.clearWarnings();
    progress_->clearSummary();
}

SessionResult JobPages::followedRun(const std::function<SessionResult()>& step) {
    // What the last run showed goes before anything is asked (the Overwrite question).
    model_.setProgress(0);
    model_.setCountText({});
    model_.setNameText({});
    runEstimate_.start(steadyNowMs());
    followRunProgress();
    const SessionResult result = step();
    runEstimate_.finish();
    followRunProgress();
    return result;
}

std::optional<LoadedJobCheck> JobPages::keptPathGone() const {
    // The check of a loaded job, quietly on a copy and without the numbering, which the run
    // makes itself; only a path that is set and not there counts.
    JobSettings job = model_.job();
    NullWindowPort quiet;
    const LoadedJobCheck verdict =
        checkLoadedJob(job, quiet, RunFlags{}, [](const JobSettings&, QString*) { return true; });
    if (verdict.JobValidated)
        return std::nullopt;
    const QString field = noteFieldFor(verdict.page, verdict.focus, model_.job());
    if (!field.startsWith(QLatin1String("SSPanel")) || fieldValue(model_.job(), field).isEmpty())
        return std::nullopt;
    return verdict;
}

void JobPages::runBytes(RunPhase phase, qint64 done, qint64 total) {
    if (!runEstimate_.running())
        return;
    const int percent = runEstimate_.percent();
    const QString left = runEstimate_.timeLeft();
    const QString phaseText = runEstimate_.phaseText();
    runEstimate_.report(phase, done, total, steadyNowMs());
    if (percent != runEstimate_.percent() || left != runEstimate_.timeLeft() ||
        phaseText != runEstimate_.phaseText())
        followRunProgress();
}

void JobPages::followRunProgress() {
    progress_->showRunProgress();
    emit runProgressChanged(runEstimate_.percent(), runEstimate_.timeLeft());
}

void JobPages::reportRun(const SessionResult& result) {
    const RipResult& run = session_.lastRun();
    if (run.outcome == RipOutcome::Completed || run.outcome == RipOutcome::ArchivesKept)
        progress_->showSummary(runSummary(run, runZipDir_));
    // What did not stop the run is said where it is seen, not only on standard error.
    if (!result.warnings.isEmpty() && !services_.flags.batch())
        port_.message(result.warnings.join(QStringLiteral("\n\n")), QStringLiteral("Kavel32"),
                      MessageIcon::Exclamation, MessageButtons::Ok);
}

QString JobPages::setFolder() const {
    const RipResult& run = session_.lastRun();
    const QString folder = run.outcome == RipOutcome::ArchivesKept ? run.outputFolder : runZipDir_;
    return QFileInfo(folder).isDir() ? folder : QString();
}

bool JobPages::runActive() const {
    return session_.running();
}

void JobPages::abortRun() {
    if (runActive()) {
        session_.abort();
        return;
    }
    // No run to stop: only give the window back; the source on display stays.
    port_.setPageBarEnabled(true);
    port_.setBusyPointer(false);
}

void JobPages::exitRun() {
    if (!releaseJobForExit())
        return;
    if (runActive()) {
        session_.exit();
        return;
    }
    abortRun();
    emit exitRequested();
}
