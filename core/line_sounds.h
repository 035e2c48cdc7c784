// The sound files of a line, each once, as Windows finds them: the one walk over a line's
// sounds that the check, the report of its sounds, the repair, the guard of what the line check
// writes and the render share, so that all of them agree on which names are one file and which
// files lie inside the line's folder.
#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/line.h"

namespace vkm {

// One sound file of a line.
struct LineSoundFile {
    std::string name;               // as the line first writes it
    Path path;                      // the file the program plays, as the line first spells it
    std::string folded_path;        // FoldedPath(path): one for every spelling of the file
    Path relative;                  // its path below the line's folder; empty when it lies outside
    std::vector<std::string> uses;  // where the line names it, each place once ("WAV_odjezd", ...)

    bool inside() const { return !relative.empty(); }
};

// A path as Windows tells files apart: resolved, "/" taken as "\", without regard to case.
std::string FoldedPath(const Path& path);

// How the line check names where a line names a sound: "hlášení „1“", "uživatelská klávesa „ALT+B“".
std::string PlaceOf(const LineAnnouncement& announcement);
std::string PlaceOf(const UserAnnouncement& announcement);

// The walk: every sound file of the line once, in the order the line first names them (WAV_odjezd,
// WAV_prijezd, WAV_Konec, the announcements, the user announcements). A file lies inside the
// line's folder when its name has no drive and its resolved path, without regard to case, lies
// below the folder. The line must outlive this.
class LineSounds {
  public:
    explicit LineSounds(const Line& line);

    const std::vector<LineSoundFile>& files() const { return files_; }
    // The file that a sound of the line's own lists plays.
    const LineSoundFile& FileOf(const LineSound& sound) const { return files_[IndexOf(sound)]; }
    std::size_t IndexOf(const LineSound& sound) const { return index_.at(&sound); }

  private:
    struct Walk {
        const Line& line;
        LineSounds& out;
        std::unordered_map<std::string, std::size_t> by_path;  // by folded path
        std::unordered_set<std::string> places;                // each file's places, to name each once
        void List(const SoundList& list, const std::string& place);
    };

    std::vector<LineSoundFile> files_;
    std::unordered_map<const LineSound*, std::size_t> index_;
};

// The files a line reads: its definition file (a full path) and every sound file.
std::vector<Path> LineInputs(const LineSounds& sounds, const Path& definition);

}  // namespace vkm
