// The keys a train simulator takes by default, so that a line can say which of its keys the
// driver loses in the simulator while the line is started: a hotkey takes its key from every
// other program.
//
// The table is Open Rails' default key map, which keeps that of MSTS, as Open Rails' settings
// and manual give it: each command with its key and the modifiers it wants held. Open Rails
// names most keys by scan code (the key's place on the keyboard, whatever its label) and
// Pause and Print Screen by virtual key. A hotkey is a virtual key, so a scan code is
// compared in a keyboard layout: the system's active one on Windows (platform/win32), the
// US layout (a fixed table here) natively.
#pragma once

#include <string>
#include <vector>

#include "core/hotkeys.h"

namespace vkm {

// Scan codes to virtual keys in one keyboard layout.
class KeyboardLayout {
  public:
    virtual ~KeyboardLayout() = default;
    // The virtual key of the key at a set-1 scan code (not extended); 0 when it has none.
    virtual unsigned char VirtualKey(unsigned scan) const = 0;
    // How the line check names it: "US".
    virtual std::string Name() const = 0;
};

// The US layout.
const KeyboardLayout& UsKeyboardLayout();

// A command of the simulator that has a key by default.
struct SimulatorKey {
    unsigned char scan;       // the key's scan code; 0 when it is named by its virtual key
    unsigned char vk;         // the virtual key, when scan is 0
    unsigned char modifiers;  // kModAlt, kModControl, kModShift: held, and no other (but these of either)
    unsigned char either;  // modifiers the command takes held or not (Shift, Ctrl: the camera faster, slower)
    const char* czech;     // its Czech name; null where it has no obvious one
};

// The command as the simulator names it: "Control Pantograph 1".
const char* SimulatorCommandName(const SimulatorKey& key);

// The commands the combination takes in the simulator in the layout, in the table's order.
std::vector<const SimulatorKey*> SimulatorCommands(const KeyboardLayout& layout, unsigned modifiers,
                                                   unsigned char vk);

// The line's keys (those with an id) that the simulator also uses, each with what it does in the
// line and the commands it takes there: "P (hlášení): pantograf 1, Control Cylinder Compound", in
// Czech where a command has a Czech name, else as the simulator names it.
std::vector<std::string> SimulatorKeyNotes(const std::vector<HotkeyBinding>& keys,
                                           const KeyboardLayout& layout);

// The notes as the line check prints them, after a heading that names the layout they were
// compared in ("  Klávesy, které potřebuje i simulátor, podle … v rozložení klávesnice US (3):"),
// a line each; one line when there are none.
std::string SimulatorKeysReport(const std::vector<std::string>& notes, const std::string& layout);

// The same for the window's tooltip, in Czech only: a heading and a line per key ("P: pantograf
// 1"), or "" when the simulator uses none of the keys.
std::string SimulatorKeysHint(const std::vector<HotkeyBinding>& keys, const KeyboardLayout& layout);

// The keys of a usual keyboard that the default map leaves free without modifiers, in the US
// layout, with the character that names each in a key string, as a Markdown table for the guide.
std::string FreeSimulatorKeysList();

}  // namespace vkm
