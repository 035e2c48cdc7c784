#include "platform/win32/ui_task.h"

namespace vkm {

bool PostUiTask(HWND window, std::function<void()> task, const std::atomic<bool>* cancel) noexcept {
    if (!window) return false;  // a post to no window would go to this thread
    // The window's own thread would wait for itself: it tries once.
    const bool own_thread = GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
    std::unique_ptr<std::function<void()>> owned;
    for (;;) {
        try {
            if (!owned) owned = std::make_unique<std::function<void()>>(std::move(task));
            if (PostMessageW(window, kUiTaskMessage, 0, reinterpret_cast<LPARAM>(owned.get()))) {
                owned.release();  // the message owns it now
                return true;
            }
        } catch (...) {
            // Memory is short: tried again, as a full queue is.
        }
        if (own_thread || !IsWindow(window) || (cancel && cancel->load())) return false;
        Sleep(10);
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

bool BackgroundTask::StartThread(HWND window, Job job) {
    if (!shared_->ended.valid()) return false;
    try {
        thread_ = std::thread([shared = shared_, window, job = std::move(job)] {
            try {
                PostUiTask(window, job(shared->stop), &shared->stop);
            } catch (...) {
                // Out of memory before the result was made: nothing to hand over.
            }
            SetEvent(shared->ended.get());
        });
        return true;
    } catch (...) {
        return false;
    }
}

void BackgroundTask::Stop() noexcept {
    shared_->stop = true;
    if (!thread_.joinable()) return;
    if (WaitForSingleObject(shared_->ended.get(), kStopDeadlineMs) == WAIT_OBJECT_0) {
        thread_.join();  // past its last step
    } else {
        thread_.detach();
        left_running_ = true;
    }
}

}  // namespace vkm
