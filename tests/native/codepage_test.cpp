// Conversions between code page 1250, UTF-16 and UTF-8, telling UTF-8 text, and letter case.
// (tests/win32/ini_reference_test.cpp compares them with Windows' own conversions.)
#include "core/codepage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "test_helpers.h"

namespace vkm {
namespace {

// ě š č ř ž ý á í é ů ú ď ť ň and their capitals, as code page 1250 encodes them.
const char kCzechLower[] = "\xEC\x9A\xE8\xF8\x9E\xFD\xE1\xED\xE9\xF9\xFA\xEF\x9D\xF2";
const char kCzechUpper[] = "\xCC\x8A\xC8\xD8\x8E\xDD\xC1\xCD\xC9\xD9\xDA\xCF\x8D\xD2";
const char16_t kCzechLowerUtf16[] =
    u"\u011b\u0161\u010d\u0159\u017e\u00fd\u00e1\u00ed\u00e9\u016f\u00fa\u010f\u0165\u0148";
const char16_t kCzechUpperUtf16[] =
    u"\u011a\u0160\u010c\u0158\u017d\u00dd\u00c1\u00cd\u00c9\u016e\u00da\u010e\u0164\u0147";

TEST(CodePageCzech, LettersConvertBetweenAllThreeEncodings) {
    const std::string utf8 = "ěščřžýáíéůúďťň ĚŠČŘŽÝÁÍÉŮÚĎŤŇ";
    const std::string cp1250 = std::string(kCzechLower) + " " + kCzechUpper;
    const std::u16string utf16 = std::u16string(kCzechLowerUtf16) + u" " + kCzechUpperUtf16;
    EXPECT_EQ(Utf8ToCp1250(utf8), cp1250);
    EXPECT_EQ(Cp1250ToUtf8(cp1250), utf8);
    EXPECT_EQ(Cp1250ToUtf16(cp1250), utf16);
    EXPECT_EQ(Utf16ToCp1250(utf16), cp1250);
    EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
    EXPECT_EQ(Utf8ToUtf16(utf8), utf16);
    EXPECT_EQ(Utf8TextToUtf16(utf8), utf16);
}

TEST(CodePageCzech, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf16ToCp1250(Cp1250ToUtf16(all)), all);
    EXPECT_EQ(Utf8ToCp1250(Cp1250ToUtf8(all)), all);
    EXPECT_EQ(Cp1250ToUtf16("\x80\x81\x8A\x98\xA0\xFF"), u"\u20ac\u0081\u0160\u0098\u00a0\u02d9");
}

TEST(CodePageUnmappable, CharactersWithoutAByteBecomeQuestionMarksOrTheirBestFit) {
    EXPECT_EQ(Utf8ToCp1250("中 Ж ✓"), "? ? ?");
    EXPECT_EQ(Utf16ToCp1250(u"\U0001F600"), "??");  // one for each half of the pair
    EXPECT_EQ(Utf16ToCp1250(u"\xD800x\xDC00"), "?x?");
    // Windows' best fit writes a similar character where code page 1250 has one.
    EXPECT_EQ(Utf8ToCp1250("à ñ Ａ ½ ²"), "a n A 1 2");
    EXPECT_EQ(Utf16ToCp1250(u"\u3000"), " ");
}

TEST(CodePageUtf8, MalformedBytesBecomeReplacementCharacters) {
    struct Case {
        const char* bytes;
        std::u16string expected;
    } cases[] = {
        {"a\x80z", u"a\uFFFDz"},                      // a lone continuation byte
        {"\xC3", u"\uFFFD"},                          // cut short by the end
        {"\xE4\xBDz", u"\uFFFDz"},                    // cut short by a byte that does not continue it
        {"\xF0\x9F\x98", u"\uFFFD"},                  // three bytes of four at the end: one
        {"\xF0zz", u"\uFFFD"},                        // the end would cut it short: the rest is one
        {"\xF0zzz", u"\uFFFDzzz"},                    //
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                // an overlong "/" (C0 never starts one)
        {"\xE0\x80\xAFz", u"\uFFFD\uFFFDz"},          // overlong, seen at its second byte
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"\xF8\x88\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xFF\xFE", u"\uFFFD\uFFFD"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"\xEF\xBF\xBF", u"\uFFFF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8TextToUtf16(c.bytes), c.expected) << c.bytes;
        EXPECT_EQ(Utf8ToUtf16(c.bytes), c.expected) << c.bytes;
    }
    EXPECT_EQ(Utf8ToCp1250("a\xC3z"), "a?z");
}

TEST(CodePageUtf8, EncodedSurrogatesAreTextErrorsButPathsKeepThem) {
    EXPECT_EQ(Utf8TextToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\xD800");
    EXPECT_EQ(Utf8ToUtf16("\xED\x9F\xBF"), u"\uD7FF");
}

TEST(CodePageUtf8, LoneSurrogatesSurviveUtf8) {
    for (const std::u16string& path :
         {std::u16string(u"C:\\linky\\\xD800.wav"), std::u16string(u"\xDC00"), std::u16string(u"a\xDBFF"),
          std::u16string(u"\xDC00\xD800"), std::u16string(u"\xD83D\xDE00\xD83D"),
          std::u16string(u"\U0010FFFF")}) {
        const std::string utf8 = Utf16ToUtf8(path);
        EXPECT_EQ(Utf8ToUtf16(utf8), path);
    }
    EXPECT_EQ(Utf16ToUtf8(u"\xD800"), "\xED\xA0\x80");
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");  // a pair is one character
}

TEST(CodePageCase, CzechLettersCompareWithoutRegardToCase) {
    EXPECT_EQ(UpperCaseUtf16(kCzechLowerUtf16), kCzechUpperUtf16);
    EXPECT_TRUE(SameTextUtf8("Hlášení", "HLÁŠENÍ"));
    EXPECT_TRUE(SameTextUtf8("žluťoučký kůň", "ŽLUŤOUČKÝ KŮŇ"));
    EXPECT_TRUE(SameTextUtf8("жук", "ЖУК"));
    EXPECT_FALSE(SameTextUtf8("č", "c"));
    EXPECT_FALSE(SameTextUtf8("ř", "ž"));
    EXPECT_FALSE(SameTextUtf8("ab", "abc"));
    EXPECT_EQ(Utf16ToUtf8(UpperCaseUtf16(Utf8ToUtf16("příliš ß µ ÷ 1,"))), "PŘÍLIŠ ß µ ÷ 1,");
    for (char32_t c = 0; c < 0x10000; ++c) {  // lower case undoes upper case, and the other way
        const char16_t u = static_cast<char16_t>(c), upper = ToUpperUtf16(u), lower = ToLowerUtf16(u);
        EXPECT_TRUE(upper == u || ToLowerUtf16(upper) == u) << std::hex << c;
        EXPECT_TRUE(lower == u || ToUpperUtf16(lower) == u) << std::hex << c;
    }
    EXPECT_TRUE(SameTextAscii("Ctrl", "CTRL"));
    EXPECT_FALSE(SameTextAscii("ctrł", "CTRŁ"));  // ASCII letters only
    EXPECT_FALSE(SameTextAscii("ALT", "ALT "));
}

TEST(CodePageUtf8, TextWrittenAsUtf8IsToldFromCodePage1250) {
    EXPECT_TRUE(IsUtf8BeyondAscii("Praha – Kolín"));
    EXPECT_TRUE(IsUtf8BeyondAscii("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsUtf8BeyondAscii("Praha - Kolin"));  // ASCII is both
    EXPECT_FALSE(IsUtf8BeyondAscii(""));
    EXPECT_FALSE(IsUtf8BeyondAscii(Utf8ToCp1250("Praha – Kolín")));
    EXPECT_FALSE(IsUtf8BeyondAscii(std::string(kCzechLower) + " " + kCzechUpper));
    // Well formed only: no overlong form, no encoded surrogate, nothing cut short.
    for (const char* bad : {"ok \xC0\xAF", "\xED\xA0\x80", "Kol\xC3", "\xF4\x90\x80\x80", "\xC3\xADx\x80"})
        EXPECT_FALSE(IsUtf8BeyondAscii(bad)) << bad;
}

// Random bytes and units through every conversion: nothing crashes, round trips hold.
TEST(CodePageRandomInput, ConversionsNeverCrashAndRoundTrip) {
    std::uint32_t state = 4711;
    auto next = [&] { return (state = state * 1664525u + 1013904223u) >> 8; };
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(next() % 64, '\0');
        for (char& c : bytes) c = static_cast<char>(round % 2 ? next() : 0x80 | next());
        ASSERT_EQ(Utf16ToCp1250(Cp1250ToUtf16(bytes)), bytes);
        const std::u16string text = Utf8TextToUtf16(bytes);
        ASSERT_EQ(Utf8TextToUtf16(Utf16ToUtf8(text)), text);  // decoded text is well formed
        std::u16string units(next() % 32, u'\0');
        for (char16_t& u : units) u = static_cast<char16_t>(next() % 3 ? 0xD800 + next() % 0x800 : next());
        ASSERT_EQ(Utf8ToUtf16(Utf16ToUtf8(units)), units);
        if (IsUtf8BeyondAscii(bytes)) {
            ASSERT_EQ(Utf8TextToUtf16(bytes), Utf8ToUtf16(bytes));
        }
    }
}

}  // namespace
}  // namespace vkm
