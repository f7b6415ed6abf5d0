// libFuzzer entry point for the inspection of one zip of a set: any bytes give faults or a
// pass, never a crash; the volume written out for the joined test is never more than the
// volume declares; and a zip passes only when its entries are exactly a set member's (its
// volume, file_id.diz and the nfo).
#include "release/zip_directory.h"
#include "release/zip_inspection.h"

#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The bytes as a file the inspection can open by name, kept in memory.
int memoryFile(const char* name, const uint8_t* data, size_t size) {
    const int fd = memfd_create(name, MFD_CLOEXEC);
    if (fd < 0)
        __builtin_trap();
    for (size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0)
            __builtin_trap();
        done += size_t(n);
    }
    return fd;
}

qint64 declaredSize(const ZipDirectory& zip, const QString& volume) {
    for (const ZipEntryInfo& e : zip.entries)
        if (e.name == volume)
            return e.size;
    return -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int in = memoryFile("zip", data, size);
    const int out = memoryFile("volume", nullptr, 0);
    const ZipDirectory zip = readZipDirectory(QStringLiteral("/proc/self/fd/%1").arg(in));
    ZipExpectation expected;
    expected.place = 1;
    expected.count = 1;
    expected.companions = {QStringLiteral("file_id.diz"), QStringLiteral("game.nfo")};
    expected.volumeStem = QStringLiteral("game");
    expected.fromJob = true;
    const ZipFindings found = inspectZip(zip, expected, out, true);

    struct stat st {};
    if (::fstat(out, &st) != 0 || st.st_size != found.volumeBytesWritten)
        __builtin_trap();
    if (st.st_size > 0 && st.st_size > declaredSize(zip, found.volumeName))
        __builtin_trap();
    if (found.faults.isEmpty()) {
        QStringList names;
        for (const ZipEntryInfo& e : zip.entries)
            names << e.name.toLower();
        names.sort();
        QStringList member{QStringLiteral("file_id.diz"), QStringLiteral("game.nfo"),
                           found.volumeName.toLower()};
        member.sort();
        if (names != member || !isVolumeNameOf(found.volumeName, expected.volumeStem) ||
            !found.volumeComplete || found.volumeBytesWritten != found.volumeSize)
            __builtin_trap();
    }
    ::close(in);
    ::close(out);
    return 0;
}
