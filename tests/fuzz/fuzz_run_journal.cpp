// libFuzzer entry point for the run's journal: any bytes give a journal or a clear error, and
// a journal read writes back to bytes that read the same. Each input is also tried with a
// matching end line, so the fuzzer reaches the lines behind the CRC.
#include "engine/run_journal.h"
#include "platform/file_read.h"

#include <cstddef>
#include <cstdint>

namespace {
void check(QByteArrayView bytes) {
    const JournalRead read = parseJournal(bytes);
    if (read.ok != read.error.isEmpty())
        __builtin_trap();
    if (!read.ok)
        return;
    for (const FileRecord& r : read.journal.volumes + read.journal.zips)
        if (r.name.isEmpty() || r.name.contains(QLatin1Char('/')) || r.name == QLatin1String(".."))
            __builtin_trap();
    const JournalRead again = parseJournal(formatJournal(read.journal));
    if (!again.ok || !(again.journal == read.journal))
        __builtin_trap();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    check(bytes);
    const QByteArray body = bytes.endsWith('\n') ? bytes : bytes + '\n';
    check(body + "end " + crcText(bytesCrc32(body)).toLatin1() + '\n');
    return 0;
}
