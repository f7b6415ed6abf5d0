#pragma once

#include <csignal>
#include <string>
#include <vector>

// The FIFOs, sockets and devices below root, as paths relative to it (bytes, "/"-joined),
// found without following links. 7-Zip's zip writer opens them: a FIFO blocks it and a
// device such as /dev/zero is read without end, so the front-ends leave them out.
// Folders that cannot be opened are passed over (7-Zip reports them itself). Stops early,
// returning false, when *stop becomes non-zero or more than `limit` are found.
bool findSpecialFiles(const std::string& root, size_t limit, const volatile sig_atomic_t* stop,
                      std::vector<std::string>* found);
