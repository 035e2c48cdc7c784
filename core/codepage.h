// The one place that converts text between code page 1250, UTF-16 and UTF-8.
//
// Text read from definition files, captions and messages is held as CP1250 bytes.
// Paths are held as UTF-8; UTF-16 that is not well formed (a lone surrogate, which
// Windows allows in file names) is carried through UTF-8 as WTF-8, so every path
// survives the round trip.
#pragma once

#include <string>
#include <string_view>

namespace vkm {

std::u16string Cp1250ToUtf16(std::string_view s);
// Characters that code page 1250 lacks become '?'.
std::string Utf16ToCp1250(std::u16string_view s);

std::string Utf16ToUtf8(std::u16string_view s);
// Bytes that are not UTF-8 become U+FFFD, one for each bad byte.
std::u16string Utf8ToUtf16(std::string_view s);

std::string Cp1250ToUtf8(std::string_view s);
std::string Utf8ToCp1250(std::string_view s);

// Czech text written in the source (UTF-8) as the CP1250 bytes the program holds.
inline std::string Cz(std::string_view utf8) { return Utf8ToCp1250(utf8); }

// Upper case of a UTF-16 unit for the letters of Latin, Greek and Cyrillic that
// case-insensitive names use; other units are returned unchanged.
char16_t ToUpperUtf16(char16_t c);
// Upper case of a CP1250 byte (ASCII and the Central European letters).
char ToUpperCp1250(char c);
std::string UpperCaseCp1250(std::string_view s);
bool SameTextCp1250(std::string_view a, std::string_view b);

}  // namespace vkm
