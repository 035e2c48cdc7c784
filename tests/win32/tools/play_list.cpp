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
#include "platform/win32/wide.h"
#include "platform/win32/win32_player.h"
#include "test_helpers.h"

namespace {

// What became of each file of the announcement, as the player tells its observer.
struct Reports : vkm::PlayerObserver {
    void Ended(vkm::SoundPlayer::Ticket, const std::vector<vkm::FragmentReport>& r) override { last = r; }
    std::vector<vkm::FragmentReport> last;
};

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
    Reports reports;
    vkm::Win32SoundPlayer player(vkm::WaveOutDevice(), &reports);
    player.SetIdleCallback([idle] { SetEvent(idle); });  // on the player's thread
    const vkm::Path folder = vkm::FromWide(argv[1]);
    std::vector<vkm::Path> paths;
    for (const vkm::LineSound& sound : vkm::ReadSoundList(vkm::FromWide(argv[2])))
        paths.push_back(vkm::SoundPath(folder, sound.name));

    const double start = Seconds();
    if (!paths.empty()) player.Play(paths);
    if (argc == 4) {
        Sleep(static_cast<DWORD>(_wtoi(argv[3])));
        player.Stop();
    }
    // Busy until the idle callback; a minute at most.
    while (player.Busy() && Seconds() - start < 60) WaitForSingleObject(idle, 100);
    const double took = Seconds() - start;
    const bool busy = player.Busy();
    player.Shutdown();
    CloseHandle(idle);

    for (const vkm::FragmentReport& r : reports.last) {
        std::string name = r.path.substr(folder.size());
        std::printf("file %s %s %s\n", name.c_str(), vkm::FragmentResultName(r.result),
                    vkm::WaveFaultName(r.fault));
    }
    std::printf("seconds %.3f\n", took);
    std::printf(busy ? "still busy\n" : "idle\n");
    return busy ? 1 : 0;
}
