#include "core/msgbox_flags.h"

namespace vkm {

MsgBoxStyle MapMsgBoxFlags(const std::string& caption, unsigned flags) {
    MsgBoxStyle r;
    unsigned buttons = 0;
    if (flags & kMsgYesNo) buttons |= kMbYesNo;
    if (flags & kMsgOk) buttons |= kMbOk;
    if (flags & kMsgHelp) buttons |= kMbHelp;
    if (flags & kMsgOkCancel) buttons |= kMbOkCancel;
    if (flags & kMsgYesNoCancel) buttons |= kMbYesNoCancel;
    if (flags & kMsgAbortRetryIgnore) buttons |= kMbAbortRetryIgnore;

    unsigned def = 0;
    if (flags & kMsgDefButton1)
        def = 0;
    else if (flags & kMsgDefButton2)
        def = kMbDefButton2;
    else if (flags & kMsgDefButton3)
        def = kMbDefButton3;
    else if (flags & kMsgDefButton4)
        def = kMbDefButton4;

    if (!caption.empty())
        r.caption = caption;
    else if (flags & kMsgInfo)
        r.caption = "Informace";
    else if (flags & kMsgError)
        r.caption = "Chyba";
    else if (flags & kMsgStop)
        r.caption = "Upozornění";
    else if (flags & kMsgQuestion)
        r.caption = "Dotaz";
    else if (flags & kMsgWarning)
        r.caption = "Upozornění";

    unsigned icon = 0;
    if (flags & kMsgInfo)
        icon = kMbIconInformation;
    else if (flags & (kMsgError | kMsgStop))
        icon = kMbIconError;
    else if (flags & kMsgQuestion)
        icon = kMbIconQuestion;
    else if (flags & kMsgWarning)
        icon = kMbIconExclamation;

    r.style = buttons | def | icon;
    return r;
}

}  // namespace vkm
