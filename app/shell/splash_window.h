#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

class MachinePort;
class QLabel;
class QTimer;

// Form3: the shaped window with the product picture and the version label. It is the
// splash at start and the About window later; as the About window it plays a thunder
// sound and closes on its second timer tick (a click before the first tick makes the
// first one close it).
class SplashWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kDesignedInterval = 2000;

    // The program-wide about-mode flag: set by the two opening commands, cleared by the
    // window's first tick or click.
    static bool aboutMode();
    static void setAboutMode(bool on);
    // The version text, a copy of the version label taken when the window loads; it stays
    // available after the window has gone.
    static QString versionText();
    // The loaded window, or null.
    static SplashWindow* loaded();

    // Opening as the About window: the flag is set and the timer gets the interval; a
    // window not yet loaded is loaded (shown, thunder played to its end, the main window
    // repainted). showMain shows the main window when the window closes.
    static SplashWindow* openAbout(int intervalMs, MachinePort* machine, QWidget* mainWindow,
                                   std::function<void()> showMain = {});
    // The splash at start: loaded with the flag clear. The caller then reads the settings,
    // loads the main window and unloads the splash.
    static SplashWindow* openSplash();

    QTimer* timer() const { return timer_; }
    // Unload: closes and deletes the window.
    void unload();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    SplashWindow();
    ~SplashWindow() override;
    void loadSteps(MachinePort* machine, QWidget* mainWindow);
    void tick();
    void clicked();

    QLabel* picture_ = nullptr;
    QLabel* version_ = nullptr; // Label1
    QTimer* timer_ = nullptr;   // Timer1
    QPointer<QWidget> mainWindow_;
    std::function<void()> showMain_;
};
