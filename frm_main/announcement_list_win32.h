// The list of the started line's announcements, for choosing the one that plays next (after a
// restart in the middle of a line): a modal box over the main window.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>

#include "frm_main/announcement_list.h"

namespace vkm {

// Shows the announcements (number, departure or arrival, the text the window shows), the next one
// marked and selected, and above them what the next press plays; a number typed selects that
// announcement. The one chosen (from 0), or nothing when the box was cancelled. Any number of
// announcements opens at once: the rows are asked for as they show. An error in the box ends it
// and is thrown again from here, so that it ends in the window's error report, never in Windows.
std::optional<std::size_t> ChooseAnnouncement(HWND owner, const AnnouncementRows& rows);

}  // namespace vkm
