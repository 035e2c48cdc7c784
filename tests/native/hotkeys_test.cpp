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
#include "fakes/fakes.h"

namespace vkm::testing {
namespace {

using Combination = FakeHotkeys::Combination;

const std::string kWarning =
    std::string("Některé klávesy nelze použít (používá je jiný program nebo jsou chybně zapsané): ");

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

// ---- The parts of a user key entry. ----

TEST(UserKeyEntry, FieldsWithTheirFallbacks) {
    const std::string full = std::string("ALT+B;b.wav;Bezpečnost");
    EXPECT_EQ(UserKeyCode(full), 'B');
    EXPECT_EQ(UserKeyModifiers(full), kModAlt);
    EXPECT_EQ(UserKeySounds(full), "b.wav");
    EXPECT_EQ(UserKeyDescription(full), std::string("Bezpečnost"));

    EXPECT_EQ(UserKeySounds("F;f.wav"), "f.wav");  // two fields: the sounds are the description
    EXPECT_EQ(UserKeyDescription("F;f.wav"), "f.wav");
    EXPECT_EQ(UserKeyCode("G"), 'G');  // one field: key, sounds and description at once
    EXPECT_EQ(UserKeySounds("G"), "G");
    EXPECT_EQ(UserKeyDescription("G"), "G");
}

TEST(UserKeyEntry, ModifierWordIsUpperCasedButTheKeyPartIsNot) {
    struct Row {
        const char* entry;
        unsigned modifiers;
        int vk;
    } rows[] = {
        {"ctrl+Q;q.wav", kModControl, 'Q'},
        {"ctrl+q;q.wav", kModControl, 0x71},  // q is F2
        {"Shift+1;x", kModShift, '1'},
        {"CTRL+SHIFT+X;x", kModControl, 'X'},  // only the first word
        {"WIN+B;x", 0, 'B'},
        {"b;x", 0, 0x62},  // b is Num 2
        {"ALT+Bx;x", kModAlt, 'B'},
        {"ALT + B;x", 0, ' '},  // exactly as written
        {"alt+shift+ctrl+D;x", kModAlt, 'D'},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(UserKeyModifiers(r.entry), r.modifiers) << r.entry;
        EXPECT_EQ(UserKeyCode(r.entry), std::optional<unsigned char>(static_cast<unsigned char>(r.vk)))
            << r.entry;
    }
    for (const char* empty : {"ALT+;x.wav;X", ";x.wav;X", "+;x", "CTRL+SHIFT+;x"})
        EXPECT_EQ(UserKeyCode(empty), std::nullopt) << empty;
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
    };
    for (const Row& r : rows) EXPECT_EQ(KeyName(r.modifiers, r.vk), r.name);
}

// ---- Binding and routing. ----

TEST_F(HotkeysTest, DefaultKeysAreEnterPAndF1AndEachPlaysTheNextAnnouncement) {
    Start(Line(""));
    ASSERT_EQ(w.hotkeys.bound.size(), 3u);
    EXPECT_EQ(w.hotkeys.bound.at(1), Combination(0, 0x0D));
    EXPECT_EQ(w.hotkeys.bound.at(100), Combination(0, 'P'));
    EXPECT_EQ(w.hotkeys.bound.at(101), Combination(0, 0x70));
    EXPECT_TRUE(f.FHotkeysActive);
    EXPECT_TRUE(w.boxes.shown.empty());

    EXPECT_TRUE(f.WMHotKey(1));
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\odjezd.wav", "C:\\linky\\a0.wav"}));
    EXPECT_TRUE(f.WMHotKey(100));
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\prijezd.wav", "C:\\linky\\a1.wav"}));
    EXPECT_TRUE(f.WMHotKey(101));
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\odjezd.wav", "C:\\linky\\a2.wav"}));
    EXPECT_EQ(f.FIndex, 3);
    EXPECT_EQ(f.FPhase, phArrival);

    // Ids that are not the line's go to default handling and play nothing.
    for (int id : {0, 2, 102, 199, 200, -1, -2, 0xBFFF}) EXPECT_FALSE(f.WMHotKey(id)) << id;
    EXPECT_TRUE(w.player.played.empty());
    EXPECT_EQ(f.FIndex, 3);
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
    EXPECT_EQ(f.FIndex, 1);
}

TEST_F(HotkeysTest, ModifierWordIsCaseFreeButKeyPartIsTakenAsWritten) {
    Start(Line("", "a=ctrl+Q;q.wav;Q\r\nb=ctrl+q;f2.wav;F2\r\n"));
    EXPECT_EQ(w.hotkeys.bound.at(200), Combination(kModControl, 'Q'));
    EXPECT_EQ(w.hotkeys.bound.at(201), Combination(kModControl, 0x71));
    EXPECT_TRUE(w.boxes.shown.empty());
}

TEST_F(HotkeysTest, OnlyTheFirstModifierWordCounts) {
    Start(Line("", "x=CTRL+SHIFT+X;x.wav;X\r\n"));
    EXPECT_EQ(w.hotkeys.bound.at(200), Combination(kModControl, 'X'));
}

TEST_F(HotkeysTest, SecondLineWithFewerKeysLeavesNoneOfTheFirstBound) {
    Start(Line("Klavesy_prijezd=ABCD\r\nKlavesy_odjezd=EFGH\r\n",
               "a=ALT+A;a.wav\r\nb=ALT+B;b.wav\r\nc=ALT+C;c.wav\r\n"),
          "C:\\linky\\prvni.vkm");
    const std::map<int, Combination> first = w.hotkeys.bound;
    ASSERT_EQ(first.size(), 11u);

    Start(Line("Klavesy_prijezd=X\r\nKlavesy_odjezd=Y\r\n"), "C:\\linky\\druha.vkm");
    EXPECT_EQ(Ids(), (std::vector<int>{1, 100}));
    for (const auto& [id, combination] : first)
        for (const auto& [now_id, now] : w.hotkeys.bound) EXPECT_NE(now, combination) << "id " << id;
    EXPECT_EQ(f.FRegisteredHotkeys.size(), 2u);
    EXPECT_TRUE(w.boxes.shown.empty());

    // The first line's user ids are gone: their presses do nothing.
    EXPECT_FALSE(f.WMHotKey(200));
    EXPECT_FALSE(f.WMHotKey(4));
}

TEST_F(HotkeysTest, UserKeyPlaysBetweenAnnouncementsWithoutMovingTheSequence) {
    Start(Line("", Utf8ToCp1250("x=ALT+B;b.wav;Bezpečnost\r\n")));
    EXPECT_EQ(w.hotkeys.bound.at(200), Combination(kModAlt, 'B'));
    EXPECT_EQ(f.FUserKeys.Get(0),
              std::string("ALT+B;b.wav;Bezpečnost"));  // the entry's name is dropped when bound

    f.WMHotKey(1);  // departure, a0
    TakePlayed();
    const long long index = f.FIndex;
    const std::string current = f.FCurrentAnnouncement, label = f.lblHlaseni;
    const bool play = f.btnPlayEnabled, back = f.btnJedenZpetEnabled, forward = f.btnJedenVpredEnabled;

    EXPECT_TRUE(f.WMHotKey(200));
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\b.wav"}));
    EXPECT_EQ(f.lblHlaseniPopis, std::string("Bezpečnost"));
    EXPECT_EQ(f.FIndex, index);
    EXPECT_EQ(f.FPhase, phArrival);
    EXPECT_EQ(f.FCurrentAnnouncement, current);
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

// ---- Keys that cannot be bound. ----

TEST_F(HotkeysTest, RefusedKeysLeaveTheOthersBoundAreNamedOnceAndAreReleasedExactly) {
    w.hotkeys.taken_by_others = {{0, 0x70}, {kModAlt, 'B'}, {0, 0x62}};
    const std::string line = Line("", "a=ALT+A;a.wav\r\nb=ALT+B;b.wav\r\nc=b;num2.wav\r\nd=ALT+D;d.wav\r\n");
    Start(line);

    EXPECT_EQ(Ids(), (std::vector<int>{1, 100, 200, 203}));
    EXPECT_TRUE(f.FHotkeysActive);
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

TEST_F(HotkeysTest, EveryRefusedKeyIsNamedOnEveryStartThatCannotBindIt) {
    w.hotkeys.taken_by_others = {{0, 'P'}};
    Start(Line(""));
    f.btnStartClick();
    ASSERT_EQ(w.boxes.shown.size(), 2u);
    EXPECT_EQ(w.boxes.shown[1].text, kWarning + "P");
    EXPECT_EQ(Ids(), (std::vector<int>{1, 101}));
}

TEST_F(HotkeysTest, RepeatedCharactersOfTheLineAreSkippedSilently) {
    Start(Line("Klavesy_prijezd=NN\r\nKlavesy_odjezd=PPpN\r\n", "u=ALT+B;u.wav\r\n"));
    EXPECT_EQ(Ids(), (std::vector<int>{1, 100, 102, 200}));
    EXPECT_EQ(w.hotkeys.bound.at(102), Combination(0, 0x70));
    EXPECT_TRUE(w.boxes.shown.empty());
    EXPECT_TRUE(f.FHotkeysActive);
    EXPECT_TRUE(f.FUnboundKeys.empty());
}

TEST_F(HotkeysTest, UserKeysWithEmptyKeyPartOrTakenCombinationAreNamed) {
    Start(Line("",
               "a=ALT+;a.wav;A\r\n"        // empty key part
               "b=P;p.wav;P\r\n"           // the departure key P
               "c=SHIFT+P;c.wav;C\r\n"     // bound
               "d=;d.wav;D\r\n"            // empty key specification
               "e=shift+P;e.wav;E\r\n"     // the same as c
               "f=ALT+F;f.wav;F\r\n"       // bound
               "g=SHIFT+P;g.wav;G\r\n"));  // the same as c once more: named once
    EXPECT_EQ(Ids(), (std::vector<int>{1, 100, 101, 202, 205}));
    ASSERT_EQ(w.boxes.shown.size(), 1u);
    EXPECT_EQ(w.boxes.shown[0].text, kWarning + "ALT+, P, ;d.wav;D, Shift+P");
    EXPECT_EQ(f.FUnboundKeys.size(), 5u);

    EXPECT_FALSE(f.WMHotKey(201));
    EXPECT_FALSE(f.WMHotKey(204));
    EXPECT_TRUE(f.WMHotKey(205));
    EXPECT_EQ(f.lblHlaseniPopis, "F");
}

TEST_F(HotkeysTest, SixtyUserEntriesAreAllRouted) {
    std::string entries;
    const char* mods[] = {"ALT", "CTRL", "SHIFT"};
    for (int i = 0; i < 60; ++i)
        entries += "u" + std::to_string(i) + "=" + mods[i / 26] + "+" + static_cast<char>('A' + i % 26) +
                   ";s" + std::to_string(i) + ".wav;D" + std::to_string(i) + "\r\n";
    Start(Line("", entries));
    EXPECT_TRUE(w.boxes.shown.empty());
    EXPECT_EQ(w.hotkeys.bound.size(), 63u);
    for (int i = 0; i < 60; ++i) {
        ASSERT_TRUE(f.WMHotKey(200 + i)) << i;
        EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\s" + std::to_string(i) + ".wav"}));
        EXPECT_EQ(f.lblHlaseniPopis, "D" + std::to_string(i));
    }
    EXPECT_EQ(w.hotkeys.bound.at(259), Combination(kModShift, 'H'));
    EXPECT_FALSE(f.WMHotKey(260));
    EXPECT_EQ(f.FIndex, 0);
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
    ASSERT_EQ(f.FArrivalKeys, Cp1250ToUtf8(keys));

    for (const auto& [id, combination] : w.hotkeys.bound) {
        if (id <= 99) {
            EXPECT_EQ(combination, Combination(0, static_cast<unsigned char>(keys[id - 1]))) << id;
        } else {
            EXPECT_TRUE(id == 100 || id == 101) << id;
        }
    }
    EXPECT_EQ(w.hotkeys.bound.size(), 99u + 2u);
    EXPECT_EQ(w.hotkeys.bound.at(100), Combination(0, 'P'));
    ASSERT_EQ(f.FUnboundKeys.size(), 51u);
    EXPECT_EQ(f.FUnboundKeys[0], KeyName(0, static_cast<unsigned char>(keys[99])));
    ASSERT_EQ(w.boxes.shown.size(), 1u);

    // P (departure, id 100) and an arrival key alike play the next announcement.
    EXPECT_TRUE(f.WMHotKey(100));
    EXPECT_TRUE(f.WMHotKey(99));
    EXPECT_EQ(f.FIndex, 2);
}

TEST_F(HotkeysTest, LongDepartureKeyStringDoesNotReachTheUserIds) {
    const std::string keys = DistinctKeys(120);
    Start(Line("Klavesy_odjezd=" + keys + "\r\n", "u=ALT+B;u.wav;U\r\n"));
    for (const auto& [id, combination] : w.hotkeys.bound) {
        if (id >= 100 && id <= 199) {
            EXPECT_EQ(combination, Combination(0, static_cast<unsigned char>(keys[id - 100]))) << id;
        }
    }
    EXPECT_EQ(w.hotkeys.bound.size(), 1u + 100u + 1u);
    EXPECT_EQ(w.hotkeys.bound.at(200), Combination(kModAlt, 'B'));
    EXPECT_EQ(f.FUnboundKeys.size(), 20u);

    EXPECT_TRUE(f.WMHotKey(200));
    EXPECT_EQ(TakePlayed(), (std::vector<Path>{"C:\\linky\\u.wav"}));
    EXPECT_EQ(f.FIndex, 0);
    EXPECT_TRUE(f.WMHotKey(199));
    EXPECT_EQ(f.FIndex, 1);
}

// ---- Release. ----

TEST_F(HotkeysTest, StartWithAMissingFileBindsTheKeysHeldFromBefore) {
    Start(Line("", "u=ALT+U;u.wav\r\n"));
    w.Select("C:\\linky\\chybi.vkm", "");
    w.files.files.erase("C:\\linky\\chybi.vkm");
    f.btnStartClick();
    ASSERT_EQ(w.boxes.shown.size(), 1u);  // only the missing file is reported
    EXPECT_EQ(Ids(), (std::vector<int>{1, 100, 101, 200}));
    EXPECT_EQ(w.hotkeys.bound.at(200), Combination(kModAlt, 'U'));
}

TEST_F(HotkeysTest, StartWithoutAnyLineBindsNothing) {
    w.Select("C:\\linky\\chybi.vkm", "");
    w.files.files.clear();
    f.btnStartClick();
    EXPECT_TRUE(w.hotkeys.bound.empty());
    EXPECT_TRUE(f.FHotkeysActive);
    EXPECT_EQ(w.boxes.shown.size(), 1u);
}

TEST_F(HotkeysTest, FormDestroyReleasesEveryKey) {
    w.hotkeys.taken_by_others = {{0, 'P'}};
    Start(Line("", "u=ALT+U;u.wav\r\n"));
    ASSERT_EQ(w.hotkeys.bound.size(), 3u);
    f.FormDestroy();
    EXPECT_TRUE(w.hotkeys.bound.empty());
    EXPECT_TRUE(f.FRegisteredHotkeys.empty());
    EXPECT_FALSE(f.FHotkeysActive);
    EXPECT_FALSE(f.WMHotKey(1));
    EXPECT_FALSE(f.WMHotKey(200));
    EXPECT_TRUE(w.player.played.empty());
}

// ---- The id scheme on its own. ----

TEST(AnnouncementHotkeys, IdsFollowTheCharacterPositions) {
    auto ids = [](const std::vector<HotkeyBinding>& keys) {
        std::vector<int> r;
        for (const HotkeyBinding& k : keys) r.push_back(k.id);
        return r;
    };
    EXPECT_EQ(ids(AnnouncementHotkeys("\r", "Pp")), (std::vector<int>{1, 100, 101}));
    EXPECT_EQ(ids(AnnouncementHotkeys("ab", "bc")), (std::vector<int>{1, 2, 101}));
    EXPECT_EQ(ids(AnnouncementHotkeys("", "xPxQ")), (std::vector<int>{100, 101, 103}));
    EXPECT_TRUE(AnnouncementHotkeys("", "").empty());

    const std::vector<HotkeyBinding> user =
        UserHotkeys({"ALT+A;a", "ALT+;b", "ALT+A;c", "\r;d", "CTRL+\r;e"}, AnnouncementHotkeys("\r", ""));
    EXPECT_EQ(ids(user), (std::vector<int>{200, 0, 0, 0, 204}));
    EXPECT_EQ(user[1].name, "ALT+");
    EXPECT_EQ(user[2].name, "Alt+A");
    EXPECT_EQ(user[3].name, "Enter");
    EXPECT_EQ(user[4].name, "Ctrl+Enter");
}

TEST(UserHotkeys, IdsStopAtTheHighestApplicationId) {
    // Entries that all take F9 (only the first is bound), then two distinct ones at the end of the range.
    std::vector<std::string> many(static_cast<std::size_t>(UserIdLast - UserIdBase), "x;y");
    many.push_back("ALT+A");
    many.push_back("ALT+B");
    const std::vector<HotkeyBinding> keys = UserHotkeys(many, {});
    EXPECT_EQ(keys.front().id, UserIdBase);
    EXPECT_EQ(keys[keys.size() - 2].id, UserIdLast);
    EXPECT_EQ(keys.back().id, 0);
    EXPECT_EQ(keys.back().name, "Alt+B");
}

}  // namespace
}  // namespace vkm::testing
