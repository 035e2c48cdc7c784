// The compact message-box flags and their mapping onto a Windows message-box style.
#pragma once

#include <string>

namespace vkm {

enum : unsigned {
    kMsgInfo = 0x1,
    kMsgError = 0x2,
    kMsgQuestion = 0x4,
    kMsgWarning = 0x8,
    kMsgStop = 0x10,
    kMsgYesNo = 0x100,
    kMsgOk = 0x200,
    kMsgHelp = 0x400,
    kMsgOkCancel = 0x800,
    kMsgYesNoCancel = 0x1000,
    kMsgAbortRetryIgnore = 0x2000,
    kMsgDefButton1 = 0x1000000,
    kMsgDefButton2 = 0x2000000,
    kMsgDefButton3 = 0x4000000,
    kMsgDefButton4 = 0x8000000,
};

// Windows style bits used by the mapping.
enum : unsigned {
    kMbOk = 0x0,
    kMbOkCancel = 0x1,
    kMbAbortRetryIgnore = 0x2,
    kMbYesNoCancel = 0x3,
    kMbYesNo = 0x4,
    kMbIconError = 0x10,
    kMbIconQuestion = 0x20,
    kMbIconExclamation = 0x30,
    kMbIconInformation = 0x40,
    kMbDefButton2 = 0x100,
    kMbDefButton3 = 0x200,
    kMbDefButton4 = 0x300,
    kMbHelp = 0x4000,
};

// LANG_CZECH with SUBLANG_NEUTRAL.
constexpr unsigned kLangCzech = 5;

struct MsgBoxStyle {
    std::string caption;  // UTF-8
    unsigned style = 0;
};

MsgBoxStyle MapMsgBoxFlags(const std::string& caption, unsigned flags);

}  // namespace vkm
