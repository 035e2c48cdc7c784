// The resampler against sox's own: the same speech-band signal converted by both.
#include "core/resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "wave_builder.h"

namespace vkm::testing {
namespace {

// A speech-band test signal: tones from 150 Hz to 3.3 kHz, faded in and out as
// speech starts and ends, as 16-bit samples.
std::vector<int> SpeechBand(unsigned rate, double seconds) {
    const double tones[][2] = {{150, 0.2}, {440, 0.15}, {1013, 0.15}, {2200, 0.1}, {3300, 0.08}};
    const std::size_t n = static_cast<std::size_t>(rate * seconds);
    const std::size_t fade = rate / 50;
    std::vector<int> s(n);
    for (std::size_t i = 0; i < n; ++i) {
        double v = 0;
        for (const auto& t : tones)
            v += t[1] * std::sin(2 * M_PI * t[0] * static_cast<double>(i) / rate + t[0]);
        const std::size_t edge = std::min(i, n - 1 - i);
        if (edge < fade) v *= 0.5 - 0.5 * std::cos(M_PI * static_cast<double>(edge) / fade);
        s[i] = static_cast<int>(std::lround(v * 32767));
    }
    return s;
}

std::vector<float> Resample(const std::vector<int>& in, unsigned in_rate, unsigned out_rate) {
    Resampler r(in_rate, out_rate, 1);
    std::vector<float> out;
    std::vector<float> buf(700);
    std::size_t fed = 0;
    for (;;) {
        const std::size_t got = r.Pull(buf.data(), buf.size());
        out.insert(out.end(), buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(got));
        if (got > 0) continue;
        if (r.finished()) break;
        // Input in uneven pieces, as a stream brings it.
        const std::size_t piece = std::min<std::size_t>(333, in.size() - fed);
        if (piece == 0) {
            r.Finish();
            continue;
        }
        std::vector<float> f(piece);
        for (std::size_t i = 0; i < piece; ++i) f[i] = static_cast<float>(in[fed + i]) / 32768.0f;
        r.Push(f.data(), piece);
        fed += piece;
    }
    return out;
}

// sox's conversion of the same samples, as floating point (no dither).
std::vector<float> SoxResample(const ScratchDir& dir, const std::vector<int>& in, unsigned in_rate,
                               unsigned out_rate) {
    WriteBytes(dir / "in.wav", PlainWave(1, 1, in_rate, 16, Pcm16(in)));
    EXPECT_TRUE(Sox("'" + (dir / "in.wav") + "' -t raw -e floating-point -b 32 -r " +
                    std::to_string(out_rate) + " '" + (dir / "out.f32") + "'"));
    const std::string raw = ReadBytes(dir / "out.f32");
    std::vector<float> out(raw.size() / 4);
    if (!out.empty()) std::memcpy(out.data(), raw.data(), out.size() * 4);
    return out;
}

double SnrDb(const std::vector<float>& ref, const std::vector<float>& got) {
    double signal = 0, noise = 0;
    for (std::size_t i = 0; i < std::min(ref.size(), got.size()); ++i) {
        signal += static_cast<double>(ref[i]) * ref[i];
        noise += (static_cast<double>(ref[i]) - got[i]) * (static_cast<double>(ref[i]) - got[i]);
    }
    return 10 * std::log10(signal / std::max(noise, 1e-30));
}

TEST(Resampler, MatchesSoxWithinSixtyDecibels) {
    ASSERT_TRUE(HaveSox()) << "sox is needed (scripts/setup.sh installs it)";
    ScratchDir dir;
    struct Case {
        unsigned from, to;
        double min_db;
    } cases[] = {
        {22050, 44100, 60},
        {8000, 44100, 60},
        {48000, 44100, 60},  // down
        {11111, 44100, 60},  // rates with no common step: phases interpolated
    };
    for (const Case& c : cases) {
        const std::vector<int> in = SpeechBand(c.from, 1.0);
        const std::vector<float> ours = Resample(in, c.from, c.to);
        const std::vector<float> sox = SoxResample(dir, in, c.from, c.to);
        EXPECT_EQ(ours.size(), Resampler::OutputFrames(in.size(), c.from, c.to));
        EXPECT_NEAR(static_cast<double>(ours.size()), static_cast<double>(sox.size()), 1);
        const double snr = SnrDb(sox, ours);
        std::printf("%u -> %u Hz: %.1f dB against sox\n", c.from, c.to, snr);
        EXPECT_GE(snr, c.min_db) << c.from << " -> " << c.to;
    }
}

// Rates far apart with no common step: a long filter whose phases are
// interpolated between few rows. A constant passes unchanged, at the right length.
TEST(Resampler, KeepsAConstantAcrossExtremeRates) {
    for (const auto& [from, to] : {std::pair<unsigned, unsigned>{384001, 1000}, {1000, 383999}}) {
        Resampler r(from, to, 2);
        const std::vector<float> in(2 * static_cast<std::size_t>(from), 0.5f);
        r.Push(in.data(), from);
        r.Finish();
        std::vector<float> out(2 * static_cast<std::size_t>(to) + 8);
        const std::size_t n = r.Pull(out.data(), to + 4);
        EXPECT_EQ(n, Resampler::OutputFrames(from, from, to));
        for (std::size_t i = n / 4; i < 3 * n / 4; ++i)
            ASSERT_NEAR(out[2 * i + 1], 0.5f, 1e-3) << from << " " << i;
    }
}

}  // namespace
}  // namespace vkm::testing
