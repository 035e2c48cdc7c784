#include <gtest/gtest.h>

#include "MsgDlgCZ/MsgDlgCZ.h"
#include "core/codepage.h"
#include "fakes/fakes.h"

namespace vkm {
namespace {

TEST(MapMsgBoxFlags, CaptionsAndIconsTakeTheFirstMatch) {
    struct Case {
        unsigned flags;
        const char* caption;
        unsigned style;
    } cases[] = {
        {msgWarning + msgOk, "Upozornění", 0x30},
        {msgInfo + msgWarning, "Informace", 0x40},
        {msgError, "Chyba", 0x10},
        {msgStop, "Upozornění", 0x10},
        {msgQuestion + msgYesNo, "Dotaz", 0x24},
        {msgError + msgStop + msgQuestion, "Chyba", 0x10},
        {msgStop + msgQuestion, "Upozornění", 0x10},
        {msgQuestion + msgWarning, "Dotaz", 0x20},
        {0, "", 0},
    };
    for (const Case& c : cases) {
        MsgBoxStyle s = MapMsgBoxFlags("", c.flags);
        EXPECT_EQ(s.caption, std::string(c.caption)) << std::hex << c.flags;
        EXPECT_EQ(s.style, c.style) << std::hex << c.flags;
    }
}

TEST(MapMsgBoxFlags, ButtonsAndDefaultButton) {
    EXPECT_EQ(MapMsgBoxFlags("", msgDefButton2 + msgYesNo).style, 0x104u);
    EXPECT_EQ(MapMsgBoxFlags("", msgDefButton2 + msgYesNo + msgQuestion).style, 0x124u);
    EXPECT_EQ(MapMsgBoxFlags("", msgOkCancel + msgHelp).style, 0x4001u);
    EXPECT_EQ(MapMsgBoxFlags("", msgYesNoCancel + msgDefButton3).style, 0x203u);
    EXPECT_EQ(MapMsgBoxFlags("", msgAbortRetryIgnore + msgDefButton4).style, 0x302u);
    EXPECT_EQ(MapMsgBoxFlags("", msgDefButton1 + msgDefButton3 + msgYesNo).style, 0x4u);
    EXPECT_EQ(MapMsgBoxFlags("", msgDefButton3 + msgDefButton2).style, 0x100u);
}

TEST(MapMsgBoxFlags, GivenCaptionIsKept) {
    EXPECT_EQ(MapMsgBoxFlags("Vlastní", msgError + msgWarning).caption, "Vlastní");
    EXPECT_EQ(MapMsgBoxFlags("Vlastní", msgError).style, 0x10u);
}

TEST(MsgBox, ShowsTheMappedBoxAndReturnsItsResult) {
    testing::FakeBoxes boxes;
    EXPECT_EQ(MsgBox(boxes, std::string("Text č"), "", msgWarning + msgOk), 1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, std::string("Text č"));
    EXPECT_EQ(boxes.shown[0].caption, std::string("Upozornění"));
    EXPECT_EQ(boxes.shown[0].style, 0x30u);
}

}  // namespace
}  // namespace vkm
