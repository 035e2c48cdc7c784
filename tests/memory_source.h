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
class MemoryView : public ByteSource {
  public:
    explicit MemoryView(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t n) override {
        if (offset >= bytes_.size()) return 0;
        const std::size_t count =
            static_cast<std::size_t>(std::min<std::uint64_t>(n, bytes_.size() - offset));
        if (count) std::memcpy(out, bytes_.data() + offset, count);
        return count;
    }

  private:
    std::string_view bytes_;
};

// Bytes held in memory.
class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t n) override {
        return MemoryView(bytes_).ReadAt(offset, out, n);
    }

  private:
    std::string bytes_;
};

}  // namespace vkm
