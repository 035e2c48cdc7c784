#include "platform/win32/player_voice.h"

#include <algorithm>
#include <utility>

namespace vkm {

namespace {

constexpr int kBuffers = SoundOutput::kBuffers;
constexpr unsigned kBufferMs = 25;
constexpr DWORD kReturnMs = 100;  // how long a reset stream's buffers are waited for

}  // namespace

bool AllBack(SoundOutput& out) {
    bool all = true;
    for (int i = 0; i < kBuffers; ++i) all &= out.Back(i);
    return all;
}

bool CloseOrLeaveToDriver(std::unique_ptr<SoundOutput> out, bool answering) {
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

Voice::Voice(const std::vector<Path>& fragments, SoundSources& sources) : stream_(fragments, sources) {}

Voice::~Voice() {
    Close();
}

bool Voice::Open(SoundDevice& device) {
    auto buffer_bytes = [this] {
        const StreamFormat& f = stream_.format();
        return std::max<std::size_t>(1, f.rate * kBufferMs / 1000) * f.BlockAlign();
    };
    SoundDevice::Refusal why = SoundDevice::Refusal::kNone;
    output_ = device.Open(stream_.format(), buffer_bytes(), why);
    if (!output_ && why == SoundDevice::Refusal::kFormat) {
        stream_.UsePcm16();  // what every device takes
        output_ = device.Open(stream_.format(), buffer_bytes(), why);
    }
    for (int i = 0; output_ && i < kBuffers && !ended_; ++i) Fill(i);
    return output_ != nullptr;
}

bool Voice::Start(Tell tell, bool held) {
    if (!output_ || !output_->Start()) return false;
    started_ = true;
    held_ = held;
    answered_ = GetTickCount();
    tell_ = std::move(tell);
    // Paused, its buffers went to the device in order from the first, and none came back.
    for (int i = 0; i < kBuffers && sizes_[i]; ++i) tell_(output_->Buffer(i), sizes_[i]);
    return true;
}

void Voice::Fill(int i) {
    char* data = output_->Buffer(i);
    const std::size_t n = playout_.Read(data, output_->capacity());
    if (n == 0 || !output_->Write(i, n)) {
        ended_ = true;
        return;
    }
    sizes_[i] = n;
    if (tell_) tell_(data, n);
}

Voice::Progress Voice::Feed() {
    int in_flight = 0;
    for (int i = 0; i < kBuffers; ++i) {
        if (sizes_[i] && output_->Back(i)) {
            sizes_[i] = 0;
            answered_ = GetTickCount();
            held_ = false;
        }
        if (!sizes_[i] && !ended_) Fill(i);
        in_flight += sizes_[i] != 0;
    }
    if (ended_ && in_flight == 0) return Progress::kPlayed;
    if (held_ && !Answering()) return Progress::kGone;
    if (GetTickCount() - answered_ > kStallMs) return Progress::kStalled;
    return Progress::kSounding;
}

bool Voice::Answering() const {
    return !started_ || GetTickCount() - answered_ < kAnswerMs;
}

bool Voice::Close(bool gone) {
    return CloseOrLeaveToDriver(std::move(output_), !gone && Answering());
}

}  // namespace vkm
