// The main window on Win32: creates the controls from the layout table, routes
// messages to TfrmMain's handlers and shows TfrmMain's state after each of them.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "frm_main/frm_main.h"
#include "frm_main/frm_main_layout.h"
#include "platform/win32/key_repeat_filter.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_player.h"

namespace vkm {

// The Windows services for the main window, bundled.
struct Win32Services {
    Win32FileSystem files;
    Win32SoundPlayer player;
    Win32Hotkeys hotkeys;
    Win32MessageBoxes boxes;
    Win32OpenFileDialog open_dialog;
    Platform platform{files, player, hotkeys, boxes, open_dialog};

    // The services that act for a window get its handle (nullptr when it has gone).
    void SetWindow(HWND window) {
        hotkeys.SetWindow(window);
        boxes.SetWindow(window);
        open_dialog.SetWindow(window);
    }
};

// Enables or disables a control of the dialog-like window; a control that has the
// focus hands it on to the next control with a tab stop before it is disabled, so
// the keyboard still works.
void EnableKeepingFocus(HWND dialog, HWND control, bool enabled);
// Moves the focus of the active dialog-like window off a disabled control (or from
// nowhere) to the first enabled control with a tab stop, else to the window itself.
void KeepFocusInDialog(HWND dialog);

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

    HWND handle() const { return hwnd_; }
    TfrmMain& form() { return form_; }

    static constexpr const wchar_t* kClassName = L"TfrmMain";

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK SpeedButtonProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                            DWORD_PTR data);
    LRESULT OnMessage(UINT msg, WPARAM wparam, LPARAM lparam);

    // Runs a handler; an error that escapes it goes to the general error report.
    // Afterwards the controls show the form's state.
    template <class Handler>
    void Guard(Handler&& handler);
    void ReportError(const std::string& message) noexcept;
    // The window is going: FormClose, whatever it throws.
    void Close() noexcept;
    void SyncControls();

    void CreateControls();
    void CreateFonts();
    void DeleteFonts();
    void ApplyFonts();
    void Layout();
    void OnCommand(int id, int code);
    // The watch on held keys (needed once a line binds its keys) and the search for lines.
    void StartWatchAndScan();
    void StartScan();
    void StopScan() noexcept;
    void PlaceFocus();

    Platform& platform_;
    std::function<void(HWND)> set_window_;
    TfrmMain form_;

    HWND hwnd_ = nullptr;
    std::array<HWND, kControlCount> controls_{};
    std::array<HFONT, 3> fonts_{};  // by FontKind
    int dpi_ = kDesignedDpi;
    bool created_ = false;
    // Start takes the focus at the first activation; while the list of lines is searched for,
    // Start is disabled and a stand-in (the list) has it until Start can take it.
    enum class StartFocus { kPending, kStandIn, kDone } start_focus_ = StartFocus::kPending;
    HWND focus_stand_in_ = nullptr;  // none once the user chose it
    // The search for lines: it only reads the file system; it ends, and is waited for, when the window goes.
    std::thread scan_thread_;
    std::atomic<bool> scan_stop_{false};
    std::wstring title_;
    // What the controls show now, to touch only what changed.
    std::vector<std::string> shown_items_;
    bool items_shown_ = false;
    // Drops the hotkey messages of a held key's repeats (under Wine), while the window exists.
    std::unique_ptr<KeyRepeatFilter> key_filter_;
};

}  // namespace vkm
