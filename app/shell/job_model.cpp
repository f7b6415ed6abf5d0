#include "shell/job_model.h"

#include "engine/zip_naming.h"
#include "job/volume_rules.h"
#include "script/script_file.h"
#include "source/volume_estimate.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {
// The numbering fields take five characters.
constexpr int kNumberFieldLength = 5;

// What a script would hold of the job, whenever it is saved.
QByteArray scriptBody(const JobSettings& job) {
    return scriptText(job, QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
}
} // namespace

QString fieldValue(const JobSettings& job, const QString& field) {
    static const QMap<QString, QString JobSettings::*> fields{
        {QStringLiteral("SSPanel8"), &JobSettings::SourceSpec},
        {QStringLiteral("Text1"), &JobSettings::SkipList},
        {QStringLiteral("SSPanel2"), &JobSettings::DizFile},
        {QStringLiteral("Text2"), &JobSettings::NumberColumn},
        {QStringLiteral("Text6"), &JobSettings::NumberLine},
        {QStringLiteral("SSPanel3"), &JobSettings::NfoFile},
        {QStringLiteral("SSPanel4"), &JobSettings::ExtraPath},
        {QStringLiteral("SSPanel5"), &JobSettings::ZipDir},
        {QStringLiteral("Text3"), &JobSettings::ZipName}};
    if (const auto member = fields.value(field))
        return job.*member;
    if (field == QLatin1String("Combo1"))
        return QString::number(job.MethodIndex);
    return {};
}

JobModel::JobModel(JobSession& session, QObject* parent) : QObject(parent), session_(session) {
    sizeCaption_ = ::sizeCaption(job().SizeUnits);
    sourceSizeText_ = QStringLiteral("- Source size -");
    zipFreeText_ = QStringLiteral("Free space: ");
    savedScript_ = scriptBody(job());
    connect(&session_, &JobSession::jobChanged, this, &JobModel::jobChanged);
}

void JobModel::jobChanged() {
    // A note is about the value it was given for.
    for (auto it = notes_.begin(); it != notes_.end();)
        it = fieldValue(job(), it.key()) == it->value ? std::next(it) : notes_.erase(it);
    emit changed();
}

template <typename T> void JobModel::edit(T JobSettings::*field, const T& value) {
    JobSettings job = this->job();
    job.*field = value;
    session_.setJob(job);
}

// A field of the window's own: a change is announced, the same value is not.
template <typename T> void JobModel::assign(T& field, const T& value) {
    if (field == value)
        return;
    field = value;
    emit changed();
}

void JobModel::setJob(const JobSettings& given) {
    const bool hadSubstitute = job().AutoNumber;
    JobSettings job = given;
    job.NumberColumn = job.NumberColumn.left(kNumberFieldLength);
    job.NumberLine = job.NumberLine.left(kNumberFieldLength);
    job.MethodIndex = std::clamp<int16_t>(job.MethodIndex, kNoMethodChosen, kMaximumMethod);
    job.SizeUnits = std::clamp<int16_t>(job.SizeUnits, kSliderMinimum, kSliderMaximum);
    if (job.AutoNumber)
        numbering_ = NumberingChoice::Substitute;
    else if (hadSubstitute)
        numbering_ = NumberingChoice::Neither;
    extraKindChosen_ = true;
    applySizeUnits(job, job.SizeUnits);
    // A job set whole: the name field has room for a name before two digits.
    zipNameMaxLength_ = zipNameLimit(job.SizeUnits, false);
    job.ZipName = cutZipName(job.ZipName, job.SizeUnits, false);
    session_.setJob(job);
    emit changed();
    emit commentChanged(job.CommentOn);
}

void JobModel::scriptLoaded(const ScriptLoad& load) {
    JobSettings job = this->job();
    if (job.AutoNumber)
        numbering_ = NumberingChoice::Substitute;
    else if (numbering_ == NumberingChoice::Substitute)
        numbering_ = NumberingChoice::Neither;
    // The File line comes before the size; a script read that far chose an extra kind.
    if (load.sizeSet)
        extraKindChosen_ = true;
    if (load.sizeSet)
        applySizeUnits(job, job.SizeUnits);
    zipNameMaxLength_ = load.zipNameMaxLength;
    job.ZipName = job.ZipName.left(zipNameMaxLength_);
    session_.setJob(job);
    emit changed();
}

void JobModel::setSourceSpec(const QString& source) {
    edit(&JobSettings::SourceSpec, source);
}
void JobModel::setSkipList(const QString& list) {
    edit(&JobSettings::SkipList, list);
}
void JobModel::setDizFile(const QString& path) {
    edit(&JobSettings::DizFile, path);
}

void JobModel::chooseSubstitute() {
    numbering_ = NumberingChoice::Substitute;
    edit(&JobSettings::AutoNumber, true);
    emit changed();
}

void JobModel::chooseNoNumbering() {
    numbering_ = NumberingChoice::None;
    JobSettings job = this->job();
    job.AutoNumber = false;
    job.NumberColumn.clear();
    job.NumberLine.clear();
    session_.setJob(job);
    emit changed();
}

void JobModel::setNumberColumn(const QString& text) {
    edit(&JobSettings::NumberColumn, text.left(kNumberFieldLength));
}
void JobModel::setNumberLine(const QString& text) {
    edit(&JobSettings::NumberLine, text.left(kNumberFieldLength));
}
void JobModel::setNfoFile(const QString& path) {
    edit(&JobSettings::NfoFile, path);
}
void JobModel::setFirstZipOnly(bool on) {
    edit(&JobSettings::FirstZipOnly, on);
}

