#include "platform/child_start.h"

#include <cerrno>
#include <fcntl.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace {

struct Pointers {
    std::vector<char*> argv, envp;
};

Pointers pointersTo(const ChildSetup& setup) {
    Pointers p;
    // execve takes char* const*, and never writes through them.
    p.argv.push_back(const_cast<char*>(setup.program.constData()));
    for (size_t i = 1; i < setup.arguments.size(); ++i)
        p.argv.push_back(const_cast<char*>(setup.arguments[i].constData()));
    p.argv.push_back(nullptr);
    for (const QByteArray& e : setup.environment)
        p.envp.push_back(const_cast<char*>(e.constData()));
    p.envp.push_back(nullptr);
    return p;
}

// In the child: target made a copy of fd that stays open across exec.
bool duplicate(int fd, int target) {
    if (fd == target)
        return ::fcntl(target, F_SETFD, 0) == 0;
    return ::dup2(fd, target) == target;
}

// In the child: the stream as asked, with system calls only.
bool redirect(int target, const ChildStream& stream) {
    if (!stream.file.isEmpty()) {
        const int fd = ::open(stream.file.constData(), stream.flags | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        const bool ok = duplicate(fd, target);
        if (fd != target)
            ::close(fd);
        return ok;
    }
    return stream.fd < 0 || duplicate(stream.fd, target);
}

// In the child: the failure as errno through the pipe, and the end.
[[noreturn]] void reportFailure(int report) {
    const int code = errno;
    (void)!::write(report, &code, sizeof code);
    ::_exit(127);
}

// The child's side, between fork and exec: only async-signal-safe calls, since another
// thread of this program may have held a lock when it was copied. A failure is reported
// through the pipe as errno.
[[noreturn]] void becomeChild(const ChildSetup& setup, const Pointers& p, int report, pid_t parent,
                              const sigset_t& mask) {
    // A group of its own: a stop request reaches the child and whatever it starts, and a
    // terminal's Ctrl-C reaches this program only, which then stops the child in order.
    if (::setpgid(0, 0) != 0)
        reportFailure(report);
#ifdef Q_OS_LINUX
    if (::prctl(PR_SET_PDEATHSIG, kParentDeathSignal) != 0)
        reportFailure(report);
    // The parent died before the request was made: nobody waits for this child.
    if (::getppid() != parent)
        ::_exit(127);
#else
    (void)parent;
#endif
    if (!redirect(STDIN_FILENO, setup.in) || !redirect(STDOUT_FILENO, setup.out) ||
        !redirect(STDERR_FILENO, setup.err))
        reportFailure(report);
    // Signals were blocked across fork so that no handler of ours runs in the copy; exec
    // resets the handlers, the mask it keeps.
    ::pthread_sigmask(SIG_SETMASK, &mask, nullptr);
    ::execve(p.argv[0], p.argv.data(), p.envp.data());
    reportFailure(report);
}

} // namespace

pid_t startChild(const ChildSetup& setup) {
    const Pointers p = pointersTo(setup);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return -1;
    sigset_t all, old;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &old);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(report[0]);
        becomeChild(setup, p, report[1], parent, old);
    }
    const int forkError = errno;
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    ::close(report[1]);
    if (pid < 0) {
        ::close(report[0]);
        errno = forkError;
        return -1;
    }
    // Either side may come first; a signal to the group must not miss the child.
    ::setpgid(pid, pid);
    int childError = 0;
    ssize_t n;
    do
        n = ::read(report[0], &childError, sizeof childError);
    while (n < 0 && errno == EINTR);
    ::close(report[0]);
    if (n == ssize_t(sizeof childError)) {
        // The pipe closes at exec: anything read is the child's failure before it.
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        errno = childError;
        return -1;
    }
    return pid;
}
