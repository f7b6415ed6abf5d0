#include "shell/link_label.h"

#include <QMouseEvent>

LinkLabel::LinkLabel(const QString& objectName, const QString& text, QWidget* parent)
    : SSPanel(objectName, parent, Bevel::Raised) {
    setCaption(text);
    setIndent(6);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setTextColour(Qt::black);
}

void LinkLabel::setTextColour(const QColor& colour) {
    QPalette look = palette();
    look.setColor(QPalette::WindowText, colour);
    setPalette(look);
}

void LinkLabel::enterEvent(QEnterEvent* event) {
    setTextColour(kHoverColour);
    SSPanel::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event) {
    setTextColour(Qt::black);
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
