#include "shell/page_zip.h"

#include "platform/paths.h"
#include "shell/job_pages.h"
#include "shell/page_common.h"
#include "shell/page_source.h"
#include "shell/ss_check.h"
#include "shell/ss_frame.h"
#include "shell/ss_panel.h"
#include "source/volume_estimate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QScrollBar>

using namespace pagekit;

PageZip::PageZip(QWidget* panel, JobPages& host) : QObject(nullptr), host_(host) {
    auto* grid = pageGrid(panel);

    SSFrame1 = new SSFrame(QStringLiteral("SSFrame1"), QString(), panel);
    auto* size = new QGridLayout(SSFrame1);
    Label6 = label(SSFrame1, "Label6", QStringLiteral("Archive size"));
    VScroll1 = new QScrollBar(Qt::Vertical, SSFrame1);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    VScroll1->setRange(kSliderMinimum, kSliderMaximum);
    VScroll1->setValue(kSliderInitial);
    VScroll1->setMinimumHeight(VScroll1->fontMetrics().height() * 4);
    SSPanel6 = new SSPanel(QStringLiteral("SSPanel6"), SSFrame1);
    SSPanel6->setCaption(QStringLiteral("1.44 M"));
    SSPanel6->setAlignment(Qt::AlignCenter);
    SSPanel6->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    SSPanel6->setFixedWidth(SSPanel6->fontMetrics().horizontalAdvance(QStringLiteral("1 Max file")) + 20);
    Label19 = label(SSFrame1, "Label19", QString());
    Label19->setToolTip(QStringLiteral("Calculated Rar's if no compression"));
    Label19->setMinimumWidth(Label19->fontMetrics().horizontalAdvance(QStringLiteral("999.99 files")) + 8);
    Label16 = label(SSFrame1, "Label16", QStringLiteral("Filename"));
    Text3 = new QLineEdit(SSFrame1);
    Text3->setObjectName(QStringLiteral("Text3"));
    Text3->setMaxLength(6);
    Text3->setFixedWidth(Text3->fontMetrics().horizontalAdvance(QStringLiteral("MMMMMMMMMMMM")) + 12);
    size->addWidget(Label6, 0, 0, 1, 2);
    size->addWidget(VScroll1, 1, 0, 3, 1);
    size->addWidget(SSPanel6, 1, 1);
    size->addWidget(Label19, 2, 1);
    size->setColumnMinimumWidth(2, 24);
    size->addWidget(Label16, 0, 3);
    size->addWidget(Text3, 1, 3);
    size->setColumnStretch(4, 1);
    size->setRowStretch(3, 1);

    SSFrame2 = new SSFrame(QStringLiteral("SSFrame2"), QString(), panel);
    auto* storage = new QGridLayout(SSFrame2);
    Label5 = label(SSFrame2, "Label5", QStringLiteral("Zip storage"));
    SSPanel5 = new SSPanel(QStringLiteral("SSPanel5"), SSFrame2);
    SSPanel5->setToolTipFollowsCaption(true);
    Command10 = button(SSFrame2, "Command10", QStringLiteral("&Browse"));
    Label14 = label(SSFrame2, "Label14", QStringLiteral("Free space: "));
    storage->addWidget(Label5, 0, 0, 1, 3);
    storage->addWidget(SSPanel5, 1, 0, 1, 3);
    storage->addWidget(Command10, 2, 0);
    storage->addWidget(Label14, 2, 1);
    storage->setColumnStretch(2, 1);

    Label12 = label(panel, "Label12", QStringLiteral("Compression"));
    Combo1 = new QComboBox(panel);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->addItems({QStringLiteral("Store"), QStringLiteral("Fastest"), QStringLiteral("Fast"),
                      QStringLiteral("Normal"), QStringLiteral("Good"), QStringLiteral("Maximum")});
    Combo1->setCurrentIndex(3);
    SSCheck2 = new SSCheck(QStringLiteral("SSCheck2"), QStringLiteral("Zip E&xtra"), panel);
    Frame6 = new SSFrame(QStringLiteral("Frame6"), QString(), panel);
    auto* archivers = new QHBoxLayout(Frame6);
    Option7 = option(Frame6, "Option7", QStringLiteral("&Rar"));
    Option8 = option(Frame6, "Option8", QStringLiteral("&Ace"));
    // Not one group: each click keeps the other one opposite.
    Option7->setAutoExclusive(false);
    Option8->setAutoExclusive(false);
    Option7->setChecked(true);
    archivers->addWidget(Option7);
    archivers->addWidget(Option8);

    auto* methods = new QHBoxLayout;
    methods->setSpacing(8);
    methods->addWidget(Label12);
    methods->addWidget(Combo1);
    methods->addSpacing(12);
    methods->addWidget(SSCheck2);
    methods->addSpacing(12);
    methods->addWidget(Frame6);
    methods->addStretch(1);

    grid->addWidget(SSFrame1, 0, 0);
    grid->addWidget(SSFrame2, 1, 0);
    grid->addLayout(methods, 2, 0);
    grid->setRowStretch(3, 1);

    connect(VScroll1, &QScrollBar::valueChanged, this, &PageZip::sliderChanged);
    connect(Command10, &QPushButton::clicked, this, &PageZip::browseZipDir);
    connect(Text3, &QLineEdit::textChanged, Text3, &QLineEdit::setToolTip);
    connect(Option7, &QRadioButton::clicked, this,
            [this] { Option8->setChecked(!Option7->isChecked()); });
    connect(Option8, &QRadioButton::clicked, this,
            [this] { Option7->setChecked(!Option8->isChecked()); });
}

