// Conversions at the edge of the wide Windows API. Inside, text and paths are UTF-8;
// a W function gets and gives UTF-16, converted here (a lone surrogate, which Windows
// allows in file names, survives the round trip; see core/codepage.h).
#pragma once

#include <string>

#include "core/codepage.h"

namespace vkm {

// UTF-8 text or a path, for a W function.
inline std::wstring ToWide(const std::string& utf8) {
    std::u16string s = Utf8ToUtf16(utf8);
    return std::wstring(s.begin(), s.end());
}
// Text or a path from a W function, as UTF-8.
inline std::string FromWide(const std::wstring& w) {
    return Utf16ToUtf8(std::u16string(w.begin(), w.end()));
}

}  // namespace vkm
