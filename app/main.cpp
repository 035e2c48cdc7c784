// Program entry: creates the main window, which finds the lines, and runs the
// message loop until the window is closed.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstring>

#include "frm_main/frm_main_win32.h"

namespace {

// Ends the process at once, for a sound device that stopped answering. Its driver's threads may be
// waiting inside it, and under Wine a process whose PulseAudio driver waits on a frozen sound
// server crashes as it ends: ending those threads (as ExitProcess and TerminateProcess both do,
// one by one) runs their waits' clean-up on a stack Wine has already reused. Under Wine on Linux
// the kernel's exit_group ends every thread at once, none running anything (Windows programs
// that wait for this one then see exit code 1); elsewhere TerminateProcess, which skips the DLLs'
// detach. Nothing is left to do by then: the window has gone, the sound is silent, the keys are
// free, and the program writes nothing.
[[noreturn]] void EndAtOnce(UINT code) {
    using HostVersion = void(CDECL*)(const char** sysname, const char** release);
    const auto host = reinterpret_cast<HostVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_host_version")));
    const char* sysname = "";
    const char* release = "";
    if (host) host(&sysname, &release);
#if defined(__x86_64__)
    if (std::strcmp(sysname, "Linux") == 0)
        asm volatile("syscall" : : "a"(231 /* exit_group */), "D"(code) : "rcx", "r11", "memory");
#endif
    TerminateProcess(GetCurrentProcess(), code);
    ExitProcess(code);  // not reached
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
    INITCOMMONCONTROLSEX icc = {};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&icc);

    vkm::Win32Services services;
    vkm::MainWindow window(services.platform, [&services](HWND h) { services.SetWindow(h); });
    if (!window.Create(instance)) return 1;
    window.Show(show_command);
    const int code = window.RunMessageLoop();
    if (services.player.DeviceStoppedAnswering()) EndAtOnce(static_cast<UINT>(code));
    return code;
}
