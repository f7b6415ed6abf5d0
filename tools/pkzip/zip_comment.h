#pragma once

#include <csignal>
#include <cstdint>
#include <string>
#include <string_view>

// The zip format's limit for an archive comment.
constexpr size_t kMaxZipComment = 65535;

// Where the comment of a zip lies: the End of Central Directory record at eocdOffset, its
// comment the commentLength bytes after the record's 22 bytes, which end the file.
struct EocdPlace {
    uint64_t eocdOffset = 0;
    uint16_t commentLength = 0;
};

// Checks that tail, the last bytes of a file of fileSize bytes, ends with an End of Central
// Directory record whose comment is exactly commentLength bytes long. That length is taken
// from libzip's reading of the zip, so the record found is the one libzip uses even when the
// old comment holds bytes that look like a record.
bool locateEocd(std::string_view tail, uint64_t fileSize, uint16_t commentLength, EocdPlace* place);

// Sets the archive comment of the zip at path to exactly these bytes (code page 437 box
// drawing, Latin-1 and escape sequences included, which libzip's own setter refuses as not
// UTF-8). The new zip is written beside the old one, read back through libzip, and only then
// renamed over it: on any failure the zip stays as it was and *error holds one line.
bool setZipComment(const std::string& path, std::string_view comment, std::string* error);

// Removes the temporary file of a setZipComment cut short by a signal; async-signal-safe.
void removePendingTemporary();
