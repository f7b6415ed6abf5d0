#include "shell/page_diz.h"

#include "companion/diz_numbering.h"
#include "platform/paths.h"
#include "shell/job_pages.h"
#include "shell/page_common.h"
#include "shell/ss_frame.h"
#include "shell/ss_panel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>

using namespace pagekit;

PageDiz::PageDiz(QWidget* panel, JobPages& host) : QObject(nullptr), host_(host) {
    auto* grid = pageGrid(panel);
    Label3 = label(panel, "Label3", QStringLiteral("File_id.diz"));
    SSPanel2 = new SSPanel(QStringLiteral("SSPanel2"), panel);
    SSPanel2->setToolTipFollowsCaption(true);
    Command4 = button(panel, "Command4", QStringLiteral("&Create"));
    Command5 = button(panel, "Command5", QStringLiteral("&Edit"));
    Command6 = button(panel, "Command6", QStringLiteral("&Browse"));

    Frame3 = new SSFrame(QStringLiteral("Frame3"), QStringLiteral("Auto-numbering"), panel);
    auto* numbering = new QGridLayout(Frame3);
    Option1 = option(Frame3, "Option1", QStringLiteral("&None"));
    Option3 = option(Frame3, "Option3", QStringLiteral("S&ubsitute at column"));
    Text2 = new QLineEdit(Frame3);
    Text2->setObjectName(QStringLiteral("Text2"));
    Label4 = label(Frame3, "Label4", QStringLiteral("Line - "));
    Text6 = new QLineEdit(Frame3);
    Text6->setObjectName(QStringLiteral("Text6"));
    for (QLineEdit* field : {Text2, Text6}) {
        field->setMaxLength(5);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    }
    Command3 = button(Frame3, "Command3", QStringLiteral("&Test"));
    numbering->addWidget(Option1, 0, 0, 1, 4);
    numbering->addWidget(Option3, 1, 0);
    numbering->addWidget(Text2, 1, 1);
    numbering->addWidget(Label4, 1, 2, Qt::AlignRight);
    numbering->addWidget(Text6, 1, 3);
    numbering->addWidget(Command3, 2, 0, Qt::AlignLeft);
    numbering->setColumnStretch(4, 1);

    grid->addWidget(Label3, 0, 0, 1, 4);
    grid->addWidget(SSPanel2, 1, 0, 1, 4);
    grid->addWidget(Command4, 2, 0);
    grid->addWidget(Command5, 2, 1);
    grid->addWidget(Command6, 2, 2);
    grid->addWidget(Frame3, 3, 0, 1, 4);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(4, 1);

    Option1->setChecked(true);
    showNumberingState(false);

    connect(Command4, &QPushButton::clicked, this, &PageDiz::create);
    connect(Command5, &QPushButton::clicked, this, &PageDiz::edit);
    connect(Command6, &QPushButton::clicked, this, &PageDiz::browse);
    connect(Option1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            selectNone();
    });
    connect(Option3, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            selectSubstitute();
    });
    connect(Command3, &QPushButton::clicked, this, &PageDiz::test);
}

void PageDiz::showNumberingState(bool substitute) {
    const QPalette base = Text2->parentWidget()->palette();
    for (QLineEdit* field : {Text2, Text6}) {
        QPalette look = field->palette();
        look.setColor(QPalette::Base,
                      substitute ? base.color(QPalette::Base) : base.color(QPalette::Button));
        field->setPalette(look);
        field->setReadOnly(!substitute);
    }
    Command3->setEnabled(substitute);
}

void PageDiz::selectNone() {
    Text2->clear();
    Text6->clear();
    showNumberingState(false);
}

void PageDiz::selectSubstitute() { showNumberingState(true); }

void PageDiz::create() {
    host_.services_.dialogs.message(
        host_.dialogParent(), QStringLiteral("Choose 'Save' when finished in notepad, not 'save as'"),
        kInfoTitle, MessageIcon::Information, MessageButtons::Ok);
    const QString path = host_.ensureCompanionFile(QStringLiteral("file_id.diz"));
    if (path.isEmpty())
        return;
    host_.services_.machine.openEditor(path);
    SSPanel2->setCaption(foldCase(path));
}

void PageDiz::edit() {
    if (!SSPanel2->caption().isEmpty())
        host_.services_.machine.openEditor(SSPanel2->caption());
}

void PageDiz::browse() {
    const QString start = SSPanel2->caption().isEmpty() ? host_.sourceDisplay() : SSPanel2->caption();
    const QString chosen = host_.services_.dialogs.openFile(
        host_.dialogParent(), QStringLiteral("Add file_id.diz"), start,
        QStringLiteral("File_id.diz (file_id.diz)|file_id.diz|"));
    if (chosen.isEmpty()) {
        SSPanel2->setCaption(QString());
        return;
    }
    SSPanel2->setCaption(foldCase(chosen));
    // The trial copy: the working copy is rewritten for every zip, so the chosen diz must
    // not be that very file, and an unreadable one is refused now rather than mid-run.
    const QString copy = dizWorkingCopyPath();
    const QFileInfo from(chosen);
    const QFileInfo to(copy);
    bool ok = from.isFile() && from.isReadable() &&
              !(to.exists() && from.canonicalFilePath() == to.canonicalFilePath());
    if (ok) {
        QDir().mkpath(to.absolutePath());
        QFile::remove(copy);
        ok = QFile::copy(chosen, copy);
        if (ok)
            QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::WriteOwner |
                                            QFileDevice::ReadOwner);
    }
    if (!ok) {
        host_.services_.dialogs.message(
            host_.dialogParent(),
            QStringLiteral("The file_id.diz can't be from your application directory"),
            kErrorTitle, MessageIcon::Critical, MessageButtons::Ok);
        SSPanel2->setCaption(QString());
    }
}

void PageDiz::test() {
    host_.testDizNumbering();
}
