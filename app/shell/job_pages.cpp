#include "shell/job_pages.h"

#include "companion/zip_comment.h"
#include "engine/rip_run.h"
#include "platform/paths.h"
#include "script/script_file.h"
#include "shell/job_model.h"
#include "shell/page_diz.h"
#include "shell/page_nfo.h"
#include "shell/page_progress.h"
#include "shell/page_skip.h"
#include "shell/page_source.h"
#include "shell/page_zip.h"
#include "source/volume_estimate.h"

#include <QDir>
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

const QString kScriptFilter = QStringLiteral("Script (*.rip)|*.rip|");
const QString kScriptExtension = QStringLiteral(".rip");
} // namespace

JobPages::JobPages(const PagePanels& panels, ShellServices& services, QObject* parent)
    : QObject(parent), panels_(panels), services_(services) {
    model_ = new JobModel(services.window, services.machine, services.flags, this);
    source_ = new PageSource(panels.source, *model_, services);
    skip_ = new PageSkip(panels.skip, *model_, services);
    diz_ = new PageDiz(panels.diz, *model_, services);
    nfo_ = new PageNfo(panels.nfo, *model_, services);
    zip_ = new PageZip(panels.zip, *model_, services);
    progress_ = new PageProgress(panels.progress, *model_);
    connect(progress_, &PageProgress::abortClicked, this, &JobPages::abortRun);
    connect(progress_, &PageProgress::exitClicked, this, &JobPages::exitRun);
    connect(model_, &JobModel::commentChanged, this, &JobPages::commentOnChanged);
    connect(model_, &JobModel::archiverProgressChanged, this, &JobPages::archiverProgressChanged);
    source_->fillDriveList(writableLocations());
}

JobPages::~JobPages() = default;

QWidget* JobPages::dialogParent() const {
    return panels_.source ? panels_.source->window() : nullptr;
}

// What the window port shows.
void JobPages::setStatusText(const QString& text) {
    model_->setStatusText(text);
}
void JobPages::setNameText(const QString& text) {
    model_->setNameText(text);
}
void JobPages::setCountText(const QString& text) {
    model_->setCountText(text);
}
void JobPages::setProgress(int percent) {
    model_->setProgress(percent);
}
int JobPages::progress() const {
    return model_->runDisplay().percent;
}
QString JobPages::sourceDisplay() const {
    return model_->job().SourceSpec;
}
void JobPages::setSourceDisplay(const QString& text) {
    model_->setSourceSpec(text);
}
void JobPages::setSourceSizeText(const QString& text) {
    model_->setSourceSizeText(text);
}
void JobPages::setSourceBrowseEnabled(bool enabled) {
    source_->setBrowseEnabled(enabled);
}
void JobPages::setArchiverProgress(int percent) {
    model_->setArchiverProgress(percent);
}

// Scripts.
void JobPages::setScriptPath(const QString& path) {
    model_->setScriptPath(foldCase(path));
    const QString title = QStringLiteral("Kavel32 - ") + fileNamePart(model_->scriptPath());
    if (QWidget* top = dialogParent())
        top->setWindowTitle(title);
    emit windowTitleChanged(title);
}

std::optional<SessionResult> JobPages::checkJob(const QString& path) {
    auto ended = model_->session().checkStep(path);
    model_->jobChangedInPlace();
    return ended;
}

void JobPages::showZipDriveFree() {
    const QString dir = model_->job().ZipDir;
    if (dir.isEmpty())
        return; // no drive to measure: the display stays
    if (const auto free = services_.machine.freeBytes(dir))
        model_->setZipFreeText(zipFreeSpaceAfterOpenText(*free));
}

void JobPages::openScript() {
    JobSession& session = model_->session();
    session.JobValidated = false;
    model_->setSkipList(QString());
    model_->setImageSource(false);
    const QString chosen = services_.dialogs.openFile(dialogParent(), QStringLiteral("Open script"),
                                                      model_->dialogFolder(), kScriptFilter);
    if (chosen.isEmpty())
        return;
    model_->setScriptPath(foldCase(chosen));
    session.warnings.clear();
    session.loadStep(chosen);
    model_->scriptLoaded(session.lastLoad); // the values read stay, even after an error
    checkJob(chosen);
    recalculateSourceSize();
    // The estimate's text follows the new size; the name limit and the numbering width wait
    // for the next slider change, so every start names the zips alike.
    model_->showBrowseEstimate();
    showZipDriveFree();
    setScriptPath(chosen);
}

