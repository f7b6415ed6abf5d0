#include "release/finish_set.h"

#include "job/text_lines.h"
#include "job/window_port.h"
#include "platform/paths.h"
#include "platform/source_date.h"
#include "release/par2_recovery.h"
#include "release/set_check.h"
#include "release/sfv_file.h"

#include <QFileInfo>

QString finishPrerequisiteFault(const FinishOptions& options) {
    if (options.par2Percent > 0)
        return par2MissingFault();
    return {};
}

bool writeSetSfv(const QString& path, const QStringList& zips, QString* error,
                 std::optional<qint64> stamp) {
    QList<SfvEntry> entries;
    for (const QString& zip : zips) {
        quint32 crc = 0;
        if (!fileCrc32(zip, &crc, error))
            return false;
        entries.append({QFileInfo(zip).fileName(), crc});
    }
    return writeSfvFile(path, entries, error, stamp);
}

FinishResult finishSet(const RunPlan& plan, const QStringList& zips, WindowPort& window) {
    FinishResult result;
    if (zips.isEmpty() || (plan.sfvPath.isEmpty() && plan.par2Path.isEmpty() && !plan.verify))
        return result;
    // The failure is shown in a window and on a terminal, and names files.
    auto fail = [&](const QString& why) {
        result.ok = false;
        result.failure = printableText(why);
        result.report << QStringLiteral("FAILED: ") + result.failure;
        return result;
    };
    const QString folder = QFileInfo(zips.front()).absolutePath();

    if (!plan.sfvPath.isEmpty()) {
        window.setStatusText(QStringLiteral("Writing %1").arg(fileNamePart(plan.sfvPath)));
        window.processEvents();
        QString error;
        if (!writeSetSfv(plan.sfvPath, zips, &error, plan.stampTime))
            return fail(error);
        result.report << QStringLiteral("SFV %1 written: %2 zips")
                             .arg(printableText(plan.sfvPath))
                             .arg(zips.size());
    }
    if (!plan.par2Path.isEmpty()) {
        window.setStatusText(QStringLiteral("Making the PAR2 recovery files"));
        window.processEvents();
        QString error;
        if (!makeRecoveryFiles(folder, plan.stem, plan.par2Percent, zips, &error))
            return fail(error);
        const QStringList made = recoveryFileNames(folder, plan.stem);
        if (plan.stampTime)
            for (const QString& name : made)
                if (!stampFileTime(joinPath(folder, name), *plan.stampTime))
                    return fail(QStringLiteral("cannot set the time of %1").arg(name));
        result.report << QStringLiteral("PAR2 recovery files at %1 %: %2, verified with par2")
                             .arg(plan.par2Percent)
                             .arg(printableText(made.join(QStringLiteral(", "))));
    }
    if (plan.verify) {
        window.setStatusText(QStringLiteral("Checking the zips"));
        window.processEvents();
        SetCheckRequest request;
        request.folder = folder;
        request.plan = plan;
        const SetReport report = checkSet(request, [&window](const QString& step) {
            window.setStatusText(step);
            window.processEvents();
        });
        result.report << report.lines;
        if (!report.passed()) {
            result.ok = false;
            result.failure = QStringLiteral("the zips were made but failed their check: %1")
                                 .arg(firstFault(report));
        }
    }
    return result;
}
