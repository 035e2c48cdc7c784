// Playing a line through: departures and arrivals alternate, the end of the line
// closes it, and the step controls follow.
#include <gtest/gtest.h>

#include "core/codepage.h"
#include "core/sound_list.h"
#include "fakes/fakes.h"

namespace vkm::testing {
namespace {

using Files = std::vector<std::string>;

struct SequenceTest : ::testing::Test {
    FakeWindow w;
    TfrmMain& f = w.form;

    void Load(const std::string& announcements, const std::string& end = "konec.wav") {
        w.Select("C:\\l\\line.vkm", "[Info]\nName=L\nWAV_odjezd=odj.wav\nWAV_prijezd=pri.wav\nWAV_Konec=" + end +
                                        "\n[Hlaseni]\n" + announcements);
        f.LoadDefinition();
    }
    // What the last press played, as file names.
    Files Press() {
        w.player.played.clear();
        f.Next();
        return Played();
    }
    Files Played() const {
        Files names;
        for (const Path& p : w.player.played) names.push_back(p.substr(std::string("C:\\l\\").size()));
        return names;
    }
    void ExpectState(long long index, const std::string& current, TPhase phase, bool play, bool back,
                     bool fwd) {
        EXPECT_EQ(f.FIndex, index);
        EXPECT_EQ(f.FCurrentAnnouncement, current);
        EXPECT_EQ(f.lblHlaseni, current);
        EXPECT_EQ(f.FPhase, phase);
        EXPECT_EQ(f.btnPlayEnabled, play);
        EXPECT_EQ(f.btnJedenZpetEnabled, back);
        EXPECT_EQ(f.btnJedenVpredEnabled, fwd);
    }
};

TEST_F(SequenceTest, FourAnnouncementsPlayedThroughAndPast) {
    Load("1=a0.wav\n2=a1.wav\n3=a2.wav\n4=a3.wav,a3b.wav\n");
    ExpectState(0, "a0.wav", phDeparture, true, false, true);

    EXPECT_EQ(Press(), (Files{"odj.wav", "a0.wav"}));
    ExpectState(1, "a1.wav", phArrival, true, true, true);
    EXPECT_EQ(Press(), (Files{"pri.wav", "a1.wav"}));
    ExpectState(2, "a2.wav", phDeparture, true, true, true);
    EXPECT_EQ(Press(), (Files{"odj.wav", "a2.wav"}));
    ExpectState(3, "a3.wav,a3b.wav", phArrival, true, true, true);
    EXPECT_EQ(Press(), (Files{"pri.wav", "a3.wav", "a3b.wav", "konec.wav"}));
    ExpectState(4, "", phDeparture, false, false, false);
    // Hotkeys go on past the end: a departure enables "-1" again ...
    EXPECT_EQ(Press(), (Files{"odj.wav"}));
    ExpectState(5, "", phArrival, false, true, false);
    // ... and every arrival closes the line again.
    EXPECT_EQ(Press(), (Files{"pri.wav", "konec.wav"}));
    ExpectState(6, "", phDeparture, false, false, false);
}

TEST_F(SequenceTest, OneAnnouncement) {
    Load("1=only.wav\n");
    EXPECT_EQ(Press(), (Files{"odj.wav", "only.wav"}));
    ExpectState(1, "", phArrival, false, true, false);
    EXPECT_EQ(Press(), (Files{"pri.wav", "konec.wav"}));
    ExpectState(2, "", phDeparture, false, false, false);
}

TEST_F(SequenceTest, StepForwardThenPlayKeepsTheDuePhase) {
    Load("1=a0.wav\n2=a1.wav\n3=a2.wav\n");
    f.btnJedenVpredClick();
    w.player.played.clear();
    ExpectState(1, "a1.wav", phDeparture, true, true, true);
    EXPECT_TRUE(w.player.played.empty());
    f.btnPlayClick();
    EXPECT_EQ(Played(), (Files{"odj.wav", "a1.wav"}));
    ExpectState(2, "a2.wav", phArrival, true, true, true);
}

TEST_F(SequenceTest, StepPastTheLastAndBack) {
    Load("1=a0.wav\n2=a1.wav\n");
    f.StepForward();
    f.StepForward();
    ExpectState(2, "", phDeparture, false, true, false);
    f.StepBack();
    ExpectState(1, "a1.wav", phDeparture, true, true, true);
    f.StepBack();
    ExpectState(0, "a0.wav", phDeparture, true, false, true);
}

TEST_F(SequenceTest, EmptyEndSoundsStillCloseTheLine) {
    Load("1=a0.wav\n2=a1.wav\n", "");
    Press();
    EXPECT_EQ(Press(), (Files{"pri.wav", "a1.wav"}));
    ExpectState(2, "", phDeparture, false, false, false);
}

TEST_F(SequenceTest, PositionAdvancesButPhaseStaysWhenPlayingFails) {
    Load("1=a0.wav\n2=a1.wav\n");
    w.player.fail_on = "C:\\l\\a0.wav";
    EXPECT_THROW(f.Next(), std::runtime_error);
    ExpectState(1, "a1.wav", phDeparture, true, true, true);

    w.player.fail_on = "C:\\l\\pri.wav";
    f.FPhase = phArrival;
    f.StepForward();
    EXPECT_THROW(f.Next(), std::runtime_error);  // no end-of-line sounds, controls not disabled
    ExpectState(3, "", phArrival, false, true, false);
    EXPECT_EQ(Played().back(), "pri.wav");
}

// Positions before the list's start count as "nothing current", as past its end.
TEST_F(SequenceTest, NegativePositionIsNothingCurrent) {
    Load("1=a0.wav\n2=a1.wav\n");
    EXPECT_NO_THROW(f.AdvanceTo(-1));
    ExpectState(-1, "", phDeparture, false, false, true);
    EXPECT_NO_THROW(f.StepBack());
    EXPECT_EQ(f.FCurrentAnnouncement, "");
    f.StepForward();
    f.StepForward();
    ExpectState(0, "a0.wav", phDeparture, true, false, true);
}

TEST_F(SequenceTest, LineWithoutAnnouncementsPlaysOnlyLeadingSounds) {
    w.Select("C:\\l\\line.vkm", "[Info]\nName=L\nWAV_odjezd=odj.wav\nWAV_prijezd=pri.wav\nWAV_Konec=k.wav\n");
    f.LoadDefinition();
    EXPECT_EQ(Press(), (Files{"odj.wav"}));
    EXPECT_EQ(Press(), (Files{"pri.wav", "k.wav"}));
}

TEST(PlaySoundList, ResolvesNamesInOrderAgainstTheSoundFolder) {
    FakeWindow w;
    w.form.FSoundDir = "C:\\linky\\praha\\";
    w.form.PlaySoundList("gong.wav,zvuky\\odjezd.wav,,konec.wav,ignored.wav");
    EXPECT_EQ(w.player.played,
              (std::vector<Path>{"C:\\linky\\praha\\gong.wav", "C:\\linky\\praha\\zvuky\\odjezd.wav",
                                 "C:\\linky\\praha\\konec.wav"}));
}

// Presses queue their announcements and move the line at once; Stop silences what plays and
// drops what waits, and leaves the line where the presses took it.
TEST_F(SequenceTest, PressesQueueAnnouncementsAndStopDropsThem) {
    Load("1=a0.wav\n2=a1.wav\n");
    w.player.finish_at_once = false;
    EXPECT_FALSE(f.sbtnStopEnabled);
    f.Next();
    f.Next();
    f.Next();  // past the end: the departure sounds alone
    ExpectState(3, "", phArrival, false, true, false);
    EXPECT_EQ(w.player.lists, (std::vector<std::vector<Path>>{{"C:\\l\\odj.wav", "C:\\l\\a0.wav"},
                                                              {"C:\\l\\pri.wav", "C:\\l\\a1.wav"},
                                                              {"C:\\l\\konec.wav"},
                                                              {"C:\\l\\odj.wav"}}));
    EXPECT_TRUE(f.sbtnStopEnabled);
    f.sbtnStopClick();
    EXPECT_EQ(w.player.stops, 1);
    EXPECT_FALSE(w.player.Busy());
    EXPECT_FALSE(f.sbtnStopEnabled);
    ExpectState(3, "", phArrival, false, true, false);

    f.StepBack();
    f.Next();  // an arrival past the end: its sounds and the end of the line, two announcements
    EXPECT_TRUE(f.sbtnStopEnabled);
    w.player.Finish();  // played out: the player tells the window
    f.SoundStateChanged();
    EXPECT_FALSE(f.sbtnStopEnabled);
    // An empty list queues nothing.
    f.PlaySoundList(",,");
    EXPECT_EQ(w.player.lists.size(), 6u);
    EXPECT_FALSE(f.sbtnStopEnabled);
    // Closing the window ends the player: silent at once.
    f.Next();
    f.FormDestroy();
    EXPECT_TRUE(w.player.shut_down);
    EXPECT_FALSE(f.sbtnStopEnabled);
}

TEST(PlaySoundList, NamesFromAnyEncodingFindTheirFiles) {
    // A CP1250 file and a UTF-8 one (with a name that CP1250 cannot hold) name their sounds.
    const std::pair<std::string, std::string> lines[] = {
        {Utf8ToCp1250("[Info]\r\nName=x\r\n[Hlaseni]\r\n1=příjezd.wav\r\n"), "C:\\Trať\\příjezd.wav"},
        {"[Info]\r\nName=x\r\n[Hlaseni]\r\n1=Žуков.wav\r\n", "C:\\Trať\\Žуков.wav"}};
    for (const auto& [file, played] : lines) {
        FakeWindow w;
        w.Select("C:\\Trať\\linka.vkm", file);
        w.form.btnStartClick();
        w.form.Next();
        EXPECT_EQ(w.player.played, std::vector<Path>{played});
    }
}

TEST(SoundListNames, SplitsAtCommasAndSkipsEmptyNames) {
    EXPECT_EQ(SoundListNames("a.wav,b.wav"), Files{"a.wav"});
    EXPECT_EQ(SoundListNames(",a.wav,"), Files{"a.wav"});
    EXPECT_EQ(SoundListNames(","), Files{});
    EXPECT_EQ(SoundListNames(""), Files{});
    EXPECT_EQ(SoundListNames("noComma"), Files{});
    EXPECT_EQ(SoundListNames("gong.wav, a.wav,"), (Files{"gong.wav", " a.wav"}));
}

TEST(SoundListNames, LongListsPlayEveryName) {
    std::string list;
    for (int i = 0; i < 1000; ++i) list += "n" + std::to_string(i) + ".wav,";
    Files names = SoundListNames(list);
    ASSERT_EQ(names.size(), 1000u);
    EXPECT_EQ(names[255], "n255.wav");
    EXPECT_EQ(names[999], "n999.wav");
}

}  // namespace
}  // namespace vkm::testing
