// Drives the running program from outside, as a user (or an automation tool) would:
// finds its window, reads its controls through the Win32 API and clicks them.
// It knows the window only by its caption and the controls by what they show.
//
//   vkm_driver wait [seconds]               wait until the main window exists
//   vkm_driver state                        print the window's state, one "name=value" a line
//                                           (and the list of announcements', list.*, while it is open)
//   vkm_driver first-state [seconds]        wait until the main window shows and print its state at once
//   vkm_driver expect seconds line...       wait until every line appears in the state
//   vkm_driver select index                 select an item of the drop-down list
//   vkm_driver click caption                click a button (posted: a modal box may follow)
//   vkm_driver box [seconds]                wait for a message box of the program and print it
//   vkm_driver close-box                    press the box's first button
//   vkm_driver focus-window seconds keylog  show a window of our own and log the keys it gets
//   vkm_driver close-focus-window
//   vkm_driver hotkey-free vk [modifiers]   exit 0 when the key can be registered (it is free)
//   vkm_driver hold-key seconds vk [mods]   bind the key as another program would, print "held",
//                                           and keep it until release-key or the time is up
//   vkm_driver release-key
//   vkm_driver close                        close the main window
//   vkm_driver close-window title [seconds] wait for a shown window of that title, close it (WM_CLOSE)
//                                           and print the Unix time of the close, in seconds
//   vkm_driver gone [seconds]               wait until the main window has gone
//   vkm_driver rect                         print the window's rectangle and its buttons' sizes
//   vkm_driver where caption                print the screen point in the middle of a button
//
// Text is printed as UTF-8. Exit code 0 on success, 1 on a failed check, 2 on bad use.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

const wchar_t* const kMainCaption = L"Vlakomluv pro MSTS";
const wchar_t* const kFocusCaption = L"vkm focus";
const wchar_t* const kHoldCaption = L"vkm hold";

