// Reading a line definition, and starting it in the window.
#include <gtest/gtest.h>

#include <set>

#include "core/codepage.h"
#include "core/line.h"
#include "fakes/fakes.h"

namespace vkm::testing {
namespace {

const char* const kLine =
    "[Info]\r\n"
    "Name=Praha - Kolin\r\n"
    "WAV_odjezd=gong.wav\r\n"
    "WAV_prijezd=gong.wav,gong.wav\r\n"
    "WAV_Konec=konec.wav\r\n"
    "[Hlaseni]\r\n"
    "1=odjezd_praha.wav,pristi_kolin.wav\r\n"
    "2=prijezd_kolin.wav\r\n"
    "[Uzivatelske_klavesy]\r\n"
    "a=ALT+B;bezpecnost.wav;Bezpecnost\r\n";

using Names = std::vector<std::string>;

Names NamesOf(const SoundList& list) {
    Names names;
    for (const LineSound& s : list) names.push_back(s.name);
    return names;
}

// ---- The line as it is read. ----

// Each entry is everything after the first "=" of its line; a user entry's missing field
// takes the last one present; a sound list is every name between commas, untrimmed.
TEST(ReadLine, KeyStringsTakeTheirDefaultsAndEntriesTheirWholeValues) {
    const Line line = ReadLine(IniFile("[Info]\nName=L\nKlavesy_prijezd=\nKlavesy_stop=S \n"
                                       "WAV_odjezd=gong.wav, a.wav,,zvuky\\b.wav,x\\..\\c.wav,\n"
                                       "[Hlaseni]\n3=three.wav\n1=one.wav\nx=x.wav=y.wav\n"
                                       "X=same-name-in-other-case.wav\n3=second-three.wav\n4=\n6==z.wav\n"
                                       "[Uzivatelske_klavesy]\nu=ALT+B;b.wav;V=80\nv=F;f.wav\nw=G\n"
                                       "x==+;x\ny=;y.wav;Y\nz=\n"),
                               "C:\\l\\l.vkm");
    Names keys;  // the default announcement keys, and the stop key without its space
    for (const HotkeyBinding& key : line.hotkeys)
        if (key.id) keys.push_back(std::to_string(key.id) + " " + key.name);
    EXPECT_EQ(keys, (Names{"1 Enter", "100 P", "101 F1", "200 Alt+B", "201 F", "202 G", "48896 S"}));
    EXPECT_EQ(NamesOf(line.departure_sounds), (Names{"gong.wav", " a.wav", "zvuky\\b.wav", "x\\..\\c.wav"}));
    EXPECT_EQ(line.folder, "C:\\l\\");
    EXPECT_EQ(line.SoundPath(line.departure_sounds[0]), "C:\\l\\gong.wav");
    EXPECT_EQ(line.SoundPath(line.departure_sounds[2]), "C:\\l\\zvuky\\b.wav");
    EXPECT_EQ(line.SoundPath(line.departure_sounds[3]), "C:\\l\\c.wav");
    Names texts;
    for (const LineAnnouncement& a : line.announcements) texts.push_back(a.text);
    EXPECT_EQ(texts, (Names{"three.wav", "one.wav", "x.wav=y.wav", "=z.wav"}));
    EXPECT_EQ(line.announcements[3].sounds.size(), 1u);

    const struct {
        const char* text;
        const char* sounds;
        const char* description;
        bool written_wrongly;
    } users[] = {{"ALT+B", "b.wav", "V=80", false},
                 {"F", "f.wav", "f.wav", false},
                 {"G", "G", "G", false},
                 {"=+", "x", "x", true},
                 {";y.wav;Y", "y.wav", "Y", true}};  // an empty key field: named by the whole entry
    ASSERT_EQ(line.user_announcements.size(), std::size(users));
    for (std::size_t i = 0; i < std::size(users); ++i) {
        const UserAnnouncement& u = line.user_announcements[i];
        EXPECT_EQ(u.key.text, users[i].text);
        EXPECT_EQ(NamesOf(u.sounds), Names{users[i].sounds}) << i;
        EXPECT_EQ(u.description, users[i].description) << i;
        EXPECT_EQ(!u.key.combination, users[i].written_wrongly) << i;
    }
    EXPECT_EQ(line.user_announcements[0].key.combination, (KeyCombination{kModAlt, 'B'}));
    EXPECT_EQ(line.refused, (Names{"=+", ";y.wav;Y"}));
}

// ---- Starting a line in the window. ----

struct LoadTest : ::testing::Test {
    FakeWindow w;
    TfrmMain& f = w.form;
    std::vector<Path> TakePlayed() { return std::exchange(w.player.played, {}); }
};

TEST_F(LoadTest, StartShowsTheFirstAnnouncementAndASecondLineReplacesTheFirst) {
    f.lblHlaseniPopis = "Bezpecnost";  // the last user announcement's, from the line before
    w.Select("C:\\linky\\praha.vkm", kLine);
    f.btnStartClick();
    EXPECT_EQ(f.lblHlaseni, "odjezd_praha.wav,pristi_kolin.wav");
    EXPECT_EQ(f.lblHlaseniPopis, "Bezpecnost");
    EXPECT_TRUE(f.btnPlayEnabled);
    EXPECT_FALSE(f.btnJedenZpetEnabled);
    EXPECT_TRUE(f.btnJedenVpredEnabled);
    EXPECT_TRUE(w.boxes.shown.empty());
    EXPECT_EQ(w.player.prepared.size(), 1u);

    f.btnJedenVpredClick();
    w.Select("D:\\druha\\b.vkm", "[Info]\nName=B\nWAV_odjezd=d.wav\n[Hlaseni]\n1=only.wav\n");
    f.btnStartClick();
    EXPECT_EQ(f.lblHlaseni, "only.wav");  // from the first announcement again
    EXPECT_FALSE(f.WMHotKey(kUserIdBase)) << "the first line's user key";
    f.btnPlayClick();
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"D:\\druha\\d.wav", "D:\\druha\\only.wav"}));
    f.btnPlayClick();  // an arrival at the end of a line without arrival and end sounds
    EXPECT_TRUE(TakePlayed().empty());
}

