#pragma once

#include "job/window_port.h"

#include <QList>
#include <QString>

#include <optional>

// How fast a piece of work goes and how long it still takes, from the bytes it has done per
// second since it started (the rate over the whole piece, so a moment's stall or burst
// barely moves it). The clock starts at the first sample, and again at every sample that
// still has nothing done, so time spent waiting before the work is not counted.
class TimeLeftEstimate {
  public:
    static constexpr qint64 kSteadyAfterMs = 5000;
    static constexpr double kSteadyShare = 0.03;

    explicit TimeLeftEstimate(qint64 steadyAfterMs = kSteadyAfterMs)
        : steadyAfterMs_(steadyAfterMs) {}

    // done of total bytes at nowMs (a steady clock).
    void sample(qint64 done, qint64 total, qint64 nowMs);
    bool sampled() const { return sampled_; }
    bool finished() const { return sampled_ && done_ >= total_; }
    // Bytes a second once the piece has gone on for a while and done a share; nothing before.
    std::optional<double> rate() const;
    // Seconds left at that rate; nothing while it is not known or all is done.
    std::optional<double> secondsLeft() const;
    qint64 done() const { return done_; }
    qint64 total() const { return total_; }

  private:
    qint64 steadyAfterMs_;
    bool sampled_ = false;
    qint64 startedMs_ = 0;
    qint64 nowMs_ = 0;
    qint64 done_ = 0;
    qint64 total_ = 0;
};

// The one progress of a run, for the window, its title and the terminal, from the bytes of
// its parts as the run reports them (the source put into volumes, the volumes put into
// zips), whichever order or overlap the parts have. Each part's time comes from its own rate;
// the zips, before they have a rate of their own, are guessed at kZipSpeedup times the
// archiver's. The time left is told only once it has held still for a while, and a rise is
// believed only slowly, so a passing slowdown does not make it jump.
class RunEstimate {
  public:
    // Zipping a volume only deflates (or stores) what the archiver already packed: it goes
    // several times faster than the archiver.
    static constexpr double kZipSpeedup = 4.0;
    // The estimate is told once the end it points to has moved by no more than a fifth of the
    // time left over this long.
    static constexpr qint64 kSettleMs = 5000;
    static constexpr double kSettleSpread = 0.2;
    // A later end is taken over at this pace: fully after this many seconds.
    static constexpr double kRiseSeconds = 30.0;

    // A run starts: 0 % and no estimate, whatever the last run left.
    void start(qint64 nowMs);
    // A part's bytes; a sample before start starts the run there.
    void report(RunPhase phase, qint64 done, qint64 total, qint64 nowMs);
    void finish();

    bool running() const { return running_; }
    // 0 to 100, the zips weighed as kZipSpeedup times lighter; it never goes back (volumes a
    // little larger than the source they were guessed at do not take a share away). -1 when
    // no run goes on.
    int percent() const;
    // The time left as told; nothing until it is steady, and after the end.
    std::optional<double> secondsLeft() const;
    // "About 3 min left", "Less than a minute left", or empty while it cannot be told.
    QString timeLeft() const;
    // What goes on: "Making the volumes", "Zipping the volumes", empty when no run goes on.
    QString phaseText() const;

  private:
    // The time left from the parts' rates now; nothing while a part has none.
    std::optional<double> rawSecondsLeft() const;
    void follow(qint64 nowMs);

    bool running_ = false;
    RunPhase phase_ = RunPhase::Archiving;
    qint64 startedMs_ = 0;
    qint64 nowMs_ = 0;
    TimeLeftEstimate archiving_{TimeLeftEstimate::kSteadyAfterMs};
    TimeLeftEstimate zipping_{1000};
    struct Point {
        qint64 ms;
        double end; // seconds on the run's clock
    };
    QList<Point> recent_;
    std::optional<double> shownEnd_;
    int percent_ = 0;
};

// "About 3 min left" for seconds, "Less than a minute left" under a minute.
QString timeLeftText(double seconds);
