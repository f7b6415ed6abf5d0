#include "companion/diz_numbering.h"

#include "companion/line_text_file.h"
#include "job/machine_port.h"
#include "job/window_port.h"
#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>

namespace {
const QString kColumnField = QStringLiteral("Text2");
const QString kLineField = QStringLiteral("Text6");

// The label needs 7 characters from its column in both modes.
constexpr int kLabelRoom = 6;

QString padded(int value, int width) {
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}
} // namespace

int fieldNumber(const QString& text) {
    qint64 value = 0;
    for (QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t'))
            continue;
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = std::min<qint64>(value * 10 + (c.unicode() - '0'), 1000000000);
    }
    return int(value);
}

QString diskLabel(int diskNumber, int diskCount, bool threeDigitNumbers) {
    const int width = threeDigitNumbers ? 3 : 2;
    return padded(diskNumber, width) + QLatin1Char('/') + padded(diskCount, width);
}

QString numberedLine(const QString& line, int column, const QString& label) {
    if (column < 1)
        return line;
    if (qint64(column) + kLabelRoom > line.size())
        return line + label;
    QString out = line;
    out.replace(column - 1, label.size(), label);
    return out;
}

namespace {
bool isPlaceholderChar(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('x') ||
           c == QLatin1Char('X') || c == QLatin1Char('?') || c == QLatin1Char('#');
}

// The kind of placeholder character: a digit, "x" in either case, "?" or "#".
QChar placeholderKind(QChar c) {
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return QLatin1Char('0');
    return c.toLower();
}

// Width of the placeholder run from index i on: characters of one kind ("00/00xy" has the
// run "00" on its right, the "x" is text).
qsizetype runFrom(const QString& line, qsizetype i) {
    if (i >= line.size() || !isPlaceholderChar(line[i]))
        return 0;
    const QChar kind = placeholderKind(line[i]);
    qsizetype n = 1;
    while (i + n < line.size() && placeholderKind(line[i + n]) == kind)
        ++n;
    return n;
}
} // namespace

DiskLabelPlacement placeDiskLabel(const QString& line, int column, int diskNumber, int diskCount,
                                  int digits) {
    DiskLabelPlacement placed;
    placed.line = line;
    if (column < 1)
        return placed;
    placed.label = padded(diskNumber, digits) + QLatin1Char('/') + padded(diskCount, digits);
    if (qint64(column) + kLabelRoom > line.size()) {
        // Too short for any label: appended as it is, as the check would have refused it.
        placed.line = line + placed.label;
        return placed;
    }
    // The placeholder's two sides, when the template has one at the column.
    const qsizetype at = column - 1;
    qsizetype left = runFrom(line, at), right = 0;
    if (left > 0 && at + left < line.size() && line[at + left] == QLatin1Char('/'))
        right = runFrom(line, at + left + 1);
    const qsizetype placeholderEnd = right > 0 ? at + left + 1 + right : at;
    for (qsizetype i = at; i < at + placed.label.size() && i < line.size(); ++i)
        if (i >= placeholderEnd && line[i] != QLatin1Char(' '))
            placed.lost += line[i];
    placed.fits = placed.lost.isEmpty();
    placed.line.replace(at, placed.label.size(), placed.label);
    for (qsizetype i = at + placed.label.size(); i < placeholderEnd; ++i)
        placed.line[i] = QLatin1Char(' ');
    return placed;
}

QString placeholderFor(int digits) {
    return digits >= 3 ? QStringLiteral("[xxx/xxx]") : QStringLiteral("xx/xx");
}

bool readsAsZip(const DiskNumbers& read, int k, int n) {
    if (!read.found)
        return n <= 1;
    return !read.diskUnfilled && read.disk == k && read.count == n;
}

namespace {

// What to write where the set's numbers find no room.
QString placeholderAdvice(int digits) {
    return digits >= 3 ? QStringLiteral("receiving sites read a three-digit total only in "
                                        "brackets: write the placeholder [xxx/xxx] there and "
                                        "number at the column of its first x")
                       : QStringLiteral("write a placeholder such as xx/xx there");
}

// The same numbers written another way, which no receiving site takes for disk numbers.
QString unreadSpelling(const QString& text) {
    QString other = text;
    other.replace(QLatin1Char('/'), QLatin1Char('-'));
    return other;
}

QString lineOf(const QByteArray& dizText, int line) {
    return QString::fromLatin1(dizText.split('\n').value(line - 1)).remove(QLatin1Char('\r'));
}

} // namespace

