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
    return fitsStoredForm(text, reason);
}

QColor ZqMarquee::foreColor() const {
    return qtColorOf(d->model().foreColor, d->systemColors());
}

bool ZqMarquee::setForeColor(const QColor& color) {
    return d->setColor("foreColor", dispid::kForeColor, color);
}

QColor ZqMarquee::backColor() const {
    return qtColorOf(d->model().backColor, d->systemColors());
}

bool ZqMarquee::setBackColor(const QColor& color) {
    return d->setColor("backColor", dispid::kBackColor, color);
}

ZqMarquee::ScrollDirection ZqMarquee::direction() const {
    return static_cast<ScrollDirection>(d->model().direction);
}

bool ZqMarquee::setDirection(ScrollDirection direction) {
    return d->set("direction", dispid::kDirection, std::int32_t(direction));
}

ZqMarquee::TextJustification ZqMarquee::justification() const {
    return static_cast<TextJustification>(d->model().justification);
}

bool ZqMarquee::setJustification(TextJustification justification) {
    return d->set("justification", dispid::kJustification, std::int32_t(justification));
}

ZqMarquee::FrameStyle ZqMarquee::frame() const {
    return static_cast<FrameStyle>(d->model().frame);
}

bool ZqMarquee::setFrame(FrameStyle style) {
    return d->set("frame", dispid::kFrame, std::int32_t(style));
}

int ZqMarquee::tickTime() const {
    return d->model().tickTime;
}

bool ZqMarquee::setTickTime(int milliseconds) {
    return d->set("tickTime", dispid::kTickTime, to16Bits(milliseconds));
}

int ZqMarquee::tickIncrement() const {
    return d->model().tickIncrement;
}

bool ZqMarquee::setTickIncrement(int pixels) {
    return d->set("tickIncrement", dispid::kTickIncrement, to16Bits(pixels));
}

bool ZqMarquee::freezeMarquee() const {
    return d->model().freezeMarquee;
}

bool ZqMarquee::setFreezeMarquee(bool freeze) {
    return d->set("freezeMarquee", dispid::kFreezeMarquee, freeze);
}

bool ZqMarquee::reducedMotion() const {
    return d->reducedMotion();
}

bool ZqMarquee::setReducedMotion(bool reduced) {
    d->setReducedMotion(reduced);
    return true;
}

int ZqMarquee::fadeWidth() const {
    return d->model().ticker.fadeWidth;
}

bool ZqMarquee::setFadeWidth(int pixels) {
    return d->setTicker(TickerOption::FadeWidth, pixels);
}

int ZqMarquee::pauseAtEnds() const {
    return d->model().ticker.pauseAtEnds;
}

bool ZqMarquee::setPauseAtEnds(int milliseconds) {
    return d->setTicker(TickerOption::PauseAtEnds, milliseconds);
}

bool ZqMarquee::scrollOnlyWhenNeeded() const {
    return d->model().ticker.scrollOnlyWhenNeeded;
}

bool ZqMarquee::setScrollOnlyWhenNeeded(bool onlyWhenNeeded) {
    return d->setTicker(TickerOption::ScrollOnlyWhenNeeded, onlyWhenNeeded ? 1 : 0);
}

int ZqMarquee::leadingBuffer() const {
    return d->model().ticker.leadingBuffer;
}

bool ZqMarquee::setLeadingBuffer(int pixels) {
    return d->setTicker(TickerOption::LeadingBuffer, pixels);
}

int ZqMarquee::trailingBuffer() const {
    return d->model().ticker.trailingBuffer;
}

bool ZqMarquee::setTrailingBuffer(int pixels) {
    return d->setTicker(TickerOption::TrailingBuffer, pixels);
}

int ZqMarquee::pixelsPerSecond() const {
    return d->model().ticker.pixelsPerSecond;
}

bool ZqMarquee::setPixelsPerSecond(int pixels) {
    return d->setTicker(TickerOption::PixelsPerSecond, pixels);
}

int ZqMarquee::passDuration() const {
    return d->model().ticker.passDuration;
}

bool ZqMarquee::setPassDuration(int milliseconds) {
    return d->setTicker(TickerOption::PassDuration, milliseconds);
}

Qt::Alignment ZqMarquee::alignment() const {
    return Qt::Alignment(d->model().ticker.alignment);
}

bool ZqMarquee::setAlignment(Qt::Alignment alignment) {
    return d->setTicker(TickerOption::Alignment, static_cast<int>(alignment.toInt()));
}

QFont ZqMarquee::heading(int n) const {
    if (n < 1 || n > HeadingCount)
        return QFont();
    return qtFontInPointsOf(d->model().heading[static_cast<std::size_t>(n - 1)]);
}

bool ZqMarquee::setHeading(int n, const QFont& font) {
    const QString name = QStringLiteral("heading%1").arg(n);
    if (n < 1 || n > HeadingCount)
        return d->refuse(name, QStringLiteral("there are headings 1 to 5 only"));
    QString why;
    const auto description = fontDescOf(font, &why);
    if (!description)
        return d->refuse(name, why);
    return d->set(name, headingDispid(n), Variant::font(*description));
}

QPixmap ZqMarquee::picture(int n) const {
    if (n < 1 || n > PictureCount)
        return QPixmap();
    const auto& p = d->model().picture[static_cast<std::size_t>(n - 1)];
    return p ? QPixmap::fromImage(decodePicture(*p)) : QPixmap();
}

bool ZqMarquee::setPicture(int n, const QPixmap& pixmap) {
    const QString name = QStringLiteral("picture%1").arg(n);
    if (n < 1 || n > PictureCount)
        return d->refuse(name, QStringLiteral("there are pictures 1 to 9 only"));
    if (pixmap.isNull())
        return d->set(name, pictureDispid(n), Variant());
    return d->set(name, pictureDispid(n), Variant::picture(pictureFromBytes(pngOf(pixmap))));
}

QByteArray ZqMarquee::saveState(QString* errorMessage) const {
    MarqueeModel saved = d->model();
    saved.extentWidth = pixelsToHimetric(width());
    saved.extentHeight = pixelsToHimetric(height());
    std::string error;
    const std::vector<std::uint8_t> bytes = saveToStream(saved, &error);
    if (bytes.empty() && errorMessage)
        *errorMessage = QString::fromStdString(error);
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

QSize ZqMarquee::minimumSizeHint() const {
    return d->minimumSizeHint();
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
    Q_EMIT mouseDown(buttonCode(event->button()), shiftCode(event->modifiers()), p.x(), p.y());
}

void ZqMarquee::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    Q_EMIT mouseMove(buttonCode(event->buttons()), shiftCode(event->modifiers()), p.x(), p.y());
}

void ZqMarquee::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasPressed = pressed_ & event->button();
    pressed_ &= ~event->button();
    const QPoint p = event->position().toPoint();
    Q_EMIT mouseUp(buttonCode(event->button()), shiftCode(event->modifiers()), p.x(), p.y());
    if (wasPressed && rect().contains(p)) {
        Q_EMIT click();
        Q_EMIT clicked();
    }
}

void ZqMarquee::mouseDoubleClickEvent(QMouseEvent* event) {
    // The release after a double click fires no Click.
    const QPoint p = event->position().toPoint();
    Q_EMIT mouseDown(buttonCode(event->button()), shiftCode(event->modifiers()), p.x(), p.y());
    Q_EMIT dblClick();
    Q_EMIT doubleClicked();
}

} // namespace zqmarq
