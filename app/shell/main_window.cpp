#include "shell/main_window.h"

#include "shell/finish_menu.h"
#include "shell/help_window.h"
#include "shell/job_pages.h"
#include "shell/marquee_host.h"
#include "shell/page_bar.h"
#include "shell/splash_window.h"
#include "shell/startup.h"

#include "platform/paths.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int kBarWidth = 112;
constexpr int kMargin = 6;
constexpr int kTitleHeight = 28;
constexpr int kBannerHeight = 30;
constexpr QSize kFormSize(660, 450);

// Members of the context-menu family: a right press on one opens the page menu. The
// marquees report their presses through their own MouseDown event instead.
const QSet<QString>& contextFamily() {
    static const QSet<QString> family = [] {
        QSet<QString> names{QStringLiteral("Form"),     QStringLiteral("Frame2"),
                            QStringLiteral("Frame3"),   QStringLiteral("Frame4"),
                            QStringLiteral("Frame6"),   QStringLiteral("Frame8"),
                            QStringLiteral("SSFrame1"), QStringLiteral("SSFrame2"),
                            QStringLiteral("SSFrame3"), QStringLiteral("SSPanel8"),
                            QStringLiteral("SSPanel12")};
        for (int i = 3; i <= 9; ++i)
            names << QStringLiteral("Image%1").arg(i);
        for (int i = 1; i <= 17; ++i)
            names << QStringLiteral("Label%1").arg(i);
        for (int i = 1; i <= 9; ++i)
            names << QStringLiteral("Picture%1").arg(i);
        for (int i = 1; i <= 6; ++i)
            names << QStringLiteral("SSPanel%1").arg(i);
        return names;
    }();
    return family;
}

const QSet<QString>& pathPanels() {
    static const QSet<QString> names{QStringLiteral("SSPanel2"), QStringLiteral("SSPanel3"),
                                     QStringLiteral("SSPanel4"), QStringLiteral("SSPanel5"),
                                     QStringLiteral("SSPanel8")};
    return names;
}

QLabel* makePanel(const QString& name, QWidget* parent, QFrame::Shadow shadow) {
    auto* panel = new QLabel(parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | shadow);
    panel->setLineWidth(1);
    return panel;
}

QWidget* makePage(const QString& name, QWidget* parent) {
    auto* page = new QFrame(parent);
    page->setObjectName(name);
    page->setFrameStyle(QFrame::NoFrame);
    page->hide();
    return page;
}

void setTextColour(QWidget* w, const QColor& colour) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, colour);
    w->setPalette(pal);
}
} // namespace

QString MainWindow::webAddress() { return QStringLiteral("https://kavel32.example.org/"); }
QString MainWindow::emailAddress() { return QStringLiteral("kavel32@example.org"); }
QString MainWindow::bannerText(const QString& versionText) {
    return QStringLiteral("Kavel32 ") + versionText + QStringLiteral("  by QXV   <IMG 1>");
}

MainWindow::MainWindow(Dialogs& dialogs, MachinePort& machine, RunFlags& flags, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), machine_(machine), flags_(flags),
      services_{dialogs, *this, machine, flags} {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Kavel32"));
    openLink_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

    form_ = new QWidget(this);
    form_->setObjectName(QStringLiteral("Form"));
    setCentralWidget(form_);
    form_->setMinimumSize(kFormSize);

    buildPanels();
    buildPageBar();
    buildMenus();
    buildAboutPage();

    help_ = new HelpWindow(this);
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &MainWindow::helpKey);

    PagePanels panels;
    panels.source = source_;
    panels.skip = skip_;
    panels.diz = diz_;
    panels.nfo = nfo_;
    panels.zip = zip_;
    panels.progress = progress_;
    pages_ = new JobPages(panels, services_, this);
    connect(pages_, &JobPages::windowTitleChanged, this, &QWidget::setWindowTitle);
    connect(pages_, &JobPages::commentOnChanged, zheader_, &QAction::setChecked);
    connect(pages_, &JobPages::exitRequested, this, &QWidget::close);
    // A close asked for during a run waits for the run to stop, then cleans up.
    connect(pages_, &JobPages::runFinished, this, [this] {
        if (closeAfterRun_)
            QTimer::singleShot(0, this, &QWidget::close);
    });

    qApp->installEventFilter(this);
    resize(kFormSize + QSize(0, menuBar()->sizeHint().height()));
    placePages();

    // Loading: all pages hidden, then the Source page.
    hideAllPages();
    sourceCommand();
}

MainWindow::~MainWindow() {
    if (busy_)
        QApplication::restoreOverrideCursor();
}

