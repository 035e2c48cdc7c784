// The Windows player and its sources under Wine: files through the wide API, the
// system's ADPCM codec, and the player's queue, Stop, idle callback and shutdown
// on a real sound device (ctest gives the program a private sound server).
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

#include <mutex>
#include <string>
#include <vector>

#include "core/playout.h"
#include "native/wave_builder.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_player.h"
#include "platform/win32/win32_sound.h"

namespace vkm::testing {
namespace {

// A folder of test files in the user's temporary folder, removed afterwards.
class TempFolder {
  public:
    TempFolder() {
        wchar_t temp[MAX_PATH + 1];
        const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
        root_ = std::wstring(temp, n) + L"vkm-player-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(root_.c_str(), nullptr);
    }
    ~TempFolder() {
        for (const std::wstring& f : files_) DeleteFileW(f.c_str());
        RemoveDirectoryW(root_.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Writes the file and returns its UTF-8 path.
    Path Write(const char* utf8_name, const std::string& bytes) {
        const std::wstring path = root_ + ToWide(utf8_name);
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE) << utf8_name;
        DWORD written = 0;
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(h);
        files_.push_back(path);
        return FromWide(path);
    }
    Path root() const { return FromWide(root_); }

  private:
    std::wstring root_;
    std::vector<std::wstring> files_;
};

std::string Tone(double seconds) {
    std::vector<int> s(static_cast<std::size_t>(22050 * seconds));
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int>(i % 100) * 50 - 2500;
    return PlainWave(kTagPcm, 1, 22050, 16, Pcm16(s));
}

TEST(Win32FileSource, ReadsAnyNameAtOffsetsWhileOthersMayDeleteIt) {
    TempFolder dir;
    const Path path = dir.Write("Zvuk příjezdu ťuk.wav", "0123456789");
    std::unique_ptr<Win32FileSource> f = Win32FileSource::Open(path);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Size(), 10u);
    char buf[8] = {};
    EXPECT_EQ(f->ReadAt(6, buf, 8), 4u);
    EXPECT_EQ(std::string(buf, 4), "6789");
    EXPECT_EQ(f->ReadAt(10, buf, 8), 0u);
    EXPECT_EQ(f->ReadAt(1ull << 40, buf, 8), 0u);
    // Opened for reading only, shared: another program may still write or delete it.
    HANDLE other = CreateFileW(ToWide(path).c_str(), GENERIC_WRITE | DELETE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(other, INVALID_HANDLE_VALUE);
    CloseHandle(other);

    EXPECT_FALSE(Win32FileSource::Open(dir.root() + "missing.wav"));
    EXPECT_FALSE(Win32FileSource::Open(dir.root()));  // a folder
}

TEST(AcmCodecs, DecodesImaAdpcmThroughTheSystemCodec) {
    // One IMA ADPCM block, mono, 256 bytes: a header (first sample 1000, step
    // index 0) and nibbles of 0, which leave the sample where it is.
    const std::string fmt = FormatBody(kTagImaAdpcm, 1, 22050, 4, 256, Le16(505));
    std::string block = Le16(1000) + std::string("\0\0", 2) + std::string(252, '\0');
    AcmCodecs codecs;
    WaveFormat f;
    f.encoding = SampleEncoding::kCompressed;
    f.tag = kTagImaAdpcm;
    f.channels = 1;
    f.rate = 22050;
    f.bits = 4;
    f.block_align = 256;
    f.samples_per_block = 505;
    f.chunk = fmt;
    std::unique_ptr<CompressedDecoder> d = codecs.Open(f);
    ASSERT_TRUE(d) << "the system has no IMA ADPCM codec";
    std::vector<std::int16_t> out;
    ASSERT_TRUE(d->Decode(reinterpret_cast<const std::uint8_t*>(block.data()), block.size(), out));
    ASSERT_EQ(out.size(), 505u);
    for (std::int16_t v : out) ASSERT_EQ(v, 1000);
    d.reset();
    // The stream is kept and serves the next file of the same format.
    d = codecs.Open(f);
    ASSERT_TRUE(d);
    out.clear();
    ASSERT_TRUE(d->Decode(reinterpret_cast<const std::uint8_t*>(block.data()), block.size(), out));
    EXPECT_EQ(out.size(), 505u);

    // Each call makes at most the codec's bound: 5 blocks (each at its own level) decode
    // whole and exactly in calls of 2 blocks; a bound below one block decodes nothing.
    std::string blocks;
    for (int b = 0; b < 5; ++b) blocks += Le16(1000 + b) + block.substr(2);
    const auto* in = reinterpret_cast<const std::uint8_t*>(blocks.data());
    AcmCodecs small(2 * 505 * 2), tiny(505 * 2 - 1);
    d = small.Open(f);
    out.clear();
    std::vector<std::size_t> used;
    for (std::size_t at = 0; at < blocks.size() && used.size() < 9; at += used.back())
        used.push_back(d->Decode(in + at, blocks.size() - at, out));
    EXPECT_EQ(used, (std::vector<std::size_t>{512, 512, 256}));
    ASSERT_EQ(out.size(), 5u * 505);
    for (std::size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], 1000 + static_cast<int>(i / 505)) << i;
    EXPECT_EQ(tiny.Open(f)->Decode(in, blocks.size(), out), 0u);

