#include "../fakes/recording_ports.h"
#include "queued_dialogs.h"

#include "platform/paths.h"
#include "shell/desktop_notifier.h"
#include "shell/help_window.h"
#include "shell/job_pages.h"
#include "shell/main_window.h"
#include "shell/marquee_host.h"
#include "shell/page_bar.h"
#include "shell/recent_scripts.h"
#include "shell/splash_window.h"
#include "shell/view_options.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

// Navigation, menus, the context menu, hover behaviours and help of the main window.
class TestMainWindow : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsOnTheSourcePage();
    void menusHaveTheirEntriesInOrder();
    void pageBarHasItsGroupsAndItems();
    void pageCommandShowsOnePage_data();
    void pageCommandShowsOnePage();
    void windowPortShowsPageAndFocus();
    void sameItemTwiceOnlyRewritesTitle();
    void itemClicksHideTheBannerAndAboutShowsIt();
    void aboutTwiceBringsTheBannerBack();
    void menuCommandLeavesTheBannerAlone();
    void kavelItemStartsARunUnlessProgressShows();
    void helpItemLeavesThePage();
    void groupChangePlaysOnce();
    void disabledPageBarIgnoresClicks();
    void rightPressOpensPageMenu_data();
    void rightPressOpensPageMenu();
    void leftPressOnLabelDoesNothing();
    void marqueeRightPressOpensPageMenu();
    void logoPanelOpensAboutWindow();
    void linkPanelsChangeColourAndOpen();
    void pathPanelToolTipFollowsCaption();
    void helpCommandsOpenTheViewer();
    void helpPagesAreComplete();
    void helpWindowGoesBesideTheMainWindow_data();
    void helpWindowGoesBesideTheMainWindow();
    void runProgressInTheTitle();
    void onlyAbortAndExitWhileArchiving();
    void keyboardUse();
    void reducedMotionStopsTheMarquees();
    void batchModeNeverShowsAMessage();
    void mnemonicsAreUniqueOnEveryPageAndMenu();
    void pageSwitchFocusesTheFirstField_data();
    void pageSwitchFocusesTheFirstField();
    void everyCommandHasATip();
    void closingAnUnsavedJobAsksFirst_data();
    void closingAnUnsavedJobAsksFirst();
    void stayVisibleKeepsTheWindowUpWhileArchiving();
    void droppedPathsBecomeSourceOrScript();
    void recentScriptsAndTheLastJob();
    void endingsAreToldOnlyWhileAway();

  private:
    QTemporaryDir state_;
    QueuedDialogs* dialogs_ = nullptr;
    RecordingMachine* machine_ = nullptr;
    RunFlags flags_;
    MainWindow* window_ = nullptr;
    QList<QUrl> opened_;

    void clickItem(const QString& text) {
        QTest::mouseClick(window_->pageBar()->itemButton(text), Qt::LeftButton);
    }
    void clickGroup(const QString& g) {
        QTest::mouseClick(window_->pageBar()->groupButton(g), Qt::LeftButton);
    }
    QWidget* banner() const { return window_->banner()->widget(); }
    void closeMenu() { window_->pageMenu()->hide(); }
};

void TestMainWindow::initTestCase() {
    QVERIFY(state_.isValid());
    qputenv("KAVEL32_STATE_DIR", state_.filePath(QStringLiteral("state")).toUtf8());
    qputenv("KAVEL32_SCRATCH_DIR", state_.filePath(QStringLiteral("scratch")).toUtf8());
    qputenv("KAVEL32_PROGRAM_DIR", QByteArrayLiteral(KAVEL_BIN_DIR));
}

void TestMainWindow::init() {
    dialogs_ = new QueuedDialogs;
    machine_ = new RecordingMachine;
    flags_ = {};
    opened_.clear();
    window_ = new MainWindow(*dialogs_, *machine_, flags_);
    window_->setLinkOpener([this](const QUrl& url) {
        opened_ << url;
        return true;
    });
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
}

void TestMainWindow::cleanup() {
    if (SplashWindow* about = SplashWindow::loaded())
        about->unload();
    // What a case changed in the job is no reason to ask at the end.
    window_->jobPages()->model().markSaved();
    window_->setCleanupOnClose(false);
    window_->close();
    delete window_;
    delete machine_;
    delete dialogs_;
}

void TestMainWindow::startsOnTheSourcePage() {
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture1")});
    QCOMPARE(window_->pageTitle(), QStringLiteral(" Source"));
    QVERIFY(banner()->isHidden());
    for (const char* name : {"SSPanel1", "SSListBar1", "Picture1", "Picture2", "Picture4",
                             "Picture5", "Picture6", "Picture7", "Picture8", "ZqMarquee1",
                             "ZqMarquee2", "SSPanel7", "SSPanel10", "SSPanel11", "Form"})
        QVERIFY2(window_->findChild<QWidget*>(QLatin1String(name)), name);
    // A design name finds one control.
    QStringList names;
    for (const QWidget* w : window_->findChildren<QWidget*>())
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
            names << w->objectName();
    QStringList twice = names;
    twice.removeDuplicates();
    for (const QString& name : twice)
        names.removeOne(name);
    QCOMPARE(names, QStringList());
}

