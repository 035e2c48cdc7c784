#include "core/wav.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vkm {

namespace {

constexpr unsigned kMaxChannels = 8;
constexpr unsigned kMinRate = 1000;
constexpr unsigned kMaxRate = 384000;
constexpr std::uint64_t kMaxFormatChunk = 18 + 65535;  // WAVEFORMATEX with the largest extra part
constexpr int kMaxChunks = 4096;                       // a header walk never goes on for ever

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool ReadExactly(ByteSource& source, std::uint64_t offset, void* out, std::size_t n) {
    return source.ReadAt(offset, out, n) == n;
}

// True when a chunk header (an id of printable characters, a size within the file)
// starts at offset: what follows an empty data chunk, where a recorder's audio does not.
bool ChunkAt(ByteSource& source, std::uint64_t offset, std::uint64_t size) {
    std::uint8_t h[8];
    if (offset + 8 > size || !ReadExactly(source, offset, h, 8)) return false;
    for (int i = 0; i < 4; ++i)
        if (h[i] < 0x20 || h[i] > 0x7E) return false;
    return offset + 8 + Le32(h + 4) <= size;
}

// The tail of the GUID of every KSDATAFORMAT_SUBTYPE that stands for a format tag.
const std::uint8_t kSubtypeTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                       0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// The parts of a compressed format that a codec sizes its work by must hold together:
// a codec trusts them, and a wrong one makes it ask for gigabytes or read past a block.
// p is the fmt chunk, extra the bytes of its extra part that the chunk holds.
WaveFault CompressedFault(WaveFormat& f, const std::uint8_t* p, std::size_t extra) {
    switch (f.tag) {
        case kTagMsAdpcm:
        case kTagImaAdpcm: {
            // A block is a header for each channel (MS ADPCM: 7 bytes holding 2 frames,
            // IMA ADPCM: 4 bytes holding 1), then 4-bit samples. The extra part gives the
            // frames per block; MS ADPCM's goes on with its coefficient pairs, at least 7.
            const bool ms = f.tag == kTagMsAdpcm;
            const unsigned head = (ms ? 7 : 4) * f.channels, head_frames = ms ? 2 : 1;
            if (extra < (ms ? 4u : 2u) || f.block_align < head) return WaveFault::kBadHeader;
            f.samples_per_block = Le16(p + 18);
            const unsigned most = head_frames + (f.block_align - head) * 2 / f.channels;
            if (f.samples_per_block < head_frames || f.samples_per_block > most) return WaveFault::kBadHeader;
            if (ms) {
                const unsigned pairs = Le16(p + 20);
                if (pairs < 7 || 4 + 4 * static_cast<std::size_t>(pairs) > extra)
                    return WaveFault::kBadHeader;
            }
            break;
        }
        case kTagGsm610:
            if (extra >= 2) f.samples_per_block = Le16(p + 18);
            break;
        case kTagMpeg:
        case kTagMpegLayer3:
            // MPEG audio has 8 to 448 kbit/s; a codec works out its frame size from the
            // byte rate and divides by it.
            if (f.bytes_per_second < 1000 || f.bytes_per_second > 100000) return WaveFault::kBadHeader;
            break;
        default:
            break;
    }
    return WaveFault::kNone;
}

// Reads the fmt chunk body into info.format; returns the fault it shows.
WaveFault ReadFormat(const std::string& body, WaveFormat& f) {
    if (body.size() < 16) return WaveFault::kBadHeader;
    const auto* p = reinterpret_cast<const std::uint8_t*>(body.data());
    f.chunk = body;
    f.tag = Le16(p);
    f.channels = Le16(p + 2);
    f.rate = Le32(p + 4);
    f.bytes_per_second = Le32(p + 8);
    f.block_align = Le16(p + 12);
    f.bits = Le16(p + 14);
    const unsigned extra = body.size() >= 18 ? Le16(p + 16) : 0;
    if (f.tag == kTagExtensible) {
        if (body.size() < 40 || extra < 22) return WaveFault::kBadHeader;
        const unsigned valid_bits = Le16(p + 18);
        if (std::memcmp(p + 26, kSubtypeTail, sizeof kSubtypeTail) != 0) return WaveFault::kUnsupported;
        if (valid_bits > f.bits) return WaveFault::kBadHeader;
        f.tag = Le16(p + 24);
    }
    switch (f.tag) {
        case kTagPcm:
            f.encoding = SampleEncoding::kPcm;
            break;
        case kTagFloat:
            f.encoding = SampleEncoding::kFloat;
            break;
        case kTagALaw:
            f.encoding = SampleEncoding::kALaw;
            break;
        case kTagMuLaw:
            f.encoding = SampleEncoding::kMuLaw;
            break;
        default:
            f.encoding = SampleEncoding::kCompressed;
            break;
    }
    if (f.channels == 0 || f.rate == 0 || f.block_align == 0) return WaveFault::kBadHeader;
    if (f.encoding != SampleEncoding::kCompressed) {
        if (f.block_align % f.channels != 0) return WaveFault::kBadHeader;
        const unsigned size = f.block_align / f.channels;
        const bool fits = f.encoding == SampleEncoding::kPcm ? size <= 4 && f.bits >= 1 && f.bits <= 8 * size
                          : f.encoding == SampleEncoding::kFloat
                              ? (size == 4 || size == 8) && f.bits == 8 * size
                              : size == 1 && f.bits == 8;
        if (!fits) return WaveFault::kBadHeader;
    }
    if (f.channels > kMaxChannels || f.rate < kMinRate || f.rate > kMaxRate) return WaveFault::kUnsupported;
    if (f.encoding == SampleEncoding::kCompressed) {
        // Of the extra part, only what the chunk holds.
        const std::size_t have =
            std::min<std::size_t>(extra, body.size() - std::min<std::size_t>(body.size(), 18));
        return CompressedFault(f, p, have);
    }
    return WaveFault::kNone;
}

float Int24(const std::uint8_t* p) {
    std::int32_t v = static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) << 8 |
                                               static_cast<std::uint32_t>(p[1]) << 16 |
                                               static_cast<std::uint32_t>(p[2]) << 24);
    return static_cast<float>(v >> 8) * (1.0f / 8388608.0f);
}

