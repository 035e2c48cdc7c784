// Recognising WAV data before it is handed to the player.
#pragma once

#include <string_view>

namespace vkm {

// True when bytes begin as a RIFF WAVE file with a format and a data chunk.
bool IsWaveData(std::string_view bytes);

}  // namespace vkm
