// The cues that tell a driver who cannot see the window that a correction was taken:
// short, quiet sounds the program makes itself, heard over whatever plays.
#pragma once

#include <cstdint>
#include <vector>

namespace vkm {

enum class Cue {
    kStep,          // the line moved: one soft tick
    kNothingMoved,  // nothing to take back or repeat: a lower double tick
};

// The cue's sound as 16-bit mono samples at rate: at most 60 ms, each tick a short tone burst
// that rises and falls smoothly (no click), its peak kCueDbfs, far below speech that is
// levelled for announcements (its peaks reach -1 dBFS).
constexpr double kCueDbfs = -26;
std::vector<std::int16_t> CueSamples(Cue cue, unsigned rate);

}  // namespace vkm
