#include "core/ini.h"

#include "core/codepage.h"

namespace vkm {

namespace {

bool IsSpace(char16_t c) { return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x1A; }

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

bool SameText(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ToUpperUtf16(a[i]) != ToUpperUtf16(b[i])) return false;
    return true;
}

std::u16string Decode(std::string_view bytes) {
    auto u8 = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 3 && u8(0) == 0xEF && u8(1) == 0xBB && u8(2) == 0xBF) return Utf8ToUtf16(bytes.substr(3));
    if (bytes.size() >= 2 && ((u8(0) == 0xFF && u8(1) == 0xFE) || (u8(0) == 0xFE && u8(1) == 0xFF))) {
        bool big_endian = u8(0) == 0xFE;
        std::u16string out;
        out.reserve(bytes.size() / 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            out += static_cast<char16_t>(big_endian ? (u8(i) << 8) | u8(i + 1) : u8(i) | (u8(i + 1) << 8));
        return out;
    }
    return Cp1250ToUtf16(bytes);
}

// A value in matching single or double quotes loses them.
std::u16string_view StripQuotes(std::u16string_view v) {
    if (v.size() >= 2 && (v.front() == u'\'' || v.front() == u'"') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

}  // namespace

IniFile::IniFile(std::string_view bytes) {
    const std::u16string text = Decode(bytes);
    std::u16string_view rest(text);
    sections_.push_back(Section{});
    const Key* prev_key = nullptr;
    while (!rest.empty()) {
        // Lines end at LF; text without any LF left is split at CR.
        std::size_t end = rest.find(u'\n');
        if (end == std::u16string_view::npos) end = rest.find(u'\r');
        std::u16string_view line = rest.substr(0, end == std::u16string_view::npos ? rest.size() : end);
        rest.remove_prefix(end == std::u16string_view::npos ? rest.size() : end + 1);

        line = Trim(line);
        if (line.empty()) continue;
        if (line.front() == u'[') {
            std::size_t close = line.rfind(u']');
            if (close != std::u16string_view::npos) {
                sections_.push_back(Section{std::u16string(line.substr(1, close - 1)), {}});
                prev_key = nullptr;
                continue;
            }
        }
        Key key;
        std::size_t eq = line.find(u'=');
        if (eq == std::u16string_view::npos) {
            key.name = std::u16string(line);
        } else {
            std::u16string_view name = line.substr(0, eq);
            while (!name.empty() && IsSpace(name.back())) name.remove_suffix(1);
            std::u16string_view value = line.substr(eq + 1);
            while (!value.empty() && IsSpace(value.front())) value.remove_prefix(1);
            key.name = std::u16string(name);
            key.value = std::u16string(value);
        }
        // Windows keeps one nameless line in a row.
        if (!key.name.empty() || !prev_key || !prev_key->name.empty()) {
            sections_.back().keys.push_back(std::move(key));
            prev_key = &sections_.back().keys.back();
        }
    }
}

const IniFile::Section* IniFile::FindSection(std::u16string_view name, bool trim) const {
    if (trim) name = Trim(name);
    for (std::size_t i = 1; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        if (!s.name.empty() && SameText(s.name, name)) return &s;
    }
    return nullptr;
}

std::string IniFile::IniReadValue(const std::string& section, const std::string& key,
                                  const std::string& def) const {
    std::u16string wkey = Cp1250ToUtf16(key);
    std::u16string_view wanted = Trim(wkey);
    if (key.empty()) return std::string();
    if (const Section* s = FindSection(Cp1250ToUtf16(section), true)) {
        for (const Key& k : s->keys) {
            if (!SameText(k.name, wanted)) continue;
            if (!k.value) break;
            return Utf16ToCp1250(StripQuotes(*k.value));
        }
    }
    std::string d = def;
    while (!d.empty() && d.back() == ' ') d.pop_back();
    return Utf16ToCp1250(StripQuotes(Cp1250ToUtf16(d)));
}

std::vector<std::string> IniFile::IniKeyNames(const std::string& section) const {
    std::vector<std::string> names;
    if (const Section* s = FindSection(Cp1250ToUtf16(section), false)) {
        for (const Key& k : s->keys)
            if (!k.name.empty() && k.name.front() != u';' && k.value) names.push_back(Utf16ToCp1250(k.name));
    }
    return names;
}

void IniFile::IniSectionEntries(const std::string& section, StringList& list) const {
    for (const std::string& name : IniKeyNames(section)) {
        std::string value = IniReadValue(section, name, "");
        int at = list.IndexOfName(name);
        if (value.empty()) {
            if (at >= 0) list.Delete(at);
        } else if (at >= 0) {
            list.Put(at, name + "=" + value);
        } else {
            list.Add(name + "=" + value);
        }
    }
}

}  // namespace vkm
