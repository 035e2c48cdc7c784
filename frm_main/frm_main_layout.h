// The main window's controls and where they go: the designed table (pixels at
// 96 DPI) and the layout that scales it to the screen and follows the window's size.
// Portable: the Win32 window (frm_main_win32) creates and places its controls from it.
#pragma once

#include <vector>

namespace vkm {

// kButton is the window's default button; kPushButton any other that the keyboard reaches.
enum class ControlKind { kGroup, kDropDownList, kButton, kPushButton, kSpeedButton, kLabel };
enum class FontKind { kRegular, kBold, kLargeBold };

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
};

// Indexes into MainWindowControls(), in creation order (which is also the
// z-order and the tab order of the window). The keyboard reaches Start, the drop-down
// list and the list of announcements' button, each a group of its own; the speed buttons
// are for the mouse.
// A new control is an index here and a row in the table (frm_main_layout.cpp); a button's
// click is a row in kClicks (frm_main_win32.cpp).
enum ControlIndex {
    kGrpSimulace,
    kBtnStart,
    kBtnJedenZpet,
    kBtnPlay,
    kBtnJedenVpred,
    kSbtnStop,
    kLblKlavesy,
    kGrpVyberlinky,
    kCmbLinka,
    kSbtnOpenFile,
    kLblUzivatelskeHlaseni,
    kLblHlaseniPopis,
    kLblPristiZastavka,
    kLblHlaseni,
    kBtnSeznam,
    kControlCount
};

struct ControlSpec {
    int id;  // the child window's control id
    ControlKind kind;
    int parent;           // index of the group box that holds the control, -1 for the window
    Rect designed;        // relative to the parent group box; labels size to their text
    const char* caption;  // UTF-8
    FontKind font;
    bool tab_stop;
    // Starts a group of controls (WS_GROUP): the arrow keys move the focus only
    // within a group, which runs up to the next control that starts one.
    bool starts_group;
    // A label that shows the text of the control before it: it starts after that
    // control (a label's text) at the earliest and reaches to the right edge of its
    // group, or to a control to its right in its row.
    bool follows_label;
};

const std::vector<ControlSpec>& MainWindowControls();

constexpr const char* kWindowCaption = "Vlakomluv pro MSTS";

// The window as designed, at 96 DPI.
constexpr int kDesignedDpi = 96;
constexpr int kDesignedLeft = 524;
constexpr int kDesignedTop = 136;
constexpr int kDesignedClientWidth = 450;
constexpr int kDesignedClientHeight = 145;     // the two group boxes, 87 + 58
constexpr int kDesignedFontHeight = 11;        // 8 points
constexpr int kDesignedLargeFontHeight = 13;   // 10 points
constexpr int kDesignedComboListHeight = 200;  // the dropped-down list below the field
constexpr int kLabelGap = 3;                   // between a label's text and the label after it
constexpr int kLabelRightMargin = 8;

// value designed at 96 DPI, for dpi; halves round away from zero.
int ScaleToDpi(int value, int dpi);

// Font height (as a negative character height, the Windows way) of a font kind at dpi.
int FontHeight(FontKind font, int dpi);

struct LayoutInput {
    int client_width = 0;
    int client_height = 0;
    int dpi = kDesignedDpi;
    int text_height = 0;  // of the regular font, in pixels; 0 takes the designed 13 scaled
    // Width in pixels of each label's text (by ControlIndex); 0 where not measured.
    std::vector<int> text_widths;
};

// Rectangles of all controls in window client coordinates, by ControlIndex.
// grpSimulace keeps its designed height at the bottom edge, grpVyberlinky fills the
// rest; controls keep their designed places inside their group boxes.
std::vector<Rect> LayoutControls(const LayoutInput& in);

// The window's rectangle moved (not resized, unless it is larger) into the work
// area, so that a designed place off the screen still shows the whole window.
Rect PlaceInWorkArea(Rect window, const Rect& work_area);

}  // namespace vkm
