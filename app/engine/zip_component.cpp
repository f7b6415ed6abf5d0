#include "engine/zip_component.h"

#include "platform/paths.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <zip.h>

#include <algorithm>
#include <cmath>

namespace {
// Sample taken from the start, middle and end of a file to judge whether it compresses.
constexpr qint64 kSampleChunk = 32 * 1024;
// Below this size a file is simply deflated: judging it would cost as much.
constexpr qint64 kJudgeFromBytes = 4 * kSampleChunk;
// A sample that deflates to more than this share of its size is stored.
constexpr double kStoreRatio = 0.97;

bool isWildcardName(const QString& name) {
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

QString directoryPart(const QString& path, const QString& name) {
    QString dir = path.left(path.size() - name.size());
    if (dir.isEmpty())
        return QStringLiteral(".");
    return dir;
}
} // namespace

// Bridges libzip's C callbacks to the component.
struct ZipCallbacks {
    static void progress(zip_t*, double fraction, void* self) {
        static_cast<ZipComponent*>(self)->reportProgress(fraction);
    }
    static int cancel(zip_t*, void* self) {
        return static_cast<ZipComponent*>(self)->abort_ ? 1 : 0;
    }
};

void ZipComponent::setCompressionLevel(int level) {
    level_ = std::clamp(level, 1, 9);
}

void ZipComponent::setFilesToProcess(const QString& files) {
    files_ = files;
}

void ZipComponent::setZipFileName(const QString& name) {
    if (name.isEmpty() || name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive))
        zipPath_ = name;
    else
        zipPath_ = name + QStringLiteral(".zip");
}

int ZipComponent::failWith(int code, const QString& text) {
    lastError_ = text;
    return code;
}

bool ZipComponent::expandFiles(QStringList* paths) {
    const QStringList entries =
        files_.split(QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts);
    for (const QString& entry : entries) {
        const QString name = fileNamePart(entry);
        if (!isWildcardName(name)) {
            if (!QFileInfo(entry).isFile()) {
                lastError_ = QStringLiteral("No such file: %1").arg(entry);
                return false;
            }
            paths->append(entry);
            continue;
        }
        const QString dirPath = directoryPart(entry, name);
        QDir dir(dirPath);
        if (!QFileInfo(dirPath).isDir()) {
            lastError_ = QStringLiteral("No such directory: %1").arg(dirPath);
            return false;
        }
        // "*.*" is every file, as on the systems where the pattern comes from.
        const QString pattern = name == QLatin1String("*.*") ? QStringLiteral("*") : name;
        const QStringList found =
            dir.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& file : found)
            paths->append(joinPath(dirPath, file));
    }
    return true;
}

bool ZipComponent::looksIncompressible(const QString& path, int level) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    if (size < kJudgeFromBytes)
        return false;
    const qint64 offsets[] = {0, size / 2 - kSampleChunk / 2, size - kSampleChunk};
    qint64 sampled = 0, packed = 0;
    for (qint64 offset : offsets) {
        if (!file.seek(offset))
            return false;
        const QByteArray chunk = file.read(kSampleChunk);
        sampled += chunk.size();
        // qCompress adds a 4-byte length and the zlib wrapper; both are negligible here.
        packed += qCompress(chunk, level).size();
    }
    return sampled > 0 && double(packed) > kStoreRatio * double(sampled);
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

int ZipComponent::zip() {
    lastError_.clear();
    if (abort_)
        return failWith(Aborted, QStringLiteral("Aborted"));
    if (zipPath_.isEmpty())
        return failWith(NoZipName, QStringLiteral("No zip file name set"));
    if (files_.trimmed().isEmpty())
        return failWith(NothingToProcess, QStringLiteral("No files to process"));

    QStringList paths;
    if (!expandFiles(&paths))
        return FileMissing;
    if (paths.isEmpty())
        return Ok;

    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(zipPath_).constData(), ZIP_CREATE, &error);
    if (!archive) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, error);
        const QString why = QString::fromLocal8Bit(zip_error_strerror(&ze));
        zip_error_fini(&ze);
        return failWith(OpenFailed, QStringLiteral("Cannot open %1: %2").arg(zipPath_, why));
    }
    auto discardWith = [&](int code, const QString& text) {
        zip_discard(archive);
        return failWith(code, text);
    };

    pending_.clear();
    for (const QString& path : paths) {
        zip_source_t* source = zip_source_file(archive, QFile::encodeName(path).constData(), 0, -1);
        if (!source)
            return discardWith(FileMissing,
                               QStringLiteral("Cannot read %1: %2")
                                   .arg(path, QString::fromLocal8Bit(zip_strerror(archive))));
        const QByteArray entryName = fileNamePart(path).toUtf8();
        const zip_int64_t index = zip_file_add(archive, entryName.constData(), source,
                                               ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            return discardWith(AddFailed,
                               QStringLiteral("Cannot add %1: %2")
                                   .arg(path, QString::fromLocal8Bit(zip_strerror(archive))));
        }
        const bool store = looksIncompressible(path, level_);
        if (zip_set_file_compression(archive, zip_uint64_t(index),
                                     store ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                     store ? 0 : zip_uint32_t(level_)) != 0)
            return discardWith(AddFailed,
                               QStringLiteral("Cannot set compression for %1").arg(path));
        pending_.push_back({index, fileNamePart(path)});
    }
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
        const int code = abort_ ? Aborted : WriteFailed;
        return discardWith(code, QStringLiteral("Cannot write %1: %2").arg(zipPath_, why));
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