void MainWindow::buildPanels() {
    title_ = makePanel(QStringLiteral("SSPanel1"), form_, QFrame::Sunken);
    QFont bold = title_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    title_->setFont(bold);
    title_->setAutoFillBackground(true);

    source_ = makePage(QStringLiteral("Picture1"), form_);
    skip_ = makePage(QStringLiteral("Picture2"), form_);
    diz_ = makePage(QStringLiteral("Picture4"), form_);
    nfo_ = makePage(QStringLiteral("Picture5"), form_);
    zip_ = makePage(QStringLiteral("Picture6"), form_);
    progress_ = makePage(QStringLiteral("Picture7"), form_);
    about_ = makePage(QStringLiteral("Picture8"), form_);

    banner_ = new MarqueeHost(QStringLiteral("ZqMarquee1"), QStringLiteral("banner.zqm"), form_);
    banner_->widget()->hide();
    connect(banner_, &MarqueeHost::mouseDown, this, [this](int button, const QPoint& at) {
        if (button == 2)
            popupPageMenu(at);
    });
}

void MainWindow::buildPageBar() {
    pageBar_ = new PageBar(form_);
    pageBar_->setObjectName(QStringLiteral("SSListBar1"));
    QStyle* s = style();
    const QString main = QStringLiteral("Main");
    const QString help = QStringLiteral("Help");
    pageBar_->addGroup(main);
    pageBar_->addItem(main, QStringLiteral("Source"), s->standardIcon(QStyle::SP_DriveHDIcon));
    pageBar_->addItem(main, QStringLiteral("Skip"), s->standardIcon(QStyle::SP_DialogDiscardButton));
    pageBar_->addItem(main, QStringLiteral("Diz"), s->standardIcon(QStyle::SP_FileIcon));
    pageBar_->addItem(main, QStringLiteral("Nfo"), s->standardIcon(QStyle::SP_FileDialogDetailedView));
    pageBar_->addItem(main, QStringLiteral("Zip"), s->standardIcon(QStyle::SP_DirIcon));
    pageBar_->addItem(main, QStringLiteral("Kavel!"), s->standardIcon(QStyle::SP_MediaPlay));
    pageBar_->addGroup(help);
    pageBar_->addItem(help, QStringLiteral("Help"), s->standardIcon(QStyle::SP_DialogHelpButton));
    pageBar_->addItem(help, QStringLiteral("About"), s->standardIcon(QStyle::SP_MessageBoxInformation));
    connect(pageBar_, &PageBar::itemClicked, this, &MainWindow::pageBarItemClicked);
    connect(pageBar_, &PageBar::groupClicked, this, &MainWindow::pageBarGroupClicked);
}

void MainWindow::buildMenus() {
    auto action = [this](QMenu* menu, const QString& name, const QString& text, auto slot) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu_->setObjectName(QStringLiteral("file"));
    action(fileMenu_, QStringLiteral("open"), QStringLiteral("&Open script..."),
           [this] { pages_->openScript(); });
    action(fileMenu_, QStringLiteral("save"), QStringLiteral("&Save script..."),
           [this] { pages_->saveScript(); });
    fileMenu_->addSeparator();
    zheader_ = action(fileMenu_, QStringLiteral("zheader"), QStringLiteral("&Zip comment"), [this] {
        pages_->zipCommentClick();
        // The mark follows the comment state, not the click.
        zheader_->setChecked(pages_->commentOn());
    });
    zheader_->setCheckable(true);
    fileMenu_->addSeparator();
    addFinishMenu(fileMenu_, dialogs_, this);
    fileMenu_->addSeparator();
    action(fileMenu_, QStringLiteral("exitm"), QStringLiteral("E&xit"), &MainWindow::exitCommand);

    pageMenu_ = menuBar()->addMenu(QStringLiteral("menu"));
    pageMenu_->setObjectName(QStringLiteral("Menu"));
    action(pageMenu_, QStringLiteral("source"), QStringLiteral("&Source"), &MainWindow::sourceCommand);
    action(pageMenu_, QStringLiteral("skip"), QStringLiteral("S&kip"), &MainWindow::skipCommand);
    action(pageMenu_, QStringLiteral("diz"), QStringLiteral("&Diz"), &MainWindow::dizCommand);
    action(pageMenu_, QStringLiteral("nfo"), QStringLiteral("&Nfo"), &MainWindow::nfoCommand);
    action(pageMenu_, QStringLiteral("zip"), QStringLiteral("&Zip"), &MainWindow::zipCommand);
    pageMenu_->addSeparator();
    action(pageMenu_, QStringLiteral("kavel"), QStringLiteral("&Kavel"), &MainWindow::kavelCommand);

    helpMenu_ = menuBar()->addMenu(QStringLiteral("&Help"));
    helpMenu_->setObjectName(QStringLiteral("helpm"));
    action(helpMenu_, QStringLiteral("contents"), QStringLiteral("&Contents..."),
           &MainWindow::helpContents);
    action(helpMenu_, QStringLiteral("indexm"), QStringLiteral("&Index..."), &MainWindow::helpIndex);
    helpMenu_->addSeparator();
    action(helpMenu_, QStringLiteral("webm"), QStringLiteral("&Web page..."), &MainWindow::webPage);
    action(helpMenu_, QStringLiteral("emailm"), QStringLiteral("&Email"), &MainWindow::email);
    helpMenu_->addSeparator();
    action(helpMenu_, QStringLiteral("aboutm"), QStringLiteral("&About"), &MainWindow::aboutCommand);
}