void TestMainWindow::menusHaveTheirEntriesInOrder() {
    auto entries = [this](const char* menuName) {
        auto* menu = window_->findChild<QMenu*>(QLatin1String(menuName));
        QStringList out;
        if (!menu)
            return out;
        out << menu->title();
        for (QAction* a : menu->actions())
            out << (a->isSeparator() ? QStringLiteral("-")
                                     : a->objectName() + QLatin1Char('=') + a->text());
        return out;
    };
    QCOMPARE(entries("file"),
             (QStringList{"&File", "open=&Open script...", "recentm=Open &recent",
                          "save=&Save script...", "saveas=Save script &as...", "-",
                          "zheader=&Zip comment", "-", "checkzips=C&heck zips...",
                          "verifym=Chec&k the zips after a run", "sfvm=Write an S&FV file",
                          "par2m=&PAR2 recovery", "-", "resumem=Resu&me a stopped run...",
                          "unpackm=&Unpack a set...", "-", "exitm=E&xit"}));
    QCOMPARE(entries("Menu"), (QStringList{"&menu", "source=&Source", "skip=Ski&p", "diz=&Diz",
                                           "nfo=&Nfo", "zip=&Zip", "-", "kavel=&Kavel"}));
    QCOMPARE(entries("viewm"), (QStringList{"&View", "reducedmotion=&Reduced motion",
                                            "stayvisible=&Stay visible while archiving"}));
    QCOMPARE(entries("helpm"),
             (QStringList{"&Help", "contents=&Contents...", "indexm=&Index...", "-",
                          "webm=&Web page...", "emailm=&Email", "-", "aboutm=&About"}));
    QVERIFY(window_->findChild<QAction*>(QStringLiteral("zheader"))->isCheckable());
    // Every menu of the bar has a mnemonic; the common commands have their keys.
    for (QAction* menu : window_->menuBar()->actions())
        QVERIFY2(menu->text().contains(QLatin1Char('&')), qPrintable(menu->text()));
    const QList<QPair<const char*, QKeySequence>> keys{
        {"open", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"save", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"saveas", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {"kavel", QKeySequence(Qt::CTRL | Qt::Key_R)}};
    for (const auto& [name, sequence] : keys)
        QCOMPARE(window_->findChild<QAction*>(QLatin1String(name))->shortcut(), sequence);
}

void TestMainWindow::pageBarHasItsGroupsAndItems() {
    PageBar* bar = window_->pageBar();
    QCOMPARE(bar->groups(), (QStringList{"Main", "Help"}));
    QCOMPARE(bar->items(QStringLiteral("Main")),
             (QStringList{"Source", "Skip", "Diz", "Nfo", "Zip", "Kavel!"}));
    QCOMPARE(bar->items(QStringLiteral("Help")), (QStringList{"Help", "About"}));
    QCOMPARE(bar->currentGroup(), QStringLiteral("Main"));
}

void TestMainWindow::pageCommandShowsOnePage_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("title");
    QTest::newRow("source") << "source"
                            << "Picture1"
                            << " Source";
    QTest::newRow("skip") << "skip"
                          << "Picture2"
                          << " Skip";
    QTest::newRow("diz") << "diz"
                         << "Picture4"
                         << " Diz";
    QTest::newRow("nfo") << "nfo"
                         << "Picture5"
                         << " Nfo";
    QTest::newRow("zip") << "zip"
                         << "Picture6"
                         << " Zip";
}

void TestMainWindow::pageCommandShowsOnePage() {
    QFETCH(QString, action);
    QFETCH(QString, panel);
    QFETCH(QString, title);
    // From every other page, so no page is left behind.
    for (const char* from : {"source", "skip", "diz", "nfo", "zip"}) {
        window_->findChild<QAction*>(QLatin1String(from))->trigger();
        window_->findChild<QAction*>(action)->trigger();
        QCOMPARE(window_->visiblePages(), QStringList{panel});
        QCOMPARE(window_->pageTitle(), title);
        QCOMPARE(window_->pageBar()->currentItem(), title.mid(1)); // marked on the bar
    }
    QVERIFY(machine_->sounds.isEmpty());
}

void TestMainWindow::windowPortShowsPageAndFocus() {
    auto* box = window_->findChild<QLineEdit*>(QStringLiteral("Text3"));
    WindowPort& port = window_->jobPages()->port();
    port.showPage(Page::Progress);
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture7")});
    QCOMPARE(window_->pageTitle(), QStringLiteral(" Kavel!"));
    port.showPage(Page::Zip, QStringLiteral("Text3"));
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture6")});
    QCOMPARE(window_->pageTitle(), QStringLiteral(" Zip"));
    QApplication::setActiveWindow(window_);
    QTRY_COMPARE(QApplication::focusWidget(), box);
}

void TestMainWindow::sameItemTwiceOnlyRewritesTitle() {
    clickItem(QStringLiteral("Diz"));
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture4")});
    QCOMPARE(machine_->soundNames(), QStringList{QStringLiteral("\\type.wav")});
    QVERIFY(!machine_->sounds.front().wait);
    window_->findChild<QLabel*>(QStringLiteral("SSPanel1"))->setText(QStringLiteral("changed"));
    clickItem(QStringLiteral("Diz"));
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture4")});
    QCOMPARE(window_->pageTitle(), QStringLiteral(" Diz"));
    QCOMPARE(machine_->sounds.size(), 1);
}

void TestMainWindow::itemClicksHideTheBannerAndAboutShowsIt() {
    clickGroup(QStringLiteral("Help"));
    clickItem(QStringLiteral("About"));
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture8")});
    QCOMPARE(window_->pageTitle(), QStringLiteral(" About"));
    QVERIFY(banner()->isVisible());
    clickGroup(QStringLiteral("Main"));
    clickItem(QStringLiteral("Zip"));
    QVERIFY(banner()->isHidden());
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture6")});
}

