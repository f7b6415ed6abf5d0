// libFuzzer entry point for the diz readers: any bytes give disk numbers that are there in
// the text, or none, and a verdict on whether they are a diz; never a crash or a read out of
// bounds.
#include "companion/diz_numbers.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    (void)dizTextFault(text);
    const DiskNumbers n = findDiskNumbers(text);
    if (!n.found)
        return 0;
    // At most three digits a field: the numbers stay below 1000, the total above 0, and what
    // was found is in the text as it was written, on a line of it.
    const bool inRange = n.count >= 1 && n.count <= 999 && n.disk >= 0 && n.disk <= 999 &&
                         (!n.diskUnfilled || n.disk == 0);
    const bool present = !n.text.isEmpty() && text.indexOf(QByteArrayView(n.text.toLatin1())) >= 0;
    if (inRange && present && n.line >= 1 && n.line <= text.count('\n') + 1)
        return 0;
    __builtin_trap();
}
