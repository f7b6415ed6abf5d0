#include "shell/page_progress.h"

#include "shell/job_pages.h"
#include "shell/page_common.h"
#include "shell/progress_bar.h"

using namespace pagekit;

PageProgress::PageProgress(QWidget* panel, JobPages& host) : QObject(nullptr), host_(host) {
    auto* grid = pageGrid(panel);
    Label1 = label(panel, "Label1", QString());
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setMinimumHeight(Label1->fontMetrics().height() * 4);
    Label1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Label10 = label(panel, "Label10", QString());
    Label11 = label(panel, "Label11", QString());
    ZqProgressBar1 = new ZqProgressBar(panel);
    Command12 = button(panel, "Command12", QStringLiteral("&Abort"));
    Command13 = button(panel, "Command13", QStringLiteral("E&xit"));

    grid->addWidget(Label1, 0, 0, 1, 3);
    grid->addWidget(Label10, 1, 0, 1, 3);
    grid->addWidget(Label11, 2, 0, 1, 3);
    grid->addWidget(ZqProgressBar1, 3, 0, 1, 3);
    grid->addWidget(Command12, 4, 0);
    grid->addWidget(Command13, 4, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(5, 1);

    connect(Command12, &QPushButton::clicked, &host_, &JobPages::abortRun);
    connect(Command13, &QPushButton::clicked, &host_, &JobPages::exitRun);
}
