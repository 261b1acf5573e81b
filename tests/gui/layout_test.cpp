#include "base/errors.h"
#include "gui/layout.h"
#include "gui/solver.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>
#include <vector>

namespace ledgerine::gui {

std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << "{" << r.x << ", " << r.y << ", " << r.w << ", " << r.h << "}";
}
std::ostream& operator<<(std::ostream& out, const PanelRects& p) {
    return out << "help " << p.helpBox << " home " << p.homeLink << " folder " << p.folderButton
               << " file " << p.fileButton << " contact " << p.contactLink;
}

namespace {

// The controls as created: at (0, 0) with their natural sizes. Buttons 75 × 23 (50 × 14
// dialog units), the links fitted to their texts, the help box 120 wide and three edit lines
// tall.
constexpr Rect kHomeText{0, 0, 68, 19};
constexpr Rect kContactText{0, 0, 86, 17};
const PanelRects kCreated{{0, 0, 120, 78}, kHomeText, {0, 0, 75, 23}, {0, 0, 75, 23}, kContactText};

constexpr int kWidth = 399; // the panel of a 415 × 360 window
constexpr int kHeight = 299;

// The first layout: the row on the bottom edge at the buttons' height, home link and buttons
// at their natural widths, the contact link taking the rest up to 15 pixels from the right.
const PanelRects kFirst{{0, 0, 399, 276},
                        {15, 276, 68, 23},
                        {93, 276, 75, 23},
                        {178, 276, 75, 23},
                        {263, 276, 121, 23}};

PanelRects with(PanelRects p, int helpW, int helpH, int rowY, int contactW) {
    p.helpBox.w = helpW;
    p.helpBox.h = helpH;
    p.homeLink.y = p.folderButton.y = p.fileButton.y = p.contactLink.y = rowY;
    p.contactLink.w = contactW;
    return p;
}

TEST(Layout, IsBuiltByTheFirstLayoutOnly) {
    LayoutState state;
    EXPECT_FALSE(state.built());
    EXPECT_EQ(state.constraintCount(), 0);
    state.layoutPanel(kWidth, kHeight, kCreated);
    EXPECT_TRUE(state.built());
    EXPECT_EQ(state.constraintCount(), 16);
    EXPECT_EQ(state.editVariableCount(), 24);
    state.layoutPanel(kWidth + 1, kHeight, kFirst);
    EXPECT_EQ(state.constraintCount(), 16);
    EXPECT_EQ(state.editVariableCount(), 24);
}

TEST(Layout, StrengthsSitJustBelowRequired) {
    EXPECT_EQ(kPanelStrength, strength::required - 1.0);
    EXPECT_EQ(kPositionStrength, 0.01);
    EXPECT_EQ(kSizeStrength, 0.1);
}

TEST(Layout, FirstLayoutOfTheCreatedControls) {
    LayoutState state;
    EXPECT_EQ(state.layoutPanel(kWidth, kHeight, kCreated), kFirst);
}

// Each step lays out from the result of the step before, as the window does on every size
// change.
TEST(Layout, SizeChangesGoToContactLinkWidthAndHelpBoxHeight) {
    struct Step {
        const char* what;
        int width, height;
        PanelRects expected;
    };
    const std::vector<Step> steps = {
        {"first layout", kWidth, kHeight, kFirst},
        {"100 wider", kWidth + 100, kHeight, with(kFirst, 499, 276, 276, 221)},
        {"50 taller", kWidth + 100, kHeight + 50, with(kFirst, 499, 326, 326, 221)},
        {"back to the start", kWidth, kHeight, kFirst},
        {"restored to the same size", kWidth, kHeight, kFirst},
        {"narrower than the row: only the contact link shrinks, past nothing", 250, kHeight,
         with(kFirst, 250, 276, 276, -28)},
        {"lower than the row: only the help box shrinks, past nothing", 250, 10,
         with(kFirst, 250, -13, -13, -28)},
        {"maximised", 1920, 1017, with(kFirst, 1920, 994, 994, 1642)},
        {"back again", kWidth, kHeight, kFirst},
    };
    LayoutState state;
    PanelRects current = kCreated;
    for (const Step& step : steps) {
        current = state.layoutPanel(step.width, step.height, current);
        EXPECT_EQ(current, step.expected) << step.what;
    }
}

// Many size changes in a row, shrinking past nothing and growing again: every layout follows
// the same rule, and the solver neither drifts nor loses its way.
TEST(Layout, ManySizeChangesFollowTheSameRule) {
    LayoutState state;
    PanelRects current = state.layoutPanel(kWidth, kHeight, kCreated);
    unsigned seed = 12345;
    auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<unsigned>(range));
    };
    for (int step = 0; step < 300; ++step) {
        int width = next(2500) - 100;
        int height = next(1500) - 50;
        current = state.layoutPanel(width, height, current);
        ASSERT_EQ(current, with(kFirst, width, height - 23, height - 23, width - 278))
            << "step " << step << " at " << width << " x " << height;
    }
    EXPECT_EQ(state.layoutPanel(kWidth, kHeight, current), kFirst);
}

