#pragma once

#include "shell/dialogs.h"

#include <QList>
#include <QString>

#include <functional>

// Dialogs for window tests: every answer is queued before the action that shows the dialog.
// A dialog that finds no answer, or finds an answer of another kind, fails the running test
// (and gets Cancel / an empty path); answers still queued when the object is destroyed, or
// when verifyAllUsed() is called, fail it too.
class QueuedDialogs : public Dialogs {
  public:
    enum class Kind { Message, OpenFile, SaveFile, Folder };

    // One dialog as it was shown.
    struct Shown {
        Kind kind = Kind::Message;
        QString text;  // message text
        QString title; // message title or dialog caption
        MessageIcon icon = MessageIcon::Information;
        MessageButtons buttons = MessageButtons::Ok;
        QString dir;
        QString filter;
    };

    ~QueuedDialogs() override;

    // textPart, when given, must be part of the message text.
    QueuedDialogs& answerMessage(MessageAnswer answer, const QString& textPart = {});
    // An empty path answers as Cancel.
    QueuedDialogs& answerOpenFile(const QString& path);
    QueuedDialogs& answerSaveFile(const QString& path);
    QueuedDialogs& answerFolder(const QString& path);
    // Runs while the next queued dialog is "open" (for example to check the window state).
    QueuedDialogs& whileShown(std::function<void()> action);

    int pending() const { return int(queue_.size()); }
    const QList<Shown>& shown() const { return shown_; }
    QString lastMessage() const;
    // Fails the running test when answers are left; returns whether none were.
    bool verifyAllUsed();
    void clear();

    MessageAnswer message(QWidget* parent, const QString& text, const QString& title,
                          MessageIcon icon, MessageButtons buttons) override;
    QString openFile(QWidget* parent, const QString& caption, const QString& dir,
                     const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& caption, const QString& dir,
                     const QString& filter) override;
    QString chooseFolder(QWidget* parent, const QString& caption, const QString& dir) override;

  private:
    struct Answer {
        Kind kind;
        MessageAnswer message = MessageAnswer::Ok;
        QString path;
        QString textPart;
        std::function<void()> whileShown;
    };
    bool take(const Shown& shown, Answer& out);
    QString fileAnswer(Kind kind, const QString& caption, const QString& dir,
                       const QString& filter);

    QList<Answer> queue_;
    QList<Shown> shown_;
    std::function<void()> nextWhileShown_;
};

const char* kindName(QueuedDialogs::Kind kind);
