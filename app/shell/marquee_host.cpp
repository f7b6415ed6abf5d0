#include "shell/marquee_host.h"

#include "platform/paths.h"

#include "control_host.h"
#include "identifiers.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>

QString MarqueeHost::classId() {
    return QString::fromStdString(zqmarq::ids::kControl.toString());
}

MarqueeHost::MarqueeHost(const QString& objectName, const QString& designFile, QWidget* parent)
    : QObject(parent) {
    setObjectName(objectName + QStringLiteral("Host"));
    QString error;
    // The window's font and palette are the container's ambient properties: system colours
    // in a stored design take the window's colours.
    control_ = zqmarq::ControlHost::create(classId(), parent, &error,
                                           zqmarq::ControlHost::ambientsOf(*parent->window()));
    if (control_ && control_->widget()) {
        widget_ = control_->widget();
        const QString design =
            AppPaths::resourceFolder() + QStringLiteral("/marquee/") + designFile;
        // A missing or refused design leaves the control at its defaults.
        if (!control_->loadStreamFile(design, &error))
            problem_ = error;
        connect(control_.get(), &zqmarq::ControlHost::mouseDown, this,
                [this](int button, int, int x, int y) {
                    emit mouseDown(button,
                                   widget_ ? widget_->mapToGlobal(QPoint(x, y)) : QPoint(x, y));
                });
        text_ = control_->text();
        parent->window()->installEventFilter(this);
    } else {
        control_.reset();
        problem_ = error;
        makeStandIn(parent);
    }
    widget_->setObjectName(objectName);
}

MarqueeHost::~MarqueeHost() = default;

void MarqueeHost::makeStandIn(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setAutoFillBackground(true);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, QColor(255, 255, 128));
    label->setPalette(pal);
    widget_ = label;
    widget_->installEventFilter(this);
}

void MarqueeHost::setText(const QString& text) {
    text_ = text;
    if (control_) {
        control_->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(widget_.data())) {
        label->setText(QString(text).remove(QRegularExpression(QStringLiteral("<[^>]*>"))));
    }
}

QString MarqueeHost::text() const {
    return control_ ? control_->text() : text_;
}

bool MarqueeHost::eventFilter(QObject* watched, QEvent* event) {
    if (control_ && widget_ && watched == widget_->window() &&
        (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)) {
        control_->setAmbientProperties(zqmarq::ControlHost::ambientsOf(*widget_->window()));
        return false;
    }
    if (watched == widget_ && event->type() == QEvent::MouseButtonPress) {
        const auto* me = static_cast<QMouseEvent*>(event);
        const int button = me->button() == Qt::LeftButton     ? 1
                           : me->button() == Qt::RightButton  ? 2
                           : me->button() == Qt::MiddleButton ? 4
                                                              : 0;
        emit mouseDown(button, me->globalPosition().toPoint());
        return true;
    }
    return QObject::eventFilter(watched, event);
}
