#include "core/sequence.h"

namespace vkm {

namespace {

Phase Other(Phase phase) {
    return phase == Phase::kArrival ? Phase::kDeparture : Phase::kArrival;
}

}  // namespace

Press PressSequence::PressAt(long long index, Phase phase) const {
    const bool closes = phase == Phase::kArrival && index + 1 >= static_cast<long long>(count_);
    return Press{index, phase, closes};
}

std::optional<Press> PressSequence::Previous() const {
    if (index_ <= 0) return std::nullopt;
    return PressAt(index_ - 1, Other(phase_));
}

Press PressSequence::Advance() {
    const Press press = Next();
    ++index_;
    phase_ = Other(phase_);
    return press;
}

bool PressSequence::TakeBack() {
    const std::optional<Press> previous = Previous();
    if (!previous) return false;
    index_ = previous->index;
    phase_ = previous->phase;
    return true;
}

void PressSequence::JumpTo(std::size_t k) {
    index_ = static_cast<long long>(k);
    phase_ = PhaseAt(k);
}

std::vector<const SoundList*> PressSounds(const Line& line, const Press& press) {
    std::vector<const SoundList*> lists;
    lists.push_back(press.phase == Phase::kArrival ? &line.arrival_sounds : &line.departure_sounds);
    if (press.index >= 0 && press.index < static_cast<long long>(line.announcements.size()))
        lists.push_back(&line.announcements[static_cast<std::size_t>(press.index)].sounds);
    if (press.closes) lists.push_back(&line.end_sounds);
    return lists;
}

}  // namespace vkm
