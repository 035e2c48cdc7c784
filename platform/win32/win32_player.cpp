// The announcement player: one worker thread, one waveOut device per announcement,
// a few buffers in flight, completion judged by each header's WHDR_DONE flag.
#include "platform/win32/win32_player.h"

#include <windows.h>
// After windows.h, which they need.
#include <mmreg.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "core/playout.h"
#include "platform/win32/handles.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32_sound.h"

namespace vkm {

namespace {

constexpr int kBuffers = 8;
constexpr unsigned kBufferMs = 25;
constexpr DWORD kStallMs = 5000;  // no buffer back for this long: the device is given up

// winmm, loaded when the first announcement plays: the window's start needs none of it.
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
        HMODULE winmm = LoadSystemLibrary(L"winmm.dll").release();
        auto get = [winmm](auto& fn, const char* name) { return Resolve(winmm, name, fn); };
        a.loaded = get(a.open, "waveOutOpen") & get(a.prepare, "waveOutPrepareHeader") &
                   get(a.unprepare, "waveOutUnprepareHeader") & get(a.write, "waveOutWrite") &
                   get(a.pause, "waveOutPause") & get(a.restart, "waveOutRestart") &
                   get(a.reset, "waveOutReset") & get(a.close, "waveOutClose");
        return a;
    }();
    return api;
}

// The device format for a stream format, as a WAV file's fmt chunk gives it.
WAVEFORMATEXTENSIBLE DeviceFormat(const StreamFormat& s) {
    WAVEFORMATEXTENSIBLE x = {};
    const std::string chunk = WaveFormatChunk(s);
    std::memcpy(&x, chunk.data(), std::min(chunk.size(), sizeof x));
    return x;
}

}  // namespace

struct Win32SoundPlayer::Impl {
    std::mutex mutex;
    std::deque<std::pair<Ticket, std::vector<Path>>> queue;
    Ticket last_ticket = 0;
    Ticket playing_ticket = 0;
    bool playing = false;       // the worker has taken an announcement
    bool abort = false;         // end what the worker has taken
    bool quit = false;          // shutting down
    bool idle_pending = false;  // Stop dropped waiting announcements while none played
    bool prepare = false;       // Prepare asked to get the device ready
    bool prepared = false;      // the device has been opened once
    std::function<void()> on_idle;
    std::function<void(const void*, std::size_t)> tap;
    std::vector<FragmentReport> last_reports;
    KernelHandle wake = MakeEvent();  // Play, Stop, Shutdown
    std::thread worker;

    void Run();
    // Starts the worker if it is not running; with the mutex held.
    void StartWorker();
    // Loads winmm and opens and closes the device once, for the first announcement to start at once.
    void PrepareDevice();
    // Plays one announcement to its end, or until it is aborted.
    void PlayAnnouncement(AnnouncementStream& stream);
    bool Aborted() {
        std::lock_guard<std::mutex> lock(mutex);
        return abort || quit;
    }
};

Win32SoundPlayer::Win32SoundPlayer() : impl_(std::make_unique<Impl>()) {}

Win32SoundPlayer::~Win32SoundPlayer() {
    Shutdown();
}

SoundPlayer::Ticket Win32SoundPlayer::Play(const std::vector<Path>& fragments) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (impl_->quit || !impl_->wake.get()) return 0;
    const Ticket ticket = ++impl_->last_ticket;
    impl_->queue.emplace_back(ticket, fragments);
    impl_->StartWorker();
    SetEvent(impl_->wake.get());
    return ticket;
}

void Win32SoundPlayer::Cancel(Ticket ticket) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (impl_->playing && impl_->playing_ticket == ticket) impl_->abort = true;
    for (auto it = impl_->queue.begin(); it != impl_->queue.end(); ++it)
        if (it->first == ticket) {
            impl_->queue.erase(it);
            break;
        }
    if (!impl_->playing && impl_->queue.empty()) impl_->idle_pending = true;
    if (impl_->wake.get()) SetEvent(impl_->wake.get());
}

void Win32SoundPlayer::PlayCue(Cue) {}

