#include "special_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool findSpecialFiles(const std::string& root, size_t limit, const volatile sig_atomic_t* stop,
                      std::vector<std::string>* found) {
    // Depth first with an explicit stack of relative folder paths ("" is the root itself).
    std::vector<std::string> pending{std::string()};
    while (!pending.empty()) {
        if (stop && *stop)
            return false;
        const std::string relative = std::move(pending.back());
        pending.pop_back();
        const std::string path = relative.empty() ? root : root + '/' + relative;
        // O_NOFOLLOW below the root: a folder swapped for a link is not walked into.
        const int flags =
            O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK | (relative.empty() ? 0 : O_NOFOLLOW);
        const int fd = open(path.c_str(), flags);
        DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
        if (!dir) {
            if (fd >= 0)
                close(fd);
            continue;
        }
        while (const dirent* entry = readdir(dir)) {
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                struct stat st;
                if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                type = S_ISDIR(st.st_mode)    ? DT_DIR
                       : S_ISREG(st.st_mode)  ? DT_REG
                       : S_ISLNK(st.st_mode)  ? DT_LNK
                       : S_ISFIFO(st.st_mode) ? DT_FIFO
                                              : DT_CHR; // sockets and devices alike
            }
            const std::string child = relative.empty() ? std::string(name) : relative + '/' + name;
            if (type == DT_DIR) {
                pending.push_back(child);
            } else if (type == DT_FIFO || type == DT_CHR || type == DT_BLK || type == DT_SOCK) {
                if (found->size() >= limit) {
                    closedir(dir);
                    return false;
                }
                found->push_back(child);
            }
        }
        closedir(dir);
    }
    return true;
}
