#include "frm_main/frm_main_win32.h"

#include <exception>
#include <utility>

#include "frm_main/announcement_list_win32.h"
#include "platform/win32/wide.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace vkm {

namespace {

// What a click on each button does, a row per button.
struct Click {
    ControlIndex control;
    void (TfrmMain::*handler)();
};
constexpr Click kClicks[] = {
    {kBtnStart, &TfrmMain::btnStartClick},
    {kSbtnOpenFile, &TfrmMain::sbtnOpenFileClick},
    {kBtnPlay, &TfrmMain::btnPlayClick},
    {kBtnJedenZpet, &TfrmMain::btnJedenZpetClick},
    {kBtnJedenVpred, &TfrmMain::btnJedenVpredClick},
    {kSbtnStop, &TfrmMain::sbtnStopClick},
};

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, &text[0], static_cast<int>(text.size()))));
    return text;
}

void SetTextIfChanged(HWND hwnd, const std::wstring& text) {
    if (WindowText(hwnd) != text) SetWindowTextW(hwnd, text.c_str());
}

}  // namespace

MainWindow::MainWindow(Platform& platform, std::function<void(HWND)> set_window)
    : platform_(platform), set_window_(std::move(set_window)), form_(platform_) {}

MainWindow::~MainWindow() {
    if (hwnd_) {
        Close();
        DestroyWindow(hwnd_);
    }
    scan_.Stop();
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

    const RECT frame = DesignedFrame();
    CreateWindowExW(0, kClassName, ToWide(kWindowCaption).c_str(), kStyle, frame.left, frame.top,
                    frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, this);
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
    // No error crosses into Windows.
    self->ReportingErrors([&] { result = self->OnMessage(msg, wparam, lparam); });
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
            OnCreate();
            return 0;
        case WM_CLOSE:
            // Silent and the keys free before the window goes: without a window manager Wine takes
            // 2 s to destroy a window.
            Close();
            DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            OnDestroy();
            return 0;
        case WM_ENDSESSION:
            if (wparam) Close();  // the session ends: the process goes without WM_CLOSE
            return 0;
        case WM_SIZE:
            Layout();
            return 0;
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
            return 0;
        case WM_SETFOCUS:
            return DialogSetFocus(hwnd_, wparam, lparam);
        case WM_ACTIVATE:
            return first_focus_.Activate(hwnd_, controls_[kBtnStart], wparam, lparam);
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
            return handled ? 0 : DefDlgProcW(hwnd_, msg, wparam, lparam);
        }
        default:
            return DefDlgProcW(hwnd_, msg, wparam, lparam);
    }
}

void MainWindow::OnCreate() {
    if (set_window_) set_window_(hwnd_);
    FitToWindowDpi();
    CreateControls();
    SendMessageW(hwnd_, DM_SETDEFID, static_cast<WPARAM>(MainWindowControls()[kBtnStart].id), 0);
    created_ = true;
    // The player tells the window, from its own thread, when it has gone quiet.
    platform_.player.SetIdleCallback([this, hwnd = hwnd_, closing = closing_] {
        PostUiTask(
            hwnd, [this] { form_.SoundStateChanged(); }, closing.get());
    });
    Guard([this] { form_.FormCreate(); });
    // Once the window shows and its message loop runs: the watch on held keys (needed once a
    // line binds its keys, which waits for the search) and the search for lines.
    if (!PostUiTask(hwnd_, [this] { StartWatchAndScan(); }))
        StartWatchAndScan();  // the message could not be posted: now, rather than never
}

void MainWindow::OnDestroy() {
    scan_.Stop();
    ReportingErrors([this] { form_.FormDestroy(); });
    key_filter_.reset();
    created_ = false;
    PostQuitMessage(0);
}

// A new button is a row in kClicks (and in the layout's table).
void MainWindow::OnCommand(int id, int code) {
    const auto& specs = MainWindowControls();
    if (id == specs[kCmbLinka].id) {
        if (code == CBN_SELCHANGE || code == CBN_DROPDOWN) first_focus_.UserChose();
        if (code == CBN_SELCHANGE) {
            const int index = static_cast<int>(SendMessageW(controls_[kCmbLinka], CB_GETCURSEL, 0, 0));
            Guard([this, index] { form_.cmbLinkaChange(index); });
        }
        return;
    }
    if ((id == specs[kBtnSeznam].id && code == BN_CLICKED) ||
        (id == specs[kLblHlaseni].id && code == STN_CLICKED)) {
        ChooseFromList();
        return;
    }
    if (code != BN_CLICKED) return;
    for (const Click& click : kClicks)
        if (id == specs[click.control].id) Guard([this, &click] { (form_.*click.handler)(); });
}

void MainWindow::ChooseFromList() {
    Guard([this] { form_.btnSeznamClick([this] { return ChooseAnnouncement(hwnd_, form_); }); });
}

template <class F>
void MainWindow::ReportingErrors(F&& f) noexcept {
    try {
        f();
    } catch (const std::exception& e) {
        ReportError(e.what());
    } catch (...) {
        ReportError("Unknown error");
    }
}

void MainWindow::ReportError(const std::string& message) noexcept {
    try {
        MessageBoxW(hwnd_, ToWide(ErrorReportText(message)).c_str(), title_.c_str(), MB_ICONERROR | MB_OK);
    } catch (...) {
        MessageBoxW(hwnd_, L"Out of memory.", title_.c_str(), MB_ICONERROR | MB_OK);
    }
}

template <class Handler>
void MainWindow::Guard(Handler&& handler) {
    ReportingErrors(std::forward<Handler>(handler));
    SyncControls();
}

void MainWindow::Close() noexcept {
    *closing_ = true;
    try {
        form_.FormClose();
    } catch (...) {
        // Closing goes on: the window's destruction frees what is left.
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
    EnableKeepingFocus(hwnd_, controls_[kBtnSeznam], form_.btnSeznamEnabled);
    SetTextIfChanged(controls_[kLblKlavesy], ToWide(form_.lblKlavesy));
    SetKeysTip(ToWide(form_.lblKlavesyHint));
}

void MainWindow::StartWatchAndScan() {
    try {
        key_filter_ = std::make_unique<KeyRepeatFilter>();
    } catch (...) {
        // Without the filter every hotkey message counts.
    }
    if (!hwnd_) return;
    FileSystem& files = platform_.files;
    const Path folder = form_.CatalogueFolder();
    // The worker reads the file system only; what it finds goes to the form as a UI task.
    const bool started = scan_.Start(
        hwnd_, [&files, folder](const std::atomic<bool>& stop) { return ScanCatalogue(files, folder, stop); },
        [this](std::vector<FoundLine> lines) {
            if (!created_) return;  // the window is going
            form_.ScanFinished(std::move(lines));
            SyncControls();
            if (GetActiveWindow() == hwnd_) first_focus_.Place(hwnd_, controls_[kBtnStart]);
        });
    if (!started) form_.ScanDefinitions();  // no thread: the search runs here
}

}  // namespace vkm
