// The window's logic on fake services: a line file from the input, then presses,
// clicks and Start again in the order the input gives. Whatever happens, the label
// shows entry FIndex of the announcements, the step controls follow the rules, the
// keys bound are exactly those the window remembers, and none is left after it closes.
//
// Input: two bytes of length and the line file, one byte of settings, then one byte
// (and sometimes a second) per action.
#include "core/hotkeys.h"
#include "fuzz/fuzz.h"
#include "tests/fakes/fakes.h"

using namespace vkm;
using namespace vkm::testing;

namespace {

void CheckState(FakeWindow& w) {
    TfrmMain& f = w.form;
    const int count = f.FAnnouncements.Count();
    FUZZ_CHECK(f.FIndex >= 0);  // the buttons never step before the first announcement
    FUZZ_CHECK(f.FCurrentAnnouncement == (f.FIndex < count ? f.FAnnouncements.Get(f.FIndex) : ""));
    // Until a line is loaded (a file that names none is not) the label shows what it showed at first.
    FUZZ_CHECK(f.lblHlaseni == f.FCurrentAnnouncement || (f.lblHlaseni == "''" && f.FCurrentAnnouncement.empty()));
    FUZZ_CHECK(f.btnPlayEnabled == !f.FCurrentAnnouncement.empty());
    if (f.btnJedenZpetEnabled) FUZZ_CHECK(f.FIndex > 0);
    if (f.btnJedenVpredEnabled) FUZZ_CHECK(f.FIndex <= count - 1);
    FUZZ_CHECK(f.FBoundHotkeys.size() == w.hotkeys.bound.size());
    for (const HotkeyBinding& key : f.FBoundHotkeys) {
        const auto bound = w.hotkeys.bound.find(key.id);
        FUZZ_CHECK(bound != w.hotkeys.bound.end());
        FUZZ_CHECK(bound->second == FakeHotkeys::Combination(key.modifiers, key.vk));
    }
    FUZZ_CHECK(f.sbtnStopEnabled == w.player.Busy());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    FakeWindow w;
    TfrmMain& f = w.form;
    f.FormCreate();
    f.ScanFinished({});  // the program's folder holds no lines
    FUZZ_CHECK(w.hotkeys.bound.empty() && !f.btnPlayEnabled && !f.btnJedenZpetEnabled &&
               !f.btnJedenVpredEnabled);
    w.Select("C:\\linky\\linka.vkm", in.Piece(1 << 16));
    const std::uint8_t settings = in.Byte();
    w.player.finish_at_once = settings & 1;
    if (settings & 2) w.hotkeys.taken_by_others.insert({0, 0x70});  // another program holds F1
    if (settings & 4) w.hotkeys.taken_by_others.insert({1, 'B'});   // and Alt+B
    f.btnStartClick();
    CheckState(w);

    for (int steps = 0; !in.empty() && steps < 2000; ++steps) {
        switch (in.Byte() % 8) {
            case 0:
                if (f.btnPlayEnabled) f.btnPlayClick();
                break;
            case 1:
                if (f.btnJedenZpetEnabled) f.btnJedenZpetClick();
                break;
            case 2:
                if (f.btnJedenVpredEnabled) f.btnJedenVpredClick();
                break;
            case 3:
            case 4: {  // a key of the line, or an id that is not the window's
                const std::uint8_t k = in.Byte();
                const int id =
                    f.FBoundHotkeys.empty() || k == 255 ? k : f.FBoundHotkeys[k % f.FBoundHotkeys.size()].id;
                const bool ours = w.hotkeys.bound.count(id) > 0;
                FUZZ_CHECK(f.WMHotKey(id) == ours);
                break;
            }
            case 5:
                f.btnStartClick();
                break;
            case 6:
                f.sbtnStopClick();
                break;
            case 7:
                w.player.Finish();
                f.SoundStateChanged();
                break;
        }
        CheckState(w);
    }
    f.FormDestroy();
    FUZZ_CHECK(w.hotkeys.bound.empty());
    FUZZ_CHECK(!w.player.Busy());
    return 0;
}