// G.711 expansion to the 16-bit scale (a 13-bit or 14-bit value shifted left).
int ALawValue(std::uint8_t code) {
    const unsigned a = code ^ 0x55u;
    const unsigned exponent = (a >> 4) & 7u;
    int magnitude = static_cast<int>(((a & 0x0Fu) << 4) + 8u);
    if (exponent > 0) magnitude = (magnitude + 0x100) << (exponent - 1);
    return (a & 0x80u) ? magnitude : -magnitude;
}

int MuLawValue(std::uint8_t code) {
    const unsigned u = ~code & 0xFFu;
    const unsigned exponent = (u >> 4) & 7u;
    const int magnitude = static_cast<int>((((u & 0x0Fu) << 3) + 0x84u) << exponent) - 0x84;
    return (u & 0x80u) ? -magnitude : magnitude;
}

float CleanFloat(double v) {
    // Not-a-number and infinities would poison every later sample of a filter.
    if (!(v > -4.0)) return v < 0 ? -4.0f : 0.0f;
    if (!(v < 4.0)) return 4.0f;
    return static_cast<float>(v);
}

// What a walk over a file's chunks found, beside what it put in WaveInfo.
struct ChunkWalk {
    bool have_format = false, have_data = false;
    bool unfinished = false;  // the data runs to the end of the file
    WaveFault format_fault = WaveFault::kNone;
};

// Reads the fmt chunk whose body of length bytes starts at body into f; returns the fault it shows.
WaveFault ReadFormatChunk(ByteSource& source, std::uint64_t body, std::uint64_t length, std::uint64_t size,
                          WaveFormat& f) {
    if (length > kMaxFormatChunk || body + length > size) return WaveFault::kBadHeader;
    std::string bytes(static_cast<std::size_t>(length), '\0');
    return ReadExactly(source, body, &bytes[0], bytes.size()) ? ReadFormat(bytes, f) : WaveFault::kUnreadable;
}