void TestMainWindow::aboutTwiceBringsTheBannerBack() {
    clickGroup(QStringLiteral("Help"));
    clickItem(QStringLiteral("About"));
    machine_->sounds.clear();
    clickItem(QStringLiteral("About"));
    QVERIFY(banner()->isVisible());
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture8")});
    QCOMPARE(window_->pageTitle(), QStringLiteral(" About"));
    QVERIFY(machine_->sounds.isEmpty());
}

void TestMainWindow::menuCommandLeavesTheBannerAlone() {
    clickGroup(QStringLiteral("Help"));
    clickItem(QStringLiteral("About"));
    window_->findChild<QAction*>(QStringLiteral("nfo"))->trigger();
    QVERIFY(banner()->isVisible());
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture5")});
}

void TestMainWindow::kavelItemStartsARunUnlessProgressShows() {
    QSignalSpy runs(window_, &MainWindow::ripRunRequested);
    window_->showPage(Page::Progress);
    clickItem(QStringLiteral("Kavel!"));
    QCOMPARE(runs.size(), 0);
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture7")});
    QCOMPARE(window_->pageTitle(), QStringLiteral(" Kavel!"));
    QVERIFY(machine_->sounds.isEmpty());

    window_->showPage(Page::Source);
    clickItem(QStringLiteral("Kavel!"));
    QCOMPARE(runs.size(), 1);
    QCOMPARE(machine_->soundNames(), QStringList{QStringLiteral("\\type.wav")});
}

void TestMainWindow::helpItemLeavesThePage() {
    window_->findChild<QAction*>(QStringLiteral("nfo"))->trigger();
    clickGroup(QStringLiteral("Help"));
    machine_->sounds.clear();
    clickItem(QStringLiteral("Help"));
    // The page stays, and its title with it.
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture5")});
    QCOMPARE(window_->pageTitle(), QStringLiteral(" Nfo"));
    QVERIFY(window_->helpWindow()->isVisible());
    QCOMPARE(window_->helpWindow()->currentTab(), QStringLiteral("Contents"));
    QVERIFY(window_->helpWindow()->testAttribute(Qt::WA_ShowWithoutActivating));
    QVERIFY(machine_->sounds.isEmpty());
}

void TestMainWindow::groupChangePlaysOnce() {
    clickGroup(QStringLiteral("Help"));
    QCOMPARE(machine_->soundNames(), QStringList{QStringLiteral("\\whoosh.wav")});
    clickGroup(QStringLiteral("Help"));
    QCOMPARE(machine_->sounds.size(), 1);
    QCOMPARE(window_->pageBar()->currentGroup(), QStringLiteral("Help"));
    QVERIFY(window_->pageBar()->itemButton(QStringLiteral("About"))->isVisible());
    QVERIFY(!window_->pageBar()->itemButton(QStringLiteral("Source"))->isVisible());
    clickGroup(QStringLiteral("Main"));
    QCOMPARE(machine_->soundNames(), (QStringList{"\\whoosh.wav", "\\whoosh.wav"}));
    // A group click changes no page.
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture1")});
}

void TestMainWindow::disabledPageBarIgnoresClicks() {
    window_->setPageBarEnabled(false);
    clickItem(QStringLiteral("Zip"));
    window_->pageBar()->clickItem(QStringLiteral("Zip"));
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture1")});
    window_->setPageBarEnabled(true);
    clickItem(QStringLiteral("Zip"));
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture6")});
}

void TestMainWindow::rightPressOpensPageMenu_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("opens");
    const int source = int(Page::Source), skip = int(Page::Skip), diz = int(Page::Diz),
              zip = int(Page::Zip), about = int(Page::About);
    QTest::newRow("label of a page") << "Label3" << diz << true;
    QTest::newRow("label 17") << "Label17" << about << true;
    QTest::newRow("page panel") << "Picture1" << source << true;
    QTest::newRow("path panel") << "SSPanel8" << source << true;
    QTest::newRow("title panel") << "SSPanel1" << source << true;
    QTest::newRow("window background") << "Form" << source << true;
    QTest::newRow("frame") << "Frame2" << skip << true;
    QTest::newRow("image") << "Image9" << source << true;
    QTest::newRow("logo panel") << "SSPanel7" << about << true;
    QTest::newRow("button") << "Command1" << skip << false;
    QTest::newRow("option") << "Option3" << diz << false;
    QTest::newRow("slider") << "VScroll1" << zip << false;
    QTest::newRow("web link panel") << "SSPanel11" << about << false;
    QTest::newRow("page bar") << "SSListBar1" << source << false;
}

void TestMainWindow::rightPressOpensPageMenu() {
    QFETCH(QString, name);
    QFETCH(int, page);
    QFETCH(bool, opens);
    window_->showPage(Page(page));
    QWidget* target = window_->findChild<QWidget*>(name);
    if (!target) {
        // A picture of the design that this window draws no control for.
        target = new QLabel(QStringLiteral("x"), window_->pagePanel(Page(page)));
        target->setObjectName(name);
        target->setGeometry(10, 10, 60, 20);
        target->show();
    }
    QVERIFY(target->isVisible());
    QSignalSpy shown(window_, &MainWindow::pageMenuShown);
    // As the window system delivers it: the press on the window, at the control.
    const QPoint at = target->mapTo(window_, QPoint(3, 3));
    QTest::mousePress(window_->windowHandle(), Qt::RightButton, {}, at);
    QTest::mouseRelease(window_->windowHandle(), Qt::RightButton, {}, at);
    QCOMPARE(shown.size(), opens ? 1 : 0);
    QCOMPARE(window_->pageMenu()->isVisible(), opens);
    if (opens)
        QCOMPARE(shown.front().front().toPoint(), window_->mapToGlobal(at));
    closeMenu();
    QVERIFY(!SplashWindow::loaded());
}

