#include "shell/trip_menu.h"

#include "engine/rip_run.h"
#include "release/unpack_set.h"
#include "shell/check_report_window.h"
#include "shell/dialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QProgressDialog>

namespace {

const QString kUnpackTitle = QStringLiteral("Unpack a set");

void resumeRun(Dialogs& dialogs, QWidget* window,
               const std::function<SessionResult(const QString&)>& resume) {
    const QString folder = dialogs.chooseFolder(
        window, QStringLiteral("Resume a stopped run: its output folder"), defaultWorkLocation());
    if (folder.isEmpty())
        return;
    // The resume tells on the progress page, and in a message box, how it ended.
    resume(folder);
}

void unpack(Dialogs& dialogs, QWidget* window) {
    const QString zipDir =
        dialogs.chooseFolder(window, kUnpackTitle + QStringLiteral(": the zips"), QDir::homePath());
    if (zipDir.isEmpty())
        return;
    const QString dest = dialogs.chooseFolder(
        window, kUnpackTitle + QStringLiteral(": an empty folder to unpack into"), zipDir);
    if (dest.isEmpty())
        return;
    QProgressDialog progress(window);
    progress.setObjectName(QStringLiteral("UnpackProgress"));
    progress.setWindowTitle(kUnpackTitle);
    progress.setCancelButton(nullptr);
    progress.setMinimumDuration(0);
    progress.setRange(0, 100);
    const UnpackResult result =
        unpackSet({zipDir, dest}, [&progress](const QString& step, int percent) {
            progress.setLabelText(step);
            // A step of unknown length shows a busy bar.
            progress.setRange(0, percent < 0 ? 0 : 100);
            progress.setValue(qMax(percent, 0));
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    progress.close();
    QStringList lines = result.report;
    if (!result.ok)
        lines << QStringLiteral("FAILED: ") + result.failure;
    CheckReportWindow::showReport(kUnpackTitle, lines, window);
}

} // namespace

void addTripMenu(QMenu* fileMenu, Dialogs& dialogs, QWidget* window,
                 const std::function<SessionResult(const QString&)>& resume) {
    QAction* resumeAction = fileMenu->addAction(QStringLiteral("&Resume a stopped run..."));
    resumeAction->setObjectName(QStringLiteral("resumem"));
    QObject::connect(resumeAction, &QAction::triggered, window,
                     [&dialogs, window, resume] { resumeRun(dialogs, window, resume); });
    QAction* unpackAction = fileMenu->addAction(QStringLiteral("&Unpack a set..."));
    unpackAction->setObjectName(QStringLiteral("unpackm"));
    QObject::connect(unpackAction, &QAction::triggered, window,
                     [&dialogs, window] { unpack(dialogs, window); });
}
