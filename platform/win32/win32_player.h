// The announcement player on Windows: one worker thread in a named state that schedules the
// announcements, each played by a voice on a stream of the sound device (winmm's waveOut, or a
// test's); the next press's announcement made ready by its ticket; a shutdown with one deadline.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "core/announcement.h"
#include "platform/platform.h"
#include "platform/win32/handles.h"
#include "platform/win32/sound_device.h"

namespace vkm {

// What the player's worker does.
enum class PlayerState {
    kIdle,      // waits for work; may hold the next press's announcement ready (its files open, its
                // first buffers written to a paused stream) or release it
    kOpening,   // opens an announcement's files and stream, to play it or to hold it ready
    kPlaying,   // the stream plays; each buffer that comes back is filled and handed over again
    kDraining,  // the announcement has given all its sound; its last buffers play out
    kStopping,  // silences the stream (Stop, Cancel, or a device that keeps its buffers); then idle,
                // or opening when the stream held ready went away and the announcement starts again
    kClosed,    // Shutdown: nothing more plays and nothing is called back; the worker ends
};

// The worker's state and the one place it moves, under the player's mutex. Staying, and
// Shutdown's move to kClosed, are always allowed; any other move must be in the table of allowed
// moves (win32_player.cpp). In every build a move outside it is refused: the state stays where it
// was, the first refusal is said through the debugger's output (OutputDebugString; no file is
// written), and the worker, told so, silences what it plays and ends its turn in kIdle by allowed
// moves. Once kClosed nothing moves.
class PlayerStates {
  public:
    enum class Move { kMade, kStayed, kRefused, kClosed };
    Move Enter(PlayerState next);
    PlayerState get() const { return state_; }

  private:
    PlayerState state_ = PlayerState::kIdle;
    bool said_ = false;
};

// What a test or a tool may watch of the player. Called on the worker's thread, one call at a time;
// each must be short and wait for nothing. None comes after Shutdown has returned.
class PlayerObserver {
  public:
    virtual ~PlayerObserver() = default;
    // Bytes handed to the device for an announcement, in order (a prepared announcement's first
    // buffers when it starts).
    virtual void Handed(SoundPlayer::Ticket, const void* /*data*/, std::size_t /*n*/) {}
    // An announcement has ended (played out or silenced): what became of each fragment it reached.
    virtual void Ended(SoundPlayer::Ticket, const std::vector<FragmentReport>& /*reports*/) {}
    // The worker's state moved, or a move was refused (see PlayerStates).
    virtual void Moved(PlayerState /*from*/, PlayerState /*to*/) {}
    virtual void Refused(PlayerState /*from*/, PlayerState /*to*/) {}
};

// Plays announcements on a worker thread of its own, each as one continuous stream
// (core/announcement.h) on a stream of the device (player_voice.h); cues on a second stream beside
// it, which the system mixes in. The worker starts with the first call that gives it work.
//
// Shutdown has one deadline, kShutdownDeadlineMs, for everything it does on the caller's thread.
// A driver that does not answer within it keeps the worker: the worker and all it uses (the
// player's shared core, the device, the streams and their buffers) are then left to it and never
// freed.
class Win32SoundPlayer : public SoundPlayer {
  public:
    using State = PlayerState;

    // observer, when given, must outlive Shutdown.
    explicit Win32SoundPlayer(std::shared_ptr<SoundDevice> device = WaveOutDevice(),
                              PlayerObserver* observer = nullptr);
    // Shuts down.
    ~Win32SoundPlayer() override;
    Win32SoundPlayer(const Win32SoundPlayer&) = delete;
    Win32SoundPlayer& operator=(const Win32SoundPlayer&) = delete;

    Ticket Play(const std::vector<Path>& fragments, Ticket prepared = 0) override;
    // The worker, when idle, opens the files, decides the format, opens a stream paused and
    // writes its first 200 ms to it; a Play naming the ticket then only starts that stream. The
    // stream is released by Stop (and made ready again), by another announcement that plays
    // first (and made ready again), by another PrepareNext and by Shutdown.
    Ticket PrepareNext(const std::vector<Path>& fragments) override;
    // Asks the worker to silence the announcement (the stream reset) if it plays, or drops it if
    // it waits; returns at once.
    void Cancel(Ticket ticket) override;
    // A second stream for cues, opened when a cue comes and closed when it has played.
    void PlayCue(Cue cue) override;
    // Drops what waits and asks the worker to silence what plays (the stream reset, within
    // milliseconds); returns at once, never waiting for the driver.
    void Stop() override;
    bool Busy() override;

    // Called each time the player becomes idle: the last announcement has played out, or Stop or
    // Cancel ended what played or waited. It runs ON THE WORKER THREAD: it must not touch the
    // window or wait for the window's thread; post a message to the window (PostMessage, not
    // PostThreadMessage, which modal loops drop).
    void SetIdleCallback(std::function<void()> callback) override;
    // Enters kClosed, so that the worker silences its streams and ends, and waits for it until
    // kShutdownDeadlineMs after the call at most. The idle callback and the observer are not
    // called afterwards; Play does nothing. The window calls it when it closes.
    void Shutdown() override;

    State state() const;
    // True once the device has stopped answering: a stream was left to it unclosed, or Shutdown
    // returned while the worker was still held inside the driver. Threads of such a driver may
    // be waiting inside it when the process ends (see EndProcessAtOnce, platform/win32/host.h).
    bool DeviceStoppedAnswering() const;

    struct Core;

  private:
    // Starts the worker if it is not running; with the core's mutex held. False when it cannot.
    bool StartWorker();

    std::shared_ptr<Core> core_;  // shared with the worker, which may outlive the player
    KernelHandle thread_;         // guarded by the core's mutex
};

}  // namespace vkm
