#pragma once

#include "shell/dialogs.h"

// The real dialogs: Qt message boxes and file dialogs.
class QtDialogs : public Dialogs {
  public:
    MessageAnswer message(QWidget* parent, const QString& text, const QString& title,
                          MessageIcon icon, MessageButtons buttons) override;
    QString openFile(QWidget* parent, const QString& caption, const QString& dir,
                     const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& caption, const QString& dir,
                     const QString& filter) override;
    QString chooseFolder(QWidget* parent, const QString& caption, const QString& dir) override;
    QString
    chooseFolderWithStatus(QWidget* parent, const QString& caption, const QString& dir,
                           const std::function<QString(const QString&)>& statusFor) override;
};

// Turns a filter written as "Text files (*.txt)|*.txt|All (*.*)|*.*" into Qt's form with
// the host's patterns, "Text files (*.txt);;All (*)": the patterns of each pair go into its
// label's parentheses, and "*.*" (every file) becomes "*". A filter already in Qt's form
// only gets the host's patterns.
QString qtFilterFromPairs(const QString& filter);
// One pattern as the host's file dialog reads it.
QString hostPattern(const QString& pattern);
