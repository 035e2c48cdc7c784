// The keyboard focus of a plain window that works as a dialog: its class has
// DLGWINDOWEXTRA and its procedure ends in DefDlgProc, and its message loop calls
// IsDialogMessage (Tab, mnemonics, Enter on the default button). The dialog manager
// alone would hand the focus to a disabled control, or lose it when the control that
// has it is disabled; these keep it where the keyboard still works.
#pragma once

#include <windows.h>

namespace vkm {

// Enables or disables a control of the dialog-like window; a control that has the
// focus hands it on to the next control with a tab stop before it is disabled, so
// the keyboard still works.
void EnableKeepingFocus(HWND dialog, HWND control, bool enabled);
// Moves the focus of the active dialog-like window off a disabled control (or from
// nowhere) to the first enabled control with a tab stop, else to the window itself.
void KeepFocusInDialog(HWND dialog);
// For the window's WM_SETFOCUS: the dialog manager hands the focus on to a control,
// also to a disabled one; with no enabled control to go to, the window keeps it.
LRESULT DialogSetFocus(HWND dialog, WPARAM wparam, LPARAM lparam);

// The control that takes the focus when the window is first activated (the default
// button). While it is disabled the focus goes where it can (a stand-in), and moves
// on to the control once it is enabled, unless the user has taken it somewhere.
class FirstFocus {
  public:
    // For the window's WM_ACTIVATE.
    LRESULT Activate(HWND dialog, HWND control, WPARAM wparam, LPARAM lparam);
    // Whenever the control may have been enabled, while the window is active.
    void Place(HWND dialog, HWND control);
    // The user chose where the focus is (on the stand-in itself): it stays there.
    void UserChose() { stand_in_ = nullptr; }

  private:
    enum class State { kPending, kStandIn, kDone } state_ = State::kPending;
    HWND stand_in_ = nullptr;  // none once the user chose it
};

}  // namespace vkm
