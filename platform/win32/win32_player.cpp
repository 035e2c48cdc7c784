// The announcement player: callers queue work and flag the worker under one mutex; the worker
// schedules it (the queue, the announcement made ready for the next press, the cues) and plays
// each announcement by a voice (player_voice.h), moving its state in one place.
#include "platform/win32/win32_player.h"

#include <process.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "core/playout.h"
#include "platform/win32/player_voice.h"
#include "platform/win32/win32_sound.h"

namespace vkm {

namespace {

using State = PlayerState;
using Ticket = SoundPlayer::Ticket;
constexpr int kBuffers = SoundOutput::kBuffers;
constexpr unsigned kCueRate = 44100;
// A cue's buffer: at most 60 ms of sound (core/cue.h) with silence before and after it.
constexpr std::size_t kCueBytes =
    2 * (kCueRate * (60 + PlayoutStream::kLeadInMs + PlayoutStream::kTailMs) / 1000);

// The moves of the worker's state, besides staying and Shutdown's move to kClosed.
bool Allowed(State from, State to) {
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
            return to == State::kIdle || to == State::kOpening;  // opening: the held stream went away
        case State::kClosed:
            return false;
    }
    return false;
}

const wchar_t* Name(State s) {
    static const wchar_t* const kNames[] = {L"idle",     L"opening",  L"playing",
                                            L"draining", L"stopping", L"closed"};
    return kNames[static_cast<int>(s)];
}

// The next press's announcement, made ready before the press by its ticket: what the callers and
// the worker share of it, under the core's mutex (the voice that holds its stream is the worker's
// alone). Its life:
//   kNone ─PrepareNext─► kWanted ─the worker opens it─► kOpening ─► kHeld ─Play(its ticket)─► kTaken
//   ─the worker starts it─► kNone.
// Stop, or another announcement that plays first: back to kWanted (its stream released, made ready
// again). PrepareNext again: another one, kWanted; of nothing: kNone.
class NextAnnouncement {
  public:
    enum class Stage { kNone, kWanted, kOpening, kHeld, kTaken };

    // PrepareNext: ticket is the one it will play under; 0 when there are no fragments.
    Ticket Want(Ticket ticket, const std::vector<Path>& fragments) {
        stage_ = fragments.empty() ? Stage::kNone : Stage::kWanted;
        ticket_ = fragments.empty() ? 0 : ticket;
        fragments_ = fragments;
        return ticket_;
    }
    // Play: true when prepared names this one, which then waits for the worker to start it.
    bool Take(Ticket prepared) {
        if (prepared == 0 || prepared != ticket_ || stage_ == Stage::kNone || stage_ == Stage::kTaken)
            return false;
        stage_ = Stage::kTaken;
        return true;
    }
    // Stop: a stream held or being opened is released and made ready again.
    void Renew() {
        if (stage_ != Stage::kNone) stage_ = Stage::kWanted;
    }
    // The worker, when it is wanted: it opens it now.
    std::optional<std::pair<Ticket, std::vector<Path>>> BeginOpening() {
        if (stage_ != Stage::kWanted) return std::nullopt;
        stage_ = Stage::kOpening;
        return std::make_pair(ticket_, fragments_);
    }
    // The worker has opened ticket: true when its voice is to be kept (still wanted, or taken).
    bool Opened(Ticket ticket) {
        if (ticket != ticket_ || (stage_ != Stage::kOpening && stage_ != Stage::kTaken)) return false;
        if (stage_ == Stage::kOpening) stage_ = Stage::kHeld;
        return true;
    }
    // A voice held for ticket is still wanted, or taken to play.
    bool Keeps(Ticket ticket) const {
        return ticket == ticket_ && (stage_ == Stage::kHeld || stage_ == Stage::kTaken);
    }
    bool Taken(Ticket ticket) const { return ticket == ticket_ && stage_ == Stage::kTaken; }
    // The voice held for ticket was released before its press: it is made ready again.
    void Released(Ticket ticket) {
        if (ticket == ticket_ && stage_ == Stage::kHeld) stage_ = Stage::kWanted;
    }
    // Ready no more: it plays now, it was cancelled, or it could not be opened.
    void Forget(Ticket ticket) {
        if (ticket == ticket_) stage_ = Stage::kNone;
    }

