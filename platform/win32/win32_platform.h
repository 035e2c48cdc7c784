// The Windows implementations of the platform services.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "core/announcement.h"
#include "platform/platform.h"

namespace vkm {

// A file opened to be read from start to end, shared with whoever else has it open
// (INVALID_HANDLE_VALUE when it cannot be).
HANDLE OpenForReading(const Path& path);

class Win32FileSystem : public FileSystem {
  public:
    bool FileExists(const Path& path) override;
    std::optional<std::string> ReadFile(const Path& path) override;
    bool ReadFileInPieces(const Path& path, const std::function<bool(std::string_view)>& consume) override;
    bool ListDirectory(const Path& dir, std::vector<DirEntry>& out) override;
    Path ExecutablePath() override;
};

// Plays announcements on a worker thread of its own, each as one continuous
// stream (core/announcement.h) through one winmm waveOut device. The worker
// starts with the first Play and ends in Shutdown or the destructor.
class Win32SoundPlayer : public SoundPlayer {
  public:
    Win32SoundPlayer();
    // Shuts down.
    ~Win32SoundPlayer() override;
    Win32SoundPlayer(const Win32SoundPlayer&) = delete;
    Win32SoundPlayer& operator=(const Win32SoundPlayer&) = delete;

    void Play(const std::vector<Path>& fragments) override;
    // Starts the worker, which loads winmm and opens and closes the device once (the
    // first opening connects to the sound server, which takes tens of milliseconds).
    void Prepare() override;
    // Silences the device at once (waveOutReset) and drops what waits; returns
    // without waiting for the worker.
    void Stop() override;
    bool Busy() override;

    // Called each time the player becomes idle: the last announcement has played
    // out, or Stop ended what played or waited. It runs ON THE WORKER THREAD: it
    // must not touch the window or wait for the window's thread; post a message
    // to the window (PostMessage, not PostThreadMessage, which modal loops drop).
    void SetIdleCallback(std::function<void()> callback) override;
    // Stops, closes the device and joins the worker; the idle callback is not
    // called. Play does nothing afterwards. The window calls it when it closes.
    void Shutdown() override;

    // What became of each fragment of the last announcement that ended.
    std::vector<FragmentReport> LastReports();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Hotkeys of one window, bound with the no-repeat flag: on Windows holding a key
// down counts as one press (Wine ignores the flag; see key_repeat_filter.h).
class Win32Hotkeys : public HotkeyRegistrar {
  public:
    explicit Win32Hotkeys(HWND window = nullptr) : window_(window) {}
    void SetWindow(HWND window) { window_ = window; }
    bool Register(int id, unsigned modifiers, unsigned char vk) override;
    bool Unregister(int id) override;

  private:
    HWND window_;
};

// Message boxes owned by the main window, which is brought to the front first.
class Win32MessageBoxes : public MessageBoxService {
  public:
    explicit Win32MessageBoxes(HWND window = nullptr) : window_(window) {}
    void SetWindow(HWND window) { window_ = window; }
    int Show(const std::string& text, const std::string& caption, unsigned style,
             const std::function<void()>& answered) override;

  private:
    HWND window_;
};

class Win32OpenFileDialog : public OpenFileDialog {
  public:
    explicit Win32OpenFileDialog(HWND window = nullptr) : window_(window) {}
    void SetWindow(HWND window) { window_ = window; }
    std::optional<Path> Show(const OpenFileRequest& request) override;

  private:
    HWND window_;
};

}  // namespace vkm
