// The announcement sequence: what the next press plays, stepping through the line, and the
// driver's corrections from the keyboard.
#include <string>
#include <utility>

#include "frm_main/frm_main.h"

namespace vkm {

namespace {

// Presses remembered for taking back what still sounds: far more than can sound at once.
constexpr std::size_t kPressesRemembered = 64;

}  // namespace

const LineAnnouncement* TfrmMain::Current() const {
    const long long index = FSequence.index();
    if (index < 0 || index >= static_cast<long long>(FLine.announcements.size())) return nullptr;
    return &FLine.announcements[static_cast<std::size_t>(index)];
}

std::vector<Path> TfrmMain::Fragments(const std::vector<const SoundList*>& lists) const {
    std::vector<Path> fragments;
    for (const SoundList* list : lists)
        for (const LineSound& sound : *list) fragments.push_back(FLine.SoundPath(sound));
    return fragments;
}

SoundPlayer::Ticket TfrmMain::Play(const std::vector<Path>& fragments, SoundPlayer::Ticket prepared) {
    const SoundPlayer::Ticket ticket = fragments.empty() ? 0 : platform_.player.Play(fragments, prepared);
    sbtnStopEnabled = platform_.player.Busy();
    return ticket;
}

SoundPlayer::Ticket TfrmMain::PlayPress(const Press& press) {
    if (FPrepared && FPrepared->press == press) return Play(FPrepared->fragments, FPrepared->ticket);
    return Play(Fragments(PressSounds(FLine, press)));
}

void TfrmMain::Remember(const Press& press, SoundPlayer::Ticket ticket) {
    if (ticket == 0) return;
    if (!FPlayed.empty() && FPlayed.back().press == press) {
        FPlayed.back().tickets.push_back(ticket);
        return;
    }
    if (FPlayed.size() == kPressesRemembered) FPlayed.erase(FPlayed.begin());
    FPlayed.push_back({press, {ticket}});
}

void TfrmMain::PrepareNextPress() {
    if (!FStarted) return;
    const Press press = FSequence.Next();
    if (FPrepared && FPrepared->press == press) return;  // made ready already
    std::vector<Path> fragments = Fragments(PressSounds(FLine, press));
    const SoundPlayer::Ticket ticket = platform_.player.PrepareNext(fragments);
    FPrepared = PreparedPress{press, std::move(fragments), ticket};
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
    const Press press = FSequence.Next();
    SoundPlayer::Ticket ticket = 0;
    try {
        ticket = PlayPress(press);
    } catch (...) {
        AdvanceTo(press.index + 1);
        throw;
    }
    FSequence.Advance();
    Remember(press, ticket);
    ShowPosition(press.closes);
    PrepareNextPress();
}

void TfrmMain::TakeBack() {
    const std::optional<Press> previous = FSequence.Previous();
    if (!previous) {
        platform_.player.PlayCue(Cue::kNothingMoved);
        return;
    }
    // What that press played, if it still sounds or waits, goes first.
    for (auto it = FPlayed.rbegin(); it != FPlayed.rend(); ++it) {
        if (!(it->press == *previous)) continue;
        for (SoundPlayer::Ticket ticket : it->tickets) platform_.player.Cancel(ticket);
        FPlayed.erase(std::next(it).base());
        break;
    }
    sbtnStopEnabled = platform_.player.Busy();
    FSequence.TakeBack();
    ShowPosition();
    platform_.player.PlayCue(Cue::kStep);
    PrepareNextPress();
}

void TfrmMain::Skip() {
    const Press press = FSequence.Advance();
    ShowPosition(press.closes);
    platform_.player.PlayCue(Cue::kStep);
    PrepareNextPress();
}

void TfrmMain::Repeat() {
    const std::optional<Press> previous = FSequence.Previous();
    if (!previous) {
        platform_.player.PlayCue(Cue::kNothingMoved);
        return;
    }
    platform_.player.PlayCue(Cue::kStep);
    Remember(*previous, PlayPress(*previous));
    PrepareNextPress();
}

void TfrmMain::dlgSeznamSelect(std::size_t k) {
    if (k >= FLine.announcements.size()) return;
    FSequence.JumpTo(k);
    ShowPosition();
    PrepareNextPress();
}

// Outside the line, before its start or past its end, nothing is current.
void TfrmMain::AdvanceTo(long long k) {
    FSequence.MoveTo(k);
    ShowPosition();
    PrepareNextPress();
}

void TfrmMain::ShowPosition(bool closed) {
    const LineAnnouncement* current = Current();
    lblHlaseni = current ? current->text : std::string();
    UpdateButtons();
    if (closed) {
        btnPlayEnabled = false;
        btnJedenZpetEnabled = false;
        btnJedenVpredEnabled = false;
    }
}

AnnouncementRow TfrmMain::AnnouncementRowAt(std::size_t k) const {
    std::string kind = PressSequence::PhaseAt(k) == Phase::kDeparture ? "odjezd" : "příjezd";
    if (static_cast<long long>(k) == NextAnnouncementRow()) kind += " (další)";
    return {std::to_string(k + 1), std::move(kind), FLine.announcements.at(k).text};
}

long long TfrmMain::NextAnnouncementRow() const {
    return Current() ? FSequence.index() : -1;
}

// In the line: the announcement and how it plays (after "-1" or "+1" maybe otherwise than its row
// says). Outside it, where no row is next: the gong and the end of the line alone, or nothing.
std::string TfrmMain::NextPressText() const {
    const Press next = FSequence.Next();
    const bool departs = next.phase == Phase::kDeparture;
    if (Current())
        return "Další stisk: hlášení " + std::to_string(next.index + 1) + ", " +
               (departs ? "odjezd" : "příjezd") + (next.closes ? " a konec linky" : "");
    std::string what;
    if (!(departs ? FLine.departure_sounds : FLine.arrival_sounds).empty())
        what = departs ? "gong odjezdu" : "gong příjezdu";
    if (next.closes && !FLine.end_sounds.empty()) what += what.empty() ? "konec linky" : " a konec linky";
    return std::string("Další stisk ") +
           (next.index < 0 ? "před prvním hlášením: " : "za posledním hlášením: ") +
           (what.empty() ? "nic nezazní" : what);
}

void TfrmMain::AnnounceUser(std::size_t i) {
    const UserAnnouncement& user = FLine.user_announcements[i];
    lblHlaseniPopis = user.description;
    Play(Fragments({&user.sounds}));
    PrepareNextPress();
}

}  // namespace vkm
