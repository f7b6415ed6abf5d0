// libFuzzer entry point for the .rip script reader: any bytes must give a job or a clear
// error, never a crash or a read out of bounds.
#include "script/script_file.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > static_cast<size_t>(kMaxScriptBytes))
        return 0;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    JobSettings job;
    const ScriptLoad result = readScript(bytes, job);
    // A failed read always says why, and only a failed one does.
    if (result.ok == result.detail.isEmpty())
        return 0;
    __builtin_trap();
}
