// Binding a line's keys, routing their presses and releasing them, on the window's
// logic with a hotkey fake that refuses what Windows refuses.
#include "core/hotkeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

#include "core/codepage.h"
#include "core/msgbox_flags.h"
#include "core/simulator_keys.h"
#include "fakes/fakes.h"

namespace vkm::testing {
namespace {

using Combination = FakeHotkeys::Combination;

const std::string kWarning =
    std::string("Některé klávesy nelze použít (používá je jiný program nebo jsou chybně zapsané): ");
const std::string kCollision = " (již použitá dříve)";
const std::string kTooMany = " (příliš mnoho kláves)";

// A definition with four announcements; info lines and user entries are added to it.
std::string Line(const std::string& info, const std::string& user_keys = "") {
    return "[Info]\r\nName=Linka\r\nWAV_odjezd=odjezd.wav\r\nWAV_prijezd=prijezd.wav\r\nWAV_Konec=konec."
           "wav\r\n" +
           info + "[Hlaseni]\r\n1=a0.wav\r\n2=a1.wav\r\n3=a2.wav\r\n4=a3.wav\r\n[Uzivatelske_klavesy]\r\n" +
           user_keys;
}

struct HotkeysTest : ::testing::Test {
    FakeWindow w;
    TfrmMain& f = w.form;

