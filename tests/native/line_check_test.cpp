// The line check: a line without faults, a line with one of each fault and warning,
// a file that cannot be read, and the table of key characters in the guide.
#include "core/line_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include "core/codepage.h"
#include "core/definition_keys.h"
#include "core/playout.h"
#include "core/report_text.h"
#include "core/sound_analysis.h"
#include "fakes/fakes.h"
#include "vkmcheck/vkmcheck.h"
#include "wave_builder.h"

namespace vkm::testing {
namespace {

// Sounds from the fake file system; locked files cannot be opened.
class FakeSounds : public SoundSources {
  public:
    explicit FakeSounds(FakeFileSystem& files) : files_(files) {}
    std::unique_ptr<ByteSource> Open(const Path& path) override {
        std::optional<std::string> bytes = files_.ReadFile(path);
        return bytes ? std::make_unique<MemorySource>(std::move(*bytes)) : nullptr;
    }
    std::optional<Path> DefaultSoundPath() override { return std::nullopt; }
    Codecs* codecs() override { return nullptr; }

  private:
    FakeFileSystem& files_;
};

// Files written in memory (and into files, to be read back), each once it is committed, whole.
struct MemoryWriter : FileWriter {
    explicit MemoryWriter(FakeFileSystem& f) : files(f) {}
    struct File : OutputFile {
        File(MemoryWriter& w, Path p) : writer(w), path(std::move(p)) {}
        bool Write(const void* d, std::size_t n) override { return StringSink(bytes).Write(d, n); }
        bool WriteAt(std::uint64_t at, const void* d, std::size_t n) override {
            return StringSink(bytes).WriteAt(at, d, n);
        }
        bool Commit() override { return writer.files.files[path] = writer.written[path] = bytes, true; }
        WriteError error() const override { return {}; }
        MemoryWriter& writer;
        Path path;
        std::string bytes;
    };
    Created Create(const Path& path, bool overwrite) override {
        if (written.count(path) && !overwrite) return {nullptr, {WriteError::Kind::kExists, 17}};
        return {std::make_unique<File>(*this, path), {}};
    }
    bool MakeFolder(const Path&) override { return true; }
    FakeFileSystem& files;
    std::map<Path, std::string> written;
};

// A second of sound at 22.05 kHz.
std::string Second() {
    return PlainWave(kTagPcm, 1, 22050, 16, std::string(2 * 22050, '\1'));
}

struct LineCheckTest : ::testing::Test {
    FakeFileSystem files;
    FakeSounds sounds{files};
    MemoryWriter writer{files};
    std::string said;

