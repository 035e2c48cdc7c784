// A line as the program holds it once its definition file is read: every sound list as the
// names it lists, every announcement with the text the window shows for it, and the keys
// parsed into what they bind. The window and the line check read a line through this alone,
// and nothing is taken apart again later.
#pragma once

#include <string>
#include <vector>

#include "core/file_system.h"
#include "core/hotkeys.h"
#include "core/ini.h"
#include "core/path.h"

namespace vkm {

// A sound the line names, as its definition file writes it; the file that plays is
// SoundPath(line's folder, name), made when it is needed, so that a line of many thousand
// sounds holds no more than their names.
struct LineSound {
    std::string name;
    bool operator==(const LineSound& o) const { return name == o.name; }
};
using SoundList = std::vector<LineSound>;

// An entry of [Hlaseni].
struct LineAnnouncement {
    std::string key;   // its name in the section
    std::string text;  // everything after the first "=" of its line, as written: the window shows it
    SoundList sounds;
};

// An entry of [Uzivatelske_klavesy]: "key;sounds;description". A missing field takes the
// last one present: with two fields the sounds are also the description, without ";" the
// whole entry is the key text, the sounds and the description.
struct UserAnnouncement {
    UserKey key;  // its text is the whole entry when the key field is empty
    SoundList sounds;
    std::string description;  // shown in the window when it plays
};

struct Line {
    std::string name;            // [Info] Name; empty: the file names no line
    Path folder;                 // the definition file's folder, resolved, ending with its delimiter
    SoundList departure_sounds;  // [Info] WAV_odjezd: before every departure announcement
    SoundList arrival_sounds;    // [Info] WAV_prijezd: before every arrival announcement
    SoundList end_sounds;        // [Info] WAV_Konec: after the arrival at the end of the line
    std::vector<LineAnnouncement> announcements;       // in file order
    std::vector<UserAnnouncement> user_announcements;  // in file order: entry i has the id kUserIdBase + i
    std::vector<HotkeyBinding> hotkeys;                // every key, in the order of binding (LineHotkeys)
    std::vector<std::string> refused;  // the keys the line itself keeps from being bound (LineKeyProblems)

    Path SoundPath(const LineSound& sound) const;  // the file the sound plays
};

// The line that a definition file's text gives; file is the definition file's path.
Line ReadLine(const IniFile& ini, const Path& file);

// The keys of a line by what they do, as the window and the line check show them: every key
// that has an id (bound, or to be bound), each role's keys in the order of binding.
struct KeysShown {
    std::string line;  // "Klávesy: Enter, P, F1 · zpět F9 · vpřed F10 · znovu F11 · stop F12"
    std::vector<std::string> roles;  // "Hlášení: Enter, P, F1", "Zpět: F9", ...: each role that has keys
    std::string hint;                // the roles one a line, then each user key with its description
};
KeysShown ShownKeys(const std::vector<HotkeyBinding>& keys, const std::vector<UserAnnouncement>& user);

// Why a definition file gives no line to start.
enum class LineFileError { kNone, kMissing, kUnreadable, kNotALine };

// What the program says of it, in the window and in the line check alike.
const char* LineFileErrorText(LineFileError error);

// A definition file read as the program reads it when a line is started.
struct LineFile {
    LineFileError error = LineFileError::kNone;
    std::string bytes;  // as read; empty when it could not be
    IniFile ini;        // the text
    Line line;          // read also when the file names no line (kNotALine)
};

// The definition file at path: missing, there but unreadable (no permission, held by another
// program), naming no line ([Info] Name empty or absent), or a line.
LineFile LoadLineFile(FileSystem& files, const Path& path);

// The sounds of a sound list ("gong.wav,a.wav"): every name between commas that is not empty,
// in order; names are not trimmed.
SoundList ReadSoundList(const std::string& list);

// The file a sound name plays: folder (resolved, ending with its delimiter) and the name,
// resolved as Windows resolves a path.
Path SoundPath(const Path& folder, const std::string& name);

}  // namespace vkm
