// The announcement player: callers queue work and flag the worker under one mutex; the worker
// opens, plays and silences the device's streams, and moves its state in one place.
#include "platform/win32/win32_player.h"

#include <process.h>

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <utility>

#include "core/playout.h"
#include "platform/win32/win32_sound.h"

namespace vkm {

namespace {

using State = Win32SoundPlayer::State;
constexpr int kBuffers = SoundOutput::kBuffers;
constexpr unsigned kBufferMs = 25;
constexpr DWORD kStallMs = 5000;  // no buffer back for this long while playing: the device is given up
constexpr DWORD kReturnMs = 100;  // how long a reset stream's buffers are waited for
// A playing stream hands a 25 ms buffer back every 25-50 ms (also on a sound server that plays in
// 2 s steps): one that has handed none back for this long no longer answers.
constexpr DWORD kAnswerMs = 200;
constexpr unsigned kCueRate = 44100;
// A cue's buffer: at most 60 ms of sound (core/cue.h) with silence before and after it.
constexpr std::size_t kCueBytes =
    2 * (kCueRate * (60 + PlayoutStream::kLeadInMs + PlayoutStream::kTailMs) / 1000);

// The moves of the worker's state, besides staying and Shutdown's move to kClosed.
[[maybe_unused]] bool Allowed(State from, State to) {
    switch (from) {
        case State::kIdle:
            return to == State::kOpening;
        case State::kOpening:
            return to == State::kPlaying || to == State::kIdle;
        case State::kPlaying:
            return to == State::kDraining || to == State::kStopping;
        case State::kDraining:
            return to == State::kIdle || to == State::kStopping;
        case State::kStopping:
            return to == State::kIdle;
        case State::kClosed:
            return false;
    }
    return false;
}

bool AllBack(SoundOutput& out) {
    bool all = true;
    for (int i = 0; i < kBuffers; ++i) all &= out.Back(i);
    return all;
}

// Closes the stream once the device has handed every buffer back, asked for them by a reset. A
// device that no longer answers (a playing stream that hands no buffer back) is not asked: it may
// not answer a reset or a close either, and the worker would wait inside it. A stream whose
// buffers are not all back is left to the driver, never freed: it may still write to them or
// signal the stream's event. False when the stream is left so.
bool Release(std::unique_ptr<SoundOutput> out, bool answering) {
    if (!out) return true;
    if (answering && !AllBack(*out)) {
        out->Reset();
        for (const DWORD start = GetTickCount(); !AllBack(*out) && GetTickCount() - start < kReturnMs;)
            WaitForSingleObject(out->signal(), 5);
    }
    if (answering && AllBack(*out)) return true;
    out.release();
    return false;
}

}  // namespace

struct Win32SoundPlayer::Core {
    Core(std::shared_ptr<SoundDevice> d, PlayerObserver* o) : device(std::move(d)), observer(o) {}

    // The one place the state changes; with the mutex held. False once closed.
    bool Enter(State next) {
        if (state == State::kClosed) return false;
        assert(next == state || next == State::kClosed || Allowed(state, next));
        state = next;
        return true;
    }

    mutable std::mutex mutex;  // everything below but the device and the observer
    State state = State::kIdle;
    std::deque<std::pair<Ticket, std::vector<Path>>> queue;  // announcements waiting
    Ticket last_ticket = 0;
    Ticket current = 0;       // the announcement the worker has taken, until it has ended
    Ticket silence = 0;       // Stop or Cancel asked to silence this one
    bool idle_owed = false;   // Stop or Cancel emptied the queue while none played: the callback is owed
    bool unanswered = false;  // a stream was left to a device that stopped answering
    bool release_prepared = false;  // Stop: the stream held ready is released (and made ready again)
    std::vector<Path> next;         // PrepareNext's fragments, until they play or change
    std::vector<Cue> cues;
    std::function<void()> on_idle;
    KernelHandle wake = MakeEvent();  // set by every call that gives the worker something to do

    const std::shared_ptr<SoundDevice> device;
    PlayerObserver* const observer;
    // Held while the worker calls out, so that Shutdown can wait for a call under way and no call
    // begins after it.
    std::timed_mutex calls;
};

namespace {

// The worker: owns its streams, files and codecs; meets the callers only in the core.
class Worker {
  public:
    explicit Worker(std::shared_ptr<Win32SoundPlayer::Core> core) : core_(std::move(core)), c_(*core_) {}
    void Run();

