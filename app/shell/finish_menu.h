#pragma once

#include <QString>

#include <functional>

class Dialogs;
class QMenu;
class QWidget;

// The File menu's entries for finishing a set: "Check zips..." (a folder, then the report
// window), and the steps after a run's last zip, kept in the per-user settings: the check of
// the set, an SFV file, PAR2 recovery files at a chosen percentage.
// startFolder gives where "Check zips..." opens its folder dialog.
// ended hears the headline of every check made from the menu.
void addFinishMenu(QMenu* fileMenu, Dialogs& dialogs, QWidget* window,
                   std::function<QString()> startFolder,
                   std::function<void(const QString& headline)> ended = {});
// Checks the set in folder as a receiving site does and shows the report window; returns the
// report's headline.
QString checkZipsIn(const QString& folder, QWidget* window);
