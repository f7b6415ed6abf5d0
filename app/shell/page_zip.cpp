#include "shell/page_zip.h"

#include "job/volume_rules.h"
#include "platform/paths.h"
#include "shell/job_model.h"
#include "shell/page_common.h"
#include "shell/shell_services.h"
#include "shell/ss_check.h"
#include "shell/ss_frame.h"
#include "shell/ss_panel.h"
#include "source/volume_estimate.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QWheelEvent>

#include <cmath>

using namespace pagekit;

namespace {
// The archive size slider: 200 positions are more than a drag can hit, so the keys and the
// wheel move one position a step (ten with Page Up and Page Down), and the caption follows.
class SizeSlider : public QSlider {
  public:
    explicit SizeSlider(QWidget* parent) : QSlider(Qt::Vertical, parent) {
        setObjectName(QStringLiteral("VScroll1"));
        setRange(kSliderMinimum, kSliderMaximum);
        setValue(kSliderInitial);
        setSingleStep(1);
        setPageStep(10);
        setTickPosition(QSlider::TicksRight);
        setTickInterval(20);
        setFocusPolicy(Qt::StrongFocus);
        setContextMenuPolicy(Qt::PreventContextMenu);
    }

  protected:
    void wheelEvent(QWheelEvent* event) override {
        wheelTurn_ += event->angleDelta().y();
        while (wheelTurn_ >= 120) {
            triggerAction(SliderSingleStepAdd);
            wheelTurn_ -= 120;
        }
        while (wheelTurn_ <= -120) {
            triggerAction(SliderSingleStepSub);
            wheelTurn_ += 120;
        }
        event->accept();
    }

  private:
    int wheelTurn_ = 0;
};
} // namespace

namespace {
// The size beside the slider, typed or stepped: every step is one slider position (0.5 M),
// so one archive, 0.5 M, 1 M and 1.44 M are each one step from the next.
class SizeField : public QSpinBox {
  public:
    explicit SizeField(QWidget* parent) : QSpinBox(parent) {
        setObjectName(QStringLiteral("SizeField"));
        setRange(kSliderMinimum, kSliderMaximum);
        setValue(kSliderInitial);
        setAccelerated(true);
        setKeyboardTracking(false);
        setAccessibleName(QStringLiteral("Archive size"));
        setToolTip(QStringLiteral("Volume size in millions of bytes (1.44 for floppies, 0 for "
                                  "one single archive)"));
        setContextMenuPolicy(Qt::PreventContextMenu);
    }

  protected:
    QString textFromValue(int value) const override { return sizeCaption(value); }
    int valueFromText(const QString& text) const override {
        return sizePositionFromText(text).value_or(value());
    }
    QValidator::State validate(QString& text, int&) const override {
        if (sizePositionFromText(text))
            return QValidator::Acceptable;
        return text.size() <= 12 ? QValidator::Intermediate : QValidator::Invalid;
    }
};
} // namespace

std::optional<int> sizePositionFromText(const QString& typed) {
    QString text = typed.trimmed().toLower();
    if (text.startsWith(QLatin1String("1 max")) || text == QLatin1String("max"))
        return 0;
    if (text.endsWith(QLatin1Char('m')))
        text.chop(1);
    bool ok = false;
    const double megs = text.trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (!ok || megs < 0)
        return std::nullopt;
    if (qFuzzyCompare(megs, 1.44))
        return kFloppyPosition;
    const double position = megs * 2;
    if (std::abs(position - std::round(position)) > 1e-9 || position > kSliderMaximum)
        return std::nullopt;
    return int(std::round(position));
}

