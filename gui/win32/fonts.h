// Fonts of the window shell. Every font starts from the system's message font (the default
// GUI font when the non-client metrics cannot be read), keeps its face and character set and
// sets only the size in points, the weight and the underline flag; italic and strike-out are
// off. A size in points becomes the character height −round(points × DPI ÷ 72), rounded half
// away from zero, at the screen's vertical DPI.
//
// Raises base::OSError when a font cannot be created.
#pragma once

#include "gui/win32/win.h"

namespace ledgerine::gui::win32 {

// Owns one GDI font.
class Font {
public:
    Font() = default;
    explicit Font(HFONT handle) : handle_(handle) {}
    ~Font();
    Font(Font&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    Font& operator=(Font&& other) noexcept;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    HFONT handle() const noexcept { return handle_; }

private:
    HFONT handle_ = nullptr;
};

// −(points × dpi ÷ 72) rounded half away from zero: 9.5 pt at 96 DPI gives −13.
int fontHeightForPoints(double points, int dpi);

// The screen's vertical DPI (LOGPIXELSY).
int screenDpi();

// The system's message font as it is.
LOGFONTW messageFont();

// The message font at points, weight and underline.
Font makeFont(double points, int weight, bool underline = false);

// The message font unchanged: the toolkit's default font for panels and buttons.
Font makeDefaultFont();

// Width and height of text drawn in font.
SIZE textExtent(HFONT font, const std::wstring& text);

} // namespace ledgerine::gui::win32
