// Loading a line definition into the window, and the step controls that follow it.
#include <gtest/gtest.h>

#include <set>

#include "core/codepage.h"
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

struct LoadTest : ::testing::Test {
    FakeWindow w;
    TfrmMain& f = w.form;
};

TEST_F(LoadTest, ReadsEveryFieldAndResetsThePosition) {
    w.Select("C:\\linky\\praha.vkm", kLine);
    f.FIndex = 7;
    f.FPhase = phArrival;
    f.LoadDefinition();

    EXPECT_EQ(f.FDepartureSounds, "gong.wav");
    EXPECT_EQ(f.FArrivalSounds, "gong.wav,gong.wav");
    EXPECT_EQ(f.FEndSounds, "konec.wav");
    EXPECT_EQ(f.FArrivalKeys, "\r");
    EXPECT_EQ(f.FDepartureKeys, "Pp");
    ASSERT_EQ(f.FAnnouncements.Count(), 2);
    EXPECT_EQ(f.FAnnouncements.Get(0), "odjezd_praha.wav,pristi_kolin.wav");
    EXPECT_EQ(f.FAnnouncements.Get(1), "prijezd_kolin.wav");
    ASSERT_EQ(f.FUserKeys.Count(), 1);
    EXPECT_EQ(f.FUserKeys.Get(0), "ALT+B;bezpecnost.wav;Bezpecnost");  // the entry's value
    EXPECT_EQ(f.FIndex, 0);
    EXPECT_EQ(f.FPhase, phDeparture);
    EXPECT_EQ(f.FCurrentAnnouncement, "odjezd_praha.wav,pristi_kolin.wav");
    EXPECT_EQ(f.lblHlaseni, f.FCurrentAnnouncement);
    EXPECT_EQ(f.FSoundDir, "C:\\linky\\");
    EXPECT_TRUE(f.btnPlayEnabled);
    EXPECT_FALSE(f.btnJedenZpetEnabled);
    EXPECT_TRUE(f.btnJedenVpredEnabled);
    EXPECT_TRUE(w.boxes.shown.empty());
}

TEST_F(LoadTest, EmptyOrAbsentKeyStringsTakeTheDefaults) {
    w.Select("C:\\a.vkm", "[Info]\nName=A\nKlavesy_prijezd=\nKlavesy_odjezd=\n[Hlaseni]\n1=a.wav\n");
    f.LoadDefinition();
    EXPECT_EQ(f.FArrivalKeys, std::string(1, '\x0D'));
    EXPECT_EQ(f.FDepartureKeys, "Pp");

    w.Select("C:\\b.vkm", "[Info]\nName=B\nKlavesy_prijezd=ab\nKlavesy_odjezd=X\n[Hlaseni]\n1=a.wav\n");
    f.LoadDefinition();
    EXPECT_EQ(f.FArrivalKeys, "ab");
    EXPECT_EQ(f.FDepartureKeys, "X");
}

// Each announcement is everything after the first "=" of its line.
TEST_F(LoadTest, AnnouncementsKeepFileOrderAndTheirWholeValues) {
    w.Select("C:\\a.vkm",
             "[Info]\nName=A\n[Hlaseni]\n"
             "3=three.wav\n"
             "1=one.wav\n"
             "2=two.wav\n"
             "x=x.wav=y.wav\n"
             "X=same-name-in-other-case.wav\n"
             "3=second-three.wav\n"
             "4=\n"
             "6==z.wav\n");
    f.LoadDefinition();
    std::vector<std::string> expected = {"three.wav", "one.wav", "two.wav", "x.wav=y.wav", "=z.wav"};
    EXPECT_EQ(f.FAnnouncements.Items(), expected);
}

TEST_F(LoadTest, CzechTextStaysInCodePage1250) {
    std::string line = Utf8ToCp1250("[Hlaseni]\n1=příjezd žďár.wav\n[Info]\nName=Žďár\n");
    w.Select("C:\\a.vkm", line);
    f.LoadDefinition();
    EXPECT_EQ(f.FCurrentAnnouncement, std::string("příjezd žďár.wav"));
}

