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

ZqMarquee::ZqMarquee(QWidget* parent) : ZqMarquee(nullptr, parent) {}

ZqMarquee::ZqMarquee(MarqueeModel* model, QWidget* parent) : QWidget(parent), model_(model) {
    if (!model_) {
        ownModel_ = std::make_unique<MarqueeModel>();
        model_ = ownModel_.get();
    }
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel is painted: no erase needed
    setMouseTracking(true);                // MouseMove fires without a button held
    engine_.setSystemColors(systemColorsOf(palette()));
}

ZqMarquee::~ZqMarquee() {
    stopTimer();
}

QSize ZqMarquee::sizeHint() const {
    return {300, 40};
}

void ZqMarquee::setModel(const MarqueeModel& model) {
    const std::vector<std::int32_t> changed = changedProperties(*model_, model);
    *model_ = model;
    // Every property that differs has the effects of its own set; modified is told once.
    std::uint32_t all = 0;
    for (std::int32_t id : changed)
        all |= setEffects(id);
    zqmarq::applySetEffects(0, all & ~kOnSetNotify, *this);
    if (all & kOnSetNotify) {
        for (std::int32_t id : changed) {
            if (setEffects(id) & kOnSetNotify)
                emit propertyChanged(id);
        }
    }
}

void ZqMarquee::loadModel(const MarqueeModel& model) {
    const std::int16_t oldTickTime = model_->tickTime;
    if (&model != model_)
        *model_ = model;
    model_->freezeMarquee = false;
    model_->nextDisplayString.clear();
    engine_.setScrollPosition(0);
    // What was loaded is the stored state: laid out anew, nothing to mark modified.
    engine_.requestRelayout();
    if (model_->tickTime != oldTickTime)
        restartTimer();
    update();
}

HResult ZqMarquee::setProperty(std::int32_t dispid, const Variant& value) {
    std::uint32_t effects = 0;
    const HResult hr = zqmarq::setProperty(*model_, dispid, value, &effects);
    if (succeeded(hr))
        applySetEffects(dispid, effects);
    return hr;
}

void ZqMarquee::applySetEffects(std::int32_t dispid, std::uint32_t effects) {
    zqmarq::applySetEffects(dispid, effects, *this);
}

void ZqMarquee::setSystemColors(const std::optional<SystemColors>& colors) {
    explicitColors_ = colors.has_value();
    useSystemColors(colors ? *colors : systemColorsOf(palette()));
}

void ZqMarquee::useSystemColors(const SystemColors& colors) {
    if (colors == engine_.systemColors())
        return;
    // The content holds the colours of its last pass.
    engine_.setSystemColors(colors);
    engine_.requestRelayout();
    update();
}

void ZqMarquee::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange && !explicitColors_)
        useSystemColors(systemColorsOf(palette()));
    QWidget::changeEvent(event);
}

QString ZqMarquee::text() const {
    return QString::fromLatin1(model_->text.data(), static_cast<qsizetype>(model_->text.size()));
}

void ZqMarquee::setText(const QString& text) {
    setTextBytes(text.toLatin1().toStdString());
}

void ZqMarquee::setTextBytes(const std::string& text) {
    setProperty(dispid::kText, text);
}

void ZqMarquee::setForeColor(OleColor color) {
    setProperty(dispid::kForeColor, Variant::color(color));
}

void ZqMarquee::setBackColor(OleColor color) {
    setProperty(dispid::kBackColor, Variant::color(color));
}

void ZqMarquee::setBaseFont(const std::optional<FontDesc>& font) {
    setProperty(dispid::kFont, font ? Variant::font(*font) : Variant());
}

FontDesc ZqMarquee::heading(int index) const {
    if (index < 1 || index > kHeadingCount)
        return FontDesc::defaultHeading();
    return model_->heading[static_cast<std::size_t>(index - 1)];
}

void ZqMarquee::setHeading(int index, const std::optional<FontDesc>& font) {
    if (index < 1 || index > kHeadingCount)
        return;
    setProperty(headingDispid(index), font ? Variant::font(*font) : Variant());
}

std::optional<PictureData> ZqMarquee::picture(int index) const {
    if (index < 1 || index > kPictureCount)
        return std::nullopt;
    return model_->picture[static_cast<std::size_t>(index - 1)];
}

void ZqMarquee::setPicture(int index, const std::optional<PictureData>& picture) {
    if (index < 1 || index > kPictureCount)
        return;
    setProperty(pictureDispid(index), picture ? Variant::picture(*picture) : Variant());
}

void ZqMarquee::setDirection(std::int32_t direction) {
    setProperty(dispid::kDirection, direction);
}

void ZqMarquee::setTickIncrement(std::int16_t pixels) {
    setProperty(dispid::kTickIncrement, pixels);
}

void ZqMarquee::setFrame(std::int32_t style) {
    setProperty(dispid::kFrame, style);
}

void ZqMarquee::setTickTime(std::int16_t milliseconds) {
    setProperty(dispid::kTickTime, milliseconds);
}

void ZqMarquee::setJustification(std::int32_t justification) {
    setProperty(dispid::kJustification, justification);
}

void ZqMarquee::setFreezeMarquee(bool freeze) {
    setProperty(dispid::kFreezeMarquee, freeze);
}

QString ZqMarquee::nextDisplayString() const {
    return QString::fromLatin1(model_->nextDisplayString.data(),
                               static_cast<qsizetype>(model_->nextDisplayString.size()));
}

void ZqMarquee::setNextDisplayString(const QString& text) {
    setProperty(dispid::kNextDisplayString, text.toLatin1().toStdString());
}

void ZqMarquee::setRedraw(bool redraw) {
    setProperty(dispid::kRedraw, redraw);
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
    // A TickTime change restarts a running timer; one that is not running yet starts at the
    // next paint.
    if (timerRunning_ || isVisible())
        startMarqueeTimer();
}

void ZqMarquee::startMarqueeTimer() {
    timer_.stop();
    const int interval = timerInterval(model_->tickTime);
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
        startMarqueeTimer();
}

void ZqMarquee::tick() {
    const TickResult r = engine_.tick(*model_, width(), height());
    if (r.ignored)
        return;
    if (r.repaint)
        update();
    // The swap sets Text: it has the effects of setting Text.
    if (r.textSwapped)
        applySetEffects(dispid::kText, setEffects(dispid::kText));
    if (r.finishedDisplay)
        emit finishedDisplay();
}

void ZqMarquee::render(QPainter* painter, const QRect& bounds) {
    QtSurface target(painter, painter->device() ? painter->device()->devicePixelRatioF() : 1.0);
    const Rect b = toRect(bounds);
    engine_.paint(target, *model_, b, b);
}

void ZqMarquee::paintEvent(QPaintEvent* event) {
    timerUpkeep();
    QPainter painter(this);
    QtSurface target(&painter, devicePixelRatioF());
    engine_.paint(target, *model_, toRect(rect()), toRect(event->rect()));
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
