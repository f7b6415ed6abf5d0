#include "shell/trip_menu.h"

#include "engine/rip_run.h"
#include "release/unpack_set.h"
#include "shell/dialogs.h"
#include "shell/unpack_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QMenu>

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

void unpack(Dialogs& dialogs, QWidget* window,
            const std::function<void(bool, const QString&)>& ended) {
    const QString zipDir =
        dialogs.chooseFolder(window, kUnpackTitle + QStringLiteral(": the zips"), QDir::homePath());
    if (zipDir.isEmpty())
        return;
    auto* unpacking = new UnpackWindow(zipDir, dialogs, window);
    unpacking->setAttribute(Qt::WA_DeleteOnClose);
    if (ended)
        QObject::connect(unpacking, &UnpackWindow::finished, window, ended);
    unpacking->show();
}

} // namespace

void addTripMenu(QMenu* fileMenu, Dialogs& dialogs, QWidget* window,
                 const std::function<SessionResult(const QString&)>& resume,
                 const std::function<void(bool, const QString&)>& unpacked) {
    QAction* resumeAction = fileMenu->addAction(QStringLiteral("Resu&me a stopped run..."));
    resumeAction->setObjectName(QStringLiteral("resumem"));
    resumeAction->setToolTip(
        QStringLiteral("Finishes a run that was stopped, from the volumes it left"));
    QObject::connect(resumeAction, &QAction::triggered, window,
                     [&dialogs, window, resume] { resumeRun(dialogs, window, resume); });
    QAction* unpackAction = fileMenu->addAction(QStringLiteral("&Unpack a set..."));
    unpackAction->setObjectName(QStringLiteral("unpackm"));
    unpackAction->setToolTip(QStringLiteral("Checks a received set and unpacks it into a folder"));
    QObject::connect(unpackAction, &QAction::triggered, window,
                     [&dialogs, window, unpacked] { unpack(dialogs, window, unpacked); });
}
