// The press sequence of a line: which announcement the next press of an announcement
// key (or of ">") plays, whether it departs or arrives, and how the driver's corrections
// move it. The window, the render of a line and the line check all follow it.
//
// The first press departs and the presses alternate: the announcement at 0-based position
// k of a line played from its start departs when k is even and arrives when k is odd. An
// arrival at or past the last announcement closes the line: the end-of-line sounds follow
// it in the same announcement. Presses go on past the end (the keys never stop): a
// departure there plays only the departure sounds, an arrival the arrival and end sounds.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "core/line.h"

namespace vkm {

// What the next press does.
enum class Phase { kArrival, kDeparture };

// One press: the announcement it plays (before the first or past the last: none of its
// own) and how.
struct Press {
    long long index = 0;
    Phase phase = Phase::kDeparture;
    bool closes = false;  // an arrival at or past the last announcement
    bool operator==(const Press& o) const {
        return index == o.index && phase == o.phase && closes == o.closes;
    }
};

class PressSequence {
  public:
    // No line: position 0 with an arrival due, as before the first line is started.
    PressSequence() = default;
    // A line of count announcements, started: position 0, a departure due.
    explicit PressSequence(std::size_t count) : count_(count), phase_(Phase::kDeparture) {}

    long long index() const { return index_; }

    // The press that the next press of an announcement key makes.
    Press Next() const { return PressAt(index_, phase_); }
    // The press that brought the line where it is: one place back, the other phase. None at
    // the start of the line (position 0 or before).
    std::optional<Press> Previous() const;

    // Makes the next press (played or, for a skip, not): one place on, the phase turned.
    Press Advance();
    // Takes back the previous press: the position and phase as they were before it, so that
    // the next press makes it again. False at the start of the line, where nothing moves.
    bool TakeBack();
    // Moves the position only; the phase stays, so the next press still does what was due
    // (the window's "-1" and "+1", and a press whose playing failed).
    void MoveTo(long long index) { index_ = index; }
    // As if k presses had been made from the start: announcement k (0-based) is next, a
    // departure when k is even.
    void JumpTo(std::size_t k);

    // The phase that announcement k (0-based) has when the line is played from its start.
    static Phase PhaseAt(std::size_t k) { return k % 2 == 0 ? Phase::kDeparture : Phase::kArrival; }

  private:
    Press PressAt(long long index, Phase phase) const;

    std::size_t count_ = 0;
    long long index_ = 0;
    Phase phase_ = Phase::kArrival;
};

// The sounds a press plays, as one announcement: the departure or arrival sounds, the
// announcement's own and, when it closes the line, the end of the line.
std::vector<const SoundList*> PressSounds(const Line& line, const Press& press);

}  // namespace vkm
