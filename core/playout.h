// What the player hands the sound device for one announcement: its stream with a little
// silence before and after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/announcement.h"

namespace vkm {

class PlayoutStream {
  public:
    // A device that has just started may drop the first few milliseconds it is given (Wine drops
    // up to 5 ms): they must be silence.
    static constexpr unsigned kLeadInMs = 6;
    // The end of what a device is given may come late: Wine's PulseAudio driver, finding the sound
    // server run dry before the last few samples, puts milliseconds of silence before them, a click.
    // Ending in silence, the stream's own last samples are never those.
    static constexpr unsigned kTailMs = 30;

    // stream must outlive this; its format may still change (UsePcm16) before the first Read.
    explicit PlayoutStream(AnnouncementStream& stream) : stream_(stream) {}

    // Fills out with up to n bytes of whole frames in the stream's format; 0 at the end.
    std::size_t Read(void* out, std::size_t n);

  private:
    AnnouncementStream& stream_;
    bool started_ = false;
    std::size_t lead_ = 0, tail_ = 0;  // bytes of silence still to come
};

// Writes what the player hands the device for stream as a WAV file of the stream's format: the
// bytes that would sound, whole. False when the sink fails.
bool WritePlayoutWave(AnnouncementStream& stream, ByteSink& sink);

// The body of the fmt chunk of a WAV file (a WAVEFORMATEX, or WAVEFORMATEXTENSIBLE beyond two
// channels or 16 bits, as Windows wants them) of the given format.
std::string WaveFormatChunk(const StreamFormat& format);

// The header of a WAV file of the given format holding data_bytes bytes of samples: 44 bytes,
// or 68 with the extensible format that more than two channels or more than 16 bits call for.
// Sizes beyond what the header can hold are written as 0xFFFFFFFF (to the end of the file).
std::string WaveFileHeader(const StreamFormat& format, std::uint64_t data_bytes);

}  // namespace vkm
