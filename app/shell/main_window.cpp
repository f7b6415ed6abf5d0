#include "shell/main_window.h"

#include "shell/desktop_notifier.h"
#include "shell/finish_menu.h"
#include "shell/help_window.h"
#include "shell/job_model.h"
#include "shell/job_pages.h"
#include "shell/link_label.h"
#include "shell/marquee_host.h"
#include "shell/page_bar.h"
#include "shell/palette_colours.h"
#include "shell/recent_scripts.h"
#include "shell/run_input_gate.h"
#include "shell/splash_window.h"
#include "shell/startup.h"
#include "shell/task_bar_progress.h"
#include "shell/trip_menu.h"
#include "shell/view_options.h"

#include "platform/paths.h"
#include "platform/stop_signals.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kBarWidth = 112;
constexpr int kMargin = 6;
constexpr int kTitleHeight = 28;
constexpr int kBannerHeight = 30;
constexpr QSize kFormSize(660, 450);

QLabel* makePanel(const QString& name, QWidget* parent, QFrame::Shadow shadow) {
    auto* panel = new QLabel(parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Panel | shadow);
    panel->setLineWidth(1);
    return panel;
}

// What a control does, for its tool tip, by design name.
const QMap<QString, QString>& controlTips() {
    static const QMap<QString, QString> tips{
        {QStringLiteral("Command2"), QStringLiteral("Chooses the source folder (or .iso image)")},
        {QStringLiteral("Check2"), QStringLiteral("To choose a .iso file")},
        {QStringLiteral("Command1"), QStringLiteral("Adds a file or sub-directory to skip")},
        {QStringLiteral("Command14"), QStringLiteral("Empties the skip list")},
        {QStringLiteral("Option5"), QStringLiteral("Browse adds a file")},
        {QStringLiteral("Option6"), QStringLiteral("Browse adds a sub-directory")},
        {QStringLiteral("Command4"), QStringLiteral("Makes a new file_id.diz in the editor")},
        {QStringLiteral("Command5"), QStringLiteral("Opens the file_id.diz in the editor")},
        {QStringLiteral("Command6"), QStringLiteral("Chooses the file_id.diz")},
        {QStringLiteral("Option1"), QStringLiteral("The diz goes into every zip unchanged")},
        {QStringLiteral("Option3"),
         QStringLiteral("Writes each zip's disk number k/n at this column and line")},
        {QStringLiteral("Command3"), QStringLiteral("Shows the numbered diz of the first zip")},
        {QStringLiteral("Command7"), QStringLiteral("Makes a new nfo in the editor")},
        {QStringLiteral("Command11"), QStringLiteral("Opens the nfo in the editor")},
        {QStringLiteral("Command8"), QStringLiteral("Chooses the nfo")},
        {QStringLiteral("Check1"),
         QStringLiteral("The nfo and the extra go into the first zip only")},
        {QStringLiteral("Option2"), QStringLiteral("The extra is a file")},
        {QStringLiteral("Option4"), QStringLiteral("The extra is a directory")},
        {QStringLiteral("Command9"), QStringLiteral("Chooses the extra file or directory")},
        {QStringLiteral("Command10"), QStringLiteral("Chooses the folder the zips go to")},
        {QStringLiteral("SSCheck2"), QStringLiteral("Zips with the extra compression")},
        {QStringLiteral("SizePresets"), QStringLiteral("Sets the volume size to a common one")},
        {QStringLiteral("Option7"), QStringLiteral("Volumes made as RAR archives")},
        {QStringLiteral("Option8"), QStringLiteral("Volumes made as ACE archives")}};
    return tips;
}

QWidget* makePage(const QString& name, QWidget* parent) {
    auto* page = new QFrame(parent);
    page->setObjectName(name);
    page->setFrameStyle(QFrame::NoFrame);
    page->hide();
    return page;
}

} // namespace

QString MainWindow::webAddress() {
    return QStringLiteral("https://kavel32.example.org/");
}
QString MainWindow::emailAddress() {
    return QStringLiteral("kavel32@example.org");
}
QString MainWindow::bannerText(const QString& versionText) {
    return QStringLiteral("Kavel32 ") + versionText + QStringLiteral("  by QXV   <IMG 1>");
}

