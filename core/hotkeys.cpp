#include "core/hotkeys.h"

#include <cstdio>
#include <set>
#include <string_view>
#include <utility>

#include "core/codepage.h"
#include "core/report_text.h"

namespace vkm {

namespace {

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

std::optional<KeyCombination> KeyCombinationOf(std::string_view text) {
    const std::size_t last_plus = text.rfind('+');
    KeyCombination combination;
    if (last_plus != std::string_view::npos) {
        std::string_view words = text.substr(0, last_plus);
        for (;;) {
            const std::size_t plus = words.find('+');
            const std::string_view word = TrimSpaces(words.substr(0, plus));
            if (SameTextAscii(word, "ALT"))
                combination.modifiers |= kModAlt;
            else if (SameTextAscii(word, "CTRL"))
                combination.modifiers |= kModControl;
            else if (SameTextAscii(word, "SHIFT"))
                combination.modifiers |= kModShift;
            else
                return std::nullopt;
            if (plus == std::string_view::npos) break;
            words.remove_prefix(plus + 1);
        }
    }
    // The character's byte in code page 1250 is its key code. Spaces written after the "+" of a
    // modifier ("ALT + B") are not the key, unless there is nothing else ("ALT+ " is Alt+Space).
    std::string_view key_part = text;
    if (last_plus != std::string_view::npos) {
        key_part.remove_prefix(last_plus + 1);
        const std::string_view trimmed = TrimSpaces(key_part);
        if (!trimmed.empty())
            key_part.remove_prefix(static_cast<std::size_t>(trimmed.data() - key_part.data()));
    }
    const std::string key = Utf8ToCp1250(key_part);
    if (key.empty()) return std::nullopt;
    combination.vk = static_cast<unsigned char>(key[0]);
    return combination;
}

namespace {

// Names of the keys whose code does not say what they are, a row per key.
struct NamedKeyRow {
    unsigned char vk;
    const char* name;
};
// clang-format off
constexpr NamedKeyRow kNamedKeys[] = {
    {0x03, "Break"},
    {0x08, "Backspace"},
    {0x09, "Tab"},
    {0x0C, "Clear"},
    {0x0D, "Enter"},
    {0x10, "Shift"},
    {0x11, "Ctrl"},
    {0x12, "Alt"},
    {0x13, "Pause"},
    {0x14, "Caps Lock"},
    {0x1B, "Esc"},
    {0x20, "Space"},
    {0x21, "Page Up"},
    {0x22, "Page Down"},
    {0x23, "End"},
    {0x24, "Home"},
    {0x25, "Left"},
    {0x26, "Up"},
    {0x27, "Right"},
    {0x28, "Down"},
    {0x2C, "Print Screen"},
    {0x2D, "Insert"},
    {0x2E, "Delete"},
    {0x2F, "Help"},
    {0x5B, "Left Win"},
    {0x5C, "Right Win"},
    {0x5D, "Menu"},
    {0x5F, "Sleep"},
    {0x6A, "Num *"},
    {0x6B, "Num +"},
    {0x6C, "Separator"},
    {0x6D, "Num -"},
    {0x6E, "Num Del"},
    {0x6F, "Num /"},
    {0x90, "Num Lock"},
    {0x91, "Scroll Lock"},
    {0xA0, "Left Shift"},
    {0xA1, "Right Shift"},
    {0xA2, "Left Ctrl"},
    {0xA3, "Right Ctrl"},
    {0xA4, "Left Alt"},
    {0xA5, "Right Alt"},
    {0xAD, "Mute"},
    {0xAE, "Volume Down"},
    {0xAF, "Volume Up"},
    {0xB0, "Next Track"},
    {0xB1, "Previous Track"},
    {0xB2, "Stop"},
    {0xB3, "Play/Pause"},
};
// clang-format on

const char* NamedKey(unsigned char vk) {
    for (const NamedKeyRow& row : kNamedKeys)
        if (row.vk == vk) return row.name;
    return nullptr;
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

namespace {

// The keys of a line as they are added, in the order of binding.
class LinePlan {
  public:
    // A character of a key string; repeated characters of one kind are left out.
    void AddCharacter(unsigned char vk, long long id, int last, bool& seen) {
        if (seen) return;  // the same key does the same already
        seen = true;
        Add(KeyCombination{0, vk}, id, last);
    }
    void Add(const KeyCombination& c, long long id, int last) {
        HotkeyBinding b;
        b.modifiers = c.modifiers;
        b.vk = c.vk;
        b.name = KeyName(c.modifiers, c.vk);
        if (!taken_.insert({c.modifiers, c.vk}).second)
            b.name += kCollisionNote;
        else if (id > last)
            b.name += kTooManyNote;
        else
            b.id = static_cast<int>(id);
        keys_.push_back(std::move(b));
    }
    // A key the line names in a way that cannot be bound.
    void AddWrittenWrongly(std::string name) {
        HotkeyBinding b;
        b.name = std::move(name);
        keys_.push_back(std::move(b));
    }
    std::vector<HotkeyBinding> Take() { return std::move(keys_); }

  private:
    // Every combination the line has named so far, bound or not: a later key may
    // not take it again.
    std::set<std::pair<unsigned, unsigned char>> taken_;
    std::vector<HotkeyBinding> keys_;
};

}  // namespace

std::vector<HotkeyBinding> LineHotkeys(const LineKeys& line, const std::vector<UserKey>& user) {
    LinePlan plan;
    // Each character is one key: its byte in code page 1250.
    const std::string arrival = Utf8ToCp1250(line.arrival);
    const std::string departure = Utf8ToCp1250(line.departure);
    bool announced[256] = {};
    for (std::size_t k = 0; k < arrival.size(); ++k) {
        const auto vk = static_cast<unsigned char>(arrival[k]);
        plan.AddCharacter(vk, kArrivalIdBase + static_cast<long long>(k), kArrivalIdLast, announced[vk]);
    }
    for (std::size_t k = 0; k < departure.size(); ++k) {
        const auto vk = static_cast<unsigned char>(departure[k]);
        plan.AddCharacter(vk, kDepartureIdBase + static_cast<long long>(k), kDepartureIdLast, announced[vk]);
    }
    for (std::size_t i = 0; i < user.size(); ++i) {
        const UserKey& key = user[i];
        if (key.combination)
            plan.Add(*key.combination, kUserIdBase + static_cast<long long>(i), kUserIdLast);
        else
            plan.AddWrittenWrongly(key.text);  // nothing to name it by but what the user wrote
    }
    // The strings after the user keys: each its own id range of 256.
    const std::pair<const std::string*, int> strings[] = {{&line.take_back, kTakeBackIdBase},
                                                          {&line.skip, kSkipIdBase},
                                                          {&line.repeat, kRepeatIdBase},
                                                          {&line.stop, kStopIdBase}};
    for (const auto& [text, base] : strings) {
        const std::string bytes = Utf8ToCp1250(*text);
        bool seen[256] = {};
        for (std::size_t k = 0; k < bytes.size(); ++k) {
            const auto vk = static_cast<unsigned char>(bytes[k]);
            plan.AddCharacter(vk, base + static_cast<long long>(k), base + 0xFF, seen[vk]);
        }
    }
    return plan.Take();
}

KeyRole KeyRoleOf(int id) {
    if (id >= kArrivalIdBase && id <= kDepartureIdLast) return KeyRole::kAnnouncement;
    if (id >= kUserIdBase && id <= kUserIdLast) return KeyRole::kUser;
    if (id >= kTakeBackIdBase && id < kSkipIdBase) return KeyRole::kTakeBack;
    if (id >= kSkipIdBase && id < kRepeatIdBase) return KeyRole::kSkip;
    if (id >= kRepeatIdBase && id < kStopIdBase) return KeyRole::kRepeat;
    if (id >= kStopIdBase && id <= kStopIdLast) return KeyRole::kStop;
    return KeyRole::kNone;
}

std::vector<std::string> LineKeyProblems(const std::vector<HotkeyBinding>& hotkeys) {
    std::vector<std::string> names;
    std::set<std::string> named;
    for (const HotkeyBinding& b : hotkeys)
        if (b.id == 0 && named.insert(b.name).second) names.push_back(b.name);
    return names;
}

std::string UnusableKeysWarning(const std::vector<std::string>& names, std::size_t shown) {
    std::string text = "Některé klávesy nelze použít (používá je jiný program nebo jsou chybně zapsané): ";
    std::set<std::string> named;
    std::size_t count = 0;
    for (const std::string& name : names) {
        if (!named.insert(name).second) continue;
        if (count++ >= shown) continue;
        if (count > 1) text += ", ";
        text += shown == kAllKeys ? name : ShortenedKeyText(name);
    }
    if (count > shown) {
        const std::size_t more = count - shown;
        text +=
            " a " + Count(more, "další", "další", "dalších") + " (všechny je vypíše kontrola linky vkmcheck)";
    }
    return text;
}

std::string ShortenedKeyText(const std::string& name) {
    if (name.size() <= kKeyTextShown) return name;
    std::size_t cut = kKeyTextShown;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;  // a whole character
    return name.substr(0, cut) + "…";
}

}  // namespace vkm
