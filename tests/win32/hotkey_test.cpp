// Real hotkeys: binding, refusal and release by Windows (or Wine), key presses made
// while another window has the focus arriving as WM_HOTKEY at the window that bound
// them, also through the main window's logic, and a held key counting as one press
// (under Wine through the repeat filter).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "core/codepage.h"
#include "fakes/fakes.h"
#include "platform/win32/key_repeat_filter.h"
#include "platform/win32/win32_keyboard.h"
#include "platform/win32/win32_platform.h"

#ifndef MOD_NOREPEAT
#define MOD_NOREPEAT 0x4000
#endif

namespace vkm {
namespace {

struct Hotkey {
    int id;
    unsigned modifiers;
    unsigned vk;
    bool operator==(const Hotkey& o) const { return id == o.id && modifiers == o.modifiers && vk == o.vk; }
};

std::ostream& operator<<(std::ostream& os, const Hotkey& h) {
    return os << "{id " << h.id << ", modifiers " << h.modifiers << ", vk 0x" << std::hex << h.vk << std::dec
              << "}";
}

// A top-level window of this thread that records the hotkeys and key presses it
// receives. With a filter it handles, as the main window does, only the hotkeys the
// filter accepts.
class TestWindow {
  public:
    explicit TestWindow(const wchar_t* title) {
        static const ATOM cls = [] {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            wc.lpszClassName = L"VkmHotkeyTestWindow";
            return RegisterClassW(&wc);
        }();
        hwnd_ = CreateWindowExW(0, MAKEINTATOM(cls), title, WS_POPUP, 50, 50, 200, 120, nullptr, nullptr,
                                GetModuleHandleW(nullptr), this);
    }
    ~TestWindow() {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    void Destroy() {
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
    int Count(int id) const { return CountIn(hotkeys, id); }
    int Accepted(int id) const { return CountIn(accepted, id); }
    void Clear() {
        hotkeys.clear();
        accepted.clear();
    }

    KeyRepeatFilter* filter = nullptr;
    std::vector<Hotkey> hotkeys;      // every WM_HOTKEY
    std::vector<Hotkey> accepted;     // those the filter accepted, handled by on_hotkey
    std::vector<unsigned> keys_down;  // WM_KEYDOWN and WM_SYSKEYDOWN
    std::function<void(int)> on_hotkey;

  private:
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m == WM_NCCREATE)
            SetWindowLongPtrW(
                h, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams));
        auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self && m == WM_HOTKEY) {
            const Hotkey hotkey{static_cast<int>(w), LOWORD(l), HIWORD(l)};
            self->hotkeys.push_back(hotkey);
            if (self->filter && !self->filter->Accept(l, static_cast<DWORD>(GetMessageTime()))) return 0;
            self->accepted.push_back(hotkey);
            if (self->on_hotkey) self->on_hotkey(hotkey.id);
            return 0;
        }
        if (self && (m == WM_KEYDOWN || m == WM_SYSKEYDOWN))
            self->keys_down.push_back(static_cast<unsigned>(w));
        if (m == WM_SYSCOMMAND && (w & 0xFFF0) == SC_KEYMENU) return 0;  // no menu mode after Alt
        return DefWindowProcW(h, m, w, l);
    }
    static int CountIn(const std::vector<Hotkey>& list, int id) {
        return static_cast<int>(
            std::count_if(list.begin(), list.end(), [&](const Hotkey& h) { return h.id == id; }));
    }
    HWND hwnd_ = nullptr;
};

// Handles this thread's messages until done() holds or timeout_ms has passed; done()'s last answer.
bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms = 5000) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeout_ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(timeout_ms - elapsed, 50), QS_ALLINPUT);
    }
}

void GiveFocus(HWND w) {
    ShowWindow(w, SW_SHOWNORMAL);
    SetForegroundWindow(w);
    SetFocus(w);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == w && GetFocus() == w; }))
        << "the focus window did not become the foreground window";
}

