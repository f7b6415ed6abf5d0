// pkzip <zip> -z
// Sets the comment of <zip> to the bytes of standard input, exactly as given. ".zip" is
// appended when the name has no extension (or names no file while name + ".zip" does). The
// zip is rewritten through a temporary file, so a failure leaves it as it was. Exit status 0
// on success; 1 with one line on standard error when the comment cannot be read or the zip
// cannot be opened or written; 2 on bad usage; 128 + the signal when stopped by one.
#include "zip_comment.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool hasExtension(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.find_last_of('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
}

std::string zipPathFor(const std::string& name) {
    if (!hasExtension(name))
        return name + ".zip";
    if (!isFile(name) && isFile(name + ".zip"))
        return name + ".zip";
    return name;
}

int fail(const std::string& text) {
    std::fprintf(stderr, "pkzip: %s\n", text.c_str());
    return 1;
}

void onStopSignal(int signal) {
    removePendingTemporary();
    static const char text[] = "pkzip: stopped by a signal; the zip was left as it was\n";
    ssize_t ignored = write(STDERR_FILENO, text, sizeof text - 1);
    (void)ignored;
    _exit(128 + signal);
}

// The comment from standard input: a file, a pipe or a device, read to at most one byte
// past the zip format's limit, so endless input such as /dev/zero is refused, not eaten.
bool readComment(std::string* text, std::string* error) {
    struct stat st;
    if (fstat(STDIN_FILENO, &st) != 0) {
        *error = "no standard input to read the comment from";
        return false;
    }
    if (isatty(STDIN_FILENO)) {
        *error = "standard input is a terminal; give the comment as: pkzip <zip> -z < file";
        return false;
    }
    if (S_ISREG(st.st_mode)) {
        const off_t at = lseek(STDIN_FILENO, 0, SEEK_CUR);
        if (at >= 0 && st.st_size - at > off_t(kMaxZipComment)) {
            *error = "comment longer than 65535 bytes";
            return false;
        }
    }
    char buffer[8192];
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *error =
                std::string("cannot read the comment from standard input: ") + std::strerror(errno);
            return false;
        }
        if (got == 0)
            return true;
        text->append(buffer, size_t(got));
        if (text->size() > kMaxZipComment) {
            *error = "comment longer than 65535 bytes";
            return false;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    std::string name;
    bool comment = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-z") == 0 || std::strcmp(argv[i], "-Z") == 0)
            comment = true;
        else if (name.empty())
            name = argv[i];
        else
            name.clear(), comment = false, i = argc; // too many names
    }
    if (name.empty() || !comment) {
        std::fprintf(stderr, "usage: pkzip <zip> -z  (comment read from standard input)\n");
        return 2;
    }
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);

    std::string text, error;
    if (!readComment(&text, &error))
        return fail(error);
    if (!setZipComment(zipPathFor(name), text, &error))
        return fail(error);
    return 0;
}