    void Start(const std::string& contents, const Path& path = "C:\\linky\\linka.vkm") {
        w.Select(path, contents);
        f.btnStartClick();
    }
    std::vector<int> Ids() const {
        std::vector<int> ids;
        for (const auto& [id, combination] : w.hotkeys.bound) ids.push_back(id);
        return ids;
    }
    std::vector<Path> TakePlayed() { return std::exchange(w.player.played, {}); }
};

// ---- The key text of a user entry. ----

std::optional<KeyCombination> Combination_(unsigned modifiers, int vk) {
    return KeyCombination{modifiers, static_cast<unsigned char>(vk)};
}

TEST(UserKeyEntry, EveryModifierWordCountsAndTheKeyPartIsTakenAsWritten) {
    struct Row {
        const char* entry;
        unsigned modifiers;
        int vk;
    } rows[] = {
        {"ctrl+Q", kModControl, 'Q'},
        {"ctrl+q", kModControl, 0x71},  // q is F2
        {"Shift+1", kModShift, '1'},
        {"CTRL+SHIFT+X", kModControl | kModShift, 'X'},
        {"alt+shift+ctrl+D", kModAlt | kModShift | kModControl, 'D'},
        {"ALT+ALT+B", kModAlt, 'B'},
        {" Alt +\tctrl\t+B", kModAlt | kModControl, 'B'},  // spaces around the words
        {"ALT + B", kModAlt, 'B'},                         // spaces before the key passed over
        {"ALT+ ", kModAlt, ' '},                           // ... unless the key is Space
        {"b", 0, 0x62},                                    // b is Num 2
        {"ALT+Bx", kModAlt, 'B'},
        {"=", 0, '='},
    };
    for (const Row& r : rows)
        EXPECT_EQ(KeyCombinationOf(r.entry), Combination_(r.modifiers, r.vk)) << r.entry;
}

TEST(UserKeyEntry, AnUnknownModifierWordOrAnEmptyKeyPartIsWrittenWrongly) {
    for (const char* wrong : {"WIN+B", "ALTGR+B", "CTL+B", "ALT+WIN+B", "+B", "ALT++B", "ALT+", "", "+",
                              "CTRL+SHIFT+", "=+", "SHIFT+CTRL+ALT+X+Y"})
        EXPECT_EQ(KeyCombinationOf(wrong), std::nullopt) << wrong;
}

TEST(KeyName, NamesWhatTheKeyIsNotWhatWasTyped) {
    struct Row {
        unsigned modifiers;
        unsigned char vk;
        const char* name;
    } rows[] = {
        {0, 'P', "P"},
        {0, '7', "7"},
        {0, 0x70, "F1"},
        {0, 0x87, "F24"},
        {kModAlt, 'B', "Alt+B"},
        {0, 0x62, "Num 2"},
        {0, 0x60, "Num 0"},
        {0, 0x6A, "Num *"},
        {0, 0x6B, "Num +"},
        {0, 0x6D, "Num -"},
        {0, 0x6F, "Num /"},
        {0, 0x0D, "Enter"},
        {0, 0x20, "Space"},
        {0, 0x09, "Tab"},
        {0, 0x1B, "Esc"},
        {0, 0x25, "Left"},
        {0, 0x26, "Up"},
        {0, 0x27, "Right"},
        {0, 0x28, "Down"},
        {kModControl, 0x71, "Ctrl+F2"},
        {kModShift, '1', "Shift+1"},
        {0, 0xBA, "0xBA"},
        {0, 0x00, "0x00"},
        {kModControl | kModAlt | kModShift, 'X', "Ctrl+Alt+Shift+X"},
        {0, 0x03, "Break"},
        {0, 0x08, "Backspace"},
        {0, 0x0C, "Clear"},
        {0, 0x10, "Shift"},
        {0, 0x11, "Ctrl"},
        {0, 0x12, "Alt"},
        {0, 0x13, "Pause"},
        {0, 0x14, "Caps Lock"},
        {0, 0x21, "Page Up"},
        {0, 0x22, "Page Down"},
        {0, 0x23, "End"},
        {0, 0x24, "Home"},
        {0, 0x2C, "Print Screen"},
        {0, 0x2D, "Insert"},
        {0, 0x2E, "Delete"},
        {0, 0x2F, "Help"},
        {0, 0x5B, "Left Win"},
        {0, 0x5C, "Right Win"},
        {0, 0x5D, "Menu"},
        {0, 0x5F, "Sleep"},
        {0, 0x69, "Num 9"},
        {0, 0x6C, "Separator"},
        {0, 0x6E, "Num Del"},
        {0, 0x7C, "F13"},
        {0, 0x90, "Num Lock"},
        {0, 0x91, "Scroll Lock"},
        {0, 0xA0, "Left Shift"},
        {0, 0xA1, "Right Shift"},
        {0, 0xA2, "Left Ctrl"},
        {0, 0xA3, "Right Ctrl"},
        {0, 0xA4, "Left Alt"},
        {0, 0xA5, "Right Alt"},
        {0, 0xAD, "Mute"},
        {0, 0xAE, "Volume Down"},
        {0, 0xAF, "Volume Up"},
        {0, 0xB0, "Next Track"},
        {0, 0xB1, "Previous Track"},
        {0, 0xB2, "Stop"},
        {kModAlt, 0xB3, "Alt+Play/Pause"},
        {0, 0x88, "0x88"},  // just past F24
        {0, 0x5E, "0x5E"},
        {0, 0xFF, "0xFF"},
    };
    for (const Row& r : rows) EXPECT_EQ(KeyName(r.modifiers, r.vk), r.name);
}

// ---- The simulator's default keys. ----

TEST(SimulatorKeys, AKeyTakesTheCommandsOfItsCodeWithExactlyItsModifiers) {
    // A layout whose Y and Z change places, as in the German and Czech ones; nothing else has a key.
    struct Qwertz : KeyboardLayout {
        unsigned char VirtualKey(unsigned s) const override { return s == 0x15 ? 'Z' : s == 0x2C ? 'Y' : 0; }
        std::string Name() const override { return "QWERTZ"; }
    } qwertz;
    auto commands = [](const KeyboardLayout& layout, unsigned mods, unsigned char vk) {
        std::vector<std::string> names;
        for (const SimulatorKey* k : SimulatorCommands(layout, mods, vk))
            names.push_back(SimulatorCommandName(*k));
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::tuple<unsigned, unsigned char, std::vector<std::string>> rows[] = {
        {0, 'P', {"Control Cylinder Compound", "Control Pantograph 1"}},
        {0, 'p', {"Display Help Window"}},           // p is F1
        {kModShift, 0x70, {"Display Help Window"}},  // Shift or not
        {kModAlt, 0x70, {"Debug Dump Keyboard Map"}},
        {kModAlt, 'P', {"Debug Weather Change"}},
        {kModShift | kModControl, 'P', {"Control Pantograph 4"}},
        {kModAlt | kModShift, 'P', {}},
        {kModAlt, 'Z', {}},
        {0, 0x91, {}},  // Scroll Lock
        {0, 0x6F, {}},  // Num /, not the / key
        {0, 0xBF, {"Control Bail Off"}},
        {0, 0x0D, {"Control Master Key"}},
        {kModAlt, 0x0D, {"Game Fullscreen"}},
        {0, 0x13, {"Game Pause"}},  // named by its virtual key
        {kModControl | kModShift, 0x26, {"Camera Pan (Rotate) Up"}},
        {kModControl | kModAlt, 0x26, {"Camera Rotate (Pan) Up"}},
        {0, 0x24, {"Camera Head Out Forward"}},
        {0, '7', {}},
    };
    for (const auto& [modifiers, vk, names] : rows)
        EXPECT_EQ(commands(UsKeyboardLayout(), modifiers, vk), names) << KeyName(modifiers, vk);
    // By the key's place: Z where the US layout has Y; a key named by its virtual key stays.
    EXPECT_EQ(commands(qwertz, 0, 'Z'), std::vector<std::string>{"Control Water Scoop"});
    EXPECT_TRUE(commands(qwertz, 0, 'P').empty());
    EXPECT_EQ(commands(qwertz, 0, 0x13), std::vector<std::string>{"Game Pause"});
}

// ---- Binding and routing. ----

TEST_F(HotkeysTest, DefaultKeysAreEnterPAndF1AndEachPlaysTheNextAnnouncement) {
    Start(Line(""));
    ASSERT_EQ(w.hotkeys.bound.size(), 3u);
    EXPECT_EQ(w.hotkeys.bound.at(1), Combination(0, 0x0D));
    EXPECT_EQ(w.hotkeys.bound.at(100), Combination(0, 'P'));
    EXPECT_EQ(w.hotkeys.bound.at(101), Combination(0, 0x70));
    EXPECT_TRUE(w.boxes.shown.empty());

    EXPECT_TRUE(f.WMHotKey(1));
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\odjezd.wav", "C:\\linky\\a0.wav"}));
    EXPECT_TRUE(f.WMHotKey(100));
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\prijezd.wav", "C:\\linky\\a1.wav"}));
    EXPECT_TRUE(f.WMHotKey(101));
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\odjezd.wav", "C:\\linky\\a2.wav"}));
    EXPECT_EQ(f.lblHlaseni, "a3.wav");

    // Ids that are not the line's go to default handling and do nothing.
    for (int id : {0, 2, 102, 199, 200, -1, -2, kStopIdBase, kStopIdLast}) EXPECT_FALSE(f.WMHotKey(id)) << id;
    EXPECT_TRUE(w.player.played.empty());
    EXPECT_EQ(w.player.stops, 0);
    EXPECT_EQ(f.lblHlaseni, "a3.wav");
    EXPECT_TRUE(f.WMHotKey(1));  // the arrival that was due
    EXPECT_EQ(TakePlayed(),
              (std::vector<Path>{"C:\\linky\\prijezd.wav", "C:\\linky\\a3.wav", "C:\\linky\\konec.wav"}));
}

TEST_F(HotkeysTest, DepartureCharacterAmongArrivalKeysKeepsItsIdFree) {
    Start(Line("Klavesy_prijezd=ab\r\nKlavesy_odjezd=bc\r\n"));
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 101}));
    EXPECT_EQ(w.hotkeys.bound.at(1), Combination(0, 'a'));
    EXPECT_EQ(w.hotkeys.bound.at(2), Combination(0, 'b'));
    EXPECT_EQ(w.hotkeys.bound.at(101), Combination(0, 'c'));
    EXPECT_TRUE(w.boxes.shown.empty());  // b repeated is no fault

