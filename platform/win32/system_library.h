// Functions of system DLLs looked up when the program first needs them, rather than linked: parts
// of Windows that most runs never use (the sound codecs, the open dialog), functions of newer
// Windows versions, and Wine's own. The one way the program finds such a function.
#pragma once

#include <windows.h>

namespace vkm {

class SystemLibrary {
  public:
    // A DLL from the system folder only, never from the program's folder or the current one. It is
    // never freed: its functions are kept in statics, and code may still run in it while the
    // process ends.
    static SystemLibrary Load(const wchar_t* name) {
        HMODULE lib = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (!lib && GetLastError() == ERROR_INVALID_PARAMETER)
            lib = LoadLibraryW(name);  // Windows 7 without the search flags update
        return SystemLibrary(lib);
    }
    // A DLL loaded with the program (kernel32, user32, ntdll): found, not loaded.
    static SystemLibrary Linked(const wchar_t* name) { return SystemLibrary(GetModuleHandleW(name)); }

    // Sets f to the function NAME; false when the DLL lacks it or could not be loaded.
    template <class F>
    bool Find(const char* name, F& f) {
        f = module_ ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
        all_found_ &= f != nullptr;
        return f != nullptr;
    }
    // The function NAME, or nullptr.
    template <class F>
    F Function(const char* name) {
        F f = nullptr;
        Find(name, f);
        return f;
    }
    // Every function looked up so far was found.
    bool all_found() const { return all_found_; }

  private:
    explicit SystemLibrary(HMODULE module) : module_(module), all_found_(module != nullptr) {}
    HMODULE module_;
    bool all_found_;
};

}  // namespace vkm
