#include "shell/page_source.h"

#include "platform/paths.h"
#include "shell/job_pages.h"
#include "shell/page_common.h"
#include "shell/page_skip.h"
#include "shell/page_zip.h"
#include "shell/ss_frame.h"
#include "shell/ss_panel.h"
#include "source/size_listing.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLocale>
#include <QScrollBar>
#include <QVBoxLayout>

using namespace pagekit;

PageSource::PageSource(QWidget* panel, JobPages& host) : QObject(nullptr), host_(host) {
    auto* grid = pageGrid(panel);
    Label15 = label(panel, "Label15", QStringLiteral("Source drive or directory"));
    SSPanel8 = new SSPanel(QStringLiteral("SSPanel8"), panel);
    SSPanel8->setToolTipFollowsCaption(true);
    Command2 = button(panel, "Command2", QStringLiteral("&Browse"));
    Check2 = new QCheckBox(QStringLiteral("&ISO"), panel);
    Check2->setObjectName(QStringLiteral("Check2"));
    Check2->setToolTip(QStringLiteral("To choose a .iso file"));
    Label9 = label(panel, "Label9", QStringLiteral("- Source size -"));
    Label9->setToolTip(QStringLiteral("Total source size"));
    Label9->setFrameShape(QFrame::Panel);
    Label9->setFrameShadow(QFrame::Sunken);
    Label9->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    SSFrame3 = new SSFrame(QStringLiteral("SSFrame3"), QStringLiteral("Drive for Rar's"), panel);
    auto* driveBox = new QVBoxLayout(SSFrame3);
    Drive1 = new QComboBox(SSFrame3);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    Drive1->setMinimumContentsLength(16);
    Label13 = label(SSFrame3, "Label13", QStringLiteral("Free space on -"));
    Label13->setToolTip(QStringLiteral("Drive free space"));
    driveBox->addWidget(Drive1);
    driveBox->addWidget(Label13);

    grid->addWidget(Label15, 0, 0, 1, 3);
    grid->addWidget(SSPanel8, 1, 0, 1, 3);
    grid->addWidget(Command2, 2, 0);
    grid->addWidget(Check2, 2, 1);
    grid->addWidget(Label9, 3, 0, 1, 3);
    grid->addWidget(SSFrame3, 4, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(5, 1);

    connect(Command2, &QPushButton::clicked, this, &PageSource::browse);
    connect(Check2, &QCheckBox::toggled, this, &PageSource::imageOptionToggled);
    connect(Drive1, &QComboBox::currentIndexChanged, this, &PageSource::outputDriveChanged);
}

std::optional<int64_t> PageSource::freeOf(const QString& location) const {
    if (location.isEmpty())
        return std::nullopt;
    return host_.services_.machine.freeBytes(location);
}

QString PageSource::workDrive() const { return workDrive_; }

void PageSource::fillDriveList(const QStringList& locations) {
    {
        const QSignalBlocker block(Drive1);
        Drive1->clear();
        Drive1->addItems(locations);
        Drive1->setCurrentIndex(locations.isEmpty() ? -1 : 0);
    }
    workDrive_ = Drive1->currentText();
    const auto free = freeOf(workDrive_);
    if (!free || *free < kMinOutputFree)
        Label13->setText(QStringLiteral("Free space on - \nless than 2 Meg."));
    else
        Label13->setText(QStringLiteral("Free space on - \n") +
                         QString::number(qRound64(double(*free) / 1e6)) + QStringLiteral(" Meg."));
}

void PageSource::outputDriveChanged() {
    const QString location = Drive1->currentText();
    const auto free = freeOf(location);
    if (!free || *free < kMinOutputFree) {
        // Too little room or unreadable: back to the default location, silently.
        if (Drive1->currentIndex() != 0 && Drive1->count() > 0)
            Drive1->setCurrentIndex(0); // raises the change once more for the default
        workDrive_ = Drive1->currentText();
        return;
    }
    Label13->setText(QStringLiteral("Free space on - \n") +
                     QString::number(qRound64(double(*free) / 1e6)) + QStringLiteral(" Meg."));
    workDrive_ = location;
    freeSpaceCheck();
}

void PageSource::freeSpaceCheck() {
    const auto free = freeOf(Drive1->currentText());
    if (!free)
        return;
    double megs = double(*free);
    if (megs > 1000000)
        megs /= 1000000;
    if (megs < double(host_.sourceSizeM_))
        freeSpaceWarning();
}

void PageSource::freeSpaceWarning() {
    host_.services_.dialogs.message(
        host_.dialogParent(),
        QStringLiteral("You might not have enough free space on\n") + Drive1->currentText() +
            QStringLiteral(" drive for Rar's/Ace's, should pick another drive."),
        kErrorTitle, MessageIcon::Exclamation, MessageButtons::Ok);
}

QString PageSource::folderStatusLine(const QString& path) const {
    if (path.isEmpty())
        return {};
    const auto free = freeOf(path);
    if (free && *free == 0)
        return QStringLiteral("Invalid drive");
    return foldCase(path);
}

void PageSource::browse() {
    if (Check2->isChecked())
        browseImage();
    else
        browseDirectory();
}

void PageSource::browseDirectory() {
    host_.rawArchivesOnly_ = false;
    const QString chosen = host_.services_.dialogs.chooseFolderWithStatus(
        host_.dialogParent(), QStringLiteral("Source directory"), QString(),
        [this](const QString& path) { return folderStatusLine(path); });
    if (chosen.isEmpty())
        return;
    SSPanel8->setCaption(foldCase(chosen));
    host_.skip_->setSkipList(QString()); // entries belong to the previous source
    if (SSPanel8->caption().isEmpty())
        return;
    if (!host_.measureSourceForBrowse())
        return;
    finishBrowse();
}

void PageSource::browseImage() {
    auto& dialogs = host_.services_.dialogs;
    const QString chosen =
        dialogs.openFile(host_.dialogParent(), QStringLiteral("CD image file"), QString(),
                         QStringLiteral("ISO files (*.iso)|*.iso"));
    if (chosen.isEmpty()) {
        imageFailure();
        return;
    }
    const QFileInfo image(chosen);
    if (!image.isFile() || !image.isReadable()) {
        imageFailure();
        return;
    }
    SSPanel8->setCaption(foldCase(chosen));
    QLocale grouping(QLocale::English, QLocale::UnitedStates);
    Label9->setText(grouping.toString(image.size()) + QStringLiteral(" Total bytes"));

    const MessageAnswer zips = dialogs.message(
        host_.dialogParent(),
        QStringLiteral("Save as Zip's?\n\nChoosing Yes, puts the Rar's/Ace's into Zip's\n\n"
                       "Choosing No, just makes Rar's/Ace's"),
        QStringLiteral("Save as Zip's or Rar's/Ace's"), MessageIcon::Question,
        MessageButtons::YesNo);
    if (zips == MessageAnswer::No) {
        host_.setRawArchivesOnly(true);
    } else {
        host_.rawArchivesOnly_ = false;
        host_.setZipControlsEnabled(true);
    }
    host_.sourceSizeM_ = parseSizeField(Label9->text());
    finishBrowse();
}

void PageSource::imageFailure() {
    host_.services_.window.setBusyPointer(false);
    Command2->setEnabled(true);
    host_.services_.window.setPageBarEnabled(true);
    Label9->setText(QStringLiteral("Error"));
    host_.sourcePath_ = SSPanel8->caption();
    host_.services_.dialogs.message(host_.dialogParent(),
                                    QStringLiteral("Error calculating source bytes"), kErrorTitle,
                                    MessageIcon::Critical, MessageButtons::Ok);
    host_.zip_->Label19->clear();
}

void PageSource::finishBrowse() {
    host_.services_.window.setBusyPointer(false);
    Command2->setEnabled(true);
    host_.services_.window.setPageBarEnabled(true);
    host_.sourcePath_ = SSPanel8->caption();
    freeSpaceCheck();
    host_.zip_->browseEstimate();
}

void PageSource::imageOptionToggled() {
    SSPanel8->setCaption(QString());
    Label9->clear();
    host_.zip_->Label19->clear();
    host_.sourceSizeM_ = 0;
    if (Check2->isChecked()) {
        host_.zip_->VScroll1->setValue(10);
    } else {
        host_.rawArchivesOnly_ = false;
        host_.zip_->VScroll1->setValue(3);
        host_.setZipControlsEnabled(true);
    }
}
