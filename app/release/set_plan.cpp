#include "release/set_plan.h"

#include "companion/settings_file.h"
#include "engine/zip_naming.h"

#include <QHash>

#include <algorithm>

namespace {

bool allDigits(const QString& s) {
    return std::all_of(s.cbegin(), s.cend(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// "mmdyy" as a "$" run writes it: 07598 (5 July 1998), 071598 (15 July 1998).
bool isDateText(const QString& t) {
    if (!allDigits(t) || (t.size() != 5 && t.size() != 6))
        return false;
    const int month = t.left(2).toInt(), day = t.mid(2, t.size() - 4).toInt();
    return month >= 1 && month <= 12 && day >= (t.size() == 5 ? 1 : 10) && day <= 31;
}

struct Reading {
    int digits = 2;
    QString date;
    QStringList members;
    int highest = 0;
};

// The number a name carries after the job's name with this width and date, if it fits:
// 0 for a zip without a number.
std::optional<int> numberIn(const QString& rest, int width, const QString& date) {
    if (!rest.startsWith(date))
        return std::nullopt;
    const QString number = rest.mid(date.size());
    if (number.isEmpty())
        return 0;
    if (width == 0 || number.size() != width || !allDigits(number))
        return std::nullopt;
    return number.toInt();
}

// Every reading of the names: per width and date text, the zips that fit.
QList<Reading> readings(const JobSettings& job, const QStringList& zipFiles) {
    QHash<QString, Reading> byKey;
    for (int digits : {2, 3}) {
        const QString zipName = cutZipName(job.ZipName, job.SizeUnits, digits == 3);
        const int width = job.SizeUnits == 0 ? 0 : digits;
        for (const QString& file : zipFiles) {
            if (!file.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive) ||
                !file.startsWith(zipName, Qt::CaseInsensitive))
                continue;
            const QString rest = file.chopped(4).mid(zipName.size());
            for (int dateSize : {0, 5, 6}) {
                const QString date = rest.left(dateSize);
                if (!allDigits(rest) || (dateSize > 0 && !isDateText(date)))
                    continue;
                const std::optional<int> number = numberIn(rest, width, date);
                if (!number)
                    continue;
                Reading& r = byKey[QStringLiteral("%1:%2").arg(digits).arg(date)];
                r.digits = digits;
                r.date = date;
                r.members << file;
                r.highest = qMax(r.highest, qMax(*number, 1));
            }
        }
    }
    return byKey.values();
}

int editDistance(const QString& a, const QString& b) {
    QList<int> row(b.size() + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int up = row[j];
            const int same = a[i - 1].toLower() == b[j - 1].toLower() ? 0 : 1;
            row[j] = qMin(qMin(row[j] + 1, row[j - 1] + 1), diagonal + same);
            diagonal = up;
        }
    }
    return row[b.size()];
}

} // namespace

JobSetNames recogniseJobSet(const JobSettings& job, const QStringList& zipFiles) {
    const QList<Reading> all = readings(job, zipFiles);
    // Most zips win; then the lowest numbers; then the plain reading: no date, two digits.
    const auto best =
        std::min_element(all.cbegin(), all.cend(), [](const Reading& a, const Reading& b) {
            if (a.members.size() != b.members.size())
                return a.members.size() > b.members.size();
            if (a.highest != b.highest)
                return a.highest < b.highest;
            if (a.date.size() != b.date.size())
                return a.date.size() < b.date.size();
            return a.digits < b.digits;
        });
    JobSetNames names;
    if (best == all.cend())
        return names;
    names.dateText = best->date;
    names.digits = best->digits;
    names.members = best->members;
    names.highest = best->highest;
    return names;
}

RunPlan planForFolder(const JobSettings& script, const JobSetNames& names, int count) {
    // A script holds no zip comment: a run of it attaches the remembered one.
    JobSettings job = script;
    if (!job.CommentOn) {
        job.CommentFile = readStoredSettings().CommentFile;
        job.CommentOn = !job.CommentFile.isEmpty();
    }
    PlanFacts facts = readPlanFacts(job, QString());
    // The check reads the zips: the source, the comment file and the zip folder's listing
    // are the run's business.
    facts.commentFault.clear();
    facts.canonicalSource.clear();
    facts.zipDirFiles.clear();
    facts.zipFolder.clear();
    PlanOptions options;
    options.flags = RunFlags{true, !names.dateText.isEmpty()};
    options.dateText = names.dateText;
    options.volumes = qMax(count, 1);
    options.digits = names.digits;
    return planRun(job, facts, options);
}

bool looksLikeSetName(const QString& fileName, const QStringList& names) {
    return std::any_of(names.cbegin(), names.cend(), [&fileName](const QString& name) {
        return editDistance(fileName, name) <= 1;
    });
}
