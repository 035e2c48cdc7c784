#include "core/cue.h"

#include <cmath>

namespace vkm {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Tick {
    double start_ms, length_ms, hz;
};

}  // namespace

std::vector<std::int16_t> CueSamples(Cue cue, unsigned rate) {
    // A step: one tick at 1.3 kHz. Nothing moved: two ticks an octave lower, 30 ms apart.
    static const Tick kStep[] = {{0, 14, 1300}};
    static const Tick kNothing[] = {{0, 14, 650}, {30, 14, 650}};
    const Tick* ticks = cue == Cue::kStep ? kStep : kNothing;
    const std::size_t count = cue == Cue::kStep ? 1 : 2;
    const Tick& last = ticks[count - 1];
    std::vector<std::int16_t> samples(
        static_cast<std::size_t>(std::ceil((last.start_ms + last.length_ms) * rate / 1000)));
    const double peak = 32767 * std::pow(10.0, kCueDbfs / 20);
    for (std::size_t t = 0; t < count; ++t) {
        const std::size_t first = static_cast<std::size_t>(ticks[t].start_ms * rate / 1000);
        const std::size_t n = static_cast<std::size_t>(ticks[t].length_ms * rate / 1000);
        for (std::size_t i = 0; i < n && first + i < samples.size(); ++i) {
            // A Hann window: the burst starts and ends at zero with no step in its slope.
            const double envelope = 0.5 - 0.5 * std::cos(2 * kPi * (i + 0.5) / n);
            const double x = peak * envelope * std::sin(2 * kPi * ticks[t].hz * i / rate);
            samples[first + i] = static_cast<std::int16_t>(std::lround(x));
        }
    }
    return samples;
}

}  // namespace vkm
