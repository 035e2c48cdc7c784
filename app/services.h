// The Windows services the program runs the main window on, bundled, and how the program ends.
#pragma once

#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/host.h"
#include "platform/win32/win32_keyboard.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_player.h"

namespace vkm {

struct Win32Services {
    Win32FileSystem files;
    Win32SoundPlayer player;
    Win32Hotkeys hotkeys;
    Win32MessageBoxes boxes;
    Win32OpenFileDialog open_dialog;
    Win32KeyboardLayout keyboard;
    Platform platform{files, player, hotkeys, boxes, open_dialog, keyboard};

    // The services that act for a window get its handle (nullptr when it has gone).
    void SetWindow(HWND window) {
        hotkeys.SetWindow(window);
        boxes.SetWindow(window);
        open_dialog.SetWindow(window);
    }

    // The exit code, once the window has gone; or the process ends at once (EndProcessAtOnce)
    // when a thread of it was left inside a driver or the system: the player's device stopped
    // answering, or work_left_running (the search for lines, held by the file system).
    int Exit(int code, bool work_left_running) {
        if (player.DeviceStoppedAnswering() || work_left_running) EndProcessAtOnce(static_cast<UINT>(code));
        return code;
    }
};

}  // namespace vkm
