// Shows the main window's pages as a user gets there through the page bar and saves a
// picture of each: every job page (the Zip page with the pointer over a page bar item), the
// progress page after an Abort, the About page twice 700 ms apart (the banner has moved
// between them), and, when ImageMagick's import is available, the whole screen with the
// help index beside the window and with the About window.
//   shell_window_screenshot <output folder> [--dark] [--font-size POINTS] [--job SCRIPT]
// --dark gives the application a dark palette and --font-size a larger font, as a desktop
// with those choices does. --job runs the script's job with the window staying up and saves
// the progress page while the volumes are made, the unpack window before and after, the
// check report of the set with one zip damaged, the File menu, the question about an unsaved
// job and the last job offered at the next start.
#include "platform/desktop_machine.h"
#include "shell/check_report_window.h"
#include "shell/finish_menu.h"
#include "shell/help_window.h"
#include "shell/job_pages.h"
#include "shell/main_window.h"
#include "shell/main_window_app.h"
#include "shell/page_bar.h"
#include "shell/qt_dialogs.h"
#include "shell/splash_window.h"
#include "shell/unpack_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPalette>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
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
void save(QWidget* w, const QString& file) {
    w->grab().save(file);
    std::printf("saved %s\n", qPrintable(file));
}

// Grabs the modal box that the next step opens, then answers it with button.
void grabNextBox(const QString& file, QMessageBox::StandardButton button) {
    QTimer::singleShot(600, [file, button] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            save(box, file);
            box->button(button)->click();
        }
    });
}

// The features of a job's whole trip, on the job of script.
void jobTour(MainWindow* w, const QString& script, const QString& out) {
    JobPages* pages = w->jobPages();
    pages->openScriptFile(script);
    w->setStayVisible(true);
    const QString zips = pages->model().job().ZipDir;
    QTimer grabber;
    int shots = 0;
    QObject::connect(&grabber, &QTimer::timeout, [&] {
        if (pages->model().runDisplay().archiverPercent > 20 && shots == 0)
            save(w, out + QStringLiteral("/run_archiving.png")), ++shots;
        if (pages->model().runDisplay().count.contains(QLatin1String(" of ")) && shots == 1)
            save(w, out + QStringLiteral("/run_zipping.png")), ++shots;
    });
    grabber.start(150);
    w->kavelCommand();
    grabber.stop();
    save(w, out + QStringLiteral("/run_done.png"));

    // Unpack: the proposal, then the result.
    static QtDialogs dialogs;
    auto* unpack = new UnpackWindow(zips, dialogs, w);
    unpack->show();
    QTest::qWait(300);
    save(unpack, out + QStringLiteral("/unpack_proposal.png"));
    unpack->start();
    QTest::qWait(200);
    save(unpack, out + QStringLiteral("/unpack_done.png"));
    unpack->close();
    // Cancel while it works: what was made for it goes.
    auto* cancelled = new UnpackWindow(zips, dialogs, w);
    const QString nested = zips + QStringLiteral("/cancelled/deeper/game");
    cancelled->findChild<QLineEdit*>(QStringLiteral("UnpackDest"))->setText(nested);
    cancelled->show();
    QTimer::singleShot(400, cancelled, &UnpackWindow::cancel);
    cancelled->start();
    save(cancelled, out + QStringLiteral("/unpack_cancelled.png"));
    std::printf("after Cancel: %s %s\n", qPrintable(cancelled->resultText()),
                QFileInfo::exists(zips + QStringLiteral("/cancelled")) ? "(folder left)"
                                                                       : "(nothing left)");
    cancelled->close();

    // One zip of the set damaged: a byte of its volume changed.
    QStringList names = QDir(zips).entryList({QStringLiteral("*.zip")}, QDir::Files, QDir::Name);
    if (names.size() > 2) {
        QFile damaged(zips + QLatin1Char('/') + names.at(names.size() / 2));
        if (damaged.open(QIODevice::ReadWrite)) {
            damaged.seek(damaged.size() / 2);
            char byte = 0;
            damaged.getChar(&byte);
            damaged.seek(damaged.size() / 2);
            damaged.putChar(char(byte ^ 0x5a));
        }
    }
    checkZipsIn(zips, w);
    QTest::qWait(300);
    if (auto* report = w->findChild<CheckReportWindow*>()) {
        save(report, out + QStringLiteral("/check_report.png"));
        report->findChild<QCheckBox*>(QStringLiteral("FaultsOnly"))->setChecked(true);
        QTest::qWait(100);
        save(report, out + QStringLiteral("/check_report_faults_only.png"));
        report->close();
    }

    // The File menu, and the question an unsaved job gets.
    w->activateWindow();
    w->fileMenu()->popup(w->mapToGlobal(QPoint(0, 0)));
    QTest::qWait(300);
    save(w->fileMenu(), out + QStringLiteral("/file_menu.png"));
    w->fileMenu()->hide();
    pages->model().setZipName(QStringLiteral("edited"));
    grabNextBox(out + QStringLiteral("/unsaved_question.png"), QMessageBox::Cancel);
    w->close();
    pages->model().markSaved();
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
    if (const qsizetype at = args.indexOf(QStringLiteral("--job"));
        at > 0 && at + 1 < args.size()) {
        QTest::qWait(4500);
        jobTour(w, args.at(at + 1), out);
        // The next start offers the job just used.
        MainWindow next(*new QtDialogs, *new DesktopMachine, *new RunFlags);
        next.setCleanupOnClose(false);
        next.show();
        next.offerLastJob();
        QTest::qWait(400);
        save(&next, out + QStringLiteral("/last_job_offer.png"));
    }
    std::printf("saved in %s\n", qPrintable(out));
    return 0;
}
