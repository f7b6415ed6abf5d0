#include "queued_dialogs.h"

#include <QTest>

const char* kindName(QueuedDialogs::Kind kind) {
    switch (kind) {
    case QueuedDialogs::Kind::Message:
        return "message box";
    case QueuedDialogs::Kind::OpenFile:
        return "open-file dialog";
    case QueuedDialogs::Kind::SaveFile:
        return "save-file dialog";
    case QueuedDialogs::Kind::Folder:
        return "folder dialog";
    }
    return "dialog";
}

QueuedDialogs::~QueuedDialogs() {
    verifyAllUsed();
}

QueuedDialogs& QueuedDialogs::answerMessage(MessageAnswer answer, const QString& textPart) {
    Answer a{Kind::Message, answer, {}, textPart, std::move(nextWhileShown_)};
    nextWhileShown_ = nullptr;
    queue_.append(std::move(a));
    return *this;
}

QueuedDialogs& QueuedDialogs::answerOpenFile(const QString& path) {
    queue_.append(Answer{Kind::OpenFile, MessageAnswer::Ok, path, {}, std::move(nextWhileShown_)});
    nextWhileShown_ = nullptr;
    return *this;
}

QueuedDialogs& QueuedDialogs::answerSaveFile(const QString& path) {
    queue_.append(Answer{Kind::SaveFile, MessageAnswer::Ok, path, {}, std::move(nextWhileShown_)});
    nextWhileShown_ = nullptr;
    return *this;
}

QueuedDialogs& QueuedDialogs::answerFolder(const QString& path) {
    queue_.append(Answer{Kind::Folder, MessageAnswer::Ok, path, {}, std::move(nextWhileShown_)});
    nextWhileShown_ = nullptr;
    return *this;
}

QueuedDialogs& QueuedDialogs::whileShown(std::function<void()> action) {
    nextWhileShown_ = std::move(action);
    return *this;
}

QString QueuedDialogs::lastMessage() const {
    for (auto it = shown_.crbegin(); it != shown_.crend(); ++it)
        if (it->kind == Kind::Message)
            return it->text;
    return {};
}

bool QueuedDialogs::verifyAllUsed() {
    if (queue_.isEmpty())
        return true;
    const QByteArray what = QByteArray::number(queue_.size()) +
                            " queued dialog answer(s) unused, first for a " +
                            kindName(queue_.front().kind);
    queue_.clear();
    QTest::qFail(what.constData(), __FILE__, __LINE__);
    return false;
}

void QueuedDialogs::clear() {
    queue_.clear();
    shown_.clear();
    nextWhileShown_ = nullptr;
}

bool QueuedDialogs::take(const Shown& shown, Answer& out) {
    shown_.append(shown);
    if (queue_.isEmpty()) {
        const QByteArray what =
            QByteArray("a ") + kindName(shown.kind) + " found no queued answer: \"" +
            (shown.kind == Kind::Message ? shown.text : shown.title).toUtf8() + "\"";
        QTest::qFail(what.constData(), __FILE__, __LINE__);
        return false;
    }
    if (queue_.front().kind != shown.kind) {
        const QByteArray what = QByteArray("a ") + kindName(shown.kind) +
                                " found an answer for a " + kindName(queue_.front().kind) + ": \"" +
                                (shown.kind == Kind::Message ? shown.text : shown.title).toUtf8() +
                                "\"";
        queue_.removeFirst();
        QTest::qFail(what.constData(), __FILE__, __LINE__);
        return false;
    }
    out = queue_.takeFirst();
    if (out.kind == Kind::Message && !out.textPart.isEmpty() &&
        !shown.text.contains(out.textPart)) {
        const QByteArray what = "message \"" + shown.text.toUtf8() + "\" does not contain \"" +
                                out.textPart.toUtf8() + "\"";
        QTest::qFail(what.constData(), __FILE__, __LINE__);
    }
    if (out.whileShown)
        out.whileShown();
    return true;
}

MessageAnswer QueuedDialogs::message(QWidget*, const QString& text, const QString& title,
                                     MessageIcon icon, MessageButtons buttons) {
    Shown s;
    s.kind = Kind::Message;
    s.text = text;
    s.title = title;
    s.icon = icon;
    s.buttons = buttons;
    Answer a;
    if (!take(s, a))
        return buttons == MessageButtons::YesNo ? MessageAnswer::No
               : buttons == MessageButtons::Ok  ? MessageAnswer::Ok
                                                : MessageAnswer::Cancel;
    return a.message;
}

QString QueuedDialogs::fileAnswer(Kind kind, const QString& caption, const QString& dir,
                                  const QString& filter) {
    Shown s;
    s.kind = kind;
    s.title = caption;
    s.dir = dir;
    s.filter = filter;
    Answer a;
    if (!take(s, a))
        return {};
    return a.path;
}

QString QueuedDialogs::openFile(QWidget*, const QString& caption, const QString& dir,
                                const QString& filter) {
    return fileAnswer(Kind::OpenFile, caption, dir, filter);
}

QString QueuedDialogs::saveFile(QWidget*, const QString& caption, const QString& dir,
                                const QString& filter) {
    return fileAnswer(Kind::SaveFile, caption, dir, filter);
}

QString QueuedDialogs::chooseFolder(QWidget*, const QString& caption, const QString& dir) {
    return fileAnswer(Kind::Folder, caption, dir, {});
}
