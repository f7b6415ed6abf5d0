#include "shell/finish_menu.h"

#include "release/finish_options.h"
#include "release/set_check.h"
#include "shell/check_report_window.h"
#include "shell/dialogs.h"

#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QMenu>

namespace {

// Changes one setting and writes the file; a failure is told and the menu shows the truth.
void changeOptions(Dialogs& dialogs, QWidget* window,
                   const std::function<void(FinishOptions&)>& change) {
    FinishOptions options = readFinishOptions();
    change(options);
    QString error;
    if (!writeFinishOptions(options, &error))
        dialogs.message(window, error, QStringLiteral("Kavel32 error"), MessageIcon::Exclamation,
                        MessageButtons::Ok);
}

} // namespace

QString checkZipsIn(const QString& folder, QWidget* window) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SetCheckRequest request;
    request.folder = folder;
    const SetReport report = checkSet(request, [](const QString&) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    QApplication::restoreOverrideCursor();
    return CheckReportWindow::showReport(QStringLiteral("Check zips"), report, window)->headline();
}

void addFinishMenu(QMenu* fileMenu, Dialogs& dialogs, QWidget* window,
                   std::function<QString()> startFolder,
                   std::function<void(const QString& headline)> ended) {
    QAction* check = fileMenu->addAction(QStringLiteral("C&heck zips..."));
    check->setObjectName(QStringLiteral("checkzips"));
    check->setToolTip(QStringLiteral("Checks a folder of zips as a receiving site does"));
    QObject::connect(check, &QAction::triggered, window, [&dialogs, window, startFolder, ended] {
        const QString start = startFolder ? startFolder() : QString();
        const QString folder = dialogs.chooseFolder(window, QStringLiteral("Check zips"),
                                                    start.isEmpty() ? QDir::homePath() : start);
        if (folder.isEmpty())
            return;
        const QString headline = checkZipsIn(folder, window);
        if (ended)
            ended(headline);
    });

    QAction* verify = fileMenu->addAction(QStringLiteral("Chec&k the zips after a run"));
    verify->setObjectName(QStringLiteral("verifym"));
    verify->setToolTip(QStringLiteral("Every run checks the zips it made before it ends"));
    verify->setCheckable(true);
    QObject::connect(verify, &QAction::toggled, window, [&dialogs, window](bool on) {
        changeOptions(dialogs, window, [on](FinishOptions& o) { o.verify = on; });
    });

    QAction* sfv = fileMenu->addAction(QStringLiteral("Write an S&FV file"));
    sfv->setObjectName(QStringLiteral("sfvm"));
    sfv->setToolTip(QStringLiteral("Every run writes a .sfv file listing its zips' CRCs"));
    sfv->setCheckable(true);
    QObject::connect(sfv, &QAction::toggled, window, [&dialogs, window](bool on) {
        changeOptions(dialogs, window, [on](FinishOptions& o) { o.sfv = on; });
    });

    QMenu* par2 = fileMenu->addMenu(QStringLiteral("&PAR2 recovery"));
    par2->setObjectName(QStringLiteral("par2m"));
    par2->menuAction()->setObjectName(QStringLiteral("par2m"));
    par2->menuAction()->setToolTip(
        QStringLiteral("Every run writes PAR2 files that can repair damaged or missing zips"));
    par2->setToolTipsVisible(true);
    auto* group = new QActionGroup(par2);
    for (int percent : {0, 5, 10, 20, 30, 50}) {
        // Each level has a key of its own: the first digit, the second for 50.
        QString text = percent == 0 ? QStringLiteral("&None") : QStringLiteral("%1 %").arg(percent);
        if (percent > 0)
            text.insert(percent == 50 ? 1 : 0, QLatin1Char('&'));
        QAction* level = par2->addAction(text);
        level->setObjectName(QStringLiteral("par2_%1").arg(percent));
        level->setToolTip(percent == 0
                              ? QStringLiteral("No PAR2 files")
                              : QStringLiteral("Recovery data for %1 % of the set").arg(percent));
        level->setCheckable(true);
        group->addAction(level);
        QObject::connect(level, &QAction::triggered, window, [&dialogs, window, percent] {
            changeOptions(dialogs, window,
                          [percent](FinishOptions& o) { o.par2Percent = percent; });
        });
    }

    // The marks follow the settings file each time the menu opens.
    auto refresh = [verify, sfv, par2] {
        const FinishOptions options = readFinishOptions();
        const QSignalBlocker blockVerify(verify), blockSfv(sfv);
        verify->setChecked(options.verify);
        sfv->setChecked(options.sfv);
        for (QAction* level : par2->actions())
            level->setChecked(level->objectName() ==
                              QStringLiteral("par2_%1").arg(options.par2Percent));
    };
    refresh();
    QObject::connect(fileMenu, &QMenu::aboutToShow, window, refresh);
}
