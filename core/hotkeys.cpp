#include "core/hotkeys.h"

#include <cstdio>
#include <set>
#include <utility>

#include "core/codepage.h"
#include "core/text.h"

namespace vkm {

std::string UserKeySpecification(const std::string& entry) {
    return GetField(entry, 1, ";");
}

std::optional<unsigned char> UserKeyCode(const std::string& entry) {
    const std::string spec = UserKeySpecification(entry);
    const int c = CountOccurrences(spec + "+", "+");
    // The character's byte in code page 1250 is its key code.
    const std::string key = Utf8ToCp1250(c == 1 ? spec : GetField(spec, c, "+"));
    if (key.empty()) return std::nullopt;
    return static_cast<unsigned char>(key[0]);
}

unsigned UserKeyModifiers(const std::string& entry) {
    const std::string spec = UserKeySpecification(entry);
    if (spec.find('+') == std::string::npos) return 0;
    const std::string word = GetField(spec, 1, "+");
    if (SameTextAscii(word, "ALT")) return kModAlt;
    if (SameTextAscii(word, "SHIFT")) return kModShift;
    if (SameTextAscii(word, "CTRL")) return kModControl;
    return 0;
}

std::string UserKeySounds(const std::string& entry) {
    return GetField(entry, 2, ";");
}

std::string UserKeyDescription(const std::string& entry) {
    return GetField(entry, 3, ";");
}

namespace {

// Names of the keys whose code does not say what they are.
const char* NamedKey(unsigned char vk) {
    switch (vk) {
        case 0x03:
            return "Break";
        case 0x08:
            return "Backspace";
        case 0x09:
            return "Tab";
        case 0x0C:
            return "Clear";
        case 0x0D:
            return "Enter";
        case 0x10:
            return "Shift";
        case 0x11:
            return "Ctrl";
        case 0x12:
            return "Alt";
        case 0x13:
            return "Pause";
        case 0x14:
            return "Caps Lock";
        case 0x1B:
            return "Esc";
        case 0x20:
            return "Space";
        case 0x21:
            return "Page Up";
        case 0x22:
            return "Page Down";
        case 0x23:
            return "End";
        case 0x24:
            return "Home";
        case 0x25:
            return "Left";
        case 0x26:
            return "Up";
        case 0x27:
            return "Right";
        case 0x28:
            return "Down";
        case 0x2C:
            return "Print Screen";
        case 0x2D:
            return "Insert";
        case 0x2E:
            return "Delete";
        case 0x2F:
            return "Help";
        case 0x5B:
            return "Left Win";
        case 0x5C:
            return "Right Win";
        case 0x5D:
            return "Menu";
        case 0x5F:
            return "Sleep";
        case 0x6A:
            return "Num *";
        case 0x6B:
            return "Num +";
        case 0x6C:
            return "Separator";
        case 0x6D:
            return "Num -";
        case 0x6E:
            return "Num Del";
        case 0x6F:
            return "Num /";
        case 0x90:
            return "Num Lock";
        case 0x91:
            return "Scroll Lock";
        case 0xA0:
            return "Left Shift";
        case 0xA1:
            return "Right Shift";
        case 0xA2:
            return "Left Ctrl";
        case 0xA3:
            return "Right Ctrl";
        case 0xA4:
            return "Left Alt";
        case 0xA5:
            return "Right Alt";
        case 0xAD:
            return "Mute";
        case 0xAE:
            return "Volume Down";
        case 0xAF:
            return "Volume Up";
        case 0xB0:
            return "Next Track";
        case 0xB1:
            return "Previous Track";
        case 0xB2:
            return "Stop";
        case 0xB3:
            return "Play/Pause";
        default:
            return nullptr;
    }
}

}  // namespace

std::string KeyName(unsigned modifiers, unsigned char vk) {
    std::string name;
    if (modifiers & kModControl) name += "Ctrl+";
    if (modifiers & kModAlt) name += "Alt+";
    if (modifiers & kModShift) name += "Shift+";
    char buf[16];
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) {
        name += static_cast<char>(vk);
    } else if (vk >= 0x60 && vk <= 0x69) {
        name += "Num ";
        name += static_cast<char>('0' + (vk - 0x60));
    } else if (vk >= 0x70 && vk <= 0x87) {
        std::snprintf(buf, sizeof buf, "F%d", vk - 0x70 + 1);
        name += buf;
    } else if (const char* named = NamedKey(vk)) {
        name += named;
    } else {
        // A key without a common name (mostly keys whose label follows the keyboard layout).
        std::snprintf(buf, sizeof buf, "0x%02X", static_cast<unsigned>(vk));
        name += buf;
    }
    return name;
}

std::vector<HotkeyBinding> AnnouncementHotkeys(const std::string& arrival_text,
                                               const std::string& departure_text) {
    // Each character is one key: its byte in code page 1250.
    const std::string arrival_keys = Utf8ToCp1250(arrival_text);
    const std::string departure_keys = Utf8ToCp1250(departure_text);
    std::vector<HotkeyBinding> keys;
    bool seen[256] = {};
    auto add = [&](unsigned char vk, long long id, int last) {
        if (seen[vk]) return;  // the same key is bound to the same action already
        seen[vk] = true;
        HotkeyBinding b;
        b.id = id <= last ? static_cast<int>(id) : 0;
        b.vk = vk;
        b.name = KeyName(0, vk);
        keys.push_back(std::move(b));
    };
    for (std::size_t k = 0; k < arrival_keys.size(); ++k)
        add(static_cast<unsigned char>(arrival_keys[k]), ArrivalIdBase + static_cast<long long>(k),
            ArrivalIdLast);
    for (std::size_t j = 0; j < departure_keys.size(); ++j)
        add(static_cast<unsigned char>(departure_keys[j]), DepartureIdBase + static_cast<long long>(j),
            DepartureIdLast);
    return keys;
}

std::vector<HotkeyBinding> UserHotkeys(const std::vector<std::string>& entries,
                                       const std::vector<HotkeyBinding>& line_keys) {
    std::set<std::pair<unsigned, unsigned char>> taken;
    for (const HotkeyBinding& b : line_keys)
        if (b.id != 0) taken.insert({b.modifiers, b.vk});

    std::vector<HotkeyBinding> keys;
    keys.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string& entry = entries[i];
        HotkeyBinding b;
        const std::optional<unsigned char> vk = UserKeyCode(entry);
        if (!vk) {
            // Nothing to name the key by but what the user wrote.
            b.name = UserKeySpecification(entry);
            if (b.name.empty()) b.name = entry;
            keys.push_back(std::move(b));
            continue;
        }
        b.modifiers = UserKeyModifiers(entry);
        b.vk = *vk;
        b.name = KeyName(b.modifiers, b.vk);
        const long long id = UserIdBase + static_cast<long long>(i);
        if (id <= UserIdLast && taken.insert({b.modifiers, b.vk}).second) b.id = static_cast<int>(id);
        keys.push_back(std::move(b));
    }
    return keys;
}

}  // namespace vkm
