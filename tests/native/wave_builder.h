// Building WAV files byte by byte for the tests; natively also a scratch folder and sox.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

// Bytes written, in memory.
struct StringSink : ByteSink {
    std::string& bytes;
    explicit StringSink(std::string& to) : bytes(to) {}
    bool Write(const void* d, std::size_t n) override { return bytes.append(static_cast<const char*>(d), n), true; }
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

// Runs a sox command line ("sox ..."); true when it succeeded.
inline bool Sox(const std::string& args) {
    return std::system(("sox " + args + " 2>/dev/null").c_str()) == 0;
}

inline bool HaveSox() {
    return std::system("sox --version >/dev/null 2>&1") == 0;
}

#endif  // _WIN32

}  // namespace vkm::testing
