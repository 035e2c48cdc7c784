// The repair of a line (vkmcheck --uprav) on real files made by sox: a line made uneven one way per
// sound, each correction step checked on its sound's copy with the report's own measures; the
// copy's report, the source left as it was, idempotence and the refusals.
#include "core/sound_repair.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <set>

#include "core/adpcm.h"
#include "core/catalogue.h"
#include "core/sound_analysis.h"
#include "platform/portable/portable_files.h"
#include "platform/portable/portable_sound.h"
#include "vkmcheck/vkmcheck.h"
#include "wave_builder.h"

namespace vkm::testing {
namespace {

struct Repaired {
    SoundMeasures m;  // of the copy, as the report measures it (with the true peak)
    double lufs = 0;  // the line's median, the target
    std::vector<double> trimmed{};
};

// The milliseconds trimmed at each end of a sound, as the repair's summary says them.
std::vector<double> Trimmed(const std::string& said, std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    double start = -1, end = -1;
    if (const std::size_t at = said.find("„" + name + "“: "); at != std::string::npos)
        std::sscanf(said.c_str() + said.find("oříznuto", at), "%*s %lf ms na začátku a %lf", &start, &end);
    return {start, end};
}

bool Between(double value, double low, double high) {
    return low <= value && value <= high;
}

TEST(SoundRepair, MendsEachFaultOfALineIntoACopy) {
    ASSERT_TRUE(HaveSox()) << "sox is needed (scripts/setup.sh installs it)";
    ScratchDir dir;
    const std::string line = dir / "linka",
                      speech = "synth 2 pinknoise vol 0.9 tremolo 4 90 fade q 0.02 2 0.02";
    std::filesystem::create_directories(line + "/zvuky");
    const struct {
        const char* name;
        std::string sox;  // output options and effects after "sox -n"
        std::function<void(const Repaired&)> check;
    } rows[] = {
        {"a.wav", "-r 22050 " + speech, nullptr},
        {"b.wav", "-r 22050 " + speech, nullptr},
        {"c.wav", "-r 22050 " + speech, nullptr},
        {"tichy.wav", "-r 22050 " + speech + " gain -8",  // loudness: to the median
         [](const Repaired& r) { EXPECT_NEAR(*r.m.loudness, r.lufs, 0.3); }},
        {"hlasity.wav", "-r 22050 " + speech + " gain 4",
         [](const Repaired& r) { EXPECT_NEAR(*r.m.loudness, r.lufs, 0.3); }},
        {"zvuky/ticho.wav", "-r 22050 " + speech + " pad 0.4 0.4",  // silence: to 50 ms at each end
         [](const Repaired& r) {
             EXPECT_NEAR(r.m.leading_silence / 22.05, 50, 3);
             EXPECT_NEAR(r.m.trailing_silence / 22.05, 50, 3);
         }},
        {"slovo.wav", "-r 22050 " + speech + " gain -40 pad 0.3 0.3 gain 8",  // a quiet word is not cut
         [](const Repaired& r) { EXPECT_GT(r.m.frames, 22050u * 2); }},
        {"dc.wav", "-r 22050 " + speech + " dcshift 0.03",
         [](const Repaired& r) { EXPECT_LT(r.m.dc_offset, 0.002); }},
        {"8k.wav", "-r 8000 " + speech, [](const Repaired& r) { EXPECT_EQ(r.m.rate, 22050u); }},
        {"adpcm.wav", "-r 22050 -e ima-adpcm " + speech,
         [](const Repaired& r) { EXPECT_NEAR(*r.m.loudness, r.lufs, 0.3); }},
        {"naraz.wav", "-r 22050 synth 1 sine 300 0 25 vol 0.3",  // a fade at each end
         [](const Repaired& r) { EXPECT_LT(std::max(r.m.first_level, r.m.last_level), 0.01); }},
        {"spicka.wav",
         "-r 22050 synth 0.0003 sine 1000 vol 0.9 pad 0.1 0.5 repeat 3",  // clicks: the peak limits
         [](const Repaired& r) { EXPECT_LE(20 * std::log10(r.m.true_peak), -1.0); }},
        {"prebuzeny.wav", "-r 22050 synth 2 sine 150 vol 0.5 gain 8", nullptr},
        // An offset, then 0.3 s of digital silence an editor added: the silence has no offset and is
        // trimmed to the margin: 300 ms less 50, and up to the 20 ms of the fade that are under -50 dBFS.
        {"dcpad.wav", "-r 22050 " + speech + " dcshift 0.05 pad 0 0.3",
         [](const Repaired& r) { EXPECT_PRED3(Between, r.trimmed[1], 250, 270); }},
        // Every fault at once but clipping: quiet, an offset, silence added at both ends, 8 kHz, IMA
        // ADPCM. The resampler's filter reaches 46 frames (5.75 ms at 8 kHz) before the sound.
        {"vse.wav", "-r 8000 -e ima-adpcm " + speech + " gain -8 dcshift 0.05 pad 0.3 0.3",
         [](const Repaired& r) {
             EXPECT_EQ(r.m.rate, 22050u);
             for (double t : r.trimmed) EXPECT_PRED3(Between, t, 300 - 50 - 5.75, 300 - 50 + 20);
         }},
    };
    std::string definition = "[Info]\r\nName=Nerovná\r\n[Hlaseni]\r\n";
    int n = 0;
    for (const auto& row : rows) {
        ASSERT_TRUE(Sox("-R -n -D " + row.sox.substr(0, row.sox.find(" synth")) + " -b 16 -c 1 '" + line +
                        "/" + row.name + "'" + row.sox.substr(row.sox.find(" synth"))))
            << row.name;
        definition += std::to_string(++n) + "=" + std::string(row.name) + "\r\n";
    }
    std::replace(definition.begin(), definition.end(), '/', '\\');
    WriteBytes(line + "/Linka.vkm", definition);
    std::map<std::string, std::string> before;
    for (const auto& e : std::filesystem::recursive_directory_iterator(line))
        if (e.is_regular_file()) before[e.path()] = ReadBytes(e.path());

    PortableFileSystem files;
    PortableFileWriter writer;
    AdpcmCodecs codecs;
    PortableSoundSources sounds(std::nullopt, &codecs);
    auto run = [&](std::vector<std::string> args, std::string& said) {
        said.clear();
        return RunLineCheck(args, files, sounds, writer, [&](const std::string& t) { said += t; });
    };
    std::string said;
    ASSERT_EQ(run({line + "/Linka.vkm", "--uprav", dir / "kopie"}, said), 0) << said;
    EXPECT_EQ(ReadBytes(dir / "kopie/Linka.vkm"), definition) << "the definition byte for byte";
    const std::size_t report = said.find("Kontrola opravené kopie:");
    ASSERT_NE(report, std::string::npos) << said;
    EXPECT_NE(said.find("„prebuzeny.wav“ (hlášení „13“): je přebuzený", report), std::string::npos) << said;
    EXPECT_NE(said.find("„spicka.wav“ (hlášení „12“): hlasitost", report), std::string::npos) << said;
    EXPECT_NE(said.find("Poznámky ke zvukům (2):", report), std::string::npos) << "only those not mended\n"
                                                                               << said;
    EXPECT_NE(said.find("Neopraveno (2): „spicka.wav“, „prebuzeny.wav“"), std::string::npos) << said;
    EXPECT_NE(said.find("zesílení zastavila špička"), std::string::npos) << said;
    EXPECT_NE(said.find("IMA ADPCM, 22 050 Hz, mono → PCM 16 bitů, 22 050 Hz, mono"), std::string::npos)
        << said;
    std::vector<double> loudness;
    for (const auto& row : rows) {
        MemorySource copy(ReadBytes(dir / ("kopie/" + std::string(row.name))));
        const WaveInfo info = ParseWave(copy);
        ASSERT_EQ(info.format.bits, 16u) << row.name;
        std::string data(static_cast<std::size_t>(info.data_size), '\0');
        copy.ReadAt(info.data_offset, &data[0], data.size());
        SoundAnalyzer analyzer(info.format.rate, info.format.channels, 32767 / 32768.0f, true);
        std::vector<float> samples(info.Frames());
        DecodeSamples(info.format, reinterpret_cast<const std::uint8_t*>(data.data()), info.Frames(),
                      samples.data());
        analyzer.Push(samples.data(), samples.size());
        Repaired r{analyzer.Finish(), 0};
        r.trimmed = Trimmed(said.substr(0, report), row.name);
        ASSERT_TRUE(r.m.loudness) << row.name;
        if (std::string(row.name) != "spicka.wav" && std::string(row.name) != "prebuzeny.wav")
            loudness.push_back(*r.m.loudness);
        r.lufs = Median(loudness);
        EXPECT_LE(20 * std::log10(r.m.true_peak), -1.0) << row.name;
        if (row.check) row.check(r);
    }
    const auto [low, high] = std::minmax_element(loudness.begin(), loudness.end());
    EXPECT_LT(*high - *low, 1.0) << "the loudness spread of the copy";

    // Once more on its own copy: nothing to mend.
    ASSERT_EQ(run({dir / "kopie/Linka.vkm", "--uprav", dir / "kopie2"}, said), 0) << said;
    std::size_t unchanged = 0;
    for (std::size_t at = 0;
         (at = said.find(": 0,0 dB, oříznuto 0 ms na začátku a 0 ms na konci", at + 1)) != std::string::npos;)
        ++unchanged;
    EXPECT_EQ(unchanged, std::size(rows)) << said;

    // The loudness asked for wins over the median. These start and end within the margin, so each copy is
    // its sound whole at the gain its measure calls for (about -8 dB; tichy.wav +0.4, over the 0.05 dB left
    // out) but for its fades (10 ms of 2 s: at most 0.02 dB) and the rounding to 16 bits.
    ASSERT_EQ(run({line + "/Linka.vkm", "--uprav", dir / "hlasitost", "--hlasitost", "-30"}, said), 0)
        << said;
    EXPECT_NE(said.find("  Hlasitost: -30,0 LUFS, skutečná špička"), std::string::npos) << said;
    for (const char* name : {"a.wav", "tichy.wav", "8k.wav"}) {
        MemorySource copy(ReadBytes(dir / ("hlasitost/" + std::string(name))));
        EXPECT_NEAR(*AnalyseWave(copy, nullptr)->loudness, -30, 0.1) << name;
    }
    // The margin in milliseconds: 400 ms of silence kept to 200, up to the fade's 20 ms more trimmed.
    ASSERT_EQ(run({line + "/Linka.vkm", "--uprav", dir / "okraj", "--okraj", "200"}, said), 0) << said;
    EXPECT_NE(said.find("  Ticho na koncích: 200 ms"), std::string::npos) << said;
    for (double t : Trimmed(said, "zvuky/ticho.wav")) EXPECT_PRED3(Between, t, 200, 220);
    // Refused, nothing written: a folder not empty (the copy's zvuky holds one file), the line's own.
    for (const char* folder : {"kopie", "kopie/zvuky"}) {
        EXPECT_EQ(run({line + "/Linka.vkm", "--uprav", dir / folder}, said), 2);
        EXPECT_NE(said.find("není prázdná; kopii do ní zapíše jen --prepsat. Nic nebylo zapsáno."),
                  std::string::npos);
    }
    EXPECT_EQ(run({line + "/Linka.vkm", "--uprav", line, "--prepsat"}, said), 2);
    EXPECT_NE(said.find("Linka.vkm: tento soubor linka čte"), std::string::npos) << said;
    for (const auto& [path, bytes] : before) EXPECT_TRUE(ReadBytes(path) == bytes) << path << " changed";
}

// How the real writer fails on the file named fail: with error at its first write, or at its commit
// (at_commit); another program makes it meanwhile (what it writes there); or the process is killed
// after the file's first write.
struct Fault {
    const char* fail = "";
    WriteError error;
    bool at_commit = false;
    std::string meanwhile{};
    bool killed = false;
};

struct FailingWriter : FileWriter {
    struct File : OutputFile {
        File(std::unique_ptr<OutputFile> f, const Fault& fault) : out(std::move(f)), fault(fault) {}
        bool Write(const void* d, std::size_t n) override {
            const bool written = (fault.at_commit || !fault.error) && out->Write(d, n);
            if (fault.killed) raise(SIGKILL);
            return written;
        }
        bool WriteAt(std::uint64_t o, const void* d, std::size_t n) override { return out->WriteAt(o, d, n); }
        bool Commit() override { return !fault.error && out->Commit(); }
        WriteError error() const override { return fault.error ? fault.error : out->error(); }
        std::unique_ptr<OutputFile> out;
        const Fault& fault;
    };
    Created Create(const Path& path, bool overwrite) override {
        Created c = real.Create(path, overwrite);
        if (!c.file || ExtractFileName(path) != fault.fail) return c;
        if (!fault.meanwhile.empty()) WriteBytes(NativePath(path), fault.meanwhile);
        return {std::make_unique<File>(std::move(c.file), fault), {}};
    }
    bool MakeFolder(const Path& path) override { return real.MakeFolder(path); }
    PortableFileWriter real;
    Fault fault;
};

// The line check on real files, on a line of a second of tone in each of a.wav, zvuky\a.wav, b.wav
// and c.wav, with a writer that fails as the test asks.
struct ToneLine : ::testing::Test {
    ToneLine() {
        std::vector<int> tone(22050);
        for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int>(3000 * std::sin(i * 0.125));
        std::filesystem::create_directories(line + "/zvuky");
        for (const char* name : {"a.wav", "zvuky/a.wav", "b.wav", "c.wav"})
            WriteBytes(line + "/" + name, PlainWave(kTagPcm, 1, 22050, 16, Pcm16(tone)));
        WriteBytes(line + "/Linka.vkm",
                   "[Info]\r\nName=L\r\n[Hlaseni]\r\n1=a.wav\r\n2=zvuky\\a.wav\r\n3=b.wav\r\n4=c.wav\r\n");
    }
    int Run(std::vector<std::string> args) {
        args.insert(args.begin(), line + "/Linka.vkm");
        said.clear();
        return RunLineCheck(args, files, sounds, writer, [this](const std::string& t) { said += t; });
    }
    ScratchDir dir;
    const std::string line = dir / "linka";
    PortableFileSystem files;
    PortableSoundSources sounds;
    FailingWriter writer;
    std::string said;
};

// Everything below root: each path with its bytes, or where it links to.
std::map<std::string, std::string> Tree(const std::string& root) {
    std::map<std::string, std::string> tree;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        tree[e.path()] = e.is_symlink()        ? "-> " + std::filesystem::read_symlink(e.path()).string()
                         : e.is_regular_file() ? ReadBytes(e.path())
                                               : "folder";
    return tree;
}

// Outputs that are the line's files through a symbolic or a hard link, an output folder that is a
// link, a sub-folder of the copy that is one, or a sub-folder of the line: each refused with and
// without --prepsat, nothing written anywhere.
TEST_F(ToneLine, NoOutputIsAFileTheLineReadsAlsoThroughLinks) {
    namespace fs = std::filesystem;
    const std::string a = line + "/a.wav";
    for (const char* f : {"tvrdy", "mekky", "pod", "vse_tvrdy", "vse_mekky"}) fs::create_directories(dir / f);
    fs::create_directory_symlink(line, dir / "odkaz");
    fs::create_directory_symlink(line, dir / "pod/zvuky");
    for (const char* f : {"tvrdy/a.wav", "hard.wav", "vse_tvrdy/01_odjezd.wav"})
        fs::create_hard_link(a, dir / f);
    for (const char* f : {"mekky/a.wav", "sym.wav", "vse_mekky/02_prijezd.wav"})
        fs::create_symlink(a, dir / f);
    // clang-format off
    const std::vector<std::vector<std::string>> rows = {
        {"--uprav", dir / "odkaz"}, {"--uprav", dir / "tvrdy"}, {"--uprav", dir / "mekky"}, {"--uprav", dir / "pod"},
        {"--uprav", line + "/zvuky"}, {"--wav", "1", dir / "hard.wav"}, {"--wav", "1", dir / "sym.wav"},
        {"--wav-all", dir / "vse_tvrdy"}, {"--wav-all", dir / "vse_mekky"},
    };
    // clang-format on
    const std::map<std::string, std::string> before = Tree(dir.path());
    for (const bool overwrite : {false, true})
        for (std::vector<std::string> args : rows) {
            if (overwrite) args.push_back("--prepsat");
            EXPECT_EQ(Run(args), 2) << said;
            EXPECT_NE(said.find(": tento soubor linka čte"), std::string::npos) << args[1] << "\n" << said;
            EXPECT_TRUE(Tree(dir.path()) == before) << args[1] << ": something was written";
        }
}

// The names in folder; each WAV file's header must tell its size.
std::set<std::string> Written(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        names.insert(e.path().filename());
        if (e.path().extension() != ".wav") continue;
        MemorySource wav(ReadBytes(e.path()));
        const WaveInfo info = ParseWave(wav);
        EXPECT_TRUE(info.fault == WaveFault::kNone && info.data_offset + info.data_size == wav.Size())
            << e.path() << "'s header lies";
    }
    return names;
}

// A write that fails leaves nothing that looks finished: the file is not there (nor its temporary
// one), the definition, written last, is not written when a sound was not, the summary names the
// reason and the sound; a render goes on with the next announcement.
TEST_F(ToneLine, AFailedWriteLeavesNothingThatLooksFinished) {
    using Kind = WriteError::Kind;
    const struct {
        Fault fault;
        std::vector<std::string> args;
        std::set<std::string> left;  // in the output folder
        std::vector<std::string> said;
    } rows[] = {
        // clang-format off
        {{"b.wav", {Kind::kDiskFull, 28}}, {"--uprav", dir / "k1"}, {"a.wav", "zvuky", "c.wav"},
         {"Kopie linky není celá: definiční soubor ", "k1\\Linka.vkm nezapsán, protože 1 zvuk nešlo zapsat",
          "„b.wav“: nezapsán (na disku není místo)", "Nezapsáno (1): „b.wav“", "„c.wav“: 0,0 dB"}},
        {{"c.wav", {Kind::kReadOnly, 30}, true}, {"--uprav", dir / "k2"}, {"a.wav", "zvuky", "b.wav"},
         {"„c.wav“: nezapsán (disk je jen pro čtení)", "Nezapsáno (1): „c.wav“"}},
        {{"Linka.vkm", {Kind::kAccessDenied, 13}}, {"--uprav", dir / "k3"}, {"a.wav", "zvuky", "b.wav", "c.wav"},
         {"Kopie linky není celá: definiční soubor ", "k3\\Linka.vkm nešel zapsat (přístup odepřen)"}},
        {{"02_prijezd.wav", {Kind::kOther, 5}}, {"--wav-all", dir / "k4"}, {"01_odjezd.wav", "03_odjezd.wav", "04_prijezd.wav"},
         {"02_prijezd.wav: soubor nelze zapsat (zápis selhal (chyba systému 5))", "03_odjezd.wav  (hlášení „3“)"}},
        {{"x.wav", {}, false, PlainWave(kTagPcm, 1, 8000, 8, "theirs")}, {"--wav", "1", dir / "k4/x.wav"}, {"01_odjezd.wav", "03_odjezd.wav", "04_prijezd.wav", "x.wav"},
         {"x.wav: soubor nelze zapsat (už existuje; přepíše ho --prepsat)"}},
        // clang-format on
    };
    for (const auto& row : rows) {
        writer.fault = row.fault;
        EXPECT_EQ(Run(row.args), 2) << said;
        for (const std::string& text : row.said)
            EXPECT_NE(said.find(text), std::string::npos) << text << "\n" << said;
        EXPECT_EQ(said.find("Kontrola opravené kopie"), std::string::npos) << said;
        EXPECT_EQ(Written(row.args[0] == "--wav" ? dir / "k4" : row.args.back()), row.left) << row.fault.fail;
    }
}

// A repair killed while a sound is written (its header promises all of it) leaves the sounds written
// whole, the one cut short under its temporary name, and no definition file: no line is offered there.
TEST_F(ToneLine, ARepairKilledLeavesNoLine) {
    writer.fault = {"b.wav", {}, false, "", true};
    const pid_t child = fork();
    if (child == 0) _exit(Run({"--uprav", dir / "kopie"}));
    waitpid(child, nullptr, 0);
    EXPECT_EQ(Written(dir / "kopie"),
              (std::set<std::string>{"a.wav", "zvuky", "vkmcheck-" + std::to_string(child) + "-1.tmp"}));
    EXPECT_TRUE(FindDefinitionFiles(files, dir / "kopie/").empty());
}

}  // namespace
}  // namespace vkm::testing
