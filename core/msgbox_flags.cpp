#include "core/msgbox_flags.h"

namespace vkm {

MsgBoxStyle MapMsgBoxFlags(const std::string& caption, unsigned flags) {
    MsgBoxStyle r;
    unsigned buttons = 0;
    if (flags & msgYesNo) buttons |= kMbYesNo;
    if (flags & msgOk) buttons |= kMbOk;
    if (flags & msgHelp) buttons |= kMbHelp;
    if (flags & msgOkCancel) buttons |= kMbOkCancel;
    if (flags & msgYesNoCancel) buttons |= kMbYesNoCancel;
    if (flags & msgAbortRetryIgnore) buttons |= kMbAbortRetryIgnore;

    unsigned def = 0;
    if (flags & msgDefButton1)
        def = 0;
    else if (flags & msgDefButton2)
        def = kMbDefButton2;
    else if (flags & msgDefButton3)
        def = kMbDefButton3;
    else if (flags & msgDefButton4)
        def = kMbDefButton4;

    if (!caption.empty())
        r.caption = caption;
    else if (flags & msgInfo)
        r.caption = "Informace";
    else if (flags & msgError)
        r.caption = "Chyba";
    else if (flags & msgStop)
        r.caption = "Upozornění";
    else if (flags & msgQuestion)
        r.caption = "Dotaz";
    else if (flags & msgWarning)
        r.caption = "Upozornění";

    unsigned icon = 0;
    if (flags & msgInfo)
        icon = kMbIconInformation;
    else if (flags & (msgError | msgStop))
        icon = kMbIconError;
    else if (flags & msgQuestion)
        icon = kMbIconQuestion;
    else if (flags & msgWarning)
        icon = kMbIconExclamation;

    r.style = buttons | def | icon;
    return r;
}

}  // namespace vkm
