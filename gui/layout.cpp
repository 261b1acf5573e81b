#include "gui/layout.h"

#include "base/errors.h"
#include "gui/solver.h"

#include <array>
#include <cmath>
#include <string>

namespace ledgerine::gui {

namespace {

struct BoxVariables {
    Variable x;
    Variable y;
    Variable w;
    Variable h;

    explicit BoxVariables(const std::string& name)
        : x(name + ".x"), y(name + ".y"), w(name + ".w"), h(name + ".h") {}

    Expression right() const { return x + w; }
    Expression bottom() const { return y + h; }
};

// Registration order: the order of the edit variables, of the constraints and of the moves.
constexpr std::array<Rect PanelRects::*, 5> kControls = {
    &PanelRects::helpBox, &PanelRects::homeLink, &PanelRects::folderButton, &PanelRects::fileButton,
    &PanelRects::contactLink};

} // namespace

class LayoutState::Impl {
public:
    Impl()
        : panel_("panel"), boxes_{BoxVariables("helpBox"), BoxVariables("homeLink"),
                                  BoxVariables("folderButton"), BoxVariables("fileButton"),
                                  BoxVariables("contactLink")} {
        addEdits(panel_, kPanelStrength, kPanelStrength);
        const BoxVariables& p = panel_;
        const BoxVariables& help = boxes_[0];
        const BoxVariables& home = boxes_[1];
        const BoxVariables& folder = boxes_[2];
        const BoxVariables& file = boxes_[3];
        const BoxVariables& contact = boxes_[4];

        addEdits(help, kPositionStrength, kSizeStrength);
        add(help.x == p.x);
        add(help.right() == p.right());
        add(help.y == p.y);

        addEdits(home, kPositionStrength, kSizeStrength);
        add(home.x == p.x + 15);
        add(home.y == help.bottom());
        add(home.bottom() == p.bottom());

        addEdits(folder, kPositionStrength, kSizeStrength);
        add(folder.x == home.right() + 10);
        add(folder.y == help.bottom());
        add(folder.bottom() == p.bottom());

        addEdits(file, kPositionStrength, kSizeStrength);
        add(file.x == folder.right() + 10);
        add(file.y == help.bottom());
        add(file.bottom() == p.bottom());

        addEdits(contact, kPositionStrength, kSizeStrength);
        add(contact.x == file.right() + 10);
        add(contact.right() == p.right() - 15);
        add(contact.y == help.bottom());
        add(contact.bottom() == p.bottom());
    }

    PanelRects layout(int width, int height, const PanelRects& current) {
        suggest(panel_, Rect{0, 0, width, height});
        for (std::size_t i = 0; i < kControls.size(); ++i)
            suggest(boxes_[i], current.*kControls[i]);
        solver_.updateVariables();

        PanelRects result;
        for (std::size_t i = 0; i < kControls.size(); ++i) {
            const BoxVariables& box = boxes_[i];
            result.*kControls[i] = Rect{roundToPixel(box.x.value()), roundToPixel(box.y.value()),
                                        roundToPixel(box.w.value()), roundToPixel(box.h.value())};
        }
        return result;
    }

    int constraintCount() const { return static_cast<int>(solver_.constraintCount()); }
    int editVariableCount() const { return static_cast<int>(solver_.editVariableCount()); }

private:
    void addEdits(const BoxVariables& box, double position, double size) {
        solver_.addEditVariable(box.x, position);
        solver_.addEditVariable(box.y, position);
        solver_.addEditVariable(box.w, size);
        solver_.addEditVariable(box.h, size);
    }

    void add(const Constraint& constraint) { solver_.addConstraint(constraint); }

    void suggest(const BoxVariables& box, const Rect& rect) {
        solver_.suggestValue(box.x, rect.x);
        solver_.suggestValue(box.y, rect.y);
        solver_.suggestValue(box.w, rect.w);
        solver_.suggestValue(box.h, rect.h);
    }

    Solver solver_;
    BoxVariables panel_;
    std::array<BoxVariables, 5> boxes_;
};

LayoutState::LayoutState() = default;
LayoutState::~LayoutState() = default;
LayoutState::LayoutState(LayoutState&&) noexcept = default;
LayoutState& LayoutState::operator=(LayoutState&&) noexcept = default;

PanelRects LayoutState::layoutPanel(int width, int height, const PanelRects& current) {
    if (!impl_) impl_ = std::make_unique<Impl>();
    return impl_->layout(width, height, current);
}

bool LayoutState::built() const noexcept {
    return impl_ != nullptr;
}

int LayoutState::constraintCount() const noexcept {
    return impl_ ? impl_->constraintCount() : 0;
}

int LayoutState::editVariableCount() const noexcept {
    return impl_ ? impl_->editVariableCount() : 0;
}

Rect fitToText(const Rect& box, int textWidth, int textHeight) {
    return Rect{box.x, box.y, textWidth, textHeight};
}

int roundToPixel(double value) {
    // std::round rounds halves away from zero.
    double rounded = std::round(value);
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) throw base::overflowError();
    return static_cast<int>(rounded);
}

} // namespace ledgerine::gui
