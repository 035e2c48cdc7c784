// The Windows implementations of the platform services.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "platform/platform.h"
#include "platform/win32/handles.h"

namespace vkm {

// A file opened to be read from start to end, shared with whoever else has it open
// (not valid when it cannot be).
FileHandle OpenForReading(const Path& path);

class Win32FileSystem : public FileSystem {
  public:
    bool FileExists(const Path& path) override;
    std::optional<std::string> ReadFile(const Path& path) override;
    bool ReadFileInPieces(const Path& path, const std::function<bool(std::string_view)>& consume) override;
    bool ListDirectory(const Path& dir, std::vector<DirEntry>& out) override;
    Path ExecutablePath() override;
    Path FullPath(const Path& path) override;  // GetFullPathNameW
    // The volume's serial number and the file's index (GetFileInformationByHandle).
    std::optional<FileIdentity> Identity(const Path& path) override;
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
