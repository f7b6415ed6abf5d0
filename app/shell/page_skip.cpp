#include "shell/page_skip.h"

#include "companion/skip_list.h"
#include "job/text_lines.h"
#include "script/loaded_job_check.h"
#include "shell/job_model.h"
#include "shell/page_common.h"
#include "shell/shell_services.h"
#include "shell/ss_frame.h"
#include "shell/ss_panel.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>

using namespace pagekit;

namespace {
// The entries that name nothing that is there now, as the check would find them.
QString missingEntriesNote(const QString& skipList) {
    QStringList missing;
    for (const QString& entry : splitTextLines(skipList))
        if (!entry.isEmpty() && !skipEntryExists(entry))
            missing << entry;
    if (missing.isEmpty())
        return {};
    return missing.size() == 1 ? QStringLiteral("Not found: %1").arg(missing.front())
                               : QStringLiteral("Not found: %1 and %2 more")
                                     .arg(missing.front())
                                     .arg(missing.size() - 1);
}
} // namespace

PageSkip::PageSkip(QWidget* panel, JobModel& model, ShellServices& services)
    : QObject(panel), model_(model), services_(services), panel_(panel) {
    auto* grid = pageGrid(panel);
    listCaption_ =
        label(panel, "Label2", QStringLiteral("Sub-directories or files to skip   (optional)"));
    listView_ = new QPlainTextEdit(panel);
    listView_->setObjectName(QStringLiteral("Text1"));
    // Entries come only from Browse, so every one ends with a line end and none is empty:
    // the script format depends on that.
    listView_->setReadOnly(true);
    listView_->setLineWrapMode(QPlainTextEdit::NoWrap);
    listNote_ = new FieldNote(QStringLiteral("Text1"), panel);
    kindFrame_ = new SSFrame(QStringLiteral("Frame2"), QString(), panel);
    auto* kindsRow = new QHBoxLayout(kindFrame_);
    fileKind_ = option(kindFrame_, "Option5", QStringLiteral("Fi&le"));
    subDirKind_ = option(kindFrame_, "Option6", QStringLiteral("&Sub-dir"));
    subDirKind_->setChecked(true);
    kindsRow->addWidget(fileKind_);
    kindsRow->addWidget(subDirKind_);
    browseButton_ = button(panel, "Command1", QStringLiteral("&Browse"));
    clearButton_ = button(panel, "Command14", QStringLiteral("&Clear"));

    grid->addWidget(listCaption_, 0, 0, 1, 4);
    grid->addWidget(listView_, 1, 0, 1, 4);
    grid->addWidget(listNote_, 2, 0, 1, 4);
    grid->addWidget(kindFrame_, 3, 0);
    grid->addWidget(browseButton_, 3, 1);
    grid->addWidget(clearButton_, 3, 2);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(1, 1);

    connect(browseButton_, &QPushButton::clicked, this, &PageSkip::browse);
    connect(clearButton_, &QPushButton::clicked, this, [this] { model_.setSkipList(QString()); });
    connect(&model_, &JobModel::changed, this, &PageSkip::refresh);
    refresh();
}

void PageSkip::refresh() {
    QString shown = model_.job().SkipList;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (shown.endsWith(QLatin1Char('\n')))
        shown.chop(1);
    if (listView_->toPlainText() != shown)
        listView_->setPlainText(shown);
    listNote_->showText(model_.note(QStringLiteral("Text1")).isEmpty()
                            ? missingEntriesNote(model_.job().SkipList)
                            : model_.note(QStringLiteral("Text1")));
    // An archives-only job has no skip list: the picture area and its buttons are off.
    panel_->setEnabled(!model_.job().RawArchivesOnly);
}

void PageSkip::browse() {
    JobSettings job = model_.job();
    QWidget* parent = panel_->window();
    if (!skipBrowseAllowed(job, services_.window))
        return;
    if (subDirKind_->isChecked()) {
        const QString chosen = services_.dialogs.chooseFolder(
            parent, QStringLiteral("Directory to skip"), job.SourceSpec);
        if (addSkipSubDirectory(job, chosen, services_.window))
            model_.setSkipList(job.SkipList);
        return;
    }
    const QString chosen =
        services_.dialogs.openFile(parent, QStringLiteral("Add skip file"), job.SourceSpec,
                                   QStringLiteral("Skip file (*.*)|*.*|"));
    if (addSkipFile(job, chosen, services_.window))
        model_.setSkipList(job.SkipList);
}
