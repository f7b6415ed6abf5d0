#pragma once

#include "session/job_session.h"

#include <QString>

#include <functional>

class Dialogs;
class QMenu;
class QWidget;

// The File menu's entries for both ends of a set's trip: "Resume a stopped run..." (a run's
// output folder, finished through resume) and "Unpack a set..." (a folder of zips and an
// empty folder to unpack into, with a progress window, then the report).
void addTripMenu(QMenu* fileMenu, Dialogs& dialogs, QWidget* window,
                 const std::function<SessionResult(const QString& outputFolder)>& resume);
