// Parts of Windows loaded when they are first needed rather than at start-up.
#pragma once

#include <windows.h>

#include "platform/win32/handles.h"

namespace vkm {

// A DLL from the system folder only, never from the program's folder or the
// current one. A library whose functions are kept for the rest of the process
// (in statics) is released from its owner and never freed: code may still run in
// it while the process ends.
inline LibraryHandle LoadSystemLibrary(const wchar_t* name) {
    HMODULE lib = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!lib && GetLastError() == ERROR_INVALID_PARAMETER)
        lib = LoadLibraryW(name);  // Windows 7 without the search flags update
    return LibraryHandle(lib);
}

// Sets f to the function NAME of LIB; false when LIB lacks it.
template <class F>
bool Resolve(HMODULE lib, const char* name, F& f) {
    f = lib ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib, name))) : nullptr;
    return f != nullptr;
}

}  // namespace vkm
