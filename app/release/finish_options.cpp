#include "release/finish_options.h"

#include "job/text_lines.h"
#include "platform/file_read.h"
#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {
constexpr qint64 kMaxOptionsBytes = 4096;
FinishOverrides g_commandLine;

bool readFlag(const QString& value, bool* flag) {
    if (value != QLatin1String("0") && value != QLatin1String("1"))
        return false;
    *flag = value == QLatin1String("1");
    return true;
}
} // namespace

QString finishOptionsPath() {
    return joinPath(AppPaths::stateFolderPath(), QStringLiteral("SetOptions.ini"));
}

FinishOptions readFinishOptions(QString* warning) {
    FinishOptions options;
    const QString path = finishOptionsPath();
    if (!QFileInfo::exists(path))
        return options;
    QByteArray bytes;
    QString error;
    if (!readRegularFile(path, kMaxOptionsBytes, &bytes, &error)) {
        if (warning)
            *warning = error + QStringLiteral(": the defaults are used");
        return options;
    }
    QStringList skipped;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = QString::fromLatin1(lines[i]).trimmed();
        if (line.isEmpty())
            continue;
        const QString key = line.section(QLatin1Char('='), 0, 0).trimmed();
        const QString value = line.section(QLatin1Char('='), 1).trimmed();
        bool ok = false;
        if (key == QLatin1String("Verify")) {
            ok = readFlag(value, &options.verify);
        } else if (key == QLatin1String("Sfv")) {
            ok = readFlag(value, &options.sfv);
        } else if (key == QLatin1String("Par2")) {
            const int percent = value.toInt(&ok);
            ok = ok && percent >= 0 && percent <= kMaxPar2Percent;
            if (ok)
                options.par2Percent = percent;
        }
        if (!ok)
            skipped << QString::number(i + 1);
    }
    if (!skipped.isEmpty() && warning)
        *warning = QStringLiteral("%1: line %2 not understood and skipped")
                       .arg(path, skipped.join(QStringLiteral(", ")));
    return options;
}

bool writeFinishOptions(const FinishOptions& options, QString* error) {
    const QString path = finishOptionsPath();
    QDir().mkpath(AppPaths::stateFolderPath());
    const QByteArray bytes = QStringLiteral("Verify=%1\r\nSfv=%2\r\nPar2=%3\r\n")
                                 .arg(options.verify ? 1 : 0)
                                 .arg(options.sfv ? 1 : 0)
                                 .arg(options.par2Percent)
                                 .toLatin1();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error =
                QStringLiteral("cannot write %1: %2").arg(printableText(path), file.errorString());
        return false;
    }
    return true;
}

FinishOptions FinishOverrides::appliedTo(FinishOptions options) const {
    if (verify)
        options.verify = *verify;
    if (sfv)
        options.sfv = *sfv;
    if (par2Percent)
        options.par2Percent = *par2Percent;
    return options;
}

void setCommandLineFinish(const FinishOverrides& overrides) {
    g_commandLine = overrides;
}

FinishOptions currentFinishOptions(QString* warning) {
    return g_commandLine.appliedTo(readFinishOptions(warning));
}
