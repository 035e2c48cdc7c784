#include "frm_main/frm_main_layout.h"

#include <algorithm>
#include <iterator>

namespace vkm {

const std::vector<ControlSpec>& MainWindowControls() {
    using K = ControlKind;
    using F = FontKind;
    constexpr int kWindow = -1;
    // A row per control, in the order of ControlIndex: id, kind, parent, designed place, caption,
    // font, tab stop, starts a group, follows a label (see ControlSpec).
    // clang-format off
    static constexpr ControlSpec kRows[] = {
        {101, K::kGroup,        kWindow,        {0, 87, 450, 58},  " &Simulace a testy ",   F::kRegular,   false, true,  false},  // grpSimulace
        {102, K::kButton,       kGrpSimulace,   {8, 24, 75, 25},   "Start",                 F::kBold,      true,  true,  false},  // btnStart
        {103, K::kSpeedButton,  kGrpSimulace,   {104, 24, 23, 22}, "-1",                    F::kLargeBold, false, true,  false},  // btnJedenZpet
        {104, K::kSpeedButton,  kGrpSimulace,   {128, 24, 23, 22}, ">",                     F::kLargeBold, false, false, false},  // btnPlay
        {105, K::kSpeedButton,  kGrpSimulace,   {152, 24, 23, 22}, "+1",                    F::kLargeBold, false, false, false},  // btnJedenVpred
        {113, K::kSpeedButton,  kGrpSimulace,   {176, 24, 23, 22}, "\u25A0",                F::kLargeBold, false, false, false},  // sbtnStop
        {114, K::kLabel,        kGrpSimulace,   {206, 29, 0, 13},  "",                      F::kRegular,   false, false, true},   // lblKlavesy
        {106, K::kGroup,        kWindow,        {0, 0, 450, 87},   " &Výběr linky ",        F::kRegular,   false, true,  false},  // grpVyberlinky
        {107, K::kDropDownList, kGrpVyberlinky, {11, 24, 369, 21}, "",                      F::kRegular,   true,  true,  false},  // cmbLinka
        {108, K::kSpeedButton,  kGrpVyberlinky, {382, 23, 23, 22}, "...",                   F::kBold,      false, true,  false},  // sbtnOpenFile
        {109, K::kLabel,        kGrpVyberlinky, {13, 50, 0, 13},   "Uživatelské hlášení :", F::kRegular,   false, true,  false},  // lblUzivatelskeHlaseni
        {110, K::kLabel,        kGrpVyberlinky, {117, 50, 0, 13},  "''",                    F::kRegular,   false, false, true},   // lblHlaseniPopis
        {111, K::kLabel,        kGrpVyberlinky, {13, 67, 0, 13},   "Hlášení : ",            F::kRegular,   false, false, false},  // lblPristiZastavka
        {112, K::kLabel,        kGrpVyberlinky, {61, 67, 0, 13},   "''",                    F::kRegular,   false, false, true},   // lblHlaseni
        {115, K::kPushButton,   kGrpVyberlinky, {382, 64, 23, 18}, "\u25BC",                F::kRegular,   true,  true,  false},  // btnSeznam
    };
    // clang-format on
    static_assert(sizeof kRows / sizeof kRows[0] == kControlCount, "a row for each ControlIndex");
    static const std::vector<ControlSpec> controls(std::begin(kRows), std::end(kRows));
    return controls;
}

int ScaleToDpi(int value, int dpi) {
    long long v = static_cast<long long>(value) * dpi;
    long long half = kDesignedDpi / 2;
    return static_cast<int>(v >= 0 ? (v + half) / kDesignedDpi : -((-v + half) / kDesignedDpi));
}

int FontHeight(FontKind font, int dpi) {
    return -ScaleToDpi(font == FontKind::kLargeBold ? kDesignedLargeFontHeight : kDesignedFontHeight, dpi);
}

std::vector<Rect> LayoutControls(const LayoutInput& in) {
    const auto& controls = MainWindowControls();
    const int dpi = in.dpi > 0 ? in.dpi : kDesignedDpi;
    auto s = [dpi](int v) { return ScaleToDpi(v, dpi); };
    const int width = std::max(0, in.client_width);
    const int height = std::max(0, in.client_height);
    const int text_height = in.text_height > 0 ? in.text_height : s(13);

    std::vector<Rect> out(controls.size());
    const int bottom_height = std::min(height, s(controls[kGrpSimulace].designed.height));
    out[kGrpSimulace] = {0, height - bottom_height, width, bottom_height};
    out[kGrpVyberlinky] = {0, 0, width, height - bottom_height};

    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ControlSpec& c = controls[i];
        if (c.parent < 0) continue;
        const Rect& group = out[static_cast<std::size_t>(c.parent)];
        Rect r{group.left + s(c.designed.left), group.top + s(c.designed.top), s(c.designed.width),
               s(c.designed.height)};
        if (c.kind == ControlKind::kLabel) {
            r.height = std::max(r.height, text_height);
            if (c.follows_label) {
                const Rect& before = out[i - 1];
                r.left = std::max(r.left, before.right() + s(kLabelGap));
                int right = group.right() - s(kLabelRightMargin);
                for (const ControlSpec& other : controls)  // a control to its right in its row
                    if (other.parent == c.parent && other.designed.left > c.designed.left &&
                        other.designed.top < c.designed.bottom() && other.designed.bottom() > c.designed.top)
                        right = std::min(right, group.left + s(other.designed.left) - s(kLabelGap));
                r.width = std::max(0, right - r.left);
            } else {
                int measured = i < in.text_widths.size() ? in.text_widths[i] : 0;
                r.width =
                    measured > 0 ? measured : s(controls[i + 1].designed.left - c.designed.left - kLabelGap);
            }
        }
        out[i] = r;
    }
    return out;
}

Rect PlaceInWorkArea(Rect window, const Rect& work_area) {
    window.width = std::min(window.width, work_area.width);
    window.height = std::min(window.height, work_area.height);
    window.left = std::max(work_area.left, std::min(window.left, work_area.right() - window.width));
    window.top = std::max(work_area.top, std::min(window.top, work_area.bottom() - window.height));
    return window;
}

}  // namespace vkm
