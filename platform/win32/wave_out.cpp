// The sound device through winmm's waveOut: one device handle per stream, its buffers' headers
// judged by their WHDR_DONE flag, a CALLBACK_EVENT event set as each comes back.
#include <windows.h>
// After windows.h, which they need.
#include <mmreg.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/playout.h"
#include "platform/win32/handles.h"
#include "platform/win32/sound_device.h"
#include "platform/win32/system_library.h"

namespace vkm {

namespace {

// winmm, loaded when the first stream opens.
struct WaveOutApi {
    decltype(&waveOutOpen) open = nullptr;
    decltype(&waveOutPrepareHeader) prepare = nullptr;
    decltype(&waveOutUnprepareHeader) unprepare = nullptr;
    decltype(&waveOutWrite) write = nullptr;
    decltype(&waveOutPause) pause = nullptr;
    decltype(&waveOutRestart) restart = nullptr;
    decltype(&waveOutReset) reset = nullptr;
    decltype(&waveOutClose) close = nullptr;
    bool loaded = false;
};

const WaveOutApi& WaveOut() {
    static const WaveOutApi api = [] {
        WaveOutApi a;
        SystemLibrary winmm = SystemLibrary::Load(L"winmm.dll");
        winmm.Find("waveOutOpen", a.open);
        winmm.Find("waveOutPrepareHeader", a.prepare);
        winmm.Find("waveOutUnprepareHeader", a.unprepare);
        winmm.Find("waveOutWrite", a.write);
        winmm.Find("waveOutPause", a.pause);
        winmm.Find("waveOutRestart", a.restart);
        winmm.Find("waveOutReset", a.reset);
        winmm.Find("waveOutClose", a.close);
        a.loaded = winmm.all_found();
        return a;
    }();
    return api;
}

// An open waveOut device (winmm is loaded by then).
struct WaveOutTraits {
    using Handle = HWAVEOUT;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { WaveOut().close(h); }
};
using WaveOutHandle = UniqueHandle<WaveOutTraits>;

class WaveOutStream : public SoundOutput {
  public:
    explicit WaveOutStream(std::size_t buffer_bytes)
        : memory_(kBuffers * buffer_bytes), capacity_(buffer_bytes) {}

    SoundDevice::Refusal Open(const StreamFormat& stream) {
        const WaveOutApi& api = WaveOut();
        if (!api.loaded || !event_.valid()) return SoundDevice::Refusal::kNoDevice;
        // The device format as a WAV file's fmt chunk gives it.
        WAVEFORMATEXTENSIBLE format = {};
        const std::string chunk = WaveFormatChunk(stream);
        std::memcpy(&format, chunk.data(), std::min(chunk.size(), sizeof format));
        HWAVEOUT device = nullptr;
        const MMRESULT r = api.open(&device, WAVE_MAPPER, &format.Format,
                                    reinterpret_cast<DWORD_PTR>(event_.get()), 0, CALLBACK_EVENT);
        if (r == MMSYSERR_NODRIVER || r == MMSYSERR_BADDEVICEID) return SoundDevice::Refusal::kNoDevice;
        if (r != MMSYSERR_NOERROR) return SoundDevice::Refusal::kFormat;
        device_ = WaveOutHandle(device);
        api.pause(device);
        return SoundDevice::Refusal::kNone;
    }

    char* Buffer(int i) override { return memory_.data() + static_cast<std::size_t>(i) * capacity_; }
    std::size_t capacity() const override { return capacity_; }
    bool Write(int i, std::size_t n) override {
        const WaveOutApi& api = WaveOut();
        WAVEHDR& h = headers_[i];
        h = WAVEHDR{};
        h.lpData = Buffer(i);
        h.dwBufferLength = static_cast<DWORD>(n);
        if (api.prepare(device_.get(), &h, sizeof h) != MMSYSERR_NOERROR) return false;
        if (api.write(device_.get(), &h, sizeof h) != MMSYSERR_NOERROR) {
            api.unprepare(device_.get(), &h, sizeof h);
            return false;
        }
        queued_[i] = true;
        return true;
    }
    bool Back(int i) override {
        // The flag, not the count of signals, tells which buffers came back.
        if (!queued_[i]) return true;
        if (!(headers_[i].dwFlags & WHDR_DONE)) return false;
        WaveOut().unprepare(device_.get(), &headers_[i], sizeof headers_[i]);
        queued_[i] = false;
        return true;
    }
    bool Start() override { return WaveOut().restart(device_.get()) == MMSYSERR_NOERROR; }
    void Reset() override { WaveOut().reset(device_.get()); }
    HANDLE signal() const override { return event_.get(); }

  private:
    // Declared first, freed last: the device signals the event until it is closed.
    KernelHandle event_ = MakeEvent();
    std::vector<char> memory_;
    std::size_t capacity_;
    WAVEHDR headers_[kBuffers] = {};
    bool queued_[kBuffers] = {};
    WaveOutHandle device_;
};

class WaveOutDeviceImpl : public SoundDevice {
  public:
    std::unique_ptr<SoundOutput> Open(const StreamFormat& format, std::size_t buffer_bytes,
                                      Refusal& why) override {
        auto stream = std::make_unique<WaveOutStream>(buffer_bytes);
        why = stream->Open(format);
        if (why != Refusal::kNone) return nullptr;
        return stream;
    }
};

}  // namespace

std::shared_ptr<SoundDevice> WaveOutDevice() {
    return std::make_shared<WaveOutDeviceImpl>();
}

}  // namespace vkm
