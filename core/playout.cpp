#include "core/playout.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vkm {

std::size_t PlayoutStream::Read(void* out, std::size_t n) {
    const StreamFormat& f = stream_.format();
    const unsigned block = f.BlockAlign();
    if (!started_) {
        started_ = true;
        lead_ = static_cast<std::size_t>(f.rate) * kLeadInMs / 1000 * block;
        tail_ = static_cast<std::size_t>(f.rate) * kTailMs / 1000 * block;
    }
    n -= n % block;
    auto* bytes = static_cast<std::uint8_t*>(out);
    const int silence = f.encoding == SampleEncoding::kPcm && f.bits == 8 ? 0x80 : 0;
    std::size_t made = std::min(n, lead_);
    std::memset(bytes, silence, made);
    lead_ -= made;
    if (made < n) {
        const std::size_t got = stream_.Read(bytes + made, n - made);
        made += got;
        if (made < n) {  // the stream has ended
            const std::size_t pad = std::min(n - made, tail_);
            std::memset(bytes + made, silence, pad);
            made += pad;
            tail_ -= pad;
        }
    }
    return made;
}

namespace {

void Put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& s, std::uint64_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

std::string WaveFormatChunk(const StreamFormat& f) {
    const bool extensible = f.channels > 2 || f.bits > 16;
    const unsigned tag = f.encoding == SampleEncoding::kFloat ? kTagFloat : kTagPcm;
    std::string fmt;
    Put16(fmt, extensible ? static_cast<unsigned>(kTagExtensible) : tag);
    Put16(fmt, f.channels);
    Put32(fmt, f.rate);
    Put32(fmt, static_cast<std::uint64_t>(f.rate) * f.BlockAlign());
    Put16(fmt, f.BlockAlign());
    Put16(fmt, f.bits);
    if (extensible) {
        static const unsigned kMasks[9] = {0, 0x4, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x13F, 0x63F};
        Put16(fmt, 22);
        Put16(fmt, f.bits);                                   // valid bits
        Put32(fmt, f.channels < 9 ? kMasks[f.channels] : 0);  // speaker positions
        Put16(fmt, tag);                                      // the sub-format: the tag in the base GUID
        fmt += std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    }
    return fmt;
}

std::string WaveFileHeader(const StreamFormat& f, std::uint64_t data_bytes) {
    const std::string fmt = WaveFormatChunk(f);
    const std::uint64_t kMost = 0xFFFFFFFFu;
    const std::uint64_t riff = 4 + 8 + fmt.size() + 8 + data_bytes + (data_bytes & 1);
    std::string h = "RIFF";
    Put32(h, riff > kMost ? kMost : riff);
    h += "WAVEfmt ";
    Put32(h, fmt.size());
    h += fmt;
    h += "data";
    Put32(h, data_bytes > kMost - h.size() ? kMost : data_bytes);
    return h;
}

bool WritePlayoutWave(AnnouncementStream& stream, ByteSink& sink) {
    PlayoutStream playout(stream);
    const std::string placeholder = WaveFileHeader(stream.format(), 0);
    if (!sink.Write(placeholder.data(), placeholder.size())) return false;
    std::vector<char> buffer(64 * 1024);
    std::uint64_t written = 0;
    while (const std::size_t n = playout.Read(buffer.data(), buffer.size())) {
        if (!sink.Write(buffer.data(), n)) return false;
        written += n;
    }
    if (written & 1) {  // chunks are padded to even sizes
        const char pad = 0;
        if (!sink.Write(&pad, 1)) return false;
    }
    const std::string header = WaveFileHeader(stream.format(), written);
    return sink.WriteAt(0, header.data(), header.size());
}

}  // namespace vkm
