// Stand-ins for the operating system that record what the window asked of them.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "frm_main/frm_main.h"
#include "platform/platform.h"

namespace vkm::testing {

// Files held in memory; a directory is any prefix of a file's path that ends at a "\".
class FakeFileSystem : public FileSystem {
  public:
    std::map<Path, std::string> files;
    std::map<Path, std::vector<DirEntry>> directories;  // listings, in order
    std::set<Path> unreadable;                          // directories that cannot be listed
    std::set<Path> locked;                              // files that exist but cannot be read
    Path exe = "C:\\vlakomluv\\vlakomluv.exe";

    bool FileExists(const Path& path) override { return files.count(path) > 0; }
    std::optional<std::string> ReadFile(const Path& path) override {
        read.push_back(path);
        auto it = files.find(path);
        if (it == files.end() || locked.count(path)) return std::nullopt;
        return it->second;
    }
    // Pieces of piece_size bytes; bytes_handed counts what consume was given, file by file.
    bool ReadFileInPieces(const Path& path, const std::function<bool(std::string_view)>& consume) override {
        auto it = files.find(path);
        if (it == files.end()) return false;
        const std::string_view all(it->second);
        for (std::size_t at = 0; at < all.size(); at += piece_size) {
            const std::string_view piece = all.substr(at, piece_size);
            bytes_handed[path] += piece.size();
            if (!consume(piece)) break;
        }
        return true;
    }
    bool ListDirectory(const Path& dir, std::vector<DirEntry>& out) override {
        listed.push_back(dir);
        if (unreadable.count(dir)) return false;
        auto it = directories.find(dir);
        if (it == directories.end()) return false;
        out.insert(out.end(), it->second.begin(), it->second.end());
        return true;
    }
    Path ExecutablePath() override { return exe; }

    std::vector<Path> listed;
    std::vector<Path> read;  // every file read whole, in order
    std::size_t piece_size = kFilePiece;
    std::map<Path, std::size_t> bytes_handed;
};

// Records every announcement queued; nothing plays until Finish() (or at once with
// finish_at_once, as a synchronous player would).
class FakePlayer : public SoundPlayer {
  public:
    // The tickets of what was made ready: kPreparedBase and on, apart from those of Play.
    static constexpr Ticket kPreparedBase = 1000;

    Ticket Play(const std::vector<Path>& fragments, Ticket prepared = 0) override {
        for (const Path& path : fragments) {
            played.push_back(path);
            if (fail_on && path == *fail_on) throw std::runtime_error("playback failed");
        }
        lists.push_back(fragments);
        named.push_back(prepared);
        if (!finish_at_once) waiting.push_back(lists.size());
        return lists.size();
    }
    Ticket PrepareNext(const std::vector<Path>& fragments) override {
        prepared.push_back(fragments);
        return kPreparedBase + prepared.size();
    }
    void Cancel(Ticket ticket) override {
        cancelled.push_back(ticket);
        waiting.erase(std::remove(waiting.begin(), waiting.end(), ticket), waiting.end());
    }
    void Stop() override {
        ++stops;
        waiting.clear();
    }
    void PlayCue(Cue cue) override { cues.push_back(cue); }
    bool Busy() override { return !waiting.empty(); }
    void SetIdleCallback(std::function<void()> callback) override { on_idle = std::move(callback); }
    void Shutdown() override {
        waiting.clear();
        shut_down = true;
    }
    // The announcements queued so far have finished playing.
    void Finish() { waiting.clear(); }

    std::vector<Path> played;                 // every file, in order
    std::vector<std::vector<Path>> lists;     // each announcement; its ticket is its place from 1
    std::vector<std::vector<Path>> prepared;  // each PrepareNext
    std::vector<Ticket> named;                // the prepared ticket each Play named (0: none)
    std::vector<Ticket> waiting;              // playing or waiting
    std::vector<Ticket> cancelled;
    std::vector<Cue> cues;
    std::optional<Path> fail_on;
    bool finish_at_once = true;
    int stops = 0;
    bool shut_down = false;
    std::function<void()> on_idle;
};

// Refuses a combination that is already bound, as Windows does, also to this window;
// combinations in taken_by_others are held by other programs.
class FakeHotkeys : public HotkeyRegistrar {
  public:
    using Combination = std::pair<unsigned, unsigned char>;
    bool Register(int id, unsigned modifiers, unsigned char vk) override {
        Combination c{modifiers, vk};
        if (taken_by_others.count(c) || bound.count(id)) return false;
        for (const auto& [other_id, combination] : bound)
            if (combination == c) return false;
        bound[id] = c;
        registrations.push_back(std::make_tuple(id, modifiers, vk));
        return true;
    }
    bool Unregister(int id) override {
        unregistrations.push_back(id);
        return bound.erase(id) > 0;
    }
    std::map<int, Combination> bound;
    std::set<Combination> taken_by_others;
    std::vector<std::tuple<int, unsigned, unsigned char>> registrations;
    std::vector<int> unregistrations;
};

class FakeBoxes : public MessageBoxService {
  public:
    struct Shown {
        std::string text, caption;
        unsigned style;
    };
    // The user answers the box after while_shown; the box stays on the screen for while_leaving.
    int Show(const std::string& text, const std::string& caption, unsigned style,
             const std::function<void()>& answered) override {
        shown.push_back({text, caption, style});
        if (while_shown) while_shown();
        if (answered) answered();
        if (while_leaving) while_leaving();
        return 1;
    }
    std::vector<Shown> shown;
    std::function<void()> while_shown;    // what happens while a box is open
    std::function<void()> while_leaving;  // what happens once it is answered, before it has gone
};

class FakeOpenDialog : public OpenFileDialog {
  public:
    std::optional<Path> Show(const OpenFileRequest& request) override {
        requests.push_back(request);
        if (while_shown) while_shown();
        return answer;
    }
    std::function<void()> while_shown;
    std::optional<Path> answer;
    std::vector<OpenFileRequest> requests;
};

// Fresh fakes for every service; Files may be another file system (a real one,
// or one that fails on purpose).
template <class Files>
struct FakeServicesOn {
    Files files;
    FakePlayer player;
    FakeHotkeys hotkeys;
    FakeBoxes boxes;
    FakeOpenDialog dialog;
    Platform platform{files, player, hotkeys, boxes, dialog};
};

// A main window's logic wired to fresh fakes.
template <class Files>
struct FakeWindowOn : FakeServicesOn<Files> {
    TfrmMain form{this->platform};

    // Puts a definition file, which must name a line, into the catalogue and selects it.
    void Select(const Path& path, const std::string& contents) {
        this->files.files[path] = contents;
        const std::size_t before = form.cmbLinkaItems.size();
        form.AddDefinition(path);
        if (form.cmbLinkaItems.size() != before + 1) throw std::logic_error(path + " names no line");
        form.cmbLinkaChange(static_cast<int>(before));
    }
    // The file Start reads for the list's item index.
    Path FileOfItem(int index) {
        form.cmbLinkaChange(index);
        form.btnStartClick();
        return this->files.read.empty() ? Path() : this->files.read.back();
    }
};

using FakeWindow = FakeWindowOn<FakeFileSystem>;

}  // namespace vkm::testing
