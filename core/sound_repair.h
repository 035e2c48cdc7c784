// The repair of a line's sounds for its author: a copy of the line whose sounds share one format
// and have no DC offset, no more silence at either end than a margin, the line's loudness (as far
// as their peaks allow) and a short fade at each end. Each step is measured with the analysis of
// the line check's report, and every sound is read in pieces, in four passes (measure, find where
// it is heard once converted, measure what is kept, write), so memory does not grow with its length.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/announcement.h"
#include "core/line_sounds.h"

namespace vkm {

// The highest true peak a mended sound may have, in dB below full scale (ITU-R BS.1770).
constexpr double kRepairPeakDbtp = -1;
// A sound whose gain that peak stops short of its target by more than this is named.
constexpr double kRepairShortLu = 1;
// The fade at each end of a mended sound, or the margin when that is shorter.
constexpr double kRepairFadeSeconds = 0.005;

struct RepairOptions {
    std::optional<unsigned> rate;    // else the rate most of the line's sounds have
    std::optional<double> loudness;  // LUFS; else the line's median
    double margin_seconds = 0.050;   // silence kept before the first and after the last sound
};

// What becomes of one sound file of the line.
struct SoundRepair {
    LineSoundFile file;         // the file, as the walk over the line's sounds finds it
    bool copied = false;        // planned and handed to write; else why not is in unmended
    std::string before, after;  // formats, in Czech ("PCM 8 bitů, 8 000 Hz, mono")
    double gain_db = 0;         // the loudness set
    double trimmed_start_ms = 0, trimmed_end_ms = 0;
    std::vector<std::string> unmended;  // Czech, UTF-8: what the repair could not mend
    std::string not_written;            // Czech: why write could not make its file; empty when it did

    // Known after it is planned: how to write it.
    struct Plan {
        unsigned rate = 0, channels = 0;  // of the copy: 16-bit PCM
        // The DC offset removed from each channel of the source over the frames [heard_from,
        // heard_to), from the first that is not silent to the last: silence that an editor added at an
        // end has no offset and stays silence.
        std::vector<double> dc;
        std::uint64_t heard_from = 0, heard_to = 0;
        double gain = 1;
        std::uint64_t start = 0, end = 0;  // the frames kept, of the converted sound
        std::uint64_t fade = 0;            // frames faded in and out
    } plan;
};

struct LineRepair {
    unsigned rate = 0, channels = 0;    // the copy's format: 16-bit PCM of these
    std::optional<double> target_lufs;  // none when no sound has a loudness
    bool target_is_median = true;
    double margin_seconds = 0;
    std::vector<SoundRepair> sounds;  // every sound file of the line, in the order it first names them

    // Every sound copied was written.
    bool Whole() const;
};

// Measures each of the line's sound files and decides the copy's format and loudness; then, for
// each sound in turn, measures it converted and plans its repair, and hands it to write before
// the next is looked at. write gets the sound (with its plan), makes its file and says why it could
// not (Czech; empty when it did); it is not called for a sound that is not copied (missing,
// unplayable, outside the line's folder).
LineRepair RepairLine(const LineSounds& sounds, SoundSources& sources, const RepairOptions& options,
                      const std::function<std::string(const SoundRepair&)>& write);

// Writes the mended sound planned in repair as a WAV file to sink, read once more from sources.
// False when the source or the sink fails.
bool WriteRepairedSound(const SoundRepair& repair, SoundSources& sources, ByteSink& sink);

// A WAV format in Czech: "PCM 16 bitů, 22 050 Hz, mono", "IMA ADPCM, 22 050 Hz, mono".
std::string FormatText(const WaveFormat& format);

}  // namespace vkm
