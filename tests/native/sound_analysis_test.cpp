// Sound measures on generated signals whose answers are known.
#include "core/sound_analysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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
    // 0.21 LU less, the shelf's frequency warping moving 997 Hz down its slope.
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
    at_level[10000] = static_cast<float>(LevelOfDbfs(kSilenceDbfs));
    below[10000] = at_level[10000] * 0.99f;
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
        {kTagPcm, 1, 16, Pcm16({-32768, -32768, -32768, -32768, 32766, 32766, 32766}), 1},
        {kTagPcm, 2, 16, Pcm16({32767, 32767, 32767, 0, 0, 32767}), 0},  // each channel's own runs
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

}  // namespace
}  // namespace vkm::testing
