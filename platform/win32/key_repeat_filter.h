// Held hotkeys under Wine: one press, however long the key is held.
//
// Wine ignores the no-repeat flag of RegisterHotKey and posts a WM_HOTKEY for every
// repeat of a held key. Under Wine the filter watches the keyboard with a low-level
// hook on a thread of its own (so the hook is answered even while the window's
// thread is busy playing sounds) and keeps a KeyPressLog of the key events; Wine
// calls the hook before it posts the hotkey message that a key event causes, and
// the message carries the event's time. With each key-down the hook also logs
// whether the key was down before it (GetAsyncKeyState inside the hook gives the
// state before the event), which catches key-ups the hook never saw. The window
// asks Accept for each WM_HOTKEY and drops those of repeats.
//
// On Windows the flag works: no hook is installed (a system-wide keyboard hook is
// also what key loggers use) and every hotkey message is accepted.
#pragma once

#include <windows.h>

#include <future>
#include <mutex>
#include <thread>

#include "core/key_presses.h"
#include "platform/win32/host.h"

namespace vkm {

class KeyRepeatFilter {
  public:
    // Watches the keyboard when watch_keyboard holds (by default under Wine only).
    // Returns when the hook is in place, so no key event after this is missed.
    explicit KeyRepeatFilter(bool watch_keyboard = RunningUnderWine());
    // Removes the hook and ends its thread.
    ~KeyRepeatFilter();
    KeyRepeatFilter(const KeyRepeatFilter&) = delete;
    KeyRepeatFilter& operator=(const KeyRepeatFilter&) = delete;

    // Whether the hook is in place (not on Windows by default, nor when it could not be set).
    bool watching() const { return thread_id_ != 0; }

    // For a WM_HOTKEY being handled: its lParam (the key in the high word) and the
    // message's time (GetMessageTime()). False for the repeat of a held key.
    bool Accept(LPARAM lparam, DWORD message_time) noexcept;

  private:
    void Run(std::promise<DWORD>& started);  // the hook thread
    static LRESULT CALLBACK HookProc(int code, WPARAM wparam, LPARAM lparam);

    std::mutex mutex_;
    KeyPressLog log_;  // guarded by mutex_
    std::thread thread_;
    DWORD thread_id_ = 0;
};

}  // namespace vkm
