#include "shell/page_folder_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

QString folderDialogWithStatus(QWidget* parent, const QString& caption, const QString& dir,
                               const std::function<QString(const QString&)>& statusFor) {
    QFileDialog dialog(parent, caption, dir);
    // Qt's own dialog: a platform dialog has no room for a line of ours.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setFileMode(QFileDialog::Directory);
    auto* status = new QLabel(&dialog);
    status->setObjectName(QStringLiteral("FolderStatus"));
    status->setTextFormat(Qt::PlainText);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(status, grid->rowCount(), 0, 1, grid->columnCount());
    const auto follow = [&](const QString& path) {
        if (!path.isEmpty() && statusFor)
            status->setText(statusFor(path));
    };
    QObject::connect(&dialog, &QFileDialog::currentChanged, status, follow);
    QObject::connect(&dialog, &QFileDialog::directoryEntered, status, follow);
    // A highlight also shows in the name field: follow it there too.
    if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        QObject::connect(name, &QLineEdit::textChanged, status,
                         [&dialog, follow](const QString& text) {
                             if (!text.isEmpty())
                                 follow(QDir(dialog.directory()).absoluteFilePath(text));
                         });
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}
