#include "core/resampler.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace vkm {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kCutoff = 0.465;            // of the lower rate: the middle of the transition band
constexpr double kTransition = 0.07;         // of the lower rate: passband to 0.43, stopband from 0.5
constexpr double kAttenuation = 100;         // dB in the stopband
constexpr unsigned kMaxPhases = 1024;        // more phases than this: interpolated between rows
constexpr unsigned kMaxTableSize = 1 << 22;  // coefficients (16 MB)

// The modified Bessel function of the first kind, order 0, by its power series.
double BesselI0(double x) {
    double sum = 1, term = 1;
    const double q = x * x / 4;
    for (int k = 1; k < 200; ++k) {
        term *= q / (static_cast<double>(k) * k);
        sum += term;
        if (term < sum * 1e-17) break;
    }
    return sum;
}

}  // namespace

std::uint64_t Resampler::OutputFrames(std::uint64_t in_frames, unsigned in_rate, unsigned out_rate) {
    return (in_frames * out_rate + in_rate / 2) / in_rate;
}

Resampler::Resampler(unsigned in_rate, unsigned out_rate, unsigned channels)
    : in_rate_(in_rate), out_rate_(out_rate), channels_(channels) {
    // Frequencies in cycles per input frame; the filter's length in input frames.
    const double scale = std::min(1.0, static_cast<double>(out_rate) / in_rate);
    const double fc = kCutoff * scale;
    const double length = (kAttenuation - 8) / (2.285 * 2 * kPi * kTransition * scale);
    const double reach = length / 2;  // the window's half width
    const double beta = 0.1102 * (kAttenuation - 8.7);
    half_ = static_cast<int>(std::ceil(reach));
    const int taps = 2 * half_;

    // One row per phase where the rates have few; otherwise (or where a long
    // filter would make the table large) rows between which the filter interpolates.
    const unsigned g = std::gcd(in_rate, out_rate);
    const unsigned exact_phases = out_rate / g;
    const unsigned most = std::max(16u, std::min(kMaxPhases, kMaxTableSize / static_cast<unsigned>(taps)));
    exact_ = exact_phases <= most;
    phases_ = exact_ ? exact_phases : most;
    const double i0_beta = BesselI0(beta);

    table_.assign(static_cast<std::size_t>(phases_ + 1) * taps, 0.0f);
    std::vector<double> row(taps);
    for (unsigned p = 0; p <= phases_; ++p) {
        const double f = static_cast<double>(p) / phases_;  // the output frame's offset after input frame i0
        double sum = 0;
        for (int t = 0; t < taps; ++t) {
            const double x = f - (t - half_ + 1);  // distance from input frame i0-half+1+t
            double h = 0;
            if (std::abs(x) < reach) {
                const double r = x / reach;
                const double window = BesselI0(beta * std::sqrt(1 - r * r)) / i0_beta;
                const double y = 2 * fc * x;
                h = 2 * fc * (y == 0 ? 1.0 : std::sin(kPi * y) / (kPi * y)) * window;
            }
            row[t] = h;
            sum += h;
        }
        // Each phase passes a constant signal unchanged.
        for (int t = 0; t < taps; ++t)
            table_[static_cast<std::size_t>(p) * taps + t] = static_cast<float>(row[t] / sum);
    }
    // Silence before the first frame.
    buffer_start_ = -half_;
    buffer_.assign(static_cast<std::size_t>(half_) * channels_, 0.0f);
}

void Resampler::Push(const float* in, std::size_t frames) {
    if (finished_) return;
    buffer_.insert(buffer_.end(), in, in + frames * channels_);
    pushed_ += frames;
}

void Resampler::Finish() {
    if (finished_) return;
    finished_ = true;
    // Silence after the last frame, as far as the filter reaches.
    buffer_.insert(buffer_.end(), static_cast<std::size_t>(half_ + 1) * channels_, 0.0f);
}

std::size_t Resampler::Pull(float* out, std::size_t max_frames) {
    const std::uint64_t total = finished_ ? OutputFrames(pushed_, in_rate_, out_rate_) : UINT64_MAX;
    const int taps = 2 * half_;
    const std::int64_t buffered_end = buffer_start_ + static_cast<std::int64_t>(buffer_.size() / channels_);
    std::size_t made = 0;
    while (made < max_frames && next_out_ < total) {
        const std::uint64_t pos = next_out_ * in_rate_;
        const std::int64_t i0 = static_cast<std::int64_t>(pos / out_rate_);
        if (i0 + half_ >= buffered_end) break;  // the filter needs frames not yet pushed
        const std::uint64_t scaled = (pos % out_rate_) * phases_;
        const unsigned p = static_cast<unsigned>(scaled / out_rate_);
        const float* row = &table_[static_cast<std::size_t>(p) * taps];
        const float* x = &buffer_[static_cast<std::size_t>(i0 - half_ + 1 - buffer_start_) * channels_];
        float* y = out + made * channels_;
        for (unsigned c = 0; c < channels_; ++c) {
            float acc = 0;
            for (int t = 0; t < taps; ++t) acc += row[t] * x[static_cast<std::size_t>(t) * channels_ + c];
            y[c] = acc;
        }
        if (!exact_) {
            // Between two rows of the table: interpolate.
            const float w = static_cast<float>(static_cast<double>(scaled % out_rate_) / out_rate_);
            if (w > 0) {
                const float* next = row + taps;
                for (unsigned c = 0; c < channels_; ++c) {
                    float acc = 0;
                    for (int t = 0; t < taps; ++t)
                        acc += next[t] * x[static_cast<std::size_t>(t) * channels_ + c];
                    y[c] += w * (acc - y[c]);
                }
            }
        }
        ++next_out_;
        ++made;
    }
    Compact();
    return made;
}

void Resampler::Compact() {
    // Drops the frames no later output frame reaches, once they are many.
    const std::int64_t first_needed = static_cast<std::int64_t>(next_out_ * in_rate_ / out_rate_) - half_ + 1;
    const std::int64_t drop = first_needed - buffer_start_;
    if (drop < 4096) return;
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(drop * channels_));
    buffer_start_ += drop;
}

}  // namespace vkm
