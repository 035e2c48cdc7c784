#include "platform/win32/dialog_focus.h"

namespace vkm {

void EnableKeepingFocus(HWND dialog, HWND control, bool enabled) {
    if ((IsWindowEnabled(control) != FALSE) == enabled) return;
    const bool had_focus = GetFocus() == control;
    EnableWindow(control, enabled ? TRUE : FALSE);
    if (had_focus && !enabled) KeepFocusInDialog(dialog);
}

void KeepFocusInDialog(HWND dialog) {
    HWND focus = GetFocus();
    if (focus == dialog || (focus && IsWindowEnabled(focus)) || GetActiveWindow() != dialog) return;
    // GetNextDlgTabItem passes over disabled controls, but gives the first control
    // back when none is enabled.
    HWND next = GetNextDlgTabItem(dialog, nullptr, FALSE);
    if (next && IsWindowEnabled(next))
        SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
    else
        SetFocus(dialog);  // no control can have it: the window keeps it, and Tab still works
}

LRESULT DialogSetFocus(HWND dialog, WPARAM wparam, LPARAM lparam) {
    HWND next = GetNextDlgTabItem(dialog, nullptr, FALSE);
    if (!next || !IsWindowEnabled(next)) return 0;
    const LRESULT result = DefDlgProcW(dialog, WM_SETFOCUS, wparam, lparam);
    KeepFocusInDialog(dialog);
    return result;
}

LRESULT FirstFocus::Activate(HWND dialog, HWND control, WPARAM wparam, LPARAM lparam) {
    const LRESULT result = DefDlgProcW(dialog, WM_ACTIVATE, wparam, lparam);
    if (LOWORD(wparam) != WA_INACTIVE && control) {
        Place(dialog, control);
        KeepFocusInDialog(dialog);  // its control may have been disabled meanwhile
    }
    return result;
}

void FirstFocus::Place(HWND dialog, HWND control) {
    if (!control || state_ == State::kDone) return;
    HWND focus = GetFocus();
    const bool nowhere = !focus || focus == dialog || !IsWindowEnabled(focus);
    if (IsWindowEnabled(control)) {
        if (state_ == State::kPending || nowhere || focus == stand_in_) SetFocus(control);
        state_ = State::kDone;
        stand_in_ = nullptr;
        return;
    }
    KeepFocusInDialog(dialog);
    if (state_ == State::kPending || nowhere) stand_in_ = GetFocus();
    state_ = State::kStandIn;
}

}  // namespace vkm
