#include "session/console_window.h"

void ConsoleWindow::setCountText(const QString& text) {
    count_ = text.trimmed();
    draw();
}

void ConsoleWindow::setProgress(int percent) {
    NullWindowPort::setProgress(percent);
    draw();
}

void ConsoleWindow::endLine() {
    if (drawn_)
        std::fputc('\n', out_);
    drawn_ = false;
}

void ConsoleWindow::draw() {
    if (!out_ || !count_.contains(QLatin1String(" of ")))
        return;
    std::fprintf(out_, "\rZipping volume %s, %3d%%", qPrintable(count_), progress());
    std::fflush(out_);
    drawn_ = true;
}
