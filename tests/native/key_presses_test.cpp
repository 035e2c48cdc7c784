// Telling a held key's repeats from fresh presses by the key events a keyboard hook
// saw, as the window does for hotkey messages under Wine.
#include "core/key_presses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace vkm {
namespace {

constexpr unsigned kF7 = 0x76, kQ = 0x51, kShift = 0xA0, kControl = 0xA2;
constexpr std::uint32_t kDelay = 660, kRate = 40;  // X's repeat, as measured under Xvfb

// The key events of a session and the hotkey messages they caused, in order.
struct Session {
    KeyPressLog log;
    std::uint32_t now = 100000;
    std::vector<std::pair<unsigned, std::uint32_t>> hotkeys;  // key and time of each message

    // Key-downs of a key held for `repeats` repeats, each causing a hotkey message
    // when `bound`; the key is released after them. The system shows the key down
    // before each repeat.
    void Hold(unsigned vk, int repeats, bool bound = true) {
        for (int i = 0; i <= repeats; ++i) {
            now += i == 0 ? 7 : i == 1 ? kDelay : kRate;
            log.KeyDown(vk, now, /*held=*/i > 0);
            if (bound) hotkeys.emplace_back(vk, now);
        }
        now += 5;
        log.KeyUp(vk);
    }
    void Press(unsigned vk, bool bound = true) { Hold(vk, 0, bound); }
    // The window handles the messages waiting for it: which were accepted.
    std::vector<bool> Handle() {
        std::vector<bool> accepted;
        for (const auto& [vk, time] : hotkeys) accepted.push_back(log.AcceptHotkey(vk, time));
        hotkeys.clear();
        return accepted;
    }
};

using Accepted = std::vector<bool>;

TEST(KeyPressLog, AHeldKeyIsAcceptedOnceAndEveryNewPressAgain) {
    Session s;
    s.Hold(kF7, 4);
    EXPECT_EQ(s.Handle(), (Accepted{true, false, false, false, false}));
    s.Press(kF7);
    EXPECT_EQ(s.Handle(), (Accepted{true}));
    // Each message handled as soon as it comes, the window idle.
    std::vector<bool> accepted;
    s.log.KeyDown(kF7, 1000, false);
    accepted.push_back(s.log.AcceptHotkey(kF7, 1000));
    for (std::uint32_t t = 1000 + kDelay; t < 3000; t += kRate) {
        s.log.KeyDown(kF7, t, true);
        accepted.push_back(s.log.AcceptHotkey(kF7, t));
    }
    s.log.KeyUp(kF7);
    s.log.KeyDown(kF7, 3100, false);
    accepted.push_back(s.log.AcceptHotkey(kF7, 3100));
    ASSERT_GT(accepted.size(), 30u);
    EXPECT_EQ(std::count(accepted.begin(), accepted.end(), true), 2);
    EXPECT_TRUE(accepted.front());
    EXPECT_TRUE(accepted.back());
    EXPECT_TRUE(s.log.AcceptHotkey(kF7, 1000 + kDelay)) << "each key event answers one message";
}

TEST(KeyPressLog, PressesMadeWhileTheWindowIsBusyEachCountOnce) {
    // An announcement plays: the window handles nothing until it ends.
    Session s;
    s.Hold(kF7, 20);
    s.Press(kF7);
    s.Press(kF7);
    s.Hold(kF7, 3);
    Accepted expected{true};
    expected.insert(expected.end(), 20, false);
    expected.insert(expected.end(), {true, true, true, false, false, false});
    EXPECT_EQ(s.Handle(), expected);
}

TEST(KeyPressLog, TwoKeysInterleaved) {
    KeyPressLog log;
    log.KeyDown(kF7, 10, false);
    log.KeyDown(kControl, 12, false);
    log.KeyDown(kQ, 14, false);  // Ctrl+Q while F7 is held
    log.KeyDown(kF7, 700, true);
    log.KeyDown(kQ, 702, true);
    log.KeyUp(kQ);
    log.KeyDown(kF7, 740, true);
    log.KeyDown(kQ, 750, false);  // pressed again, F7 still held
    log.KeyUp(kF7);
    log.KeyDown(kF7, 800, false);
    EXPECT_TRUE(log.AcceptHotkey(kF7, 10));
    EXPECT_TRUE(log.AcceptHotkey(kQ, 14));
    EXPECT_FALSE(log.AcceptHotkey(kF7, 700));
    EXPECT_FALSE(log.AcceptHotkey(kQ, 702));
    EXPECT_FALSE(log.AcceptHotkey(kF7, 740));
    EXPECT_TRUE(log.AcceptHotkey(kQ, 750));
    EXPECT_TRUE(log.AcceptHotkey(kF7, 800));
}

TEST(KeyPressLog, KeyDownsThatCausedNoHotkeyLeaveNoCreditForRepeats) {
    // Shift+F7 is not bound: its presses cause no message. Then F7 alone is held.
    Session s;
    for (int i = 0; i < 3; ++i) {
        s.log.KeyDown(kShift, s.now += 50, false);
        s.Press(kF7, /*bound=*/false);
        s.log.KeyUp(kShift);
    }
    s.Hold(kF7, 5);
    EXPECT_EQ(s.Handle(), (Accepted{true, false, false, false, false, false}));
    // Keys pressed before the line's keys were bound, likewise.
    Session before;
    before.Press(kQ, false);
    before.Press(kQ, false);
    before.Hold(kQ, 3);
    EXPECT_EQ(before.Handle(), (Accepted{true, false, false, false}));
}

TEST(KeyPressLog, AHotkeyWhoseKeyEventIsUnknownIsAccepted) {
    KeyPressLog log;
    EXPECT_TRUE(log.AcceptHotkey(kF7, 5));  // no hook ran
    log.KeyDown(kF7, 10, false);
    log.KeyDown(kF7, 50, true);
    EXPECT_TRUE(log.AcceptHotkey(kQ, 50));   // another key
    EXPECT_TRUE(log.AcceptHotkey(kF7, 30));  // another time: a message sent, not caused by a key
    EXPECT_TRUE(log.AcceptHotkey(0, 0));
    EXPECT_FALSE(log.AcceptHotkey(kF7, 50));
    // Codes beyond the 256 virtual keys are not recorded.
    log.KeyDown(0x1076, 60, false);
    log.KeyDown(0x1076, 61, true);
    EXPECT_TRUE(log.AcceptHotkey(0x1076, 61));
}

TEST(KeyPressLog, EventsOfOneMillisecondAnswerTheirMessagesInOrder) {
    // Input sent by a program comes in the same millisecond.
    KeyPressLog log;
    for (int i = 0; i < 5; ++i) log.KeyDown(kF7, 77, i > 0);
    log.KeyUp(kF7);
    log.KeyDown(kF7, 77, false);
    log.KeyUp(kF7);
    Accepted accepted;
    for (int i = 0; i < 6; ++i) accepted.push_back(log.AcceptHotkey(kF7, 77));
    EXPECT_EQ(accepted, (Accepted{true, false, false, false, false, true}));
}

// The hook sees no key-up made while a window outside Wine has the keyboard; Wine
// puts its key state right, without an event, when a Wine window gets it back.
TEST(KeyPressLog, APressAfterAKeyUpTheHookMissedCountsHoweverSoonItComes) {
    KeyPressLog log;
    log.KeyDown(kF7, 1000, false);
    // Released outside Wine; the focus comes back and F7 is pressed 200 ms later.
    log.KeyDown(kF7, 1200, /*held=*/false);
    log.KeyDown(kF7, 1200 + kDelay, true);  // and held
    EXPECT_TRUE(log.AcceptHotkey(kF7, 1000));
    EXPECT_TRUE(log.AcceptHotkey(kF7, 1200));
    EXPECT_FALSE(log.AcceptHotkey(kF7, 1200 + kDelay));
}

TEST(KeyPressLog, AKeyHeldWhileTheFocusWasOutsideWineRepeatsHoweverLongTheGap) {
    KeyPressLog log;
    log.KeyDown(kF7, 1000, false);
    // Its repeats went to a window outside Wine for a minute; back in Wine it is still held.
    log.KeyDown(kF7, 61000, true);
    log.KeyDown(kF7, 61000 + kRate, true);
    EXPECT_TRUE(log.AcceptHotkey(kF7, 1000));
    EXPECT_FALSE(log.AcceptHotkey(kF7, 61000));
    EXPECT_FALSE(log.AcceptHotkey(kF7, 61000 + kRate));
}

// Pressed outside Wine and held while a Wine window gets the keyboard: the hook sees
// only repeats, which the system shows held. The first counts once, as a system whose
// state ran ahead of the hook would show every key-down held: never deaf.
TEST(KeyPressLog, AKeyTheSystemShowsHeldButTheLogNeverSawGoDownCountsOnce) {
    Session s;
    for (int press = 0; press < 3; ++press) {
        for (int i = 0; i < 4; ++i) {
            s.now += kRate;
            s.log.KeyDown(kF7, s.now, /*held=*/true);
            s.hotkeys.emplace_back(kF7, s.now);
        }
        s.log.KeyUp(kF7);
    }
    EXPECT_EQ(s.Handle(),
              (Accepted{true, false, false, false, true, false, false, false, true, false, false, false}));
}

TEST(KeyPressLog, KeepsAtMostItsCapacityAndForgetsTheOldestEvents) {
    std::uint32_t t = 10;
    auto log_after = [&t](std::size_t typed) {
        KeyPressLog log;
        log.KeyDown(kF7, 1, false);
        log.KeyDown(kF7, 2, true);  // a repeat, whose message will come late
        log.KeyUp(kF7);
        for (t = 10; t < 10 + typed; ++t) {
            log.KeyDown(kQ, t, false);  // typing that causes no hotkey
            log.KeyUp(kQ);
        }
        return log;
    };
    EXPECT_FALSE(log_after(KeyPressLog::kCapacity - 1).AcceptHotkey(kF7, 2)) << "the oldest kept";
    EXPECT_TRUE(log_after(KeyPressLog::kCapacity).AcceptHotkey(kF7, 2)) << "forgotten: accepted, not lost";
    KeyPressLog log = log_after(2 * KeyPressLog::kCapacity);
    log.KeyDown(kF7, t, false);
    log.KeyDown(kF7, t + kDelay, true);
    EXPECT_TRUE(log.AcceptHotkey(kF7, t));
    EXPECT_FALSE(log.AcceptHotkey(kF7, t + kDelay));
}

}  // namespace
}  // namespace vkm
