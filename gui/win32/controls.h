// The toolkit's windows over the wide Win32 API: the top-level window, a plain panel with a
// size-change event, the rich text box (RICHEDIT50W from msftedit.dll, else a plain Edit),
// push buttons and a one-field status bar. Each wrapper owns its window's C++ side; the
// windows themselves are destroyed with their parent. Events run through dispatchEvent().
//
// Raises base::OSError when a window class cannot be registered or a window not created.
#pragma once

#include "gui/win32/fonts.h"
#include "gui/win32/win.h"

#include <functional>
#include <map>
#include <string>

namespace ledgerine::gui::win32 {

// A control's box in its parent's client coordinates.
RECT childBox(HWND child);
// Moves and sizes a child without changing its Z order or activation.
void moveChild(HWND child, int x, int y, int width, int height);
// The size of a window's client area.
SIZE clientSize(HWND window);
// A window's text.
std::wstring windowText(HWND window);

// A window of one of the toolkit's own classes: messages reach handle() through one
// noexcept window procedure.
class OwnWindow {
public:
    OwnWindow() = default;
    virtual ~OwnWindow();
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;
    HWND handle() const noexcept { return handle_; }

protected:
    // Creates the window of class className (registered on first use) for this object.
    void create(const wchar_t* className, HBRUSH background, DWORD exStyle, DWORD style,
                const std::wstring& text, int x, int y, int width, int height, HWND parent);
    // Handles a message; the default is DefWindowProcW.
    virtual LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    virtual void destroyed() noexcept {}

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam,
                                      LPARAM lParam) noexcept;
    HWND handle_ = nullptr;
};

// The top-level window: title, outer size, styles, small icon, hidden until shown. Its client
// area holds the panel set by setContent() above the status bar set by setStatusBar().
class TopLevelWindow : public OwnWindow {
public:
    TopLevelWindow(const std::wstring& title, int width, int height, DWORD style, DWORD exStyle);
    ~TopLevelWindow() override;
    void setTitle(const std::wstring& title);
    // The first icon group of the executable, as the small icon (ICON_SMALL).
    void setSmallIconFromResource(int resourceId);
    void setContent(HWND content) noexcept { content_ = content; }
    void setStatusBar(HWND statusBar) noexcept { statusBar_ = statusBar; }
    // Sizes the content to the client area less the status bar (not while minimised).
    void arrangeChildren() noexcept;
    bool alive() const noexcept { return alive_; }

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept override;
    void destroyed() noexcept override;

private:
    HWND content_ = nullptr;
    HWND statusBar_ = nullptr;
    HICON smallIcon_ = nullptr;
    bool alive_ = true;
};

// A plain child window in COLOR_BTNFACE. Reports size changes and routes its children's
// click notifications and static colours.
class Panel : public OwnWindow {
public:
    explicit Panel(HWND parent);
    // Runs on every change of the panel's size, with the new client size.
    void onSizeChanged(std::function<void(int, int)> handler) { sizeChanged_ = std::move(handler); }
    // Runs when the child button sends BN_CLICKED; an error shows the box owned by button.
    void onClick(HWND button, std::function<void()> handler);
    // The text colour of a static child; unset statics keep the system's.
    void setStaticColourSource(std::function<bool(HWND, COLORREF&)> source) {
        staticColour_ = std::move(source);
    }

protected:
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept override;

private:
    std::function<void(int, int)> sizeChanged_;
    std::map<HWND, std::function<void()>> clicks_;
    std::function<bool(HWND, COLORREF&)> staticColour_;
};

// The read-only multi-line rich text box; a plain Edit when msftedit.dll is missing.
class RichTextBox {
public:
    // Created at (0, 0), width × height, with ES_MULTILINE | ES_READONLY and WS_EX_CLIENTEDGE;
    // a plain Edit when msftedit.dll cannot be loaded or allowRich is false.
    RichTextBox(HWND parent, int width, int height, bool allowRich = true);
    HWND handle() const noexcept { return handle_; }
    bool isRich() const noexcept { return rich_; }
    void setMargins(int left, int right);
    // Sets the font, which is also the default character format.
    void setFont(HFONT font);
    // Plain text; line feeds become line breaks.
    void setPlainText(const std::string& text);
    // Replaces the content with an RTF document (EM_STREAMIN with SF_RTF).
    void streamRtf(const std::string& rtf);
    // The height of a one-line edit box in font.
    static int lineBoxHeight(HFONT font);

private:
    HWND handle_ = nullptr;
    bool rich_ = false;
};

// A push button at the default size of 50 × 14 dialog units of the creation font.
class PushButton {
public:
    PushButton(HWND parent, const std::wstring& text, HFONT creationFont);
    HWND handle() const noexcept { return handle_; }
    void setFont(HFONT font);
    // 50 × 14 dialog units of font.
    static SIZE defaultSize(HFONT font);

private:
    HWND handle_ = nullptr;
};

// A status bar with one text field, at the bottom of its parent.
class StatusBar {
public:
    explicit StatusBar(HWND parent);
    HWND handle() const noexcept { return handle_; }
    // SB_SETTEXT for field 0, no drawing flags.
    void setText(const std::wstring& text);
    std::wstring text() const;

private:
    HWND handle_ = nullptr;
};

} // namespace ledgerine::gui::win32