  private:
    // An announcement on its stream.
    struct Voice {
        ~Voice() { Release(std::move(output), Answering()); }  // only when an error cuts its turn short
        std::vector<Path> fragments;
        std::unique_ptr<AnnouncementStream> stream;
        std::unique_ptr<PlayoutStream> playout;  // the stream with a little silence before and after
        std::unique_ptr<SoundOutput> output;     // none: the announcement passes in silence
        std::size_t sizes[kBuffers] = {};        // bytes with the device, by buffer
        int held = 0;           // buffers written while it was held ready, not yet told to the observer
        bool was_held = false;  // it was held ready; no buffer has come back since it started
        bool ended = false;     // its stream has given all it has
        bool started = false;   // paused until then: nothing tells whether the device answers
        DWORD answered = 0;     // when the device last answered: started, or a buffer back
        void Started() {
            started = true;
            answered = GetTickCount();
        }
        bool Answering() const { return !started || GetTickCount() - answered < kAnswerMs; }
    };
    enum class Outcome { kPlayed, kSilenced, kStalled, kHeldGone };

    bool Enter(State next) {
        std::lock_guard<std::mutex> lock(c_.mutex);
        return c_.Enter(next);
    }
    State state() {
        std::lock_guard<std::mutex> lock(c_.mutex);
        return c_.state;
    }
    bool Silenced(SoundPlayer::Ticket ticket) {
        std::lock_guard<std::mutex> lock(c_.mutex);
        return c_.state == State::kClosed || c_.silence == ticket;
    }
    // Closes a stream or leaves it to a device that stopped answering (see Release), which the
    // player then tells.
    void Close(std::unique_ptr<SoundOutput> out, bool answering) {
        if (Release(std::move(out), answering)) return;
        std::lock_guard<std::mutex> lock(c_.mutex);
        c_.unanswered = true;
    }
    // Calls out to the idle callback or the observer, unless the player is closed.
    template <class Call>
    void CallOut(Call&& call) {
        std::lock_guard<std::timed_mutex> calls(c_.calls);
        if (state() != State::kClosed) call();
    }
    void Handed(SoundPlayer::Ticket ticket, const void* data, std::size_t n) {
        if (c_.observer) CallOut([&] { c_.observer->Handed(ticket, data, n); });
    }
    // Waits for the wake event, the handle given, or a cue's stream, ms at most.
    void Wait(HANDLE handle, DWORD ms) {
        HANDLE handles[3] = {c_.wake.get()};
        DWORD n = 1;
        if (handle) handles[n++] = handle;
        if (cue_) handles[n++] = cue_->signal();
        WaitForMultipleObjects(n, handles, FALSE, ms);
    }

    void PlayAnnouncement(SoundPlayer::Ticket ticket, const std::vector<Path>& fragments);
    std::unique_ptr<Voice> Open(const std::vector<Path>& fragments, SoundPlayer::Ticket ticket);
    std::unique_ptr<Voice> OpenAndStart(const std::vector<Path>& fragments, SoundPlayer::Ticket ticket);
    void Fill(Voice& v, int i, SoundPlayer::Ticket ticket);
    std::unique_ptr<Voice> StartPrepared(const std::vector<Path>& fragments, SoundPlayer::Ticket ticket);
    Outcome PlayOut(Voice& v, SoundPlayer::Ticket ticket);
    void Prepare(const std::vector<Path>& fragments);
    void ReleasePrepared();
    void SoundCues(const std::vector<Cue>& cues);
    void ReapCue();
    void Finished(SoundPlayer::Ticket ticket);

