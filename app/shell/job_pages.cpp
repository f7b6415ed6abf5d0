#include "shell/job_pages.h"

#include "companion/diz_numbering.h"
#include "companion/zip_comment.h"
#include "platform/paths.h"
#include "script/loaded_job_check.h"
#include "script/script_file.h"
#include "shell/page_common.h"
#include "shell/page_diz.h"
#include "shell/page_nfo.h"
#include "shell/page_progress.h"
#include "shell/page_skip.h"
#include "shell/page_source.h"
#include "shell/page_zip.h"
#include "shell/progress_bar.h"
#include "shell/ss_check.h"
#include "shell/ss_panel.h"
#include "source/size_listing.h"
#include "source/source_size.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStorageInfo>

using namespace pagekit;

namespace {
// The home folder first, then every other writable mounted volume.
QStringList writableLocations() {
    QStringList out{QDir::homePath()};
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
} // namespace

JobPages::JobPages(const PagePanels& panels, ShellServices& services, QObject* parent)
    : QObject(parent), panels_(panels), services_(services) {
    source_ = std::make_unique<PageSource>(panels.source, *this);
    skip_ = std::make_unique<PageSkip>(panels.skip, *this);
    diz_ = std::make_unique<PageDiz>(panels.diz, *this);
    nfo_ = std::make_unique<PageNfo>(panels.nfo, *this);
    zip_ = std::make_unique<PageZip>(panels.zip, *this);
    progress_ = std::make_unique<PageProgress>(panels.progress, *this);
    session_ = std::make_unique<JobSession>(services.window, services.machine, services.flags);
    source_->fillDriveList(writableLocations());
}

JobPages::~JobPages() = default;

QWidget* JobPages::dialogParent() const {
    return panels_.source ? panels_.source->window() : nullptr;
}

JobSettings JobPages::readJob() const {
    JobSettings job;
    job.SourceSpec = source_->SSPanel8->caption();
    job.SkipList = skip_->skipList();
    job.DizFile = diz_->SSPanel2->caption();
    job.AutoNumber = diz_->Option3->isChecked();
    job.NumberColumn = diz_->Text2->text();
    job.NumberLine = diz_->Text6->text();
    job.NfoFile = nfo_->SSPanel3->caption();
    job.FirstZipOnly = nfo_->Check1->isChecked();
    job.ExtraIsFile = nfo_->Option2->isChecked();
    job.ExtraPath = nfo_->SSPanel4->caption();
    job.ZipDir = zip_->SSPanel5->caption();
    job.ZipName = zip_->Text3->text();
    job.SizeUnits = int16_t(zip_->VScroll1->value());
    job.MethodIndex = int16_t(zip_->Combo1->currentIndex());
    job.ZipExtra = zip_->SSCheck2->isChecked();
    job.Archiver = zip_->Option7->isChecked() ? ArchiverKind::Rar : ArchiverKind::Ace;
    job.WorkDrive = source_->workDrive();
    job.RawArchivesOnly = rawArchivesOnly_;
    job.CommentOn = commentOn_;
    job.CommentFile = commentFile_;
    return job;
}

void JobPages::writeJob(const JobSettings& job) {
    source_->SSPanel8->setCaption(job.SourceSpec);
    skip_->setSkipList(job.SkipList);
    diz_->SSPanel2->setCaption(job.DizFile);
    if (job.AutoNumber) {
        diz_->Option3->setChecked(true);
    } else if (diz_->Option3->isChecked()) {
        // A job without numbering only lets go of Substitute; it does not choose None.
        diz_->Option3->setAutoExclusive(false);
        diz_->Option3->setChecked(false);
        diz_->Option3->setAutoExclusive(true);
    }
    diz_->Text2->setText(job.NumberColumn);
    diz_->Text6->setText(job.NumberLine);
    nfo_->SSPanel3->setCaption(job.NfoFile);
    nfo_->Check1->setChecked(job.FirstZipOnly);
    nfo_->setExtraKind(job.ExtraIsFile);
    nfo_->SSPanel4->setCaption(job.ExtraPath);
    zip_->SSPanel5->setCaption(job.ZipDir);
    zip_->Text3->setMaxLength(20);
    zip_->Text3->setText(job.ZipName);
    const int units = std::clamp<int>(job.SizeUnits, zip_->VScroll1->minimum(),
                                      zip_->VScroll1->maximum());
    if (zip_->VScroll1->value() == units)
        zip_->sliderChanged();
    else
        zip_->VScroll1->setValue(units);
    if (units != 0) {
        zip_->Text3->setMaxLength(6);
    }
    zip_->Combo1->setCurrentIndex(std::clamp<int>(job.MethodIndex, 0, zip_->Combo1->count() - 1));
    zip_->SSCheck2->setChecked(job.ZipExtra);
    zip_->Option7->setChecked(job.Archiver == ArchiverKind::Rar);
    zip_->Option8->setChecked(job.Archiver == ArchiverKind::Ace);
    if (!job.WorkDrive.isEmpty()) {
        const int at = source_->Drive1->findText(job.WorkDrive);
        if (at >= 0)
            source_->Drive1->setCurrentIndex(at);
    }
    if (job.RawArchivesOnly != rawArchivesOnly_) {
        rawArchivesOnly_ = job.RawArchivesOnly;
        setZipControlsEnabled(!rawArchivesOnly_);
    }
    if (job.CommentOn != commentOn_ || job.CommentFile != commentFile_)
        setComment(job.CommentOn, job.CommentFile);
}

void JobPages::setZipControlsEnabled(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             skip_->Command1, skip_->Command14, diz_->Command4, diz_->Command5, diz_->Command6,
             nfo_->Command7, nfo_->Command8, zip_->Command10, nfo_->Command11, panels_.skip,
             panels_.diz, panels_.nfo, zip_->SSCheck2})
        if (control)
            control->setEnabled(enabled);
    // The extra Browse needs a kind chosen first, whatever else is enabled.
    nfo_->Command9->setEnabled(enabled &&
                               (nfo_->Option2->isChecked() || nfo_->Option4->isChecked()));
}