MainWindow::MainWindow(Dialogs& dialogs, MachinePort& machine, RunFlags& flags, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), machine_(machine), flags_(flags) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(baseTitle_);
    setAcceptDrops(true);
    ownNotifier_ = std::make_unique<DesktopNotifier>();
    notifier_ = ownNotifier_.get();
    openLink_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

    form_ = new QWidget(this);
    form_->setObjectName(QStringLiteral("Form"));
    setCentralWidget(form_);
    form_->setMinimumSize(kFormSize);
    // A right click on the window or on any passive control of it (labels, frames, panels,
    // pictures) reaches the window background and opens the page menu; controls that act
    // on a click keep it to themselves.
    form_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(form_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popupPageMenu(form_->mapToGlobal(at)); });

    buildPanels();
    buildPageBar();

    PagePanels panels;
    panels.source = source_;
    panels.skip = skip_;
    panels.diz = diz_;
    panels.nfo = nfo_;
    panels.zip = zip_;
    panels.progress = progress_;
    pages_ = new JobPages(panels, *this, dialogs, machine, flags, this);
    connect(pages_, &JobPages::windowTitleChanged, this, &MainWindow::setBaseTitle);
    connect(pages_, &JobPages::runProgressChanged, this, &MainWindow::showRunProgress);
    connect(pages_, &JobPages::exitRequested, this, &QWidget::close);
    connect(pages_, &JobPages::openFolderRequested, this, [this](const QString& folder) {
        if (!folder.isEmpty())
            openUrl(QUrl::fromLocalFile(folder));
    });
    connect(pages_, &JobPages::checkZipsRequested, this, [this](const QString& folder) {
        if (!folder.isEmpty())
            notifyIfAway(QStringLiteral("Kavel32: the check has ended"), checkZipsIn(folder, this));
    });
    connect(pages_, &JobPages::scriptUsed, this, &MainWindow::rememberScript);
    connect(&pages_->model(), &JobModel::changed, this, [this] {
        if (lastJobOffer_ && pages_->model().unsaved())
            lastJobOffer_->hide();
    });
    // A close asked for during a run waits for the run to stop, then cleans up.
    connect(pages_, &JobPages::runFinished, this, [this] {
        gate_->release();
        const RipResult& run = pages_->session().lastRun();
        const QString status = pages_->model().runDisplay().status;
        if (run.outcome == RipOutcome::Completed || run.outcome == RipOutcome::ArchivesKept)
            notifyIfAway(QStringLiteral("Kavel32: ripping complete"), pages_->setFolder());
        else if (run.outcome == RipOutcome::Failed)
            notifyIfAway(QStringLiteral("Kavel32: the run failed"), status);
        if (closeAfterRun_)
            QTimer::singleShot(0, this, &QWidget::close);
    });
    // While the archiver runs, Abort and Exit are all that take input.
    gate_ = new RunInputGate(this,
                             {findChild<QWidget*>(QStringLiteral("Command12")),
                              findChild<QWidget*>(QStringLiteral("Command13"))},
                             this);

    buildMenus();
    connect(pages_, &JobPages::commentOnChanged, zheader_, &QAction::setChecked);
    buildAboutPage();

    help_ = new HelpWindow(this);
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &MainWindow::helpKey);

    // Until the user chooses, the marquees move: Qt 6.4 tells no desktop preference for
    // less motion (its UI effect flags are off on every desktop by default).
    const ViewOptions view = readViewOptions();
    setReducedMotion(view.reducedMotion.value_or(false));
    setStayVisible(view.stayVisible.value_or(false));
    giveToolTips();

    fitToPages();
    resize(form_->minimumSize() + QSize(0, menuBar()->sizeHint().height()));
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
    // The marquee reports its presses itself (MouseDown).
    banner_->widget()->setContextMenuPolicy(Qt::PreventContextMenu);
    connect(banner_, &MarqueeHost::mouseDown, this, [this](int button, const QPoint& at) {
        if (button == 2)
            popupPageMenu(at);
    });
}

