// Building WAV files byte by byte for the tests, ADPCM blocks decoded by hand; natively also a
// scratch folder and sox.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "core/announcement.h"
#include "memory_source.h"

namespace vkm::testing {

inline std::string Le16(unsigned v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8)};
}

inline std::string Le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

inline std::string Chunk(const std::string& id, const std::string& body) {
    std::string c = id + Le32(static_cast<std::uint32_t>(body.size())) + body;
    if (body.size() % 2) c += '\0';
    return c;
}

// A chunk header that claims size bytes, followed by body (which may be shorter).
inline std::string ChunkClaiming(const std::string& id, std::uint32_t size, const std::string& body) {
    return id + Le32(size) + body;
}

inline std::string Wave(const std::string& chunks) {
    return "RIFF" + Le32(static_cast<std::uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

// A WAVEFORMATEX body (18 bytes, or more with extra).
inline std::string FormatBody(unsigned tag, unsigned channels, unsigned rate, unsigned bits,
                              unsigned block_align, const std::string& extra = "") {
    return Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * block_align) + Le16(block_align) +
           Le16(bits) + Le16(static_cast<unsigned>(extra.size())) + extra;
}

// A plain PCM or float file: format chunk, then data.
inline std::string PlainWave(unsigned tag, unsigned channels, unsigned rate, unsigned bits,
                             const std::string& data) {
    return Wave(Chunk("fmt ", FormatBody(tag, channels, rate, bits, channels * bits / 8)) +
                Chunk("data", data));
}

// 16-bit samples as little-endian bytes.
inline std::string Pcm16(const std::vector<int>& samples) {
    std::string s;
    for (int v : samples) s += Le16(static_cast<unsigned>(v));
    return s;
}

// The extra part of an MS ADPCM format: frames per block, the count of coefficient
// pairs it claims, and as many of the usual seven pairs as it holds.
inline std::string MsAdpcmExtra(unsigned frames, unsigned claimed = 7, unsigned held = 7) {
    const std::string pairs = Pcm16({256, 0, 512, -256, 0, 0, 192, 64, 240, 0, 460, -208, 392, -232});
    return Le16(frames) + Le16(claimed) + pairs.substr(0, 4 * held);
}

// Bytes as written.
inline std::string Bytes(std::initializer_list<int> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// An IMA or MS ADPCM file at 8 kHz whose blocks are wholly frames, as encoders write them: (block - 4 c)
// * 2 / c + 1 and (block - 7 c) * 2 / c + 2 frames; more chunks go before the data.
inline std::string AdpcmWave(unsigned tag, unsigned channels, unsigned block, const std::string& data,
                             const std::string& more = "") {
    const bool ima = tag == kTagImaAdpcm;
    const unsigned frames = (block - (ima ? 4 : 7) * channels) * 2 / channels + (ima ? 1 : 2);
    const std::string extra = ima ? Le16(frames) : MsAdpcmExtra(frames);
    return Wave(Chunk("fmt ", FormatBody(tag, channels, 8000, 4, block, extra)) + more + Chunk("data", data));
}

// ADPCM files of a few blocks and their samples, worked out by hand from the formats' published
// rules, not from our decoders' tables. IMA: the published table of 89 steps (7, 8, 9, 10, 11, ... 32767;
// each step used is in the workings); the index moves -1 for nibbles 0-3, then 2, 4, 6, 8, held in 0..88;
// the difference step/8 + step (bit 4) + step/2 (bit 2) + step/4 (bit 1), each halving rounded down; the
// sample held in 16 bits. MS: the pairs (256, 0), (512, -256), (0, 0), (192, 64), (240, 0), (460, -208),
// (392, -232); the prediction (s1 c1 + s2 c2) / 256 rounded toward zero as Windows' codec rounds it,
// plus the nibble (-8..7) times the step; the step then times 230, 230, 230, 230, 307, 409, 512, 614,
// 768, 614, 512, 409, 307, 230, 230, 230 (by the nibble) / 256, toward zero, at least 16. Workings:
// IMA "nibble: difference index/step", MS "nibble: prediction + difference (next step)".
struct AdpcmRow {
    const char* what;
    std::string file;
    std::vector<int> samples;  // interleaved
    bool wine_adds = false;    // Wine's codec adds 2 frames of nothing for each block it did not decode
};

inline std::vector<AdpcmRow> AdpcmRows() {
    const unsigned ima = kTagImaAdpcm, ms = kTagMsAdpcm;
    // 1000 at index 0 (step 7); nibbles 0 7 F 0 8 4 2 1.
    const std::string a = Bytes({0xE8, 0x03, 0, 0, 0x70, 0x0F, 0x48, 0x12});
    // -300 at index 20 (step 50); nibbles 4 4 C C 0 0 8 8.
    const std::string b = Bytes({0xD4, 0xFE, 20, 0, 0x44, 0xCC, 0x00, 0x88});
    // Predictor 4 (240, 0), step 16, first sample -1, second 5; nibbles 0 1 7 8 9 F.
    const std::string m = Bytes({4, 16, 0, 0xFF, 0xFF, 5, 0, 0x01, 0x78, 0x9F});
    // clang-format off
    return {
        // 0: 0 0/7 (held); 7: +11 8/16; F: -30 16/34; 0: +4 15/31; 8: -3 14/28; 4: +31 16/34; 2: +21 15/31; 1: +10
        {"IMA: the header's sample, then nibbles low first; the index held at 0", AdpcmWave(ima, 1, 8, a),
         {1000, 1000, 1011, 981, 985, 982, 1013, 1034, 1044}},
        // 32000 at 88 (32767): 7: +61436, held, 88 (held); F: -61436; F: -61436, held; 0: +4095 87/29794;
        // 8: -3724 86/27086; B: -23699, held, 85/24623; 3: +21543 84/22385; 4: +25183
        {"IMA: the sample held in 16 bits, the index at 88", AdpcmWave(ima, 1, 8, Bytes({0x00, 0x7D, 88, 0, 0xF7, 0x0F, 0xB8, 0x43})),
         {32000, 32767, -28669, -32768, -28673, -32397, -32768, -11225, 13958}},
        // 200 as 88 (32767): 1: +12286 87/29794; each 0 adds 1/8 of 29794, 27086, 24623, 22385, 20350, 18500, 16818
        {"IMA: a header's index beyond the table is its last", AdpcmWave(ima, 1, 8, Bytes({0, 0, 200, 0, 0x01, 0, 0, 0})),
         {0, 12286, 16010, 19395, 22472, 25270, 27813, 30125, 32227}},
        // right: -5 at 10 (19); 9: -6 9/17; 5: +23 13/25; 6: +40 19/45; E: -72 25/80; 3: +70 24/73;
        // A: -45 23/66; D: -90 27/97; 0: +12
        {"IMA, stereo: a header for each channel, then 4 bytes of each in turn",
         AdpcmWave(ima, 2, 16, a.substr(0, 4) + Bytes({0xFB, 0xFF, 10, 0}) + a.substr(4) + Bytes({0x59, 0xE6, 0xA3, 0x0D})),
         {1000, -5, 1000, -11, 1011, 12, 981, 52, 985, -20, 982, 50, 1013, 5, 1034, -85, 1044, -73}},
        // second block: 4: +56 22/60; 4: +67 24/73; C: -82 26/88; C: -99 28/107; 0: +13 27/97; 0: +12 26/88;
        // 8: -11; 8: past the 17th frame
        {"IMA: each block starts afresh; part of a block gives nothing; cut to the fact chunk's 17 frames",
         AdpcmWave(ima, 1, 8, a + b + b.substr(0, 6), Chunk("fact", Le32(17))),
         {1000, 1000, 1011, 981, 985, 982, 1013, 1034, 1044, -300, -244, -177, -259, -358, -345, -333, -344}},
        // 0: -0.94 as 0 (down: -1) + 0 (14 as 16); 1: 0 + 16 (16); 7: 15 + 112 (38); 8: 119 - 304 (114);
        // 9: -173.4 as -173, - 798 (273); F: -910.3 as -910, - 273
        {"MS: the second sample, the first, then nibbles high first; the prediction toward zero", AdpcmWave(ms, 1, 10, m),
         {5, -1, 0, 16, 127, -185, -971, -1183}},
        // (512, -256), step 4000: 7: 64000 + 28000, held (9593); F: 33534 - 9593 (8618); D: 15115 - 25854
        // (7742); 8: -45419 - 61936, held
        {"MS: the sample held in 16 bits, the prediction not", AdpcmWave(ms, 1, 9, Bytes({1, 0xA0, 0x0F, 0x00, 0x7D, 0, 0, 0x7F, 0xD8})),
         {0, 32000, 32767, 23941, -10739, -32768}},
        // left (256, 0), step 20, 100, 50: 3: 100 + 60 (17); D: 160 - 51 (16); 8: 109 - 128;
        // right (0, 0), step 300, -7, 9: 2: 0 + 600 (269); F: 0 - 269 (241); 7: 0 + 1687
        {"MS, stereo: each header field for the channels in turn, then a byte of both",
         AdpcmWave(ms, 2, 17, Bytes({0, 2, 20, 0, 0x2C, 0x01, 100, 0, 0xF9, 0xFF, 50, 0, 9, 0, 0x32, 0xDF, 0x87})),
         {50, 9, 100, -7, 160, 600, 109, -269, -19, 1687}},
        {"MS: a predictor beyond the seven: that block and the rest handed over give nothing",
         AdpcmWave(ms, 1, 10, m + Bytes({7, 16, 0, 0, 0, 0, 0, 0x11, 0x11, 0x11}) + m), {5, -1, 0, 16, 127, -185, -971, -1183}, true},
        // (256, 0), step 32767: each 8 holds -32768, the step 768/256 of it: 98301, 294903, 884709, 2654127,
        // 7962381, then 768 x step wraps in 32 bits: 7109927, 4552565, -3119521 (as 16); 7: + 112 (38); 7: + 266
        {"MS: the step in 32-bit arithmetic, which a run of large nibbles wraps",
         AdpcmWave(ms, 1, 12, Bytes({0, 0xFF, 0x7F, 0, 0, 0, 0, 0x88, 0x88, 0x88, 0x88, 0x77})),
         {0, 0, -32768, -32768, -32768, -32768, -32768, -32768, -32768, -32768, -32656, -32390}},
    };
    // clang-format on
}

// Which IMA and MS ADPCM formats our decoders take (core/adpcm.h), and which Wine's codecs take
// (where Wine's codec takes more than Windows' own and our rule: it says so).
struct AdpcmFormatRow {
    const char* what;
    std::string fmt;  // the fmt chunk's body
    bool taken, wine_takes;
};

inline std::vector<AdpcmFormatRow> AdpcmFormatRows() {
    const std::string tail = Bytes({0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71});
    // clang-format off
    return {
        {"IMA, mono, 22,05 kHz, 505 frames in 256 bytes", FormatBody(kTagImaAdpcm, 1, 22050, 4, 256, Le16(505)), true, true},
        {"IMA, stereo, 8 kHz, 505 frames in 512 bytes", FormatBody(kTagImaAdpcm, 2, 8000, 4, 512, Le16(505)), true, true},
        {"IMA, mono, 16 kHz", FormatBody(kTagImaAdpcm, 1, 16000, 4, 256, Le16(505)), true, true},
        {"IMA, 3 bits a sample", FormatBody(kTagImaAdpcm, 1, 22050, 3, 256, Le16(505)), false, false},
        {"IMA, 8 channels", FormatBody(kTagImaAdpcm, 8, 22050, 4, 2048, Le16(505)), false, false},
        {"IMA, an extra part of 4 bytes", FormatBody(kTagImaAdpcm, 1, 16000, 4, 256, Le16(505) + Le16(0)), false, false},
        {"IMA, 501 frames in 256 bytes", FormatBody(kTagImaAdpcm, 1, 16000, 4, 256, Le16(501)), false, false},
        // Wine's codec decodes stereo in words of 8 frames and makes 256 of these 253.
        {"IMA, stereo, 253 frames in 260 bytes", FormatBody(kTagImaAdpcm, 2, 16000, 4, 260, Le16(253)), false, true},
        {"IMA in WAVE_FORMAT_EXTENSIBLE", FormatBody(kTagExtensible, 1, 22050, 4, 256, Le16(4) + Le32(4) + Le16(kTagImaAdpcm) + tail), false, false},
        {"MS, mono, 22,05 kHz, 500 frames in 256 bytes", FormatBody(kTagMsAdpcm, 1, 22050, 4, 256, MsAdpcmExtra(500)), true, true},
        {"MS, stereo, 8 kHz, 500 frames in 512 bytes", FormatBody(kTagMsAdpcm, 2, 8000, 4, 512, MsAdpcmExtra(500)), true, true},
        {"MS, mono, 16 kHz", FormatBody(kTagMsAdpcm, 1, 16000, 4, 256, MsAdpcmExtra(500)), true, true},
        {"MS, 3 bits a sample", FormatBody(kTagMsAdpcm, 1, 22050, 3, 256, MsAdpcmExtra(500)), false, false},
        {"MS, 8 channels", FormatBody(kTagMsAdpcm, 8, 22050, 4, 2048, MsAdpcmExtra(500)), false, false},
        {"MS, 8 pairs", FormatBody(kTagMsAdpcm, 1, 16000, 4, 256, MsAdpcmExtra(500, 8) + Pcm16({256, 0})), false, false},
        // Wine's codec decodes with the seven usual pairs, whatever the file says.
        {"MS, pairs of its own", FormatBody(kTagMsAdpcm, 1, 22050, 4, 256, MsAdpcmExtra(500, 7, 6) + Pcm16({392, -233})), false, true},
    };
    // clang-format on
}

// Seeded blocks of ADPCM data as an encoder could write them: IMA headers of any sample and step index,
// nibbles of any value; MS ADPCM headers with one of predictors, a step of 16 to 1039 and any samples,
// nibbles drawn so that the step stays as small as encoders keep it (7 in 8 from those that shrink it).
inline std::string SeededAdpcm(unsigned tag, unsigned channels, unsigned block, unsigned blocks,
                               std::uint32_t seed, std::vector<int> predictors = {0, 1, 2, 3, 4, 5, 6}) {
    auto next = [&seed](unsigned n) { return ((seed = seed * 1664525u + 1013904223u) >> 8) % n; };
    auto nibble = [&] { return next(8) ? (13 + next(7)) % 16 : 4 + next(9); };
    std::string s;
    for (unsigned b = 1; b <= blocks; ++b) {
        std::string delta, first, second;  // MS ADPCM's header fields after the predictors
        for (unsigned c = 0; tag == kTagImaAdpcm && c < channels; ++c)
            s += Le16(next(65536)) + static_cast<char>(next(89)) + '\0';
        for (unsigned c = 0; tag == kTagMsAdpcm && c < channels; ++c) {
            s += static_cast<char>(predictors[next(static_cast<unsigned>(predictors.size()))]);
            delta += Le16(16 + next(1024));
            first += Le16(next(65536));
            second += Le16(next(65536));
        }
        s += delta + first + second;
        while (s.size() < b * block) {
            const unsigned high = tag == kTagImaAdpcm ? next(256) : nibble();  // drawn in order
            s += static_cast<char>(tag == kTagImaAdpcm ? high : high << 4 | nibble());
        }
    }
    return s;
}

// The samples of a file as the player decodes them through codecs (16-bit scale); none if it does not play.
inline std::vector<int> PlayerSamples(const std::string& file, Codecs& codecs) {
    auto source = std::make_unique<MemorySource>(file);
    const WaveInfo info = ParseWave(*source);
    std::vector<int> samples;
    std::unique_ptr<SampleReader> reader =
        info.fault == WaveFault::kNone ? OpenSampleReader(std::move(source), info, &codecs) : nullptr;
    std::vector<float> piece(4096);
    while (std::size_t frames = reader ? reader->Read(piece.data(), piece.size() / info.format.channels) : 0)
        for (std::size_t i = 0; i < frames * info.format.channels; ++i)
            samples.push_back(static_cast<int>(std::lround(piece[i] * 32768)));
    return samples;
}

// Bytes written, in memory.
struct StringSink : ByteSink {
    std::string& bytes;
    explicit StringSink(std::string& to) : bytes(to) {}
    bool Write(const void* d, std::size_t n) override { return WriteAt(bytes.size(), d, n); }
    bool WriteAt(std::uint64_t at, const void* d, std::size_t n) override {
        return bytes.replace(at, n, static_cast<const char*>(d), n), true;
    }
};

// Deterministic noise bytes.
inline std::string NoiseBytes(std::size_t n, std::uint32_t seed) {
    std::string s(n, '\0');
    for (char& c : s) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    return s;
}

#ifndef _WIN32
// A temporary folder, removed with everything in it.
class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vkm-test.XXXXXX").string();
        path_ = mkdtemp(&pattern[0]) ? pattern : std::string();
    }
    ~ScratchDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Runs a sox command line ("sox ...") with its random numbers seeded (-R: the same noise and dither
// on every run); true when it succeeded.
inline bool Sox(const std::string& args) {
    return std::system(("sox -R " + args + " 2>/dev/null").c_str()) == 0;
}

inline bool HaveSox() {
    return std::system("sox --version >/dev/null 2>&1") == 0;
}

#endif  // _WIN32

}  // namespace vkm::testing
