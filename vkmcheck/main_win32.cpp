// vkmcheck.exe: files through the wide API, compressed sounds through the system's
// codecs; Czech text on a console through the wide console API, as UTF-8 elsewhere
// (a file or a pipe).
#include <windows.h>

#include "platform/win32/wide.h"
#include "platform/win32/win32_keyboard.h"
#include "platform/win32/win32_file_writer.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_sound.h"
#include "vkmcheck/vkmcheck.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(vkm::FromWide(argv[i]));
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    const bool console = GetConsoleMode(out, &mode) != 0;
    vkm::Win32FileSystem files;
    vkm::Win32SoundSources sounds;
    vkm::Win32FileWriter writer;
    vkm::Win32KeyboardLayout keyboard;
    auto print = [&](const std::string& text) {
        DWORD written = 0;
        if (console) {
            const std::wstring wide = vkm::ToWide(text);
            WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        } else {
            WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        }
    };
    return vkm::RunLineCheck(args, files, sounds, writer, print, {}, keyboard);
}