void TestMainWindow::leftPressOnLabelDoesNothing() {
    auto* label = new QLabel(QStringLiteral("Total"), window_->pagePanel(Page::Source));
    label->setObjectName(QStringLiteral("Label9"));
    label->show();
    QSignalSpy shown(window_, &MainWindow::pageMenuShown);
    QTest::mousePress(label, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseRelease(label, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mousePress(label, Qt::MiddleButton, {}, QPoint(2, 2));
    QCOMPARE(shown.size(), 0);
    QVERIFY(!window_->pageMenu()->isVisible());
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture1")});
}

void TestMainWindow::marqueeRightPressOpensPageMenu() {
    clickGroup(QStringLiteral("Help"));
    clickItem(QStringLiteral("About"));
    QSignalSpy shown(window_, &MainWindow::pageMenuShown);
    for (MarqueeHost* m : {window_->banner(), window_->credits()}) {
        QTest::mousePress(m->widget(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(shown.size(), 0);
        QTest::mousePress(m->widget(), Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(shown.size(), 1);
        closeMenu();
        shown.clear();
    }
}

void TestMainWindow::logoPanelOpensAboutWindow() {
    clickGroup(QStringLiteral("Help"));
    clickItem(QStringLiteral("About"));
    QWidget* logo = window_->findChild<QWidget*>(QStringLiteral("SSPanel7"));
    QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), logo->mapToGlobal(QPointF(10, 10)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(logo, &move);
    QCOMPARE(logo->cursor().shape(), Qt::PointingHandCursor);
    QTest::mousePress(logo, Qt::LeftButton, {}, QPoint(10, 10));
    SplashWindow* about = SplashWindow::loaded();
    QVERIFY(about);
    QVERIFY(SplashWindow::aboutMode());
    QCOMPARE(about->timer()->interval(), MainWindow::kLogoPanelInterval);
    QVERIFY(about->timer()->isActive());
    QCOMPARE(machine_->sounds.back().name, QStringLiteral("\\thunder.wav"));
    QVERIFY(machine_->sounds.back().wait);
    about->unload();

    window_->findChild<QAction*>(QStringLiteral("aboutm"))->trigger();
    QVERIFY(SplashWindow::loaded());
    QCOMPARE(SplashWindow::loaded()->timer()->interval(), MainWindow::kAboutCommandInterval);
}

void TestMainWindow::linkPanelsChangeColourAndOpen() {
    clickGroup(QStringLiteral("Help"));
    clickItem(QStringLiteral("About"));
    auto* web = window_->findChild<QLabel*>(QStringLiteral("SSPanel11"));
    auto* mail = window_->findChild<QLabel*>(QStringLiteral("SSPanel10"));
    QCOMPARE(web->text(), MainWindow::webAddress());
    QCOMPARE(mail->text(), MainWindow::emailAddress());
    for (QLabel* link : {web, mail}) {
        QEnterEvent enter(QPointF(2, 2), link->mapToGlobal(QPointF(2, 2)),
                          link->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(link, &enter);
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 0xC0));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(link, &leave);
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::black));
    }
    QTest::mouseClick(web, Qt::LeftButton, {}, QPoint(4, 4));
    QTest::mouseClick(mail, Qt::LeftButton, {}, QPoint(4, 4));
    window_->findChild<QAction*>(QStringLiteral("webm"))->trigger();
    window_->findChild<QAction*>(QStringLiteral("emailm"))->trigger();
    const QUrl site(MainWindow::webAddress());
    const QUrl mailto(QStringLiteral("mailto:") + MainWindow::emailAddress());
    QCOMPARE(opened_, (QList<QUrl>{site, mailto, site, mailto}));
}

void TestMainWindow::pathPanelToolTipFollowsCaption() {
    auto* panel = window_->findChild<QLabel*>(QStringLiteral("SSPanel8"));
    auto* name = window_->findChild<QLineEdit*>(QStringLiteral("Text3"));
    WindowPort& port = window_->jobPages()->port();
    port.setSourceDisplay(QStringLiteral("/a/very/long/path/of/the/source"));
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(panel, &enter);
    QCOMPARE(panel->toolTip(), QStringLiteral("/a/very/long/path/of/the/source"));
    port.setSourceDisplay(QStringLiteral("/other"));
    QApplication::sendEvent(panel, &enter);
    QCOMPARE(panel->toolTip(), QStringLiteral("/other"));
    window_->showPage(Page::Zip);
    QTest::keyClicks(name, QStringLiteral("rel"));
    QCOMPARE(name->toolTip(), QStringLiteral("rel"));
}

void TestMainWindow::helpCommandsOpenTheViewer() {
    window_->findChild<QAction*>(QStringLiteral("indexm"))->trigger();
    HelpWindow* help = window_->helpWindow();
    QVERIFY(help->isVisible());
    QCOMPARE(help->currentTab(), QStringLiteral("Index"));
    QVERIFY(!help->currentPage().isEmpty()); // a page beside the index, not an empty pane
    help->hide();
    window_->findChild<QAction*>(QStringLiteral("contents"))->trigger();
    QVERIFY(help->isVisible());
    QCOMPARE(help->currentTab(), QStringLiteral("Contents"));
    QCOMPARE(help->currentPage(), QStringLiteral("overview.html"));
    help->hide();
    QApplication::setActiveWindow(window_);
    QVERIFY(QTest::qWaitForWindowActive(window_));
    QTest::keyClick(window_, Qt::Key_F1);
    QVERIFY(help->isVisible());
    QCOMPARE(help->currentTab(), QStringLiteral("Contents"));
}

void TestMainWindow::helpPagesAreComplete() {
    const QString folder = HelpWindow::helpFolder();
    const auto contents = readHelpList(folder + QStringLiteral("/contents.txt"));
    const auto index = readHelpList(folder + QStringLiteral("/index.txt"));
    QVERIFY(contents.size() >= 10);
    QVERIFY(index.size() >= 30);
    QCOMPARE(window_->helpWindow()->topicCount(), contents.size());
    QCOMPARE(window_->helpWindow()->indexCount(), index.size());
    for (const auto& list : {contents, index})
        for (const auto& [text, target] : list) {
            const QString page = folder + QLatin1Char('/') + target.section(QLatin1Char('#'), 0, 0);
            QVERIFY2(QFileInfo::exists(page), qPrintable(text + QStringLiteral(" -> ") + target));
            const QString anchor = target.section(QLatin1Char('#'), 1);
            if (!anchor.isEmpty()) {
                QFile f(page);
                QVERIFY(f.open(QIODevice::ReadOnly));
                QVERIFY2(f.readAll().contains("id=\"" + anchor.toUtf8() + '"'), qPrintable(target));
            }
        }
    QVERIFY(window_->helpWindow()->openKeyword(QStringLiteral("Skip list")));
    QCOMPARE(window_->helpWindow()->currentPage(), QStringLiteral("skip.html"));
}

void TestMainWindow::helpWindowGoesBesideTheMainWindow_data() {
    QTest::addColumn<QRect>("main");
    QTest::addColumn<QRect>("expected");
    // On a 1920 x 1080 screen, for a help window of 700 x 500 and at least 480 wide.
    QTest::newRow("room on the right") << QRect(100, 100, 660, 480) << QRect(768, 100, 700, 500);
    QTest::newRow("room on the left only") << QRect(1000, 50, 660, 480) << QRect(292, 50, 700, 500);
    QTest::newRow("narrower on the wider side")
        << QRect(600, 700, 700, 480) << QRect(1308, 580, 612, 500);
    QTest::newRow("no room: the screen's right edge")
        << QRect(100, 0, 1700, 480) << QRect(1220, 0, 700, 500);
}

void TestMainWindow::helpWindowGoesBesideTheMainWindow() {
    QFETCH(QRect, main);
    QFETCH(QRect, expected);
    QCOMPARE(besideGeometry(main, QSize(700, 500), 480, QRect(0, 0, 1920, 1080)), expected);
}

void TestMainWindow::runProgressInTheTitle() {
    window_->jobPages()->model().setScriptPath(QStringLiteral("/jobs/game.rip"));
    window_->jobPages()->model().markSaved();
    QCOMPARE(window_->windowTitle(), QStringLiteral("Kavel32 - game.rip"));
    JobPages* pages = window_->jobPages();
    emit pages->runProgressChanged(0, QString());
    QCOMPARE(window_->windowTitle(), QStringLiteral("Kavel32 - 0 %"));
    emit pages->runProgressChanged(45, QStringLiteral("About 3 min left"));
    QCOMPARE(window_->windowTitle(), QStringLiteral("Kavel32 - 45 % - About 3 min left"));
    emit pages->runProgressChanged(-1, QString());
    QCOMPARE(window_->windowTitle(), QStringLiteral("Kavel32 - game.rip"));
}

// While the archiver runs the window takes no input but Abort and Exit: a page bar click or
// a menu key does nothing, Abort acts at once, and everything acts again afterwards.
void TestMainWindow::onlyAbortAndExitWhileArchiving() {
    window_->showPage(Page::Progress);
    WindowPort& port = window_->jobPages()->port();
    port.minimise(); // as the run does right before the archiver
    clickItem(QStringLiteral("Zip"));
    QTest::keyClick(window_, Qt::Key_O, Qt::ControlModifier); // no Open dialog
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture7")});
    window_->setPageBarEnabled(false);
    QTest::mouseClick(window_->findChild<QPushButton*>(QStringLiteral("Command12")),
                      Qt::LeftButton);
    QVERIFY(window_->pageBar()->isEnabled()); // Abort without a run gives the window back
    port.restore();
    clickItem(QStringLiteral("Zip"));
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture6")});
    QVERIFY(dialogs_->shown().isEmpty());
}

// The page bar is used from the keyboard: its focus shows, Enter opens the focused page,
// up and down move along it. The help window goes with Escape or Ctrl+W.
void TestMainWindow::keyboardUse() {
    QToolButton* skip = window_->pageBar()->itemButton(QStringLiteral("Skip"));
    QCOMPARE(skip->focusPolicy(), Qt::TabFocus);
    QVERIFY(window_->pageBar()->styleSheet().contains(QLatin1String(":focus")));
    skip->setFocus();
    QTest::keyClick(skip, Qt::Key_Down);
    QToolButton* diz = window_->pageBar()->itemButton(QStringLiteral("Diz"));
    QVERIFY(diz->hasFocus() || QApplication::focusWidget() == nullptr);
    QTest::keyClick(diz, Qt::Key_Return);
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture4")});
    QTest::keyClick(skip, Qt::Key_Enter);
    QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture2")});

    HelpWindow* help = window_->helpWindow();
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        window_->helpContents();
        QVERIFY(QTest::qWaitForWindowExposed(help));
        QApplication::setActiveWindow(help);
        QVERIFY(QTest::qWaitForWindowActive(help));
        QTest::keySequence(help, keys);
        QVERIFY2(!help->isVisible(), qPrintable(keys.toString()));
    }
}

// View, Reduced motion: every marquee is told, new ones learn it from the application, and
// the choice is kept for the next start.
void TestMainWindow::reducedMotionStopsTheMarquees() {
    auto* choice = window_->findChild<QAction*>(QStringLiteral("reducedmotion"));
    QVERIFY(choice->isCheckable());
    QVERIFY(!choice->isChecked());
    choice->trigger();
    QVERIFY(window_->reducedMotion());
    for (MarqueeHost* m : {window_->banner(), window_->credits()})
        QCOMPARE(m->widget()->property("reducedMotion").toBool(), true);
    QCOMPARE(qApp->property("reducedMotion").toBool(), true);
    QCOMPARE(readViewOptions().reducedMotion, std::optional<bool>(true));

    MainWindow next(*dialogs_, *machine_, flags_);
    next.setCleanupOnClose(false);
    QVERIFY(next.reducedMotion());
    QVERIFY(next.findChild<QAction*>(QStringLiteral("reducedmotion"))->isChecked());
    QCOMPARE(next.banner()->widget()->property("reducedMotion").toBool(), true);

    choice->trigger();
    QCOMPARE(window_->banner()->widget()->property("reducedMotion").toBool(), false);
    QCOMPARE(qApp->property("reducedMotion").toBool(), false);
    QCOMPARE(readViewOptions().reducedMotion, std::optional<bool>(false));
}

void TestMainWindow::batchModeNeverShowsAMessage() {
    flags_.BatchRun = true;
    QCOMPARE(window_->message(QStringLiteral("Duplicate zip name"), QStringLiteral("Kavel32 error"),
                              MessageIcon::Exclamation, MessageButtons::OkCancel),
             MessageAnswer::Ok);
    QVERIFY(dialogs_->shown().isEmpty());
    flags_.BatchRun = false;
    dialogs_->answerMessage(MessageAnswer::Cancel, QStringLiteral("Duplicate"));
    QCOMPARE(window_->message(QStringLiteral("Duplicate zip name"), QStringLiteral("Kavel32 error"),
                              MessageIcon::Exclamation, MessageButtons::OkCancel),
             MessageAnswer::Cancel);
}

namespace {
// The key of a text: the letter after a single '&', in lower case; none for "&&" or none.
QChar mnemonicOf(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return text.at(i + 1).toLower();
    }
    return {};
}

// "where: 'x' taken by A and B" for every key two of the texts share.
QStringList clashesIn(const QString& where, const QStringList& texts) {
    QMap<QChar, QStringList> byKey;
    for (const QString& text : texts)
        if (const QChar key = mnemonicOf(text); !key.isNull())
            byKey[key] << text;
    QStringList clashes;
    for (auto it = byKey.cbegin(); it != byKey.cend(); ++it)
        if (it->size() > 1)
            clashes << QStringLiteral("%1: '%2' taken by %3")
                           .arg(where, it.key(), it->join(QStringLiteral(" and ")));
    return clashes;
}

QStringList menuClashes(QMenu* menu) {
    QStringList texts, clashes;
    for (QAction* a : menu->actions()) {
        if (a->isSeparator())
            continue;
        texts << a->text();
        if (a->menu())
            clashes << menuClashes(a->menu());
    }
    return clashes + clashesIn(menu->title(), texts);
}
} // namespace

