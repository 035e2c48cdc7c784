// The Win32 main window on fake services: its controls show the form's state,
// messages reach the handlers, speed buttons leave the focus alone, and an error
// that escapes a handler ends in the general error report while the window goes on.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/codepage.h"
#include "fakes/fakes.h"
#include "frm_main/announcement_list_win32.h"
#include "frm_main/frm_main_win32.h"

namespace vkm {
namespace {

using testing::FakeFileSystem;
using testing::FakeServicesOn;

// Handles this thread's messages until done() holds; false after timeout_ms.
bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms = 5000) {
    for (DWORD start = GetTickCount(); !done();) {
        if (GetTickCount() - start > timeout_ms) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
    return true;
}

std::wstring TextOf(HWND h) {
    wchar_t buf[512] = {};
    GetWindowTextW(h, buf, 512);
    return buf;
}

int Id(ControlIndex i) {
    return MainWindowControls()[static_cast<std::size_t>(i)].id;
}

class MainWindowTest : public ::testing::Test, public FakeServicesOn<FakeFileSystem> {
  protected:
    MainWindowTest() {
        files.exe = "C:\\vlakomluv\\vlakomluv.exe";
        files.directories["C:\\vlakomluv\\"] = {DirEntry{"a.vkm"}, DirEntry{"bez_jmena.vkm"}};
        files.files["C:\\vlakomluv\\a.vkm"] = Utf8ToCp1250(
            "[Info]\r\nName=Trať Žďár\r\nWAV_odjezd=gong.wav\r\n"
            "[Hlaseni]\r\n1=a1.wav\r\n2=a2.wav\r\n3=a3.wav\r\n");
        files.files["C:\\vlakomluv\\bez_jmena.vkm"] = "[Hlaseni]\r\n1=x.wav\r\n";
    }

    // Creates the window and lets it search for its lines.
    void Create() {
        ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr)));
        ASSERT_EQ(told.size(), 1u);
        hwnd = told[0];
        ASSERT_TRUE(PumpUntil([this] { return Enabled(kBtnStart); })) << "the search did not end";
    }
    HWND Control(ControlIndex i) { return GetDlgItem(hwnd, Id(i)); }
    void Command(ControlIndex i, int code) {
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(Id(i), code), reinterpret_cast<LPARAM>(Control(i)));
    }
    bool Enabled(ControlIndex i) { return IsWindowEnabled(Control(i)) != FALSE; }

    std::vector<HWND> told;  // what the window told its services about itself
    MainWindow window{platform, [this](HWND h) { told.push_back(h); }};
    HWND hwnd = nullptr;
};

