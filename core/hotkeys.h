// The line's keys as hotkeys: the id scheme, the key text of a user entry, the
// readable names of key combinations and the keys a line cannot have bound.
//
// Hotkey ids of the main window (k counts a key string's characters from 0, i a
// user entry's place in the list from 0):
//   arrival keys     character k of Klavesy_prijezd     id 1 + k         (1..99)
//   departure keys   character k of Klavesy_odjezd      id 100 + k       (100..199)
//   user keys        entry i of [Uzivatelske_klavesy]   id 200 + i       (200..0xBBFF)
//   take-back keys   character k of Klavesy_zpet        id 0xBC00 + k    (0xBC00..0xBCFF)
//   skip keys        character k of Klavesy_vpred       id 0xBD00 + k    (0xBD00..0xBDFF)
//   repeat keys      character k of Klavesy_znovu       id 0xBE00 + k    (0xBE00..0xBEFF)
//   stop keys        character k of Klavesy_stop        id 0xBF00 + k    (0xBF00..0xBFFF)
// A key whose id would leave its range is not bound, so that an id always tells
// which kind of key was pressed. The ranges of the key strings after the user keys
// are 256 ids each, enough for every character a string can hold once, at the top of
// what an application can use (0xBFFF).
//
// A key character's byte in code page 1250 is its virtual-key code: "P" (0x50) is
// the P key, "p" (0x70) is F1, byte 0x0D is Enter.
//
// The keys are bound in the order of their ids: arrival, departure, user, take-back,
// skip, repeat, stop keys. A key whose combination a key before it already has is not
// bound, so one key never has two roles: a repeated character of the announcement strings
// (among both) or of one of the other strings is left out silently, as it would do the
// same; any other repetition is a collision and is named.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vkm {

constexpr int kArrivalIdBase = 1;
constexpr int kArrivalIdLast = 99;
constexpr int kDepartureIdBase = 100;
constexpr int kDepartureIdLast = 199;
constexpr int kUserIdBase = 200;
constexpr int kUserIdLast = 0xBBFF;
constexpr int kTakeBackIdBase = 0xBC00;
constexpr int kSkipIdBase = 0xBD00;
constexpr int kRepeatIdBase = 0xBE00;
constexpr int kStopIdBase = 0xBF00;
constexpr int kStopIdLast = 0xBFFF;

// What a key of the line does, by its id's range.
enum class KeyRole { kNone, kAnnouncement, kUser, kTakeBack, kSkip, kRepeat, kStop };
KeyRole KeyRoleOf(int id);

// Modifier flags of a hotkey, as Windows numbers them.
enum : unsigned { kModAlt = 1, kModControl = 2, kModShift = 4 };

struct KeyCombination {
    unsigned modifiers = 0;  // kModAlt, kModControl, kModShift
    unsigned char vk = 0;
    bool operator==(const KeyCombination& o) const { return modifiers == o.modifiers && vk == o.vk; }
    bool operator!=(const KeyCombination& o) const { return !(*this == o); }
};

// The combination a user entry's key text names ("B", "ALT+B", "CTRL+SHIFT+X": modifier
// words and the key, joined by "+"), or nothing when it is written wrongly. The key is
// the first character of the part after the last "+" (the whole text without "+"),
// taken as written: "ctrl+q" is Ctrl with 0x71 (F2). Every word before it is ALT, CTRL
// or SHIFT (any case, surrounding spaces ignored), and all of them count: CTRL+SHIFT+X
// is Ctrl+Shift+X. Spaces between the last "+" and the key are passed over ("ALT + B"
// is Alt+B), unless they are all there is ("ALT+ " is Alt+Space). Written wrongly: any
// other word (WIN+B, ALTGR+B, CTL+B, +B) or nothing after the last "+".
std::optional<KeyCombination> KeyCombinationOf(std::string_view key_text);

// A user key as its entry writes it, and what it binds.
struct UserKey {
    std::string text;                           // as written; names the key when it is written wrongly
    std::optional<KeyCombination> combination;  // none: written wrongly
};

// A readable name of a key combination: "F1", "Alt+B", "Num 2", "Ctrl+Enter".
std::string KeyName(unsigned modifiers, unsigned char vk);

// The key strings of a line, as its definition file gives them: each character is one key.
struct LineKeys {
    std::string arrival = "\r";    // [Info] Klavesy_prijezd
    std::string departure = "Pp";  // [Info] Klavesy_odjezd
    // None of these unless the line names them: no key is taken from the simulator by default.
    std::string take_back;  // [Info] Klavesy_zpet
    std::string skip;       // [Info] Klavesy_vpred
    std::string repeat;     // [Info] Klavesy_znovu
    std::string stop;       // [Info] Klavesy_stop
};

// One key of a line as it is to be bound. id is 0 when the line itself keeps the
// key from being bound; name then says which key it is and why, as the warning
// names it.
struct HotkeyBinding {
    int id = 0;
    unsigned modifiers = 0;
    unsigned char vk = 0;
    std::string name;
};

// Every key of the line, in the order of binding (arrival, departure, user (those of
// [Uzivatelske_klavesy], in file order), take-back, skip, repeat, stop keys), repeated
// characters of one key string (the announcement strings counting as one) left out.
// Names: a key written wrongly is named by its text as written; a collision by the key's name followed by
// kCollisionNote; a key beyond its id range by its name followed by kTooManyNote; any
// other key by its name.
std::vector<HotkeyBinding> LineHotkeys(const LineKeys& keys, const std::vector<UserKey>& user);

constexpr const char* kCollisionNote = " (již použitá dříve)";
constexpr const char* kTooManyNote = " (příliš mnoho kláves)";

// The keys that cannot be bound for reasons of the line itself (written wrongly,
// colliding with an earlier key, beyond their id range), whatever the system would
// say: the names the warning gives them, each once, in the order of binding.
std::vector<std::string> LineKeyProblems(const std::vector<HotkeyBinding>& hotkeys);

// The warning about keys that cannot be used: names each of names once, in order. So that the box
// fits on the screen, only the first shown names are given, then how many more there are, and a
// name longer than kKeyTextShown bytes is shortened; with kAllKeys every name is given whole.
constexpr std::size_t kKeysShown = 10;
constexpr std::size_t kAllKeys = SIZE_MAX;
constexpr std::size_t kKeyTextShown = 40;
std::string UnusableKeysWarning(const std::vector<std::string>& names, std::size_t shown = kKeysShown);
// A key text cut after kKeyTextShown bytes (at a character's start), with "…" after it.
std::string ShortenedKeyText(const std::string& name);

}  // namespace vkm
