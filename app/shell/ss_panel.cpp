#include "shell/ss_panel.h"

#include <QMouseEvent>

SSPanel::SSPanel(const QString& objectName, QWidget* parent, Bevel bevel) : QLabel(parent) {
    setObjectName(objectName);
    setFrameShape(QFrame::Panel);
    setFrameShadow(bevel == Bevel::Sunken ? QFrame::Sunken : QFrame::Raised);
    setLineWidth(1);
    setMargin(2);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setTextFormat(Qt::PlainText);
    // A long path must not widen the page: the panel keeps its width and clips.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setMinimumHeight(fontMetrics().height() + 8);
}

void SSPanel::enterEvent(QEnterEvent* event) {
    if (tipFollowsCaption_)
        setToolTip(caption());
    emit mouseEntered();
    QLabel::enterEvent(event);
}

void SSPanel::leaveEvent(QEvent* event) {
    emit mouseLeft();
    QLabel::leaveEvent(event);
}

void SSPanel::mousePressEvent(QMouseEvent* event) {
    emit mousePressed(event->button(), event->globalPosition().toPoint());
    QLabel::mousePressEvent(event);
}

void SSPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}