    EXPECT_FALSE(f.WMHotKey(100));
    EXPECT_TRUE(w.player.played.empty());
    EXPECT_TRUE(f.WMHotKey(101));
    EXPECT_EQ(f.lblHlaseni, "a1.wav");
}

TEST_F(HotkeysTest, ModifierWordsAreCaseFreeAllCountAndTheKeyPartIsTakenAsWritten) {
    Start(Line(
        "", "a=ctrl+Q;q.wav;Q\r\nb=ctrl+q;f2.wav;F2\r\nc=CTRL+SHIFT+X;x.wav;X\r\nd= shift + alt +Z;z\r\n"));
    EXPECT_EQ(w.hotkeys.bound.at(200), Combination(kModControl, 'Q'));
    EXPECT_EQ(w.hotkeys.bound.at(201), Combination(kModControl, 0x71));
    EXPECT_EQ(w.hotkeys.bound.at(202), Combination(kModControl | kModShift, 'X'));
    EXPECT_EQ(w.hotkeys.bound.at(203), Combination(kModShift | kModAlt, 'Z'));
    EXPECT_TRUE(w.boxes.shown.empty());
}

// A modifier the program does not know must not turn into the plain key, which the
// simulator would then no longer get.
TEST_F(HotkeysTest, AMisspeltModifierBindsNothingAndIsNamedAsWritten) {
    Start(Line(
        "", "a=WIN+B;a.wav\r\nb=ALTGR+B;b.wav\r\nc=CTL+B;c.wav\r\nd=Alt+Win+C;d.wav\r\ne=ALT+D;e.wav\r\n"));
    EXPECT_EQ(Ids(), (std::vector<int>{1, 100, 101, 204}));
    for (const auto& [id, combination] : w.hotkeys.bound)
        EXPECT_TRUE(combination.second != 'B' && combination.second != 'C') << id;
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.boxes.shown[0].text, kWarning + "WIN+B, ALTGR+B, CTL+B, Alt+Win+C");
    EXPECT_FALSE(f.WMHotKey(200));
    EXPECT_TRUE(f.WMHotKey(204));
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\e.wav"}));
}

// Everything after the first "=" of an entry's line is its value, also where it holds
// another "=".
TEST_F(HotkeysTest, AnEntryKeepsEverythingAfterItsFirstEqualsSign) {
    Start(
        "[Info]\r\nName=L\r\n[Hlaseni]\r\n3=vlak.wav,smer=Kolin.wav\r\n[Uzivatelske_klavesy]\r\n"
        "u=ALT+B;b.wav;Rychlost=80\r\nv==+;v.wav;V\r\nw=ALT+W;w.wav\r\n");
    EXPECT_TRUE(f.WMHotKey(200));
    EXPECT_EQ(f.lblHlaseniPopis, "Rychlost=80");
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\b.wav"}));
    // A value that starts with "=" is named by its key text.
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.boxes.shown[0].text, kWarning + "=+");
    // The announcement keeps its second sound.
    EXPECT_TRUE(f.WMHotKey(1));
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\vlak.wav", "C:\\linky\\smer=Kolin.wav"}));

    // A second Start takes the entries as they are: nothing more is cut.
    f.btnStartClick();
    EXPECT_TRUE(f.WMHotKey(200));
    EXPECT_EQ(f.lblHlaseniPopis, "Rychlost=80");
}

TEST_F(HotkeysTest, SecondLineWithFewerKeysLeavesNoneOfTheFirstBound) {
    Start(Line("Klavesy_prijezd=ABCD\r\nKlavesy_odjezd=EFGH\r\nKlavesy_stop=S\r\n",
               "a=ALT+A;a.wav\r\nb=ALT+B;b.wav\r\nc=ALT+C;c.wav\r\n"),
          "C:\\linky\\prvni.vkm");
    const std::map<int, Combination> first = w.hotkeys.bound;
    ASSERT_EQ(first.size(), 12u);

    Start(Line("Klavesy_prijezd=X\r\nKlavesy_odjezd=Y\r\n"), "C:\\linky\\druha.vkm");
    EXPECT_EQ(Ids(), (std::vector<int>{1, 100}));
    for (const auto& [id, combination] : first)
        for (const auto& [now_id, now] : w.hotkeys.bound) EXPECT_NE(now, combination) << "id " << id;
    EXPECT_TRUE(w.boxes.shown.empty());

    // The first line's user and stop ids are gone: their presses do nothing.
    EXPECT_FALSE(f.WMHotKey(200));
    EXPECT_FALSE(f.WMHotKey(4));
    EXPECT_FALSE(f.WMHotKey(kStopIdBase));
    EXPECT_EQ(w.player.stops, 0);
}

