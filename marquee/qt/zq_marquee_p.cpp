#include "zq_marquee_p.h"

#include "design_memory.h"
#include "frame.h"
#include "markup.h"
#include "qt_surface.h"
#include "stored_text.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QTimerEvent>

#include <algorithm>

namespace zqmarq {

namespace {

// A hint past this is no hint a layout can give (content too large shows a one-line notice).
constexpr int kTooWideForHint = 4096;

Rect toRect(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

FontDesc workingFontOf(const MarqueeModel& model) {
    return model.font.value_or(FontDesc::defaultHeading());
}

// The application's choice for every marquee: its dynamic property "reducedMotion".
bool applicationWantsReducedMotion() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && app->property("reducedMotion").toBool();
}

} // namespace

ZqMarquee* ZqMarqueePrivate::create(MarqueeModel* model, QWidget* parent) {
    return new ZqMarquee(std::make_unique<ZqMarqueePrivate>(model), parent);
}

ZqMarqueePrivate::ZqMarqueePrivate(MarqueeModel* model)
    : model_(model), reducedMotion_(applicationWantsReducedMotion()) {
    if (!model_) {
        ownModel_ = std::make_unique<MarqueeModel>();
        model_ = ownModel_.get();
    }
}

ZqMarqueePrivate::~ZqMarqueePrivate() = default;

void ZqMarqueePrivate::attach(ZqMarquee* widget) {
    q_ = widget;
    engine_.setSystemColors(systemColorsOf(q_->palette()));
    if (ownModel_) {
        // A widget of its own: the font it inherits is its container's, the ambient font, and
        // its background the palette's (its text follows the palette already).
        if (const auto inherited = fontDescOf(q_->font())) {
            stock_.font = *inherited;
            model_->font = *inherited;
        }
        model_->backColor = systemColor(kColorBtnFace);
        showModelFont();
    } else {
        // A control's window shows its record's font and no longer follows its parent's.
        showingModelFont_ = true;
        q_->setFont(qtFontOf(workingFontOf(*model_)));
        showingModelFont_ = false;
    }
    applyDefaultSizePolicy();
    describeForAccessibility();
    lastTooLarge_ = contentTooLarge();
}

void ZqMarqueePrivate::applyDefaultSizePolicy() {
    // Along the scrolling axis a ticker takes the room it is given; across it, never less
    // than its content (minimumSizeHint).
    const QSizePolicy along(QSizePolicy::Expanding, QSizePolicy::Preferred);
    const QSizePolicy across(QSizePolicy::Preferred, QSizePolicy::Expanding);
    const QSizePolicy now = q_->sizePolicy();
    const bool ours = now == along || now == across ||
                      now == QSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    if (ours) // a policy the embedder chose stays
        q_->setSizePolicy(isVerticalDirection(model_->direction) ? across : along);
}

void ZqMarqueePrivate::setModel(const MarqueeModel& model) {
    const std::vector<std::int32_t> changed = changedProperties(*model_, model);
    *model_ = model;
    // Every property that differs has the effects of its own set; modified is told once.
    std::uint32_t all = 0;
    for (std::int32_t id : changed)
        all |= setEffects(id);
    zqmarq::applySetEffects(0, all & ~kOnSetNotify, *this);
    for (std::int32_t id : changed) {
        if (setEffects(id) & kOnSetNotify)
            emit propertyChanged(id);
    }
    for (std::int32_t id : changed)
        announce(id);
}

void ZqMarqueePrivate::loadModel(const MarqueeModel& model) {
    const MarqueeModel before = *model_;
    if (&model != model_)
        *model_ = model;
    model_->freezeMarquee = false;
    model_->nextDisplayString.clear();
    engine_.setScrollPosition(homePosition(*model_));
    restingAtHome_ = false;
    // What was loaded is the stored state: laid out anew, nothing to mark modified.
    requestRelayout();
    if (model_->tickTime != before.tickTime)
        restartTimer();
    q_->update();
    for (std::int32_t id : changedProperties(before, *model_))
        announce(id);
}

HResult ZqMarqueePrivate::setProperty(std::int32_t dispid, const Variant& value) {
    MarqueeModel changed = *model_; // a refused value leaves the record as it was
    std::uint32_t effects = 0;
    const HResult hr = zqmarq::setProperty(changed, dispid, value, &effects);
    if (!succeeded(hr))
        return hr;
    if (designRefusal(changed, "the value"))
        return kCtlEInvalidPropertyValue;
    *model_ = std::move(changed);
    applySetEffects(dispid, effects);
    return kSOk;
}

bool ZqMarqueePrivate::change(std::int32_t dispid, const Variant& value, QString* why) {
    Variant held;
    if (succeeded(getProperty(*model_, dispid, held)) && held == value)
        return true;
    const HResult hr = setProperty(dispid, value);
    if (!succeeded(hr) && why)
        *why = QString::fromStdString(describeResult(hr));
    if (hr == kCtlEInvalidPropertyValue && why) {
        const PropertyInfo* info = findProperty(dispid);
        MarqueeModel wanted = *model_;
        zqmarq::setProperty(wanted, dispid, value);
        *why = QString::fromStdString(
            designRefusal(wanted, info ? info->name : "the value").value_or(std::string()));
    }
    return succeeded(hr);
}

bool ZqMarqueePrivate::setText(std::int32_t dispid, const QString& text) {
    QString why;
    if (change(dispid, modelText(text), &why))
        return true;
    emit q_->textRefused(why);
    return refuse(dispid == dispid::kText ? QStringLiteral("text")
                                          : QStringLiteral("nextDisplayString"),
                  why);
}

bool ZqMarqueePrivate::set(const QString& name, std::int32_t dispid, const Variant& value) {
    QString why;
    return change(dispid, value, &why) || refuse(name, why);
}

bool ZqMarqueePrivate::setColor(const QString& name, std::int32_t dispid, const QColor& color) {
    if (!color.isValid())
        return refuse(name, QStringLiteral("the colour is not valid"));
    const OleColor wanted = rgb(color.red(), color.green(), color.blue());
    Variant held;
    if (succeeded(getProperty(*model_, dispid, held)) && held.asColor() &&
        translateColor(held.asColor()->value, systemColors()) == wanted)
        return true; // shown already: a palette colour stays one
    return set(name, dispid, Variant::color(wanted));
}

bool ZqMarqueePrivate::refuse(const QString& name, const QString& why) {
    emit q_->propertyRefused(name, why);
    return false;
}

bool ZqMarqueePrivate::movesBySpeed() const {
    return model_->ticker.passDuration > 0 || model_->ticker.pixelsPerSecond > 0;
}

bool ZqMarqueePrivate::setTicker(TickerOption option, int value) {
    TickerOptions t = model_->ticker;
    std::int32_t* slot = nullptr;
    const char* name = "";
    switch (option) {
    case TickerOption::FadeWidth:
        slot = &t.fadeWidth, name = "fadeWidth";
        break;
    case TickerOption::PauseAtEnds:
        slot = &t.pauseAtEnds, name = "pauseAtEnds";
        break;
    case TickerOption::LeadingBuffer:
        slot = &t.leadingBuffer, name = "leadingBuffer";
        break;
    case TickerOption::TrailingBuffer:
        slot = &t.trailingBuffer, name = "trailingBuffer";
        break;
    case TickerOption::PixelsPerSecond:
        slot = &t.pixelsPerSecond, name = "pixelsPerSecond";
        break;
    case TickerOption::PassDuration:
        slot = &t.passDuration, name = "passDuration";
        break;
    case TickerOption::Alignment:
        slot = &t.alignment, name = "alignment";
        break;
    case TickerOption::ScrollOnlyWhenNeeded:
        t.scrollOnlyWhenNeeded = value != 0;
        name = "scrollOnlyWhenNeeded";
        break;
    }
    if (slot) {
        if (value < 0 && option != TickerOption::Alignment)
            return refuse(QString::fromLatin1(name),
                          QStringLiteral("%1 is negative: it takes 0 or more").arg(value));
        *slot = value;
    }
    if (t == model_->ticker)
        return true;
    const int home = homePosition(*model_);
    model_->ticker = t;
    if (option == TickerOption::LeadingBuffer && engine_.scrollPosition() == home)
        engine_.setScrollPosition(homePosition(*model_)); // content at home stays at home
    if (option == TickerOption::PixelsPerSecond || option == TickerOption::PassDuration)
        restartTimer(); // a speed steps more often than TickTime
    if (option == TickerOption::ScrollOnlyWhenNeeded)
        q_->updateGeometry();
    q_->update();
    emit modified();
    announceTicker(option);
    return true;
}

void ZqMarqueePrivate::announceTicker(TickerOption option) {
    const TickerOptions& t = model_->ticker;
    switch (option) {
    case TickerOption::FadeWidth:
        emit q_->fadeWidthChanged(t.fadeWidth);
        break;
    case TickerOption::PauseAtEnds:
        emit q_->pauseAtEndsChanged(t.pauseAtEnds);
        break;
    case TickerOption::ScrollOnlyWhenNeeded:
        emit q_->scrollOnlyWhenNeededChanged(t.scrollOnlyWhenNeeded);
        break;
    case TickerOption::LeadingBuffer:
        emit q_->leadingBufferChanged(t.leadingBuffer);
        break;
    case TickerOption::TrailingBuffer:
        emit q_->trailingBufferChanged(t.trailingBuffer);
        break;
    case TickerOption::PixelsPerSecond:
        emit q_->pixelsPerSecondChanged(t.pixelsPerSecond);
        break;
    case TickerOption::PassDuration:
        emit q_->passDurationChanged(t.passDuration);
        break;
    case TickerOption::Alignment:
        emit q_->alignmentChanged(Qt::Alignment(t.alignment));
        break;
    }
}

void ZqMarqueePrivate::applySetEffects(std::int32_t dispid, std::uint32_t effects) {
    zqmarq::applySetEffects(dispid, effects, *this);
    announce(dispid);
}

void ZqMarqueePrivate::requestRelayout() {
    engine_.requestRelayout();
    measured_.reset();
    if (q_) {
        q_->updateGeometry();
        announceContentTooLarge();
    }
}

void ZqMarqueePrivate::announceContentTooLarge() {
    const bool tooLarge = contentTooLarge();
    if (tooLarge == lastTooLarge_)
        return;
    lastTooLarge_ = tooLarge;
    emit q_->contentTooLargeChanged(tooLarge);
}

void ZqMarqueePrivate::invalidate() {
    q_->update();
}

void ZqMarqueePrivate::announce(std::int32_t dispid) {
    using Q = ZqMarquee;
    switch (dispid) {
    case dispid::kText:
        emit q_->textChanged(q_->text());
        describeForAccessibility();
        return;
    case dispid::kNextDisplayString:
        emit q_->nextDisplayStringChanged(q_->nextDisplayString());
        return;
    case dispid::kForeColor:
        emit q_->foreColorChanged(q_->foreColor());
        return;
    case dispid::kBackColor:
        emit q_->backColorChanged(q_->backColor());
        return;
    case dispid::kFont:
        showModelFont();
        emit q_->fontChanged(q_->font());
        return;
    case dispid::kDirection:
        applyDefaultSizePolicy();
        q_->updateGeometry(); // the size hint follows the scrolling axis
        emit q_->directionChanged(static_cast<Q::ScrollDirection>(model_->direction));
        return;
    case dispid::kJustification:
        emit q_->justificationChanged(static_cast<Q::TextJustification>(model_->justification));
        return;
    case dispid::kFrame:
        q_->updateGeometry(); // the size hint holds the frame
        emit q_->frameChanged(static_cast<Q::FrameStyle>(model_->frame));
        return;
    case dispid::kTickTime:
        emit q_->tickTimeChanged(model_->tickTime);
        return;
    case dispid::kTickIncrement:
        emit q_->tickIncrementChanged(model_->tickIncrement);
        return;
    case dispid::kFreezeMarquee:
        emit q_->freezeMarqueeChanged(model_->freezeMarquee);
        return;
    default:
        break;
    }
    const PropertyInfo* info = findProperty(dispid);
    if (info && info->type == PropType::Font)
        emit q_->headingsChanged();
    else if (info && info->type == PropType::Picture)
        emit q_->picturesChanged();
}

void ZqMarqueePrivate::setSystemColors(const std::optional<SystemColors>& colors) {
    explicitColors_ = colors.has_value();
    useSystemColors(colors ? *colors : systemColorsOf(q_->palette()));
}

void ZqMarqueePrivate::useSystemColors(const SystemColors& colors) {
    if (colors == engine_.systemColors())
        return;
    // The content holds the colours of its last pass.
    engine_.setSystemColors(colors);
    requestRelayout();
    q_->update();
}

void ZqMarqueePrivate::paletteChanged() {
    if (!explicitColors_)
        useSystemColors(systemColorsOf(q_->palette()));
}

void ZqMarqueePrivate::fontChanged() {
    if (showingModelFont_ || showsSameFont(q_->font(), qtFontOf(workingFontOf(*model_))))
        return;
    // setFont on the widget sets the marquee's Font; a family that cannot be stored is not
    // taken, and the widget shows the font it keeps.
    const auto font = fontDescOf(q_->font());
    if (!font || !change(dispid::kFont, Variant::font(*font)))
        showModelFont();
}

void ZqMarqueePrivate::showModelFont() {
    const QFont wanted = qtFontOf(workingFontOf(*model_));
    if (showsSameFont(q_->font(), wanted))
        return;
    showingModelFont_ = true;
    q_->setFont(wanted);
    showingModelFont_ = false;
}

void ZqMarqueePrivate::describeForAccessibility() {
    // What a screen reader reads: the words of the markup. A name or description the embedder
    // set stays.
    const QString name = textOfStored(plainText(model_->text));
    if (q_->accessibleName().isEmpty() || q_->accessibleName() == accessibleName_) {
        q_->setAccessibleName(name);
        accessibleName_ = name;
    }
    const QString description = QStringLiteral("Scrolling banner");
    if (q_->accessibleDescription().isEmpty() ||
        q_->accessibleDescription() == accessibleDescription_) {
        q_->setAccessibleDescription(description);
        accessibleDescription_ = description;
    }
}

void ZqMarqueePrivate::setScrollPosition(int position) {
    engine_.setScrollPosition(position);
    q_->update();
}

void ZqMarqueePrivate::setReducedMotion(bool reduced) {
    if (reduced == reducedMotion_)
        return;
    reducedMotion_ = reduced;
    if (reduced) {
        // The first frame, standing still.
        stopTimer();
        setScrollPosition(0);
    } else if (motionAllowed()) {
        startMarqueeTimer();
    }
    emit q_->reducedMotionChanged(reduced);
}

int ZqMarqueePrivate::timerInterval(std::int16_t tickTime) {
    if (tickTime < 0)
        return -1;
    return tickTime < 10 ? 10 : tickTime;
}

bool ZqMarqueePrivate::motionAllowed() const {
    return !reducedMotion_ && q_->isVisible() && !q_->window()->isMinimized();
}

void ZqMarqueePrivate::restartTimer() {
    // A TickTime change restarts a running timer; one that is not running yet starts when the
    // widget is shown or painted.
    if (timerRunning_ || motionAllowed())
        startMarqueeTimer();
}

void ZqMarqueePrivate::startMarqueeTimer() {
    timer_.stop();
    sinceStep_.invalidate();
    // By a speed, about sixty steps a second, each as long as the time it covers.
    const int interval = movesBySpeed() ? 16 : timerInterval(model_->tickTime);
    if (interval > 0)
        timer_.start(interval, this);
    timerRunning_ = true;
}

void ZqMarqueePrivate::stopTimer() {
    timer_.stop();
    timerRunning_ = false;
}

void ZqMarqueePrivate::shown() {
    // Restored from minimised, or shown again: Qt may show its stored image without a paint,
    // so the timer starts here rather than waiting for one.
    if (!timerRunning_ && motionAllowed())
        startMarqueeTimer();
}

void ZqMarqueePrivate::hidden() {
    stopTimer();
}

void ZqMarqueePrivate::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    // Scrolled out of view (or covered): no steps until it is painted again.
    if (q_->visibleRegion().isEmpty()) {
        stopTimer();
        return;
    }
    tick();
}

