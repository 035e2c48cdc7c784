// Plays a sound list through the program's player, as an announcement would (its files
// read as a line reads them), and waits until the player is idle:
//   play_list.exe SOUND_DIR LIST [STOP_AFTER_MS]
// SOUND_DIR ends with a backslash; LIST is "a.wav,b.wav," (both as UTF-8). With
// STOP_AFTER_MS the player is stopped that long after the list was queued.
// Prints what became of each file ("file NAME RESULT FAULT"), then the seconds
// from queueing the list to the player's idle callback.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "core/codepage.h"
#include "core/line.h"
#include "frm_main/frm_main_win32.h"
#include "platform/win32/wide.h"
#include "test_helpers.h"

namespace {

double Seconds() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: play_list SOUND_DIR LIST [STOP_AFTER_MS]\n");
        return 2;
    }
    HANDLE idle = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    vkm::Win32Services services;
    services.player.SetIdleCallback([idle] { SetEvent(idle); });  // on the player's thread
    const vkm::Path folder = vkm::FromWide(argv[1]);
    std::vector<vkm::Path> paths;
    for (const vkm::LineSound& sound : vkm::ReadSoundList(vkm::FromWide(argv[2])))
        paths.push_back(vkm::SoundPath(folder, sound.name));

    const double start = Seconds();
    if (!paths.empty()) services.player.Play(paths);
    if (argc == 4) {
        Sleep(static_cast<DWORD>(_wtoi(argv[3])));
        services.player.Stop();
    }
    // Busy until the idle callback; a minute at most.
    while (services.player.Busy() && Seconds() - start < 60) WaitForSingleObject(idle, 100);
    const double took = Seconds() - start;
    const bool busy = services.player.Busy();
    services.player.Shutdown();
    CloseHandle(idle);

    for (const vkm::FragmentReport& r : services.player.LastReports()) {
        std::string name = r.path.substr(folder.size());
        std::printf("file %s %s %s\n", name.c_str(), vkm::FragmentResultName(r.result),
                    vkm::WaveFaultName(r.fault));
    }
    std::printf("seconds %.3f\n", took);
    std::printf(busy ? "still busy\n" : "idle\n");
    return busy ? 1 : 0;
}
