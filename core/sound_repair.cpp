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

std::string Key(const Path& path) {
    std::string p = path;
    std::replace(p.begin(), p.end(), '/', '\\');
    return Utf16ToUtf8(UpperCaseUtf16(Utf8ToUtf16(p)));
}

// The file's samples converted to rate and channels, or nullptr when they cannot be read.
std::unique_ptr<SampleReader> Converted(const Path& path, unsigned rate, unsigned channels,
                                        SoundSources& sources) {
    std::unique_ptr<ByteSource> source = sources.Open(path);
    if (!source) return nullptr;
    const WaveInfo info = ParseWave(*source);
    if (info.fault != WaveFault::kNone) return nullptr;
    std::unique_ptr<SampleReader> reader = OpenSampleReader(std::move(source), info, sources.codecs());
    return reader ? ConvertSamples(std::move(reader), rate, channels) : nullptr;
}

// The converted sound's DC offset: the source's channel means, mapped as its samples are.
// One under a twentieth of the report's limit is left: a mended sound is not changed again.
std::vector<double> ConvertedDc(const std::vector<double>& means, unsigned channels) {
    std::vector<float> in(means.begin(), means.end()), out(channels);
    if (!in.empty()) MapChannels(in.data(), static_cast<unsigned>(in.size()), 1, channels, out.data());
    std::vector<double> dc(out.begin(), out.end());
    for (double& d : dc)
        if (std::fabs(d) < kDcOffsetLimit / 20) d = 0;
    return dc;
}