void MainWindow::buildPageBar() {
    pageBar_ = new PageBar(form_);
    pageBar_->setObjectName(QStringLiteral("SSListBar1"));
    pageBar_->setContextMenuPolicy(Qt::PreventContextMenu);
    QStyle* s = style();
    const QString main = QStringLiteral("Main");
    const QString help = QStringLiteral("Help");
    pageBar_->addGroup(main);
    pageBar_->addItem(main, QStringLiteral("Source"), s->standardIcon(QStyle::SP_DriveHDIcon));
    pageBar_->addItem(main, QStringLiteral("Skip"),
                      s->standardIcon(QStyle::SP_DialogDiscardButton));
    pageBar_->addItem(main, QStringLiteral("Diz"), s->standardIcon(QStyle::SP_FileIcon));
    pageBar_->addItem(main, QStringLiteral("Nfo"),
                      s->standardIcon(QStyle::SP_FileDialogDetailedView));
    pageBar_->addItem(main, QStringLiteral("Zip"), s->standardIcon(QStyle::SP_DirIcon));
    pageBar_->addItem(main, QStringLiteral("Kavel!"), s->standardIcon(QStyle::SP_MediaPlay));
    pageBar_->addGroup(help);
    pageBar_->addItem(help, QStringLiteral("Help"), s->standardIcon(QStyle::SP_DialogHelpButton));
    pageBar_->addItem(help, QStringLiteral("About"),
                      s->standardIcon(QStyle::SP_MessageBoxInformation));
    const QList<QPair<QString, QString>> tips{
        {QStringLiteral("Source"), QStringLiteral("The folder, drive or .iso image to pack")},
        {QStringLiteral("Skip"), QStringLiteral("Files and sub-directories left out")},
        {QStringLiteral("Diz"), QStringLiteral("The file_id.diz and its disk numbers")},
        {QStringLiteral("Nfo"), QStringLiteral("The nfo and an extra file or directory")},
        {QStringLiteral("Zip"), QStringLiteral("Where the zips go, their name and volume size")},
        {QStringLiteral("Kavel!"), QStringLiteral("Makes the volumes and the zips (Ctrl+R)")},
        {QStringLiteral("Help"), QStringLiteral("Opens the help (F1)")},
        {QStringLiteral("About"), QStringLiteral("About Kavel32")}};
    for (const auto& [item, tip] : tips)
        if (QToolButton* button = pageBar_->itemButton(item))
            button->setToolTip(tip);
    connect(pageBar_, &PageBar::itemClicked, this, &MainWindow::pageBarItemClicked);
    connect(pageBar_, &PageBar::groupClicked, this, &MainWindow::pageBarGroupClicked);
    paintKavelArrow();
}

template <typename Slot>
QAction* MainWindow::addCommand(QMenu* menu, const QString& name, const QString& text, Slot slot,
                                const QKeySequence& keys) {
    menu->setToolTipsVisible(true);
    QAction* a = menu->addAction(text);
    a->setObjectName(name);
    a->setShortcut(keys);
    connect(a, &QAction::triggered, this, slot);
    return a;
}

void MainWindow::buildMenus() {
    buildFileMenu();
    pageMenu_ = menuBar()->addMenu(QStringLiteral("&menu"));
    pageMenu_->setObjectName(QStringLiteral("Menu"));
    addCommand(pageMenu_, QStringLiteral("source"), QStringLiteral("&Source"),
               &MainWindow::sourceCommand);
    // Kavel takes K; Skip has a letter of its own.
    addCommand(pageMenu_, QStringLiteral("skip"), QStringLiteral("Ski&p"),
               &MainWindow::skipCommand);
    addCommand(pageMenu_, QStringLiteral("diz"), QStringLiteral("&Diz"), &MainWindow::dizCommand);
    addCommand(pageMenu_, QStringLiteral("nfo"), QStringLiteral("&Nfo"), &MainWindow::nfoCommand);
    addCommand(pageMenu_, QStringLiteral("zip"), QStringLiteral("&Zip"), &MainWindow::zipCommand);
    pageMenu_->addSeparator();
    addCommand(pageMenu_, QStringLiteral("kavel"), QStringLiteral("&Kavel"),
               &MainWindow::kavelCommand, QKeySequence(Qt::CTRL | Qt::Key_R));

    buildViewMenu();

    helpMenu_ = menuBar()->addMenu(QStringLiteral("&Help"));
    helpMenu_->setObjectName(QStringLiteral("helpm"));
    addCommand(helpMenu_, QStringLiteral("contents"), QStringLiteral("&Contents..."),
               &MainWindow::helpContents);
    addCommand(helpMenu_, QStringLiteral("indexm"), QStringLiteral("&Index..."),
               &MainWindow::helpIndex);
    helpMenu_->addSeparator();
    addCommand(helpMenu_, QStringLiteral("webm"), QStringLiteral("&Web page..."),
               &MainWindow::webPage);
    addCommand(helpMenu_, QStringLiteral("emailm"), QStringLiteral("&Email"), &MainWindow::email);
    helpMenu_->addSeparator();
    addCommand(helpMenu_, QStringLiteral("aboutm"), QStringLiteral("&About"),
               &MainWindow::aboutCommand);
}

