// The window's logic on fake services: a line file from the input, then presses,
// clicks, corrections, choices in the list and Start again in the order the input gives. Whatever happens,
// the label shows the announcement at the position the harness keeps itself, the step controls follow the
// rules, every key bound is one the line names under its own id, and none is left after the window closes.
// The list marks the label's announcement; a correction ticks once where the line moved, twice where not.
//
// Input: two bytes of length and the line file, one byte of settings, then one byte
// (and sometimes a second) per action.
#include <algorithm>

#include "core/line.h"
#include "fuzz/fuzz.h"
#include "tests/fakes/fakes.h"

using namespace vkm;
using namespace vkm::testing;

namespace {

// What the window must show, by the line the harness reads itself and the position it keeps.
struct Model {
    Line line;
    bool started = false;
    long long index = 0;

    void Check(FakeWindow& w) const {
        TfrmMain& f = w.form;
        const long long count = static_cast<long long>(line.announcements.size());
        const bool in_line = started && index >= 0 && index < count;
        FUZZ_CHECK(f.lblHlaseni == (!started ? "''" : in_line ? line.announcements[index].text : ""));
        if (f.btnPlayEnabled) FUZZ_CHECK(in_line);
        if (f.btnJedenZpetEnabled) FUZZ_CHECK(index > 0);  // the buttons never step before the first
        if (f.btnJedenVpredEnabled) FUZZ_CHECK(index <= count - 1);
        FUZZ_CHECK(f.NextAnnouncementRow() == (in_line ? index : -1));  // the list marks the label's
        // Every key bound is the line's, under its own id.
        for (const auto& [id, combination] : w.hotkeys.bound) {
            const auto key = std::find_if(line.hotkeys.begin(), line.hotkeys.end(),
                                          [id = id](const HotkeyBinding& b) { return b.id == id; });
            FUZZ_CHECK(started && key != line.hotkeys.end());
            FUZZ_CHECK(combination == FakeHotkeys::Combination(key->modifiers, key->vk));
        }
        FUZZ_CHECK(f.sbtnStopEnabled == w.player.Busy());
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    FakeWindow w;
    TfrmMain& f = w.form;
    f.FormCreate();
    f.ScanFinished({});  // the program's folder holds no lines
    FUZZ_CHECK(w.hotkeys.bound.empty() && !f.btnPlayEnabled && !f.btnJedenZpetEnabled &&
               !f.btnJedenVpredEnabled);
    const Path path = "C:\\linky\\linka.vkm";
    const std::string file = in.Piece(1 << 16);
    Model model;
    model.line = ReadLine(IniFile(file), path);
    if (model.line.name.empty()) return 0;  // not offered: nothing can start
    w.Select(path, file);
    const std::uint8_t settings = in.Byte();
    w.player.finish_at_once = settings & 1;
    if (settings & 2) w.hotkeys.taken_by_others.insert({0, 0x70});  // another program holds F1
    if (settings & 4) w.hotkeys.taken_by_others.insert({1, 'B'});   // and Alt+B
    f.btnStartClick();
    model.started = true;
    model.Check(w);

    for (int steps = 0; !in.empty() && steps < 2000; ++steps) {
        switch (in.Byte() % 9) {
            case 0:
                if (f.btnPlayEnabled) {
                    f.btnPlayClick();
                    ++model.index;
                }
                break;
            case 1:
                if (f.btnJedenZpetEnabled) {
                    f.btnJedenZpetClick();
                    --model.index;
                }
                break;
            case 2:
                if (f.btnJedenVpredEnabled) {
                    f.btnJedenVpredClick();
                    ++model.index;
                }
                break;
            case 3:
            case 4: {  // a key of the line, or an id that is not the window's
                const std::uint8_t k = in.Byte();
                const std::vector<HotkeyBinding>& keys = model.line.hotkeys;
                const int id = keys.empty() || k == 255 ? k : keys[k % keys.size()].id;
                const bool ours = w.hotkeys.bound.count(id) > 0;
                FUZZ_CHECK(f.WMHotKey(id) == ours);
                const KeyRole role = ours ? KeyRoleOf(id) : KeyRole::kNone;
                const bool moved = role == KeyRole::kSkip || (role == KeyRole::kTakeBack && model.index > 0);
                if (role == KeyRole::kSkip || role == KeyRole::kTakeBack)
                    FUZZ_CHECK(w.player.cues.back() == (moved ? Cue::kStep : Cue::kNothingMoved));
                if (role == KeyRole::kAnnouncement || role == KeyRole::kSkip) ++model.index;
                if (role == KeyRole::kTakeBack && model.index > 0) --model.index;
                break;
            }
            case 5:
                f.btnStartClick();
                model.index = 0;
                break;
            case 6:
                f.sbtnStopClick();
                break;
            case 7:
                w.player.Finish();
                f.SoundStateChanged();
                break;
            case 8: {  // an announcement chosen in the list
                const std::size_t k = in.Byte();
                f.dlgSeznamSelect(k);
                if (k < model.line.announcements.size()) model.index = static_cast<long long>(k);
                break;
            }
        }
        model.Check(w);
    }
    f.FormDestroy();
    FUZZ_CHECK(w.hotkeys.bound.empty());
    FUZZ_CHECK(!w.player.Busy());
    return 0;
}
