// The line check for authors: what a driver would meet with a line definition file,
// read exactly as the program reads it. Faults make the line play otherwise than its
// author wrote it (a sound that is missing or cannot be played, a key that cannot be
// bound, an announcement that is empty or written twice); warnings name what the
// program reads so on purpose but the author hardly meant.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/announcement.h"
#include "core/file_system.h"
#include "core/ini.h"
#include "core/simulator_keys.h"
#include "core/sound_repair.h"
#include "core/sound_report.h"

namespace vkm {

struct CheckFinding {
    bool fault = true;  // else a warning
    std::string text;   // Czech, UTF-8
};

struct AnnouncementLength {
    std::string entry;  // the entry's name in [Hlaseni]
    bool departure = true;
    double own_seconds = 0;      // its own sounds
    double leading_seconds = 0;  // the departure or arrival sounds before it
};

struct LineReport {
    Path path;
    bool readable = false;  // the file exists and could be read
    TextEncoding encoding = TextEncoding::kCp1250;
    std::string name;
    std::vector<AnnouncementLength> announcements;
    double end_seconds = 0;                                          // WAV_Konec
    std::vector<std::pair<std::string, double>> user_announcements;  // key name, seconds
    std::vector<std::string> keys;  // each role's keys, as the window shows them ("Zpět: F9")
    std::vector<CheckFinding> findings;
    std::optional<SoundReport> sounds;  // what the sound files hold; none when not asked for
    // The keys of the line that the simulator uses too (SimulatorKeyNotes), and the keyboard layout
    // they were compared in.
    std::vector<std::string> simulator_keys;
    std::string keyboard;

    bool HasFault() const;
    // 0: no fault; 1: faults; 2: the file cannot be read.
    int ExitCode() const;
};

// Checks the definition file at path: files gives the definition file, sounds the
// sound files (and codecs, which may be null: a compressed sound then needs the
// system's codec, which is said but is no fault). With analyse, every sound file is
// also measured (ReportSounds). The line's keys are compared with the simulator's in the
// keyboard layout given.
LineReport CheckLine(const Path& path, FileSystem& files, SoundSources& sounds, bool analyse = true,
                     const KeyboardLayout& keyboard = UsKeyboardLayout());

// The report as the check prints it, in Czech, lines ending in "\n".
std::string FormatLineReport(const LineReport& report);

// The summary of a repair (vkmcheck --uprav) as the line check prints it, in Czech, lines ending in
// "\n": the copy (copy: its definition file, as shown), its format, loudness and margin, a line per
// sound (what was done, or why it was not copied or not written, and what could not be mended),
// and which sounds were not mended and which not written. definition_not_written: why the copy's
// definition file, written last, was not written (Czech; "" when it was).
std::string FormatRepairReport(const LineRepair& repair, const std::string& copy,
                               const std::string& definition_not_written);

// True for text written as UTF-16 without a byte-order mark: zero bytes in every
// other place. The program reads such a file as CP1250, in which it names nothing.
bool LooksLikeUtf16WithoutMark(std::string_view bytes);

// The table of key characters: which character of a key string is which key, from
// the program's own key names, as a Markdown table.
std::string KeyCharacterTable();

}  // namespace vkm