void MainWindow::buildViewMenu() {
    viewMenu_ = menuBar()->addMenu(QStringLiteral("&View"));
    viewMenu_->setObjectName(QStringLiteral("viewm"));
    viewMenu_->setToolTipsVisible(true);
    auto keep = [this](const std::function<void(ViewOptions&)>& change) {
        QString error;
        ViewOptions options = readViewOptions();
        change(options);
        if (!writeViewOptions(options, &error))
            dialogs_.message(this, error, kErrorTitle, MessageIcon::Exclamation,
                             MessageButtons::Ok);
    };
    reducedMotionAction_ = viewMenu_->addAction(QStringLiteral("&Reduced motion"));
    reducedMotionAction_->setObjectName(QStringLiteral("reducedmotion"));
    reducedMotionAction_->setToolTip(QStringLiteral("Every marquee stands still"));
    reducedMotionAction_->setCheckable(true);
    connect(reducedMotionAction_, &QAction::triggered, this, [this, keep](bool on) {
        setReducedMotion(on);
        keep([on](ViewOptions& o) { o.reducedMotion = on; });
    });
    stayVisibleAction_ = viewMenu_->addAction(QStringLiteral("&Stay visible while archiving"));
    stayVisibleAction_->setObjectName(QStringLiteral("stayvisible"));
    stayVisibleAction_->setToolTip(
        QStringLiteral("The window stays up while the volumes are made, instead of going to "
                       "the task bar"));
    stayVisibleAction_->setCheckable(true);
    connect(stayVisibleAction_, &QAction::triggered, this, [this, keep](bool on) {
        setStayVisible(on);
        keep([on](ViewOptions& o) { o.stayVisible = on; });
    });
}