// Walks the chunks after the RIFF header (any order, odd sizes padded) and reads the first fmt,
// data and fact chunk into info. The RIFF size is not trusted (writers often get it wrong): chunks
// run to the file's end.
ChunkWalk WalkChunks(ByteSource& source, std::uint64_t size, WaveInfo& info) {
    ChunkWalk walk;
    std::uint64_t at = 12;
    for (int n = 0; n < kMaxChunks && at + 8 <= size; ++n) {
        std::uint8_t h[8];
        if (!ReadExactly(source, at, h, 8)) break;
        const std::uint64_t body = at + 8;
        const std::uint64_t length = Le32(h + 4);
        if (std::memcmp(h, "fmt ", 4) == 0 && !walk.have_format) {
            walk.have_format = true;
            walk.format_fault = ReadFormatChunk(source, body, length, size, info.format);
        } else if (std::memcmp(h, "data", 4) == 0 && !walk.have_data) {
            walk.have_data = true;
            info.data_offset = body;
            info.data_size = length;
            // A recorder that never finished the file left its size at 0 or 0xFFFFFFFF:
            // the audio runs to the end of the file, and no chunk follows it.
            if (length == 0xFFFFFFFFu || (length == 0 && !ChunkAt(source, body, size))) {
                info.data_size = size - body;
                walk.unfinished = true;
                break;
            }
        } else if (std::memcmp(h, "fact", 4) == 0 && length >= 4 && !info.fact_frames) {
            std::uint8_t v[4];
            if (body + 4 <= size && ReadExactly(source, body, v, 4)) info.fact_frames = Le32(v);
        }
        at = body + length + (length & 1);
    }
    return walk;
}

// The fault of a file of size bytes whose chunks were walked.
WaveFault WalkFault(const ChunkWalk& walk, const WaveInfo& info, std::uint64_t size) {
    if (!walk.have_format) return WaveFault::kNoFormat;
    if (walk.format_fault != WaveFault::kNone) return walk.format_fault;
    if (!walk.have_data) return WaveFault::kNoData;
    if (info.data_offset + info.data_size > size) return WaveFault::kDataBeyondFile;
    // A compressed file that claims no samples of data it has.
    if (info.format.encoding == SampleEncoding::kCompressed && info.fact_frames == 0u && info.data_size > 0)
        return WaveFault::kBadHeader;
    return WaveFault::kNone;
}

}  // namespace

WaveInfo ParseWave(ByteSource& source) {
    WaveInfo info;
    const std::uint64_t size = source.Size();
    std::uint8_t head[12];
    if (size < 12 || !ReadExactly(source, 0, head, 12) || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0) {
        info.fault = WaveFault::kNotWave;
        return info;
    }
    const ChunkWalk walk = WalkChunks(source, size, info);
    if (walk.unfinished && info.fact_frames == 0u) info.fact_frames.reset();  // not finished either
    info.fault = WalkFault(walk, info, size);
    return info;
}

void DecodeSamples(const WaveFormat& format, const std::uint8_t* in, std::size_t frames, float* out) {
    const std::size_t count = frames * format.channels;
    const unsigned size = format.SampleBytes();
    switch (format.encoding) {
        case SampleEncoding::kPcm:
            for (std::size_t i = 0; i < count; ++i, in += size) {
                switch (size) {
                    case 1:
                        out[i] = (static_cast<float>(in[0]) - 128.0f) * (1.0f / 128.0f);
                        break;
                    case 2:
                        out[i] = static_cast<float>(static_cast<std::int16_t>(Le16(in))) * (1.0f / 32768.0f);
                        break;
                    case 3:
                        out[i] = Int24(in);
                        break;
                    default:
                        out[i] = static_cast<float>(static_cast<double>(static_cast<std::int32_t>(Le32(in))) *
                                                    (1.0 / 2147483648.0));
                        break;
                }
            }
            break;
        case SampleEncoding::kFloat:
            for (std::size_t i = 0; i < count; ++i, in += size) {
                if (size == 4) {
                    float v;
                    std::memcpy(&v, in, 4);
                    out[i] = CleanFloat(v);
                } else {
                    double v;
                    std::memcpy(&v, in, 8);
                    out[i] = CleanFloat(v);
                }
            }
            break;
        case SampleEncoding::kALaw:
            for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<float>(ALawValue(in[i])) / 32768.0f;
            break;
        case SampleEncoding::kMuLaw:
            for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<float>(MuLawValue(in[i])) / 32768.0f;
            break;
        case SampleEncoding::kCompressed:
            for (std::size_t i = 0; i < count; ++i) out[i] = 0;
            break;
    }
}

