// Taking a sound list apart: "gong.wav,a.wav," names two files.
#pragma once

#include <string>
#include <vector>

namespace vkm {

// The names of a sound list in order: one name before each comma, the text after
// the last comma ignored, empty names left out. Names are not trimmed.
std::vector<std::string> SoundListNames(const std::string& list);

}  // namespace vkm
