// The catalogue of lines: definition files found below the program's folder or picked by the user.
// (Being written.)
#include "frm_main/frm_main.h"

namespace vkm {

void TfrmMain::ScanDefinitions() {}
void TfrmMain::AddDefinition(const Path&) {}
void TfrmMain::FindFiles(const Path&, const std::string&, std::vector<Path>&) {}
void TfrmMain::sbtnOpenFileClick() {}

}  // namespace vkm
