// Starts GUI programs again and again and times how long each one's window takes to
// show, and, once, what each holds when idle:
//
//   startup_bench.exe [--runs N] [--memory] [--start-line] [--args ARGS] EXE...
//
// Each run starts EXE in its own folder and polls every 2 ms for a visible top-level
// window of the new process ("visible"), then for the window to be ready: no button
// "Start" in it that is disabled (the program's list of lines is complete; a window
// without such a button is ready when visible). Then the window is closed and the
// process waited for. The programs take turns, run after run; best and median of
// both times, and each program's median against the first's.
//
// --memory: in the last run, once the window is ready, selects the first line and
// presses Start when --start-line is given, waits 2 s, and prints the process's
// working set and the DLLs it has loaded, before closing it.
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench/bench_stats.h"

namespace {

struct Search {
    DWORD pid;
    HWND found;
};

// A visible top-level window of the process.
HWND VisibleWindowOf(DWORD pid) {
    Search s{pid, nullptr};
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            if (owner != s->pid || !IsWindowVisible(h) || GetWindow(h, GW_OWNER)) return TRUE;
            s->found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND ChildOfClass(HWND parent, const wchar_t* cls, const wchar_t* text) {
    struct Wanted {
        const wchar_t* cls;
        const wchar_t* text;
        HWND found;
    } w{cls, text, nullptr};
    EnumChildWindows(
        parent,
        [](HWND h, LPARAM p) -> BOOL {
            auto* w = reinterpret_cast<Wanted*>(p);
            wchar_t buf[64] = {};
            GetClassNameW(h, buf, 64);
            if (_wcsicmp(buf, w->cls) != 0) return TRUE;
            if (w->text) {
                DWORD_PTR got = 0;
                buf[0] = 0;
                SendMessageTimeoutW(h, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000,
                                    &got);
                if (std::wcscmp(buf, w->text) != 0) return TRUE;
            }
            w->found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&w));
    return w.found;
}

bool Ready(HWND window) {
    HWND start = ChildOfClass(window, L"Button", L"Start");
    return !start || IsWindowEnabled(start);
}

struct Run {
    double visible = -1, ready = -1;
};

bool Launch(const std::wstring& exe, const std::wstring& folder, const std::wstring& args,
            PROCESS_INFORMATION& pi) {
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    std::wstring command = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
    return CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &si, &pi) != 0;
}

void Close(PROCESS_INFORMATION& pi, HWND window) {
    if (window) PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "the program did not end; terminated\n");
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

void PrintMemory(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof(pmc);
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc))) {
        std::printf("  working set %.1f MB (peak %.1f MB)\n", pmc.WorkingSetSize / 1048576.0,
                    pmc.PeakWorkingSetSize / 1048576.0);
    } else {
        std::printf("memory counters not available (error %lu)\n", GetLastError());
    }
    std::vector<HMODULE> modules(512);
    DWORD needed = 0;
    if (EnumProcessModulesEx(process, modules.data(), static_cast<DWORD>(modules.size() * sizeof(HMODULE)),
                             &needed, LIST_MODULES_ALL)) {
        modules.resize(std::min<std::size_t>(modules.size(), needed / sizeof(HMODULE)));
        std::vector<std::string> names;
        for (HMODULE m : modules) {
            char name[MAX_PATH] = {};
            if (GetModuleBaseNameA(process, m, name, MAX_PATH)) names.push_back(name);
        }
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            return _stricmp(a.c_str(), b.c_str()) < 0;
        });
        std::printf("  %zu modules:", names.size());
        for (const std::string& n : names) std::printf(" %s", n.c_str());
        std::printf("\n");
    } else {
        std::printf("module list not available (error %lu)\n", GetLastError());
    }
}

// Selects the first line and presses Start, as a user would; returns when Start is done.
void StartFirstLine(HWND window) {
    HWND combo = ChildOfClass(window, L"ComboBox", nullptr);
    HWND start = ChildOfClass(window, L"Button", L"Start");
    if (!combo || !start) return;  // not the program
    DWORD_PTR result = 0;
    SendMessageTimeoutW(combo, CB_SETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    SendMessageTimeoutW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(combo), SMTO_ABORTIFHUNG, 5000, &result);
    SendMessageTimeoutW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(start), BN_CLICKED),
                        reinterpret_cast<LPARAM>(start), SMTO_ABORTIFHUNG, 10000, &result);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int runs = 10;
    bool memory = false, start_line = false;
    std::wstring args;
    int i = 1;
    for (; i < argc && argv[i][0] == L'-'; ++i) {
        const std::wstring opt = argv[i];
        if (opt == L"--runs" && i + 1 < argc)
            runs = std::max(1, _wtoi(argv[++i]));
        else if (opt == L"--memory")
            memory = true;
        else if (opt == L"--start-line")
            start_line = true;
        else if (opt == L"--args" && i + 1 < argc)
            args = argv[++i];
        else
            break;
    }
    if (i >= argc) {
        std::fprintf(stderr,
                     "usage: startup_bench [--runs N] [--memory] [--start-line] [--args ARGS] EXE...\n");
        return 2;
    }
    const std::vector<std::wstring> programs(argv + i, argv + argc);
    std::vector<std::vector<double>> visible(programs.size()), ready(programs.size());
    // Round after round, each program once: a busy machine slows them alike.
    for (int r = 0; r < runs; ++r) {
        for (std::size_t p = 0; p < programs.size(); ++p) {
            const std::wstring& exe = programs[p];
            const std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/") + 1);
            PROCESS_INFORMATION pi = {};
            const double t0 = vkm::NowMs();
            if (!Launch(exe, folder, args, pi)) {
                std::fprintf(stderr, "cannot start %ls (error %lu)\n", exe.c_str(), GetLastError());
                return 1;
            }
            Run run;
            HWND window = nullptr;
            while (vkm::NowMs() - t0 < 120000) {
                if (!window) {
                    window = VisibleWindowOf(pi.dwProcessId);
                    if (window) run.visible = vkm::NowMs() - t0;
                }
                if (window && Ready(window)) {
                    run.ready = vkm::NowMs() - t0;
                    break;
                }
                if (WaitForSingleObject(pi.hProcess, 2) == WAIT_OBJECT_0) break;
            }
            if (run.visible < 0 || run.ready < 0) {
                std::fprintf(stderr, "%ls: no ready window\n", exe.c_str());
                Close(pi, window);
                return 1;
            }
            visible[p].push_back(run.visible);
            ready[p].push_back(run.ready);
            if (memory && r == runs - 1) {
                std::printf("%ls\n", exe.c_str());
                if (start_line) StartFirstLine(window);
                Sleep(2000);
                PrintMemory(pi.hProcess);
            }
            Close(pi, window);
        }
    }
    for (std::size_t p = 0; p < programs.size(); ++p) {
        const vkm::BenchStats v = vkm::Summarize(visible[p]), d = vkm::Summarize(ready[p]);
        std::printf("%ls\n", programs[p].c_str());
        std::printf("  window visible: best %7.1f ms   median %7.1f ms   (%d runs)", v.best, v.median, runs);
        if (p > 0) std::printf("   %.2f x the first", v.median / vkm::Summarize(visible[0]).median);
        std::printf("\n  window ready:   best %7.1f ms   median %7.1f ms\n", d.best, d.median);
    }
    return 0;
}