TEST_F(HotkeysTest, UserKeyPlaysBetweenAnnouncementsWithoutMovingTheSequence) {
    Start(Line("", Utf8ToCp1250("x=ALT+B;b.wav;Bezpečnost\r\n")));
    EXPECT_EQ(w.hotkeys.bound.at(200), Combination(kModAlt, 'B'));

    f.WMHotKey(1);  // departure, a0
    TakePlayed();
    const std::string label = f.lblHlaseni;
    const bool play = f.btnPlayEnabled, back = f.btnJedenZpetEnabled, forward = f.btnJedenVpredEnabled;

    EXPECT_TRUE(f.WMHotKey(200));
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\b.wav"}));
    EXPECT_EQ(f.lblHlaseniPopis, std::string("Bezpečnost"));
    EXPECT_EQ(f.lblHlaseni, label);
    EXPECT_EQ(std::make_tuple(f.btnPlayEnabled, f.btnJedenZpetEnabled, f.btnJedenVpredEnabled),
              std::make_tuple(play, back, forward));

    // The arrival that was due comes next; the description stays, also over a new Start.
    f.WMHotKey(101);
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\prijezd.wav", "C:\\linky\\a1.wav"}));
    EXPECT_EQ(f.lblHlaseniPopis, std::string("Bezpečnost"));
    f.btnStartClick();
    EXPECT_EQ(f.lblHlaseniPopis, std::string("Bezpečnost"));
}

TEST_F(HotkeysTest, EntriesWithOneOrTwoFieldsFallBack) {
    Start(Line("", "a=F;f.wav\r\nb=G\r\n"));
    EXPECT_EQ(w.hotkeys.bound.at(200), Combination(0, 'F'));
    EXPECT_EQ(w.hotkeys.bound.at(201), Combination(0, 'G'));

    f.WMHotKey(200);
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\f.wav"}));
    EXPECT_EQ(f.lblHlaseniPopis, "f.wav");
    f.WMHotKey(201);
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\G"}));
    EXPECT_EQ(f.lblHlaseniPopis, "G");
}

// ---- Stop keys. ----

TEST_F(HotkeysTest, StopKeysSilenceWhatPlaysAndLeaveTheLineWhereItIs) {
    w.player.finish_at_once = false;
    Start(Line("Klavesy_stop=S.S\r\n", "u=ALT+B;b.wav;B\r\n"));
    // Bound after the user keys, by their characters' places; the repeated S silently once.
    EXPECT_EQ(w.hotkeys.bound.at(kStopIdBase), Combination(0, 'S'));
    EXPECT_EQ(w.hotkeys.bound.at(kStopIdBase + 1), Combination(0, '.'));
    EXPECT_EQ(w.hotkeys.bound.size(), 6u);
    EXPECT_TRUE(w.boxes.shown.empty());

    f.WMHotKey(1);
    f.WMHotKey(200);
    EXPECT_TRUE(f.sbtnStopEnabled);
    EXPECT_TRUE(f.WMHotKey(kStopIdBase + 1));
    EXPECT_EQ(w.player.stops, 1);
    EXPECT_FALSE(f.sbtnStopEnabled);
    EXPECT_EQ(f.lblHlaseni, "a1.wav");
    EXPECT_EQ(w.player.lists.size(), 2u) << "a stop key plays nothing";
    EXPECT_FALSE(f.WMHotKey(kStopIdBase + 2)) << "the repeated character has no id of its own";
}

TEST_F(HotkeysTest, AStopKeyThatIsAnotherKeyOfTheLineIsACollision) {
    Start(Line("Klavesy_prijezd=K\r\nKlavesy_odjezd=J\r\nKlavesy_stop=JXs\r\n",
               "u=X;x.wav\r\nv=ALT+S;s.wav\r\n"));
    EXPECT_EQ(Ids(), (std::vector<int>{1, 100, 200, 201, kStopIdBase + 2}));
    EXPECT_EQ(w.hotkeys.bound.at(kStopIdBase + 2), Combination(0, 's'));  // F4: Alt+F4 is another combination
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.boxes.shown[0].text, kWarning + "J" + kCollision + ", X" + kCollision);
    // J and X do what they did.
    EXPECT_TRUE(f.WMHotKey(100));
    EXPECT_TRUE(f.WMHotKey(200));
    EXPECT_EQ(TakePlayed(),
              (std::vector<Path>{"C:\\linky\\odjezd.wav", "C:\\linky\\a0.wav", "C:\\linky\\x.wav"}));
    EXPECT_EQ(w.player.stops, 0);
}

// The keys of the corrections are bound only when the line names them, in ranges of their own;
// a key named for a second role keeps its first and is named once; the window shows every key
// bound by what it does.
TEST_F(HotkeysTest, CorrectionKeysHaveRangesOfTheirOwnAndAKeyOneRole) {
    Start(Line(""));
    EXPECT_EQ(Ids(), (std::vector<int>{1, 100, 101}));
    EXPECT_EQ(f.lblKlavesy, "Klávesy: Enter, P, F1");

    Start(Line("Klavesy_zpet=ZZx\r\nKlavesy_vpred=V\r\nKlavesy_znovu=R\r\nKlavesy_stop=Zs\r\n",
               "u=ALT+B;u.wav;Bezpečnost\r\nv=x;v.wav\r\n"));
    EXPECT_EQ(Ids(), (std::vector<int>{1, 100, 101, 200, 201, 0xBC00, 0xBD00, 0xBE00, 0xBF01}));
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.boxes.shown[0].text, kWarning + "F9" + kCollision + ", Z" + kCollision);
    EXPECT_EQ(f.lblKlavesy, "Klávesy: Enter, P, F1 · zpět Z · vpřed V · znovu R · stop F4");
    // The keys the simulator uses too are marked with what they do there, in Czech only.
    EXPECT_EQ(f.lblKlavesyHint,
              "Hlášení: Enter, P, F1\nZpět: Z\nVpřed: V\nZnovu: R\nStop: F4\nAlt+B: Bezpečnost\nF9: v.wav\n\n"
              "V simulátoru (výchozí klávesy Open Rails a MSTS) mají úlohu i:\nEnter: hlavní klíč\n"
              "P: pantograf 1\nF1: okno nápovědy\nAlt+B: napájení vlaku\nF9: okno vozů vlaku\n"
              "Z: kontrola bdělosti\nV: stěrače\nR: přikládání více\nF4: okno sledování trati");
    EXPECT_TRUE(f.WMHotKey(0xBC00));  // Z takes back: nothing to take back yet
    EXPECT_EQ(w.player.stops, 0);
    EXPECT_EQ(w.player.cues, std::vector<Cue>{Cue::kNothingMoved});
}