CompressedReader::CompressedReader(ByteSource& source, const WaveInfo& info,
                                   std::unique_ptr<CompressedDecoder> decoder)
    : source_(source),
      decoder_(std::move(decoder)),
      block_align_(info.format.block_align),
      channels_(info.format.channels),
      offset_(info.data_offset),
      blocks_left_(info.data_size / info.format.block_align) {}

bool CompressedReader::Next(std::vector<std::int16_t>& samples) {
    constexpr std::size_t kPiece = 16384;  // bytes of blocks read at a time (or one larger block)
    samples.clear();
    while (samples.empty()) {
        if (used_ == raw_.size()) {
            if (blocks_left_ == 0) return false;
            const std::uint64_t blocks =
                std::min<std::uint64_t>(blocks_left_, std::max<std::size_t>(1, kPiece / block_align_));
            raw_.resize(static_cast<std::size_t>(blocks) * block_align_);
            raw_.resize(source_.ReadAt(offset_, raw_.data(), raw_.size()) / block_align_ * block_align_);
            used_ = 0;
            offset_ += raw_.size();
            blocks_left_ = raw_.empty() ? 0 : blocks_left_ - raw_.size() / block_align_;
            if (raw_.empty()) return false;  // the file can no longer be read
        }
        const std::size_t left = raw_.size() - used_;
        const std::size_t used = decoder_->Decode(raw_.data() + used_, left, samples);
        if (used == 0 || used > left) {
            // The codec gives up: so does the file.
            samples.clear();
            blocks_left_ = 0;
            used_ = raw_.size();
            return false;
        }
        used_ += used;
        samples.resize(samples.size() / channels_ * channels_);
    }
    return true;
}

WaveInspection InspectWave(ByteSource& source, Codecs* codecs) {
    WaveInspection r;
    const WaveInfo info = ParseWave(source);
    r.fault = info.fault;
    r.format = info.format;
    if (r.fault != WaveFault::kNone) return r;
    const WaveFormat& f = info.format;
    if (f.encoding != SampleEncoding::kCompressed) {
        r.seconds = static_cast<double>(info.Frames()) / f.rate;
        r.playability = Playability::kPlayable;
        return r;
    }
    const std::uint64_t blocks = info.data_size / f.block_align;
    if (info.fact_frames)
        r.seconds = static_cast<double>(*info.fact_frames) / f.rate;
    else if (f.samples_per_block)
        r.seconds = static_cast<double>(blocks * f.samples_per_block) / f.rate;
    else if (f.bytes_per_second)
        r.seconds = static_cast<double>(info.data_size) / f.bytes_per_second;
    std::unique_ptr<CompressedDecoder> decoder = codecs ? codecs->Open(f) : nullptr;
    if (!decoder && !(codecs && codecs->Decides(f))) {
        r.playability = Playability::kNeedsSystemCodec;
        return r;
    }
    std::vector<std::int16_t> first;
    if (decoder && (info.data_size == 0 || CompressedReader(source, info, std::move(decoder)).Next(first)))
        r.playability = Playability::kPlayable;
    else
        r.fault = WaveFault::kUnsupported;
    return r;
}

}  // namespace vkm
