#include "core/sound_analysis.h"

#include <algorithm>
#include <cmath>

namespace vkm {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Loudness: a block's loudness is kOffset + 10 log10(its weighted mean square).
constexpr double kOffset = -0.691;
constexpr double kAbsoluteGate = -70;  // LUFS
constexpr double kRelativeGate = -10;  // LU below the mean of the blocks over the absolute gate
// Blocks are kept in a histogram of their loudness from the absolute gate up: the
// relative gate then decides bin by bin (by each bin's mean), which moves only the
// blocks within one bin's width of it, and memory stays the same for any length.
constexpr double kBinLu = 0.01;
constexpr double kTopLufs = 30;  // louder blocks go into the top bin (even +-4 samples stay below)
constexpr double kMaxSample = 4;
constexpr unsigned kMaxChannels = 65535;  // as many as a WAV header can name

constexpr std::size_t kPieceBytes = 64 * 1024;  // read from the file at a time

// The K-weighting filters as given for 48 kHz: a high shelf of about +4 dB above
// 1.5 kHz (the head), then a high pass at about 40 Hz.
constexpr double kRate48 = 48000;
constexpr double kShelf48[5] = {1.53512485958697, -2.69169618940638, 1.19839281085285, -1.69065929318241,
                                0.73248077421585};
constexpr double kHighpass48[5] = {1.0, -2.0, 1.0, -1.99004745483398, 0.99007225036621};

// A biquad's analogue prototype in p = s / (2 pi f0), f0 its pole frequency:
// H(p) = (n2 p^2 + n1 p + n0) / (p^2 + p / q + 1).
struct Prototype {
    double f0, n2, n1, n0, inv_q;
};

// Undoes the bilinear transform, pre-warped at the pole frequency, that made the
// biquad c (b0, b1, b2, a1, a2) at rate. With u = (1 - 1/z) / (1 + 1/z), which is
// j tan(w / 2) on the unit circle, numerator and denominator become quadratics in u;
// the denominator's u^2 and u^0 terms give tan(pi f0 / rate).
Prototype Unwarp(const double (&c)[5], double rate) {
    const double m2 = c[0] - c[1] + c[2], m1 = 2 * (c[0] - c[2]), m0 = c[0] + c[1] + c[2];
    const double d2 = 1 - c[3] + c[4], d1 = 2 * (1 - c[4]), d0 = 1 + c[3] + c[4];
    const double k = std::sqrt(d0 / d2);
    return {rate / kPi * std::atan(k), m2 / d2, m1 * k / d0, m0 / d0, d1 * k / d0};
}

// The prototype's biquad b at rate, by the bilinear transform pre-warped at f0 (its
// response at f0 is the prototype's). Above a quarter of the rate, where tan grows
// without bound, it is pre-warped at a quarter of the rate instead (the same there).
void Digitise(const Prototype& p, double rate, double (&b)[5]) {
    const double k = p.f0 < rate / 4 ? std::tan(kPi * p.f0 / rate) : 4 * p.f0 / rate;
    // H = (n2 u^2 + n1 k u + n0 k^2) / (u^2 + k / q u + k^2); each quadratic
    // A u^2 + B u + C times (1 + 1/z)^2 is (A + B + C) + 2 (C - A) / z + (A - B + C) / z^2.
    const double kk = k * k, a0 = 1 + k * p.inv_q + kk;
    b[0] = (p.n2 + p.n1 * k + p.n0 * kk) / a0;
    b[1] = 2 * (p.n0 * kk - p.n2) / a0;
    b[2] = (p.n2 - p.n1 * k + p.n0 * kk) / a0;
    b[3] = 2 * (kk - 1) / a0;
    b[4] = (1 - k * p.inv_q + kk) / a0;
}

// One sample through a biquad (b0, b1, b2, a1, a2) in transposed direct form II.
inline double Run(const double (&c)[5], double x, double (&s)[2]) {
    const double y = c[0] * x + s[0];
    s[0] = c[1] * x - c[3] * y + s[1];
    s[1] = c[2] * x - c[4] * y;
    return y;
}

double Loudness(double energy) {
    return kOffset + 10 * std::log10(energy);
}

// The largest positive sample of a plain stored format, as DecodeSamples makes it.
float FullScale(const WaveFormat& f) {
    if (f.encoding == SampleEncoding::kFloat) return 1.0f;
    if (f.encoding == SampleEncoding::kPcm) {
        // The valid bits are the high ones of the container; fewer than 8 are taken as 8.
        const unsigned bits = std::clamp(f.bits, 8u, 8 * f.SampleBytes());
        const double top = std::ldexp(1.0, static_cast<int>(bits) - 1);
        return static_cast<float>((top - 1) / top);
    }
    // A-law and mu-law: the largest of their 256 codes.
    WaveFormat one = f;
    one.channels = one.block_align = 1;
    std::uint8_t codes[256];
    float values[256];
    for (unsigned i = 0; i < 256; ++i) codes[i] = static_cast<std::uint8_t>(i);
    DecodeSamples(one, codes, 256, values);
    return *std::max_element(values, values + 256);
}

// A compressed file through its codec, read as the player reads it, cut to the fact chunk's length.
std::optional<SoundMeasures> AnalyseCompressed(ByteSource& source, const WaveInfo& info, Codecs* codecs) {
    const WaveFormat& f = info.format;
    std::unique_ptr<CompressedDecoder> decoder = codecs ? codecs->Open(f) : nullptr;
    if (!decoder) return std::nullopt;
    CompressedReader reader(source, info, std::move(decoder));
    SoundAnalyzer analyzer(f.rate, f.channels, 32767.0f / 32768.0f);
    std::vector<std::int16_t> pcm;
    std::vector<float> samples;
    std::uint64_t frames_left = info.fact_frames ? *info.fact_frames : UINT64_MAX;
    while (frames_left > 0 && reader.Next(pcm)) {
        const std::size_t frames =
            static_cast<std::size_t>(std::min<std::uint64_t>(pcm.size() / f.channels, frames_left));
        samples.resize(frames * f.channels);
        for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = pcm[i] * (1.0f / 32768.0f);
        analyzer.Push(samples.data(), frames);
        frames_left -= frames;
    }
    return analyzer.Finish();
}

// The modified Bessel function I0, for the Kaiser window.
double BesselI0(double x) {
    double sum = 1, term = 1;
    for (int k = 1; k < 40; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

}  // namespace

TruePeakMeter::TruePeakMeter(unsigned channels)
    : channels_(channels), history_(static_cast<std::size_t>(channels) * kTaps, 0.0f) {
    // Tap k of 49 is sinc((k - 24) / 4) under a Kaiser window (beta 6): every fourth tap, from
    // the middle one, falls on a sample and is the sample itself. The others make three phases of
    // 12 taps, each scaled to pass a constant unchanged.
    constexpr int kLength = 4 * kTaps + 1;
    constexpr double kBeta = 6;
    for (int p = 1; p <= 3; ++p) {
        double sum = 0, taps[kTaps];
        for (int j = 0; j < kTaps; ++j) {
            const int k = 4 * j + p;
            const double t = (k - (kLength - 1) / 2.0) / 4, r = 2.0 * k / (kLength - 1) - 1;
            taps[j] =
                std::sin(kPi * t) / (kPi * t) * BesselI0(kBeta * std::sqrt(1 - r * r)) / BesselI0(kBeta);
            sum += taps[j];
        }
        double l1 = 0;
        for (int j = 0; j < kTaps; ++j) {
            phase_[p - 1][j] = static_cast<float>(taps[j] / sum);
            l1 += std::fabs(taps[j] / sum);
        }
        bound_ = std::max(bound_, l1);
    }
}

void TruePeakMeter::Push(const float* interleaved, std::size_t frames) {
    // Each channel in blocks, its last kTaps samples before them; a block whose largest sample
    // cannot make a point over the peak found so far is not interpolated.
    constexpr std::size_t kBlock = 256;
    work_.resize(kTaps + kBlock);
    for (unsigned c = 0; c < channels_; ++c) {
        float* history = history_.data() + static_cast<std::size_t>(c) * kTaps;
        for (std::size_t at = 0; at < frames; at += kBlock) {
            const std::size_t n = std::min(kBlock, frames - at);
            std::copy_n(history, kTaps, work_.begin());
            float top = 0;
            for (std::size_t i = 0; i < n; ++i) {
                const float x = interleaved[(at + i) * channels_ + c];
                work_[kTaps + i] = x;
                top = std::max(top, std::fabs(x));
            }
            for (int i = 0; i < kTaps; ++i) top = std::max(top, std::fabs(history[i]));
            peak_ = std::max(peak_, static_cast<double>(top));
            if (top * bound_ > peak_) {
                // Point p of sample i lies between samples i - 6 and i - 5 (the filter's delay).
                float most = 0;
                for (std::size_t i = kTaps; i < kTaps + n; ++i) {
                    for (const float* h : {phase_[0], phase_[1], phase_[2]}) {
                        float y = 0;
                        for (int j = 0; j < kTaps; ++j) y += h[j] * work_[i - j];
                        most = std::max(most, std::fabs(y));
                    }
                }
                peak_ = std::max(peak_, static_cast<double>(most));
            }
            std::copy_n(work_.begin() + static_cast<std::ptrdiff_t>(n), kTaps, history);
        }
    }
}

double LevelOfDbfs(double dbfs) {
    return std::pow(10.0, dbfs / 20);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

SoundAnalyzer::SoundAnalyzer(unsigned rate, unsigned channels, float full_scale, bool true_peak)
    : rate_(rate),
      channels_(channels <= kMaxChannels ? channels : 0),
      full_scale_(full_scale),
      silence_level_(static_cast<float>(LevelOfDbfs(kSilenceDbfs))),
      channel_(channels_) {
    if (true_peak) true_peak_.emplace(channels_);
    if (!(full_scale_ > 0)) full_scale_ = 1;  // also not a number
    for (unsigned c = 0; c < channels_; ++c)
        channel_[c].weight = channels_ >= 6 && c == 3 ? 0.0 : c < 3 ? 1.0 : 1.41;
    if (rate_ >= 10) {
        Digitise(Unwarp(kShelf48, kRate48), rate_, shelf_);
        Digitise(Unwarp(kHighpass48, kRate48), rate_, highpass_);
        // The high pass keeps the numerator (1, -2, 1) that it has at 48 kHz at every rate, as the
        // field's reference library does: at 8 kHz that measures 0.2 LU more than the filter's
        // gain at 48 kHz would.
        highpass_[0] = 1;
        highpass_[1] = -2;
        highpass_[2] = 1;
        quarter_end_ = rate_ / 10;
        bins_.resize(static_cast<std::size_t>((kTopLufs - kAbsoluteGate) / kBinLu) + 1);
    } else {
        quarter_end_ = UINT64_MAX;
    }
}

void SoundAnalyzer::Push(const float* interleaved, std::size_t frames) {
    if (!interleaved || channels_ == 0) return;
    const float* in = interleaved;
    for (std::size_t n = 0; n < frames; ++n, in += channels_) {
        float peak = 0;
        for (unsigned c = 0; c < channels_; ++c) {
            float x = in[c];
            if (x != x) x = 0;
            x = std::clamp(x, static_cast<float>(-kMaxSample), static_cast<float>(kMaxSample));
            const float a = std::fabs(x);
            peak = std::max(peak, a);
            Channel& ch = channel_[c];
            ch.sum += x;
            const bool negative = x < 0;
            if (a < full_scale_ || negative != ch.clip_negative) ch.clip_run = 0;
            ch.clip_negative = negative;
            if (a >= full_scale_ && ++ch.clip_run == kClippedRunSamples) ++clipped_runs_;
            ch.same = x == ch.last ? ch.same + 1 : 1;
            ch.last = x;
            if (a > top_[negative]) {
                top_[negative] = a;
                top_runs_[negative] = 0;
            }
            if (ch.same == kClippedRunSamples && a == top_[negative]) ++top_runs_[negative];
            const double y = Run(highpass_, Run(shelf_, x, ch.shelf), ch.highpass);
            ch.energy += y * y;
        }
        if (peak >= silence_level_) {
            if (!heard_) first_heard_ = frames_;
            for (Channel& ch : channel_) {
                if (!heard_) ch.sum_before_heard = ch.sum - ch.last;
                ch.sum_heard = ch.sum;
            }
            heard_ = true;
            last_heard_ = frames_;
        }
        if (frames_ == 0) first_level_ = peak;
        last_level_ = peak;
        if (++frames_ == quarter_end_) EndQuarter();
    }
    if (!true_peak_) return;
    // The samples as counted above: a number is 0, beyond +-4 is +-4.
    clean_.resize(frames * channels_);
    for (std::size_t i = 0; i < clean_.size(); ++i)
        clean_[i] =
            interleaved[i] == interleaved[i]
                ? std::clamp(interleaved[i], static_cast<float>(-kMaxSample), static_cast<float>(kMaxSample))
                : 0.0f;
    true_peak_->Push(clean_.data(), frames);
}

void SoundAnalyzer::EndQuarter() {
    const std::size_t q = quarters_ % 4;
    quarter_energy_[q] = 0;
    for (Channel& ch : channel_) {
        quarter_energy_[q] += ch.weight * ch.energy;
        ch.energy = 0;
    }
    quarter_frames_[q] = frames_ - quarters_ * rate_ / 10;
    ++quarters_;
    quarter_end_ = (quarters_ + 1) * rate_ / 10;
    if (quarters_ < 4) return;
    double energy = 0;
    std::uint64_t frames = 0;
    for (int i = 0; i < 4; ++i) {
        energy += quarter_energy_[i];
        frames += quarter_frames_[i];
    }
    energy /= static_cast<double>(frames);
    const double lufs = Loudness(energy);
    if (!(lufs > kAbsoluteGate)) return;
    const double bin = std::min((lufs - kAbsoluteGate) / kBinLu, static_cast<double>(bins_.size() - 1));
    Bin& b = bins_[static_cast<std::size_t>(bin)];
    ++b.blocks;
    b.energy += energy;
}

SoundMeasures SoundAnalyzer::Finish() const {
    SoundMeasures m;
    m.rate = rate_;
    m.channels = channels_;
    m.frames = frames_;
    m.leading_silence = heard_ ? first_heard_ : frames_;
    m.trailing_silence = heard_ ? frames_ - 1 - last_heard_ : frames_;
    m.clipped_runs = clipped_runs_;
    for (int negative = 0; negative < 2; ++negative)
        if (top_[negative] < full_scale_ && top_[negative] >= LevelOfDbfs(kClippedTopDbfs))
            m.clipped_runs += top_runs_[negative];
    for (const Channel& ch : channel_) {
        m.means.push_back(frames_ ? ch.sum / static_cast<double>(frames_) : 0.0);
        m.dc_offset = std::max(m.dc_offset, std::fabs(m.means.back()));
        m.heard_means.push_back(heard_ ? (ch.sum_heard - ch.sum_before_heard) /
                                             static_cast<double>(last_heard_ - first_heard_ + 1)
                                       : m.means.back());
    }
    m.true_peak = true_peak_ ? true_peak_->peak() : 0;
    m.first_level = first_level_;
    m.last_level = last_level_;

    double energy = 0;
    std::uint64_t blocks = 0;
    for (const Bin& b : bins_) {
        energy += b.energy;
        blocks += b.blocks;
    }
    if (blocks == 0) return m;
    const double gate = Loudness(energy / static_cast<double>(blocks)) + kRelativeGate;
    energy = 0;
    blocks = 0;
    for (const Bin& b : bins_) {
        if (b.blocks == 0 || !(Loudness(b.energy / static_cast<double>(b.blocks)) > gate)) continue;
        energy += b.energy;
        blocks += b.blocks;
    }
    if (blocks) m.loudness = Loudness(energy / static_cast<double>(blocks));
    return m;
}

std::optional<SoundMeasures> AnalyseWave(ByteSource& source, Codecs* codecs) {
    const WaveInfo info = ParseWave(source);
    if (info.fault != WaveFault::kNone) return std::nullopt;
    const WaveFormat& f = info.format;
    if (f.encoding == SampleEncoding::kCompressed) return AnalyseCompressed(source, info, codecs);
    SoundAnalyzer analyzer(f.rate, f.channels, FullScale(f));
    const std::size_t piece = std::max<std::size_t>(1, kPieceBytes / f.block_align);
    std::vector<std::uint8_t> raw;
    std::vector<float> samples;
    std::uint64_t offset = info.data_offset;
    for (std::uint64_t left = info.Frames(); left > 0;) {
        raw.resize(static_cast<std::size_t>(std::min<std::uint64_t>(piece, left)) * f.block_align);
        const std::size_t frames = source.ReadAt(offset, raw.data(), raw.size()) / f.block_align;
        if (frames == 0) break;  // the file can no longer be read: the player stops here too
        samples.resize(frames * f.channels);
        DecodeSamples(f, raw.data(), frames, samples.data());
        analyzer.Push(samples.data(), frames);
        offset += static_cast<std::uint64_t>(frames) * f.block_align;
        left -= frames;
    }
    return analyzer.Finish();
}

}  // namespace vkm