// Minimising and restoring: whether or not a collapsed panel is laid out in between, and
// even if the toolkit clamps the negative sizes it got to zero, the restored layout is the
// one before.
TEST(Layout, MinimiseAndRestoreGiveTheSameLayout) {
    LayoutState state;
    PanelRects before = state.layoutPanel(kWidth, kHeight, kCreated);
    EXPECT_EQ(state.layoutPanel(kWidth, kHeight, before), before);

    PanelRects collapsed = state.layoutPanel(0, 0, before);
    EXPECT_EQ(state.layoutPanel(kWidth, kHeight, collapsed), before);

    collapsed = state.layoutPanel(0, 0, before);
    for (Rect PanelRects::*control : {&PanelRects::helpBox, &PanelRects::contactLink}) {
        Rect& r = collapsed.*control;
        r.w = std::max(r.w, 0);
        r.h = std::max(r.h, 0);
    }
    EXPECT_EQ(state.layoutPanel(kWidth, kHeight, collapsed), before);
}

// Hovering a stretched link label fits it to its text at the left end of its box; the next
// size change stretches it again from that fitted size.
TEST(Layout, FittedContactLinkIsStretchedAgainByTheNextLayout) {
    LayoutState state;
    PanelRects current = state.layoutPanel(kWidth, kHeight, kCreated);
    current.contactLink = fitToText(current.contactLink, kContactText.w, kContactText.h);
    EXPECT_EQ(current.contactLink, (Rect{263, 276, 86, 17}));

    PanelRects next = state.layoutPanel(kWidth + 10, kHeight, current);
    EXPECT_EQ(next, with(kFirst, 409, 276, 276, 131));

    // Both links fitted: the row still takes the buttons' height.
    next.homeLink = fitToText(next.homeLink, kHomeText.w, kHomeText.h);
    next.contactLink = fitToText(next.contactLink, kContactText.w, kContactText.h);
    EXPECT_EQ(state.layoutPanel(kWidth, kHeight, next), kFirst);
}

// Wider natural links: home link and buttons keep their widths, whatever they are.
TEST(Layout, NaturalWidthsOfTheRowAreKept) {
    PanelRects created = kCreated;
    created.homeLink = Rect{0, 0, 90, 21};
    created.folderButton = created.fileButton = Rect{0, 0, 88, 26};
    LayoutState state;
    PanelRects r = state.layoutPanel(500, 400, created);
    EXPECT_EQ(r.helpBox, (Rect{0, 0, 500, 374}));
    EXPECT_EQ(r.homeLink, (Rect{15, 374, 90, 26}));
    EXPECT_EQ(r.folderButton, (Rect{115, 374, 88, 26}));
    EXPECT_EQ(r.fileButton, (Rect{213, 374, 88, 26}));
    EXPECT_EQ(r.contactLink, (Rect{311, 374, 174, 26}));
}

TEST(Layout, CoordinateBeyondThirtyTwoBitsRaisesOverflow) {
    LayoutState state;
    PanelRects first = state.layoutPanel(kWidth, kHeight, kCreated);
    // The contact link's width would be the panel's width less 278.
    EXPECT_THROW(state.layoutPanel(std::numeric_limits<int>::min(), kHeight, first),
                 base::OverflowError);
}

TEST(Layout, RoundsHalfAwayFromZero) {
    struct Case {
        double value;
        int expected;
    };
    const std::vector<Case> cases = {
        {2.5, 3},
        {-2.5, -3},
        {0.5, 1},
        {-0.5, -1},
        {2.4999999, 2},
        {-2.4999999, -2},
        {275.9999999, 276},
        {276.0000001, 276},
        {0.0, 0},
        {-0.0, 0},
        {2147483647.4, 2147483647},
        {-2147483648.4, -2147483647 - 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(roundToPixel(c.value), c.expected) << c.value;

    for (double bad :
         {2147483647.5, -2147483648.5, std::nan(""), std::numeric_limits<double>::infinity()}) {
        try {
            roundToPixel(bad);
            ADD_FAILURE() << "no error for " << bad;
        } catch (const base::OverflowError& error) {
            EXPECT_EQ(error.report(), "over- or underflow [OverflowError]");
        }
    }
}

} // namespace
} // namespace ledgerine::gui
