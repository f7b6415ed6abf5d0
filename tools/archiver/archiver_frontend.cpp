#include "archiver_frontend.h"

#include "job/text_lines.h"
#include "job/volume_rules.h"

#include "progress_parser.h"
#include "special_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStorageInfo>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kMaxExclusionList = 16 * 1000 * 1000;
constexpr size_t kMaxSpecialFiles = 10000;
constexpr qsizetype kMaxErrorText = 1 << 20;

volatile sig_atomic_t stopSignal = 0;

void onStopSignal(int signal) {
    stopSignal = signal;
}

void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
    // A reader of our progress that goes away must not kill us before 7-Zip is stopped.
    std::signal(SIGPIPE, SIG_IGN);
}

const char* signalName(int signal) {
    switch (signal) {
    case SIGTERM:
        return "SIGTERM";
    case SIGINT:
        return "SIGINT";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "a signal";
    }
}

const char* toolName(FrontendKind kind) {
    return kind == FrontendKind::Rar ? "wrar" : "wace";
}

// The one line that says why; the names it quotes cannot command a terminal.
int fail(FrontendKind kind, const QString& reason, int status = 2) {
    std::fprintf(stderr, "%s: %s\n", toolName(kind), qPrintable(printableText(reason)));
    return status;
}

bool isSeparator(QChar c) {
#ifdef Q_OS_WIN
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
#else
    // A backslash is an ordinary character in a file name here ("dir\" is a folder's name).
    return c == QLatin1Char('/');
#endif
}

QString withoutTrailingSeparators(QString path) {
    while (path.size() > 1 && isSeparator(path.back()))
        path.chop(1);
    return path;
}

