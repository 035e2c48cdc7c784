// The code-page conversions and encoding detection on any bytes: every round trip
// holds, decoded text is well formed, and text told to be UTF-8 is UTF-8 exactly.
#include "core/codepage.h"
#include "core/ini.h"
#include "fuzz/fuzz.h"
#include "test_helpers.h"

using namespace vkm;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // Every CP1250 byte has its character.
    FUZZ_CHECK(Utf16ToCp1250(Cp1250ToUtf16(bytes)) == bytes);
    FUZZ_CHECK(Utf8ToCp1250(Cp1250ToUtf8(bytes)) == bytes);

    // Any UTF-16, lone surrogates included, survives UTF-8 (paths do).
    std::u16string units;
    for (std::size_t i = 0; i + 1 < size; i += 2) units += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    FUZZ_CHECK(Utf8ToUtf16(Utf16ToUtf8(units)) == units);
    FUZZ_CHECK(Utf16ToCp1250(units).size() == units.size());

    // Text decoded as Windows decodes it is well formed.
    const std::u16string text = Utf8TextToUtf16(bytes);
    FUZZ_CHECK(Utf8TextToUtf16(Utf16ToUtf8(text)) == text);
    FUZZ_CHECK(text.size() <= bytes.size());

    // UTF-8 beyond ASCII: well formed (it comes back byte for byte) and not all ASCII.
    bool ascii = true;
    for (unsigned char c : bytes) ascii &= c < 0x80;
    if (IsUtf8BeyondAscii(bytes)) {
        FUZZ_CHECK(!ascii);
        FUZZ_CHECK(Utf16ToUtf8(text) == bytes);
    } else if (!ascii) {
        // Not UTF-8: what is malformed in it does not come back.
        FUZZ_CHECK(Utf16ToUtf8(text) != bytes);
    }

    const TextEncoding e = DetectEncoding(bytes);
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        FUZZ_CHECK(e == TextEncoding::kUtf8);
    else if (bytes.rfind("\xFF\xFE", 0) == 0)
        FUZZ_CHECK(e == TextEncoding::kUtf16LE);
    else if (bytes.rfind("\xFE\xFF", 0) == 0)
        FUZZ_CHECK(e == TextEncoding::kUtf16BE);
    else
        FUZZ_CHECK((e == TextEncoding::kUtf8WithoutMark) == IsUtf8BeyondAscii(bytes));

    // Names compare without regard to case: a text is the same as its upper case.
    const std::string upper = Utf16ToUtf8(UpperCaseUtf16(Utf8ToUtf16(bytes)));
    FUZZ_CHECK(SameTextUtf8(bytes, upper));
    return 0;
}
