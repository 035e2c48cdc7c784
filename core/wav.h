// Reading WAV files: the RIFF chunk headers (never the whole file), the format,
// and the conversion of stored samples to floating point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/byte_source.h"

namespace vkm {

// Why a file cannot be played.
enum class WaveFault {
    kNone,
    kUnreadable,      // missing, or cannot be opened or read
    kNotWave,         // does not begin as a RIFF WAVE file
    kNoFormat,        // no fmt chunk
    kNoData,          // no data chunk
    kBadHeader,       // a format no file can have: no channels, no rate, bits that do not fit, blocks
                      // too small for their codec, a fact chunk of no samples for data that is there, ...
    kDataBeyondFile,  // the data chunk claims more bytes than the file holds (and not 0xFFFFFFFF)
    kUnsupported,     // a valid format this player cannot decode (no codec takes it, or the codec
                      // makes no samples of data that is there)
};

enum class SampleEncoding {
    kPcm,         // integer: 8 bits unsigned, 16/24/32 bits signed, little-endian
    kFloat,       // IEEE float, 32 or 64 bits
    kALaw,        // G.711, 8 bits
    kMuLaw,       // G.711, 8 bits
    kCompressed,  // anything else: decoded by a system codec from the whole fmt chunk
};

// Format tags as Windows numbers them.
enum : std::uint16_t {
    kTagPcm = 0x0001,
    kTagMsAdpcm = 0x0002,
    kTagFloat = 0x0003,
    kTagALaw = 0x0006,
    kTagMuLaw = 0x0007,
    kTagImaAdpcm = 0x0011,
    kTagGsm610 = 0x0031,
    kTagMpeg = 0x0050,
    kTagMpegLayer3 = 0x0055,
    kTagExtensible = 0xFFFE,
};

struct WaveFormat {
    SampleEncoding encoding = SampleEncoding::kPcm;
    std::uint16_t tag = 0;  // for WAVE_FORMAT_EXTENSIBLE, the sub-format's tag
    unsigned channels = 0;
    unsigned rate = 0;               // frames per second
    unsigned bits = 0;               // bits per sample as the header gives them
    unsigned block_align = 0;        // bytes per frame; for compressed formats per block
    unsigned bytes_per_second = 0;   // as the header gives it
    unsigned samples_per_block = 0;  // frames per block of a compressed format that gives it, else 0
    std::string chunk;               // the whole fmt chunk body, for a codec

    // Bytes per sample of one channel (plain formats).
    unsigned SampleBytes() const { return channels ? block_align / channels : 0; }
    // Integer PCM or float: samples stored as they are.
    bool Plain() const { return encoding == SampleEncoding::kPcm || encoding == SampleEncoding::kFloat; }
};

struct WaveInfo {
    WaveFault fault = WaveFault::kNone;
    WaveFormat format;
    std::uint64_t data_offset = 0;
    // The data chunk's size; the rest of the file for one that was never finished
    // (its size left at 0 or 0xFFFFFFFF by a recorder that stopped).
    std::uint64_t data_size = 0;
    std::optional<std::uint64_t> fact_frames;  // the fact chunk's sample count

    // Whole frames of a non-compressed format.
    std::uint64_t Frames() const { return format.block_align ? data_size / format.block_align : 0; }
};

// Walks the chunks of a RIFF WAVE file (any order, odd sizes padded) and reads its
// fmt, fact and data headers; the sample data is not read. Files whose format or
// sizes cannot be trusted get a fault; a format with no converter of its own here
// (compressed, encoding kCompressed) is accepted with its whole fmt chunk once the
// parts of it that a codec sizes its work by hold together (ADPCM blocks that hold
// their block headers and frames, MS ADPCM's coefficients, MPEG's byte rate).
WaveInfo ParseWave(ByteSource& source);

// Turns frames of a non-compressed format (encoding other than kCompressed) into
// floating point, interleaved, full scale at +-1.
void DecodeSamples(const WaveFormat& format, const std::uint8_t* in, std::size_t frames, float* out);

// A decoder of one compressed format, given by the system.
class CompressedDecoder {
  public:
    virtual ~CompressedDecoder() = default;
    // Decodes whole blocks from the start of in (n is a multiple of the format's
    // block_align) into 16-bit PCM of the same rate and channels, appended to out:
    // as many of them as one call's bounded output holds. Returns how many bytes of
    // in it used, 0 on failure (nothing appended).
    virtual std::size_t Decode(const std::uint8_t* in, std::size_t n, std::vector<std::int16_t>& out) = 0;
};

class Codecs {
  public:
    virtual ~Codecs() = default;
    // A decoder for a compressed format, or nullptr when no codec takes it.
    virtual std::unique_ptr<CompressedDecoder> Open(const WaveFormat& format) = 0;
    // True when a format this set does not take plays nowhere: the system's codecs decide for
    // every format. A build's own decoders decide only for the formats whose system codecs they
    // take the place of (core/adpcm.h): another format they do not take may still play through
    // the system's codec.
    virtual bool Decides(const WaveFormat& format) const {
        (void)format;
        return true;
    }
};

// The data of a compressed file, read a piece of whole blocks at a time and
// decoded: memory stays small whatever the file's size or header.
class CompressedReader {
  public:
    // source must outlive the reader.
    CompressedReader(ByteSource& source, const WaveInfo& info, std::unique_ptr<CompressedDecoder> decoder);
    // Replaces samples with the next decoded samples (interleaved, whole frames);
    // false, with samples empty, at the end of the data or once the codec fails.
    bool Next(std::vector<std::int16_t>& samples);

  private:
    ByteSource& source_;
    std::unique_ptr<CompressedDecoder> decoder_;
    unsigned block_align_, channels_;
    std::uint64_t offset_, blocks_left_;
    std::vector<std::uint8_t> raw_;  // blocks read, of which the first used_ bytes are decoded
    std::size_t used_ = 0;
};

enum class Playability {
    kPlayable,
    kNeedsSystemCodec,  // compressed: plays where the system has a codec for it
    kBroken,
};

struct WaveInspection {
    WaveFault fault = WaveFault::kNone;
    WaveFormat format;
    double seconds = 0;  // 0 when unknown
    Playability playability = Playability::kBroken;
};

// What the player would make of one WAV file. codecs may be null: a compressed
// format then needs the system codec, as one does that a build's own decoders do not
// take and do not decide for; with codecs that decide for it, one that none takes, or whose
// data (when there is some) gives no samples, is unsupported: its first samples
// are decoded to tell. The length of a compressed file comes from its fact chunk,
// else from its blocks.
WaveInspection InspectWave(ByteSource& source, Codecs* codecs);

}  // namespace vkm
