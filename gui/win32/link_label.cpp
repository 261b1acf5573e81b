#include "gui/win32/link_label.h"

#include "gui/win32/controls.h"
#include "gui/win32/event_dispatch.h"

#include <windowsx.h>

namespace ledgerine::gui::win32 {
namespace {

constexpr wchar_t kLabelProperty[] = L"LedgerineLinkLabel";
constexpr UINT_PTR kSubclassId = 1;

ShellOpener& shellOpener() {
    static ShellOpener opener;
    return opener;
}

void openTarget(const std::wstring& target) {
    if (shellOpener()) {
        shellOpener()(target);
        return;
    }
    ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOW);
}

} // namespace

void setShellOpener(ShellOpener opener) {
    shellOpener() = std::move(opener);
}

LinkLabel::LinkLabel(HWND parent, const std::wstring& text, const std::wstring& target,
                     DWORD alignment, HFONT font)
    : target_(target), creationFont_(font) {
    SIZE size = textExtent(font, text);
    handle_ = CreateWindowExW(
        0, L"Static", text.c_str(), WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_CENTERIMAGE | alignment,
        0, 0, size.cx, size.cy, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!handle_) raiseLastError("CreateWindowExW Static");
    SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetPropW(handle_, kLabelProperty, this);
    SetWindowSubclass(handle_, &LinkLabel::subclassProcedure, kSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
}

LinkLabel::~LinkLabel() {
    if (IsWindow(handle_)) {
        RemoveWindowSubclass(handle_, &LinkLabel::subclassProcedure, kSubclassId);
        RemovePropW(handle_, kLabelProperty);
    }
}

LinkLabel* LinkLabel::fromHandle(HWND handle) noexcept {
    return static_cast<LinkLabel*>(GetPropW(handle, kLabelProperty));
}

void LinkLabel::setNormalFont(Font font) {
    normalFont_ = std::move(font);
    if (!hovered_) useFont(normalFont_.handle());
    fit();
}

void LinkLabel::setHoverFont(Font font) {
    hoverFont_ = std::move(font);
    if (hovered_) useFont(hoverFont_.handle());
}

void LinkLabel::setLabel(const std::wstring& text) {
    if (!SetWindowTextW(handle_, text.c_str())) raiseLastError("link label text");
}

void LinkLabel::useFont(HFONT font) {
    if (!font) font = normalFont_.handle() ? normalFont_.handle() : creationFont_;
    SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void LinkLabel::fit() {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(handle_, WM_GETFONT, 0, 0));
    SIZE size = textExtent(font, windowText(handle_));
    SetWindowPos(handle_, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void LinkLabel::repaint() {
    InvalidateRect(handle_, nullptr, TRUE);
}

void LinkLabel::enter() {
    hovered_ = true;
    useFont(hoverFont_.handle());
    colour_ = pressed_ ? kLinkPressedColour : visited_ ? kLinkVisitedColour : kLinkNormalColour;
    fit();
    repaint();
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = handle_;
    TrackMouseEvent(&track);
}

void LinkLabel::leave() {
    hovered_ = false;
    useFont(normalFont_.handle());
    colour_ = visited_ ? kLinkVisitedColour : kLinkNormalColour;
    fit();
    repaint();
}

void LinkLabel::press() {
    pressed_ = true;
    SetCapture(handle_);
    colour_ = kLinkPressedColour;
    repaint();
}

void LinkLabel::release() {
    bool wasPressed = pressed_;
    pressed_ = false;
    if (GetCapture() == handle_) ReleaseCapture();
    colour_ = visited_ ? kLinkVisitedColour : kLinkNormalColour;
    repaint();
    if (hovered_ && wasPressed) {
        if (!target_.empty()) openTarget(target_);
        visited_ = true;
    }
}

LRESULT CALLBACK LinkLabel::subclassProcedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam, UINT_PTR, DWORD_PTR data) noexcept {
    auto* self = reinterpret_cast<LinkLabel*>(data);
    switch (message) {
    case WM_SETCURSOR:
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    case WM_MOUSEMOVE: {
        RECT client{};
        GetClientRect(window, &client);
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        bool inside = PtInRect(&client, point) != FALSE;
        // While the button is held the label has the capture and sees moves outside it too.
        if (inside && !self->hovered_)
            dispatchEvent(window, [self] { self->enter(); });
        else if (!inside && self->hovered_)
            dispatchEvent(window, [self] { self->leave(); });
        return 0;
    }
    case WM_MOUSELEAVE:
        if (self->hovered_ && GetCapture() != window)
            dispatchEvent(window, [self] { self->leave(); });
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        dispatchEvent(window, [self] { self->press(); });
        return 0;
    case WM_LBUTTONUP:
        dispatchEvent(window, [self] { self->release(); });
        return 0;
    case WM_CAPTURECHANGED:
        // Another window took the mouse: the press can no longer complete.
        if (self->pressed_ && reinterpret_cast<HWND>(lParam) != window) {
            self->pressed_ = false;
            self->colour_ = self->visited_ ? kLinkVisitedColour : kLinkNormalColour;
            self->repaint();
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, &LinkLabel::subclassProcedure, kSubclassId);
        RemovePropW(window, kLabelProperty);
        break;
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

} // namespace ledgerine::gui::win32
