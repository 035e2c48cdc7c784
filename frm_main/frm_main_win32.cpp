#include "frm_main/frm_main_win32.h"

#include <commctrl.h>
#include <windowsx.h>

#include <exception>
#include <utility>

#include "platform/win32/ui_task.h"
#include "platform/win32/wide.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace vkm {

namespace {

// Functions of newer Windows versions, looked up when the program runs.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

template <class Fn>
Fn User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

int SystemDpi() {
    if (auto fn = User32Function<GetDpiForSystemFn>("GetDpiForSystem")) return static_cast<int>(fn());
    HDC dc = GetDC(nullptr);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : kDesignedDpi;
    if (dc) ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : kDesignedDpi;
}

constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD kWindowExStyle = 0;

RECT FrameForClient(int width, int height, int dpi) {
    RECT r{0, 0, width, height};
    if (auto fn = User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi"))
        fn(&r, kWindowStyle, FALSE, kWindowExStyle, static_cast<UINT>(dpi));
    else
        AdjustWindowRectEx(&r, kWindowStyle, FALSE, kWindowExStyle);
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

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, &text[0], static_cast<int>(text.size()))));
    return text;
}

void SetTextIfChanged(HWND hwnd, const std::wstring& text) {
    if (WindowText(hwnd) != text) SetWindowTextW(hwnd, text.c_str());
}

}  // namespace

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

MainWindow::MainWindow(Platform& platform, std::function<void(HWND)> set_window)
    : platform_(platform), set_window_(std::move(set_window)), form_(platform_) {}

MainWindow::~MainWindow() {
    if (hwnd_) {
        Close();
        DestroyWindow(hwnd_);
    }
    StopScan();
    DeleteFonts();
}

bool MainWindow::Create(HINSTANCE instance) {
    title_ = ToWide(ApplicationTitle(platform_.files.ExecutablePath()));

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = WindowProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;  // the dialog manager keeps the focus and default button there
    wc.hInstance = instance;
    wc.hIcon =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                      GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                               LR_DEFAULTCOLOR));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    dpi_ = SystemDpi();
    RECT frame =
        FrameForClient(ScaleToDpi(kDesignedClientWidth, dpi_), ScaleToDpi(kDesignedClientHeight, dpi_), dpi_);
    Rect wanted{kDesignedLeft, kDesignedTop, frame.right - frame.left, frame.bottom - frame.top};
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    if (GetMonitorInfoW(MonitorFromPoint(POINT{wanted.left, wanted.top}, MONITOR_DEFAULTTONEAREST), &mi)) {
        const RECT& w = mi.rcWork;
        wanted = PlaceInWorkArea(wanted, Rect{w.left, w.top, w.right - w.left, w.bottom - w.top});
    }

    CreateWindowExW(kWindowExStyle, kClassName, ToWide(kWindowCaption).c_str(), kWindowStyle, wanted.left,
                    wanted.top, wanted.width, wanted.height, nullptr, nullptr, instance, this);
    return hwnd_ != nullptr;
}

void MainWindow::Show(int show_command) {
    if (!hwnd_) return;
    ShowWindow(hwnd_, show_command);
    UpdateWindow(hwnd_);
}

