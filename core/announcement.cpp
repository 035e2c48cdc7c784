#include "core/announcement.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/resampler.h"

namespace vkm {

namespace {

constexpr std::size_t kChunkFrames = 1024;  // frames converted at a time
constexpr unsigned kFallbackRate = 44100;   // the tone's rate when no fragment decides it

// Integer PCM, float, A-law and mu-law, read from the file in chunks.
class PlainReader : public SampleReader {
  public:
    PlainReader(std::unique_ptr<ByteSource> source, const WaveInfo& info)
        : source_(std::move(source)), format_(info.format), offset_(info.data_offset), left_(info.Frames()) {}
    std::size_t Read(float* out, std::size_t frames) override {
        frames = static_cast<std::size_t>(std::min<std::uint64_t>(frames, left_));
        raw_.resize(frames * format_.block_align);
        const std::size_t got = raw_.empty() ? 0 : source_->ReadAt(offset_, raw_.data(), raw_.size());
        frames = got / format_.block_align;
        if (frames == 0) {
            left_ = 0;  // the end, or the file can no longer be read
            return 0;
        }
        DecodeSamples(format_, raw_.data(), frames, out);
        offset_ += static_cast<std::uint64_t>(frames) * format_.block_align;
        left_ -= frames;
        return frames;
    }
    unsigned channels() const override { return format_.channels; }
    unsigned rate() const override { return format_.rate; }

  private:
    std::unique_ptr<ByteSource> source_;
    WaveFormat format_;
    std::uint64_t offset_;
    std::uint64_t left_;
    std::vector<std::uint8_t> raw_;
};

// A compressed format through a system codec, cut to the fact chunk's length.
class CodecReader : public SampleReader {
  public:
    CodecReader(std::unique_ptr<ByteSource> source, const WaveInfo& info,
                std::unique_ptr<CompressedDecoder> decoder)
        : source_(std::move(source)),
          blocks_(*source_, info, std::move(decoder)),
          format_(info.format),
          frames_left_(info.fact_frames ? *info.fact_frames : UINT64_MAX) {}
    // Decodes the first samples; false when the data gives none.
    bool Start() { return frames_left_ > 0 && blocks_.Next(pcm_); }
    std::size_t Read(float* out, std::size_t frames) override {
        const unsigned ch = format_.channels;
        if (pcm_pos_ >= pcm_.size()) {
            pcm_pos_ = 0;
            if (frames_left_ == 0 || !blocks_.Next(pcm_)) return 0;
        }
        std::uint64_t n = std::min<std::uint64_t>({frames, (pcm_.size() - pcm_pos_) / ch, frames_left_});
        for (std::size_t i = 0; i < n * ch; ++i) out[i] = static_cast<float>(pcm_[pcm_pos_ + i]) / 32768.0f;
        pcm_pos_ += static_cast<std::size_t>(n) * ch;
        frames_left_ -= n;
        return static_cast<std::size_t>(n);
    }
    unsigned channels() const override { return format_.channels; }
    unsigned rate() const override { return format_.rate; }

  private:
    std::unique_ptr<ByteSource> source_;
    CompressedReader blocks_;
    WaveFormat format_;
    std::uint64_t frames_left_;
    std::vector<std::int16_t> pcm_;
    std::size_t pcm_pos_ = 0;
};

class ToneReader : public SampleReader {
  public:
    explicit ToneReader(unsigned rate) : rate_(rate), tone_(PlaceholderTone(rate)) {}
    std::size_t Read(float* out, std::size_t frames) override {
        const std::size_t n = std::min(frames, tone_.size() - pos_);
        std::copy_n(tone_.begin() + static_cast<std::ptrdiff_t>(pos_), n, out);
        pos_ += n;
        return n;
    }
    unsigned channels() const override { return 1; }
    unsigned rate() const override { return rate_; }

