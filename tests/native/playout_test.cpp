// What the player hands the device: the announcement whole, between silences.
#include "core/playout.h"

#include <gtest/gtest.h>

#include "wave_builder.h"

namespace vkm::testing {
namespace {

class OneFile : public SoundSources {
  public:
    std::string bytes;
    std::unique_ptr<ByteSource> Open(const Path&) override { return std::make_unique<MemorySource>(bytes); }
    std::optional<Path> DefaultSoundPath() override { return std::nullopt; }
    Codecs* codecs() override { return nullptr; }
};

// Read in pieces of any size, the stream comes whole and unchanged after the lead-in and before
// the tail, each silence of its format (0x80 for 8-bit samples).
TEST(PlayoutStream, IsTheStreamWholeBetweenSilences) {
    for (const unsigned bits : {8u, 16u}) {
        const unsigned block = bits / 8 * 2;
        const std::string data = NoiseBytes(1001 * block, 7), silence(1, bits == 8 ? '\x80' : '\0');
        OneFile files;
        files.bytes = PlainWave(kTagPcm, 2, 8000, bits, data);
        for (const std::size_t piece : {block, block * 37 + 1, block * 4000}) {
            AnnouncementStream stream({"a.wav"}, files);
            PlayoutStream playout(stream);
            std::string out, buf(piece, '\0');
            while (std::size_t n = playout.Read(&buf[0], buf.size())) out.append(buf, 0, n);
            const std::size_t lead = 8 * PlayoutStream::kLeadInMs * block, tail = 8 * PlayoutStream::kTailMs * block;
            const std::string expected = std::string(lead, silence[0]) + data + std::string(tail, silence[0]);
            EXPECT_TRUE(out == expected) << bits << " bits, pieces of " << piece;
        }
    }
}

}  // namespace
}  // namespace vkm::testing