    LineReport Check(const std::string& definition) {
        files.files["C:\\linky\\linka.vkm"] = definition;
        return CheckLine("C:\\linky\\linka.vkm", files, sounds);
    }
    static std::string Texts(const LineReport& r, bool faults) {
        std::string out;
        for (const CheckFinding& f : r.findings)
            if (f.fault == faults) out += f.text + "\n";
        return out;
    }
    int Run(std::vector<std::string> args) {
        args.insert(args.begin(), "C:\\linky\\linka.vkm");
        said.clear();
        return RunLineCheck(args, files, sounds, writer, [this](const std::string& t) { said += t; });
    }
};

TEST_F(LineCheckTest, ASoundLineHasNoFaultAndItsLengths) {
    for (const char* name : {"gong.wav", "a.wav", "b.wav", "konec.wav", "u.wav"})
        files.files[std::string("C:\\linky\\") + name] = Second();
    files.files["C:\\linky\\zvuky\\c.wav"] = Second();
    const LineReport r = Check(Utf8ToCp1250(
        "[Info]\r\nName=Praha – "
        "Kolín\r\nWAV_odjezd=gong.wav\r\nWAV_prijezd=gong.wav,gong.wav\r\nWAV_Konec=konec.wav\r\n"
        "[Hlaseni]\r\n1=a.wav\r\n2=b.wav,zvuky\\c.wav\r\n3=zvuky\\x\\..\\..\\a.wav\r\n[Uzivatelske_klavesy]"
        "\r\nu=ALT+B;u.wav;U\r\n"));
    EXPECT_EQ(r.ExitCode(), 0) << FormatLineReport(r);
    EXPECT_TRUE(r.findings.empty()) << FormatLineReport(r);
    EXPECT_EQ(r.name, "Praha – Kolín");
    EXPECT_EQ(r.encoding, TextEncoding::kCp1250);
    ASSERT_EQ(r.announcements.size(), 3u);  // the third's sound is a.wav, as Windows resolves it
    EXPECT_TRUE(r.announcements[0].departure);
    EXPECT_DOUBLE_EQ(r.announcements[0].leading_seconds + r.announcements[0].own_seconds, 2.0);
    EXPECT_FALSE(r.announcements[1].departure);
    EXPECT_DOUBLE_EQ(r.announcements[1].leading_seconds + r.announcements[1].own_seconds, 4.0);
    EXPECT_DOUBLE_EQ(r.end_seconds, 1.0);
    ASSERT_EQ(r.user_announcements.size(), 1u);
    EXPECT_EQ(r.user_announcements[0].first, "Alt+B");
    const std::string text = FormatLineReport(r);
    for (const char* shown : {"Linka: Praha – Kolín", "Kódování: Windows-1250", "Hlášení: 3",
                              "2. příjezd  4,0 s", "Chyby: žádné", "Upozornění: žádná"})
        EXPECT_NE(text.find(shown), std::string::npos) << shown << "\n" << text;
}

TEST_F(LineCheckTest, EveryFaultAndWarningIsNamedWithWhereItIs) {
    files.files["C:\\linky\\ok.wav"] = Second();
    files.files["C:\\linky\\zamceny.wav"] = Second();
    files.locked.insert("C:\\linky\\zamceny.wav");
    files.files["C:\\linky\\text.wav"] = "not a sound";
    files.files["C:\\linky\\useknuty.wav"] = Wave(Chunk("fmt ", FormatBody(kTagPcm, 1, 22050, 16, 2)) +
                                                  ChunkClaiming("data", 16000, std::string(2000, 'x')));
    files.files["C:\\linky\\adpcm.wav"] =
        Wave(Chunk("fmt ", FormatBody(kTagImaAdpcm, 1, 22050, 4, 256, Le16(505))) +
             Chunk("data", std::string(256, '\0')));
    const LineReport r = Check(
        "[Info]\r\nWAV_odjezd=ok.wav,chybi.wav\r\nWAV_Konec=..\\spolecne\\konec.wav\r\nklavesy_ZPET=Z\r\n"
        "Klavesy_zpett=X\r\n"
        "Klavesy_stop=Z\r\n[Hlaseni]\r\n1=zamceny.wav\r\n2=text.wav\r\n3=\r\n1=again.wav\r\n4=,\r\n5="
        "useknuty.wav,adpcm.wav\r\n"
        "[Uzivatelske_klavesy]\r\na=WIN+B;ok.wav\r\nb=ALT+A;ok.wav\r\nc=alt+A;ok.wav\r\nd=alt+b;ok.wav\r\n");
    EXPECT_EQ(r.ExitCode(), 1);
    const std::string faults = Texts(r, true), warnings = Texts(r, false);
    for (const char* fault : {
             "zvuk „chybi.wav“ (WAV_odjezd) chybí",
             "zvuk „zamceny.wav“ (hlášení „1“) nelze přečíst",
             "zvuk „text.wav“ (hlášení „2“) není soubor WAV",
             "zvuk „useknuty.wav“ (hlášení „5“) je useknutý",
             "hlášení „3“ je prázdné",
             "hlášení „1“ je v sekci [Hlaseni] víckrát",
             "hlášení „4“ nejmenuje žádný zvuk",
             "Některé klávesy nelze použít (používá je jiný program nebo jsou chybně zapsané): WIN+B, Alt+A "
             "(již použitá dříve), Z (již použitá dříve)",
         })
        EXPECT_NE(faults.find(fault), std::string::npos) << fault << "\n" << faults;
    for (const char* warning : {
             "linka nemá jméno",
             "zvuk „..\\spolecne\\konec.wav“ (WAV_Konec) leží mimo složku linky",
             "zvuk „adpcm.wav“ (hlášení „5“) je komprimovaný",
             "uživatelská klávesa „alt+b“ je Alt+Num 2",
             "klíč „Klavesy_zpett“ v sekci [Info] program nečte — myslel jste Klavesy_zpet?",
         })
        EXPECT_NE(warnings.find(warning), std::string::npos) << warning << "\n" << warnings;
    EXPECT_EQ(warnings.find("zvuk „ok.wav“"), std::string::npos) << "a sound that plays is no warning";
    // Z (klavesy_ZPET) takes back (its first role) and does not stop. Every key the line binds that the
    // simulator uses too is noted, with the simulator's command.
    const std::string keys =
        "  Klávesy:\n"
        "    Hlášení: Enter, P, F1\n"
        "    Zpět: Z\n"
        "  Klávesy, které potřebuje i simulátor, podle výchozích kláves Open Rails a MSTS v rozložení "
        "klávesnice US (5):\n"
        "    - Enter (hlášení): hlavní klíč\n"
        "    - P (hlášení): pantograf 1, Control Cylinder Compound\n"
        "    - F1 (hlášení): okno nápovědy\n"
        "    - Alt+A (uživatelské hlášení): autopilot\n"
        "    - Z (zpět): kontrola bdělosti\n"
        "  Chyby";
    EXPECT_NE(FormatLineReport(r).find(keys), std::string::npos) << FormatLineReport(r);
    EXPECT_EQ(faults.find("ok.wav"), std::string::npos);
}

// What the program does not read is named, with the name meant when a third of its characters at most
// differ, marks on letters not counted; comments and what it reads, whatever the case, are not.
TEST(UnreadDefinitionNames, AreNamedWithTheNameMeantWhenItIsClose) {
    // clang-format off
    const struct { const char *text, *said; } rows[] = {
        {"Name=před sekcí\n[Info]", "klíč „Name“ a ostatní řádky před první sekcí program nečte\n"},
        {"[Hlášení]", "sekci [Hlášení] program nečte — myslel jste [Hlaseni]?\n"},
        {"[Uzivatelske klavesy]", "sekci [Uzivatelske klavesy] program nečte — myslel jste [Uzivatelske_klavesy]?\n"},
        {"[Poznamky]", "sekci [Poznamky] program nečte\n"},
        {"[Info]\n[INFO]", "sekce [INFO] je v souboru víckrát; program čte jen první\n"},
        {"[Info]\nName=a\nname=b", "klíč „name“ je v sekci [Info] víckrát; platí první\n"},
        {"[Info]\nKlávesy_zpět=x", "klíč „Klávesy_zpět“ v sekci [Info] program nečte — myslel jste Klavesy_zpet?\n"},
        {"[Info]\nWAV_odjezdy=x", "klíč „WAV_odjezdy“ v sekci [Info] program nečte — myslel jste WAV_odjezd?\n"},
        {"[Info]\nNazev=x", "klíč „Nazev“ v sekci [Info] program nečte\n"},
        {"[Info]\nKlavesy=x", "klíč „Klavesy“ v sekci [Info] program nečte\n"},
        {"[Info]\n;Klavesy_zpett=x\n  NAME  =x\nWAV_KONEC=k.wav\nKlavesy_zpet\n[hlaseni]\n[uzivatelske_KLAVESY]", ""},
        {"", ""},
    };
    // clang-format on
    for (const auto& row : rows) {
        std::string said;
        for (const std::string& text : UnreadDefinitionNames(IniFile(row.text))) said += text + "\n";
        EXPECT_EQ(said, row.said) << row.text;
    }
}

TEST_F(LineCheckTest, FilesThatCannotBeReadOrAreUtf16WithoutAMark) {
    const LineReport missing = CheckLine("C:\\linky\\zadna.vkm", files, sounds);
    EXPECT_EQ(missing.ExitCode(), 2);
    EXPECT_NE(FormatLineReport(missing).find("Nelze najít definiční soubor vlakového rozhlasu"),
              std::string::npos);
    files.files["C:\\linky\\zamcena.vkm"] = "[Info]\r\nName=x\r\n";
    files.locked.insert("C:\\linky\\zamcena.vkm");
    EXPECT_EQ(CheckLine("C:\\linky\\zamcena.vkm", files, sounds).ExitCode(), 2);

    std::string utf16;
    for (char c : std::string("[Info]\r\nName=Praha\r\n")) utf16 += std::string(1, c) + '\0';
    const LineReport r = Check(utf16);
    EXPECT_EQ(r.ExitCode(), 0);
    EXPECT_EQ(r.name, "");
    EXPECT_NE(Texts(r, false).find("UTF-16 bez BOM"), std::string::npos);
    EXPECT_FALSE(LooksLikeUtf16WithoutMark("[Info]\r\nName=Praha\r\n"));
}

// A second of 440 Hz at 22.05 kHz (or rate), -10 dBFS, faded in and out over 10 ms; change
// edits the samples before they are written.
std::string Tone(unsigned rate = 22050, const std::function<void(std::vector<int>&)>& change = {}) {
    std::vector<int> v(rate);
    for (std::size_t i = 0; i < v.size(); ++i) {
        const double fade = std::min({1.0, i / (rate / 100.0), (v.size() - i) / (rate / 100.0)});
        v[i] = static_cast<int>(std::lround(0.316 * 32767 * fade * std::sin(2 * M_PI * 440.0 * i / rate)));
    }
    if (change) change(v);
    return PlainWave(kTagPcm, 1, rate, 16, Pcm16(v));
}

// Each note just past its threshold, and not just before it: named once with its file and where
// the line uses it; the median of a line listed out of order.
TEST_F(LineCheckTest, SoundNotesFromJustOverTheirThresholds) {
    auto scaled = [](double db) {
        return [db](std::vector<int>& v) {
            for (int& x : v) x = static_cast<int>(std::lround(x * std::pow(10.0, db / 20)));
        };
    };
    auto add = [](int dc) {
        return [dc](std::vector<int>& v) {
            for (int& x : v) x += dc;
        };
    };
    const struct {
        const char* name;
        std::string wav;
        const char* note;  // nullptr: none
    } sounds[] = {
        {"ok.wav", Tone(), nullptr},
        {"ticho14.wav", Tone(22050, [](auto& v) { v.resize(v.size() + 3087, 0); }), nullptr},  // 140 ms
        {"ticho16.wav", Tone(22050, [](auto& v) { v.resize(v.size() + 3528, 0); }), "končí 0,16 s ticha"},
        {"tichy58.wav", Tone(22050, scaled(-5.8)), nullptr},
        {"tichy62.wav", Tone(22050, scaled(-6.2)), "o 6,2 LU nižší než medián"},
        {"hlasity62.wav", Tone(22050, scaled(-6.2 + 12.4)), "o 6,2 LU vyšší než medián"},
        {"prebuzeny.wav", Tone(22050, [](auto& v) { std::fill_n(v.begin() + 5000, 3, 32767); }),
         "přebuzený: 1×"},
        {"dc09.wav", Tone(22050, add(295)), nullptr},  // 0.9 %
        {"dc11.wav", Tone(22050, add(360)), "stejnosměrnou složku 1,1 %"},
        {"naraz305.wav", Tone(22050, [](auto& v) { v[0] = -978; }), nullptr},  // -30.5 dBFS
        {"naraz295.wav", Tone(22050, [](auto& v) { v.back() = 1098; }), "končí náhle (poslední vzorek -29,5"},
        {"8k.wav", Tone(8000), "8 000 Hz, mono a přehraje se převedený na 22 050 Hz, mono v hlášení „12“"},
        {"adpcm.wav",
         Wave(Chunk("fmt ", FormatBody(kTagImaAdpcm, 1, 22050, 4, 256, Le16(505))) +
              Chunk("data", std::string(512, '\0'))),
         "bez bloku fact"},
    };
    std::string definition = "[Info]\r\nName=Vady\r\n[Hlaseni]\r\n";
    int n = 0;
    for (const auto& sound : sounds) {
        files.files[std::string("C:\\linky\\") + sound.name] = sound.wav;
        ++n;
        definition += std::to_string(n) + "=" + (n == 12 ? "ok.wav," : "") + sound.name + "\r\n";
    }
    const LineReport r = Check(definition);
    ASSERT_TRUE(r.sounds);
    EXPECT_EQ(r.ExitCode(), 0) << "notes are no faults";
    std::string notes;
    for (const std::string& note : r.sounds->notes) notes += note + "\n";
    std::size_t expected = 0;
    for (const auto& sound : sounds) {
        const std::string file = std::string("\u201E") + sound.name + "\u201C";
        const std::size_t at = notes.find(file);
        if (!sound.note) {
            EXPECT_EQ(at, std::string::npos) << sound.name << "\n" << notes;
            continue;
        }
        ++expected;
        ASSERT_NE(at, std::string::npos) << sound.name << "\n" << notes;
        EXPECT_EQ(notes.find(file, at + 1), std::string::npos) << sound.name << " named twice\n" << notes;
        EXPECT_NE(notes.find(sound.note, at), std::string::npos) << sound.name << "\n" << notes;
    }
    EXPECT_EQ(r.sounds->notes.size(), expected) << notes;
    EXPECT_NE(notes.find("ticho16.wav“ (hlášení „3“)"), std::string::npos) << "where the line uses it";

    // The median of loudness not in order: the middle one of the three, not the second listed.
    files.files["C:\\linky\\m.wav"] = Tone(22050, scaled(-12));
    files.files["C:\\linky\\s.wav"] = Tone(22050, scaled(-6));
    const LineReport three = Check("[Info]\r\nName=M\r\n[Hlaseni]\r\n1=ok.wav\r\n2=m.wav\r\n3=s.wav\r\n");
    MemorySource middle(files.files["C:\\linky\\s.wav"]);
    ASSERT_TRUE(three.sounds && three.sounds->median_lufs);
    EXPECT_NEAR(*three.sounds->median_lufs, *AnalyseWave(middle, nullptr)->loudness, 1e-9);

    // The repair aims at the median, of an even count the mean of the two in the middle (t.wav: -12 dB in
    // each of two channels, 3 LU over m16.wav; s.wav: -6 dB; ok.wav: 0 dB); it takes the rate most sounds
    // have, of a tie (two at 22.05 kHz, two at 16 kHz) the higher, and stereo when one sound is.
    std::string stereo;
    const std::string mono = Tone(16000, scaled(-12));
    for (std::size_t i = 44; i + 1 < mono.size(); i += 2) stereo += mono.substr(i, 2) + mono.substr(i, 2);
    files.files["C:\\linky\\t.wav"] = PlainWave(kTagPcm, 2, 16000, 16, stereo);
    files.files["C:\\linky\\m16.wav"] = mono;
    files.files["C:\\linky\\linka.vkm"] =
        "[Info]\r\nName=M\r\n[Hlaseni]\r\n1=ok.wav\r\n2=m16.wav\r\n3=s.wav\r\n4=t.wav\r\n";
    MemorySource second(files.files["C:\\linky\\t.wav"]);
    const double median =
        (*AnalyseWave(middle, nullptr)->loudness + *AnalyseWave(second, nullptr)->loudness) / 2;
    EXPECT_EQ(Run({"--uprav", "C:\\kopie"}), 0) << said;
    EXPECT_NE(said.find("  Formát zvuků: PCM 16 bitů, 22 050 Hz, stereo\n  Hlasitost: " + Decimal(median, 1) +
                        " LUFS (medián linky)"),
              std::string::npos)
        << said;
}

// A rendered announcement is what the player hands the device: the fragments joined sample for
// sample between the player's silences (0x80 in 8-bit samples); every announcement goes to a file of
// its own, none over an existing one.
TEST_F(LineCheckTest, RenderedAnnouncementsAreThePlayersBytes) {
    // a: 16-bit; b: 8-bit; c: 24-bit stereo of 30,000 frames, past the writer's 64 KiB pieces.
    const std::string a = Tone(), b = PlainWave(kTagPcm, 1, 22050, 8, NoiseBytes(999, 3)),
                      c = PlainWave(kTagPcm, 2, 22050, 24, NoiseBytes(6 * 30000, 5));
    files.files["C:\\linky\\a.wav"] = a;
    files.files["C:\\linky\\b.wav"] = b;
    files.files["C:\\linky\\c.wav"] = c;
    files.files["C:\\linky\\linka.vkm"] =
        "[Info]\r\nName=L\r\nWAV_odjezd=b.wav\r\nWAV_Konec=a.wav\r\n[Hlaseni]\r\n1=a.wav,chybi.wav\r\n"
        "[Uzivatelske_klavesy]\r\nu=ALT+B;b.wav\r\nv=A;c.wav\r\nw=a;c.wav\r\n";
    std::string said;
    auto run = [&](std::vector<std::string> args) {
        said.clear();
        return RunLineCheck(args, files, sounds, writer, [&](const std::string& text) { said += text; });
    };
    EXPECT_EQ(run({"C:\\linky\\linka.vkm", "--wav-all", "C:\\out"}), 0) << said;
    std::vector<Path> names;
    for (const auto& [path, bytes] : writer.written) names.push_back(path);
    EXPECT_EQ(names, (std::vector<Path>{"C:\\out\\01_odjezd.wav", "C:\\out\\02_konec.wav", "C:\\out\\u_A.wav",
                                        "C:\\out\\u_ALT+B.wav", "C:\\out\\u_a_2.wav"}));
    EXPECT_NE(said.find("zvuk „chybi.wav“ chybí: místo něj zazní tón"), std::string::npos) << said;

    // Read back: the header's format and sizes, then 6 ms (132 frames) of silence, the sound, 30 ms (661).
    const auto data = [](const std::string& wav, unsigned rate, unsigned channels, unsigned bits) {
        MemorySource source(wav);
        const WaveInfo w = ParseWave(source);
        EXPECT_EQ(w.fault, WaveFault::kNone);
        EXPECT_EQ(w.format.rate, rate);
        EXPECT_EQ(w.format.channels, channels);
        EXPECT_EQ(w.format.bits, bits);
        EXPECT_EQ(w.format.bytes_per_second, rate * channels * bits / 8);
        EXPECT_EQ(w.data_offset + w.data_size + w.data_size % 2, wav.size());
        return wav.substr(static_cast<std::size_t>(w.data_offset), static_cast<std::size_t>(w.data_size));
    };
    const auto between_silences = [](const std::string& d, std::size_t block, char silence) {
        return std::string(132 * block, silence) + d + std::string(661 * block, silence);
    };
    EXPECT_TRUE(data(writer.written["C:\\out\\u_ALT+B.wav"], 22050, 1, 8) ==
                between_silences(data(b, 22050, 1, 8), 1, '\x80'));
    EXPECT_TRUE(data(writer.written["C:\\out\\u_a_2.wav"], 22050, 2, 24) ==
                between_silences(data(c, 22050, 2, 24), 6, '\0'));
    // The closing arrival, also alone: no arrival sounds, the end of the line.
    EXPECT_TRUE(data(writer.written["C:\\out\\02_konec.wav"], 22050, 1, 16) ==
                between_silences(data(a, 22050, 1, 16), 2, '\0'));
    EXPECT_EQ(run({"C:\\linky\\linka.vkm", "--wav", "2", "C:\\out\\last.wav"}), 0) << said;
    EXPECT_EQ(writer.written["C:\\out\\last.wav"], writer.written["C:\\out\\02_konec.wav"]);

    // Written over only when asked, never a file the line reads (the system's way: in any case);
    // refusals say why, the usage note for what is not a command.
    writer.written["C:\\out\\one.wav"] = "mine";
    EXPECT_EQ(run({"C:\\linky\\linka.vkm", "--wav", "1", "C:\\out\\one.wav"}), 2);
    EXPECT_NE(said.find("one.wav: soubor nelze zapsat"), std::string::npos) << said;
    EXPECT_EQ(writer.written["C:\\out\\one.wav"], "mine");
    EXPECT_EQ(run({"C:\\linky\\linka.vkm", "--wav", "1", "C:\\out\\one.wav", "--prepsat"}), 0);
    EXPECT_EQ(writer.written["C:\\out\\one.wav"].substr(0, 4), "RIFF");
    const std::size_t written = writer.written.size();
    for (const char* onto : {"C:\\linky\\A.WAV", "C:\\out\\..\\LINKY\\linka.vkm"}) {
        EXPECT_EQ(run({"C:\\linky\\linka.vkm", "--wav", "1", onto, "--prepsat"}), 2) << onto;
        EXPECT_NE(
            said.find(": tento soubor linka čte (je to její definiční soubor nebo zvuk); vkmcheck do souborů "
                      "linky nikdy nezapisuje, ani s --prepsat. Nic nebylo zapsáno."),
            std::string::npos)
            << said;
    }
    EXPECT_EQ(writer.written.size(), written);
    const std::string usage = "Kontrola definičních souborů linek Vlakomluvu.";
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {""}, {"C:\\linky\\linka.vkm", "--wav", "1"}, {"C:\\linky\\linka.vkm", "--wav-all"}}) {
        EXPECT_EQ(run(args), 2);
        EXPECT_EQ(said.rfind(usage, 0), 0u) << said;
    }
    EXPECT_EQ(run({"C:\\linky\\linka.vkm", "--wav", "1", "C:\\x.wav", "--wav-all", "C:\\y"}), 2);
    EXPECT_NE(said.find("nejdou použít spolu"), std::string::npos) << said;
    for (const char* n : {"0", "x1", "1234567890"})
        EXPECT_EQ(run({"C:\\linky\\linka.vkm", "--wav", n, "C:\\out\\n.wav"}), 2) << n;
    EXPECT_EQ(run({"C:\\linky\\linka.vkm", "--wav", "3", "C:\\out\\n.wav"}), 2);
    EXPECT_NE(said.find("linka má 2 hlášení; hlášení 3 v ní není"), std::string::npos) << said;
    // Each repair option just outside its range (values[0, 3, 4]) is refused; at its edges (values[1, 2])
    // it is taken, then refused only for want of --uprav.
    // clang-format off
    const struct { const char *option, *values[5], *refused; } options[] = {
        {"--frekvence", {"999", "1000", "384000", "384001", "22050,5"}, "frekvence je celé číslo od 1000 do 384000 Hz"},
        {"--hlasitost", {"-70,1", "-70", "0", "0.1", "-70.01"}, "hlasitost je od -70 do 0 LUFS"},
        {"--okraj", {"-1", "0", "10000", "10000.1", "-0,1"}, "okraj je od 0 do 10000 ms"},
    };
    // clang-format on
    for (const auto& o : options)
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(run({"C:\\linky\\linka.vkm", o.option, o.values[i]}), 2);
            EXPECT_NE(said.find(i == 1 || i == 2 ? "patří k --uprav" : o.refused), std::string::npos) << said;
        }
    files.files["C:\\linky\\prazdna.vkm"] = "[Info]\r\nName=P\r\n";
    EXPECT_EQ(run({"C:\\linky\\prazdna.vkm", "--wav-all", "C:\\out2"}), 0);
    EXPECT_NE(said.find("linka nemá žádné hlášení ani uživatelské hlášení; není co zapsat"),
              std::string::npos);
}