void JobPages::setRawArchivesOnly(bool raw) {
    rawArchivesOnly_ = raw;
    setZipControlsEnabled(!raw);
    if (!raw)
        return;
    diz_->SSPanel2->setCaption(QString());
    nfo_->SSPanel3->setCaption(QString());
    nfo_->SSPanel4->setCaption(QString());
    zip_->SSPanel5->setCaption(QString());
    diz_->Option1->setChecked(true);
    skip_->setSkipList(QString());
    nfo_->Check1->setChecked(false);
}

QString JobPages::ensureCompanionFile(const QString& name) {
    const QString path = joinPath(AppPaths::stateTempFolder(), name);
    if (!QFileInfo::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
    }
    return path;
}

void JobPages::testDizNumbering() {
    NumberingState state;
    state.NumberingValid = numberingValid_;
    state.NumberingTest = true;
    checkDizNumbering(readJob(), services_.flags, threeDigitNumbers_, state, services_.window,
                      services_.machine);
    numberingValid_ = state.NumberingValid;
}

// Progress page and source display.
void JobPages::setStatusText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    progress_->Label1->setText(shown);
}
void JobPages::setNameText(const QString& text) { progress_->Label10->setText(text); }
void JobPages::setCountText(const QString& text) { progress_->Label11->setText(text); }
void JobPages::setProgress(int percent) {
    progress_->ZqProgressBar1->setValue(std::clamp(percent, 0, 100));
}
int JobPages::progress() const { return progress_->ZqProgressBar1->value(); }
QString JobPages::sourceDisplay() const { return source_->SSPanel8->caption(); }
void JobPages::setSourceDisplay(const QString& text) { source_->SSPanel8->setCaption(text); }
void JobPages::setSourceSizeText(const QString& text) { source_->Label9->setText(text); }
void JobPages::setSourceBrowseEnabled(bool enabled) { source_->Command2->setEnabled(enabled); }

// Scripts.
void JobPages::setScriptPath(const QString& path) {
    scriptPath_ = foldCase(path);
    const QString title = QStringLiteral("Kavel32 - ") + fileNamePart(scriptPath_);
    if (QWidget* top = dialogParent())
        top->setWindowTitle(title);
    emit windowTitleChanged(title);
}

std::optional<SessionResult> JobPages::checkJob(const QString& path) {
    session_->job = readJob();
    session_->sourceSizeM = sourceSizeM_;
    auto ended = session_->checkStep(path);
    numberingValid_ = session_->numbering().NumberingValid;
    writeJob(session_->job);
    jobValidated_ = session_->JobValidated;
    return ended;
}

