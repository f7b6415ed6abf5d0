#include "engine/archiver_command.h"

#include "job/volume_rules.h"

#include <QFile>

const char* const kTooManyVolumesText =
    "Can't have more than 999 files in the set\rRaise the achive size, or choose a source "
    "with a smaller size";
const char* const kTooManyVolumesTitle = "Kavel error";

VolumePlan planVolumes(ArchiverKind archiver, int16_t sizeUnits, float sourceSizeM,
                       std::optional<int> digits) {
    VolumePlan plan;
    const bool rar = archiver == ArchiverKind::Rar;
    if (sizeUnits == 0) {
        plan.extension = rar ? QStringLiteral(".rar") : QStringLiteral(".ace");
        return plan;
    }
    const float estimate = estimatedVolumes(sizeUnits, sourceSizeM);
    plan.threeDigitNumbers = digits ? *digits == 3 : needsThreeDigits(estimate);
    if (rar)
        plan.extension = plan.threeDigitNumbers ? QStringLiteral(".001") : QStringLiteral(".rar");
    else
        plan.extension = QStringLiteral(".ace");
    plan.tooManyVolumes = exceedsVolumeLimit(estimate);
    return plan;
}

QString archiverOptions(ArchiverKind archiver, int16_t sizeUnits, int16_t methodIndex) {
    return volumeSwitch(archiver, sizeUnits) + QStringLiteral(" -m") + QString::number(methodIndex);
}

bool writeExclusionList(const QString& skipList, const QString& listFile, QString* error) {
    QFile file(listFile);
    const QByteArray bytes = skipList.toLocal8Bit() + "\r\n";
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        if (error)
            *error = QStringLiteral("cannot write the exclusion list %1: %2")
                         .arg(listFile, file.errorString());
        return false;
    }
    return true;
}

Command archiverCommand(ArchiverKind archiver, int16_t sizeUnits, int16_t methodIndex,
                        const QString& archivePath, const QString& sourceSpec,
                        const QString& listFile) {
    const bool rar = archiver == ArchiverKind::Rar;
    Command command;
    command.program = rar ? QStringLiteral("wrar.exe") : QStringLiteral("wace.pif");
    command.arguments = {QStringLiteral("a"), QStringLiteral("-r")};
    const QString volume = volumeSwitch(archiver, sizeUnits);
    if (!volume.isEmpty())
        command.arguments << volume;
    command.arguments << QStringLiteral("-m") + QString::number(methodIndex) << QStringLiteral("-y")
                      << archivePath << sourceSpec;
    if (!listFile.isEmpty())
        command.arguments << QStringLiteral("-x@") + listFile;

    // The text as the archiver's users know it; the Rar source always in quotes.
    command.text =
        command.program + QStringLiteral(" a -r ") +
        archiverOptions(archiver, sizeUnits, methodIndex) + QStringLiteral(" -y ") +
        quoteArgument(archivePath) + QLatin1Char(' ') +
        (rar ? QLatin1Char('"') + sourceSpec + QLatin1Char('"') : quoteArgument(sourceSpec)) +
        QLatin1Char(' ') +
        (listFile.isEmpty() ? QString() : QStringLiteral("-x@") + quoteArgument(listFile));
    return command;
}
