#include "platform/win32/speed_button.h"

#include <commctrl.h>
#include <windowsx.h>

namespace vkm {

namespace {

bool Inside(HWND button, LPARAM lparam) {
    RECT rc;
    GetClientRect(button, &rc);
    const POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    return PtInRect(&rc, pt) != FALSE;
}

// The button tracks the press itself instead of letting the button control focus
// itself, tells the dialog manager it is no button (so the keyboard never presses it
// nor makes it the default), and hands on the focus if anything gives it one.
LRESULT CALLBACK SpeedButtonProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
    switch (msg) {
        case WM_GETDLGCODE:
            return DLGC_STATIC;
        case WM_SETFOCUS: {
            // Back to the control that had it, when the keyboard can reach that one;
            // else to the first control with a tab stop.
            HWND dialog = GetParent(hwnd);
            HWND previous = reinterpret_cast<HWND>(wparam);
            const bool back = previous && IsWindow(previous) && IsWindowEnabled(previous) &&
                              GetParent(previous) == dialog &&
                              (GetWindowLongW(previous, GWL_STYLE) & WS_TABSTOP);
            HWND next = back ? previous : GetNextDlgTabItem(dialog, nullptr, FALSE);
            SetFocus(next && next != hwnd ? next : dialog);
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (IsWindowEnabled(hwnd)) {
                SetCapture(hwnd);
                SendMessageW(hwnd, BM_SETSTATE, TRUE, 0);
            }
            return 0;
        case WM_MOUSEMOVE:
            if (GetCapture() != hwnd) break;
            SendMessageW(hwnd, BM_SETSTATE, Inside(hwnd, lparam) ? TRUE : FALSE, 0);
            return 0;
        case WM_LBUTTONUP:
            if (GetCapture() == hwnd) {
                const bool inside = Inside(hwnd, lparam);
                ReleaseCapture();
                if (inside && IsWindowEnabled(hwnd))
                    SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED),
                                 reinterpret_cast<LPARAM>(hwnd));
            }
            return 0;
        case WM_CAPTURECHANGED:
            SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
            return 0;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, SpeedButtonProc, 1);
            break;
        default:
            break;
    }
    return DefSubclassProc(hwnd, msg, wparam, lparam);
}

}  // namespace

bool MakeSpeedButton(HWND button) {
    return button && SetWindowSubclass(button, SpeedButtonProc, 1, 0);
}

}  // namespace vkm
