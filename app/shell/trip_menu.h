#pragma once

#include "session/job_session.h"

#include <QString>

#include <functional>

class Dialogs;
class QMenu;
class QWidget;

// The File menu's entries for both ends of a set's trip: "Resume a stopped run..." (a run's
// output folder, finished through resume) and "Unpack a set..." (a folder of zips, then the
// unpack window, which proposes the folder to unpack into). unpacked hears how each unpack
// ended.
void addTripMenu(QMenu* fileMenu, Dialogs& dialogs, QWidget* window,
                 const std::function<SessionResult(const QString& outputFolder)>& resume,
                 const std::function<void(bool ok, const QString& line)>& unpacked = {});
