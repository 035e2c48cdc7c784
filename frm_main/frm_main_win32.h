// The main window on Win32: creates the controls from the layout table, routes
// messages to TfrmMain's handlers and shows TfrmMain's state after each of them.
#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "frm_main/frm_main.h"
#include "frm_main/frm_main_layout.h"
#include "platform/win32/win32_platform.h"

namespace vkm {

class MainWindow {
  public:
    MainWindow();
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the window (FormCreate runs, the catalogue is scanned) without showing it.
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
    void ReportError(const std::string& message);
    void SyncControls();

    void CreateControls();
    void CreateFonts();
    void DeleteFonts();
    void ApplyFonts();
    void Layout();
    void OnCommand(int id, int code);

    Win32FileSystem files_;
    Win32MessagePump pump_;
    Win32SoundPlayer player_;
    Win32Hotkeys hotkeys_;
    Win32MessageBoxes boxes_;
    Win32OpenFileDialog open_dialog_;
    Platform platform_;
    TfrmMain form_;

    HWND hwnd_ = nullptr;
    std::array<HWND, kControlCount> controls_{};
    std::array<HFONT, 3> fonts_{};  // by FontKind
    int dpi_ = kDesignedDpi;
    bool activated_ = false;
    bool created_ = false;
    std::wstring title_;
    // What the controls show now, to touch only what changed.
    std::vector<std::string> shown_items_;
    bool items_shown_ = false;
};

}  // namespace vkm
