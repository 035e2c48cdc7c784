// A line written in each encoding that line authors use, with a Czech name and a
// Czech sound file name (and a Cyrillic one, which code page 1250 cannot hold), on
// real files: the name is offered as written and every sound is found.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/codepage.h"
#include "core/ini.h"
#include "fakes/fakes.h"
#include "platform/portable/portable_files.h"

namespace vkm::testing {
namespace {

namespace fs = std::filesystem;

std::string Utf16(const std::string& utf8, bool big_endian) {
    std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : Utf8ToUtf16(utf8)) {
        const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        bytes += big_endian ? hi : lo;
        bytes += big_endian ? lo : hi;
    }
    return bytes;
}

class ProgramFolder : public PortableFileSystem {
  public:
    Path ExecutablePath() override { return exe; }
    Path exe;
};

TEST(LineEncodings, NameShowsAsWrittenAndSoundsAreFound) {
    const std::string czech =
        "[Info]\r\nName=Praha – Kolín\r\nWAV_odjezd=gong.wav\r\n"
        "[Hlaseni]\r\n1=příjezd Kolín.wav\r\n[Uzivatelske_klavesy]\r\n"
        "u=ALT+B;Žďár.wav;Bezpečnostní upozornění\r\n";
    const std::string cyrillic = "[Info]\r\nName=Москва – Kolín\r\n[Hlaseni]\r\n1=Жук.wav\r\n";
    struct Row {
        const char* encoding;
        std::string bytes;
        TextEncoding read_as;
    } rows[] = {
        {"CP1250", Utf8ToCp1250(czech), TextEncoding::kCp1250},
        {"UTF-8 with a mark", "\xEF\xBB\xBF" + czech, TextEncoding::kUtf8},
        {"UTF-8 without a mark", czech, TextEncoding::kUtf8WithoutMark},
        {"UTF-16 LE", Utf16(czech, false), TextEncoding::kUtf16LE},
        {"UTF-16 BE", Utf16(czech, true), TextEncoding::kUtf16BE},
        {"UTF-8 Cyrillic", cyrillic, TextEncoding::kUtf8WithoutMark},
        {"UTF-16 Cyrillic", Utf16(cyrillic, false), TextEncoding::kUtf16LE},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.encoding);
        std::string root = (fs::temp_directory_path() / "vkm-encodings-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(root.data()));
        root += "/";
        const fs::path folder = fs::u8path(root + "Tratě");
        fs::create_directories(folder);
        std::ofstream(folder / "linka.vkm", std::ios::binary) << r.bytes;
        for (const char* wav : {"gong.wav", "příjezd Kolín.wav", "Žďár.wav", "Жук.wav"})
            std::ofstream(folder / fs::u8path(wav), std::ios::binary) << "RIFF";
        EXPECT_EQ(IniFile(r.bytes).encoding(), r.read_as);

        FakeWindowOn<ProgramFolder> w;
        w.files.exe = root + "vlakomluv.exe";
        w.form.ScanDefinitions();
        const bool is_cyrillic = std::string(r.encoding).find("Cyrillic") != std::string::npos;
        EXPECT_EQ(w.form.cmbLinkaItems,
                  std::vector<std::string>{is_cyrillic ? "Москва – Kolín" : "Praha – Kolín"});
        w.form.cmbLinkaChange(0);
        w.form.btnStartClick();
        w.form.btnPlayClick();
        if (!is_cyrillic) w.form.WMHotKey(kUserIdBase);  // the user key, Alt+B
        ASSERT_EQ(w.player.played.size(), is_cyrillic ? 1u : 3u);
        for (const Path& played : w.player.played) EXPECT_TRUE(w.files.FileExists(played)) << played;
        EXPECT_EQ(w.form.lblHlaseniPopis, is_cyrillic ? "''" : "Bezpečnostní upozornění");
        fs::remove_all(root);
    }
}

}  // namespace
}  // namespace vkm::testing
