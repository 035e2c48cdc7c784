#include "core/ini.h"

#include <cstdint>

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

// A name passed in, up to a zero character, as the profile API sees it.
std::u16string Wide(const std::string& utf8) {
    return Utf8ToUtf16(std::string_view(utf8).substr(0, utf8.find('\0')));
}

bool SameText(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ToUpperUtf16(a[i]) != ToUpperUtf16(b[i])) return false;
    return true;
}

bool HasMark(std::string_view bytes, std::string_view mark) {
    return bytes.substr(0, mark.size()) == mark;
}

std::u16string Decode(std::string_view bytes, TextEncoding encoding) {
    auto u8 = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    switch (encoding) {
        case TextEncoding::kUtf8:
            return Utf8TextToUtf16(bytes.substr(HasMark(bytes, "\xEF\xBB\xBF") ? 3 : 0));
        case TextEncoding::kUtf8WithoutMark:
            return Utf8TextToUtf16(bytes);
        case TextEncoding::kUtf16LE:
        case TextEncoding::kUtf16BE: {
            const bool big_endian = encoding == TextEncoding::kUtf16BE;
            const std::size_t start = HasMark(bytes, big_endian ? "\xFE\xFF" : "\xFF\xFE") ? 2 : 0;
            std::u16string out;
            out.reserve(bytes.size() / 2);
            // An odd last byte is no character and is dropped.
            for (std::size_t i = start; i + 1 < bytes.size(); i += 2)
                out +=
                    static_cast<char16_t>(big_endian ? (u8(i) << 8) | u8(i + 1) : u8(i) | (u8(i + 1) << 8));
            return out;
        }
        case TextEncoding::kCp1250:
            break;
    }
    return Cp1250ToUtf16(bytes);
}

// Appends the text as UTF-8; ASCII, as most names and values are, byte for byte.
void AppendUtf8(std::string& out, std::u16string_view s) {
    for (char16_t c : s)
        if (c >= 0x80) {
            out += Utf16ToUtf8(s);
            return;
        }
    const std::size_t at = out.size();
    out.resize(at + s.size());
    for (std::size_t i = 0; i < s.size(); ++i) out[at + i] = static_cast<char>(s[i]);
}

// A value in matching single or double quotes loses them.
std::u16string_view StripQuotes(std::u16string_view v) {
    if (v.size() >= 2 && (v.front() == u'\'' || v.front() == u'"') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// Names compared without regard to case, each with the value of the first key of that name and the
// place of its entry in a list: open addressing over slots made beforehand, so that a section of
// many keys costs no allocation for each.
class NameTable {
  public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    struct Slot {
        std::u16string_view name;
        const std::optional<std::u16string_view>* first_value = nullptr;  // of the first key, valued or not
        std::size_t place = kNone;                                        // of the name's entry
    };

    // For at most most names.
    explicit NameTable(std::size_t most) {
        slots_.reserve(most);  // never more: the slots stay where they are
        std::size_t size = 16;
        while (size < 2 * most) size *= 2;
        table_.assign(size, kNone);
    }

    // The slot of the name; a new one when there is none and make, else nullptr.
    Slot* Find(std::u16string_view name, bool make) {
        std::uint64_t hash = 14695981039346656037ull;
        for (char16_t c : name) hash = (hash ^ ToUpperUtf16(c)) * 1099511628211ull;
        const std::size_t mask = table_.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            if (table_[at] == kNone) {
                if (!make) return nullptr;
                table_[at] = slots_.size();
                slots_.push_back(Slot{name});
                return &slots_.back();
            }
            if (SameText(slots_[table_[at]].name, name)) return &slots_[table_[at]];
        }
    }

  private:
    std::vector<Slot> slots_;
    std::vector<std::size_t> table_;  // slot numbers, kNone where free
};

}  // namespace

TextEncoding DetectEncoding(std::string_view bytes) {
    if (HasMark(bytes, "\xEF\xBB\xBF")) return TextEncoding::kUtf8;
    if (HasMark(bytes, "\xFF\xFE")) return TextEncoding::kUtf16LE;
    if (HasMark(bytes, "\xFE\xFF")) return TextEncoding::kUtf16BE;
    if (IsUtf8BeyondAscii(bytes)) return TextEncoding::kUtf8WithoutMark;
    return TextEncoding::kCp1250;
}

IniFile::IniFile(std::string_view bytes) : IniFile(bytes, DetectEncoding(bytes)) {}