// Every menu and every page has each key once: Alt+F always reaches the File menu, and a
// letter never has to be pressed twice to reach what it names.
void TestMainWindow::mnemonicsAreUniqueOnEveryPageAndMenu() {
    QApplication::setActiveWindow(window_);
    QVERIFY(QTest::qWaitForWindowActive(window_));
    QStringList clashes;
    QStringList bar;
    for (QAction* menu : window_->menuBar()->actions()) {
        bar << menu->text();
        clashes << menuClashes(menu->menu());
    }
    clashes << clashesIn(QStringLiteral("menu bar"), bar);
    for (Page page :
         {Page::Source, Page::Skip, Page::Diz, Page::Nfo, Page::Zip, Page::Progress, Page::About}) {
        window_->showPage(page);
        QWidget* panel = window_->pagePanel(page);
        QStringList texts = bar;
        for (QAbstractButton* b : panel->findChildren<QAbstractButton*>())
            texts << b->text();
        for (QLabel* l : panel->findChildren<QLabel*>())
            if (l->buddy())
                texts << l->text();
        clashes << clashesIn(panel->objectName(), texts);
        // The key itself: the File menu opens, whatever the page holds.
        QTest::keyClick(window_, Qt::Key_F, Qt::AltModifier);
        const bool opened = window_->fileMenu()->isVisible();
        window_->fileMenu()->hide();
        if (!opened)
            clashes << panel->objectName() + QStringLiteral(": Alt+F does not open File");
    }
    QCOMPARE(clashes, QStringList());
}

