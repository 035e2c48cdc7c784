// The sound device as the player drives it: streams opened paused, each with a fixed ring of
// buffers that are handed to the device and handed back. Small, so that a test can stand in for
// a device that misbehaves.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>

#include "core/announcement.h"

namespace vkm {

// One open stream. Its buffers are its own; a buffer handed to the device is the device's until it
// comes back, so a stream may be freed only once every buffer is back.
class SoundOutput {
  public:
    static constexpr int kBuffers = 8;

    virtual ~SoundOutput() = default;
    // Buffer i, capacity() bytes, to be filled while it is not with the device.
    virtual char* Buffer(int i) = 0;
    virtual std::size_t capacity() const = 0;
    // Hands the first n bytes of buffer i to the device, after those handed before; false when
    // the device refuses them.
    virtual bool Write(int i, std::size_t n) = 0;
    // True unless buffer i is with the device.
    virtual bool Back(int i) = 0;
    // Plays what was handed over and what will be (a stream opens paused); false when refused.
    virtual bool Start() = 0;
    // Silences the stream at once and asks the device for every buffer back.
    virtual void Reset() = 0;
    // Set each time a buffer comes back.
    virtual HANDLE signal() const = 0;
};

class SoundDevice {
  public:
    enum class Refusal { kNone, kFormat, kNoDevice };

    virtual ~SoundDevice() = default;
    // A paused stream of the format with kBuffers buffers of buffer_bytes each, or nullptr with why
    // it was refused.
    virtual std::unique_ptr<SoundOutput> Open(const StreamFormat& format, std::size_t buffer_bytes,
                                              Refusal& why) = 0;
};

// The system's default device through winmm's waveOut; winmm is loaded when the first stream opens,
// so that the window's start needs none of it.
std::shared_ptr<SoundDevice> WaveOutDevice();

}  // namespace vkm
