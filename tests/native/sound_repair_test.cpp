// The repair of a line (vkmcheck --uprav) on real files made by sox: a line made uneven one way per
// sound, each correction step checked on its sound's copy with the report's own measures; the
// copy's report, the source left as it was, idempotence and the refusals.
#include "core/sound_repair.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "core/adpcm.h"
#include "core/sound_analysis.h"
#include "platform/portable/portable_files.h"
#include "platform/portable/portable_sound.h"
#include "vkmcheck/vkmcheck.h"
#include "wave_builder.h"

namespace vkm::testing {
namespace {

struct Repaired {
    SoundMeasures m;  // of the copy, as the report measures it (with the true peak)
    double lufs = 0;  // the line's median, the target
};

TEST(SoundRepair, MendsEachFaultOfALineIntoACopy) {
    ASSERT_TRUE(HaveSox()) << "sox is needed (scripts/setup.sh installs it)";
    ScratchDir dir;
    const std::string line = dir / "linka",
                      speech = "synth 2 pinknoise vol 0.9 tremolo 4 90 fade q 0.02 2 0.02";
    std::filesystem::create_directories(line + "/zvuky");
    const struct {
        const char* name;
        std::string sox;  // output options and effects after "sox -n"
        std::function<void(const Repaired&)> check;
    } rows[] = {
        {"a.wav", "-r 22050 " + speech, nullptr},
        {"b.wav", "-r 22050 " + speech, nullptr},
        {"c.wav", "-r 22050 " + speech, nullptr},
        {"tichy.wav", "-r 22050 " + speech + " gain -8",  // loudness: to the median
         [](const Repaired& r) { EXPECT_NEAR(*r.m.loudness, r.lufs, 0.3); }},
        {"hlasity.wav", "-r 22050 " + speech + " gain 4",
         [](const Repaired& r) { EXPECT_NEAR(*r.m.loudness, r.lufs, 0.3); }},
        {"zvuky/ticho.wav", "-r 22050 " + speech + " pad 0.4 0.4",  // silence: to 50 ms at each end
         [](const Repaired& r) {
             EXPECT_NEAR(r.m.leading_silence / 22.05, 50, 3);
             EXPECT_NEAR(r.m.trailing_silence / 22.05, 50, 3);
         }},
        {"slovo.wav", "-r 22050 " + speech + " gain -40 pad 0.3 0.3 gain 8",  // a quiet word is not cut
         [](const Repaired& r) { EXPECT_GT(r.m.frames, 22050u * 2); }},
        {"dc.wav", "-r 22050 " + speech + " dcshift 0.03",
         [](const Repaired& r) { EXPECT_LT(r.m.dc_offset, 0.002); }},
        {"8k.wav", "-r 8000 " + speech, [](const Repaired& r) { EXPECT_EQ(r.m.rate, 22050u); }},
        {"adpcm.wav", "-r 22050 -e ima-adpcm " + speech,
         [](const Repaired& r) { EXPECT_NEAR(*r.m.loudness, r.lufs, 0.3); }},
        {"naraz.wav", "-r 22050 synth 1 sine 300 0 25 vol 0.3",  // a fade at each end
         [](const Repaired& r) { EXPECT_LT(std::max(r.m.first_level, r.m.last_level), 0.01); }},
        {"spicka.wav",
         "-r 22050 synth 0.0003 sine 1000 vol 0.9 pad 0.1 0.5 repeat 3",  // clicks: the peak limits
         [](const Repaired& r) { EXPECT_LE(20 * std::log10(r.m.true_peak), -1.0); }},
        {"prebuzeny.wav", "-r 22050 synth 2 sine 150 vol 0.5 gain 8", nullptr},
    };
    std::string definition = "[Info]\r\nName=Nerovná\r\n[Hlaseni]\r\n";
    int n = 0;
    for (const auto& row : rows) {
        ASSERT_TRUE(Sox("-R -n -D " + row.sox.substr(0, row.sox.find(" synth")) + " -b 16 -c 1 '" + line +
                        "/" + row.name + "'" + row.sox.substr(row.sox.find(" synth"))))
            << row.name;
        definition += std::to_string(++n) + "=" + std::string(row.name) + "\r\n";
    }
    std::replace(definition.begin(), definition.end(), '/', '\\');
    WriteBytes(line + "/Linka.vkm", definition);
    std::map<std::string, std::string> before;
    for (const auto& e : std::filesystem::recursive_directory_iterator(line))
        if (e.is_regular_file()) before[e.path()] = ReadBytes(e.path());

    PortableFileSystem files;
    PortableFileWriter writer;
    AdpcmCodecs codecs;
    PortableSoundSources sounds(std::nullopt, &codecs);
    auto run = [&](std::vector<std::string> args, std::string& said) {
        said.clear();
        return RunLineCheck(args, files, sounds, writer, [&](const std::string& t) { said += t; });
    };
    std::string said;
    ASSERT_EQ(run({line + "/Linka.vkm", "--uprav", dir / "kopie"}, said), 0) << said;
    EXPECT_EQ(ReadBytes(dir / "kopie/Linka.vkm"), definition) << "the definition byte for byte";
    const std::size_t report = said.find("Kontrola opravené kopie:");
    ASSERT_NE(report, std::string::npos) << said;
    EXPECT_NE(said.find("„prebuzeny.wav“ (hlášení „13“): je přebuzený", report), std::string::npos) << said;
    EXPECT_NE(said.find("„spicka.wav“ (hlášení „12“): hlasitost", report), std::string::npos) << said;
    EXPECT_NE(said.find("Poznámky ke zvukům (2):", report), std::string::npos) << "only those not mended\n"
                                                                               << said;
    EXPECT_NE(said.find("Neopraveno (2): „spicka.wav“, „prebuzeny.wav“"), std::string::npos) << said;
    EXPECT_NE(said.find("zesílení zastavila špička"), std::string::npos) << said;
    EXPECT_NE(said.find("IMA ADPCM, 22 050 Hz, mono → PCM 16 bitů, 22 050 Hz, mono"), std::string::npos)
        << said;
    std::vector<double> loudness;
    for (const auto& row : rows) {
        MemorySource copy(ReadBytes(dir / ("kopie/" + std::string(row.name))));
        const WaveInfo info = ParseWave(copy);
        ASSERT_EQ(info.format.bits, 16u) << row.name;
        std::string data(static_cast<std::size_t>(info.data_size), '\0');
        copy.ReadAt(info.data_offset, &data[0], data.size());
        SoundAnalyzer analyzer(info.format.rate, info.format.channels, 32767 / 32768.0f, true);
        std::vector<float> samples(info.Frames());
        DecodeSamples(info.format, reinterpret_cast<const std::uint8_t*>(data.data()), info.Frames(),
                      samples.data());
        analyzer.Push(samples.data(), samples.size());
        Repaired r{analyzer.Finish(), 0};
        ASSERT_TRUE(r.m.loudness) << row.name;
        if (std::string(row.name) != "spicka.wav" && std::string(row.name) != "prebuzeny.wav")
            loudness.push_back(*r.m.loudness);
        r.lufs = Median(loudness);
        EXPECT_LE(20 * std::log10(r.m.true_peak), -1.0) << row.name;
        if (row.check) row.check(r);
    }
    const auto [low, high] = std::minmax_element(loudness.begin(), loudness.end());
    EXPECT_LT(*high - *low, 1.0) << "the loudness spread of the copy";

    // Once more on its own copy: nothing to mend.
    ASSERT_EQ(run({dir / "kopie/Linka.vkm", "--uprav", dir / "kopie2"}, said), 0) << said;
    std::size_t unchanged = 0;
    for (std::size_t at = 0;
         (at = said.find(": 0,0 dB, oříznuto 0 ms na začátku a 0 ms na konci", at + 1)) != std::string::npos;)
        ++unchanged;
    EXPECT_EQ(unchanged, std::size(rows)) << said;
    // A folder that is not empty, and the line's own folder: refused, nothing written.
    EXPECT_EQ(run({line + "/Linka.vkm", "--uprav", dir / "kopie"}, said), 2);
    EXPECT_NE(said.find("není prázdná; kopii do ní zapíše jen --prepsat. Nic nebylo zapsáno."),
              std::string::npos);
    EXPECT_EQ(run({line + "/Linka.vkm", "--uprav", line, "--prepsat"}, said), 2);
    EXPECT_NE(said.find("Linka.vkm: tento soubor linka čte"), std::string::npos) << said;
    for (const auto& [path, bytes] : before) EXPECT_TRUE(ReadBytes(path) == bytes) << path << " changed";
}

}  // namespace
}  // namespace vkm::testing
