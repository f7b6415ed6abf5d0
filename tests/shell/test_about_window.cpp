#include "../fakes/recording_ports.h"

#include "shell/splash_window.h"

#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

// Form3 as the splash and as the About window: the about-mode flag, the two ticks, the
// click, the thunder and the version text.
class TestAboutWindow : public QObject {
    Q_OBJECT
  private slots:
    void cleanup();
    void splashKeepsTheVersionText();
    void closesOnItsSecondTick();
    void clickBeforeTheFirstTickClosesOnTheFirst();
    void secondOpeningStartsTheCountAgain();
    void thunderPlaysToItsEndBeforeTheWait();

  private:
    static constexpr int kTick = 250;
    RecordingMachine machine_;
};

void TestAboutWindow::cleanup() {
    if (SplashWindow* w = SplashWindow::loaded())
        w->unload();
    QTRY_VERIFY(!SplashWindow::loaded());
    machine_.sounds.clear();
}

void TestAboutWindow::splashKeepsTheVersionText() {
    SplashWindow* splash = SplashWindow::openSplash();
    QVERIFY(splash);
    QVERIFY(!SplashWindow::aboutMode());
    QCOMPARE(splash->objectName(), QStringLiteral("Form3"));
    QCOMPARE(splash->findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("v3.10"));
    QCOMPARE(splash->timer()->interval(), SplashWindow::kDesignedInterval);
    // Cut to its picture: the corners lie outside the outline.
    QVERIFY(!splash->mask().isEmpty());
    QVERIFY(!splash->mask().contains(QPoint(0, 0)));
    QVERIFY(splash->mask().contains(splash->rect().center()));
    splash->unload();
    QTRY_VERIFY(!SplashWindow::loaded());
    QCOMPARE(SplashWindow::versionText(), QStringLiteral("v3.10"));
}

void TestAboutWindow::closesOnItsSecondTick() {
    QWidget main;
    SplashWindow* about = SplashWindow::openAbout(kTick, &machine_, &main);
    QVERIFY(SplashWindow::aboutMode());
    QSignalSpy ticks(about->timer(), &QTimer::timeout);
    QPointer<SplashWindow> guard(about);
    QVERIFY(ticks.wait(kTick * 4));
    QVERIFY(!SplashWindow::aboutMode());
    QVERIFY(guard);
    QVERIFY(about->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!guard, kTick * 4);
    QCOMPARE(ticks.size(), 2);
    // The main window is shown when the About window goes.
    QVERIFY(main.isVisible());
}

void TestAboutWindow::clickBeforeTheFirstTickClosesOnTheFirst() {
    SplashWindow* about = SplashWindow::openAbout(kTick, &machine_, nullptr);
    QPointer<SplashWindow> guard(about);
    QSignalSpy ticks(about->timer(), &QTimer::timeout);
    QTest::mouseClick(about->findChild<QLabel*>(QStringLiteral("Label1")), Qt::LeftButton);
    QVERIFY(!SplashWindow::aboutMode());
    // A click never closes the window itself.
    QVERIFY(guard && about->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!guard, kTick * 4);
    QCOMPARE(ticks.size(), 1);
}

void TestAboutWindow::secondOpeningStartsTheCountAgain() {
    SplashWindow* about = SplashWindow::openAbout(kTick, &machine_, nullptr);
    QPointer<SplashWindow> guard(about);
    QSignalSpy ticks(about->timer(), &QTimer::timeout);
    QVERIFY(ticks.wait(kTick * 4)); // first tick: the flag is cleared
    QVERIFY(!SplashWindow::aboutMode());
    QCOMPARE(SplashWindow::openAbout(kTick * 2, &machine_, nullptr), about);
    QVERIFY(SplashWindow::aboutMode());
    QCOMPARE(about->timer()->interval(), kTick * 2);
    QVERIFY(ticks.wait(kTick * 6));
    QVERIFY(guard);
    QTRY_VERIFY_WITH_TIMEOUT(!guard, kTick * 8);
    QCOMPARE(ticks.size(), 3);
    // Loaded once, so the thunder played once.
    QCOMPARE(machine_.sounds.size(), 1);
}

void TestAboutWindow::thunderPlaysToItsEndBeforeTheWait() {
    SplashWindow::openAbout(kTick, &machine_, nullptr);
    QCOMPARE(machine_.soundNames(), QStringList{QStringLiteral("\\thunder.wav")});
    QVERIFY(machine_.sounds.front().wait);
    machine_.sounds.clear();
    SplashWindow::loaded()->unload();
    QTRY_VERIFY(!SplashWindow::loaded());
    // The splash plays nothing.
    SplashWindow::openSplash();
    QVERIFY(machine_.sounds.isEmpty());
}

QTEST_MAIN(TestAboutWindow)
#include "test_about_window.moc"
