// The announcement player on Windows: one worker thread, one winmm waveOut device per
// announcement.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "core/announcement.h"
#include "platform/platform.h"

namespace vkm {

// Plays announcements on a worker thread of its own, each as one continuous
// stream (core/announcement.h) through one winmm waveOut device. The worker
// starts with the first Play and ends in Shutdown or the destructor.
class Win32SoundPlayer : public SoundPlayer {
  public:
    Win32SoundPlayer();
    // Shuts down.
    ~Win32SoundPlayer() override;
    Win32SoundPlayer(const Win32SoundPlayer&) = delete;
    Win32SoundPlayer& operator=(const Win32SoundPlayer&) = delete;

    Ticket Play(const std::vector<Path>& fragments) override;
    // Starts the worker, which loads winmm and opens and closes the device once (the
    // first opening connects to the sound server, which takes tens of milliseconds).
    void PrepareNext(const std::vector<Path>& fragments) override;
    void Cancel(Ticket ticket) override;
    void PlayCue(Cue cue) override;
    // Silences the device at once (waveOutReset) and drops what waits; returns
    // without waiting for the worker.
    void Stop() override;
    bool Busy() override;

    // Called each time the player becomes idle: the last announcement has played
    // out, or Stop ended what played or waited. It runs ON THE WORKER THREAD: it
    // must not touch the window or wait for the window's thread; post a message
    // to the window (PostMessage, not PostThreadMessage, which modal loops drop).
    void SetIdleCallback(std::function<void()> callback) override;
    // Stops, closes the device and joins the worker; the idle callback is not
    // called. Play does nothing afterwards. The window calls it when it closes.
    void Shutdown() override;

    // What became of each fragment of the last announcement that ended.
    std::vector<FragmentReport> LastReports();

    // Called with every buffer the player hands the device, as it hands it, on the worker's
    // thread (what the device is given, for a test to compare). Set before Play.
    void SetDeviceTap(std::function<void(const void* data, std::size_t n)> tap);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vkm
