#include "core/line_sounds.h"

#include <algorithm>

#include "core/codepage.h"
#include "core/definition_keys.h"
#include "core/report_text.h"

namespace vkm {

namespace {

// path below folder (both resolved, folder ending with its delimiter): what follows as many
// delimiters as folder has; empty when path does not lie below it.
Path Below(const Path& folder, const Path& path) {
    const std::string f = FoldedPath(folder), p = FoldedPath(path);
    if (p.size() <= f.size() || p.compare(0, f.size(), f) != 0) return Path();
    std::size_t at = 0;
    for (std::size_t n = std::count(f.begin(), f.end(), '\\'); n > 0; --n)
        at = path.find_first_of("\\/", at) + 1;
    return path.substr(at);
}

}  // namespace

std::string FoldedPath(const Path& path) {
    std::string p = NormalizePath(path);
    std::replace(p.begin(), p.end(), '/', '\\');
    return Utf16ToUtf8(UpperCaseUtf16(Utf8ToUtf16(p)));
}

std::string PlaceOf(const LineAnnouncement& announcement) {
    return "hlášení " + Quoted(announcement.key);
}

std::string PlaceOf(const UserAnnouncement& announcement) {
    return "uživatelská klávesa " + Quoted(announcement.key.text);
}

LineSounds::LineSounds(const Line& line) {
    Walk walk{line, *this, {}, {}};
    walk.List(line.departure_sounds, kDepartureSoundsKey);
    walk.List(line.arrival_sounds, kArrivalSoundsKey);
    walk.List(line.end_sounds, kEndSoundsKey);
    for (const LineAnnouncement& a : line.announcements) walk.List(a.sounds, PlaceOf(a));
    for (const UserAnnouncement& u : line.user_announcements) walk.List(u.sounds, PlaceOf(u));
}

void LineSounds::Walk::List(const SoundList& list, const std::string& place) {
    for (const LineSound& sound : list) {
        const Path path = line.SoundPath(sound);
        auto [at, added] = by_path.try_emplace(FoldedPath(path), out.files_.size());
        if (added) {
            LineSoundFile file{sound.name, path, at->first, Path(), {}};
            if (sound.name.find(':') == std::string::npos) file.relative = Below(line.folder, path);
            out.files_.push_back(std::move(file));
        }
        if (places.insert(std::to_string(at->second) + '\0' + place).second)
            out.files_[at->second].uses.push_back(place);
        out.index_.emplace(&sound, at->second);
    }
}

std::vector<Path> LineInputs(const LineSounds& sounds, const Path& definition) {
    std::vector<Path> inputs{definition};
    for (const LineSoundFile& file : sounds.files()) inputs.push_back(file.path);
    return inputs;
}

}  // namespace vkm
