#include "archiver_frontend.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>

#include <cstdio>
#include <unistd.h>

namespace {

const char* toolName(FrontendKind kind) { return kind == FrontendKind::Rar ? "wrar" : "wace"; }

int fail(FrontendKind kind, const QString& reason, int status = 2) {
    std::fprintf(stderr, "%s: %s\n", toolName(kind), qPrintable(reason));
    return status;
}

QString withoutTrailingSeparators(QString path) {
    while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))))
        path.chop(1);
    return path;
}

bool parseVolume(const QString& value, FrontendKind kind, int64_t* bytes) {
    QString digits = value;
    bool inBytes = false;
    if (digits.endsWith(QLatin1Char('b'), Qt::CaseInsensitive)) {
        digits.chop(1);
        inBytes = true;
    }
    bool ok = false;
    const qlonglong n = digits.toLongLong(&ok);
    if (!ok || n < 0)
        return false;
    // Without "b" both count in kilobytes of 1,000 bytes, so -v1440 is the 1,440,000-byte floppy.
    *bytes = inBytes ? n : n * 1000;
    Q_UNUSED(kind);
    return true;
}

// The files of outFolder whose names start with the archive's name: the volume set.
QStringList volumesOf(const QString& archive) {
    const QFileInfo info(archive);
    return info.dir().entryList({info.fileName() + QLatin1Char('*')}, QDir::Files);
}

QString firstMeaningfulLine(const QByteArray& text) {
    // 7-Zip's summary line names the file as well as the fault ("dir/f : errno=13 : ...").
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromLocal8Bit(raw).trimmed();
        if (line.contains(QLatin1String(" : errno=")))
            return line;
    }
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromLocal8Bit(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1String("7-Zip")) ||
            line.startsWith(QLatin1String("Scanning")))
            continue;
        return line;
    }
    return {};
}

} // namespace

int sevenZipLevel(int methodDigit) {
    static const int levels[] = {0, 1, 3, 5, 7, 9};
    return methodDigit >= 0 && methodDigit <= 5 ? levels[methodDigit] : 5;
}

bool parseArchiveRequest(const QStringList& args, FrontendKind kind, ArchiveRequest* request,
                         QString* error) {
    QStringList positional;
    for (const QString& arg : args) {
        if (arg.startsWith(QLatin1String("-v"))) {
            if (!parseVolume(arg.mid(2), kind, &request->volumeBytes)) {
                *error = QStringLiteral("bad volume switch %1").arg(arg);
                return false;
            }
        } else if (arg.startsWith(QLatin1String("-m"))) {
            bool ok = false;
            request->methodDigit = arg.mid(2).toInt(&ok);
            if (!ok || request->methodDigit < 0 || request->methodDigit > 5) {
                *error = QStringLiteral("bad method switch %1 (use -m0 to -m5)").arg(arg);
                return false;
            }
        } else if (arg.startsWith(QLatin1String("-x@"))) {
            request->exclusionList = arg.mid(3);
        } else if (arg == QLatin1String("-r") || arg == QLatin1String("-y")) {
            // Recursion is always on and there is never a question to answer.
        } else if (arg.startsWith(QLatin1Char('-')) && positional.size() != 1) {
            *error = QStringLiteral("unknown switch %1").arg(arg);
            return false;
        } else if (!arg.isEmpty()) {
            positional << arg;
        }
    }
    if (positional.size() != 3 || positional[0] != QLatin1String("a")) {
        *error = QStringLiteral("usage: %1 a -r [-v<size>[b]] [-m<0-5>] -y <archive> <source> "
                                "[-x@<list>]")
                     .arg(QLatin1String(toolName(kind)));
        return false;
    }
    request->archive = positional[1];
    request->source = withoutTrailingSeparators(positional[2]);
    return true;
}

QStringList exclusionPatterns(const QByteArray& listText, const QString& source,
                              const QString& baseDir) {
    QStringList patterns;
    const QDir base(baseDir);
    const QString root = withoutTrailingSeparators(source);
    QByteArray text = listText;
    text.replace("\r\n", "\n").replace('\r', '\n');
    for (const QByteArray& raw : text.split('\n')) {
        QString entry = QString::fromLocal8Bit(raw).trimmed();
        if (entry.endsWith(QLatin1String("/*.*")) || entry.endsWith(QLatin1String("\\*.*")))
            entry.chop(4);
        entry = withoutTrailingSeparators(entry);
        if (entry.isEmpty())
            continue;
        const bool within = entry == root || root == QLatin1String("/") ||
                            entry.startsWith(root + QLatin1Char('/'));
        if (!within || entry == root)
            continue;
        patterns << QStringLiteral("-x!") + base.relativeFilePath(entry);
    }
    return patterns;
}

