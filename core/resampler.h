// Sample rate conversion with a windowed-sinc polyphase filter (Kaiser window):
// linear phase, passband flat to 43% of the lower rate, images and aliases above
// half the lower rate attenuated by about 100 dB. Output frame 0 falls on input
// frame 0; the signal is taken as silent before the first and after the last frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vkm {

class Resampler {
  public:
    Resampler(unsigned in_rate, unsigned out_rate, unsigned channels);

    // The frames made from in_frames frames: round(in_frames * out_rate / in_rate).
    static std::uint64_t OutputFrames(std::uint64_t in_frames, unsigned in_rate, unsigned out_rate);

    // Adds input frames (interleaved).
    void Push(const float* in, std::size_t frames);
    // No more input follows.
    void Finish();
    // Takes up to max_frames of the output frames that are ready (interleaved);
    // returns how many. After Finish, 0 means the end.
    std::size_t Pull(float* out, std::size_t max_frames);

    bool finished() const { return finished_; }

  private:
    void Compact();

    unsigned in_rate_, out_rate_, channels_;
    unsigned phases_ = 0;       // filter phases in the table
    bool exact_ = false;        // each output frame falls exactly on a phase
    int half_ = 0;              // taps on each side: input frames i0-half+1 .. i0+half
    std::vector<float> table_;  // (phases_ + 1) rows of 2*half_ taps

    std::vector<float> buffer_;      // input frames from buffer_start_ on, interleaved
    std::int64_t buffer_start_ = 0;  // the absolute index of buffer_'s first frame
    std::uint64_t pushed_ = 0;       // input frames pushed
    std::uint64_t next_out_ = 0;     // the next output frame
    bool finished_ = false;
};

}  // namespace vkm