TEST_F(LoadTest, SecondLineReplacesEverythingOfTheFirst) {
    w.Select("C:\\first\\a.vkm", "[Info]\r\nKlavesy_stop=S\r\n" + std::string(kLine + 8));
    f.LoadDefinition();
    ASSERT_EQ(f.FStopKeys, "S");
    f.StepForward();
    w.Select("D:\\second\\b.vkm", "[Info]\nName=B\nWAV_odjezd=d.wav\n[Hlaseni]\n1=only.wav\n");
    f.LoadDefinition();
    EXPECT_EQ(f.FArrivalSounds, "");
    EXPECT_EQ(f.FEndSounds, "");
    EXPECT_EQ(f.FDepartureSounds, "d.wav");
    EXPECT_EQ(f.FUserKeys.Count(), 0);
    EXPECT_EQ(f.FStopKeys, "");
    EXPECT_EQ(f.FAnnouncements.Items(), std::vector<std::string>{"only.wav"});
    EXPECT_EQ(f.FIndex, 0);
    EXPECT_EQ(f.FSoundDir, "D:\\second\\");
}

TEST_F(LoadTest, LoadLeavesTheUserDescriptionAlone) {
    f.lblHlaseniPopis = "Bezpecnost";
    w.Select("C:\\a.vkm", kLine);
    f.LoadDefinition();
    EXPECT_EQ(f.lblHlaseniPopis, "Bezpecnost");
}

// A file that has gone, that is there but cannot be read, or that no longer names a line (emptied,
// overwritten with garbage) is reported; the line started before stays loaded, with its position and
// its keys.
TEST_F(LoadTest, MissingUnreadableOrNamelessFileIsReportedAndChangesNothing) {
    const std::string nameless = "[Info]\nKlavesy_prijezd=X\n[Hlaseni]\n1=new.wav\n";
    const struct {
        const char* path;
        std::string contents;
        const char* text;
    } cases[] = {{"C:\\gone.vkm", nameless, "Nelze najít definiční soubor vlakového rozhlasu"},
                 {"C:\\locked.vkm", nameless, "Definiční soubor vlakového rozhlasu nelze přečíst"},
                 {"C:\\nameless.vkm", nameless, kNotALineText},
                 {"C:\\emptied.vkm", "", kNotALineText},
                 {"C:\\garbage.vkm", std::string("\x00\xff\xfe[\x01=\x02\n\x80\x81", 10), kNotALineText}};
    for (const auto& c : cases) {
        FakeWindow w;
        TfrmMain& f = w.form;
        w.Select("C:\\first\\a.vkm", kLine);
        f.btnStartClick();
        f.StepForward();
        w.Select(c.path, c.contents);
        if (std::string(c.path) == "C:\\gone.vkm") w.files.files.erase(c.path);
        w.files.locked.insert("C:\\locked.vkm");
        f.btnStartClick();

        ASSERT_EQ(w.boxes.shown.size(), 1u) << c.path;
        EXPECT_EQ(w.boxes.shown[0].text, std::string(c.text));
        EXPECT_EQ(w.boxes.shown[0].caption, std::string("Upozornění"));
        EXPECT_EQ(w.boxes.shown[0].style, 0x30u);
        EXPECT_EQ(f.FIndex, 1);
        EXPECT_EQ(f.FCurrentAnnouncement, "prijezd_kolin.wav");
        EXPECT_EQ(f.FSoundDir, "C:\\first\\");
        EXPECT_EQ(f.FArrivalKeys, "\r");
        std::set<unsigned char> keys;
        for (const auto& [id, combination] : w.hotkeys.bound) keys.insert(combination.second);
        EXPECT_EQ(keys, (std::set<unsigned char>{'\r', 'B', 'P', 'p'}))
            << "the first line's keys, bound again";
    }
}

