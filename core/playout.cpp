#include "core/playout.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

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

}  // namespace vkm
