#include "platform/win32/key_repeat_filter.h"

#include <utility>

#include "platform/win32/handles.h"

namespace vkm {

namespace {

// The filter whose hook runs on this thread: a low-level hook is called on the
// thread that set it, with no data of its own.
thread_local KeyRepeatFilter* t_filter = nullptr;

}  // namespace

KeyRepeatFilter::KeyRepeatFilter(bool watch_keyboard) {
    if (!watch_keyboard) return;
    try {
        std::promise<DWORD> started;
        std::future<DWORD> thread_id = started.get_future();
        thread_ = std::thread([this, p = std::move(started)]() mutable { Run(p); });
        thread_id_ = thread_id.get();
        if (!thread_id_) thread_.join();  // no hook: every hotkey is accepted
    } catch (...) {
        // No thread: every hotkey is accepted, as without the filter.
        if (thread_.joinable()) thread_.join();
        thread_id_ = 0;
    }
}

KeyRepeatFilter::~KeyRepeatFilter() {
    if (!thread_.joinable()) return;
    PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
}

void KeyRepeatFilter::Run(std::promise<DWORD>& started) {
    t_filter = this;
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue that WM_QUIT will reach
    const HookHandle hook(SetWindowsHookExW(WH_KEYBOARD_LL, HookProc, GetModuleHandleW(nullptr), 0));
    started.set_value(hook.valid() ? GetCurrentThreadId() : 0);
    if (!hook.valid()) return;
    // The hook is called from within this loop.
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
}

LRESULT CALLBACK KeyRepeatFilter::HookProc(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HC_ACTION && t_filter) {
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lparam);
        try {
            std::lock_guard<std::mutex> lock(t_filter->mutex_);
            if (wparam == WM_KEYDOWN || wparam == WM_SYSKEYDOWN)
                // The system's state is still that before this event (and is read
                // afresh: a hook call ends Wine's cache of it).
                t_filter->log_.KeyDown(key->vkCode, key->time,
                                       (GetAsyncKeyState(static_cast<int>(key->vkCode)) & 0x8000) != 0);
            else if (wparam == WM_KEYUP || wparam == WM_SYSKEYUP)
                t_filter->log_.KeyUp(key->vkCode);
        } catch (...) {
            // Out of memory: this event goes unrecorded, and its hotkey is accepted.
        }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

bool KeyRepeatFilter::Accept(LPARAM lparam, DWORD message_time) noexcept {
    if (!watching()) return true;
    try {
        std::lock_guard<std::mutex> lock(mutex_);
        return log_.AcceptHotkey(HIWORD(lparam), message_time);
    } catch (...) {
        return true;
    }
}

}  // namespace vkm
