#include "session/console_window.h"

#include "job/text_lines.h"

#include <QElapsedTimer>

namespace {
qint64 steadyNowMs() {
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}
} // namespace

void ConsoleWindow::setCountText(const QString& text) {
    count_ = text.trimmed();
    draw();
}

void ConsoleWindow::setProgress(int percent) {
    NullWindowPort::setProgress(percent);
    draw();
}

void ConsoleWindow::setArchiverProgress(int percent) {
    if (percent == archiverPercent_)
        return;
    archiverPercent_ = percent;
    if (percent >= 0)
        drawLine(QStringLiteral("Archiving, %1%").arg(percent, 3) + timeLeftSuffix());
}

void ConsoleWindow::setRunBytes(RunPhase phase, qint64 done, qint64 total) {
    const QString before = estimate_.timeLeft();
    estimate_.report(phase, done, total, steadyNowMs());
    if (estimate_.timeLeft() == before)
        return;
    if (archiverPercent_ >= 0)
        drawLine(QStringLiteral("Archiving, %1%").arg(archiverPercent_, 3) + timeLeftSuffix());
    else
        draw();
}

QString ConsoleWindow::timeLeftSuffix() const {
    const QString left = estimate_.timeLeft();
    return left.isEmpty() ? QString() : QStringLiteral(" - ") + left;
}

void ConsoleWindow::showStep(const QString& step, int percent) {
    drawLine(percent < 0 ? step : QStringLiteral("%1, %2%").arg(step).arg(percent, 3));
}

void ConsoleWindow::endLine() {
    if (drawn_ && out_)
        std::fputc('\n', out_);
    drawn_ = false;
    drawnWidth_ = 0;
}

void ConsoleWindow::draw() {
    if (!count_.contains(QLatin1String(" of ")))
        return;
    drawLine(QStringLiteral("Zipping volume %1, %2%").arg(count_).arg(progress(), 3) +
             timeLeftSuffix());
}

void ConsoleWindow::drawLine(const QString& text) {
    if (!out_)
        return;
    // The count may come from a name: nothing in it moves the cursor or erases the line.
    const QString shown = printableText(text);
    // Blanks over what a longer line before left on the terminal.
    const QString padding(qMax<qsizetype>(0, drawnWidth_ - shown.size()), QLatin1Char(' '));
    std::fprintf(out_, "\r%s%s", qPrintable(shown), qPrintable(padding));
    std::fflush(out_);
    drawnWidth_ = shown.size();
    drawn_ = true;
}
