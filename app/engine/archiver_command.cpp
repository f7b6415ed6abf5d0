#include "engine/archiver_command.h"

#include <QFile>

const char* const kTooManyVolumesText =
    "Can't have more than 999 files in the set\rRaise the achive size, or choose a source "
    "with a smaller size";
const char* const kTooManyVolumesTitle = "Kavel error";

namespace {
QString quotedIfBlank(const QString& path) {
    return path.contains(QLatin1Char(' ')) ? QLatin1Char('"') + path + QLatin1Char('"') : path;
}
} // namespace

VolumePlan planVolumes(ArchiverKind archiver, int16_t sizeUnits, float sourceSizeM) {
    VolumePlan plan;
    const bool rar = archiver == ArchiverKind::Rar;
    if (sizeUnits == 0) {
        plan.extension = rar ? QStringLiteral(".rar") : QStringLiteral(".ace");
        return plan;
    }
    // Single precision on purpose: the estimate shown on the Zip page is computed the same way.
    const float bytes = float(sizeUnits) * 500000.0f;
    const float estimate = (sourceSizeM * 1000000.0f) / bytes;
    plan.threeDigitNumbers = estimate > 99.0f;
    if (rar)
        plan.extension = plan.threeDigitNumbers ? QStringLiteral(".001") : QStringLiteral(".rar");
    else
        plan.extension = QStringLiteral(".ace");
    plan.tooManyVolumes = estimate > 999.0f;
    return plan;
}

QString archiverOptions(ArchiverKind archiver, int16_t sizeUnits, int16_t methodIndex) {
    const bool rar = archiver == ArchiverKind::Rar;
    const int32_t units = int32_t(sizeUnits) * 500;
    QString digits = QString::number(units);
    if (rar)
        digits += QStringLiteral("000");
    QString volume = QStringLiteral("-v") + digits;
    // Slider position 3 is the 1.44 MB floppy, not 1,500,000 bytes.
    if (volume == QLatin1String("-v1500000"))
        volume = QStringLiteral("-v1440000");
    else if (volume == QLatin1String("-v1500"))
        volume = QStringLiteral("-v1440");
    if (rar)
        volume += QLatin1Char('b');
    else if (digits == QLatin1String("0"))
        volume.clear();
    return volume + QStringLiteral(" -m") + QString::number(methodIndex);
}

QString skipSwitch(const QString& skipList, const QString& listFile) {
    if (skipList.isEmpty())
        return {};
    return QStringLiteral("-x@") + quotedIfBlank(listFile);
}

bool writeExclusionList(const QString& skipList, const QString& listFile, QString* error) {
    QFile file(listFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = QStringLiteral("cannot write the exclusion list %1: %2")
                         .arg(listFile, file.errorString());
        return false;
    }
    const QByteArray bytes = skipList.toLocal8Bit() + "\r\n";
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        if (error)
            *error = QStringLiteral("cannot write the exclusion list %1: %2")
                         .arg(listFile, file.errorString());
        return false;
    }
    return true;
}

QString archiverCommandLine(ArchiverKind archiver, const QString& options,
                            const QString& archivePath, const QString& sourceSpec,
                            const QString& skipSwitchText) {
    const bool rar = archiver == ArchiverKind::Rar;
    QString line = rar ? QStringLiteral("wrar.exe a -r ") : QStringLiteral("wace.pif a -r ");
    line += options;
    line += QStringLiteral(" -y");
    line += QLatin1Char(' ') + quotedIfBlank(archivePath);
    const QString source = rar ? QLatin1Char('"') + sourceSpec + QLatin1Char('"')
                               : quotedIfBlank(sourceSpec);
    line += QLatin1Char(' ') + source;
    line += QLatin1Char(' ') + skipSwitchText;
    return line;
}