void PageZip::applyNameLimit(int maxLength) {
    Text3->setMaxLength(maxLength); // cuts the text as well
}

void PageZip::sliderChanged() {
    const int p = VScroll1->value();
    const ArchiveSizeUpdate update =
        archiveSizeChanged(p, host_.source_->Check2->isChecked(), host_.sourceSizeM_,
                           host_.threeDigitNumbers_, Text3->text());
    if (update.position != p) {
        VScroll1->setValue(update.position); // image volumes are at least 5,000,000 bytes
        return;
    }
    SSPanel6->setCaption(update.sizeCaption);
    Label19->setText(update.estimateText);
    host_.threeDigitNumbers_ = update.ThreeDigitNumbers;
    applyNameLimit(update.zipNameMaxLength);
}

void PageZip::browseEstimate() {
    Label19->setText(::browseEstimate(VScroll1->value(), host_.sourceSizeM_, Label19->text()));
}

void PageZip::browseZipDir() {
    if (host_.sourceDisplay().isEmpty()) {
        host_.services_.window.showPage(Page::Source);
        return;
    }
    const QString chosen = host_.services_.dialogs.chooseFolder(
        host_.dialogParent(), QStringLiteral("Directory for zip's"), QString());
    if (chosen.isEmpty())
        return;
    SSPanel5->setCaption(foldCase(chosen));
    if (SSPanel5->caption().isEmpty())
        return;
    const auto free = host_.services_.machine.freeBytes(chosen);
    Label14->setText(zipFreeSpaceText(free.value_or(0)));
    if (!free || *free < 1) {
        SSPanel5->setCaption(QString());
        return;
    }
    const qint64 megs = *free > 1000000 ? qRound64(double(*free) / 1e6) : 0;
    if (double(host_.sourceSizeM_) > double(megs))
        host_.services_.dialogs.message(host_.dialogParent(),
                                        QStringLiteral("Free space on ") + chosen +
                                            QStringLiteral(" is less than source size"),
                                        kInfoTitle, MessageIcon::Information, MessageButtons::Ok);
}

void PageZip::showZipDriveFreeAfterOpen() {
    const QString dir = SSPanel5->caption();
    if (dir.isEmpty())
        return; // no drive to measure: the display stays
    const auto free = host_.services_.machine.freeBytes(dir);
    if (free)
        Label14->setText(zipFreeSpaceText(*free));
}
