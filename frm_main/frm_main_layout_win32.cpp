// The main window's controls on Win32: created from the layout table, given their
// fonts, placed by LayoutControls, and sized for the DPI of the monitor the window is on.
#include "frm_main/frm_main_win32.h"
// After windows.h, which it needs.
#include <commctrl.h>

#include "platform/win32/speed_button.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide.h"

namespace vkm {

namespace {

// Functions of newer Windows versions, looked up when the program runs.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

template <class Fn>
Fn User32Function(const char* name) {
    return SystemLibrary::Linked(L"user32.dll").Function<Fn>(name);
}

int SystemDpi() {
    if (auto fn = User32Function<GetDpiForSystemFn>("GetDpiForSystem")) return static_cast<int>(fn());
    HDC dc = GetDC(nullptr);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : kDesignedDpi;
    if (dc) ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : kDesignedDpi;
}

// The window's frame around the designed client area at dpi.
RECT FrameForDpi(int dpi) {
    RECT r{0, 0, ScaleToDpi(kDesignedClientWidth, dpi), ScaleToDpi(kDesignedClientHeight, dpi)};
    if (auto fn = User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi"))
        fn(&r, MainWindow::kStyle, FALSE, 0, static_cast<UINT>(dpi));
    else
        AdjustWindowRectEx(&r, MainWindow::kStyle, FALSE, 0);
    return r;
}

int CALLBACK FontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// The designed face where it exists with Central European letters, else a near one.
std::wstring ChooseFontFace() {
    HDC dc = GetDC(nullptr);
    std::wstring face = L"MS Shell Dlg 2";
    for (const wchar_t* candidate : {L"Microsoft Sans Serif", L"MS Sans Serif", L"Tahoma"}) {
        LOGFONTW lf = {};
        lf.lfCharSet = EASTEUROPE_CHARSET;
        lstrcpynW(lf.lfFaceName, candidate, LF_FACESIZE);
        bool found = false;
        EnumFontFamiliesExW(dc, &lf, FontFound, reinterpret_cast<LPARAM>(&found), 0);
        if (found) {
            face = candidate;
            break;
        }
    }
    ReleaseDC(nullptr, dc);
    return face;
}

}  // namespace

RECT MainWindow::DesignedFrame() const {
    const int dpi = SystemDpi();
    const RECT frame = FrameForDpi(dpi);
    Rect wanted{kDesignedLeft, kDesignedTop, frame.right - frame.left, frame.bottom - frame.top};
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    if (GetMonitorInfoW(MonitorFromPoint(POINT{wanted.left, wanted.top}, MONITOR_DEFAULTTONEAREST), &mi)) {
        const RECT& w = mi.rcWork;
        wanted = PlaceInWorkArea(wanted, Rect{w.left, w.top, w.right - w.left, w.bottom - w.top});
    }
    return RECT{wanted.left, wanted.top, wanted.right(), wanted.bottom()};
}

void MainWindow::FitToWindowDpi() {
    dpi_ = SystemDpi();
    auto fn = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    const int window_dpi = fn ? static_cast<int>(fn(hwnd_)) : 0;
    if (window_dpi <= 0 || window_dpi == dpi_) return;
    // On a monitor with another DPI than the system's: the size for this one.
    dpi_ = window_dpi;
    const RECT frame = FrameForDpi(dpi_);
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::CreateControls() {
    CreateFonts();
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
    const auto& specs = MainWindowControls();
    for (std::size_t i = 0; i < specs.size(); ++i) {
        const ControlSpec& c = specs[i];
        const wchar_t* cls = WC_BUTTONW;
        DWORD style = WS_CHILD | WS_VISIBLE;
        switch (c.kind) {
            case ControlKind::kGroup:
                style |= BS_GROUPBOX;
                break;
            case ControlKind::kButton:
                style |= BS_DEFPUSHBUTTON;
                break;
            case ControlKind::kPushButton:
            case ControlKind::kSpeedButton:
                style |= BS_PUSHBUTTON;
                break;
            case ControlKind::kDropDownList:
                cls = WC_COMBOBOXW;
                style |= CBS_DROPDOWNLIST | CBS_HASSTRINGS | WS_VSCROLL;
                break;
            case ControlKind::kLabel:
                cls = WC_STATICW;
                style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX;
                break;
        }
        if (i == kLblHlaseni) style |= SS_NOTIFY;  // a click on the announcement opens the list
        if (i == kLblKlavesy) style |= SS_NOTIFY | SS_ENDELLIPSIS;  // its tooltip has every key
        if (c.tab_stop) style |= WS_TABSTOP;
        if (c.starts_group) style |= WS_GROUP;
        controls_[i] =
            CreateWindowExW(0, cls, ToWide(c.caption).c_str(), style, 0, 0, 0, 0, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
        if (c.kind == ControlKind::kSpeedButton) MakeSpeedButton(controls_[i]);
    }
    ApplyFonts();
    Layout();
    CreateTooltips();
}

void MainWindow::CreateTooltips() {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    tooltip_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                        reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE)), nullptr);
    if (!tooltip_) return;
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, ScaleToDpi(500, dpi_));  // one key's role a line
    SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, 30000);
    const struct {
        ControlIndex control;
        const wchar_t* text;
    } tips[] = {{kLblKlavesy, L""}, {kBtnSeznam, L"Seznam hlášení linky: vybrané hlášení bude další"}};
    for (const auto& tip : tips) {
        TTTOOLINFOW info = {};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = hwnd_;
        info.uId = reinterpret_cast<UINT_PTR>(controls_[tip.control]);
        info.lpszText = const_cast<wchar_t*>(tip.text);
        SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
}

