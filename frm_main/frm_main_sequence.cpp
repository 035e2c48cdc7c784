// The announcement sequence: what the next press plays, and stepping through the line.
#include "core/codepage.h"
#include "core/sound_list.h"
#include "core/text.h"
#include "frm_main/frm_main.h"

namespace vkm {

void TfrmMain::PlaySoundList(const std::string& list) {
    std::vector<Path> fragments;
    for (const std::string& name : SoundListNames(list)) fragments.push_back(NormalizePath(FSoundDir + name));
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
    if (FPhase == phArrival)
        AnnounceArrival();
    else
        AnnounceDeparture();
}

void TfrmMain::AnnounceDeparture() {
    try {
        PlaySoundList(FDepartureSounds + "," + FCurrentAnnouncement + ",");
    } catch (...) {
        AdvanceTo(FIndex + 1);
        throw;
    }
    AdvanceTo(FIndex + 1);
    FPhase = phArrival;
}

void TfrmMain::AnnounceArrival() {
    try {
        PlaySoundList(FArrivalSounds + "," + FCurrentAnnouncement + ",");
    } catch (...) {
        AdvanceTo(FIndex + 1);
        throw;
    }
    AdvanceTo(FIndex + 1);
    if (FAnnouncements.Count() <= FIndex) {
        PlaySoundList(FEndSounds + ",");
        btnPlayEnabled = false;
        btnJedenZpetEnabled = false;
        btnJedenVpredEnabled = false;
    }
    FPhase = phDeparture;
}

void TfrmMain::StepBack() {
    AdvanceTo(FIndex - 1);
}

void TfrmMain::StepForward() {
    AdvanceTo(FIndex + 1);
}

void TfrmMain::AdvanceTo(long long k) {
    FIndex = k;
    // Outside the list, before its start or past its end, nothing is current.
    if (FIndex < 0 || FIndex > FAnnouncements.Count() - 1)
        FCurrentAnnouncement.clear();
    else
        FCurrentAnnouncement = FAnnouncements.Get(FIndex);
    lblHlaseni = FCurrentAnnouncement;
    UpdateButtons();
}

}  // namespace vkm
