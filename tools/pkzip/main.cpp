// pkzip <zip> -z
// Sets the comment of <zip> to the bytes of standard input. ".zip" is appended when the name
// has no extension (or names no file while name + ".zip" does). The zip is rewritten
// through a temporary file, so a failure leaves it as it was. Exit status 0 on success; 1
// with one line on standard error when the zip cannot be opened or written; 2 on bad usage.
#include <zip.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {
constexpr size_t kMaxComment = 65535; // the zip format's limit

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

    std::string text;
    char buffer[8192];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
        text.append(buffer, got);
        if (text.size() > kMaxComment)
            return fail("comment longer than 65535 bytes");
    }
    if (std::ferror(stdin))
        return fail("cannot read the comment from standard input");

    const std::string path = zipPathFor(name);
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), 0, &error);
    if (!archive) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, error);
        const std::string why = zip_error_strerror(&ze);
        zip_error_fini(&ze);
        return fail("cannot open " + path + ": " + why);
    }
    if (zip_set_archive_comment(archive, text.empty() ? nullptr : text.data(),
                                static_cast<zip_uint16_t>(text.size())) != 0) {
        const std::string why = zip_strerror(archive);
        zip_discard(archive);
        return fail("cannot set the comment of " + path + ": " + why);
    }
    if (zip_close(archive) != 0) {
        const std::string why = zip_strerror(archive);
        zip_discard(archive);
        return fail("cannot write " + path + ": " + why);
    }
    return 0;
}
