// The main window's logic: it owns the catalogue of lines, the line started, the
// position in its announcements and the hotkeys, and turns clicks and hotkey
// messages into announcements. It draws nothing: the Win32 window (frm_main_win32)
// shows the public state kept here and routes messages to the handlers.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/catalogue.h"
#include "core/line.h"
#include "core/sequence.h"
#include "frm_main/announcement_list.h"
#include "platform/platform.h"

namespace vkm {

// What the drop-down list shows while the catalogue is searched for: no line.
constexpr const char* kSearchingItem = "Hledám linky…";

class TfrmMain : public AnnouncementRows {
  public:
    explicit TfrmMain(Platform& platform) : platform_(platform) {}
    TfrmMain(const TfrmMain&) = delete;
    TfrmMain& operator=(const TfrmMain&) = delete;

    // ---- Event handlers. ----
    void FormCreate();
    // The window is asked to close (or the session ends): silent at once and the keys freed, before
    // the window goes (which may take the system a while).
    void FormClose();
    void FormDestroy();
    void btnStartClick();
    void sbtnOpenFileClick();
    void btnPlayClick() { Next(); }
    // The steps move the position only: the next press still does what was due.
    void btnJedenZpetClick() { AdvanceTo(FSequence.index() - 1); }
    void btnJedenVpredClick() { AdvanceTo(FSequence.index() + 1); }
    void sbtnStopClick() { StopSounds(); }
    // The button beside the announcement (or a click on it): choose shows the list of the line's
    // announcements and gives the one chosen, if any. While it is open none of the line's keys is
    // bound, so that Enter and Space choose in it; they are bound again when it closes.
    void btnSeznamClick(const std::function<std::optional<std::size_t>()>& choose);
    // Announcement k (from 0) was chosen in the list: the line is set there as if k presses had
    // been made from its start, and nothing plays.
    void dlgSeznamSelect(std::size_t k);
    // The user picked the list's item index (none while the search runs).
    void cmbLinkaChange(int index);
    // The player has finished or stopped (it tells the window, which calls this).
    void SoundStateChanged();
    // False when the id is not the window's: the message goes to default handling.
    bool WMHotKey(int id);

    // ---- The catalogue. ----
    // FormCreate leaves it searching: the window runs ScanCatalogue(files, CatalogueFolder(), stop)
    // on a worker thread and hands the result to ScanFinished, which ignores a result that comes when
    // no search is on (the window closing).
    Path CatalogueFolder();
    void ScanFinished(std::vector<FoundLine> lines);
    // The search that FormCreate leaves to the window, done at once on this thread.
    void ScanDefinitions();
    bool Scanning() const { return FScanning; }
    // Offers the line a definition file names (nothing when it names none), after the others;
    // while the search runs, after the lines it will find.
    void AddDefinition(const Path& path);

    // ---- The list of the line's announcements (btnSeznamClick shows it). ----
    std::size_t AnnouncementCount() const override { return FLine.announcements.size(); }
    AnnouncementRow AnnouncementRowAt(std::size_t k) const override;
    long long NextAnnouncementRow() const override;
    std::string NextPressText() const override;

    // ---- Window state, shown by the view (text in UTF-8). ----
    std::vector<std::string> cmbLinkaItems;  // while searching, kSearchingItem alone
    int cmbLinkaItemIndex = -1;
    bool btnStartEnabled = true;
    std::string lblHlaseni = "''";
    std::string lblHlaseniPopis = "''";
    bool btnPlayEnabled = true;
    bool btnJedenZpetEnabled = true;
    bool btnJedenVpredEnabled = true;
    bool sbtnStopEnabled = false;   // while something plays or waits
    bool btnSeznamEnabled = false;  // a line with announcements is started
    // The keys of the line started, as bound: a short line, and every key with what it does
    // (one a line) for a tooltip.
    std::string lblKlavesy;
    std::string lblKlavesyHint;

  private:
    // The line file selected in the list, read into FLine; the position reset.
    void LoadDefinition();
    void UpdateButtons();

