#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string>

#include "frm_main/frm_main_layout.h"

namespace vkm {
namespace {

const ControlSpec& Spec(ControlIndex i) {
    return MainWindowControls()[static_cast<std::size_t>(i)];
}

LayoutInput Designed(int dpi = 96) {
    LayoutInput in;
    in.client_width = ScaleToDpi(kDesignedClientWidth, dpi);
    in.client_height = ScaleToDpi(kDesignedClientHeight, dpi);
    in.dpi = dpi;
    return in;
}

void ExpectRect(const Rect& r, int left, int top, int width, int height, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.width, width);
    EXPECT_EQ(r.height, height);
}

TEST(WindowLayout, ScalesDesignedPixelsToTheScreenDpi) {
    EXPECT_EQ(ScaleToDpi(450, 96), 450);
    EXPECT_EQ(ScaleToDpi(450, 120), 563);  // 562.5 rounds up
    EXPECT_EQ(ScaleToDpi(450, 144), 675);
    EXPECT_EQ(ScaleToDpi(23, 192), 46);
    EXPECT_EQ(ScaleToDpi(13, 120), 16);  // 16.25
    EXPECT_EQ(ScaleToDpi(11, 120), 14);  // 13.75
    EXPECT_EQ(ScaleToDpi(-11, 120), -14);
    EXPECT_EQ(ScaleToDpi(0, 144), 0);

    EXPECT_EQ(FontHeight(FontKind::Regular, 96), -11);
    EXPECT_EQ(FontHeight(FontKind::Bold, 96), -11);
    EXPECT_EQ(FontHeight(FontKind::LargeBold, 96), -13);
    EXPECT_EQ(FontHeight(FontKind::Regular, 144), -17);  // 16.5 rounds away from zero
    EXPECT_EQ(FontHeight(FontKind::LargeBold, 144), -20);
}

bool Inside(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right() <= outer.right() &&
           inner.bottom() <= outer.bottom();
}

bool Overlap(const Rect& a, const Rect& b) {
    return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
}

bool TakesInput(const ControlSpec& c) {
    return c.kind == ControlKind::Button || c.kind == ControlKind::SpeedButton ||
           c.kind == ControlKind::DropDownList;
}

// The designed size, a larger window, and a high DPI with wide captions.
std::vector<LayoutInput> Sizes() {
    LayoutInput large = Designed();
    large.client_width = 800;
    large.client_height = 400;
    LayoutInput high = Designed(144);
    high.text_height = 20;
    high.text_widths.assign(kControlCount, 0);
    high.text_widths[kLblUzivatelskeHlaseni] = 170;
    high.text_widths[kLblPristiZastavka] = 90;
    return {Designed(), large, high};
}

TEST(WindowLayout, EveryControlSitsInsideItsGroupBoxBelowItsCaptionAndNoneCoversAnother) {
    const auto& c = MainWindowControls();
    for (const LayoutInput& in : Sizes()) {
        SCOPED_TRACE(in.dpi);
        const std::vector<Rect> r = LayoutControls(in);
        ASSERT_EQ(r.size(), c.size());
        const int caption_height = in.text_height > 0 ? in.text_height : ScaleToDpi(13, in.dpi);
        // The two group boxes fill the client area, one above the other.
        EXPECT_EQ(r[kGrpVyberlinky].top, 0);
        EXPECT_EQ(r[kGrpVyberlinky].bottom(), r[kGrpSimulace].top);
        EXPECT_EQ(r[kGrpSimulace].bottom(), in.client_height);
        for (std::size_t i = 0; i < c.size(); ++i) {
            if (c[i].parent < 0) continue;
            const Rect& group = r[static_cast<std::size_t>(c[i].parent)];
            EXPECT_TRUE(Inside(r[i], group)) << c[i].name;
            EXPECT_GE(r[i].top, group.top + caption_height) << c[i].name << " covers its group's caption";
            EXPECT_GT(r[i].width, 0) << c[i].name;
            for (std::size_t j = i + 1; j < c.size(); ++j)
                if (c[j].parent == c[i].parent && (TakesInput(c[i]) || TakesInput(c[j]))) {
                    EXPECT_FALSE(Overlap(r[i], r[j])) << c[i].name << " and " << c[j].name;
                }
        }
    }
}

TEST(WindowLayout, TheStepButtonsFollowStartInARowOfOneSize) {
    for (const LayoutInput& in : Sizes()) {
        SCOPED_TRACE(in.dpi);
        const std::vector<Rect> r = LayoutControls(in);
        const ControlIndex row[] = {kBtnStart, kBtnJedenZpet, kBtnPlay, kBtnJedenVpred, kSbtnStop};
        for (std::size_t i = 1; i < std::size(row); ++i) {
            EXPECT_EQ(r[row[i]].top, r[kBtnStart].top) << Spec(row[i]).name;
            EXPECT_GT(r[row[i]].left, r[row[i - 1]].left) << Spec(row[i]).name << " in its place";
            EXPECT_EQ(r[row[i]].width, r[kBtnJedenZpet].width) << Spec(row[i]).name;
            EXPECT_EQ(r[row[i]].height, r[kBtnJedenZpet].height) << Spec(row[i]).name;
        }
        EXPECT_EQ(r[kSbtnOpenFile].width, r[kBtnJedenZpet].width);
        EXPECT_GE(r[kSbtnOpenFile].left, r[kCmbLinka].right()) << "the open button after the list";
        EXPECT_LT(r[kSbtnOpenFile].top, r[kCmbLinka].bottom());
    }
}

// Start and the list are the only controls the keyboard reaches: Tab goes from one
// to the other, and each is a group of its own, so the arrow keys, which move within
// a group, leave the focus where it is. The speed buttons are for the mouse.
TEST(WindowLayout, TheKeyboardReachesStartAndTheListOnlyEachAGroupOfItsOwn) {
    const auto& c = MainWindowControls();
    std::vector<int> tab_stops;
    for (const ControlSpec& s : c)
        if (s.tab_stop) tab_stops.push_back(s.id);
    EXPECT_EQ(tab_stops, (std::vector<int>{Spec(kBtnStart).id, Spec(kCmbLinka).id}));

    ASSERT_TRUE(c.front().starts_group);
    for (std::size_t i = 0; i < c.size(); ++i) {
        if (c[i].kind == ControlKind::SpeedButton) {
            EXPECT_FALSE(c[i].tab_stop) << c[i].name;
        }
        if (c[i].kind == ControlKind::Group) {
            EXPECT_TRUE(c[i].starts_group) << c[i].name;
        }
        if (!c[i].tab_stop) continue;
        // The group the focus is in: from the last group mark at or before it to the next one.
        std::size_t first = i, end = i + 1;
        while (!c[first].starts_group) --first;
        while (end < c.size() && !c[end].starts_group) ++end;
        for (std::size_t j = first; j < end; ++j) {
            if (j != i) {
                EXPECT_FALSE(TakesInput(c[j])) << c[j].name << " is in the group of " << c[i].name;
            }
        }
    }
    // A group box comes before the controls it holds, and they follow it.
    for (std::size_t i = 0; i < c.size(); ++i) {
        if (c[i].parent < 0) continue;
        const std::size_t group = static_cast<std::size_t>(c[i].parent);
        EXPECT_LT(group, i) << c[i].name;
        for (std::size_t j = group + 1; j < i; ++j) EXPECT_EQ(c[j].parent, c[i].parent) << c[i].name;
    }
}

// Alt with a group box's letter moves the focus to the control the keyboard can
// reach in that box.
TEST(WindowLayout, EachGroupBoxHasItsOwnMnemonicLeadingIntoIt) {
    std::string letters;
    for (ControlIndex group : {kGrpSimulace, kGrpVyberlinky}) {
        const std::string caption = Spec(group).caption;
        const std::size_t amp = caption.find('&');
        ASSERT_NE(amp, std::string::npos) << caption;
        ASSERT_LT(amp + 1, caption.size());
        EXPECT_EQ(caption.find('&', amp + 1), std::string::npos) << caption;
        letters += static_cast<char>(std::toupper(static_cast<unsigned char>(caption[amp + 1])));
        const int target = MnemonicTarget(group);
        const auto& c = MainWindowControls();
        const auto it =
            std::find_if(c.begin(), c.end(), [&](const ControlSpec& s) { return s.id == target; });
        ASSERT_NE(it, c.end()) << caption;
        EXPECT_TRUE(it->tab_stop) << caption;
        EXPECT_EQ(it->parent, group) << caption;
    }
    EXPECT_EQ(letters, "SV");
    EXPECT_EQ(MnemonicTarget(kLblHlaseni), -1);
}

TEST(WindowLayout, ResizingKeepsSimulationAtTheBottomAndSelectionFillingTheRest) {
    LayoutInput in = Designed();
    in.client_width = 700;
    in.client_height = 300;
    std::vector<Rect> r = LayoutControls(in);
    ExpectRect(r[kGrpSimulace], 0, 242, 700, 58, "grpSimulace");
    ExpectRect(r[kGrpVyberlinky], 0, 0, 700, 242, "grpVyberlinky");
    EXPECT_EQ(r[kBtnStart].top, 242 + 24) << "controls move with their group box";
    EXPECT_EQ(r[kBtnPlay].left, 128);
    EXPECT_EQ(r[kCmbLinka].width, 369) << "the drop-down list keeps its designed width";
    EXPECT_EQ(r[kLblHlaseni].right(), 700 - kLabelRightMargin) << "a value label reaches to the right edge";

    // Smaller than the bottom group: it takes what there is, the other gets nothing.
    in.client_height = 40;
    in.client_width = -5;
    r = LayoutControls(in);
    ExpectRect(r[kGrpSimulace], 0, 0, 0, 40, "grpSimulace, tiny");
    ExpectRect(r[kGrpVyberlinky], 0, 0, 0, 0, "grpVyberlinky, tiny");
    EXPECT_EQ(r[kLblHlaseni].width, 0) << "no negative widths";
}

TEST(WindowLayout, HighDpiScalesPlacesAndLabelsFollowTheirMeasuredCaptions) {
    LayoutInput in = Designed(144);
    in.text_height = 24;
    in.text_widths.assign(kControlCount, 0);
    in.text_widths[kLblUzivatelskeHlaseni] = 150;  // fits before the value (at 175)
    in.text_widths[kLblPristiZastavka] = 100;      // wider than designed: the value moves right
    std::vector<Rect> r = LayoutControls(in);
    ExpectRect(r[kGrpSimulace], 0, 131, 675, 87, "grpSimulace");
    ExpectRect(r[kGrpVyberlinky], 0, 0, 675, 131, "grpVyberlinky");
    ExpectRect(r[kCmbLinka], 17, 36, 554, 32, "cmbLinka");  // 16.5 -> 17, 553.5 -> 554, 31.5 -> 32
    ExpectRect(r[kBtnStart], 12, 131 + 36, 113, 38, "btnStart");
    ExpectRect(r[kLblUzivatelskeHlaseni], 20, 75, 150, 24, "lblUzivatelskeHlaseni");
    EXPECT_EQ(r[kLblHlaseniPopis].left, 176) << "the designed place when the caption fits (117 * 1.5)";
    EXPECT_EQ(r[kLblPristiZastavka].width, 100);
    EXPECT_EQ(r[kLblHlaseni].left, 20 + 100 + ScaleToDpi(kLabelGap, 144))
        << "pushed right by the wide caption";
    EXPECT_EQ(r[kLblHlaseni].right(), 675 - ScaleToDpi(kLabelRightMargin, 144));
    EXPECT_EQ(r[kLblHlaseni].height, 24) << "a taller font makes taller labels";
}

TEST(WindowLayout, PlacesTheWindowInsideTheWorkArea) {
    const Rect screen{0, 0, 1280, 1024};
    Rect w = PlaceInWorkArea(Rect{524, 136, 458, 172}, screen);
    ExpectRect(w, 524, 136, 458, 172, "fits: unchanged");
    w = PlaceInWorkArea(Rect{524, 136, 458, 172}, Rect{0, 0, 800, 240});
    ExpectRect(w, 342, 68, 458, 172, "moved back onto a small screen");
    w = PlaceInWorkArea(Rect{524, 136, 458, 172}, Rect{1920, 40, 1920, 1040});
    ExpectRect(w, 1920, 136, 458, 172, "a work area to the right of the origin");
    w = PlaceInWorkArea(Rect{524, 136, 458, 172}, Rect{0, 0, 400, 100});
    ExpectRect(w, 0, 0, 400, 100, "larger than the screen: cut to it");
}

}  // namespace
}  // namespace vkm
