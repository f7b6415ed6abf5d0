#include "session/check_report_view.h"

#include <QRegularExpression>

#include <algorithm>

namespace {
const QString kFailedMark = QStringLiteral(": FAILED: ");
const QString kOkMark = QStringLiteral(": ok");

// "zip 05 game05.zip" names the zip by its file name alone.
QString shortSubject(const QString& label) {
    static const QRegularExpression zip(QStringLiteral("^zip (?:\\d+|\\?\\?) (.+)$"));
    const QRegularExpressionMatch m = zip.match(label);
    return m.hasMatch() ? m.captured(1) : label;
}

ReportRow rowOf(const QString& line) {
    ReportRow row;
    const qsizetype failed = line.indexOf(kFailedMark);
    const qsizetype ok = line.indexOf(kOkMark);
    if (failed >= 0 && (ok < 0 || failed < ok)) {
        row.subject = shortSubject(line.left(failed));
        row.status = QStringLiteral("FAILED");
        row.detail = line.mid(failed + kFailedMark.size());
        row.failed = true;
    } else if (ok >= 0) {
        row.subject = shortSubject(line.left(ok));
        row.status = QStringLiteral("ok");
        row.detail = line.mid(ok + kOkMark.size());
        if (row.detail.startsWith(QLatin1String(", ")))
            row.detail.remove(0, 2);
    } else {
        const qsizetype colon = line.indexOf(QLatin1String(": "));
        row.subject = colon >= 0 ? shortSubject(line.left(colon)) : QString();
        row.detail = colon >= 0 ? line.mid(colon + 2) : line;
    }
    return row;
}
} // namespace

int ReportView::failedRows() const {
    return int(
        std::count_if(rows.cbegin(), rows.cend(), [](const ReportRow& r) { return r.failed; }));
}

ReportView reportView(const SetReport& report) {
    ReportView view;
    view.passed = report.passed();
    QStringList lines = report.lines;
    if (!lines.isEmpty() && lines.front().startsWith(QLatin1String("Checking the zips in ")))
        view.folderLine = lines.takeFirst();
    if (!lines.isEmpty() && (lines.back().startsWith(QLatin1String("Check passed")) ||
                             lines.back().startsWith(QLatin1String("Check FAILED"))))
        view.summary = lines.takeLast();
    for (const QString& line : lines)
        view.rows << rowOf(line);
    // The faults first; within each kind the set's order stays.
    std::stable_partition(view.rows.begin(), view.rows.end(),
                          [](const ReportRow& r) { return r.failed; });
    if (view.passed) {
        view.headline = view.summary;
    } else {
        QString named = report.faults.front();
        const qsizetype colon = named.indexOf(QLatin1String(": "));
        if (colon >= 0)
            named = shortSubject(named.left(colon)) + named.mid(colon);
        view.headline =
            named + (report.faults.size() > 1
                         ? QStringLiteral(" (and %1 more)").arg(report.faults.size() - 1)
                         : QString());
    }
    return view;
}

QString reportText(const ReportView& view, bool faultsOnly) {
    QStringList out{view.headline};
    if (!view.summary.isEmpty() && view.summary != view.headline)
        out << view.summary;
    if (!view.folderLine.isEmpty())
        out << view.folderLine;
    out << QString();
    for (const ReportRow& row : view.rows) {
        if (faultsOnly && !row.failed)
            continue;
        QStringList parts;
        for (const QString& part : {row.subject, row.status, row.detail})
            if (!part.isEmpty())
                parts << part;
        out << parts.join(QStringLiteral(": "));
    }
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
