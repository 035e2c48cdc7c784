#include "platform/win32/win32_platform.h"

#include <commdlg.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <utility>
#include <vector>

#include "core/msgbox_flags.h"
#include "platform/win32/handles.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide.h"

#ifndef MOD_NOREPEAT
#define MOD_NOREPEAT 0x4000
#endif

namespace vkm {

namespace {

// The common dialogs' library, with all it pulls in (the shell's among them), is loaded when the
// open dialog is first shown, not at start-up (most runs never show it), and kept from then on.
using GetOpenFileNameFn = BOOL(WINAPI*)(LPOPENFILENAMEW);
GetOpenFileNameFn OpenFileNameFunction() {
    static const auto fn =
        SystemLibrary::Load(L"comdlg32.dll").Function<GetOpenFileNameFn>("GetOpenFileNameW");
    return fn;
}

}  // namespace

FileHandle OpenForReading(const Path& path) {
    return FileHandle(CreateFileW(ToWide(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

bool Win32FileSystem::FileExists(const Path& path) {
    DWORD attrs = GetFileAttributesW(ToWide(path).c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::string> Win32FileSystem::ReadFile(const Path& path) {
    const FileHandle f = OpenForReading(path);
    if (!f.valid()) return std::nullopt;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(f.get(), &size) || size.QuadPart > 0x7FFFFFFF) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!::ReadFile(f.get(), &bytes[done], static_cast<DWORD>(bytes.size() - done), &got, nullptr))
            return std::nullopt;
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

bool Win32FileSystem::ReadFileInPieces(const Path& path,
                                       const std::function<bool(std::string_view)>& consume) {
    const FileHandle f = OpenForReading(path);
    if (!f.valid()) return false;
    std::unique_ptr<char[]> piece(new char[kFilePiece]);
    for (;;) {
        std::size_t got = 0;
        while (got < kFilePiece) {
            DWORD n = 0;
            if (!::ReadFile(f.get(), piece.get() + got, static_cast<DWORD>(kFilePiece - got), &n, nullptr))
                return false;
            if (n == 0) break;
            got += n;
        }
        if (got > 0 && !consume(std::string_view(piece.get(), got))) return true;
        if (got < kFilePiece) return true;
    }
}

// One pass of the wide search over the folder serves both its files and its
// subfolders; the basic information level skips the short (8.3) names.
// A folder that is a link (a symbolic link, a junction, a mount point; under Wine
// a Unix symbolic link, which carries no tag) is listed as a file, so that a scan
// never runs round a link cycle or out of the tree. Other reparse points, such as
// the placeholders of cloud-synchronised folders, stay folders.
bool Win32FileSystem::ListDirectory(const Path& dir, std::vector<DirEntry>& out) {
    WIN32_FIND_DATAW data;
    const FindHandle find(FindFirstFileExW(ToWide(dir + "*").c_str(), FindExInfoBasic, &data,
                                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find.valid()) return GetLastError() == ERROR_FILE_NOT_FOUND;  // an empty drive root
    do {
        const wchar_t* n = data.cFileName;
        if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) continue;
        DirEntry e;
        e.name = FromWide(n);
        const bool link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                          (data.dwReserved0 == 0 || IsReparseTagNameSurrogate(data.dwReserved0));
        e.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !link;
        e.hidden = (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        e.system = (data.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0;
        out.push_back(std::move(e));
    } while (FindNextFileW(find.get(), &data));
    return GetLastError() == ERROR_NO_MORE_FILES;
}

Path Win32FileSystem::ExecutablePath() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, &buf[0], static_cast<DWORD>(buf.size()));
        if (n == 0) return Path();
        if (n < buf.size()) {
            buf.resize(n);
            return FromWide(buf);
        }
        buf.resize(buf.size() * 2);
    }
}

Path Win32FileSystem::FullPath(const Path& path) {
    const std::wstring wide = ToWide(path);
    std::wstring buf(MAX_PATH, L'\0');
    for (int tries = 0; tries < 2; ++tries) {
        const DWORD n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buf.size()), &buf[0], nullptr);
        if (n == 0) return path;
        if (n < buf.size()) {
            buf.resize(n);
            return FromWide(buf);
        }
        buf.resize(n);  // n counts the terminating zero here
    }
    return path;
}

std::optional<FileIdentity> Win32FileSystem::Identity(const Path& path) {
    // A folder opens only with backup semantics; links and junctions on the way are followed.
    const FileHandle f(CreateFileW(ToWide(path).c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!f.valid() || !GetFileInformationByHandle(f.get(), &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

bool Win32Hotkeys::Register(int id, unsigned modifiers, unsigned char vk) {
    return RegisterHotKey(window_, id, modifiers | MOD_NOREPEAT, vk) != 0;
}

bool Win32Hotkeys::Unregister(int id) {
    return UnregisterHotKey(window_, id) != 0;
}

namespace {

// A box of this thread whose answer is awaited.
struct AwaitedAnswer {
    HWND owner;
    const std::function<void()>& answered;
    bool called = false;
    std::exception_ptr error;  // from answered, which runs inside a hook: handed on after the box

    void Call() {
        if (called) return;
        called = true;
        try {
            answered();
        } catch (...) {
            error = std::current_exception();
        }
    }
};

thread_local AwaitedAnswer* t_awaited = nullptr;

// A box that is answered enables its owner again before it hides itself (EndDialog), and hiding
// may take seconds: the owner's WM_ENABLE tells of the answer at once.
LRESULT CALLBACK WatchForAnswer(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HC_ACTION && t_awaited) {
        const auto* m = reinterpret_cast<const CWPSTRUCT*>(lparam);
        if (m->hwnd == t_awaited->owner && m->message == WM_ENABLE && m->wParam) t_awaited->Call();
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

int Win32MessageBoxes::Show(const std::string& text, const std::string& caption, unsigned style,
                            const std::function<void()>& answered) {
    if (window_) SetForegroundWindow(window_);
    AwaitedAnswer awaited{window_, answered, false, nullptr};
    AwaitedAnswer* outer = t_awaited;
    HookHandle hook;
    if (answered && window_) {
        t_awaited = &awaited;
        hook = HookHandle(SetWindowsHookExW(WH_CALLWNDPROC, WatchForAnswer, nullptr, GetCurrentThreadId()));
    }
    const int button = MessageBoxExW(window_, ToWide(text).c_str(), ToWide(caption).c_str(), style,
                                     static_cast<WORD>(kLangCzech));
    hook = HookHandle();  // removed before answered may show a box of its own
    t_awaited = outer;
    if (answered) awaited.Call();  // no owner, or no hook: now, at the latest
    if (awaited.error) std::rethrow_exception(awaited.error);
    return button;
}

std::optional<Path> Win32OpenFileDialog::Show(const OpenFileRequest& request) {
    // "label|pattern|..." becomes the double-zero-terminated list Windows wants.
    std::wstring filter = ToWide(request.filter);
    for (wchar_t& c : filter)
        if (c == L'|') c = L'\0';
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    std::wstring initial_dir = ToWide(request.initial_dir);
    std::wstring def_ext = ToWide(request.default_ext);
    std::vector<wchar_t> file(32768, L'\0');
    std::wstring name = ToWide(request.file_name);
    if (name.size() < file.size()) name.copy(file.data(), name.size());

    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = window_;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = initial_dir.empty() ? nullptr : initial_dir.c_str();
    ofn.lpstrDefExt = def_ext.c_str();
    // A single file that need not exist; the current folder stays where it was.
    ofn.Flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    const auto get_open_file_name = OpenFileNameFunction();
    if (!get_open_file_name || !get_open_file_name(&ofn)) return std::nullopt;
    return FromWide(file.data());
}

}  // namespace vkm
