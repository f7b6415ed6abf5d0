#include "platform/process_runner.h"

#include "platform/child_start.h"
#include "platform/paths.h"
#include "platform/stop_signals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>
#include <vector>

extern char** environ;

namespace {

bool isExecutableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

QString withoutWindowsEnding(const QString& name) {
    for (const char* ending : {".exe", ".pif", ".com"})
        if (name.endsWith(QLatin1String(ending), Qt::CaseInsensitive))
            return name.left(name.size() - 4);
    return {};
}

QString findIn(const QString& dir, const QString& name) {
    const QString candidate = dir.isEmpty() ? name : dir + QLatin1Char('/') + name;
    return isExecutableFile(candidate) ? QFileInfo(candidate).absoluteFilePath() : QString();
}

QString searchAll(const QString& name) {
    if (name.contains(QLatin1Char('/')))
        return findIn({}, name);
    // The helper folder first: installed, our tools live apart from the program's bin folder.
    QStringList dirs = {AppPaths::helperFolder(), AppPaths::programFolder(), QDir::currentPath()};
    dirs.removeDuplicates();
    dirs += qEnvironmentVariable("PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& dir : dirs) {
        const QString found = findIn(dir, name);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

} // namespace

QString findProgram(const QString& name) {
    if (name.isEmpty())
        return {};
    QString found = searchAll(name);
    if (found.isEmpty()) {
        const QString bare = withoutWindowsEnding(name);
        if (!bare.isEmpty())
            found = searchAll(bare);
    }
    return found;
}

QString findSevenZip() {
    const QString found = findProgram(QStringLiteral("7zz"));
    return found.isEmpty() ? findProgram(QStringLiteral("7z")) : found;
}

QByteArray ProgressLineReader::feed(const QByteArray& bytes) {
    pending_ += bytes;
    QByteArray passOn;
    qsizetype lineStart = 0;
    for (qsizetype end = pending_.indexOf('\n'); end >= 0;
         lineStart = end + 1, end = pending_.indexOf('\n', lineStart)) {
        const QByteArray line = pending_.mid(lineStart, end - lineStart).trimmed();
        bool number = line.size() >= 2 && line.size() <= 4 && line.endsWith('%');
        int value = 0;
        if (number)
            value = line.chopped(1).toInt(&number);
        if (number && value >= 0 && value <= 100) {
            if (value != percent_) {
                percent_ = value;
                if (onPercent)
                    onPercent(value);
            }
        } else {
            passOn += pending_.mid(lineStart, end + 1 - lineStart);
        }
    }
    pending_.remove(0, lineStart);
    return passOn;
}

QByteArray ProgressLineReader::finish() {
    if (pending_.isEmpty())
        return {};
    const QByteArray last = pending_;
    QByteArray passOn = feed("\n");
    // The line end was added here, not written by the child.
    if (!passOn.isEmpty())
        passOn = last;
    return passOn;
}

namespace {
std::atomic<bool> g_commandStop{false};

// Whether the command waited for is to be told to stop: by a stop signal, or by the program.
bool commandStopAsked() {
    return StopSignals::requested() || g_commandStop.load();
}
} // namespace

void requestCommandStop() {
    g_commandStop = true;
}

void clearCommandStop() {
    g_commandStop = false;
}

namespace {
// This program's environment with the progress variable set or taken out.
std::vector<QByteArray> childEnvironment(bool progress) {
    std::vector<QByteArray> out;
    const QByteArray prefix = QByteArray(kProgressVariable) + '=';
    for (char** e = environ; e && *e; ++e)
        if (!QByteArray(*e).startsWith(prefix))
            out.emplace_back(*e);
    if (progress)
        out.push_back(prefix + '1');
    return out;
}

// How a child's standard output is taken while it runs: its progress lines read (the rest
// passed on to this program's output), or all of it kept in memory.
struct OutputTap {
    ProgressLineReader* progress = nullptr;
    QByteArray* capture = nullptr;
    qint64 captureLimit = 0;
    bool captureErrors = false;
    bool piped() const { return progress || capture; }
};

// Everything the pipe holds now; false once the child's side is closed.
bool drain(int fd, OutputTap& tap) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            if (tap.capture) {
                const qint64 room = tap.captureLimit - tap.capture->size();
                if (room > 0)
                    tap.capture->append(buffer, qsizetype(std::min<qint64>(room, n)));
                continue;
            }
            const QByteArray passOn = tap.progress->feed(QByteArray(buffer, n));
            if (!passOn.isEmpty()) {
                std::fwrite(passOn.constData(), 1, size_t(passOn.size()), stdout);
                std::fflush(stdout);
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

// The child as the command describes it: its redirections are files it opens itself, and
// with a tap its standard output (and with captureErrors its standard error) goes into the
// pipe's end.
ChildSetup childSetup(const Command& cmd, const QString& program, const OutputTap& tap,
                      int pipeEnd) {
    ChildSetup setup;
    setup.program = QFile::encodeName(program);
    setup.arguments.push_back(setup.program);
    for (const QString& arg : cmd.arguments)
        setup.arguments.push_back(QFile::encodeName(arg));
    setup.environment = childEnvironment(pipeEnd >= 0 && tap.progress);
    constexpr int kWrite = O_WRONLY | O_CREAT | O_TRUNC | O_NOCTTY;
    if (!cmd.stdinFile.isEmpty())
        setup.in = {QFile::encodeName(cmd.stdinFile), O_RDONLY | O_NOCTTY, -1};
    else if (tap.capture)
        // A program that would ask a question reads the end of its input instead of waiting.
        setup.in = {"/dev/null", O_RDONLY, -1};
    if (!cmd.stdoutFile.isEmpty())
        setup.out = {QFile::encodeName(cmd.stdoutFile), kWrite, -1};
    else
        setup.out.fd = pipeEnd;
    if (!cmd.stderrFile.isEmpty())
        setup.err = {QFile::encodeName(cmd.stderrFile), kWrite, -1};
    else if (tap.captureErrors)
        setup.err.fd = pipeEnd;
    return setup;
}

constexpr int kLookEveryMs = 50;

// A descriptor that becomes readable when the child ends, so its end is seen at once rather
// than at the next look (a whole run waits for its archiver's end this way).
class ChildEnd {
  public:
    explicit ChildEnd(pid_t pid) : fd_(int(::syscall(SYS_pidfd_open, pid, 0))) {}
    ~ChildEnd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    ChildEnd(const ChildEnd&) = delete;
    ChildEnd& operator=(const ChildEnd&) = delete;

    // Waits at most ms for the child's end or for output on pipe (-1: none); false when the
    // system gives no such descriptor, and the caller sleeps instead.
    bool wait(int pipe, int ms) const {
        if (fd_ < 0)
            return false;
        pollfd fds[2] = {{fd_, POLLIN, 0}, {pipe, POLLIN, 0}};
        // A signal ends the wait early, which only makes the stop seen sooner.
        ::poll(fds, pipe >= 0 ? 2 : 1, ms);
        return true;
    }

  private:
    int fd_;
};

int spawnAndWait(const Command& cmd, const std::function<void()>& whileWaiting, OutputTap tap) {
    const QString program = findProgram(cmd.program);
    if (program.isEmpty())
        return kCouldNotStart;

    // Output is read from the child's standard output, so a command that writes its output
    // into a file has none to give.
    const bool piped = tap.piped() && cmd.stdoutFile.isEmpty();
    int pipeEnds[2] = {-1, -1};
    if (piped && ::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return kCouldNotStart;
    const pid_t pid = startChild(childSetup(cmd, program, tap, piped ? pipeEnds[1] : -1));
    if (piped) {
        ::close(pipeEnds[1]);
        ::fcntl(pipeEnds[0], F_SETFL, ::fcntl(pipeEnds[0], F_GETFL) | O_NONBLOCK);
    }
    bool pipeOpen = piped;
    auto closePipe = [&] {
        if (piped)
            ::close(pipeEnds[0]);
    };
    if (pid < 0) {
        closePipe();
        return kCouldNotStart;
    }

    int status = 0;
    bool told = false;
    auto pause = std::chrono::milliseconds(1);
    const ChildEnd childEnd(pid);
    for (;;) {
        if (!told && commandStopAsked()) {
            ::kill(-pid, SIGTERM);
            told = true;
        }
        if (pipeOpen)
            pipeOpen = drain(pipeEnds[0], tap);
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR) {
            closePipe();
            return kCouldNotStart;
        }
        if (whileWaiting)
            whileWaiting();
        if (childEnd.wait(pipeOpen ? pipeEnds[0] : -1, kLookEveryMs))
            continue;
        // Without a descriptor for the child: short commands end quickly, long ones are
        // looked at every 50 ms.
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(kLookEveryMs));
    }
    // What the child wrote just before it ended. A program it left running may hold the
    // pipe open: what that writes later is not waited for.
    if (pipeOpen)
        drain(pipeEnds[0], tap);
    if (piped && tap.progress) {
        const QByteArray rest = tap.progress->finish();
        std::fwrite(rest.constData(), 1, size_t(rest.size()), stdout);
        std::fflush(stdout);
    }
    closePipe();
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return kCouldNotStart;
}
} // namespace

int runCommand(const Command& cmd, const std::function<void()>& whileWaiting,
               const std::function<void(int)>& onPercent) {
    ProgressLineReader reader;
    reader.onPercent = onPercent;
    OutputTap tap;
    if (onPercent)
        tap.progress = &reader;
    return spawnAndWait(cmd, whileWaiting, tap);
}

int runCommandCapturing(const Command& cmd, QByteArray* output, qint64 maxBytes, bool withErrors,
                        const std::function<void()>& whileWaiting) {
    output->clear();
    OutputTap tap;
    tap.capture = output;
    tap.captureLimit = maxBytes;
    tap.captureErrors = withErrors;
    return spawnAndWait(cmd, whileWaiting, tap);
}

QString lastErrorLine(const Command& command) {
    if (command.stderrFile.isEmpty())
        return {};
    QFile file(command.stderrFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The end of the file holds the last word; a chatty program cannot make us read it all.
    constexpr qint64 kTail = 4096;
    if (file.size() > kTail)
        file.seek(file.size() - kTail);
    const QList<QByteArray> lines = file.readAll().replace('\r', '\n').split('\n');
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const QString text = QString::fromLocal8Bit(line->trimmed());
        if (!text.isEmpty())
            return text;
    }
    return {};
}
