// The main window's logic: it owns the catalogue of lines, the loaded line, the
// position in its announcements and the hotkeys, and turns clicks and hotkey
// messages into announcements. It draws nothing: the Win32 window (frm_main_win32)
// shows the state kept here and routes messages to the handlers.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "core/hotkeys.h"
#include "core/string_list.h"
#include "platform/platform.h"

namespace vkm {

enum TPhase { phArrival = 0, phDeparture = 1 };

// A line the catalogue offers: its definition file and the name that file gives it.
struct FoundLine {
    Path file;
    std::string name;  // UTF-8
    bool operator==(const FoundLine& o) const { return file == o.file && name == o.name; }
};

// What the drop-down list shows while the catalogue is searched for: no line.
constexpr const char* kSearchingItem = "Hledám linky…";
// Start with a definition file that no longer names a line.
constexpr const char* kNotALineText = "Vybraný soubor není definiční soubor vlakového rozhlasu";

class TfrmMain {
  public:
    explicit TfrmMain(Platform& platform) : P(platform) {}
    TfrmMain(const TfrmMain&) = delete;
    TfrmMain& operator=(const TfrmMain&) = delete;

    // Event handlers.
    void FormCreate();
    // The window is asked to close (or the session ends): silent at once and the keys freed, before
    // the window goes (which may take the system a while).
    void FormClose();
    void FormDestroy();
    void btnStartClick();
    void sbtnOpenFileClick();
    void btnPlayClick() { Next(); }
    void btnJedenZpetClick() { StepBack(); }
    void btnJedenVpredClick() { StepForward(); }
    void sbtnStopClick() { StopSounds(); }
    // The player has finished or stopped (it tells the window, which calls this).
    void SoundStateChanged();
    // False when the id is not the window's: the message goes to default handling.
    bool WMHotKey(int id);

    // Line definition.
    void LoadDefinition();
    void UpdateButtons();

    // Catalogue. FormCreate leaves it searching (FScanning): the window runs
    // ScanCatalogue(files, CatalogueFolder(), stop) on a worker thread and hands the result to
    // ScanFinished, which ignores a result that comes when no search is on (the window closing).
    Path CatalogueFolder();
    void ScanFinished(std::vector<FoundLine> lines);
    // The search that FormCreate leaves to the window, done at once on this thread.
    void ScanDefinitions();
    // Offers the line a definition file names (nothing when it names none), after the others;
    // while the search runs, after the lines it will find.
    void AddDefinition(const Path& path);
    // The user picked the list's item index (none while the search runs).
    void cmbLinkaChange(int index);

    // Sequence.
    void Next();
    void AnnounceDeparture();
    void AnnounceArrival();
    void StepBack();
    void StepForward();
    void AdvanceTo(long long k);
    // Queues the list's sounds to play after those queued before, and returns at once.
    void PlaySoundList(const std::string& list);
    // Silences what plays and drops what waits; the position in the line stays.
    void StopSounds();

    // Hotkeys.
    void RegisterHotkeys();
    void UnregisterHotkeys();
    void AnnounceUser(int i);
    // A warning shown while none of the line's keys is bound, so that every key reaches
    // it (Enter and Space close it also when they are keys of the line); the keys are
    // bound again as soon as it is answered. A key that cannot be bound again is named
    // in a further warning, shown the same way.
    int Warn(const std::string& text);

    // ---- Window state, shown by the view (text in UTF-8). ----
    std::vector<std::string> cmbLinkaItems;  // while searching, kSearchingItem alone
    int cmbLinkaItemIndex = -1;
    bool btnStartEnabled = true;
    std::string lblHlaseni = "''";
    std::string lblHlaseniPopis = "''";
    bool btnPlayEnabled = true;
    bool btnJedenZpetEnabled = true;
    bool btnJedenVpredEnabled = true;
    bool sbtnStopEnabled = false;  // while something plays or waits

    // ---- The loaded line. ----
    std::string FArrivalSounds;
    std::string FDepartureSounds;
    std::string FEndSounds;
    std::string FArrivalKeys;
    std::string FDepartureKeys;
    std::string FStopKeys;
    StringList FUserKeys;  // user key entries: "key specification;sounds;description"
    StringList FAnnouncements;
    Path FSoundDir;

    // ---- The position in the line. ----
    long long FIndex = 0;
    std::string FCurrentAnnouncement;
    TPhase FPhase = phArrival;

    // ---- Catalogue: paths of the lines in cmbLinkaItems, entry for entry (none while searching). ----
    std::vector<Path> FDefinitionFiles;
    Path FLastOpenedFile;                        // offered again by the open dialog
    bool FScanning = false;                      // the search for lines runs
    std::vector<FoundLine> FAddedWhileScanning;  // lines the user added meanwhile, for after the search's
    bool FOpenedWhileScanning = false;           // the open dialog was used meanwhile

    // ---- Hotkeys. ----
    std::vector<HotkeyBinding> FBoundHotkeys;  // exactly the keys bound now
    std::vector<std::string> FUnboundKeys;     // names of the keys the last binding could not bind

  private:
    // Binds keys one by one; those refused are added to FUnboundKeys and returned.
    std::vector<std::string> Bind(const std::vector<HotkeyBinding>& keys);
    Platform& P;
};

// Every definition file (*.vkm) in folder and below it, found as the catalogue finds
// them: files before subfolders, depth first, hidden and system entries and linked
// folders left out.
std::vector<Path> FindDefinitionFiles(FileSystem& files, const Path& folder);

// ---- The catalogue's search, run on a worker thread: it uses the file system only. ----

// Appends to list the path of every file below dir whose name matches mask (without regard to
// case): depth first, a folder's files before its subfolders, each in the file system's order;
// hidden and system entries are left out, and linked folders (listed as files) are not entered.
// A folder that cannot be listed contributes nothing; an error inside a folder ends that folder's
// part only. When stop is set (it is looked at before each folder) the search ends early.
void FindFiles(FileSystem& files, const Path& dir, const std::string& mask, std::vector<Path>& list,
               const std::atomic<bool>* stop = nullptr);

// The name a definition file gives its line (IniFile(file).IniReadValue("Info", "Name", "")),
// reading only as much of the file as that takes; "" when the file cannot be read or stop is set.
std::string DefinitionName(FileSystem& files, const Path& path, const std::atomic<bool>* stop = nullptr);

// The lines below folder: every "*.vkm" file found by FindFiles that names a line, in that order.
// When stop is set (looked at between folders and between files) it ends early with what it has.
std::vector<FoundLine> ScanCatalogue(FileSystem& files, const Path& folder, const std::atomic<bool>& stop);

// The program's title: the executable's file name cut at its first ".", lower
// case after the first character (ABC_DEF.EXE gives Abc_def).
std::string ApplicationTitle(const Path& exe_path);

// The text of the general error report: a "." is added to a non-empty message
// whose last byte is above ".".
std::string ErrorReportText(const std::string& message);

}  // namespace vkm
