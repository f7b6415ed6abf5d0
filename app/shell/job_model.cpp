#include "shell/job_model.h"

#include "job/volume_rules.h"
#include "source/volume_estimate.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {
// The numbering fields take five characters.
constexpr int kNumberFieldLength = 5;
} // namespace

JobModel::JobModel(WindowPort& window, MachinePort& machine, const RunFlags& flags, QObject* parent)
    : QObject(parent), session_(window, machine, flags) {
    sizeCaption_ = ::sizeCaption(session_.job.SizeUnits);
    sourceSizeText_ = QStringLiteral("- Source size -");
    zipFreeText_ = QStringLiteral("Free space: ");
}

template <typename T> void JobModel::assign(T& field, const T& value) {
    if (field == value)
        return;
    field = value;
    emit changed();
}

void JobModel::setJob(const JobSettings& job) {
    const bool hadSubstitute = session_.job.AutoNumber;
    JobSettings& held = session_.job;
    held = job;
    held.NumberColumn = held.NumberColumn.left(kNumberFieldLength);
    held.NumberLine = held.NumberLine.left(kNumberFieldLength);
    held.MethodIndex = std::clamp<int16_t>(held.MethodIndex, kNoMethodChosen, kMaximumMethod);
    held.SizeUnits = std::clamp<int16_t>(held.SizeUnits, kSliderMinimum, kSliderMaximum);
    if (held.AutoNumber)
        numbering_ = NumberingChoice::Substitute;
    else if (hadSubstitute)
        numbering_ = NumberingChoice::Neither;
    extraKindChosen_ = true;
    zipNameMaxLength_ = kZipNameLimitOneArchive;
    applySizeUnits(held.SizeUnits);
    if (held.SizeUnits != 0)
        zipNameMaxLength_ = kZipNameLimitTwoDigits;
    limitZipName();
    emit changed();
    emit commentChanged(held.CommentOn);
}

void JobModel::scriptLoaded(const ScriptLoad& load) {
    JobSettings& held = session_.job;
    if (held.AutoNumber)
        numbering_ = NumberingChoice::Substitute;
    else if (numbering_ == NumberingChoice::Substitute)
        numbering_ = NumberingChoice::Neither;
    // The File line comes before the size; a script read that far chose an extra kind.
    if (load.sizeSet)
        extraKindChosen_ = true;
    zipNameMaxLength_ = kZipNameLimitOneArchive;
    if (load.sizeSet)
        applySizeUnits(held.SizeUnits);
    zipNameMaxLength_ = load.zipNameMaxLength;
    limitZipName();
    emit changed();
}

void JobModel::jobChangedInPlace() {
    emit changed();
}

void JobModel::setSourceSpec(const QString& source) {
    assign(session_.job.SourceSpec, source);
}
void JobModel::setSkipList(const QString& list) {
    assign(session_.job.SkipList, list);
}
void JobModel::setDizFile(const QString& path) {
    assign(session_.job.DizFile, path);
}

void JobModel::chooseSubstitute() {
    numbering_ = NumberingChoice::Substitute;
    session_.job.AutoNumber = true;
    emit changed();
}

void JobModel::chooseNoNumbering() {
    numbering_ = NumberingChoice::None;
    session_.job.AutoNumber = false;
    session_.job.NumberColumn.clear();
    session_.job.NumberLine.clear();
    emit changed();
}

void JobModel::setNumberColumn(const QString& text) {
    assign(session_.job.NumberColumn, text.left(kNumberFieldLength));
}
void JobModel::setNumberLine(const QString& text) {
    assign(session_.job.NumberLine, text.left(kNumberFieldLength));
}
void JobModel::setNfoFile(const QString& path) {
    assign(session_.job.NfoFile, path);
}
void JobModel::setFirstZipOnly(bool on) {
    assign(session_.job.FirstZipOnly, on);
}

void JobModel::setExtraKind(bool isFile) {
    extraKindChosen_ = true;
    session_.job.ExtraIsFile = isFile;
    emit changed();
}

void JobModel::setExtraPath(const QString& path) {
    assign(session_.job.ExtraPath, path);
}
void JobModel::setZipDir(const QString& dir) {
    assign(session_.job.ZipDir, dir);
}
void JobModel::setZipName(const QString& name) {
    assign(session_.job.ZipName, name.left(zipNameMaxLength_));
}

