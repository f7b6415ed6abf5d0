#include "engine/zip_component.h"

#include "engine/store_judgement.h"

#include "platform/file_read.h"
#include "platform/folder_lock.h"
#include "platform/paths.h"
#include "platform/stop_signals.h"

#include <QDateTime>
#include <QSet>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Temporary zips are named ".<zip name>.kavel32-XXXXXX" (libzip adds its own ".XXXXXX" while
// writing), beside the lock file ".<zip name>.kavel32-XXXXXX.lock" that the zip call holds: a
// later run removes them only once that lock is free.
const QString kTemporaryMark = QStringLiteral(".kavel32-");

QString temporaryPrefixFor(const QString& zipPath) {
    return QLatin1Char('.') + QFileInfo(zipPath).fileName() + kTemporaryMark;
}

// A piece is a temporary file too; its ending keeps it apart from the temporary of a zip
// named like the volume (a one-archive zip set's volume is "name.zip"), and ends in ".zip"
// as every zip the component writes does.
const QString kPieceEnding = QStringLiteral(".piece.zip");

// Whether the zip's name holds a zip to update: a regular file. A link in its place is not
// followed (what it points to is somebody else's, and is left alone): the new zip replaces the
// link itself, as it replaces a FIFO or a device, which would never give a zip.
bool holdsOwnZip(const QString& zipPath) {
    return isRegularFileNoLink(zipPath);
}

} // namespace

// Bridges libzip's C callbacks to the component.
struct ZipCallbacks {
    static void progress(zip_t*, double fraction, void* self) {
        static_cast<ZipComponent*>(self)->reportProgress(fraction);
    }
    static int cancel(zip_t*, void* self) {
        return static_cast<ZipComponent*>(self)->stopping() ? 1 : 0;
    }
};

void ZipComponent::setCompressionLevel(int level) {
    level_ = std::clamp(level, 1, 9);
}

void ZipComponent::setFiles(const QStringList& paths) {
    files_ = paths;
}

void ZipComponent::setZipFileName(const QString& name) {
    if (name.isEmpty() || name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive))
        zipPath_ = name;
    else
        zipPath_ = name + QStringLiteral(".zip");
}

ZipComponent::DosTime ZipComponent::dosTime(qint64 seconds) {
    // 1980-01-01 00:00:00 and 2107-12-31 23:59:58 UTC: the first and last times DOS holds.
    constexpr qint64 kFirst = 315532800;
    constexpr qint64 kLast = 4354819198;
    const QDateTime at = QDateTime::fromSecsSinceEpoch(std::clamp(seconds, kFirst, kLast), Qt::UTC);
    const QDate d = at.date();
    const QTime t = at.time();
    DosTime dos;
    dos.date = uint16_t(((d.year() - 1980) << 9) | (d.month() << 5) | d.day());
    dos.time = uint16_t((t.hour() << 11) | (t.minute() << 5) | (t.second() / 2));
    return dos;
}

bool ZipComponent::stampEntry(zip_t* archive, int64_t index, const QString& path) {
    const DosTime dos = dosTime(*stamp_);
    const bool runnable = QFileInfo(path).permissions() & QFileDevice::ExeOwner;
    const zip_uint32_t mode = S_IFREG | (runnable ? 0755 : 0644);
    return zip_file_set_dostime(archive, zip_uint64_t(index), dos.time, dos.date, 0) == 0 &&
           zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                            mode << 16) == 0;
}

int ZipComponent::failWith(int code, const QString& text) {
    lastError_ = text;
    return code;
}

bool ZipComponent::checkedFiles(QStringList* paths) {
    for (const QString& entry : files_) {
        if (entry.isEmpty())
            continue;
        const QFileInfo info(entry);
        if (!info.exists()) {
            lastError_ = QStringLiteral("No such file: %1").arg(entry);
            return false;
        }
        if (!info.isFile()) {
            lastError_ = QStringLiteral("%1 is not a regular file").arg(entry);
            return false;
        }
        paths->append(entry);
    }
    QSet<QString> names;
    for (const QString& path : std::as_const(*paths)) {
        // Receivers unpack on systems that ignore case: FILE_ID.DIZ would replace file_id.diz.
        const QString entryName = fileNamePart(path).toLower();
        if (names.contains(entryName)) {
            lastError_ = QStringLiteral("Two files would be stored as %1 in one zip")
                             .arg(fileNamePart(path));
            return false;
        }
        names.insert(entryName);
    }
    return true;
}

void ZipComponent::reportProgress(double fraction) {
    // libzip writes entry i of n in the range [i/n, (i+1)/n): announce each file we added
    // when its range is reached.
    if (entryCount_ > 0) {
        const auto current =
            std::min<int64_t>(entryCount_ - 1, int64_t(std::floor(fraction * double(entryCount_))));
        while (announced_ < pending_.size() && pending_[announced_].index <= current) {
            if (adding_)
                adding_(pending_[announced_].name);
            ++announced_;
        }
    }
    const int percent = std::clamp(int(std::floor(fraction * 100.0)), 0, 100);
    if (percent != lastPercent_) {
        lastPercent_ = percent;
        if (status_)
            status_(int16_t(percent));
    }
}

