#include "core/ini.h"

#include "core/codepage.h"

namespace vkm {

namespace {

bool IsSpace(char16_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x1A;
}

std::u16string_view TrimLeft(std::u16string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    return s;
}

std::u16string_view TrimRight(std::u16string_view s) {
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

std::u16string_view Trim(std::u16string_view s) {
    return TrimRight(TrimLeft(s));
}

// Windows keeps names and values as zero-ended strings: a zero character ends them.
std::u16string_view UpToZero(std::u16string_view s) {
    return s.substr(0, s.find(u'\0'));
}

// A name passed in, as the ANSI profile API sees it.
std::u16string Wide(const std::string& cp1250) {
    return Cp1250ToUtf16(std::string_view(cp1250).substr(0, cp1250.find('\0')));
}

bool SameText(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ToUpperUtf16(a[i]) != ToUpperUtf16(b[i])) return false;
    return true;
}

std::u16string Decode(std::string_view bytes) {
    auto u8 = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 3 && u8(0) == 0xEF && u8(1) == 0xBB && u8(2) == 0xBF)
        return Utf8TextToUtf16(bytes.substr(3));
    if (bytes.size() >= 2 && ((u8(0) == 0xFF && u8(1) == 0xFE) || (u8(0) == 0xFE && u8(1) == 0xFF))) {
        const bool big_endian = u8(0) == 0xFE;
        std::u16string out;
        out.reserve(bytes.size() / 2);
        // An odd last byte is no character and is dropped.
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
    if (bytes.empty()) return;  // Windows reads an empty file as one without sections
    const std::u16string text = Decode(bytes);
    const std::u16string_view all(text);
    sections_.push_back(Section{});
    bool after_key = false;       // a key came before in this section
    bool after_nameless = false;  // and it had no name
    std::size_t pos = 0;
    while (pos < all.size()) {
        const std::size_t start = pos;
        while (pos < all.size() && all[pos] != u'\n' && all[pos] != u'\r') ++pos;
        std::u16string_view line = Trim(all.substr(start, pos - start));
        while (pos < all.size() && (all[pos] == u'\n' || all[pos] == u'\r')) ++pos;
        if (line.empty()) continue;

        if (line.front() == u'[') {
            const std::size_t close = line.rfind(u']');
            if (close != std::u16string_view::npos) {
                sections_.push_back(Section{std::u16string(UpToZero(Trim(line.substr(1, close - 1)))), {}});
                after_key = false;
                continue;
            }
        }

        std::u16string_view name = line;
        std::optional<std::u16string_view> value;
        const std::size_t eq = line.find(u'=');
        if (eq != std::u16string_view::npos) {
            name = TrimRight(line.substr(0, eq));
            value = TrimLeft(line.substr(eq + 1));
        }
        // Of nameless lines in a row only the first is kept (a name of zero characters is not
        // nameless here, though it reads as the empty name).
        if (name.empty() && after_key && after_nameless) continue;
        Key key{std::u16string(UpToZero(name)), std::nullopt};
        if (value) key.value = std::u16string(UpToZero(*value));
        after_key = true;
        after_nameless = key.name.empty();
        sections_.back().keys.push_back(std::move(key));
    }
}

const IniFile::Section* IniFile::FindSection(std::u16string_view name) const {
    for (const Section& s : sections_)
        if (SameText(s.name, name)) return &s;
    return nullptr;
}

std::string IniFile::IniReadValue(const std::string& section, const std::string& key,
                                  const std::string& def) const {
    const std::u16string wsection = Wide(section);
    const std::u16string wkey = Wide(key);
    if (const Section* s = FindSection(Trim(wsection))) {
        const std::u16string_view wanted = Trim(wkey);
        for (const Key& k : s->keys) {
            if (!SameText(k.name, wanted)) continue;
            if (!k.value) break;
            return Utf16ToCp1250(StripQuotes(*k.value));
        }
    }
    // The default loses its trailing spaces, all but a first character.
    std::u16string d = Wide(def);
    while (d.size() > 1 && d.back() == u' ') d.pop_back();
    return Utf16ToCp1250(StripQuotes(d));
}

std::vector<std::string> IniFile::IniKeyNames(const std::string& section) const {
    std::vector<std::string> names;
    if (const Section* s = FindSection(Wide(section))) {
        for (const Key& k : s->keys)
            if (k.value && (k.name.empty() || k.name.front() != u';')) names.push_back(Utf16ToCp1250(k.name));
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

std::vector<std::string> IniFile::IniSectionNames() const {
    std::vector<std::string> names;
    for (const Section& s : sections_)
        if (!s.name.empty()) names.push_back(Utf16ToCp1250(s.name));
    return names;
}

}  // namespace vkm
