#include "engine/store_judgement.h"

#include <QByteArray>
#include <QFile>

#include <zlib.h>

#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace {
// Sample taken from the start, middle and end of a file to judge whether it compresses.
constexpr qint64 kSampleChunk = 32 * 1024;
// Below this size a file is simply deflated: judging it would cost as much.
constexpr qint64 kJudgeFromBytes = 4 * kSampleChunk;
// Samples that deflate to more than this share of their size are stored.
constexpr double kStoreRatio = 0.97;
// qCompress's 4-byte length, and the zlib wrapper's 2-byte header and Adler-32.
constexpr qint64 kFraming = 10;
// zlib ends a block after this many symbols at compress2's memory level (8).
constexpr qsizetype kBlockSymbols = (1 << 14) - 1;
// A match is at least this long.
constexpr qsizetype kShortestMatch = 3;

// A raw stream kept per thread and reset between samples makes the same deflate bytes as
// the zlib wrapper qCompress writes, without a new state and buffers for every sample.
class SampleDeflater {
  public:
    SampleDeflater() = default;
    SampleDeflater(const SampleDeflater&) = delete;
    SampleDeflater& operator=(const SampleDeflater&) = delete;
    ~SampleDeflater() { end(); }

    qint64 packedSize(QByteArrayView chunk, int level) {
        if (chunk.isEmpty())
            return 4;
        // qCompress takes a level it does not know as the default one.
        if (level < Z_DEFAULT_COMPRESSION || level > Z_BEST_COMPRESSION)
            level = Z_DEFAULT_COMPRESSION;
        if (!ready(level))
            return qCompress(chunk.toByteArray(), level).size();
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunk.data()));
        stream_.avail_in = uInt(chunk.size());
        out_.resize(qsizetype(deflateBound(&stream_, uLong(chunk.size()))));
        stream_.next_out = reinterpret_cast<Bytef*>(out_.data());
        stream_.avail_out = uInt(out_.size());
        if (deflate(&stream_, Z_FINISH) != Z_STREAM_END) {
            end();
            return qCompress(chunk.toByteArray(), level).size();
        }
        return qint64(stream_.total_out) + kFraming;
    }

  private:
    bool ready(int level) {
        if (level_ == level)
            return deflateReset(&stream_) == Z_OK;
        end();
        stream_ = z_stream{};
        // compress2's window and memory level, raw.
        if (deflateInit2(&stream_, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            return false;
        level_ = level;
        return true;
    }
    void end() {
        if (level_ != kNone)
            deflateEnd(&stream_);
        level_ = kNone;
    }

    static constexpr int kNone = -2;
    z_stream stream_{};
    int level_ = kNone;
    QByteArray out_;
};

// zlib 1.2 and 1.3 end a block after kBlockSymbols symbols and at the end of the data only.
bool blockLayoutKnown() {
    static const bool known = [] {
        const char* version = zlibVersion();
        return (std::strncmp(version, "1.2.", 4) == 0 || std::strncmp(version, "1.3.", 4) == 0) &&
               std::strstr(version, "ng") == nullptr;
    }();
    return known;
}

// Marks every byte a match could cover: a match of length L at p needs the three bytes at
// each of p .. p + L - 3 to have started at an earlier place too. Returns how many.
qsizetype markCoverable(QByteArrayView chunk, quint8* coverable) {
    // The places are sorted by their first byte, keeping their order; then the two bytes
    // after it are looked up among the ones seen before with the same first byte, in a bit
    // table small enough to stay in the fastest cache (the archiver beside us churns it).
    const auto* bytes = reinterpret_cast<const quint8*>(chunk.data());
    const qsizetype starts = chunk.size() - kShortestMatch + 1;
    std::memset(coverable, 0, size_t(chunk.size()));
    if (starts <= 0)
        return 0;
    thread_local std::array<quint16, kSampleChunk> byFirst;
    thread_local std::array<quint64, (1 << 16) / 64> seen{};
    std::array<quint32, 257> bucket{};
    for (qsizetype at = 0; at < starts; ++at)
        ++bucket[bytes[at] + 1];
    for (size_t b = 1; b < bucket.size(); ++b)
        bucket[b] += bucket[b - 1];
    std::array<quint32, 256> next;
    std::copy(bucket.begin(), bucket.end() - 1, next.begin());
    for (qsizetype at = 0; at < starts; ++at)
        byFirst[next[bytes[at]]++] = quint16(at);
    const auto twoAfter = [bytes](qsizetype at) {
        return quint32(bytes[at + 1]) << 8 | bytes[at + 2];
    };
    qsizetype count = 0;
    for (size_t b = 0; b < 256; ++b) {
        for (quint32 i = bucket[b]; i < bucket[b + 1]; ++i) {
            const qsizetype at = byFirst[i];
            const quint32 two = twoAfter(at);
            quint64& word = seen[two >> 6];
            const quint64 bit = quint64(1) << (two & 63);
            if (!(word & bit)) {
                word |= bit;
                continue;
            }
            for (qsizetype j = at; j < at + kShortestMatch; ++j) {
                count += coverable[j] == 0;
                coverable[j] = 1;
            }
        }
        for (quint32 i = bucket[b]; i < bucket[b + 1]; ++i)
            seen[twoAfter(byFirst[i]) >> 6] = 0;
    }
    return count;
}

// The fewest bits the bytes of a histogram take in any prefix code: their entropy.
double entropyBits(const std::array<qint64, 256>& counts) {
    qint64 total = 0;
    double sum = 0;
    for (qint64 c : counts) {
        total += c;
        if (c > 1)
            sum += double(c) * std::log2(double(c));
    }
    return total > 0 ? double(total) * std::log2(double(total)) - sum : 0;
}

} // namespace

