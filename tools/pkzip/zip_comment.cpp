#include "zip_comment.h"

#include <zip.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kEocdSize = 22;

// The temporary file being written, for the signal handler to remove.
char pendingTemporary[PATH_MAX + 16];
volatile sig_atomic_t havePendingTemporary = 0;

uint16_t le16(const char* p) {
    return static_cast<uint16_t>(static_cast<unsigned char>(p[0]) |
                                 (static_cast<unsigned char>(p[1]) << 8));
}

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

struct ZipView {
    std::string comment;
    zip_int64_t entries = 0;
};

// The zip as libzip reads it with its consistency checks: its raw comment and entry count.
bool readWithLibzip(const std::string& path, ZipView* view, std::string* why) {
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        *why = zip_error_strerror(&error);
        zip_error_fini(&error);
        return false;
    }
    int length = 0;
    const char* comment = zip_get_archive_comment(archive, &length, ZIP_FL_ENC_RAW);
    view->comment.assign(comment ? comment : "", comment && length > 0 ? size_t(length) : 0);
    view->entries = zip_get_num_entries(archive, 0);
    zip_discard(archive);
    return true;
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t done = write(fd, data, size);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        data += done;
        size -= size_t(done);
    }
    return true;
}

// Copies the first length bytes of from into to, in the kernel where it can.
bool copyPrefix(int from, int to, uint64_t length) {
    off_t in = 0;
    uint64_t left = length;
    while (left > 0) {
        const ssize_t done = copy_file_range(from, &in, to, nullptr, left, 0);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            break;
        left -= uint64_t(done);
    }
    // Older kernels and some file systems cannot: copy the rest by hand.
    char buffer[1 << 16];
    while (left > 0) {
        const size_t want = left < sizeof buffer ? size_t(left) : sizeof buffer;
        const ssize_t got = pread(from, buffer, want, in);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || !writeAll(to, buffer, size_t(got)))
            return false;
        in += got;
        left -= uint64_t(got);
    }
    return true;
}

class Temporary {
  public:
    ~Temporary() {
        if (fd_ >= 0)
            close(fd_);
        if (!path_.empty())
            unlink(path_.c_str());
        havePendingTemporary = 0;
    }
    bool create(const std::string& beside) {
        std::string pattern = beside + ".XXXXXX";
        if (pattern.size() >= sizeof pendingTemporary)
            return false;
        fd_ = mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ < 0)
            return false;
        path_ = pattern;
        std::memcpy(pendingTemporary, path_.c_str(), path_.size() + 1);
        havePendingTemporary = 1;
        return true;
    }
    bool closeFile() {
        const int fd = fd_;
        fd_ = -1;
        return close(fd) == 0;
    }
    void renamed() {
        havePendingTemporary = 0;
        path_.clear();
    }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

  private:
    int fd_ = -1;
    std::string path_;
};

} // namespace

void removePendingTemporary() {
    if (havePendingTemporary)
        unlink(pendingTemporary);
}

bool locateEocd(std::string_view tail, uint64_t fileSize, uint16_t commentLength,
                EocdPlace* place) {
    const size_t recordAndComment = kEocdSize + commentLength;
    if (tail.size() < recordAndComment || fileSize < recordAndComment || tail.size() > fileSize)
        return false;
    const char* record = tail.data() + tail.size() - recordAndComment;
    if (std::memcmp(record, "PK\x05\x06", 4) != 0 || le16(record + 20) != commentLength)
        return false;
    place->eocdOffset = fileSize - recordAndComment;
    place->commentLength = commentLength;
    return true;
}

bool setZipComment(const std::string& path, std::string_view comment, std::string* error) {
    if (comment.size() > kMaxZipComment) {
        *error = "comment longer than 65535 bytes";
        return false;
    }
    // Readers that search the zip's end backwards (unzip among them) would take these bytes
    // in the comment for the end record and find the zip empty.
    if (comment.find(std::string_view("PK\x05\x06", 4)) != std::string_view::npos) {
        *error = "the comment holds the bytes of a zip end record (PK\\5\\6), which would "
                 "make the zip unreadable";
        return false;
    }
    // Through a link the zip it names is rewritten, and the link stays a link.
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved)) {
        *error = systemError("cannot open " + path);
        return false;
    }
    const std::string target = resolved;
    struct stat st;
    if (stat(target.c_str(), &st) != 0) {
        *error = systemError("cannot open " + path);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        *error = path + " is not a regular file";
        return false;
    }
    ZipView before;
    std::string why;
    if (!readWithLibzip(target, &before, &why)) {
        *error = "cannot open " + path + ": " + why;
        return false;
    }
    const int in = open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) {
        *error = systemError("cannot open " + path);
        return false;
    }
    struct stat inStat;
    std::string tail;
    EocdPlace place;
    bool found = false;
    if (fstat(in, &inStat) == 0 && S_ISREG(inStat.st_mode)) {
        const uint64_t size = uint64_t(inStat.st_size);
        const uint64_t want = size < kEocdSize + kMaxZipComment ? size : kEocdSize + kMaxZipComment;
        tail.resize(size_t(want));
        found = pread(in, tail.data(), tail.size(), off_t(size - want)) == ssize_t(want) &&
                before.comment.size() <= kMaxZipComment &&
                locateEocd(tail, size, uint16_t(before.comment.size()), &place);
    }
    if (!found) {
        close(in);
        *error =
            "cannot set the comment of " + path + ": its end record is not where libzip read it";
        return false;
    }

    Temporary temporary;
    if (!temporary.create(target)) {
        *error = systemError("cannot write beside " + path);
        close(in);
        return false;
    }
    char length[2] = {char(comment.size() & 0xff), char(comment.size() >> 8)};
    const bool written = copyPrefix(in, temporary.fd(), place.eocdOffset + 20) &&
                         writeAll(temporary.fd(), length, 2) &&
                         writeAll(temporary.fd(), comment.data(), comment.size());
    close(in);
    if (!written) {
        *error = systemError("cannot write " + path);
        return false;
    }
    // The new file takes the old one's permissions (and owner, where we may give it).
    if (fchmod(temporary.fd(), st.st_mode & 07777) != 0) {
        *error = systemError("cannot write " + path);
        return false;
    }
    if (fchown(temporary.fd(), st.st_uid, st.st_gid) != 0) {
        // Only the super-user may give a file away; the zip stays ours.
    }
    if (fsync(temporary.fd()) != 0 || !temporary.closeFile()) {
        *error = systemError("cannot write " + path);
        return false;
    }
    ZipView after;
    if (!readWithLibzip(temporary.path(), &after, &why) || after.entries != before.entries ||
        after.comment != comment) {
        *error = "cannot set the comment of " + path + ": the rewritten zip did not read back" +
                 (why.empty() ? std::string() : ": " + why);
        return false;
    }
    if (rename(temporary.path().c_str(), target.c_str()) != 0) {
        *error = systemError("cannot replace " + path);
        return false;
    }
    temporary.renamed();
    // The rename itself reaches the disk with the folder.
    const std::string folder = target.substr(0, target.find_last_of('/') + 1);
    const int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}