void ZqMarqueePrivate::tick(qint64 elapsedMs) {
    if (reducedMotion_)
        return;
    const qint64 since = sinceStep_.isValid() ? sinceStep_.restart() : 16;
    if (!sinceStep_.isValid())
        sinceStep_.start();
    const TickerOptions& t = model_->ticker;
    // At home the content rests for pauseAtEnds, from the first step that finds it there.
    if (t.pauseAtEnds > 0 && !model_->freezeMarquee &&
        engine_.scrollPosition() == homePosition(*model_)) {
        if (!restingAtHome_) {
            restingAtHome_ = true;
            restUntil_.setRemainingTime(t.pauseAtEnds);
        }
        if (!restUntil_.hasExpired())
            return;
    }
    std::optional<int> step;
    if (movesBySpeed()) {
        const qint64 ms = std::clamp<qint64>(elapsedMs >= 0 ? elapsedMs : since, 0, 250);
        const double perSecond =
            t.passDuration > 0
                ? 1000.0 *
                      static_cast<double>(engine_.passLength(*model_, q_->width(), q_->height())) /
                      t.passDuration
                : t.pixelsPerSecond;
        stepRemainder_ += perSecond * static_cast<double>(ms) / 1000.0;
        const double whole = std::floor(stepRemainder_);
        stepRemainder_ -= whole;
        step = static_cast<int>(std::min(whole, 1e6));
    }
    const TickResult r = engine_.tick(*model_, q_->width(), q_->height(), step);
    if (engine_.scrollPosition() != homePosition(*model_))
        restingAtHome_ = false;
    if (r.ignored)
        return;
    if (r.repaint)
        q_->update();
    // The swap sets Text: it has the effects of setting Text.
    if (r.textSwapped)
        applySetEffects(dispid::kText, setEffects(dispid::kText));
    if (r.finishedDisplay)
        emit q_->finishedDisplay();
}

