#include "release/finish_set.h"

#include "job/window_port.h"
#include "platform/paths.h"
#include "release/par2_recovery.h"
#include "release/set_check.h"
#include "release/sfv_file.h"

#include <QFileInfo>

QString finishPrerequisiteFault(const FinishOptions& options) {
    if (options.par2Percent > 0)
        return par2MissingFault();
    return {};
}

bool writeSetSfv(const QString& path, const QStringList& zips, QString* error) {
    QList<SfvEntry> entries;
    for (const QString& zip : zips) {
        quint32 crc = 0;
        if (!fileCrc32(zip, &crc, error))
            return false;
        entries.append({QFileInfo(zip).fileName(), crc});
    }
    return writeSfvFile(path, entries, error);
}

FinishResult finishSet(const JobSettings& job, const QStringList& zips, bool dateStamped,
                       const FinishOptions& options, WindowPort& window) {
    FinishResult result;
    if (zips.isEmpty() || (!options.sfv && !options.par2Percent && !options.verify))
        return result;
    auto fail = [&](const QString& why) {
        result.ok = false;
        result.failure = why;
        result.report << QStringLiteral("FAILED: ") + why;
        return result;
    };
    const QString folder = QFileInfo(zips.front()).absolutePath();
    QStringList names;
    for (const QString& zip : zips)
        names << QFileInfo(zip).fileName();
    const QList<SetZipName> named = nameZips(names);
    const QString stem = named.front().stem;

    if (options.sfv) {
        const QString sfv = joinPath(folder, stem + QStringLiteral(".sfv"));
        window.setStatusText(QStringLiteral("Writing %1").arg(QFileInfo(sfv).fileName()));
        window.processEvents();
        QString error;
        if (!writeSetSfv(sfv, zips, &error))
            return fail(error);
        result.report << QStringLiteral("SFV %1 written: %2 zips").arg(sfv).arg(zips.size());
    }
    if (options.par2Percent > 0) {
        window.setStatusText(QStringLiteral("Making the PAR2 recovery files"));
        window.processEvents();
        QString error;
        if (!makeRecoveryFiles(folder, stem, options.par2Percent, zips, &error))
            return fail(error);
        result.report << QStringLiteral("PAR2 recovery files at %1 %: %2, verified with par2")
                             .arg(options.par2Percent)
                             .arg(recoveryFileNames(folder, stem).join(QStringLiteral(", ")));
    }
    if (options.verify) {
        window.setStatusText(QStringLiteral("Checking the zips"));
        window.processEvents();
        SetCheckRequest request;
        request.folder = folder;
        request.job = job;
        request.stem = stem;
        request.dateStamped = dateStamped;
        const SetReport report = checkSet(request, [&window](const QString& step) {
            window.setStatusText(step);
            window.processEvents();
        });
        result.report << report.lines;
        if (!report.passed()) {
            result.ok = false;
            result.failure =
                QStringLiteral("the zips were made but failed their check: %1%2")
                    .arg(report.faults.front())
                    .arg(report.faults.size() > 1
                             ? QStringLiteral(" (and %1 more)").arg(report.faults.size() - 1)
                             : QString());
        }
    }
    return result;
}
