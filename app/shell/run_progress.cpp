#include "shell/run_progress.h"

#include "shell/job_model.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {
// Too early to tell how fast the run goes.
constexpr qint64 kFirstEstimateMs = 3000;
constexpr double kFirstEstimateShare = 0.02;
} // namespace

std::optional<std::pair<int, int>> diskOfCount(const QString& count) {
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d+) of\\s*(\\d+)\\s*$"));
    const QRegularExpressionMatch m = form.match(count);
    if (!m.hasMatch())
        return std::nullopt;
    const int k = m.captured(1).toInt();
    const int n = m.captured(2).toInt();
    if (k < 1 || n < 1 || k > n)
        return std::nullopt;
    return std::make_pair(k, n);
}

void RunProgress::start(bool zipsFollow, qint64 nowMs) {
    running_ = true;
    zipsFollow_ = zipsFollow;
    startedMs_ = nowMs;
    nowMs_ = nowMs;
    done_ = 0;
    phase_.clear();
}

void RunProgress::update(const RunDisplay& run, qint64 nowMs) {
    if (!running_)
        return;
    nowMs_ = nowMs;
    const double archiveShare = zipsFollow_ ? kArchiveShare : 1.0;
    double done = done_;
    if (run.archiverPercent >= 0) {
        done = archiveShare * run.archiverPercent / 100.0;
        phase_ = QStringLiteral("Making the volumes: %1 %").arg(run.archiverPercent);
    } else if (const auto disk = diskOfCount(run.count); disk && zipsFollow_) {
        const auto [k, n] = *disk;
        const double zipped = (k - 1 + run.percent / 100.0) / n;
        done = archiveShare + (1 - archiveShare) * zipped;
        phase_ = QStringLiteral("Zipping volume %1 of %2").arg(k).arg(n);
    }
    done_ = std::clamp(std::max(done_, done), 0.0, 1.0);
}

void RunProgress::finish() {
    running_ = false;
    phase_.clear();
}

int RunProgress::percent() const {
    return running_ ? int(std::floor(done_ * 100)) : -1;
}

QString RunProgress::timeLeft() const {
    const qint64 elapsed = nowMs_ - startedMs_;
    if (!running_ || elapsed < kFirstEstimateMs || done_ < kFirstEstimateShare || done_ >= 1)
        return {};
    const double leftSeconds = elapsed / 1000.0 * (1 - done_) / done_;
    if (leftSeconds < 60)
        return QStringLiteral("Less than a minute left");
    const int minutes = int(std::lround(leftSeconds / 60));
    return QStringLiteral("About %1 min left").arg(minutes);
}
