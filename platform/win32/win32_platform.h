// The Windows implementations of the platform services.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace vkm {

class Win32FileSystem : public FileSystem {
  public:
    bool FileExists(const Path& path) override;
    std::optional<std::string> ReadFile(const Path& path) override;
    bool ListDirectory(const Path& dir, std::vector<DirEntry>& out) override;
    Path ExecutablePath() override;
};

class Win32MessagePump : public MessagePump {
  public:
    void ProcessMessages() override;
};

// Plays through winmm, synchronously; a missing file sounds the default sound.
class Win32SoundPlayer : public SoundPlayer {
  public:
    void Play(const std::vector<Path>& fragments) override;
    void Stop() override {}
    bool Busy() override { return false; }

  private:
    void PlayOne(const Path& path);
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
    int Show(const std::string& text, const std::string& caption, unsigned style) override;

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