QString siteMisreadFault(const QByteArray& dizText, const QString& dizName, int numberedLine,
                         const QString& label, int k, int n, int digits, bool sample) {
    const DiskNumbers read = findDiskNumbers(dizText);
    if (readsAsZip(read, k, n))
        return {};
    const QString what =
        read.diskUnfilled ? QStringLiteral("a set of %1 zips").arg(read.count)
                          : QStringLiteral("disk %1 of a set of %2").arg(read.disk).arg(read.count);
    const QString ours = sample ? QStringLiteral("such as %1").arg(label)
                                : QStringLiteral("%1 in zip %2 of %3").arg(label).arg(k).arg(n);
    // Other text read first: the numbers themselves may be right, but the site never gets
    // to them.
    if (read.found && (label.isEmpty() || !read.text.contains(label)))
        return QStringLiteral("line %1 of %2 reads \"%3\": a receiving site takes the first disk "
                              "number in the whole diz, %4 there, for %5, %6; write %4 another "
                              "way there (such as %7)")
            .arg(read.line)
            .arg(dizName, lineOf(dizText, read.line), read.text, what,
                 label.isEmpty()
                     ? QStringLiteral("where zip %1 of %2 has no number of its own").arg(k).arg(n)
                     : QStringLiteral("before the number on line %1 (%2)")
                           .arg(numberedLine)
                           .arg(ours),
                 unreadSpelling(read.text));
    if (label.isEmpty())
        return QStringLiteral(
                   "%1 carries no disk number a receiving site reads, and the set has %2 "
                   "zips: number it (Substitute at column) at a placeholder such as %3")
            .arg(dizName)
            .arg(n)
            .arg(placeholderFor(digits));
    const QString where = QStringLiteral("line %1 of %2 reads \"%3\"")
                              .arg(numberedLine)
                              .arg(dizName, lineOf(dizText, numberedLine));
    if (read.found)
        return where + QStringLiteral(": a receiving site takes %1 there for %2 (%3); write a "
                                      "placeholder such as %4 there")
                           .arg(read.text, what, ours, placeholderFor(digits));
    if (label.section(QLatin1Char('/'), 1).size() >= 3)
        return where + QStringLiteral(": a receiving site reads no disk number there: it reads a "
                                      "three-digit total such as %1 only as [%1] or (%1); write "
                                      "the placeholder [xxx/xxx] there and number at the column "
                                      "of its first x")
                           .arg(label);
    return where + QStringLiteral(": a receiving site reads no disk number in %1 there: set it "
                                  "apart with a blank on each side or write it in brackets, "
                                  "such as [xx/xx]")
                       .arg(label);
}

QStringList numberedDizLines(const JobSettings& job, const QStringList& lines, int diskNumber,
                             int diskCount, int digits) {
    QStringList numbered = lines;
    const int lineNumber = fieldNumber(job.NumberLine);
    if (lineNumber >= 1 && lineNumber <= numbered.size())
        numbered[lineNumber - 1] =
            placeDiskLabel(numbered[lineNumber - 1], fieldNumber(job.NumberColumn), diskNumber,
                           diskCount, digits)
                .line;
    return numbered;
}

QString numberingSamplePath() {
    return AppPaths::scratchFile(QStringLiteral("~kavel.diz"));
}

QString dizWorkingCopyPath() {
    return AppPaths::zipCopyFile(QStringLiteral("file_id.diz"));
}

NumberingJudgement judgeNumbering(const JobSettings& job, bool threeDigitNumbers,
                                  const std::function<void()>& eachLine) {
    QStringList lines;
    QString error;
    if (!job.NumberColumn.isEmpty() && !job.NumberLine.isEmpty() &&
        fieldNumber(job.NumberColumn) >= 1 && fieldNumber(job.NumberLine) >= 1 &&
        !readTextLines(job.DizFile, &lines, &error)) {
        NumberingJudgement j;
        j.why = error;
        return j;
    }
    NumberingJudgement j = judgeNumberingLines(job, lines, threeDigitNumbers ? 3 : 2, eachLine);
    return j;
}

