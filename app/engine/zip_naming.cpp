#include "engine/zip_naming.h"

#include "job/volume_rules.h"
#include "platform/paths.h"

#include <QRegularExpression>

namespace {

const QLatin1String kPar2Extension(".par2");

// What follows the stem in a PAR2 file's name: ".par2" or ".volN+M.par2".
bool isPar2Rest(const QString& rest, Qt::CaseSensitivity cs) {
    static const QRegularExpression exact(QStringLiteral("^(?:\\.vol\\d+\\+\\d+)?\\.par2$"));
    static const QRegularExpression anyCase(exact.pattern(),
                                            QRegularExpression::CaseInsensitiveOption);
    return (cs == Qt::CaseSensitive ? exact : anyCase).match(rest).hasMatch();
}

} // namespace

QString cutZipName(const QString& zipName, int sizeUnits, bool threeDigits) {
    return zipName.left(zipNameLimit(sizeUnits, threeDigits));
}

QString setNameLead(const QString& zipName) {
    return zipName.left(kZipNameLimitThreeDigits);
}

QString volumeNumberText(int16_t sizeUnits, int diskCount, int diskNumber, bool threeDigits) {
    if (sizeUnits == 0 || diskCount == 1)
        return {};
    return QStringLiteral("%1").arg(diskNumber, threeDigits ? 3 : 2, 10, QLatin1Char('0'));
}

QString dateStampText(bool dateStampRun, const QDate& today) {
    if (!dateStampRun)
        return {};
    return today.toString(QStringLiteral("MMdyy"));
}

QString zipBaseFor(const QString& zipDir, const QString& zipName, const QString& dateText,
                   const QString& numberText) {
    // joinPath does not double a separator already there: "C:\" gives "C:\name01", and a
    // directory written with a trailing separator keeps its zips inside it.
    return joinPath(zipDir, zipName + dateText + numberText);
}

QString shownZipName(const QString& zipName, const QString& dateText, const QString& numberText) {
    return zipName + dateText + numberText + QStringLiteral(".zip");
}

QString sfvFileName(const QString& stem) {
    return stem + QStringLiteral(".sfv");
}

QString par2FileName(const QString& stem) {
    return stem + kPar2Extension;
}

bool isPar2Name(const QString& name) {
    return name.endsWith(kPar2Extension, Qt::CaseInsensitive);
}

bool isPar2VolumeName(const QString& name) {
    static const QRegularExpression volume(QStringLiteral("\\.vol\\d+\\+\\d+\\.par2$"),
                                           QRegularExpression::CaseInsensitiveOption);
    return volume.match(name).hasMatch();
}

bool isPar2NameOf(const QString& name, const QString& stem, Qt::CaseSensitivity cs) {
    return name.startsWith(stem, cs) && isPar2Rest(name.mid(stem.size()), cs);
}

SetFileRole setFileRole(const QString& fileName, const QString& stem) {
    if (stem.isEmpty() || !fileName.startsWith(stem, Qt::CaseInsensitive))
        return {};
    const QString rest = fileName.mid(stem.size());
    if (isPar2Rest(rest, Qt::CaseInsensitive))
        return {SetFileRole::Kind::Par2, 0};
    static const QRegularExpression zipOrSfv(QStringLiteral("^(?:(\\d{2,3})?\\.zip|(\\.sfv))$"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = zipOrSfv.match(rest);
    if (!m.hasMatch())
        return {};
    if (m.hasCaptured(2))
        return {SetFileRole::Kind::Sfv, 0};
    return {SetFileRole::Kind::Zip, m.hasCaptured(1) ? m.captured(1).toInt() : 0};
}