qint64 packedSize(QByteArrayView chunk, int level) {
    thread_local SampleDeflater deflater;
    return deflater.packedSize(chunk, level);
}

qint64 packedSizeFloor(QByteArrayView chunk) {
    if (!blockLayoutKnown() || chunk.isEmpty() || chunk.size() > kSampleChunk)
        return 0;
    thread_local std::array<quint8, kSampleChunk> coverable;
    const qsizetype covered = markCoverable(chunk, coverable.data());
    const auto* bytes = reinterpret_cast<const quint8*>(chunk.data());
    // Block j holds symbols j * kBlockSymbols on; each match before it moves its first byte
    // on by at most the bytes it covers, so the bytes from there to the next block's first
    // possible byte are surely its own. Every literal costs at least its block's entropy,
    // whatever the block's kind (stored and fixed blocks take 8 bits or more a byte), and
    // entropy only grows as literals are added, so the literals sure to be there bound it.
    double bits = 0;
    for (qsizetype first = 0; first < chunk.size(); first += kBlockSymbols) {
        const qsizetype from = first == 0 ? 0 : first + covered;
        const qsizetype to = std::min(first + kBlockSymbols, chunk.size());
        std::array<qint64, 256> counts{};
        for (qsizetype at = from; at < to; ++at)
            if (!coverable[size_t(at)])
                ++counts[bytes[at]];
        bits += entropyBits(counts);
    }
    // A byte less for the rounding of the logarithms.
    return std::max<qint64>(0, qint64(std::floor(bits / 8)) - 1) + kFraming;
}

bool samplesLookIncompressible(const QString& path, int level) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    if (size < kJudgeFromBytes)
        return false;
    const qint64 offsets[] = {0, size / 2 - kSampleChunk / 2, size - kSampleChunk};
    std::array<QByteArray, 3> chunks;
    qint64 sampled = 0, floors = 0;
    for (size_t i = 0; i < chunks.size(); ++i) {
        if (!file.seek(offsets[i]))
            return false;
        chunks[i] = file.read(kSampleChunk);
        sampled += chunks[i].size();
        floors += packedSizeFloor(chunks[i]);
    }
    if (sampled == 0)
        return false;
    // Most volumes are plainly incompressible: their floors alone pass the line.
    const double line = kStoreRatio * double(sampled);
    if (double(floors) > line)
        return true;
    qint64 packed = 0;
    for (const QByteArray& chunk : chunks)
        packed += packedSize(chunk, level);
    return double(packed) > line;
}
