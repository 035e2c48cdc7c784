// Announcements rendered to a buffer: formats, gapless joins, broken and missing
// files, codecs, and sample decoding checked against sox.
#include "core/announcement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "core/adpcm.h"
#include "core/resampler.h"
#include "platform/portable/portable_sound.h"
#include "test_helpers.h"
#include "wave_builder.h"

namespace vkm::testing {
namespace {

// Files held in memory; counts what was opened.
class MemorySources : public SoundSources {
  public:
    std::unique_ptr<ByteSource> Open(const Path& path) override {
        opened.push_back(path);
        auto it = files.find(path);
        if (it == files.end()) return nullptr;
        return std::make_unique<MemorySource>(it->second);
    }
    std::optional<Path> DefaultSoundPath() override { return default_sound; }
    Codecs* codecs() override { return codec; }

    std::map<Path, std::string> files;
    std::optional<Path> default_sound;
    Codecs* codec = nullptr;
    std::vector<Path> opened;
};

std::string Render(AnnouncementStream& s, std::size_t piece = 4000) {
    std::string out, buf(piece, '\0');
    while (std::size_t n = s.Read(&buf[0], buf.size())) out.append(buf, 0, n);
    return out;
}

std::vector<Path> Names(std::initializer_list<const char*> names) {
    return std::vector<Path>(names.begin(), names.end());
}

// "" when a and b hold the same 16-bit samples (within tolerance), else where they first differ.
std::string FirstDifference(const std::string& a, const std::string& b, int tolerance = 0) {
    if (a.size() != b.size()) return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
    auto sample = [](const std::string& s, std::size_t at) {
        return static_cast<std::int16_t>(static_cast<unsigned char>(s[at]) |
                                         static_cast<unsigned char>(s[at + 1]) << 8);
    };
    for (std::size_t i = 0; i + 1 < a.size(); i += 2) {
        if (std::abs(sample(a, i) - sample(b, i)) <= tolerance) continue;
        return "sample " + std::to_string(i / 2) + ": " + std::to_string(sample(a, i)) + " and " +
               std::to_string(sample(b, i));
    }
    return "";
}

std::vector<FragmentResult> Results(const AnnouncementStream& s) {
    std::vector<FragmentResult> r;
    for (const FragmentReport& f : s.reports()) r.push_back(f.result);
    return r;
}

TEST(AnnouncementStream, SameFormatListIsTheFragmentsDataJoined) {
    MemorySources src;
    // 24-bit stereo: 6-byte frames; b's data ends with a partial frame, which is left out.
    const std::string a = NoiseBytes(6 * 1001, 1), b = NoiseBytes(6 * 333 + 4, 2), c = NoiseBytes(6 * 5, 3);
    src.files["a.wav"] = PlainWave(kTagPcm, 2, 48000, 24, a);
    src.files["b.wav"] = PlainWave(kTagPcm, 2, 48000, 24, b);
    src.files["c.wav"] = PlainWave(kTagPcm, 2, 48000, 24, c);
    AnnouncementStream s(Names({"a.wav", "b.wav", "c.wav", "a.wav"}), src);
    EXPECT_EQ(s.format(), (StreamFormat{SampleEncoding::kPcm, 48000, 2, 24}));
    // Pieces that are not whole frames get whole frames only.
    EXPECT_EQ(Render(s, 4001), a + b.substr(0, 6 * 333) + c + a);
    EXPECT_EQ(Results(s), std::vector<FragmentResult>(4, FragmentResult::kCopied));
    EXPECT_EQ(src.opened, Names({"a.wav", "b.wav", "c.wav", "a.wav"}));  // each fragment opened once

    // Float is kept as float.
    src.files["f.wav"] = PlainWave(kTagFloat, 1, 22050, 32, NoiseBytes(400, 4));
    AnnouncementStream f(Names({"f.wav", "f.wav"}), src);
    EXPECT_EQ(f.format(), (StreamFormat{SampleEncoding::kFloat, 22050, 1, 32}));
    EXPECT_EQ(Render(f).size(), 800u);
}

TEST(AnnouncementStream, MixedListBecomes16BitAtTheHighestRate) {
    MemorySources src;
    const std::string stereo44 = NoiseBytes(4 * 4410, 5);
    src.files["mono22.wav"] = PlainWave(kTagPcm, 1, 22050, 16, NoiseBytes(2 * 2205, 6));
    src.files["stereo44.wav"] = PlainWave(kTagPcm, 2, 44100, 16, stereo44);
    src.files["mono8k.wav"] = PlainWave(kTagPcm, 1, 8000, 8, NoiseBytes(999, 7));
    src.files["six.wav"] = PlainWave(kTagFloat, 6, 44100, 32, NoiseBytes(24 * 100, 8));
    AnnouncementStream s(Names({"mono22.wav", "stereo44.wav", "mono8k.wav", "six.wav"}), src);
    EXPECT_EQ(s.format(), (StreamFormat{SampleEncoding::kPcm, 44100, 2, 16}));
    const std::string out = Render(s);
    const std::uint64_t frames =
        Resampler::OutputFrames(2205, 22050, 44100) + 4410 + Resampler::OutputFrames(999, 8000, 44100) + 100;
    EXPECT_EQ(out.size(), 4 * frames);
    // The fragment already in the output format is there bit for bit.
    EXPECT_EQ(out.substr(4 * 4410, stereo44.size()), stereo44);
    EXPECT_EQ(Results(s),
              (std::vector<FragmentResult>{FragmentResult::kConverted, FragmentResult::kCopied,
                                           FragmentResult::kConverted, FragmentResult::kConverted}));

    // Mono files alone stay mono; a mono 16-bit fragment at the output rate is copied.
    const std::string mono = Pcm16({1, -2, 300, -32768, 32767});
    src.files["m44.wav"] = PlainWave(kTagPcm, 1, 44100, 16, mono);
    AnnouncementStream m(Names({"mono22.wav", "m44.wav"}), src);
    EXPECT_EQ(m.format(), (StreamFormat{SampleEncoding::kPcm, 44100, 1, 16}));
    EXPECT_EQ(Render(m).substr(2 * 4410), mono);
}

TEST(AnnouncementStream, OutputCanBeRedecidedAs16Bit) {
    MemorySources src;
    // Float stereo samples at known values; the device wants 16-bit PCM.
    std::string data;
    for (float v : {0.5f, -0.25f, 1.5f, -1.0f}) data.append(reinterpret_cast<const char*>(&v), 4);
    src.files["f.wav"] = PlainWave(kTagFloat, 2, 32000, 32, data);
    AnnouncementStream s(Names({"f.wav"}), src);
    EXPECT_EQ(s.format().encoding, SampleEncoding::kFloat);
    s.UsePcm16();
    EXPECT_EQ(s.format(), (StreamFormat{SampleEncoding::kPcm, 32000, 2, 16}));
    EXPECT_EQ(Render(s), Pcm16({16384, -8192, 32767, -32768}));  // clipped at full scale
}

// Every broken or missing file sounds the default sound in its place; the rest plays.
TEST(AnnouncementStream, BrokenAndMissingFilesSoundTheDefaultSound) {
    MemorySources src;
    const std::string good = NoiseBytes(2 * 500, 9), ding = NoiseBytes(2 * 300, 10);
    src.files["good.wav"] = PlainWave(kTagPcm, 1, 22050, 16, good);
    src.files["ding.wav"] = PlainWave(kTagPcm, 1, 22050, 16, ding);
    const std::string pcm = std::string(2000, 'x');
    const std::string fmt = Chunk("fmt ", FormatBody(kTagPcm, 1, 22050, 16, 2));
    struct Bad {
        const char* name;
        std::string bytes;
        WaveFault fault;
    } bad[] = {
        {"text.wav", "not a sound", WaveFault::kNotWave},
        {"nofmt.wav", Wave(Chunk("data", pcm)), WaveFault::kNoFormat},
        {"nodata.wav", Wave(fmt), WaveFault::kNoData},
        {"ch0.wav", Wave(Chunk("fmt ", FormatBody(kTagPcm, 0, 22050, 16, 2)) + Chunk("data", pcm)),
         WaveFault::kBadHeader},
        {"align0.wav", Wave(Chunk("fmt ", FormatBody(kTagPcm, 1, 22050, 16, 0)) + Chunk("data", pcm)),
         WaveFault::kBadHeader},
        {"rate0.wav", Wave(Chunk("fmt ", FormatBody(kTagPcm, 1, 0, 16, 2)) + Chunk("data", pcm)),
         WaveFault::kBadHeader},
        {"4gb.wav", Wave(fmt + ChunkClaiming("data", 0xFFFFFFFEu, std::string(1000, 'x'))),
         WaveFault::kDataBeyondFile},
        {"1mb.wav", Wave(fmt + ChunkClaiming("data", 1 << 20, std::string(2000, 'x'))),
         WaveFault::kDataBeyondFile},
        {"cut.wav", Wave(fmt + ChunkClaiming("data", 16000, std::string(2000, 'x'))),
         WaveFault::kDataBeyondFile},
        {"adpcm.wav",
         Wave(Chunk("fmt ", FormatBody(kTagImaAdpcm, 1, 22050, 4, 256, Le16(505))) + Chunk("data", pcm)),
         WaveFault::kUnsupported},  // no codec
        {"missing.wav", "", WaveFault::kUnreadable},
    };
    std::vector<Path> list{"good.wav"};
    std::string expected = good;
    for (const Bad& b : bad) {
        if (b.fault != WaveFault::kUnreadable) src.files[b.name] = b.bytes;
        list.push_back(b.name);
        list.push_back("good.wav");
        expected += ding + good;
    }
    src.default_sound = "ding.wav";
    AnnouncementStream s(list, src);
    EXPECT_EQ(s.format(), (StreamFormat{SampleEncoding::kPcm, 22050, 1, 16}));
    EXPECT_EQ(Render(s), expected);
    ASSERT_EQ(s.reports().size(), list.size());
    for (std::size_t i = 0; i < std::size(bad); ++i) {
        const FragmentReport& r = s.reports()[1 + 2 * i];
        EXPECT_EQ(r.path, bad[i].name);
        EXPECT_EQ(r.result, FragmentResult::kDefaultSound) << bad[i].name;
        EXPECT_STREQ(WaveFaultName(r.fault), WaveFaultName(bad[i].fault)) << bad[i].name;
        EXPECT_EQ(s.reports()[2 + 2 * i].result, FragmentResult::kCopied);
    }

    // Skipped without a sound (as with no device), the reports are the same.
    AnnouncementStream skipped(list, src);
    skipped.SkipRest();
    ASSERT_EQ(skipped.reports().size(), list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(skipped.reports()[i].result, s.reports()[i].result);
        EXPECT_EQ(skipped.reports()[i].fault, s.reports()[i].fault);
    }

    // Without a default sound (or with a broken one) the built-in tone stands in:
    // soft, faded in and out.
    src.default_sound = "ch0.wav";
    AnnouncementStream t(Names({"good.wav", "missing.wav", "good.wav"}), src);
    const std::string out = Render(t);
    ASSERT_EQ(out.size(), 2 * good.size() + 2 * (22050 / 4));
    EXPECT_EQ(out.substr(0, good.size()), good);
    EXPECT_EQ(out.substr(out.size() - good.size()), good);
    EXPECT_EQ(Results(t)[1], FragmentResult::kTone);
    const std::string tone = out.substr(good.size(), 2 * (22050 / 4));
    int peak = 0;
    for (std::size_t i = 0; i < tone.size(); i += 2) {
        const int v = static_cast<std::int16_t>(static_cast<unsigned char>(tone[i]) |
                                                static_cast<unsigned char>(tone[i + 1]) << 8);
        peak = std::max(peak, std::abs(v));
        if (i == 0 || i + 2 == tone.size()) {
            EXPECT_LE(std::abs(v), 1);  // faded
        }
    }
    EXPECT_GT(peak, 3000);
    EXPECT_LT(peak, 16384);

    // Nothing in the list plays: one tone per fragment.
    AnnouncementStream none(Names({"missing.wav", "text.wav"}), src);
    EXPECT_EQ(Render(none).size(), 2u * 2 * (none.format().rate / 4));
}

// A WAV file of any size whose samples are made as they are read; remembers the reads.
class HugeWave : public ByteSource {
  public:
    explicit HugeWave(std::uint32_t data_size)
        : head_(Wave(Chunk("fmt ", FormatBody(kTagPcm, 2, 44100, 16, 4)) +
                     ChunkClaiming("data", data_size, ""))),
          size_(head_.size() + data_size) {}
    std::uint64_t Size() const override { return size_; }
    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t n) override {
        largest_read = std::max(largest_read, n);
        bytes_read += n;
        auto* p = static_cast<char*>(out);
        for (std::size_t i = 0; i < n; ++i)
            p[i] = offset + i < head_.size() ? head_[offset + i] : static_cast<char>((offset + i) * 7);
        return n;
    }
    std::size_t largest_read = 0;
    std::uint64_t bytes_read = 0;

