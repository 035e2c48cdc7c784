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
#include "core/playout.h"
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

// A second of sound at 22.05 kHz.
std::string Second() {
    return PlainWave(kTagPcm, 1, 22050, 16, std::string(2 * 22050, '\1'));
}

struct LineCheckTest : ::testing::Test {
    FakeFileSystem files;
    FakeSounds sounds{files};

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
        Wave(Chunk("fmt ", FormatBody(kTagImaAdpcm, 1, 22050, 4, 256, Le16(2) + Le16(505))) +
             Chunk("data", std::string(256, '\0')));
    const LineReport r = Check(
        "[Info]\r\nWAV_odjezd=ok.wav,chybi.wav\r\nWAV_Konec=..\\spolecne\\konec.wav\r\n"
        "[Hlaseni]\r\n1=zamceny.wav\r\n2=text.wav\r\n3=\r\n1=again.wav\r\n4=,\r\n5=useknuty.wav,adpcm.wav\r\n"
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
             "(již "
             "použitá dříve)",
         })
        EXPECT_NE(faults.find(fault), std::string::npos) << fault << "\n" << faults;
    for (const char* warning : {
             "linka nemá jméno",
             "zvuk „..\\spolecne\\konec.wav“ (WAV_Konec) leží mimo složku linky",
             "zvuk „adpcm.wav“ (hlášení „5“) je komprimovaný",
             "uživatelská klávesa „alt+b“ je Alt+Num 2",
         })
        EXPECT_NE(warnings.find(warning), std::string::npos) << warning << "\n" << warnings;
    EXPECT_EQ(warnings.find("zvuk „ok.wav“"), std::string::npos) << "a sound that plays is no warning";
    EXPECT_EQ(faults.find("ok.wav"), std::string::npos);
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

// Every fault of a sound is named once with its file and where the line uses it; a sound
// without one is not named.
TEST_F(LineCheckTest, SoundNotesNameEachFaultOnceWithItsFile) {
    const struct {
        const char* name;
        std::string wav;
        const char* note;  // nullptr: none
    } sounds[] = {
        {"ok.wav", Tone(), nullptr},
        {"ticho.wav", Tone(22050, [](auto& v) { v.resize(v.size() + 8820, 0); }), "končí 0,40 s ticha"},
        {"tichy.wav",
         Tone(22050,
              [](auto& v) {
                  for (int& x : v) x /= 3;
              }),
         "LU nižší než medián"},
        {"prebuzeny.wav", Tone(22050, [](auto& v) { std::fill_n(v.begin() + 5000, 3, 32767); }),
         "přebuzený: 1×"},
        {"dc.wav",
         Tone(22050,
              [](auto& v) {
                  for (int& x : v) x += 700;
              }),
         "stejnosměrnou složku 2,1 %"},
        {"naraz.wav", Tone(22050, [](auto& v) { v[0] = -32768; }), "začíná náhle (první vzorek 0,0 dBFS)"},
        {"8k.wav", Tone(8000), "8 000 Hz, mono a přehraje se převedený na 22 050 Hz, mono v hlášení „6“"},
        {"adpcm.wav",
         Wave(Chunk("fmt ", FormatBody(kTagImaAdpcm, 1, 22050, 4, 256, Le16(2) + Le16(505))) +
              Chunk("data", std::string(512, '\0'))),
         "bez bloku fact"},
    };
    for (const auto& sound : sounds) files.files[std::string("C:\\linky\\") + sound.name] = sound.wav;
    const LineReport r = Check(
        "[Info]\r\nName=Vady\r\nWAV_odjezd=ok.wav\r\n[Hlaseni]\r\n1=ok.wav,ticho.wav\r\n2=tichy.wav\r\n"
        "3=prebuzeny.wav\r\n4=dc.wav\r\n5=naraz.wav\r\n6=ok.wav,8k.wav\r\n7=adpcm.wav\r\n");
    ASSERT_TRUE(r.sounds);
    EXPECT_EQ(r.sounds->files, std::size(sounds));
    EXPECT_EQ(r.ExitCode(), 0) << "notes are no faults";
    std::string notes;
    for (const std::string& n : r.sounds->notes) notes += n + "\n";
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
    EXPECT_NE(notes.find("ticho.wav“ (hlášení „1“)"), std::string::npos) << "where the line uses it";
    EXPECT_NE(FormatLineReport(r).find("hlasitost linky (medián) -"), std::string::npos);
}