void JobModel::setExtraKind(bool isFile) {
    extraKindChosen_ = true;
    edit(&JobSettings::ExtraIsFile, isFile);
    emit changed();
}

void JobModel::setExtraPath(const QString& path) {
    edit(&JobSettings::ExtraPath, path);
}
void JobModel::setZipDir(const QString& dir) {
    edit(&JobSettings::ZipDir, dir);
}
void JobModel::setZipName(const QString& name) {
    edit(&JobSettings::ZipName, name.left(zipNameMaxLength_));
}

void JobModel::applySizeUnits(JobSettings& job, int position) {
    const ArchiveSizeUpdate update =
        archiveSizeChanged(std::clamp(position, kSliderMinimum, kSliderMaximum), imageSource_,
                           sourceSizeM(), threeDigitNumbers_, job.ZipName);
    job.SizeUnits = int16_t(update.position);
    sizeCaption_ = update.sizeCaption;
    estimateText_ = update.estimateText;
    threeDigitNumbers_ = update.ThreeDigitNumbers;
    zipNameMaxLength_ = update.zipNameMaxLength;
    job.ZipName = update.ZipName;
}

void JobModel::setSizeUnits(int position) {
    JobSettings job = this->job();
    applySizeUnits(job, position);
    session_.setJob(job);
    emit changed();
}

void JobModel::setMethodIndex(int index) {
    edit(&JobSettings::MethodIndex,
         int16_t(std::clamp<int>(index, kNoMethodChosen, kMaximumMethod)));
}
void JobModel::setZipExtra(bool on) {
    edit(&JobSettings::ZipExtra, on);
}
void JobModel::setArchiver(ArchiverKind archiver) {
    edit(&JobSettings::Archiver, archiver);
}
void JobModel::setWorkDrive(const QString& location) {
    session_.setWorkDrive(location);
}

void JobModel::chooseArchivesOnly(bool raw) {
    JobSettings job = this->job();
    job.RawArchivesOnly = raw;
    if (raw) {
        job.DizFile.clear();
        job.NfoFile.clear();
        job.ExtraPath.clear();
        job.ZipDir.clear();
        job.SkipList.clear();
        job.FirstZipOnly = false;
        session_.setJob(job);
        chooseNoNumbering(); // emits
        return;
    }
    session_.setJob(job);
    emit changed();
}

void JobModel::setComment(bool on, const QString& commentFile) {
    JobSettings job = this->job();
    job.CommentOn = on;
    job.CommentFile = commentFile;
    session_.setJob(job);
    emit changed();
    emit commentChanged(on);
}

void JobModel::setImageSource(bool on) {
    if (on == imageSource_)
        return;
    imageSource_ = on;
    // Any earlier source is forgotten.
    JobSettings job = this->job();
    job.SourceSpec.clear();
    sourceSizeText_.clear();
    estimateText_.clear();
    session_.setSourceSizeM(0);
    if (!on)
        job.RawArchivesOnly = false;
    applySizeUnits(job, on ? kCdImageMinimumPosition : kFloppyPosition);
    session_.setJob(job);
    emit changed();
}

void JobModel::setEstimateText(const QString& text) {
    assign(estimateText_, text);
}

void JobModel::showBrowseEstimate() {
    setEstimateText(browseEstimate(job().SizeUnits, sourceSizeM(), estimateText_));
}

void JobModel::setSourceSizeText(const QString& text) {
    assign(sourceSizeText_, text);
}

void JobModel::setZipFreeText(const QString& text) {
    assign(zipFreeText_, text);
}

void JobModel::setSourceBrowseEnabled(bool enabled) {
    assign(sourceBrowseEnabled_, enabled);
}

void JobModel::setScriptPath(const QString& path) {
    assign(scriptPath_, path);
}

QString JobModel::dialogFolder() const {
    auto folderOf = [](const QString& path) {
        return path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
    };
    QString source = job().SourceSpec;
    if (source.size() > 2 && source.startsWith(QLatin1Char('"')) &&
        source.endsWith(QLatin1Char('"')))
        source = source.mid(1, source.size() - 2);
    for (const QString& folder : {folderOf(scriptPath_), folderOf(QDir::cleanPath(source))})
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    return QDir::homePath();
}

bool JobModel::unsaved() const {
    return scriptBody(job()) != savedScript_;
}

void JobModel::markSaved() {
    savedScript_ = scriptBody(job());
    emit changed();
}

void JobModel::setNote(const QString& field, const QString& text) {
    if (text.isEmpty())
        notes_.remove(field);
    else
        notes_.insert(field, {text, fieldValue(job(), field)});
    emit changed();
}

void JobModel::clearNotes() {
    if (notes_.isEmpty())
        return;
    notes_.clear();
    emit changed();
}

QString JobModel::shownSource() const {
    return run_.source.isEmpty() ? job().SourceSpec : run_.source;
}

void JobModel::setShownSource(const QString& text) {
    RunDisplay run = run_;
    // The job's own source needs no stand-in.
    run.source = text == job().SourceSpec ? QString() : text;
    setRun(run);
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

void JobModel::reportRunBytes(RunPhase phase, qint64 done, qint64 total) {
    emit runBytesReported(phase, done, total);
}

void JobModel::setArchiverProgress(int percent) {
    const int value = percent < 0 ? -1 : std::min(percent, 100);
    if (value == run_.archiverPercent)
        return;
    RunDisplay run = run_;
    run.archiverPercent = value;
    setRun(run);
}
