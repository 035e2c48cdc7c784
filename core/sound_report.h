// What an author hears in a line's sound files beyond whether they play: silence at an end
// (a pause inside an announcement), a loudness far from the line's (a jump in level),
// clipping, a DC offset or an abrupt first or last sample (a click at the join), a
// conversion to another rate or channel count, a compressed file without its length.
// These are notes, not faults: the line plays as its author wrote it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/announcement.h"
#include "core/line_sounds.h"

namespace vkm {

// An announcement of a line as the program plays it, with how a report names it and the name
// of the file it is rendered to.
struct PlayedAnnouncement {
    std::string label;      // "hlášení „1“", "konec linky", "uživatelská klávesa „ALT+B“"
    std::string file_name;  // "01_odjezd.wav", "05_konec.wav", "u_ALT+B.wav"
    std::vector<const LineSound*> sounds;  // in the order they play
};

// Every announcement of the line as the presses from Start play them, in order (after an odd
// number of them, the arrival that closes the line has one of its own), then the user
// announcements. The sounds point into line.
std::vector<PlayedAnnouncement> LinePlayback(const Line& line);

struct SoundReport {
    std::size_t files = 0;              // the distinct sound files the line plays
    std::size_t measured = 0;           // of them, those measured
    std::optional<double> median_lufs;  // the median loudness of the measured ones that have one
    std::vector<std::string> notes;     // Czech, UTF-8: each names its file and where the line uses it
};

// Reads each sound file of the line (sounds: the walk over its sounds) once, in pieces. sources
// opens the files; without a codec for it, a compressed file is not measured.
SoundReport ReportSounds(const Line& line, const LineSounds& sounds, SoundSources& sources);

}  // namespace vkm