void JobPages::openScript() {
    jobValidated_ = false;
    skip_->setSkipList(QString());
    source_->Check2->setChecked(false);
    const QString chosen =
        services_.dialogs.openFile(dialogParent(), QStringLiteral("Open script"),
                                   AppPaths::stateFolder(), QStringLiteral("Script (*.rip)|*.rip|"));
    if (chosen.isEmpty())
        return;
    scriptPath_ = foldCase(chosen);
    session_->job = readJob();
    session_->loadStep(chosen);
    writeJob(session_->job); // the values read stay, even after an error
    checkJob(chosen);
    recalculateSourceSize();
    // The estimate's text follows the new size; the name limit and the numbering width wait
    // for the next slider change, so every start names the zips alike.
    zip_->browseEstimate();
    zip_->showZipDriveFreeAfterOpen();
    setScriptPath(chosen);
}

void JobPages::saveScript() {
    const QString chosen =
        services_.dialogs.saveFile(dialogParent(), QStringLiteral("Save script"),
                                   AppPaths::stateFolder(), QStringLiteral("Script (*.rip)|*.rip|"));
    if (chosen.isEmpty())
        return;
    scriptPath_ = foldCase(chosen);
    if (!::saveScript(chosen, readJob()).ok)
        return; // silent, as every save error
    setScriptPath(chosen);
}

std::optional<SessionResult> JobPages::loadScriptFromCommandLine(const QString& path) {
    jobValidated_ = false;
    session_->job = readJob();
    session_->warnings.clear();
    const auto unreadable = session_->loadStep(path);
    writeJob(session_->job);
    setScriptPath(path);
    if (unreadable && services_.flags.batch())
        return unreadable;
    const auto failedCheck = checkJob(path);
    if (failedCheck && services_.flags.batch())
        return failedCheck;
    if (!session_->job.ZipDir.isEmpty())
        zip_->showZipDriveFreeAfterOpen();
    session_->job = readJob();
    const auto unmeasured = session_->measureStep();
    sourceSizeM_ = session_->sourceSizeM;
    zip_->browseEstimate();
    if (unmeasured && services_.flags.batch())
        return unmeasured;
    return std::nullopt;
}

// Zip comment.
void JobPages::setComment(bool on, const QString& commentFile) {
    commentOn_ = on;
    commentFile_ = commentFile;
    emit commentOnChanged(on);
}
bool JobPages::commentOn() const { return commentOn_; }

void JobPages::zipCommentClick() {
    JobSettings job = readJob();
    if (!commentOn_) {
        const QString chosen = services_.dialogs.openFile(
            dialogParent(), QStringLiteral("Zip header"), QString(),
            QStringLiteral("Text files (*.txt)|*.txt"));
        if (chosen.isEmpty())
            return;
        turnCommentOn(chosen, job);
    } else {
        turnCommentOff(job);
    }
    setComment(job.CommentOn, job.CommentFile);
}

// Source size.
bool JobPages::measureSourceForBrowse() {
    const BrowseSize size = measureBrowsedSource(sourceDisplay(), services_.window, services_.machine);
    if (size.failed)
        return false;
    sourceSizeM_ = size.SourceSizeM;
    return true;
}

void JobPages::recalculateSourceSize() {
    session_->job = readJob();
    session_->measure();
    sourceSizeM_ = session_->sourceSizeM;
}

// The rip run.
SessionResult JobPages::runJob() {
    if (runActive())
        return {kExitFailed, QStringLiteral("a run is already going on"), {}};
    session_->job = readJob();
    session_->sourceSizeM = sourceSizeM_;
    const SessionResult result = session_->runStep();
    emit runFinished();
    return result;
}

bool JobPages::runActive() const { return session_->running(); }

void JobPages::abortRun() {
    if (runActive()) {
        session_->abort();
        return;
    }
    // No run to stop: only give the window back; the source on display stays.
    services_.window.setPageBarEnabled(true);
    services_.window.setBusyPointer(false);
}

void JobPages::exitRun() {
    if (runActive()) {
        session_->exit();
        return;
    }
    abortRun();
    emit exitRequested();
}

float JobPages::sourceSizeM() const { return sourceSizeM_; }
QString JobPages::sourcePath() const { return sourcePath_; }
bool JobPages::threeDigitNumbers() const { return threeDigitNumbers_; }
bool JobPages::rawArchivesOnly() const { return rawArchivesOnly_; }
QString JobPages::workDrive() const { return source_->workDrive(); }
bool JobPages::jobValidated() const { return jobValidated_; }