  private:
    unsigned rate_;
    std::vector<float> tone_;
    std::size_t pos_ = 0;
};

// A sound converted to another rate and channel count.
class ConvertingReader : public SampleReader {
  public:
    ConvertingReader(std::unique_ptr<SampleReader> reader, unsigned rate, unsigned channels)
        : reader_(std::move(reader)), rate_(rate), channels_(channels) {
        if (reader_->rate() != rate)
            resampler_ = std::make_unique<Resampler>(reader_->rate(), rate, channels);
        in_.resize(kChunkFrames * reader_->channels());
        mapped_.resize(kChunkFrames * channels);
    }
    std::size_t Read(float* out, std::size_t frames) override {
        std::size_t made = 0;
        while (made < frames) {
            const std::size_t want = std::min(kChunkFrames, frames - made);
            float* dest = out + made * channels_;
            if (!resampler_) {
                const std::size_t got = ReadMapped(want);
                if (got == 0) break;
                std::copy_n(mapped_.begin(), got * channels_, dest);
                made += got;
                continue;
            }
            const std::size_t got = resampler_->Pull(dest, want);
            if (got > 0) {
                made += got;
                continue;
            }
            if (resampler_->finished()) break;
            const std::size_t in = ReadMapped(kChunkFrames);
            if (in == 0)
                resampler_->Finish();
            else
                resampler_->Push(mapped_.data(), in);
        }
        return made;
    }
    unsigned channels() const override { return channels_; }
    unsigned rate() const override { return rate_; }

  private:
    std::size_t ReadMapped(std::size_t frames) {
        const std::size_t got = reader_->Read(in_.data(), frames);
        MapChannels(in_.data(), reader_->channels(), got, channels_, mapped_.data());
        return got;
    }

    std::unique_ptr<SampleReader> reader_;
    unsigned rate_, channels_;
    std::unique_ptr<Resampler> resampler_;
    std::vector<float> in_, mapped_;
};

// Rounds to the nearest integer of the scale (halves up) and clips.
template <class Int>
Int Quantize(float v, double scale, double lo, double hi) {
    const double x = std::floor(static_cast<double>(v) * scale + 0.5);
    return static_cast<Int>(x < lo ? lo : x > hi ? hi : x);
}

void Encode(const float* in, std::size_t samples, const StreamFormat& f, std::uint8_t* out) {
    for (std::size_t i = 0; i < samples; ++i) {
        const float v = in[i];
        if (f.encoding == SampleEncoding::kFloat) {
            if (f.bits == 32) {
                std::memcpy(out + 4 * i, &v, 4);
            } else {
                const double d = v;
                std::memcpy(out + 8 * i, &d, 8);
            }
            continue;
        }
        switch (f.bits) {
            case 8:
                out[i] = static_cast<std::uint8_t>(Quantize<int>(v, 128, -128, 127) + 128);
                break;
            case 16: {
                const auto s = static_cast<std::uint16_t>(Quantize<std::int16_t>(v, 32768, -32768, 32767));
                out[2 * i] = static_cast<std::uint8_t>(s);
                out[2 * i + 1] = static_cast<std::uint8_t>(s >> 8);
                break;
            }
            case 24: {
                const auto s =
                    static_cast<std::uint32_t>(Quantize<std::int32_t>(v, 8388608, -8388608, 8388607));
                for (int b = 0; b < 3; ++b) out[3 * i + b] = static_cast<std::uint8_t>(s >> (8 * b));
                break;
            }
            default: {
                const auto s = static_cast<std::uint32_t>(
                    Quantize<std::int32_t>(v, 2147483648.0, -2147483648.0, 2147483647.0));
                for (int b = 0; b < 4; ++b) out[4 * i + b] = static_cast<std::uint8_t>(s >> (8 * b));
                break;
            }
        }
    }
}

bool SameFormat(const WaveFormat& w, const StreamFormat& s) {
    return w.Plain() && w.encoding == s.encoding && w.rate == s.rate && w.channels == s.channels &&
           w.SampleBytes() * 8 == s.bits;
}

StreamFormat PlainFormatOf(const WaveFormat& w) {
    return StreamFormat{w.encoding, w.rate, w.channels, w.SampleBytes() * 8};
}

}  // namespace

class AnnouncementStream::Producer {
  public:
    virtual ~Producer() = default;
    // Up to frames frames of the stream's format into out; 0 at the end.
    virtual std::size_t Read(std::uint8_t* out, std::size_t frames) = 0;
};

namespace {

// A fragment in the stream's own format: its data, whole frames, as they are.
class Copier : public AnnouncementStream::Producer {
  public:
    Copier(std::unique_ptr<ByteSource> source, const WaveInfo& info)
        : source_(std::move(source)),
          offset_(info.data_offset),
          left_(info.Frames()),
          block_align_(info.format.block_align) {}
    std::size_t Read(std::uint8_t* out, std::size_t frames) override {
        frames = static_cast<std::size_t>(std::min<std::uint64_t>(frames, left_));
        if (frames == 0) return 0;
        const std::size_t got = source_->ReadAt(offset_, out, frames * block_align_) / block_align_;
        if (got == 0) left_ = 0;  // the file can no longer be read
        offset_ += static_cast<std::uint64_t>(got) * block_align_;
        left_ -= std::min<std::uint64_t>(got, left_);
        return got;
    }