void MainWindow::buildAboutPage() {
    logo_ = makePanel(QStringLiteral("SSPanel7"), about_, QFrame::Raised);
    const QPixmap logo(AppPaths::resourceFolder() + QStringLiteral("/images/logo.png"));
    if (!logo.isNull())
        logo_->setPixmap(logo.scaled(128, 128, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    else
        logo_->setText(QStringLiteral("Kavel32"));
    logo_->setAlignment(Qt::AlignCenter);
    logo_->setGeometry(16, 16, 140, 140);
    logo_->setMouseTracking(true);
    logo_->setToolTip(QStringLiteral("About Kavel32"));

    auto* name = new QLabel(QStringLiteral("Kavel32 ") + QStringLiteral(KAVEL_VERSION_TEXT), about_);
    name->setObjectName(QStringLiteral("Label16"));
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    name->setFont(big);
    name->setGeometry(172, 20, 200, 40);

    auto* blurb = new QLabel(QStringLiteral("Splits a release into floppy-sized volumes and wraps "
                                            "every volume into a zip of its own, with a numbered "
                                            "file_id.diz, a tagged nfo and a zip comment."),
                             about_);
    blurb->setObjectName(QStringLiteral("Label17"));
    blurb->setWordWrap(true);
    blurb->setGeometry(172, 64, 180, 112);
    blurb->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    webLink_ = makePanel(QStringLiteral("SSPanel11"), about_, QFrame::Raised);
    webLink_->setText(webAddress());
    webLink_->setGeometry(16, 188, 300, 24);
    webLink_->setCursor(Qt::PointingHandCursor);
    emailLink_ = makePanel(QStringLiteral("SSPanel10"), about_, QFrame::Raised);
    emailLink_->setText(emailAddress());
    emailLink_->setGeometry(16, 220, 300, 24);
    emailLink_->setCursor(Qt::PointingHandCursor);
    for (QLabel* link : {webLink_, emailLink_}) {
        link->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
        link->setIndent(6);
    }

    credits_ = new MarqueeHost(QStringLiteral("ZqMarquee2"), QStringLiteral("zqmarquee2.zqm"), about_);
    credits_->widget()->setGeometry(440, 16, 150, 300);
    connect(credits_, &MarqueeHost::mouseDown, this, [this](int button, const QPoint& at) {
        if (button == 2)
            popupPageMenu(at);
    });
}

QRect MainWindow::pageRect() const {
    const int left = kMargin + kBarWidth + kMargin;
    const int top = kMargin + kTitleHeight + kMargin;
    return QRect(left, top, form_->width() - left - kMargin,
                 form_->height() - top - kMargin - kBannerHeight - kMargin);
}

void MainWindow::placePages() {
    const QRect page = pageRect();
    pageBar_->setGeometry(kMargin, kMargin, kBarWidth, form_->height() - 2 * kMargin);
    title_->setGeometry(page.left(), kMargin, page.width(), kTitleHeight);
    banner_->widget()->setGeometry(page.left(), page.bottom() + 1 + kMargin, page.width(),
                                   kBannerHeight);
    for (QWidget* panel : {source_, skip_, diz_, nfo_, zip_, progress_, about_})
        panel->setGeometry(page);
    if (credits_)
        credits_->widget()->setGeometry(page.width() - 162, 16, 146, page.height() - 32);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    placePages();
}

QWidget* MainWindow::pagePanel(Page page) const {
    switch (page) {
    case Page::Source:
        return source_;
    case Page::Skip:
        return skip_;
    case Page::Diz:
        return diz_;
    case Page::Nfo:
        return nfo_;
    case Page::Zip:
        return zip_;
    case Page::Progress:
        return progress_;
    case Page::About:
        return about_;
    }
    return nullptr;
}

QString MainWindow::pageTitle() const { return title_->text(); }

QStringList MainWindow::visiblePages() const {
    QStringList names;
    for (QWidget* panel : {source_, skip_, diz_, nfo_, zip_, progress_, about_})
        if (!panel->isHidden())
            names << panel->objectName();
    return names;
}

void MainWindow::hideAllPages() {
    for (QWidget* panel : {source_, skip_, diz_, nfo_, zip_, progress_, about_})
        panel->hide();
}

void MainWindow::showPanel(Page page) {
    QWidget* panel = pagePanel(page);
    // Every panel sits in the one page area; placing is a layout matter here.
    if (page != Page::Source)
        panel->setGeometry(pageRect());
    panel->show();
    panel->raise();
    title_->setText(QLatin1Char(' ') + pageTitleFor(page));
}

void MainWindow::sourceCommand() {
    hideAllPages();
    showPanel(Page::Source);
}

void MainWindow::skipCommand() {
    hideAllPages();
    repaint();
    showPanel(Page::Skip);
}

void MainWindow::dizCommand() {
    hideAllPages();
    showPanel(Page::Diz);
}

void MainWindow::nfoCommand() {
    hideAllPages();
    showPanel(Page::Nfo);
}

void MainWindow::zipCommand() {
    hideAllPages();
    showPanel(Page::Zip);
}

void MainWindow::kavelCommand() {
    emit ripRunRequested();
    pages_->runJob();
}

void MainWindow::pageBarItemClicked(const QString& text) {
    banner_->widget()->hide();
    title_->setText(QLatin1Char(' ') + text);
    struct Item {
        const char* text;
        Page page;
        void (MainWindow::*command)();
    };
    static const Item items[] = {{"Source", Page::Source, &MainWindow::sourceCommand},
                                 {"Skip", Page::Skip, &MainWindow::skipCommand},
                                 {"Diz", Page::Diz, &MainWindow::dizCommand},
                                 {"Nfo", Page::Nfo, &MainWindow::nfoCommand},
                                 {"Zip", Page::Zip, &MainWindow::zipCommand},
                                 {"Kavel!", Page::Progress, &MainWindow::kavelCommand}};
    for (const Item& item : items) {
        if (text != QLatin1String(item.text))
            continue;
        if (!pagePanel(item.page)->isHidden())
            return;
        machine_.playSound(QStringLiteral("\\type.wav"), false);
        hideAllPages();
        (this->*item.command)();
        return;
    }
    if (text == QLatin1String("About")) {
        if (!about_->isHidden()) {
            banner_->widget()->show();
            return;
        }
        machine_.playSound(QStringLiteral("\\type.wav"), false);
        hideAllPages();
        showPanel(Page::About);
        banner_->widget()->show();
        banner_->widget()->raise();
        return;
    }
    if (text == QLatin1String("Help"))
        helpKey();
}

void MainWindow::pageBarGroupClicked(const QString& newGroup, const QString& oldGroup) {
    if (newGroup != oldGroup)
        machine_.playSound(QStringLiteral("\\whoosh.wav"), false);
}

void MainWindow::helpContents() { help_->showContents(true); }
void MainWindow::helpIndex() { help_->showIndex(true); }
void MainWindow::helpKey() { help_->showContents(false); }
void MainWindow::webPage() { openUrl(QUrl(webAddress())); }
void MainWindow::email() { openUrl(QUrl(QStringLiteral("mailto:") + emailAddress())); }

void MainWindow::openUrl(const QUrl& url) {
    // Whether the desktop had a handler is not checked: nothing visible happens otherwise.
    if (openLink_)
        openLink_(url);
}

void MainWindow::aboutCommand() { openAboutWindow(kAboutCommandInterval); }

void MainWindow::openAboutWindow(int intervalMs) {
    const int scaled = qMax(1, int(intervalMs * aboutScale_));
    SplashWindow::openAbout(scaled, &machine_, this, [this] { show(); });
}

void MainWindow::exitCommand() {
    if (pages_->runActive())
        pages_->abortRun();
    QCoreApplication::processEvents();
    close();
}

void MainWindow::popupPageMenu(const QPoint& globalPos) {
    pageMenu_->popup(globalPos);
    emit pageMenuShown(globalPos);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != this)
        return QMainWindow::eventFilter(watched, event);
    const QString name = w->objectName();
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        // Judge a press once, on the control it was meant for, not again as it travels
        // up to the parents.
        if (qint64(me->timestamp()) == lastPressStamp_ && me->globalPosition() == lastPressPos_)
            break;
        lastPressStamp_ = qint64(me->timestamp());
        lastPressPos_ = me->globalPosition();
        if (w == logo_) {
            if (me->button() == Qt::RightButton)
                popupPageMenu(me->globalPosition().toPoint());
            else if (me->button() == Qt::LeftButton || me->button() == Qt::MiddleButton)
                openAboutWindow(kLogoPanelInterval);
            return true;
        }
        if (me->button() == Qt::RightButton && contextFamily().contains(name)) {
            popupPageMenu(me->globalPosition().toPoint());
            return true;
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton && (w == webLink_ || w == emailLink_) &&
            w->rect().contains(me->position().toPoint())) {
            if (w == webLink_)
                webPage();
            else
                email();
            return true;
        }
        break;
    }
    case QEvent::Enter:
        if (w == webLink_ || w == emailLink_)
            setTextColour(w, QColor(0, 0, 0xC0));
        else if (pathPanels().contains(name))
            if (auto* panel = qobject_cast<QLabel*>(w))
                panel->setToolTip(panel->text());
        if (name == QLatin1String("Text3"))
            if (auto* box = qobject_cast<QLineEdit*>(w))
                box->setToolTip(box->text());
        break;
    case QEvent::Leave:
        if (w == webLink_ || w == emailLink_)
            setTextColour(w, Qt::black);
        break;
    case QEvent::MouseMove:
        if (w == logo_)
            logo_->setCursor(Qt::PointingHandCursor);
        else if (name == QLatin1String("Text3"))
            if (auto* box = qobject_cast<QLineEdit*>(w))
                box->setToolTip(box->text());
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::centreOnScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QSize size = frameGeometry().size();
    move(area.left() + (area.width() - size.width()) / 2,
         area.top() + (area.height() - size.height()) / 2);
}