int runFrontend(const QStringList& args, FrontendKind kind) {
    ArchiveRequest request;
    QString error;
    if (!parseArchiveRequest(args, kind, &request, &error))
        return fail(kind, error);

    if (kind == FrontendKind::Rar) {
        const QString rar = QStandardPaths::findExecutable(QStringLiteral("rar"));
        if (!rar.isEmpty()) {
            QProcess real;
            real.setProcessChannelMode(QProcess::ForwardedChannels);
            real.start(rar, args);
            if (!real.waitForFinished(-1) || real.exitStatus() != QProcess::NormalExit)
                return fail(kind, QStringLiteral("rar did not finish"));
            return real.exitCode();
        }
    }

    QString sevenZip = QStandardPaths::findExecutable(QStringLiteral("7zz"));
    if (sevenZip.isEmpty())
        sevenZip = QStandardPaths::findExecutable(QStringLiteral("7z"));
    if (sevenZip.isEmpty())
        return fail(kind, QStringLiteral("7-Zip (7zz or 7z) is not installed"));

    const QFileInfo sourceInfo(request.source);
    if (!sourceInfo.exists())
        return fail(kind, QStringLiteral("source %1 does not exist").arg(request.source));
    if (!sourceInfo.isReadable())
        return fail(kind, QStringLiteral("source %1 cannot be read").arg(request.source));

    // The archive holds the source below its own name, or its contents for a volume root.
    const QString source = sourceInfo.absoluteFilePath();
    const bool volumeRoot = sourceInfo.isDir() &&
                            (source == QLatin1String("/") ||
                             QStorageInfo(source).rootPath() == source);
    const QString workDir = volumeRoot ? source : sourceInfo.absolutePath();
    const QString item = volumeRoot ? QStringLiteral("*") : sourceInfo.fileName();

    const QString archive = QFileInfo(request.archive).absoluteFilePath();
    const QStringList before = volumesOf(archive);

    QStringList sevenArgs = {QStringLiteral("a"),
                             kind == FrontendKind::Rar ? QStringLiteral("-t7z")
                                                       : QStringLiteral("-tzip"),
                             QStringLiteral("-mx%1").arg(sevenZipLevel(request.methodDigit)),
                             QStringLiteral("-y"), QStringLiteral("-bso0"),
                             QStringLiteral("-bse2")};
    const bool showProgress = isatty(STDERR_FILENO);
    sevenArgs << (showProgress ? QStringLiteral("-bsp1") : QStringLiteral("-bsp0"));
    if (request.volumeBytes > 0)
        sevenArgs << QStringLiteral("-v%1b").arg(request.volumeBytes);
    sevenArgs << QStringLiteral("--") << archive << item;
    if (!request.exclusionList.isEmpty()) {
        QFile list(request.exclusionList);
        if (!list.open(QIODevice::ReadOnly))
            return fail(kind, QStringLiteral("cannot read the exclusion list %1")
                                  .arg(request.exclusionList));
        // Switches must come before "--"; put the exclusions in front of it.
        const QStringList patterns = exclusionPatterns(list.readAll(), source, workDir);
        sevenArgs = sevenArgs.mid(0, sevenArgs.indexOf(QStringLiteral("--"))) + patterns +
                    sevenArgs.mid(sevenArgs.indexOf(QStringLiteral("--")));
    }

    QProcess sevenZipProcess;
    sevenZipProcess.setWorkingDirectory(workDir);
    if (showProgress)
        sevenZipProcess.setProcessChannelMode(QProcess::SeparateChannels);
    sevenZipProcess.start(sevenZip, sevenArgs);
    if (!sevenZipProcess.waitForStarted(-1))
        return fail(kind, QStringLiteral("cannot start %1").arg(sevenZip));
    QByteArray errors;
    while (!sevenZipProcess.waitForFinished(200)) {
        errors += sevenZipProcess.readAllStandardError();
        const QByteArray progress = sevenZipProcess.readAllStandardOutput();
        if (showProgress && !progress.isEmpty())
            std::fwrite(progress.constData(), 1, size_t(progress.size()), stderr);
        if (sevenZipProcess.state() == QProcess::NotRunning)
            break;
    }
    errors += sevenZipProcess.readAllStandardError();
    if (showProgress)
        std::fputc('\n', stderr);

    const bool crashed = sevenZipProcess.exitStatus() != QProcess::NormalExit;
    const int status = crashed ? 255 : sevenZipProcess.exitCode();
    if (status == 0)
        return 0;

    // A set with files left out is no good: remove what this call made so the output folder
    // holds no partial volume set.
    for (const QString& name : volumesOf(archive))
        if (!before.contains(name))
            QFile::remove(QFileInfo(archive).dir().filePath(name));
    QString reason = firstMeaningfulLine(errors);
    if (crashed)
        reason = QStringLiteral("7-Zip was stopped");
    else if (reason.isEmpty())
        reason = QStringLiteral("7-Zip failed with status %1").arg(status);
    else if (status == 1)
        reason = QStringLiteral("some source files could not be read: ") + reason;
    return fail(kind, reason, status == 1 ? 1 : 2);
}