// A line given by a relative name is resolved against the full path of its folder, as the
// program resolves it; a file that the place-holder replaces gets one fault and its length.
TEST_F(LineCheckTest, AgreesWithTheProgramFromARelativePath) {
    struct HereFiles : FakeFileSystem {
        Path FullPath(const Path& p) override { return p.size() > 1 && p[1] == ':' ? p : "C:\\linky\\" + p; }
    } here;
    here.files = {
        {"C:\\linky\\linka.vkm",
         "[Info]\r\nName=L\r\n[Hlaseni]\r\n1=..\\x.wav,Z:\\y.wav,\\z.wav,gsm.wav\r\n"},
        {"C:\\x.wav", Tone()},
        {"Z:\\y.wav", Tone()},
        {"\\z.wav", Tone()},
        {"C:\\linky\\gsm.wav", Wave(Chunk("fmt ", FormatBody(kTagGsm610, 1, 8000, 0, 65, Le16(320))) +
                                    Chunk("data", std::string(65 * 4000, '\0')))}};
    struct NoCodec : Codecs {  // the system's codecs, none of which takes GSM
        std::unique_ptr<CompressedDecoder> Open(const WaveFormat&) override { return nullptr; }
    } codecs;
    struct Sounds : FakeSounds {
        using FakeSounds::FakeSounds;
        Codecs* codecs() override { return codec; }
        Codecs* codec = nullptr;
    } sounds_here(here);
    sounds_here.codec = &codecs;
    std::string said;
    MemoryWriter writer(here);
    EXPECT_EQ(
        RunLineCheck({"linka.vkm"}, here, sounds_here, writer, [&](const std::string& t) { said += t; }), 1);
    for (const char* text : {"zvuk „..\\x.wav“ (hlášení „1“) leží mimo složku linky",
                             "zvuk „Z:\\y.wav“ (hlášení „1“) chybí", "zvuk „\\z.wav“ (hlášení „1“) chybí",
                             "zvuk „gsm.wav“ (hlášení „1“) má formát, který", "Poznámky ke zvukům: žádné"})
        EXPECT_NE(said.find(text), std::string::npos) << text << "\n" << said;
    // x.wav plays (1 s); the other three are each the place-holder's 0.25 s.
    EXPECT_NE(said.find("1. odjezd   1,8 s"), std::string::npos) << said;
    // An output given by a relative name is the file it names in the current folder: the line's.
    for (const char* onto : {"gsm.wav", "..\\x.wav"}) {
        said.clear();
        EXPECT_EQ(RunLineCheck({"linka.vkm", "--wav", "1", onto, "--prepsat"}, here, sounds_here, writer,
                               [&](const std::string& t) { said += t; }),
                  2);
        EXPECT_NE(said.find(": tento soubor linka čte"), std::string::npos) << onto << "\n" << said;
    }
    EXPECT_TRUE(writer.written.empty());
}