  private:
    Stage stage_ = Stage::kNone;
    Ticket ticket_ = 0;
    std::vector<Path> fragments_;
};

}  // namespace

PlayerStates::Move PlayerStates::Enter(PlayerState next) {
    if (state_ == State::kClosed) return Move::kClosed;
    if (next == state_) return Move::kStayed;
    if (next != State::kClosed && !Allowed(state_, next)) {
        if (!std::exchange(said_, true)) {
            const std::wstring text = std::wstring(L"Vlakomluv: the player refused to move from ") +
                                      Name(state_) + L" to " + Name(next) + L"; it goes on from idle.\n";
            OutputDebugStringW(text.c_str());
        }
        return Move::kRefused;
    }
    state_ = next;
    return Move::kMade;
}

struct Win32SoundPlayer::Core {
    Core(std::shared_ptr<SoundDevice> d, PlayerObserver* o) : device(std::move(d)), observer(o) {}

    State state() const { return states.get(); }

    mutable std::mutex mutex;  // everything below but the device and the observer
    PlayerStates states;
    std::deque<std::pair<Ticket, std::vector<Path>>> queue;  // announcements waiting
    Ticket last_ticket = 0;
    Ticket current = 0;       // the announcement the worker has taken, until it has ended
    Ticket silence = 0;       // Stop or Cancel asked to silence this one
    bool idle_owed = false;   // Stop or Cancel emptied the queue while none played: the callback is owed
    bool unanswered = false;  // a stream was left to a device that stopped answering
    NextAnnouncement next;
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

// The worker: the scheduler of the player. It owns the voices, the files and the codecs, meets the
// callers only in the core, and takes one turn at a time: an announcement to play, the next press's
// to make ready or release, an idle callback owed, or a wait.
class Worker {
  public:
    explicit Worker(std::shared_ptr<Win32SoundPlayer::Core> core) : core_(std::move(core)), c_(*core_) {}
    void Run();

  private:
    struct Turn {
        enum Work { kNothing, kPlay, kPrepare, kReleaseHeld, kIdleOwed, kEnd } work = kNothing;
        Ticket ticket = 0;
        std::vector<Path> fragments;
        std::vector<Cue> cues;
    };
    enum class Outcome { kPlayed, kSilenced, kStalled, kGone };

    Turn NextTurn();
    void Take(Turn& turn);
    bool Enter(State next);
    // Ends a turn in kIdle by allowed moves, whatever the turn left (an error cut it short, or a
    // move was refused).
    void Settle();
    State state() {
        std::lock_guard<std::mutex> lock(c_.mutex);
        return c_.state();
    }
    bool Silenced(Ticket ticket) {
        std::lock_guard<std::mutex> lock(c_.mutex);
        return c_.state() == State::kClosed || c_.silence == ticket;
    }
    // Closes a voice's stream or leaves it to a device that stopped answering, which the player
    // then tells (DeviceStoppedAnswering).
    void Close(Voice& v, bool gone = false) {
        if (v.Close(gone)) return;
        std::lock_guard<std::mutex> lock(c_.mutex);
        c_.unanswered = true;
    }
    // Calls out to the idle callback or the observer, unless the player is closed.
    template <class Call>
    void CallOut(Call&& call) {
        std::lock_guard<std::timed_mutex> calls(c_.calls);
        if (state() != State::kClosed) call();
    }
    void CallIdle();
    Voice::Tell Teller(Ticket ticket);
    // Waits for the wake event, the handle given, or a cue's stream, ms at most.
    void Wait(HANDLE handle, DWORD ms) {
        HANDLE handles[3] = {c_.wake.get()};
        DWORD n = 1;
        if (handle) handles[n++] = handle;
        if (cue_) handles[n++] = cue_->signal();
        WaitForMultipleObjects(n, handles, FALSE, ms);
    }