void JobPages::saveScript() {
    QString chosen = services_.dialogs.saveFile(dialogParent(), QStringLiteral("Save script"),
                                                model_->dialogFolder(), kScriptFilter);
    if (chosen.isEmpty())
        return;
    // Open lists *.rip only: a script saved under another name could not be opened again.
    if (!chosen.endsWith(kScriptExtension, Qt::CaseInsensitive))
        chosen += kScriptExtension;
    model_->setScriptPath(foldCase(chosen));
    if (!::saveScript(chosen, model_->job()).ok)
        return; // silent, as every save error
    setScriptPath(chosen);
}

std::optional<SessionResult> JobPages::loadScriptFromCommandLine(const QString& path) {
    JobSession& session = model_->session();
    session.JobValidated = false;
    session.warnings.clear();
    const auto unreadable = session.loadStep(path);
    model_->scriptLoaded(session.lastLoad);
    setScriptPath(path);
    if (unreadable && services_.flags.batch())
        return unreadable;
    const auto failedCheck = checkJob(path);
    if (failedCheck && services_.flags.batch())
        return failedCheck;
    showZipDriveFree();
    const auto unmeasured = session.measureStep();
    model_->jobChangedInPlace();
    model_->showBrowseEstimate();
    if (unmeasured && services_.flags.batch())
        return unmeasured;
    return std::nullopt;
}

// Zip comment.
void JobPages::setComment(bool on, const QString& commentFile) {
    model_->setComment(on, commentFile);
}
bool JobPages::commentOn() const {
    return model_->job().CommentOn;
}

void JobPages::zipCommentClick() {
    JobSettings job = model_->job();
    if (!job.CommentOn) {
        const QString chosen = services_.dialogs.openFile(
            dialogParent(), QStringLiteral("Zip header"), model_->dialogFolder(),
            QStringLiteral("Text files (*.txt)|*.txt"));
        if (chosen.isEmpty())
            return;
        turnCommentOn(chosen, job);
    } else {
        turnCommentOff(job);
    }
    model_->setComment(job.CommentOn, job.CommentFile);
}

// Source size.
void JobPages::recalculateSourceSize() {
    model_->session().measure();
    model_->jobChangedInPlace();
}

// The rip run.
SessionResult JobPages::runJob() {
    if (runActive())
        return {kExitFailed, QStringLiteral("a run is already going on"), {}, {}};
    const SessionResult result = model_->session().runStep();
    model_->jobChangedInPlace();
    emit runFinished();
    return result;
}

SessionResult JobPages::resumeRun(const QString& outputFolder) {
    if (runActive())
        return {kExitFailed, QStringLiteral("a run is already going on"), {}, {}};
    const SessionResult result = model_->session().resumeStep(outputFolder);
    model_->jobChangedInPlace();
    emit runFinished();
    return result;
}

bool JobPages::runActive() const {
    return model_->session().running();
}

void JobPages::abortRun() {
    if (runActive()) {
        model_->session().abort();
        return;
    }
    // No run to stop: only give the window back; the source on display stays.
    services_.window.setPageBarEnabled(true);
    services_.window.setBusyPointer(false);
}

void JobPages::exitRun() {
    if (runActive()) {
        model_->session().exit();
        return;
    }
    abortRun();
    emit exitRequested();
}

float JobPages::sourceSizeM() const {
    return model_->sourceSizeM();
}
QString JobPages::sourcePath() const {
    return model_->sourcePath();
}
bool JobPages::threeDigitNumbers() const {
    return model_->threeDigitNumbers();
}
bool JobPages::rawArchivesOnly() const {
    return model_->job().RawArchivesOnly;
}
QString JobPages::workDrive() const {
    return model_->job().WorkDrive;
}
bool JobPages::jobValidated() const {
    return model_->session().JobValidated;
}
