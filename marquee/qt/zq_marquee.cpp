#include "zq_marquee.h"

#include "qt_surface.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimerEvent>

namespace zqmarq {

namespace {

Rect toRect(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

short buttonCode(Qt::MouseButtons buttons) {
    short code = 0;
    if (buttons & Qt::LeftButton)
        code |= 1;
    if (buttons & Qt::RightButton)
        code |= 2;
    if (buttons & Qt::MiddleButton)
        code |= 4;
    return code;
}

short shiftCode(Qt::KeyboardModifiers modifiers) {
    short code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= 1;
    if (modifiers & Qt::ControlModifier)
        code |= 2;
    if (modifiers & Qt::AltModifier)
        code |= 4;
    return code;
}

} // namespace

ZqMarquee::ZqMarquee(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel is painted: no erase needed
    setMouseTracking(true);                // MouseMove fires without a button held
}

ZqMarquee::~ZqMarquee() {
    stopTimer();
}

QSize ZqMarquee::sizeHint() const {
    return {300, 40};
}

void ZqMarquee::applyModel(const MarqueeModel& model, bool loading) {
    const MarqueeModel& o = model_;
    // Each change has the effect its own property setter has.
    const bool relayout = loading || model.text != o.text || model.font != o.font ||
                          model.foreColor != o.foreColor || model.backColor != o.backColor ||
                          model.justification != o.justification || model.heading != o.heading ||
                          model.picture != o.picture;
    const bool repaint = relayout || model.direction != o.direction || model.frame != o.frame;
    const bool newTickTime = model.tickTime != o.tickTime;
    model_ = model;
    if (relayout)
        engine_.requestRelayout();
    if (newTickTime && (timerRunning_ || isVisible()))
        restartTimer();
    if (repaint)
        update();
}

void ZqMarquee::setModel(const MarqueeModel& model) {
    applyModel(model, false);
    emit modified();
}

void ZqMarquee::loadModel(const MarqueeModel& model) {
    MarqueeModel loaded = model;
    loaded.freezeMarquee = false;
    loaded.nextDisplayString.clear();
    engine_.setScrollPosition(0);
    applyModel(loaded, true); // what was loaded is the stored state: nothing to mark modified
}

void ZqMarquee::relayoutAndRepaint() {
    engine_.requestRelayout();
    update();
    emit modified();
}

QString ZqMarquee::text() const {
    return QString::fromLatin1(model_.text.data(), static_cast<qsizetype>(model_.text.size()));
}

void ZqMarquee::setText(const QString& text) {
    setTextBytes(text.toLatin1().toStdString());
}

void ZqMarquee::setTextBytes(const std::string& text) {
    model_.text = text;
    relayoutAndRepaint();
}

void ZqMarquee::setForeColor(OleColor color) {
    model_.foreColor = color;
    relayoutAndRepaint();
}

void ZqMarquee::setBackColor(OleColor color) {
    model_.backColor = color;
    relayoutAndRepaint();
}

void ZqMarquee::setBaseFont(const std::optional<FontDesc>& font) {
    model_.font = font;
    relayoutAndRepaint();
}

FontDesc ZqMarquee::heading(int index) const {
    if (index < 1 || index > kHeadingCount)
        return FontDesc::defaultHeading();
    return model_.heading[static_cast<std::size_t>(index - 1)];
}

void ZqMarquee::setHeading(int index, const std::optional<FontDesc>& font) {
    if (index < 1 || index > kHeadingCount)
        return;
    model_.heading[static_cast<std::size_t>(index - 1)] = font.value_or(FontDesc::defaultHeading());
    engine_.requestRelayout();
    emit modified();
}

std::optional<PictureData> ZqMarquee::picture(int index) const {
    if (index < 1 || index > kPictureCount)
        return std::nullopt;
    return model_.picture[static_cast<std::size_t>(index - 1)];
}

void ZqMarquee::setPicture(int index, const std::optional<PictureData>& picture) {
    if (index < 1 || index > kPictureCount)
        return;
    model_.picture[static_cast<std::size_t>(index - 1)] = picture;
    relayoutAndRepaint();
}

void ZqMarquee::setDirection(std::int32_t direction) {
    model_.direction = direction;
    update();
    emit modified();
}

void ZqMarquee::setTickIncrement(std::int16_t pixels) {
    model_.tickIncrement = pixels;
    emit modified();
}

void ZqMarquee::setFrame(std::int32_t style) {
    model_.frame = style;
    update();
    emit modified();
}

void ZqMarquee::setTickTime(std::int16_t milliseconds) {
    model_.tickTime = milliseconds;
    if (timerRunning_ || isVisible())
        restartTimer();
    emit modified();
}

void ZqMarquee::setJustification(std::int32_t justification) {
    model_.justification = justification;
    engine_.requestRelayout();
    emit modified();
}

void ZqMarquee::setFreezeMarquee(bool freeze) {
    model_.freezeMarquee = freeze;
    emit modified();
}

QString ZqMarquee::nextDisplayString() const {
    return QString::fromLatin1(model_.nextDisplayString.data(),
                               static_cast<qsizetype>(model_.nextDisplayString.size()));
}

void ZqMarquee::setNextDisplayString(const QString& text) {
    model_.nextDisplayString = text.toLatin1().toStdString();
    emit modified();
}

void ZqMarquee::setRedraw(bool redraw) {
    model_.redraw = redraw;
    emit modified();
}

void ZqMarquee::setScrollPosition(int position) {
    engine_.setScrollPosition(position);
    update();
}

int ZqMarquee::timerInterval(std::int16_t tickTime) {
    if (tickTime < 0)
        return -1;
    return tickTime < 10 ? 10 : tickTime;
}

void ZqMarquee::restartTimer() {
    timer_.stop();
    const int interval = timerInterval(model_.tickTime);
    if (interval > 0)
        timer_.start(interval, this);
    timerRunning_ = true;
}

void ZqMarquee::stopTimer() {
    timer_.stop();
    timerRunning_ = false;
}

void ZqMarquee::timerUpkeep() {
    // Painting means the window exists: the first paint starts the timer.
    if (!timerRunning_)
        restartTimer();
}

void ZqMarquee::tick() {
    const TickResult r = engine_.tick(model_, width(), height());
    if (r.ignored)
        return;
    if (r.repaint)
        update();
    if (r.textSwapped)
        emit modified();
    if (r.finishedDisplay)
        emit finishedDisplay();
}

void ZqMarquee::render(QPainter* painter, const QRect& bounds) {
    QtSurface target(painter, painter->device() ? painter->device()->devicePixelRatioF() : 1.0);
    const Rect b = toRect(bounds);
    engine_.paint(target, model_, b, b);
}

void ZqMarquee::paintEvent(QPaintEvent* event) {
    timerUpkeep();
    QPainter painter(this);
    QtSurface target(&painter, devicePixelRatioF());
    engine_.paint(target, model_, toRect(rect()), toRect(event->rect()));
}

void ZqMarquee::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    tick();
}

void ZqMarquee::hideEvent(QHideEvent* event) {
    // No scrolling while hidden; the next paint starts the timer again.
    stopTimer();
    QWidget::hideEvent(event);
}

void ZqMarquee::mousePressEvent(QMouseEvent* event) {
    pressed_ |= event->button();
    const QPoint p = event->position().toPoint();
    emit mouseDown(buttonCode(event->button()), shiftCode(event->modifiers()), p.x(), p.y());
}

void ZqMarquee::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit mouseMove(buttonCode(event->buttons()), shiftCode(event->modifiers()), p.x(), p.y());
}

void ZqMarquee::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasPressed = pressed_ & event->button();
    pressed_ &= ~event->button();
    const QPoint p = event->position().toPoint();
    emit mouseUp(buttonCode(event->button()), shiftCode(event->modifiers()), p.x(), p.y());
    if (wasPressed && rect().contains(p))
        emit click();
}

void ZqMarquee::mouseDoubleClickEvent(QMouseEvent* event) {
    // The release after a double click fires no Click.
    const QPoint p = event->position().toPoint();
    emit mouseDown(buttonCode(event->button()), shiftCode(event->modifiers()), p.x(), p.y());
    emit dblClick();
}

} // namespace zqmarq