    std::shared_ptr<Win32SoundPlayer::Core> core_;
    Win32SoundPlayer::Core& c_;
    Win32SoundSources sources_;         // the codecs stay loaded while the worker lives
    std::unique_ptr<Voice> prepared_;   // the next press's announcement, held ready
    std::unique_ptr<SoundOutput> cue_;  // the cues' stream while a cue sounds
};

void Worker::Run() {
    for (;;) {
        enum { kNothing, kPlay, kPrepare, kRelease, kIdleOwed } work = kNothing;
        std::pair<SoundPlayer::Ticket, std::vector<Path>> taken;
        std::vector<Cue> cues;
        {
            std::lock_guard<std::mutex> lock(c_.mutex);
            if (c_.state == State::kClosed) break;
            cues = std::exchange(c_.cues, {});
            if (std::exchange(c_.release_prepared, false)) {
                work = kRelease;
            } else if (!c_.queue.empty()) {
                taken = std::move(c_.queue.front());
                c_.queue.pop_front();
                c_.current = taken.first;
                work = kPlay;
            } else if (std::exchange(c_.idle_owed, false)) {
                work = kIdleOwed;
            } else if (!c_.next.empty() && (!prepared_ || prepared_->fragments != c_.next)) {
                taken.second = c_.next;
                work = kPrepare;
            } else if (c_.next.empty() && prepared_) {
                work = kRelease;
            }
        }
        SoundCues(cues);
        try {
            switch (work) {
                case kPlay:
                    PlayAnnouncement(taken.first, taken.second);
                    break;
                case kPrepare:
                    Prepare(taken.second);
                    break;
                case kRelease:
                    ReleasePrepared();
                    break;
                case kIdleOwed:
                    break;
                case kNothing:
                    Wait(nullptr, cue_ ? 100 : INFINITE);
                    break;
            }
        } catch (...) {
            // Out of memory, say: this announcement is lost (its stream released as it went), the
            // player goes on.
            const State s = state();
            if (s == State::kPlaying || s == State::kDraining) Enter(State::kStopping);
            Enter(State::kIdle);
        }
        if (work == kPlay) Finished(taken.first);
        if (work == kIdleOwed)
            CallOut([this] {
                std::function<void()> on_idle;
                {
                    std::lock_guard<std::mutex> lock(c_.mutex);
                    on_idle = c_.on_idle;
                }
                if (on_idle) on_idle();
            });
        ReapCue();
    }
    ReleasePrepared();
    Close(std::move(cue_), true);
}

// Ends the turn of an announcement: the idle callback when nothing else waits.
void Worker::Finished(SoundPlayer::Ticket ticket) {
    std::function<void()> on_idle;
    {
        std::lock_guard<std::mutex> lock(c_.mutex);
        if (c_.current == ticket) c_.current = 0;
        if (c_.queue.empty() && c_.state != State::kClosed) on_idle = c_.on_idle;
    }
    if (on_idle) CallOut(on_idle);
}

void Worker::PlayAnnouncement(SoundPlayer::Ticket ticket, const std::vector<Path>& fragments) {
    if (!Enter(State::kOpening)) return;
    std::unique_ptr<Voice> v = StartPrepared(fragments, ticket);
    if (!v) v = OpenAndStart(fragments, ticket);
    // Another announcement's stream, held for a press that did not come: released once this
    // one sounds, so that it costs this one nothing.
    ReleasePrepared();
    if (Silenced(ticket)) {
        // Stopped before it started: nothing of it sounds.
    } else if (v->output && Enter(State::kPlaying)) {
        Outcome outcome = PlayOut(*v, ticket);
        if (outcome == Outcome::kHeldGone) {
            // The stream held ready went away meanwhile (a sound server restarted, a headset
            // unplugged): the announcement starts again on a new one.
            Close(std::move(v->output), false);
            v = OpenAndStart(fragments, ticket);
            outcome = v->output ? PlayOut(*v, ticket) : Outcome::kPlayed;
        }
        if (outcome != Outcome::kPlayed) Enter(State::kStopping);
    }
    if (!v->output && !Silenced(ticket)) {
        v->stream->SkipRest();  // no device: the announcement passes in silence
    }
    Close(std::move(v->output), v->Answering());
    if (c_.observer) CallOut([&] { c_.observer->Ended(ticket, v->stream->reports()); });
    Enter(State::kIdle);
}

// Opens the stream for the announcement's format (16-bit PCM when the device refuses it) and
// writes every buffer to it, paused: the device starts with all of them queued, so that its
// first moments, when the system is slowest to take data, cannot run dry.
std::unique_ptr<Worker::Voice> Worker::Open(const std::vector<Path>& fragments, SoundPlayer::Ticket ticket) {
    auto v = std::make_unique<Voice>();
    v->fragments = fragments;
    v->stream = std::make_unique<AnnouncementStream>(fragments, sources_);
    v->playout = std::make_unique<PlayoutStream>(*v->stream);
    auto buffer_bytes = [&v] {
        const StreamFormat& f = v->stream->format();
        return std::max<std::size_t>(1, f.rate * kBufferMs / 1000) * f.BlockAlign();
    };
    SoundDevice::Refusal why = SoundDevice::Refusal::kNone;
    v->output = c_.device->Open(v->stream->format(), buffer_bytes(), why);
    if (!v->output && why == SoundDevice::Refusal::kFormat) {
        v->stream->UsePcm16();  // what every device takes
        v->output = c_.device->Open(v->stream->format(), buffer_bytes(), why);
    }
    for (int i = 0; v->output && i < kBuffers && !v->ended; ++i) Fill(*v, i, ticket);
    return v;
}

// A new stream for the announcement, started (unless it was silenced meanwhile); without a stream
// when the device has none or refuses to start it.
std::unique_ptr<Worker::Voice> Worker::OpenAndStart(const std::vector<Path>& fragments,
                                                    SoundPlayer::Ticket ticket) {
    std::unique_ptr<Voice> v = Open(fragments, ticket);
    if (v->output && !Silenced(ticket)) {
        if (v->output->Start())
            v->Started();
        else
            Close(std::move(v->output), true);
    }
    return v;
}

// Fills buffer i from the stream and hands it over (ticket 0: held ready, told when it starts).
void Worker::Fill(Voice& v, int i, SoundPlayer::Ticket ticket) {
    char* data = v.output->Buffer(i);
    const std::size_t n = v.playout->Read(data, v.output->capacity());
    if (n == 0 || !v.output->Write(i, n)) {
        v.ended = true;
        return;
    }
    v.sizes[i] = n;
    if (ticket)
        Handed(ticket, data, n);
    else
        ++v.held;
}

// The announcement held ready, started, when it is the one to play; else nullptr (and a stream
// the device no longer takes, gone away while it was held, is released).
std::unique_ptr<Worker::Voice> Worker::StartPrepared(const std::vector<Path>& fragments,
                                                     SoundPlayer::Ticket ticket) {
    if (!prepared_ || prepared_->fragments != fragments) return nullptr;
    std::unique_ptr<Voice> v = std::move(prepared_);
    {
        std::lock_guard<std::mutex> lock(c_.mutex);
        if (c_.next == fragments) c_.next.clear();  // ready no more once played
    }
    if (Silenced(ticket)) return v;
    if (!v->output || !v->output->Start()) {
        Close(std::move(v->output), true);
        return nullptr;
    }
    v->Started();
    v->was_held = true;
    // Held ready, its buffers went to the device in order from the first.
    for (int i = 0; i < v->held; ++i) Handed(ticket, v->output->Buffer(i), v->sizes[i]);
    v->held = 0;
    return v;
}

// Plays the voice out: each buffer that comes back is filled and handed over again until the
// stream ends (kPlaying), then the last ones are waited for (kDraining).
Worker::Outcome Worker::PlayOut(Voice& v, SoundPlayer::Ticket ticket) {
    for (;;) {
        std::vector<Cue> cues;
        {
            std::lock_guard<std::mutex> lock(c_.mutex);
            // Silenced first, its cue after (a take-back's tick follows the silence).
            if (c_.state == State::kClosed || c_.silence == ticket) return Outcome::kSilenced;
            cues.swap(c_.cues);
        }
        SoundCues(cues);
        ReapCue();
        int in_flight = 0;
        for (int i = 0; i < kBuffers; ++i) {
            if (v.sizes[i] && v.output->Back(i)) {
                v.sizes[i] = 0;
                v.answered = GetTickCount();
                v.was_held = false;
            }
            if (!v.sizes[i] && !v.ended) Fill(v, i, ticket);
            in_flight += v.sizes[i] != 0;
        }
        if (!Enter(v.ended ? State::kDraining : State::kPlaying)) return Outcome::kSilenced;
        if (v.ended && in_flight == 0) return Outcome::kPlayed;
        if (v.was_held && !v.Answering()) return Outcome::kHeldGone;
        if (GetTickCount() - v.answered > kStallMs) return Outcome::kStalled;  // taken away, or hung
        Wait(v.output->signal(), 100);
    }
}

void Worker::Prepare(const std::vector<Path>& fragments) {
    if (!Enter(State::kOpening)) return;
    ReleasePrepared();
    prepared_ = Open(fragments, 0);
    Enter(State::kIdle);
}

void Worker::ReleasePrepared() {
    if (prepared_) Close(std::move(prepared_->output), prepared_->Answering());
    prepared_.reset();
}

// Each cue as one buffer on the cues' own stream: a little silence before it (a device that has
// just started drops what it is given first) and after it (the end of what a device is given may
// come late).
void Worker::SoundCues(const std::vector<Cue>& cues) {
    for (Cue cue : cues) {
        const std::vector<std::int16_t> samples = CueSamples(cue, kCueRate);
        const std::size_t lead = kCueRate * PlayoutStream::kLeadInMs / 1000;
        const std::size_t tail = kCueRate * PlayoutStream::kTailMs / 1000;
        const std::size_t bytes = std::min(kCueBytes, 2 * (lead + samples.size() + tail));
        if (!cue_) {
            SoundDevice::Refusal why;
            cue_ = c_.device->Open(StreamFormat{SampleEncoding::kPcm, kCueRate, 1, 16}, kCueBytes, why);
        }
        int free = 0;
        while (cue_ && free < kBuffers && !cue_->Back(free)) ++free;
        if (!cue_ || free == kBuffers) continue;  // no device, or too many cues at once
        char* data = cue_->Buffer(free);
        std::memset(data, 0, bytes);
        std::memcpy(data + 2 * lead, samples.data(), std::min(2 * samples.size(), bytes - 2 * lead));
        if (cue_->Write(free, bytes)) cue_->Start();
    }
}

void Worker::ReapCue() {
    if (cue_ && AllBack(*cue_)) Close(std::move(cue_), true);
}

unsigned __stdcall WorkerMain(void* share) {
    std::unique_ptr<std::shared_ptr<Win32SoundPlayer::Core>> core(
        static_cast<std::shared_ptr<Win32SoundPlayer::Core>*>(share));
    try {
        Worker(*core).Run();
    } catch (...) {
        // Out of memory before the worker could start: nothing plays.
    }
    return 0;
}

}  // namespace

Win32SoundPlayer::Win32SoundPlayer(std::shared_ptr<SoundDevice> device, PlayerObserver* observer)
    : core_(std::make_shared<Core>(std::move(device), observer)) {}

Win32SoundPlayer::~Win32SoundPlayer() {
    Shutdown();
}

bool Win32SoundPlayer::StartWorker() {
    if (core_->state == State::kClosed || !core_->wake.valid()) return false;
    if (thread_.valid()) return true;
    auto* share = new std::shared_ptr<Core>(core_);
    thread_ =
        KernelHandle(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, WorkerMain, share, 0, nullptr)));
    if (!thread_.valid()) delete share;
    return thread_.valid();
}

