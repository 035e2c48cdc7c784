#include "core/line_definition.h"

namespace vkm {

LineDefinition ReadLineDefinition(const IniFile& ini) {
    LineDefinition line;
    line.name = ini.IniReadValue("Info", "Name", "");
    line.departure_sounds = ini.IniReadValue("Info", "WAV_odjezd", "");
    line.arrival_sounds = ini.IniReadValue("Info", "WAV_prijezd", "");
    line.end_sounds = ini.IniReadValue("Info", "WAV_Konec", "");
    line.keys = ReadLineKeys(ini);
    StringList entries;
    ini.IniSectionEntries("Hlaseni", entries);
    line.announcements.reserve(entries.Items().size());
    line.announcement_names.reserve(entries.Items().size());
    for (const std::string& entry : entries.Items()) {
        line.announcement_names.push_back(entry.substr(0, entry.find('=')));
        line.announcements.push_back(EntryValue(entry));
    }
    return line;
}

}  // namespace vkm
