#include "core/byte_source.h"

#include <algorithm>
#include <cstring>

namespace vkm {

namespace {

std::size_t CopyFrom(std::string_view bytes, std::uint64_t offset, void* out, std::size_t n) {
    if (offset >= bytes.size()) return 0;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(n, bytes.size() - offset));
    if (count) std::memcpy(out, bytes.data() + offset, count);
    return count;
}

}  // namespace

std::size_t MemorySource::ReadAt(std::uint64_t offset, void* out, std::size_t n) {
    return CopyFrom(bytes_, offset, out, n);
}

std::size_t MemoryView::ReadAt(std::uint64_t offset, void* out, std::size_t n) {
    return CopyFrom(bytes_, offset, out, n);
}

}  // namespace vkm
