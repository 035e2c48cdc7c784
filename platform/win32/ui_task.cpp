#include "platform/win32/ui_task.h"

#include <memory>
#include <utility>

namespace vkm {

bool PostUiTask(HWND window, std::function<void()> task) noexcept {
    try {
        auto owned = std::make_unique<std::function<void()>>(std::move(task));
        if (!window || !PostMessageW(window, kUiTaskMessage, 0, reinterpret_cast<LPARAM>(owned.get())))
            return false;
        owned.release();  // the message owns it now
        return true;
    } catch (...) {
        return false;
    }
}

void RunUiTask(LPARAM lparam) {
    std::unique_ptr<std::function<void()>> task(reinterpret_cast<std::function<void()>*>(lparam));
    if (task && *task) (*task)();
}

void DropUiTasks(HWND window) noexcept {
    MSG msg;
    while (PeekMessageW(&msg, window, kUiTaskMessage, kUiTaskMessage, PM_REMOVE)) {
        if (msg.message != kUiTaskMessage) {
            // Wine hands out a pending WM_QUIT whatever the filter: it stays for the loop.
            if (msg.message == WM_QUIT) PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        delete reinterpret_cast<std::function<void()>*>(msg.lParam);
    }
}

}  // namespace vkm