void MainWindow::SetKeysTip(const std::wstring& text) {
    if (!tooltip_ || text == keys_tip_) return;
    keys_tip_ = text;
    TTTOOLINFOW info = {};
    info.cbSize = sizeof info;
    info.hwnd = hwnd_;
    info.uId = reinterpret_cast<UINT_PTR>(controls_[kLblKlavesy]);
    info.lpszText = const_cast<wchar_t*>(keys_tip_.c_str());
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

void MainWindow::CreateFonts() {
    const std::wstring face = ChooseFontFace();
    for (FontKind kind : {FontKind::kRegular, FontKind::kBold, FontKind::kLargeBold}) {
        fonts_[static_cast<std::size_t>(kind)] = FontHandle(
            CreateFontW(FontHeight(kind, dpi_), 0, 0, 0, kind == FontKind::kRegular ? FW_NORMAL : FW_BOLD,
                        FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face.c_str()));
    }
}

void MainWindow::ApplyFonts() {
    const auto& specs = MainWindowControls();
    for (std::size_t i = 0; i < specs.size(); ++i)
        if (controls_[i])
            SendMessageW(controls_[i], WM_SETFONT,
                         reinterpret_cast<WPARAM>(fonts_[static_cast<std::size_t>(specs[i].font)].get()),
                         TRUE);
}

void MainWindow::Layout() {
    if (!hwnd_ || !controls_[0]) return;
    RECT client;
    GetClientRect(hwnd_, &client);
    const auto& specs = MainWindowControls();

    LayoutInput in;
    in.client_width = client.right - client.left;
    in.client_height = client.bottom - client.top;
    in.dpi = dpi_;
    in.text_widths.assign(specs.size(), 0);
    if (HDC dc = GetDC(hwnd_)) {
        HGDIOBJ old = SelectObject(dc, fonts_[static_cast<std::size_t>(FontKind::kRegular)].get());
        TEXTMETRICW tm;
        if (GetTextMetricsW(dc, &tm)) in.text_height = tm.tmHeight;
        for (std::size_t i = 0; i < specs.size(); ++i) {
            if (specs[i].kind != ControlKind::kLabel || specs[i].follows_label) continue;
            std::wstring text = ToWide(specs[i].caption);
            SIZE size;
            if (GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size))
                in.text_widths[i] = size.cx;
        }
        SelectObject(dc, old);
        ReleaseDC(hwnd_, dc);
    }

    const std::vector<Rect> rects = LayoutControls(in);
    HDWP dwp = BeginDeferWindowPos(static_cast<int>(specs.size()));
    for (std::size_t i = 0; i < specs.size(); ++i) {
        if (!controls_[i]) continue;
        Rect r = rects[i];
        if (specs[i].kind == ControlKind::kDropDownList)
            r.height += ScaleToDpi(kDesignedComboListHeight, dpi_);
        if (dwp)
            dwp = DeferWindowPos(dwp, controls_[i], nullptr, r.left, r.top, r.width, r.height,
                                 SWP_NOZORDER | SWP_NOACTIVATE);
        else
            SetWindowPos(controls_[i], nullptr, r.left, r.top, r.width, r.height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (dwp) EndDeferWindowPos(dwp);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void MainWindow::OnDpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    // The old fonts go once the controls have the new ones.
    const std::array<FontHandle, 3> old_fonts = std::move(fonts_);
    CreateFonts();
    ApplyFonts();
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
}

}  // namespace vkm
