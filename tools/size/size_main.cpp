// size: writes the size listing of a directory tree to standard output.
//   size <directory> [/s] [/t]
// /s takes the sub-directories in, /t leaves out the per-file lines. Exit status 0 when the
// listing was written (entries that could not be read are counted in it), 2 for a source
// that cannot be listed, 1 for a usage or write error.

#include "size_walk.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void usage(std::FILE* to) {
    std::fputs("Usage: size <directory> [/s] [/t]\n"
               "Writes the total size of the files in <directory> to standard output.\n"
               "  /s, -s   include sub-directories (with a grand total)\n"
               "  /t, -t   totals only, no line per file\n"
               "  --       the next argument is the directory, even if it looks like a switch\n"
               "Links count as links (their own size) and are never followed; FIFOs, sockets\n"
               "and devices are never opened and count nothing; entries that cannot be read\n"
               "are skipped and counted.\n",
               to);
}

bool isSwitch(const char* arg, char letter) {
    return (arg[0] == '/' || arg[0] == '-') && (arg[1] == letter || arg[1] == letter - 32) &&
           arg[2] == '\0';
}

} // namespace

int main(int argc, char** argv) {
    SizeOptions options;
    bool haveSource = false;
    bool literal = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!literal) {
            if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0 ||
                std::strcmp(arg, "/?") == 0) {
                usage(stdout);
                return 0;
            }
            if (std::strcmp(arg, "--version") == 0) {
                std::puts("size (Kavel32) 3.10");
                return 0;
            }
            if (std::strcmp(arg, "--") == 0) {
                literal = true;
                continue;
            }
            if (isSwitch(arg, 's')) {
                options.subDirectories = true;
                continue;
            }
            if (isSwitch(arg, 't')) {
                options.totalsOnly = true;
                continue;
            }
        }
        if (haveSource) {
            std::fprintf(stderr, "size: more than one directory given: %s\n", arg);
            usage(stderr);
            return 1;
        }
        options.source = arg;
        haveSource = true;
    }
    if (!haveSource || options.source.empty()) {
        std::fputs("size: no directory given\n", stderr);
        usage(stderr);
        return 1;
    }
    std::string error;
    if (!writeSizeListing(options, stdout, nullptr, &error)) {
        std::fprintf(stderr, "size: %s\n", error.c_str());
        return error.rfind("cannot write", 0) == 0 ? 1 : 2;
    }
    return 0;
}