    // A format no codec takes.
    f.tag = 0x7777;
    f.chunk = FormatBody(0x7777, 1, 22050, 4, 256);
    EXPECT_FALSE(codecs.Open(f));
}

// Waits for the idle callback (a minute at most: only a hang guard).
bool WaitIdle(HANDLE idle) {
    return WaitForSingleObject(idle, 60000) == WAIT_OBJECT_0;
}

TEST(Win32SoundPlayer, QueuesStopsAndReportsIdleOnItsOwnThread) {
    TempFolder dir;
    const Path a = dir.Write("a.wav", Tone(0.1));
    const Path b = dir.Write("b.wav", Tone(0.1));
    const Path broken = dir.Write("broken.wav", Wave(Chunk("fmt ", FormatBody(kTagPcm, 0, 22050, 16, 2))));
    const Path long_file = dir.Write("long.wav", Tone(5));
    HANDLE idle = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD callback_thread = 0;
    ASSERT_GT(waveOutGetNumDevs(), 0u) << "no sound device";
    Win32SoundPlayer player;
    player.SetIdleCallback([&] {
        callback_thread = GetCurrentThreadId();
        SetEvent(idle);
    });
    EXPECT_FALSE(player.Busy());

    // Queued announcements play in order; the callback comes once all have played.
    player.Play({a});
    player.Play({b, broken, a});
    EXPECT_TRUE(player.Busy());
    ASSERT_TRUE(WaitIdle(idle));
    EXPECT_FALSE(player.Busy());
    EXPECT_NE(callback_thread, GetCurrentThreadId());
    std::vector<FragmentReport> r = player.LastReports();
    ASSERT_EQ(r.size(), 3u);  // the second announcement
    EXPECT_EQ(r[0].path, b);
    EXPECT_EQ(r[1].fault, WaveFault::kBadHeader);
    EXPECT_EQ(r[1].result, FragmentResult::kTone);
    EXPECT_EQ(r[2].result, FragmentResult::kCopied);

    // Stop ends what plays and drops what waits.
    player.Play({long_file});
    player.Play({a});
    Sleep(200);
    player.Stop();
    ASSERT_TRUE(WaitIdle(idle));
    EXPECT_FALSE(player.Busy());
    r = player.LastReports();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].path, long_file);

    // Shutdown ends what plays and the worker, without the callback.
    player.Play({long_file});
    player.Play({a});
    Sleep(100);
    player.Shutdown();
    EXPECT_FALSE(player.Busy());
    EXPECT_EQ(WaitForSingleObject(idle, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    player.Play({a});  // after shutdown: nothing
    EXPECT_FALSE(player.Busy());
    CloseHandle(idle);
}

// What the player hands the device for an announcement of mixed formats, a compressed one and a
// missing one among them, is what the line check renders, byte for byte.
TEST(Win32SoundPlayer, HandsTheDeviceWhatTheLineCheckRenders) {
    TempFolder folder;
    std::vector<int> stereo(4410 * 2);
    for (std::size_t i = 0; i < stereo.size(); ++i) stereo[i] = static_cast<int>(i % 64) * 300 - 9000;
    std::string ima;
    for (int block = 0; block < 4; ++block)
        ima += Le16(0) + std::string(1, '\0') + '\0' + NoiseBytes(252, block);
    const std::vector<Path> paths = {
        folder.Write("a.wav", Tone(0.3)),
        folder.Write("b.wav", PlainWave(kTagPcm, 2, 44100, 16, Pcm16(stereo))),
        folder.root() + "chybi.wav",
        folder.Write("c.wav",
                     Wave(Chunk("fmt ", FormatBody(kTagImaAdpcm, 1, 22050, 4, 256, Le16(2) + Le16(505))) +
                          Chunk("data", ima))),
    };
    std::string rendered;
    StringSink sink(rendered);
    Win32SoundSources sources;
    AnnouncementStream stream(paths, sources);
    ASSERT_TRUE(WritePlayoutWave(stream, sink));
    const std::string data = rendered.substr(rendered.find("data") + 8);

    std::string handed;
    std::mutex mutex;
    HANDLE idle = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    Win32SoundPlayer player;
    player.SetIdleCallback([idle] { SetEvent(idle); });
    player.SetDeviceTap([&](const void* d, std::size_t n) {
        std::lock_guard<std::mutex> lock(mutex);
        handed.append(static_cast<const char*>(d), n);
    });
    player.Play(paths);
    for (int i = 0; i < 100 && player.Busy(); ++i) WaitForSingleObject(idle, 100);
    player.Shutdown();
    CloseHandle(idle);
    EXPECT_GT(data.size(), 4410u * 4);
    EXPECT_TRUE(handed == data) << handed.size() << " bytes handed, " << data.size() << " rendered";
}

}  // namespace
}  // namespace vkm::testing
