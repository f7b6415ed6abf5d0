#pragma once

#include "job/job_settings.h"
#include "job/machine_port.h"
#include "job/window_port.h"
#include "shell/dialogs.h"
#include "shell/shell_services.h"

#include <QMainWindow>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>

class HelpWindow;
class JobPages;
class MarqueeHost;
class PageBar;
class QAction;
class QLabel;
class QMenu;

// The main window: the page panels, the title panel, the page bar, the menus, the About
// page with its links and the two marquees. It is the window port the logic talks to;
// the Source to Zip and progress pages are built by JobPages inside its panels.
class MainWindow : public QMainWindow, public WindowPort {
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
    ShellServices& services() { return services_; }
    PageBar* pageBar() const { return pageBar_; }
    QMenu* pageMenu() const { return pageMenu_; }
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

    // Start-up pieces (see the session that starts the window).
    void centreOnScreen();
    void setComment(bool on, const QString& commentFile);
    void bringToFront();
    // Whether closing deletes the files runs leave behind (off for a duplicate start or a
    // root installation).
    void setCleanupOnClose(bool on) { cleanupOnClose_ = on; }
    bool cleanupOnClose() const { return cleanupOnClose_; }
    // Files the close deletes when they exist.

    // Seams for tests: how links are opened and how the About window opens.
    void setLinkOpener(std::function<bool(const QUrl&)> opener) { openLink_ = std::move(opener); }
    void setAboutIntervalScale(double scale) { aboutScale_ = scale; }

    // WindowPort
    void showPage(Page page, const QString& focusControl = {}) override;
    MessageAnswer message(const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons) override;
    void setStatusText(const QString& text) override;
    void setNameText(const QString& text) override;
    void setCountText(const QString& text) override;
    void setProgress(int percent) override;
    int progress() const override;
    QString sourceDisplay() const override;
    void setSourceDisplay(const QString& text) override;
    void setPageBarEnabled(bool enabled) override;
    void setBusyPointer(bool busy) override;
    void processEvents() override;
    void minimise() override;
    void restore() override;
    void closeWindow() override;
    void setSourceSizeText(const QString& text) override;
    void setSourceBrowseEnabled(bool enabled) override;
    void setArchiverProgress(int percent) override;

  signals:
    // The Kavel! command is about to start a rip run.
    void ripRunRequested();
    // The page menu popped up at a position (tests and the context menu).
    void pageMenuShown(const QPoint& globalPos);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void buildPanels();
    void buildAboutPage();
    void buildPageBar();
    void buildMenus();
    void placePages();
    void showPanel(Page page);
    void popupPageMenu(const QPoint& globalPos);
    void openAboutWindow(int intervalMs);
    void openUrl(const QUrl& url);
    void showArchiverProgress(int percent);
    QRect pageRect() const;

    Dialogs& dialogs_;
    MachinePort& machine_;
    RunFlags& flags_;
    ShellServices services_;

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

    QMenu* fileMenu_ = nullptr;
    QMenu* pageMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* zheader_ = nullptr;

    std::function<bool(const QUrl&)> openLink_;
    double aboutScale_ = 1.0;
    bool cleanupOnClose_ = true;
    bool closeAfterRun_ = false;
    bool busy_ = false;
    bool archiverRunning_ = false;
    QString titleBeforeArchiver_;
};
