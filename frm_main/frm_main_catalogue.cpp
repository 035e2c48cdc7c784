// The catalogue of lines: definition files found below the program's folder or picked by the user.
#include <exception>

#include "core/codepage.h"
#include "core/ini.h"
#include "core/text.h"
#include "core/wildcard.h"
#include "frm_main/frm_main.h"

namespace vkm {

namespace {

// Neither a match nor searched: hidden and system entries.
bool IsLeftOut(const DirEntry& e) {
    return e.hidden || e.system;
}

bool IsDotEntry(const std::string& name) {
    return name == "." || name == "..";
}

// One folder and, depth first, its subfolders. A single listing serves both the
// folder's matching files and its subfolders. An error while a folder is processed
// ends that folder's part only; what has been appended stays.
void SearchFolder(FileSystem& files, MessagePump& pump, Path dir, const WildcardMask& mask,
                  std::vector<Path>& list) {
    try {
        pump.ProcessMessages();
        if (!EndsWithPathDelimiter(dir)) dir += '\\';
        std::vector<DirEntry> entries;
        if (!files.ListDirectory(dir, entries)) return;
        for (const DirEntry& e : entries)
            if (!e.directory && !IsLeftOut(e) && mask.Matches(e.name)) list.push_back(dir + e.name);
        for (const DirEntry& e : entries)
            if (e.directory && !IsLeftOut(e) && !IsDotEntry(e.name))
                SearchFolder(files, pump, dir + e.name, mask, list);
    } catch (const std::exception&) {
        // This folder's part of the search ends here; the caller goes on.
    }
}

}  // namespace

std::vector<Path> FindDefinitionFiles(FileSystem& files, const Path& folder) {
    struct NoMessages : MessagePump {
        void ProcessMessages() override {}
    } pump;
    std::vector<Path> found;
    if (!folder.empty()) SearchFolder(files, pump, folder, WildcardMask("*.vkm"), found);
    return found;
}

void TfrmMain::ScanDefinitions() {
    cmbLinkaItems.clear();
    cmbLinkaItemIndex = -1;
    FDefinitionFiles.clear();
    std::vector<Path> found;
    FindFiles(ExtractFilePath(P.files.ExecutablePath()), "*.vkm", found);
    for (const Path& path : found) AddDefinition(path);
}

void TfrmMain::AddDefinition(const Path& path) {
    std::string name;
    try {
        const std::optional<std::string> bytes = P.files.ReadFile(path);
        if (!bytes) return;
        name = IniFile(*bytes).IniReadValue("Info", "Name", "");
    } catch (const std::exception&) {
        return;  // a file that cannot be read names no line
    }
    if (name.empty()) return;
    cmbLinkaItems.push_back(name);
    FDefinitionFiles.push_back(path);
}

void TfrmMain::FindFiles(const Path& dir, const std::string& mask, std::vector<Path>& list) {
    if (dir.empty()) return;
    SearchFolder(P.files, P.pump, dir, WildcardMask(mask), list);
}

void TfrmMain::sbtnOpenFileClick() {
    OpenFileRequest request;
    request.filter =
        std::string("vlakomluv MSTS (*.vkm)|*.vkm|ini soubory (*.*)|*.ini|všechny soubory (*.*)|*.*");
    request.default_ext = "*.vkm";
    request.initial_dir = ExtractFilePath(P.files.ExecutablePath());
    request.file_name = FLastOpenedFile;
    const std::optional<Path> chosen = P.open_dialog.Show(request);
    if (chosen) {
        FLastOpenedFile = *chosen;
        AddDefinition(*chosen);
    }
    cmbLinkaItemIndex = static_cast<int>(cmbLinkaItems.size()) - 1;
}

}  // namespace vkm
