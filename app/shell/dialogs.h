#pragma once

#include "job/window_port.h"

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Every message box and file or folder dialog of the window goes through here, so tests
// queue their answers in advance instead of clicking real dialogs.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    virtual MessageAnswer message(QWidget* parent, const QString& text, const QString& title,
                                  MessageIcon icon, MessageButtons buttons) = 0;
    // Empty result: the user cancelled.
    virtual QString openFile(QWidget* parent, const QString& caption, const QString& dir,
                             const QString& filter) = 0;
    virtual QString saveFile(QWidget* parent, const QString& caption, const QString& dir,
                             const QString& filter) = 0;
    virtual QString chooseFolder(QWidget* parent, const QString& caption, const QString& dir) = 0;
    // A folder dialog whose status line follows the highlighted folder: statusFor gives the
    // line for a path. Without a status line of its own a dialog is a plain folder dialog.
    virtual QString
    chooseFolderWithStatus(QWidget* parent, const QString& caption, const QString& dir,
                           const std::function<QString(const QString&)>& statusFor) {
        (void)statusFor;
        return chooseFolder(parent, caption, dir);
    }
};