    void PlayAnnouncement(Ticket ticket, const std::vector<Path>& fragments);
    std::unique_ptr<Voice> StartHeld(Ticket ticket);
    std::unique_ptr<Voice> OpenAndStart(const std::vector<Path>& fragments, Ticket ticket);
    Outcome PlayOut(Voice& v, Ticket ticket);
    Outcome Restart(std::unique_ptr<Voice>& v, const std::vector<Path>& fragments, Ticket ticket);
    void Prepare(Ticket ticket, const std::vector<Path>& fragments);
    void ReleaseHeld();
    void SoundCues(const std::vector<Cue>& cues);
    void ReapCue();
    void CloseCue();
    void Finished(Ticket ticket);

    std::shared_ptr<Win32SoundPlayer::Core> core_;
    Win32SoundPlayer::Core& c_;
    Win32SoundSources sources_;  // the codecs stay loaded while the worker lives
    // The next press's announcement, held ready on its stream (see NextAnnouncement).
    std::unique_ptr<Voice> held_;
    Ticket held_ticket_ = 0;
    std::unique_ptr<SoundOutput> cue_;  // the cues' stream while a cue sounds
};

// What the worker does next, taken under the mutex: the queue first, then an idle callback owed,
// then the announcement made ready for the next press.
Worker::Turn Worker::NextTurn() {
    std::lock_guard<std::mutex> lock(c_.mutex);
    Turn turn;
    if (c_.state() == State::kClosed) {
        turn.work = Turn::kEnd;
        return turn;
    }
    turn.cues = std::exchange(c_.cues, {});
    if (!c_.queue.empty()) {
        turn.work = Turn::kPlay;
        turn.ticket = c_.queue.front().first;
        turn.fragments = std::move(c_.queue.front().second);
        c_.queue.pop_front();
        c_.current = turn.ticket;
    } else if (std::exchange(c_.idle_owed, false)) {
        turn.work = Turn::kIdleOwed;
    } else if (held_ && !c_.next.Keeps(held_ticket_)) {
        turn.work = Turn::kReleaseHeld;
    } else if (auto wanted = c_.next.BeginOpening()) {
        turn.work = Turn::kPrepare;
        turn.ticket = wanted->first;
        turn.fragments = std::move(wanted->second);
    }
    return turn;
}

void Worker::Run() {
    for (;;) {
        Turn turn = NextTurn();
        if (turn.work == Turn::kEnd) break;
        SoundCues(turn.cues);
        try {
            Take(turn);
        } catch (...) {
            // Out of memory, say: this announcement is lost (its stream released as it went), or
            // the next press's is not made ready; the player goes on.
            std::lock_guard<std::mutex> lock(c_.mutex);
            if (turn.work == Turn::kPrepare) c_.next.Forget(turn.ticket);
        }
        Settle();
        if (turn.work == Turn::kPlay) Finished(turn.ticket);
        if (turn.work == Turn::kIdleOwed) CallIdle();
        ReapCue();
    }
    ReleaseHeld();
    CloseCue();
}

void Worker::Take(Turn& turn) {
    switch (turn.work) {
        case Turn::kPlay:
            PlayAnnouncement(turn.ticket, turn.fragments);
            break;
        case Turn::kPrepare:
            Prepare(turn.ticket, turn.fragments);
            break;
        case Turn::kReleaseHeld:
            ReleaseHeld();
            break;
        case Turn::kNothing:
            Wait(nullptr, cue_ ? 100 : INFINITE);
            break;
        case Turn::kIdleOwed:
        case Turn::kEnd:
            break;
    }
}

// The one place the worker moves its state: a move made or refused is told to the observer.
bool Worker::Enter(State next) {
    State from;
    PlayerStates::Move move;
    {
        std::lock_guard<std::mutex> lock(c_.mutex);
        from = c_.state();
        move = c_.states.Enter(next);
    }
    if (c_.observer && move == PlayerStates::Move::kMade) CallOut([&] { c_.observer->Moved(from, next); });
    if (c_.observer && move == PlayerStates::Move::kRefused)
        CallOut([&] { c_.observer->Refused(from, next); });
    return move == PlayerStates::Move::kMade || move == PlayerStates::Move::kStayed;
}

void Worker::Settle() {
    const State s = state();
    if (s == State::kPlaying) Enter(State::kStopping);
    if (s != State::kIdle && s != State::kClosed) Enter(State::kIdle);
}

void Worker::CallIdle() {
    CallOut([this] {
        std::function<void()> on_idle;
        {
            std::lock_guard<std::mutex> lock(c_.mutex);
            on_idle = c_.on_idle;
        }
        if (on_idle) on_idle();
    });
}

// Ends the turn of an announcement: the idle callback when nothing else waits.
void Worker::Finished(Ticket ticket) {
    bool idle = false;
    {
        std::lock_guard<std::mutex> lock(c_.mutex);
        if (c_.current == ticket) c_.current = 0;
        idle = c_.queue.empty();
    }
    if (idle) CallIdle();
}

Voice::Tell Worker::Teller(Ticket ticket) {
    if (!c_.observer) return [](const void*, std::size_t) {};
    return [this, ticket](const void* data, std::size_t n) {
        CallOut([&] { c_.observer->Handed(ticket, data, n); });
    };
}

void Worker::PlayAnnouncement(Ticket ticket, const std::vector<Path>& fragments) {
    if (!Enter(State::kOpening)) return;
    std::unique_ptr<Voice> v = StartHeld(ticket);
    if (!v) v = OpenAndStart(fragments, ticket);
    // Another announcement's stream, held for a press that did not come (or not yet): released
    // once this one sounds, so that it costs this one nothing, and made ready again afterwards.
    bool taken = false;
    {
        std::lock_guard<std::mutex> lock(c_.mutex);
        taken = c_.next.Taken(held_ticket_);
    }
    if (!taken) ReleaseHeld();
    Outcome outcome = Outcome::kSilenced;
    if (v->has_stream() && !Silenced(ticket) && Enter(State::kPlaying)) {
        outcome = PlayOut(*v, ticket);
        if (outcome == Outcome::kGone) outcome = Restart(v, fragments, ticket);
    }
    const State s = state();
    if (outcome != Outcome::kPlayed && (s == State::kPlaying || s == State::kDraining))
        Enter(State::kStopping);
    if (!v->has_stream() && !Silenced(ticket)) v->SkipRest();  // no device: it passes in silence
    Close(*v);
    if (c_.observer) CallOut([&] { c_.observer->Ended(ticket, v->reports()); });
}

// The announcement held ready, started, when it is the one to play (unstarted when it was
// silenced meanwhile); else nullptr, and a stream the device no longer starts is released.
std::unique_ptr<Voice> Worker::StartHeld(Ticket ticket) {
    {
        std::lock_guard<std::mutex> lock(c_.mutex);
        c_.next.Forget(ticket);  // ready no more once it plays
    }
    if (!held_ || held_ticket_ != ticket) return nullptr;
    std::unique_ptr<Voice> v = std::move(held_);
    held_ticket_ = 0;
    if (Silenced(ticket)) return v;
    if (v->Start(Teller(ticket), true)) return v;
    Close(*v);
    return nullptr;
}

// A new stream for the announcement, started (unless it was silenced meanwhile); without a stream
// when the device has none or refuses to start it.
std::unique_ptr<Voice> Worker::OpenAndStart(const std::vector<Path>& fragments, Ticket ticket) {
    auto v = std::make_unique<Voice>(fragments, sources_);
    if (v->Open(*c_.device) && !Silenced(ticket) && !v->Start(Teller(ticket), false)) Close(*v);
    return v;
}

// Plays the voice out: each buffer that comes back is filled and handed over again until the
// announcement ends (kPlaying), then the last ones are waited for (kDraining).
Worker::Outcome Worker::PlayOut(Voice& v, Ticket ticket) {
    for (;;) {
        std::vector<Cue> cues;
        {
            std::lock_guard<std::mutex> lock(c_.mutex);
            // Silenced first, its cue after (a take-back's tick follows the silence).
            if (c_.state() == State::kClosed || c_.silence == ticket) return Outcome::kSilenced;
            cues.swap(c_.cues);
        }
        SoundCues(cues);
        ReapCue();
        const Voice::Progress progress = v.Feed();
        if (!Enter(v.ended() ? State::kDraining : State::kPlaying)) return Outcome::kSilenced;
        if (progress == Voice::Progress::kPlayed) return Outcome::kPlayed;
        if (progress == Voice::Progress::kGone) return Outcome::kGone;
        if (progress == Voice::Progress::kStalled) return Outcome::kStalled;
        Wait(v.signal(), 100);
    }
}

// The stream held ready went away meanwhile (a sound server restarted, a headset unplugged): it
// is left to its driver, and the announcement starts again on a new stream. Without one (the
// device refuses it) the announcement passes in silence.
Worker::Outcome Worker::Restart(std::unique_ptr<Voice>& v, const std::vector<Path>& fragments,
                                Ticket ticket) {
    if (!Enter(State::kStopping)) return Outcome::kSilenced;
    Close(*v, true);
    if (!Enter(State::kOpening)) return Outcome::kSilenced;
    v = OpenAndStart(fragments, ticket);
    if (!v->has_stream() || Silenced(ticket) || !Enter(State::kPlaying)) return Outcome::kSilenced;
    return PlayOut(*v, ticket);
}

void Worker::Prepare(Ticket ticket, const std::vector<Path>& fragments) {
    if (!Enter(State::kOpening)) return;
    ReleaseHeld();
    auto v = std::make_unique<Voice>(fragments, sources_);
    v->Open(*c_.device);
    bool keep = false;
    {
        std::lock_guard<std::mutex> lock(c_.mutex);
        keep = c_.next.Opened(ticket);
    }
    if (keep) {
        held_ = std::move(v);
        held_ticket_ = ticket;
    } else {
        Close(*v);  // another was asked for meanwhile
    }
}

void Worker::ReleaseHeld() {
    if (!held_) return;
    Close(*held_);
    held_.reset();
    std::lock_guard<std::mutex> lock(c_.mutex);
    c_.next.Released(std::exchange(held_ticket_, 0));
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
    if (cue_ && AllBack(*cue_)) CloseCue();
}

void Worker::CloseCue() {
    if (CloseOrLeaveToDriver(std::move(cue_), true)) return;
    std::lock_guard<std::mutex> lock(c_.mutex);
    c_.unanswered = true;
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
    if (core_->state() == State::kClosed || !core_->wake.valid()) return false;
    if (thread_.valid()) return true;
    auto* share = new std::shared_ptr<Core>(core_);
    thread_ =
        KernelHandle(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, WorkerMain, share, 0, nullptr)));
    if (!thread_.valid()) delete share;
    return thread_.valid();
}

