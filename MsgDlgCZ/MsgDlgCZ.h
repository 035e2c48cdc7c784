// The message box through which the program tells the user about a problem it foresees.
#pragma once

#include <string>

#include "core/msgbox_flags.h"
#include "platform/platform.h"

namespace vkm {

// Shows text (UTF-8) with the caption, icon and buttons that flags select;
// an empty caption takes the flags' Czech caption. Returns the pressed button;
// answered, when given, is called as soon as the box is answered (see MessageBoxService).
int MsgBox(MessageBoxService& boxes, const std::string& text, const std::string& caption, unsigned flags,
           const std::function<void()>& answered = {});

}  // namespace vkm