void TestMainWindow::pageSwitchFocusesTheFirstField_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("first");
    QTest::newRow("Source") << "Source"
                            << "Picture1"
                            << "Command2";
    QTest::newRow("Skip") << "Skip"
                          << "Picture2"
                          << "Text1";
    QTest::newRow("Diz") << "Diz"
                         << "Picture4"
                         << "Command4";
    QTest::newRow("Zip, the last item of Main but one") << "Zip"
                                                        << "Picture6"
                                                        << "VScroll1";
}

// After a page switch the keys go on in the page, not on the bar seven Tabs away; the
// progress page leaves Abort alone, so a stray key stops nothing.
void TestMainWindow::pageSwitchFocusesTheFirstField() {
    QFETCH(QString, item);
    QFETCH(QString, page);
    QFETCH(QString, first);
    QApplication::setActiveWindow(window_);
    QVERIFY(QTest::qWaitForWindowActive(window_));
    if (item == QLatin1String("Source"))
        clickItem(QStringLiteral("Nfo"));
    clickItem(item);
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus);
    QVERIFY2(window_->findChild<QWidget*>(page)->isAncestorOf(focus),
             qPrintable(focus->objectName()));
    QCOMPARE(focus->objectName(), first);
    window_->showPage(Page::Progress);
    QVERIFY(!window_->findChild<QWidget*>(QStringLiteral("Command12"))->hasFocus());
}