void ZqMarqueePrivate::paint(QPainter* painter, const QRect& invalid) {
    // Painting means the window exists: the first paint starts the timer, and so does the
    // first one after the widget was scrolled back into view.
    if (!timerRunning_ && motionAllowed())
        startMarqueeTimer();
    QtSurface target(painter, q_->devicePixelRatioF());
    engine_.paint(target, *model_, toRect(q_->rect()), toRect(invalid));
}

void ZqMarqueePrivate::render(QPainter* painter, const QRect& bounds) {
    QtSurface target(painter, painter->device() ? painter->device()->devicePixelRatioF() : 1.0);
    const Rect b = toRect(bounds);
    engine_.paint(target, *model_, b, b);
}

Size ZqMarqueePrivate::measuredContentSize() const {
    if (!engine_.relayoutPending())
        return engine_.contentSize();
    if (!measured_) {
        QImage scratch(1, 1, QImage::Format_RGB32);
        QPainter painter(&scratch);
        QtSurface surface(&painter);
        MarqueeEngine probe;
        probe.measurePass(surface, *model_, toRect(q_->rect()));
        measured_ = probe.contentSize();
    }
    return *measured_;
}

bool ZqMarqueePrivate::contentTooLarge() const {
    if (!engine_.relayoutPending() && engine_.contentTooLarge())
        return true; // the last pass could not make its image
    const Size c = measuredContentSize();
    const double dpr = q_->devicePixelRatioF();
    return c.cx * dpr * c.cy * dpr > static_cast<double>(kMaxContentPixels);
}

