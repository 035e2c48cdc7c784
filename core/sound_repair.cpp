#include "core/sound_repair.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

#include "core/codepage.h"
#include "core/playout.h"
#include "core/report_text.h"
#include "core/sound_analysis.h"

namespace vkm {

namespace {

constexpr std::size_t kPieceFrames = 4096;  // converted at a time

// Where a sound's converted frames rise over a level: for levels in steps of an eighth of an
// octave (from the float's exponent and the top of its mantissa), the first and the last frame
// whose largest |sample| lies in the step. The frames at or over any level are then those of the
// steps from the level's own up: found without knowing the level while reading.
class LevelSteps {
  public:
    static constexpr int kLowestExponent = -30;  // about -180 dBFS; below is step 0

    static std::size_t Step(float level) {
        if (!(level >= std::ldexp(1.0f, kLowestExponent))) return 0;
        std::uint32_t bits;
        std::memcpy(&bits, &level, sizeof bits);
        const int exponent = static_cast<int>(bits >> 23) - 127;
        return std::min<std::size_t>(
            kSteps - 1, 1 + static_cast<std::size_t>(exponent - kLowestExponent) * 8 + ((bits >> 20) & 7));
    }
    void Add(float level, std::uint64_t frame) {
        Span& s = spans_[Step(level)];
        if (!s.seen) s.first = frame;
        s.seen = true;
        s.last = frame;
    }
    // The first and the last frame at or over level (at most an eighth of an octave under it).
    std::optional<std::pair<std::uint64_t, std::uint64_t>> Over(float level) const {
        std::optional<std::pair<std::uint64_t, std::uint64_t>> out;
        for (std::size_t i = std::max<std::size_t>(1, Step(level)); i < kSteps; ++i) {
            const Span& s = spans_[i];
            if (!s.seen) continue;
            if (!out) out.emplace(s.first, s.last);
            out->first = std::min(out->first, s.first);
            out->second = std::max(out->second, s.last);
        }
        return out;
    }

  private:
    static constexpr std::size_t kSteps = 1 + 8 * (3 - kLowestExponent);  // up to +4
    struct Span {
        bool seen = false;
        std::uint64_t first = 0, last = 0;
    };
    Span spans_[kSteps];
};

// The source's samples with the DC offset of each channel taken away over the frames heard.
class WithoutDc : public SampleReader {
  public:
    WithoutDc(std::unique_ptr<SampleReader> source, const SoundRepair::Plan& plan)
        : source_(std::move(source)), plan_(plan) {}
    std::size_t Read(float* out, std::size_t frames) override {
        const std::size_t n = source_->Read(out, frames);
        const unsigned ch = source_->channels();
        for (std::size_t f = 0; f < n; ++f, ++at_)
            if (at_ >= plan_.heard_from && at_ < plan_.heard_to)
                for (unsigned c = 0; c < ch && c < plan_.dc.size(); ++c)
                    out[f * ch + c] -= static_cast<float>(plan_.dc[c]);
        return n;
    }
    unsigned channels() const override { return source_->channels(); }
    unsigned rate() const override { return source_->rate(); }