void Win32SoundPlayer::PrepareNext(const std::vector<Path>&) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (impl_->quit || !impl_->wake.get() || impl_->prepared) return;
    impl_->prepare = true;
    impl_->StartWorker();
    SetEvent(impl_->wake.get());
}

void Win32SoundPlayer::Impl::StartWorker() {
    if (!worker.joinable()) worker = std::thread([this] { Run(); });
}

void Win32SoundPlayer::Stop() {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (impl_->playing) {
        impl_->abort = true;
    } else if (!impl_->queue.empty()) {
        impl_->idle_pending = true;
    }
    impl_->queue.clear();
    if (impl_->wake.get()) SetEvent(impl_->wake.get());
}

bool Win32SoundPlayer::Busy() {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->playing || !impl_->queue.empty();
}

void Win32SoundPlayer::SetIdleCallback(std::function<void()> callback) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->on_idle = std::move(callback);
}

void Win32SoundPlayer::Shutdown() {
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        impl_->quit = true;
        impl_->queue.clear();
        if (impl_->wake.get()) SetEvent(impl_->wake.get());
    }
    if (impl_->worker.joinable()) impl_->worker.join();
}

void Win32SoundPlayer::SetDeviceTap(std::function<void(const void*, std::size_t)> tap) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->tap = std::move(tap);
}

std::vector<FragmentReport> Win32SoundPlayer::LastReports() {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->last_reports;
}

void Win32SoundPlayer::Impl::Run() {
    Win32SoundSources sources;  // the codecs stay loaded, their streams kept, while the worker lives
    for (;;) {
        std::vector<Path> list;
        std::function<void()> notify;
        bool have = false;
        bool get_ready = false;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (quit) return;
            get_ready = std::exchange(prepare, false) && !prepared;
            prepared = prepared || get_ready;
        }
        if (get_ready) PrepareDevice();
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (quit) return;
            if (!queue.empty()) {
                playing_ticket = queue.front().first;
                list = std::move(queue.front().second);
                queue.pop_front();
                playing = true;
                abort = false;
                have = true;
            } else if (idle_pending) {
                idle_pending = false;
                notify = on_idle;
            }
        }
        if (!have) {
            if (notify) notify();
            WaitForSingleObject(wake.get(), INFINITE);
            continue;
        }
        std::vector<FragmentReport> reports;
        try {
            if (!list.empty()) {
                AnnouncementStream stream(std::move(list), sources);
                PlayAnnouncement(stream);
                reports = stream.reports();
            }
        } catch (...) {
            // Out of memory, say: this announcement is lost, the player goes on.
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            last_reports = std::move(reports);
            playing = false;
            abort = false;
            if (quit) return;
            idle_pending = false;
            if (queue.empty()) notify = on_idle;
        }
        if (notify) notify();
    }
}

