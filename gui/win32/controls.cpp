#include "gui/win32/controls.h"

#include "base/errors.h"
#include "gui/win32/application.h"
#include "gui/win32/event_dispatch.h"

#include <richedit.h>
#include <set>

namespace ledgerine::gui::win32 {
namespace {

HINSTANCE instance() {
    return GetModuleHandleW(nullptr);
}

void registerClassOnce(const wchar_t* name, WNDPROC procedure, HBRUSH background) {
    static std::set<std::wstring> registered;
    if (registered.count(name)) return;
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = procedure;
    cls.hInstance = instance();
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = background;
    cls.lpszClassName = name;
    if (!RegisterClassExW(&cls) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        raiseLastError("RegisterClassExW " + utf8(name));
    registered.insert(name);
}

HWND createControl(DWORD exStyle, const wchar_t* className, const std::wstring& text, DWORD style,
                   int x, int y, int width, int height, HWND parent) {
    HWND window = CreateWindowExW(exStyle, className, text.c_str(), style, x, y, width, height,
                                  parent, nullptr, instance(), nullptr);
    if (!window) raiseLastError("CreateWindowExW " + utf8(className));
    return window;
}

bool richEditAvailable() {
    static const bool loaded = LoadLibraryW(L"msftedit.dll") != nullptr;
    return loaded;
}

struct StreamSource {
    const std::string* bytes;
    size_t position;
};

DWORD CALLBACK streamCallback(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    size_t left = source->bytes->size() - source->position;
    size_t count = left < static_cast<size_t>(wanted) ? left : static_cast<size_t>(wanted);
    std::copy_n(source->bytes->data() + source->position, count, buffer);
    source->position += count;
    *given = static_cast<LONG>(count);
    return 0;
}

std::wstring withLineBreaks(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return wide(out);
}

} // namespace

RECT childBox(HWND child) {
    RECT box{};
    GetWindowRect(child, &box);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&box), 2);
    return box;
}

void moveChild(HWND child, int x, int y, int width, int height) {
    SetWindowPos(child, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE clientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return SIZE{client.right - client.left, client.bottom - client.top};
}

std::wstring windowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

// --- OwnWindow ----------------------------------------------------------------------------

OwnWindow::~OwnWindow() {
    if (handle_) SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
}

void OwnWindow::create(const wchar_t* className, HBRUSH background, DWORD exStyle, DWORD style,
                       const std::wstring& text, int x, int y, int width, int height, HWND parent) {
    registerClassOnce(className, &OwnWindow::procedure, background);
    HWND window = CreateWindowExW(exStyle, className, text.c_str(), style, x, y, width, height,
                                  parent, nullptr, instance(), this);
    if (!window) raiseLastError("CreateWindowExW " + utf8(className));
}

LRESULT OwnWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    return DefWindowProcW(handle_, message, wParam, lParam);
}

LRESULT CALLBACK OwnWindow::procedure(HWND window, UINT message, WPARAM wParam,
                                      LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<OwnWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->handle_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<OwnWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = self->onMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->handle_ = nullptr;
        self->destroyed();
    }
    return result;
}

// --- TopLevelWindow -----------------------------------------------------------------------

TopLevelWindow::TopLevelWindow(const std::wstring& title, int width, int height, DWORD style,
                               DWORD exStyle) {
    create(L"LedgerineWindow", nullptr, exStyle, style, title, CW_USEDEFAULT, CW_USEDEFAULT, width,
           height, nullptr);
    if (Application* application = Application::current()) application->topLevelCreated();
}

TopLevelWindow::~TopLevelWindow() {
    if (handle()) DestroyWindow(handle());
    if (smallIcon_) DestroyIcon(smallIcon_);
}

void TopLevelWindow::setTitle(const std::wstring& title) {
    if (!SetWindowTextW(handle(), title.c_str())) raiseLastError("SetWindowTextW");
}

void TopLevelWindow::setSmallIconFromResource(int resourceId) {
    HICON icon = static_cast<HICON>(LoadImageW(instance(), MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    if (!icon) raiseLastError("icon resource " + std::to_string(resourceId));
    SendMessageW(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    if (smallIcon_) DestroyIcon(smallIcon_);
    smallIcon_ = icon;
}

void TopLevelWindow::arrangeChildren() noexcept {
    if (!handle() || !IsWindowVisible(handle()) || IsIconic(handle())) return;
    SIZE client = clientSize(handle());
    int barHeight = 0;
    if (statusBar_) {
        SendMessageW(statusBar_, WM_SIZE, 0, 0);
        RECT bar = childBox(statusBar_);
        barHeight = bar.bottom - bar.top;
    }
    if (content_) {
        int height = client.cy - barHeight;
        moveChild(content_, 0, 0, client.cx, height > 0 ? height : 0);
    }
}

LRESULT TopLevelWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_SIZE) {
        if (wParam != SIZE_MINIMIZED) arrangeChildren();
        return 0;
    }
    return OwnWindow::onMessage(message, wParam, lParam);
}

void TopLevelWindow::destroyed() noexcept {
    alive_ = false;
    if (Application* application = Application::current()) application->topLevelDestroyed();
}

// --- Panel --------------------------------------------------------------------------------

Panel::Panel(HWND parent) {
    create(L"LedgerinePanel", reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)), 0,
           WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, L"", 0, 0, 0, 0, parent);
}

