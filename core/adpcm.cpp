#include "core/adpcm.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vkm {

namespace {

// Samples one Decode call makes at most: far more than a piece of any real file gives.
constexpr std::size_t kMostSamples = 1 << 20;

// MS ADPCM's seven predictor pairs, in 8.8 fixed point: every encoder writes these, and the system's
// codec decodes with no others.
constexpr int kMsPairs[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::int16_t Le16s(const std::uint8_t* p) {
    return static_cast<std::int16_t>(Le16(p));
}

std::int16_t Clamp16(int v) {
    return static_cast<std::int16_t>(std::clamp(v, -32768, 32767));
}

bool ImaTakes(const WaveFormat& f) {
    const unsigned head = 4 * f.channels;
    return f.chunk.size() == 18 + 2 && f.block_align % head == 0 && f.block_align > head &&
           f.samples_per_block == (f.block_align - head) * 2 / f.channels + 1;
}

bool MsTakes(const WaveFormat& f) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(f.chunk.data());
    if (f.chunk.size() != 18 + 4 + 4 * 7 || Le16(p + 20) != 7) return false;
    for (int i = 0; i < 7; ++i)
        if (Le16s(p + 22 + 4 * i) != kMsPairs[i][0] || Le16s(p + 24 + 4 * i) != kMsPairs[i][1]) return false;
    return true;
}

// Decodes whole blocks, each into frames frames, as long as the output stays bounded.
class BlockDecoder : public CompressedDecoder {
  public:
    BlockDecoder(const WaveFormat& f)
        : block_(f.block_align), channels_(f.channels), frames_(f.samples_per_block) {}
    std::size_t Decode(const std::uint8_t* in, std::size_t n, std::vector<std::int16_t>& out) override {
        std::size_t used = 0;
        const std::size_t per_block = static_cast<std::size_t>(frames_) * channels_;
        for (std::size_t made = 0; used + block_ <= n && (made == 0 || made + per_block <= kMostSamples);
             made += per_block, used += block_) {
            const std::size_t at = out.size();
            out.resize(at + per_block);
            if (!Block(in + used, out.data() + at)) {
                // A block header no encoder writes: as with the system's codec (Wine's), the block
                // and the rest of what was handed over give nothing.
                out.resize(at);
                return n / block_ * block_;
            }
        }
        return used;
    }

  protected:
    // One block into frames_ interleaved frames; false for a block that cannot be decoded.
    virtual bool Block(const std::uint8_t* in, std::int16_t* out) = 0;
    unsigned block_, channels_, frames_;
};

// IMA ADPCM: each channel's block header (its first sample, the step index, a byte of padding),
// then words of 4 bytes (8 samples, low nibble first) of each channel in turn.
class ImaDecoder : public BlockDecoder {
  public:
    using BlockDecoder::BlockDecoder;

  private:
    bool Block(const std::uint8_t* in, std::int16_t* out) override {
        static const int kSteps[89] = {
            7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
            25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
            88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
            307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
            1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
            3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
            12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
        static const int kIndexMove[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
        const unsigned ch = channels_;
        for (unsigned c = 0; c < ch; ++c) {
            const std::uint8_t* head = in + 4 * c;
            // A step index beyond the table is taken as its last, as Wine's codec takes it (no
            // encoder writes one; Windows' own codec gives up on the block).
            int sample = Le16s(head), index = std::min<int>(head[2], 88);
            out[c] = static_cast<std::int16_t>(sample);
            // Frame 1 + 8 g + k of this channel is nibble k of its word g.
            for (unsigned f = 1; f < frames_; ++f) {
                const unsigned g = (f - 1) / 8, k = (f - 1) % 8;
                const std::uint8_t byte = in[4 * ch + 4 * (g * ch + c) + k / 2];
                const int nibble = k % 2 ? byte >> 4 : byte & 0x0F;
                const int step = kSteps[index];
                int diff = step >> 3;
                if (nibble & 4) diff += step;
                if (nibble & 2) diff += step >> 1;
                if (nibble & 1) diff += step >> 2;
                sample = Clamp16(nibble & 8 ? sample - diff : sample + diff);
                index = std::clamp(index + kIndexMove[nibble & 7], 0, 88);
                out[f * ch + c] = static_cast<std::int16_t>(sample);
            }
        }
        return true;
    }
};

// Microsoft ADPCM: for each channel in turn a predictor number, then the step, the second and
// the first sample; then nibbles, high first, of the channels in turn.
class MsDecoder : public BlockDecoder {
  public:
    using BlockDecoder::BlockDecoder;

  private:
    bool Block(const std::uint8_t* in, std::int16_t* out) override {
        static const int kAdapt[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                       768, 614, 512, 409, 307, 230, 230, 230};
        const unsigned ch = channels_;
        struct State {
            int c1, c2, delta, s1, s2;
        } state[2];
        for (unsigned c = 0; c < ch; ++c) {
            if (in[c] >= 7) return false;  // no pair of that number
            state[c] = {kMsPairs[in[c]][0], kMsPairs[in[c]][1], Le16s(in + ch + 2 * c),
                        Le16s(in + 3 * ch + 2 * c), Le16s(in + 5 * ch + 2 * c)};
            out[c] = static_cast<std::int16_t>(state[c].s2);
            if (frames_ > 1) out[ch + c] = static_cast<std::int16_t>(state[c].s1);
        }
        const std::uint8_t* nibbles = in + 7 * ch;
        for (std::size_t i = 0; i + 2 * ch < static_cast<std::size_t>(frames_) * ch; ++i) {
            const int code = i % 2 ? nibbles[i / 2] & 0x0F : nibbles[i / 2] >> 4;
            State& s = state[i % ch];
            const int predicted = (s.s1 * s.c1 + s.s2 * s.c2) / 256;  // toward zero, as the system's codec
            const int sample = Clamp16(predicted + (code >= 8 ? code - 16 : code) * s.delta);
            s.s2 = s.s1;
            s.s1 = sample;
            // In the system codec's 32-bit arithmetic, which wraps when a run of large codes has made
            // the step huge.
            const auto grown = static_cast<std::int32_t>(static_cast<std::uint32_t>(kAdapt[code]) *
                                                         static_cast<std::uint32_t>(s.delta));
            s.delta = std::max(16, grown / 256);
            out[2 * ch + i] = static_cast<std::int16_t>(sample);
        }
        return true;
    }
};

}  // namespace

bool AdpcmTakes(const WaveFormat& f) {
    // The chunk's own tag: inside WAVE_FORMAT_EXTENSIBLE no codec of Windows takes them.
    const auto* p = reinterpret_cast<const std::uint8_t*>(f.chunk.data());
    if (f.encoding != SampleEncoding::kCompressed || f.chunk.size() < 18 || Le16(p) != f.tag || f.bits != 4 ||
        f.channels < 1 || f.channels > 2)
        return false;
    return f.tag == kTagImaAdpcm ? ImaTakes(f) : f.tag == kTagMsAdpcm && MsTakes(f);
}

std::unique_ptr<CompressedDecoder> AdpcmCodecs::Open(const WaveFormat& f) {
    if (!AdpcmTakes(f)) return nullptr;
    if (f.tag == kTagImaAdpcm) return std::make_unique<ImaDecoder>(f);
    return std::make_unique<MsDecoder>(f);
}

bool AdpcmCodecs::Decides(const WaveFormat& f) const {
    return f.tag == kTagImaAdpcm || f.tag == kTagMsAdpcm;
}

}  // namespace vkm