// The File menu in sections, each ended by a separator with a name of its own (fileScriptEnd,
// fileCommentEnd, fileSetEnd, fileTripEnd), so that later entries go in before the one of their
// section.
void MainWindow::buildFileMenu() {
    fileMenu_ = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu_->setObjectName(QStringLiteral("file"));
    addCommand(
        fileMenu_, QStringLiteral("open"), QStringLiteral("&Open script..."),
        [this] { pages_->openScript(); }, QKeySequence(Qt::CTRL | Qt::Key_O));
    recentMenu_ = fileMenu_->addMenu(QStringLiteral("Open &recent"));
    recentMenu_->setObjectName(QStringLiteral("recentm"));
    recentMenu_->menuAction()->setObjectName(QStringLiteral("recentm"));
    recentMenu_->menuAction()->setToolTip(QStringLiteral("The scripts last opened or saved"));
    recentMenu_->setToolTipsVisible(true);
    connect(recentMenu_, &QMenu::aboutToShow, this, &MainWindow::fillRecentMenu);
    fillRecentMenu();
    addCommand(
        fileMenu_, QStringLiteral("save"), QStringLiteral("&Save script..."),
        [this] { pages_->saveScript(); }, QKeySequence(Qt::CTRL | Qt::Key_S));
    addCommand(
        fileMenu_, QStringLiteral("saveas"), QStringLiteral("Save script &as..."),
        [this] { pages_->saveScriptAs(); }, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    fileMenu_->addSeparator()->setObjectName(QStringLiteral("fileScriptEnd"));
    zheader_ =
        addCommand(fileMenu_, QStringLiteral("zheader"), QStringLiteral("&Zip comment"), [this] {
            pages_->zipCommentClick();
            // The mark follows the comment state, not the click.
            zheader_->setChecked(pages_->commentOn());
        });
    zheader_->setCheckable(true);
    fileMenu_->addSeparator()->setObjectName(QStringLiteral("fileCommentEnd"));
    addFinishMenu(
        fileMenu_, dialogs_, this,
        [this] {
            const QString dir = pages_->model().job().ZipDir;
            return QFileInfo(dir).isDir() ? dir : QString();
        },
        [this](const QString& headline) {
            notifyIfAway(QStringLiteral("Kavel32: the check has ended"), headline);
        });
    fileMenu_->addSeparator()->setObjectName(QStringLiteral("fileSetEnd"));
    addTripMenu(
        fileMenu_, dialogs_, this,
        [this](const QString& folder) { return pages_->resumeRun(folder); },
        [this](bool ok, const QString& line) {
            notifyIfAway(ok ? QStringLiteral("Kavel32: the set is unpacked")
                            : QStringLiteral("Kavel32: the unpack did not finish"),
                         line);
        });
    fileMenu_->addSeparator()->setObjectName(QStringLiteral("fileTripEnd"));
    addCommand(fileMenu_, QStringLiteral("exitm"), QStringLiteral("E&xit"),
               &MainWindow::exitCommand);
}

void MainWindow::fillRecentMenu() {
    recentMenu_->clear();
    const QStringList recent = readRecentScripts();
    for (int i = 0; i < recent.size(); ++i) {
        const QString path = recent.at(i);
        // Digits 1 to 8 are the keys; the name shown, the whole path in the tip.
        QString name = fileNamePart(path);
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* open = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
        open->setObjectName(QStringLiteral("recent%1").arg(i + 1));
        open->setToolTip(path);
        open->setEnabled(QFileInfo(path).isFile());
        connect(open, &QAction::triggered, this, [this, path] { pages_->openScriptFile(path); });
    }
    if (recent.isEmpty()) {
        QAction* none = recentMenu_->addAction(QStringLiteral("(none yet)"));
        none->setEnabled(false);
    }
}

QStringList MainWindow::recentScripts() const {
    return readRecentScripts();
}

void MainWindow::rememberScript(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    // Not remembering a script is no reason to bother anyone.
    writeRecentScripts(withRecentScript(readRecentScripts(), absolute));
    fillRecentMenu();
    if (lastJobOffer_)
        lastJobOffer_->hide();
}

void MainWindow::offerLastJob() {
    const QStringList recent = readRecentScripts();
    if (recent.isEmpty() || !QFileInfo(recent.front()).isFile() || flags_.batch())
        return;
    const QString path = recent.front();
    if (!lastJobOffer_) {
        lastJobOffer_ = new QFrame(form_);
        lastJobOffer_->setObjectName(QStringLiteral("LastJobOffer"));
        auto* frame = static_cast<QFrame*>(lastJobOffer_);
        frame->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
        frame->setAutoFillBackground(true);
        auto* row = new QHBoxLayout(frame);
        row->setContentsMargins(6, 0, 2, 0);
        auto* text = new QLabel(frame);
        text->setObjectName(QStringLiteral("LastJobText"));
        text->setTextFormat(Qt::PlainText);
        auto* open = new QPushButton(QStringLiteral("Open last &job"), frame);
        open->setObjectName(QStringLiteral("LastJobOpen"));
        open->setAutoDefault(false);
        auto* dismiss = new QToolButton(frame);
        dismiss->setObjectName(QStringLiteral("LastJobDismiss"));
        dismiss->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
        dismiss->setAutoRaise(true);
        dismiss->setToolTip(QStringLiteral("Starts with a new job"));
        row->addWidget(text, 1);
        row->addWidget(open);
        row->addWidget(dismiss);
        connect(dismiss, &QToolButton::clicked, lastJobOffer_, &QWidget::hide);
        connect(open, &QPushButton::clicked, this, [this] {
            const QStringList now = readRecentScripts();
            lastJobOffer_->hide();
            if (!now.isEmpty())
                pages_->openScriptFile(now.front());
        });
    }
    lastJobOffer_->findChild<QLabel*>(QStringLiteral("LastJobText"))
        ->setText(QStringLiteral("Last job: ") + fileNamePart(path));
    lastJobOffer_->findChild<QPushButton*>(QStringLiteral("LastJobOpen"))->setToolTip(path);
    lastJobOffer_->setToolTip(path);
    placePages();
    lastJobOffer_->show();
    lastJobOffer_->raise();
}

void MainWindow::notifyIfAway(const QString& summary, const QString& body) {
    if (notifier_ && !isActiveWindow() && !flags_.batch())
        notifier_->notify(summary, body);
}

bool MainWindow::dropPath(const QString& path) {
    switch (dropKindOf(path)) {
    case DropKind::Source:
        pages_->useDroppedSource(path);
        return true;
    case DropKind::Script:
        pages_->openScriptFile(path);
        return true;
    case DropKind::None:
        break;
    }
    return false;
}

namespace {
// The one local path of a drop, or nothing.
QString droppedPath(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1 ||
        !data->urls().front().isLocalFile())
        return {};
    return data->urls().front().toLocalFile();
}
} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!pages_->runActive() && !busy_ &&
        dropKindOf(droppedPath(event->mimeData())) != DropKind::None)
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = droppedPath(event->mimeData());
    if (pages_->runActive() || path.isEmpty())
        return;
    event->acceptProposedAction();
    // The drag's source waits for the drop to end: the work (and any question) comes after.
    QTimer::singleShot(0, this, [this, path] { dropPath(path); });
}

