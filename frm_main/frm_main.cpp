#include "frm_main/frm_main.h"

#include <utility>

#include "MsgDlgCZ/MsgDlgCZ.h"
#include "core/codepage.h"
#include "core/ini.h"
#include "core/path.h"

namespace vkm {

void TfrmMain::FormCreate() {
    FDefinitionFiles.clear();
    FLine = Line();
    FSequence = PressSequence();
    FStarted = false;
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
    UnregisterHotkeys();
    platform_.player.Shutdown();  // silent at once, whatever the sound driver does
    sbtnStopEnabled = false;
}

void TfrmMain::FormDestroy() {
    FScanning = false;  // a search result that comes now is dropped
    FormClose();
    FDefinitionFiles.clear();
    FLine = Line();
}

void TfrmMain::btnStartClick() {
    if (FScanning) return;  // Start waits for the list of lines
    if (cmbLinkaItemIndex < 0) {
        MsgBox(platform_.boxes, "Není vybrána žádná zvuková mapa", "", kMsgWarning + kMsgOk);
        return;
    }
    LoadDefinition();
    RegisterHotkeys();
}

void TfrmMain::LoadDefinition() {
    // A file gone or unreadable since it was offered, or emptied or overwritten so that it names
    // no line (whose keys, the defaults, must not be taken from the simulator): the line started
    // before stays, with its keys.
    LineFile file =
        LoadLineFile(platform_.files, FDefinitionFiles.at(static_cast<std::size_t>(cmbLinkaItemIndex)));
    if (file.error != LineFileError::kNone) {
        MsgBox(platform_.boxes, LineFileErrorText(file.error), "", kMsgWarning + kMsgOk);
        return;
    }
    FLine = std::move(file.line);
    FStarted = true;
    FPlayed.clear();
    FPrepared.reset();
    // A line without announcements loads all the same (it may exist only for its user
    // announcements): nothing is current and nothing can be played. The player gets the first
    // press ready meanwhile, so that it plays as quickly as any later one.
    FSequence = PressSequence(FLine.announcements.size());
    ShowPosition();
    PrepareNextPress();
}

void TfrmMain::UpdateButtons() {
    const long long count = static_cast<long long>(FLine.announcements.size());
    const LineAnnouncement* current = Current();
    btnPlayEnabled = current && !current->text.empty();
    const long long index = FSequence.index();
    btnJedenZpetEnabled = index > 0 && count > 0;
    btnJedenVpredEnabled = index <= count - 1;
    btnSeznamEnabled = count > 0;
}

std::string ApplicationTitle(const Path& exe_path) {
    std::u16string name = Utf8ToUtf16(ExtractFileName(exe_path));
    std::size_t dot = name.find(u'.');
    if (dot != std::u16string::npos) name.resize(dot);
    for (std::size_t i = 1; i < name.size(); ++i) name[i] = ToLowerUtf16(name[i]);
    return Utf16ToUtf8(name);
}

std::string ErrorReportText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

}  // namespace vkm
