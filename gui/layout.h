// The layout of the main window's content panel: the help box above one row of four controls
// (home link, folder button, file button, contact link) along the panel's bottom edge.
//
// LayoutState holds the constraint solver with the panel's and the five controls' variables
// and the sixteen required equalities. It is built by the first layoutPanel() and reused by
// every later one, which only suggests the twenty-four edit values again and lets the solver
// update incrementally. The preferences (panel 1 001 000 999, control x and y 0.01, w and h
// 0.1) make a change of the panel's width go wholly to the contact link's width and a change
// of its height wholly to the help box's height; nothing has a lower bound.
//
// Raises base::OverflowError when a resulting coordinate does not fit a 32-bit integer.
#pragma once

#include <memory>

namespace ledgerine::gui {

// A control's box in the panel's client coordinates.
struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool operator==(const Rect&) const = default;
};

// The five controls of the panel, by name. Their registration order is helpBox, homeLink,
// folderButton, fileButton, contactLink: the order in which they are laid out and moved.
struct PanelRects {
    Rect helpBox;
    Rect homeLink;
    Rect folderButton;
    Rect fileButton;
    Rect contactLink;
    bool operator==(const PanelRects&) const = default;
};

// The strengths of the panel's and of the controls' edit variables.
inline constexpr double kPanelStrength = 1001000999.0; // just below required
inline constexpr double kPositionStrength = 0.01;
inline constexpr double kSizeStrength = 0.1;

class LayoutState {
public:
    LayoutState();
    ~LayoutState();
    LayoutState(LayoutState&&) noexcept;
    LayoutState& operator=(LayoutState&&) noexcept;

    // Lays the panel out: suggests panel (0, 0, width, height) and each control's current box,
    // solves, and returns the boxes to move the controls to, each value rounded to whole
    // pixels (half away from zero). Builds the solver on the first call only.
    PanelRects layoutPanel(int width, int height, const PanelRects& current);

    // Whether the first layoutPanel() has built the solver.
    bool built() const noexcept;

    // Counts of the built solver (0 before the first layout): 16 and 24.
    int constraintCount() const noexcept;
    int editVariableCount() const noexcept;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// A link label fitted to its text: the box keeps its top-left corner and takes the text's
// size in the label's current font. Fitting does not lay the panel out again.
Rect fitToText(const Rect& box, int textWidth, int textHeight);

// value rounded to the nearest whole pixel, halves away from zero (2.5 → 3, −2.5 → −3).
// Raises base::OverflowError outside the 32-bit range or for a NaN.
int roundToPixel(double value);

} // namespace ledgerine::gui