// Menu entries, page bar items and page buttons say what they do when pointed at.
void TestMainWindow::everyCommandHasATip() {
    QStringList bare;
    for (QAction* a : window_->findChildren<QAction*>()) {
        QString plain = a->text();
        plain.remove(QLatin1Char('&'));
        const bool entry = !a->isSeparator() && !plain.isEmpty() && !a->menu() &&
                           !a->objectName().startsWith(QLatin1String("recent")) &&
                           !a->objectName().isEmpty() && !a->objectName().startsWith("par2_") &&
                           !a->objectName().startsWith("SizePreset"); // values, not commands
        if (entry && (a->toolTip().isEmpty() || a->toolTip() == plain))
            bare << a->objectName();
    }
    for (const QString& item : window_->pageBar()->items(QStringLiteral("Main")) +
                                   window_->pageBar()->items(QStringLiteral("Help")))
        if (window_->pageBar()->itemButton(item)->toolTip().isEmpty())
            bare << item;
    for (Page page : {Page::Source, Page::Skip, Page::Diz, Page::Nfo, Page::Zip, Page::Progress})
        for (QAbstractButton* b : window_->pagePanel(page)->findChildren<QAbstractButton*>())
            if (b->toolTip().isEmpty())
                bare << b->objectName();
    QVERIFY2(bare.isEmpty(), qPrintable(bare.join(QLatin1Char(' '))));
    for (QAction* top : window_->menuBar()->actions()) {
        QVERIFY2(top->menu()->toolTipsVisible(), qPrintable(top->text()));
        for (QAction* a : top->menu()->actions())
            if (a->menu())
                QVERIFY2(a->menu()->toolTipsVisible(), qPrintable(a->text()));
    }
}

void TestMainWindow::closingAnUnsavedJobAsksFirst_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closed");
    QTest::newRow("cancel keeps the window") << int(MessageAnswer::Cancel) << false;
    QTest::newRow("discard closes") << int(MessageAnswer::Discard) << true;
}

// However the window is closed (the window manager, File > Exit), an unsaved job is asked
// about first; Cancel leaves everything as it was, and a saved job is never asked about.
void TestMainWindow::closingAnUnsavedJobAsksFirst() {
    QFETCH(int, answer);
    QFETCH(bool, closed);
    window_->jobPages()->model().setZipName(QStringLiteral("game"));
    QVERIFY(window_->windowTitle().endsWith(QLatin1String(" *")));
    window_->showPage(Page::Zip);
    dialogs_->answerMessage(MessageAnswer(answer), QStringLiteral("not saved"));
    QCOMPARE(window_->close(), closed);
    QCOMPARE(window_->isVisible(), !closed);
    QCOMPARE(dialogs_->shown().back().buttons, MessageButtons::SaveDiscardCancel);
    QCOMPARE(window_->jobPages()->model().job().ZipName, QStringLiteral("game"));
    if (!closed) {
        QCOMPARE(window_->visiblePages(), QStringList{QStringLiteral("Picture6")});
        dialogs_->answerMessage(MessageAnswer::Cancel, QStringLiteral("not saved"));
        window_->findChild<QAction*>(QStringLiteral("exitm"))->trigger();
        QVERIFY(window_->isVisible());
    }
    QVERIFY(dialogs_->verifyAllUsed());
    // Saved (or let go of), nothing is asked.
    window_->jobPages()->model().markSaved();
    window_->show();
    QVERIFY(window_->close());
    QVERIFY(dialogs_->verifyAllUsed());
}

