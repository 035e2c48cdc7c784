#include "frm_main/announcement_list.h"

namespace vkm {

namespace {

// More digits than any list can have rows for: the number is shown, never read.
constexpr std::size_t kMostDigits = 10;

}  // namespace

TypedNumber NumberTyping::Type(char32_t ch, std::uint32_t time_ms, std::size_t count) {
    TypedNumber result;
    if (ch < U'0' || ch > U'9') return result;
    result.digit = true;
    if (typed_.empty() || time_ms - typed_at_ > kPauseMs) typed_.clear();
    typed_at_ = time_ms;
    if (typed_.size() < kMostDigits) typed_ += static_cast<char>(ch);
    const unsigned long long number = typed_.size() < kMostDigits ? std::stoull(typed_) : 0;
    if (number >= 1 && number <= count)
        result.row = static_cast<std::size_t>(number - 1);
    else
        result.note = "Hlášení č. " + typed_ + " v lince není (má " + std::to_string(count) + " hlášení).";
    return result;
}

}  // namespace vkm