int MainWindow::RunMessageLoop() {
    MSG msg;
    for (;;) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got == -1) return 1;
        // Tab, the group boxes' mnemonics and Enter on the default button, as in a dialog.
        if (hwnd_ && IsDialogMessageW(hwnd_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_NCCREATE) {
        auto* created = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        created->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefDlgProcW(hwnd, msg, wparam, lparam);
    LRESULT result = 0;
    // No error crosses into Windows: what escapes the window's own code (not a
    // handler's, which Guard reports) is reported the same way.
    try {
        result = self->OnMessage(msg, wparam, lparam);
    } catch (const std::exception& e) {
        self->ReportError(e.what());
    } catch (...) {
        self->ReportError("Unknown error");
    }
    if (msg == WM_NCDESTROY) {
        DropUiTasks(hwnd);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->controls_.fill(nullptr);
        if (self->set_window_) self->set_window_(nullptr);
    }
    return result;
}

LRESULT MainWindow::OnMessage(UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CREATE:
            if (set_window_) set_window_(hwnd_);
            if (auto fn = User32Function<GetDpiForWindowFn>("GetDpiForWindow")) {
                // On a monitor with another DPI than the system's: the size for this one.
                const int window_dpi = static_cast<int>(fn(hwnd_));
                if (window_dpi > 0 && window_dpi != dpi_) {
                    dpi_ = window_dpi;
                    RECT frame = FrameForClient(ScaleToDpi(kDesignedClientWidth, dpi_),
                                                ScaleToDpi(kDesignedClientHeight, dpi_), dpi_);
                    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                }
            }
            CreateFonts();
            CreateControls();
            Layout();
            SendMessageW(hwnd_, DM_SETDEFID, static_cast<WPARAM>(MainWindowControls()[kBtnStart].id), 0);
            created_ = true;
            // The player tells the window, from its own thread, when it has gone quiet.
            platform_.player.SetIdleCallback(
                [this, hwnd = hwnd_] { PostUiTask(hwnd, [this] { form_.SoundStateChanged(); }); });
            Guard([this] { form_.FormCreate(); });
            // Once the window shows and its message loop runs: the watch on held keys (needed once a
            // line binds its keys, which waits for the search) and the search for lines.
            if (!PostUiTask(hwnd_, [this] { StartWatchAndScan(); }))
                StartWatchAndScan();  // the message could not be posted: now, rather than never
            return 0;
        case WM_DESTROY:
            StopScan();
            try {
                form_.FormDestroy();
            } catch (const std::exception& e) {
                ReportError(e.what());
            } catch (...) {
                ReportError("Unknown error");
            }
            key_filter_.reset();
            created_ = false;
            PostQuitMessage(0);
            return 0;
        case WM_CLOSE:
            // Silent and the keys free before the window goes: without a window manager Wine takes
            // 2 s to destroy a window.
            Close();
            DestroyWindow(hwnd_);
            return 0;
        case WM_ENDSESSION:
            if (wparam) Close();  // the session ends: the process goes without WM_CLOSE
            return 0;
        case WM_SIZE:
            Layout();
            return 0;
        case WM_SETFOCUS: {
            // The dialog manager hands the focus on to a control, also to a disabled
            // one; with no enabled control to go to, the window keeps it.
            HWND next = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
            if (!next || !IsWindowEnabled(next)) return 0;
            const LRESULT result = DefDlgProcW(hwnd_, msg, wparam, lparam);
            KeepFocusInDialog(hwnd_);
            return result;
        }
        case WM_ACTIVATE: {
            LRESULT result = DefDlgProcW(hwnd_, msg, wparam, lparam);
            if (LOWORD(wparam) != WA_INACTIVE && controls_[kBtnStart]) {
                PlaceFocus();
                KeepFocusInDialog(hwnd_);  // its control may have been disabled meanwhile
            }
            return result;
        }
        case WM_DPICHANGED: {
            dpi_ = HIWORD(wparam);
            const std::array<HFONT, 3> old_fonts = fonts_;
            CreateFonts();
            ApplyFonts();
            for (HFONT f : old_fonts)
                if (f) DeleteObject(f);
            const RECT* r = reinterpret_cast<const RECT*>(lparam);
            SetWindowPos(hwnd_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            Layout();
            return 0;
        }
        case WM_COMMAND:
            OnCommand(LOWORD(wparam), HIWORD(wparam));
            return 0;
        case kUiTaskMessage:
            // Work a worker thread handed over: it runs as an event handler does.
            Guard([lparam] { RunUiTask(lparam); });
            return 0;
        case WM_HOTKEY: {
            // A held key's repeat: handled by being dropped.
            if (key_filter_ && !key_filter_->Accept(lparam, static_cast<DWORD>(GetMessageTime()))) return 0;
            bool handled = true;
            Guard([this, wparam, &handled] { handled = form_.WMHotKey(static_cast<int>(wparam)); });
            if (!handled) return DefDlgProcW(hwnd_, msg, wparam, lparam);
            return 0;
        }
        default:
            return DefDlgProcW(hwnd_, msg, wparam, lparam);
    }
}

void MainWindow::OnCommand(int id, int code) {
    const auto& c = MainWindowControls();
    if (id == c[kCmbLinka].id) {
        if (code == CBN_SELCHANGE || code == CBN_DROPDOWN) focus_stand_in_ = nullptr;  // the user's choice
        if (code == CBN_SELCHANGE) {
            HWND combo = controls_[kCmbLinka];
            Guard([this, combo] {
                form_.cmbLinkaChange(static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)));
            });
        }
        return;
    }
    if (code != BN_CLICKED) return;
    if (id == c[kBtnStart].id)
        Guard([this] { form_.btnStartClick(); });
    else if (id == c[kSbtnOpenFile].id)
        Guard([this] { form_.sbtnOpenFileClick(); });
    else if (id == c[kBtnPlay].id)
        Guard([this] { form_.btnPlayClick(); });
    else if (id == c[kBtnJedenZpet].id)
        Guard([this] { form_.btnJedenZpetClick(); });
    else if (id == c[kBtnJedenVpred].id)
        Guard([this] { form_.btnJedenVpredClick(); });
    else if (id == c[kSbtnStop].id)
        Guard([this] { form_.sbtnStopClick(); });
}

