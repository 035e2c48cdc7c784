// The names a definition file is read by: its sections and the keys of [Info]. The line
// (ReadLine) and the catalogue read a file by these names alone, and the line check names every
// section and [Info] key of a file that is none of them, so that a misspelt key that binds nothing
// does not go unnoticed.
#pragma once

#include <string>
#include <vector>

#include "core/ini.h"

namespace vkm {

constexpr const char* kInfoSection = "Info";
constexpr const char* kAnnouncementsSection = "Hlaseni";
constexpr const char* kUserKeysSection = "Uzivatelske_klavesy";

constexpr const char* kNameKey = "Name";
constexpr const char* kDepartureSoundsKey = "WAV_odjezd";
constexpr const char* kArrivalSoundsKey = "WAV_prijezd";
constexpr const char* kEndSoundsKey = "WAV_Konec";
constexpr const char* kArrivalKeysKey = "Klavesy_prijezd";
constexpr const char* kDepartureKeysKey = "Klavesy_odjezd";
constexpr const char* kTakeBackKeysKey = "Klavesy_zpet";
constexpr const char* kSkipKeysKey = "Klavesy_vpred";
constexpr const char* kRepeatKeysKey = "Klavesy_znovu";
constexpr const char* kStopKeysKey = "Klavesy_stop";

constexpr const char* kDefinitionSections[] = {kInfoSection, kAnnouncementsSection, kUserKeysSection};
constexpr const char* kInfoKeys[] = {kNameKey,        kDepartureSoundsKey, kArrivalSoundsKey, kEndSoundsKey,
                                     kArrivalKeysKey, kDepartureKeysKey,   kTakeBackKeysKey,  kSkipKeysKey,
                                     kRepeatKeysKey,  kStopKeysKey};

// What of the file the program does not read, in Czech, one text each: keys before the first
// section, every section that is none of the above or comes again, every key of [Info] that is
// none of the above or comes again; an unknown name with the nearest known one when one is close
// ("klíč „Klavesy_zpett“ v sekci [Info] program nečte — myslel jste Klavesy_zpet?"). Names
// compare without regard to case, as the program reads them.
std::vector<std::string> UnreadDefinitionNames(const IniFile& ini);

}  // namespace vkm
