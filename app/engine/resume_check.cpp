#include "engine/resume_check.h"

#include "engine/zip_component.h"
#include "job/text_lines.h"
#include "platform/file_read.h"
#include "platform/paths.h"

#include <QFileInfo>

#include <sys/stat.h>

namespace {

bool existsAtAll(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// Empty when the file is the one recorded, else why not.
QString differs(const QString& path, const FileRecord& record) {
    if (!isRegularFileNoLink(path))
        return existsAtAll(path) ? QStringLiteral("it is not a regular file")
                                 : QStringLiteral("it is gone");
    const qint64 size = QFileInfo(path).size();
    quint32 crc = 0;
    QString error;
    if (size != record.size)
        return QStringLiteral("it is %1 bytes, %2 were recorded").arg(size).arg(record.size);
    if (!fileCrc32(path, &crc, &error))
        return error;
    if (crc != record.crc)
        return QStringLiteral("its CRC is %1, %2 was recorded")
            .arg(crcText(crc), crcText(record.crc));
    return {};
}

const FileRecord* recordNamed(const QList<FileRecord>& records, const QString& name) {
    for (const FileRecord& r : records)
        if (r.name == name)
            return &r;
    return nullptr;
}

// One zip of the plan against its records.
QString judgeZip(const PlannedZip& zip, const FileRecord& volume, const RunJournal& journal,
                 const QString& folder, ZipOnDisk* found) {
    const QString zipName = fileNamePart(zip.path);
    const QString volumePath = joinPath(folder, volume.name);
    if (const FileRecord* recorded = recordNamed(journal.zips, zipName)) {
        if (const QString why = differs(zip.path, *recorded); !why.isEmpty())
            return QStringLiteral("%1 is not the zip the journal recorded complete: %2")
                .arg(printableText(zip.path), why);
        found->state = ZipOnDisk::State::Complete;
        found->volumeLeft = existsAtAll(volumePath);
        QString error;
        if (found->volumeLeft && !ZipComponent::holds(zip.path, volume.name, volumePath, &error))
            return error;
        return {};
    }
    if (existsAtAll(volumePath)) {
        if (const QString why = differs(volumePath, volume); !why.isEmpty())
            return QStringLiteral("the volume %1 is not as the archiver made it: %2")
                .arg(printableText(volumePath), why);
        found->state = ZipOnDisk::State::Make;
        return {};
    }
    // Its volume is gone: only a zip that holds it whole may stand for it.
    QString error;
    if (!isRegularFileNoLink(zip.path) ||
        !ZipComponent::holdsRecord(zip.path, volume.name, volume.size, volume.crc, &error))
        return QStringLiteral("the volume %1 is gone and no complete zip holds it%2")
            .arg(printableText(volumePath),
                 error.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(error));
    found->state = ZipOnDisk::State::Adopt;
    found->record = {zipName, QFileInfo(zip.path).size(), 0};
    if (!fileCrc32(zip.path, &found->record.crc, &error))
        return error;
    return {};
}

// The extra files as the run began, when zips remain to be made.
QString extrasChanged(const RunJournal& journal) {
    for (const FileRecord& extra : journal.extras) {
        const QString path = journal.job.ExtraIsFile ? journal.job.ExtraPath
                                                     : joinPath(journal.job.ExtraPath, extra.name);
        if (const QString why = differs(path, extra); !why.isEmpty())
            return QStringLiteral("the extra file %1 changed since the run began (%2): the zips "
                                  "still to make would not match those made")
                .arg(printableText(path), why);
    }
    return {};
}

} // namespace

int DiskCheck::complete() const {
    int n = 0;
    for (const ZipOnDisk& zip : zips)
        n += zip.state != ZipOnDisk::State::Make ? 1 : 0;
    return n;
}

DiskCheck checkResumeDisk(const RunPlan& plan, const RunJournal& journal, const QString& folder) {
    DiskCheck check;
    if (plan.zips.size() != journal.volumes.size()) {
        check.failure = QStringLiteral("the plan has %1 zips where the journal has %2 volumes")
                            .arg(plan.zips.size())
                            .arg(journal.volumes.size());
        return check;
    }
    for (const FileRecord& zip : journal.zips) {
        bool planned = false;
        for (const PlannedZip& p : plan.zips)
            planned = planned || fileNamePart(p.path) == zip.name;
        if (!planned) {
            check.failure = QStringLiteral("the journal records the zip %1, which is not of this "
                                           "set")
                                .arg(printableText(zip.name));
            return check;
        }
    }
    bool toMake = false;
    for (qsizetype i = 0; i < plan.zips.size(); ++i) {
        ZipOnDisk found;
        check.failure = judgeZip(plan.zips[i], journal.volumes[i], journal, folder, &found);
        if (!check.failure.isEmpty()) {
            check.zips.clear();
            return check;
        }
        toMake = toMake || found.state == ZipOnDisk::State::Make;
        check.zips << found;
    }
    if (toMake)
        check.failure = extrasChanged(journal);
    if (!check.failure.isEmpty())
        check.zips.clear();
    return check;
}