// A line without announcements loads completely (it may carry only user
// announcements): nothing is current, nothing plays, and its keys are bound.
TEST_F(LoadTest, LineWithoutAnnouncementsLoadsConsistently) {
    w.Select("C:\\old\\a.vkm", kLine);
    f.LoadDefinition();
    f.StepForward();
    w.Select("D:\\new\\user-only.vkm", "[Info]\nName=U\nWAV_odjezd=d.wav\n[Uzivatelske_klavesy]\nu=ALT+B;b.wav;B\n");
    EXPECT_NO_THROW(f.LoadDefinition());

    EXPECT_EQ(f.FCurrentAnnouncement, "");
    EXPECT_EQ(f.lblHlaseni, "");
    EXPECT_EQ(f.FIndex, 0);
    EXPECT_EQ(f.FPhase, phDeparture);
    EXPECT_EQ(f.FSoundDir, "D:\\new\\");
    EXPECT_FALSE(f.btnPlayEnabled);
    EXPECT_FALSE(f.btnJedenZpetEnabled);
    EXPECT_FALSE(f.btnJedenVpredEnabled);
}

TEST_F(LoadTest, StartWithoutAnnouncementsGoesOnToBindTheKeys) {
    w.Select("C:\\user-only.vkm", "[Info]\nName=U\n[Uzivatelske_klavesy]\nu=ALT+B;b.wav;B\n");
    EXPECT_NO_THROW(f.btnStartClick());
    EXPECT_FALSE(w.hotkeys.bound.empty());
    EXPECT_TRUE(w.boxes.shown.empty());
}

TEST_F(LoadTest, StartWithoutSelectionOnlyWarns) {
    w.files.files["C:\\a.vkm"] = kLine;
    f.FDefinitionFiles.push_back("C:\\a.vkm");
    f.cmbLinkaItems.push_back("a");
    f.btnStartClick();
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.boxes.shown[0].text, std::string("Není vybrána žádná zvuková mapa"));
    EXPECT_EQ(w.boxes.shown[0].caption, std::string("Upozornění"));
    EXPECT_EQ(w.boxes.shown[0].style, 0x30u);
    EXPECT_EQ(f.FAnnouncements.Count(), 0);
    EXPECT_TRUE(w.hotkeys.registrations.empty());
}

TEST(UpdateButtons, FollowThePosition) {
    FakeWindow w;
    TfrmMain& f = w.form;
    f.UpdateButtons();  // nothing loaded
    EXPECT_FALSE(f.btnPlayEnabled);
    EXPECT_FALSE(f.btnJedenZpetEnabled);
    EXPECT_FALSE(f.btnJedenVpredEnabled);

    for (const char* a : {"a.wav", "b.wav", "c.wav"}) f.FAnnouncements.Add(a);
    struct Case {
        long long index;
        const char* current;
        bool play, back, forward;
    } cases[] = {
        {0, "a.wav", true, false, true}, {1, "b.wav", true, true, true}, {2, "c.wav", true, true, true},
        {3, "", false, true, false},     {0, "", false, false, true},    {4, "", false, true, false},
    };
    for (const Case& c : cases) {
        f.FIndex = c.index;
        f.FCurrentAnnouncement = c.current;
        f.UpdateButtons();
        EXPECT_EQ(f.btnPlayEnabled, c.play) << c.index;
        EXPECT_EQ(f.btnJedenZpetEnabled, c.back) << c.index;
        EXPECT_EQ(f.btnJedenVpredEnabled, c.forward) << c.index;
    }
}

TEST(FormCreate, StartsWithNothingLoadedAndTheStepControlsDisabled) {
    FakeWindow w;
    w.form.FormCreate();
    EXPECT_FALSE(w.form.btnPlayEnabled);
    EXPECT_FALSE(w.form.btnJedenZpetEnabled);
    EXPECT_FALSE(w.form.btnJedenVpredEnabled);
    EXPECT_EQ(w.form.FIndex, 0);
    EXPECT_EQ(w.form.FPhase, phArrival);
    EXPECT_EQ(w.form.lblHlaseni, "''");
    EXPECT_EQ(w.form.lblHlaseniPopis, "''");
}

TEST(ApplicationTitle, IsTheFileNameCutAtTheFirstDotInLowerCase) {
    EXPECT_EQ(ApplicationTitle("C:\\x\\ABC_DEF.EXE"), "Abc_def");
    EXPECT_EQ(ApplicationTitle("C:\\x.y\\vlakomluv.exe"), "vlakomluv");
    EXPECT_EQ(ApplicationTitle("C:\\x\\My.App.exe"), "My");
    EXPECT_EQ(ApplicationTitle("C:\\x\\ŽĎÁR.exe"), "Žďár");
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
