#include "core/wav.h"

#include <cstdint>

namespace vkm {

namespace {

std::uint32_t Le32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

}  // namespace

bool IsWaveData(std::string_view bytes) {
    if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "WAVE") return false;
    bool format = false;
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        std::string_view id = bytes.substr(at, 4);
        std::uint64_t size = Le32(bytes, at + 4);
        if (id == "fmt ") format = size >= 16 && at + 8 + size <= bytes.size();
        if (id == "data") return format;
        at += 8 + size + (size & 1);  // chunks are padded to even sizes
    }
    return false;
}

}  // namespace vkm
