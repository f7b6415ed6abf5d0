#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Walks a directory tree and writes the size listing:
//
//   <two blanks><the directory's path, ASCII letters upper-cased>
//   <four blanks><bytes, "," groups> bytes in <n> file(s)
//   [    <bytes, "," groups>  <file name>]        one per file, unless totals only
//   <empty line>
//   ... the same for every sub-directory, depth first, names in byte order ...
//   "  Total of all files found"                  only when the source has sub-directories
//   <two blanks><bytes> bytes in <n> files in <d> directories[, <u> unreadable entries skipped]
//
// Every line ends with CR LF. Links are never followed: a link counts as one file of its own
// size (the length of its target text), as the archivers store it. FIFOs, sockets and devices
// are never opened and count nothing, as the archivers leave them out. Entries that cannot be
// read are skipped and counted. Control characters in names are written as "?", so a name
// can never fake a line of the listing.

struct SizeOptions {
    std::string source;
    bool subDirectories = false;
    bool totalsOnly = false;
};

struct SizeTotals {
    uint64_t bytes = 0;
    uint64_t files = 0;
    uint64_t directories = 0; // sub-directories listed
    uint64_t unreadable = 0;
};

// "12,345,678"
std::string groupedNumber(uint64_t value);

// Writes the listing to out. False with *error set when the source itself cannot be listed
// or the listing cannot be written; nothing is written for a source that cannot be listed.
bool writeSizeListing(const SizeOptions& options, std::FILE* out, SizeTotals* totals,
                      std::string* error);
