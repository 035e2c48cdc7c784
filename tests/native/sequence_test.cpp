// Playing a line through: departures and arrivals alternate, the end of the line
// closes it, and the step controls follow.
#include <gtest/gtest.h>

#include "core/codepage.h"
#include "fakes/fakes.h"

namespace vkm::testing {
namespace {

using Files = std::vector<std::string>;

struct SequenceTest : ::testing::Test {
    FakeWindow w;
    TfrmMain& f = w.form;

    void Load(const std::string& announcements, const std::string& end = "konec.wav") {
        w.Select("C:\\l\\line.vkm", "[Info]\nName=L\nWAV_odjezd=odj.wav\nWAV_prijezd=pri.wav\nWAV_Konec=" +
                                        end + "\n[Hlaseni]\n" + announcements);
        f.btnStartClick();
    }
    // What the last press played, as file names.
    Files Press() {
        w.player.played.clear();
        f.btnPlayClick();
        return Played();
    }
    Files Played() const {
        Files names;
        for (const Path& p : w.player.played) names.push_back(p.substr(std::string("C:\\l\\").size()));
        return names;
    }
    void ExpectState(const std::string& label, bool play, bool back, bool fwd) {
        EXPECT_EQ(f.lblHlaseni, label);
        EXPECT_EQ(f.btnPlayEnabled, play);
        EXPECT_EQ(f.btnJedenZpetEnabled, back);
        EXPECT_EQ(f.btnJedenVpredEnabled, fwd);
    }
};

// Past the end, a press still plays: the buttons stop there, the keys do not.
TEST_F(SequenceTest, FourAnnouncementsPlayedThroughAndPast) {
    Load("1=a0.wav\n2=a1.wav\n3=a2.wav\n4=a3.wav,a3b.wav\n");
    ExpectState("a0.wav", true, false, true);

    EXPECT_EQ(Press(), (Files{"odj.wav", "a0.wav"}));
    ExpectState("a1.wav", true, true, true);
    EXPECT_EQ(Press(), (Files{"pri.wav", "a1.wav"}));
    ExpectState("a2.wav", true, true, true);
    EXPECT_EQ(Press(), (Files{"odj.wav", "a2.wav"}));
    ExpectState("a3.wav,a3b.wav", true, true, true);
    EXPECT_EQ(Press(), (Files{"pri.wav", "a3.wav", "a3b.wav", "konec.wav"}));
    ExpectState("", false, false, false);
    // Hotkeys go on past the end: a departure enables "-1" again ...
    EXPECT_EQ(Press(), (Files{"odj.wav"}));
    ExpectState("", false, true, false);
    // ... and every arrival closes the line again.
    EXPECT_EQ(Press(), (Files{"pri.wav", "konec.wav"}));
    ExpectState("", false, false, false);
}

TEST_F(SequenceTest, OneAnnouncement) {
    Load("1=only.wav\n");
    EXPECT_EQ(Press(), (Files{"odj.wav", "only.wav"}));
    ExpectState("", false, true, false);
    EXPECT_EQ(Press(), (Files{"pri.wav", "konec.wav"}));
    ExpectState("", false, false, false);
}

// Stepping plays nothing and keeps the action that was due; "+1" goes one past the last.
TEST_F(SequenceTest, StepsMoveWithoutPlayingAndKeepThePhase) {
    Load("1=a0.wav\n2=a1.wav\n3=a2.wav\n");
    f.btnJedenVpredClick();
    ExpectState("a1.wav", true, true, true);
    EXPECT_TRUE(w.player.played.empty());
    EXPECT_EQ(Press(), (Files{"odj.wav", "a1.wav"}));
    f.btnJedenVpredClick();
    ExpectState("", false, true, false);
    f.btnJedenZpetClick();
    ExpectState("a2.wav", true, true, true);
    f.btnJedenZpetClick();
    f.btnJedenZpetClick();
    ExpectState("a0.wav", true, false, true);
    EXPECT_EQ(Press(), (Files{"pri.wav", "a0.wav"}));  // the arrival that was due
}

TEST_F(SequenceTest, EmptyEndSoundsStillCloseTheLine) {
    Load("1=a0.wav\n2=a1.wav\n", "");
    Press();
    EXPECT_EQ(Press(), (Files{"pri.wav", "a1.wav"}));
    ExpectState("", false, false, false);
}

TEST_F(SequenceTest, PositionAdvancesButPhaseStaysWhenPlayingFails) {
    Load("1=a0.wav\n2=a1.wav\n3=a2.wav\n");
    w.player.fail_on = "C:\\l\\a0.wav";
    EXPECT_THROW(f.btnPlayClick(), std::runtime_error);
    ExpectState("a1.wav", true, true, true);
    w.player.fail_on.reset();
    EXPECT_EQ(Press(), (Files{"odj.wav", "a1.wav"}));  // still a departure

    w.player.fail_on = "C:\\l\\pri.wav";
    EXPECT_THROW(f.btnPlayClick(), std::runtime_error);  // no end-of-line sounds, controls not disabled
    ExpectState("", false, true, false);
    EXPECT_EQ(Played().back(), "pri.wav");
}

// Presses queue their announcements and move the line at once; Stop silences what plays and
// drops what waits, and leaves the line where the presses took it.
TEST_F(SequenceTest, PressesQueueAnnouncementsAndStopDropsThem) {
    Load("1=a0.wav\n2=a1.wav\n");
    w.player.finish_at_once = false;
    EXPECT_FALSE(f.sbtnStopEnabled);
    for (int i = 0; i < 3; ++i) f.btnPlayClick();  // the third past the end: the departure sounds alone
    ExpectState("", false, true, false);
    // The end of the line follows the last arrival in one announcement, without a pause.
    EXPECT_EQ(w.player.lists,
              (std::vector<std::vector<Path>>{{"C:\\l\\odj.wav", "C:\\l\\a0.wav"},
                                              {"C:\\l\\pri.wav", "C:\\l\\a1.wav", "C:\\l\\konec.wav"},
                                              {"C:\\l\\odj.wav"}}));
    EXPECT_TRUE(f.sbtnStopEnabled);
    f.sbtnStopClick();
    EXPECT_EQ(w.player.stops, 1);
    EXPECT_FALSE(w.player.Busy());
    EXPECT_FALSE(f.sbtnStopEnabled);
    ExpectState("", false, true, false);

    f.btnJedenZpetClick();
    f.btnPlayClick();  // an arrival past the end: its sounds and the end of the line
    EXPECT_TRUE(f.sbtnStopEnabled);
    w.player.Finish();  // played out: the player tells the window
    f.SoundStateChanged();
    EXPECT_FALSE(f.sbtnStopEnabled);
    // Closing the window ends the player: silent at once.
    f.btnPlayClick();
    f.FormClose();
    EXPECT_TRUE(w.player.shut_down);
    EXPECT_FALSE(f.sbtnStopEnabled);
}

// Sound names from files of any encoding find their files, also where CP1250 cannot hold them.
TEST(Sequence, NamesFromAnyEncodingFindTheirFiles) {
    const std::pair<std::string, std::string> lines[] = {
        {Utf8ToCp1250("[Info]\r\nName=x\r\n[Hlaseni]\r\n1=příjezd.wav\r\n"), "C:\\Trať\\příjezd.wav"},
        {"[Info]\r\nName=x\r\n[Hlaseni]\r\n1=Žуков.wav\r\n", "C:\\Trať\\Žуков.wav"}};
    for (const auto& [file, played] : lines) {
        FakeWindow w;
        w.Select("C:\\Trať\\linka.vkm", file);
        w.form.btnStartClick();
        EXPECT_EQ(w.form.lblHlaseni, played.substr(std::string("C:\\Trať\\").size()));
        w.form.btnPlayClick();
        EXPECT_EQ(w.player.played, std::vector<Path>{played});
    }
}

}  // namespace
}  // namespace vkm::testing