bool ZipComponent::stopping() const {
    return abort_ || (stopFlag_ && stopFlag_->load()) || StopSignals::requested() != 0;
}

int ZipComponent::addFiles(zip_t* archive, const QStringList& paths) {
    pending_.clear();
    for (const QString& path : paths) {
        zip_source_t* source = zip_source_file(archive, QFile::encodeName(path).constData(), 0, -1);
        if (!source)
            return failWith(FileMissing,
                            QStringLiteral("Cannot read %1: %2")
                                .arg(path, QString::fromLocal8Bit(zip_strerror(archive))));
        const QByteArray entryName = fileNamePart(path).toUtf8();
        const zip_int64_t index = zip_file_add(archive, entryName.constData(), source,
                                               ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            return failWith(AddFailed,
                            QStringLiteral("Cannot add %1: %2")
                                .arg(path, QString::fromLocal8Bit(zip_strerror(archive))));
        }
        const bool store = samplesLookIncompressible(path, level_);
        if (zip_set_file_compression(archive, zip_uint64_t(index),
                                     store ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                     store ? 0 : zip_uint32_t(level_)) != 0)
            return failWith(AddFailed, QStringLiteral("Cannot set compression for %1").arg(path));
        if (stamp_ && !stampEntry(archive, index, path))
            return failWith(AddFailed, QStringLiteral("Cannot set the time of %1").arg(path));
        pending_.push_back({index, fileNamePart(path)});
    }
    return Ok;
}

int ZipComponent::filesToAdd(QStringList* paths) {
    lastError_.clear();
    if (stopping())
        return failWith(Aborted, QStringLiteral("Aborted"));
    if (files_.isEmpty())
        return failWith(NothingToProcess, QStringLiteral("No files to process"));
    if (!checkedFiles(paths))
        return lastError_.startsWith(QLatin1String("Two files")) ? DuplicateName : FileMissing;
    if (paths->isEmpty())
        return failWith(
            NothingToProcess,
            QStringLiteral("Nothing to add: %1").arg(files_.join(QLatin1Char('\r')).trimmed()));
    return Ok;
}

int ZipComponent::zip() {
    if (zipPath_.isEmpty() && !stopping())
        return failWith(NoZipName, QStringLiteral("No zip file name set"));
    QStringList paths;
    if (const int code = filesToAdd(&paths); code != Ok)
        return code;

    // An existing zip is updated through a second name for the same file: libzip replaces
    // that name when it is done, and the zip keeps its old contents until the rename below.
    TemporaryLock temporaryLock;
    QString lockError;
    if (!temporaryLock.make(QFileInfo(zipPath_).path(), temporaryPrefixFor(zipPath_), &lockError))
        return failWith(OpenFailed, QStringLiteral("Cannot write %1: %2").arg(zipPath_, lockError));
    const QString temporary = temporaryLock.stem();
    const QByteArray temporaryName = QFile::encodeName(temporary);
    QFile::remove(temporary);
    if (holdsOwnZip(zipPath_) &&
        ::link(QFile::encodeName(zipPath_).constData(), temporaryName.constData()) != 0 &&
        !QFile::copy(zipPath_, temporary))
        return failWith(OpenFailed, QStringLiteral("Cannot update %1: %2")
                                        .arg(zipPath_, QString::fromLocal8Bit(strerror(errno))));
    int error = 0;
    zip_t* archive = zip_open(temporaryName.constData(), ZIP_CREATE, &error);
    if (!archive) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, error);
        const QString why = QString::fromLocal8Bit(zip_error_strerror(&ze));
        zip_error_fini(&ze);
        QFile::remove(temporary);
        return failWith(OpenFailed, QStringLiteral("Cannot open %1: %2").arg(zipPath_, why));
    }
    auto discardWith = [&](int code, const QString& text) {
        zip_discard(archive);
        QFile::remove(temporary);
        return failWith(code, text);
    };

    if (const int code = addFiles(archive, paths); code != Ok)
        return discardWith(code, lastError_);
    std::sort(pending_.begin(), pending_.end(),
              [](const Pending& a, const Pending& b) { return a.index < b.index; });
    announced_ = 0;
    lastPercent_ = -1;
    entryCount_ = zip_get_num_entries(archive, 0);

    zip_register_progress_callback_with_state(archive, 0.01, &ZipCallbacks::progress, nullptr,
                                              this);
    zip_register_cancel_callback_with_state(archive, &ZipCallbacks::cancel, nullptr, this);

    if (zip_close(archive) != 0) {
        const QString why = QString::fromLocal8Bit(zip_strerror(archive));
        const int code = stopping() ? Aborted : WriteFailed;
        return discardWith(code, QStringLiteral("Cannot write %1: %2").arg(zipPath_, why));
    }
    if (::rename(temporaryName.constData(), QFile::encodeName(zipPath_).constData()) != 0) {
        const QString why = QString::fromLocal8Bit(strerror(errno));
        QFile::remove(temporary);
        return failWith(WriteFailed, QStringLiteral("Cannot write %1: %2").arg(zipPath_, why));
    }
    // Files too small to reach a progress step of their own.
    while (announced_ < pending_.size()) {
        if (adding_)
            adding_(pending_[announced_].name);
        ++announced_;
    }
    if (lastPercent_ != 100 && status_)
        status_(100);
    return Ok;
}

