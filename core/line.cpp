#include "core/line.h"

#include <algorithm>
#include <utility>

#include "core/definition_keys.h"
#include "core/text.h"

namespace vkm {

SoundList ReadSoundList(const std::string& list) {
    SoundList sounds;
    sounds.reserve(static_cast<std::size_t>(std::count(list.begin(), list.end(), ',')) + 1);
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = list.find(',', start);
        const std::size_t end = comma == std::string::npos ? list.size() : comma;
        if (end > start) sounds.push_back(LineSound{list.substr(start, end - start)});
        if (comma == std::string::npos) return sounds;
        start = comma + 1;
    }
}

Path SoundPath(const Path& folder, const std::string& name) {
    // A name without a delimiter, other than "." and "..", needs nothing resolved.
    if (name.find_first_of("\\/") == std::string::npos && name != "." && name != "..") return folder + name;
    return NormalizePath(folder + name);
}

Path Line::SoundPath(const LineSound& sound) const {
    return vkm::SoundPath(folder, sound.name);
}

Line ReadLine(const IniFile& ini, const Path& file) {
    Line line;
    line.name = ini.ReadValue(kInfoSection, kNameKey, "");
    line.folder = NormalizePath(IncludeBackslash(ExtractFilePath(file)));
    line.departure_sounds = ReadSoundList(ini.ReadValue(kInfoSection, kDepartureSoundsKey, ""));
    line.arrival_sounds = ReadSoundList(ini.ReadValue(kInfoSection, kArrivalSoundsKey, ""));
    line.end_sounds = ReadSoundList(ini.ReadValue(kInfoSection, kEndSoundsKey, ""));
    // An absent or empty key string takes its default.
    LineKeys keys;
    const std::string arrival = ini.ReadValue(kInfoSection, kArrivalKeysKey, "");
    if (!arrival.empty()) keys.arrival = arrival;
    const std::string departure = ini.ReadValue(kInfoSection, kDepartureKeysKey, "");
    if (!departure.empty()) keys.departure = departure;
    keys.take_back = ini.ReadValue(kInfoSection, kTakeBackKeysKey, "");
    keys.skip = ini.ReadValue(kInfoSection, kSkipKeysKey, "");
    keys.repeat = ini.ReadValue(kInfoSection, kRepeatKeysKey, "");
    keys.stop = ini.ReadValue(kInfoSection, kStopKeysKey, "");

    std::vector<IniEntry> entries = ini.SectionEntries(kAnnouncementsSection);
    line.announcements.reserve(entries.size());
    for (IniEntry& e : entries) {
        SoundList sounds = ReadSoundList(e.value);
        line.announcements.push_back(
            LineAnnouncement{std::move(e.name), std::move(e.value), std::move(sounds)});
    }
    std::vector<UserKey> user_keys;
    for (const IniEntry& e : ini.SectionEntries(kUserKeysSection)) {
        UserAnnouncement u;
        const std::string key_text = GetField(e.value, 1, ";");
        u.key.text = key_text.empty() ? e.value : key_text;  // named by what the user wrote
        u.key.combination = KeyCombinationOf(key_text);
        u.sounds = ReadSoundList(GetField(e.value, 2, ";"));
        u.description = GetField(e.value, 3, ";");
        user_keys.push_back(u.key);
        line.user_announcements.push_back(std::move(u));
    }
    line.hotkeys = LineHotkeys(keys, user_keys);
    line.refused = LineKeyProblems(line.hotkeys);
    return line;
}

KeysShown ShownKeys(const std::vector<HotkeyBinding>& keys, const std::vector<UserAnnouncement>& user) {
    // The roles in the order of binding, with how the short line and the hint name them.
    static const struct {
        KeyRole role;
        const char* in_line;  // before the keys in the short line ("" for the announcement keys)
        const char* in_hint;
    } kRoles[] = {{KeyRole::kAnnouncement, "", "Hlášení"},
                  {KeyRole::kTakeBack, "zpět ", "Zpět"},
                  {KeyRole::kSkip, "vpřed ", "Vpřed"},
                  {KeyRole::kRepeat, "znovu ", "Znovu"},
                  {KeyRole::kStop, "stop ", "Stop"}};
    KeysShown shown;
    for (const auto& r : kRoles) {
        std::string names;
        for (const HotkeyBinding& key : keys)
            if (key.id != 0 && KeyRoleOf(key.id) == r.role) names += (names.empty() ? "" : ", ") + key.name;
        if (names.empty()) continue;
        shown.line += (shown.line.empty() ? "Klávesy: " : " · ") + std::string(r.in_line) + names;
        shown.roles.push_back(std::string(r.in_hint) + ": " + names);
        shown.hint += (shown.hint.empty() ? "" : "\n") + shown.roles.back();
    }
    for (const HotkeyBinding& key : keys) {
        if (key.id == 0 || KeyRoleOf(key.id) != KeyRole::kUser) continue;
        const std::size_t i = static_cast<std::size_t>(key.id - kUserIdBase);
        if (i >= user.size()) continue;
        shown.hint +=
            (shown.hint.empty() ? "" : "\n") + key.name + ": " + ShortenedKeyText(user[i].description);
    }
    return shown;
}

const char* LineFileErrorText(LineFileError error) {
    switch (error) {
        case LineFileError::kNone:
            break;
        case LineFileError::kMissing:
            return "Nelze najít definiční soubor vlakového rozhlasu";
        case LineFileError::kUnreadable:
            return "Definiční soubor vlakového rozhlasu nelze přečíst";
        case LineFileError::kNotALine:
            return "Vybraný soubor není definiční soubor vlakového rozhlasu";
    }
    return "";
}

LineFile LoadLineFile(FileSystem& files, const Path& path) {
    LineFile file;
    if (!files.FileExists(path)) {
        file.error = LineFileError::kMissing;
        return file;
    }
    std::optional<std::string> bytes = files.ReadFile(path);
    if (!bytes) {
        file.error = LineFileError::kUnreadable;
        return file;
    }
    file.bytes = std::move(*bytes);
    file.ini = IniFile(file.bytes);
    file.line = ReadLine(file.ini, path);
    if (file.line.name.empty()) file.error = LineFileError::kNotALine;
    return file;
}

}  // namespace vkm