template <class Handler>
void MainWindow::Guard(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ReportError(e.what());
    } catch (...) {
        ReportError("Unknown error");
    }
    SyncControls();
}

void MainWindow::Close() noexcept {
    try {
        form_.FormClose();
    } catch (...) {
        // Closing goes on: the window's destruction frees what is left.
    }
}

void MainWindow::ReportError(const std::string& message) noexcept {
    try {
        MessageBoxW(hwnd_, ToWide(ErrorReportText(message)).c_str(), title_.c_str(), MB_ICONERROR | MB_OK);
    } catch (...) {
        MessageBoxW(hwnd_, L"Out of memory.", title_.c_str(), MB_ICONERROR | MB_OK);
    }
}

void MainWindow::SyncControls() {
    if (!created_) return;
    HWND combo = controls_[kCmbLinka];
    if (!items_shown_ || shown_items_ != form_.cmbLinkaItems) {
        SendMessageW(combo, CB_RESETCONTENT, 0, 0);
        for (const std::string& item : form_.cmbLinkaItems)
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(item).c_str()));
        shown_items_ = form_.cmbLinkaItems;
        items_shown_ = true;
    }
    const int count = static_cast<int>(form_.cmbLinkaItems.size());
    // While the lines are searched for, the field shows the searching item, which is no line.
    const int index = form_.Scanning() ? 0
                      : form_.cmbLinkaItemIndex >= 0 && form_.cmbLinkaItemIndex < count
                          ? form_.cmbLinkaItemIndex
                          : -1;
    if (static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)) != index)
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);

    EnableKeepingFocus(hwnd_, controls_[kBtnStart], form_.btnStartEnabled);
    SetTextIfChanged(controls_[kLblHlaseni], ToWide(form_.lblHlaseni));
    SetTextIfChanged(controls_[kLblHlaseniPopis], ToWide(form_.lblHlaseniPopis));
    EnableKeepingFocus(hwnd_, controls_[kBtnPlay], form_.btnPlayEnabled);
    EnableKeepingFocus(hwnd_, controls_[kBtnJedenZpet], form_.btnJedenZpetEnabled);
    EnableKeepingFocus(hwnd_, controls_[kBtnJedenVpred], form_.btnJedenVpredEnabled);
    EnableKeepingFocus(hwnd_, controls_[kSbtnStop], form_.sbtnStopEnabled);
}

void MainWindow::StartWatchAndScan() {
    try {
        key_filter_ = std::make_unique<KeyRepeatFilter>();
    } catch (...) {
        // Without the filter every hotkey message counts.
    }
    StartScan();
}

void MainWindow::StartScan() {
    if (scan_thread_.joinable() || !hwnd_) return;
    FileSystem& files = platform_.files;
    const Path folder = form_.CatalogueFolder();
    const HWND window = hwnd_;
    try {
        // The worker reads the file system only; what it finds goes to the form as a UI task.
        scan_thread_ = std::thread([this, &files, folder, window] {
            std::vector<FoundLine> lines;
            try {
                lines = ScanCatalogue(files, folder, scan_stop_);
            } catch (...) {
                // Out of memory: the list stays empty, and Start works.
            }
            auto result = std::make_shared<std::vector<FoundLine>>(std::move(lines));
            while (!scan_stop_.load()) {
                if (PostUiTask(window, [this, result] {
                        if (!created_) return;  // the window is going
                        form_.ScanFinished(std::move(*result));
                        SyncControls();
                        if (GetActiveWindow() == hwnd_) PlaceFocus();
                    }))
                    return;
                Sleep(50);  // the window's queue is full; it may also be going
            }
        });
    } catch (const std::exception&) {
        form_.ScanDefinitions();  // no thread: the search runs here
    }
}