PageZip::PageZip(QWidget* panel, JobModel& model, ShellServices& services)
    : QObject(panel), model_(model), services_(services), panel_(panel) {
    auto* grid = pageGrid(panel);
    buildSizeFrame(panel);

    storageFrame_ = new SSFrame(QStringLiteral("SSFrame2"), QString(), panel);
    auto* storage = new QGridLayout(storageFrame_);
    storageCaption_ = label(storageFrame_, "Label5", QStringLiteral("Zip storage"));
    zipDirDisplay_ = new SSPanel(QStringLiteral("SSPanel5"), storageFrame_);
    zipDirDisplay_->setToolTipFollowsCaption(true);
    zipDirNote_ = new FieldNote(QStringLiteral("SSPanel5"), storageFrame_);
    zipDirBrowse_ = button(storageFrame_, "Command10", QStringLiteral("&Browse"));
    zipDirFree_ = label(storageFrame_, "Label14", QString());
    storage->addWidget(storageCaption_, 0, 0, 1, 3);
    storage->addWidget(zipDirDisplay_, 1, 0, 1, 3);
    storage->addWidget(zipDirNote_, 2, 0, 1, 3);
    storage->addWidget(zipDirBrowse_, 3, 0);
    storage->addWidget(zipDirFree_, 3, 1);
    storage->setColumnStretch(2, 1);

    methodCaption_ = label(panel, "Label12", QStringLiteral("Compression"));
    methods_ = new QComboBox(panel);
    methods_->setObjectName(QStringLiteral("Combo1"));
    methods_->setContextMenuPolicy(Qt::PreventContextMenu);
    methods_->addItems({QStringLiteral("Store"), QStringLiteral("Fastest"), QStringLiteral("Fast"),
                        QStringLiteral("Normal"), QStringLiteral("Good"),
                        QStringLiteral("Maximum")});
    methodNote_ = new FieldNote(QStringLiteral("Combo1"), panel);
    zipExtra_ = new SSCheck(QStringLiteral("SSCheck2"), QStringLiteral("Zip E&xtra"), panel);
    zipExtra_->setContextMenuPolicy(Qt::PreventContextMenu);
    archiverFrame_ = new SSFrame(QStringLiteral("Frame6"), QString(), panel);
    auto* archivers = new QHBoxLayout(archiverFrame_);
    rar_ = option(archiverFrame_, "Option7", QStringLiteral("&Rar"));
    ace_ = option(archiverFrame_, "Option8", QStringLiteral("&Ace"));
    // Not one group: each click keeps the other one opposite.
    rar_->setAutoExclusive(false);
    ace_->setAutoExclusive(false);
    archivers->addWidget(rar_);
    archivers->addWidget(ace_);

    auto* methodRow = new QHBoxLayout;
    methodRow->setSpacing(8);
    methodRow->addWidget(methodCaption_);
    methodRow->addWidget(methods_);
    methodRow->addSpacing(12);
    methodRow->addWidget(zipExtra_);
    methodRow->addSpacing(12);
    methodRow->addWidget(archiverFrame_);
    methodRow->addStretch(1);

    grid->addWidget(sizeFrame_, 0, 0);
    grid->addWidget(storageFrame_, 1, 0);
    grid->addLayout(methodRow, 2, 0);
    grid->addWidget(methodNote_, 3, 0);
    grid->setRowStretch(4, 1);

    connect(sizeSlider_, &QSlider::valueChanged, &model_, &JobModel::setSizeUnits);
    connect(sizeField_, &QSpinBox::valueChanged, &model_, &JobModel::setSizeUnits);
    connect(nameField_, &QLineEdit::textChanged, &model_, &JobModel::setZipName);
    connect(nameField_, &QLineEdit::textChanged, nameField_, &QLineEdit::setToolTip);
    connect(zipDirBrowse_, &QPushButton::clicked, this, &PageZip::browseZipDir);
    connect(methods_, &QComboBox::currentIndexChanged, &model_, &JobModel::setMethodIndex);
    connect(zipExtra_, &QCheckBox::toggled, &model_, &JobModel::setZipExtra);
    connect(rar_, &QRadioButton::toggled, this,
            [this](bool on) { model_.setArchiver(on ? ArchiverKind::Rar : ArchiverKind::Ace); });
    connect(ace_, &QRadioButton::toggled, this,
            [this](bool on) { model_.setArchiver(on ? ArchiverKind::Ace : ArchiverKind::Rar); });
    connect(&model_, &JobModel::changed, this, &PageZip::refresh);
    refresh();
}

void PageZip::refresh() {
    const JobSettings& job = model_.job();
    if (sizeSlider_->value() != job.SizeUnits) {
        const QSignalBlocker quiet(sizeSlider_);
        sizeSlider_->setValue(job.SizeUnits);
    }
    sizeDisplay_->setCaption(model_.sizeCaption());
    if (sizeField_->value() != job.SizeUnits) {
        const QSignalBlocker quiet(sizeField_);
        sizeField_->setValue(job.SizeUnits);
    }
    show(estimate_, model_.estimateText());
    if (nameField_->maxLength() != model_.zipNameMaxLength()) {
        const QSignalBlocker quiet(nameField_);
        nameField_->setMaxLength(model_.zipNameMaxLength());
    }
    show(nameField_, job.ZipName);
    nameField_->setToolTip(job.ZipName);
    showPath(zipDirDisplay_, zipDirNote_, job.ZipDir, job.ZipDir,
             model_.note(QStringLiteral("SSPanel5")), PathKind::Folder);
    nameNote_->showText(model_.note(QStringLiteral("Text3")));
    methodNote_->showText(model_.note(QStringLiteral("Combo1")));
    show(zipDirFree_, model_.zipFreeText());
    show(methods_, job.MethodIndex);
    show(zipExtra_, job.ZipExtra);
    show(rar_, job.Archiver == ArchiverKind::Rar);
    show(ace_, job.Archiver == ArchiverKind::Ace);
    // An archives-only job makes no zips: where they go and how is not asked.
    zipDirBrowse_->setEnabled(!job.RawArchivesOnly);
    zipExtra_->setEnabled(!job.RawArchivesOnly);
}

