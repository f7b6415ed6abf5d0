#include "session/run_estimate.h"

#include <algorithm>
#include <cmath>

void TimeLeftEstimate::sample(qint64 done, qint64 total, qint64 nowMs) {
    total_ = std::max<qint64>(total, 0);
    const qint64 clamped = std::clamp<qint64>(done, 0, total_);
    if (!sampled_ || (done_ == 0 && clamped == 0))
        startedMs_ = nowMs;
    sampled_ = true;
    done_ = clamped;
    nowMs_ = std::max(nowMs, startedMs_);
}

std::optional<double> TimeLeftEstimate::rate() const {
    const qint64 elapsed = nowMs_ - startedMs_;
    if (!sampled_ || total_ <= 0 || done_ <= 0 || elapsed < steadyAfterMs_ || elapsed <= 0 ||
        double(done_) < kSteadyShare * double(total_))
        return std::nullopt;
    return double(done_) * 1000.0 / double(elapsed);
}

std::optional<double> TimeLeftEstimate::secondsLeft() const {
    const auto r = rate();
    if (!r || done_ >= total_)
        return std::nullopt;
    return double(total_ - done_) / *r;
}

void RunEstimate::start(qint64 nowMs) {
    *this = {};
    running_ = true;
    startedMs_ = nowMs;
    nowMs_ = nowMs;
}

void RunEstimate::report(RunPhase phase, qint64 done, qint64 total, qint64 nowMs) {
    if (!running_)
        start(nowMs);
    nowMs_ = std::max(nowMs, nowMs_);
    (phase == RunPhase::Archiving ? archiving_ : zipping_).sample(done, total, nowMs_);
    // The part that moves is the one going on; announcing a total is not.
    if (done > 0)
        phase_ = phase;
    const double doneShare = double(archiving_.done()) + double(zipping_.done()) / kZipSpeedup;
    const double whole = double(archiving_.total()) + double(zipping_.total()) / kZipSpeedup;
    if (whole > 0)
        percent_ =
            std::max(percent_, std::clamp(int(std::floor(doneShare * 100.0 / whole)), 0, 100));
    follow(nowMs_);
}

void RunEstimate::finish() {
    running_ = false;
}

std::optional<double> RunEstimate::rawSecondsLeft() const {
    std::optional<double> archive, zips;
    if (archiving_.sampled() && !archiving_.finished()) {
        archive = archiving_.secondsLeft();
        if (!archive)
            return std::nullopt;
    }
    if (zipping_.sampled() && !zipping_.finished()) {
        zips = zipping_.secondsLeft();
        const auto archiveRate = archiving_.rate();
        if (!zips && archiveRate)
            zips = double(zipping_.total() - zipping_.done()) / (*archiveRate * kZipSpeedup);
        if (!zips)
            return std::nullopt;
    }
    // Zips made while the archiver still writes go along with it: the later of the two ends.
    if (archive && zips && zipping_.done() > 0)
        return std::max(*archive, *zips);
    return archive.value_or(0) + zips.value_or(0);
}

void RunEstimate::follow(qint64 nowMs) {
    const auto left = rawSecondsLeft();
    const double now = double(nowMs - startedMs_) / 1000.0;
    if (!left) {
        if ((!archiving_.sampled() || archiving_.finished()) && zipping_.finished())
            shownEnd_ = now; // all done: nothing left
        return;
    }
    const double end = now + *left;
    if (shownEnd_) {
        // A sooner end is believed at once, a later one little by little.
        const double since = double(nowMs - recent_.back().ms) / 1000.0;
        *shownEnd_ = end <= *shownEnd_
                         ? end
                         : *shownEnd_ + (end - *shownEnd_) * std::min(1.0, since / kRiseSeconds);
        recent_ = {Point{nowMs, *shownEnd_}};
        return;
    }
    recent_.erase(std::remove_if(recent_.begin(), recent_.end(),
                                 [&](const Point& p) { return nowMs - p.ms > kSettleMs; }),
                  recent_.end());
    recent_.append(Point{nowMs, end});
    const bool longEnough = nowMs - startedMs_ >= TimeLeftEstimate::kSteadyAfterMs &&
                            recent_.front().ms <= nowMs - kSettleMs + 500;
    if (!longEnough)
        return;
    const auto [low, high] =
        std::minmax_element(recent_.cbegin(), recent_.cend(),
                            [](const Point& a, const Point& b) { return a.end < b.end; });
    if (high->end - low->end <= kSettleSpread * std::max(*left, 1.0))
        shownEnd_ = end;
}

int RunEstimate::percent() const {
    return running_ ? percent_ : -1;
}

std::optional<double> RunEstimate::secondsLeft() const {
    if (!running_ || !shownEnd_)
        return std::nullopt;
    const double now = double(nowMs_ - startedMs_) / 1000.0;
    return std::max(0.0, *shownEnd_ - now);
}

QString RunEstimate::timeLeft() const {
    const auto seconds = secondsLeft();
    if (!seconds || percent() >= 100)
        return {};
    return timeLeftText(*seconds);
}

QString RunEstimate::phaseText() const {
    if (!running_ || (!archiving_.sampled() && !zipping_.sampled()))
        return {};
    return phase_ == RunPhase::Archiving && archiving_.sampled()
               ? QStringLiteral("Making the volumes")
               : QStringLiteral("Zipping the volumes");
}

QString timeLeftText(double seconds) {
    if (seconds < 60)
        return QStringLiteral("Less than a minute left");
    return QStringLiteral("About %1 min left").arg(std::lround(seconds / 60));
}
