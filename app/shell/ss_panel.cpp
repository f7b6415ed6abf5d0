#include "shell/ss_panel.h"

#include "shell/palette_colours.h"

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

QColor warningColour(const QPalette& palette) {
    return readableOn(QColor(200, 0, 0), palette.color(QPalette::Window));
}

namespace {
// Text in the warning colour, which follows the palette.
void keepWarningColour(QWidget* widget) {
    const QColor wanted = warningColour(widget->palette());
    if (widget->palette().color(QPalette::WindowText) == wanted)
        return;
    QPalette colours = widget->palette();
    colours.setColor(QPalette::WindowText, wanted);
    widget->setPalette(colours);
}
} // namespace

void SSPanel::setMarked(bool marked) {
    if (marked == marked_)
        return;
    marked_ = marked;
    QFont look = font();
    look.setStrikeOut(marked);
    setFont(look);
    if (marked)
        keepWarningColour(this);
    else
        setPalette(QPalette()); // the palette's own colours again
}

void SSPanel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && marked_)
        keepWarningColour(this);
}

FieldNote::FieldNote(const QString& field, QWidget* parent) : QLabel(parent) {
    setObjectName(field + QStringLiteral("Note"));
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    keepWarningColour(this);
    hide();
}

void FieldNote::showText(const QString& text) {
    if (this->text() != text)
        setText(text);
    setVisible(!text.isEmpty());
}

void FieldNote::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        keepWarningColour(this);
}

void SSPanel::enterEvent(QEnterEvent* event) {
    if (tipFollowsCaption_)
        setToolTip(caption());
    QLabel::enterEvent(event);
}

void SSPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}