void PageZip::buildSizeFrame(QWidget* panel) {
    sizeFrame_ = new SSFrame(QStringLiteral("SSFrame1"), QString(), panel);
    auto* size = new QGridLayout(sizeFrame_);
    sizeCaption_ = label(sizeFrame_, "Label6", QStringLiteral("Archive size"));
    sizeSlider_ = new SizeSlider(sizeFrame_);
    sizeSlider_->setMinimumHeight(sizeSlider_->fontMetrics().height() * 8);
    // The editable field shows what the size display holds.
    sizeDisplay_ = new SSPanel(QStringLiteral("SSPanel6"), sizeFrame_);
    sizeDisplay_->hide();
    sizeField_ = new SizeField(sizeFrame_);
    sizeField_->setMinimumWidth(
        sizeField_->fontMetrics().horizontalAdvance(QStringLiteral("1 Max file")) + 40);
    sizeCaption_->setBuddy(sizeField_);
    sizePresets_ = new QToolButton(sizeFrame_);
    sizePresets_->setObjectName(QStringLiteral("SizePresets"));
    sizePresets_->setText(QStringLiteral("Common sizes"));
    sizePresets_->setPopupMode(QToolButton::InstantPopup);
    auto* presets = new QMenu(sizePresets_);
    for (int position : {0, kFloppyPosition, 2 * 5, 2 * 10, 2 * 50}) {
        QAction* preset = presets->addAction(
            position == 0 ? QStringLiteral("1 Max file (one archive)") : sizeCaption(position));
        preset->setObjectName(QStringLiteral("SizePreset%1").arg(position));
        connect(preset, &QAction::triggered, &model_,
                [this, position] { model_.setSizeUnits(position); });
    }
    sizePresets_->setMenu(presets);
    estimate_ = label(sizeFrame_, "Label19", QString());
    estimate_->setToolTip(QStringLiteral("Calculated Rar's if no compression"));
    estimate_->setMinimumWidth(
        estimate_->fontMetrics().horizontalAdvance(QStringLiteral("999.99 files")) + 8);
    nameCaption_ = label(sizeFrame_, "Label16", QStringLiteral("Filename"));
    nameField_ = field(sizeFrame_, "Text3");
    nameField_->setFixedWidth(
        nameField_->fontMetrics().horizontalAdvance(QStringLiteral("MMMMMMMMMMMM")) + 12);
    nameNote_ = new FieldNote(QStringLiteral("Text3"), sizeFrame_);
    size->addWidget(sizeCaption_, 0, 0, 1, 3);
    size->addWidget(sizeSlider_, 1, 0, 4, 1);
    size->addWidget(sizeField_, 1, 1);
    size->addWidget(sizePresets_, 2, 1, Qt::AlignLeft);
    size->addWidget(estimate_, 3, 1);
    size->setColumnMinimumWidth(2, 24);
    size->addWidget(nameCaption_, 0, 3);
    size->addWidget(nameField_, 1, 3);
    size->addWidget(nameNote_, 2, 3, 2, 2);
    size->setColumnStretch(4, 1);
    size->setRowStretch(4, 1);
}

void PageZip::browseZipDir() {
    if (model_.job().SourceSpec.isEmpty()) {
        services_.window.showPage(Page::Source);
        return;
    }
    const QString chosen = services_.dialogs.chooseFolder(
        panel_->window(), QStringLiteral("Directory for zip's"), QString());
    if (chosen.isEmpty())
        return;
    model_.setZipDir(foldCase(chosen));
    if (model_.job().ZipDir.isEmpty())
        return;
    const auto free = services_.machine.freeBytes(chosen);
    model_.setZipFreeText(zipFreeSpaceText(free.value_or(0)));
    if (!free || *free < 1) {
        model_.setZipDir(QString());
        return;
    }
    const qint64 megs = *free > 1000000 ? qRound64(double(*free) / 1e6) : 0;
    if (double(model_.sourceSizeM()) > double(megs))
        services_.dialogs.message(panel_->window(),
                                  QStringLiteral("Free space on ") + chosen +
                                      QStringLiteral(" is less than source size"),
                                  kInfoTitle, MessageIcon::Information, MessageButtons::Ok);
}
