#include "shell/page_progress.h"

#include "session/run_estimate.h"
#include "shell/job_model.h"
#include "shell/page_common.h"
#include "shell/progress_bar.h"

#include <QHBoxLayout>

using namespace pagekit;

PageProgress::PageProgress(QWidget* panel, JobModel& model, const RunEstimate& overall)
    : QObject(panel), model_(model), overall_(overall) {
    auto* grid = pageGrid(panel);
    status_ = label(panel, "Label1", QString());
    status_->setWordWrap(true);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    status_->setMinimumHeight(status_->fontMetrics().height() * 4);
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    zipName_ = label(panel, "Label10", QString());
    count_ = label(panel, "Label11", QString());
    stepCaption_ = label(panel, "StepCaption", QString());
    progressBar_ = new ZqProgressBar(panel);
    overallBar_ = new QProgressBar(panel);
    overallBar_->setObjectName(QStringLiteral("OverallProgress"));
    overallBar_->setRange(0, 100);
    overallBar_->setFormat(QStringLiteral("%p %"));
    overallBar_->setAccessibleName(QStringLiteral("Whole run"));
    overallBar_->setToolTip(QStringLiteral("The whole run: the volumes made, then zipped"));
    phase_ = label(panel, "RunPhase", QString());
    abortButton_ = button(panel, "Command12", QStringLiteral("&Abort"));
    exitButton_ = button(panel, "Command13", QStringLiteral("E&xit"));
    summary_ = label(panel, "RunSummary", QString());
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = summary_->font();
    bold.setBold(true);
    summary_->setFont(bold);
    openFolder_ = button(panel, "OpenFolder", QStringLiteral("&Open folder"));
    checkZips_ = button(panel, "CheckZips", QStringLiteral("Chec&k zips"));

    grid->addWidget(status_, 0, 0, 1, 3);
    grid->addWidget(zipName_, 1, 0, 1, 3);
    grid->addWidget(count_, 2, 0, 1, 3);
    grid->addItem(new QSpacerItem(0, 6), 3, 0);
    grid->addWidget(stepCaption_, 4, 0, 1, 3);
    grid->addWidget(progressBar_, 5, 0, 1, 3);
    grid->addWidget(phase_, 6, 0, 1, 3);
    grid->addWidget(overallBar_, 7, 0, 1, 3);
    grid->addWidget(abortButton_, 8, 0);
    grid->addWidget(exitButton_, 8, 1);
    grid->addItem(new QSpacerItem(0, 12), 9, 0);
    grid->addWidget(summary_, 10, 0, 1, 3);
    auto* after = new QHBoxLayout;
    after->addWidget(openFolder_);
    after->addWidget(checkZips_);
    after->addStretch(1);
    grid->addLayout(after, 11, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(12, 1);
    abortButton_->setToolTip(QStringLiteral("Stops the run; what is made so far stays"));
    exitButton_->setToolTip(QStringLiteral("Stops the run and closes Kavel32"));
    openFolder_->setToolTip(QStringLiteral("Shows the folder with what the run made"));
    checkZips_->setToolTip(QStringLiteral("Checks the zips as a receiving site does"));

    connect(abortButton_, &QPushButton::clicked, this, &PageProgress::abortClicked);
    connect(exitButton_, &QPushButton::clicked, this, &PageProgress::exitClicked);
    connect(openFolder_, &QPushButton::clicked, this, &PageProgress::openFolderClicked);
    connect(checkZips_, &QPushButton::clicked, this, &PageProgress::checkZipsClicked);
    connect(&model_, &JobModel::runDisplayChanged, this, &PageProgress::refresh);
    clearSummary();
    refresh();
    showRunProgress();
}

void PageProgress::refresh() {
    const RunDisplay& run = model_.runDisplay();
    // The status text's line breaks are CR, CR LF or LF.
    QString status = run.status;
    status.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    status.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    show(status_, status);
    show(zipName_, run.zipName);
    show(count_, run.count);
    // The upper bar is the step under way: the archiver's volumes, then each zip.
    const bool archiving = run.archiverPercent >= 0;
    const int step = archiving ? run.archiverPercent : run.percent;
    if (progressBar_->value() != step)
        progressBar_->setValue(step);
    show(stepCaption_, archiving ? QStringLiteral("Making the volumes: %1 %").arg(step)
                                 : QStringLiteral("This zip"));
}

void PageProgress::showRunProgress() {
    const int percent = overall_.percent();
    overallBar_->setVisible(percent >= 0);
    if (percent >= 0 && overallBar_->value() != percent)
        overallBar_->setValue(percent);
    QStringList line{QStringLiteral("Whole run")};
    for (const QString& part : {overall_.phaseText(), overall_.timeLeft()})
        if (!part.isEmpty())
            line << part;
    show(phase_, percent >= 0 ? line.join(QStringLiteral(" - ")) : QString());
    phase_->setVisible(percent >= 0);
}

void PageProgress::showSummary(const QString& text) {
    summary_->setText(text);
    for (QWidget* w : {static_cast<QWidget*>(summary_), static_cast<QWidget*>(openFolder_),
                       static_cast<QWidget*>(checkZips_)})
        w->setVisible(true);
}

void PageProgress::clearSummary() {
    summary_->clear();
    for (QWidget* w : {static_cast<QWidget*>(summary_), static_cast<QWidget*>(openFolder_),
                       static_cast<QWidget*>(checkZips_)})
        w->setVisible(false);
}
