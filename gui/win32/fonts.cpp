#include "gui/win32/fonts.h"

#include <cmath>

namespace ledgerine::gui::win32 {
namespace {

Font fontFrom(const LOGFONTW& face) {
    HFONT handle = CreateFontIndirectW(&face);
    if (!handle) raiseLastError("CreateFontIndirectW");
    return Font(handle);
}

} // namespace

Font::~Font() {
    if (handle_) DeleteObject(handle_);
}

Font& Font::operator=(Font&& other) noexcept {
    if (this != &other) {
        if (handle_) DeleteObject(handle_);
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

int fontHeightForPoints(double points, int dpi) {
    return -static_cast<int>(std::lround(points * dpi / 72.0));
}

int screenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

LOGFONTW messageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return metrics.lfMessageFont;
    LOGFONTW face{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
    return face;
}

Font makeFont(double points, int weight, bool underline) {
    LOGFONTW face = messageFont();
    face.lfHeight = fontHeightForPoints(points, screenDpi());
    face.lfWidth = 0;
    face.lfWeight = weight;
    face.lfUnderline = underline ? TRUE : FALSE;
    face.lfItalic = FALSE;
    face.lfStrikeOut = FALSE;
    return fontFrom(face);
}

Font makeDefaultFont() {
    return fontFrom(messageFont());
}

SIZE textExtent(HFONT font, const std::wstring& text) {
    SIZE size{0, 0};
    HDC dc = GetDC(nullptr);
    if (!dc) return size;
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return size;
}

} // namespace ledgerine::gui::win32
