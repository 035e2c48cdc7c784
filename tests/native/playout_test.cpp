// What the player hands the device: the announcement whole, between silences.
#include "core/playout.h"

#include <gtest/gtest.h>

#include "wave_builder.h"

namespace vkm::testing {
namespace {

class OneFile : public SoundSources {
  public:
    explicit OneFile(std::string bytes) : bytes_(std::move(bytes)) {}
    std::unique_ptr<ByteSource> Open(const Path&) override { return std::make_unique<MemorySource>(bytes_); }
    std::optional<Path> DefaultSoundPath() override { return std::nullopt; }
    Codecs* codecs() override { return nullptr; }

  private:
    std::string bytes_;
};

template <class Stream>
std::string ReadAll(Stream& s, std::size_t piece) {
    std::string out, buf(piece, '\0');
    while (std::size_t n = s.Read(&buf[0], buf.size())) out.append(buf, 0, n);
    return out;
}

// Read in pieces of any size, the stream comes whole and unchanged after the lead-in and before
// the tail, each silence of its format (0x80 for 8-bit samples).
TEST(PlayoutStream, IsTheStreamWholeBetweenSilences) {
    const struct {
        unsigned bits, channels;
        char silence;
    } formats[] = {{8, 1, '\x80'}, {16, 2, '\0'}};
    for (const auto& f : formats) {
        const unsigned block = f.bits / 8 * f.channels;
        const std::string data = NoiseBytes(1001 * block, 7);
        OneFile files(PlainWave(kTagPcm, f.channels, 8000, f.bits, data));
        for (std::size_t piece : {block * 1u, block * 37u, block * 4000u, block * 37u + 1}) {
            AnnouncementStream stream({"a.wav"}, files);
            PlayoutStream playout(stream);
            const std::string out = ReadAll(playout, piece);
            const std::size_t lead = 8 * PlayoutStream::kLeadInMs * block;
            const std::size_t tail = 8 * PlayoutStream::kTailMs * block;
            ASSERT_EQ(out.size(), lead + data.size() + tail) << f.bits << " bits, pieces of " << piece;
            EXPECT_EQ(out.substr(0, lead), std::string(lead, f.silence));
            EXPECT_EQ(out.substr(lead, data.size()), data);
            EXPECT_EQ(out.substr(lead + data.size()), std::string(tail, f.silence));
        }
    }
}

}  // namespace
}  // namespace vkm::testing