SoundPlayer::Ticket Win32SoundPlayer::Play(const std::vector<Path>& fragments) {
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (!StartWorker()) return 0;
    const Ticket ticket = ++core_->last_ticket;
    core_->queue.emplace_back(ticket, fragments);
    SetEvent(core_->wake.get());
    return ticket;
}

void Win32SoundPlayer::PrepareNext(const std::vector<Path>& fragments) {
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (!StartWorker()) return;
    core_->next = fragments;
    SetEvent(core_->wake.get());
}

void Win32SoundPlayer::Cancel(Ticket ticket) {
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (ticket == 0) return;
    if (ticket == core_->current) {
        core_->silence = ticket;
    } else {
        for (auto it = core_->queue.begin(); it != core_->queue.end(); ++it)
            if (it->first == ticket) {
                core_->queue.erase(it);
                core_->idle_owed |= core_->current == 0 && core_->queue.empty();
                break;
            }
    }
    if (core_->wake.valid()) SetEvent(core_->wake.get());
}

void Win32SoundPlayer::PlayCue(Cue cue) {
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (!StartWorker()) return;
    core_->cues.push_back(cue);
    SetEvent(core_->wake.get());
}

void Win32SoundPlayer::Stop() {
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (core_->current)
        core_->silence = core_->current;
    else if (!core_->queue.empty())
        core_->idle_owed = true;
    core_->queue.clear();
    core_->release_prepared = true;
    if (core_->wake.valid()) SetEvent(core_->wake.get());
}