    // The sequence.
    // Plays what the next press plays and moves on; the phase then turns.
    void Next();
    // The driver's corrections, from the keyboard: each gives a cue (core/cue.h).
    // Takes back the last press (position and phase); one that still sounds stops first.
    void TakeBack();
    // Moves on as if the next press had been made, playing nothing.
    void Skip();
    // Plays the last press's announcement again without moving.
    void Repeat();
    // Moves the position only.
    void AdvanceTo(long long k);
    // The label and the step controls for the position; a press that closed the line has
    // disabled the step controls.
    void ShowPosition(bool closed = false);
    // The files the lists play, in order.
    std::vector<Path> Fragments(const std::vector<const SoundList*>& lists) const;
    // Queues the files as one announcement (prepared: the ticket the player made them ready
    // under); returns at once with its ticket (0 when there is nothing to play).
    SoundPlayer::Ticket Play(const std::vector<Path>& fragments, SoundPlayer::Ticket prepared = 0);
    // Queues what the press plays: the announcement made ready for it, by its ticket, when it is
    // the press made ready.
    SoundPlayer::Ticket PlayPress(const Press& press);
    // Keeps the ticket of what a press played, for taking it back while it sounds.
    void Remember(const Press& press, SoundPlayer::Ticket ticket);
    // The player gets the next press's sounds ready (once for each press).
    void PrepareNextPress();
    void StopSounds();
    void AnnounceUser(std::size_t i);
    // The announcement at the position; nullptr before the first and past the last.
    const LineAnnouncement* Current() const;
    // lblKlavesy and its hint, for the keys bound now.
    void ShowKeys();

    // Hotkeys: every key of the line bound on its own; those refused are named in one warning.
    void RegisterHotkeys();
    void UnregisterHotkeys();
    // Binds keys one by one and returns the names of those refused.
    std::vector<std::string> Bind(const std::vector<HotkeyBinding>& keys);
    // A warning shown while none of the line's keys is bound, so that every key reaches
    // it (Enter and Space close it also when they are keys of the line); the keys are
    // bound again as soon as it is answered. A key that cannot be bound again is named
    // in a further warning, shown the same way.
    void Warn(const std::string& text);
    // Runs show with none of the line's keys bound; they are bound again when show calls
    // answered, or returns. The keys that cannot be bound again.
    std::vector<std::string> WithKeysReleased(
        const std::function<void(const std::function<void()>& answered)>& show);

    Platform& platform_;

    // The line started, and the position in it.
    Line FLine;
    PressSequence FSequence;
    bool FStarted = false;  // a line has been started
    // What the last presses played (the latest last), with the tickets of their announcements
    // (a repeat adds one): a press taken back while it sounds is silenced.
    struct PlayedPress {
        Press press;
        std::vector<SoundPlayer::Ticket> tickets;
    };
    std::vector<PlayedPress> FPlayed;
    // The next press as the player made it ready: its sounds, and the ticket they play under.
    struct PreparedPress {
        Press press;
        std::vector<Path> fragments;
        SoundPlayer::Ticket ticket = 0;
    };
    std::optional<PreparedPress> FPrepared;

    std::vector<HotkeyBinding> FBoundHotkeys;  // exactly the keys bound now

    // The catalogue: paths of the lines in cmbLinkaItems, entry for entry (none while searching).
    std::vector<Path> FDefinitionFiles;
    Path FLastOpenedFile;                        // offered again by the open dialog
    bool FScanning = false;                      // the search for lines runs
    std::vector<FoundLine> FAddedWhileScanning;  // lines the user added meanwhile, for after the search's
    bool FOpenedWhileScanning = false;           // the open dialog was used meanwhile
};

// The program's title: the executable's file name cut at its first ".", lower
// case after the first character (ABC_DEF.EXE gives Abc_def).
std::string ApplicationTitle(const Path& exe_path);

// The text of the general error report: a "." is added to a non-empty message
// whose last byte is above ".".
std::string ErrorReportText(const std::string& message);

}  // namespace vkm
