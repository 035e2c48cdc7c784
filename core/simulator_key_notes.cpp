#include "core/codepage.h"
#include "core/simulator_key_table.h"
#include "core/simulator_keys.h"

namespace vkm {

namespace {

using namespace key_table;
#define VKM_COMMAND_NAME(scan, vk, modifiers, either, command, czech) command,
constexpr const char* kCommandNames[] = {VKM_SIMULATOR_KEYS(VKM_COMMAND_NAME)};
#undef VKM_COMMAND_NAME

// What a key of the line does, as the notes name it.
const char* RoleName(int id) {
    switch (KeyRoleOf(id)) {
        case KeyRole::kAnnouncement:
            return "hlášení";
        case KeyRole::kUser:
            return "uživatelské hlášení";
        case KeyRole::kTakeBack:
            return "zpět";
        case KeyRole::kSkip:
            return "vpřed";
        case KeyRole::kRepeat:
            return "znovu";
        case KeyRole::kStop:
            return "stop";
        case KeyRole::kNone:
            break;
    }
    return "";
}

// The names of the commands, joined: the Czech ones, then as the simulator names the others.
std::string CommandNames(const std::vector<const SimulatorKey*>& commands) {
    std::string names = CzechNames(commands);
    for (const SimulatorKey* k : commands)
        if (!k->czech) names += (names.empty() ? "" : ", ") + std::string(SimulatorCommandName(*k));
    return names;
}

// A key of a usual keyboard that a key string can name: Space, the cursor block, Print Screen,
// Insert, Delete, the digits and letters, the numeric keypad (Num Lock on), F1-F12, Scroll Lock.
bool OnUsualKeyboard(unsigned char vk) {
    return vk == 0x20 || (vk >= 0x21 && vk <= 0x28) || (vk >= 0x2C && vk <= 0x2E) ||
           (vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z') || (vk >= 0x60 && vk <= 0x6F && vk != 0x6C) ||
           (vk >= 0x70 && vk <= 0x7B) || vk == 0x91;
}

}  // namespace

const char* SimulatorCommandName(const SimulatorKey& key) {
    return kCommandNames[&key - key_table::kKeys];
}

std::vector<std::string> SimulatorKeyNotes(const std::vector<HotkeyBinding>& keys,
                                           const KeyboardLayout& layout) {
    std::vector<std::string> notes;
    for (const HotkeyBinding& key : keys) {
        if (key.id == 0) continue;
        const std::vector<const SimulatorKey*> commands = SimulatorCommands(layout, key.modifiers, key.vk);
        if (!commands.empty())
            notes.push_back(key.name + " (" + RoleName(key.id) + "): " + CommandNames(commands));
    }
    return notes;
}

std::string SimulatorKeysReport(const std::vector<std::string>& notes, const std::string& layout) {
    const std::string heading =
        "  Klávesy, které potřebuje i simulátor, podle výchozích kláves Open Rails a MSTS "
        "v rozložení klávesnice " +
        layout;
    if (notes.empty()) return heading + ": žádné\n";
    std::string out = heading + " (" + std::to_string(notes.size()) + "):\n";
    for (const std::string& note : notes) out += "    - " + note + "\n";
    return out;
}

std::string FreeSimulatorKeysList() {
    std::string out = "| Znak | Klávesa |\n|---|---|\n";
    for (unsigned char vk = 0x20; vk != 0; ++vk) {  // in the order of their characters
        if (!OnUsualKeyboard(vk) || !SimulatorCommands(UsKeyboardLayout(), 0, vk).empty()) continue;
        const std::string ch = Cp1250ToUtf8(std::string(1, static_cast<char>(vk)));
        const std::string shown = vk == ' ' ? "mezera" : vk == '`' ? "`` ` ``" : "`" + ch + "`";
        out += "| " + shown + " | " + KeyName(0, vk) + " |\n";
    }
    return out;
}

}  // namespace vkm
