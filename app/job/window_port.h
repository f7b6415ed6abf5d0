#pragma once

#include "job/job_settings.h"

#include <QString>

enum class MessageIcon { Exclamation, Critical, Information, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, SaveDiscardCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No, Save, Discard };

// The parts of a run whose bytes are counted: the source put into volumes by the archiver,
// then the volumes put into zips.
enum class RunPhase { Archiving, Zipping };

// What the logic needs of the main window. The Qt window implements it, the unattended
// start implements it without a window, tests implement it with a recorder.
class WindowPort {
  public:
    virtual ~WindowPort() = default;

    // Hide all pages, show this one with its title and focus the named text box.
    virtual void showPage(Page page, const QString& focusControl = {}) = 0;
    // A modal message box; the unattended port never shows one.
    virtual MessageAnswer message(const QString& text, const QString& title, MessageIcon icon,
                                  MessageButtons buttons) = 0;

    virtual void setStatusText(const QString& text) = 0; // Label1
    virtual void setNameText(const QString& text) = 0;   // Label10
    virtual void setCountText(const QString& text) = 0;  // Label11
    virtual void setProgress(int percent) = 0;           // ZqProgressBar1, 0..100
    virtual int progress() const = 0;
    virtual QString sourceDisplay() const = 0; // SSPanel8 caption
    virtual void setSourceDisplay(const QString& text) = 0;
    virtual void setPageBarEnabled(bool enabled) = 0; // SSListBar1
    virtual void setBusyPointer(bool busy) = 0;       // hourglass or normal pointer
    virtual void processEvents() = 0;
    virtual void minimise() = 0;
    virtual void restore() = 0;
    // Ends the program (batch mode after a run or a failed precondition).
    virtual void closeWindow() = 0;

    // Source size field (Label9) and the source Browse button (Command2): the size
    // measurement shows its progress there. A window without them ignores both.
    virtual void setSourceSizeText(const QString&) {}
    virtual void setSourceBrowseEnabled(bool) {}
    // The archiver's own percentage while it runs (the window is minimised then); -1 when
    // it has ended. A window without a place for it ignores it.
    virtual void setArchiverProgress(int) {}
    // How far a part of the run is, in bytes: done of total (total is what the part is
    // expected to handle, revised as the run learns it). The time left is made from these.
    virtual void setRunBytes(RunPhase, qint64, qint64) {}
};

// A window port that shows nothing; unattended runs and tests derive from it.
class NullWindowPort : public WindowPort {
  public:
    void showPage(Page, const QString& = {}) override {}
    MessageAnswer message(const QString&, const QString&, MessageIcon, MessageButtons) override {
        return MessageAnswer::Ok;
    }
    void setStatusText(const QString&) override {}
    void setNameText(const QString&) override {}
    void setCountText(const QString&) override {}
    void setProgress(int percent) override { progress_ = percent; }
    int progress() const override { return progress_; }
    QString sourceDisplay() const override { return source_; }
    void setSourceDisplay(const QString& text) override { source_ = text; }
    void setPageBarEnabled(bool) override {}
    void setBusyPointer(bool) override {}
    void processEvents() override {}
    void minimise() override {}
    void restore() override {}
    void closeWindow() override {}

  private:
    int progress_ = 0;
    QString source_;
};
