#include "shell/page_progress.h"

#include "shell/job_model.h"
#include "shell/page_common.h"
#include "shell/progress_bar.h"

using namespace pagekit;

PageProgress::PageProgress(QWidget* panel, JobModel& model) : QObject(panel), model_(model) {
    auto* grid = pageGrid(panel);
    status_ = label(panel, "Label1", QString());
    status_->setWordWrap(true);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    status_->setMinimumHeight(status_->fontMetrics().height() * 4);
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    zipName_ = label(panel, "Label10", QString());
    count_ = label(panel, "Label11", QString());
    progressBar_ = new ZqProgressBar(panel);
    abortButton_ = button(panel, "Command12", QStringLiteral("&Abort"));
    exitButton_ = button(panel, "Command13", QStringLiteral("E&xit"));

    grid->addWidget(status_, 0, 0, 1, 3);
    grid->addWidget(zipName_, 1, 0, 1, 3);
    grid->addWidget(count_, 2, 0, 1, 3);
    grid->addWidget(progressBar_, 3, 0, 1, 3);
    grid->addWidget(abortButton_, 4, 0);
    grid->addWidget(exitButton_, 4, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(5, 1);

    connect(abortButton_, &QPushButton::clicked, this, &PageProgress::abortClicked);
    connect(exitButton_, &QPushButton::clicked, this, &PageProgress::exitClicked);
    connect(&model_, &JobModel::runDisplayChanged, this, &PageProgress::refresh);
    refresh();
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
