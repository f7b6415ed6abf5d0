#pragma once

class Dialogs;
class QMenu;
class QWidget;

// The File menu's entries for finishing a set: "Check zips..." (a folder, then the report
// window), and the steps after a run's last zip, kept in the per-user settings: the check of
// the set, an SFV file, PAR2 recovery files at a chosen percentage.
void addFinishMenu(QMenu* fileMenu, Dialogs& dialogs, QWidget* window);
