// Times opening the list of a line's announcements (the jump after a restart) on lines of
// 1,000, 10,000 and 100,000 announcements, under Windows (or Wine with a display):
//
//   list_bench.exe [REPS]
//
// From the call that opens the box to the end of the list's first paint, with its rows
// drawn; best and median of REPS runs (default 15). Target for 10,000: under 100 ms.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_stats.h"
#include "bench/line_file.h"
#include "bench/win32/write_file.h"
#include "core/codepage.h"
#include "frm_main/announcement_list_win32.h"
#include "frm_main/frm_main.h"
#include "platform/win32/win32_platform.h"

namespace {

// The services the window's logic asks for, doing nothing: only the line matters here.
struct Quiet : vkm::SoundPlayer, vkm::HotkeyRegistrar, vkm::MessageBoxService, vkm::OpenFileDialog {
    Ticket Play(const std::vector<vkm::Path>&, Ticket) override { return 1; }
    Ticket PrepareNext(const std::vector<vkm::Path>&) override { return 0; }
    void Cancel(Ticket) override {}
    void Stop() override {}
    void PlayCue(vkm::Cue) override {}
    bool Busy() override { return false; }
    void SetIdleCallback(std::function<void()>) override {}
    void Shutdown() override {}
    bool Register(int, unsigned, unsigned char) override { return true; }
    bool Unregister(int) override { return true; }
    int Show(const std::string&, const std::string&, unsigned, const std::function<void()>&) override {
        return 1;
    }
    std::optional<vkm::Path> Show(const vkm::OpenFileRequest&) override { return std::nullopt; }
};

double g_opened = 0;
HHOOK g_hook = nullptr;
constexpr UINT kPainted = WM_APP + 77;

// The list's first paint is taken from the queue; a message posted then is taken only after the
// paint is done: that is when the rows are drawn, and the box is closed.
LRESULT CALLBACK OnGetMessage(int code, WPARAM wparam, LPARAM lparam) {
    auto* m = reinterpret_cast<MSG*>(lparam);
    if (code == HC_ACTION && wparam == PM_REMOVE && g_opened == 0) {
        wchar_t cls[32] = {};
        if (m->hwnd) GetClassNameW(m->hwnd, cls, 32);
        if (m->message == WM_PAINT && lstrcmpiW(cls, L"SysListView32") == 0) {
            PostMessageW(m->hwnd, kPainted, 0, 0);
        } else if (m->message == kPainted) {
            g_opened = vkm::NowMs();
            PostMessageW(GetParent(m->hwnd), WM_COMMAND, IDCANCEL, 0);
        }
    }
    return CallNextHookEx(g_hook, code, wparam, lparam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int reps = argc >= 2 ? std::max(1, _wtoi(argv[1])) : 15;
    HWND owner = CreateWindowExW(0, L"STATIC", L"list bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400,
                                 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    g_hook = SetWindowsHookExW(WH_GETMESSAGE, OnGetMessage, nullptr, GetCurrentThreadId());
    wchar_t temp[MAX_PATH + 1];
    const std::wstring file = std::wstring(temp, GetTempPathW(MAX_PATH + 1, temp)) + L"vkm-list-bench-" +
                              std::to_wstring(GetCurrentProcessId()) + L".vkm";
    std::printf("%-14s %22s\n", "announcements", "open to rows drawn (best/median)");
    for (int count : {1000, 10000, 100000}) {
        if (!owner || !g_hook || !vkm::WriteWholeFile(file, vkm::LineWithAnnouncements(count))) {
            std::fprintf(stderr, "cannot set up the benchmark\n");
            return 1;
        }
        vkm::Win32FileSystem files;
        Quiet quiet;
        vkm::Platform platform{files, quiet, quiet, quiet, quiet};
        vkm::TfrmMain form(platform);
        form.FormCreate();
        form.ScanFinished({});
        const std::u16string path16(file.begin(), file.end());
        form.AddDefinition(vkm::Utf16ToUtf8(path16));
        form.cmbLinkaChange(0);
        form.btnStartClick();
        std::vector<double> times;
        for (int r = 0; r < reps; ++r) {
            g_opened = 0;
            const double start = vkm::NowMs();
            vkm::ChooseAnnouncement(owner, form);
            if (g_opened == 0) {
                std::fprintf(stderr, "the list was never drawn\n");
                return 1;
            }
            times.push_back(g_opened - start);
        }
        const vkm::BenchStats s = vkm::Summarize(times);
        std::printf("%-14d %10.1f / %6.1f ms\n", count, s.best, s.median);
    }
    DeleteFileW(file.c_str());
    UnhookWindowsHookEx(g_hook);
    DestroyWindow(owner);
    return 0;
}
