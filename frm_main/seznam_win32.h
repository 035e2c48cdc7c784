// The list of the started line's announcements, for choosing the one that plays next (after a
// restart in the middle of a line): a modal box over the main window.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>

#include "frm_main/frm_main.h"

namespace vkm {

// Shows the form's announcements (number, departure or arrival, the text the window shows), the
// next one marked and selected; typing a number selects that announcement. The one chosen (from 0),
// or nothing when the box was cancelled. Any number of announcements opens at once: the rows are
// asked for as they show.
std::optional<std::size_t> ChooseAnnouncement(HWND owner, const TfrmMain& form);

}  // namespace vkm
