// Reading WAV headers: chunk walking, formats, faults, and never reading out of bounds.
#include "core/wav.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "core/adpcm.h"
#include "core/sound_analysis.h"
#include "test_helpers.h"
#include "wave_builder.h"

namespace vkm::testing {
namespace {

const std::string kFmt16 = Chunk("fmt ", FormatBody(kTagPcm, 1, 22050, 16, 2));
const std::string kData = Chunk("data", std::string(100, '\0'));
const std::string kIma = Chunk("fmt ", FormatBody(kTagImaAdpcm, 1, 8000, 4, 256, Le16(505)));

WaveInfo Parse(const std::string& bytes) {
    MemorySource source(bytes);
    return ParseWave(source);
}

TEST(ParseWave, WalksChunksInAnyOrderAndReadsTheirHeaders) {
    // Data before the format, an odd chunk in between, a fact chunk at the end.
    const std::string data = Chunk("data", std::string(7, '\x11'));  // odd: padded
    WaveInfo w = Parse(Wave(Chunk("junk", "abc") + data + kFmt16 + Chunk("fact", Le32(3))));
    ASSERT_EQ(w.fault, WaveFault::kNone);
    EXPECT_EQ(w.format.encoding, SampleEncoding::kPcm);
    EXPECT_EQ(w.format.channels, 1u);
    EXPECT_EQ(w.format.rate, 22050u);
    EXPECT_EQ(w.format.bits, 16u);
    EXPECT_EQ(w.data_offset, 12u + 12 + 8);
    EXPECT_EQ(w.data_size, 7u);
    EXPECT_EQ(w.Frames(), 3u);  // whole frames only
    EXPECT_EQ(w.fact_frames, 3u);

    // WAVE_FORMAT_EXTENSIBLE: the sub-format decides; an unknown sub-format is unsupported.
    auto extensible = [](unsigned sub_tag, unsigned bits, unsigned size, char guid_byte) {
        std::string ext = Le16(bits) + Le32(3) + Le16(sub_tag) +
                          std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
        ext[8] = guid_byte;
        return Wave(Chunk("fmt ", FormatBody(kTagExtensible, 2, 48000, bits, 2 * size, ext)) + kData);
    };
    w = Parse(extensible(kTagFloat, 32, 4, '\0'));
    EXPECT_EQ(w.fault, WaveFault::kNone);
    EXPECT_EQ(w.format.encoding, SampleEncoding::kFloat);
    EXPECT_EQ(w.format.tag, kTagFloat);
    w = Parse(extensible(kTagPcm, 24, 3, '\0'));
    EXPECT_EQ(w.fault, WaveFault::kNone);
    EXPECT_EQ(w.format.SampleBytes(), 3u);
    EXPECT_EQ(Parse(extensible(kTagPcm, 24, 3, '\x01')).fault, WaveFault::kUnsupported);

    // Compressed formats keep their whole fmt chunk for a codec, and the frames per block.
    const std::string ima = FormatBody(kTagImaAdpcm, 1, 8000, 4, 256, Le16(505));
    w = Parse(Wave(Chunk("fmt ", ima) + kData));
    EXPECT_EQ(w.fault, WaveFault::kNone);
    EXPECT_EQ(w.format.encoding, SampleEncoding::kCompressed);
    EXPECT_EQ(w.format.chunk, ima);
    EXPECT_EQ(w.format.samples_per_block, 505u);
    EXPECT_EQ(Parse(Wave(Chunk("fmt ", FormatBody(kTagALaw, 1, 8000, 8, 1)) + kData)).format.encoding,
              SampleEncoding::kALaw);
}

// Every kind of broken file, as a player meets them.
TEST(ParseWave, NamesTheFaultOfEveryBrokenFile) {
    const std::string pcm = Chunk("data", std::string(2000, '\x40'));
    auto coded = [&](unsigned tag, unsigned channels, unsigned block_align, const std::string& extra) {
        return Wave(Chunk("fmt ", FormatBody(tag, channels, 22050, 4, block_align, extra)) + pcm);
    };
    const WaveFault bad = WaveFault::kBadHeader;
    auto mpeg = [&](std::uint32_t bytes_per_second) {  // MPEG audio of 1-byte blocks at 8 kHz
        return Wave(Chunk("fmt ", Le16(kTagMpeg) + Le16(1) + Le32(8000) + Le32(bytes_per_second) + Le16(1) +
                                      Le16(0) + Le16(0)) +
                    pcm);
    };
    struct Case {
        const char* what;
        std::string bytes;
        WaveFault fault;
    } cases[] = {
        {"empty", "", WaveFault::kNotWave},
        {"text", "hello, this is not a sound at all", WaveFault::kNotWave},
        {"RIFF but not WAVE", "RIFF" + Le32(4) + "AVI ", WaveFault::kNotWave},
        {"no fmt", Wave(pcm), WaveFault::kNoFormat},
        {"no data", Wave(kFmt16), WaveFault::kNoData},
        {"0 channels", Wave(Chunk("fmt ", FormatBody(kTagPcm, 0, 22050, 16, 2)) + pcm),
         WaveFault::kBadHeader},
        {"0 block align", Wave(Chunk("fmt ", FormatBody(kTagPcm, 1, 22050, 16, 0)) + pcm),
         WaveFault::kBadHeader},
        {"0 rate", Wave(Chunk("fmt ", FormatBody(kTagPcm, 1, 0, 16, 2)) + pcm), WaveFault::kBadHeader},
        {"bits beyond the block", Wave(Chunk("fmt ", FormatBody(kTagPcm, 2, 22050, 16, 2)) + pcm),
         WaveFault::kBadHeader},
        {"block not whole samples", Wave(Chunk("fmt ", FormatBody(kTagPcm, 2, 22050, 16, 5)) + pcm),
         WaveFault::kBadHeader},
        {"0 bits", Wave(Chunk("fmt ", FormatBody(kTagPcm, 1, 22050, 0, 2)) + pcm), WaveFault::kBadHeader},
        {"float of 16 bits", Wave(Chunk("fmt ", FormatBody(kTagFloat, 1, 22050, 16, 2)) + pcm),
         WaveFault::kBadHeader},
        {"8-byte integer samples", Wave(Chunk("fmt ", FormatBody(kTagPcm, 1, 22050, 64, 8)) + pcm),
         WaveFault::kBadHeader},
        {"compressed, 0 block align", Wave(Chunk("fmt ", FormatBody(kTagImaAdpcm, 1, 8000, 4, 0)) + pcm),
         WaveFault::kBadHeader},
        {"fmt too short", Wave(Chunk("fmt ", "0123456789") + pcm), WaveFault::kBadHeader},
        {"fmt beyond the file",
         Wave(ChunkClaiming("fmt ", 0x7FFFFFF0u, FormatBody(kTagPcm, 1, 22050, 16, 2))),
         WaveFault::kBadHeader},
        {"absurd rate", Wave(Chunk("fmt ", FormatBody(kTagPcm, 1, 0xFFFFFFFFu, 16, 2)) + pcm),
         WaveFault::kUnsupported},
        {"65535 channels", Wave(Chunk("fmt ", FormatBody(kTagImaAdpcm, 65535, 8000, 4, 256)) + pcm),
         WaveFault::kUnsupported},
        {"1 KB claiming 4 GB - 1", Wave(kFmt16 + ChunkClaiming("data", 0xFFFFFFFEu, std::string(1000, 'x'))),
         WaveFault::kDataBeyondFile},
        // Compressed blocks that cannot hold what the header says they do: a codec trusts it.
        {"MS ADPCM, stereo, 1-byte blocks", coded(kTagMsAdpcm, 2, 1, MsAdpcmExtra(500)), bad},
        {"MS ADPCM, stereo, 13-byte blocks", coded(kTagMsAdpcm, 2, 13, MsAdpcmExtra(2)), bad},
        {"MS ADPCM, 501 frames in 256 bytes", coded(kTagMsAdpcm, 1, 256, MsAdpcmExtra(501)), bad},
        {"MS ADPCM, no pairs", coded(kTagMsAdpcm, 1, 256, MsAdpcmExtra(500, 0, 0)), bad},
        {"MS ADPCM, 6 pairs", coded(kTagMsAdpcm, 1, 256, MsAdpcmExtra(500, 6, 6)), bad},
        {"MS ADPCM, 65535 pairs", coded(kTagMsAdpcm, 1, 256, MsAdpcmExtra(500, 65535)), bad},
        {"IMA ADPCM, stereo, 7-byte blocks", coded(kTagImaAdpcm, 2, 7, Le16(1)), bad},
        {"IMA ADPCM, 506 frames in 256 bytes", coded(kTagImaAdpcm, 1, 256, Le16(506)), bad},
        {"IMA ADPCM, fact of 0", Wave(kIma + Chunk("fact", Le32(0)) + pcm), bad},
        {"MP3 of 882 kbit/s", coded(kTagMpegLayer3, 1, 5, ""), bad},
        {"MPEG of 7.99 kbit/s", mpeg(999), bad},
        {"MPEG of 8 kbit/s", mpeg(1000), WaveFault::kNone},
        // Just within and just beyond what a block holds, and an extra part the chunk does not hold.
        {"IMA ADPCM, stereo, 249 frames in 256 bytes", coded(kTagImaAdpcm, 2, 256, Le16(249)),
         WaveFault::kNone},
        {"IMA ADPCM, stereo, 250 frames in 256 bytes", coded(kTagImaAdpcm, 2, 256, Le16(250)), bad},
        {"MS ADPCM, stereo, 244 frames in 256 bytes", coded(kTagMsAdpcm, 2, 256, MsAdpcmExtra(244)),
         WaveFault::kNone},
        {"MS ADPCM, stereo, 245 frames in 256 bytes", coded(kTagMsAdpcm, 2, 256, MsAdpcmExtra(245)), bad},
        {"IMA ADPCM, extra part claimed, not there",
         Wave(Chunk("fmt ", FormatBody(kTagImaAdpcm, 1, 8000, 4, 256).substr(0, 16) + Le16(2)) + pcm), bad},
        {"2 KB claiming 1 MB", Wave(kFmt16 + ChunkClaiming("data", 1 << 20, std::string(2000, 'x'))),
         WaveFault::kDataBeyondFile},
        {"truncated: 16000 claimed, 2000 there",
         Wave(kFmt16 + ChunkClaiming("data", 16000, std::string(2000, 'x'))), WaveFault::kDataBeyondFile},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(WaveFaultName(Parse(c.bytes).fault), WaveFaultName(c.fault)) << c.what;
}

// A recorder that never finished its file left the data size at 0 or 0xFFFFFFFF (and
// a fact of 0): the audio runs to the end of the file. An empty chunk before others stays.
TEST(ParseWave, ReadsUnfinishedDataToTheEndOfTheFile) {
    const std::string audio(1001, '\x33');
    EXPECT_EQ(Parse(Wave(kFmt16 + ChunkClaiming("data", 0, audio))).data_size, 1001u);
    EXPECT_EQ(Parse(Wave(kFmt16 + ChunkClaiming("data", 0xFFFFFFFFu, audio))).data_size, 1001u);
    EXPECT_EQ(Parse(Wave(kFmt16 + ChunkClaiming("data", 0, std::string(8, '\0') + audio))).data_size, 1009u);
    EXPECT_EQ(Parse(Wave(kFmt16 + Chunk("data", "") + Chunk("fact", Le32(5)))).fact_frames, 5u);
    const WaveInfo w = Parse(Wave(kIma + Chunk("fact", Le32(0)) + ChunkClaiming("data", 0, audio)));
    EXPECT_EQ(w.fault, WaveFault::kNone);
    EXPECT_EQ(w.data_size, 1001u);
    EXPECT_FALSE(w.fact_frames);
}

// Garbage and damaged headers: every read stays inside the buffer (the sanitizer
// build checks it) and the outcome is a fault or a format that holds together.
TEST(ParseWave, SurvivesDamagedHeaders) {
    const std::string good = Wave(Chunk("fmt ", FormatBody(kTagPcm, 2, 44100, 16, 4)) +
                                  Chunk("fact", Le32(9)) + Chunk("data", std::string(64, '\x22')));
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    for (int round = 0; round < 20000; ++round) {
        std::string bytes = good.substr(0, next() % 3 == 0 ? next() % good.size() : good.size());
        const int flips = 1 + static_cast<int>(next() % 4);
        for (int i = 0; i < flips && !bytes.empty(); ++i)
            bytes[next() % bytes.size()] = static_cast<char>(next());
        MemoryView view(bytes);
        WaveInfo w = ParseWave(view);
        if (w.fault != WaveFault::kNone) continue;
        EXPECT_LE(w.data_offset + w.data_size, bytes.size());
        EXPECT_GT(w.format.channels, 0u);
        EXPECT_GT(w.format.block_align, 0u);
        EXPECT_GT(w.format.rate, 0u);
    }
}

// Takes IMA ADPCM: a sample of each byte, none of 0xFF.
class OneCodec : public Codecs {
  public:
    struct Decoder : CompressedDecoder {
        std::size_t Decode(const std::uint8_t* in, std::size_t n, std::vector<std::int16_t>& out) override {
            std::copy_if(in, in + n, std::back_inserter(out), [](std::uint8_t b) { return b != 0xFF; });
            return n;
        }
    };
    std::unique_ptr<CompressedDecoder> Open(const WaveFormat& f) override {
        return f.tag == kTagImaAdpcm ? std::make_unique<Decoder>() : nullptr;
    }
};

TEST(InspectWave, GivesFaultFormatLengthAndWhetherItPlays) {
    MemorySource pcm(PlainWave(kTagPcm, 2, 8000, 16, std::string(4 * 4000, '\0')));
    WaveInspection r = InspectWave(pcm, nullptr);
    EXPECT_EQ(r.fault, WaveFault::kNone);
    EXPECT_EQ(r.playability, Playability::kPlayable);
    EXPECT_DOUBLE_EQ(r.seconds, 0.5);

    // A compressed file: its length from fact, else from its blocks; without the
    // system codec it cannot be told whether it plays.
    const std::string blocks = Chunk("data", std::string(256 * 8, '\0'));
    MemorySource with_fact(Wave(kIma + Chunk("fact", Le32(4000)) + blocks));
    r = InspectWave(with_fact, nullptr);
    EXPECT_EQ(r.playability, Playability::kNeedsSystemCodec);
    EXPECT_DOUBLE_EQ(r.seconds, 0.5);
    MemorySource without_fact(Wave(kIma + blocks));
    EXPECT_DOUBLE_EQ(InspectWave(without_fact, nullptr).seconds, 8 * 505 / 8000.0);
    // With the codecs, one whose data gives no samples does not play either.
    OneCodec codec;
    EXPECT_EQ(InspectWave(without_fact, &codec).playability, Playability::kPlayable);
    MemorySource silent(Wave(kIma + Chunk("data", std::string(256, '\xFF'))));
    EXPECT_EQ(InspectWave(silent, &codec).fault, WaveFault::kUnsupported);
    MemorySource gsm(Wave(Chunk("fmt ", FormatBody(kTagGsm610, 1, 8000, 0, 65, Le16(320))) + blocks));
    r = InspectWave(gsm, &codec);
    EXPECT_EQ(r.fault, WaveFault::kUnsupported);
    EXPECT_EQ(r.playability, Playability::kBroken);

    MemorySource broken(Wave(Chunk("fmt ", FormatBody(kTagPcm, 0, 8000, 16, 2)) + blocks));
    r = InspectWave(broken, nullptr);
    EXPECT_EQ(r.fault, WaveFault::kBadHeader);
    EXPECT_STREQ(WaveFaultName(r.fault), "bad-header");
    EXPECT_EQ(r.playability, Playability::kBroken);
}

// Our decoders take the IMA and MS ADPCM formats that Windows' codecs take (wave_builder.h's rows, which
// the Windows tests hold Wine's codecs to), and no others: the check, the render and the repair meet those
// as broken; of the other compressed formats they say nothing (the system's codec may take them).
TEST(AdpcmCodecs, TakeWhatWindowsCodecsTake) {
    AdpcmCodecs adpcm;
    for (const AdpcmFormatRow& row : AdpcmFormatRows()) {
        MemorySource file(Wave(Chunk("fmt ", row.fmt) + Chunk("data", std::string(2048, '\0'))));
        const WaveInfo info = ParseWave(file);
        ASSERT_EQ(info.fault, WaveFault::kNone) << row.what;
        EXPECT_EQ(adpcm.Open(info.format) != nullptr, row.taken) << row.what;
        const WaveInspection r = InspectWave(file, &adpcm);
        EXPECT_EQ(r.playability, row.taken ? Playability::kPlayable : Playability::kBroken) << row.what;
        EXPECT_EQ(r.fault, row.taken ? WaveFault::kNone : WaveFault::kUnsupported) << row.what;
        EXPECT_EQ(AnalyseWave(file, &adpcm).has_value(), row.taken) << row.what;  // what the repair measures
    }
    MemorySource gsm(Wave(Chunk("fmt ", FormatBody(kTagGsm610, 1, 8000, 0, 65, Le16(320))) + kData));
    EXPECT_EQ(InspectWave(gsm, &adpcm).playability, Playability::kNeedsSystemCodec);
}

}  // namespace
}  // namespace vkm::testing
