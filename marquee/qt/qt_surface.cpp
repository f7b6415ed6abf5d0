#include "qt_surface.h"

#include "picture_decode.h"
#include "stored_text.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPaintDevice>

#include <QtMath>

#include <cmath>

namespace zqmarq {

namespace {

// Lines as the text formatter breaks them: at CR LF, a lone CR or a lone LF.
QStringList linesOf(std::string_view run) {
    QStringList lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < run.size(); ++i) {
        const char c = run[i];
        if (c == '\r' || c == '\n') {
            lines << textOfStored(run.substr(start, i - start));
            if (c == '\r' && i + 1 < run.size() && run[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    lines << textOfStored(run.substr(start));
    return lines;
}

QRect qrect(const Rect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

} // namespace

QFont qtFontOf(const FontDesc& f) {
    QFont font(QString::fromLatin1(f.faceName.data(), static_cast<qsizetype>(f.faceName.size())));
    const double points = static_cast<double>(f.size) / 10000.0;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(points * 96.0 / 72.0))));
    font.setWeight(
        static_cast<QFont::Weight>(std::clamp<int>(f.weight <= 0 ? 400 : f.weight, 1, 1000)));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikethrough);
    return font;
}

QFont qtFontInPointsOf(const FontDesc& f) {
    QFont font = qtFontOf(f);
    font.setPointSizeF(std::max(0.01, static_cast<double>(f.size) / 10000.0));
    return font;
}

namespace {

double pixelsAt96(const QFont& font) {
    return font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * 96.0 / 72.0;
}

} // namespace

std::optional<FontDesc> fontDescOf(const QFont& font, QString* reason) {
    const auto face = storedText(font.family(), reason);
    if (!face)
        return std::nullopt;
    FontDesc f;
    f.faceName = *face;
    const double points = font.pointSizeF() > 0  ? font.pointSizeF()
                          : font.pixelSize() > 0 ? font.pixelSize() * 72.0 / 96.0
                                                 : 12.0;
    f.size = std::llround(points * 10000.0);
    f.weight = static_cast<std::int16_t>(font.weight());
    f.italic = font.italic();
    f.underline = font.underline();
    f.strikethrough = font.strikeOut();
    return f;
}

bool showsSameFont(const QFont& a, const QFont& b) {
    return a.family() == b.family() && a.weight() == b.weight() && a.italic() == b.italic() &&
           a.underline() == b.underline() && a.strikeOut() == b.strikeOut() &&
           std::lround(pixelsAt96(a)) == std::lround(pixelsAt96(b));
}

QColor qtColorOf(OleColor c, const SystemColors& system) {
    const OleColor t = translateColor(c, system);
    return QColor(redOf(t), greenOf(t), blueOf(t));
}

SystemColors systemColorsOf(const QPalette& p) {
    using R = QPalette::ColorRole;
    auto c = [&p](R role, QPalette::ColorGroup group = QPalette::Active) {
        const QColor q = p.color(group, role);
        return rgb(q.red(), q.green(), q.blue());
    };
    // Indices 0..30 of the system colour table, each from the nearest palette role.
    return {{
        c(R::Button),                         // 0 scroll bar
        c(R::Dark),                           // 1 desktop
        c(R::Highlight),                      // 2 active caption
        c(R::Mid),                            // 3 inactive caption
        c(R::Window),                         // 4 menu
        c(R::Base),                           // 5 window
        c(R::Shadow),                         // 6 window frame
        c(R::WindowText),                     // 7 menu text
        c(R::Text),                           // 8 window text
        c(R::HighlightedText),                // 9 caption text
        c(R::Window),                         // 10 active border
        c(R::Window),                         // 11 inactive border
        c(R::Dark),                           // 12 application workspace
        c(R::Highlight),                      // 13 highlight
        c(R::HighlightedText),                // 14 highlighted text
        c(R::Window),                         // 15 button face
        c(R::Dark),                           // 16 button shadow
        c(R::Text, QPalette::Disabled),       // 17 grey text
        c(R::WindowText),                     // 18 button text: the text on the window
        c(R::WindowText, QPalette::Disabled), // 19 inactive caption text
        c(R::Light),                          // 20 button highlight
        c(R::Shadow),                         // 21 dark shadow
        c(R::Midlight),                       // 22 light
        c(R::ToolTipText),                    // 23 tooltip text
        c(R::ToolTipBase),                    // 24 tooltip background
        c(R::Window),                         // 25 (unused)
        c(R::Link),                           // 26 hot-tracked item
        c(R::Highlight),                      // 27 active caption gradient
        c(R::Mid),                            // 28 inactive caption gradient
        c(R::Highlight),                      // 29 menu highlight
        c(R::Window),                         // 30 menu bar
    }};
}

QtSurface::QtSurface(QPainter* painter, qreal dpr) : painter_(painter), dpr_(dpr) {
    font_ = painter_->font();
}

QtSurface::QtSurface(int width, int height, qreal dpr) : dpr_(dpr) {
    const int dw = static_cast<int>(std::ceil(width * dpr));
    const int dh = static_cast<int>(std::ceil(height * dpr));
    auto image = std::make_unique<QImage>(dw, dh, QImage::Format_RGB32);
    if (image->isNull())
        return;
    image->setDevicePixelRatio(dpr);
    image_ = std::move(image);
    ownPainter_ = std::make_unique<QPainter>(image_.get());
    painter_ = ownPainter_.get();
}

QtSurface::~QtSurface() {
    if (ownPainter_)
        ownPainter_->end();
}

std::unique_ptr<Surface> QtSurface::createCompatible(int width, int height) {
    if (width <= 0 || height <= 0)
        return nullptr;
    const double devicePixels = width * dpr_ * height * dpr_;
    if (devicePixels > static_cast<double>(pixelLimit_))
        return nullptr;
    auto s = std::make_unique<QtSurface>(width, height, dpr_);
    if (!s->isValid())
        return nullptr;
    s->pixelLimit_ = pixelLimit_;
    s->numColors_ = numColors_;
    return s;
}

void QtSurface::fillRect(const Rect& r, OleColor color) {
    painter_->fillRect(qrect(r), QColor(redOf(color), greenOf(color), blueOf(color)));
}

bool QtSurface::selectFont(const FontDesc& font) {
    if (font.faceName.empty())
        return false;
    font_ = qtFontOf(font);
    painter_->setFont(font_);
    return true;
}

void QtSurface::setTextColor(OleColor color) {
    textColor_ = QColor(redOf(color), greenOf(color), blueOf(color));
}

int QtSurface::textWidth(std::string_view run) {
    // Measured as one line; the line breaks themselves take no width.
    const QString line = linesOf(run).join(QString());
    const QFontMetrics fm(font_);
    // Qt measures in 26.6 fixed point: past 2^25 pixels its sum wraps round, even to a
    // negative width. A line that could come near that is wider than any content image may
    // be; it is given as kTooWide rather than trusted.
    const qint64 bound = static_cast<qint64>(line.size()) * std::max(1, fm.maxWidth());
    if (bound < kTooWide)
        return fm.horizontalAdvance(line);
    qint64 sum = 0;
    constexpr qsizetype kPiece = 256;
    for (qsizetype at = 0; at < line.size() && sum < kTooWide; at += kPiece) {
        const int piece = fm.horizontalAdvance(line.mid(at, kPiece));
        if (piece < 0)
            return kTooWide;
        sum += piece;
    }
    return sum < kTooWide ? fm.horizontalAdvance(line) : kTooWide;
}

int QtSurface::textHeight(std::string_view run) {
    // A font that large has its line height wrap round too.
    const int line = QFontMetrics(font_).height();
    if (line < 0)
        return kTooWide;
    const qint64 height = static_cast<qint64>(linesOf(run).size()) * line;
    return static_cast<int>(std::min<qint64>(height, kTooWide));
}

void QtSurface::drawText(std::string_view run, const Rect& r) {
    if (r.isEmpty())
        return;
    const QFontMetrics fm(font_);
    painter_->save();
    painter_->setClipRect(qrect(r), Qt::IntersectClip);
    painter_->setPen(textColor_);
    painter_->setFont(font_);
    int baseline = r.top + fm.ascent();
    for (const QString& line : linesOf(run)) {
        if (!line.isEmpty())
            painter_->drawText(QPoint(r.left, baseline), line);
        baseline += fm.height();
    }
    painter_->restore();
}

void QtSurface::drawPicture(const PictureData& picture, const Rect& dest, const Rect& bounds) {
    (void)bounds;
    if (dest.isEmpty())
        return;
    const QImage image = drawnImage(picture);
    if (image.isNull())
        return;
    painter_->save();
    if (picture.isBitmap()) {
        // Own pixel size, clipped to the slot, white already left out.
        painter_->setClipRect(qrect(dest), Qt::IntersectClip);
        painter_->drawImage(QRect(dest.left, dest.top, image.width(), image.height()), image);
    } else {
        painter_->drawImage(qrect(dest), image);
    }
    painter_->restore();
}

void QtSurface::fadeEdges(const Rect& inner, int width, bool vertical, OleColor background) {
    const QRect area = qrect(inner);
    const int span = vertical ? area.height() : area.width();
    const int w = std::min(width, span / 2);
    if (w <= 0)
        return;
    const QColor solid(redOf(background), greenOf(background), blueOf(background));
    QColor clear = solid;
    clear.setAlpha(0);
    auto fade = [&](QPointF from, QPointF to, QRect band) {
        QLinearGradient gradient(from, to);
        gradient.setColorAt(0, solid);
        gradient.setColorAt(1, clear);
        painter_->fillRect(band, gradient);
    };
    if (vertical) {
        fade(area.topLeft(), area.topLeft() + QPointF(0, w),
             QRect(area.left(), area.top(), area.width(), w));
        fade(QPointF(area.left(), area.bottom() + 1), QPointF(area.left(), area.bottom() + 1 - w),
             QRect(area.left(), area.bottom() + 1 - w, area.width(), w));
    } else {
        fade(area.topLeft(), area.topLeft() + QPointF(w, 0),
             QRect(area.left(), area.top(), w, area.height()));
        fade(QPointF(area.right() + 1, area.top()), QPointF(area.right() + 1 - w, area.top()),
             QRect(area.right() + 1 - w, area.top(), w, area.height()));
    }
}

void QtSurface::copyFrom(const Surface& src, int width, int height, Point dest) {
    const auto* from = dynamic_cast<const QtSurface*>(&src);
    if (!from || !from->image_ || width <= 0 || height <= 0)
        return;
    QRect target(dest.x, dest.y, width, height);
    QRect source(0, 0, width, height);
    const QTransform& world = painter_->worldTransform();
    if (!mapped_ && world.type() <= QTransform::TxTranslate && painter_->device()) {
        // Copy only what lands on the device: the cost stays that of the control, however
        // long the content.
        const QPaintDevice* device = painter_->device();
        const QRect deviceArea(-qFloor(world.dx()), -qFloor(world.dy()), device->width() + 1,
                               device->height() + 1);
        const QRect visible = target.intersected(deviceArea);
        if (visible.isEmpty())
            return;
        source = QRect(visible.topLeft() - target.topLeft(), visible.size());
        target = visible;
    }
    const qreal sdpr = from->dpr_;
    const QRectF sourceDevice(source.x() * sdpr, source.y() * sdpr, source.width() * sdpr,
                              source.height() * sdpr);
    const QPainter::CompositionMode old = painter_->compositionMode();
    painter_->setCompositionMode(QPainter::CompositionMode_Source);
    painter_->drawImage(QRectF(target), *from->image_, sourceDevice);
    painter_->setCompositionMode(old);
}

bool QtSurface::isRasterPrinter() const {
    return painter_->device() && painter_->device()->devType() == QInternal::Printer;
}

int QtSurface::logPixelsX() const {
    return painter_->device() ? painter_->device()->logicalDpiX() : 96;
}

int QtSurface::logPixelsY() const {
    return painter_->device() ? painter_->device()->logicalDpiY() : 96;
}

void QtSurface::setAnisotropicMapping(Size windowExt, Point viewportOrg, Size viewportExt) {
    painter_->setWindow(0, 0, windowExt.cx, windowExt.cy);
    painter_->setViewport(viewportOrg.x, viewportOrg.y, viewportExt.cx, viewportExt.cy);
    mapped_ = true;
}

} // namespace zqmarq