// A file that has gone, that is there but cannot be read, or that no longer names a line (emptied,
// overwritten with garbage) is reported; the line started before stays, with its position and keys.
TEST_F(LoadTest, MissingUnreadableOrNamelessFileIsReportedAndChangesNothing) {
    const std::string nameless = "[Info]\nKlavesy_prijezd=X\n[Hlaseni]\n1=new.wav\n";
    const struct {
        const char* path;
        std::string contents;
        const char* text;
    } cases[] = {{"C:\\gone.vkm", nameless, "Nelze najít definiční soubor vlakového rozhlasu"},
                 {"C:\\locked.vkm", nameless, "Definiční soubor vlakového rozhlasu nelze přečíst"},
                 {"C:\\nameless.vkm", nameless, "Vybraný soubor není definiční soubor vlakového rozhlasu"},
                 {"C:\\emptied.vkm", "", "Vybraný soubor není definiční soubor vlakového rozhlasu"},
                 {"C:\\garbage.vkm", std::string("\x00\xff\xfe[\x01=\x02\n\x80\x81", 10),
                  "Vybraný soubor není definiční soubor vlakového rozhlasu"}};
    for (const auto& c : cases) {
        FakeWindow w;
        TfrmMain& f = w.form;
        w.Select("C:\\first\\a.vkm", kLine);
        f.btnStartClick();
        f.btnJedenVpredClick();
        w.Select(c.path, kLine);  // offered while it named a line
        w.files.files[c.path] = c.contents;
        if (std::string(c.path) == "C:\\gone.vkm") w.files.files.erase(c.path);
        w.files.locked.insert("C:\\locked.vkm");
        f.btnStartClick();

        ASSERT_EQ(w.boxes.shown.size(), 1u) << c.path;
        EXPECT_EQ(w.boxes.shown[0].text, std::string(c.text));
        EXPECT_EQ(w.boxes.shown[0].caption, std::string("Upozornění"));
        EXPECT_EQ(w.boxes.shown[0].style, 0x30u);
        EXPECT_EQ(f.lblHlaseni, "prijezd_kolin.wav");
        std::set<unsigned char> keys;
        for (const auto& [id, combination] : w.hotkeys.bound) keys.insert(combination.second);
        EXPECT_EQ(keys, (std::set<unsigned char>{'\r', 'B', 'P', 'p'}))
            << "the first line's keys, bound again";
        w.player.played.clear();
        f.btnPlayClick();  // the departure that was due, from the first line's folder
        EXPECT_EQ(w.player.played,
                  (std::vector<Path>{"C:\\first\\gong.wav", "C:\\first\\prijezd_kolin.wav"}));
    }
}

