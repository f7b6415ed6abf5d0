#pragma once

#include <QString>

#include <functional>

class QWidget;

// A folder chooser with a status line under the folder view that follows the highlighted
// folder (the source Browse shows the folder, or "Invalid drive"). Empty when cancelled.
QString folderDialogWithStatus(QWidget* parent, const QString& caption, const QString& dir,
                               const std::function<QString(const QString&)>& statusFor);
