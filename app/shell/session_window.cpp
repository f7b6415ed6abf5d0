#include "shell/session_window.h"

#include "shell/job_model.h"

void SessionWindow::showPage(Page page, const QString& focusControl) {
    shown_ = Shown{page, focusControl};
    frame_.showPage(page, focusControl);
}

MessageAnswer SessionWindow::message(const QString& text, const QString& title, MessageIcon icon,
                                     MessageButtons buttons) {
    return frame_.message(text, title, icon, buttons);
}

void SessionWindow::setStatusText(const QString& text) {
    model_.setStatusText(text);
}
void SessionWindow::setNameText(const QString& text) {
    model_.setNameText(text);
}
void SessionWindow::setCountText(const QString& text) {
    model_.setCountText(text);
}
void SessionWindow::setProgress(int percent) {
    model_.setProgress(percent);
}
int SessionWindow::progress() const {
    return model_.runDisplay().percent;
}
QString SessionWindow::sourceDisplay() const {
    return model_.shownSource();
}
void SessionWindow::setSourceDisplay(const QString& text) {
    model_.setShownSource(text);
}
void SessionWindow::setSourceSizeText(const QString& text) {
    model_.setSourceSizeText(text);
}
void SessionWindow::setSourceBrowseEnabled(bool enabled) {
    model_.setSourceBrowseEnabled(enabled);
}
void SessionWindow::setArchiverProgress(int percent) {
    model_.setArchiverProgress(percent);
}

void SessionWindow::setRunBytes(RunPhase phase, qint64 done, qint64 total) {
    model_.reportRunBytes(phase, done, total);
}

void SessionWindow::setPageBarEnabled(bool enabled) {
    frame_.setPageBarEnabled(enabled);
}
void SessionWindow::setBusyPointer(bool busy) {
    frame_.setBusyPointer(busy);
}
void SessionWindow::processEvents() {
    frame_.processEvents();
}
void SessionWindow::minimise() {
    frame_.minimise();
}
void SessionWindow::restore() {
    frame_.restore();
}
void SessionWindow::closeWindow() {
    frame_.closeWindow();
}
