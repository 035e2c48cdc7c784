// Random access to the bytes of a file, read in small pieces, so that a large sound file is
// never held whole (the tests read memory through it: tests/memory_source.h).
#pragma once

#include <cstddef>
#include <cstdint>

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

}  // namespace vkm