void MainWindow::StopScan() noexcept {
    scan_stop_ = true;
    if (scan_thread_.joinable()) scan_thread_.join();
}

// Start gets the focus at the first activation, as the default button. While it is disabled the
// focus goes where it can (the list), and moves on to Start when Start is enabled, unless the user
// has taken it somewhere meanwhile.
void MainWindow::PlaceFocus() {
    HWND start = controls_[kBtnStart];
    if (!start || start_focus_ == StartFocus::kDone) return;
    HWND focus = GetFocus();
    const bool nowhere = !focus || focus == hwnd_ || !IsWindowEnabled(focus);
    if (IsWindowEnabled(start)) {
        if (start_focus_ == StartFocus::kPending || nowhere || focus == focus_stand_in_) SetFocus(start);
        start_focus_ = StartFocus::kDone;
        focus_stand_in_ = nullptr;
        return;
    }
    // Start waits for the list of lines: the focus goes where it can meanwhile.
    KeepFocusInDialog(hwnd_);
    if (start_focus_ == StartFocus::kPending || nowhere) focus_stand_in_ = GetFocus();
    start_focus_ = StartFocus::kStandIn;
}

void MainWindow::CreateControls() {
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
        if (c.tab_stop) style |= WS_TABSTOP;
        if (c.starts_group) style |= WS_GROUP;
        HWND h = CreateWindowExW(0, cls, ToWide(c.caption).c_str(), style, 0, 0, 0, 0, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
        controls_[i] = h;
        if (h && c.kind == ControlKind::kSpeedButton) SetWindowSubclass(h, SpeedButtonProc, 1, 0);
    }
    ApplyFonts();
}

void MainWindow::CreateFonts() {
    const std::wstring face = ChooseFontFace();
    for (FontKind kind : {FontKind::kRegular, FontKind::kBold, FontKind::kLargeBold}) {
        fonts_[static_cast<std::size_t>(kind)] =
            CreateFontW(FontHeight(kind, dpi_), 0, 0, 0, kind == FontKind::kRegular ? FW_NORMAL : FW_BOLD,
                        FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face.c_str());
    }
}

void MainWindow::DeleteFonts() {
    for (HFONT& f : fonts_) {
        if (f) DeleteObject(f);
        f = nullptr;
    }
}

void MainWindow::ApplyFonts() {
    const auto& specs = MainWindowControls();
    for (std::size_t i = 0; i < specs.size(); ++i)
        if (controls_[i])
            SendMessageW(controls_[i], WM_SETFONT,
                         reinterpret_cast<WPARAM>(fonts_[static_cast<std::size_t>(specs[i].font)]), TRUE);
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
        HGDIOBJ old = SelectObject(dc, fonts_[static_cast<std::size_t>(FontKind::kRegular)]);
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

// A speed button works with the mouse only and never takes the focus: it tracks the
// press itself instead of letting the button control focus itself, tells the dialog
// manager it is no button (so the keyboard never presses it nor makes it the
// default), and hands on the focus if anything gives it one.
LRESULT CALLBACK MainWindow::SpeedButtonProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                             DWORD_PTR) {
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
            if (GetCapture() == hwnd) {
                RECT rc;
                GetClientRect(hwnd, &rc);
                POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
                SendMessageW(hwnd, BM_SETSTATE, PtInRect(&rc, pt) ? TRUE : FALSE, 0);
                return 0;
            }
            break;
        case WM_LBUTTONUP:
            if (GetCapture() == hwnd) {
                RECT rc;
                GetClientRect(hwnd, &rc);
                POINT pt{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
                const bool inside = PtInRect(&rc, pt) != FALSE;
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

}  // namespace vkm
