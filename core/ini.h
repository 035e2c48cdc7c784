// A reader of INI text that answers as the Windows profile API does, reading the
// file's bytes once. Values and key names come back whole, however long.
//
// Text is decoded as Windows decodes an INI file: a UTF-8 or UTF-16 byte-order
// mark selects that encoding, anything else is code page 1250. Names and values
// are handed out as CP1250 bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/string_list.h"

namespace vkm {

class IniFile {
public:
    IniFile() = default;  // no file: every key is absent
    explicit IniFile(std::string_view bytes);

    // The value of the first occurrence of key in section, or def when the key is absent.
    std::string IniReadValue(const std::string& section, const std::string& key, const std::string& def) const;
    // The names of the section's keys in file order (comment lines, lines without "="
    // and empty names left out).
    std::vector<std::string> IniKeyNames(const std::string& section) const;
    // Merges the section's non-empty values into list as name=value entries; an
    // empty value removes an entry of that name. list is not cleared first.
    void IniSectionEntries(const std::string& section, StringList& list) const;

private:
    struct Key {
        std::u16string name;
        std::optional<std::u16string> value;  // none: the line had no "="
    };
    struct Section {
        std::u16string name;
        std::vector<Key> keys;
    };
    const Section* FindSection(std::u16string_view name, bool trim) const;

    std::vector<Section> sections_;  // the first holds the lines before any header
};

}  // namespace vkm