// A rendered announcement is what the player hands the device: the fragments joined sample for
// sample between the player's silences (0x80 in 8-bit samples); every announcement goes to a file of
// its own, none over an existing one.
TEST_F(LineCheckTest, RenderedAnnouncementsAreThePlayersBytes) {
    struct Files : FileWriter {
        std::map<Path, std::string> written;
        std::unique_ptr<ByteSink> Create(const Path& path, bool overwrite) override {
            if (written.count(path) && !overwrite) return nullptr;
            return std::make_unique<StringSink>(written[path] = "");
        }
        bool MakeFolder(const Path&) override { return true; }
    } writer;
    const std::string a = Tone(), b = PlainWave(kTagPcm, 1, 22050, 8, NoiseBytes(999, 3));
    files.files["C:\\linky\\a.wav"] = a;
    files.files["C:\\linky\\b.wav"] = b;
    files.files["C:\\linky\\linka.vkm"] =
        "[Info]\r\nName=L\r\nWAV_odjezd=b.wav\r\nWAV_Konec=a.wav\r\n[Hlaseni]\r\n1=a.wav,chybi.wav\r\n"
        "[Uzivatelske_klavesy]\r\nu=ALT+B;b.wav\r\n";
    std::string said;
    auto run = [&](std::vector<std::string> args) {
        return RunLineCheck(args, files, sounds, writer, [&](const std::string& text) { said += text; });
    };
    EXPECT_EQ(run({"C:\\linky\\linka.vkm", "--wav-all", "C:\\out"}), 0) << said;
    std::vector<Path> names;
    for (const auto& [path, bytes] : writer.written) names.push_back(path);
    EXPECT_EQ(names,
              (std::vector<Path>{"C:\\out\\01_odjezd.wav", "C:\\out\\02_konec.wav", "C:\\out\\u_ALT+B.wav"}));
    EXPECT_NE(said.find("zvuk „chybi.wav“ chybí: místo něj zazní tón"), std::string::npos) << said;

    const auto data = [](const std::string& wav) {  // the data chunk's bytes, as many as it says
        const std::size_t at = wav.find("data") + 4;
        return wav.substr(at + 4, static_cast<unsigned char>(wav[at]) |
                                      static_cast<unsigned char>(wav[at + 1]) << 8 |
                                      static_cast<unsigned char>(wav[at + 2]) << 16);
    };
    const auto between_silences = [](const std::string& d, std::size_t block, char silence) {
        return std::string(22050 * PlayoutStream::kLeadInMs / 1000 * block, silence) + d +
               std::string(22050 * PlayoutStream::kTailMs / 1000 * block, silence);
    };
    EXPECT_TRUE(data(writer.written["C:\\out\\u_ALT+B.wav"]) == between_silences(data(b), 1, '\x80'));
    // The closing arrival: no arrival sounds, the end of the line.
    EXPECT_TRUE(data(writer.written["C:\\out\\02_konec.wav"]) == between_silences(data(a), 2, '\0'));

    // Written over only when asked (and under Wine, by vkmcheck.exe: e2e_vkmcheck_test).
    writer.written["C:\\out\\one.wav"] = "mine";
    EXPECT_EQ(run({"C:\\linky\\linka.vkm", "--wav", "1", "C:\\out\\one.wav"}), 2);
    EXPECT_EQ(writer.written["C:\\out\\one.wav"], "mine");
    for (const char* n : {"", "0", "x1", "1234567890"})
        EXPECT_EQ(run({"C:\\linky\\linka.vkm", "--wav", n, "C:\\out\\n.wav"}), 2) << n;
}

// The guide's table of key characters is the one the program's key names give.
TEST(KeyCharacterTable, NamesTheKeysAndIsTheGuidesTable) {
    const std::string table = KeyCharacterTable();
    for (const char* row : {"| `P` | 80 | P |", "| `p` | 112 | F1 |", "| `b` | 98 | Num 2 |",
                            "| mezera | 32 | Space |", "| `\\|` | 124 | F13 |", "| `Ł` | 163 | Right Ctrl |"})
        EXPECT_NE(table.find(row), std::string::npos) << row;
    EXPECT_EQ(table.find("0x"), std::string::npos);

    const std::string source = __FILE__;
    std::ifstream guide(source.substr(0, source.rfind("tests/native/")) + "docs/navod.md", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(guide)), std::istreambuf_iterator<char>());
    const std::string begin = "<!-- tabulka kláves: začátek (vytváří ji program, neupravujte ručně) -->\n";
    const std::size_t at = text.find(begin);
    ASSERT_NE(at, std::string::npos) << "docs/navod.md has no table of key characters";
    EXPECT_EQ(text.substr(at + begin.size(), table.size()), table)
        << "regenerate the table in docs/navod.md with: vkmcheck --klavesy";
}

}  // namespace
}  // namespace vkm::testing
