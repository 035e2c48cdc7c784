// The simulator's default key map as one table, a row per command (core/simulator_keys.h says
// what it is). It is read into two arrays: the keys with their Czech names, which the program's
// window needs (simulator_keys.cpp), and the names Open Rails gives the commands, which only the
// line check prints (simulator_key_notes.cpp), so that the program carries no more than it shows.
// Each file that reads the table defines X and expands VKM_SIMULATOR_KEYS(X) with the names of
// key_table in scope.
#pragma once

#include <string>
#include <vector>

#include "core/hotkeys.h"
#include "core/simulator_keys.h"

namespace vkm::key_table {

constexpr unsigned char A = kModAlt, C = kModControl, S = kModShift;
constexpr unsigned char kPause = 0x13, kPrintScreen = 0x2C;  // named by virtual key

// The keys of the table, in its order (simulator_keys.cpp).
extern const SimulatorKey kKeys[];

// The Czech names of the commands, joined with ", ".
std::string CzechNames(const std::vector<const SimulatorKey*>& commands);

}  // namespace vkm::key_table

// Open Rails' default key map (which keeps that of MSTS), a row per command: scan code (0: named
// by its virtual key), virtual key, modifiers held, modifiers held or not, the command as Open
// Rails names it, its Czech name (nullptr where it has no obvious one).
// clang-format off
#define VKM_SIMULATOR_KEYS(X) \
    X(0x07, 0, 0,     0,     "Camera Brakeman", "pohled brzdaře") \
    X(0x4F, 0, S | A, 0,     "Camera Browse Backwards", "kamera projíždí vlak dozadu") \
    X(0x47, 0, S | A, 0,     "Camera Browse Forwards", "kamera projíždí vlak dopředu") \
    X(0x02, 0, 0,     0,     "Camera Cab", "pohled z kabiny") \
    X(0x02, 0, A,     0,     "Camera Toggle 3D Cab", "přepnutí 2D a 3D kabiny") \
    X(0x47, 0, A,     0,     "Camera Car First", "kamera na první vůz") \
    X(0x4F, 0, A,     0,     "Camera Car Last", "kamera na poslední vůz") \
    X(0x49, 0, A,     0,     "Camera Car Next", "kamera na další vůz") \
    X(0x51, 0, A,     0,     "Camera Car Previous", "kamera na předchozí vůz") \
    X(0x09, 0, 0,     0,     "Camera Free", "volná kamera") \
    X(0x4F, 0, 0,     0,     "Camera Head Out Backward", "pohled z okna dozadu") \
    X(0x47, 0, 0,     0,     "Camera Head Out Forward", "pohled z okna dopředu") \
    X(0x0A, 0, 0,     0,     "Camera Jump Back Player", "kamera zpět na vlastní vlak") \
    X(0x0A, 0, A,     0,     "Camera Jumping Trains", "kamera na jiné vlaky") \
    X(0x22, 0, C | A, 0,     "Camera Jump See Switch", "kamera na výhybku") \
    X(0x03, 0, 0,     0,     "Camera Outside Front", "vnější pohled zepředu") \
    X(0x04, 0, 0,     0,     "Camera Outside Rear", "vnější pohled zezadu") \
    X(0x50, 0, 0,     S | C, "Camera Pan (Rotate) Down", "kamera dolů") \
    X(0x4B, 0, 0,     S | C, "Camera Pan (Rotate) Left", "kamera vlevo") \
    X(0x4D, 0, 0,     S | C, "Camera Pan (Rotate) Right", "kamera vpravo") \
    X(0x48, 0, 0,     S | C, "Camera Pan (Rotate) Up", "kamera nahoru") \
    X(0x06, 0, 0,     0,     "Camera Passenger", "pohled cestujícího") \
    X(0x09, 0, S,     0,     "Camera Previous Free", "předchozí volná kamera") \
    X(0x09, 0, C,     0,     "Camera Reset", "výchozí poloha kamery") \
    X(0x50, 0, A,     S | C, "Camera Rotate (Pan) Down", "otočení kamery dolů") \
    X(0x4B, 0, A,     S | C, "Camera Rotate (Pan) Left", "otočení kamery vlevo") \
    X(0x4D, 0, A,     S | C, "Camera Rotate (Pan) Right", "otočení kamery vpravo") \
    X(0x48, 0, A,     S | C, "Camera Rotate (Pan) Up", "otočení kamery nahoru") \
    X(0x4B, 0, A,     0,     "Camera Scroll Left", "posun kamery vlevo") \
    X(0x4D, 0, A,     0,     "Camera Scroll Right", "posun kamery vpravo") \
    X(0x06, 0, S,     0,     "Camera Change Passenger Viewpoint", "jiné místo cestujícího") \
    X(0x02, 0, C | S, 0,     "Camera Change 3DCab Viewpoint", "jiné místo ve 3D kabině") \
    X(0x02, 0, C,     0,     "Camera Toggle Letterbox Cab", nullptr) \
    X(0x02, 0, S,     0,     "Camera Toggle Show Cab", "skrytí kabiny") \
    X(0x05, 0, 0,     0,     "Camera Trackside", "pohled od trati") \
    X(0x05, 0, S,     0,     "Camera SpecialTracksidePoint", "zvláštní místo u trati") \
    X(0x2F, 0, C,     0,     "Camera Vibrate", "otřesy kamery") \
    X(0x49, 0, 0,     S | C, "Camera Zoom In (Move Z)", "přiblížení kamery") \
    X(0x51, 0, 0,     S | C, "Camera Zoom Out (Move Z)", "oddálení kamery") \
    X(0x23, 0, A,     0,     "Control AI Fire On", nullptr) \
    X(0x23, 0, C,     0,     "Control AI Fire Off", nullptr) \
    X(0x23, 0, C | A, 0,     "Control AI Fire Reset", nullptr) \
    X(0x2C, 0, 0,     0,     "Control Alerter", "kontrola bdělosti") \
    X(0x1F, 0, 0,     0,     "Control Backwards", "směr vzad") \
    X(0x35, 0, 0,     0,     "Control Bail Off", "odbrzdění lokomotivy") \
    X(0x35, 0, C,     0,     "Control Brake Quick Release", "rychlé odbrzdění") \
    X(0x35, 0, C | S, 0,     "Control Brake Overcharge", nullptr) \
    X(0x52, 0, 0,     0,     "Control Battery Close", "zapnutí baterie") \
    X(0x52, 0, C,     0,     "Control Battery Open", "vypnutí baterie") \
    X(0x30, 0, 0,     0,     "Control Bell", "zvon") \
    X(0x30, 0, S,     0,     "Control Bell Toggle", "zvon trvale") \
    X(0x31, 0, S,     0,     "Control Blower Decrease", "dmychadlo méně") \
    X(0x31, 0, 0,     0,     "Control Blower Increase", "dmychadlo více") \
    X(0x20, 0, A,     0,     "Control Steam Heat Decrease", "parní topení méně") \
    X(0x16, 0, A,     0,     "Control Steam Heat Increase", "parní topení více") \
    X(0x20, 0, C,     0,     "Control Steam Booster Air Valve", nullptr) \
    X(0x30, 0, C,     0,     "Control Steam Booster Idle Valve", nullptr) \
    X(0x25, 0, C,     0,     "Control Steam Booster Latch", nullptr) \
    X(0x2B, 0, 0,     0,     "Control Brake Hose Connect", "spojení brzdové hadice") \
    X(0x2B, 0, S,     0,     "Control Brake Hose Disconnect", "rozpojení brzdové hadice") \
    X(0x13, 0, A,     0,     "Control Cab Radio", "rádio v kabině") \
    X(0x18, 0, 0,     0,     "Control Circuit Breaker Closing Order", "zapnutí hlavního vypínače") \
    X(0x17, 0, 0,     0,     "Control Circuit Breaker Opening Order", "vypnutí hlavního vypínače") \
    X(0x18, 0, S,     0,     "Control Circuit Breaker Closing Authorization", "povolení zapnout hlavní vypínač") \
    X(0x2E, 0, 0,     0,     "Control Cylinder Cocks", "odvodňovací kohouty válců") \
    X(0x24, 0, C,     0,     "Control Large Ejector Increase", "velký ejektor více") \
    X(0x24, 0, A,     0,     "Control Large Ejector Decrease", "velký ejektor méně") \
    X(0x24, 0, 0,     0,     "Control Small Ejector Increase", "malý ejektor více") \
    X(0x24, 0, S,     0,     "Control Small Ejector Decrease", "malý ejektor méně") \
    X(0x24, 0, 0,     0,     "Control Vacuum Exhauster", "vývěva") \
    X(0x19, 0, 0,     0,     "Control Cylinder Compound", nullptr) \
    X(0x32, 0, S,     0,     "Control Damper Decrease", nullptr) \
    X(0x32, 0, 0,     0,     "Control Damper Increase", nullptr) \
    X(0x15, 0, C,     0,     "Control Diesel Helper", "motor pomocných lokomotiv") \
    X(0x15, 0, S,     0,     "Control Diesel Player", "motor lokomotivy") \
    X(0x10, 0, 0,     0,     "Control Door Left", "dveře vlevo") \
    X(0x10, 0, S,     0,     "Control Door Right", "dveře vpravo") \
    X(0x10, 0, C,     0,     "Control Window Left", "okno vlevo") \
    X(0x10, 0, C | S, 0,     "Control Window Right", "okno vpravo") \
    X(0x33, 0, 0,     0,     "Control Dynamic Brake Decrease", "elektrodynamická brzda méně") \
    X(0x34, 0, 0,     0,     "Control Dynamic Brake Increase", "elektrodynamická brzda více") \
    X(0x30, 0, A,     0,     "Control Electric Train Supply", "napájení vlaku") \
    X(0x0E, 0, 0,     0,     "Control Emergency Push Button", "tlačítko nouzové brzdy") \
    X(0x0E, 0, C,     0,     "Control EOT Emergency Brake", nullptr) \
    X(0x1A, 0, 0,     0,     "Control Engine Brake Decrease", "přímočinná brzda méně") \
    X(0x1B, 0, 0,     0,     "Control Engine Brake Increase", "přímočinná brzda více") \
    X(0x1A, 0, A,     0,     "Control Brakeman Brake Decrease", "brzda brzdaře méně") \
    X(0x1B, 0, A,     0,     "Control Brakeman Brake Increase", "brzda brzdaře více") \
    X(0x21, 0, S,     0,     "Control Firebox Close", "zavření topeniště") \
    X(0x21, 0, 0,     0,     "Control Firebox Open", "otevření topeniště") \
    X(0x13, 0, C,     0,     "Control Fire Shovel Full", "lopata uhlí") \
    X(0x21, 0, C,     0,     "Control Firing", "přikládání") \
    X(0x13, 0, S,     0,     "Control Firing Rate Decrease", "přikládání méně") \
    X(0x13, 0, 0,     0,     "Control Firing Rate Increase", "přikládání více") \
    X(0x11, 0, 0,     0,     "Control Forwards", "směr vpřed") \
    X(0x12, 0, S,     0,     "Control Gear Down", "nižší převodový stupeň") \
    X(0x12, 0, 0,     0,     "Control Gear Up", "vyšší převodový stupeň") \
    X(0x33, 0, S,     0,     "Control Generic Item 1", nullptr) \
    X(0x34, 0, S,     0,     "Control Generic Item 2", nullptr) \
    X(0x33, 0, C,     0,     "Control TCS Generic 1", nullptr) \
    X(0x34, 0, C,     0,     "Control TCS Generic 2", nullptr) \
    X(0x28, 0, S,     0,     "Control Handbrake Full", "ruční brzda zabrzdit") \
    X(0x27, 0, S,     0,     "Control Handbrake None", "ruční brzda odbrzdit") \
    X(0x23, 0, S,     0,     "Control Headlight Decrease", "reflektor méně") \
    X(0x23, 0, 0,     0,     "Control Headlight Increase", "reflektor více") \
    X(0x39, 0, 0,     0,     "Control Horn", "houkačka") \
    X(0x14, 0, C,     0,     "Control ImmediateRefill", "okamžité doplnění zásob") \
    X(0x35, 0, S,     0,     "Control Initialize Brakes", "naplnění brzd") \
    X(0x17, 0, 0,     0,     "Control Injector 1", "injektor 1") \
    X(0x25, 0, S,     0,     "Control Injector 1 Decrease", "injektor 1 méně") \
    X(0x25, 0, 0,     0,     "Control Injector 1 Increase", "injektor 1 více") \
    X(0x18, 0, 0,     0,     "Control Injector 2", "injektor 2") \
    X(0x26, 0, S,     0,     "Control Injector 2 Decrease", "injektor 2 méně") \
    X(0x26, 0, 0,     0,     "Control Injector 2 Increase", "injektor 2 více") \
    X(0x2E, 0, S,     0,     "Control Blowdown Valve", "odkalovací ventil") \
    X(0x26, 0, 0,     0,     "Control Light", "osvětlení kabiny") \
    X(0x1C, 0, 0,     0,     "Control Master Key", "hlavní klíč") \
    X(0x2F, 0, S,     0,     "Control Mirror", "zpětná zrcátka") \
    X(0x19, 0, 0,     0,     "Control Pantograph 1", "pantograf 1") \
    X(0x19, 0, S,     0,     "Control Pantograph 2", "pantograf 2") \
    X(0x19, 0, C,     0,     "Control Pantograph 3", "pantograf 3") \
    X(0x19, 0, S | C, 0,     "Control Pantograph 4", "pantograf 4") \
    X(0x2C, 0, S,     0,     "Control Odometer Show/Hide", "počítadlo vzdálenosti") \
    X(0x2C, 0, C,     0,     "Control Odometer Reset", "nulování počítadla vzdálenosti") \
    X(0x2C, 0, C | S, 0,     "Control Odometer Direction", "směr počítadla vzdálenosti") \
    X(0x14, 0, 0,     0,     "Control Refill", "doplnění zásob") \
    X(0x14, 0, S,     0,     "Control Discrete Unload", "vyložení nákladu") \
    X(0x1A, 0, S,     0,     "Control Retainers Off", nullptr) \
    X(0x1B, 0, S,     0,     "Control Retainers On", nullptr) \
    X(0x2D, 0, 0,     0,     "Control Sander", "pískování") \
    X(0x2D, 0, S,     0,     "Control Sander Toggle", "pískování trvale") \
    X(0x53, 0, 0,     0,     "Control Service Retention", nullptr) \
    X(0x53, 0, C,     0,     "Control Service Retention Cancellation", nullptr) \
    X(0x1E, 0, 0,     0,     "Control Throttle Decrease", "jízdní kontrolér méně") \
    X(0x20, 0, 0,     0,     "Control Throttle Increase", "jízdní kontrolér více") \
    X(0x1E, 0, C,     0,     "Control Throttle Zero", "jízdní kontrolér na nulu") \
    X(0x18, 0, 0,     0,     "Control Traction Cut-Off Relay Closing Order", nullptr) \
    X(0x17, 0, 0,     0,     "Control Traction Cut-Off Relay Opening Order", nullptr) \
    X(0x18, 0, S,     0,     "Control Traction Cut-Off Relay Closing Authorization", nullptr) \
    X(0x27, 0, 0,     0,     "Control Train Brake Decrease", "průběžná brzda méně") \
    X(0x28, 0, 0,     0,     "Control Train Brake Increase", "průběžná brzda více") \
    X(0x27, 0, C,     0,     "Control Train Brake Zero", "průběžná brzda odbrzdit") \
    X(0x2E, 0, A,     0,     "Control Turntable Clockwise", "točna po směru hodinových ručiček") \
    X(0x2E, 0, C,     0,     "Control Turntable Counterclockwise", "točna proti směru hodinových ručiček") \
    X(0x15, 0, 0,     0,     "Control Water Scoop", "nabírání vody za jízdy") \
    X(0x2F, 0, 0,     0,     "Control Wiper", "stěrače") \
    X(0x11, 0, S,     0,     "Control Speed Regulator Mode Increase", nullptr) \
    X(0x1F, 0, S,     0,     "Control Speed Regulator Mode Descrease", nullptr) \
    X(0x20, 0, C | S, 0,     "Control Speed Regulator Max Acceleration Increase", nullptr) \
    X(0x1E, 0, C | S, 0,     "Control Speed Regulator Max Acceleration Decrease", nullptr) \
    X(0x20, 0, S,     0,     "Control Selected Speed Increase", "zvolená rychlost vyšší") \
    X(0x1E, 0, S,     0,     "Control Selected Speed Decrease", "zvolená rychlost nižší") \
    X(0x47, 0, C | S, 0,     "Control Number Of Axles Increase", nullptr) \
    X(0x4F, 0, C | S, 0,     "Control Number Of Axles Decrease", nullptr) \
    X(0x13, 0, C | S, 0,     "Control Restricted Speed Zone Active", nullptr) \
    X(0x1F, 0, C | S, 0,     "Control Cruise Control Mode Decrease", nullptr) \
    X(0x11, 0, C | S, 0,     "Control Cruise Control Mode Increase", nullptr) \
    X(0x31, 0, C | S, 0,     "Control Train Type Change (Passenger/Cargo)", nullptr) \
    X(0x1E, 0, S | A, 0,     "Control Selected Speed To Zero", "zvolená rychlost na nulu") \
    X(0x18, 0, C,     0,     "Control DP Move To Front", nullptr) \
    X(0x18, 0, C | S, 0,     "Control DP Move To Back", nullptr) \
    X(0x26, 0, C,     0,     "Control DP Traction", nullptr) \
    X(0x26, 0, C | S, 0,     "Control DP Idle", nullptr) \
    X(0x28, 0, C,     0,     "Control DP Brake", nullptr) \
    X(0x16, 0, C,     0,     "Control DP More", nullptr) \
    X(0x16, 0, C | S, 0,     "Control DP Less", nullptr) \
    X(0x0C, 0, 0,     0,     "Debug Clock Backwards", "čas zpět") \
    X(0x0D, 0, 0,     0,     "Debug Clock Forwards", "čas vpřed") \
    X(0x3B, 0, A,     0,     "Debug Dump Keyboard Map", "výpis mapy kláves") \
    X(0x0C, 0, S,     0,     "Debug Fog Decrease", "mlha méně") \
    X(0x0D, 0, S,     0,     "Debug Fog Increase", "mlha více") \
    X(0x1F, 0, C | A, 0,     "Debug Lock Shadows", nullptr) \
    X(0x58, 0, 0,     0,     "Debug Logger", "záznam průběhu") \
    X(0x58, 0, A,     0,     "Debug Log Render Frame", nullptr) \
    X(0x0C, 0, S | A, 0,     "Debug Daylight Offset Decrease", nullptr) \
    X(0x0D, 0, S | A, 0,     "Debug Daylight Offset Increase", nullptr) \
    X(0x0C, 0, C,     0,     "Debug Overcast Decrease", "oblačnost méně") \
    X(0x0D, 0, C,     0,     "Debug Overcast Increase", "oblačnost více") \
    X(0x3D, 0, A,     0,     "Debug Physics Form", nullptr) \
    X(0x0C, 0, A,     0,     "Debug Precipitation Decrease", "srážky méně") \
    X(0x0D, 0, A,     0,     "Debug Precipitation Increase", "srážky více") \
    X(0x0C, 0, C | A, 0,     "Debug Precipitation Liquidity Decrease", nullptr) \
    X(0x0D, 0, C | A, 0,     "Debug Precipitation Liquidity Increase", nullptr) \
    X(0x2D, 0, A,     0,     "Debug Reset Wheel Slip", nullptr) \
    X(0x57, 0, C | A, 0,     "Debug Signalling", nullptr) \
    X(0x1F, 0, A,     0,     "Debug Sound Form", nullptr) \
    X(0x51, 0, C | A, 0,     "Debug Speed Down", "zpomalení simulace") \
    X(0x47, 0, C | A, 0,     "Debug Speed Reset", "normální rychlost simulace") \
    X(0x49, 0, C | A, 0,     "Debug Speed Up", "zrychlení simulace") \
    X(0x2D, 0, C | A, 0,     "Debug Toggle Advanced Adhesion", nullptr) \
    X(0x40, 0, C | A, 0,     "Debug Tracks", nullptr) \
    X(0x19, 0, A,     0,     "Debug Weather Change", "změna počasí") \
    X(0x44, 0, C | A, 0,     "Debug Toggle Confirmations", nullptr) \
    X(0x43, 0, A,     0,     "Display Train List Window", "okno seznamu vlaků") \
    X(0x41, 0, 0,     S,     "Display Car Labels", "popisky vozů") \
    X(0x0B, 0, 0,     0,     "Display Compass Window", "okno kompasu") \
    X(0x3B, 0, 0,     S,     "Display Help Window", "okno nápovědy") \
    X(0x3F, 0, A,     S,     "Display HUD", "informační panel") \
    X(0x3F, 0, 0,     S,     "Display Train Driving Window", "okno jízdy vlaku") \
    X(0x43, 0, 0,     0,     "Display Train Car Operations Window", "okno vozů vlaku") \
    X(0x0A, 0, S,     0,     "Display Multi Player Window", "okno hry více hráčů") \
    X(0x44, 0, 0,     0,     "Display Next Station Window", "okno příští stanice") \
    X(0x40, 0, 0,     S,     "Display Station Labels", "popisky stanic") \
    X(0x42, 0, 0,     0,     "Display Switch Window", "okno výhybek") \
    X(0x3E, 0, 0,     S,     "Display Track Monitor Window", "okno sledování trati") \
    X(0x43, 0, C | A, 0,     "Display Train Operations Window", "okno operací s vlakem") \
    X(0x43, 0, S,     0,     "Display Train Dpu Window", nullptr) \
    X(0x43, 0, C,     0,     "Display EOT List Window", nullptr) \
    X(0x41, 0, A,     0,     "Display Train Forces Window", "okno sil ve vlaku") \
    X(0x3F, 0, C,     0,     "Display Control Rectangles", nullptr) \
    X(0x1E, 0, A,     0,     "Game Autopilot Mode", "autopilot") \
    X(0x12, 0, C,     0,     "Game Change Cab", "změna kabiny") \
    X(0x0F, 0, S,     0,     "Game Clear Signal Backward", "uvolnění návěstidla vzadu") \
    X(0x0F, 0, 0,     0,     "Game Clear Signal Forward", "uvolnění návěstidla vpředu") \
    X(0x29, 0, 0,     0,     "Game External Controller (RailDriver)", "vnější ovladač (RailDriver)") \
    X(0x1C, 0, A,     0,     "Game Fullscreen", "celá obrazovka") \
    X(0x0A, 0, C,     0,     "Game Multi Player Dispatcher", nullptr) \
    X(0x14, 0, A,     0,     "Game Multi Player Texting", nullptr) \
    X(0,    kPause, 0, 0,    "Game Pause", "pauza") \
    X(0x01, 0, 0,     0,     "Game Pause Menu", "nabídka pauzy") \
    X(0x3E, 0, A,     0,     "Game Quit", "ukončení simulátoru") \
    X(0x0E, 0, S,     0,     "Game Reset Out Of Control Mode", nullptr) \
    X(0x12, 0, A,     0,     "Game Request Control", nullptr) \
    X(0x0F, 0, C | S, 0,     "Game Reset Signal Backward", nullptr) \
    X(0x0F, 0, C,     0,     "Game Reset Signal Forward", nullptr) \
    X(0x3C, 0, 0,     0,     "Game Save", "uložení hry") \
    X(0,    kPrintScreen, 0, 0, "Game Screenshot", "snímek obrazovky") \
    X(0x22, 0, C,     0,     "Game Signal Picked", nullptr) \
    X(0x22, 0, 0,     0,     "Game Switch Ahead", "výhybka před vlakem") \
    X(0x22, 0, S,     0,     "Game Switch Behind", "výhybka za vlakem") \
    X(0x32, 0, C,     0,     "Game Switch Manual Mode", nullptr) \
    X(0x22, 0, A,     0,     "Game Switch Picked", nullptr) \
    X(0x16, 0, 0,     0,     "Game Uncouple With Mouse", "rozpojování myší")
// clang-format on
