#include "core/simulator_keys.h"

#include "core/simulator_key_table.h"

namespace vkm {

namespace {

// Scan codes of the US layout and their virtual keys (MapVirtualKey, MAPVK_VSC_TO_VK_EX).
struct ScanKey {
    unsigned char scan, vk;
};
// clang-format off
constexpr ScanKey kUsLayout[] = {
    {0x01, 0x1B},  // Esc
    {0x02, '1'},
    {0x03, '2'},
    {0x04, '3'},
    {0x05, '4'},
    {0x06, '5'},
    {0x07, '6'},
    {0x08, '7'},
    {0x09, '8'},
    {0x0A, '9'},
    {0x0B, '0'},
    {0x0C, 0xBD},  // -
    {0x0D, 0xBB},  // =
    {0x0E, 0x08},  // Backspace
    {0x0F, 0x09},  // Tab
    {0x10, 'Q'},
    {0x11, 'W'},
    {0x12, 'E'},
    {0x13, 'R'},
    {0x14, 'T'},
    {0x15, 'Y'},
    {0x16, 'U'},
    {0x17, 'I'},
    {0x18, 'O'},
    {0x19, 'P'},
    {0x1A, 0xDB},  // [
    {0x1B, 0xDD},  // ]
    {0x1C, 0x0D},  // Enter
    {0x1D, 0xA2},  // Left Ctrl
    {0x1E, 'A'},
    {0x1F, 'S'},
    {0x20, 'D'},
    {0x21, 'F'},
    {0x22, 'G'},
    {0x23, 'H'},
    {0x24, 'J'},
    {0x25, 'K'},
    {0x26, 'L'},
    {0x27, 0xBA},  // ;
    {0x28, 0xDE},  // '
    {0x29, 0xC0},  // `
    {0x2A, 0xA0},  // Left Shift
    {0x2B, 0xDC},  // backslash
    {0x2C, 'Z'},
    {0x2D, 'X'},
    {0x2E, 'C'},
    {0x2F, 'V'},
    {0x30, 'B'},
    {0x31, 'N'},
    {0x32, 'M'},
    {0x33, 0xBC},  // ,
    {0x34, 0xBE},  // .
    {0x35, 0xBF},  // /
    {0x36, 0xA1},  // Right Shift
    {0x38, 0xA4},  // Left Alt
    {0x39, 0x20},  // Space
    {0x3A, 0x14},  // Caps Lock
    {0x3B, 0x70},  // F1
    {0x3C, 0x71},  // F2
    {0x3D, 0x72},  // F3
    {0x3E, 0x73},  // F4
    {0x3F, 0x74},  // F5
    {0x40, 0x75},  // F6
    {0x41, 0x76},  // F7
    {0x42, 0x77},  // F8
    {0x43, 0x78},  // F9
    {0x44, 0x79},  // F10
    {0x46, 0x91},  // Scroll Lock
    {0x47, 0x24},  // Home (Num 7 without Num Lock)
    {0x48, 0x26},  // Up
    {0x49, 0x21},  // Page Up
    {0x4A, 0x6D},  // Num -
    {0x4B, 0x25},  // Left
    {0x4C, 0x0C},  // Num 5 without Num Lock
    {0x4D, 0x27},  // Right
    {0x4E, 0x6B},  // Num +
    {0x4F, 0x23},  // End
    {0x50, 0x28},  // Down
    {0x51, 0x22},  // Page Down
    {0x52, 0x2D},  // Insert
    {0x53, 0x2E},  // Delete
    {0x56, 0xE2},  // the key beside Left Shift on European keyboards
    {0x57, 0x7A},  // F11
    {0x58, 0x7B},  // F12
};
// clang-format on

class UsLayout : public KeyboardLayout {
  public:
    unsigned char VirtualKey(unsigned scan) const override {
        for (const ScanKey& k : kUsLayout)
            if (k.scan == scan) return k.vk;
        return 0;
    }
    std::string Name() const override { return "US"; }
};

}  // namespace

namespace key_table {

#define VKM_KEY_ROW(scan, vk, modifiers, either, command, czech) {scan, vk, modifiers, either, czech},
extern const SimulatorKey kKeys[] = {VKM_SIMULATOR_KEYS(VKM_KEY_ROW)};
#undef VKM_KEY_ROW

std::string CzechNames(const std::vector<const SimulatorKey*>& commands) {
    std::string names;
    for (const SimulatorKey* k : commands)
        if (k->czech) names += (names.empty() ? "" : ", ") + std::string(k->czech);
    return names;
}

}  // namespace key_table

const KeyboardLayout& UsKeyboardLayout() {
    static const UsLayout layout;
    return layout;
}

std::vector<const SimulatorKey*> SimulatorCommands(const KeyboardLayout& layout, unsigned modifiers,
                                                   unsigned char vk) {
    std::vector<const SimulatorKey*> commands;
    for (const SimulatorKey& k : key_table::kKeys) {
        const unsigned char key = k.scan ? layout.VirtualKey(k.scan) : k.vk;
        if (key != 0 && key == vk && (modifiers & ~k.either) == k.modifiers) commands.push_back(&k);
    }
    return commands;
}

std::string SimulatorKeysHint(const std::vector<HotkeyBinding>& keys, const KeyboardLayout& layout) {
    std::string hint;
    for (const HotkeyBinding& key : keys) {
        if (key.id == 0) continue;
        const std::vector<const SimulatorKey*> commands = SimulatorCommands(layout, key.modifiers, key.vk);
        if (commands.empty()) continue;
        const std::string names = key_table::CzechNames(commands);
        hint += "\n" + key.name + ": " + (names.empty() ? std::string("úloha v simulátoru") : names);
    }
    return hint.empty() ? hint : "V simulátoru (výchozí klávesy Open Rails a MSTS) mají úlohu i:" + hint;
}

}  // namespace vkm
