#include "core/key_presses.h"

#include <algorithm>

namespace vkm {

void KeyPressLog::KeyDown(unsigned vk, std::uint32_t time, bool held) {
    if (vk >= down_.size()) return;
    const bool repeat = down_[vk] && held;
    down_[vk] = true;
    if (events_.size() >= kCapacity) events_.pop_front();
    events_.push_back(Event{vk, time, !repeat});
}

void KeyPressLog::KeyUp(unsigned vk) {
    if (vk < down_.size()) down_[vk] = false;
}

bool KeyPressLog::AcceptHotkey(unsigned vk, std::uint32_t time) {
    const auto match = std::find_if(events_.begin(), events_.end(),
                                    [&](const Event& e) { return e.vk == vk && e.time == time; });
    if (match == events_.end()) return true;
    const bool fresh = match->fresh;
    // The key's earlier events caused no hotkey message (it would have come before
    // this one): they will never be asked about.
    const auto end = match + 1;
    events_.erase(std::remove_if(events_.begin(), end, [&](const Event& e) { return e.vk == vk; }), end);
    return fresh;
}

}  // namespace vkm
