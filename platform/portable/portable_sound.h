// Sound files on a POSIX system, for native tests and tools.
#pragma once

#include <memory>

#include "core/announcement.h"
#include "core/byte_source.h"

namespace vkm {

// A regular file read at offsets (pread). Backslashes in the path are separators.
class PortableFileSource : public ByteSource {
  public:
    // The opened file, or nullptr when it is missing or not a regular file.
    static std::unique_ptr<PortableFileSource> Open(const Path& path);
    ~PortableFileSource() override;
    PortableFileSource(const PortableFileSource&) = delete;
    PortableFileSource& operator=(const PortableFileSource&) = delete;

    std::uint64_t Size() const override { return size_; }
    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t n) override;

  private:
    PortableFileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    int fd_;
    std::uint64_t size_;
};

// Files from the file system; an optional default sound and codecs.
class PortableSoundSources : public SoundSources {
  public:
    explicit PortableSoundSources(std::optional<Path> default_sound = std::nullopt, Codecs* codecs = nullptr)
        : default_sound_(std::move(default_sound)), codecs_(codecs) {}
    std::unique_ptr<ByteSource> Open(const Path& path) override { return PortableFileSource::Open(path); }
    std::optional<Path> DefaultSoundPath() override { return default_sound_; }
    Codecs* codecs() override { return codecs_; }

  private:
    std::optional<Path> default_sound_;
    Codecs* codecs_;
};

}  // namespace vkm