// ---- Keys that cannot be bound. ----

TEST_F(HotkeysTest, RefusedKeysLeaveTheOthersBoundAreNamedOnceAndAreReleasedExactly) {
    w.hotkeys.taken_by_others = {{0, 0x70}, {kModAlt, 'B'}, {0, 0x62}};
    const std::string line = Line("", "a=ALT+A;a.wav\r\nb=ALT+B;b.wav\r\nc=b;num2.wav\r\nd=ALT+D;d.wav\r\n");
    Start(line);

    EXPECT_EQ(Ids(), (std::vector<int>{1, 100, 200, 203}));
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.boxes.shown[0].text, kWarning + "F1, Alt+B, Num 2");
    EXPECT_EQ(w.boxes.shown[0].caption, std::string("Upozornění"));
    EXPECT_EQ(w.boxes.shown[0].style, kMbOk | kMbIconExclamation);

    // The keys after the refused ones work.
    EXPECT_TRUE(f.WMHotKey(203));
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\d.wav"}));

    // The other program lets F1 go; the next Start releases exactly what was bound and binds everything.
    w.hotkeys.taken_by_others.clear();
    w.hotkeys.unregistrations.clear();
    f.btnStartClick();
    std::vector<int> released = w.hotkeys.unregistrations;
    std::sort(released.begin(), released.end());
    EXPECT_EQ(released, (std::vector<int>{1, 100, 200, 203}));
    EXPECT_EQ(Ids(), (std::vector<int>{1, 100, 101, 200, 201, 202, 203}));
    EXPECT_EQ(w.boxes.shown.size(), 1u);  // nothing to warn about this time
}

// Enter, the default arrival key, pressed to close the warning must close it: while a
// box is open none of the line's keys is bound.
// The keys work the moment the box is answered, while the system may still be taking it away.
TEST_F(HotkeysTest, TheWarningIsShownWithNoKeyOfTheLineBoundAndTheKeysWorkOnceItIsAnswered) {
    w.hotkeys.taken_by_others = {{0, 0x70}};
    std::vector<std::size_t> bound_while_shown, bound_while_leaving;
    w.boxes.while_shown = [&] { bound_while_shown.push_back(w.hotkeys.bound.size()); };
    w.boxes.while_leaving = [&] {
        bound_while_leaving.push_back(w.hotkeys.bound.size());
        EXPECT_TRUE(f.WMHotKey(200));  // pressed in the simulator right after the answer
    };
    Start(Line("Klavesy_stop=S\r\n", "u=ALT+U;u.wav\r\n"));
    EXPECT_EQ(bound_while_shown, (std::vector<std::size_t>{0}));
    EXPECT_EQ(bound_while_leaving, (std::vector<std::size_t>{4}));
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\u.wav"}));
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.boxes.shown[0].text, kWarning + "F1");
    EXPECT_EQ(Ids(), (std::vector<int>{1, 100, 200, kStopIdBase}));
}

TEST_F(HotkeysTest, AKeyTakenWhileTheWarningIsOpenIsNamedAfterItAndTheOthersStayBound) {
    w.hotkeys.taken_by_others = {{0, 0x70}};
    std::vector<std::size_t> bound_while_shown;
    w.boxes.while_shown = [&] {
        bound_while_shown.push_back(w.hotkeys.bound.size());
        w.hotkeys.taken_by_others.insert({kModAlt, 'U'});  // another program starts meanwhile
    };
    Start(Line("", "u=ALT+U;u.wav\r\nv=ALT+V;v.wav\r\n"));
    ASSERT_EQ(w.boxes.shown.size(), 2u);
    EXPECT_EQ(w.boxes.shown[1].text, kWarning + "Alt+U");
    EXPECT_EQ(bound_while_shown, (std::vector<std::size_t>{0, 0}));
    EXPECT_EQ(Ids(), (std::vector<int>{1, 100, 201}));
    EXPECT_FALSE(f.WMHotKey(200));
    EXPECT_TRUE(f.WMHotKey(201));
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\v.wav"}));
}

TEST_F(HotkeysTest, KeysTakenAgainAndAgainWhileBoxesAreOpenEndInABoxCountNoLongerThanTheKeys) {
    // A program that takes one more of the line's keys whenever a box opens.
    const std::vector<Combination> line_keys = {{0, 0x0D}, {0, 'P'}, {0, 0x70}, {kModAlt, 'A'}};
    w.hotkeys.taken_by_others = {{kModAlt, 'A'}};
    w.boxes.while_shown = [&] {
        for (const Combination& c : line_keys)
            if (w.hotkeys.taken_by_others.insert(c).second) break;
    };
    Start(Line("", "a=ALT+A;a.wav\r\n"));
    EXPECT_LE(w.boxes.shown.size(), line_keys.size() + 1);
    EXPECT_TRUE(w.hotkeys.bound.empty());
    EXPECT_FALSE(f.WMHotKey(1));
}

