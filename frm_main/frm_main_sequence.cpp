// The announcement sequence: what the next press plays, and stepping through the line.
#include "frm_main/frm_main.h"

namespace vkm {

const LineAnnouncement* TfrmMain::Current() const {
    if (FIndex < 0 || FIndex >= static_cast<long long>(FLine.announcements.size())) return nullptr;
    return &FLine.announcements[static_cast<std::size_t>(FIndex)];
}

std::vector<Path> TfrmMain::Fragments(const std::vector<const SoundList*>& lists) const {
    std::vector<Path> fragments;
    for (const SoundList* list : lists)
        for (const LineSound& sound : *list) fragments.push_back(FLine.SoundPath(sound));
    return fragments;
}

void TfrmMain::Play(const std::vector<const SoundList*>& lists) {
    const std::vector<Path> fragments = Fragments(lists);
    if (!fragments.empty()) platform_.player.Play(fragments);
    sbtnStopEnabled = platform_.player.Busy();
}

void TfrmMain::StopSounds() {
    platform_.player.Stop();
    sbtnStopEnabled = false;
}

void TfrmMain::SoundStateChanged() {
    sbtnStopEnabled = platform_.player.Busy();
}

// The position moves on also when playing fails; the phase then stays. Every arrival at or past
// the last announcement closes the line (its end-of-line sounds follow in the same announcement,
// without a pause) and disables the step controls.
void TfrmMain::Next() {
    const bool closes =
        FPhase == Phase::kArrival && static_cast<long long>(FLine.announcements.size()) <= FIndex + 1;
    try {
        Play(PressSounds(FLine, FIndex, FPhase));
    } catch (...) {
        AdvanceTo(FIndex + 1);
        throw;
    }
    AdvanceTo(FIndex + 1);
    if (closes) {
        btnPlayEnabled = false;
        btnJedenZpetEnabled = false;
        btnJedenVpredEnabled = false;
    }
    FPhase = FPhase == Phase::kArrival ? Phase::kDeparture : Phase::kArrival;
}

// Outside the line, before its start or past its end, nothing is current.
void TfrmMain::AdvanceTo(long long k) {
    FIndex = k;
    const LineAnnouncement* current = Current();
    lblHlaseni = current ? current->text : std::string();
    UpdateButtons();
}

void TfrmMain::AnnounceUser(std::size_t i) {
    const UserAnnouncement& user = FLine.user_announcements[i];
    lblHlaseniPopis = user.description;
    Play({&user.sounds});
}

}  // namespace vkm
