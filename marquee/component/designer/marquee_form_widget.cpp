#include "marquee_form_widget.h"

#include "picture_decode.h"
#include "zq_marquee.h"

#include "qt_surface.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QVBoxLayout>

#include <cmath>

namespace zqmarq {

MarqueeFormWidget::MarqueeFormWidget(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_marquee = new ZqMarquee(this);
    layout->addWidget(m_marquee);
}

QSize MarqueeFormWidget::sizeHint() const {
    return m_marquee->sizeHint();
}

void MarqueeFormWidget::change(const std::function<void(MarqueeModel&)>& edit) {
    MarqueeModel m = m_marquee->model();
    edit(m);
    m_marquee->setModel(m);
}

QColor MarqueeFormWidget::toQColor(OleColor color) {
    const OleColor c = translateColor(color, systemColorsOf(QGuiApplication::palette()));
    return QColor(redOf(c), greenOf(c), blueOf(c));
}

OleColor MarqueeFormWidget::fromQColor(const QColor& color) {
    return rgb(color.red(), color.green(), color.blue());
}

QFont MarqueeFormWidget::toQFont(const FontDesc& f) {
    QFont font(QString::fromLatin1(f.faceName.c_str()));
    if (f.size > 0)
        font.setPointSizeF(f.points());
    font.setWeight(static_cast<QFont::Weight>(std::clamp<int>(f.weight, 1, 1000)));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikethrough);
    return font;
}

FontDesc MarqueeFormWidget::fromQFont(const QFont& font) {
    FontDesc f;
    f.faceName = font.family().toLatin1().toStdString();
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 12.0;
    f.size = std::llround(points * 10000.0);
    f.weight = static_cast<std::int16_t>(font.weight());
    f.italic = font.italic();
    f.underline = font.underline();
    f.strikethrough = font.strikeOut();
    return f;
}

QString MarqueeFormWidget::text() const {
    return m_marquee->text();
}
void MarqueeFormWidget::setText(const QString& text) {
    change([&](MarqueeModel& m) { m.text = text.toLatin1().toStdString(); });
}

QColor MarqueeFormWidget::foreColor() const {
    return toQColor(m_marquee->model().foreColor);
}
void MarqueeFormWidget::setForeColor(const QColor& color) {
    change([&](MarqueeModel& m) { m.foreColor = fromQColor(color); });
}

QColor MarqueeFormWidget::backColor() const {
    return toQColor(m_marquee->model().backColor);
}
void MarqueeFormWidget::setBackColor(const QColor& color) {
    change([&](MarqueeModel& m) { m.backColor = fromQColor(color); });
}

QFont MarqueeFormWidget::marqueeFont() const {
    const auto& f = m_marquee->model().font;
    return toQFont(f.value_or(FontDesc::frameworkDefault()));
}
void MarqueeFormWidget::setMarqueeFont(const QFont& font) {
    change([&](MarqueeModel& m) { m.font = fromQFont(font); });
}

MarqueeFormWidget::ScrollDirection MarqueeFormWidget::direction() const {
    return static_cast<ScrollDirection>(m_marquee->model().direction);
}
void MarqueeFormWidget::setDirection(ScrollDirection direction) {
    change([&](MarqueeModel& m) { m.direction = direction; });
}

int MarqueeFormWidget::tickIncrement() const {
    return m_marquee->model().tickIncrement;
}
void MarqueeFormWidget::setTickIncrement(int pixels) {
    change([&](MarqueeModel& m) {
        m.tickIncrement = static_cast<std::int16_t>(std::clamp(pixels, -32768, 32767));
    });
}

MarqueeFormWidget::Frame MarqueeFormWidget::frame() const {
    return static_cast<Frame>(m_marquee->model().frame);
}
void MarqueeFormWidget::setFrame(Frame frame) {
    change([&](MarqueeModel& m) { m.frame = frame; });
}

int MarqueeFormWidget::tickTime() const {
    return m_marquee->model().tickTime;
}
void MarqueeFormWidget::setTickTime(int milliseconds) {
    change([&](MarqueeModel& m) {
        m.tickTime = static_cast<std::int16_t>(std::clamp(milliseconds, -32768, 32767));
    });
}

MarqueeFormWidget::TextJustification MarqueeFormWidget::justification() const {
    return static_cast<TextJustification>(m_marquee->model().justification);
}
void MarqueeFormWidget::setJustification(TextJustification justification) {
    change([&](MarqueeModel& m) { m.justification = justification; });
}

bool MarqueeFormWidget::freezeMarquee() const {
    return m_marquee->model().freezeMarquee;
}
void MarqueeFormWidget::setFreezeMarquee(bool freeze) {
    change([&](MarqueeModel& m) { m.freezeMarquee = freeze; });
}

QFont MarqueeFormWidget::heading(int n) const {
    if (n < 1 || n > kHeadingCount)
        return QFont();
    return toQFont(m_marquee->model().heading[static_cast<std::size_t>(n - 1)]);
}

void MarqueeFormWidget::setHeading(int n, const QFont& font) {
    if (n < 1 || n > kHeadingCount)
        return;
    change([&](MarqueeModel& m) { m.heading[static_cast<std::size_t>(n - 1)] = fromQFont(font); });
}

QPixmap MarqueeFormWidget::picture(int n) const {
    if (n < 1 || n > kPictureCount)
        return QPixmap();
    const auto& p = m_marquee->model().picture[static_cast<std::size_t>(n - 1)];
    return p ? QPixmap::fromImage(decodePicture(*p)) : QPixmap();
}

void MarqueeFormWidget::setPicture(int n, const QPixmap& pixmap) {
    if (n < 1 || n > kPictureCount)
        return;
    std::optional<PictureData> picture;
    if (!pixmap.isNull()) {
        // Stored as PNG bytes: the form holds a pixmap, not the original file.
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        pixmap.save(&buffer, "PNG");
        picture = pictureFromBytes(bytes);
    }
    change([&](MarqueeModel& m) { m.picture[static_cast<std::size_t>(n - 1)] = picture; });
}

} // namespace zqmarq
