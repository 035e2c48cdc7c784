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
        {kMsgWarning + kMsgOk, "Upozornění", 0x30},  // the one the program shows
        {kMsgInfo + kMsgWarning, "Informace", 0x40},
        {kMsgStop + kMsgQuestion, "Upozornění", 0x10},
        {0, "", 0},
    };
    for (const Case& c : cases) {
        MsgBoxStyle s = MapMsgBoxFlags("", c.flags);
        EXPECT_EQ(s.caption, std::string(c.caption)) << std::hex << c.flags;
        EXPECT_EQ(s.style, c.style) << std::hex << c.flags;
    }
}

TEST(MapMsgBoxFlags, GivenCaptionIsKept) {
    EXPECT_EQ(MapMsgBoxFlags("Vlastní", kMsgError + kMsgWarning).caption, "Vlastní");
    EXPECT_EQ(MapMsgBoxFlags("Vlastní", kMsgError).style, 0x10u);
}

TEST(MsgBox, ShowsTheMappedBoxAndReturnsItsResult) {
    testing::FakeBoxes boxes;
    EXPECT_EQ(MsgBox(boxes, std::string("Text č"), "", kMsgWarning + kMsgOk), 1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, std::string("Text č"));
    EXPECT_EQ(boxes.shown[0].caption, std::string("Upozornění"));
    EXPECT_EQ(boxes.shown[0].style, 0x30u);
}

}  // namespace
}  // namespace vkm
