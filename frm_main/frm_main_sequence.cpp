// The announcement sequence: what the next press plays, and stepping through the line.
#include "frm_main/frm_main.h"

namespace vkm {

const LineAnnouncement* TfrmMain::Current() const {
    if (FIndex < 0 || FIndex >= static_cast<long long>(FLine.announcements.size())) return nullptr;
    return &FLine.announcements[static_cast<std::size_t>(FIndex)];
}

void TfrmMain::Play(std::initializer_list<const SoundList*> lists) {
    std::vector<Path> fragments;
    for (const SoundList* list : lists)
        for (const LineSound& sound : *list) fragments.push_back(sound.path);
    if (!fragments.empty()) P.player.Play(fragments);
    sbtnStopEnabled = P.player.Busy();
}

void TfrmMain::StopSounds() {
    P.player.Stop();
    sbtnStopEnabled = false;
}

void TfrmMain::SoundStateChanged() {
    sbtnStopEnabled = P.player.Busy();
}

void TfrmMain::Next() {
    if (FPhase == Phase::kArrival)
        AnnounceArrival();
    else
        AnnounceDeparture();
}

// The position moves on also when playing fails; the phase then stays.
void TfrmMain::AnnounceDeparture() {
    static const SoundList kNone;
    const LineAnnouncement* current = Current();
    try {
        Play({&FLine.departure_sounds, current ? &current->sounds : &kNone});
    } catch (...) {
        AdvanceTo(FIndex + 1);
        throw;
    }
    AdvanceTo(FIndex + 1);
    FPhase = Phase::kArrival;
}

// Every arrival at or past the last announcement closes the line.
void TfrmMain::AnnounceArrival() {
    static const SoundList kNone;
    const LineAnnouncement* current = Current();
    try {
        Play({&FLine.arrival_sounds, current ? &current->sounds : &kNone});
    } catch (...) {
        AdvanceTo(FIndex + 1);
        throw;
    }
    AdvanceTo(FIndex + 1);
    if (static_cast<long long>(FLine.announcements.size()) <= FIndex) {
        Play({&FLine.end_sounds});
        btnPlayEnabled = false;
        btnJedenZpetEnabled = false;
        btnJedenVpredEnabled = false;
    }
    FPhase = Phase::kDeparture;
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