void MainWindow::giveToolTips() {
    for (auto it = controlTips().cbegin(); it != controlTips().cend(); ++it)
        if (auto* control = findChild<QWidget*>(it.key()); control && control->toolTip().isEmpty())
            control->setToolTip(it.value());
    const QList<QPair<const char*, const char*>> actions{
        {"open", "Opens a saved job (.rip script)"},
        {"save", "Saves the job into its script"},
        {"saveas", "Saves the job as a new script"},
        {"zheader", "Puts a comment into every zip"},
        {"exitm", "Closes Kavel32"},
        {"source", "The Source page"},
        {"skip", "The Skip page"},
        {"diz", "The Diz page"},
        {"nfo", "The Nfo page"},
        {"zip", "The Zip page"},
        {"kavel", "Makes the volumes and the zips"},
        {"contents", "The help's contents"},
        {"indexm", "The help's index"},
        {"webm", "Opens Kavel32's web page"},
        {"emailm", "Writes to the author"},
        {"aboutm", "About Kavel32"}};
    for (const auto& [name, tip] : actions)
        if (auto* action = findChild<QAction*>(QLatin1String(name)))
            action->setToolTip(QLatin1String(tip));
}

void MainWindow::buildAboutPage() {
    auto* logo = new LogoPanel(QStringLiteral("SSPanel7"), about_);
    const QPixmap picture(AppPaths::resourceFolder() + QStringLiteral("/images/logo.png"));
    if (!picture.isNull())
        logo->setPixmap(picture.scaled(128, 128, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    else
        logo->setText(QStringLiteral("Kavel32"));
    logo->setFixedSize(140, 140);
    logo->setToolTip(QStringLiteral("About Kavel32"));
    connect(logo, &LogoPanel::aboutRequested, this,
            [this] { openAboutWindow(kLogoPanelInterval); });

    auto* name =
        new QLabel(QStringLiteral("Kavel32 ") + QStringLiteral(KAVEL_VERSION_TEXT), about_);
    name->setObjectName(QStringLiteral("Label20"));
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    name->setFont(big);

    auto* blurb = new QLabel(QStringLiteral("Splits a release into floppy-sized volumes and wraps "
                                            "every volume into a zip of its own, with a numbered "
                                            "file_id.diz, a tagged nfo and a zip comment."),
                             about_);
    blurb->setObjectName(QStringLiteral("Label17"));
    blurb->setWordWrap(true);
    blurb->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* web = new LinkLabel(QStringLiteral("SSPanel11"), webAddress(), about_);
    connect(web, &SSPanel::clicked, this, &MainWindow::webPage);
    auto* mail = new LinkLabel(QStringLiteral("SSPanel10"), emailAddress(), about_);
    connect(mail, &SSPanel::clicked, this, &MainWindow::email);

    credits_ =
        new MarqueeHost(QStringLiteral("ZqMarquee2"), QStringLiteral("zqmarquee2.zqm"), about_);
    credits_->keepReadable();
    credits_->widget()->setFixedWidth(150);
    credits_->widget()->setMinimumHeight(160);
    credits_->widget()->setContextMenuPolicy(Qt::PreventContextMenu);
    connect(credits_, &MarqueeHost::mouseDown, this, [this](int button, const QPoint& at) {
        if (button == 2)
            popupPageMenu(at);
    });

    // Laid out, so a larger desktop font makes the page larger instead of cutting its text.
    auto* grid = new QGridLayout(about_);
    grid->setContentsMargins(16, 16, 16, 16);
    grid->setHorizontalSpacing(16);
    grid->addWidget(logo, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(name, 0, 1);
    grid->addWidget(blurb, 1, 1);
    grid->addWidget(web, 2, 0, 1, 2);
    grid->addWidget(mail, 3, 0, 1, 2);
    grid->addWidget(credits_->widget(), 0, 2, 5, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);
}

namespace {
// The page bar's width and the title's height grow with the desktop's font.
int barWidth(const QWidget* bar) {
    return qMax(kBarWidth, bar->minimumSizeHint().width());
}
int titleHeight(const QWidget* title) {
    return qMax(kTitleHeight, title->sizeHint().height());
}
} // namespace

QRect MainWindow::pageRect() const {
    const int left = kMargin + barWidth(pageBar_) + kMargin;
    const int top = kMargin + titleHeight(title_) + kMargin;
    return QRect(left, top, form_->width() - left - kMargin,
                 form_->height() - top - kMargin - kBannerHeight - kMargin);
}

void MainWindow::placePages() {
    const QRect page = pageRect();
    pageBar_->setGeometry(kMargin, kMargin, barWidth(pageBar_), form_->height() - 2 * kMargin);
    title_->setGeometry(page.left(), kMargin, page.width(), titleHeight(title_));
    banner_->widget()->setGeometry(page.left(), page.bottom() + 1 + kMargin, page.width(),
                                   kBannerHeight);
    if (lastJobOffer_)
        lastJobOffer_->setGeometry(banner_->widget()->geometry());
    for (QWidget* panel : {source_, skip_, diz_, nfo_, zip_, progress_, about_})
        panel->setGeometry(page);
}

void MainWindow::fitToPages() {
    QSize page(0, 0);
    for (QWidget* panel : {source_, skip_, diz_, nfo_, zip_, progress_, about_})
        page = page.expandedTo(panel->minimumSizeHint());
    const QSize needed(kMargin + barWidth(pageBar_) + kMargin + page.width() + kMargin,
                       qMax(kMargin + titleHeight(title_) + kMargin + page.height() + kMargin +
                                kBannerHeight + kMargin,
                            pageBar_->minimumSizeHint().height() + 2 * kMargin));
    form_->setMinimumSize(needed.expandedTo(kFormSize));
    if (form_->width() < form_->minimumWidth() || form_->height() < form_->minimumHeight())
        resize(size().expandedTo(form_->minimumSize() + QSize(0, menuBar()->sizeHint().height())));
    placePages();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        QTimer::singleShot(0, this, &MainWindow::fitToPages);
    if (event->type() == QEvent::PaletteChange)
        paintKavelArrow();
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

QString MainWindow::pageTitle() const {
    return title_->text();
}

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
    // The page bar marks the page shown, whichever way it was reached.
    pageBar_->setCurrentItem(pageTitleFor(page));
    if (lastJobOffer_ && page == Page::About)
        lastJobOffer_->hide();
    // The keys go on where the page starts; a run's buttons are not to be hit by a stray key.
    if (page != Page::Progress && page != Page::About)
        focusFirstField(panel);
}

void MainWindow::focusFirstField(QWidget* panel) {
    for (QWidget* w = panel->nextInFocusChain(); w && w != panel; w = w->nextInFocusChain()) {
        if (!panel->isAncestorOf(w))
            continue;
        if (w->isVisibleTo(panel) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) &&
            !w->focusProxy()) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
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
    // Help opens the help beside the window; the page, its title and banner stay.
    if (text == QLatin1String("Help")) {
        helpKey();
        return;
    }
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
    }
}

void MainWindow::pageBarGroupClicked(const QString& newGroup, const QString& oldGroup) {
    if (newGroup != oldGroup)
        machine_.playSound(QStringLiteral("\\whoosh.wav"), false);
}

void MainWindow::helpContents() {
    help_->placeBeside(this);
    help_->showContents(true);
}
void MainWindow::helpIndex() {
    help_->placeBeside(this);
    help_->showIndex(true);
}
void MainWindow::helpKey() {
    help_->placeBeside(this);
    help_->showContents(false);
}
void MainWindow::webPage() {
    openUrl(QUrl(webAddress()));
}
void MainWindow::email() {
    openUrl(QUrl(QStringLiteral("mailto:") + emailAddress()));
}

void MainWindow::openUrl(const QUrl& url) {
    // Whether the desktop had a handler is not checked: nothing visible happens otherwise.
    if (openLink_)
        openLink_(url);
}

void MainWindow::aboutCommand() {
    openAboutWindow(kAboutCommandInterval);
}

void MainWindow::openAboutWindow(int intervalMs) {
    const int scaled = qMax(1, int(intervalMs * aboutScale_));
    SplashWindow::openAbout(scaled, &machine_, this, [this] { show(); });
}

void MainWindow::exitCommand() {
    if (!pages_->releaseJobForExit())
        return;
    if (pages_->runActive())
        pages_->abortRun();
    QCoreApplication::processEvents();
    close();
}

void MainWindow::popupPageMenu(const QPoint& globalPos) {
    pageMenu_->popup(globalPos);
    emit pageMenuShown(globalPos);
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
    // An unsaved job is not lost without a word; Cancel keeps the window as it was.
    if (!pages_->releaseJobForExit()) {
        event->ignore();
        return;
    }
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

// --- WindowFrame ---

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

void MainWindow::setPageBarEnabled(bool enabled) {
    pageBar_->setEnabled(enabled);
}

void MainWindow::setBusyPointer(bool busy) {
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void MainWindow::processEvents() {
    QCoreApplication::processEvents();
}

void MainWindow::minimise() {
    gate_->engage();
    if (!stayVisible_)
        showMinimized();
    QCoreApplication::processEvents();
}

void MainWindow::restore() {
    gate_->release();
    // A window that stayed up keeps its state (maximised, say).
    if (!stayVisible_ || isMinimized())
        showNormal();
    repaint();
}

void MainWindow::closeWindow() {
    close();
}

void MainWindow::setBaseTitle(const QString& title) {
    baseTitle_ = title;
    if (!pages_->runActive())
        setWindowTitle(title);
}

void MainWindow::showRunProgress(int percent, const QString& timeLeft) {
    // The title, which the task bar shows, carries the run's progress while the window is
    // minimised, and goes back to the job's name when the run has ended.
    if (percent < 0) {
        setWindowTitle(baseTitle_);
    } else {
        QString title = QStringLiteral("Kavel32 - %1 %").arg(percent);
        if (!timeLeft.isEmpty())
            title += QStringLiteral(" - ") + timeLeft;
        setWindowTitle(title);
    }
    showTaskBarProgress(percent);
}

void MainWindow::setReducedMotion(bool on) {
    reducedMotion_ = on;
    // New marquees take it from the application; those on this window are told.
    qApp->setProperty("reducedMotion", on);
    for (MarqueeHost* marquee : {banner_, credits_})
        if (marquee)
            marquee->setReducedMotion(on);
    if (reducedMotionAction_)
        reducedMotionAction_->setChecked(on);
}

void MainWindow::setStayVisible(bool on) {
    stayVisible_ = on;
    if (stayVisibleAction_)
        stayVisibleAction_->setChecked(on);
}

void MainWindow::paintKavelArrow() {
    // The run's arrow in the bar's own text colour, outlined, so it reads on any palette.
    QToolButton* kavel = pageBar_->itemButton(QStringLiteral("Kavel!"));
    if (!kavel)
        return;
    const QColor bar = pageBar_->barColour();
    QPixmap arrow(64, 64);
    arrow.fill(Qt::transparent);
    QPainter p(&arrow);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(readableOn(pageBar_->palette().color(QPalette::Shadow), Qt::white, 3.0), 3));
    p.setBrush(readableOn(Qt::white, bar));
    p.drawPolygon(QPolygonF({QPointF(18, 10), QPointF(54, 32), QPointF(18, 54)}));
    p.end();
    kavel->setIcon(QIcon(arrow));
}