// Only the key warning is shown with the keys released: other boxes and the open
// dialog leave them bound, and a key pressed while one of them is open plays.
TEST_F(HotkeysTest, OtherBoxesAndTheOpenDialogLeaveTheKeysBoundAndPressesPlay) {
    Start(Line("", "u=ALT+U;u.wav\r\n"));
    const std::map<int, Combination> line_keys = w.hotkeys.bound;
    ASSERT_EQ(line_keys.size(), 4u);
    std::vector<std::size_t> bound_while_shown;
    w.boxes.while_shown = [&] {
        bound_while_shown.push_back(w.hotkeys.bound.size());
        EXPECT_TRUE(f.WMHotKey(200));  // a key pressed in the simulator meanwhile
    };
    w.dialog.while_shown = w.boxes.while_shown;

    w.files.files.erase("C:\\linky\\linka.vkm");  // a definition file that has gone
    f.btnStartClick();
    EXPECT_EQ(w.boxes.shown.back().text, std::string("Nelze najít definiční soubor vlakového rozhlasu"));
    f.sbtnOpenFileClick();  // cancelled
    f.cmbLinkaItemIndex = -1;
    f.btnStartClick();
    EXPECT_EQ(w.boxes.shown.back().text, std::string("Není vybrána žádná zvuková mapa"));

    EXPECT_EQ(bound_while_shown, (std::vector<std::size_t>{4, 4, 4}));
    EXPECT_EQ(w.hotkeys.bound, line_keys);
    EXPECT_EQ(TakePlayed(), (std::vector<Path>(3, "C:\\linky\\u.wav")));
}

TEST_F(HotkeysTest, EveryRefusedKeyIsNamedOnEveryStartThatCannotBindIt) {
    w.hotkeys.taken_by_others = {{0, 'P'}};
    Start(Line(""));
    f.btnStartClick();
    ASSERT_EQ(w.boxes.shown.size(), 2u);
    EXPECT_EQ(w.boxes.shown[1].text, kWarning + "P");
    EXPECT_EQ(Ids(), (std::vector<int>{1, 101}));
}

TEST_F(HotkeysTest, RepeatedCharactersOfTheLineAreSkippedSilently) {
    Start(Line("Klavesy_prijezd=NN\r\nKlavesy_odjezd=PPpN\r\nKlavesy_stop=SSS\r\n", "u=ALT+B;u.wav\r\n"));
    EXPECT_EQ(Ids(), (std::vector<int>{1, 100, 102, 200, kStopIdBase}));
    EXPECT_EQ(w.hotkeys.bound.at(102), Combination(0, 0x70));
    EXPECT_TRUE(w.boxes.shown.empty());
}

// A key that lost to an earlier key of the line is named as such, never as if the
// earlier key, which works, did not.
TEST_F(HotkeysTest, UserKeysWithEmptyKeyPartOrTakenCombinationAreNamed) {
    Start(Line("",
               "a=ALT+;a.wav;A\r\n"        // empty key part
               "b=P;p.wav;P\r\n"           // the departure key P
               "c=SHIFT+P;c.wav;C\r\n"     // bound
               "d=;d.wav;D\r\n"            // empty key text
               "e=shift+P;e.wav;E\r\n"     // the same as c
               "f=ALT+F;f.wav;F\r\n"       // bound
               "g=SHIFT+P;g.wav;G\r\n"));  // the same as c once more: named once
    EXPECT_EQ(Ids(), (std::vector<int>{1, 100, 101, 202, 205}));
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.boxes.shown[0].text, kWarning + "ALT+, P" + kCollision + ", ;d.wav;D, Shift+P" + kCollision);

    EXPECT_FALSE(f.WMHotKey(201));
    EXPECT_FALSE(f.WMHotKey(204));
    EXPECT_TRUE(f.WMHotKey(202));
    EXPECT_EQ(f.lblHlaseniPopis, "C");
    EXPECT_TRUE(f.WMHotKey(205));
    EXPECT_EQ(f.lblHlaseniPopis, "F");
}

TEST_F(HotkeysTest, SixtyUserEntriesAreAllRouted) {
    std::string entries;
    const char* mods[] = {"ALT", "CTRL", "SHIFT"};
    for (int i = 0; i < 60; ++i)
        entries += "u" + std::to_string(i) + "=" + mods[i / 26] + "+" + static_cast<char>('A' + i % 26) +
                   ";s" + std::to_string(i) + ".wav;D" + std::to_string(i) + "\r\n";
    // And a duplicate of one of them at the end: it is the one named.
    entries += "dup=CTRL+B;dup.wav\r\n";
    Start(Line("", entries));
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.boxes.shown[0].text, kWarning + "Ctrl+B" + kCollision);
    EXPECT_EQ(w.hotkeys.bound.size(), 63u);
    for (int i = 0; i < 60; ++i) {
        ASSERT_TRUE(f.WMHotKey(200 + i)) << i;
        EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\s" + std::to_string(i) + ".wav"}));
        EXPECT_EQ(f.lblHlaseniPopis, "D" + std::to_string(i));
    }
    EXPECT_EQ(w.hotkeys.bound.at(259), Combination(kModShift, 'H'));
    EXPECT_FALSE(f.WMHotKey(260));
    EXPECT_EQ(f.lblHlaseni, "a0.wav");
}

