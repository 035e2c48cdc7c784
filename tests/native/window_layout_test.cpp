#include <gtest/gtest.h>

#include <set>
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

TEST(WindowLayout, ControlTableHasTheDesignedControls) {
    const auto& c = MainWindowControls();
    ASSERT_EQ(c.size(), static_cast<std::size_t>(kControlCount));
    std::set<int> ids;
    std::set<std::string> names;
    for (const ControlSpec& s : c) {
        ids.insert(s.id);
        names.insert(s.name);
    }
    EXPECT_EQ(ids.size(), c.size()) << "control ids must be unique";
    EXPECT_EQ(names.size(), c.size());

    EXPECT_STREQ(Spec(kGrpVyberlinky).caption, " &Výběr linky ");
    EXPECT_STREQ(Spec(kGrpSimulace).caption, " &Simulace a testy ");
    EXPECT_STREQ(Spec(kBtnStart).caption, "Start");
    EXPECT_STREQ(Spec(kBtnJedenZpet).caption, "-1");
    EXPECT_STREQ(Spec(kBtnPlay).caption, ">");
    EXPECT_STREQ(Spec(kBtnJedenVpred).caption, "+1");
    EXPECT_STREQ(Spec(kSbtnOpenFile).caption, "...");
    EXPECT_STREQ(Spec(kLblUzivatelskeHlaseni).caption, "Uživatelské hlášení :");
    EXPECT_STREQ(Spec(kLblPristiZastavka).caption, "Hlášení : ");
    EXPECT_STREQ(Spec(kLblHlaseni).caption, "''");
    EXPECT_STREQ(Spec(kLblHlaseniPopis).caption, "''");
    EXPECT_STREQ(kWindowCaption, "Vlakomluv pro MSTS");

    EXPECT_EQ(Spec(kCmbLinka).kind, ControlKind::DropDownList);
    EXPECT_EQ(Spec(kBtnStart).kind, ControlKind::Button);
    for (ControlIndex i : {kBtnJedenZpet, kBtnPlay, kBtnJedenVpred, kSbtnOpenFile}) {
        EXPECT_EQ(Spec(i).kind, ControlKind::SpeedButton) << Spec(i).name;
        EXPECT_FALSE(Spec(i).tab_stop) << Spec(i).name << ": a speed button is not in the tab order";
    }
    for (ControlIndex i : {kBtnJedenZpet, kBtnPlay, kBtnJedenVpred})
        EXPECT_EQ(Spec(i).font, FontKind::LargeBold) << Spec(i).name;
    EXPECT_EQ(Spec(kBtnStart).font, FontKind::Bold);
    EXPECT_EQ(Spec(kSbtnOpenFile).font, FontKind::Bold);
    EXPECT_EQ(Spec(kCmbLinka).font, FontKind::Regular);
    for (ControlIndex i : {kCmbLinka, kSbtnOpenFile, kLblUzivatelskeHlaseni, kLblHlaseniPopis,
                           kLblPristiZastavka, kLblHlaseni})
        EXPECT_EQ(Spec(i).parent, kGrpVyberlinky) << Spec(i).name;
    for (ControlIndex i : {kBtnStart, kBtnJedenZpet, kBtnPlay, kBtnJedenVpred})
        EXPECT_EQ(Spec(i).parent, kGrpSimulace) << Spec(i).name;
}

// Creation order is the tab order: Start comes first, then the drop-down list, and
// each group box's mnemonic lands on the control after it.
TEST(WindowLayout, TabOrderAndMnemonicsFollowCreationOrder) {
    std::vector<int> tab_stops;
    for (const ControlSpec& s : MainWindowControls())
        if (s.tab_stop) tab_stops.push_back(s.id);
    EXPECT_EQ(tab_stops, (std::vector<int>{Spec(kBtnStart).id, Spec(kCmbLinka).id}));

    EXPECT_EQ(MnemonicTarget(kGrpSimulace), Spec(kBtnStart).id);    // Alt+S
    EXPECT_EQ(MnemonicTarget(kGrpVyberlinky), Spec(kCmbLinka).id);  // Alt+V
    EXPECT_EQ(MnemonicTarget(kLblHlaseni), -1);
}

TEST(WindowLayout, DesignedSizeGivesTheDesignedPlaces) {
    LayoutInput in = Designed();
    std::vector<Rect> r = LayoutControls(in);
    ASSERT_EQ(r.size(), static_cast<std::size_t>(kControlCount));
    ExpectRect(r[kGrpVyberlinky], 0, 0, 450, 87, "grpVyberlinky");
    ExpectRect(r[kGrpSimulace], 0, 87, 450, 58, "grpSimulace");
    ExpectRect(r[kCmbLinka], 11, 24, 369, 21, "cmbLinka");
    ExpectRect(r[kSbtnOpenFile], 382, 23, 23, 22, "sbtnOpenFile");
    ExpectRect(r[kBtnStart], 8, 87 + 24, 75, 25, "btnStart");
    ExpectRect(r[kBtnJedenZpet], 104, 87 + 24, 23, 22, "btnJedenZpet");
    ExpectRect(r[kBtnPlay], 128, 87 + 24, 23, 22, "btnPlay");
    ExpectRect(r[kBtnJedenVpred], 152, 87 + 24, 23, 22, "btnJedenVpred");
    // Unmeasured labels: the caption reaches to just before its value, which reaches
    // to the group box's right edge.
    ExpectRect(r[kLblUzivatelskeHlaseni], 13, 50, 117 - 13 - kLabelGap, 13, "lblUzivatelskeHlaseni");
    ExpectRect(r[kLblHlaseniPopis], 117, 50, 450 - 117 - kLabelRightMargin, 13, "lblHlaseniPopis");
    ExpectRect(r[kLblPristiZastavka], 13, 67, 61 - 13 - kLabelGap, 13, "lblPristiZastavka");
    ExpectRect(r[kLblHlaseni], 61, 67, 450 - 61 - kLabelRightMargin, 13, "lblHlaseni");
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