// One walk over the line's sounds: a file named in three spellings (one through the folder above)
// is one file inside the line's folder to the check, the report, the repair, the render and the guard
// of what is written; a file through "..\\" elsewhere lies outside to all of them.
TEST_F(LineCheckTest, OneWalkOverTheLinesSounds) {
    files.files["C:\\linky\\a.wav"] = Tone();
    files.files["C:\\jinde\\b.wav"] = Tone();
    files.files["C:\\LINKY\\a.wav"] = Tone();  // as Windows finds a.wav: for the copy, which names it so
    const LineReport r = Check(
        "[Info]\r\nName=L\r\n[Hlaseni]\r\n1=a.wav\r\n2=A.WAV\r\n3=..\\LINKY\\a.wav,..\\jinde\\b.wav\r\n");
    EXPECT_EQ(Texts(r, true), "");
    EXPECT_EQ(Texts(r, false), "zvuk „..\\jinde\\b.wav“ (hlášení „3“) leží mimo složku linky\n");
    EXPECT_EQ(r.sounds ? r.sounds->files : 0u, 2u);
    EXPECT_EQ(Run({"--uprav", "C:\\kopie"}), 0) << said;
    EXPECT_NE(said.find("  Zvuky (2):\n    „a.wav“: "), std::string::npos) << said;
    EXPECT_NE(said.find("„..\\jinde\\b.wav“: nezkopírován\n      - leží mimo složku linky"),
              std::string::npos)
        << said;
    EXPECT_TRUE(writer.written.size() == 2 && writer.written.count("C:\\kopie\\a.wav")) << "a.wav, linka.vkm";
    EXPECT_EQ(Run({"--wav", "2", "C:\\out\\2.wav"}), 0) << said;
    EXPECT_EQ(said.find("chybí"), std::string::npos) << "the render plays each spelling: " << said;
    for (const char* onto : {"C:\\LINKY\\A.wav", "C:/jinde/B.WAV"}) {
        EXPECT_EQ(Run({"--wav", "1", onto, "--prepsat"}), 2) << onto;
        EXPECT_NE(said.find(": tento soubor linka čte"), std::string::npos) << said;
    }
}

