#include "version_block.h"

namespace zqmarq {

namespace {
// Bounds of a sane block: a damaged file never makes the reader run far.
constexpr int kMaxEntries = 32;
constexpr qsizetype kMaxText = 256;

// Reads one NUL-terminated text at pos; nothing when it runs past the end or the bound.
std::optional<QString> textAt(const QByteArray& data, qsizetype& pos) {
    const qsizetype end = data.indexOf('\0', pos);
    if (end < 0 || end - pos > kMaxText)
        return std::nullopt;
    const QByteArray bytes = data.mid(pos, end - pos);
    pos = end + 1;
    if (!bytes.isValidUtf8())
        return std::nullopt;
    return QString::fromUtf8(bytes);
}

// Reads the block whose magic ends at pos. *isBlock tells whether the magic is followed by the
// block format at all (else it is the magic text standing somewhere else, such as a reader's
// own search text).
std::optional<VersionEntries> parseAt(const QByteArray& data, qsizetype pos, bool* isBlock) {
    const auto format = textAt(data, pos);
    *isBlock = format && *format == QLatin1String(kVersionBlockFormat);
    if (!*isBlock)
        return std::nullopt;
    VersionEntries entries;
    while (entries.size() <= kMaxEntries) {
        const auto name = textAt(data, pos);
        if (!name)
            return std::nullopt;
        if (name->isEmpty())
            return entries.isEmpty() ? std::nullopt : std::optional(entries);
        const auto value = textAt(data, pos);
        if (!value)
            return std::nullopt;
        entries.append({*name, *value});
    }
    return std::nullopt;
}
} // namespace

std::optional<VersionEntries> readVersionBlock(const QByteArray& fileBytes, QString* error) {
    const QByteArray magic(kVersionBlockMagic, sizeof kVersionBlockMagic); // with its NUL
    bool sawBlock = false;
    // The first well-formed block counts.
    for (qsizetype at = fileBytes.indexOf(magic); at >= 0; at = fileBytes.indexOf(magic, at + 1)) {
        bool isBlock = false;
        if (auto entries = parseAt(fileBytes, at + magic.size(), &isBlock))
            return entries;
        sawBlock = sawBlock || isBlock;
    }
    if (error)
        *error = sawBlock ? QStringLiteral("its version block is malformed")
                          : QStringLiteral("it carries no version block");
    return std::nullopt;
}

} // namespace zqmarq