// The default sends the window to the task bar while the archiver runs; the View choice
// keeps it up, and is kept for the next start.
void TestMainWindow::stayVisibleKeepsTheWindowUpWhileArchiving() {
    WindowPort& port = window_->jobPages()->port();
    port.minimise();
    QVERIFY(window_->isMinimized());
    port.restore();
    QVERIFY(!window_->isMinimized());
    window_->findChild<QAction*>(QStringLiteral("stayvisible"))->trigger();
    QVERIFY(window_->stayVisible());
    QCOMPARE(readViewOptions().stayVisible, std::optional<bool>(true));
    port.minimise();
    QVERIFY(!window_->isMinimized());
    clickItem(QStringLiteral("Zip")); // the input gate still holds
    QVERIFY(window_->findChild<QWidget*>(QStringLiteral("Picture6"))->isHidden());
    port.restore();
    MainWindow next(*dialogs_, *machine_, flags_);
    next.setCleanupOnClose(false);
    QVERIFY(next.stayVisible());
    window_->findChild<QAction*>(QStringLiteral("stayvisible"))->trigger();
    QCOMPARE(readViewOptions().stayVisible, std::optional<bool>(false));
}

// A folder or an .iso dropped on the window is the source, a script is opened (after the
// question about the job on display), anything else is refused.
void TestMainWindow::droppedPathsBecomeSourceOrScript() {
    const QString folder = state_.filePath(QStringLiteral("dropped"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(window_->dropPath(folder));
    QCOMPARE(window_->jobPages()->model().job().SourceSpec, foldCase(folder));
    QVERIFY(!window_->jobPages()->model().imageSource());
    QVERIFY(!machine_->runs.isEmpty()); // measured as a Browse measures

    const QString other = state_.filePath(QStringLiteral("notes.txt"));
    QFile(other).open(QIODevice::WriteOnly);
    QVERIFY(!window_->dropPath(other));
    QVERIFY(!window_->dropPath(state_.filePath(QStringLiteral("gone.rip"))));

    const QString script = state_.filePath(QStringLiteral("dropped.rip"));
    QFile(script).open(QIODevice::WriteOnly);
    dialogs_->answerMessage(MessageAnswer::Cancel, QStringLiteral("not saved"));
    QVERIFY(window_->dropPath(script)); // the job on display stays
    QCOMPARE(window_->jobPages()->model().job().SourceSpec, foldCase(folder));
    QVERIFY(dialogs_->verifyAllUsed());
}

// Scripts opened or saved go first on File > Open recent; the newest is offered under the
// pages at a start without one, and goes once anything else is done.
void TestMainWindow::recentScriptsAndTheLastJob() {
    QCOMPARE(withRecentScript({"/a.rip", "/b.rip"}, "/b.rip"), (QStringList{"/b.rip", "/a.rip"}));
    QStringList many;
    for (int i = 0; i < kRecentScriptsKept; ++i)
        many << QStringLiteral("/%1.rip").arg(i);
    QCOMPARE(withRecentScript(many, "/new.rip").size(), kRecentScriptsKept);
    QCOMPARE(withRecentScript(many, "/new.rip").back(), many.at(kRecentScriptsKept - 2));

    const QString script = state_.filePath(QStringLiteral("recent.rip"));
    dialogs_->answerSaveFile(script);
    window_->jobPages()->saveScriptAs();
    QCOMPARE(window_->recentScripts().front(), script);
    QMenu* recent = window_->findChild<QMenu*>(QStringLiteral("recentm"));
    emit recent->aboutToShow();
    QCOMPARE(recent->actions().front()->text(), QStringLiteral("&1 recent.rip"));
    QCOMPARE(recent->actions().front()->toolTip(), script);

    MainWindow next(*dialogs_, *machine_, flags_);
    next.setCleanupOnClose(false);
    next.show();
    next.offerLastJob();
    auto* offer = next.findChild<QWidget*>(QStringLiteral("LastJobOffer"));
    QVERIFY(offer && offer->isVisible());
    QCOMPARE(next.findChild<QLabel*>(QStringLiteral("LastJobText"))->text(),
             QStringLiteral("Last job: recent.rip"));
    next.findChild<QPushButton*>(QStringLiteral("LastJobOpen"))->click();
    QVERIFY(!offer->isVisible());
    QCOMPARE(next.jobPages()->model().scriptPath(), foldCase(script));
    // A script that has gone is not offered.
    QVERIFY(QFile::remove(script));
    MainWindow third(*dialogs_, *machine_, flags_);
    third.setCleanupOnClose(false);
    third.offerLastJob();
    QVERIFY(!third.findChild<QWidget*>(QStringLiteral("LastJobOffer")));
}

namespace {
class RecordingNotifier : public Notifier {
  public:
    void notify(const QString& summary, const QString& body) override {
        told << summary + QStringLiteral(" | ") + body;
    }
    QStringList told;
};
} // namespace

// A run, check or unpack that ends while the user looks elsewhere is told by the desktop;
// with the window in front nothing is sent.
void TestMainWindow::endingsAreToldOnlyWhileAway() {
    RecordingNotifier notifier;
    window_->setNotifier(&notifier);
    QApplication::setActiveWindow(window_);
    QVERIFY(QTest::qWaitForWindowActive(window_));
    window_->notifyIfAway(QStringLiteral("Kavel32: ripping complete"), QStringLiteral("/z"));
    QCOMPARE(notifier.told, QStringList());
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QVERIFY(QTest::qWaitForWindowActive(&other));
    window_->notifyIfAway(QStringLiteral("Kavel32: ripping complete"), QStringLiteral("/z"));
    QCOMPARE(notifier.told, QStringList{QStringLiteral("Kavel32: ripping complete | /z")});
    flags_.BatchRun = true; // nobody is there to read it
    window_->notifyIfAway(QStringLiteral("x"), QStringLiteral("y"));
    QCOMPARE(notifier.told.size(), 1);
    window_->setNotifier(nullptr);
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
