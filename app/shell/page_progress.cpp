#include "shell/page_progress.h"

#include "shell/job_model.h"
#include "shell/page_common.h"
#include "shell/progress_bar.h"
#include "shell/run_progress.h"

#include <QHBoxLayout>

using namespace pagekit;

PageProgress::PageProgress(QWidget* panel, JobModel& model, const RunProgress& overall)
    : QObject(panel), model_(model), overall_(overall) {
    auto* grid = pageGrid(panel);
    status_ = label(panel, "Label1", QString());
    status_->setWordWrap(true);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    status_->setMinimumHeight(status_->fontMetrics().height() * 4);
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    zipName_ = label(panel, "Label10", QString());
    count_ = label(panel, "Label11", QString());
    progressBar_ = new ZqProgressBar(panel);
    overallBar_ = new QProgressBar(panel);
    overallBar_->setObjectName(QStringLiteral("OverallProgress"));
    overallBar_->setRange(0, 100);
    overallBar_->setFormat(QStringLiteral("%p %"));
    overallBar_->setAccessibleName(QStringLiteral("Whole run"));
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
    grid->addWidget(progressBar_, 3, 0, 1, 3);
    grid->addWidget(overallBar_, 4, 0, 1, 3);
    grid->addWidget(phase_, 5, 0, 1, 3);
    grid->addWidget(abortButton_, 6, 0);
    grid->addWidget(exitButton_, 6, 1);
    grid->addItem(new QSpacerItem(0, 12), 7, 0);
    grid->addWidget(summary_, 8, 0, 1, 3);
    auto* after = new QHBoxLayout;
    after->addWidget(openFolder_);
    after->addWidget(checkZips_);
    after->addStretch(1);
    grid->addLayout(after, 9, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(10, 1);

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
    if (progressBar_->value() != run.percent)
        progressBar_->setValue(run.percent);
}

void PageProgress::showRunProgress() {
    const int percent = overall_.percent();
    overallBar_->setVisible(percent >= 0);
    if (percent >= 0 && overallBar_->value() != percent)
        overallBar_->setValue(percent);
    QStringList line;
    for (const QString& part : {overall_.phase(), overall_.timeLeft()})
        if (!part.isEmpty())
            line << part;
    show(phase_, line.join(QStringLiteral(" - ")));
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
