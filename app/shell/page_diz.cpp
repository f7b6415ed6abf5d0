#include "shell/page_diz.h"

#include "companion/diz_numbering.h"
#include "platform/paths.h"
#include "shell/companion_file.h"
#include "shell/job_model.h"
#include "shell/page_common.h"
#include "shell/shell_services.h"
#include "shell/ss_frame.h"
#include "shell/ss_panel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

using namespace pagekit;

PageDiz::PageDiz(QWidget* panel, JobModel& model, ShellServices& services)
    : QObject(panel), model_(model), services_(services), panel_(panel) {
    auto* grid = pageGrid(panel);
    dizCaption_ = label(panel, "Label3", QStringLiteral("File_id.diz"));
    dizDisplay_ = new SSPanel(QStringLiteral("SSPanel2"), panel);
    dizDisplay_->setToolTipFollowsCaption(true);
    dizNote_ = new FieldNote(QStringLiteral("SSPanel2"), panel);
    createButton_ = button(panel, "Command4", QStringLiteral("&Create"));
    editButton_ = button(panel, "Command5", QStringLiteral("&Edit"));
    browseButton_ = button(panel, "Command6", QStringLiteral("&Browse"));

    numberingFrame_ =
        new SSFrame(QStringLiteral("Frame3"), QStringLiteral("Auto-numbering"), panel);
    auto* numbering = new QGridLayout(numberingFrame_);
    noNumbering_ = option(numberingFrame_, "Option1", QStringLiteral("&None"));
    substitute_ = option(numberingFrame_, "Option3", QStringLiteral("S&ubsitute at column"));
    columnField_ = field(numberingFrame_, "Text2");
    lineCaption_ = label(numberingFrame_, "Label4", QStringLiteral("Line -"));
    lineField_ = field(numberingFrame_, "Text6");
    for (QLineEdit* number : {columnField_, lineField_}) {
        number->setMaxLength(5);
        number->setFixedWidth(number->fontMetrics().horizontalAdvance(QStringLiteral("00000")) +
                              16);
    }
    testButton_ = button(numberingFrame_, "Command3", QStringLiteral("&Test"));
    columnNote_ = new FieldNote(QStringLiteral("Text2"), numberingFrame_);
    lineNote_ = new FieldNote(QStringLiteral("Text6"), numberingFrame_);
    numbering->addWidget(noNumbering_, 0, 0, 1, 4);
    numbering->addWidget(substitute_, 1, 0);
    numbering->addWidget(columnField_, 1, 1);
    numbering->addWidget(lineCaption_, 1, 2, Qt::AlignRight);
    numbering->addWidget(lineField_, 1, 3);
    numbering->addWidget(columnNote_, 2, 0, 1, 5);
    numbering->addWidget(lineNote_, 3, 0, 1, 5);
    numbering->addWidget(testButton_, 4, 0, Qt::AlignLeft);
    numbering->setColumnStretch(4, 1);

    grid->addWidget(dizCaption_, 0, 0, 1, 4);
    grid->addWidget(dizDisplay_, 1, 0, 1, 4);
    grid->addWidget(dizNote_, 2, 0, 1, 4);
    grid->addWidget(createButton_, 3, 0);
    grid->addWidget(editButton_, 3, 1);
    grid->addWidget(browseButton_, 3, 2);
    grid->addWidget(numberingFrame_, 4, 0, 1, 4);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(5, 1);

    connect(createButton_, &QPushButton::clicked, this, &PageDiz::create);
    connect(editButton_, &QPushButton::clicked, this, &PageDiz::edit);
    connect(browseButton_, &QPushButton::clicked, this, &PageDiz::browse);
    connect(noNumbering_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            model_.chooseNoNumbering();
    });
    connect(substitute_, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            model_.chooseSubstitute();
    });
    connect(columnField_, &QLineEdit::textChanged, &model_, &JobModel::setNumberColumn);
    connect(lineField_, &QLineEdit::textChanged, &model_, &JobModel::setNumberLine);
    connect(testButton_, &QPushButton::clicked, this, &PageDiz::test);
    connect(&model_, &JobModel::changed, this, &PageDiz::refresh);
    refresh();
}

void PageDiz::refresh() {
    const JobSettings& job = model_.job();
    showPath(dizDisplay_, dizNote_, job.DizFile, job.DizFile,
             model_.note(QStringLiteral("SSPanel2")), PathKind::File);
    columnNote_->showText(model_.note(QStringLiteral("Text2")));
    lineNote_->showText(model_.note(QStringLiteral("Text6")));
    const JobModel::NumberingChoice choice = model_.numberingChoice();
    show(noNumbering_, choice == JobModel::NumberingChoice::None);
    show(substitute_, choice == JobModel::NumberingChoice::Substitute);
    show(columnField_, job.NumberColumn);
    show(lineField_, job.NumberLine);
    // The fields take input, on the window colour, only while Substitute is chosen.
    const bool substitute = choice == JobModel::NumberingChoice::Substitute;
    const QPalette base = numberingFrame_->palette();
    for (QLineEdit* number : {columnField_, lineField_}) {
        QPalette look = number->palette();
        look.setColor(QPalette::Base, base.color(substitute ? QPalette::Base : QPalette::Button));
        number->setPalette(look);
        number->setReadOnly(!substitute);
    }
    testButton_->setEnabled(substitute);
    panel_->setEnabled(!job.RawArchivesOnly);
}

void PageDiz::create() {
    services_.dialogs.message(
        panel_->window(), QStringLiteral("Choose 'Save' when finished in notepad, not 'save as'"),
        kInfoTitle, MessageIcon::Information, MessageButtons::Ok);
    const QString path = ensureCompanionFile(QStringLiteral("file_id.diz"));
    if (path.isEmpty())
        return;
    services_.machine.openEditor(path);
    sayEditorFailure(services_, panel_->window());
    model_.setDizFile(foldCase(path));
}

void PageDiz::edit() {
    if (model_.job().DizFile.isEmpty())
        return;
    services_.machine.openEditor(model_.job().DizFile);
    sayEditorFailure(services_, panel_->window());
}

void PageDiz::browse() {
    const JobSettings& job = model_.job();
    const QString start = job.DizFile.isEmpty() ? job.SourceSpec : job.DizFile;
    const QString chosen = services_.dialogs.openFile(
        panel_->window(), QStringLiteral("Add file_id.diz"), start,
        QStringLiteral("File_id.diz (file_id.diz)|file_id.diz|All files (*.*)|*.*|"));
    // Cancel changes nothing: the diz chosen before stays.
    if (chosen.isEmpty())
        return;
    model_.setDizFile(foldCase(chosen));
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
        services_.dialogs.message(
            panel_->window(),
            QStringLiteral("The file_id.diz can't be from your application directory"), kErrorTitle,
            MessageIcon::Critical, MessageButtons::Ok);
        model_.setDizFile(QString());
    }
}

void PageDiz::test() {
    NumberingState& state = model_.session().numbering();
    state.NumberingTest = true;
    checkDizNumbering(model_.job(), services_.flags, model_.session().threeDigitNumbers(), state,
                      services_.window, services_.machine);
    state.NumberingTest = false;
    sayEditorFailure(services_, panel_->window());
}