void Panel::onClick(HWND button, std::function<void()> handler) {
    clicks_[button] = std::move(handler);
}

LRESULT Panel::onMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_SIZE:
        if (sizeChanged_) {
            int width = LOWORD(lParam);
            int height = HIWORD(lParam);
            dispatchEvent(handle(), [&] { sizeChanged_(width, height); });
        }
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && lParam) {
            HWND button = reinterpret_cast<HWND>(lParam);
            auto found = clicks_.find(button);
            if (found != clicks_.end()) {
                // A copy: the handler may replace the table's entries.
                std::function<void()> handler = found->second;
                dispatchEvent(button, handler);
            }
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        HWND child = reinterpret_cast<HWND>(lParam);
        COLORREF colour = 0;
        if (staticColour_ && staticColour_(child, colour)) {
            SetTextColor(dc, colour);
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        // A read-only plain edit box (the help box without rich edit) stays white.
        wchar_t className[16] = {};
        GetClassNameW(child, className, 16);
        if (lstrcmpiW(className, L"Edit") == 0) {
            SetBkColor(dc, RGB(255, 255, 255));
            return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
        }
        break;
    }
    default:
        break;
    }
    return OwnWindow::onMessage(message, wParam, lParam);
}

// --- RichTextBox --------------------------------------------------------------------------

RichTextBox::RichTextBox(HWND parent, int width, int height, bool allowRich) {
    const DWORD style = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY;
    rich_ = allowRich && richEditAvailable();
    handle_ = createControl(WS_EX_CLIENTEDGE, rich_ ? MSFTEDIT_CLASS : L"Edit", L"", style, 0, 0,
                            width, height, parent);
    if (rich_) SendMessageW(handle_, EM_SETBKGNDCOLOR, 0, RGB(255, 255, 255));
}

void RichTextBox::setMargins(int left, int right) {
    SendMessageW(handle_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(left, right));
}

void RichTextBox::setFont(HFONT font) {
    SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void RichTextBox::setPlainText(const std::string& text) {
    std::wstring content = withLineBreaks(text);
    if (!SetWindowTextW(handle_, content.c_str())) raiseLastError("help text");
}

void RichTextBox::streamRtf(const std::string& rtf) {
    StreamSource source{&rtf, 0};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = &streamCallback;
    SendMessageW(handle_, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    if (stream.dwError != 0) throw base::IOError("cannot stream the help document");
}

int RichTextBox::lineBoxHeight(HFONT font) {
    TEXTMETRICW metrics{};
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    // The text line plus the sunken border and the control's inner padding.
    return metrics.tmHeight + 8;
}

// --- PushButton ---------------------------------------------------------------------------

PushButton::PushButton(HWND parent, const std::wstring& text, HFONT creationFont) {
    SIZE size = defaultSize(creationFont);
    handle_ = createControl(0, L"Button", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                            0, 0, size.cx, size.cy, parent);
    setFont(creationFont);
}

void PushButton::setFont(HFONT font) {
    SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

SIZE PushButton::defaultSize(HFONT font) {
    static const wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    TEXTMETRICW metrics{};
    SIZE extent{};
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    GetTextMetricsW(dc, &metrics);
    GetTextExtentPoint32W(dc, letters, 52, &extent);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    // Dialog base units of the font: average letter width and the line height.
    int baseX = (extent.cx / 26 + 1) / 2;
    int baseY = metrics.tmHeight;
    return SIZE{MulDiv(50, baseX, 4), MulDiv(14, baseY, 8)};
}

// --- StatusBar ----------------------------------------------------------------------------

StatusBar::StatusBar(HWND parent) {
    handle_ = createControl(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0,
                            0, 0, parent);
    int edges[1] = {-1};
    SendMessageW(handle_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(edges));
}

void StatusBar::setText(const std::wstring& text) {
    SendMessageW(handle_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring StatusBar::text() const {
    LRESULT length = SendMessageW(handle_, SB_GETTEXTLENGTHW, 0, 0);
    std::wstring text(static_cast<size_t>(LOWORD(length)) + 1, L'\0');
    SendMessageW(handle_, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(LOWORD(length)));
    return text;
}

} // namespace ledgerine::gui::win32
