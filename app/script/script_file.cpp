#include "script/script_file.h"

#include "job/text_lines.h"
#include "job/volume_rules.h"
#include "platform/file_read.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>

#include <cctype>
#include <cmath>
#include <optional>

namespace {

const QByteArray kCrLf("\r\n");

// The key of every line, as the writer writes it and the reader checks it. The reader takes
// values by position, as scripts always have been read; a line whose key is not the one
// expected there means the lines have shifted (one written twice, one missing).
const char kSourceKey[] = "Source: ";
const char kSkipKey[] = "Skip: ";
const char kDizKey[] = "Diz: ";
const char kAutoNKey[] = "AutoN: ";
const char kColKey[] = "Col: ";
const char kLinKey[] = "Lin: ";
const char kNfoKey[] = "Nfo: ";
const char kFirstKey[] = " 1st:";
const char kFileKey[] = " File:";
const char kExtraKey[] = " Extra:"; // twice: the extra path, and last the zip-extra flag
const char kZipKey[] = "Zip: ";
const char kNameKey[] = " name:";
const char kSizeKey[] = " Size:";
const char kSolidKey[] = " Solid:";
const char* const kAllKeys[] = {kSourceKey, kSkipKey, kDizKey,   kAutoNKey, kColKey,
                                kLinKey,    kNfoKey,  kFirstKey, kFileKey,  kExtraKey,
                                kZipKey,    kNameKey, kSizeKey,  kSolidKey};

QByteArray bytesOf(const QString& text) {
    return text.toLocal8Bit();
}

QByteArray trueFalse(bool value) {
    return value ? "True" : "False";
}

// A number after its sign position: a blank for zero and positive values, "-" otherwise.
QByteArray withSignPosition(int value) {
    const QByteArray digits = QByteArray::number(value < 0 ? -qint64(value) : qint64(value));
    return (value < 0 ? "-" : " ") + digits;
}

bool holdsLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

// The skip entries as the file holds them: one per line, each ending with CR LF. An empty
// entry would end the block early, so empty lines are left out.
QByteArray skipBlock(const QString& skipList) {
    QByteArray block;
    for (const QString& entry : splitTextLines(skipList)) {
        if (!entry.isEmpty())
            block += bytesOf(entry) + kCrLf;
    }
    return block;
}

// Leading-number parse: blanks, a sign, digits, a fraction and an exponent; no number
// gives 0. Empty when the number does not fit a double.
std::optional<double> leadingNumber(const QByteArray& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == '+' || text[i] == '-'))
        ++i;
    const qsizetype digitsStart = i;
    while (i < n && std::isdigit(static_cast<unsigned char>(text[i])))
        ++i;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && std::isdigit(static_cast<unsigned char>(text[i])))
            ++i;
    }
    if (i == digitsStart || (i == digitsStart + 1 && text[digitsStart] == '.'))
        return 0.0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < n && std::isdigit(static_cast<unsigned char>(text[j]))) {
            while (j < n && std::isdigit(static_cast<unsigned char>(text[j])))
                ++j;
            i = j;
        }
    }
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// "True" or "False" in any case, or a number (non-zero is true).
std::optional<bool> toBoolean(const QByteArray& raw) {
    const QByteArray text = raw.trimmed().toLower();
    if (text == "true")
        return true;
    if (text == "false")
        return false;
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value != 0;
}

// Text from the 1-based character position on; empty when the line is shorter.
QByteArray from(const QByteArray& line, int position) {
    return line.mid(position - 1);
}

class ScriptReader {
  public:
    ScriptReader(const QByteArray& bytes, JobSettings& job) : buffer_(), job_(job) {
        buffer_.setData(bytes);
        buffer_.open(QIODevice::ReadOnly);
    }

    ScriptLoad run() {
        if (!readAll())
            result_.ok = false;
        return result_;
    }

  private:
    bool fail(const QString& detail) {
        result_.ok = false;
        result_.line = lineNo_;
        result_.detail =
            lineNo_ > 0 ? QStringLiteral("line %1: %2").arg(lineNo_).arg(detail) : detail;
        return false;
    }

    // The next line: false at the end of the input, or with the error set on a line that
    // no script holds.
    bool readRaw(QByteArray& line, bool& atEnd) {
        ++lineNo_;
        atEnd = !lines_.readLine(line);
        if (atEnd)
            return false;
        if (lines_.lineWasCut())
            return fail(QStringLiteral("the line is too long"));
        if (line.contains('\0'))
            return fail(QStringLiteral("the line holds a NUL byte; a script is text"));
        return true;
    }

