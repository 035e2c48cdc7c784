// The INI reader on any bytes: every section, key list and value can be read, the
// encoding is the one detected, the line's name read in pieces is the whole file's, and a section's entries
// are what reading each listed name's value by name gives, the plain way.
#include <algorithm>
#include <vector>

#include "core/codepage.h"
#include "core/ini.h"
#include "core/ini_value_reader.h"
#include "fuzz/fuzz.h"
#include "test_helpers.h"

using namespace vkm;

namespace {

// The entries made the plain way: one listed name at a time, its value read by name, and a name
// listed again (without regard to case) taking the place of the first.
std::vector<IniEntry> EntriesPlainly(const IniFile& ini, const std::string& section) {
    std::vector<IniEntry> entries;
    for (const std::string& name : ini.KeyNames(section)) {
        const std::string value = ini.ReadValue(section, name, "");
        if (value.empty()) continue;
        auto same = std::find_if(entries.begin(), entries.end(),
                                 [&](const IniEntry& e) { return SameTextUtf8(e.name, name); });
        if (same != entries.end())
            *same = IniEntry{name, value};
        else
            entries.push_back(IniEntry{name, value});
    }
    return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const IniFile ini(bytes);
    FUZZ_CHECK(ini.encoding() == DetectEncoding(bytes));
    // The line's name read in pieces, as the catalogue reads it, is the whole file's.
    for (std::size_t piece : {1, 7, 4096}) {
        IniValueReader name("Info", "Name");
        for (std::size_t at = 0; at < bytes.size() && name.Feed(bytes.substr(at, piece)); at += piece) {
        }
        FUZZ_CHECK(name.Value() == ini.ReadValue("Info", "Name", ""));
    }

    for (const std::string section : {"Info", "Hlaseni", "Uzivatelske_klavesy", "", "a", "x]y"}) {
        const std::vector<std::string> names = ini.KeyNames(section);
        for (std::size_t i = 0; i < names.size() && i < 200; ++i) {
            // A default is given back with its trailing spaces dropped, whatever the file holds.
            const std::string value = ini.ReadValue(section, names[i], "d  ");
            FUZZ_CHECK(value == "d" || value.find('\0') == std::string::npos);
        }
        if (names.size() > 300) continue;  // the plain way takes the square of the time
        FUZZ_CHECK(ini.SectionEntries(section) == EntriesPlainly(ini, section));
    }
    return 0;
}