TEST_F(MainWindowTest, ControlsShowTheStateAndMessagesReachTheHandlers) {
    Create();
    EXPECT_EQ(TextOf(hwnd), L"Vlakomluv pro MSTS");
    EXPECT_EQ(TextOf(Control(kGrpVyberlinky)), L" &V\u00fdb\u011br linky ");
    EXPECT_EQ(TextOf(Control(kLblUzivatelskeHlaseni)), L"U\u017eivatelsk\u00e9 hl\u00e1\u0161en\u00ed :");

    // Created: the catalogue in the list, nothing selected, the step buttons disabled.
    HWND combo = Control(kCmbLinka);
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 1);
    wchar_t item[64] = {};
    SendMessageW(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ(item, L"Tra\u0165 \u017d\u010f\u00e1r");
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(TextOf(Control(kLblHlaseni)), L"''");
    EXPECT_TRUE(Enabled(kBtnStart));
    EXPECT_FALSE(Enabled(kBtnPlay));
    EXPECT_FALSE(Enabled(kBtnJedenZpet));
    EXPECT_FALSE(Enabled(kBtnJedenVpred));
    EXPECT_EQ(LOWORD(SendMessageW(hwnd, DM_GETDEFID, 0, 0)), Id(kBtnStart)) << "Start is the default button";

    // Start without a selection: the warning, nothing else.
    Command(kBtnStart, BN_CLICKED);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, std::string("Není vybrána žádná zvuková mapa"));
    EXPECT_TRUE(hotkeys.bound.empty());

    // The user's choice in the list reaches the form; Start loads and binds.
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    Command(kCmbLinka, CBN_SELCHANGE);
    Command(kBtnStart, BN_CLICKED);
    EXPECT_EQ(TextOf(Control(kLblHlaseni)), L"a1.wav");
    EXPECT_TRUE(Enabled(kBtnPlay));
    EXPECT_TRUE(Enabled(kBtnJedenVpred));
    EXPECT_FALSE(Enabled(kBtnJedenZpet));
    EXPECT_FALSE(hotkeys.bound.empty());

    // A hotkey message plays the next announcement; an id that is not ours does nothing.
    SendMessageW(hwnd, WM_HOTKEY, 1, 0);
    EXPECT_EQ(player.played, (std::vector<Path>{"C:\\vlakomluv\\gong.wav", "C:\\vlakomluv\\a1.wav"}));
    EXPECT_EQ(TextOf(Control(kLblHlaseni)), L"a2.wav");
    EXPECT_TRUE(Enabled(kBtnJedenZpet));
    SendMessageW(hwnd, WM_HOTKEY, 9999, 0);
    EXPECT_EQ(player.played.size(), 2u);
    EXPECT_EQ(TextOf(Control(kLblHlaseni)), L"a2.wav");

    // A speed button clicked with the mouse acts but leaves the focus where it was.
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    SetFocus(combo);
    ASSERT_EQ(GetFocus(), combo);
    HWND forward = Control(kBtnJedenVpred);
    SendMessageW(forward, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    EXPECT_EQ(GetFocus(), combo);
    SendMessageW(forward, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(TextOf(Control(kLblHlaseni)), L"a3.wav");
    EXPECT_EQ(GetFocus(), combo);
    // Released outside the button: no click.
    SendMessageW(forward, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(forward, WM_LBUTTONUP, 0, MAKELPARAM(500, 3));
    EXPECT_EQ(TextOf(Control(kLblHlaseni)), L"a3.wav");
    // A disabled one does nothing: "+1" past the end, then again.
    SendMessageW(forward, BM_CLICK, 0, 0);
    EXPECT_EQ(TextOf(Control(kLblHlaseni)), L"");
    EXPECT_FALSE(Enabled(kBtnJedenVpred));
    SendMessageW(forward, BM_CLICK, 0, 0);
    EXPECT_EQ(TextOf(Control(kLblHlaseni)), L"");
    SendMessageW(Control(kBtnJedenZpet), BM_CLICK, 0, 0);
    EXPECT_EQ(TextOf(Control(kLblHlaseni)), L"a3.wav") << "the click on the disabled \"+1\" did nothing";
    EXPECT_EQ(GetWindowLongW(forward, GWL_STYLE) & WS_TABSTOP, 0);
    // Whereas the push button Start takes the focus when pressed.
    SetFocus(combo);
    HWND start = Control(kBtnStart);
    SendMessageW(start, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(start, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(GetFocus(), start);
    EXPECT_EQ(TextOf(Control(kLblHlaseni)), L"a1.wav") << "Start restarts the line";

    // Closing releases the keys and tells the services the window has gone.
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(hotkeys.bound.empty());
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[1], nullptr);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "the message loop is told to end";
}

// Handles this thread's messages as the program's message loop does (the dialog
// manager first) for about ms milliseconds.
void PumpAsTheProgram(HWND window, DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (IsDialogMessageW(window, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

void SendKey(WORD vk, bool up) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
}

// A key pressed at the keyboard (with a modifier held), handled by the window.
void Type(HWND window, WORD vk, WORD modifier = 0) {
    if (modifier) SendKey(modifier, false);
    SendKey(vk, false);
    SendKey(vk, true);
    if (modifier) SendKey(modifier, true);
    PumpAsTheProgram(window, 150);
}

// The speed buttons are for the mouse: the keyboard walks between Start and the
// list only, nothing the program does gives a speed button the focus, and a control
// that loses its enabled state hands the focus on.
TEST_F(MainWindowTest, TheKeyboardNeverReachesASpeedButtonAndTheFocusIsNeverLost) {
    Create();
    SendMessageW(Control(kCmbLinka), CB_SETCURSEL, 0, 0);
    Command(kCmbLinka, CBN_SELCHANGE);
    Command(kBtnStart, BN_CLICKED);
    ASSERT_TRUE(Enabled(kBtnPlay) && Enabled(kBtnJedenVpred));
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    PumpAsTheProgram(hwnd, 300);
    HWND start = Control(kBtnStart), combo = Control(kCmbLinka), seznam = Control(kBtnSeznam);
    ASSERT_EQ(GetFocus(), start);

    for (WORD arrow : {VK_RIGHT, VK_DOWN, VK_LEFT, VK_UP}) {
        Type(hwnd, arrow);
        EXPECT_EQ(GetFocus(), start) << "arrow " << arrow << " on Start";
    }
    Type(hwnd, VK_TAB);
    EXPECT_EQ(GetFocus(), combo);
    Type(hwnd, VK_TAB);
    EXPECT_EQ(GetFocus(), seznam);  // the list of announcements, once a line has them
    Type(hwnd, VK_TAB);
    EXPECT_EQ(GetFocus(), start);
    Type(hwnd, VK_TAB, VK_SHIFT);
    EXPECT_EQ(GetFocus(), seznam);
    Type(hwnd, VK_TAB, VK_SHIFT);
    EXPECT_EQ(GetFocus(), combo);
    Type(hwnd, 'S', VK_MENU);
    EXPECT_EQ(GetFocus(), start);
    EXPECT_EQ(TextOf(Control(kLblHlaseni)), L"a1.wav") << "nothing pressed the step buttons";
    EXPECT_TRUE(player.played.empty());

    // Given the focus anyway, a speed button hands it back, or to Start when the
    // control it came from cannot have it.
    for (ControlIndex i : {kBtnJedenZpet, kBtnPlay, kBtnJedenVpred, kSbtnStop, kSbtnOpenFile}) {
        SetFocus(combo);
        SetFocus(Control(i));
        EXPECT_EQ(GetFocus(), combo) << "control " << i;
        SendMessageW(hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(i)), TRUE);
        EXPECT_EQ(GetFocus(), combo) << "control " << i;
        SetFocus(hwnd);
        SetFocus(Control(i));
        EXPECT_EQ(GetFocus(), start) << "control " << i;
    }
    EXPECT_EQ(LOWORD(SendMessageW(hwnd, DM_GETDEFID, 0, 0)), Id(kBtnStart)) << "Start stays the default";

    // Disabling the control with the focus moves the focus on first.
    SetFocus(start);
    EnableKeepingFocus(hwnd, start, false);
    EXPECT_EQ(GetFocus(), combo);
    EnableKeepingFocus(hwnd, seznam, false);
    EnableKeepingFocus(hwnd, combo, false);
    EXPECT_EQ(GetFocus(), hwnd) << "no control left: the window keeps it";
    EnableKeepingFocus(hwnd, start, true);
    EnableKeepingFocus(hwnd, combo, true);
    Type(hwnd, VK_TAB);
    EXPECT_NE(GetFocus(), nullptr);
    EXPECT_TRUE(GetFocus() == start || GetFocus() == combo);
    DestroyWindow(hwnd);
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // for the next test's boxes
}

struct SeenBox {
    std::wstring caption, text;
    int buttons = 0;
    bool error_icon = false;
    std::size_t keys_bound = 0;  // of the line, while the box was open
};

// Waits on another thread for a message box of this process, reads it (and how many
// keys the window has bound meanwhile; its thread is in the box's loop) and presses OK.
std::thread AnswerBox(DWORD ui_thread, SeenBox& seen, std::atomic<bool>& found,
                      const testing::FakeHotkeys& hotkeys) {
    return std::thread([ui_thread, &seen, &found, &hotkeys] {
        for (int i = 0; i < 100 && !found; ++i) {
            Sleep(50);
            HWND box = nullptr;
            EnumThreadWindows(
                ui_thread,
                [](HWND h, LPARAM p) -> BOOL {
                    wchar_t cls[32] = {};
                    GetClassNameW(h, cls, 32);
                    if (std::wstring(cls) != L"#32770") return TRUE;
                    *reinterpret_cast<HWND*>(p) = h;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&box));
            if (!box) continue;
            seen.caption = TextOf(box);
            seen.keys_bound = hotkeys.bound.size();
            HICON error_icon = LoadIconW(nullptr, IDI_HAND);
            for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                wchar_t cls[32] = {};
                GetClassNameW(c, cls, 32);
                if (_wcsicmp(cls, L"Button") == 0) ++seen.buttons;
                if (_wcsicmp(cls, L"Static") != 0) continue;
                if ((GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                    seen.error_icon =
                        reinterpret_cast<HICON>(SendMessageW(c, STM_GETICON, 0, 0)) == error_icon;
                else if (!TextOf(c).empty())
                    seen.text = TextOf(c);
            }
            found = true;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    });
}

TEST_F(MainWindowTest, AnErrorThatEscapesAHandlerIsReportedAndTheWindowGoesOn) {
    files.exe = "C:\\vlakomluv\\VLAKOMLUV.EXE";
    Create();
    SendMessageW(Control(kCmbLinka), CB_SETCURSEL, 0, 0);
    Command(kCmbLinka, CBN_SELCHANGE);
    Command(kBtnStart, BN_CLICKED);
    ASSERT_EQ(TextOf(Control(kLblHlaseni)), L"a1.wav");
    player.fail_on = Path("C:\\vlakomluv\\a1.wav");

    SeenBox seen;
    std::atomic<bool> found{false};
    ASSERT_FALSE(hotkeys.bound.empty());
    const auto line_keys = hotkeys.bound;
    std::thread answer = AnswerBox(GetCurrentThreadId(), seen, found, hotkeys);
    Command(kBtnPlay, BN_CLICKED);  // returns when the report is closed
    answer.join();

    ASSERT_TRUE(found) << "no error report";
    EXPECT_EQ(seen.caption, L"Vlakomluv")
        << "the application title: the exe's name, lower case after the first";
    EXPECT_EQ(seen.text, L"playback failed.") << "the message with a full stop";
    EXPECT_EQ(seen.buttons, 1) << "OK only";
    EXPECT_TRUE(seen.error_icon);
    EXPECT_TRUE(boxes.shown.empty()) << "the report does not go through MsgBox";
    EXPECT_EQ(seen.keys_bound, line_keys.size()) << "the line's keys stay bound while the report is open";
    EXPECT_EQ(hotkeys.bound, line_keys);

    // The window goes on and shows what the handler changed before it failed.
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(TextOf(Control(kLblHlaseni)), L"a2.wav");
    EXPECT_TRUE(Enabled(kBtnJedenZpet));
    player.fail_on.reset();
    Command(kBtnPlay, BN_CLICKED);
    EXPECT_EQ(player.played.back(), "C:\\vlakomluv\\a2.wav");
    DestroyWindow(hwnd);
}

// What the list of announcements asks for fails: the list ends, and the error comes out of it for the
// window's error report (as the window's handlers' errors do) instead of crossing into Windows.
TEST_F(MainWindowTest, AnErrorInTheListEndsItAndComesOutOfIt) {
    struct Unreadable : AnnouncementRows {
        std::size_t AnnouncementCount() const override { return 3; }
        AnnouncementRow AnnouncementRowAt(std::size_t) const override { throw std::runtime_error("lost"); }
        long long NextAnnouncementRow() const override { return 0; }
        std::string NextPressText() const override { return "next"; }
    } rows;
    Create();
    const wchar_t* const title = L"Hl\u00e1\u0161en\u00ed linky";
    std::atomic<bool> ended{false}, closed{false};
    std::thread watchdog([&] {  // a list that does not end is closed after 5 s, so that the test ends
        for (int i = 0; i < 100 && !ended; ++i) Sleep(50);
        if (HWND h = FindWindowW(L"#32770", title)) closed = PostMessageW(h, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_THROW(ChooseAnnouncement(hwnd, rows), std::runtime_error);
    ended = true;
    watchdog.join();
    EXPECT_FALSE(closed) << "the error ended the list";
    EXPECT_EQ(FindWindowW(L"#32770", title), nullptr) << "the list has gone";
    EXPECT_TRUE(IsWindowEnabled(hwnd)) << "and its owner takes input again";
    DestroyWindow(hwnd);
}

// ---- The search for lines runs on a worker while the window shows. ----

// A tree of folders, each with a definition file (whose name is its path) and `fanout`
// subfolders down to `depth`; listing waits while `held` and takes `delay_ms`.
class TreeOnDemand : public FakeFileSystem {
  public:
    bool ListDirectory(const Path& dir, std::vector<DirEntry>& out) override {
        ++listing;
        while (held) Sleep(2);
        if (delay_ms) Sleep(delay_ms);
        ++folders;
        out.push_back(DirEntry{"line.vkm"});
        if (static_cast<int>(std::count(dir.begin(), dir.end(), '\\')) - 2 < depth)
            for (int i = 0; i < fanout; ++i) out.push_back(DirEntry{"d" + std::to_string(i), true});
        --listing;
        return true;
    }
    bool ReadFileInPieces(const Path& path, const std::function<bool(std::string_view)>& consume) override {
        const std::string text = "[Info]\r\nName=" + path + "\r\n";
        consume(text);
        return true;
    }
    std::atomic<bool> held{false};
    std::atomic<int> folders{0}, listing{0};
    int fanout = 2, depth = 1, delay_ms = 0;
};

class SearchTest : public ::testing::Test, public FakeServicesOn<TreeOnDemand> {
  protected:
    SearchTest() { files.exe = "C:\\p\\vlakomluv.exe"; }
    void CreateAndShow() {
        ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr)));
        ShowWindow(hwnd, SW_SHOW);
        SetForegroundWindow(hwnd);
        PumpUntil([] { return false; }, 300);  // the search starts, the window is activated
    }
    HWND Control(ControlIndex i) { return GetDlgItem(hwnd, Id(i)); }
    void Command(ControlIndex i, int code) {
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(Id(i), code), reinterpret_cast<LPARAM>(Control(i)));
    }
    std::vector<std::wstring> Items() {
        std::vector<std::wstring> items;
        HWND combo = Control(kCmbLinka);
        for (int i = 0; i < SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i) {
            wchar_t buf[256] = {};
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
            items.push_back(buf);
        }
        return items;
    }
    ~SearchTest() override {
        files.held = false;
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
    }
    HWND hwnd = nullptr;
    MainWindow window{platform, [this](HWND h) { hwnd = h ? h : hwnd; }};
};

const std::vector<std::wstring> kFound = {L"C:\\p\\line.vkm", L"C:\\p\\d0\\line.vkm", L"C:\\p\\d1\\line.vkm"};

TEST_F(SearchTest, TheWindowShowsItSearchesThenTheLinesAndStartTakesTheFocus) {
    files.held = true;
    CreateAndShow();
    HWND combo = Control(kCmbLinka), start = Control(kBtnStart);
    ASSERT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(Items(), std::vector<std::wstring>{L"Hled\u00e1m linky\u2026"});
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0) << "the field shows the searching item";
    EXPECT_FALSE(IsWindowEnabled(start));
    EXPECT_EQ(GetFocus(), combo) << "the focus goes where it can while Start is disabled";
    // The default button (Enter) and a click on Start do nothing meanwhile.
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(Id(kBtnStart), BN_CLICKED), reinterpret_cast<LPARAM>(start));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_TRUE(hotkeys.registrations.empty());

    files.held = false;
    ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(start) != FALSE; }));
    EXPECT_EQ(Items(), kFound);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(GetFocus(), start) << "Start takes the focus from its stand-in";
}