    // Whether the line carries its key; an editor that strips trailing blanks leaves "Col:"
    // of an empty "Col: ", which reads the same.
    static bool labelled(const QByteArray& line, const char* key) {
        const QByteArray k(key);
        return line.startsWith(k) || (k.endsWith(' ') && line == k.trimmed());
    }

    // The key a line starts with, as far as it is one of the script's keys.
    static QString keyOf(const QByteArray& line, const char* expected) {
        for (const char* key : kAllKeys)
            if (line.startsWith(key))
                return QString::fromLatin1(key);
        return QString::fromLocal8Bit(line.left(qsizetype(qstrlen(expected))));
    }

    bool next(QByteArray& line, const char* what, const char* key = nullptr) {
        bool atEnd = false;
        if (readRaw(line, atEnd)) {
            if (key && !labelled(line, key) && result_.labelFault.isEmpty())
                result_.labelFault =
                    QStringLiteral("line %1 is labelled \"%2\" where \"%3\" belongs")
                        .arg(lineNo_)
                        .arg(keyOf(line, key), QLatin1String(key));
            return true;
        }
        if (atEnd)
            fail(QStringLiteral("the script ends before the %1 line").arg(QLatin1String(what)));
        return false;
    }

    std::optional<double> number(const QByteArray& text, const char* what) {
        auto value = leadingNumber(text);
        if (!value)
            fail(QStringLiteral("the %1 value \"%2\" is out of range")
                     .arg(QLatin1String(what), QString::fromLocal8Bit(text)));
        return value;
    }

    bool readAll() {
        QByteArray line;
        if (!next(line, "first"))
            return false;
        if (!next(line, "Source", kSourceKey))
            return false;
        job_.SourceSpec = QString::fromLocal8Bit(from(line, 9));
        if (!next(line, "Skip", kSkipKey))
            return false;
        for (;;) {
            bool atEnd = false;
            if (!readRaw(line, atEnd)) {
                if (atEnd)
                    fail(QStringLiteral("the skip list is not ended by an empty line"));
                return false;
            }
            if (line.isEmpty())
                break;
            job_.SkipList += QString::fromLocal8Bit(line) + QStringLiteral("\r\n");
        }
        return readSettings();
    }

    // The value of the next line, which carries key, from the 1-based position on.
    std::optional<QByteArray> value(const char* what, const char* key, int position) {
        QByteArray line;
        if (!next(line, what, key))
            return std::nullopt;
        return from(line, position);
    }

    bool text(QString& field, const char* what, const char* key, int position) {
        const auto raw = value(what, key, position);
        if (raw)
            field = QString::fromLocal8Bit(*raw);
        return raw.has_value();
    }

    bool flag(bool& field, const char* what, const char* key, int position) {
        const auto raw = value(what, key, position);
        if (!raw)
            return false;
        const auto read = toBoolean(*raw);
        if (!read)
            return fail(QStringLiteral("the %1 value \"%2\" is neither True nor False")
                            .arg(QLatin1String(what), QString::fromLocal8Bit(*raw)));
        field = *read;
        return true;
    }

    // A number rounded to the whole one a control holds, which must lie in [low, high];
    // range says so in the refusal.
    std::optional<int> whole(const char* what, const char* key, int position, int low, int high,
                             const QString& range) {
        const auto raw = value(what, key, position);
        if (!raw)
            return std::nullopt;
        const auto read = number(*raw, what);
        if (!read)
            return std::nullopt;
        const double rounded = std::nearbyint(*read);
        if (rounded < low || rounded > high) {
            fail(QStringLiteral("the %1 value \"%2\" %3")
                     .arg(QLatin1String(what), QString::fromLocal8Bit(*raw), range));
            return std::nullopt;
        }
        return int(rounded);
    }

