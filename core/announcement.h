// One announcement as one continuous stream of samples: its WAV fragments one
// after the other, nothing between them, in one output format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/byte_source.h"
#include "core/path.h"
#include "core/wav.h"

namespace vkm {

// Where the stream gets its files and codecs.
class SoundSources {
  public:
    virtual ~SoundSources() = default;
    // The file at path, or nullptr when it is missing or cannot be read.
    virtual std::unique_ptr<ByteSource> Open(const Path& path) = 0;
    // The system's default sound file, when it has one.
    virtual std::optional<Path> DefaultSoundPath() = 0;
    // Decoders of compressed formats; may be null.
    virtual Codecs* codecs() = 0;
};

// What the stream hands out: integer PCM (8 bits unsigned, 16/24/32 signed) or
// IEEE float (32/64 bits), interleaved, little-endian.
struct StreamFormat {
    SampleEncoding encoding = SampleEncoding::kPcm;
    unsigned rate = 0;
    unsigned channels = 0;
    unsigned bits = 0;  // per sample, a multiple of 8

    unsigned BlockAlign() const { return channels * bits / 8; }
    bool operator==(const StreamFormat& o) const {
        return encoding == o.encoding && rate == o.rate && channels == o.channels && bits == o.bits;
    }
    bool operator!=(const StreamFormat& o) const { return !(*this == o); }
};

// What became of one fragment.
enum class FragmentResult {
    kCopied,        // its samples as they are in the file
    kConverted,     // its samples converted to the stream's format
    kDefaultSound,  // missing or broken: the system's default sound played in its place
    kTone,          // missing or broken, and no default sound: the built-in tone played in its place
};

struct FragmentReport {
    Path path;
    FragmentResult result = FragmentResult::kCopied;
    // Why it was replaced (kUnreadable: missing; kUnsupported: no codec takes it, or
    // its compressed data gives no samples, which is found out before it plays).
    WaveFault fault = WaveFault::kNone;
};

class AnnouncementStream {
  public:
    // How many fragments' headers decide the output format, at most.
    static constexpr std::size_t kLookAhead = 32;

    // Opens the first fragments (up to kLookAhead) and decides the output format:
    // when every one of them that plays has the same integer PCM or float format,
    // that format, and their data is handed out unchanged; otherwise 16-bit PCM at
    // the highest of their rates, stereo when any has two or more channels, else mono.
    // The other fragments are opened when the stream reaches them. sources must
    // outlive the stream.
    AnnouncementStream(std::vector<Path> fragments, SoundSources& sources);
    ~AnnouncementStream();
    AnnouncementStream(const AnnouncementStream&) = delete;
    AnnouncementStream& operator=(const AnnouncementStream&) = delete;

    const StreamFormat& format() const { return format_; }
    // Makes the output 16-bit PCM (same rate; mono, or stereo for two or more
    // channels), for a device that refuses the chosen format. Before the first Read.
    void UsePcm16();

    // Fills out with up to n bytes of whole frames; returns how many bytes, 0 at the end.
    std::size_t Read(void* out, std::size_t n);

    // Goes through the fragments not yet reached as if they had played, without
    // making their sound (a player with no device still reports on every file).
    void SkipRest();

    // A report for each fragment the stream has reached so far, in list order.
    const std::vector<FragmentReport>& reports() const { return reports_; }

    class Producer;

  private:
    struct Fragment;
    bool StartNext();
    std::unique_ptr<Producer> Replacement(WaveFault fault, FragmentReport& report);
    std::unique_ptr<Producer> ProducerFor(std::unique_ptr<ByteSource> source, const WaveInfo& info,
                                          bool& copied);

    SoundSources& sources_;
    std::vector<Path> paths_;
    std::vector<Fragment> ahead_;  // the first fragments, opened to decide the format
    std::size_t next_ = 0;         // the next fragment to start
    StreamFormat format_;
    std::unique_ptr<Producer> current_;
    std::vector<FragmentReport> reports_;
    bool started_ = false;
};

// Frames of one sound as floating point (full scale +-1), interleaved.
class SampleReader {
  public:
    virtual ~SampleReader() = default;
    // Up to frames frames into out; 0 at the end.
    virtual std::size_t Read(float* out, std::size_t frames) = 0;
    virtual unsigned channels() const = 0;
    virtual unsigned rate() const = 0;
};

// The samples of a file that ParseWave takes (info), as the player decodes them: plain formats
// read from source in pieces, compressed ones through a decoder from codecs, cut to the fact
// chunk's length. nullptr when no codec takes it or its compressed data gives no samples.
std::unique_ptr<SampleReader> OpenSampleReader(std::unique_ptr<ByteSource> source, const WaveInfo& info,
                                               Codecs* codecs);

// reader's samples as the player converts them to another rate and channel count: channels
// first (MapChannels), then the rate through the player's resampler.
std::unique_ptr<SampleReader> ConvertSamples(std::unique_ptr<SampleReader> reader, unsigned rate,
                                             unsigned channels);

// Channels from in to out: the same channels where both have them; mono feeds the first two;
// two or more channels make mono as the mean of the first two.
void MapChannels(const float* in, unsigned in_ch, std::size_t frames, unsigned out_ch, float* out);

// The stream's format for the formats of the files that play among an announcement's first
// kLookAhead (or of the default sound when none plays): see AnnouncementStream.
StreamFormat AnnouncementFormat(const std::vector<const WaveFormat*>& formats);

// The soft tone that stands in for a broken file when the system has no default
// sound: 0.25 s, faded in and out, as mono floating point at the given rate.
std::vector<float> PlaceholderTone(unsigned rate);

}  // namespace vkm
