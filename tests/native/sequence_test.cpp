// Playing a line through: departures and arrivals alternate, the end of the line
// closes it, and the step controls follow.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <utility>

#include "core/codepage.h"
#include "fakes/fakes.h"

namespace vkm::testing {
namespace {

using Files = std::vector<std::string>;

struct SequenceTest : ::testing::Test {
    FakeWindow w;
    TfrmMain& f = w.form;

    void Load(const std::string& announcements, const std::string& end = "konec.wav",
              const std::string& info = "") {
        w.Select("C:\\l\\line.vkm", "[Info]\nName=L\nWAV_odjezd=odj.wav\nWAV_prijezd=pri.wav\nWAV_Konec=" +
                                        end + "\n" + info + "[Hlaseni]\n" + announcements);
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

// One rule for every move: presses alternate from a departure and an arrival at or past the last
// closes the line; taking back walks the same way back, so that each press is made again exactly;
// the window's steps move the position only; a jump is as if that many presses had been made.
TEST(PressSequence, PressesTakeBacksStepsAndJumpsFollowOneRule) {
    const Phase D = Phase::kDeparture, A = Phase::kArrival;
    PressSequence s(4);
    const Press presses[] = {{0, D, false}, {1, A, false}, {2, D, false},
                             {3, A, true},  {4, D, false}, {5, A, true}};
    for (const Press& p : presses) EXPECT_EQ(s.Advance(), p);  // the keys go on past the end
    for (int i = 5; i >= 0; --i) {
        ASSERT_TRUE(s.TakeBack());
        EXPECT_TRUE(s.Next() == presses[i]) << i;
    }
    EXPECT_FALSE(s.TakeBack());
    EXPECT_FALSE(s.Previous());
    EXPECT_TRUE(s.Next() == presses[0]);

    s.MoveTo(1);  // "+1": the departure stays due
    EXPECT_TRUE(s.Next() == (Press{1, D, false}));
    EXPECT_TRUE(*s.Previous() == (Press{0, A, false}));
    s.JumpTo(3);  // the fourth announcement arrives, and closes the line
    EXPECT_TRUE(s.Next() == presses[3]);
    EXPECT_TRUE(*s.Previous() == presses[2]);
    s.JumpTo(2);
    EXPECT_TRUE(s.Next() == presses[2]);

    PressSequence empty(0);  // a line of user announcements only
    EXPECT_TRUE(empty.Advance() == (Press{0, D, false}));
    EXPECT_TRUE(empty.Advance() == (Press{1, A, true}));
    EXPECT_EQ(PressSequence().Next().phase, A);  // before any line
}

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

// The driver's corrections from the keyboard: each keeps the gong right and gives a cue; one that
// takes back an announcement still sounding or waiting silences that one alone.
TEST_F(SequenceTest, TakeBackSkipAndRepeatKeepTheGongRight) {
    Load("1=a0.wav\n2=a1.wav\n3=a2.wav\n4=a3.wav\n", "konec.wav",
         "Klavesy_zpet=Z\nKlavesy_vpred=V\nKlavesy_znovu=R\n");
    const int back = 0xBC00, skip = 0xBD00, again = 0xBE00;
    auto key = [&](int id) {
        w.player.played.clear();
        EXPECT_TRUE(f.WMHotKey(id));
        return Played();
    };
    EXPECT_EQ(key(back), Files{});  // nothing to take back or repeat yet
    EXPECT_EQ(key(again), Files{});
    ExpectState("a0.wav", true, false, true);

    Press();
    EXPECT_EQ(w.player.named.at(0), FakePlayer::kPreparedBase + 1) << "the press names what Start made ready";
    Press();
    EXPECT_EQ(key(back), Files{});
    ExpectState("a1.wav", true, true, true);
    EXPECT_EQ(w.player.prepared.back(), (std::vector<Path>{"C:\\l\\pri.wav", "C:\\l\\a1.wav"}));
    EXPECT_EQ(Press(), (Files{"pri.wav", "a1.wav"}));  // the second announcement again, with its own gong
    const std::size_t made_ready = w.player.prepared.size();
    EXPECT_EQ(key(again), (Files{"pri.wav", "a1.wav"}));
    EXPECT_EQ(key(again), (Files{"pri.wav", "a1.wav"}));
    EXPECT_EQ(w.player.prepared.size(), made_ready) << "a repeat leaves the next press made ready";
    EXPECT_EQ(w.player.named.back(), 0u) << "and names nothing made ready";
    ExpectState("a2.wav", true, true, true);
    EXPECT_EQ(key(skip), Files{});
    EXPECT_EQ(Press(), (Files{"pri.wav", "a3.wav", "konec.wav"}));
    EXPECT_EQ(w.player.cues, (std::vector<Cue>{Cue::kNothingMoved, Cue::kNothingMoved, Cue::kStep, Cue::kStep,
                                               Cue::kStep, Cue::kStep}));

    // Enter pressed twice at a station: taking back drops the second announcement, which waits,
    // and the first plays on; taken back again, the first stops too.
    f.btnStartClick();
    w.player.finish_at_once = false;
    w.player.cancelled.clear();
    Press();
    Press();
    const std::vector<SoundPlayer::Ticket> tickets = w.player.waiting;
    ASSERT_EQ(tickets.size(), 2u);
    key(back);
    EXPECT_EQ(w.player.cancelled, std::vector<SoundPlayer::Ticket>{tickets[1]});
    EXPECT_EQ(w.player.waiting, std::vector<SoundPlayer::Ticket>{tickets[0]});
    EXPECT_TRUE(f.sbtnStopEnabled);
    key(back);
    EXPECT_EQ(w.player.cancelled, (std::vector<SoundPlayer::Ticket>{tickets[1], tickets[0]}));
    EXPECT_FALSE(f.sbtnStopEnabled);
    // Played, then repeated: taking back silences both announcements of that press.
    w.player.cancelled.clear();
    Press();
    key(again);
    key(back);
    EXPECT_EQ(w.player.cancelled.size(), 2u);
    EXPECT_TRUE(w.player.waiting.empty());
    EXPECT_FALSE(f.sbtnStopEnabled);
}

// Past the last announcement the label is empty, yet a correction still changes what the next press
// plays: it ticks once, and the list says what comes (no row is next). On a line of one announcement,
// K then K plays the arrival gong and the end of the line; K, skip, K a lone departure gong.
TEST_F(SequenceTest, PastTheEndCorrectionsTickAndTheListSaysWhatTheNextPressPlays) {
    const std::string past = "Další stisk za posledním hlášením: ", first = "Další stisk: hlášení 1, odjezd";
    // The keys (K plays: Enter, Z takes back, V skips, R repeats), the cue, what the list says comes, what K
    // plays.
    const std::tuple<std::string, Cue, std::string, Files> rows[] = {
        {"KV", Cue::kStep, past + "gong odjezdu", {"odj.wav"}},
        {"KKZ", Cue::kStep, past + "gong příjezdu a konec linky", {"pri.wav", "konec.wav"}},
        {"KKR", Cue::kStep, past + "gong odjezdu", {"odj.wav"}},
        {"KZ", Cue::kStep, first, {"odj.wav", "only.wav"}},
        {"Z", Cue::kNothingMoved, first, {"odj.wav", "only.wav"}},
    };
    for (const auto& [keys, cue, next_press, then] : rows) {
        Load("1=only.wav\n", "konec.wav", "Klavesy_zpet=Z\nKlavesy_vpred=V\nKlavesy_znovu=R\n");
        w.player.cues.clear();
        for (char k : keys) f.WMHotKey(k == 'K' ? 1 : k == 'Z' ? 0xBC00 : k == 'V' ? 0xBD00 : 0xBE00);
        EXPECT_EQ(w.player.cues, std::vector<Cue>{cue}) << keys;
        EXPECT_EQ(f.NextPressText(), next_press) << keys;
        EXPECT_EQ(f.AnnouncementRowAt(0).kind, next_press == first ? "odjezd (další)" : "odjezd") << keys;
        EXPECT_EQ(f.lblHlaseni, next_press == first ? "only.wav" : "") << keys;
        EXPECT_EQ(Press(), then) << keys;
    }
    w.Select("C:\\l\\bare.vkm", "[Info]\nName=B\n[Hlaseni]\n1=only.wav\n");  // no gongs, no end
    f.btnStartClick();
    Press();
    EXPECT_EQ(f.NextPressText(), past + "nic nezazní");
}

// After a restart in the middle of a long line: announcement 7 of 10 chosen in the list is next,
// as if six presses had been made, and nothing plays until the press.
TEST_F(SequenceTest, AnAnnouncementChosenInTheListIsNextWithItsGong) {
    std::string announcements;
    for (int i = 0; i < 10; ++i) announcements += std::to_string(i + 1) + "=a" + std::to_string(i) + ".wav\n";
    Load(announcements);
    EXPECT_EQ(f.AnnouncementCount(), 10u);
    EXPECT_EQ(f.NextAnnouncementRow(), 0);
    const AnnouncementRow row = f.AnnouncementRowAt(6);
    EXPECT_EQ(row.number + " " + row.kind + " " + row.text, "7 odjezd a6.wav");
    EXPECT_EQ(f.AnnouncementRowAt(7).kind, "příjezd");
    f.btnSeznamClick([&] {
        EXPECT_TRUE(w.hotkeys.bound.empty()) << "Enter chooses in the list";
        return std::optional<std::size_t>(6);
    });
    EXPECT_EQ(w.hotkeys.bound.size(), 3u);
    f.dlgSeznamSelect(10);  // no such announcement: nothing moves
    ExpectState("a6.wav", true, true, true);
    EXPECT_EQ(f.NextAnnouncementRow(), 6);
    EXPECT_EQ(f.NextPressText(), "Další stisk: hlášení 7, odjezd");
    EXPECT_TRUE(w.player.played.empty());
    EXPECT_EQ(Press(), (Files{"odj.wav", "a6.wav"}));
    EXPECT_EQ(Press(), (Files{"pri.wav", "a7.wav"}));
    f.btnJedenVpredClick();  // "+1": announcement 10 is next, as the departure still due
    EXPECT_EQ(f.NextPressText(), "Další stisk: hlášení 10, odjezd");
    EXPECT_EQ(f.AnnouncementRowAt(9).kind, "příjezd (další)");
}

// Digits typed less than a second apart make one number, which selects its announcement; a
// number that no announcement has leaves the selection and is named; other characters do nothing.
TEST(NumberTyping, DigitsFindTheirRowAndNothingElseMoves) {
    const std::string missing = "Hlášení č. 123456 v lince není (má 100000 hlášení).";
    // The character typed, when (ms), whether it is a digit, the row it selects (-1: none), the note.
    const std::tuple<char32_t, std::uint32_t, bool, long long, std::string> rows[] = {
        {U'1', 0, true, 0, ""},
        {U'2', 200, true, 11, ""},
        {U'3', 400, true, 122, ""},
        {U'4', 600, true, 1233, ""},
        {U'5', 800, true, 12344, ""},
        {U'6', 1000, true, -1, missing},
        {U'x', 1100, false, -1, ""},
        {U' ', 1100, false, -1, ""},
        {U'7', 2001, true, 6, ""},
        {U'0', 3002, true, -1, "Hlášení č. 0 v lince není (má 100000 hlášení)."},
        {U'0', 3500, true, -1, "Hlášení č. 00 v lince není (má 100000 hlášení)."},
        {U'9', 3600, true, 8, ""},  // a number may begin with 0
    };
    NumberTyping typing;
    for (const auto& [ch, ms, digit, row, note] : rows) {
        const TypedNumber t = typing.Type(ch, ms, 100000);
        EXPECT_EQ(t.digit, digit) << ms;
        EXPECT_EQ(t.row ? static_cast<long long>(*t.row) : -1, row) << ms;
        EXPECT_EQ(t.note, note) << ms;
    }
    // Quick digits on and on: past nine digits no list has the number; the tick count may wrap.
    NumberTyping many;
    for (int i = 0; i < 12; ++i) many.Type(U'9', 0xFFFFFF00u + 50 * i, 100000);
    EXPECT_EQ(many.Type(U'9', 0xFFFFFF00u + 600, 1000000000).note,
              "Hlášení č. 9999999999 v lince není (má 1000000000 hlášení).");
}

// The power of the tone of f cycles a sample in samples [first, last) (Goertzel's recurrence).
double PowerAt(const std::vector<std::int16_t>& x, std::size_t first, std::size_t last, double f) {
    const double c = 2 * std::cos(2 * 3.14159265358979 * f);
    double s1 = 0, s2 = 0;
    for (std::size_t i = first; i < last; ++i) s2 = std::exchange(s1, x[i] + c * s1 - s2);
    return s1 * s1 + s2 * s2 - c * s1 * s2;
}

// The cues as the player sounds them (44.1 kHz): one buffer of at most 60 ms, peaks at -26 dBFS, each
// tick a burst that swells and fades (no click), a step one tick at 1.3 kHz, nothing moved two an
// octave lower 30 ms apart. Bursts are runs of samples apart by 5 ms of silence or more.
TEST(Cue, LengthLevelEndsPitchAndTicks) {
    const double rate = 44100, peak_max = 32767 * std::pow(10, -26.0 / 20);
    // The cue, its length (ms), its pitch (Hz), where its bursts begin (ms).
    const std::tuple<Cue, double, double, std::vector<double>> rows[] = {
        {Cue::kStep, 14, 1300, {0}}, {Cue::kNothingMoved, 44, 650, {0, 30}}};
    for (const auto& [cue, ms, hz, onsets_ms] : rows) {
        const std::vector<std::int16_t> x = CueSamples(cue, static_cast<unsigned>(rate));
        EXPECT_NEAR(x.size() / rate * 1000, ms, 1000 / rate);
        EXPECT_LE(x.size(), 60 * rate / 1000);
        std::vector<std::pair<std::size_t, std::size_t>> bursts;  // [first, last) of the non-zero runs
        for (std::size_t i = 0; i < x.size(); ++i) {
            if (!x[i]) continue;
            if (bursts.empty() || i - bursts.back().second > 5 * rate / 1000) bursts.push_back({i, i});
            bursts.back().second = i + 1;
        }
        ASSERT_EQ(bursts.size(), onsets_ms.size());
        for (std::size_t b = 0; b < bursts.size(); ++b) {
            const auto [first, last] = bursts[b];
            // The samples under half a step at each end round to zero: a quarter of a ms at most.
            EXPECT_NEAR(first / rate * 1000, onsets_ms[b], 0.25);
            EXPECT_NEAR((last - first) / rate * 1000, 14, 0.5);
            int peak = 0, edges = 0;
            for (std::size_t i = first; i < last; ++i) {
                peak = std::max(peak, std::abs(int{x[i]}));
                if (std::min(i - first, last - 1 - i) < rate / 1000)
                    edges = std::max(edges, std::abs(int{x[i]}));
            }
            // At most -26 dBFS, and at least cos²(π 34/617) = 0.97 of it: a crest lies within half a
            // period (650 Hz: 34 of 617 samples) of the burst's middle.
            EXPECT_LE(peak, peak_max);
            EXPECT_GE(peak, 0.97 * peak_max);
            // No click: the first and last ms (up to 1.25 ms of the tone, see above) stay under
            // sin²(π 1.25/14) = 7.7 % of the peak; without the fade they would reach it in a quarter period.
            EXPECT_LE(edges, 0.08 * peak_max);
            // The pitch: half an octave off lies beyond the Hann window's main lobe (±143 Hz for 14 ms),
            // where its side lobes stay 31 dB down: 20 dB asked.
            const double tone = PowerAt(x, first, last, hz / rate);
            for (double off : {hz / std::sqrt(2), hz * std::sqrt(2)})
                EXPECT_GT(tone, 100 * PowerAt(x, first, last, off / rate)) << hz;
        }
    }
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