  private:
    std::unique_ptr<SampleReader> source_;
    const SoundRepair::Plan& plan_;
    std::uint64_t at_ = 0;
};

// The file's samples without their DC offset, converted to the plan's rate and channels, or
// nullptr when they cannot be read.
std::unique_ptr<SampleReader> Converted(const SoundRepair& r, SoundSources& sources) {
    std::unique_ptr<ByteSource> source = sources.Open(r.file.path);
    if (!source) return nullptr;
    const WaveInfo info = ParseWave(*source);
    if (info.fault != WaveFault::kNone) return nullptr;
    std::unique_ptr<SampleReader> reader = OpenSampleReader(std::move(source), info, sources.codecs());
    if (!reader) return nullptr;
    if (std::any_of(r.plan.dc.begin(), r.plan.dc.end(), [](double d) { return d != 0; }))
        reader = std::make_unique<WithoutDc>(std::move(reader), r.plan);
    return ConvertSamples(std::move(reader), r.plan.rate, r.plan.channels);
}

// Reads the sound converted, without its DC offset, and hands frames [from, to) to analyzer and
// the level of each frame to steps (either may be null); frames gets how many the sound has.
bool Scan(const SoundRepair& r, SoundSources& sources, std::uint64_t from, std::uint64_t to,
          SoundAnalyzer* analyzer, LevelSteps* steps, std::uint64_t& frames) {
    std::unique_ptr<SampleReader> reader = Converted(r, sources);
    if (!reader) return false;
    const unsigned ch = r.plan.channels;
    std::vector<float> piece(kPieceFrames * ch);
    frames = 0;
    while (const std::size_t n = reader->Read(piece.data(), kPieceFrames)) {
        for (std::size_t f = 0; steps && f < n; ++f) {
            float top = 0;
            for (unsigned c = 0; c < ch; ++c) top = std::max(top, std::fabs(piece[f * ch + c]));
            steps->Add(top, frames + f);
        }
        const std::uint64_t first = std::max(from, frames), last = std::min(to, frames + n);
        if (analyzer && first < last)
            analyzer->Push(piece.data() + (first - frames) * ch, static_cast<std::size_t>(last - first));
        frames += n;
    }
    return true;
}

// Why a sound that the report cannot measure is not copied.
std::string NotCopied(const WaveInfo& info, Codecs* codecs) {
    const WaveFault fault = info.fault;
    if (fault == WaveFault::kUnreadable) return "chybí nebo nejde přečíst: do kopie nejde";
    if (fault != WaveFault::kNone) return "nelze přehrát: do kopie nejde";
    if (codecs && !codecs->Decides(info.format))
        return "tato verze vkmcheck ho neumí dekódovat (ve Windows ho přehraje kodek systému): do kopie "
               "nejde; opravte linku programem vkmcheck.exe ve Windows";
    return "žádný kodek ho nepřehraje: do kopie nejde";
}

// Measures each sound as the report measures it and decides the copy's format and loudness.
std::vector<std::optional<SoundMeasures>> MeasureLine(SoundSources& sources, const RepairOptions& options,
                                                      LineRepair& repair) {
    std::vector<std::optional<SoundMeasures>> measured(repair.sounds.size());
    std::vector<double> loudness;
    std::map<unsigned, std::size_t> rates;
    for (std::size_t i = 0; i < repair.sounds.size(); ++i) {
        SoundRepair& r = repair.sounds[i];
        std::unique_ptr<ByteSource> source = sources.Open(r.file.path);
        const WaveInfo info = source ? ParseWave(*source) : WaveInfo{WaveFault::kUnreadable, {}, 0, 0, {}};
        if (info.fault == WaveFault::kNone) {
            r.before = FormatText(info.format);
            measured[i] = AnalyseWave(*source, sources.codecs());
        }
        if (!measured[i]) {
            r.unmended.push_back(NotCopied(info, sources.codecs()));
        } else if (!r.file.inside()) {
            r.unmended.push_back("leží mimo složku linky: do kopie nejde, zkopírujte ho ručně");
            measured[i].reset();
        } else {
            ++rates[measured[i]->rate];
            repair.channels = std::max(repair.channels, std::min(measured[i]->channels, 2u));
            if (measured[i]->loudness) loudness.push_back(*measured[i]->loudness);
        }
    }
    for (const auto& [rate, count] : rates)  // the most used; of as many, the highest
        if (repair.rate == 0 || count >= rates[repair.rate]) repair.rate = rate;
    if (options.rate) repair.rate = *options.rate;
    repair.channels = std::max(repair.channels, 1u);
    repair.target_is_median = !options.loudness;
    if (options.loudness)
        repair.target_lufs = options.loudness;
    else if (!loudness.empty())
        repair.target_lufs = Median(loudness);
    return measured;
}

// The frames kept of a sound of frames frames whose levels are steps: those from margin before the
// first to margin after the last that is heard once gain is applied.
void Trim(const LevelSteps& steps, std::uint64_t frames, std::uint64_t margin, double gain,
          SoundRepair::Plan& plan) {
    plan.start = 0;
    plan.end = frames;
    if (const auto heard = steps.Over(static_cast<float>(LevelOfDbfs(kSilenceDbfs) / gain))) {
        plan.start = heard->first > margin ? heard->first - margin : 0;
        plan.end = std::min(frames, heard->second + 1 + margin);
    }
}

// The gain in dB that brings what is kept to the target as far as its true peak allows.
double GainFor(const SoundMeasures& kept, const LineRepair& repair, SoundRepair& r) {
    if (!repair.target_lufs) return 0;
    if (!kept.loudness) {
        r.unmended.push_back(
            "je kratší než 0,4 s nebo příliš tichý na změření hlasitosti: hlasitost nezměněna");
        return 0;
    }
    const double limit = LevelOfDbfs(kRepairPeakDbtp - 0.01);  // a hair under, for rounding to 16 bits
    const double wanted = *repair.target_lufs - *kept.loudness;
    const double gain_db = std::min(wanted, 20 * std::log10(limit / std::max(kept.true_peak, 1e-9)));
    if (wanted - gain_db > kRepairShortLu)
        r.unmended.push_back("zesílení zastavila špička (" + Decimal(kRepairPeakDbtp, 0) +
                             " dBTP): zůstává o " + Decimal(wanted - gain_db, 1) + " LU tišší než cíl");
    return std::fabs(gain_db) < 0.05 ? 0 : gain_db;  // a mended sound stays as it is
}

// Plans the repair of one sound that the report measured as m; false when it cannot be read again.
bool PlanSound(const SoundMeasures& m, const LineRepair& repair, const RepairOptions& options,
               SoundSources& sources, SoundRepair& r) {
    const StreamFormat out{SampleEncoding::kPcm, repair.rate, repair.channels, 16};
    r.after = FormatText(WaveFormat{SampleEncoding::kPcm,
                                    kTagPcm,
                                    out.channels,
                                    out.rate,
                                    16,
                                    out.BlockAlign(),
                                    out.rate * out.BlockAlign(),
                                    0,
                                    {}});
    if (m.clipped_runs > 0)
        r.unmended.push_back("je přebuzený (" + std::to_string(m.clipped_runs) +
                             "×): ořezané špičky oprava nevrátí, nahrajte ho znovu");
    SoundRepair::Plan& plan = r.plan;
    plan.rate = out.rate;
    plan.channels = out.channels;
    plan.dc = m.heard_means;
    for (double& d : plan.dc)  // one under a twentieth of the report's limit is left: a mended sound stays
        if (std::fabs(d) < kDcOffsetLimit / 20) d = 0;
    plan.heard_from = m.leading_silence;
    plan.heard_to = m.frames - std::min(m.frames, m.trailing_silence);
    // Converted, without its DC offset: where it is heard, for any level.
    LevelSteps steps;
    std::uint64_t frames = 0;
    if (!Scan(r, sources, 0, UINT64_MAX, nullptr, &steps, frames)) {
        r.unmended.push_back("nejde přečíst podruhé: do kopie nejde");
        return false;
    }
    // The loudness and true peak of what is kept, trimmed with the gain that the source's loudness
    // calls for; the gain they call for, as far as the peak allows, and the trim once more with it.
    const auto margin = static_cast<std::uint64_t>(std::llround(options.margin_seconds * out.rate));
    const double first_gain_db = repair.target_lufs && m.loudness ? *repair.target_lufs - *m.loudness : 0;
    Trim(steps, frames, margin, LevelOfDbfs(first_gain_db), plan);
    SoundAnalyzer analyzer(out.rate, out.channels, 1.0f, true);
    Scan(r, sources, plan.start, plan.end, &analyzer, nullptr, frames);
    r.gain_db = GainFor(analyzer.Finish(), repair, r);
    plan.gain = LevelOfDbfs(r.gain_db);
    Trim(steps, frames, margin, plan.gain, plan);
    if (!steps.Over(static_cast<float>(LevelOfDbfs(kSilenceDbfs) / plan.gain)) && frames > 0)
        r.unmended.push_back("je celý ticho: nic neořízl");
    plan.fade = static_cast<std::uint64_t>(
        std::llround(std::min(kRepairFadeSeconds, options.margin_seconds) * out.rate));
    r.trimmed_start_ms = 1000.0 * static_cast<double>(plan.start) / out.rate;
    r.trimmed_end_ms = 1000.0 * static_cast<double>(frames - plan.end) / out.rate;
    return true;
}

}  // namespace

std::string FormatText(const WaveFormat& f) {
    std::string kind;
    const std::string bits = f.bits == 1 ? "1 bit" : Count(f.bits, "bit", "bity", "bitů");
    switch (f.encoding) {
        case SampleEncoding::kPcm:
            kind = "PCM " + bits;
            break;
        case SampleEncoding::kFloat:
            kind = "float " + bits;
            break;
        case SampleEncoding::kALaw:
            kind = "A-law";
            break;
        case SampleEncoding::kMuLaw:
            kind = "mu-law";
            break;
        case SampleEncoding::kCompressed:
            kind = f.tag == kTagImaAdpcm  ? "IMA ADPCM"
                   : f.tag == kTagMsAdpcm ? "MS ADPCM"
                   : f.tag == kTagGsm610  ? "GSM 6.10"
                   : f.tag == kTagMpeg || f.tag == kTagMpegLayer3
                       ? "MPEG"
                       : "komprimovaný (0x" +
                             [&] {
                                 char hex[8];
                                 std::snprintf(hex, sizeof hex, "%04X", f.tag);
                                 return std::string(hex);
                             }() +
                             ")";
            break;
    }
    return kind + ", " + FrequencyText(f.rate) + ", " + ChannelsText(f.channels);
}

bool LineRepair::Whole() const {
    return std::all_of(sounds.begin(), sounds.end(),
                       [](const SoundRepair& s) { return s.not_written.empty(); });
}

LineRepair RepairLine(const LineSounds& sounds, SoundSources& sources, const RepairOptions& options,
                      const std::function<std::string(const SoundRepair&)>& write) {
    LineRepair repair;
    repair.sounds.resize(sounds.files().size());
    for (std::size_t i = 0; i < repair.sounds.size(); ++i) repair.sounds[i].file = sounds.files()[i];
    repair.margin_seconds = options.margin_seconds;
    const std::vector<std::optional<SoundMeasures>> measured = MeasureLine(sources, options, repair);
    for (std::size_t i = 0; i < repair.sounds.size(); ++i) {
        SoundRepair& r = repair.sounds[i];
        if (!measured[i] || !PlanSound(*measured[i], repair, options, sources, r)) continue;
        r.copied = true;
        if (write) r.not_written = write(r);
    }
    return repair;
}

bool WriteRepairedSound(const SoundRepair& r, SoundSources& sources, ByteSink& sink) {
    const SoundRepair::Plan& plan = r.plan;
    const unsigned rate = plan.rate, channels = plan.channels;
    const StreamFormat out{SampleEncoding::kPcm, rate, channels, 16};
    std::unique_ptr<SampleReader> reader = Converted(r, sources);
    if (!reader) return false;
    const std::uint64_t length = plan.end - plan.start;
    const std::string header = WaveFileHeader(out, length * out.BlockAlign());
    if (!sink.Write(header.data(), header.size())) return false;
    const std::uint64_t fade = std::min(plan.fade, length / 2);
    std::vector<float> piece(kPieceFrames * channels);
    std::vector<std::uint8_t> bytes;
    std::uint64_t at = 0, written = 0;
    while (written < length) {
        const std::size_t n = reader->Read(piece.data(), kPieceFrames);
        if (n == 0) break;
        bytes.clear();
        for (std::size_t f = 0; f < n; ++f, ++at) {
            if (at < plan.start || at >= plan.end) continue;
            const std::uint64_t i = at - plan.start, edge = std::min(i, length - 1 - i);
            double gain = plan.gain;
            if (edge < fade) gain *= 0.5 - 0.5 * std::cos(3.14159265358979323846 * (edge + 0.5) / fade);
            for (unsigned c = 0; c < channels; ++c) {
                const double v = piece[f * channels + c] * gain;
                const auto s =
                    static_cast<std::int16_t>(std::clamp(std::floor(v * 32768 + 0.5), -32768.0, 32767.0));
                bytes.push_back(static_cast<std::uint8_t>(s));
                bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8));
            }
            ++written;
        }
        if (!bytes.empty() && !sink.Write(bytes.data(), bytes.size())) return false;
    }
    return written == length;  // else the file read shorter than before: not a whole copy
}

}  // namespace vkm
