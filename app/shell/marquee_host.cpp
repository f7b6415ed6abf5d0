#include "shell/marquee_host.h"

#include "platform/paths.h"
#include "shell/palette_colours.h"

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
    designText_ = text;
    if (control_ && keepReadable_) {
        applyReadableColours();
    } else if (control_) {
        control_->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(widget_.data())) {
        label->setText(QString(text).remove(QRegularExpression(QStringLiteral("<[^>]*>"))));
    }
}

QString MarqueeHost::text() const {
    return control_ ? control_->text() : text_;
}

void MarqueeHost::setReducedMotion(bool on) {
    if (widget_)
        widget_->setProperty("reducedMotion", on);
}

void MarqueeHost::keepReadable() {
    if (!control_ || keepReadable_)
        return;
    keepReadable_ = true;
    designText_ = control_->text();
    zqmarq::OleColor fore = 0;
    if (control_->property(QStringLiteral("ForeColor")).toColor(fore) == zqmarq::kSOk)
        designFore_ = fore;
    applyReadableColours();
}

void MarqueeHost::applyReadableColours() {
    const QPalette palette = widget_->window()->palette();
    const QColor background = palette.color(QPalette::Button);
    auto readable = [&](int r, int g, int b) { return readableOn(QColor(r, g, b), background); };
    // A system colour in the design is the palette's already.
    if (!(designFore_ & 0x80000000u)) {
        const QColor fore = readable(zqmarq::redOf(designFore_), zqmarq::greenOf(designFore_),
                                     zqmarq::blueOf(designFore_));
        control_->setProperty(
            QStringLiteral("ForeColor"),
            zqmarq::Variant::color(zqmarq::rgb(fore.red(), fore.green(), fore.blue())));
    }
    static const QRegularExpression colourTag(
        QStringLiteral("<COLOR\\s+R(\\d+)\\s+G(\\d+)\\s+B(\\d+)\\s*>"),
        QRegularExpression::CaseInsensitiveOption);
    QString text;
    qsizetype done = 0;
    for (auto it = colourTag.globalMatch(designText_); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QColor c = readable(m.captured(1).toInt() & 0xFF, m.captured(2).toInt() & 0xFF,
                                  m.captured(3).toInt() & 0xFF);
        text += designText_.mid(done, m.capturedStart() - done) +
                QStringLiteral("<COLOR R%1 G%2 B%3>").arg(c.red()).arg(c.green()).arg(c.blue());
        done = m.capturedEnd();
    }
    text += designText_.mid(done);
    control_->setText(text);
}

bool MarqueeHost::eventFilter(QObject* watched, QEvent* event) {
    if (control_ && widget_ && watched == widget_->window() &&
        (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)) {
        control_->setAmbientProperties(zqmarq::ControlHost::ambientsOf(*widget_->window()));
        if (keepReadable_ && event->type() == QEvent::PaletteChange)
            applyReadableColours();
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
