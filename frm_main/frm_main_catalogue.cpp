// The catalogue of lines: definition files found below the program's folder or picked by the user.
#include <utility>

#include "core/catalogue.h"
#include "core/path.h"
#include "frm_main/frm_main.h"

namespace vkm {

Path TfrmMain::CatalogueFolder() {
    return ExtractFilePath(platform_.files.ExecutablePath());
}

void TfrmMain::ScanDefinitions() {
    const std::atomic<bool> never(false);
    FScanning = true;
    ScanFinished(ScanCatalogue(platform_.files, CatalogueFolder(), never));
}

void TfrmMain::ScanFinished(std::vector<FoundLine> lines) {
    if (!FScanning) return;  // the window is closing, or no search was on
    FScanning = false;
    lines.insert(lines.end(), FAddedWhileScanning.begin(), FAddedWhileScanning.end());
    FAddedWhileScanning.clear();
    cmbLinkaItems.clear();
    FDefinitionFiles.clear();
    for (FoundLine& line : lines) {
        cmbLinkaItems.push_back(std::move(line.name));
        FDefinitionFiles.push_back(std::move(line.file));
    }
    // As if the open dialog had been used after the search: it selects the last line.
    cmbLinkaItemIndex = FOpenedWhileScanning ? static_cast<int>(cmbLinkaItems.size()) - 1 : -1;
    FOpenedWhileScanning = false;
    btnStartEnabled = true;
}

void TfrmMain::AddDefinition(const Path& path) {
    std::string name = DefinitionName(platform_.files, path);
    if (name.empty()) return;
    if (FScanning) {
        FAddedWhileScanning.push_back(FoundLine{path, std::move(name)});
        return;
    }
    cmbLinkaItems.push_back(std::move(name));
    FDefinitionFiles.push_back(path);
}

void TfrmMain::cmbLinkaChange(int index) {
    if (FScanning) return;  // the searching item is no line
    cmbLinkaItemIndex = index;
}

void TfrmMain::sbtnOpenFileClick() {
    OpenFileRequest request;
    request.filter =
        std::string("vlakomluv MSTS (*.vkm)|*.vkm|ini soubory (*.*)|*.ini|všechny soubory (*.*)|*.*");
    request.default_ext = "*.vkm";
    request.initial_dir = ExtractFilePath(platform_.files.ExecutablePath());
    request.file_name = FLastOpenedFile;
    const std::optional<Path> chosen = platform_.open_dialog.Show(request);
    if (chosen) {
        FLastOpenedFile = *chosen;
        AddDefinition(*chosen);
    }
    if (FScanning) {
        FOpenedWhileScanning = true;  // the last line is selected when the search's lines are there
        return;
    }
    cmbLinkaItemIndex = static_cast<int>(cmbLinkaItems.size()) - 1;
}

}  // namespace vkm