// The window that holds the focus while keys are pressed, as the simulator would: one
// for the whole program, fresh records for each test. (Under Wine without a window
// manager, destroying a window that was active waits two seconds for the window
// manager; at process exit nothing waits.)
TestWindow& FocusWindow() {
    static TestWindow* focus = new TestWindow(L"simulator");
    focus->hotkeys.clear();
    focus->keys_down.clear();
    return *focus;
}

void SendKey(WORD vk, bool up) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ASSERT_EQ(SendInput(1, &in, sizeof in), 1u) << "SendInput failed: " << GetLastError();
}

// Presses and releases vk while the modifier keys are held.
void Press(WORD vk, std::initializer_list<WORD> modifiers = {}) {
    for (WORD m : modifiers) SendKey(m, false);
    SendKey(vk, false);
    SendKey(vk, true);
    for (auto m = std::rbegin(modifiers); m != std::rend(modifiers); ++m) SendKey(*m, true);
}

bool UnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Starts a program of the X server that Wine draws on (Wine starts Unix programs
// too; it gives no handle to wait on, so callers wait for the effect).
bool StartUnixProgram(const std::wstring& path, const std::string& args) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    std::wstring cmd = path + L" " + std::wstring(args.begin(), args.end());
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    return true;
}

bool StartXdotool(const std::string& args) {
    return StartUnixProgram(L"Z:\\usr\\bin\\xdotool", args);
}

// The X window behind a Wine window, as xdotool wants it.
std::string XWindowOf(HWND w) {
    return std::to_string(reinterpret_cast<UINT_PTR>(GetPropW(w, L"__wine_x11_whole_window")));
}

TEST(Win32Hotkeys, PressGoesToTheBindingWindowAndNotToTheFocusedOne) {
    TestWindow target(L"target");
    TestWindow& focus = FocusWindow();
    Win32Hotkeys hotkeys(target.hwnd());
    ASSERT_TRUE(hotkeys.Register(1, 0, VK_F7));
    ASSERT_TRUE(hotkeys.Register(200, kModControl, 'Q'));
    ASSERT_TRUE(hotkeys.Register(201, kModAlt, 'B'));
    GiveFocus(focus.hwnd());

    Press(VK_F7);
    Press('Q', {VK_CONTROL});
    Press('B', {VK_MENU});
    Press('Q');  // not bound without Ctrl
    ASSERT_TRUE(PumpUntil([&] {
        return target.hotkeys.size() >= 3 && !focus.keys_down.empty() && focus.keys_down.back() == 'Q';
    })) << target.hotkeys.size()
        << " hotkeys, " << focus.keys_down.size() << " keys at the focused window";
    EXPECT_EQ(target.hotkeys,
              (std::vector<Hotkey>{{1, 0, VK_F7}, {200, MOD_CONTROL, 'Q'}, {201, MOD_ALT, 'B'}}));
    EXPECT_TRUE(focus.hotkeys.empty());
    // The focused window sees the modifiers and the unbound Q, never a bound key.
    EXPECT_EQ(std::count(focus.keys_down.begin(), focus.keys_down.end(), unsigned{VK_F7}), 0);
    EXPECT_EQ(std::count(focus.keys_down.begin(), focus.keys_down.end(), unsigned{'B'}), 0);
    EXPECT_EQ(std::count(focus.keys_down.begin(), focus.keys_down.end(), unsigned{'Q'}), 1);
}

TEST(Win32Hotkeys, KeyPressFromTheXServerArrives) {
    if (!UnderWine()) GTEST_SKIP() << "X key presses exist only under Wine";
    TestWindow target(L"target");
    TestWindow& focus = FocusWindow();
    Win32Hotkeys hotkeys(target.hwnd());
    ASSERT_TRUE(hotkeys.Register(101, 0, VK_F1));
    ASSERT_TRUE(hotkeys.Register(202, kModControl, 'Q'));
    ASSERT_TRUE(hotkeys.Register(203, 0, VK_F2));  // pressed last: then Ctrl is up again
    GiveFocus(focus.hwnd());
    if (!StartXdotool("windowfocus --sync " + XWindowOf(focus.hwnd()) + " key F1 ctrl+q F2"))
        GTEST_SKIP() << "xdotool cannot be started";
    ASSERT_TRUE(PumpUntil([&] { return target.Count(203) == 1; }, 15000)) << target.hotkeys.size();
    EXPECT_EQ(target.hotkeys,
              (std::vector<Hotkey>{{101, 0, VK_F1}, {202, MOD_CONTROL, 'Q'}, {203, 0, VK_F2}}));
}

