// Plays a sound list through the program's player, as an announcement would:
//   play_list.exe SOUND_DIR LIST
// SOUND_DIR ends with a backslash; LIST is "a.wav,b.wav," (both as UTF-8).
#include <windows.h>

#include <cstdio>

#include "core/codepage.h"
#include "frm_main/frm_main.h"
#include "frm_main/frm_main_win32.h"
#include "platform/win32/wide.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: play_list SOUND_DIR LIST\n");
        return 2;
    }
    vkm::Win32Services services;
    vkm::TfrmMain form(services.platform);
    form.FSoundDir = vkm::PathFromWide(argv[1]);
    form.PlaySoundList(vkm::PathFromWide(argv[2]));
    std::printf("played\n");
    return 0;
}
