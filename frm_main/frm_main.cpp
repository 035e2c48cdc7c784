#include "frm_main/frm_main.h"

#include "MsgDlgCZ/MsgDlgCZ.h"
#include "core/codepage.h"
#include "core/ini.h"
#include "core/line_definition.h"
#include "core/text.h"

namespace vkm {

void TfrmMain::FormCreate() {
    FDefinitionFiles.clear();
    FAnnouncements.Clear();
    FUserKeys.Clear();
    FSoundDir.clear();
    // The lines are searched for while the window shows (see CatalogueFolder).
    FScanning = true;
    FAddedWhileScanning.clear();
    FOpenedWhileScanning = false;
    cmbLinkaItems = {kSearchingItem};
    cmbLinkaItemIndex = -1;
    btnStartEnabled = false;
    UpdateButtons();
}

void TfrmMain::FormClose() {
    P.player.Shutdown();  // silent at once, the device freed
    sbtnStopEnabled = false;
    UnregisterHotkeys();
}

void TfrmMain::FormDestroy() {
    FScanning = false;  // a search result that comes now is dropped
    FormClose();
    FDefinitionFiles.clear();
    FAnnouncements.Clear();
    FUserKeys.Clear();
}

void TfrmMain::btnStartClick() {
    if (FScanning) return;  // Start waits for the list of lines
    if (cmbLinkaItemIndex < 0) {
        MsgBox(P.boxes, "Není vybrána žádná zvuková mapa", "", msgWarning + msgOk);
        return;
    }
    LoadDefinition();
    P.player.Prepare();  // meanwhile, so that the first press plays as quickly as the others
    RegisterHotkeys();
}

void TfrmMain::LoadDefinition() {
    const Path path = FDefinitionFiles.at(static_cast<std::size_t>(cmbLinkaItemIndex));
    if (!P.files.FileExists(path)) {
        MsgBox(P.boxes, "Nelze najít definiční soubor vlakového rozhlasu", "", msgWarning + msgOk);
        return;
    }
    const std::optional<std::string> bytes = P.files.ReadFile(path);
    if (!bytes) {
        // There but not readable (no permission, held by another program): as if missing.
        MsgBox(P.boxes, "Definiční soubor vlakového rozhlasu nelze přečíst", "", msgWarning + msgOk);
        return;
    }
    LineDefinition line = ReadLineDefinition(IniFile(*bytes));
    if (line.name.empty()) {
        // Emptied or overwritten since it was offered: no longer a line, and its keys (the defaults)
        // must not be taken from the simulator. The line started before stays, as for a missing file.
        MsgBox(P.boxes, kNotALineText, "", msgWarning + msgOk);
        return;
    }

    FArrivalSounds = line.arrival_sounds;
    FDepartureSounds = line.departure_sounds;
    FEndSounds = line.end_sounds;
    FArrivalKeys = line.keys.arrival;
    FDepartureKeys = line.keys.departure;
    FStopKeys = line.keys.stop;
    FUserKeys.Clear();
    for (const std::string& entry : line.keys.user_entries) FUserKeys.Add(entry);
    FAnnouncements.Clear();
    for (std::string& announcement : line.announcements) FAnnouncements.Add(std::move(announcement));

    // A line without announcements loads all the same (it may exist only for its
    // user announcements): nothing is current and nothing can be played.
    FPhase = phDeparture;
    FIndex = 0;
    FCurrentAnnouncement = FAnnouncements.Empty() ? std::string() : FAnnouncements.Get(0);
    lblHlaseni = FCurrentAnnouncement;
    FSoundDir = IncludeBackslash(ExtractFilePath(path));
    UpdateButtons();
}

void TfrmMain::UpdateButtons() {
    btnPlayEnabled = !FCurrentAnnouncement.empty();
    btnJedenZpetEnabled = FIndex > 0 && FAnnouncements.Count() > 0;
    btnJedenVpredEnabled = FIndex <= FAnnouncements.Count() - 1;
}

std::string ApplicationTitle(const Path& exe_path) {
    std::u16string name = Utf8ToUtf16(ExtractFileName(exe_path));
    std::size_t dot = name.find(u'.');
    if (dot != std::u16string::npos) name.resize(dot);
    for (std::size_t i = 1; i < name.size(); ++i) {
        // Lower case is upper case's inverse for the letters ToUpperUtf16 knows.
        for (char16_t lower : {static_cast<char16_t>(name[i] + 32), static_cast<char16_t>(name[i] + 1),
                               static_cast<char16_t>(name[i] + 80)}) {
            if (lower != name[i] && ToUpperUtf16(lower) == name[i]) {
                name[i] = lower;
                break;
            }
        }
    }
    return Utf16ToUtf8(name);
}

std::string ErrorReportText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

}  // namespace vkm
