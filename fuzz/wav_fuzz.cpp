// The WAV parser and the stream that plays it on any bytes: a header is trusted only
// when its sizes fit the file and its format can be played, and an announcement of
// these bytes between two good sounds plays them, or the tone in their place, and
// both good sounds whole; compressed ones through our ADPCM decoders, as in the native line check.
#include <map>

#include "core/adpcm.h"
#include "core/announcement.h"
#include "core/wav.h"
#include "fuzz/fuzz.h"
#include "memory_source.h"

using namespace vkm;

namespace {

class Files : public SoundSources {
  public:
    std::map<Path, std::string> files;
    std::unique_ptr<ByteSource> Open(const Path& path) override {
        auto it = files.find(path);
        return it == files.end() ? nullptr : std::make_unique<MemoryView>(it->second);
    }
    std::optional<Path> DefaultSoundPath() override { return std::nullopt; }
    Codecs* codecs() override { return &adpcm; }
    AdpcmCodecs adpcm;
};

std::string Le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

// 100 frames of 16-bit mono at 22,050 Hz.
std::string GoodWave() {
    const std::string fmt =
        std::string("\x01\x00\x01\x00", 4) + Le32(22050) + Le32(44100) + std::string("\x02\x00\x10\x00", 4);
    const std::string data(200, '\x11');
    const std::string body = "WAVEfmt " + Le32(16) + fmt + "data" + Le32(200) + data;
    return "RIFF" + Le32(static_cast<std::uint32_t>(body.size())) + body;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    MemoryView view(bytes);
    const WaveInfo info = ParseWave(view);
    if (info.fault == WaveFault::kNone) {
        FUZZ_CHECK(info.data_offset <= size && info.data_size <= size - info.data_offset);
        FUZZ_CHECK(info.format.channels > 0 && info.format.rate > 0 && info.format.block_align > 0);
    }
    Files sources;
    const WaveInspection inspection = InspectWave(view, sources.codecs());
    FUZZ_CHECK((inspection.playability == Playability::kBroken) == (inspection.fault != WaveFault::kNone));
    FUZZ_CHECK(inspection.seconds >= 0);

    sources.files["good.wav"] = GoodWave();
    sources.files["fuzz.wav"] = bytes;
    AnnouncementStream stream({"good.wav", "fuzz.wav", "good.wav"}, sources);
    FUZZ_CHECK(stream.format().channels > 0 && stream.format().rate > 0 && stream.format().bits % 8 == 0);
    std::vector<std::uint8_t> out(1 << 16);
    std::uint64_t total = 0;
    for (std::size_t n; (n = stream.Read(out.data(), out.size())) > 0 && total < (64u << 20);) {
        FUZZ_CHECK(n % stream.format().BlockAlign() == 0);
        total += n;
    }
    if (total >= (64u << 20)) return 0;  // a long sound: its end is not waited for
    const std::vector<FragmentReport>& reports = stream.reports();
    FUZZ_CHECK(reports.size() == 3);
    FUZZ_CHECK(reports[0].fault == WaveFault::kNone && reports[2].fault == WaveFault::kNone);
    const bool replaced = reports[1].result == FragmentResult::kTone;
    FUZZ_CHECK(replaced == (reports[1].fault != WaveFault::kNone));
    if (inspection.playability == Playability::kBroken) FUZZ_CHECK(replaced);
    return 0;
}