  private:
    std::unique_ptr<ByteSource> source_;
    std::uint64_t offset_;
    std::uint64_t left_;
    unsigned block_align_;
};

// Any fragment converted to the stream's format: channels, rate, sample encoding.
class Converter : public AnnouncementStream::Producer {
  public:
    Converter(std::unique_ptr<SampleReader> reader, const StreamFormat& out)
        : reader_(std::move(reader), out.rate, out.channels), out_(out) {}
    std::size_t Read(std::uint8_t* out, std::size_t frames) override {
        std::size_t made = 0;
        while (made < frames) {
            const std::size_t want = std::min(kChunkFrames, frames - made);
            samples_.resize(want * out_.channels);
            const std::size_t got = reader_.Read(samples_.data(), want);
            if (got == 0) break;
            Encode(samples_.data(), got * out_.channels, out_, out + made * out_.BlockAlign());
            made += got;
        }
        return made;
    }

  private:
    ConvertingReader reader_;
    StreamFormat out_;
    std::vector<float> samples_;
};

}  // namespace

struct AnnouncementStream::Fragment {
    std::unique_ptr<ByteSource> source;
    WaveInfo info;
};

std::vector<float> PlaceholderTone(unsigned rate) {
    const std::size_t n = rate / 4;
    const std::size_t fade = rate / 40;  // 25 ms
    constexpr double kPi = 3.14159265358979323846;
    std::vector<float> tone(n);
    for (std::size_t i = 0; i < n; ++i) {
        double gain = 0.2;
        const std::size_t edge = std::min(i, n - 1 - i);
        if (edge < fade) gain *= 0.5 - 0.5 * std::cos(kPi * static_cast<double>(edge) / fade);
        tone[i] = static_cast<float>(gain * std::sin(2 * kPi * 660.0 * static_cast<double>(i) / rate));
    }
    return tone;
}

AnnouncementStream::AnnouncementStream(std::vector<Path> fragments, SoundSources& sources)
    : sources_(sources), paths_(std::move(fragments)) {
    const std::size_t ahead = std::min(paths_.size(), kLookAhead);
    ahead_.resize(ahead);
    std::vector<const WaveFormat*> formats;
    for (std::size_t i = 0; i < ahead; ++i) {
        Fragment& f = ahead_[i];
        f.source = sources_.Open(paths_[i]);
        f.info = f.source ? ParseWave(*f.source) : WaveInfo{WaveFault::kUnreadable, {}, 0, 0, {}};
        if (f.info.fault == WaveFault::kNone) formats.push_back(&f.info.format);
    }
    WaveInfo default_info;
    if (formats.empty()) {
        // Nothing in the list plays: the default sound decides.
        if (std::optional<Path> path = sources_.DefaultSoundPath()) {
            if (std::unique_ptr<ByteSource> s = sources_.Open(*path)) {
                default_info = ParseWave(*s);
                if (default_info.fault == WaveFault::kNone) formats.push_back(&default_info.format);
            }
        }
    }
    format_ = AnnouncementFormat(formats);
}

StreamFormat AnnouncementFormat(const std::vector<const WaveFormat*>& formats) {
    if (formats.empty()) return StreamFormat{SampleEncoding::kPcm, kFallbackRate, 1, 16};
    const bool same =
        formats[0]->Plain() && std::all_of(formats.begin(), formats.end(), [&](const WaveFormat* w) {
            return SameFormat(*w, PlainFormatOf(*formats[0]));
        });
    if (same) return PlainFormatOf(*formats[0]);
    StreamFormat format{SampleEncoding::kPcm, 0, 1, 16};
    for (const WaveFormat* w : formats) {
        format.rate = std::max(format.rate, w->rate);
        if (w->channels >= 2) format.channels = 2;
    }
    return format;
}

AnnouncementStream::~AnnouncementStream() = default;

void AnnouncementStream::UsePcm16() {
    if (started_) return;
    format_.encoding = SampleEncoding::kPcm;
    format_.bits = 16;
    format_.channels = std::min(format_.channels, 2u);
}

std::size_t AnnouncementStream::Read(void* out, std::size_t n) {
    started_ = true;
    const unsigned block = format_.BlockAlign();
    const std::size_t frames = n / block;
    auto* bytes = static_cast<std::uint8_t*>(out);
    std::size_t made = 0;
    while (made < frames) {
        if (!current_ && !StartNext()) break;
        const std::size_t got = current_->Read(bytes + made * block, frames - made);
        if (got == 0)
            current_.reset();
        else
            made += got;
    }
    return made * block;
}

void AnnouncementStream::SkipRest() {
    started_ = true;
    current_.reset();
    while (StartNext()) current_.reset();
}

bool AnnouncementStream::StartNext() {
    if (next_ >= paths_.size()) return false;
    const std::size_t index = next_++;
    Fragment f;
    if (index < ahead_.size()) {
        f = std::move(ahead_[index]);
    } else {
        f.source = sources_.Open(paths_[index]);
        f.info = f.source ? ParseWave(*f.source) : WaveInfo{WaveFault::kUnreadable, {}, 0, 0, {}};
    }
    FragmentReport report;
    report.path = paths_[index];
    if (f.info.fault == WaveFault::kNone) {
        bool copied = false;
        current_ = ProducerFor(std::move(f.source), f.info, copied);
        if (current_)
            report.result = copied ? FragmentResult::kCopied : FragmentResult::kConverted;
        else
            f.info.fault = WaveFault::kUnsupported;
    }
    if (!current_) current_ = Replacement(f.info.fault, report);
    reports_.push_back(report);
    return true;
}

std::unique_ptr<AnnouncementStream::Producer> AnnouncementStream::Replacement(WaveFault fault,
                                                                              FragmentReport& report) {
    report.fault = fault;
    if (std::optional<Path> path = sources_.DefaultSoundPath()) {
        if (std::unique_ptr<ByteSource> source = sources_.Open(*path)) {
            const WaveInfo info = ParseWave(*source);
            bool copied = false;
            if (info.fault == WaveFault::kNone) {
                if (auto producer = ProducerFor(std::move(source), info, copied)) {
                    report.result = FragmentResult::kDefaultSound;
                    return producer;
                }
            }
        }
    }
    report.result = FragmentResult::kTone;
    return std::make_unique<Converter>(std::make_unique<ToneReader>(format_.rate), format_);
}

std::unique_ptr<AnnouncementStream::Producer> AnnouncementStream::ProducerFor(
    std::unique_ptr<ByteSource> source, const WaveInfo& info, bool& copied) {
    copied = SameFormat(info.format, format_);
    if (copied) return std::make_unique<Copier>(std::move(source), info);
    std::unique_ptr<SampleReader> reader = OpenSampleReader(std::move(source), info, sources_.codecs());
    if (!reader) return nullptr;
    return std::make_unique<Converter>(std::move(reader), format_);
}

std::unique_ptr<SampleReader> OpenSampleReader(std::unique_ptr<ByteSource> source, const WaveInfo& info,
                                               Codecs* codecs) {
    if (info.format.encoding != SampleEncoding::kCompressed)
        return std::make_unique<PlainReader>(std::move(source), info);
    std::unique_ptr<CompressedDecoder> decoder = codecs ? codecs->Open(info.format) : nullptr;
    if (!decoder) return nullptr;
    auto codec = std::make_unique<CodecReader>(std::move(source), info, std::move(decoder));
    // Data that gives no samples at all is as broken as a format no codec takes.
    if (!codec->Start() && info.data_size > 0) return nullptr;
    return codec;
}

std::unique_ptr<SampleReader> ConvertSamples(std::unique_ptr<SampleReader> reader, unsigned rate,
                                             unsigned channels) {
    return std::make_unique<ConvertingReader>(std::move(reader), rate, channels);
}

void MapChannels(const float* in, unsigned in_ch, std::size_t frames, unsigned out_ch, float* out) {
    for (std::size_t f = 0; f < frames; ++f) {
        const float* a = in + f * in_ch;
        float* b = out + f * out_ch;
        if (out_ch == 1) {
            b[0] = in_ch == 1 ? a[0] : 0.5f * (a[0] + a[1]);
            continue;
        }
        for (unsigned c = 0; c < out_ch; ++c) b[c] = c < in_ch ? a[c] : (in_ch == 1 && c == 1 ? a[0] : 0.0f);
    }
}

}  // namespace vkm
