// Random access to the bytes of a file (or of memory), read in small pieces, so
// that a large sound file is never held whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vkm {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // The size in bytes, as known when the source was opened.
    virtual std::uint64_t Size() const = 0;
    // Copies up to n bytes starting at offset into out and returns how many it
    // copied: fewer than n only at the end or when reading fails.
    virtual std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t n) = 0;
};

// Where bytes are written, from the start; what was written may be written over.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    // Appends n bytes; false when they cannot be written.
    virtual bool Write(const void* data, std::size_t n) = 0;
    // Writes n bytes at offset, over bytes written before (a header completed at the end).
    virtual bool WriteAt(std::uint64_t offset, const void* data, std::size_t n) = 0;
};

// Bytes held in memory.
class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t n) override;

  private:
    std::string bytes_;
};

// Bytes that belong to the caller, who keeps them alive while the view is used.
class MemoryView : public ByteSource {
  public:
    explicit MemoryView(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t n) override;

  private:
    std::string_view bytes_;
};

}  // namespace vkm
