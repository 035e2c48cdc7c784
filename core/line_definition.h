// A line definition file as the program reads it: its name, the sounds around the
// announcements, the keys and the announcements. The window loads a line from it, and
// the line check reads lines through it, so both read a file alike.
#pragma once

#include <string>
#include <vector>

#include "core/hotkeys.h"
#include "core/ini.h"

namespace vkm {

struct LineDefinition {
    std::string name;              // [Info] Name; empty: the line is not offered
    std::string departure_sounds;  // [Info] WAV_odjezd, a sound list
    std::string arrival_sounds;    // [Info] WAV_prijezd
    std::string end_sounds;        // [Info] WAV_Konec
    LineKeys keys;
    // [Hlaseni]: the announcements in file order, each the value of its entry (everything
    // after the first "="), with the entry's name beside it.
    std::vector<std::string> announcements;
    std::vector<std::string> announcement_names;
};

LineDefinition ReadLineDefinition(const IniFile& ini);

}  // namespace vkm
