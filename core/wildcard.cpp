#include "core/wildcard.h"

#include "core/codepage.h"

namespace vkm {

namespace {

bool IsAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// Greedy matching that returns to the last "*" on a mismatch: linear in the
// usual case, never worse than length of name times length of mask.
// The mask is already in upper case; the name is folded unit by unit.
template <class Unit, class Fold>
bool Match(std::basic_string_view<Unit> name, std::basic_string_view<Unit> mask, Fold fold) {
    constexpr std::size_t kNone = std::basic_string_view<Unit>::npos;
    std::size_t i = 0, j = 0, star = kNone, resume = 0;
    while (i < name.size()) {
        if (j < mask.size() && mask[j] == Unit('*')) {
            star = j++;
            resume = i;
        } else if (j < mask.size() && (mask[j] == Unit('?') || mask[j] == fold(name[i]))) {
            ++i;
            ++j;
        } else if (star != kNone) {
            j = star + 1;
            i = ++resume;
        } else {
            return false;
        }
    }
    while (j < mask.size() && mask[j] == Unit('*')) ++j;
    return j == mask.size();
}

}  // namespace

WildcardMask::WildcardMask(std::string_view mask) : is_ascii_(IsAscii(mask)) {
    if (is_ascii_) {
        ascii_.reserve(mask.size());
        for (char c : mask) ascii_ += UpperAscii(c);
    }
    wide_ = Utf8ToUtf16(mask);
    for (char16_t& c : wide_) c = ToUpperUtf16(c);
}

bool WildcardMask::Matches(std::string_view name) const {
    if (is_ascii_ && IsAscii(name)) return Match<char>(name, ascii_, UpperAscii);
    const std::u16string wide = Utf8ToUtf16(name);
    return Match<char16_t>(wide, wide_, ToUpperUtf16);
}

}  // namespace vkm
