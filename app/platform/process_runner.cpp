#include "platform/process_runner.h"

#include "platform/paths.h"
#include "platform/stop_signals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>
#include <vector>

extern char** environ;

namespace {

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

QString stripQuotes(QString text) {
    text = text.trimmed();
    if (text.size() >= 2 && text.front() == QLatin1Char('"') && text.back() == QLatin1Char('"'))
        return text.mid(1, text.size() - 2);
    return text;
}

// Removes "command.com /c " or "command.pif /c " from the front; true when it was there.
bool stripInterpreter(QString& line) {
    static const QString prefixes[] = {QStringLiteral("command.com /c "),
                                       QStringLiteral("command.pif /c ")};
    const QString trimmed = line.trimmed();
    for (const QString& prefix : prefixes) {
        if (trimmed.startsWith(prefix, Qt::CaseInsensitive)) {
            line = trimmed.mid(prefix.size());
            return true;
        }
    }
    return false;
}

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
    QStringList dirs = {AppPaths::programFolder(), QDir::currentPath()};
    dirs += qEnvironmentVariable("PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& dir : dirs) {
        const QString found = findIn(dir, name);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

} // namespace

QStringList splitCommandLine(const QString& commandLine) {
    QStringList args;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    const qsizetype n = commandLine.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = commandLine[i];
        if (c == QLatin1Char('\\')) {
            qsizetype count = 0;
            while (i < n && commandLine[i] == QLatin1Char('\\')) {
                ++count;
                ++i;
            }
            inArgument = true;
            if (i < n && commandLine[i] == QLatin1Char('"')) {
                current += QString(count / 2, QLatin1Char('\\'));
                if (count % 2 == 1)
                    current += QLatin1Char('"');
                else
                    quoted = !quoted;
            } else {
                current += QString(count, QLatin1Char('\\'));
                --i; // the character after the run is handled by the next turn
            }
        } else if (c == QLatin1Char('"')) {
            inArgument = true;
            if (quoted && i + 1 < n && commandLine[i + 1] == QLatin1Char('"')) {
                current += QLatin1Char('"');
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (isBlank(c) && !quoted) {
            if (inArgument)
                args << current;
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        args << current;
    return args;
}

Command parseCommandLine(const QString& commandLine) {
    QString line = commandLine;
    Command parsed;
    if (stripInterpreter(line)) {
        // The interpreter's redirections: the target runs to the next operator or the end,
        // so a target path with blanks stays whole.
        bool quoted = false;
        qsizetype cut = -1;
        QChar pending;
        qsizetype start = 0;
        for (qsizetype i = 0; i <= line.size(); ++i) {
            const bool end = i == line.size();
            const QChar c = end ? QChar() : line[i];
            // A quote after an odd run of backslashes is literal and does not toggle.
            if (!end && c == QLatin1Char('"')) {
                qsizetype backslashes = 0;
                for (qsizetype j = i - 1; j >= 0 && line[j] == QLatin1Char('\\'); --j)
                    ++backslashes;
                if (backslashes % 2 == 0)
                    quoted = !quoted;
            }
            if (end || (!quoted && (c == QLatin1Char('>') || c == QLatin1Char('<')))) {
                if (cut < 0)
                    cut = i;
                else if (pending == QLatin1Char('>'))
                    parsed.stdoutFile = stripQuotes(line.mid(start, i - start));
                else
                    parsed.stdinFile = stripQuotes(line.mid(start, i - start));
                pending = c;
                start = i + 1;
            }
        }
        line = line.left(cut);
    }
    QStringList args = splitCommandLine(line);
    if (!args.isEmpty())
        parsed.program = args.takeFirst();
    parsed.arguments = args;
    parsed.text = commandLine;
    return parsed;
}

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

namespace {

// Starts the command and waits for its end. captureFd >= 0: the child's standard output (and
// with captureErrors its standard error) goes to that descriptor, and its standard input is
// /dev/null unless the command names an input file.
int spawnAndWait(const Command& cmd, const std::function<void()>& whileWaiting, int captureFd,
                 bool captureErrors) {
    const QString program = findProgram(cmd.program);
    if (program.isEmpty())
        return kCouldNotStart;

    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString& arg : cmd.arguments)
        storage.push_back(QFile::encodeName(arg));
    std::vector<char*> argv;
    for (QByteArray& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray outFile = QFile::encodeName(cmd.stdoutFile);
    const QByteArray inFile = QFile::encodeName(cmd.stdinFile);
    if (captureFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, captureFd, STDOUT_FILENO);
        if (captureErrors)
            posix_spawn_file_actions_adddup2(&actions, captureFd, STDERR_FILENO);
    } else if (!cmd.stdoutFile.isEmpty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.constData(),
                                         O_WRONLY | O_CREAT | O_TRUNC | O_NOCTTY, 0600);
    }
    if (!cmd.stdinFile.isEmpty())
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, inFile.constData(),
                                         O_RDONLY | O_NOCTTY, 0);
    else if (captureFd >= 0)
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // A group of its own: a stop request reaches the child and whatever it started, and a
    // terminal's Ctrl-C reaches this program only, which then stops the child in order.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return kCouldNotStart;

    int status = 0;
    bool told = false;
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        if (!told && StopSignals::requested()) {
            ::kill(-pid, SIGTERM);
            told = true;
        }
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR)
            return kCouldNotStart;
        if (whileWaiting)
            whileWaiting();
        // Short commands end quickly; long ones are looked at every 50 ms.
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return kCouldNotStart;
}

// Reads what the pipe holds now, keeping at most maxBytes in *output.
void drainPipe(int fd, QByteArray* output, qint64 maxBytes) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            return;
        }
        const qint64 room = maxBytes - output->size();
        if (room > 0)
            output->append(buffer, qsizetype(std::min<qint64>(room, n)));
    }
}

} // namespace

int runCommand(const Command& cmd, const std::function<void()>& whileWaiting) {
    return spawnAndWait(cmd, whileWaiting, -1, false);
}

int runCommandCapturing(const Command& cmd, QByteArray* output, qint64 maxBytes, bool withErrors,
                        const std::function<void()>& whileWaiting) {
    output->clear();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return kCouldNotStart;
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    // The pipe is emptied while the child runs, so a talkative child never blocks on it.
    const int status = spawnAndWait(
        cmd,
        [&] {
            drainPipe(fds[0], output, maxBytes);
            if (whileWaiting)
                whileWaiting();
        },
        fds[1], withErrors);
    ::close(fds[1]);
    // What the child wrote last; a grandchild that keeps the pipe open is not waited for.
    drainPipe(fds[0], output, maxBytes);
    ::close(fds[0]);
    return status;
}

int ExecCmd(const QString& commandLine, const std::function<void()>& whileWaiting) {
    return runCommand(parseCommandLine(commandLine), whileWaiting);
}

bool startDetached(const QString& commandLine, WindowStyle) {
    const Command cmd = parseCommandLine(commandLine);
    const QString program = findProgram(cmd.program);
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, cmd.arguments);
}
