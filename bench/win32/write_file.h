// Writing a whole file through the wide API, for the benchmarks run under Windows or Wine.
#pragma once

#include <windows.h>

#include <string>

namespace vkm {

inline bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    HANDLE h =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

}  // namespace vkm
