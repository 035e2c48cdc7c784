#include "core/definition_keys.h"

#include <algorithm>
#include <cstdint>

#include "core/codepage.h"
#include "core/report_text.h"

namespace vkm {

namespace {

std::u16string Folded(const std::string& name) {
    return UpperCaseUtf16(Utf8ToUtf16(name));
}

// Folded, the Czech letters without their marks: how near a name is to one it may have meant.
std::u16string Plain(const std::string& name) {
    static const std::u16string marked = u"ÁČĎÉĚÍŇÓŘŠŤÚŮÝŽ", plain = u"ACDEEINORSTUUYZ";
    std::u16string s = Folded(name);
    for (char16_t& c : s) {
        const std::size_t at = marked.find(c);
        if (at != std::u16string::npos) c = plain[at];
    }
    return s;
}

// The edits (a character put in, left out or changed) that make a into b.
std::size_t Distance(const std::u16string& a, const std::u16string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The known name that name is (without regard to case), or the nearest one when it is close: a
// third of its characters changed at most (one at least), marks on letters not counted; null when
// none is.
template <std::size_t N>
const char* Nearest(const std::string& name, const char* const (&known)[N], bool& is_known) {
    is_known = false;
    for (const char* k : known)
        if (Folded(name) == Folded(k)) is_known = true;
    const std::u16string plain = Plain(name);
    const char* nearest = nullptr;
    std::size_t best = SIZE_MAX;
    for (const char* k : known) {
        const std::u16string candidate = Plain(k);
        const std::size_t d = Distance(plain, candidate);
        if (d <= std::max<std::size_t>(1, candidate.size() / 3) && d < best) {
            best = d;
            nearest = k;
        }
    }
    return nearest;
}

// Whether the name came before (without regard to case); remembers it.
bool Again(std::vector<std::u16string>& seen, const std::string& name) {
    const std::u16string folded = Folded(name);
    if (std::find(seen.begin(), seen.end(), folded) != seen.end()) return true;
    seen.push_back(folded);
    return false;
}

}  // namespace

std::vector<std::string> UnreadDefinitionNames(const IniFile& ini) {
    std::vector<std::string> texts;
    const std::vector<std::string> before = ini.KeyNames("");
    if (!before.empty())
        texts.push_back("klíč " + Quoted(before.front()) + " a ostatní řádky před první sekcí program nečte");
    std::vector<std::u16string> seen;
    for (const std::string& section : ini.SectionNames()) {
        bool known = false;
        const char* nearest = Nearest(section, kDefinitionSections, known);
        if (known && Again(seen, section))
            texts.push_back("sekce [" + section + "] je v souboru víckrát; program čte jen první");
        else if (!known)
            texts.push_back("sekci [" + section + "] program nečte" +
                            (nearest ? std::string(" — myslel jste [") + nearest + "]?" : ""));
    }
    seen.clear();
    for (const std::string& key : ini.KeyNames(kInfoSection)) {
        bool known = false;
        const char* nearest = Nearest(key, kInfoKeys, known);
        if (known && Again(seen, key))
            texts.push_back("klíč " + Quoted(key) + " je v sekci [Info] víckrát; platí první");
        else if (!known)
            texts.push_back("klíč " + Quoted(key) + " v sekci [Info] program nečte" +
                            (nearest ? std::string(" — myslel jste ") + nearest + "?" : ""));
    }
    return texts;
}

}  // namespace vkm
