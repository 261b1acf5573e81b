// A link label: a static text (SS_NOTIFY) that holds a target address and opens it with the
// shell's "open" verb when clicked. It has a normal and a hover font, three colours (normal
// blue, pressed red, visited purple), the hand pointer, and three flags driven by the mouse:
//   enter:   hovered; hover font; pressed/visited/normal colour; fit to text; repaint
//   leave:   not hovered; normal font; visited/normal colour; fit to text; repaint
//   press:   pressed; capture; pressed colour; repaint
//   release: not pressed; release capture; visited/normal colour; repaint; when hovered and
//            it was pressed: open the target (when not empty), then visited
// Fitting keeps the box's top-left corner and takes the text's size in the current font; it
// never lays the panel out again.
//
// Raises base::OSError when the control cannot be created.
#pragma once

#include "gui/win32/fonts.h"
#include "gui/win32/win.h"

#include <functional>
#include <string>

namespace ledgerine::gui::win32 {

inline constexpr COLORREF kLinkNormalColour = RGB(0, 0, 255);
inline constexpr COLORREF kLinkPressedColour = RGB(255, 0, 0);
inline constexpr COLORREF kLinkVisitedColour = RGB(85, 26, 139);

// Opens a target with the shell's "open" verb (no owner, no parameters, no folder, SW_SHOW);
// the result is ignored. Tests install their own to observe the call; an empty function
// restores the shell.
using ShellOpener = std::function<void(const std::wstring&)>;
void setShellOpener(ShellOpener opener);

class LinkLabel {
public:
    // alignment: SS_CENTER or SS_RIGHT; the text is always centred vertically. The label is
    // created at (0, 0), fitted to its text in font.
    LinkLabel(HWND parent, const std::wstring& text, const std::wstring& target, DWORD alignment,
              HFONT font);
    ~LinkLabel();
    LinkLabel(const LinkLabel&) = delete;
    LinkLabel& operator=(const LinkLabel&) = delete;

    HWND handle() const noexcept { return handle_; }
    // Sets the normal font and fits the box to the text again.
    void setNormalFont(Font font);
    // Takes effect the next time the pointer enters.
    void setHoverFont(Font font);
    // Replaces the label text without fitting the box.
    void setLabel(const std::wstring& text);
    void setTarget(const std::wstring& target) { target_ = target; }
    const std::wstring& target() const noexcept { return target_; }

    COLORREF colour() const noexcept { return colour_; }
    bool hovered() const noexcept { return hovered_; }
    bool pressed() const noexcept { return pressed_; }
    bool visited() const noexcept { return visited_; }
    HFONT normalFont() const noexcept { return normalFont_.handle(); }
    HFONT hoverFont() const noexcept { return hoverFont_.handle(); }

    // The label whose window is handle, or nullptr.
    static LinkLabel* fromHandle(HWND handle) noexcept;

private:
    static LRESULT CALLBACK subclassProcedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam, UINT_PTR id, DWORD_PTR data) noexcept;
    void enter();
    void leave();
    void press();
    void release();
    void fit();
    void useFont(HFONT font);
    void repaint();

    HWND handle_ = nullptr;
    std::wstring target_;
    Font normalFont_;
    Font hoverFont_;
    HFONT creationFont_ = nullptr;
    COLORREF colour_ = kLinkNormalColour;
    bool hovered_ = false;
    bool pressed_ = false;
    bool visited_ = false;
};

} // namespace ledgerine::gui::win32
