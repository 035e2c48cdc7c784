// Telling a held key's repeats from fresh presses, for hotkeys under Wine.
//
// Windows posts one WM_HOTKEY for a held key when the hotkey was bound with the
// no-repeat flag; Wine ignores the flag and posts one for every key-down the key
// sends while it is held (after the repeat delay, about 25 a second). A keyboard
// hook sees every key event before Wine turns it into a hotkey message, and the
// message carries the time of the key event that caused it. So the hook reports
// the key events here (KeyDown, KeyUp), and when the window handles a WM_HOTKEY it
// asks AcceptHotkey with the key and the message's time: the key-down of that key
// at that time tells whether it was a fresh press or a repeat.
//
// A key-down is a repeat only when the key is still held: the log saw it go down
// and not up, and the system's key state just before the event (which the hook
// reads) shows it down. Both are needed. The hook misses a key-up made while a
// window outside Wine has the keyboard; Wine puts its key state right when a Wine
// window gets the keyboard back, without an event, so the next press shows the key
// up and counts, however soon it comes. And a key the system shows down that the
// log never saw go down (pressed outside Wine and held while coming back) counts
// once, so that a system whose state ran ahead of the hook could never make the
// program deaf. Elapsed time alone never makes a key-down a repeat.
//
// Matching by time (not by counting presses) matters because most key-downs cause
// no hotkey message: the same key with other modifiers, or before a line's keys
// are bound. A count of presses would credit those to a later held key's repeats.
//
// The log never makes the program deaf: a hotkey message whose key event is not
// in the log (no hook running, or the event long gone) is accepted.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>

namespace vkm {

class KeyPressLog {
  public:
    // Key events kept for hotkey messages still to come; beyond this the oldest go.
    static constexpr std::size_t kCapacity = 4096;

    // vk is a virtual-key code (0..255; others are ignored); time is the event's
    // time in milliseconds as Windows counts it; held tells whether the system's key
    // state showed the key down just before this key-down.
    void KeyDown(unsigned vk, std::uint32_t time, bool held);
    void KeyUp(unsigned vk);

    // For the hotkey message of key vk with the given message time: false when it
    // was caused by a repeat of a held key. Messages are asked about in the order
    // they were posted; each key event answers one message.
    bool AcceptHotkey(unsigned vk, std::uint32_t time);

  private:
    struct Event {
        unsigned vk;
        std::uint32_t time;
        bool fresh;
    };
    std::deque<Event> events_;
    std::array<bool, 256> down_{};  // a key-down seen and no key-up since
};

}  // namespace vkm