// A line without announcements loads all the same (it may carry only user announcements):
// nothing is current, nothing plays, and its keys are bound.
TEST_F(LoadTest, LineWithoutAnnouncementsLoadsAndBindsItsKeys) {
    w.Select("C:\\old\\a.vkm", kLine);
    f.btnStartClick();
    f.btnJedenVpredClick();
    w.Select("D:\\new\\user-only.vkm",
             "[Info]\nName=U\nWAV_odjezd=d.wav\n[Uzivatelske_klavesy]\nu=ALT+C;c.wav;C\n");
    EXPECT_NO_THROW(f.btnStartClick());
    EXPECT_EQ(f.lblHlaseni, "");
    EXPECT_FALSE(f.btnPlayEnabled);
    EXPECT_FALSE(f.btnJedenZpetEnabled);
    EXPECT_FALSE(f.btnJedenVpredEnabled);
    EXPECT_TRUE(w.boxes.shown.empty());
    EXPECT_EQ(w.hotkeys.bound.at(kUserIdBase), (FakeHotkeys::Combination{kModAlt, 'C'}));
    EXPECT_TRUE(f.WMHotKey(kUserIdBase));
    EXPECT_EQ(w.player.played, std::vector<Path>{"D:\\new\\c.wav"});
}

TEST_F(LoadTest, StartWithoutSelectionOnlyWarns) {
    w.Select("C:\\a.vkm", kLine);
    f.cmbLinkaChange(-1);
    f.btnStartClick();
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.boxes.shown[0].text, std::string("Není vybrána žádná zvuková mapa"));
    EXPECT_EQ(f.lblHlaseni, "''");
    EXPECT_TRUE(w.hotkeys.registrations.empty());
}

TEST(FormCreate, StartsWithNothingLoadedAndTheStepControlsDisabled) {
    FakeWindow w;
    w.form.FormCreate();
    EXPECT_FALSE(w.form.btnPlayEnabled);
    EXPECT_FALSE(w.form.btnJedenZpetEnabled);
    EXPECT_FALSE(w.form.btnJedenVpredEnabled);
    EXPECT_EQ(w.form.lblHlaseni, "''");
    EXPECT_EQ(w.form.lblHlaseniPopis, "''");
    EXPECT_TRUE(w.player.prepared.empty()) << "the sound device waits for a line";
}

TEST(ApplicationTitle, IsTheFileNameCutAtTheFirstDotInLowerCase) {
    EXPECT_EQ(ApplicationTitle("C:\\x\\ABC_DEF.EXE"), "Abc_def");
    EXPECT_EQ(ApplicationTitle("C:\\x.y\\vlakomluv.exe"), "vlakomluv");
    EXPECT_EQ(ApplicationTitle("C:\\x\\My.App.exe"), "My");
    EXPECT_EQ(ApplicationTitle("C:\\x\\ŽĎÁRŸ.exe"), "Žďárÿ");
}

TEST(ErrorReportText, AddsAFullStopAfterCharactersAboveIt) {
    EXPECT_EQ(ErrorReportText("List index out of bounds (0)"), "List index out of bounds (0)");
    EXPECT_EQ(ErrorReportText("Access denied"), "Access denied.");
    EXPECT_EQ(ErrorReportText("Done."), "Done.");
    EXPECT_EQ(ErrorReportText("Why?"), "Why?.");
    EXPECT_EQ(ErrorReportText(""), "");
    EXPECT_EQ(ErrorReportText(std::string("Chyba č")), std::string("Chyba č."));
}

}  // namespace
}  // namespace vkm::testing
