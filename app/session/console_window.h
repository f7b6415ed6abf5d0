#pragma once

#include "job/window_port.h"
#include "session/run_estimate.h"

#include <QString>

#include <cstdio>

// The window of a start without one: nothing to show but, on a terminal, one progress line
// that the next update overwrites.
class ConsoleWindow : public NullWindowPort {
  public:
    // out: a terminal for the progress line, or nullptr for none.
    explicit ConsoleWindow(std::FILE* out) : out_(out) {}
    ~ConsoleWindow() override { endLine(); }

    void setCountText(const QString& text) override;
    void setProgress(int percent) override;
    void setArchiverProgress(int percent) override;
    void setRunBytes(RunPhase phase, qint64 done, qint64 total) override;
    // A step of a longer task and how far it is (0..100, -1 when that is not known).
    void showStep(const QString& step, int percent);
    // Ends the progress line so that what is printed next starts on a line of its own.
    void endLine();

  private:
    void draw();
    void drawLine(const QString& text);
    // " - About 3 min left" once the estimate tells it.
    QString timeLeftSuffix() const;
    std::FILE* out_;
    QString count_;
    int archiverPercent_ = -1;
    RunEstimate estimate_;
    qsizetype drawnWidth_ = 0;
    bool drawn_ = false;
};