std::string Utf8(const std::wstring& w) {
    if (w.empty()) return std::string();
    int n =
        WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

void Print(const std::string& line) {
    std::string out = line + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
}

std::wstring ClassOf(HWND h) {
    wchar_t buf[256] = {};
    GetClassNameW(h, buf, 256);
    return buf;
}

std::wstring TextOf(HWND h) {
    // Through WM_GETTEXT with a time limit, so a program busy playing sounds cannot hang us.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return L"";
    std::vector<wchar_t> buf(length + 2, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG,
                        5000, &got);
    return std::wstring(buf.data());
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> out;
    EnumChildWindows(
        parent,
        [](HWND h, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
}

HWND MainWindow() {
    return FindWindowW(nullptr, kMainCaption);
}

HWND WaitMainWindow(double seconds) {
    for (DWORD start = GetTickCount();;) {
        if (HWND h = MainWindow()) return h;
        if (GetTickCount() - start > seconds * 1000) return nullptr;
        Sleep(100);
    }
}

bool IsButton(HWND h) {
    if (_wcsicmp(ClassOf(h).c_str(), L"Button") != 0) return false;
    LONG style = GetWindowLongW(h, GWL_STYLE) & 0x0F;
    return style == BS_PUSHBUTTON || style == BS_DEFPUSHBUTTON;
}

bool IsGroup(HWND h) {
    return _wcsicmp(ClassOf(h).c_str(), L"Button") == 0 &&
           (GetWindowLongW(h, GWL_STYLE) & 0x0F) == BS_GROUPBOX;
}

HWND FindCombo(HWND main) {
    for (HWND h : Children(main))
        if (_wcsicmp(ClassOf(h).c_str(), L"ComboBox") == 0) return h;
    return nullptr;
}

HWND FindButton(HWND main, const std::wstring& caption) {
    for (HWND h : Children(main))
        if (IsButton(h) && TextOf(h) == caption) return h;
    return nullptr;
}

RECT ScreenRect(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    return r;
}

// The label to the right of the label whose text begins with caption, on the same line.
HWND LabelAfter(HWND main, const std::wstring& caption) {
    std::vector<HWND> statics;
    for (HWND h : Children(main))
        if (_wcsicmp(ClassOf(h).c_str(), L"Static") == 0) statics.push_back(h);
    HWND title = nullptr;
    for (HWND h : statics)
        if (TextOf(h).compare(0, caption.size(), caption) == 0) title = h;
    if (!title) return nullptr;
    RECT t = ScreenRect(title);
    HWND best = nullptr;
    LONG best_left = 0;
    for (HWND h : statics) {
        RECT r = ScreenRect(h);
        if (h == title || r.left <= t.left || std::abs(r.top - t.top) > 3) continue;
        if (!best || r.left < best_left) best = h, best_left = r.left;
    }
    return best;
}

std::string NameOf(HWND main, HWND h) {
    if (!h) return "none";
    if (h == main) return "window";
    if (h == FindCombo(main) || GetParent(h) == FindCombo(main)) return "combo";
    if (IsButton(h)) return "button " + Utf8(TextOf(h));
    return Utf8(ClassOf(h));
}

// The list of announcements, while it is open: its rows, the number of the one selected (0: none),
// and its two lines, what the next press plays and the note on a number typed.
void ListState(std::vector<std::string>& lines) {
    HWND box = FindWindowW(L"#32770", L"Hl\u00e1\u0161en\u00ed linky");
    if (!box) return;
    std::vector<std::string> texts;
    for (HWND h : Children(box)) {
        if (_wcsicmp(ClassOf(h).c_str(), L"Static") == 0) texts.push_back(Utf8(TextOf(h)));
        if (_wcsicmp(ClassOf(h).c_str(), WC_LISTVIEWW) != 0) continue;
        DWORD_PTR count = 0, selected = 0;
        SendMessageTimeoutW(h, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count);
        SendMessageTimeoutW(h, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED, SMTO_ABORTIFHUNG, 5000, &selected);
        lines.push_back("list.count=" + std::to_string(count));
        lines.push_back("list.selected=" + std::to_string(static_cast<int>(selected) + 1));
    }
    texts.resize(2);
    lines.insert(lines.end(), {"list.next=" + texts[0], "list.note=" + texts[1]});
}

std::vector<std::string> State(HWND main) {
    std::vector<std::string> lines;
    lines.push_back("window=" + Utf8(TextOf(main)));
    for (HWND h : Children(main))
        if (IsGroup(h)) lines.push_back("group=" + Utf8(TextOf(h)));
    if (HWND combo = FindCombo(main)) {
        DWORD_PTR count = 0;
        SendMessageTimeoutW(combo, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count);
        lines.push_back("combo.count=" + std::to_string(static_cast<int>(count)));
        for (int i = 0; i < static_cast<int>(count); ++i) {
            DWORD_PTR length = 0;
            SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0, SMTO_ABORTIFHUNG, 5000,
                                &length);
            std::vector<wchar_t> buf(length + 2, L'\0');
            DWORD_PTR got = 0;
            SendMessageTimeoutW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                                reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG, 5000, &got);
            lines.push_back("combo.item=" + Utf8(buf.data()));
        }
        DWORD_PTR selected = 0;
        SendMessageTimeoutW(combo, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &selected);
        lines.push_back("combo.selected=" + std::to_string(static_cast<int>(static_cast<LRESULT>(selected))));
        lines.push_back(std::string("combo.tabstop=") +
                        ((GetWindowLongW(combo, GWL_STYLE) & WS_TABSTOP) ? "yes" : "no"));
    }
    for (HWND h : Children(main)) {
        if (!IsButton(h)) continue;
        std::string caption = Utf8(TextOf(h));
        lines.push_back("button " + caption + "=" + (IsWindowEnabled(h) ? "enabled" : "disabled"));
        lines.push_back("button " + caption +
                        ".tabstop=" + ((GetWindowLongW(h, GWL_STYLE) & WS_TABSTOP) ? "yes" : "no"));
        if ((GetWindowLongW(h, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON) lines.push_back("default=" + caption);
    }
    HWND hlaseni = LabelAfter(main, L"Hl\u00e1\u0161en\u00ed");
    HWND popis = LabelAfter(main, L"U\u017eivatelsk\u00e9 hl\u00e1\u0161en\u00ed");
    lines.push_back("lblHlaseni=" + (hlaseni ? Utf8(TextOf(hlaseni)) : std::string("(missing)")));
    lines.push_back("lblHlaseniPopis=" + (popis ? Utf8(TextOf(popis)) : std::string("(missing)")));
    // The keys of the line: the label in the row of the step buttons, right of them.
    for (HWND stop : Children(main)) {
        if (!IsButton(stop) || TextOf(stop) != L"\u25A0") continue;
        const RECT b = ScreenRect(stop);
        for (HWND h : Children(main)) {
            const RECT r = ScreenRect(h);
            if (_wcsicmp(ClassOf(h).c_str(), L"Static") == 0 && r.left >= b.right && r.top < b.bottom &&
                r.bottom > b.top)
                lines.push_back("lblKlavesy=" + Utf8(TextOf(h)));
        }
    }

    ListState(lines);

    GUITHREADINFO gui = {};
    gui.cbSize = sizeof(gui);
    DWORD thread = GetWindowThreadProcessId(main, nullptr);
    if (GetGUIThreadInfo(thread, &gui)) {
        lines.push_back("active=" + std::string(gui.hwndActive == main ? "yes" : "no"));
        lines.push_back("focus=" + NameOf(main, gui.hwndFocus));
    }
    return lines;
}

// The program's visible message box, if one is open.
HWND FindBox(HWND main) {
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    struct Search {
        DWORD pid;
        HWND found;
    } search{pid, nullptr};
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            DWORD owner_pid = 0;
            GetWindowThreadProcessId(h, &owner_pid);
            if (owner_pid == s->pid && IsWindowVisible(h) && ClassOf(h) == L"#32770") {
                s->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The driver's own windows: each closes when its timer fires and logs the keys it
// receives to the file handed over at its creation (INVALID_HANDLE_VALUE: none).
LRESULT CALLBACK DriverWindowProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    static HANDLE log = INVALID_HANDLE_VALUE;
    switch (msg) {
        case WM_CREATE:
            log = static_cast<HANDLE>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (log != INVALID_HANDLE_VALUE) {
                char line[32];
                int n = std::snprintf(line, sizeof(line), "key %u\r\n", static_cast<unsigned>(w));
                DWORD written = 0;
                WriteFile(log, line, static_cast<DWORD>(n), &written, nullptr);
            }
            break;
        case WM_TIMER:
        case WM_CLOSE:
            DestroyWindow(h);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(h, msg, w, l);
}

int FocusWindow(double seconds, const std::wstring& log_path) {
    HANDLE log = CreateFileW(log_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DriverWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = L"VkmFocusWindow";
    RegisterClassW(&wc);
    HWND h = CreateWindowExW(0, wc.lpszClassName, kFocusCaption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20,
                             300, 120, nullptr, nullptr, wc.hInstance, log);
    if (!h) return 1;
    SetTimer(h, 1, static_cast<UINT>(seconds * 1000), nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (log != INVALID_HANDLE_VALUE) CloseHandle(log);
    return 0;
}

// A hidden window of our own holds the key until it is closed.
int HoldKey(double seconds, UINT vk, UINT modifiers) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DriverWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VkmHoldWindow";
    RegisterClassW(&wc);
    HWND h = CreateWindowExW(0, wc.lpszClassName, kHoldCaption, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                             nullptr, wc.hInstance, INVALID_HANDLE_VALUE);
    if (!h || !RegisterHotKey(h, 1, modifiers, vk)) {
        Print("taken");
        if (h) DestroyWindow(h);
        return 1;
    }
    Print("held");
    SetTimer(h, 1, static_cast<UINT>(seconds * 1000), nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}

// Closes the shown top-level window of the title once there is one; prints the Unix time of it.
int CloseWindowTitled(const wchar_t* title, double seconds) {
    HWND h = nullptr;
    for (DWORD start = GetTickCount(); !(h = FindWindowW(nullptr, title)) || !IsWindowVisible(h); Sleep(10))
        if (GetTickCount() - start > seconds * 1000) return Print("no window"), 1;
    FILETIME t;  // under Wine the system's clock, to the microsecond; 100 ns ticks since 1601
    GetSystemTimeAsFileTime(&t);
    PostMessageW(h, WM_CLOSE, 0, 0);
    Print(std::to_string(((ULONGLONG{t.dwHighDateTime} << 32 | t.dwLowDateTime) - 116444736000000000ULL) /
                         1e7));
    return 0;
}

int Usage() {
    Print(
        "usage: vkm_driver wait|state|first-state|expect|select|click|box|close-box|focus-window|"
        "close-focus-window|hotkey-free|hold-key|release-key|close|close-window|gone|rect|where ...");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    const std::wstring cmd = argv[1];
    auto arg = [&](int i, double fallback) { return argc > i ? _wtof(argv[i]) : fallback; };

    if (cmd == L"focus-window") {
        if (argc < 4) return Usage();
        return FocusWindow(arg(2, 60), argv[3]);
    }
    if (cmd == L"close-window") {
        if (argc < 3) return Usage();
        return CloseWindowTitled(argv[2], arg(3, 30));
    }
    if (cmd == L"close-focus-window") {
        HWND h = FindWindowW(nullptr, kFocusCaption);
        if (h) PostMessageW(h, WM_CLOSE, 0, 0);
        return h ? 0 : 1;
    }
    if (cmd == L"hold-key") {
        if (argc < 4) return Usage();
        return HoldKey(arg(2, 30), static_cast<UINT>(wcstoul(argv[3], nullptr, 0)),
                       argc > 4 ? static_cast<UINT>(wcstoul(argv[4], nullptr, 0)) : 0);
    }
    if (cmd == L"release-key") {
        HWND h = FindWindowW(L"VkmHoldWindow", kHoldCaption);
        if (h) PostMessageW(h, WM_CLOSE, 0, 0);
        return h ? 0 : 1;
    }
    if (cmd == L"hotkey-free") {
        if (argc < 3) return Usage();
        UINT vk = static_cast<UINT>(wcstoul(argv[2], nullptr, 0));
        UINT mods = argc > 3 ? static_cast<UINT>(wcstoul(argv[3], nullptr, 0)) : 0;
        if (RegisterHotKey(nullptr, 0x7F00, mods, vk)) {
            UnregisterHotKey(nullptr, 0x7F00);
            Print("free");
            return 0;
        }
        Print("taken");
        return 1;
    }
    if (cmd == L"first-state") {
        // One process that polls often: the state as soon as the window shows.
        for (DWORD start = GetTickCount();;) {
            HWND h = MainWindow();
            if (h && IsWindowVisible(h)) {
                for (const std::string& line : State(h)) Print(line);
                return 0;
            }
            if (GetTickCount() - start > arg(2, 30) * 1000) break;
            Sleep(10);
        }
        Print("no window");
        return 1;
    }
    if (cmd == L"wait") {
        if (!WaitMainWindow(arg(2, 30))) {
            Print("no window");
            return 1;
        }
        return 0;
    }
    if (cmd == L"gone") {
        for (DWORD start = GetTickCount(); MainWindow();) {
            if (GetTickCount() - start > arg(2, 30) * 1000) {
                Print("still there");
                return 1;
            }
            Sleep(100);
        }
        return 0;
    }

    HWND main = WaitMainWindow(10);
    if (!main) {
        Print("no window");
        return 1;
    }
    if (cmd == L"state") {
        for (const std::string& line : State(main)) Print(line);
        return 0;
    }
    if (cmd == L"expect") {
        if (argc < 4) return Usage();
        std::vector<std::string> state;
        for (DWORD start = GetTickCount();;) {
            state = State(main);
            bool all = true;
            for (int i = 3; i < argc && all; ++i) {
                bool found = false;
                for (const std::string& line : state) found = found || line == Utf8(argv[i]);
                all = found;
            }
            if (all) return 0;
            if (GetTickCount() - start > arg(2, 10) * 1000) break;
            Sleep(100);
        }
        Print("expected:");
        for (int i = 3; i < argc; ++i) Print("  " + Utf8(argv[i]));
        Print("state:");
        for (const std::string& line : state) Print("  " + line);
        return 1;
    }
    if (cmd == L"rect") {
        RECT r = ScreenRect(main);
        RECT c;
        GetClientRect(main, &c);
        Print("window=" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
              std::to_string(r.right - r.left) + "," + std::to_string(r.bottom - r.top));
        Print("client=" + std::to_string(c.right) + "," + std::to_string(c.bottom));
        for (HWND h : Children(main)) {
            RECT b = ScreenRect(h);
            std::string size = std::to_string(b.right - b.left) + "x" + std::to_string(b.bottom - b.top);
            if (IsButton(h)) Print("button " + Utf8(TextOf(h)) + ".size=" + size);
            if (IsGroup(h)) Print("group " + Utf8(TextOf(h)) + ".size=" + size);
        }
        return 0;
    }
    if (cmd == L"where") {
        if (argc < 3) return Usage();
        HWND button = FindButton(main, argv[2]);
        if (!button) {
            Print("no button " + Utf8(argv[2]));
            return 1;
        }
        RECT r = ScreenRect(button);
        Print(std::to_string((r.left + r.right) / 2) + " " + std::to_string((r.top + r.bottom) / 2));
        return 0;
    }
    if (cmd == L"select") {
        if (argc < 3) return Usage();
        HWND combo = FindCombo(main);
        if (!combo) return 1;
        int index = _wtoi(argv[2]);
        DWORD_PTR result = 0;
        SendMessageTimeoutW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_ABORTIFHUNG, 5000,
                            &result);
        SendMessageTimeoutW(main, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                            reinterpret_cast<LPARAM>(combo), SMTO_ABORTIFHUNG, 5000, &result);
        return 0;
    }
    if (cmd == L"click") {
        if (argc < 3) return Usage();
        HWND button = FindButton(main, argv[2]);
        if (!button) {
            Print("no button " + Utf8(argv[2]));
            return 1;
        }
        PostMessageW(button, BM_CLICK, 0, 0);
        return 0;
    }
    if (cmd == L"box") {
        for (DWORD start = GetTickCount();;) {
            if (HWND box = FindBox(main)) {
                Print("caption=" + Utf8(TextOf(box)));
                for (HWND h : Children(box)) {
                    std::wstring cls = ClassOf(h);
                    std::wstring text = TextOf(h);
                    if (_wcsicmp(cls.c_str(), L"Static") == 0 && !text.empty()) Print("text=" + Utf8(text));
                    if (_wcsicmp(cls.c_str(), L"Button") == 0) Print("button=" + Utf8(text));
                }
                Print(std::string("owner=") + (GetWindow(box, GW_OWNER) == main ? "main" : "other"));
                return 0;
            }
            if (GetTickCount() - start > arg(2, 10) * 1000) {
                Print("no box");
                return 1;
            }
            Sleep(100);
        }
    }
    if (cmd == L"close-box") {
        HWND box = FindBox(main);
        if (!box) {
            Print("no box");
            return 1;
        }
        for (HWND h : Children(box))
            if (_wcsicmp(ClassOf(h).c_str(), L"Button") == 0) {
                PostMessageW(h, BM_CLICK, 0, 0);
                return 0;
            }
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return 0;
    }
    if (cmd == L"close") {
        PostMessageW(main, WM_CLOSE, 0, 0);
        return 0;
    }
    return Usage();
}
