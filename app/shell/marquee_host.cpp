#include "shell/marquee_host.h"

#include "platform/paths.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>

MarqueeHost::MarqueeHost(const QString& objectName, const QString& designFile, QWidget* parent)
    : QObject(parent) {
    setObjectName(objectName + QStringLiteral("Host"));
    (void)designFile;
    // Stand-in until the marquee control is available: the text on the banner's colours.
    auto* label = new QLabel(parent);
    label->setAutoFillBackground(true);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    widget_ = label;
    widget_->setObjectName(objectName);
    widget_->installEventFilter(this);
}

MarqueeHost::~MarqueeHost() = default;

void MarqueeHost::setText(const QString& text) {
    text_ = text;
    if (auto* label = qobject_cast<QLabel*>(widget_.data()))
        label->setText(QString(text).remove(QRegularExpression(QStringLiteral("<[^>]*>"))));
}

QString MarqueeHost::text() const { return text_; }

bool MarqueeHost::eventFilter(QObject* watched, QEvent* event) {
    if (watched == widget_ && event->type() == QEvent::MouseButtonPress) {
        const auto* me = static_cast<QMouseEvent*>(event);
        const int button = me->button() == Qt::LeftButton    ? 1
                           : me->button() == Qt::RightButton ? 2
                           : me->button() == Qt::MiddleButton ? 4
                                                              : 0;
        emit mouseDown(button, me->globalPosition().toPoint());
        return true;
    }
    return QObject::eventFilter(watched, event);
}