void JobModel::applySizeUnits(int position) {
    const ArchiveSizeUpdate update =
        archiveSizeChanged(std::clamp(position, kSliderMinimum, kSliderMaximum), imageSource_,
                           sourceSizeM(), threeDigitNumbers_, session_.job.ZipName);
    session_.job.SizeUnits = int16_t(update.position);
    sizeCaption_ = update.sizeCaption;
    estimateText_ = update.estimateText;
    threeDigitNumbers_ = update.ThreeDigitNumbers;
    zipNameMaxLength_ = update.zipNameMaxLength;
    session_.job.ZipName = update.ZipName;
}

void JobModel::limitZipName() {
    session_.job.ZipName = session_.job.ZipName.left(zipNameMaxLength_);
}

void JobModel::setSizeUnits(int position) {
    applySizeUnits(position);
    emit changed();
}

void JobModel::setMethodIndex(int index) {
    assign(session_.job.MethodIndex,
           int16_t(std::clamp<int>(index, kNoMethodChosen, kMaximumMethod)));
}
void JobModel::setZipExtra(bool on) {
    assign(session_.job.ZipExtra, on);
}
void JobModel::setArchiver(ArchiverKind archiver) {
    assign(session_.job.Archiver, archiver);
}
void JobModel::setWorkDrive(const QString& location) {
    assign(session_.job.WorkDrive, location);
}

void JobModel::chooseArchivesOnly(bool raw) {
    JobSettings& held = session_.job;
    held.RawArchivesOnly = raw;
    if (raw) {
        held.DizFile.clear();
        held.NfoFile.clear();
        held.ExtraPath.clear();
        held.ZipDir.clear();
        held.SkipList.clear();
        held.FirstZipOnly = false;
        chooseNoNumbering(); // emits
        return;
    }
    emit changed();
}

void JobModel::setComment(bool on, const QString& commentFile) {
    session_.job.CommentOn = on;
    session_.job.CommentFile = commentFile;
    emit changed();
    emit commentChanged(on);
}

void JobModel::setImageSource(bool on) {
    if (on == imageSource_)
        return;
    imageSource_ = on;
    // Any earlier source is forgotten.
    session_.job.SourceSpec.clear();
    sourceSizeText_.clear();
    estimateText_.clear();
    session_.sourceSizeM = 0;
    if (on) {
        applySizeUnits(kCdImageMinimumPosition);
    } else {
        session_.job.RawArchivesOnly = false;
        applySizeUnits(kFloppyPosition);
    }
    emit changed();
}

void JobModel::setSourceSizeM(float megs) {
    assign(session_.sourceSizeM, megs);
}
void JobModel::setEstimateText(const QString& text) {
    assign(estimateText_, text);
}

void JobModel::showBrowseEstimate() {
    setEstimateText(browseEstimate(session_.job.SizeUnits, sourceSizeM(), estimateText_));
}

void JobModel::setSourceSizeText(const QString& text) {
    assign(sourceSizeText_, text);
}
void JobModel::setZipFreeText(const QString& text) {
    assign(zipFreeText_, text);
}
void JobModel::setScriptPath(const QString& path) {
    assign(scriptPath_, path);
}

QString JobModel::dialogFolder() const {
    auto folderOf = [](const QString& path) {
        return path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
    };
    QString source = session_.job.SourceSpec;
    if (source.size() > 2 && source.startsWith(QLatin1Char('"')) &&
        source.endsWith(QLatin1Char('"')))
        source = source.mid(1, source.size() - 2);
    for (const QString& folder : {folderOf(scriptPath_), folderOf(QDir::cleanPath(source))})
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    return QDir::homePath();
}

void JobModel::setRun(const RunDisplay& run) {
    if (run == run_)
        return;
    run_ = run;
    emit runDisplayChanged();
}

void JobModel::setStatusText(const QString& text) {
    RunDisplay run = run_;
    run.status = text;
    setRun(run);
}

void JobModel::setNameText(const QString& text) {
    RunDisplay run = run_;
    run.zipName = text;
    setRun(run);
}

void JobModel::setCountText(const QString& text) {
    RunDisplay run = run_;
    run.count = text;
    setRun(run);
}

void JobModel::setProgress(int percent) {
    RunDisplay run = run_;
    run.percent = std::clamp(percent, 0, 100);
    setRun(run);
}

void JobModel::setArchiverProgress(int percent) {
    const int value = percent < 0 ? -1 : std::min(percent, 100);
    if (value == run_.archiverPercent)
        return;
    RunDisplay run = run_;
    run.archiverPercent = value;
    setRun(run);
    emit archiverProgressChanged(value);
}
