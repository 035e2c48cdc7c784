// Work handed from another thread to the window's thread: a function object posted
// to the window as one message, run there in message order, so that no window
// state is touched from another thread. Every worker (the sound player, the search
// for lines) meets the window this way. Posted to the window, not to its thread:
// a modal box's message loop drops thread messages, not window ones.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

#include "platform/win32/handles.h"

namespace vkm {

constexpr UINT kUiTaskMessage = WM_APP + 1;

// Posts task to the window. A post that the window's queue refuses (full, or memory short)
// is tried again every 10 ms, so no task is lost while the window lives: false (the task
// dropped) only when the window has gone, when cancel (if given) is set, or on the window's
// own thread, which cannot wait for its own queue. Callable from any thread.
bool PostUiTask(HWND window, std::function<void()> task, const std::atomic<bool>* cancel = nullptr) noexcept;

// For the window procedure: runs the task that a kUiTaskMessage carries (in its
// lParam) and frees it, also when it throws.
void RunUiTask(LPARAM lparam);

// Frees the tasks still queued for the window, unrun; for a window being destroyed.
void DropUiTasks(HWND window) noexcept;

// Work run on a thread of its own, whose result is handed to the window: done(result)
// runs on the window's thread as a UI task. The work is given a flag that Stop sets;
// work that fails (out of memory) hands done an empty result.
class BackgroundTask {
  public:
    // How long Stop waits for the work to end.
    static constexpr unsigned kStopDeadlineMs = 250;

    BackgroundTask() = default;
    ~BackgroundTask() { Stop(); }
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;

    // Once per task: work(const std::atomic<bool>& stop) returns a result, and done takes it.
    // False when no thread could be started: then neither runs.
    template <class Work, class Done>
    bool Start(HWND window, Work work, Done done);
    // Asks the work to stop, drops its result if it has not been handed over yet, and waits for
    // the thread kStopDeadlineMs at most: work held longer (inside the file system, say) is left
    // running, and whatever it uses must then outlive the process (see left_running). A window
    // calls it before it goes.
    void Stop() noexcept;
    // Stop left the work running.
    bool left_running() const { return left_running_; }

  private:
    using Job = std::function<std::function<void()>(const std::atomic<bool>& stop)>;
    // What the thread shares with the task, which may go before it.
    struct Shared {
        std::atomic<bool> stop{false};
        KernelHandle ended{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    };
    bool StartThread(HWND window, Job job);
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    std::thread thread_;
    bool left_running_ = false;
};

template <class Work, class Done>
bool BackgroundTask::Start(HWND window, Work work, Done done) {
    using Result = decltype(work(shared_->stop));
    return StartThread(window,
                       [work = std::move(work), done = std::move(done)](const std::atomic<bool>& stop) {
                           auto result = std::make_shared<Result>();
                           try {
                               *result = work(stop);
                           } catch (...) {
                               // The window still hears that the work has ended.
                           }
                           return std::function<void()>([done, result] { done(std::move(*result)); });
                       });
}

}  // namespace vkm
