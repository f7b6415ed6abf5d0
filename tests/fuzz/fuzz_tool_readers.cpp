// Fuzz target for the outside tools' readers of outside bytes: 7-Zip's progress stream, the
// exclusion list and a zip's end record. The first byte chooses the reader.
#include "archiver_frontend.h"
#include "progress_parser.h"
#include "zip_comment.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const char* text = reinterpret_cast<const char*>(data) + 2;
    const size_t length = size - 2;
    switch (data[0] % 3) {
    case 0: {
        // Cut where the second byte says; every percentage is 0..100 and differs from the last.
        SevenZipProgress parser;
        const size_t cut = data[1] + 1u;
        int last = -1;
        for (size_t at = 0; at < length; at += cut)
            for (int percent :
                 parser.feed(std::string_view(text + at, std::min(cut, length - at)))) {
                if (percent < 0 || percent > 100 || percent == last)
                    __builtin_trap();
                last = percent;
            }
        break;
    }
    case 1: {
        QStringList patterns;
        QString error;
        const bool read = exclusionPatterns(QByteArray(text, qsizetype(length)),
                                            {QStringLiteral("/src/Game"), QStringLiteral("/")},
                                            QStringLiteral("Game"), &patterns, &error);
        if (!read && error.isEmpty())
            __builtin_trap();
        for (const QString& p : patterns)
            if (!p.startsWith(QLatin1String("-x!Game/")) || p.contains(QLatin1Char('\n')))
                __builtin_trap();
        break;
    }
    default: {
        const uint16_t commentLength = uint16_t(data[1] | (length > 0 ? data[2] << 8 : 0));
        EocdPlace place;
        const uint64_t fileSize = length + 1000;
        if (locateEocd(std::string_view(text, length), fileSize, commentLength, &place) &&
            place.eocdOffset + 22 + place.commentLength != fileSize)
            __builtin_trap();
        break;
    }
    }
    return 0;
}