NumberingJudgement judgeNumberingLines(const JobSettings& job, const QStringList& lines, int digits,
                                       const std::function<void()>& eachLine) {
    NumberingJudgement j;
    auto refuse = [&j](const QString& field, const QString& message, const QString& why = {}) {
        j.valid = false;
        j.field = field;
        j.message = message;
        j.why = why.isEmpty() ? message : why;
        return j;
    };
    if (job.NumberColumn.isEmpty())
        return refuse(kColumnField, {}, QStringLiteral("no column is set"));
    if (job.NumberLine.isEmpty())
        return refuse(kLineField, {}, QStringLiteral("no line is set"));
    const int column = fieldNumber(job.NumberColumn);
    const int lineNumber = fieldNumber(job.NumberLine);
    // "0" and anything else without a usable value ("00", a word) are treated alike.
    if (column < 1)
        return refuse(
            kColumnField, {},
            QStringLiteral("the column \"%1\" is not a number above 0").arg(job.NumberColumn));
    if (lineNumber < 1)
        return refuse(
            kLineField, {},
            QStringLiteral("the line \"%1\" is not a number above 0").arg(job.NumberLine));

    j.readable = true;
    // The sample shows the widest label of the set: disk 1 of 99 or of 999.
    const int sampleCount = digits >= 3 ? 999 : 99;
    QString label;
    j.sample.reserve(lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (i + 1 == lineNumber) {
            if (qint64(column) + kLabelRoom > line.size())
                return refuse(kColumnField, QStringLiteral("Column number too high"));
            const DiskLabelPlacement placed = placeDiskLabel(line, column, 1, sampleCount, digits);
            if (!placed.fits) {
                const QString why =
                    QStringLiteral("line %1 of %2 has no room for a disk number such as %3 at "
                                   "column %4: \"%5\" would be overwritten; %6")
                        .arg(lineNumber)
                        .arg(job.DizFile, placed.label)
                        .arg(column)
                        .arg(placed.lost, placeholderAdvice(digits));
                j.noRoom = true;
                return refuse(kColumnField, why);
            }
            line = placed.line;
            label = placed.label;
        }
        j.sample.append(line);
        if (eachLine)
            eachLine();
    }
    if (lineNumber > lines.size())
        return refuse(kLineField, QStringLiteral("Line number too high"));
    // The sample as a receiving site reads it: the numbers it carries, and nothing before.
    QByteArray text;
    for (const QString& line : j.sample)
        text += line.toLatin1() + "\r\n";
    if (const QString misread =
            siteMisreadFault(text, job.DizFile, lineNumber, label, 1, sampleCount, digits, true);
        !misread.isEmpty()) {
        j.misread = true;
        return refuse(kColumnField, misread);
    }
    j.valid = true;
    return j;
}

bool checkDizNumbering(const JobSettings& job, const RunFlags& flags, bool threeDigitNumbers,
                       NumberingState& state, WindowPort& window, MachinePort& machine,
                       QString* errorText) {
    if (job.DizFile.isEmpty() || !job.AutoNumber)
        return state.NumberingValid;

    // Pending window events run after every line, as the check has always let them.
    const NumberingJudgement judged =
        judgeNumbering(job, threeDigitNumbers, [&window] { window.processEvents(); });
    const QString sample = numberingSamplePath();
    const QString why = judged.why;
    // The sample holds the lines made so far, also after a refusal, until the next check.
    QString writeError;
    if (judged.readable && !writeTextLines(sample, judged.sample, &writeError) && judged.valid) {
        state.NumberingValid = false;
        window.showPage(Page::Diz);
        if (errorText)
            *errorText = writeError;
        return false;
    }
    if (!judged.valid) {
        window.showPage(Page::Diz, judged.field);
        state.NumberingValid = false;
        if (errorText)
            *errorText = why;
        if (!judged.message.isEmpty() && !flags.batch())
            window.message(judged.message, kErrorTitle, MessageIcon::Exclamation,
                           MessageButtons::Ok);
        return false;
    }

    state.NumberingValid = true;
    if (state.NumberingTest)
        machine.openEditor(sample); // the desktop's editor stands in for Notepad
    else
        QFile::remove(sample);
    return true;
}
