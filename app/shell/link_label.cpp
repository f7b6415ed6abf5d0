#include "shell/link_label.h"

#include "shell/palette_colours.h"

#include <QMouseEvent>

LinkLabel::LinkLabel(const QString& objectName, const QString& text, QWidget* parent)
    : SSPanel(objectName, parent, Bevel::Raised) {
    setCaption(text);
    setIndent(6);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setTextColour({});
}

void LinkLabel::setTextColour(const QColor& colour) {
    wanted_ = colour;
    // The design's blue where the palette lets it be read; otherwise the desktop's text
    // colour (black on a light palette, as designed).
    const QColor text = colour.isValid() || !parentWidget()
                            ? colour
                            : parentWidget()->palette().color(QPalette::WindowText);
    const QColor shown =
        readableOn(text.isValid() ? text : QColor(Qt::black), palette().color(QPalette::Window));
    if (palette().color(QPalette::WindowText) == shown)
        return;
    QPalette look = palette();
    look.setColor(QPalette::WindowText, shown);
    setPalette(look);
}

void LinkLabel::changeEvent(QEvent* event) {
    SSPanel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        setTextColour(wanted_);
}

void LinkLabel::enterEvent(QEnterEvent* event) {
    setTextColour(kHoverColour);
    SSPanel::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event) {
    setTextColour({});
    SSPanel::leaveEvent(event);
}

LogoPanel::LogoPanel(const QString& objectName, QWidget* parent)
    : SSPanel(objectName, parent, Bevel::Raised) {
    setAlignment(Qt::AlignCenter);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    setMinimumHeight(0);
    setCursor(Qt::PointingHandCursor);
}

void LogoPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton) {
        event->accept();
        emit aboutRequested();
        return;
    }
    SSPanel::mousePressEvent(event);
}
