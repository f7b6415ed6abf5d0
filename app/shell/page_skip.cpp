#include "shell/page_skip.h"

#include "companion/skip_list.h"
#include "shell/job_pages.h"
#include "shell/page_common.h"
#include "shell/ss_frame.h"
#include "shell/ss_panel.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>

using namespace pagekit;

namespace {
const QString kCrLf = QStringLiteral("\r\n");
}

PageSkip::PageSkip(QWidget* panel, JobPages& host) : QObject(nullptr), host_(host) {
    auto* grid = pageGrid(panel);
    Label2 = label(panel, "Label2", QStringLiteral("Sub-directories or files to skip   (optional)"));
    Text1 = new QPlainTextEdit(panel);
    Text1->setObjectName(QStringLiteral("Text1"));
    // Entries come only from Browse, so every one ends with a line end and none is empty:
    // the script format depends on that.
    Text1->setReadOnly(true);
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* kinds = new SSFrame(QStringLiteral("Frame2"), QString(), panel);
    auto* kindsRow = new QHBoxLayout(kinds);
    Option5 = option(kinds, "Option5", QStringLiteral("&File"));
    Option6 = option(kinds, "Option6", QStringLiteral("&Sub-dir"));
    Option6->setChecked(true);
    kindsRow->addWidget(Option5);
    kindsRow->addWidget(Option6);
    Command1 = button(panel, "Command1", QStringLiteral("&Browse"));
    Command14 = button(panel, "Command14", QStringLiteral("&Clear"));

    grid->addWidget(Label2, 0, 0, 1, 4);
    grid->addWidget(Text1, 1, 0, 1, 4);
    grid->addWidget(kinds, 2, 0);
    grid->addWidget(Command1, 2, 1);
    grid->addWidget(Command14, 2, 2);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(1, 1);

    connect(Command1, &QPushButton::clicked, this, &PageSkip::browse);
    connect(Command14, &QPushButton::clicked, this, &PageSkip::clear);
}

void PageSkip::setSkipList(const QString& list) {
    list_ = list;
    QString shown = list;
    shown.replace(kCrLf, QStringLiteral("\n"));
    if (shown.endsWith(QLatin1Char('\n')))
        shown.chop(1);
    Text1->setPlainText(shown);
}

void PageSkip::clear() { setSkipList(QString()); }

void PageSkip::browse() {
    auto& dialogs = host_.services_.dialogs;
    auto& window = host_.services_.window;
    JobSettings job = host_.readJob();
    if (!skipBrowseAllowed(job, window))
        return;
    if (Option6->isChecked()) {
        const QString chosen = dialogs.chooseFolder(
            host_.dialogParent(), QStringLiteral("Directory to skip"), job.SourceSpec);
        if (addSkipSubDirectory(job, chosen, window))
            setSkipList(job.SkipList);
        return;
    }
    const QString chosen =
        dialogs.openFile(host_.dialogParent(), QStringLiteral("Add skip file"), job.SourceSpec,
                         QStringLiteral("Skip file (*.*)|*.*|"));
    if (addSkipFile(job, chosen, window))
        setSkipList(job.SkipList);
}
