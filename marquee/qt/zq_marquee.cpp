#include "zq_marquee_p.h"

#include "design_memory.h"
#include "picture_decode.h"
#include "qt_surface.h"
#include "stored_text.h"

#include <QBuffer>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace zqmarq {

static_assert(ZqMarquee::MaxDesignBytes == static_cast<qint64>(kMaxDesignBytes));
static_assert(ZqMarquee::MaxContentPixels == kMaxContentPixels);
static_assert(ZqMarquee::HeadingCount == kHeadingCount && ZqMarquee::PictureCount == kPictureCount);

namespace {

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

std::int16_t to16Bits(int value) {
    return static_cast<std::int16_t>(std::clamp(value, -32768, 32767));
}

// An invalid colour is ignored; the alpha channel is not stored.
void setColor(ZqMarqueePrivate& d, std::int32_t dispid, const QColor& color) {
    if (color.isValid())
        d.change(dispid, Variant::color(rgb(color.red(), color.green(), color.blue())));
}

QByteArray pngOf(const QPixmap& pixmap) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    pixmap.save(&buffer, "PNG");
    return bytes;
}

} // namespace

ZqMarquee::ZqMarquee(QWidget* parent)
    : ZqMarquee(std::make_unique<ZqMarqueePrivate>(nullptr), parent) {}

ZqMarquee::ZqMarquee(std::unique_ptr<ZqMarqueePrivate> dd, QWidget* parent)
    : QWidget(parent), d(std::move(dd)) {
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel is painted: no erase needed
    setMouseTracking(true);                // MouseMove fires without a button held
    d->attach(this);
}

ZqMarquee::~ZqMarquee() = default;

QString ZqMarquee::text() const {
    return textOfStored(d->model().text);
}

bool ZqMarquee::setText(const QString& text) {
    return d->setText(dispid::kText, text);
}

QString ZqMarquee::nextDisplayString() const {
    return textOfStored(d->model().nextDisplayString);
}

bool ZqMarquee::setNextDisplayString(const QString& text) {
    return d->setText(dispid::kNextDisplayString, text);
}

bool ZqMarquee::isStorable(const QString& text, QString* reason) {
    return storedText(text, reason).has_value();
}

QColor ZqMarquee::foreColor() const {
    return qtColorOf(d->model().foreColor, d->systemColors());
}

void ZqMarquee::setForeColor(const QColor& color) {
    setColor(*d, dispid::kForeColor, color);
}

QColor ZqMarquee::backColor() const {
    return qtColorOf(d->model().backColor, d->systemColors());
}

void ZqMarquee::setBackColor(const QColor& color) {
    setColor(*d, dispid::kBackColor, color);
}

ZqMarquee::ScrollDirection ZqMarquee::direction() const {
    return static_cast<ScrollDirection>(d->model().direction);
}

void ZqMarquee::setDirection(ScrollDirection direction) {
    d->change(dispid::kDirection, std::int32_t(direction));
}

ZqMarquee::TextJustification ZqMarquee::justification() const {
    return static_cast<TextJustification>(d->model().justification);
}

void ZqMarquee::setJustification(TextJustification justification) {
    d->change(dispid::kJustification, std::int32_t(justification));
}

ZqMarquee::FrameStyle ZqMarquee::frame() const {
    return static_cast<FrameStyle>(d->model().frame);
}

void ZqMarquee::setFrame(FrameStyle style) {
    d->change(dispid::kFrame, std::int32_t(style));
}

int ZqMarquee::tickTime() const {
    return d->model().tickTime;
}

void ZqMarquee::setTickTime(int milliseconds) {
    d->change(dispid::kTickTime, to16Bits(milliseconds));
}

int ZqMarquee::tickIncrement() const {
    return d->model().tickIncrement;
}

void ZqMarquee::setTickIncrement(int pixels) {
    d->change(dispid::kTickIncrement, to16Bits(pixels));
}

bool ZqMarquee::freezeMarquee() const {
    return d->model().freezeMarquee;
}

void ZqMarquee::setFreezeMarquee(bool freeze) {
    d->change(dispid::kFreezeMarquee, freeze);
}

bool ZqMarquee::reducedMotion() const {
    return d->reducedMotion();
}

void ZqMarquee::setReducedMotion(bool reduced) {
    d->setReducedMotion(reduced);
}

QFont ZqMarquee::heading(int n) const {
    if (n < 1 || n > HeadingCount)
        return QFont();
    return qtFontOf(d->model().heading[static_cast<std::size_t>(n - 1)]);
}

bool ZqMarquee::setHeading(int n, const QFont& font) {
    if (n < 1 || n > HeadingCount)
        return false;
    const auto description = fontDescOf(font);
    return description && d->change(headingDispid(n), Variant::font(*description));
}

QPixmap ZqMarquee::picture(int n) const {
    if (n < 1 || n > PictureCount)
        return QPixmap();
    const auto& p = d->model().picture[static_cast<std::size_t>(n - 1)];
    return p ? QPixmap::fromImage(decodePicture(*p)) : QPixmap();
}

bool ZqMarquee::setPicture(int n, const QPixmap& pixmap) {
    if (n < 1 || n > PictureCount)
        return false;
    if (pixmap.isNull())
        return d->change(pictureDispid(n), Variant());
    return d->change(pictureDispid(n), Variant::picture(pictureFromBytes(pngOf(pixmap))));
}

QByteArray ZqMarquee::saveState() const {
    MarqueeModel saved = d->model();
    saved.extentWidth = pixelsToHimetric(width());
    saved.extentHeight = pixelsToHimetric(height());
    const std::vector<std::uint8_t> bytes = saveToStream(saved);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

bool ZqMarquee::restoreState(const QByteArray& state, QString* errorMessage) {
    MarqueeModel loaded = d->model();
    std::string error;
    if (!loadFromStream(reinterpret_cast<const std::uint8_t*>(state.constData()),
                        static_cast<std::size_t>(state.size()), loaded, &error,
                        &pictureFromStoredBytes, nullptr, d->stockDefaults())) {
        if (errorMessage)
            *errorMessage = QString::fromStdString(error);
        return false;
    }
    d->loadModel(loaded);
    return true;
}

bool ZqMarquee::contentTooLarge() const {
    return d->contentTooLarge();
}

QSize ZqMarquee::sizeHint() const {
    return d->sizeHint();
}

void ZqMarquee::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    d->paint(&painter, event->rect());
}

void ZqMarquee::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    d->shown();
}

void ZqMarquee::hideEvent(QHideEvent* event) {
    // No steps while hidden or minimised; showing again starts them.
    d->hidden();
    QWidget::hideEvent(event);
}

void ZqMarquee::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        d->paletteChanged();
    else if (event->type() == QEvent::FontChange)
        d->fontChanged();
    QWidget::changeEvent(event);
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
    if (wasPressed && rect().contains(p)) {
        emit click();
        emit clicked();
    }
}

void ZqMarquee::mouseDoubleClickEvent(QMouseEvent* event) {
    // The release after a double click fires no Click.
    const QPoint p = event->position().toPoint();
    emit mouseDown(buttonCode(event->button()), shiftCode(event->modifiers()), p.x(), p.y());
    emit dblClick();
    emit doubleClicked();
}

} // namespace zqmarq