void Win32SoundPlayer::Impl::PrepareDevice() {
    const WaveOutApi& wave = WaveOut();
    if (!wave.loaded) return;
    const WAVEFORMATEXTENSIBLE format = DeviceFormat(StreamFormat{SampleEncoding::kPcm, 44100, 2, 16});
    HWAVEOUT device = nullptr;
    if (wave.open(&device, WAVE_MAPPER, &format.Format, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR)
        wave.close(device);
}

void Win32SoundPlayer::Impl::PlayAnnouncement(AnnouncementStream& stream) {
    if (Aborted()) return;

    const WaveOutApi& wave = WaveOut();
    KernelHandle done = MakeEvent();  // set by the device as each buffer comes back
    if (!wave.loaded || !done.valid()) {
        stream.SkipRest();  // no sound system: the announcement passes in silence
        return;
    }
    HWAVEOUT device = nullptr;
    WAVEFORMATEXTENSIBLE format = DeviceFormat(stream.format());
    MMRESULT r = wave.open(&device, WAVE_MAPPER, &format.Format, reinterpret_cast<DWORD_PTR>(done.get()), 0,
                           CALLBACK_EVENT);
    if (r != MMSYSERR_NOERROR && r != MMSYSERR_NODRIVER && r != MMSYSERR_BADDEVICEID) {
        // The device refuses the format: 16-bit PCM is what every device takes.
        stream.UsePcm16();
        format = DeviceFormat(stream.format());
        r = wave.open(&device, WAVE_MAPPER, &format.Format, reinterpret_cast<DWORD_PTR>(done.get()), 0,
                      CALLBACK_EVENT);
    }
    if (r != MMSYSERR_NOERROR) {
        stream.SkipRest();  // no device: the announcement passes in silence
        return;
    }

    const unsigned block = stream.format().BlockAlign();
    const std::size_t capacity = std::max<std::size_t>(1, stream.format().rate * kBufferMs / 1000) * block;
    // What the device is handed: freed only once the device has handed every buffer back.
    struct Buffers {
        std::vector<std::vector<char>> memory;
        WAVEHDR headers[kBuffers] = {};
        bool queued[kBuffers] = {};
    };
    auto buffers = std::make_unique<Buffers>();
    buffers->memory.assign(kBuffers, std::vector<char>(capacity));
    auto& memory = buffers->memory;
    auto& headers = buffers->headers;
    auto& queued = buffers->queued;
    bool ended = false;

    PlayoutStream playout(stream);  // the stream with a little silence before and after it
    std::function<void(const void*, std::size_t)> tap;
    {
        std::lock_guard<std::mutex> lock(mutex);
        tap = this->tap;
    }

    // Fills buffer i from the stream and queues it; false at the stream's end.
    auto queue_buffer = [&](int i) {
        const std::size_t n = playout.Read(memory[i].data(), capacity);
        if (n == 0) {
            ended = true;
            return false;
        }
        WAVEHDR& h = headers[i];
        h = WAVEHDR{};
        h.lpData = memory[i].data();
        h.dwBufferLength = static_cast<DWORD>(n);
        if (wave.prepare(device, &h, sizeof h) != MMSYSERR_NOERROR) {
            ended = true;
            return false;
        }
        if (wave.write(device, &h, sizeof h) != MMSYSERR_NOERROR) {
            wave.unprepare(device, &h, sizeof h);
            ended = true;
            return false;
        }
        queued[i] = true;
        if (tap) tap(h.lpData, n);
        return true;
    };

    // The device starts with every buffer queued, so that its first moments,
    // when the system is slowest to take data, cannot run dry.
    wave.pause(device);
    for (int i = 0; i < kBuffers && queue_buffer(i);) ++i;
    wave.restart(device);
    bool aborted = false;
    DWORD last_back = GetTickCount();
    for (;;) {
        if (Aborted()) {
            aborted = true;
            break;
        }
        int in_flight = 0;
        for (int i = 0; i < kBuffers; ++i) {
            // The flag, not the count of signals, tells which buffers came back.
            if (queued[i] && (headers[i].dwFlags & WHDR_DONE)) {
                wave.unprepare(device, &headers[i], sizeof headers[i]);
                queued[i] = false;
                last_back = GetTickCount();
                if (!ended) queue_buffer(i);
            }
            in_flight += queued[i];
        }
        if (in_flight == 0 && ended) break;
        if (GetTickCount() - last_back > kStallMs) {
            aborted = true;  // the device no longer plays (taken away, or hung)
            break;
        }
        const HANDLE waits[2] = {done.get(), wake.get()};
        WaitForMultipleObjects(2, waits, FALSE, 100);
    }
    if (aborted) wave.reset(device);  // hands every buffer back at once
    bool all_back = true;
    for (int i = 0; i < kBuffers; ++i) {
        if (!queued[i]) continue;
        for (int n = 0; !(headers[i].dwFlags & WHDR_DONE) && n < 1000; ++n) Sleep(1);
        if (headers[i].dwFlags & WHDR_DONE)
            wave.unprepare(device, &headers[i], sizeof headers[i]);
        else
            all_back = false;
    }
    if (!all_back) {
        // A driver that keeps a buffer after a reset may still write to it, or signal its event:
        // the buffers, the event and the device are left as they are, never freed.
        buffers.release();
        done.release();
        return;
    }
    wave.close(device);
}

}  // namespace vkm
