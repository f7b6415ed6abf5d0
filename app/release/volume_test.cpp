#include "release/volume_test.h"

#include "job/text_lines.h"
#include "platform/paths.h"
#include "platform/process_runner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>

namespace {

// "Physical Size = 123", the last one given: the innermost archive's.
std::optional<qint64> lastNumber(const QString& text, const QString& key) {
    const QRegularExpression pattern(QStringLiteral("^%1 = (\\d+)$").arg(key),
                                     QRegularExpression::MultilineOption);
    std::optional<qint64> found;
    for (auto it = pattern.globalMatch(text); it.hasNext();)
        found = it.next().captured(1).toLongLong();
    return found;
}

// The names the tester finds the volumes by: RAR's own, or set.7z.001, set.zip.002, ...
QString joinedName(VolumeFormat format, const JoinedVolume& volume, int i, qsizetype count) {
    if (format == VolumeFormat::Rar)
        return volume.name;
    const QString ext =
        format == VolumeFormat::SevenZip ? QStringLiteral("7z") : QStringLiteral("zip");
    return count == 1 ? QStringLiteral("set.") + ext
                      : QStringLiteral("set.%1.%2").arg(ext).arg(i + 1, 3, 10, QLatin1Char('0'));
}

// The zip whose volume holds the first byte after the archive's end.
QString zipAfterTheEnd(const QList<JoinedVolume>& set, qint64 end) {
    qint64 start = 0;
    for (const JoinedVolume& v : set) {
        if (end < start + v.size)
            return v.zipLabel;
        start += v.size;
    }
    return set.back().zipLabel;
}

QString namedVolumes(const QList<JoinedVolume>& set, const QStringList& names, QString line) {
    // A later volume the tester names is a zip of the set (it names the first, which it was
    // given, whatever is wrong).
    for (qsizetype i = 1; i < names.size(); ++i)
        if (line.contains(names[i]))
            line += QStringLiteral(" (the volume of %1)").arg(set[i].zipLabel);
    return line;
}

} // namespace

VolumeFormat volumeFormat(QByteArrayView head) {
    if (head.startsWith(QByteArrayView("7z\xBC\xAF\x27\x1C", 6)))
        return VolumeFormat::SevenZip;
    if (head.startsWith(QByteArrayView("Rar!\x1A\x07", 6)))
        return VolumeFormat::Rar;
    if (head.startsWith(QByteArrayView("PK\x03\x04", 4)) ||
        head.startsWith(QByteArrayView("PK\x05\x06", 4)))
        return VolumeFormat::Zip;
    return VolumeFormat::Unknown;
}

Command volumeTestCommand(VolumeFormat format, const QString& firstVolume) {
    if (format == VolumeFormat::Rar) {
        const QString rar = findProgram(QStringLiteral("rar"));
        if (!rar.isEmpty())
            return makeCommand(rar, {QStringLiteral("t"), QStringLiteral("-p-"),
                                     QStringLiteral("--"), firstVolume});
    }
    const QString sevenZip = findSevenZip();
    if (sevenZip.isEmpty())
        return {};
    // Messages to standard output, no progress; the input is empty, so a password question
    // fails instead of waiting.
    return makeCommand(sevenZip,
                       {QStringLiteral("t"), QStringLiteral("-bso1"), QStringLiteral("-bse1"),
                        QStringLiteral("-bsp0"), QStringLiteral("--"), firstVolume});
}

TestOutput readTestOutput(const QByteArray& output) {
    // The lines that say what failed: "ERROR: ...", "Open ERROR: ...", and what follows an
    // "ERRORS:" heading ("Unexpected end of archive"); what follows a "WARNINGS:" heading.
    const QString text = QString::fromLocal8Bit(output);
    QStringList errors, warnings;
    QStringList* heading = nullptr; // the one line after a heading is what it heads
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.simplified();
        if (line.isEmpty())
            continue;
        const bool error = line.contains(QLatin1String("ERROR"), Qt::CaseInsensitive);
        if (line.endsWith(QLatin1Char(':')) &&
            (error || line.contains(QLatin1String("WARNING"), Qt::CaseInsensitive))) {
            heading = error ? &errors : &warnings;
            continue;
        }
        QStringList* into = heading                                     ? heading
                            : line.contains(QLatin1String("ERROR"))     ? &errors
                            : line.startsWith(QLatin1String("WARNING")) ? &warnings
                                                                        : nullptr;
        if (into && !into->contains(line))
            *into << line;
        heading = nullptr;
    }
    TestOutput read;
    read.failure = printableText(errors.join(QStringLiteral("; ")));
    read.warning = printableText(warnings.join(QStringLiteral("; ")));
    read.physicalSize = lastNumber(text, QStringLiteral("Physical Size"));
    read.tailSize = lastNumber(text, QStringLiteral("Tail Size"));
    return read;
}