// Distinct key characters that an INI value carries unchanged, P and p left out.
std::string DistinctKeys(std::size_t n) {
    std::string keys;
    for (int c = 0x21; c < 0x100 && keys.size() < n; ++c) {
        const std::string one(1, static_cast<char>(c));
        if (c == 'P' || c == 'p' || c == '"' || c == '\'' || Utf8ToCp1250(Cp1250ToUtf8(one)) != one) continue;
        keys += one;
    }
    return keys;
}

TEST_F(HotkeysTest, LongArrivalKeyStringDoesNotReachTheDepartureIds) {
    const std::string keys = DistinctKeys(150);
    ASSERT_EQ(keys.size(), 150u);
    Start(Line("Klavesy_prijezd=" + keys + "\r\n"));

    for (const auto& [id, combination] : w.hotkeys.bound) {
        if (id <= 99) {
            EXPECT_EQ(combination, Combination(0, static_cast<unsigned char>(keys[id - 1]))) << id;
        } else {
            EXPECT_TRUE(id == 100 || id == 101) << id;
        }
    }
    EXPECT_EQ(w.hotkeys.bound.size(), 99u + 2u);
    EXPECT_EQ(w.hotkeys.bound.at(100), Combination(0, 'P'));
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    const std::string& warning = w.boxes.shown[0].text;
    EXPECT_EQ(warning.rfind(kWarning + KeyName(0, static_cast<unsigned char>(keys[99])) + kTooMany, 0), 0u);
    EXPECT_NE(warning.find(" a 41 dalších "), std::string::npos) << warning;  // 51 keys beyond the range

    // P (departure, id 100) and an arrival key alike play the next announcement.
    EXPECT_TRUE(f.WMHotKey(100));
    EXPECT_TRUE(f.WMHotKey(99));
    EXPECT_EQ(f.lblHlaseni, "a2.wav");
}

TEST_F(HotkeysTest, LongDepartureKeyStringDoesNotReachTheUserIds) {
    const std::string keys = DistinctKeys(120);
    // The user key has the combination of a departure key beyond the range: it is
    // still the line's departure key, so the user key collides with it.
    Start(Line("Klavesy_odjezd=" + keys + "\r\n",
               "u=ALT+B;u.wav;U\r\nv=" + std::string(1, keys[110]) + ";v.wav\r\n"));
    for (const auto& [id, combination] : w.hotkeys.bound) {
        if (id >= 100 && id <= 199) {
            EXPECT_EQ(combination, Combination(0, static_cast<unsigned char>(keys[id - 100]))) << id;
        }
    }
    EXPECT_EQ(w.hotkeys.bound.size(), 1u + 100u + 1u);
    EXPECT_EQ(w.hotkeys.bound.at(200), Combination(kModAlt, 'B'));
    const std::vector<std::string> refused =
        ReadLine(IniFile(w.files.files.begin()->second), "C:\\l.vkm").refused;
    EXPECT_EQ(refused.size(), 21u);
    EXPECT_EQ(refused.back(), KeyName(0, static_cast<unsigned char>(keys[110])) + kCollision);

    EXPECT_TRUE(f.WMHotKey(200));
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\u.wav"}));
    EXPECT_EQ(f.lblHlaseni, "a0.wav");
    EXPECT_TRUE(f.WMHotKey(199));
    EXPECT_EQ(f.lblHlaseni, "a1.wav");
}

// ---- Release. ----

TEST_F(HotkeysTest, StartWithAMissingFileBindsTheKeysHeldFromBefore) {
    Start(Line("", "u=ALT+U;u.wav\r\n"));
    w.Select("C:\\linky\\chybi.vkm", Line(""));
    w.files.files.erase("C:\\linky\\chybi.vkm");
    f.btnStartClick();
    ASSERT_EQ(w.boxes.shown.size(), 1u);  // only the missing file is reported
    EXPECT_EQ(Ids(), (std::vector<int>{1, 100, 101, 200}));
    EXPECT_EQ(w.hotkeys.bound.at(200), Combination(kModAlt, 'U'));
}

TEST_F(HotkeysTest, StartWithoutAnyLineBindsNothing) {
    w.Select("C:\\linky\\chybi.vkm", Line(""));
    w.files.files.clear();
    f.btnStartClick();
    EXPECT_TRUE(w.hotkeys.bound.empty());
    EXPECT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_FALSE(f.WMHotKey(1));
}

TEST_F(HotkeysTest, FormDestroyReleasesEveryKey) {
    w.hotkeys.taken_by_others = {{0, 'P'}};
    Start(Line("Klavesy_stop=S\r\n", "u=ALT+U;u.wav\r\n"));
    ASSERT_EQ(w.hotkeys.bound.size(), 4u);
    f.FormDestroy();
    EXPECT_TRUE(w.hotkeys.bound.empty());
    EXPECT_FALSE(f.WMHotKey(1));
    EXPECT_FALSE(f.WMHotKey(200));
    EXPECT_FALSE(f.WMHotKey(kStopIdBase));
    EXPECT_TRUE(w.player.played.empty());
}

// ---- The keys of a line on their own, as a line checker sees them. ----

std::vector<int> IdsOf(const std::vector<HotkeyBinding>& keys) {
    std::vector<int> ids;
    for (const HotkeyBinding& k : keys) ids.push_back(k.id);
    return ids;
}

std::vector<UserKey> Users(std::vector<std::string> texts) {
    std::vector<UserKey> keys;
    for (std::string& t : texts) keys.push_back(UserKey{t, KeyCombinationOf(t)});
    return keys;
}