QSize ZqMarqueePrivate::sizeHint() const {
    const Size content = measuredContentSize();
    if (content.cx <= 0 || content.cy <= 0)
        return {300, 40};
    const Insets in = frameInset(model_->frame);
    int w = content.cx + in.left + in.right;
    int h = content.cy + in.top + in.bottom;
    // Along the scrolling axis the content passes by: it need not fit at once.
    if (isVerticalDirection(model_->direction))
        h = std::clamp(h, 50, 400);
    else
        w = std::clamp(w, 50, 400);
    return {w, h};
}

QSize ZqMarqueePrivate::minimumSizeHint() const {
    const Size content = measuredContentSize();
    const Insets in = frameInset(model_->frame);
    const QFontMetrics fm(q_->font());
    // Across the axis the whole content, never less than one line of the widget's font;
    // along it a little, as it scrolls by.
    int across = 0;
    if (isVerticalDirection(model_->direction)) {
        across = std::max(content.cx, fm.averageCharWidth()) + in.left + in.right;
        return {std::min(across, kTooWideForHint), 20 + in.top + in.bottom};
    }
    across = std::max(content.cy, fm.height()) + in.top + in.bottom;
    return {20 + in.left + in.right, std::min(across, kTooWideForHint)};
}

} // namespace zqmarq
