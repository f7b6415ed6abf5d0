#include "shell/splash_window.h"

#include "job/machine_port.h"
#include "platform/paths.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace {
bool g_aboutMode = false;
QString g_versionText;
QPointer<SplashWindow> g_window;

// The splash picture, or a drawn stand-in when the resource is missing.
QPixmap splashPicture() {
    QPixmap picture(AppPaths::resourceFolder() + QStringLiteral("/images/splash.png"));
    if (!picture.isNull())
        return picture;
    picture = QPixmap(360, 220);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(20, 20, 60));
    p.setPen(QPen(QColor(255, 255, 128), 3));
    p.drawRoundedRect(picture.rect().adjusted(2, 2, -2, -2), 40, 40);
    p.setFont(QFont(QStringLiteral("Arial"), 28, QFont::Bold));
    p.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("Kavel32"));
    return picture;
}
} // namespace

bool SplashWindow::aboutMode() {
    return g_aboutMode;
}
void SplashWindow::setAboutMode(bool on) {
    g_aboutMode = on;
}
QString SplashWindow::versionText() {
    return g_versionText;
}
SplashWindow* SplashWindow::loaded() {
    return g_window.data();
}

SplashWindow::SplashWindow()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Form3"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QStringLiteral("Kavel32"));

    const QPixmap picture = splashPicture();
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("Picture"));
    picture_->setPixmap(picture);
    picture_->setGeometry(0, 0, picture.width(), picture.height());
    picture_->installEventFilter(this);
    setFixedSize(picture.size());

    version_ = new QLabel(QStringLiteral(KAVEL_VERSION_TEXT), this);
    version_->setObjectName(QStringLiteral("Label1"));
    version_->setFont(QFont(QStringLiteral("Arial"), 10, QFont::Bold));
    QPalette pal = version_->palette();
    pal.setColor(QPalette::WindowText, QColor(255, 255, 128));
    version_->setPalette(pal);
    version_->adjustSize();
    version_->move(width() - version_->width() - 34, height() - version_->height() - 26);
    version_->installEventFilter(this);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(kDesignedInterval);
    connect(timer_, &QTimer::timeout, this, &SplashWindow::tick);

    // The window takes the outline of its picture (FormShape1).
    if (picture.hasAlphaChannel())
        setMask(picture.mask());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

SplashWindow::~SplashWindow() = default;

SplashWindow* SplashWindow::openSplash() {
    g_aboutMode = false;
    if (!g_window) {
        g_window = new SplashWindow;
        g_window->loadSteps(nullptr, nullptr);
    }
    return g_window;
}

SplashWindow* SplashWindow::openAbout(int intervalMs, MachinePort* machine, QWidget* mainWindow,
                                      std::function<void()> showMain) {
    g_aboutMode = true;
    const bool fresh = !g_window;
    if (fresh)
        g_window = new SplashWindow;
    g_window->mainWindow_ = mainWindow;
    if (showMain)
        g_window->showMain_ = std::move(showMain);
    // Setting the interval restarts a running timer, so the window closes two ticks after
    // the latest opening.
    g_window->timer_->setInterval(intervalMs);
    g_window->timer_->start();
    if (fresh)
        g_window->loadSteps(machine, mainWindow);
    return g_window;
}

void SplashWindow::loadSteps(MachinePort* machine, QWidget* mainWindow) {
    show();
    g_versionText = version_->text();
    if (g_aboutMode) {
        raise();
        repaint();
        if (machine)
            machine->playSound(QStringLiteral("\\thunder.wav"), true);
        if (mainWindow)
            mainWindow->repaint();
        // The window waits from here: ticks during the thunder would close it unseen.
        timer_->start();
        return;
    }
    timer_->start();
    repaint();
}

void SplashWindow::tick() {
    if (g_aboutMode) {
        g_aboutMode = false;
        return;
    }
    // Hand over to the main window and go.
    const auto showMain = showMain_;
    QPointer<QWidget> main = mainWindow_;
    unload();
    if (showMain)
        showMain();
    else if (main)
        main->show();
}

void SplashWindow::unload() {
    timer_->stop();
    // Gone for the program at once, even though the object goes with the next event.
    if (g_window == this)
        g_window = nullptr;
    close();
}

void SplashWindow::clicked() {
    if (g_aboutMode)
        g_aboutMode = false;
}

void SplashWindow::mousePressEvent(QMouseEvent* event) {
    clicked();
    event->accept();
}

bool SplashWindow::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == version_ || watched == picture_) && event->type() == QEvent::MouseButtonPress) {
        clicked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
