#pragma once

#include "job/window_port.h"

#include <optional>

class JobModel;

// What the session needs of the main window itself: pages, message boxes, the page bar,
// the pointer, events and the window's state. The Qt main window implements it; tests
// record it.
class WindowFrame {
  public:
    virtual ~WindowFrame() = default;
    virtual void showPage(Page page, const QString& focusControl) = 0;
    virtual MessageAnswer message(const QString& text, const QString& title, MessageIcon icon,
                                  MessageButtons buttons) = 0;
    virtual void setPageBarEnabled(bool enabled) = 0;
    virtual void setBusyPointer(bool busy) = 0;
    virtual void processEvents() = 0;
    virtual void minimise() = 0;
    virtual void restore() = 0;
    virtual void closeWindow() = 0;
};

// The window port the session talks to: what a run and a measurement show goes into the
// job model (its run display, the size text, the Browse button), the rest to the frame.
class SessionWindow : public WindowPort {
  public:
    SessionWindow(WindowFrame& frame, JobModel& model) : frame_(frame), model_(model) {}

    // The page the logic last went to and the field it focused there, since forgetShownPage.
    struct Shown {
        Page page;
        QString focus;
    };
    std::optional<Shown> shownPage() const { return shown_; }
    void forgetShownPage() { shown_.reset(); }

    void showPage(Page page, const QString& focusControl = {}) override;
    MessageAnswer message(const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons) override;
    void setStatusText(const QString& text) override;
    void setNameText(const QString& text) override;
    void setCountText(const QString& text) override;
    void setProgress(int percent) override;
    int progress() const override;
    QString sourceDisplay() const override;
    void setSourceDisplay(const QString& text) override;
    void setPageBarEnabled(bool enabled) override;
    void setBusyPointer(bool busy) override;
    void processEvents() override;
    void minimise() override;
    void restore() override;
    void closeWindow() override;
    void setSourceSizeText(const QString& text) override;
    void setSourceBrowseEnabled(bool enabled) override;
    void setArchiverProgress(int percent) override;
    void setRunBytes(RunPhase phase, qint64 done, qint64 total) override;

  private:
    WindowFrame& frame_;
    JobModel& model_;
    std::optional<Shown> shown_;
};
