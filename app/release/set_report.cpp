#include "release/set_report.h"

#include "job/text_lines.h"

QString firstFault(const SetReport& report) {
    if (report.faults.isEmpty())
        return {};
    return report.faults.front() +
           (report.faults.size() > 1
                ? QStringLiteral(" (and %1 more)").arg(report.faults.size() - 1)
                : QString());
}

QString zipLabel(int place, const QString& fileName, int width) {
    return QStringLiteral("zip %1 %2")
        .arg(place > 0 ? QStringLiteral("%1").arg(place, qMax(width, 2), 10, QLatin1Char('0'))
                       : QStringLiteral("??"),
             printableText(fileName));
}

void addSetFault(SetReport& report, const QString& text) {
    report.faults << text;
    report.lines << QStringLiteral("set: FAILED: ") + text;
}

void addZipLines(SetReport& report, const QList<CheckedZip>& zips, int width) {
    for (const CheckedZip& z : zips) {
        const QString label = zipLabel(z.place, z.fileName, width);
        const QStringList faults = z.nameFaults + z.findings.faults;
        if (z.place > 0 && !report.members.contains(z.fileName)) {
            report.members << z.fileName;
            if (faults.isEmpty())
                report.soundMembers << z.fileName;
        }
        if (faults.isEmpty()) {
            const ZipFindings& f = z.findings;
            report.lines << QStringLiteral("%1: ok, volume %2 (%3 bytes)%4")
                                .arg(label, printableText(f.volumeName))
                                .arg(f.volumeSize)
                                .arg(f.numbers.found ? QStringLiteral(", disk ") + f.numbers.text
                                                     : QString());
            continue;
        }
        report.lines << label + QStringLiteral(": FAILED: ") + faults.join(QStringLiteral("; "));
        for (const QString& fault : faults)
            report.faults << label + QStringLiteral(": ") + fault;
    }
}

void finishReport(SetReport& report) {
    report.lines << (report.passed() ? QStringLiteral("Check passed: %1 zips").arg(report.zips)
                                     : QStringLiteral("Check FAILED: %1 fault%2")
                                           .arg(report.faults.size())
                                           .arg(report.faults.size() == 1 ? "" : "s"));
}
