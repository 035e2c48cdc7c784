// The main window on Win32: creates the controls from the layout table, routes
// messages to TfrmMain's handlers and shows TfrmMain's state after each of them.
// frm_main_win32.cpp holds its life and the routing of messages, frm_main_layout_win32.cpp
// its controls, fonts and sizes; the speed buttons (platform/win32/speed_button), the
// dialog-like focus (dialog_focus) and the hand-over from workers (ui_task) are its parts.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frm_main/frm_main.h"
#include "frm_main/frm_main_layout.h"
#include "platform/win32/dialog_focus.h"
#include "platform/win32/handles.h"
#include "platform/win32/key_repeat_filter.h"
#include "platform/win32/ui_task.h"

namespace vkm {

class MainWindow {
  public:
    // The window on the given services; set_window, when given, learns the window's
    // handle on creation and nullptr on destruction.
    explicit MainWindow(Platform& platform, std::function<void(HWND)> set_window = {});
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the window (FormCreate runs) without showing it. The search for lines starts
    // on a worker thread once the message loop runs; its result reaches the window as a UI task.
    bool Create(HINSTANCE instance);
    void Show(int show_command);
    // Runs until the window is closed; returns the exit code.
    int RunMessageLoop();
    // The window has gone and left work running that it could not stop in time (the search for
    // lines, held by the file system): what that work uses must outlive the process.
    bool WorkLeftRunning() const { return scan_.left_running(); }

    static constexpr const wchar_t* kClassName = L"TfrmMain";
    static constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
    LRESULT OnMessage(UINT msg, WPARAM wparam, LPARAM lparam);
    void OnCreate();
    void OnDestroy();
    void OnCommand(int id, int code);
    // The list of the line's announcements; the one chosen is next.
    void ChooseFromList();

    // The one boundary for errors: what escapes f (a handler, the window's own code)
    // ends in the general error report, and the window goes on.
    template <class F>
    void ReportingErrors(F&& f) noexcept;
    void ReportError(const std::string& message) noexcept;
    // Runs a handler, reporting its errors; afterwards the controls show the form's state.
    template <class Handler>
    void Guard(Handler&& handler);
    // The window is going: FormClose, whatever it throws.
    void Close() noexcept;
    void SyncControls();

    // frm_main_layout_win32.cpp: the designed place, the DPI, the controls and their fonts.
    RECT DesignedFrame() const;
    void FitToWindowDpi();
    void CreateControls();
    void CreateFonts();
    void ApplyFonts();
    void Layout();
    // The tooltips: every key of the line over lblKlavesy, what btnSeznam does.
    void CreateTooltips();
    void SetKeysTip(const std::wstring& text);
    void OnDpiChanged(int dpi, const RECT& suggested);

    // The watch on held keys (needed once a line binds its keys) and the search for lines.
    void StartWatchAndScan();

    Platform& platform_;
    std::function<void(HWND)> set_window_;
    TfrmMain form_;

    HWND hwnd_ = nullptr;
    std::array<HWND, kControlCount> controls_{};
    std::array<FontHandle, 3> fonts_;  // by FontKind
    HWND tooltip_ = nullptr;           // owned by the window, which destroys it
    std::wstring keys_tip_;
    int dpi_ = kDesignedDpi;
    bool created_ = false;
    // Set when the window starts to close: a worker's post then no longer waits for room in
    // the window's queue (the window's thread may be waiting for that worker). Shared with
    // the player's idle callback, which may outlive the window.
    std::shared_ptr<std::atomic<bool>> closing_ = std::make_shared<std::atomic<bool>>(false);
    // Start takes the focus at the first activation, or once the search for lines enables it.
    FirstFocus first_focus_;
    // The search for lines: it only reads the file system; asked to stop when the window goes, and
    // waited for BackgroundTask::kStopDeadlineMs at most.
    BackgroundTask scan_;
    std::wstring title_;
    // What the controls show now, to touch only what changed.
    std::vector<std::string> shown_items_;
    bool items_shown_ = false;
    // Drops the hotkey messages of a held key's repeats (under Wine), while the window exists.
    std::unique_ptr<KeyRepeatFilter> key_filter_;
};

}  // namespace vkm
