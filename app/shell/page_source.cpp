#include "shell/page_source.h"

#include "engine/zip_wrapping.h"
#include "platform/paths.h"
#include "shell/job_model.h"
#include "shell/page_common.h"
#include "shell/shell_services.h"
#include "shell/ss_frame.h"
#include "shell/ss_panel.h"
#include "source/size_listing.h"
#include "source/source_size.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLocale>
#include <QVBoxLayout>

using namespace pagekit;

PageSource::PageSource(QWidget* panel, JobModel& model, ShellServices& services)
    : QObject(panel), model_(model), services_(services), panel_(panel) {
    auto* grid = pageGrid(panel);
    sourceCaption_ = label(panel, "Label15", QStringLiteral("Source drive or directory"));
    sourceDisplay_ = new SSPanel(QStringLiteral("SSPanel8"), panel);
    sourceDisplay_->setToolTipFollowsCaption(true);
    sourceNote_ = new FieldNote(QStringLiteral("SSPanel8"), panel);
    browseButton_ = button(panel, "Command2", QStringLiteral("&Browse"));
    imageOption_ = check(panel, "Check2", QStringLiteral("&ISO"));
    imageOption_->setToolTip(QStringLiteral("To choose a .iso file"));
    sourceSize_ = label(panel, "Label9", QString());
    sourceSize_->setToolTip(QStringLiteral("Total source size"));
    sourceSize_->setFrameShape(QFrame::Panel);
    sourceSize_->setFrameShadow(QFrame::Sunken);
    sourceSize_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    outputFrame_ =
        new SSFrame(QStringLiteral("SSFrame3"), QStringLiteral("Drive for Rar's"), panel);
    auto* driveBox = new QVBoxLayout(outputFrame_);
    outputLocations_ = new QComboBox(outputFrame_);
    outputLocations_->setObjectName(QStringLiteral("Drive1"));
    outputLocations_->setContextMenuPolicy(Qt::PreventContextMenu);
    outputLocations_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    outputLocations_->setMinimumContentsLength(16);
    outputFree_ = label(outputFrame_, "Label13", QStringLiteral("Free space on -"));
    outputFree_->setToolTip(QStringLiteral("Drive free space"));
    driveBox->addWidget(outputLocations_);
    driveBox->addWidget(outputFree_);

    grid->addWidget(sourceCaption_, 0, 0, 1, 3);
    grid->addWidget(sourceDisplay_, 1, 0, 1, 3);
    grid->addWidget(sourceNote_, 2, 0, 1, 3);
    grid->addWidget(browseButton_, 3, 0);
    grid->addWidget(imageOption_, 3, 1);
    grid->addWidget(sourceSize_, 4, 0, 1, 3);
    grid->addWidget(outputFrame_, 5, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(6, 1);

    connect(browseButton_, &QPushButton::clicked, this, &PageSource::browse);
    connect(imageOption_, &QCheckBox::toggled, &model_, &JobModel::setImageSource);
    connect(outputLocations_, &QComboBox::currentIndexChanged, this,
            &PageSource::outputDriveChanged);
    connect(&model_, &JobModel::changed, this, &PageSource::refresh);
    connect(&model_, &JobModel::runDisplayChanged, this, &PageSource::refresh);
    refresh();
}

void PageSource::refresh() {
    const JobSettings& job = model_.job();
    // While a run shows its own text there (the quoted source), that is no missing path.
    const bool own = model_.shownSource() == job.SourceSpec;
    showPath(sourceDisplay_, sourceNote_, model_.shownSource(), own ? job.SourceSpec : QString(),
             model_.note(QStringLiteral("SSPanel8")), PathKind::Any);
    browseButton_->setEnabled(model_.sourceBrowseEnabled());
    show(imageOption_, model_.imageSource());
    show(sourceSize_, model_.sourceSizeText());
    const int at = outputLocations_->findText(job.WorkDrive);
    if (at >= 0)
        show(outputLocations_, at);
}

QWidget* PageSource::dialogParent() const {
    return panel_->window();
}

std::optional<int64_t> PageSource::freeOf(const QString& location) const {
    if (location.isEmpty())
        return std::nullopt;
    return services_.machine.freeBytes(location);
}

// "Free space on - " + line break + whole millions with their sign position + " Meg.", as
// numbers in labels are written.
void PageSource::showOutputFree(std::optional<int64_t> freeBytes) {
    if (!freeBytes || *freeBytes < kMinOutputFree)
        outputFree_->setText(QStringLiteral("Free space on - \nless than 2 Meg."));
    else
        outputFree_->setText(QStringLiteral("Free space on - \n") +
                             platformNumberText(int(qRound64(double(*freeBytes) / 1e6))) +
                             QStringLiteral(" Meg."));
}

void PageSource::fillDriveList(const QStringList& locations) {
    {
        const QSignalBlocker quiet(outputLocations_);
        outputLocations_->clear();
        outputLocations_->addItems(locations);
        outputLocations_->setCurrentIndex(locations.isEmpty() ? -1 : 0);
    }
    model_.setWorkDrive(outputLocations_->currentText());
    showOutputFree(freeOf(outputLocations_->currentText()));
}

void PageSource::outputDriveChanged() {
    const QString location = outputLocations_->currentText();
    const auto free = freeOf(location);
    if (!free || *free < kMinOutputFree) {
        // Too little room or unreadable: back to the default location, silently.
        if (outputLocations_->currentIndex() != 0 && outputLocations_->count() > 0)
            outputLocations_->setCurrentIndex(0); // raises the change once more
        model_.setWorkDrive(outputLocations_->currentText());
        return;
    }
    showOutputFree(free);
    model_.setWorkDrive(location);
    freeSpaceCheck();
}

void PageSource::freeSpaceCheck() {
    const auto free = freeOf(outputLocations_->currentText());
    if (!free)
        return;
    double megs = double(*free);
    if (megs > 1000000)
        megs /= 1000000;
    if (megs < double(model_.sourceSizeM()))
        services_.dialogs.message(
            dialogParent(),
            QStringLiteral("You might not have enough free space on\n") +
                outputLocations_->currentText() +
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
    if (model_.imageSource())
        browseImage();
    else
        browseDirectory();
}

void PageSource::browseDirectory() {
    model_.chooseArchivesOnly(false);
    const QString chosen = services_.dialogs.chooseFolderWithStatus(
        dialogParent(), QStringLiteral("Source directory"), QString(),
        [this](const QString& path) { return folderStatusLine(path); });
    if (chosen.isEmpty())
        return;
    useDirectory(chosen);
}

void PageSource::useDirectory(const QString& chosen) {
    model_.setSourceSpec(foldCase(chosen));
    model_.setSkipList(QString()); // entries belong to the previous source
    if (model_.job().SourceSpec.isEmpty())
        return;
    const BrowseSize size =
        measureBrowsedSource(model_.job().SourceSpec, services_.window, services_.machine);
    if (size.failed)
        return;
    model_.setSourceSizeM(size.SourceSizeM);
    finishBrowse();
}

void PageSource::browseImage() {
    const QString chosen = services_.dialogs.openFile(
        dialogParent(), QStringLiteral("CD image file"), model_.dialogFolder(),
        QStringLiteral("ISO files (*.iso)|*.iso"));
    useImage(chosen);
}

void PageSource::useImage(const QString& chosen) {
    const QFileInfo image(chosen);
    if (chosen.isEmpty() || !image.isFile() || !image.isReadable()) {
        imageFailure();
        return;
    }
    model_.setSourceSpec(foldCase(chosen));
    const QLocale grouping(QLocale::English, QLocale::UnitedStates);
    model_.setSourceSizeText(grouping.toString(image.size()) + QStringLiteral(" Total bytes"));

    const MessageAnswer zips = services_.dialogs.message(
        dialogParent(),
        QStringLiteral("Save as Zip's?\n\nChoosing Yes, puts the Rar's/Ace's into Zip's\n\n"
                       "Choosing No, just makes Rar's/Ace's"),
        QStringLiteral("Save as Zip's or Rar's/Ace's"), MessageIcon::Question,
        MessageButtons::YesNo);
    model_.chooseArchivesOnly(zips == MessageAnswer::No);
    model_.setSourceSizeM(parseSizeField(model_.sourceSizeText()));
    finishBrowse();
}

void PageSource::useSource(const QString& path) {
    const bool image = !QFileInfo(path).isDir();
    model_.setImageSource(image);
    if (image) {
        useImage(path);
        return;
    }
    model_.chooseArchivesOnly(false);
    useDirectory(path);
}

void PageSource::imageFailure() {
    services_.window.setBusyPointer(false);
    model_.setSourceBrowseEnabled(true);
    services_.window.setPageBarEnabled(true);
    model_.setSourceSizeText(QStringLiteral("Error"));
    model_.setSourcePath(model_.job().SourceSpec);
    services_.dialogs.message(dialogParent(), QStringLiteral("Error calculating source bytes"),
                              kErrorTitle, MessageIcon::Critical, MessageButtons::Ok);
    model_.setEstimateText(QString());
}

void PageSource::finishBrowse() {
    services_.window.setBusyPointer(false);
    model_.setSourceBrowseEnabled(true);
    services_.window.setPageBarEnabled(true);
    model_.setSourcePath(model_.job().SourceSpec);
    freeSpaceCheck();
    model_.showBrowseEstimate();
}
