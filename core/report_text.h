// Czech text for the reports of the line check.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <string>

namespace vkm {

// „text“
inline std::string Quoted(const std::string& s) {
    return "\u201E" + s + "\u201C";
}

// A number with the given digits after the Czech decimal comma: "0,4".
inline std::string Decimal(double value, int digits) {
    if (std::fabs(value) < 0.5 * std::pow(10.0, -digits)) value = 0;  // never "-0,0"
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", digits, value);
    std::string out = buf;
    for (char& c : out)
        if (c == '.') c = ',';
    return out;
}

// "1 soubor", "3 soubory", "5 souborů": a count with its noun in the Czech form for it.
inline std::string Count(std::size_t n, const char* one, const char* few, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : n >= 2 && n <= 4 ? few : many);
}

// "22 050 Hz"
inline std::string FrequencyText(unsigned rate) {
    std::string digits = std::to_string(rate);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(at, " ");
    return digits + " Hz";
}

// "mono", "stereo", "6 kanálů"
inline std::string ChannelsText(unsigned channels) {
    return channels == 1 ? "mono" : channels == 2 ? "stereo" : Count(channels, "kanál", "kanály", "kanálů");
}

}  // namespace vkm
