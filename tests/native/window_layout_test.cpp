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
    EXPECT_EQ(ScaleToDpi(450, 120), 563);  // 562.5 rounds away from zero
    EXPECT_EQ(ScaleToDpi(13, 120), 16);    // 16.25
    EXPECT_EQ(ScaleToDpi(11, 120), 14);    // 13.75
    EXPECT_EQ(ScaleToDpi(-11, 120), -14);
    EXPECT_EQ(FontHeight(FontKind::kRegular, 144), -17);  // 16.5 rounds away from zero
}

bool Inside(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right() <= outer.right() &&
           inner.bottom() <= outer.bottom();
}

bool Overlap(const Rect& a, const Rect& b) {
    return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
}

bool TakesInput(const ControlSpec& c) {
    return c.kind == ControlKind::kButton || c.kind == ControlKind::kPushButton ||
           c.kind == ControlKind::kSpeedButton || c.kind == ControlKind::kDropDownList;
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
            EXPECT_TRUE(Inside(r[i], group)) << "control " << i;
            EXPECT_GE(r[i].top, group.top + caption_height) << "control " << i << " on its group's caption";
            EXPECT_GT(r[i].width, 0) << "control " << i;
            for (std::size_t j = i + 1; j < c.size(); ++j)
                if (c[j].parent == c[i].parent && (TakesInput(c[i]) || TakesInput(c[j]))) {
                    EXPECT_FALSE(Overlap(r[i], r[j])) << "control " << i << " and " << j;
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
            EXPECT_EQ(r[row[i]].top, r[kBtnStart].top) << "control " << row[i];
            EXPECT_GT(r[row[i]].left, r[row[i - 1]].left) << "control " << row[i] << " in its place";
            EXPECT_EQ(r[row[i]].width, r[kBtnJedenZpet].width) << "control " << row[i];
            EXPECT_EQ(r[row[i]].height, r[kBtnJedenZpet].height) << "control " << row[i];
        }
        EXPECT_EQ(r[kSbtnOpenFile].width, r[kBtnJedenZpet].width);
        EXPECT_GE(r[kSbtnOpenFile].left, r[kCmbLinka].right()) << "the open button after the list";
        EXPECT_LT(r[kSbtnOpenFile].top, r[kCmbLinka].bottom());
    }
}

// Start, the list of lines and the list of announcements' button are the only controls the
// keyboard reaches: Tab goes from one to the next, and each is a group of its own, so the arrow
// keys, which move within a group, leave the focus where it is. The speed buttons are for the mouse.
TEST(WindowLayout, TheKeyboardReachesStartTheListAndTheJumpOnlyEachAGroupOfItsOwn) {
    const auto& c = MainWindowControls();
    std::vector<int> tab_stops;
    for (const ControlSpec& s : c)
        if (s.tab_stop) tab_stops.push_back(s.id);
    EXPECT_EQ(tab_stops, (std::vector<int>{Spec(kBtnStart).id, Spec(kCmbLinka).id, Spec(kBtnSeznam).id}));

    ASSERT_TRUE(c.front().starts_group);
    for (std::size_t i = 0; i < c.size(); ++i) {
        if (c[i].kind == ControlKind::kSpeedButton) {
            EXPECT_FALSE(c[i].tab_stop) << "control " << i;
        }
        if (c[i].kind == ControlKind::kGroup) {
            EXPECT_TRUE(c[i].starts_group) << "control " << i;
        }
        if (!c[i].tab_stop) continue;
        // The group the focus is in: from the last group mark at or before it to the next one.
        std::size_t first = i, end = i + 1;
        while (!c[first].starts_group) --first;
        while (end < c.size() && !c[end].starts_group) ++end;
        for (std::size_t j = first; j < end; ++j) {
            if (j != i) {
                EXPECT_FALSE(TakesInput(c[j])) << "control " << j << " is in the group of " << i;
            }
        }
    }
    // A group box comes before the controls it holds, and they follow it.
    for (std::size_t i = 0; i < c.size(); ++i) {
        if (c[i].parent < 0) continue;
        const std::size_t group = static_cast<std::size_t>(c[i].parent);
        EXPECT_LT(group, i) << "control " << i;
        for (std::size_t j = group + 1; j < i; ++j) EXPECT_EQ(c[j].parent, c[i].parent) << "control " << i;
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
        // The dialog manager moves the focus to the first control with a tab stop after the box.
        const auto& c = MainWindowControls();
        const auto it =
            std::find_if(c.begin() + group + 1, c.end(), [](const ControlSpec& s) { return s.tab_stop; });
        ASSERT_NE(it, c.end()) << caption;
        EXPECT_EQ(it->parent, group) << caption;
    }
    EXPECT_EQ(letters, "SV");
}

// Resized or scaled, the bottom group keeps its height at the bottom, the other fills the rest,
// controls move with their group, labels follow their measured captions and reach to the edge.
TEST(WindowLayout, ResizingAndScalingMoveTheControlsWithTheirGroups) {
    for (LayoutInput in : Sizes()) {
        SCOPED_TRACE(in.dpi);
        const std::vector<Rect> designed = LayoutControls(Designed(in.dpi));
        in.client_width += 250;
        in.client_height += 100;
        const std::vector<Rect> r = LayoutControls(in);  // (the groups fill it: see above)
        EXPECT_EQ(r[kGrpSimulace].height, designed[kGrpSimulace].height);
        EXPECT_EQ(r[kBtnStart].top - r[kGrpSimulace].top,
                  designed[kBtnStart].top - designed[kGrpSimulace].top);
        EXPECT_EQ(r[kCmbLinka].width, designed[kCmbLinka].width) << "the list keeps its designed width";
        EXPECT_EQ(r[kLblHlaseni].right(), r[kBtnSeznam].left - ScaleToDpi(kLabelGap, in.dpi))
            << "up to its button";
        EXPECT_EQ(r[kLblKlavesy].right(), in.client_width - ScaleToDpi(kLabelRightMargin, in.dpi));
        const int caption = in.text_widths.empty() ? 0 : in.text_widths[kLblPristiZastavka];
        EXPECT_GE(r[kLblHlaseni].left, r[kLblPristiZastavka].left + caption) << "after its caption";
    }
    // Smaller than the bottom group: it takes what there is, the other gets nothing, nothing is negative.
    LayoutInput tiny = Designed();
    tiny.client_height = 40;
    tiny.client_width = -5;
    const std::vector<Rect> r = LayoutControls(tiny);
    ExpectRect(r[kGrpSimulace], 0, 0, 0, 40, "grpSimulace, tiny");
    ExpectRect(r[kGrpVyberlinky], 0, 0, 0, 0, "grpVyberlinky, tiny");
    for (const Rect& c : r) EXPECT_GE(c.width, 0);
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