IniFile::IniFile(std::string_view bytes, TextEncoding encoding) : encoding_(encoding) {
    if (bytes.empty()) return;  // Windows reads an empty file as one without sections
    text_ = std::make_shared<const std::u16string>(Decode(bytes, encoding));
    const std::u16string_view all(*text_);
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
                sections_.push_back(Section{UpToZero(Trim(line.substr(1, close - 1))), {}});
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
        Key key{UpToZero(name), std::nullopt};
        if (value) key.value = UpToZero(*value);
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

std::string IniFile::ReadValue(const std::string& section, const std::string& key,
                               const std::string& def) const {
    const std::u16string wsection = Wide(section);
    const std::u16string wkey = Wide(key);
    if (const Section* s = FindSection(Trim(wsection))) {
        const std::u16string_view wanted = Trim(wkey);
        for (const Key& k : s->keys) {
            if (!SameText(k.name, wanted)) continue;
            if (!k.value) break;
            return Utf16ToUtf8(StripQuotes(*k.value));
        }
    }
    // The default loses its trailing spaces, all but a first character.
    std::u16string d = Wide(def);
    while (d.size() > 1 && d.back() == u' ') d.pop_back();
    return Utf16ToUtf8(StripQuotes(d));
}

std::vector<std::string> IniFile::KeyNames(const std::string& section) const {
    std::vector<std::string> names;
    if (const Section* s = FindSection(Wide(section))) {
        for (const Key& k : s->keys)
            if (k.value && (k.name.empty() || k.name.front() != u';')) names.push_back(Utf16ToUtf8(k.name));
    }
    return names;
}

std::vector<IniEntry> IniFile::SectionEntries(const std::string& section) const {
    // One pass over the section: each listed name takes the value of the first key of that name, and
    // its entry goes where the name's first entry is (ReadValue would search for each).
    const std::u16string wsection = Wide(section);
    const Section* listed = FindSection(wsection);      // as KeyNames looks it up
    const Section* keys = FindSection(Trim(wsection));  // as ReadValue looks it up
    std::vector<IniEntry> entries;
    if (!listed) return entries;
    NameTable names((keys ? keys->keys.size() : 0) + (listed != keys ? listed->keys.size() : 0));
    std::vector<NameTable::Slot*> slot_of_key;  // by the key's place in the section
    if (keys) {
        slot_of_key.reserve(keys->keys.size());
        for (const Key& k : keys->keys) {
            NameTable::Slot& slot = *names.Find(k.name, true);
            if (!slot.first_value) slot.first_value = &k.value;
            slot_of_key.push_back(&slot);
        }
    }
    for (std::size_t i = 0; i < listed->keys.size(); ++i) {
        const Key& k = listed->keys[i];
        if (!k.value || (!k.name.empty() && k.name.front() == u';')) continue;  // not listed
        NameTable::Slot& slot = listed == keys ? *slot_of_key[i] : *names.Find(k.name, true);
        // The value is looked up by the name without its surrounding white space.
        const std::optional<std::u16string_view>* first = slot.first_value;
        const std::u16string_view trimmed = Trim(k.name);
        if (trimmed.size() != k.name.size()) {
            const NameTable::Slot* other = names.Find(trimmed, false);
            first = other ? other->first_value : nullptr;
        }
        const std::u16string_view value = first && *first ? StripQuotes(**first) : std::u16string_view();
        if (value.empty()) continue;
        IniEntry entry;
        AppendUtf8(entry.name, k.name);
        AppendUtf8(entry.value, value);
        if (slot.place != NameTable::kNone) {
            entries[slot.place] = std::move(entry);  // the later name, at the first one's place
        } else {
            slot.place = entries.size();
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}

std::vector<std::string> IniFile::SectionNames() const {
    std::vector<std::string> names;
    for (std::size_t i = 1; i < sections_.size(); ++i) names.push_back(Utf16ToUtf8(sections_[i].name));
    return names;
}

bool IniFile::HasSection(const std::string& section) const {
    return FindSection(Trim(Wide(section))) != nullptr;
}

bool IniFile::ValueOpen(const std::string& section, const std::string& key) const {
    const Section* s = FindSection(Trim(Wide(section)));
    if (!s) return true;
    if (s != &sections_.back()) return false;
    const std::u16string wkey = Wide(key);
    const std::u16string_view wanted = Trim(wkey);
    for (const Key& k : s->keys)
        if (SameText(k.name, wanted)) return false;
    return true;
}

}  // namespace vkm