TEST(LineHotkeys, IdsFollowTheCharacterPositionsAndTheEntryPlaces) {
    LineKeys keys;
    EXPECT_EQ(IdsOf(LineHotkeys(keys, {})), (std::vector<int>{1, 100, 101}));  // the defaults
    keys.arrival = "ab";
    keys.departure = "bc";
    EXPECT_EQ(IdsOf(LineHotkeys(keys, {})), (std::vector<int>{1, 2, 101}));
    keys.arrival = "";
    keys.departure = "xPxQ";
    keys.stop = "ZZY";
    const std::vector<HotkeyBinding> all =
        LineHotkeys(keys, Users({"ALT+A", "ALT+", "ALT+A", "\r", "CTRL+\r"}));
    EXPECT_EQ(IdsOf(all),
              (std::vector<int>{100, 101, 103, 200, 0, 0, 203, 204, kStopIdBase, kStopIdBase + 2}));
    EXPECT_EQ(all[4].name, "ALT+");
    EXPECT_EQ(all[5].name, "Alt+A" + kCollision);
    EXPECT_EQ(all[7].name, "Ctrl+Enter");
    EXPECT_EQ(all[9].name, "Y");
}

TEST(LineHotkeys, EveryRangeEndsWhereItsIdsEnd) {
    LineKeys keys;
    keys.arrival = keys.departure = "";
    // Entries that all take F9 (only the first is bound), then two distinct ones at the end of the range.
    std::vector<std::string> texts(0xBBFF - 200, "x");
    texts.push_back("ALT+A");
    texts.push_back("ALT+B");
    // Strings whose last distinct character comes after 256 characters.
    keys.take_back = std::string(256, 'A') + "B";
    keys.skip = std::string(256, 'C') + "D";
    keys.repeat = std::string(256, 'E') + "F";
    keys.stop = std::string(256, 'S') + "T";
    const std::vector<HotkeyBinding> all = LineHotkeys(keys, Users(texts));
    ASSERT_EQ(all.size(), texts.size() + 8);
    EXPECT_EQ(all.front().id, 200);
    EXPECT_EQ(all[texts.size() - 2].id, 0xBBFF);
    EXPECT_EQ(all[texts.size() - 1].id, 0);
    EXPECT_EQ(all[texts.size() - 1].name, "Alt+B" + kTooMany);
    const int firsts[] = {0xBC00, 0xBD00, 0xBE00, 0xBF00};
    const char* lasts[] = {"B", "D", "F", "T"};
    for (std::size_t r = 0; r < 4; ++r) {
        const HotkeyBinding* pair = &all[texts.size() + 2 * r];
        EXPECT_EQ(pair[0].id, firsts[r]);
        EXPECT_EQ(pair[1].id, 0);
        EXPECT_EQ(pair[1].name, lasts[r] + kTooMany);
    }
}

// What a line checker reports: the keys the line itself keeps from being bound,
// named as the window's warning names them, and nothing the system refuses.
TEST_F(HotkeysTest, LineKeyProblemsAreTheWarningsOwnNamesWithoutTheSystemsRefusals) {
    const std::string line = Line("Klavesy_stop=PQ\r\n",
                                  "a=WIN+B;a.wav\r\nb=ALT+A;b.wav\r\n"
                                  "c=alt+a;c.wav\r\n"  // Alt+Num 1: no collision
                                  "d=ALT+D;d.wav\r\ne=CTRL+;e.wav\r\nf=alt+A;f.wav\r\n");
    w.hotkeys.taken_by_others = {{kModAlt, 'D'}, {0, 'Q'}};
    Start(line);

    const std::vector<std::string> problems = ReadLine(IniFile(line), "C:\\l.vkm").refused;
    EXPECT_EQ(problems, (std::vector<std::string>{"WIN+B", "CTRL+", "Alt+A" + kCollision, "P" + kCollision}));
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.boxes.shown[0].text,
              kWarning + "WIN+B, Alt+D, CTRL+, Alt+A" + kCollision + ", P" + kCollision + ", Q");
    EXPECT_EQ(w.hotkeys.bound.at(202), Combination(kModAlt, 0x61));
    EXPECT_EQ(UnusableKeysWarning({"Alt+D", "Q", "Alt+D"}), kWarning + "Alt+D, Q");
}

// The warning fits on the screen whatever the line holds: the first keys, shortened, then how many
// more; the line check names them all, whole.
TEST(UnusableKeysWarning, NamesTheFirstKeysShortenedAndCountsTheRest) {
    std::vector<std::string> names;
    for (int i = 0; i < 2000; ++i) names.push_back("K" + std::to_string(i));
    const std::string ten = "K0, K1, K2, K3, K4, K5, K6, K7, K8, K9",
                      more = " (všechny je vypíše kontrola linky vkmcheck)";
    EXPECT_EQ(UnusableKeysWarning(names), kWarning + ten + " a 1990 dalších" + more);
    names.resize(12);
    EXPECT_EQ(UnusableKeysWarning(names), kWarning + ten + " a 2 další" + more);
    EXPECT_EQ(UnusableKeysWarning(names, kAllKeys), kWarning + ten + ", K10, K11");
    const std::string long_text = "a" + std::string(150, 'b') + "ž";  // cut before a whole character
    EXPECT_EQ(UnusableKeysWarning({"a" + std::string(38, 'b') + "ž"}),
              kWarning + "a" + std::string(38, 'b') + "…");
    EXPECT_EQ(UnusableKeysWarning({long_text}, kAllKeys), kWarning + long_text);
}

}  // namespace
}  // namespace vkm::testing