bool Win32SoundPlayer::Busy() {
    std::lock_guard<std::mutex> lock(core_->mutex);
    return core_->state != State::kClosed && (core_->current != 0 || !core_->queue.empty());
}

bool Win32SoundPlayer::DeviceStoppedAnswering() const {
    std::lock_guard<std::mutex> lock(core_->mutex);
    return core_->unanswered;
}

Win32SoundPlayer::State Win32SoundPlayer::state() const {
    std::lock_guard<std::mutex> lock(core_->mutex);
    return core_->state;
}

void Win32SoundPlayer::SetIdleCallback(std::function<void()> callback) {
    std::lock_guard<std::mutex> lock(core_->mutex);
    core_->on_idle = std::move(callback);
}

void Win32SoundPlayer::Shutdown() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kShutdownDeadlineMs);
    HANDLE thread = nullptr;
    {
        std::lock_guard<std::mutex> lock(core_->mutex);
        core_->Enter(State::kClosed);
        core_->queue.clear();
        if (core_->wake.valid()) SetEvent(core_->wake.get());
        thread = thread_.get();
    }
    // A call out under way ends first; none begins afterwards (each checks the state).
    if (core_->calls.try_lock_until(deadline)) core_->calls.unlock();
    if (!thread) return;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    const DWORD wait = left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
    const bool ended = WaitForSingleObject(thread, wait) == WAIT_OBJECT_0;
    std::lock_guard<std::mutex> lock(core_->mutex);
    core_->unanswered |= !ended;
    thread_ = KernelHandle();  // the thread itself runs on if the driver holds it
}

}  // namespace vkm