TEST_F(SearchTest, WhatTheUserDoesMeanwhileIsKept) {
    files.held = true;
    CreateAndShow();
    HWND combo = Control(kCmbLinka), start = Control(kBtnStart);
    // Picking the searching item leaves the focus with the user's choice.
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    Command(kCmbLinka, CBN_SELCHANGE);
    // A line added with the open dialog comes after those the search finds, and is selected.
    dialog.answer = Path("E:\\jinde\\x.vkm");
    Command(kSbtnOpenFile, BN_CLICKED);
    EXPECT_EQ(Items(), std::vector<std::wstring>{L"Hled\u00e1m linky\u2026"});

    files.held = false;
    ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(start) != FALSE; }));
    std::vector<std::wstring> expected = kFound;
    expected.push_back(L"E:\\jinde\\x.vkm");
    EXPECT_EQ(Items(), expected);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(GetFocus(), combo);
}

TEST_F(SearchTest, ClosingTheWindowEndsTheSearchAtOnce) {
    files.fanout = 50;  // 50 ** 4 folders: a search that would take days
    files.depth = 4;
    files.delay_ms = 1;
    CreateAndShow();
    ASSERT_TRUE(PumpUntil([&] { return files.folders > 20; }));
    EXPECT_FALSE(IsWindowEnabled(Control(kBtnStart))) << "still searching";
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    // The window waited for its search, which ended long before its end.
    const int folders = files.folders;
    EXPECT_LT(folders, 10000);
    Sleep(100);
    EXPECT_EQ(files.folders, folders) << "the search goes on after the window";
    EXPECT_FALSE(window.WorkLeftRunning());

    // A search held inside the file system (a folder that never answers) is left running: the
    // window's thread waits for it a bounded time, and the window says so.
    files.held = true;
    HWND second_hwnd = nullptr;
    MainWindow second(platform, [&second_hwnd](HWND h) { second_hwnd = h; });
    ASSERT_TRUE(second.Create(GetModuleHandleW(nullptr)));
    ASSERT_TRUE(PumpUntil([&] { return files.listing > 0; }));
    SendMessageW(second_hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(second.WorkLeftRunning());
    files.held = false;
    EXPECT_TRUE(PumpUntil([&] { return files.listing == 0; }));
    Sleep(100);  // the search ends, its result dropped, before its file system goes
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

}  // namespace
}  // namespace vkm
