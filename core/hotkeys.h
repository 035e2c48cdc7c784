// The line's keys as hotkeys: the id scheme, the user key entry format and the
// readable names of key combinations.
//
// Hotkey ids of the main window:
//   arrival keys     character k of the arrival key string      id k           (1..99)
//   departure keys   character j of the departure key string    id 99 + j      (100..199)
//   user keys        entry i of the user key list               id 200 + i     (200..0xBFFF)
// A key whose id would leave its range is not bound, so that an id always tells
// which kind of key was pressed. The user range is the last one and may run up to
// the highest id an application can use (0xBFFF).
//
// A key character's byte is its virtual-key code: "P" (0x50) is the P key, "p"
// (0x70) is F1, byte 0x0D is Enter.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace vkm {

constexpr int ArrivalIdBase = 1;
constexpr int ArrivalIdLast = 99;
constexpr int DepartureIdBase = 100;
constexpr int DepartureIdLast = 199;
constexpr int UserIdBase = 200;
constexpr int UserIdLast = 0xBFFF;

// A user key entry is "key specification;sounds;description", for example
// "ALT+B;bezpecnost.wav;Bezpecnost". A missing field takes the last one present:
// with two fields the sounds are also the description, without ";" the whole
// entry is the key specification, the sounds and the description.

// Field 1: a key character, optionally preceded by one modifier word and "+".
std::string UserKeySpecification(const std::string& entry);
// The first byte of the part after the last "+" (the whole specification when it
// has no "+"); nothing when that part is empty. The key part is not converted:
// "ctrl+q" is Ctrl with 0x71 (F2).
std::optional<unsigned char> UserKeyCode(const std::string& entry);
// The modifier word before the first "+", upper-cased: ALT, CTRL or SHIFT (kModAlt,
// kModControl, kModShift); any other word, or no "+", gives 0. Only the first
// word counts: CTRL+SHIFT+X is Ctrl+X.
unsigned UserKeyModifiers(const std::string& entry);
std::string UserKeySounds(const std::string& entry);
std::string UserKeyDescription(const std::string& entry);

// A readable name of a key combination: "F1", "Alt+B", "Num 2", "Ctrl+Enter".
std::string KeyName(unsigned modifiers, unsigned char vk);

// One key of a line as it is to be bound. id is 0 when the key cannot be bound
// (its id would leave its range, its key part is empty, or its combination is
// already another key of the line); name then says which key it is.
struct HotkeyBinding {
    int id = 0;
    unsigned modifiers = 0;
    unsigned char vk = 0;
    std::string name;
};

// The announcement keys, arrival keys first, in order of their characters. A
// character that is already among the keys before it (in either string) is left
// out: it is bound to the same action already.
std::vector<HotkeyBinding> AnnouncementHotkeys(const std::string& arrival_keys,
                                               const std::string& departure_keys);

// The user keys, one for each entry (the entry's value, without its name), in
// order; line_keys are the keys bound before them, whose combinations a user key
// may not take again.
std::vector<HotkeyBinding> UserHotkeys(const std::vector<std::string>& entries,
                                       const std::vector<HotkeyBinding>& line_keys);

}  // namespace vkm
