// The voice the player's worker plays: one announcement on one stream of the sound device.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "core/announcement.h"
#include "core/playout.h"
#include "platform/win32/sound_device.h"

namespace vkm {

// True when the device has handed every buffer of the stream back.
bool AllBack(SoundOutput& out);

// Closes the stream once the device has handed every buffer back, asked for them by a reset. A
// device that no longer answers (answering false) is not asked: it may not answer a reset or a
// close either, and the caller would wait inside it. A stream whose buffers are not all back is
// left to the driver, never freed: it may still write to them or signal the stream's event.
// False when the stream is left so.
bool CloseOrLeaveToDriver(std::unique_ptr<SoundOutput> out, bool answering);

// An announcement (core/announcement.h, with the playout's silence before and after) on a stream
// of its own: opened paused with its buffers written, started, then fed, each buffer that comes
// back filled and handed over again, until it has given all its sound and its last buffers have
// played. It knows nothing of the queue, the tickets or the player's state: the worker
// (win32_player.cpp) decides what it does and when.
class Voice {
  public:
    // What Feed found.
    enum class Progress {
        kSounding,  // buffers are with the device
        kPlayed,    // all its sound given, and every buffer back
        kGone,      // started after it was held ready, and the device has handed nothing back since
                    // (the stream went away while it was held: a sound server restarted, a headset
                    // unplugged)
        kStalled,   // no buffer back for kStallMs while playing: taken away, or hung
    };
    // Told the bytes handed to the device, in order from the first.
    using Tell = std::function<void(const void* data, std::size_t n)>;

    // How long a stream may play without a buffer coming back before it is given up.
    static constexpr DWORD kStallMs = 5000;
    // A playing stream hands a 25 ms buffer back every 25-50 ms (also on a sound server that plays
    // in 2 s steps): one that has handed none back for this long no longer answers.
    static constexpr DWORD kAnswerMs = 200;

    // The announcement's files opened, its format decided; no stream yet.
    Voice(const std::vector<Path>& fragments, SoundSources& sources);
    // The stream closed or left to its driver; the worker closes it itself (Close) but when an
    // error cuts its turn short.
    ~Voice();
    Voice(const Voice&) = delete;
    Voice& operator=(const Voice&) = delete;

    // Opens a paused stream for the announcement's format (16-bit PCM when the device refuses it)
    // and writes every buffer to it: the device starts with all of them queued, so that its first
    // moments, when the system is slowest to take data, cannot run dry. False without a stream.
    bool Open(SoundDevice& device);
    // Starts the stream, telling what was written so far and then each buffer handed over; held:
    // it was opened ahead of its press, and may have gone away meanwhile. False when refused.
    bool Start(Tell tell, bool held);
    // Takes back the buffers the device has handed back and fills them again.
    Progress Feed();
    // Closes the stream, or leaves it to its driver when the device stopped answering (gone: it
    // is known to have). False when it is left.
    bool Close(bool gone = false);
    // Without a stream: the rest of the announcement passes in silence (its files still read, and
    // reported as played).
    void SkipRest() { stream_.SkipRest(); }

    bool has_stream() const { return output_ != nullptr; }
    // The stream's event, set as each buffer comes back.
    HANDLE signal() const { return output_->signal(); }
    // The announcement has given all its sound.
    bool ended() const { return ended_; }
    const std::vector<FragmentReport>& reports() const { return stream_.reports(); }

  private:
    void Fill(int i);
    // The device answered lately: started, or a buffer came back (paused, nothing tells).
    bool Answering() const;

    AnnouncementStream stream_;
    PlayoutStream playout_{stream_};
    std::unique_ptr<SoundOutput> output_;
    std::size_t sizes_[SoundOutput::kBuffers] = {};  // bytes with the device, by buffer
    Tell tell_;                                      // once started
    bool ended_ = false;
    bool started_ = false;
    bool held_ = false;   // held ready before it started, and no buffer back since
    DWORD answered_ = 0;  // when the device last answered: started, or a buffer back
};

}  // namespace vkm
