// What only the tests, the fuzz harnesses and the test tools use: comparing text
// without regard to case, and short stable names of what became of a sound, which
// the tools print and the end-to-end tests read.
#pragma once

#include <string_view>

#include "core/announcement.h"
#include "core/codepage.h"
#include "core/wav.h"

namespace vkm {

// Two UTF-8 texts are the same without regard to case.
inline bool SameTextUtf8(std::string_view a, std::string_view b) {
    return a == b || UpperCaseUtf16(Utf8ToUtf16(a)) == UpperCaseUtf16(Utf8ToUtf16(b));
}

// clang-format off
inline const char* WaveFaultName(WaveFault fault) {
    switch (fault) {
        case WaveFault::kNone: return "ok";
        case WaveFault::kUnreadable: return "unreadable";
        case WaveFault::kNotWave: return "not-wave";
        case WaveFault::kNoFormat: return "no-format";
        case WaveFault::kNoData: return "no-data";
        case WaveFault::kBadHeader: return "bad-header";
        case WaveFault::kDataBeyondFile: return "data-beyond-file";
        case WaveFault::kUnsupported: return "unsupported";
    }
    return "?";
}

inline const char* FragmentResultName(FragmentResult result) {
    switch (result) {
        case FragmentResult::kCopied: return "copied";
        case FragmentResult::kConverted: return "converted";
        case FragmentResult::kDefaultSound: return "default-sound";
        case FragmentResult::kTone: return "tone";
    }
    return "?";
}
// clang-format on

}  // namespace vkm