int ZipComponent::zipToBytes(QByteArray* bytes) {
    bytes->clear();
    QStringList paths;
    if (const int code = filesToAdd(&paths); code != Ok)
        return code;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* memory = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* archive =
        memory ? zip_open_from_source(memory, ZIP_CREATE | ZIP_TRUNCATE, &error) : nullptr;
    if (!archive) {
        const QString why = QString::fromLocal8Bit(zip_error_strerror(&error));
        zip_error_fini(&error);
        zip_source_free(memory);
        return failWith(OpenFailed, QStringLiteral("Cannot make a zip in memory: %1").arg(why));
    }
    zip_error_fini(&error);
    // Kept past zip_close, which would free it with the archive: it holds the bytes written.
    zip_source_keep(memory);
    const auto freeMemory = qScopeGuard([memory] { zip_source_free(memory); });
    if (const int code = addFiles(archive, paths); code != Ok) {
        zip_discard(archive);
        return code;
    }
    if (zip_close(archive) != 0) {
        const QString why = QString::fromLocal8Bit(zip_strerror(archive));
        zip_discard(archive);
        return failWith(stopping() ? Aborted : WriteFailed,
                        QStringLiteral("Cannot make a zip in memory: %1").arg(why));
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_source_stat(memory, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) ||
        zip_source_open(memory) != 0)
        return failWith(WriteFailed, QStringLiteral("Cannot read a zip made in memory"));
    bytes->resize(qsizetype(st.size));
    const zip_int64_t got = zip_source_read(memory, bytes->data(), st.size);
    zip_source_close(memory);
    if (got != zip_int64_t(st.size)) {
        bytes->clear();
        return failWith(WriteFailed, QStringLiteral("Cannot read a zip made in memory"));
    }
    return Ok;
}

namespace {
// Whether the zip's entry has the size (and, when given, the CRC) and reads back complete.
bool holdsEntry(const QString& zipPath, const QString& entryName, qint64 size,
                std::optional<quint32> crc, QString* error) {
    auto fail = [&](const QString& why) {
        if (error)
            *error =
                QStringLiteral("%1 does not hold %2 complete: %3").arg(zipPath, entryName, why);
        return false;
    };
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(zipPath).constData(), ZIP_RDONLY, &code);
    if (!archive)
        return fail(QStringLiteral("it cannot be opened"));
    struct Closer {
        zip_t* archive;
        ~Closer() { zip_discard(archive); }
    } closer{archive};
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat(archive, entryName.toUtf8().constData(), ZIP_FL_ENC_UTF_8, &st) != 0)
        return fail(QStringLiteral("no such entry"));
    if (qint64(st.size) != size)
        return fail(QStringLiteral("%1 bytes stored, %2 expected").arg(qint64(st.size)).arg(size));
    if (crc && (!(st.valid & ZIP_STAT_CRC) || st.crc != *crc))
        return fail(QStringLiteral("its CRC is not the one expected"));
    zip_file_t* entry = zip_fopen_index(archive, st.index, 0);
    if (!entry)
        return fail(QString::fromLocal8Bit(zip_strerror(archive)));
    QByteArray buffer(256 * 1024, Qt::Uninitialized);
    zip_int64_t got = 0, total = 0;
    // libzip checks the CRC when the last byte has been read.
    while ((got = zip_fread(entry, buffer.data(), zip_uint64_t(buffer.size()))) > 0)
        total += got;
    const QString why = got < 0 ? QString::fromLocal8Bit(zip_file_strerror(entry)) : QString();
    zip_fclose(entry);
    if (got < 0)
        return fail(why);
    if (zip_uint64_t(total) != st.size)
        return fail(QStringLiteral("it reads back short"));
    return true;
}
} // namespace

bool ZipComponent::holds(const QString& zipPath, const QString& entryName, const QString& filePath,
                         QString* error) {
    return holdsEntry(zipPath, entryName, QFileInfo(filePath).size(), std::nullopt, error);
}

bool ZipComponent::holdsRecord(const QString& zipPath, const QString& entryName, qint64 size,
                               quint32 crc, QString* error) {
    return holdsEntry(zipPath, entryName, size, crc, error);
}

QString ZipComponent::makePieceLock(const QString& zipDir, const QString& volumeName,
                                    TemporaryLock* lock, QString* error) {
    if (!lock->make(zipDir, temporaryPrefixFor(joinPath(zipDir, volumeName)), error))
        return {};
    return lock->stem() + kPieceEnding;
}

QStringList ZipComponent::removeStaleTemporaries(const QString& dir) {
    static const QRegularExpression lockFile(QStringLiteral("^\\..+%1[A-Za-z0-9]{6}\\.lock$")
                                                 .arg(QRegularExpression::escape(kTemporaryMark)),
                                             QRegularExpression::DotMatchesEverythingOption);
    return removeAbandonedTemporaries(dir, lockFile);
}
