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
// As Windows converts (WideCharToMultiByte): a character that code page 1250 lacks becomes the
// similar one of Windows' best-fit table (a with grave accent becomes "a"), or '?' when it has none;
// each half of a surrogate pair becomes a '?'.
std::string Utf16ToCp1250(std::u16string_view s);

std::string Utf16ToUtf8(std::u16string_view s);
// Decodes UTF-8, and WTF-8: an encoded lone surrogate becomes that surrogate, so a path from
// Utf16ToUtf8 comes back as it was. A malformed sequence becomes one U+FFFD, split up as Windows
// splits it (see Utf8TextToUtf16).
std::u16string Utf8ToUtf16(std::string_view s);
// Decodes UTF-8 text as Windows does (MultiByteToWideChar with CP_UTF8): bytes that are not UTF-8,
// encoded surrogates included, become U+FFFD, one for each malformed sequence. A sequence ends at
// the first byte that shows it malformed (that byte included) or before a byte that does not
// continue it, and one that the end cuts short takes the rest: "\xE4\xBDx" gives U+FFFD x,
// "\xED\xA0\x80" gives U+FFFD U+FFFD, "\xF0xy" at the end gives one U+FFFD.
std::u16string Utf8TextToUtf16(std::string_view s);

std::string Cp1250ToUtf8(std::string_view s);
std::string Utf8ToCp1250(std::string_view s);

// Czech text written in the source (UTF-8) as the CP1250 bytes the program holds.
inline std::string Cz(std::string_view utf8) {
    return Utf8ToCp1250(utf8);
}

// Upper case of a UTF-16 unit for the letters of Latin, Greek and Cyrillic that
// case-insensitive names use; other units are returned unchanged.
char16_t ToUpperUtf16(char16_t c);
// Upper case of a CP1250 byte (ASCII and the Central European letters).
char ToUpperCp1250(char c);
std::string UpperCaseCp1250(std::string_view s);
bool SameTextCp1250(std::string_view a, std::string_view b);

}  // namespace vkm
