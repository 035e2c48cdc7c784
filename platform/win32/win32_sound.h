// Sound files, the default sound and the system codecs on Windows, for the player.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/announcement.h"
#include "platform/win32/handles.h"

namespace vkm {

// A file opened through the wide API (any path, shared with writers and
// deleters) and read at offsets.
class Win32FileSource : public ByteSource {
  public:
    // The opened file, or nullptr when it is missing, a folder or not a disk file.
    static std::unique_ptr<Win32FileSource> Open(const Path& path);

    std::uint64_t Size() const override { return size_; }
    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t n) override;

  private:
    Win32FileSource(FileHandle file, std::uint64_t size) : file_(std::move(file)), size_(size) {}
    FileHandle file_;
    std::uint64_t size_;
};

// An ACM conversion stream (an HACMSTREAM; msacm32.dll is loaded by the time one is open).
struct AcmStreamTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h);
};
using AcmStream = UniqueHandle<AcmStreamTraits>;

// Compressed formats through the Audio Compression Manager (msacm32.dll, loaded
// on first need and kept). Conversion streams are kept for reuse by later files of
// the same format: opening one costs milliseconds.
class AcmCodecs : public Codecs {
  public:
    // The most output one decoding call makes, in bytes: far more than a piece of any
    // real file makes (16 KB of ADPCM make 64 KB), and all that a damaged header can
    // make one call cost.
    static constexpr std::size_t kDefaultMaxOutput = 4 << 20;

    // A decoder asks the codec how much a piece of blocks makes and converts only as
    // many blocks as make at most max_output bytes; a format of which one block
    // makes more does not decode.
    explicit AcmCodecs(std::size_t max_output = kDefaultMaxOutput) : max_output_(max_output) {}
    AcmCodecs(const AcmCodecs&) = delete;
    AcmCodecs& operator=(const AcmCodecs&) = delete;

    std::unique_ptr<CompressedDecoder> Open(const WaveFormat& format) override;

    // A stream no decoder uses any more, kept for its format.
    void Return(const std::string& format_key, AcmStream stream);

  private:
    std::size_t max_output_;
    std::multimap<std::string, AcmStream> idle_;  // streams by source format
};

// The Windows default sound file of the current sound scheme, when there is one
// (HKCU\AppEvents\Schemes\Apps\.Default\.Default\.Current).
std::optional<Path> DefaultSoundFile();

// What the player reads: files through the wide API, the scheme's default sound,
// the ACM codecs.
class Win32SoundSources : public SoundSources {
  public:
    std::unique_ptr<ByteSource> Open(const Path& path) override { return Win32FileSource::Open(path); }
    std::optional<Path> DefaultSoundPath() override { return DefaultSoundFile(); }
    Codecs* codecs() override { return &codecs_; }

  private:
    AcmCodecs codecs_;
};

}  // namespace vkm