TEST(Win32Hotkeys, BoundCombinationIsRefusedEvenToItsOwnWindowUntilReleased) {
    TestWindow a(L"a"), b(L"b");
    Win32Hotkeys ha(a.hwnd()), hb(b.hwnd());
    ASSERT_TRUE(ha.Register(1, 0, VK_F7));
    EXPECT_FALSE(ha.Register(2, 0, VK_F7));               // the same window, another id
    EXPECT_FALSE(hb.Register(1, 0, VK_F7));               // another window
    EXPECT_FALSE(RegisterHotKey(b.hwnd(), 3, 0, VK_F7));  // also without the no-repeat flag
    EXPECT_TRUE(hb.Register(2, kModShift, VK_F7));        // other modifiers: another combination

    EXPECT_TRUE(ha.Unregister(1));
    EXPECT_FALSE(ha.Unregister(1));  // nothing left to release
    EXPECT_TRUE(hb.Register(1, 0, VK_F7));

    // The released combination now reaches the other window.
    GiveFocus(FocusWindow().hwnd());
    Press(VK_F7);
    ASSERT_TRUE(PumpUntil([&] { return !b.hotkeys.empty(); }));
    EXPECT_EQ(b.hotkeys, (std::vector<Hotkey>{{1, 0, VK_F7}}));
    EXPECT_TRUE(a.hotkeys.empty());

    // A destroyed window's hotkeys are released with it.
    TestWindow c(L"c");
    Win32Hotkeys hc(c.hwnd());
    ASSERT_TRUE(hc.Register(7, kModControl, VK_F6));
    EXPECT_FALSE(ha.Register(7, kModControl, VK_F6));
    c.Destroy();
    EXPECT_TRUE(ha.Register(7, kModControl, VK_F6));
}

// A held key sends key-downs until it is let go: the first press and its repeats.
// Windows posts one WM_HOTKEY for them; Wine posts one for each, and the filter
// (which watches the keyboard under Wine only) lets one through.
TEST(Win32Hotkeys, HoldingAKeyCountsAsOnePress) {
    TestWindow target(L"target");
    TestWindow& focus = FocusWindow();
    KeyRepeatFilter filter;
    EXPECT_EQ(filter.watching(), UnderWine());
    target.filter = &filter;
    Win32Hotkeys hotkeys(target.hwnd());
    ASSERT_TRUE(hotkeys.Register(8, 0, VK_F8));
    ASSERT_TRUE(hotkeys.Register(9, 0, VK_F9));  // pressed last: once it is in, so is everything before it
    GiveFocus(focus.hwnd());

    const int downs = 5;  // the first press and four repeats, as a held key sends them
    for (int i = 0; i < downs; ++i) SendKey(VK_F8, false);
    SendKey(VK_F8, true);
    Press(VK_F8);  // pressed again
    Press(VK_F9);
    ASSERT_TRUE(PumpUntil([&] { return target.Count(9) == 1; }));
    std::printf("%d key downs of a held key and one press: %d WM_HOTKEY\n", downs, target.Count(8));
    EXPECT_EQ(target.Accepted(8), 2);
    if (!UnderWine()) {
        EXPECT_EQ(target.Count(8), 2) << "Windows repeats a key bound with MOD_NOREPEAT";
    }
}