// size bytes of the guide (docs/navod.md) after the line of the marker; "" without the marker.
std::string GuideAfter(const std::string& marker, std::size_t size) {
    const std::string source = __FILE__;
    std::ifstream guide(source.substr(0, source.rfind("tests/native/")) + "docs/navod.md", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(guide)), std::istreambuf_iterator<char>());
    const std::size_t at = text.find("<!-- " + marker + ": začátek");
    return at == std::string::npos ? "" : text.substr(text.find("-->\n", at) + 4, size);
}

// The guide's table of key characters is the one the program's key names give.
TEST(KeyCharacterTable, NamesTheKeysAndIsTheGuidesTable) {
    const std::string table = KeyCharacterTable();
    for (const char* row : {"| `P` | 80 | P |", "| `p` | 112 | F1 |", "| `b` | 98 | Num 2 |",
                            "| mezera | 32 | Space |", "| `\\|` | 124 | F13 |", "| `Ł` | 163 | Right Ctrl |"})
        EXPECT_NE(table.find(row), std::string::npos) << row;
    EXPECT_EQ(table.find("0x"), std::string::npos);

    EXPECT_EQ(GuideAfter("tabulka kláves", table.size()), table)
        << "regenerate the table in docs/navod.md with: vkmcheck --klavesy";
}

// The guide's list of the keys the simulator leaves free is the one its default key map gives.
TEST(SimulatorKeys, TheGuidesListOfFreeKeysIsTheTables) {
    const std::string list = FreeSimulatorKeysList();
    for (const char* row : {"| `r` | F3 |", "| `z` | F11 |", "| `‘` | Scroll Lock |", "| `o` | Num / |"})
        EXPECT_NE(list.find(row), std::string::npos) << row;
    for (const char* taken : {"| P |", "| F1 |", "| Space |", "| Home |"})
        EXPECT_EQ(list.find(taken), std::string::npos) << taken;
    EXPECT_EQ(GuideAfter("volné klávesy", list.size()), list) << "the list in docs/navod.md should be:\n"
                                                              << list;
}

}  // namespace
}  // namespace vkm::testing
