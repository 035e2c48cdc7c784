// The list of a started line's announcements, for choosing the one that plays next after a
// restart (frm_main/announcement_list_win32.cpp shows it): what each row says, which row the
// next press plays, and how a number typed in the list finds its row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vkm {

struct AnnouncementRow {
    std::string number;  // from 1
    // "odjezd" or "příjezd", as the presses from the start play it; "(další)" marks the next.
    std::string kind;
    std::string text;  // as the window shows it
};

// What the list shows, asked for row by row as the rows are drawn (any number of them).
class AnnouncementRows {
  public:
    virtual std::size_t AnnouncementCount() const = 0;
    virtual AnnouncementRow AnnouncementRowAt(std::size_t k) const = 0;
    // The row of the announcement that the next press plays; -1 before the first or past the last.
    virtual long long NextAnnouncementRow() const = 0;
    // What the next press plays, in Czech, shown above the rows: also where no row is next.
    virtual std::string NextPressText() const = 0;

  protected:
    ~AnnouncementRows() = default;
};

// What a character typed in the list does.
struct TypedNumber {
    bool digit = false;              // anything but a digit does nothing
    std::optional<std::size_t> row;  // the row (from 0) of the number typed so far
    std::string note;                // no announcement has that number: the list says so, the selection stays
};

// Digits typed less than kPauseMs apart make one number; a digit typed later starts a new one.
class NumberTyping {
  public:
    static constexpr std::uint32_t kPauseMs = 1000;
    // The character ch typed at time_ms (the system's tick count) in a list of count rows.
    TypedNumber Type(char32_t ch, std::uint32_t time_ms, std::size_t count);

  private:
    std::string typed_;
    std::uint32_t typed_at_ = 0;
};

}  // namespace vkm
