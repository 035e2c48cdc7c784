// The INI reader on any bytes: every section, key list and value can be read, the
// encoding is the one detected, the line's name read in pieces is the whole file's, and a section's entries
// are what reading each listed name's value and merging it into the list by name gives, the plain way.
#include <vector>

#include "core/ini.h"
#include "core/ini_value_reader.h"
#include "fuzz/fuzz.h"

using namespace vkm;

namespace {

// The entries merged the plain way: one listed name at a time, looked up by name.
void MergePlainly(const IniFile& ini, const std::string& section, StringList& list) {
    for (const std::string& name : ini.IniKeyNames(section)) {
        const std::string value = ini.IniReadValue(section, name, "");
        const int at = list.IndexOfName(name);
        if (value.empty()) {
            if (at >= 0) list.Delete(at);
        } else if (at >= 0) {
            list.Put(at, name + "=" + value);
        } else {
            list.Add(name + "=" + value);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const IniFile ini(bytes);
    FUZZ_CHECK(ini.encoding() == DetectEncoding(bytes));
    FUZZ_CHECK(IniFile(bytes, ini.encoding()).IniSectionNames() == ini.IniSectionNames());
    // The line's name read in pieces, as the catalogue reads it, is the whole file's.
    for (std::size_t piece : {1, 7, 4096}) {
        IniValueReader name("Info", "Name");
        for (std::size_t at = 0; at < bytes.size() && name.Feed(bytes.substr(at, piece)); at += piece) {
        }
        FUZZ_CHECK(name.Value() == ini.IniReadValue("Info", "Name", ""));
    }

    std::vector<std::string> sections = ini.IniSectionNames();
    if (sections.size() > 40) sections.resize(40);
    sections.insert(sections.end(), {"Info", "Hlaseni", "Uzivatelske_klavesy", ""});
    for (const std::string& section : sections) {
        const std::vector<std::string> names = ini.IniKeyNames(section);
        for (std::size_t i = 0; i < names.size() && i < 200; ++i) {
            // A default is given back with its trailing spaces dropped, whatever the file holds.
            const std::string value = ini.IniReadValue(section, names[i], "d  ");
            FUZZ_CHECK(value == "d" || value.find('\0') == std::string::npos);
        }
        StringList entries, plain;
        for (StringList* list : {&entries, &plain}) {
            list->Add("kept=from before");
            list->Add("no name here");
        }
        ini.IniSectionEntries(section, entries);
        if (names.size() > 300) continue;  // the plain way takes the square of the time
        MergePlainly(ini, section, plain);
        FUZZ_CHECK(entries.Items() == plain.Items());
    }
    return 0;
}