void MainWindow::setComment(bool on, const QString& commentFile) {
    pages_->setComment(on, commentFile);
    zheader_->setChecked(on);
}

void MainWindow::bringToFront() {
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A zip in progress stops before the window goes; the files the run is working with are
    // removed only once it has stopped.
    if (pages_->runActive()) {
        pages_->abortRun();
        closeAfterRun_ = true;
        event->ignore();
        return;
    }
    if (SplashWindow* about = SplashWindow::loaded())
        about->unload();
    help_->close();
    // Every working file of this program lives in its work folder.
    if (cleanupOnClose_)
        AppPaths::removeWorkFolder();
    event->accept();
}

// --- WindowPort ---

void MainWindow::showPage(Page page, const QString& focusControl) {
    hideAllPages();
    if (page == Page::Skip)
        repaint();
    showPanel(page);
    if (page == Page::About)
        banner_->widget()->show();
    if (!focusControl.isEmpty())
        if (auto* target = findChild<QWidget*>(focusControl))
            target->setFocus();
}

MessageAnswer MainWindow::message(const QString& text, const QString& title, MessageIcon icon,
                                  MessageButtons buttons) {
    // An unattended run never waits for a person.
    if (flags_.batch())
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    return dialogs_.message(this, text, title, icon, buttons);
}