SoundPlayer::Ticket Win32SoundPlayer::Play(const std::vector<Path>& fragments, Ticket prepared) {
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (!StartWorker()) return 0;
    const Ticket ticket = core_->next.Take(prepared) ? prepared : ++core_->last_ticket;
    core_->queue.emplace_back(ticket, fragments);
    SetEvent(core_->wake.get());
    return ticket;
}

SoundPlayer::Ticket Win32SoundPlayer::PrepareNext(const std::vector<Path>& fragments) {
    std::lock_guard<std::mutex> lock(core_->mutex);
    if (!StartWorker()) return 0;
    const Ticket ticket = core_->next.Want(core_->last_ticket + 1, fragments);
    core_->last_ticket += ticket != 0;
    SetEvent(core_->wake.get());
    return ticket;
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
                core_->next.Forget(ticket);
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
    core_->next.Renew();
    if (core_->wake.valid()) SetEvent(core_->wake.get());
}

bool Win32SoundPlayer::Busy() {
    std::lock_guard<std::mutex> lock(core_->mutex);
    return core_->state() != State::kClosed && (core_->current != 0 || !core_->queue.empty());
}

bool Win32SoundPlayer::DeviceStoppedAnswering() const {
    std::lock_guard<std::mutex> lock(core_->mutex);
    return core_->unanswered;
}

Win32SoundPlayer::State Win32SoundPlayer::state() const {
    std::lock_guard<std::mutex> lock(core_->mutex);
    return core_->state();
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
        core_->states.Enter(State::kClosed);
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