// Reads the sound converted, without its DC offset, and hands frames [from, to) to analyzer and
// the level of each frame to steps (either may be null); frames gets how many the sound has.
bool Scan(const SoundRepair& r, SoundSources& sources, std::uint64_t from, std::uint64_t to,
          SoundAnalyzer* analyzer, LevelSteps* steps, std::uint64_t& frames) {
    const SoundRepair::Plan& plan = r.plan;
    std::unique_ptr<SampleReader> reader = Converted(r.source, plan.rate, plan.channels, sources);
    if (!reader) return false;
    const unsigned ch = plan.channels;
    std::vector<float> piece(kPieceFrames * ch);
    frames = 0;
    while (const std::size_t n = reader->Read(piece.data(), kPieceFrames)) {
        for (std::size_t f = 0; f < n; ++f) {
            float top = 0;
            for (unsigned c = 0; c < ch; ++c) {
                float& x = piece[f * ch + c];
                x -= static_cast<float>(plan.dc[c]);
                top = std::max(top, std::fabs(x));
            }
            if (steps) steps->Add(top, frames + f);
        }
        const std::uint64_t first = std::max(from, frames), last = std::min(to, frames + n);
        if (analyzer && first < last)
            analyzer->Push(piece.data() + (first - frames) * ch, static_cast<std::size_t>(last - first));
        frames += n;
    }
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

std::vector<Path> LineInputs(const Line& line, const Path& definition) {
    std::vector<Path> inputs{definition};
    for (const SoundRepair& s : LineSoundFiles(line)) inputs.push_back(s.source);
    return inputs;
}

bool SameFile(const Path& a, const Path& b) {
    return Key(NormalizePath(a)) == Key(NormalizePath(b));
}

std::vector<SoundRepair> LineSoundFiles(const Line& line) {
    std::vector<SoundRepair> files;
    std::map<std::string, std::size_t> seen;
    const std::string folder = Key(line.folder);
    auto use = [&](const SoundList& list) {
        for (const LineSound& s : list) {
            const Path path = line.SoundPath(s);
            const std::string key = Key(path);
            if (!seen.emplace(key, files.size()).second) continue;
            SoundRepair r;
            r.name = s.name;
            r.source = path;
            // Inside the folder: a name with no ':' that stays below it once resolved.
            if (s.name.find(':') == std::string::npos && key.size() > folder.size() &&
                key.compare(0, folder.size(), folder) == 0)
                r.relative = path.substr(line.folder.size());
            files.push_back(std::move(r));
        }
    };
    use(line.departure_sounds);
    use(line.arrival_sounds);
    use(line.end_sounds);
    for (const LineAnnouncement& a : line.announcements) use(a.sounds);
    for (const UserAnnouncement& u : line.user_announcements) use(u.sounds);
    return files;
}

LineRepair RepairLine(const Line& line, SoundSources& sources, const RepairOptions& options,
                      const std::function<void(const SoundRepair&)>& write) {
    LineRepair repair;
    repair.sounds = LineSoundFiles(line);
    repair.margin_seconds = options.margin_seconds;

    // Each sound as the report measures it.
    std::vector<std::optional<SoundMeasures>> measured(repair.sounds.size());
    std::vector<double> loudness;
    std::map<unsigned, std::size_t> rates;
    for (std::size_t i = 0; i < repair.sounds.size(); ++i) {
        SoundRepair& r = repair.sounds[i];
        std::unique_ptr<ByteSource> source = sources.Open(r.source);
        const WaveInfo info = source ? ParseWave(*source) : WaveInfo{WaveFault::kUnreadable, {}, 0, 0, {}};
        if (info.fault == WaveFault::kNone) {
            r.before = FormatText(info.format);
            measured[i] = AnalyseWave(*source, sources.codecs());
        }
        if (!measured[i]) {
            r.unmended.push_back(
                info.fault == WaveFault::kUnreadable ? "chybí nebo nejde přečíst: do kopie nejde"
                : info.fault != WaveFault::kNone     ? "nelze přehrát: do kopie nejde"
                : sources.codecs() && !sources.codecs()->Decides(info.format)
                    ? "tato verze vkmcheck ho neumí dekódovat (ve Windows ho přehraje kodek systému): do "
                      "kopie nejde; opravte linku programem vkmcheck.exe ve Windows"
                    : "žádný kodek ho nepřehraje: do kopie nejde");
            r.relative.clear();
            continue;
        }
        if (r.relative.empty()) {
            r.unmended.push_back("leží mimo složku linky: do kopie nejde, zkopírujte ho ručně");
            continue;
        }
        ++rates[measured[i]->rate];
        repair.channels = std::max(repair.channels, std::min(measured[i]->channels, 2u));
        if (measured[i]->loudness) loudness.push_back(*measured[i]->loudness);
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

    const StreamFormat out{SampleEncoding::kPcm, repair.rate, repair.channels, 16};
    const double limit = LevelOfDbfs(kRepairPeakDbtp - 0.01);  // a hair under, for rounding to 16 bits
    for (std::size_t i = 0; i < repair.sounds.size(); ++i) {
        SoundRepair& r = repair.sounds[i];
        if (r.relative.empty()) continue;
        const SoundMeasures& m = *measured[i];
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

        // Converted, without its DC offset: where it is heard, for any level.
        SoundRepair::Plan& plan = r.plan;
        plan.rate = out.rate;
        plan.channels = out.channels;
        plan.dc = ConvertedDc(m.means, out.channels);
        LevelSteps steps;
        std::uint64_t frames = 0;
        if (!Scan(r, sources, 0, UINT64_MAX, nullptr, &steps, frames)) {
            r.unmended.push_back("nejde přečíst podruhé: do kopie nejde");
            r.relative.clear();
            continue;
        }
        // Silence: what lies under the report's silence level once the gain is applied.
        const auto margin = static_cast<std::uint64_t>(std::llround(options.margin_seconds * out.rate));
        auto trim = [&](double gain) {
            plan.start = 0;
            plan.end = frames;
            if (const auto heard = steps.Over(static_cast<float>(LevelOfDbfs(kSilenceDbfs) / gain))) {
                plan.start = heard->first > margin ? heard->first - margin : 0;
                plan.end = std::min(frames, heard->second + 1 + margin);
            }
        };
        // The loudness and true peak of what is kept, trimmed with the gain that the source's loudness
        // calls for; the gain they call for, as far as the peak allows, and the trim once more with it.
        std::optional<double> wanted;
        if (repair.target_lufs && m.loudness) wanted = *repair.target_lufs - *m.loudness;
        trim(LevelOfDbfs(wanted.value_or(0)));
        SoundAnalyzer analyzer(out.rate, out.channels, 1.0f, true);
        Scan(r, sources, plan.start, plan.end, &analyzer, nullptr, frames);
        const SoundMeasures kept = analyzer.Finish();
        double gain_db = 0;
        if (kept.loudness && repair.target_lufs) {
            wanted = *repair.target_lufs - *kept.loudness;
            const double most = 20 * std::log10(limit / std::max(kept.true_peak, 1e-9));
            gain_db = std::min(*wanted, most);
            if (*wanted - gain_db > kRepairShortLu)
                r.unmended.push_back("zesílení zastavila špička (" + Decimal(kRepairPeakDbtp, 0) +
                                     " dBTP): zůstává o " + Decimal(*wanted - gain_db, 1) +
                                     " LU tišší než cíl");
            if (std::fabs(gain_db) < 0.05) gain_db = 0;  // a mended sound stays as it is
        } else if (repair.target_lufs) {
            r.unmended.push_back(
                "je kratší než 0,4 s nebo příliš tichý na změření hlasitosti: hlasitost nezměněna");
        }
        r.gain_db = gain_db;
        plan.gain = LevelOfDbfs(gain_db);
        trim(plan.gain);
        if (!steps.Over(static_cast<float>(LevelOfDbfs(kSilenceDbfs) / plan.gain)) && frames > 0)
            r.unmended.push_back("je celý ticho: nic neořízl");
        plan.fade = static_cast<std::uint64_t>(
            std::llround(std::min(kRepairFadeSeconds, options.margin_seconds) * out.rate));
        r.trimmed_start_ms = 1000.0 * static_cast<double>(plan.start) / out.rate;
        r.trimmed_end_ms = 1000.0 * static_cast<double>(frames - plan.end) / out.rate;
        if (write) write(r);
    }
    return repair;
}

bool WriteRepairedSound(const SoundRepair& r, SoundSources& sources, ByteSink& sink) {
    const SoundRepair::Plan& plan = r.plan;
    const unsigned rate = plan.rate, channels = plan.channels;
    const StreamFormat out{SampleEncoding::kPcm, rate, channels, 16};
    std::unique_ptr<SampleReader> reader = Converted(r.source, rate, channels, sources);
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
                const double v = (piece[f * channels + c] - plan.dc[c]) * gain;
                const auto s =
                    static_cast<std::int16_t>(std::clamp(std::floor(v * 32768 + 0.5), -32768.0, 32767.0));
                bytes.push_back(static_cast<std::uint8_t>(s));
                bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(s) >> 8));
            }
            ++written;
        }
        if (!bytes.empty() && !sink.Write(bytes.data(), bytes.size())) return false;
    }
    if (written == length) return true;
    // The file read shorter than before: the header says what was written, and it failed.
    const std::string fixed = WaveFileHeader(out, written * out.BlockAlign());
    sink.WriteAt(0, fixed.data(), fixed.size());
    return false;
}

}  // namespace vkm