void MainWindow::setStatusText(const QString& text) { pages_->setStatusText(text); }
void MainWindow::setNameText(const QString& text) { pages_->setNameText(text); }
void MainWindow::setCountText(const QString& text) { pages_->setCountText(text); }
void MainWindow::setProgress(int percent) { pages_->setProgress(percent); }
int MainWindow::progress() const { return pages_->progress(); }
QString MainWindow::sourceDisplay() const { return pages_->sourceDisplay(); }
void MainWindow::setSourceDisplay(const QString& text) { pages_->setSourceDisplay(text); }
void MainWindow::setPageBarEnabled(bool enabled) { pageBar_->setEnabled(enabled); }

void MainWindow::setBusyPointer(bool busy) {
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void MainWindow::processEvents() { QCoreApplication::processEvents(); }

void MainWindow::minimise() {
    showMinimized();
    QCoreApplication::processEvents();
}

void MainWindow::restore() {
    showNormal();
    repaint();
}

void MainWindow::closeWindow() { close(); }

void MainWindow::setSourceSizeText(const QString& text) {
    if (auto* label = findChild<QLabel*>(QStringLiteral("Label9")))
        label->setText(text);
}

void MainWindow::setSourceBrowseEnabled(bool enabled) {
    if (auto* button = findChild<QWidget*>(QStringLiteral("Command2")))
        button->setEnabled(enabled);
}
