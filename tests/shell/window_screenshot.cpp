// Shows the main window's pages as a user gets there through the page bar and saves a
// picture of each: every job page (the Zip page with the pointer over a page bar item), the
// progress page after an Abort, the About page twice 700 ms apart (the banner has moved
// between them), and, when ImageMagick's import is available, the whole screen with the
// help index beside the window and with the About window.
//   shell_window_screenshot <output folder> [--dark] [--font-size POINTS]
// --dark gives the application a dark palette and --font-size a larger font, as a desktop
// with those choices does.
#include "shell/help_window.h"
#include "shell/job_pages.h"
#include "shell/main_window.h"
#include "shell/main_window_app.h"
#include "shell/page_bar.h"
#include "shell/splash_window.h"

#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QProcess>
#include <QTest>
#include <QToolButton>

#include <cstdio>

namespace {
QPalette darkPalette() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x22, 0x22, 0x22));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Base, QColor(0x18, 0x18, 0x18));
    dark.setColor(QPalette::AlternateBase, QColor(0x2a, 0x2a, 0x2a));
    dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Button, QColor(0x22, 0x22, 0x22));
    dark.setColor(QPalette::ButtonText, QColor(0xee, 0xee, 0xee));
    dark.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Link, QColor(0x6c, 0xb4, 0xff));
    dark.setColor(QPalette::Dark, QColor(0x11, 0x11, 0x11));
    dark.setColor(QPalette::Mid, QColor(0x33, 0x33, 0x33));
    dark.setColor(QPalette::Light, QColor(0x44, 0x44, 0x44));
    return dark;
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.contains(QStringLiteral("--dark")))
        QApplication::setPalette(darkPalette());
    if (const qsizetype at = args.indexOf(QStringLiteral("--font-size"));
        at > 0 && at + 1 < args.size()) {
        QFont font = QApplication::font();
        font.setPointSizeF(args.at(at + 1).toDouble());
        QApplication::setFont(font);
    }
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(out);
    ShellSession session;
    if (const std::optional<int> code = session.start(QString()))
        return *code;
    MainWindow* w = session.window();
    QTest::qWait(500);
    for (const char* page : {"Source", "Skip", "Diz", "Nfo", "Zip"}) {
        QTest::mouseClick(w->pageBar()->itemButton(QLatin1String(page)), Qt::LeftButton);
        QTest::qWait(200);
        w->grab().save(out +
                       QStringLiteral("/page_%1.png").arg(QString::fromLatin1(page).toLower()));
    }
    // The pointer over another item of the bar, as the window system moves it.
    QToolButton* skip = w->pageBar()->itemButton(QStringLiteral("Skip"));
    QCursor::setPos(skip->mapToGlobal(skip->rect().center()));
    QTest::qWait(300);
    w->grab().save(out + QStringLiteral("/page_zip_hover.png"));
    QCursor::setPos(w->mapToGlobal(QPoint(w->width() - 5, w->height() - 5)));
    w->showPage(Page::Progress);
    w->jobPages()->port().setStatusText(QStringLiteral("Aborted"));
    QTest::qWait(200);
    w->grab().save(out + QStringLiteral("/page_progress_aborted.png"));
    w->helpIndex();
    QTest::qWait(500);
    QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                 out + QStringLiteral("/help_index.png")});
    w->helpWindow()->hide();
    QTest::mouseClick(w->pageBar()->groupButton(QStringLiteral("Help")), Qt::LeftButton);
    QTest::mouseClick(w->pageBar()->itemButton(QStringLiteral("About")), Qt::LeftButton);
    QTest::qWait(1500);
    w->grab().save(out + QStringLiteral("/about_page_1.png"));
    QTest::qWait(700);
    w->grab().save(out + QStringLiteral("/about_page_2.png"));
    QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                 out + QStringLiteral("/screen.png")});
    // The About window over the main window.
    w->aboutCommand();
    std::printf("about loaded right after: %d\n", SplashWindow::loaded() ? 1 : 0);
    QTest::qWait(600);
    std::printf("about loaded after 600 ms: %d\n", SplashWindow::loaded() ? 1 : 0);
    if (QWidget* about = QApplication::topLevelAt(w->geometry().center()))
        std::printf("at the centre: %s\n", qPrintable(about->objectName()));
    for (QWidget* top : QApplication::topLevelWidgets())
        std::printf("window: %s %d,%d %dx%d visible=%d\n", qPrintable(top->objectName()), top->x(),
                    top->y(), top->width(), top->height(), top->isVisible() ? 1 : 0);
    QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                 out + QStringLiteral("/about_window.png")});
    std::printf("saved in %s\n", qPrintable(out));
    return 0;
}
