#pragma once

#include <QString>

#include <optional>
#include <utility>

struct RunDisplay;

// The one progress a run shows in the window, its title and the task bar: the archiver's
// percentage first, then the zips made, as one share of the whole, with the time left
// from how fast it has gone so far. It never goes back.
class RunProgress {
  public:
    // Making the volumes is this share of a run that zips them too.
    static constexpr double kArchiveShare = 0.5;

    // A run starts (nowMs: a steady clock); zipsFollow when volumes are wrapped after.
    void start(bool zipsFollow, qint64 nowMs);
    // What the progress page shows now.
    void update(const RunDisplay& run, qint64 nowMs);
    void finish();

    bool running() const { return running_; }
    // 0 to 100; -1 when no run goes on.
    int percent() const;
    // "Making the volumes" or "Zipping 3 of 12", empty when no run goes on.
    QString phase() const { return phase_; }
    // "About 3 min left", "Less than a minute left", or empty while it cannot be told.
    QString timeLeft() const;

  private:
    bool running_ = false;
    bool zipsFollow_ = true;
    qint64 startedMs_ = 0;
    qint64 nowMs_ = 0;
    double done_ = 0; // 0 to 1
    QString phase_;
};

// k and n of a count line " 3 of 12"; nothing for any other text.
std::optional<std::pair<int, int>> diskOfCount(const QString& count);
