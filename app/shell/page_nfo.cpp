#include "shell/page_nfo.h"

#include "platform/paths.h"
#include "shell/companion_file.h"
#include "shell/job_model.h"
#include "shell/page_common.h"
#include "shell/shell_services.h"
#include "shell/ss_frame.h"
#include "shell/ss_panel.h"

#include <QCheckBox>
#include <QHBoxLayout>

using namespace pagekit;

PageNfo::PageNfo(QWidget* panel, JobModel& model, ShellServices& services)
    : QObject(panel), model_(model), services_(services), panel_(panel) {
    auto* grid = pageGrid(panel);
    nfoCaption_ = label(panel, "Label7", QStringLiteral("Nfo"));
    nfoDisplay_ = new SSPanel(QStringLiteral("SSPanel3"), panel);
    nfoDisplay_->setToolTipFollowsCaption(true);
    nfoNote_ = new FieldNote(QStringLiteral("SSPanel3"), panel);
    createButton_ = button(panel, "Command7", QStringLiteral("&Create"));
    editButton_ = button(panel, "Command11", QStringLiteral("&Edit"));
    browseButton_ = button(panel, "Command8", QStringLiteral("&Browse"));
    firstZipOnly_ = check(panel, "Check1", QStringLiteral("&In 1st zip only"));

    extraCaption_ = label(panel, "Label8", QStringLiteral("Extra to add  (optional)"));
    extraKindFrame_ = new SSFrame(QStringLiteral("Frame4"), QString(), panel);
    auto* kinds = new QHBoxLayout(extraKindFrame_);
    extraFile_ = option(extraKindFrame_, "Option2", QStringLiteral("Fi&le"));
    extraFolder_ = option(extraKindFrame_, "Option4", QStringLiteral("&Directory"));
    kinds->addWidget(extraFile_);
    kinds->addWidget(extraFolder_);
    extraDisplay_ = new SSPanel(QStringLiteral("SSPanel4"), panel);
    extraDisplay_->setToolTipFollowsCaption(true);
    extraNote_ = new FieldNote(QStringLiteral("SSPanel4"), panel);
    extraBrowse_ = button(panel, "Command9", QStringLiteral("B&rowse"));

    grid->addWidget(nfoCaption_, 0, 0, 1, 4);
    grid->addWidget(nfoDisplay_, 1, 0, 1, 4);
    grid->addWidget(nfoNote_, 2, 0, 1, 4);
    grid->addWidget(createButton_, 3, 0);
    grid->addWidget(editButton_, 3, 1);
    grid->addWidget(browseButton_, 3, 2);
    grid->addWidget(firstZipOnly_, 4, 0, 1, 3);
    grid->addItem(new QSpacerItem(0, 10), 5, 0);
    grid->addWidget(extraCaption_, 6, 0, 1, 4);
    grid->addWidget(extraDisplay_, 7, 0, 1, 4);
    grid->addWidget(extraNote_, 8, 0, 1, 4);
    grid->addWidget(extraKindFrame_, 9, 0, 1, 2);
    grid->addWidget(extraBrowse_, 9, 2);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(10, 1);

    connect(createButton_, &QPushButton::clicked, this, &PageNfo::create);
    connect(editButton_, &QPushButton::clicked, this, &PageNfo::edit);
    connect(browseButton_, &QPushButton::clicked, this, &PageNfo::browse);
    connect(extraBrowse_, &QPushButton::clicked, this, &PageNfo::browseExtra);
    connect(firstZipOnly_, &QCheckBox::toggled, &model_, &JobModel::setFirstZipOnly);
    connect(extraFile_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            model_.setExtraKind(true);
    });
    connect(extraFolder_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            model_.setExtraKind(false);
    });
    connect(&model_, &JobModel::changed, this, &PageNfo::refresh);
    refresh();
}

void PageNfo::refresh() {
    const JobSettings& job = model_.job();
    showPath(nfoDisplay_, nfoNote_, job.NfoFile, job.NfoFile,
             model_.note(QStringLiteral("SSPanel3")), PathKind::File);
    show(firstZipOnly_, job.FirstZipOnly);
    const bool chosen = model_.extraKindChosen();
    show(extraFile_, chosen && job.ExtraIsFile);
    show(extraFolder_, chosen && !job.ExtraIsFile);
    showPath(extraDisplay_, extraNote_, job.ExtraPath, job.ExtraPath,
             model_.note(QStringLiteral("SSPanel4")),
             !chosen           ? PathKind::Any
             : job.ExtraIsFile ? PathKind::File
                               : PathKind::Folder);
    // The extra Browse needs a kind chosen first.
    extraBrowse_->setEnabled(chosen);
    panel_->setEnabled(!job.RawArchivesOnly);
}

void PageNfo::create() {
    const QString path = ensureCompanionFile(QStringLiteral("About.nfo"));
    if (path.isEmpty())
        return;
    services_.machine.openEditor(path);
    sayEditorFailure(services_, panel_->window());
    model_.setNfoFile(foldCase(path));
}

void PageNfo::edit() {
    if (model_.job().NfoFile.isEmpty())
        return;
    services_.machine.openEditor(model_.job().NfoFile);
    sayEditorFailure(services_, panel_->window());
}

void PageNfo::browse() {
    const QString chosen =
        services_.dialogs.openFile(panel_->window(), QStringLiteral("Add *.nfo"),
                                   model_.job().DizFile, QStringLiteral("A nfo (*.nfo)|*.nfo|"));
    // Cancel changes nothing: the nfo chosen before stays.
    if (!chosen.isEmpty())
        model_.setNfoFile(foldCase(chosen));
}

void PageNfo::browseExtra() {
    if (!model_.extraKindChosen())
        return;
    if (model_.job().ExtraIsFile) {
        const QString chosen = services_.dialogs.openFile(
            panel_->window(), QStringLiteral("Add extra file"), model_.job().NfoFile,
            QStringLiteral("Extra file (*.*)|*.*|"));
        if (!chosen.isEmpty())
            model_.setExtraPath(foldCase(chosen));
        return;
    }
    const QString chosen = services_.dialogs.chooseFolder(
        panel_->window(), QStringLiteral("Extra directory of files to add to Zip"), QString());
    if (!chosen.isEmpty())
        model_.setExtraPath(foldCase(chosen));
}
