// Conversions at the edge of the wide Windows API.
#pragma once

#include <string>

#include "core/codepage.h"

namespace vkm {

// A UTF-8 path for a W function.
inline std::wstring WidePath(const std::string& utf8) {
    std::u16string s = Utf8ToUtf16(utf8);
    return std::wstring(s.begin(), s.end());
}
// A path from a W function as UTF-8.
inline std::string PathFromWide(const std::wstring& w) {
    return Utf16ToUtf8(std::u16string(w.begin(), w.end()));
}
// Text (UTF-8) for display.
inline std::wstring WideText(const std::string& utf8) {
    return WidePath(utf8);
}

}  // namespace vkm
