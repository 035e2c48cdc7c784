// A line definition with any number of announcements, for the load benchmarks.
#pragma once

#include <string>

namespace vkm {

inline std::string LineWithAnnouncements(int count) {
    std::string s =
        "[Info]\r\nName=Benchmark\r\nWAV_odjezd=gong.wav\r\nWAV_prijezd=gong.wav,gong.wav\r\n"
        "WAV_Konec=konec.wav\r\n[Hlaseni]\r\n";
    for (int i = 1; i <= count; ++i)
        s += std::to_string(i) + "=odjezd_" + std::to_string(i) + ".wav,pristi_" + std::to_string(i + 1) +
             ".wav\r\n";
    s += "[Uzivatelske_klavesy]\r\na=ALT+B;bezpecnost.wav;Bezpecnost\r\n";
    return s;
}

}  // namespace vkm