    bool readSettings() {
        if (!text(job_.DizFile, "Diz", kDizKey, 6) ||
            !flag(job_.AutoNumber, "AutoN", kAutoNKey, 8) ||
            !text(job_.NumberColumn, "Col", kColKey, 6) ||
            !text(job_.NumberLine, "Lin", kLinKey, 6) || !text(job_.NfoFile, "Nfo", kNfoKey, 6))
            return false;
        // A check box holds 0, 1 or 2 (greyed, which still shows the tick).
        const auto firstOnly = whole("1st", kFirstKey, 6, 0, 2, QStringLiteral("is not 0, 1 or 2"));
        if (!firstOnly)
            return false;
        job_.FirstZipOnly = *firstOnly != 0;
        if (!flag(job_.ExtraIsFile, "File", kFileKey, 7) ||
            !text(job_.ExtraPath, "Extra", kExtraKey, 8) || !text(job_.ZipDir, "Zip", kZipKey, 6) ||
            !text(job_.ZipName, "name", kNameKey, 7))
            return false;
        result_.zipNameMaxLength = kZipNameLimitOneArchive;

        const auto units = whole(
            "Size", kSizeKey, 8, kSliderMinimum, kSliderMaximum,
            QStringLiteral("is not between %1 and %2").arg(kSliderMinimum).arg(kSliderMaximum));
        if (!units)
            return false;
        job_.SizeUnits = static_cast<int16_t>(*units);
        result_.sizeSet = true;
        if (job_.SizeUnits != 0) {
            job_.ZipName = job_.ZipName.left(kZipNameLimitTwoDigits);
            result_.zipNameMaxLength = kZipNameLimitTwoDigits;
        }
        // -1 is a compression list with nothing chosen; the job check refuses it.
        const auto method = whole("Solid", kSolidKey, 8, kNoMethodChosen, kMaximumMethod,
                                  QStringLiteral("is not between -1 and 5"));
        if (!method)
            return false;
        job_.MethodIndex = static_cast<int16_t>(*method);

        const auto zipExtra = value("last Extra", kExtraKey, 8);
        const auto extraValue = zipExtra ? number(*zipExtra, "last Extra") : std::nullopt;
        if (!extraValue)
            return false;
        job_.ZipExtra = *extraValue != 0;

        result_.ok = true;
        result_.line = lineNo_;
        return true;
    }

    QBuffer buffer_;
    TextLineReader lines_{buffer_};
    JobSettings& job_;
    ScriptLoad result_;
    int lineNo_ = 0;
};

} // namespace

QByteArray scriptText(const JobSettings& job, const QDateTime& savedAt) {
    QByteArray text;
    auto line = [&text](const QByteArray& content) { text += content + kCrLf; };
    line("Kavel32 script - " + bytesOf(savedAt.toString(QStringLiteral("MM-dd-yyyy  HH:mm:ss"))));
    line(QByteArray(kSourceKey) + bytesOf(job.SourceSpec));
    line(QByteArray(kSkipKey));
    text += skipBlock(job.SkipList);
    line("");
    line(QByteArray(kDizKey) + bytesOf(job.DizFile));
    line(QByteArray(kAutoNKey) + trueFalse(job.AutoNumber));
    line(QByteArray(kColKey) + bytesOf(job.NumberColumn));
    line(QByteArray(kLinKey) + bytesOf(job.NumberLine));
    line(QByteArray(kNfoKey) + bytesOf(job.NfoFile));
    line(QByteArray(kFirstKey) + withSignPosition(job.FirstZipOnly ? 1 : 0));
    line(QByteArray(kFileKey) + trueFalse(job.ExtraIsFile));
    line(QByteArray(kExtraKey) + bytesOf(job.ExtraPath));
    line(QByteArray(kZipKey) + bytesOf(job.ZipDir));
    line(QByteArray(kNameKey) + bytesOf(job.ZipName));
    line(QByteArray(kSizeKey) + withSignPosition(job.SizeUnits));
    line(QByteArray(kSolidKey) + withSignPosition(job.MethodIndex));
    line(QByteArray(kExtraKey) + withSignPosition(job.ZipExtra ? -1 : 0));
    return text;
}

ScriptSave saveScript(const QString& path, const JobSettings& job, const QDateTime& savedAt) {
    ScriptSave result;
    const std::pair<const char*, const QString*> singleLine[] = {
        {"Source", &job.SourceSpec}, {"Diz", &job.DizFile}, {"Col", &job.NumberColumn},
        {"Lin", &job.NumberLine},    {"Nfo", &job.NfoFile}, {"Extra", &job.ExtraPath},
        {"Zip", &job.ZipDir},        {"name", &job.ZipName}};
    for (const auto& [key, value] : singleLine) {
        if (holdsLineBreak(*value)) {
            result.error =
                QStringLiteral("the %1 value holds a line break").arg(QLatin1String(key));
            return result;
        }
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = file.errorString();
        return result;
    }
    const QByteArray text = scriptText(job, savedAt);
    if (file.write(text) != text.size() || !file.commit()) {
        result.error = file.errorString();
        file.cancelWriting();
        return result;
    }
    result.ok = true;
    return result;
}

ScriptLoad readScript(const QByteArray& bytes, JobSettings& job) {
    return ScriptReader(bytes, job).run();
}

ScriptLoad loadScript(const QString& path, JobSettings& job, WindowPort& window,
                      const RunFlags& flags) {
    ScriptLoad result;
    QByteArray bytes;
    if (readRegularFile(path, kMaxScriptBytes, &bytes, &result.detail))
        result = readScript(bytes, job);
    if (!result.ok && !flags.batch())
        window.message(kScriptErrorText, kErrorTitle, MessageIcon::Critical, MessageButtons::Ok);
    return result;
}
