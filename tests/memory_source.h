// Sound files held in memory, for the tests and the fuzz harnesses: the program reads files only.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "core/byte_source.h"

namespace vkm {

// Bytes that belong to the caller, who keeps them alive while the view is used.
struct MemoryView : ByteSource {
    explicit MemoryView(std::string_view b) : bytes(b) {}
    std::uint64_t Size() const override { return bytes.size(); }
    std::size_t ReadAt(std::uint64_t at, void* out, std::size_t n) override {
        const std::size_t count = at < bytes.size() ? std::min<std::size_t>(n, bytes.size() - at) : 0;
        if (count) std::memcpy(out, bytes.data() + at, count);
        return count;
    }
    std::string_view bytes;
};

// Bytes held in memory.
struct MemorySource : ByteSource {
    explicit MemorySource(std::string b) : bytes(std::move(b)) {}
    std::uint64_t Size() const override { return bytes.size(); }
    std::size_t ReadAt(std::uint64_t at, void* out, std::size_t n) override {
        return MemoryView(bytes).ReadAt(at, out, n);
    }
    std::string bytes;
};

}  // namespace vkm
