// The one place that converts text between code page 1250, UTF-16 and UTF-8.
//
// Text (read from definition files, captions, messages) and paths are held as UTF-8;
// UTF-16 that is not well formed (a lone surrogate, which Windows allows in file
// names and INI files) is carried through UTF-8 as WTF-8, so every text survives the
// round trip. Code page 1250 is what most definition files are written in, and what
// a key character's byte (its virtual-key code) is taken from.
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

// True when s is well-formed UTF-8 (no overlong forms, no encoded surrogates, nothing past
// U+10FFFF) that holds at least one character beyond ASCII: text written as UTF-8, which
// CP1250 text, whose letters are lone high bytes, practically never is.
bool IsUtf8BeyondAscii(std::string_view s);

// IsUtf8BeyondAscii for text handed over in pieces, in order: a sequence may straddle two pieces.
// Holds a few bytes of state, nothing of the text.
class Utf8Check {
  public:
    void Feed(std::string_view piece);
    // A malformed sequence has been seen: the text is not UTF-8, whatever follows.
    bool malformed() const { return malformed_; }
    // At the end of the text: IsUtf8BeyondAscii of all the pieces together.
    bool Utf8BeyondAscii() const { return !malformed_ && need_ == 0 && beyond_; }

  private:
    int need_ = 0;                            // continuation bytes the current sequence still needs
    unsigned char low_ = 0x80, high_ = 0xBF;  // the range of the next continuation byte
    bool malformed_ = false;
    bool beyond_ = false;
};

// Upper case of a UTF-16 unit for the letters of Latin, Greek and Cyrillic that
// case-insensitive names use; other units are returned unchanged.
char16_t ToUpperUtf16(char16_t c);
// Lower case of a UTF-16 unit: the small letter that ToUpperUtf16 makes c of, so that the two
// agree on which letters have a case; other units are returned unchanged. The program's title
// (the executable's name, lower case after its first letter) is written with it.
char16_t ToLowerUtf16(char16_t c);
// The text in upper case, unit by unit, as names are compared without regard to case.
std::u16string UpperCaseUtf16(std::u16string_view s);
// Two texts are the same when ASCII letters are compared without regard to case.
bool SameTextAscii(std::string_view a, std::string_view b);

}  // namespace vkm
