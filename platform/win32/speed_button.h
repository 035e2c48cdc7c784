// A speed button: a push button for the mouse only. It never takes the keyboard
// focus, is never pressed by the keyboard nor made the dialog's default button, and
// tells its parent of a click (WM_COMMAND with BN_CLICKED) as a push button does.
#pragma once

#include <windows.h>

namespace vkm {

// Makes a push button (a child of a dialog-like window) a speed button; false when
// it cannot be done.
bool MakeSpeedButton(HWND button);

}  // namespace vkm