bool allDigits(const QString& text) {
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

bool parseVolume(const QString& value, int64_t* bytes, QString* error) {
    QString digits = value;
    const bool inBytes = digits.endsWith(QLatin1Char('b'), Qt::CaseInsensitive);
    if (inBytes)
        digits.chop(1);
    if (!allDigits(digits)) {
        *error = QStringLiteral("bad volume switch -v%1 (digits, then \"b\" for bytes)").arg(value);
        return false;
    }
    // The main program's own reading of the switch it builds: without "b" both count in
    // kilobytes of 1,000 bytes, so -v1440 is the 1,440,000-byte floppy.
    const std::optional<int64_t> parsed = parseVolumeSwitch(value);
    if (!parsed) {
        const int64_t limit = std::numeric_limits<int64_t>::max() / (inBytes ? 1 : 1000);
        *error = QStringLiteral("volume size -v%1 is out of range (at most %2 %3)")
                     .arg(value, QString::number(limit),
                          inBytes ? QStringLiteral("bytes") : QStringLiteral("kilobytes"));
        return false;
    }
    *bytes = *parsed;
    return true;
}

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// Every file of the folder that is a volume of the set; with partial ones also the volumes
// 7-Zip is still writing, which it names "<volume>.tmp" until the set is complete.
QStringList setVolumesIn(const QString& folder, const QString& stem, FrontendKind kind,
                         bool partial = false) {
    QStringList volumes;
    for (const QString& name :
         QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        const bool written = partial && name.endsWith(QLatin1String(".tmp"));
        if (isSetVolume(written ? name.chopped(4) : name, stem, kind))
            volumes << name;
    }
    return volumes;
}

QStringList filesStartingWith(const QString& folder, const QString& stem) {
    QStringList names;
    for (const QString& name :
         QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        if (name.startsWith(stem))
            names << name;
    return names;
}

void removeFiles(const QString& folder, const QStringList& names) {
    for (const QString& name : names)
        QFile::remove(QDir(folder).filePath(name));
}

struct ChildRun {
    bool started = false;
    bool crashed = false;
    int status = 0;
    int stoppedBy = 0; // the signal that stopped us while the child ran
    QByteArray errors;
};

enum class ChildOutput {
    ProgressLines, // parse 7-Zip's progress, "NN%" lines to our standard output
    ToStderr,      // the child's standard output shown on our standard error
    ToStdout,      // the child's standard output passed through
};

void writeAll(std::FILE* to, const QByteArray& bytes) {
    if (!bytes.isEmpty()) {
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
        std::fflush(to);
    }
}

// Runs the program and waits for it, ending it at once when a stop signal arrives. The
// child dies with us even when we are killed outright, so no archiver goes on writing.
ChildRun runChild(const QString& program, const QStringList& args, const QString& workDir,
                  ChildOutput output, bool keepErrors) {
    ChildRun run;
    QProcess child;
    if (!workDir.isEmpty())
        child.setWorkingDirectory(workDir);
    child.setProcessChannelMode(keepErrors ? QProcess::SeparateChannels
                                           : QProcess::ForwardedErrorChannel);
    const pid_t parent = getpid();
    child.setChildProcessModifier([parent] {
        std::signal(SIGPIPE, SIG_DFL);
#ifdef Q_OS_LINUX
        prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
        if (getppid() != parent)
            _exit(127);
    });
    child.start(program, args);
    if (!child.waitForStarted(-1))
        return run;
    run.started = true;

    SevenZipProgress progress;
    auto drain = [&] {
        const QByteArray out = child.readAllStandardOutput();
        if (output == ChildOutput::ProgressLines) {
            for (int percent : progress.feed(std::string_view(out.constData(), size_t(out.size()))))
                std::fprintf(stdout, "%d%%\n", percent);
            std::fflush(stdout);
        } else {
            writeAll(output == ChildOutput::ToStderr ? stderr : stdout, out);
        }
        if (keepErrors) {
            const QByteArray err = child.readAllStandardError();
            if (run.errors.size() < kMaxErrorText)
                run.errors += err.left(kMaxErrorText - run.errors.size());
        }
    };
    while (child.state() != QProcess::NotRunning) {
        if (stopSignal) {
            // Killed outright: a 7-Zip blocked in a read may not heed a polite request.
            ::kill(pid_t(child.processId()), SIGKILL);
            child.waitForFinished(-1);
            break;
        }
        child.waitForFinished(100);
        drain();
    }
    drain();
    run.stoppedBy = stopSignal;
    run.crashed = child.exitStatus() != QProcess::NormalExit;
    run.status = run.crashed ? 255 : child.exitCode();
    return run;
}

int stoppedBySignal(FrontendKind kind, int signal) {
    return fail(kind,
                QStringLiteral("stopped by %1; the volumes of this run were removed")
                    .arg(QLatin1String(signalName(signal))),
                128 + signal);
}

bool isRegularFile(const QString& path) {
    struct stat st;
    return stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

int runRealRar(const QString& rar, const QStringList& args, FrontendKind kind,
               const QString& archive, bool progressLines) {
    const QString folder = QFileInfo(archive).absolutePath();
    const QString stem = QFileInfo(archive).completeBaseName();
    const QStringList before = filesStartingWith(folder, stem);
    // RAR's own progress is not parsed; with progress lines asked for, standard output must
    // hold nothing but them, so RAR's output goes to standard error.
    const ChildRun run = runChild(
        rar, args, QString(), progressLines ? ChildOutput::ToStderr : ChildOutput::ToStdout, false);
    if (!run.started)
        return fail(kind, QStringLiteral("cannot start %1").arg(rar));
    if (run.stoppedBy || run.status != 0) {
        QStringList made;
        for (const QString& name : filesStartingWith(folder, stem))
            if (!before.contains(name))
                made << name;
        removeFiles(folder, made);
        if (run.stoppedBy)
            return stoppedBySignal(kind, run.stoppedBy);
        if (run.crashed)
            return fail(kind, QStringLiteral("rar was stopped"));
    }
    return run.status;
}

} // namespace

int sevenZipLevel(int methodDigit) {
    static const int levels[] = {0, 1, 3, 5, 7, 9};
    return methodDigit >= 0 && methodDigit <= 5 ? levels[methodDigit] : 5;
}

QStringList reproducibleSwitches(FrontendKind kind, int methodDigit, bool reproducible) {
    if (!reproducible || kind != FrontendKind::Rar || sevenZipLevel(methodDigit) == 0)
        return {};
    return {QStringLiteral("-m0=LZMA2:c=64m")};
}

QString archiveStem(const QString& archive) {
    if (archive.isEmpty() || isSeparator(archive.back()))
        return {};
    qsizetype slash = archive.size() - 1;
    while (slash >= 0 && !isSeparator(archive[slash]))
        --slash;
    QString name = archive.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) {
        const QString extension = name.mid(dot + 1);
        if (extension.compare(QLatin1String("rar"), Qt::CaseInsensitive) == 0 ||
            extension.compare(QLatin1String("ace"), Qt::CaseInsensitive) == 0 ||
            (extension.size() == 3 && allDigits(extension)))
            name.truncate(dot);
    }
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return {};
    return name;
}

QString sevenZipVolumeName(const QString& stem, FrontendKind kind, bool split) {
    QString name =
        stem + (kind == FrontendKind::Rar ? QLatin1String(".7z") : QLatin1String(".zip"));
    if (split)
        name += QLatin1String(".001");
    return name;
}

bool isSetVolume(const QString& fileName, const QString& stem, FrontendKind kind) {
    const QString whole = sevenZipVolumeName(stem, kind, false);
    if (fileName == whole)
        return true;
    if (!fileName.startsWith(whole + QLatin1Char('.')))
        return false;
    const QString number = fileName.mid(whole.size() + 1);
    return number.size() >= 3 && allDigits(number);
}

bool parseArchiveRequest(const QStringList& args, FrontendKind kind, ArchiveRequest* request,
                         QString* error) {
    QStringList positional;
    for (const QString& arg : args) {
        if (arg.startsWith(QLatin1String("-v"))) {
            if (!parseVolume(arg.mid(2), &request->volumeBytes, error))
                return false;
        } else if (arg.startsWith(QLatin1String("-m"))) {
            const QString digit = arg.mid(2);
            request->methodDigit = allDigits(digit) ? digit.toInt() : -1;
            if (digit.size() != 1 || request->methodDigit < 0 || request->methodDigit > 5) {
                *error = QStringLiteral("bad method switch %1 (use -m0 to -m5)").arg(arg);
                return false;
            }
        } else if (arg.startsWith(QLatin1String("-x@"))) {
            request->exclusionList = arg.mid(3);
            if (request->exclusionList.isEmpty()) {
                *error = QStringLiteral("the switch -x@ names no exclusion list");
                return false;
            }
        } else if (arg == QLatin1String("-r") || arg == QLatin1String("-y")) {
            // Recursion is always on and there is never a question to answer.
        } else if (arg.startsWith(QLatin1Char('-')) && positional.size() != 1) {
            *error = QStringLiteral("unknown switch %1").arg(arg);
            return false;
        } else if (!arg.isEmpty()) {
            positional << arg;
        }
    }
    const QString usage =
        QStringLiteral("usage: %1 a -r [-v<size>[b]] [-m<0-5>] -y <archive> <source> [-x@<list>]")
            .arg(QLatin1String(toolName(kind)));
    if (positional.isEmpty()) {
        *error = usage;
        return false;
    }
    if (positional[0] != QLatin1String("a")) {
        *error = QStringLiteral("unknown command %1 (only \"a\" is known); %2")
                     .arg(quoted(positional[0]), usage);
        return false;
    }
    if (positional.size() != 3) {
        QStringList names;
        for (qsizetype i = 1; i < positional.size(); ++i)
            names << quoted(positional[i]);
        *error = QStringLiteral("expected an archive and a source, got %1 name(s)%2%3")
                     .arg(positional.size() - 1)
                     .arg(names.isEmpty() ? QString() : QStringLiteral(": "), names.join(", "));
        return false;
    }
    request->archive = positional[1];
    request->source = withoutTrailingSeparators(positional[2]);
    if (archiveStem(request->archive).isEmpty()) {
        *error = QStringLiteral("the archive path %1 names no file").arg(quoted(request->archive));
        return false;
    }
    return true;
}

bool readExclusionList(const QString& path, QByteArray* text, QString* error) {
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: opening a FIFO for reading must not wait for a writer.
    const int fd = open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        *error = QStringLiteral("cannot read the exclusion list %1: %2")
                     .arg(quoted(path), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        *error = QStringLiteral("the exclusion list %1 is not a regular file").arg(quoted(path));
        return false;
    }
    if (st.st_size > kMaxExclusionList) {
        close(fd);
        *error = QStringLiteral("the exclusion list %1 is larger than 16 MB").arg(quoted(path));
        return false;
    }
    text->clear();
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *error = QStringLiteral("cannot read the exclusion list %1: %2")
                         .arg(quoted(path), QString::fromLocal8Bit(std::strerror(errno)));
            close(fd);
            return false;
        }
        if (got == 0)
            break;
        text->append(buffer, got);
        // The file may grow while it is read.
        if (text->size() > kMaxExclusionList) {
            close(fd);
            *error = QStringLiteral("the exclusion list %1 is larger than 16 MB").arg(quoted(path));
            return false;
        }
    }
    close(fd);
    return true;
}

