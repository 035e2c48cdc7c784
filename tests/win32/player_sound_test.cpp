// The Windows player and its sources under Wine: files through the wide API, the
// system's ADPCM codec, the player's queue, Cancel, Stop, idle callback and the next
// announcement made ready on a real sound device (ctest gives the program a private sound
// server), and its shutdown on a device that never answers.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "core/adpcm.h"
#include "core/playout.h"
#include "fakes/fakes.h"
#include "frm_main/frm_main_win32.h"
#include "native/wave_builder.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_file_writer.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_player.h"
#include "platform/win32/win32_sound.h"

namespace vkm::testing {
namespace {

// A folder of test files in the user's temporary folder, removed afterwards.
struct TempFolder {
    TempFolder() { CreateDirectoryW(root.c_str(), nullptr); }
    ~TempFolder() {
        for (const std::wstring& f : files) DeleteFileW(f.c_str());
        RemoveDirectoryW(root.c_str());
    }
    // Writes the file and returns its UTF-8 path.
    Path Write(const char* utf8_name, const std::string& bytes) {
        files.push_back(root + ToWide(utf8_name));
        std::unique_ptr<OutputFile> file = Win32FileWriter().Create(FromWide(files.back()), true).file;
        EXPECT_TRUE(file && file->Write(bytes.data(), bytes.size()) && file->Commit()) << utf8_name;
        return FromWide(files.back());
    }
    Path Root() const { return FromWide(root); }
    std::wstring root = TempFolderRoot();
    std::vector<std::wstring> files;

