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

QString sampleLabel(bool threeDigitNumbers) {
    return threeDigitNumbers ? QStringLiteral("001/999") : QStringLiteral("01/99");
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

QString numberingSamplePath() {
    return AppPaths::scratchFile(QStringLiteral("~kavel.diz"));
}

QString dizWorkingCopyPath() {
    return AppPaths::zipCopyFile(QStringLiteral("file_id.diz"));
}

void removeNumberingSample() {
    QFile::remove(numberingSamplePath());
}

NumberingJudgement judgeNumbering(const JobSettings& job, bool threeDigitNumbers,
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

    QStringList lines;
    QString error;
    if (!readTextLines(job.DizFile, &lines, &error))
        return refuse({}, {}, error);
    j.readable = true;
    const QString label = sampleLabel(threeDigitNumbers);
    j.sample.reserve(lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (i + 1 == lineNumber) {
            if (qint64(column) + kLabelRoom > line.size())
                return refuse(kColumnField, QStringLiteral("Column number too high"));
            line.replace(column - 1, label.size(), label);
        }
        j.sample.append(line);
        if (eachLine)
            eachLine();
    }
    if (lineNumber > lines.size())
        return refuse(kLineField, QStringLiteral("Line number too high"));
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

bool writeDiskDiz(const JobSettings& job, int diskNumber, int diskCount, bool threeDigitNumbers,
                  QString* errorText, const QString& outputPath) {
    const QString output = outputPath.isEmpty() ? dizWorkingCopyPath() : outputPath;
    if (samePath(job.DizFile, output)) {
        if (errorText)
            *errorText = QStringLiteral("The file_id.diz can't be from your application directory");
        return false;
    }
    QStringList lines;
    if (!readTextLines(job.DizFile, &lines, errorText))
        return false;
    const int lineNumber = fieldNumber(job.NumberLine);
    if (lineNumber >= 1 && lineNumber <= lines.size())
        lines[lineNumber - 1] = numberedLine(lines[lineNumber - 1], fieldNumber(job.NumberColumn),
                                             diskLabel(diskNumber, diskCount, threeDigitNumbers));
    return writeTextLines(output, lines, errorText);
}

bool numberingLineTakesThreeDigits(const JobSettings& job, QString* errorText) {
    QStringList lines;
    if (!readTextLines(job.DizFile, &lines, errorText))
        return false;
    const int lineNumber = fieldNumber(job.NumberLine);
    const int column = fieldNumber(job.NumberColumn);
    if (lineNumber < 1 || lineNumber > lines.size() || column < 1)
        return true; // nothing is numbered there
    const QString& line = lines[lineNumber - 1];
    const qsizetype twoDigitWidth = sampleLabel(false).size();
    const qsizetype extra = sampleLabel(true).size() - twoDigitWidth;
    const QString overwritten = line.mid(column - 1 + twoDigitWidth, extra);
    for (const QChar c : overwritten) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('/') && !c.isDigit()) {
            if (errorText)
                *errorText = QStringLiteral("line %1 of %2 has no room for a three-digit disk "
                                            "number at column %3 (\"%4\" would be overwritten)")
                                 .arg(lineNumber)
                                 .arg(job.DizFile)
                                 .arg(column)
                                 .arg(overwritten);
            return false;
        }
    }
    return true;
}
