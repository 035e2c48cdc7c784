#include "platform/win32/host.h"

#include <cstring>

#include "platform/win32/system_library.h"

namespace vkm {

namespace {

// Wine's own functions in its ntdll; none of them on Windows.
struct WineApi {
    using Version = const char*(CDECL*)();
    using HostVersion = void(CDECL*)(const char** sysname, const char** release);
    Version version = nullptr;
    HostVersion host_version = nullptr;
};

const WineApi& Wine() {
    static const WineApi api = [] {
        WineApi a;
        SystemLibrary ntdll = SystemLibrary::Linked(L"ntdll.dll");
        ntdll.Find("wine_get_version", a.version);
        ntdll.Find("wine_get_host_version", a.host_version);
        return a;
    }();
    return api;
}

bool HostIsLinux() {
    const char* sysname = "";
    const char* release = "";
    if (Wine().host_version) Wine().host_version(&sysname, &release);
    return std::strcmp(sysname, "Linux") == 0;
}

}  // namespace

bool RunningUnderWine() {
    return Wine().version != nullptr;
}

void EndProcessAtOnce(UINT code) {
#if defined(__x86_64__)
    if (HostIsLinux())
        asm volatile("syscall" : : "a"(231 /* exit_group */), "D"(code) : "rcx", "r11", "memory");
#endif
    TerminateProcess(GetCurrentProcess(), code);
    ExitProcess(code);  // not reached
}

}  // namespace vkm