// Keys held at the X server while another Wine program has the focus, as a driver
// holds them in the simulator: the filter lets one press through for each hold,
// also when the window is busy (playing an announcement) while the keys are pressed.
TEST(Win32Hotkeys, UnderWineAKeyHeldAtTheXServerCountsAsOnePress) {
    if (!UnderWine()) GTEST_SKIP() << "X key presses exist only under Wine";
    TestWindow target(L"target");
    TestWindow& focus = FocusWindow();
    KeyRepeatFilter filter;
    ASSERT_TRUE(filter.watching());
    target.filter = &filter;
    Win32Hotkeys hotkeys(target.hwnd());
    ASSERT_TRUE(hotkeys.Register(8, 0, VK_F8));
    ASSERT_TRUE(hotkeys.Register(208, kModControl, 'Q'));
    ASSERT_TRUE(hotkeys.Register(9, 0, VK_F9));  // pressed last
    GiveFocus(focus.hwnd());
    // Presses the keys at the X server, then F9, and handles the hotkeys until F9's has come.
    auto press = [&](const std::string& keys) {
        target.Clear();
        return StartXdotool("windowfocus --sync " + XWindowOf(focus.hwnd()) + " " + keys + " key F9") &&
               PumpUntil([&] { return target.Count(9) == 1; }, 30000);
    };
    if (GetFileAttributesW(L"Z:\\usr\\bin\\xdotool") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no xdotool";

    // Shift+F8 is not bound: its presses cause no hotkey, and let no repeat of F8 through.
    ASSERT_TRUE(press("key shift+F8 shift+F8 keydown F8 sleep 2 keyup F8"));
    std::printf("F8 held 2 s: %d WM_HOTKEY\n", target.Count(8));
    EXPECT_EQ(target.Accepted(8), 1);

    ASSERT_TRUE(press("key F8 F8"));
    EXPECT_EQ(target.Accepted(8), 2) << "two quick presses";

    ASSERT_TRUE(press("keydown ctrl keydown q sleep 1.5 keyup q keyup ctrl"));
    std::printf("Ctrl+Q held 1.5 s: %d WM_HOTKEY\n", target.Count(208));
    EXPECT_EQ(target.Accepted(208), 1);

    // The first press keeps the window busy while the next ones are made: they wait
    // in its queue, and each press still counts once.
    bool busy_once = false;
    target.on_hotkey = [&](int id) {
        if (id == 8 && !busy_once) {
            busy_once = true;
            Sleep(3000);
        }
    };
    ASSERT_TRUE(press("key F8 sleep 0.3 keydown F8 sleep 1.5 keyup F8 key F8 F8"));
    std::printf("while busy, F8 pressed, held 1.5 s, pressed twice: %d WM_HOTKEY\n", target.Count(8));
    EXPECT_EQ(target.Accepted(8), 4);
}

// While a window outside Wine has the keyboard, the keys go to it and the hook sees
// none of them. A key released there and pressed again soon after a Wine window has
// the keyboard back is a new press; a key held while the keyboard goes out and back
// is one press, however long it was out. Boxes opening on a press change nothing.
TEST(Win32Hotkeys, UnderWineKeyEventsTheHookCannotSeeLeaveEveryPressCountingOnce) {
    if (!UnderWine()) GTEST_SKIP() << "X key presses exist only under Wine";
    if (GetFileAttributesW(L"Z:\\usr\\bin\\xdotool") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no xdotool";
    TestWindow target(L"target");
    TestWindow& focus = FocusWindow();
    KeyRepeatFilter filter;
    ASSERT_TRUE(filter.watching());
    target.filter = &filter;
    Win32Hotkeys hotkeys(target.hwnd());
    ASSERT_TRUE(hotkeys.Register(8, 0, VK_F8));
    ASSERT_TRUE(hotkeys.Register(9, 0, VK_F9));  // pressed last
    GiveFocus(focus.hwnd());
    // A window outside Wine, which closes itself after a minute.
    if (!StartUnixProgram(L"Z:\\usr\\bin\\xmessage", "-timeout 60 -title vkm-outside outside"))
        GTEST_SKIP() << "no xmessage (x11-utils)";
    // The keys are pressed by one xdotool run (a window found by its search would
    // become the target of the keys after it, so the search runs first, in a shell).
    const std::string to_wine = "windowfocus --sync " + XWindowOf(focus.hwnd());
    const std::string to_outside = "windowfocus --sync $outside";
    auto press = [&](const std::string& keys) {
        target.Clear();
        return StartUnixProgram(
                   L"Z:\\bin\\sh",
                   "-c \"outside=$(xdotool search --sync --onlyvisible --name ^vkm-outside$ | head -1); "
                   "xdotool " +
                       to_wine + " " + keys + " " + to_wine + " key F9\"") &&
               PumpUntil([&] { return target.Count(9) == 1; }, 30000);
    };

    ASSERT_TRUE(
        press("keydown F8 sleep 0.3 " + to_outside + " keyup F8 sleep 0.3 " + to_wine + " sleep 0.3 key F8"));
    EXPECT_EQ(target.Accepted(8), 2) << "released outside Wine, pressed again 0.6 s later";

    ASSERT_TRUE(press("keydown F8 sleep 1 " + to_outside + " sleep 2.5 " + to_wine + " sleep 1 keyup F8"));
    std::printf("F8 held while the keyboard was outside Wine for 2.5 s: %d WM_HOTKEY\n", target.Count(8));
    EXPECT_EQ(target.Accepted(8), 1) << "held while the keyboard was outside Wine";

    // The first press opens a box, which closes 1.5 s later; F8 is pressed again meanwhile.
    std::thread closer;
    target.on_hotkey = [&](int id) {
        if (id != 8 || closer.joinable()) return;
        closer = std::thread([] {
            Sleep(1500);
            if (HWND box = FindWindowW(L"#32770", L"vkm box")) PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        MessageBoxW(target.hwnd(), L"box", L"vkm box", MB_OK);
    };
    ASSERT_TRUE(press("key F8 sleep 0.5 key F8 sleep 1.5"));
    if (closer.joinable()) closer.join();
    target.on_hotkey = nullptr;
    EXPECT_EQ(target.Accepted(8), 2) << "pressed again while a box was open";

    StartXdotool("search --onlyvisible --name ^vkm-outside$ windowkill");
}

// The system's layout gives every scan code of the simulator's keys the virtual key that our fixed US
// table gives it natively, when the layout is US (as Wine's is on Xvfb), and names itself.
TEST(Win32KeyboardLayout, TheUsLayoutOfTheSystemIsOurUsTable) {
    if (LOWORD(reinterpret_cast<UINT_PTR>(GetKeyboardLayout(0))) != 0x0409)
        GTEST_SKIP() << "the keyboard layout is not US";
    const Win32KeyboardLayout system;
    int compared = 0;
    for (unsigned scan = 1; scan <= 0x58; ++scan) {
        const unsigned char vk = UsKeyboardLayout().VirtualKey(scan);
        if (vk == 0) continue;
        EXPECT_EQ(system.VirtualKey(scan), vk) << "scan code 0x" << std::hex << scan;
        ++compared;
    }
    EXPECT_GE(compared, 80);
    EXPECT_FALSE(system.Name().empty());
}

// Filters made and ended one after another: each ends its hook and thread, and the
// presses made while each watched count as they should.
TEST(Win32Hotkeys, RepeatFiltersComeAndGo) {
    TestWindow target(L"target");
    TestWindow& focus = FocusWindow();
    Win32Hotkeys hotkeys(target.hwnd());
    ASSERT_TRUE(hotkeys.Register(8, 0, VK_F8));
    ASSERT_TRUE(hotkeys.Register(9, 0, VK_F9));
    GiveFocus(focus.hwnd());
    for (int round = 1; round <= 4; ++round) {
        KeyRepeatFilter filter(/*watch_keyboard=*/true);
        ASSERT_TRUE(filter.watching());
        target.filter = &filter;
        for (int i = 0; i < 3; ++i) SendKey(VK_F8, false);
        SendKey(VK_F8, true);
        Press(VK_F9);
        ASSERT_TRUE(PumpUntil([&] { return target.Count(9) == round; }));
        target.filter = nullptr;
        EXPECT_EQ(target.Accepted(8), round);
    }
}

// ---- The main window's logic on real hotkeys. ----

const char* const kLine =
    "[Info]\r\nName=Linka\r\nWAV_odjezd=odjezd.wav\r\nWAV_prijezd=prijezd.wav\r\n"
    "[Hlaseni]\r\n1=a0.wav\r\n2=a1.wav\r\n3=a2.wav\r\n"
    "[Uzivatelske_klavesy]\r\nu=CTRL+Q;u.wav;Popis\r\nv=CTRL+B;v.wav;B\r\n";

struct FormOnRealHotkeys : ::testing::Test {
    TestWindow target{L"vlakomluv"}, other{L"other program"};
    TestWindow& focus = FocusWindow();
    testing::FakeFileSystem files;
    testing::FakePlayer player;
    Win32Hotkeys hotkeys{target.hwnd()};
    testing::FakeBoxes boxes;
    testing::FakeOpenDialog dialog;
    Platform platform{files, player, hotkeys, boxes, dialog};
    TfrmMain form{platform};
    Win32Hotkeys others{other.hwnd()};

    void SetUp() override {
        target.on_hotkey = [this](int id) { form.WMHotKey(id); };
        files.files["C:\\linky\\linka.vkm"] = kLine;
        form.AddDefinition("C:\\linky\\linka.vkm");
        form.cmbLinkaChange(0);
    }
    bool PlayedCount(std::size_t n) {
        return PumpUntil([&] { return player.played.size() >= n; });
    }
};

TEST_F(FormOnRealHotkeys, StartBindsTheLineAndKeyPressesPlayIt) {
    ASSERT_TRUE(others.Register(1, kModControl, 'B'));  // another program holds Ctrl+B
    form.btnStartClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              std::string(
                  "Některé klávesy nelze použít (používá je jiný program nebo jsou chybně zapsané): Ctrl+B"));
    GiveFocus(focus.hwnd());

    Press(VK_F1);  // departure key p
    ASSERT_TRUE(PlayedCount(2));
    EXPECT_EQ(player.played, (std::vector<Path>{"C:\\linky\\odjezd.wav", "C:\\linky\\a0.wav"}));
    Press('Q', {VK_CONTROL});
    ASSERT_TRUE(PlayedCount(3));
    EXPECT_EQ(player.played.back(), "C:\\linky\\u.wav");
    EXPECT_EQ(form.lblHlaseniPopis, "Popis");
    Press(VK_RETURN);  // arrival key
    ASSERT_TRUE(PlayedCount(5));
    EXPECT_EQ(player.played[3], "C:\\linky\\prijezd.wav");
    EXPECT_EQ(player.played[4], "C:\\linky\\a1.wav");
    EXPECT_EQ(form.lblHlaseni, "a2.wav");
    EXPECT_EQ(std::count(focus.keys_down.begin(), focus.keys_down.end(), unsigned{VK_RETURN}), 0);

    // While the line is bound no one else gets its keys.
    EXPECT_FALSE(others.Register(2, 0, VK_F1));
    EXPECT_FALSE(others.Register(3, kModControl, 'Q'));

    // The other program lets Ctrl+B go: the next Start binds it, with no warning.
    ASSERT_TRUE(others.Unregister(1));
    form.btnStartClick();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(others.Register(1, kModControl, 'B'));
    Press('B', {VK_CONTROL});
    ASSERT_TRUE(PlayedCount(6));
    EXPECT_EQ(player.played.back(), "C:\\linky\\v.wav");

    // Closing the window frees every key for others.
    form.FormDestroy();
    EXPECT_TRUE(others.Register(2, 0, VK_F1));
    EXPECT_TRUE(others.Register(3, kModControl, 'Q'));
    EXPECT_TRUE(others.Register(4, kModControl, 'B'));
    EXPECT_TRUE(others.Register(5, 0, VK_RETURN));
    EXPECT_TRUE(others.Register(6, 0, 'P'));
}

}  // namespace
}  // namespace vkm