bool exclusionPatterns(const QByteArray& listText, const QStringList& sourceSpellings,
                       const QString& prefix, QStringList* patterns, QString* error) {
    QByteArray text = listText;
    text.replace("\r\n", "\n").replace('\r', '\n');
    int lineNumber = 0;
    for (const QByteArray& raw : text.split('\n')) {
        ++lineNumber;
        if (raw.isEmpty())
            continue;
        const QString line = QString::fromLocal8Bit(raw);
        if (line.toLocal8Bit() != raw) {
            *error = QStringLiteral("line %1 of the exclusion list is not valid text in the "
                                    "system's encoding")
                         .arg(lineNumber);
            return false;
        }
#ifndef Q_OS_WIN
        // A path broken over two lines (a name holding a line end) would leave the file in
        // the set unnoticed: refuse the list instead.
        if (!line.startsWith(QLatin1Char('/'))) {
            *error = QStringLiteral("line %1 of the exclusion list is not an absolute path")
                         .arg(lineNumber);
            return false;
        }
#endif
        QString entry = line;
        if (entry.endsWith(QLatin1String("/*.*")) || entry.endsWith(QLatin1String("\\*.*")))
            entry.chop(4);
        entry = QDir::cleanPath(entry);
        QString below;
        for (const QString& spelling : sourceSpellings) {
            const QString root = withoutTrailingSeparators(spelling);
            const QString lead = root == QLatin1String("/") ? root : root + QLatin1Char('/');
            if (entry.size() > lead.size() && entry.startsWith(lead)) {
                below = entry.mid(lead.size());
                break;
            }
        }
        if (below.isEmpty())
            continue;
        patterns->append(QStringLiteral("-x!") +
                         (prefix.isEmpty() ? below : prefix + QLatin1Char('/') + below));
    }
    return true;
}

