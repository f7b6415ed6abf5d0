#pragma once

#include "job/job_settings.h"
#include "job/machine_port.h"
#include "job/window_port.h"
#include "shell/dialogs.h"
#include "shell/session_window.h"

#include <QMainWindow>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>

class HelpWindow;
class Notifier;
class JobPages;
class MarqueeHost;
class PageBar;
class QAction;
class QKeySequence;
class QLabel;
class QMenu;
class RunInputGate;

// The main window: the page panels, the title panel, the page bar, the menus, the About
// page with its links and the two marquees. It is the frame of the session's window port;
// the Source to Zip and progress pages are built by JobPages inside its panels.
class MainWindow : public QMainWindow, public WindowFrame {
    Q_OBJECT
  public:
    static constexpr int kAboutCommandInterval = 4000;
    static constexpr int kLogoPanelInterval = 2000;

    MainWindow(Dialogs& dialogs, MachinePort& machine, RunFlags& flags, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The author's addresses shown on the About page.
    static QString webAddress();
    static QString emailAddress();
    // "Kavel32 " + version text + "  by QXV   <IMG 1>"
    static QString bannerText(const QString& versionText);

    JobPages* jobPages() const { return pages_; }
    PageBar* pageBar() const { return pageBar_; }
    QMenu* pageMenu() const { return pageMenu_; }
    QMenu* fileMenu() const { return fileMenu_; }
    HelpWindow* helpWindow() const { return help_; }
    MarqueeHost* banner() const { return banner_; }
    MarqueeHost* credits() const { return credits_; }
    QWidget* pagePanel(Page page) const;
    QString pageTitle() const;
    // Design names of the page panels shown now (at most one outside a command).
    QStringList visiblePages() const;

    // Page model.
    void hideAllPages();
    // The page commands of the page menu and the Kavel! command.
    void sourceCommand();
    void skipCommand();
    void dizCommand();
    void nfoCommand();
    void zipCommand();
    void kavelCommand();
    // Page bar notifications.
    void pageBarItemClicked(const QString& text);
    void pageBarGroupClicked(const QString& newGroup, const QString& oldGroup);
    // Help, web, e-mail and About.
    void helpContents();
    void helpIndex();
    void helpKey(); // F1 and the Help item: the help viewer without taking the focus
    void webPage();
    void email();
    void aboutCommand();
    void exitCommand();

    // Every marquee stands still at its first frame (View, "Reduced motion"); the choice is
    // kept for this user.
    void setReducedMotion(bool on);
    bool reducedMotion() const { return reducedMotion_; }
    // The window stays up while the archiver runs (View, "Stay visible while archiving");
    // off, it goes to the task bar then; the choice is kept for this user.
    void setStayVisible(bool on);
    bool stayVisible() const { return stayVisible_; }

    // The last script used, offered under the pages at an interactive start without one; it
    // goes once the user opens, dismisses or edits anything.
    void offerLastJob();
    // The scripts of File > Open recent, newest first.
    QStringList recentScripts() const;
    // Something long has ended: the desktop is told when the window is not the active one.
    void notifyIfAway(const QString& summary, const QString& body);
    void setNotifier(Notifier* notifier) { notifier_ = notifier; }
    // A path dropped on the window: a folder or .iso becomes the source, a .rip is opened
    // (after the question about an unsaved job). False when it is none of these.
    bool dropPath(const QString& path);

    // Start-up pieces (see the session that starts the window).
    void centreOnScreen();
    void setComment(bool on, const QString& commentFile);
    void bringToFront();
    // Whether closing deletes the files runs leave behind (off for a duplicate start or a
    // root installation).
    void setCleanupOnClose(bool on) { cleanupOnClose_ = on; }
    bool cleanupOnClose() const { return cleanupOnClose_; }

    // Seams for tests: how links and folders are opened and how the About window opens.
    void setLinkOpener(std::function<bool(const QUrl&)> opener) { openLink_ = std::move(opener); }
    void setAboutIntervalScale(double scale) { aboutScale_ = scale; }

    // WindowFrame
    void showPage(Page page, const QString& focusControl = {}) override;
    MessageAnswer message(const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons) override;
    void setPageBarEnabled(bool enabled) override;
    void setBusyPointer(bool busy) override;
    void processEvents() override;
    // While the archiver runs: minimised, and no input but Abort and Exit.
    void minimise() override;
    void restore() override;
    void closeWindow() override;

  signals:
    // The Kavel! command is about to start a rip run.
    void ripRunRequested();
    // The page menu popped up at a position (tests and the context menu).
    void pageMenuShown(const QPoint& globalPos);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void buildPanels();
    void buildAboutPage();
    void buildPageBar();
    void buildMenus();
    void buildFileMenu();
    void buildViewMenu();
    void fillRecentMenu();
    void rememberScript(const QString& path);
    void focusFirstField(QWidget* panel);
    void giveToolTips();
    // A menu entry with its design name and keys that runs slot.
    template <typename Slot>
    QAction* addCommand(QMenu* menu, const QString& name, const QString& text, Slot slot,
                        const QKeySequence& keys = {});
    void placePages();
    // The form grows to what the pages need with the desktop's font.
    void fitToPages();
    void showPanel(Page page);
    void popupPageMenu(const QPoint& globalPos);
    void openAboutWindow(int intervalMs);
    void openUrl(const QUrl& url);
    void showRunProgress(int percent, const QString& timeLeft);
    void setBaseTitle(const QString& title);
    void paintKavelArrow();
    QRect pageRect() const;

    Dialogs& dialogs_;
    MachinePort& machine_;
    RunFlags& flags_;

    QWidget* form_ = nullptr;
    PageBar* pageBar_ = nullptr;
    QLabel* title_ = nullptr; // SSPanel1
    QWidget* source_ = nullptr;
    QWidget* skip_ = nullptr;
    QWidget* diz_ = nullptr;
    QWidget* nfo_ = nullptr;
    QWidget* zip_ = nullptr;
    QWidget* progress_ = nullptr;
    QWidget* about_ = nullptr;
    MarqueeHost* banner_ = nullptr;
    MarqueeHost* credits_ = nullptr;
    JobPages* pages_ = nullptr;
    HelpWindow* help_ = nullptr;
    RunInputGate* gate_ = nullptr;

    QMenu* fileMenu_ = nullptr;
    QMenu* pageMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* zheader_ = nullptr;
    QAction* reducedMotionAction_ = nullptr;
    QAction* stayVisibleAction_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QWidget* lastJobOffer_ = nullptr;
    std::unique_ptr<Notifier> ownNotifier_;
    Notifier* notifier_ = nullptr;

    std::function<bool(const QUrl&)> openLink_;
    double aboutScale_ = 1.0;
    bool cleanupOnClose_ = true;
    bool closeAfterRun_ = false;
    bool busy_ = false;
    bool reducedMotion_ = false;
    bool stayVisible_ = false;
    QString baseTitle_ = QStringLiteral("Kavel32");
};
