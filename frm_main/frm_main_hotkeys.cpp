// Binding the line's keys system-wide, routing their presses and releasing them.
//
// Every key is bound on its own: a key that cannot be bound (taken by another
// program, written wrongly, colliding with an earlier key of the line, or beyond its
// id range) leaves the others working and is named in one warning. The keys bound
// are kept in FBoundHotkeys, and exactly those are released again. The line gives its
// keys ready to bind (Line::hotkeys), read once when it was started.
//
// The warning about keys that cannot be used comes right after Start, while the user
// is in the window: it is shown with the line's keys released, so that Enter (the
// default arrival key) and Space close it instead of playing an announcement, and
// the keys are bound again after it. Other boxes and the open dialog leave the keys
// bound: a key pressed in the simulator while one of them is open still plays.
#include <algorithm>

#include "MsgDlgCZ/MsgDlgCZ.h"
#include "core/hotkeys.h"
#include "core/simulator_keys.h"
#include "frm_main/frm_main.h"

namespace vkm {

namespace {

// Unbinds the key; a failure changes nothing for the user: the id is forgotten all the same.
void UnregisterIgnoringFailure(HotkeyRegistrar& registrar, int id) {
    try {
        registrar.Unregister(id);
    } catch (...) {
    }
}

}  // namespace

std::vector<std::string> TfrmMain::Bind(const std::vector<HotkeyBinding>& keys) {
    std::vector<std::string> refused;
    for (const HotkeyBinding& key : keys) {
        if (key.id != 0 && platform_.hotkeys.Register(key.id, key.modifiers, key.vk))
            FBoundHotkeys.push_back(key);
        else
            refused.push_back(key.name);
    }
    return refused;
}

void TfrmMain::RegisterHotkeys() {
    UnregisterHotkeys();
    const std::vector<std::string> unbound = Bind(FLine.hotkeys);
    if (!unbound.empty()) Warn(UnusableKeysWarning(unbound));
    ShowKeys();
}

void TfrmMain::ShowKeys() {
    KeysShown shown = ShownKeys(FBoundHotkeys, FLine.user_announcements);
    lblKlavesy = std::move(shown.line);
    lblKlavesyHint = std::move(shown.hint);
    const std::string simulator = SimulatorKeysHint(FBoundHotkeys, platform_.keyboard);
    if (!simulator.empty()) lblKlavesyHint += "\n\n" + simulator;
}

void TfrmMain::UnregisterHotkeys() {
    for (const HotkeyBinding& key : FBoundHotkeys) UnregisterIgnoringFailure(platform_.hotkeys, key.id);
    FBoundHotkeys.clear();
}

std::vector<std::string> TfrmMain::WithKeysReleased(
    const std::function<void(const std::function<void()>& answered)>& show) {
    const std::vector<HotkeyBinding> keys = FBoundHotkeys;
    UnregisterHotkeys();
    std::vector<std::string> refused;
    bool rebound = false;
    auto bind_again = [&] {
        if (rebound) return;
        rebound = true;
        refused = Bind(keys);
    };
    try {
        show(bind_again);
    } catch (...) {
        bind_again();
        throw;
    }
    bind_again();
    return refused;
}

void TfrmMain::Warn(const std::string& text) {
    std::string shown = text;
    for (;;) {
        // The keys are bound again the moment the box is answered, not when it has gone: the system
        // may take seconds to take it off the screen (Wine without a window manager waits 2 s).
        const std::vector<std::string> refused = WithKeysReleased([&](const std::function<void()>& answered) {
            MsgBox(platform_.boxes, shown, "", kMsgWarning + kMsgOk, answered);
        });
        // Another program may have taken a key meanwhile: it is named, the same way. Each round binds
        // fewer keys than the one before, so this ends.
        if (refused.empty()) return;
        shown = UnusableKeysWarning(refused);
    }
}

void TfrmMain::btnSeznamClick(const std::function<std::optional<std::size_t>()>& choose) {
    if (!btnSeznamEnabled) return;
    // In the list Enter chooses, also when Enter is a key of the line.
    std::optional<std::size_t> chosen;
    const std::vector<std::string> refused =
        WithKeysReleased([&](const std::function<void()>&) { chosen = choose(); });
    if (chosen) dlgSeznamSelect(*chosen);
    if (!refused.empty()) Warn(UnusableKeysWarning(refused));
    ShowKeys();
}

bool TfrmMain::WMHotKey(int id) {
    // Only an id bound now is the window's; its range says what it does.
    if (std::none_of(FBoundHotkeys.begin(), FBoundHotkeys.end(),
                     [id](const HotkeyBinding& key) { return key.id == id; }))
        return false;
    switch (KeyRoleOf(id)) {
        case KeyRole::kAnnouncement:
            Next();  // arrival and departure keys alike: the phase decides what plays
            break;
        case KeyRole::kUser: {
            const std::size_t i = static_cast<std::size_t>(id - kUserIdBase);
            if (i < FLine.user_announcements.size()) AnnounceUser(i);
            break;
        }
        case KeyRole::kTakeBack:
            TakeBack();
            break;
        case KeyRole::kSkip:
            Skip();
            break;
        case KeyRole::kRepeat:
            Repeat();
            break;
        case KeyRole::kStop:
            StopSounds();
            break;
        case KeyRole::kNone:
            return false;
    }
    return true;
}

}  // namespace vkm