JoinFolder::JoinFolder(qint64 bytesNeeded, const QString& keptIn) {
    QString where = keptIn;
    if (where.isEmpty()) {
        QString workError;
        const QString work = AppPaths::workFolder(&workError);
        if (work.isEmpty()) {
            fault_ = workError;
            return;
        }
        dir_.emplace(work + QStringLiteral("/check-XXXXXX"));
        if (!dir_->isValid()) {
            fault_ = QStringLiteral("cannot make a folder to join the volumes in %1").arg(work);
            return;
        }
        where = dir_->path();
    } else if (!QFileInfo(where).isDir()) {
        fault_ = QStringLiteral("cannot join the volumes in %1: no such folder").arg(where);
        return;
    }
    path_ = where;
    const qint64 available = QStorageInfo(where).bytesAvailable();
    if (available >= 0 && bytesNeeded > available)
        fault_ = QStringLiteral("%1 bytes are needed in %2 to join the volumes, %3 are free")
                     .arg(bytesNeeded)
                     .arg(where)
                     .arg(available);
}

QString JoinFolder::volumePath(int place) const {
    if (!fault_.isEmpty() || path_.isEmpty())
        return {};
    return path_ + QStringLiteral("/v%1").arg(place, 4, 10, QLatin1Char('0'));
}

QString joinVolumes(QList<JoinedVolume>& set) {
    const VolumeFormat format = volumeFormat(set.front().head);
    if (format == VolumeFormat::Unknown)
        return QStringLiteral("%1: its volume is not a 7z, zip or RAR archive: its first bytes "
                              "are %2")
            .arg(set.front().zipLabel, QString::fromLatin1(set.front().head.left(8).toHex(' ')));
    const QString dir = QFileInfo(set.front().path).absolutePath();
    QStringList names;
    for (int i = 0; i < set.size(); ++i) {
        const QString name = joinedName(format, set[i], i, set.size());
        if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
            name.startsWith(QLatin1Char('.')) || names.contains(name, Qt::CaseInsensitive))
            return QStringLiteral("%1: the RAR volume name %2 cannot be used to join the set")
                .arg(set[i].zipLabel, printableText(name));
        if (!QFile::rename(set[i].path, dir + QLatin1Char('/') + name))
            return QStringLiteral("cannot name the copied volume %1 for the test").arg(name);
        set[i].path = dir + QLatin1Char('/') + name;
        names << name;
    }
    return {};
}

QString joinedRunFault(const QList<JoinedVolume>& set, const QString& tester, int status,
                       const QByteArray& output) {
    if (status == kCouldNotStart)
        return QStringLiteral("%1 could not be started").arg(tester);
    const QString dir = QFileInfo(set.front().path).absolutePath();
    TestOutput read = readTestOutput(output);
    read.failure.replace(dir + QLatin1Char('/'), QString());
    if (status == 0 && read.warning.isEmpty() && read.tailSize.value_or(0) == 0)
        return {};
    if (status == 0 && read.physicalSize && read.tailSize.value_or(0) > 0)
        return QStringLiteral("%1: holds data after the end of the archive, which ends at byte "
                              "%2 of the joined volumes (%3 warns: %4)")
            .arg(zipAfterTheEnd(set, *read.physicalSize))
            .arg(*read.physicalSize)
            .arg(tester, read.warning);
    QStringList names;
    for (int i = 0; i < set.size(); ++i)
        names << joinedName(volumeFormat(set.front().head), set[i], i, set.size());
    const QString said = !read.failure.isEmpty() ? read.failure : read.warning;
    return QStringLiteral("the joined volumes fail %1 (status %2)%3")
        .arg(tester)
        .arg(status)
        .arg(said.isEmpty() ? QString() : QStringLiteral(": ") + namedVolumes(set, names, said));
}

QString testJoinedVolumes(QList<JoinedVolume> set, QString* passedLine) {
    if (const QString fault = joinVolumes(set); !fault.isEmpty())
        return fault;
    const Command test = volumeTestCommand(volumeFormat(set.front().head), set.front().path);
    if (test.program.isEmpty())
        return QStringLiteral("no archiver to test the volumes with: install 7-Zip (7zz)");
    QByteArray output;
    const int status = runCommandCapturing(test, &output);
    const QString tester = QFileInfo(test.program).fileName() + QStringLiteral(" t");
    if (status == kCouldNotStart)
        return QStringLiteral("%1 could not be started").arg(test.program);
    const QString fault = joinedRunFault(set, tester, status, output);
    if (fault.isEmpty())
        *passedLine =
            QStringLiteral("%1 volumes joined in order pass %2").arg(set.size()).arg(tester);
    return fault;
}
