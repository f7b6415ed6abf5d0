#include "shell/page_nfo.h"

#include "platform/paths.h"
#include "shell/job_pages.h"
#include "shell/page_common.h"
#include "shell/page_diz.h"
#include "shell/ss_frame.h"
#include "shell/ss_panel.h"

#include <QCheckBox>
#include <QHBoxLayout>

using namespace pagekit;

PageNfo::PageNfo(QWidget* panel, JobPages& host) : QObject(nullptr), host_(host) {
    auto* grid = pageGrid(panel);
    Label7 = label(panel, "Label7", QStringLiteral("Nfo"));
    SSPanel3 = new SSPanel(QStringLiteral("SSPanel3"), panel);
    SSPanel3->setToolTipFollowsCaption(true);
    Command7 = button(panel, "Command7", QStringLiteral("&Create"));
    Command11 = button(panel, "Command11", QStringLiteral("&Edit"));
    Command8 = button(panel, "Command8", QStringLiteral("&Browse"));
    Check1 = new QCheckBox(QStringLiteral("&In 1st zip only"), panel);
    Check1->setObjectName(QStringLiteral("Check1"));

    Label8 = label(panel, "Label8", QStringLiteral("Extra to add  (optional)"));
    Frame4 = new SSFrame(QStringLiteral("Frame4"), QString(), panel);
    auto* kinds = new QHBoxLayout(Frame4);
    Option2 = option(Frame4, "Option2", QStringLiteral("&File"));
    Option4 = option(Frame4, "Option4", QStringLiteral("&Directory"));
    kinds->addWidget(Option2);
    kinds->addWidget(Option4);
    SSPanel4 = new SSPanel(QStringLiteral("SSPanel4"), panel);
    SSPanel4->setToolTipFollowsCaption(true);
    Command9 = button(panel, "Command9", QStringLiteral("B&rowse"));
    Command9->setEnabled(false); // until File or Directory is chosen

    grid->addWidget(Label7, 0, 0, 1, 4);
    grid->addWidget(SSPanel3, 1, 0, 1, 4);
    grid->addWidget(Command7, 2, 0);
    grid->addWidget(Command11, 2, 1);
    grid->addWidget(Command8, 2, 2);
    grid->addWidget(Check1, 3, 0, 1, 3);
    grid->addItem(new QSpacerItem(0, 10), 4, 0);
    grid->addWidget(Label8, 5, 0, 1, 4);
    grid->addWidget(SSPanel4, 6, 0, 1, 4);
    grid->addWidget(Frame4, 7, 0, 1, 2);
    grid->addWidget(Command9, 7, 2);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(8, 1);

    connect(Command7, &QPushButton::clicked, this, &PageNfo::create);
    connect(Command11, &QPushButton::clicked, this, &PageNfo::edit);
    connect(Command8, &QPushButton::clicked, this, &PageNfo::browse);
    connect(Command9, &QPushButton::clicked, this, &PageNfo::browseExtra);
    for (QRadioButton* kind : {Option2, Option4})
        connect(kind, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                Command9->setEnabled(true);
        });
}

void PageNfo::setExtraKind(std::optional<bool> isFile) {
    if (isFile) {
        (*isFile ? Option2 : Option4)->setChecked(true);
        return;
    }
    // Neither selected: radio buttons only let go of each other outside their group.
    for (QRadioButton* kind : {Option2, Option4}) {
        kind->setAutoExclusive(false);
        kind->setChecked(false);
        kind->setAutoExclusive(true);
    }
    Command9->setEnabled(false);
}

void PageNfo::create() {
    const QString path = host_.ensureCompanionFile(QStringLiteral("About.nfo"));
    if (path.isEmpty())
        return;
    host_.services_.machine.openEditor(path);
    SSPanel3->setCaption(foldCase(path));
}

void PageNfo::edit() {
    if (!SSPanel3->caption().isEmpty())
        host_.services_.machine.openEditor(SSPanel3->caption());
}

void PageNfo::browse() {
    const QString chosen = host_.services_.dialogs.openFile(
        host_.dialogParent(), QStringLiteral("Add *.nfo"), host_.diz_->SSPanel2->caption(),
        QStringLiteral("A nfo (*.nfo)|*.nfo|"));
    SSPanel3->setCaption(foldCase(chosen));
}

void PageNfo::browseExtra() {
    auto& dialogs = host_.services_.dialogs;
    if (Option2->isChecked()) {
        const QString chosen =
            dialogs.openFile(host_.dialogParent(), QStringLiteral("Add extra file"),
                             SSPanel3->caption(), QStringLiteral("Extra file (*.*)|*.*|"));
        SSPanel4->setCaption(foldCase(chosen));
        return;
    }
    if (!Option4->isChecked())
        return;
    const QString chosen = dialogs.chooseFolder(
        host_.dialogParent(), QStringLiteral("Extra directory of files to add to Zip"), QString());
    if (!chosen.isEmpty())
        SSPanel4->setCaption(foldCase(chosen));
}
