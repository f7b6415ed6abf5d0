#include "shell/qt_dialogs.h"

#include "shell/page_folder_dialog.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {
QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Information:
        break;
    }
    return QMessageBox::Information;
}
} // namespace

QString hostPattern(const QString& pattern) {
    // "*.*" is every file on the system the filters were written for; here a name needs
    // no dot (README), so it is "*".
    return pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern;
}

namespace {
// "Label (p1 p2)" for a label and its patterns separated by ";" or blanks.
QString qtEntry(const QString& label, const QString& patterns) {
    QStringList host;
    for (const QString& p : QString(patterns)
                                .replace(QLatin1Char(';'), QLatin1Char(' '))
                                .split(QLatin1Char(' '), Qt::SkipEmptyParts))
        host << hostPattern(p);
    const QString name = label.section(QLatin1Char('('), 0, 0).trimmed();
    return name + QStringLiteral(" (") + host.join(QLatin1Char(' ')) + QLatin1Char(')');
}
} // namespace

QString qtFilterFromPairs(const QString& filter) {
    QStringList out;
    if (!filter.contains(QLatin1Char('|'))) {
        // Qt's own form: the patterns are in the parentheses of each label.
        for (const QString& entry : filter.split(QStringLiteral(";;"), Qt::SkipEmptyParts)) {
            const qsizetype open = entry.lastIndexOf(QLatin1Char('('));
            const qsizetype close = entry.lastIndexOf(QLatin1Char(')'));
            out << (open >= 0 && close > open
                        ? qtEntry(entry.left(open), entry.mid(open + 1, close - open - 1))
                        : entry);
        }
        return out.join(QStringLiteral(";;"));
    }
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        out << qtEntry(parts[i], parts[i + 1]);
    if (parts.size() % 2 == 1 && !parts.back().isEmpty())
        out << parts.back();
    return out.join(QStringLiteral(";;"));
}

MessageAnswer QtDialogs::message(QWidget* parent, const QString& text, const QString& title,
                                 MessageIcon icon, MessageButtons buttons) {
    QMessageBox box(qtIcon(icon), title, text, QMessageBox::NoButton, parent);
    switch (buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageButtons::OkCancel:
        // The one OK/Cancel question destroys a set on OK: Enter alone must not.
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MessageButtons::SaveDiscardCancel:
        box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Save);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Ok:
        return MessageAnswer::Ok;
    case QMessageBox::Save:
        return MessageAnswer::Save;
    case QMessageBox::Discard:
        return MessageAnswer::Discard;
    default:
        // Closing the box with Escape or the title bar is the safe answer.
        return buttons == MessageButtons::YesNo ? MessageAnswer::No
               : buttons == MessageButtons::Ok  ? MessageAnswer::Ok
                                                : MessageAnswer::Cancel;
    }
}

QString QtDialogs::openFile(QWidget* parent, const QString& caption, const QString& dir,
                            const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, dir, qtFilterFromPairs(filter), nullptr,
                                        QFileDialog::ReadOnly);
}

QString QtDialogs::saveFile(QWidget* parent, const QString& caption, const QString& dir,
                            const QString& filter) {
    return QFileDialog::getSaveFileName(parent, caption, dir, qtFilterFromPairs(filter));
}

QString QtDialogs::chooseFolder(QWidget* parent, const QString& caption, const QString& dir) {
    return QFileDialog::getExistingDirectory(parent, caption, dir, QFileDialog::ShowDirsOnly);
}

QString QtDialogs::chooseFolderWithStatus(QWidget* parent, const QString& caption,
                                          const QString& dir,
                                          const std::function<QString(const QString&)>& statusFor) {
    return folderDialogWithStatus(parent, caption, dir, statusFor);
}
