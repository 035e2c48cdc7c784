// Work handed from another thread to the window's thread: a function object posted
// to the window as one message, run there in message order, so that no window
// state is touched from another thread. Every worker (the sound player, the search
// for lines) meets the window this way. Posted to the window, not to its thread:
// a modal box's message loop drops thread messages, not window ones.
#pragma once

#include <windows.h>

#include <functional>

namespace vkm {

constexpr UINT kUiTaskMessage = WM_APP + 1;

// Posts task to the window; false (and the task dropped) when the window is gone
// or its queue is full. Callable from any thread.
bool PostUiTask(HWND window, std::function<void()> task) noexcept;

// For the window procedure: runs the task that a kUiTaskMessage carries (in its
// lParam) and frees it, also when it throws.
void RunUiTask(LPARAM lparam);

// Frees the tasks still queued for the window, unrun; for a window being destroyed.
void DropUiTasks(HWND window) noexcept;

}  // namespace vkm
