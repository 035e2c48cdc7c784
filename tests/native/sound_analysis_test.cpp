// Sound measures on generated signals whose answers are known.
#include "core/sound_analysis.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "wave_builder.h"

namespace vkm::testing {
namespace {

const float kNaN = std::nanf(""), kInf = INFINITY;

// Samples pushed in uneven pieces, as a file's reader brings them.
SoundMeasures Measure(unsigned channels, const std::vector<float>& samples) {
    SoundAnalyzer a(48000, channels, 1.0f);
    for (std::size_t at = 0, piece = 1; at < samples.size() / channels; at += piece, piece = piece * 3 % 1000)
        a.Push(samples.data() + at * channels, std::min(piece, samples.size() / channels - at));
    return a.Finish();
}

std::optional<SoundMeasures> MeasureFile(const std::string& bytes) {
    MemorySource source(bytes);
    return AnalyseWave(source, nullptr);
}

TEST(SoundAnalysis, Loudness) {
    // A 997 Hz sine of peak -20 dBFS measures -23.0 LUFS: at 48 kHz its mean square exactly; at 8 kHz
    // the shelf's frequency warping and the high pass's gain there nearly cancel.
    struct Case {
        unsigned rate, channels, tone_channel;
        double tone_seconds, quiet_seconds, silence_seconds;  // the tone, then at -60 dBFS, then silence
        std::optional<double> lufs;
        double tolerance;
    } cases[] = {
        {48000, 1, 0, 3, 0, 0, 10 * std::log10(0.1 * 0.1 / 2), 0.005},
        {44100, 1, 0, 3, 0, 0, -23.0, 0.1},
        {22050, 2, 0, 3, 0, 0, -23.0, 0.1},
        {8000, 1, 0, 3, 0, 0, -23.0, 0.25},
        // Gated out: silence, a stretch 20 dB quieter; the 3 blocks across hold 3/4, 1/2, 1/4 of the tone.
        {48000, 1, 0, 3, 0, 10, -23.0 + 10 * std::log10(28.5 / 30), 0.05},
        {48000, 1, 0, 4, 20, 0, -23.0 + 10 * std::log10(38.5 / 40), 0.05},
        {48000, 6, 4, 3, 0, 0, -23.0 + 10 * std::log10(1.41), 0.1},  // a surround channel
        {48000, 6, 3, 3, 0, 0, std::nullopt, 0},                     // the low-frequency channel
        {48000, 1, 0, 0.399, 0, 0, std::nullopt, 0},                 // shorter than a block
        {48000, 1, 0, 0, 0, 2, std::nullopt, 0},
        {48000, 1, 0, 0, 3, 0, -63.0, 0.05},  // over the absolute gate at -70 LUFS
    };
    for (const Case& c : cases) {
        std::vector<int> samples;
        const double seconds = c.tone_seconds + c.quiet_seconds + c.silence_seconds;
        for (std::size_t i = 0; i < static_cast<std::size_t>(seconds * c.rate); ++i) {
            const double t = static_cast<double>(i) / c.rate;
            const double peak = t < c.tone_seconds ? 0.1 : t < seconds - c.silence_seconds ? 0.001 : 0;
            const int x = static_cast<int>(std::lround(32768 * peak * std::sin(2 * M_PI * 997 * t)));
            for (unsigned ch = 0; ch < c.channels; ++ch) samples.push_back(ch == c.tone_channel ? x : 0);
        }
        const auto m = MeasureFile(PlainWave(kTagPcm, c.channels, c.rate, 16, Pcm16(samples)));
        ASSERT_TRUE(m && m->loudness.has_value() == c.lufs.has_value()) << c.rate << " Hz, " << seconds;
        EXPECT_NEAR(m->loudness.value_or(0), c.lufs.value_or(0), c.tolerance) << c.rate << " Hz, " << seconds;
        EXPECT_EQ(m->frames, samples.size() / c.channels);
    }
}

TEST(SoundAnalysis, SilenceAtEachEnd) {
    std::vector<float> at_level(15001, 0.0f), below = at_level;
    at_level[10000] = 0.0031989f;  // -49.9 dBFS: heard
    below[10000] = 0.0031261f;     // -50.1 dBFS: silence
    struct Case {
        unsigned channels;
        std::vector<float> samples;
        std::uint64_t leading, trailing;
    } cases[] = {
        {1, at_level, 10000, 5000},
        {1, below, 15001, 15001},  // all silence
        {1, {kNaN, -0.5f, kNaN, 0.5f, 0, 0}, 1, 2},
        {2, {0, 0, 0, 0, 0, -0.5f, 0, 0}, 2, 1},  // one channel heard is enough
        {3, {}, 0, 0},
    };
    for (const Case& c : cases) {
        const SoundMeasures m = Measure(c.channels, c.samples);
        EXPECT_EQ(m.leading_silence, c.leading);
        EXPECT_EQ(m.trailing_silence, c.trailing);
    }
}

TEST(SoundAnalysis, ClippedRunsAtEachFormatsFullScale) {
    struct Case {
        unsigned tag, channels, bits;  // 12 bits are held in 2 bytes
        std::string data;
        std::uint64_t runs;
    } cases[] = {
        {kTagPcm, 1, 16, Pcm16({0, 32767, 32767, 32767, 0, 32767, 32767}), 1},  // two are no run
        {kTagPcm, 1, 16, Pcm16({32767, 32767, 32767, -32768, -32768, -32768, 32767, 32767, 32767}), 3},
        {kTagPcm, 2, 16, Pcm16({32767, 32767, 32767, 0, 0, 32767}), 0},  // each channel's own runs
        // Equal samples at the fragment's own top of their sign (clipped, then made quieter) from -30 dBFS.
        {kTagPcm, 1, 16, Pcm16({-32768, -32768, -32768, 32766, 32766, 32766}), 2},
        {kTagPcm, 1, 16, Pcm16({1050, 1050, 1050, -100}), 1},  // -29.9 dBFS
        {kTagPcm, 1, 16, Pcm16({1020, 1020, 1020, -100}), 0},  // -30.1 dBFS
        {kTagPcm, 1, 16, Pcm16({9000, 9000, 9000, 9001}), 0},  // not the top
        {kTagPcm, 1, 8, std::string("\xFF\xFF\xFF\x80\x00\x00\x00", 7), 2},
        {kTagPcm, 1, 24, "\xFF\xFF\x7F\xFF\xFF\x7F\xFF\xFF\x7F", 1},
        {kTagPcm, 1, 12, Pcm16({32752, 32752, 32752}), 1},  // the top of 12 bits is 2047 * 16
        {kTagALaw, 1, 8, "\xAA\xAA\xAA", 1},
    };
    for (const Case& c : cases) {
        const unsigned align = c.channels * ((c.bits + 7) / 8);
        const auto m = MeasureFile(
            Wave(Chunk("fmt ", FormatBody(c.tag, c.channels, 8000, c.bits, align)) + Chunk("data", c.data)));
        ASSERT_TRUE(m);
        EXPECT_EQ(m->clipped_runs, c.runs) << c.tag << ", " << c.bits << " bits, " << c.data.size();
    }
}

TEST(SoundAnalysis, DcOffsetAndEdgeLevels) {
    struct Case {
        unsigned channels;
        std::vector<float> samples;
        double dc, first, last;
    } cases[] = {
        {1, {0.52f, -0.48f, 0.52f, -0.48f, 0.52f, -0.48f}, 0.02, 0.52, 0.48},
        {2, {0.1f, -0.3f, 0, -0.05f, 0.2f, 0.05f}, 0.1, 0.3, 0.2},
        {2, {0, 0.03f, 0, 0.01f}, 0.02, 0.03, 0.01},  // one channel's offset
        {1, {-0.7f}, 0.7, 0.7, 0.7},
        {1, {kNaN, 1e30f, -kInf, 0.25f}, 0.0625, 0, 0.25},  // not a number is 0, beyond +-4 is +-4
        {2, {}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const SoundMeasures m = Measure(c.channels, c.samples);
        EXPECT_NEAR(m.dc_offset, c.dc, 1e-6);
        EXPECT_NEAR(m.first_level, c.first, 1e-6);
        EXPECT_NEAR(m.last_level, c.last, 1e-6);
    }
}

// Integrated loudness and true peak against libebur128, the field's reference, on generated
// signals and the demo line's spoken sounds (made by demo/make_demo.sh when espeak-ng is there);
// prints the table.
TEST(SoundAnalysis, AgreesWithLibebur128) {
    struct Row {
        std::string name;
        unsigned rate, channels;
        std::vector<float> samples;
        std::optional<double> by_hand = {};  // the loudness worked out by hand, within 0.05 LU
    };
    std::vector<Row> rows;
    auto generated = [&](std::string name, unsigned rate, unsigned channels, double seconds, auto wave) {
        Row r{std::move(name), rate, channels, {}};
        for (std::size_t i = 0; i < static_cast<std::size_t>(seconds * rate); ++i)
            for (unsigned c = 0; c < channels; ++c)
                r.samples.push_back(static_cast<float>(wave(double(i) / rate, c)));
        rows.push_back(std::move(r));
    };
    std::uint32_t seed = 1;
    auto noise = [&seed] { return (seed = seed * 1664525u + 1013904223u) / 4294967296.0 - 0.5; };
    generated("sinus 997 Hz, 48 kHz", 48000, 1, 3,
              [](double t, unsigned) { return 0.1 * std::sin(2 * M_PI * 997 * t); });
    generated("sinus fs/4 posunutý o 45°, 22,05 kHz", 22050, 1, 2,
              [](double t, unsigned) { return 0.7 * std::sin(2 * M_PI * 5512.5 * t + M_PI / 4); });
    generated("sinus 10 kHz, 44,1 kHz stereo", 44100, 2, 2,
              [](double t, unsigned c) { return (c ? 0.3 : 0.6) * std::sin(2 * M_PI * 10000 * t + c); });
    generated("šum s tichem, 22,05 kHz", 22050, 1, 4,
              [&](double t, unsigned) { return t < 2.5 ? 0.5 * noise() : 0.0; });
    generated("přelet 50 Hz - 3,9 kHz, 8 kHz", 8000, 1, 3,
              [](double t, unsigned) { return 0.5 * std::sin(2 * M_PI * (50 + 640 * t) * t); });
    // Both gates, each moving the result far beyond the tolerances (without the relative one 2.9 LU lower,
    // without the absolute one 2.8): the 997 Hz sine of mean square 0.005 (-23.01 LUFS at 48 kHz) 2 s, 15 dB
    // lower 2 s, 80 dB lower (under -70 LUFS) 20 s. Of the 237 blocks 17 are loud (energy 1), 3 across into
    // the quieter part (3/4, 1/2, 1/4 loud, the rest q = 10^-1.5), 17 quieter, 3 across into the quietest,
    // 197 quietest. The 40 over -70 LUFS hold 18.5 + 20 q: the relative gate, 10 log10((18.5 + 20 q) / 40)
    // - 10 = -13.2 dB from the loud level, leaves the 20 blocks of 18.5 + 1.5 q.
    auto gated = [](double t) { return t < 2 ? 1.0 : t < 4 ? std::pow(10, -15 / 20.0) : 1e-4; };
    generated("sinus 997 Hz, o 15 a 80 dB tišší, 48 kHz", 48000, 1, 24,
              [&](double t, unsigned) { return gated(t) * 0.1 * std::sin(2 * M_PI * 997 * t); });
    rows.back().by_hand = 10 * std::log10(0.005 * (18.5 + 1.5 * std::pow(10, -1.5)) / 20);
    ScratchDir dir;
    const std::string source = __FILE__, root = source.substr(0, source.rfind("tests/native/"));
    if (std::system("command -v espeak-ng >/dev/null && command -v sox >/dev/null") == 0 &&
        std::system(("bash '" + root + "demo/make_demo.sh' '" + dir.path() + "' >/dev/null 2>&1").c_str()) ==
            0) {
        for (const char* name :
             {"gong.wav", "odjezd_praha.wav", "prijezd_kolin.wav", "konec.wav", "zpozdeni.wav"}) {
            MemorySource file(ReadBytes(dir / name));
            const WaveInfo info = ParseWave(file);
            ASSERT_EQ(info.fault, WaveFault::kNone) << name;
            std::string data(static_cast<std::size_t>(info.data_size), '\0');
            file.ReadAt(info.data_offset, &data[0], data.size());
            Row r{std::string("ukázka ") + name, info.format.rate, info.format.channels,
                  std::vector<float>(static_cast<std::size_t>(info.Frames()) * info.format.channels)};
            DecodeSamples(info.format, reinterpret_cast<const std::uint8_t*>(data.data()), info.Frames(),
                          r.samples.data());
            rows.push_back(std::move(r));
        }
    } else {
        std::printf("(espeak-ng or sox missing: the demo's sounds are left out)\n");
    }
    std::printf("%-40s %10s %10s %8s %10s %10s %8s\n", "signal", "LUFS", "libebur128", "diff", "dBTP",
                "libebur128", "diff");
    for (const Row& r : rows) {
        SoundAnalyzer ours(r.rate, r.channels, 1.0f, true);
        ours.Push(r.samples.data(), r.samples.size() / r.channels);
        const SoundMeasures m = ours.Finish();
        ebur128_state* ref = ebur128_init(r.channels, r.rate, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
        ebur128_add_frames_float(ref, r.samples.data(), r.samples.size() / r.channels);
        double lufs = 0, peak = 0;
        ebur128_loudness_global(ref, &lufs);
        for (unsigned c = 0; c < r.channels; ++c) {
            double p = 0;
            ebur128_true_peak(ref, c, &p);
            peak = std::max(peak, p);
        }
        ebur128_destroy(&ref);
        const double our_tp = 20 * std::log10(m.true_peak), ref_tp = 20 * std::log10(peak);
        std::printf("%-40s %10.2f %10.2f %8.3f %10.2f %10.2f %8.3f\n", r.name.c_str(),
                    m.loudness.value_or(-HUGE_VAL), lufs, m.loudness.value_or(-HUGE_VAL) - lufs, our_tp,
                    ref_tp, our_tp - ref_tp);
        ASSERT_TRUE(m.loudness) << r.name;
        EXPECT_NEAR(*m.loudness, lufs, 0.1) << r.name;
        if (r.by_hand) {
            EXPECT_NEAR(*m.loudness, *r.by_hand, 0.05) << r.name;
        }
        EXPECT_NEAR(our_tp, ref_tp, 0.2) << r.name;
    }
}

}  // namespace
}  // namespace vkm::testing
