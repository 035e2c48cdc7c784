// Binding the line's keys system-wide, routing their presses and releasing them.
//
// Every key is bound on its own: a key that cannot be bound (taken by another
// program, written wrongly, or out of its id range) leaves the others working and
// is named in one warning after the binding. The ids actually bound are kept in
// FRegisteredHotkeys, and exactly those are released again.
#include <algorithm>
#include <set>

#include "MsgDlgCZ/MsgDlgCZ.h"
#include "core/codepage.h"
#include "core/hotkeys.h"
#include "core/text.h"
#include "frm_main/frm_main.h"

namespace vkm {

namespace {

void Bind(HotkeyRegistrar& registrar, const std::vector<HotkeyBinding>& keys, std::vector<int>& registered,
          std::vector<std::string>& unbound) {
    for (const HotkeyBinding& key : keys) {
        if (key.id != 0 && registrar.Register(key.id, key.modifiers, key.vk))
            registered.push_back(key.id);
        else
            unbound.push_back(key.name);
    }
}

// A failed release changes nothing for the user: the id is forgotten all the same.
void Release(HotkeyRegistrar& registrar, int id) {
    try {
        registrar.Unregister(id);
    } catch (...) {
    }
}

}  // namespace

void TfrmMain::RegisterHotkeys() {
    UnregisterHotkeys();
    FUnboundKeys.clear();
    Bind(P.hotkeys, AnnouncementHotkeys(FArrivalKeys, FDepartureKeys), FRegisteredHotkeys, FUnboundKeys);
    RegisterUserHotkeys();
    FHotkeysActive = true;
    if (FUnboundKeys.empty()) return;

    std::string names;
    std::set<std::string> named;
    for (const std::string& name : FUnboundKeys) {
        if (!named.insert(name).second) continue;
        if (!names.empty()) names += ", ";
        names += name;
    }
    MsgBox(P.boxes,
           std::string("Některé klávesy nelze použít (používá je jiný program nebo jsou chybně zapsané): ") +
               names,
           "", msgWarning + msgOk);
}

void TfrmMain::RegisterUserHotkeys() {
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(FUserKeys.Count()));
    for (int i = 0; i < FUserKeys.Count(); ++i) {
        FUserKeys.Put(i, GetField(FUserKeys.Get(i), 2, "="));
        entries.push_back(FUserKeys.Get(i));
    }
    Bind(P.hotkeys, UserHotkeys(entries, AnnouncementHotkeys(FArrivalKeys, FDepartureKeys)),
         FRegisteredHotkeys, FUnboundKeys);
}

void TfrmMain::UnregisterHotkeys() {
    for (int id : FRegisteredHotkeys)
        if (id < UserIdBase) Release(P.hotkeys, id);
    FRegisteredHotkeys.erase(std::remove_if(FRegisteredHotkeys.begin(), FRegisteredHotkeys.end(),
                                            [](int id) { return id < UserIdBase; }),
                             FRegisteredHotkeys.end());
    FHotkeysActive = false;
    UnregisterUserHotkeys();
}

void TfrmMain::UnregisterUserHotkeys() {
    for (int id : FRegisteredHotkeys)
        if (id >= UserIdBase) Release(P.hotkeys, id);
    FRegisteredHotkeys.erase(std::remove_if(FRegisteredHotkeys.begin(), FRegisteredHotkeys.end(),
                                            [](int id) { return id >= UserIdBase; }),
                             FRegisteredHotkeys.end());
}

bool TfrmMain::WMHotKey(int id) {
    // Only an id bound now is the window's; its range says what it does.
    if (std::find(FRegisteredHotkeys.begin(), FRegisteredHotkeys.end(), id) == FRegisteredHotkeys.end())
        return false;
    if (id < UserIdBase) {
        Next();  // arrival and departure keys alike: the phase decides what plays
    } else if (id - UserIdBase < FUserKeys.Count()) {
        AnnounceUser(id - UserIdBase);
    }
    return true;
}

void TfrmMain::AnnounceUser(int i) {
    const std::string entry = FUserKeys.Get(i);
    lblHlaseniPopis = UserKeyDescription(entry);
    PlaySoundList(UserKeySounds(entry) + ",");
}

}  // namespace vkm