QString sevenZipFailure(const QByteArray& errors) {
    QStringList lines;
    for (const QByteArray& raw : errors.split('\n')) {
        const QString line = QString::fromLocal8Bit(raw).trimmed();
        if (!line.isEmpty())
            lines << line;
    }
    // The summary line names the file as well as the fault ("dir/f : errno=13 : ...").
    for (const QString& line : lines)
        if (line.contains(QLatin1String(" : errno=")))
            return line;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.startsWith(QLatin1String("7-Zip")) || line.startsWith(QLatin1String("Scanning")))
            continue;
        // "System ERROR:" stands on a line of its own, with the reason on the next.
        if (line.endsWith(QLatin1Char(':')) && i + 1 < lines.size())
            return line + QLatin1Char(' ') + lines[i + 1];
        return line;
    }
    return {};
}

int runFrontend(const QStringList& args, FrontendKind kind) {
    catchStopSignals();
    ArchiveRequest request;
    QString error;
    if (!parseArchiveRequest(args, kind, &request, &error))
        return fail(kind, error);

    QByteArray listText;
    if (!request.exclusionList.isEmpty() &&
        !readExclusionList(request.exclusionList, &listText, &error))
        return fail(kind, error);

    const bool progressLines = qEnvironmentVariable("KAVEL32_PROGRESS") == QLatin1String("1");
    const QString archive = QFileInfo(request.archive).absoluteFilePath();
    const QString outFolder = QFileInfo(archive).absolutePath();
    if (!QFileInfo(outFolder).isDir())
        return fail(
            kind,
            QStringLiteral("the folder %1 for the volumes does not exist").arg(quoted(outFolder)));

    if (kind == FrontendKind::Rar) {
        const QString rar = QStandardPaths::findExecutable(QStringLiteral("rar"));
        if (!rar.isEmpty())
            return runRealRar(rar, args, kind, archive, progressLines);
    }

    QString sevenZip = QStandardPaths::findExecutable(QStringLiteral("7zz"));
    if (sevenZip.isEmpty())
        sevenZip = QStandardPaths::findExecutable(QStringLiteral("7z"));
    if (sevenZip.isEmpty())
        return fail(kind, QStringLiteral("7-Zip (7zz or 7z) is not installed"));

    const QFileInfo sourceInfo(request.source);
    // Links resolved once: a source given through a link is packed as the folder it names.
    const QString source = sourceInfo.canonicalFilePath();
    if (source.isEmpty())
        return fail(kind,
                    QStringLiteral("the source %1 does not exist").arg(quoted(request.source)));
    const QFileInfo canonicalInfo(source);
    if (!canonicalInfo.isDir() && !isRegularFile(source))
        return fail(kind, QStringLiteral("the source %1 is not a folder or a regular file")
                              .arg(quoted(request.source)));
    if (access(QFile::encodeName(source).constData(), canonicalInfo.isDir() ? R_OK | X_OK : R_OK) !=
        0)
        return fail(kind,
                    QStringLiteral("the source %1 cannot be read: %2")
                        .arg(quoted(request.source), QString::fromLocal8Bit(std::strerror(errno))));

    // The archive holds the source below its own name, or its contents for a volume root.
    const bool volumeRoot = canonicalInfo.isDir() && (source == QLatin1String("/") ||
                                                      QStorageInfo(source).rootPath() == source);
    const QString workDir = volumeRoot ? source : canonicalInfo.absolutePath();
    const QString item = volumeRoot ? QStringLiteral(".") : canonicalInfo.fileName();
    const QString prefix = volumeRoot ? QString() : item;

    const QString stem = archiveStem(request.archive);
    const bool split = request.volumeBytes > 0;
    const QStringList existing = setVolumesIn(outFolder, stem, kind, true);
    if (!existing.isEmpty())
        return fail(kind, QStringLiteral("%1 is already in %2; a new set must not mix with it")
                              .arg(quoted(existing.first()), quoted(outFolder)));

    QStringList exclusions;
    if (!listText.isEmpty()) {
        QStringList spellings{QDir::cleanPath(QFileInfo(request.source).absoluteFilePath()),
                              source};
        if (!exclusionPatterns(listText, spellings, prefix, &exclusions, &error))
            return fail(kind, error);
    }
    if (canonicalInfo.isDir()) {
        std::vector<std::string> specials;
        const bool complete = findSpecialFiles(QFile::encodeName(source).toStdString(),
                                               kMaxSpecialFiles, &stopSignal, &specials);
        if (stopSignal)
            return stoppedBySignal(kind, stopSignal);
        if (!complete)
            return fail(kind, QStringLiteral("the source holds more than %1 FIFOs, sockets and "
                                             "devices, which cannot be packed")
                                  .arg(kMaxSpecialFiles));
        for (const std::string& special : specials) {
            const QByteArray raw = QByteArray::fromStdString(special);
            const QString name = QFile::decodeName(raw);
            if (QFile::encodeName(name) != raw)
                return fail(kind, QStringLiteral("cannot leave out the special file %1: its name "
                                                 "is not valid text in the system's encoding")
                                      .arg(quoted(name)));
            exclusions << QStringLiteral("-x!") +
                              (prefix.isEmpty() ? name : prefix + QLatin1Char('/') + name);
        }
    }

    const bool rawProgress = !progressLines && isatty(STDERR_FILENO);
    QStringList sevenArgs = {
        QStringLiteral("a"),
        kind == FrontendKind::Rar ? QStringLiteral("-t7z") : QStringLiteral("-tzip"),
        QStringLiteral("-mx%1").arg(sevenZipLevel(request.methodDigit)), QStringLiteral("-y"),
        // Names are literal: "a*b" must not also pack "aXb" beside it.
        QStringLiteral("-spd"),
        // A link is stored as a link, never followed out of the source.
        QStringLiteral("-snl"), QStringLiteral("-bso0"), QStringLiteral("-bse2")};
    sevenArgs << (progressLines || rawProgress ? QStringLiteral("-bsp1") : QStringLiteral("-bsp0"));
    if (split)
        sevenArgs << QStringLiteral("-v%1b").arg(request.volumeBytes);
    sevenArgs << reproducibleSwitches(kind, request.methodDigit,
                                      !qEnvironmentVariableIsEmpty("SOURCE_DATE_EPOCH"));
    sevenArgs << exclusions;
    sevenArgs << QStringLiteral("--")
              << QDir(outFolder).filePath(sevenZipVolumeName(stem, kind, false)) << item;

    const ChildRun run =
        runChild(sevenZip, sevenArgs, workDir,
                 progressLines ? ChildOutput::ProgressLines : ChildOutput::ToStderr, true);
    if (rawProgress)
        std::fputc('\n', stderr);
    if (!run.started)
        return fail(kind, QStringLiteral("cannot start %1").arg(sevenZip));

    if (run.stoppedBy == 0 && run.status == 0) {
        if (setVolumesIn(outFolder, stem, kind).isEmpty())
            return fail(kind, QStringLiteral("7-Zip made no volume"));
        return 0;
    }

    // A set with files left out is no good: remove what this call made so the output folder
    // holds no partial volume set (nothing of the set was there before).
    removeFiles(outFolder, setVolumesIn(outFolder, stem, kind, true));
    if (run.stoppedBy)
        return stoppedBySignal(kind, run.stoppedBy);
    QString reason = sevenZipFailure(run.errors);
    if (run.crashed)
        reason = QStringLiteral("7-Zip was stopped");
    else if (reason.isEmpty())
        reason = QStringLiteral("7-Zip failed with status %1").arg(run.status);
    else if (run.status == 1)
        reason = QStringLiteral("some source files could not be read: ") + reason;
    else
        reason = QStringLiteral("7-Zip failed: ") + reason;
    return fail(kind, reason, run.status == 1 ? 1 : 2);
}
