#include "shell/unpack_window.h"

#include "release/unpack_set.h"
#include "session/unpack_target.h"
#include "shell/dialogs.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>

namespace {
QPushButton* makeButton(const char* name, const QString& text, const QString& tip,
                        QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}
} // namespace

UnpackWindow::UnpackWindow(const QString& zipDir, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), zipDir_(zipDir), dialogs_(dialogs) {
    setObjectName(QStringLiteral("UnpackWindow"));
    setWindowTitle(QStringLiteral("Unpack a set"));
    openFolder_ = [](const QString& folder) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    };
    auto* grid = new QGridLayout(this);
    auto* from =
        new QLabel(QStringLiteral("Zips in %1").arg(QDir::toNativeSeparators(zipDir)), this);
    from->setObjectName(QStringLiteral("UnpackFrom"));
    from->setTextFormat(Qt::PlainText);
    from->setWordWrap(true);
    auto* intoLabel = new QLabel(QStringLiteral("Unpack &into (a new folder):"), this);
    dest_ = new QLineEdit(proposedUnpackFolder(zipDir), this);
    dest_->setObjectName(QStringLiteral("UnpackDest"));
    dest_->setToolTip(QStringLiteral("The folder is made; it must not be there yet, or be empty"));
    intoLabel->setBuddy(dest_);
    browse_ = makeButton("UnpackBrowse", QStringLiteral("&Browse..."),
                         QStringLiteral("Chooses where the new folder goes"), this);
    step_ = new QLabel(this);
    step_->setObjectName(QStringLiteral("UnpackStep"));
    step_->setTextFormat(Qt::PlainText);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("UnpackProgress"));
    progress_->setRange(0, 100);
    progress_->setValue(0);
    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("UnpackResult"));
    result_->setTextFormat(Qt::PlainText);
    result_->setWordWrap(true);
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    start_ = makeButton("UnpackStart", QStringLiteral("&Unpack"),
                        QStringLiteral("Checks the zips and unpacks the set"), this);
    start_->setDefault(true);
    cancel_ = makeButton("UnpackCancel", QStringLiteral("&Cancel"),
                         QStringLiteral("Stops; what was made so far is taken away"), this);
    openButton_ = makeButton("UnpackOpenFolder", QStringLiteral("&Open folder"),
                             QStringLiteral("Shows the unpacked folder"), this);
    close_ = makeButton("UnpackClose", QStringLiteral("C&lose"),
                        QStringLiteral("Closes this window"), this);
    openButton_->hide();
    close_->hide();

    grid->addWidget(from, 0, 0, 1, 2);
    grid->addWidget(intoLabel, 1, 0, 1, 2);
    grid->addWidget(dest_, 2, 0);
    grid->addWidget(browse_, 2, 1);
    grid->addWidget(step_, 3, 0, 1, 2);
    grid->addWidget(progress_, 4, 0, 1, 2);
    grid->addWidget(result_, 5, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {openButton_, start_, cancel_, close_})
        buttons->addWidget(b);
    grid->addLayout(buttons, 6, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(5, 1);

    connect(browse_, &QPushButton::clicked, this, &UnpackWindow::browse);
    connect(start_, &QPushButton::clicked, this, &UnpackWindow::start);
    connect(cancel_, &QPushButton::clicked, this, &UnpackWindow::cancel);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    connect(openButton_, &QPushButton::clicked, this, [this] {
        if (openFolder_)
            openFolder_(unpacked_);
    });
    resize(560, sizeHint().height());
}

QString UnpackWindow::destination() const {
    return dest_->text().trimmed();
}

QString UnpackWindow::resultText() const {
    return result_->text();
}

void UnpackWindow::browse() {
    const QString parent = dialogs_.chooseFolder(
        this, QStringLiteral("Unpack a set: where the new folder goes"), zipDir_);
    if (!parent.isEmpty())
        dest_->setText(QDir(parent).filePath(QFileInfo(destination()).fileName()));
}

void UnpackWindow::setWorking(bool on) {
    working_ = on;
    dest_->setEnabled(!on);
    browse_->setEnabled(!on);
    start_->setEnabled(!on);
}

void UnpackWindow::start() {
    if (working_)
        return;
    const QString dest = QDir::cleanPath(QFileInfo(destination()).absoluteFilePath());
    result_->clear();
    QString error;
    UnpackTarget target;
    if (destination().isEmpty() || !target.prepare(dest, &error)) {
        result_->setText(error.isEmpty() ? QStringLiteral("Name the folder to unpack into.")
                                         : error);
        return;
    }
    cancelled_ = false;
    setWorking(true);
    UnpackRequest request{zipDir_, dest, [this] { return cancelled_; }};
    const UnpackResult result = unpackSet(request, [this](const QString& step, int percent) {
        step_->setText(step);
        // A step of unknown length shows a busy bar.
        progress_->setRange(0, percent < 0 ? 0 : 100);
        progress_->setValue(qMax(percent, 0));
        // Input too: Cancel has to be heard.
        QCoreApplication::processEvents();
    });
    setWorking(false);
    progress_->setRange(0, 100);
    QString line;
    if (result.ok) {
        unpacked_ = dest;
        progress_->setValue(100);
        step_->setText(QStringLiteral("Done"));
        line = result.report.isEmpty() ? QString() : result.report.back();
        if (!result.repaired.isEmpty())
            line += QStringLiteral("\nRepaired with PAR2: ") +
                    result.repaired.join(QStringLiteral(", "));
    } else {
        target.undo();
        progress_->setValue(0);
        step_->clear();
        line = result.failure == kUnpackCancelledText
                   ? QStringLiteral("Cancelled; nothing was left in %1.").arg(dest)
                   : QStringLiteral("FAILED: ") + result.failure;
    }
    result_->setText(line);
    openButton_->setVisible(result.ok);
    start_->setVisible(!result.ok);
    cancel_->setVisible(!result.ok);
    close_->setVisible(result.ok);
    emit finished(result.ok, line);
}

void UnpackWindow::cancel() {
    if (working_) {
        cancelled_ = true;
        step_->setText(QStringLiteral("Cancelling..."));
        return;
    }
    reject();
}

void UnpackWindow::reject() {
    // Escape while it works cancels the work; the window stays to say how it ended.
    if (working_) {
        cancel();
        return;
    }
    QDialog::reject();
}

void UnpackWindow::closeEvent(QCloseEvent* event) {
    if (working_) {
        cancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