    static std::wstring TempFolderRoot() {
        wchar_t temp[MAX_PATH + 1];
        const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
        return std::wstring(temp, n) + L"vkm-player-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    }
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

    EXPECT_FALSE(Win32FileSource::Open(dir.Root() + "missing.wav"));
    EXPECT_FALSE(Win32FileSource::Open(dir.Root()));  // a folder
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

// The system's ADPCM codecs (Wine's here) take the formats our own decoders take (where Wine's take
// more, the rows say so) and decode them as ours do: seeded blocks of each format both take, and the
// blocks worked out by hand from the formats' rules.
TEST(AcmCodecs, TakeAndDecodeTheAdpcmOurDecodersDo) {
    AcmCodecs system;
    AdpcmCodecs ours;
    std::uint32_t seed = 1;
    for (const AdpcmFormatRow& row : AdpcmFormatRows()) {
        MemorySource header(Wave(Chunk("fmt ", row.fmt) + Chunk("data", std::string(2048, '\0'))));
        const WaveFormat f = ParseWave(header).format;
        EXPECT_EQ(system.Open(f) != nullptr, row.wine_takes) << row.what;
        if (!row.taken) continue;
        const std::string file =
            Wave(Chunk("fmt ", row.fmt) +
                 Chunk("data", SeededAdpcm(f.tag, f.channels, f.block_align, 40, seed++)));
        const std::vector<int> samples = PlayerSamples(file, ours);
        EXPECT_EQ(samples.size(), 40u * f.samples_per_block * f.channels) << row.what;
        EXPECT_EQ(PlayerSamples(file, system), samples) << row.what;
    }
    for (const AdpcmRow& row : AdpcmRows()) {
        std::vector<int> samples = PlayerSamples(row.file, system);
        if (row.wine_adds && samples.size() > row.samples.size()) samples.resize(row.samples.size());
        EXPECT_EQ(samples, row.samples) << row.what;
    }
}

// What the player told its observer, by announcement; read once it is idle. The worker's moves as
// "from>to" in letters of its states (idle, opening, playing, draining, stopping).
struct Watch : PlayerObserver {
    void Handed(SoundPlayer::Ticket t, const void* d, std::size_t n) override {
        std::lock_guard<std::mutex> lock(mutex);
        handed[t].append(static_cast<const char*>(d), n);
    }
    void Ended(SoundPlayer::Ticket t, const std::vector<FragmentReport>& r) override {
        std::lock_guard<std::mutex> lock(mutex);
        ended.emplace_back(t, r);
    }
    void Moved(PlayerState from, PlayerState to) override { Note(moves, from, to); }
    void Refused(PlayerState from, PlayerState to) override { Note(refused, from, to); }
    void Note(std::string& to, PlayerState a, PlayerState b) {
        std::lock_guard<std::mutex> lock(mutex);
        to += (to.empty() ? "" : " ") + std::string{"IOPDSC"[int(a)], '>', "IOPDSC"[int(b)]};
    }
    // The moves so far, once they end in last (5 s at most).
    std::string TakeMoves(const std::string& last = "") {
        for (int i = 0;; ++i, Sleep(10)) {
            std::lock_guard<std::mutex> lock(mutex);
            if (i == 500 || (moves.size() >= last.size() && moves.substr(moves.size() - last.size()) == last))
                return std::exchange(moves, {});
        }
    }
    std::mutex mutex;
    std::map<SoundPlayer::Ticket, std::string> handed;
    std::vector<std::pair<SoundPlayer::Ticket, std::vector<FragmentReport>>> ended;
    std::string moves, refused;
};

// The player on a device, telling the test when it is idle (a minute at most: only a hang guard).
struct Player : Watch {
    explicit Player(std::shared_ptr<SoundDevice> device = WaveOutDevice()) : player(std::move(device), this) {
        player.SetIdleCallback([this] {
            callback_thread = GetCurrentThreadId();
            SetEvent(idle);
        });
    }
    ~Player() {
        player.Shutdown();
        CloseHandle(idle);
        EXPECT_EQ(refused, "") << "moves the worker's table forbids";
    }
    bool WaitIdle() { return WaitForSingleObject(idle, 60000) == WAIT_OBJECT_0 && !player.Busy(); }
    HANDLE idle = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    DWORD callback_thread = 0;
    Win32SoundPlayer player;
};

TEST(Win32SoundPlayer, QueuesCancelsStopsAndReportsIdleOnItsOwnThread) {
    TempFolder dir;
    const Path a = dir.Write("a.wav", Tone(0.1));
    const Path b = dir.Write("b.wav", Tone(0.1));
    const Path broken = dir.Write("broken.wav", Wave(Chunk("fmt ", FormatBody(kTagPcm, 0, 22050, 16, 2))));
    const Path long_file = dir.Write("long.wav", Tone(5));
    ASSERT_GT(waveOutGetNumDevs(), 0u) << "no sound device";
    Player p;
    // Queued announcements play in order, one that waits is dropped by Cancel, and one that
    // sounds is silenced by it; the others play on, and the callback comes once all have played.
    const SoundPlayer::Ticket first = p.player.Play({a}), second = p.player.Play({b, broken, a});
    const SoundPlayer::Ticket sounding = p.player.Play({long_file}), waiting = p.player.Play({a});
    const SoundPlayer::Ticket last = p.player.Play({b});
    EXPECT_TRUE(p.player.Busy());
    p.player.Cancel(waiting);
    Sleep(1500);
    p.player.Cancel(sounding);
    ASSERT_TRUE(p.WaitIdle());
    EXPECT_NE(p.callback_thread, GetCurrentThreadId());
    // Stop ends what plays and drops what waits.
    p.player.Play({long_file});
    p.player.Play({a});
    Sleep(200);
    p.player.Stop();
    ASSERT_TRUE(p.WaitIdle());
    p.player.Shutdown();
    ASSERT_EQ(p.ended.size(), 5u);
    const std::vector<SoundPlayer::Ticket> order = {p.ended[0].first, p.ended[1].first, p.ended[2].first,
                                                    p.ended[3].first};
    EXPECT_EQ(order, (std::vector<SoundPlayer::Ticket>{first, second, sounding, last}));
    const std::vector<FragmentReport>& r = p.ended[1].second;
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].path, b);
    EXPECT_EQ(r[1].fault, WaveFault::kBadHeader);
    EXPECT_EQ(r[1].result, FragmentResult::kTone);
    EXPECT_EQ(r[2].result, FragmentResult::kCopied);
    EXPECT_LT(p.handed[sounding].size(), 22050u * 2 * 2) << "more than 2 s of 5 s handed over";
    EXPECT_EQ(p.ended[4].second.at(0).path, long_file);
}

// What the player hands the device for the files (in 16-bit PCM with pcm16): the line check's render.
std::string Rendered(const std::vector<Path>& paths, bool pcm16 = false) {
    std::string wav;
    StringSink sink(wav);
    Win32SoundSources sources;
    AnnouncementStream stream(paths, sources);
    if (pcm16) stream.UsePcm16();
    EXPECT_TRUE(WritePlayoutWave(stream, sink));
    return wav.substr(wav.find("data") + 8);
}

// waveOut, counting the streams it opened by rate and channels.
struct CountingDevice : SoundDevice {
    std::unique_ptr<SoundOutput> Open(const StreamFormat& f, std::size_t bytes, Refusal& why) override {
        ++opened[f.rate * 10 + f.channels];
        return waveout->Open(f, bytes, why);
    }
    std::shared_ptr<SoundDevice> waveout = WaveOutDevice();
    std::map<unsigned, std::atomic<int>> opened;
};

// What the player hands the device for an announcement of mixed formats, a compressed one and a
// missing one among them, is what the line check renders, byte for byte: made ready before the
// press (whose stream it then only starts, a cue sounding beside it), and with another announcement
// made ready instead.
TEST(Win32SoundPlayer, HandsTheDeviceWhatTheLineCheckRendersMadeReadyOrNot) {
    TempFolder folder;
    std::vector<int> stereo(4410 * 2);
    for (std::size_t i = 0; i < stereo.size(); ++i) stereo[i] = static_cast<int>(i % 64) * 300 - 9000;
    std::string ima;
    for (int block = 0; block < 4; ++block)
        ima += Le16(0) + std::string(1, '\0') + '\0' + NoiseBytes(252, block);
    const std::vector<Path> paths = {
        folder.Write("a.wav", Tone(0.3)),
        folder.Write("b.wav", PlainWave(kTagPcm, 2, 44100, 16, Pcm16(stereo))),
        folder.Root() + "chybi.wav",
        folder.Write("c.wav", Wave(Chunk("fmt ", FormatBody(kTagImaAdpcm, 1, 22050, 4, 256, Le16(505))) +
                                   Chunk("data", ima))),
    };
    const std::string data = Rendered(paths);

    auto device = std::make_shared<CountingDevice>();
    std::atomic<int>& stereo_44k = device->opened[441002];  // the stream of paths
    std::atomic<int>& mono_22k = device->opened[220501];    // the stream of paths[0] alone
    Player p(device);
    auto play_when = [&p, &paths](const std::atomic<int>& opened, SoundPlayer::Ticket prepared) {
        for (int i = 0; i < 500 && opened == 0; ++i) Sleep(10);  // made ready
        const SoundPlayer::Ticket t = p.player.Play(paths, prepared);
        p.player.PlayCue(Cue::kStep);
        EXPECT_TRUE(p.WaitIdle());
        return t;
    };
    const SoundPlayer::Ticket ready = play_when(stereo_44k, p.player.PrepareNext(paths));
    EXPECT_EQ(stereo_44k, 1);
    p.player.PrepareNext({paths[0]});
    const SoundPlayer::Ticket other = play_when(mono_22k, 0);
    EXPECT_EQ(stereo_44k, 2);
    p.player.Shutdown();
    EXPECT_GT(data.size(), 4410u * 4);
    EXPECT_EQ(p.handed.size(), 2u);  // nothing told of the one made ready and not played
    EXPECT_TRUE(p.handed[ready] == data)
        << p.handed[ready].size() << " bytes, " << data.size() << " rendered";
    EXPECT_TRUE(p.handed[other] == data)
        << p.handed[other].size() << " bytes, " << data.size() << " rendered";
}

// A device that plays what it is given at once, keeping a log of each stream. It can refuse every
// format but 16-bit PCM, lose the streams it has (they start, and hand nothing back), refuse new
// streams, go away (no stream opens or starts), or hang (its streams lost, a reset waiting until the
// test lets it go, as on a frozen sound server). It says when it is freed.
struct FakeDevice : SoundDevice {
    struct Log {
        StreamFormat format;
        std::string handed;
    };
    struct Stream : SoundOutput {
        Stream(FakeDevice& d, std::size_t i, std::size_t n)
            : device(d), id(i), memory(kBuffers * n), bytes(n) {}
        char* Buffer(int i) override { return &memory[static_cast<std::size_t>(i) * bytes]; }
        std::size_t capacity() const override { return bytes; }
        bool Write(int i, std::size_t n) override {
            device.streams[id].handed.append(Buffer(i), n);  // by the worker alone, as Open
            SetEvent(event.get());
            return SetEvent(device.written);
        }
        bool Back(int) override { return reset || (started && !device.hung && id >= device.lost_below); }
        bool Start() override {
            SetEvent(event.get());
            return started = !device.away;
        }
        void Reset() override {
            if (device.hung) WaitForSingleObject(device.let_go, INFINITE);
            reset = true;
        }
        HANDLE signal() const override { return event.get(); }
        FakeDevice& device;
        std::size_t id;  // its place in streams
        std::vector<char> memory;
        std::size_t bytes;
        bool started = false, reset = false;
        KernelHandle event = MakeEvent();
    };
    std::unique_ptr<SoundOutput> Open(const StreamFormat& f, std::size_t bytes, Refusal& why) override {
        std::lock_guard<std::mutex> lock(mutex);
        why = away || streams.size() >= open_below ? Refusal::kNoDevice
              : only_pcm16 && f.bits != 16         ? Refusal::kFormat
                                                   : Refusal::kNone;
        if (why != Refusal::kNone) return nullptr;
        streams.push_back(Log{f, {}});
        return std::make_unique<Stream>(*this, streams.size() - 1, bytes);
    }
    ~FakeDevice() override { SetEvent(gone); }
    std::mutex mutex;
    std::vector<Log> streams;
    std::atomic<std::size_t> lost_below{0}, open_below{std::size_t(-1)};  // by their place in streams
    std::atomic<bool> only_pcm16{false}, away{false}, hung{false};
    HANDLE written = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE let_go = CreateEventW(nullptr, TRUE, FALSE, nullptr), gone = nullptr;
};

// The window closes while the device, hung, holds an announcement: the window's thread is past
// the player within its deadline; the worker, let go afterwards, calls nobody back and frees what
// it used (the device) only once it has ended, after the player has gone.
TEST(Win32SoundPlayer, ClosingTheWindowOnAHungDeviceTakesTheDeadlineAtMost) {
    HANDLE gone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    auto device = std::make_shared<FakeDevice>();
    device->gone = gone;
    device->hung = true;
    FakeDevice& hung = *device;
    struct : PlayerObserver {
        void Handed(SoundPlayer::Ticket, const void*, std::size_t) override { late += closed; }
        void Ended(SoundPlayer::Ticket, const std::vector<FragmentReport>&) override { late += closed; }
        std::atomic<bool> closed{false};
        std::atomic<int> late{0};
    } calls;
    auto player = std::make_unique<Win32SoundPlayer>(std::move(device), &calls);
    {
        FakeServicesOn<FakeFileSystem> fakes;
        Platform platform{fakes.files, *player, fakes.hotkeys, fakes.boxes, fakes.dialog};
        HWND hwnd = nullptr;  // the window's, until it has gone
        MainWindow window(platform, [&hwnd](HWND h) { hwnd = h; });
        ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr)));
        player->SetIdleCallback([&calls] { calls.late += calls.closed; });
        player->Play({"C:\\chybi.wav"});  // the tone in its place
        ASSERT_EQ(WaitForSingleObject(hung.written, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
        LARGE_INTEGER f, t0, t1;
        QueryPerformanceFrequency(&f);
        QueryPerformanceCounter(&t0);
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        QueryPerformanceCounter(&t1);
        calls.closed = true;
        const double ms =
            1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(f.QuadPart);
        std::printf("WM_CLOSE to the window gone, the device hung: %.0f ms (deadline %u ms)\n", ms,
                    SoundPlayer::kShutdownDeadlineMs);
        EXPECT_FALSE(hwnd);
        EXPECT_LT(ms, 4.0 * SoundPlayer::kShutdownDeadlineMs);  // a hang guard; the figure is printed
        EXPECT_EQ(player->state(), Win32SoundPlayer::State::kClosed);
        EXPECT_TRUE(player->DeviceStoppedAnswering());
        EXPECT_EQ(player->Play({"C:\\chybi.wav"}), 0u);
    }
    player.reset();
    SetEvent(hung.let_go);
    EXPECT_EQ(WaitForSingleObject(gone, 10000), static_cast<DWORD>(WAIT_OBJECT_0))
        << "the worker did not end";
    EXPECT_EQ(calls.late, 0);
    CloseHandle(gone);
}

// The stream held ready for the next press goes away before the press: the announcement starts
// again on a new stream, whole, by moves the worker's table allows; when the device refuses the
// new stream, it passes in silence. A device gone while idle: the press passes in silence, the
// next one plays once it is back. A format the device refuses plays as 16-bit PCM.
TEST(Win32SoundPlayer, StreamsGoneOrRefusedEndInAllowedMovesOnAFakeDevice) {
    TempFolder dir;
    const Path tone = dir.Write("tone.wav", Tone(0.1));  // every buffer written ahead
    const Path eight = dir.Write("osm.wav", PlainWave(kTagPcm, 1, 22050, 8, NoiseBytes(2205, 8)));
    auto dev = std::make_shared<FakeDevice>();
    Player p(dev);
    // Made ready, then the device changes meanwhile, then the press: its moves.
    auto held_then = [&](auto&& meanwhile) {
        const SoundPlayer::Ticket t = p.player.PrepareNext({tone});
        EXPECT_EQ(p.TakeMoves("O>I"), "I>O O>I");
        meanwhile();
        EXPECT_EQ(p.player.Play({tone}, t), t);
        EXPECT_TRUE(p.WaitIdle());
        return p.TakeMoves();
    };
    EXPECT_EQ(held_then([&] { dev->lost_below = dev->streams.size(); }), "I>O O>P P>D D>S S>O O>P P>D D>I");
    ASSERT_EQ(dev->streams.size(), 2u);
    EXPECT_TRUE(dev->streams[1].handed == Rendered({tone})) << dev->streams[1].handed.size() << " bytes";
    EXPECT_TRUE(p.player.DeviceStoppedAnswering()) << "the stream gone is left to its driver";
    // The sound server restarts, losing the stream, and takes no new one yet.
    EXPECT_EQ(held_then([&] { dev->lost_below = dev->open_below = dev->streams.size(); }),
              "I>O O>P P>D D>S S>O O>I");
    EXPECT_EQ(p.ended.back().second.at(0).result, FragmentResult::kCopied);
    dev->open_below = std::size_t(-1);

    EXPECT_EQ(held_then([&] { dev->away = true; }), "I>O O>I");
    dev->away = false;
    p.player.Play({tone});
    EXPECT_TRUE(p.WaitIdle());
    EXPECT_EQ(p.TakeMoves(), "I>O O>P P>D D>I");
    ASSERT_EQ(dev->streams.size(), 5u);
    EXPECT_TRUE(dev->streams[4].handed == Rendered({tone}));

    dev->only_pcm16 = true;
    p.player.Play({eight});
    EXPECT_TRUE(p.WaitIdle());
    ASSERT_EQ(dev->streams.size(), 6u);
    EXPECT_EQ(dev->streams[5].format, (StreamFormat{SampleEncoding::kPcm, 22050, 1, 16}));
    EXPECT_TRUE(dev->streams[5].handed == Rendered({eight}, true));
}

// A move the worker's table forbids is refused in every build (these tests are built as the
// program is, without asserts): the state stays, and the first refusal alone is said through the
// debugger's output.
TEST(PlayerStates, RefuseAForbiddenMoveAndSayItOnce) {
    static std::atomic<int> said{0};
    PVOID watch = AddVectoredExceptionHandler(1, [](EXCEPTION_POINTERS* e) -> LONG {
        const EXCEPTION_RECORD& r = *e->ExceptionRecord;  // OutputDebugString raises DBG_PRINTEXCEPTION_C
        said += r.ExceptionCode == DBG_PRINTEXCEPTION_C && r.NumberParameters >= 2 &&
                std::strstr(reinterpret_cast<const char*>(r.ExceptionInformation[1]), "player refused");
        return EXCEPTION_CONTINUE_SEARCH;
    });
    PlayerStates states;
    EXPECT_EQ(states.Enter(PlayerState::kPlaying), PlayerStates::Move::kRefused);
    EXPECT_EQ(states.Enter(PlayerState::kDraining), PlayerStates::Move::kRefused);
    EXPECT_EQ(states.get(), PlayerState::kIdle);
    EXPECT_EQ(states.Enter(PlayerState::kOpening), PlayerStates::Move::kMade);
    EXPECT_EQ(states.Enter(PlayerState::kClosed), PlayerStates::Move::kMade);
    EXPECT_EQ(states.Enter(PlayerState::kIdle), PlayerStates::Move::kClosed);
    RemoveVectoredExceptionHandler(watch);
    EXPECT_EQ(said, 1);
}

}  // namespace
}  // namespace vkm::testing
