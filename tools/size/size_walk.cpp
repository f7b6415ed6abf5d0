#include "size_walk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <filesystem>
#include <system_error>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr size_t kFlushAt = 1 << 20;

class Listing {
  public:
    explicit Listing(std::FILE* out) : out_(out) { text_.reserve(kFlushAt + 4096); }

    void line(const std::string& content) {
        text_ += content;
        text_ += kCrLf;
        if (text_.size() >= kFlushAt)
            flush();
    }
    bool flush() {
        if (!text_.empty() && std::fwrite(text_.data(), 1, text_.size(), out_) != text_.size())
            failed_ = true;
        text_.clear();
        return !failed_;
    }
    bool finish() { return flush() && std::fflush(out_) == 0 && !failed_; }

  private:
    std::FILE* out_;
    std::string text_;
    bool failed_ = false;
};

// Names are bytes; control characters would break the line structure of the listing.
std::string printable(const std::string& name) {
    std::string text = name;
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return text;
}

std::string upperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

char separator() {
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

std::string joined(const std::string& dir, const std::string& name) {
    if (!dir.empty() && dir.back() == separator())
        return dir + name;
    return dir + separator() + name;
}

std::string plural(uint64_t count, const char* one, const char* many) {
    return groupedNumber(count) + ' ' + (count == 1 ? one : many);
}

struct FileEntry {
    std::string name;
    uint64_t bytes;
};

struct DirectoryListing {
    std::vector<FileEntry> files; // names only kept when the listing shows them
    std::vector<std::string> subDirectories;
    uint64_t bytes = 0;
    uint64_t fileCount = 0;
};

#ifndef _WIN32
// Reads one directory without following links and without opening anything but folders:
// regular files count their size, a link counts as a link (its own size, as the archivers
// store it), sub-directories are collected, and FIFOs, sockets and devices count nothing (the
// archivers leave them out).
bool readDirectory(const std::string& path, bool keepNames, bool isSource,
                   DirectoryListing& listing, SizeTotals& totals, std::string& error) {
    // O_NONBLOCK: should a folder be swapped for a FIFO, opening it must not wait.
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK | (isSource ? 0 : O_NOFOLLOW);
    const int fd = open(path.c_str(), flags);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!dir) {
        error = path + ": " + std::strerror(errno);
        if (fd >= 0)
            close(fd);
        return false;
    }
    errno = 0;
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        unsigned char type = entry->d_type;
        struct stat st;
        bool haveStat = false;
        if (type == DT_UNKNOWN || type == DT_REG || type == DT_LNK) {
            if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                ++totals.unreadable;
                continue;
            }
            haveStat = true;
            type = S_ISREG(st.st_mode)   ? DT_REG
                   : S_ISLNK(st.st_mode) ? DT_LNK
                   : S_ISDIR(st.st_mode) ? DT_DIR
                                         : DT_UNKNOWN;
        }
        if (type == DT_DIR) {
            listing.subDirectories.emplace_back(name);
        } else if ((type == DT_REG || type == DT_LNK) && haveStat) {
            const uint64_t bytes = static_cast<uint64_t>(st.st_size);
            listing.bytes += bytes;
            ++listing.fileCount;
            if (keepNames)
                listing.files.push_back({name, bytes});
        }
        errno = 0;
    }
    const bool readFailed = errno != 0;
    if (readFailed)
        error = path + ": " + std::strerror(errno);
    closedir(dir);
    if (readFailed)
        ++totals.unreadable;
    return true;
}
#else
bool readDirectory(const std::string& path, bool keepNames, bool, DirectoryListing& listing,
                   SizeTotals& totals, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(fs::u8path(path), ec), end;
    if (ec) {
        error = path + ": " + ec.message();
        return false;
    }
    for (; it != end; it.increment(ec)) {
        if (ec) {
            ++totals.unreadable;
            break;
        }
        const fs::file_status status = it->symlink_status(ec);
        const std::string name = it->path().filename().u8string();
        if (ec) {
            ++totals.unreadable;
        } else if (fs::is_directory(status)) {
            listing.subDirectories.push_back(name);
        } else if (fs::is_regular_file(status)) {
            const uint64_t bytes = it->file_size(ec);
            if (ec) {
                ++totals.unreadable;
                continue;
            }
            listing.bytes += bytes;
            ++listing.fileCount;
            if (keepNames)
                listing.files.push_back({name, bytes});
        }
    }
    return true;
}
#endif

void writeBlock(Listing& out, const std::string& path, const DirectoryListing& listing) {
    // The directory's total comes right after its header, with or without the file lines.
    out.line("  " + upperAscii(printable(path)));
    out.line("    " + groupedNumber(listing.bytes) + " bytes in " +
             plural(listing.fileCount, "file", "files"));
    for (const FileEntry& file : listing.files) {
        std::string size = groupedNumber(file.bytes);
        if (size.size() < 15)
            size.insert(0, 15 - size.size(), ' ');
        out.line("    " + size + "  " + printable(file.name));
    }
    out.line("");
}

} // namespace

std::string groupedNumber(uint64_t value) {
    std::string digits = std::to_string(value);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<size_t>(i), 1, ',');
    return digits;
}

bool writeSizeListing(const SizeOptions& options, std::FILE* out, SizeTotals* totalsOut,
                      std::string* error) {
    SizeTotals totals;
    Listing listing(out);
    const bool keepNames = !options.totalsOnly;
    // Depth first with an explicit stack, so a deep tree cannot exhaust the call stack.
    std::vector<std::string> pending{options.source};
    bool first = true;
    bool anySubDirectory = false;
    while (!pending.empty()) {
        const std::string path = std::move(pending.back());
        pending.pop_back();
        DirectoryListing dir;
        std::string problem;
        if (!readDirectory(path, keepNames, first, dir, totals, problem)) {
            if (first) {
                if (error)
                    *error = problem;
                return false;
            }
            ++totals.unreadable;
            std::fprintf(stderr, "size: skipped %s\n", problem.c_str());
            continue;
        }
        if (!problem.empty())
            std::fprintf(stderr, "size: %s\n", problem.c_str());
        first = false;
        std::sort(dir.files.begin(), dir.files.end(),
                  [](const FileEntry& a, const FileEntry& b) { return a.name < b.name; });
        writeBlock(listing, path, dir);
        totals.bytes += dir.bytes;
        totals.files += dir.fileCount;
        if (!dir.subDirectories.empty())
            anySubDirectory = true;
        if (!options.subDirectories)
            continue;
        totals.directories += dir.subDirectories.size();
        std::sort(dir.subDirectories.begin(), dir.subDirectories.end());
        for (auto it = dir.subDirectories.rbegin(); it != dir.subDirectories.rend(); ++it)
            pending.push_back(joined(path, *it));
    }
    if (options.subDirectories && anySubDirectory) {
        listing.line("  Total of all files found");
        std::string total = "  " + groupedNumber(totals.bytes) + " bytes in " +
                            plural(totals.files, "file", "files") + " in " +
                            plural(totals.directories, "directory", "directories");
        if (totals.unreadable)
            total += ", " + plural(totals.unreadable, "unreadable entry", "unreadable entries") +
                     " skipped";
        listing.line(total);
    }
    if (totalsOut)
        *totalsOut = totals;
    if (!listing.finish()) {
        if (error)
            *error = std::string("cannot write the listing: ") + std::strerror(errno);
        return false;
    }
    return true;
}
