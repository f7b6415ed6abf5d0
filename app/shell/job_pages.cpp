#include "shell/job_pages.h"

// First cut: the interface the main window hosts; the pages follow.
class PageSource {};
class PageSkip {};
class PageDiz {};
class PageNfo {};
class PageZip {};
class PageProgress {};
class RipRunHost {};

JobPages::JobPages(const PagePanels& panels, ShellServices& services, QObject* parent)
    : QObject(parent), panels_(panels), services_(services) {}
JobPages::~JobPages() = default;

JobSettings JobPages::readJob() const { return {}; }
void JobPages::writeJob(const JobSettings&) {}
void JobPages::setStatusText(const QString&) {}
void JobPages::setNameText(const QString&) {}
void JobPages::setCountText(const QString&) {}
void JobPages::setProgress(int) {}
int JobPages::progress() const { return 0; }
QString JobPages::sourceDisplay() const { return {}; }
void JobPages::setSourceDisplay(const QString&) {}
void JobPages::openScript() {}
void JobPages::saveScript() {}
void JobPages::zipCommentClick() {}
void JobPages::setComment(bool on, const QString& commentFile) {
    commentOn_ = on;
    commentFile_ = commentFile;
}
bool JobPages::commentOn() const { return commentOn_; }
bool JobPages::loadScriptFromCommandLine(const QString&) { return false; }
void JobPages::recalculateSourceSize() {}
void JobPages::runJob() {}
bool JobPages::runActive() const { return false; }
void JobPages::abortRun() {}
void JobPages::exitRun() {}
float JobPages::sourceSizeM() const { return 0; }
QString JobPages::sourcePath() const { return {}; }
bool JobPages::threeDigitNumbers() const { return false; }
bool JobPages::rawArchivesOnly() const { return false; }
QString JobPages::workDrive() const { return {}; }
bool JobPages::jobValidated() const { return jobValidated_; }