  private:
    std::string head_;
    std::uint64_t size_;
};

class HugeSources : public MemorySources {
  public:
    std::unique_ptr<ByteSource> Open(const Path&) override {
        auto w = std::make_unique<HugeWave>(500u << 20);
        wave = w.get();
        return w;
    }
    HugeWave* wave = nullptr;
};

TEST(AnnouncementStream, LargeFilesAndLongListsStartAtOnce) {
    // A 500 MB file is read in pieces as the stream goes.
    HugeSources huge;
    AnnouncementStream h(Names({"big.wav"}), huge);
    std::string buf(44100 * 4, '\0');
    ASSERT_EQ(h.Read(&buf[0], buf.size()), buf.size());
    const std::size_t data_at = 12 + 8 + 18 + 8;  // RIFF header, fmt chunk, data header
    EXPECT_EQ(buf[buf.size() - 1], static_cast<char>((data_at + buf.size() - 1) * 7));
    EXPECT_LE(huge.wave->largest_read, buf.size());
    EXPECT_LE(huge.wave->bytes_read, 2 * buf.size());

    // Of a list of 10,000 files only the first few are opened before the first sample.
    MemorySources src;
    const std::string a = Pcm16({1, 2, 3}), b = NoiseBytes(4 * 10, 11);
    src.files["a.wav"] = PlainWave(kTagPcm, 1, 16000, 16, a);
    src.files["b.wav"] = PlainWave(kTagPcm, 2, 22050, 16, b);  // met after the look-ahead
    std::vector<Path> list(10000, "a.wav");
    list[5000] = "b.wav";
    AnnouncementStream s(list, src);
    EXPECT_EQ(src.opened.size(), AnnouncementStream::kLookAhead);
    EXPECT_EQ(s.format(), (StreamFormat{SampleEncoding::kPcm, 16000, 1, 16}));
    const std::string out = Render(s);
    EXPECT_EQ(src.opened.size(), list.size());
    // b converted to the chosen format: mono, 16 kHz.
    EXPECT_EQ(out.size(), 2 * (3 * 9999 + Resampler::OutputFrames(10, 22050, 16000)));
    EXPECT_EQ(out.substr(0, 6), a);
    EXPECT_EQ(out.substr(out.size() - 6), a);
    EXPECT_EQ(s.reports()[5000].result, FragmentResult::kConverted);
}

// A codec that turns each byte into one sample (byte * 256), in blocks of 4 bytes,
// two blocks a call at most; of MPEG it makes nothing, on MPEG layer 3 it fails.
class ByteCodec : public Codecs {
  public:
    class Decoder : public CompressedDecoder {
      public:
        explicit Decoder(unsigned tag) : tag_(tag) {}
        std::size_t Decode(const std::uint8_t* in, std::size_t n, std::vector<std::int16_t>& out) override {
            if (n % 4 || tag_ == kTagMpegLayer3) return 0;
            n = std::min<std::size_t>(n, 8);
            for (std::size_t i = 0; i < n && tag_ == kTagGsm610; ++i)
                out.push_back(static_cast<std::int16_t>(in[i] << 8));
            return n;
        }
        unsigned tag_;
    };
    std::unique_ptr<CompressedDecoder> Open(const WaveFormat& f) override {
        if (f.tag != kTagGsm610 && f.tag != kTagMpeg && f.tag != kTagMpegLayer3) return nullptr;
        ++opened;
        return std::make_unique<Decoder>(f.tag);
    }
    int opened = 0;
};

TEST(AnnouncementStream, CompressedFormatsGoThroughTheCodecCutToTheirLength) {
    MemorySources src;
    ByteCodec codec;
    src.codec = &codec;
    const std::string fmt = Chunk("fmt ", FormatBody(kTagGsm610, 1, 8000, 0, 4, Le16(4)));
    // 3 whole blocks and a partial one; fact says 10 samples.
    const std::string data = std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E", 14);
    src.files["gsm.wav"] = Wave(fmt + Chunk("fact", Le32(10)) + Chunk("data", data));
    src.files["nofact.wav"] = Wave(fmt + Chunk("data", data));
    src.files["other.wav"] = Wave(Chunk("fmt ", FormatBody(0x22, 1, 8000, 0, 4)) + Chunk("data", data));
    src.files["nothing.wav"] = Wave(Chunk("fmt ", FormatBody(kTagMpeg, 1, 8000, 0, 4)) + Chunk("data", data));
    src.files["fails.wav"] =
        Wave(Chunk("fmt ", FormatBody(kTagMpegLayer3, 1, 8000, 0, 4)) + Chunk("data", data));
    AnnouncementStream s(Names({"gsm.wav", "nofact.wav", "other.wav", "nothing.wav", "fails.wav"}), src);
    EXPECT_EQ(s.format(), (StreamFormat{SampleEncoding::kPcm, 8000, 1, 16}));
    const std::string out = Render(s);
    std::vector<int> expected;
    for (int i = 1; i <= 10; ++i) expected.push_back(i << 8);
    for (int i = 1; i <= 12; ++i) expected.push_back(i << 8);
    ASSERT_GE(out.size(), expected.size() * 2);
    EXPECT_EQ(out.substr(0, expected.size() * 2), Pcm16(expected));
    // The tone at 8 kHz for the unknown format, the data that gives nothing and the codec that fails.
    EXPECT_EQ(out.size() - expected.size() * 2, 3 * 2u * 2000);
    const FragmentResult converted = FragmentResult::kConverted, tone = FragmentResult::kTone;
    EXPECT_EQ(Results(s), (std::vector<FragmentResult>{converted, converted, tone, tone, tone}));
    for (int i : {2, 3, 4}) EXPECT_EQ(s.reports()[i].fault, WaveFault::kUnsupported);
}

// Decoding of each stored encoding against sox's conversion of the same file to 16 bits (no dither):
// files sox makes of a seeded sweep and noise, and ADPCM files of seeded blocks (wave_builder.h). sox
// decodes MS ADPCM as Windows' codec does but for the prediction, which it rounds down where Windows and
// we round toward zero: our MS blocks use only the pairs (256, 0) and (0, 0), whose prediction is whole.
TEST(AnnouncementStream, DecodesEveryEncodingAsSoxDoes) {
    ASSERT_TRUE(HaveSox()) << "sox is needed (scripts/setup.sh installs it)";
    ScratchDir dir;
    // Samples are carried as single-precision floats: exact up to 24 bits; from 32-bit integers
    // and doubles a sample next to a rounding boundary may land one step off.
    const struct {
        std::string what;  // sox's output options, or the file's name
        int tolerance;
        std::string made;  // the file, when we make it
    } encodings[] = {
        {"-e a-law", 0, ""},
        {"-e mu-law", 0, ""},
        {"-b 8", 0, ""},
        {"-b 24", 0, ""},
        {"-e floating-point -b 32", 0, ""},
        {"-b 32", 1, ""},
        {"-e floating-point -b 64", 1, ""},
        // Through our own decoders, as the native line check has them.
        {"-e ima-adpcm", 0, ""},
        {"IMA ADPCM", 0, AdpcmWave(kTagImaAdpcm, 2, 512, SeededAdpcm(kTagImaAdpcm, 2, 512, 8, 41))},
        {"MS ADPCM", 0, AdpcmWave(kTagMsAdpcm, 2, 512, SeededAdpcm(kTagMsAdpcm, 2, 512, 8, 42, {0, 2}))},
    };
    AdpcmCodecs adpcm;
    int n = 0;
    for (const auto& [what, tolerance, made] : encodings) {
        const std::string in = dir / ("in" + std::to_string(n) + ".wav");
        const std::string ref = dir / ("ref" + std::to_string(n++) + ".wav");
        // The file we make, or a sweep over the whole range and noise for every bit pattern.
        if (!made.empty()) WriteBytes(in, made);
        ASSERT_TRUE(!made.empty() || Sox("-n -r 8000 -c 2 " + what + " '" + in +
                                         "' synth 0.5 sine 100-3000 whitenoise vol 0.9"));
        ASSERT_TRUE(Sox("-D '" + in + "' -e signed-integer -b 16 '" + ref + "'"));
        // Listed with a 16-bit file, each is converted to 16 bits.
        PortableSoundSources src(std::nullopt, &adpcm);
        AnnouncementStream s({in, ref}, src);
        ASSERT_EQ(s.format(), (StreamFormat{SampleEncoding::kPcm, 8000, 2, 16})) << what;
        const std::string out = Render(s);
        MemorySource ref_bytes(ReadBytes(ref));
        const WaveInfo info = ParseWave(ref_bytes);
        // sox's 0.5 s (it decodes ADPCM to the end of its last block, past a fact chunk); all of ours.
        const std::size_t bytes = made.empty() ? 4000 * 4 : info.data_size;
        ASSERT_EQ(out.size(), bytes + info.data_size) << what;
        const std::string ref_data = ReadBytes(ref).substr(info.data_offset, bytes);
        EXPECT_EQ(FirstDifference(out.substr(0, bytes), ref_data, tolerance), "") << what;
        EXPECT_EQ(Results(s)[0], FragmentResult::kConverted);
    }
}

// ADPCM blocks decoded exactly as the formats' rules give them, worked out by hand (wave_builder.h).
TEST(AdpcmCodecs, DecodeBlocksAsTheFormatsRulesGive) {
    AdpcmCodecs adpcm;
    for (const AdpcmRow& row : AdpcmRows())
        EXPECT_EQ(PlayerSamples(row.file, adpcm), row.samples) << row.what;
}

}  // namespace
}  // namespace vkm::testing
