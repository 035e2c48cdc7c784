// Binding the line's keys system-wide and routing their presses. (Being written.)
#include "frm_main/frm_main.h"

namespace vkm {

void TfrmMain::RegisterHotkeys() {}
void TfrmMain::UnregisterHotkeys() {}
void TfrmMain::RegisterUserHotkeys() {}
void TfrmMain::UnregisterUserHotkeys() {}
void TfrmMain::AnnounceUser(int) {}
bool TfrmMain::WMHotKey(int) { return false; }

}  // namespace vkm
