#include "progress_parser.h"

namespace {

// Past this without a complete record the stream is not 7-Zip's progress: start afresh.
constexpr size_t kMaxPending = 64 * 1024;

size_t runOf(std::string_view text, size_t from, char c) {
    size_t n = 0;
    while (from + n < text.size() && text[from + n] == c)
        ++n;
    return n;
}

} // namespace

std::vector<int> SevenZipProgress::feed(std::string_view bytes) {
    std::vector<int> changed;
    pending_.append(bytes.data(), bytes.size());
    size_t p = 0;
    while (p < pending_.size()) {
        const std::string_view text(pending_);
        if (text[p] == '\n') {
            // Progress records never hold a line end (7-Zip shows one in a name as "_").
            pending_.erase(0, p + 1);
            p = 0;
            continue;
        }
        if (text[p] != '\b' || (p > 0 && text[p - 1] == '\b')) {
            ++p;
            continue;
        }
        // A run of backspaces: the erase is n backspaces, n blanks, n backspaces.
        const size_t n = runOf(text, p, '\b');
        if (p + n == text.size())
            break; // the erase may go on in the next bytes
        const size_t blanks = runOf(text, p + n, ' ');
        if (p + n + blanks == text.size())
            break;
        if (blanks != n) {
            p += n;
            continue;
        }
        // The erase may be the last thing 7-Zip writes, so n backspaces end it.
        const size_t back = runOf(text, p + 2 * n, '\b');
        if (back < n && p + 2 * n + back == text.size())
            break;
        if (back < n) {
            p += n;
            continue;
        }
        if (p > 0 && n == p)
            takeRecord(text.substr(0, p), changed);
        pending_.erase(0, p + 3 * n);
        p = 0;
    }
    if (pending_.size() > kMaxPending)
        pending_.clear();
    return changed;
}

void SevenZipProgress::takeRecord(std::string_view record, std::vector<int>& changed) {
    // "  5%", " 45%", "100%", then the end or a blank.
    if (record.size() < 4 || record[3] != '%' || (record.size() > 4 && record[4] != ' '))
        return;
    int value = 0;
    bool digits = false;
    for (size_t i = 0; i < 3; ++i) {
        const char c = record[i];
        if (c == ' ' && !digits)
            continue;
        if (c < '0' || c > '9')
            return;
        digits = true;
        value = value * 10 + (c - '0');
    }
    if (!digits || value > 100 || value == last_)
        return;
    last_ = value;
    changed.push_back(value);
}
