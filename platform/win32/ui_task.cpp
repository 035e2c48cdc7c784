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
    bool quit = false;
    int exit_code = 0;
    while (PeekMessageW(&msg, window, kUiTaskMessage, kUiTaskMessage, PM_REMOVE)) {
        // PeekMessage hands out WM_QUIT whatever the filter: it is posted again for
        // the message loop.
        if (msg.message == WM_QUIT) {
            quit = true;
            exit_code = static_cast<int>(msg.wParam);
            continue;
        }
        delete reinterpret_cast<std::function<void()>*>(msg.lParam);
    }
    if (quit) PostQuitMessage(exit_code);
}

}  // namespace vkm
