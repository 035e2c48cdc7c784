#include "MsgDlgCZ/MsgDlgCZ.h"

namespace vkm {

int MsgBox(MessageBoxService& boxes, const std::string& text, const std::string& caption, unsigned flags,
           const std::function<void()>& answered) {
    MsgBoxStyle s = MapMsgBoxFlags(caption, flags);
    return boxes.Show(text, s.caption, s.style, answered);
}

}  // namespace vkm
