// The timings of the announcement player against per-file PlaySound, run by
// bench/run_player_bench.sh while a recorder listens to the sound server:
//   player_bench.exe DIR                 the player's own figures
//   player_bench.exe DIR mixed RUNS      only the announcement of mixed formats
//   player_bench.exe DIR anchor FIFO     the yardstick of a click on the program's ">"
//   player_bench.exe close [wait]        closes the program's window [and waits until it has gone]
// DIR (ending with a backslash) holds f00.wav ... f19.wav, long.wav and anchor.wav. Prints
// one line per event, "NAME UNIX_SECONDS", for the recording to be lined up with.
// The key press figures go the way of a driver's press: a system-wide hotkey
// (F9), pressed by SendInput, arrives as WM_HOTKEY and starts the announcement.
#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_player.h"

namespace {

using PreciseTime = void(WINAPI*)(FILETIME*);

// Wall-clock time as Unix seconds, as precise as the system gives it.
double UnixNow() {
    static const PreciseTime precise = reinterpret_cast<PreciseTime>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    FILETIME ft;
    if (precise)
        precise(&ft);
    else
        GetSystemTimeAsFileTime(&ft);
    const unsigned long long t =
        (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<double>(t - 116444736000000000ULL) / 1e7;
}

void Event(const char* name, int index = -1) {
    const double t = UnixNow();
    if (index >= 0)
        std::printf("%s%d %.6f\n", name, index, t);
    else
        std::printf("%s %.6f\n", name, t);
    std::fflush(stdout);
}

std::string ReadAll(const std::wstring& path) {
    vkm::Win32FileSystem files;
    return files.ReadFile(vkm::FromWide(path)).value_or(std::string());
}

// From a system-wide hotkey's press (F9, by SendInput) to the announcement being queued.
bool PressAndPlay(vkm::Win32SoundPlayer& player, const std::vector<vkm::Path>& list, const char* event,
                  int index) {
    const int kHotkey = 1;
    if (!RegisterHotKey(nullptr, kHotkey, 0, VK_F9)) return false;
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_F9;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    Event(event, index);
    SendInput(2, keys, sizeof(INPUT));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0 && msg.message != WM_HOTKEY) DispatchMessageW(&msg);
    player.Play(list);
    UnregisterHotKey(nullptr, kHotkey);
    return true;
}

// The end of an announcement of mixed formats (8 kHz 8-bit, 22.05 kHz 16-bit, 44.1 kHz stereo,
// 48 kHz float, IMA ADPCM), played runs times: its last samples must follow the others without a gap.
template <class WaitIdle>
void MixedAnnouncements(vkm::Win32SoundPlayer& player, const std::wstring& dir, int runs,
                        WaitIdle wait_idle) {
    std::vector<vkm::Path> mixed;
    for (const wchar_t* name : {L"m0.wav", L"m1.wav", L"m2.wav", L"m3.wav", L"m4.wav"})
        mixed.push_back(vkm::FromWide(dir + name));
    for (int i = 0; i < runs; ++i) {
        Event("mixed", i);
        player.Play(mixed);
        wait_idle();
        Event("mixed_end", i);
        Sleep(300);
    }
}

// Closes the program's main window (WM_CLOSE) and says when; with wait, also when it has gone
// (a minute at most).
int CloseMainWindow(bool wait) {
    HWND main = FindWindowW(nullptr, L"Vlakomluv pro MSTS");
    if (!main) {
        std::fprintf(stderr, "no main window\n");
        return 1;
    }
    Event("close");
    PostMessageW(main, WM_CLOSE, 0, 0);
    for (DWORD start = GetTickCount(); wait && IsWindow(main); Sleep(1))
        if (GetTickCount() - start > 60000) return 1;
    if (wait) Event("gone");
    return 0;
}

// The yardstick for a click on the program's ">": a waveOut stream opened ahead of the click and
// written the moment the harness clicks (it writes a byte to the FIFO trigger just before it clicks).
// Its sound (anchor.wav, the left channel only) and the program's (the right channel only) meet in
// one recording, so that the program's lag behind the bare device is read from the recording itself.
// Each write is followed by a fresh stream, opened and ready, for the next click; runs until the
// trigger is closed.
int Anchor(const std::wstring& dir, const std::wstring& trigger_path) {
    const std::string wav = ReadAll(dir + L"anchor.wav");
    HANDLE trigger = CreateFileW(trigger_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    if (wav.size() <= 44 || trigger == INVALID_HANDLE_VALUE) return 1;
    // 6 ms of silence first, as the player starts each announcement: a device drops what it is
    // given first.
    std::string data(264 * 4, '\0');
    data += wav.substr(44);  // 44.1 kHz 16-bit stereo, a plain 44-byte header
    HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    WAVEFORMATEX format = {WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
    for (;;) {
        HWAVEOUT device = nullptr;
        if (waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(done), 0,
                        CALLBACK_EVENT) != MMSYSERR_NOERROR) {
            std::fprintf(stderr, "no sound device\n");
            return 1;
        }
        WAVEHDR header = {};
        header.lpData = &data[0];
        header.dwBufferLength = static_cast<DWORD>(data.size());
        waveOutPrepareHeader(device, &header, sizeof header);
        char byte;
        DWORD got = 0;
        if (!ReadFile(trigger, &byte, 1, &got, nullptr) || got == 0) return 0;
        waveOutWrite(device, &header, sizeof header);
        Event("anchor");
        while (!(header.dwFlags & WHDR_DONE)) WaitForSingleObject(done, 50);
        waveOutUnprepareHeader(device, &header, sizeof header);
        waveOutClose(device);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2 && std::wstring(argv[1]) == L"close")
        return CloseMainWindow(argc == 3 && std::wstring(argv[2]) == L"wait");
    if (argc == 4 && std::wstring(argv[2]) == L"anchor") return Anchor(argv[1], argv[3]);
    if (argc == 4 && std::wstring(argv[2]) == L"mixed") {
        HANDLE idle = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        vkm::Win32SoundPlayer player;
        player.SetIdleCallback([idle] { SetEvent(idle); });
        MixedAnnouncements(player, argv[1], _wtoi(argv[3]), [&] {
            while (player.Busy()) WaitForSingleObject(idle, 50);
        });
        player.Shutdown();
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: player_bench DIR [mixed RUNS | anchor FIFO] | player_bench close [wait]\n");
        return 2;
    }
    const std::wstring dir = argv[1];
    std::vector<vkm::Path> list;
    std::vector<std::string> bytes;
    for (int i = 0; i < 20; ++i) {
        wchar_t name[16];
        swprintf(name, 16, L"f%02d.wav", i);
        list.push_back(vkm::FromWide(dir + name));
        bytes.push_back(ReadAll(dir + name));
        if (bytes.back().empty()) {
            std::fprintf(stderr, "cannot read %ls\n", name);
            return 1;
        }
    }
    HANDLE idle = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    vkm::Win32SoundPlayer player;
    player.SetIdleCallback([idle] { SetEvent(idle); });
    auto wait_idle = [&] {
        while (player.Busy()) WaitForSingleObject(idle, 50);
    };
    auto play_sound = [](const std::string& wav) {
        PlaySoundW(reinterpret_cast<LPCWSTR>(wav.data()), nullptr, SND_MEMORY | SND_SYNC | SND_NODEFAULT);
    };

    // The 20 fragments, each by its own PlaySound, then as one announcement.
    Event("playsound_list");
    for (const std::string& wav : bytes) play_sound(wav);
    Event("playsound_list_end");
    Sleep(700);
    Event("player_list");
    player.Play(list);
    wait_idle();
    Event("player_list_end");
    Sleep(700);

    // From the call to the first sample: one fragment at a time, both ways.
    for (int i = 0; i < 5; ++i) {
        Event("playsound_single", i);
        play_sound(bytes[0]);
        Sleep(300);
        Event("player_single", i);
        player.Play({list[0]});
        wait_idle();
        Sleep(300);
    }

    // From a key press to the first sample: SendInput, WM_HOTKEY, Play.
    for (int i = 0; i < 5; ++i) {
        if (!PressAndPlay(player, {list[0]}, "press_single", i)) {
            std::fprintf(stderr, "F9 is taken; no key press figures\n");
            break;
        }
        wait_idle();
        Sleep(300);
    }

    MixedAnnouncements(player, dir, 10, wait_idle);

    // From Stop to silence, in the middle of a long file.
    const vkm::Path long_file = vkm::FromWide(dir + L"long.wav");
    for (int i = 0; i < 3; ++i) {
        player.Play({long_file});
        Sleep(800 + 150 * i);
        Event("player_stop", i);
        player.Stop();
        wait_idle();
        Event("player_stopped", i);
        Sleep(400);
    }

    // The cues alone, for their level and length; then one over an announcement, which plays on.
    for (int i = 0; i < 6; ++i) {
        Event(i % 2 ? "cue_nothing" : "cue_step", i / 2);
        player.PlayCue(i % 2 ? vkm::Cue::kNothingMoved : vkm::Cue::kStep);
        Sleep(400);
    }
    player.Play({long_file});
    Sleep(500);
    Event("cue_over");
    player.PlayCue(vkm::Cue::kStep);
    wait_idle();
    Sleep(400);

    // A take-back of the announcement that sounds, as the window makes it: Cancel, then the cue;
    // the announcement waiting after it plays on.
    for (int i = 0; i < 3; ++i) {
        const vkm::SoundPlayer::Ticket sounding = player.Play({long_file});
        player.Play({list[0]});
        Sleep(800 + 150 * i);
        Event("player_cancel", i);
        player.Cancel(sounding);
        player.PlayCue(vkm::Cue::kStep);
        wait_idle();
        Sleep(400);
    }
    player.Shutdown();
    CloseHandle(idle);
    return 0;
}
