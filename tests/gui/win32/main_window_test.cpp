// The main window built in this process and checked through the Win32 API: texts, styles,
// layout after the first show and after resizing, placement, fonts, link label states under
// mouse messages, drops through the help box's drop target, and the error box.
#include "base/errors.h"
#include "driver/driver.h"
#include "gui/stored_text.h"
#include "gui/win32/event_dispatch.h"
#include "gui/win32/fonts.h"
#include "gui/win32/main_window.h"
#include "gui/win32/window_support.h"
#include "platform/fs.h"
#include "support/package_builder.h"

#include <gtest/gtest.h>
#include <memory>
#include <richedit.h>

namespace ledgerine::gui {
namespace {

using testing::boxOf;
using testing::pump;

std::wstring deciphered(std::string_view hex) {
    return win32::wide(decipherStoredText(hex, kStoredTextKey));
}

std::wstring statusText(HWND statusBar) {
    wchar_t buffer[1024] = {};
    SendMessageW(statusBar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

LOGFONTW fontOf(HFONT font) {
    LOGFONTW face{};
    GetObjectW(font, sizeof face, &face);
    return face;
}

LOGFONTW controlFont(HWND control) {
    return fontOf(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
}

SIZE outerSize(HWND window) {
    RECT box{};
    GetWindowRect(window, &box);
    return SIZE{box.right - box.left, box.bottom - box.top};
}

void resizeBy(HWND window, int dx, int dy) {
    SIZE size = outerSize(window);
    SetWindowPos(window, nullptr, 0, 0, size.cx + dx, size.cy + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    pump();
}

bool runningOnWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

LPARAM point(int x, int y) {
    return MAKELPARAM(x, y);
}

std::string tinySheet(const std::string& value) {
    return "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
           "<dimension ref=\"A1:B1\"/><sheetData><row r=\"1\"><c r=\"A1\"><v>" +
           value +
           "</v></c><c r=\"B1\" t=\"inlineStr\"><is><t>x</t></is></c></row></sheetData>"
           "</worksheet>";
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::testApplication();
        window = std::make_unique<MainWindow>();
        pump();
    }
    void TearDown() override {
        setRequests({});
        win32::setShellOpener({});
        window.reset();
        pump();
    }
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, StartsWithTheStoredTextsAndTheVersion) {
    EXPECT_EQ(statusText(window->statusBar()), L"     Version 20.08.12");
    EXPECT_EQ(win32::windowText(window->window()), deciphered(kStoredTitle));
    EXPECT_EQ(win32::windowText(window->homeLink().handle()), deciphered(kStoredHomeLabel));
    EXPECT_EQ(window->homeLink().target(), deciphered(kStoredHomeTarget));
    EXPECT_EQ(win32::windowText(window->contactLink().handle()), deciphered(kStoredContactLabel));
    EXPECT_EQ(window->contactLink().target(), deciphered(kStoredContactTarget));
    EXPECT_EQ(win32::windowText(window->folderButton()), L"Select Folder");
    EXPECT_EQ(win32::windowText(window->fileButton()), L"Select File");
    ASSERT_TRUE(window->richHelpBox());
    // The RTF document replaced the plain text: its asterisk pairs are gone.
    std::wstring help = win32::windowText(window->helpBox());
    EXPECT_FALSE(help.empty());
    EXPECT_EQ(help.find(L"**"), std::wstring::npos);
}

TEST(PlainHelpBoxTest, WithoutRichEditTheHelpBoxShowsThePlainText) {
    testing::testApplication();
    MainWindow window(MainWindowOptions{false});
    pump();
    EXPECT_FALSE(window.richHelpBox());
    wchar_t className[64] = {};
    GetClassNameW(window.helpBox(), className, 64);
    EXPECT_EQ(lstrcmpiW(className, L"Edit"), 0) << win32::utf8(className);
    LONG_PTR style = GetWindowLongPtrW(window.helpBox(), GWL_STYLE);
    EXPECT_EQ(style & (ES_MULTILINE | ES_READONLY), ES_MULTILINE | ES_READONLY);
    // The plain help text as it is, asterisk pairs included, a line break per line feed.
    std::wstring expected;
    for (char c : kPlainHelpText) {
        if (c == '\n') expected += L'\r';
        expected += static_cast<wchar_t>(c);
    }
    EXPECT_EQ(win32::windowText(window.helpBox()), expected);
    // The rest of the window is as usual.
    EXPECT_EQ(statusText(window.statusBar()), L"     Version 20.08.12");
    EXPECT_EQ(win32::windowText(window.window()), deciphered(kStoredTitle));
}

TEST_F(MainWindowTest, HasTheWindowStylesAndControls) {
    HWND main = window->window();
    LONG_PTR style = GetWindowLongPtrW(main, GWL_STYLE);
    EXPECT_EQ(style & (WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN),
              WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN);
    EXPECT_TRUE(GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_COMPOSITED);
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(outerSize(main).cx, 415);
    EXPECT_EQ(outerSize(main).cy, 360);
    EXPECT_NE(SendMessageW(main, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_EQ(GetMenu(main), nullptr);

    wchar_t className[64] = {};
    GetClassNameW(window->helpBox(), className, 64);
    EXPECT_EQ(lstrcmpiW(className, L"RICHEDIT50W"), 0) << win32::utf8(className);
    LONG_PTR helpStyle = GetWindowLongPtrW(window->helpBox(), GWL_STYLE);
    EXPECT_EQ(helpStyle & (ES_MULTILINE | ES_READONLY), ES_MULTILINE | ES_READONLY);
    EXPECT_EQ(helpStyle & (WS_HSCROLL | WS_VSCROLL), 0);
    EXPECT_TRUE(GetWindowLongPtrW(window->helpBox(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    // The 15-pixel margins show in the formatting rectangle (wine's rich edit takes
    // EM_SETMARGINS but does not apply it).
    if (!runningOnWine()) {
        RECT format{};
        SendMessageW(window->helpBox(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
        SIZE helpClient = win32::clientSize(window->helpBox());
        EXPECT_GE(format.left, 15);
        EXPECT_GE(helpClient.cx - format.right, 15);
    }

    LONG_PTR home = GetWindowLongPtrW(window->homeLink().handle(), GWL_STYLE);
    EXPECT_EQ(home & (SS_NOTIFY | SS_CENTERIMAGE), SS_NOTIFY | SS_CENTERIMAGE);
    EXPECT_EQ(home & SS_TYPEMASK, SS_CENTER);
    LONG_PTR contact = GetWindowLongPtrW(window->contactLink().handle(), GWL_STYLE);
    EXPECT_EQ(contact & SS_TYPEMASK, SS_RIGHT);
    EXPECT_EQ(GetWindowLongPtrW(window->folderButton(), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    GetClassNameW(window->statusBar(), className, 64);
    EXPECT_STREQ(className, STATUSCLASSNAMEW);
    EXPECT_EQ(SendMessageW(window->statusBar(), SB_GETPARTS, 0, 0), 1);
}

TEST_F(MainWindowTest, FirstLayoutPutsTheRowOnTheBottomEdge) {
    SIZE panel = win32::clientSize(window->panel());
    SIZE client = win32::clientSize(window->window());
    RECT bar = win32::childBox(window->statusBar());
    EXPECT_EQ(panel.cx, client.cx);
    EXPECT_EQ(panel.cy, client.cy - (bar.bottom - bar.top));

    Rect help = boxOf(window->helpBox());
    Rect home = boxOf(window->homeLink().handle());
    Rect folder = boxOf(window->folderButton());
    Rect file = boxOf(window->fileButton());
    Rect contact = boxOf(window->contactLink().handle());
    EXPECT_EQ(window->layoutState().constraintCount(), 16);
    EXPECT_EQ(window->layoutState().editVariableCount(), 24);

    EXPECT_EQ(help.x, 0);
    EXPECT_EQ(help.y, 0);
    EXPECT_EQ(help.w, panel.cx);
    SIZE button = win32::PushButton::defaultSize(win32::Application::current()->defaultFont());
    // The labels were fitted to their texts at creation; the stored labels replaced those
    // texts without fitting again.
    SIZE homeText = win32::textExtent(window->homeLink().normalFont(), win32::wide(kHomeLinkLabel));
    SIZE contactText =
        win32::textExtent(window->contactLink().normalFont(), win32::wide(kContactLinkLabel));
    win32::Font helpFont = win32::makeFont(12.0, FW_NORMAL);
    // Every control started at (0, 0) in its natural size: the model's answer for those.
    PanelRects natural{{0, 0, 120, 3 * win32::RichTextBox::lineBoxHeight(helpFont.handle())},
                       {0, 0, homeText.cx, homeText.cy},
                       {0, 0, button.cx, button.cy},
                       {0, 0, button.cx, button.cy},
                       {0, 0, contactText.cx, contactText.cy}};
    LayoutState model;
    PanelRects expected = model.layoutPanel(panel.cx, panel.cy, natural);
    EXPECT_EQ(help, expected.helpBox);
    EXPECT_EQ(home, expected.homeLink);
    EXPECT_EQ(folder, expected.folderButton);
    EXPECT_EQ(file, expected.fileButton);
    EXPECT_EQ(contact, expected.contactLink);
    EXPECT_EQ(folder.w, button.cx);
    EXPECT_EQ(file.w, button.cx);
    for (const Rect* row : {&home, &folder, &file, &contact}) {
        EXPECT_EQ(row->y, help.y + help.h);
        EXPECT_EQ(row->y + row->h, panel.cy);
        EXPECT_EQ(row->h, button.cy);
    }
    EXPECT_EQ(home.x, 15);
    EXPECT_EQ(folder.x, home.x + home.w + 10);
    EXPECT_EQ(file.x, folder.x + folder.w + 10);
    EXPECT_EQ(contact.x, file.x + file.w + 10);
    EXPECT_EQ(contact.x + contact.w, panel.cx - 15);
}

TEST_F(MainWindowTest, ResizingMovesOnlyTheContactLinkAndTheHelpBox) {
    Rect help = boxOf(window->helpBox());
    Rect home = boxOf(window->homeLink().handle());
    Rect folder = boxOf(window->folderButton());
    Rect file = boxOf(window->fileButton());
    Rect contact = boxOf(window->contactLink().handle());

    resizeBy(window->window(), 100, 0);
    EXPECT_EQ(boxOf(window->contactLink().handle()),
              (Rect{contact.x, contact.y, contact.w + 100, contact.h}));
    EXPECT_EQ(boxOf(window->helpBox()), (Rect{help.x, help.y, help.w + 100, help.h}));
    EXPECT_EQ(boxOf(window->homeLink().handle()), home);
    EXPECT_EQ(boxOf(window->folderButton()), folder);
    EXPECT_EQ(boxOf(window->fileButton()), file);

    resizeBy(window->window(), 0, 50);
    EXPECT_EQ(boxOf(window->helpBox()), (Rect{help.x, help.y, help.w + 100, help.h + 50}));
    EXPECT_EQ(boxOf(window->homeLink().handle()), (Rect{home.x, home.y + 50, home.w, home.h}));
    EXPECT_EQ(boxOf(window->folderButton()), (Rect{folder.x, folder.y + 50, folder.w, folder.h}));
    EXPECT_EQ(boxOf(window->fileButton()), (Rect{file.x, file.y + 50, file.w, file.h}));
    EXPECT_EQ(boxOf(window->contactLink().handle()),
              (Rect{contact.x, contact.y + 50, contact.w + 100, contact.h}));
}

TEST_F(MainWindowTest, MinimiseAndRestoreKeepTheLayout) {
    std::vector<Rect> before;
    HWND controls[] = {window->helpBox(), window->homeLink().handle(), window->folderButton(),
                       window->fileButton(), window->contactLink().handle()};
    for (HWND control : controls)
        before.push_back(boxOf(control));
    ShowWindow(window->window(), SW_MINIMIZE);
    pump();
    EXPECT_TRUE(IsIconic(window->window()));
    ShowWindow(window->window(), SW_RESTORE);
    pump();
    EXPECT_FALSE(IsIconic(window->window()));
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(boxOf(controls[i]), before[i]) << "control " << i;
}

TEST_F(MainWindowTest, OpensOneHundredPixelsFromTheScreensCorner) {
    SIZE screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT box{};
    GetWindowRect(window->window(), &box);
    POINT expected = placementFor(screen, SIZE{415, 360});
    EXPECT_EQ(box.left, expected.x);
    EXPECT_EQ(box.top, expected.y);
    if (screen.cx == 1920 && screen.cy == 1080) {
        EXPECT_EQ(box.left, 1405);
        EXPECT_EQ(box.top, 620);
    }
    // The build also runs this test on a 640 x 480 screen.
    if (screen.cx == 640 && screen.cy == 480) {
        EXPECT_EQ(box.left, (640 - 415) / 2);
        EXPECT_EQ(box.top, (480 - 360) / 2);
    }
}

TEST(PlacementTest, CornerOrCentre) {
    struct Case {
        SIZE screen;
        POINT expected;
    };
    const Case cases[] = {
        {{1920, 1080}, {1405, 620}}, // 100 pixels from the right and bottom edges
        {{640, 480}, {112, 60}},     // too small: centred
        {{616, 561}, {101, 101}},    // just large enough
        {{615, 1080}, {100, 360}},   // x would be 100: centred in both directions
        {{1920, 560}, {752, 100}},   // y would be 100: centred
    };
    for (const Case& c : cases) {
        POINT got = placementFor(c.screen, SIZE{415, 360});
        EXPECT_EQ(got.x, c.expected.x) << c.screen.cx << "x" << c.screen.cy;
        EXPECT_EQ(got.y, c.expected.y) << c.screen.cx << "x" << c.screen.cy;
    }
}

TEST_F(MainWindowTest, FontsHaveTheirSizesAndWeights) {
    int dpi = win32::screenDpi();
    struct Case {
        const char* what;
        LOGFONTW font;
        double points;
        LONG weight;
        bool underline;
    };
    const Case cases[] = {
        {"folder button", controlFont(window->folderButton()), 9.5, 400, false},
        {"file button", controlFont(window->fileButton()), 9.5, 400, false},
        {"home link", controlFont(window->homeLink().handle()), 10.5, 400, false},
        {"home link hover", fontOf(window->homeLink().hoverFont()), 9.5, 700, true},
        {"contact link", controlFont(window->contactLink().handle()), 9.5, 400, false},
        {"contact link hover", fontOf(window->contactLink().hoverFont()), 9.5, 700, true},
    };
    LOGFONTW message = win32::messageFont();
    for (const Case& c : cases) {
        EXPECT_EQ(c.font.lfHeight, win32::fontHeightForPoints(c.points, dpi)) << c.what;
        EXPECT_EQ(c.font.lfWeight, c.weight) << c.what;
        EXPECT_EQ(c.font.lfUnderline != 0, c.underline) << c.what;
        EXPECT_EQ(c.font.lfItalic, 0) << c.what;
        EXPECT_STREQ(c.font.lfFaceName, message.lfFaceName) << c.what;
    }
    // The help box's font is its default character format, in twips.
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    SendMessageW(window->helpBox(), EM_GETCHARFORMAT, SCF_DEFAULT,
                 reinterpret_cast<LPARAM>(&format));
    EXPECT_EQ(format.yHeight, MulDiv(-win32::fontHeightForPoints(12.0, dpi), 1440, dpi));
    EXPECT_FALSE(format.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE));
    EXPECT_STREQ(format.szFaceName, message.lfFaceName);

    EXPECT_EQ(win32::fontHeightForPoints(9.5, 96), -13);
    EXPECT_EQ(win32::fontHeightForPoints(12.0, 96), -16);
    EXPECT_EQ(win32::fontHeightForPoints(10.5, 96), -14);
    EXPECT_EQ(win32::fontHeightForPoints(9.5, 120), -16);
}

TEST_F(MainWindowTest, LinkLabelFollowsThePointerAndOpensItsTargetOnce) {
    std::vector<std::wstring> opened;
    win32::setShellOpener([&](const std::wstring& target) { opened.push_back(target); });
    win32::LinkLabel& link = window->contactLink();
    HWND label = link.handle();
    Rect stretched = boxOf(label);
    SIZE hoverText = win32::textExtent(link.hoverFont(), win32::windowText(label));

    SendMessageW(label, WM_MOUSEMOVE, 0, point(1, 1));
    EXPECT_TRUE(link.hovered());
    EXPECT_EQ(link.colour(), win32::kLinkNormalColour);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)), link.hoverFont());
    // Fitted to its text at the left end of its former box.
    EXPECT_EQ(boxOf(label), (Rect{stretched.x, stretched.y, hoverText.cx, hoverText.cy}));

    SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, point(1, 1));
    EXPECT_TRUE(link.pressed());
    EXPECT_EQ(link.colour(), win32::kLinkPressedColour);
    EXPECT_EQ(GetCapture(), label);

    SendMessageW(label, WM_LBUTTONUP, 0, point(1, 1));
    EXPECT_FALSE(link.pressed());
    EXPECT_NE(GetCapture(), label);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], link.target());
    EXPECT_TRUE(link.visited());
    EXPECT_EQ(link.colour(), win32::kLinkNormalColour); // until the pointer leaves

    SendMessageW(label, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(link.hovered());
    EXPECT_EQ(link.colour(), win32::kLinkVisitedColour);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)), link.normalFont());
    SIZE normalText = win32::textExtent(link.normalFont(), win32::windowText(label));
    EXPECT_EQ(boxOf(label), (Rect{stretched.x, stretched.y, normalText.cx, normalText.cy}));

    // A press released elsewhere is no click.
    SendMessageW(label, WM_MOUSEMOVE, 0, point(1, 1));
    SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, point(1, 1));
    SendMessageW(label, WM_MOUSEMOVE, MK_LBUTTON, point(-50, -50));
    SendMessageW(label, WM_LBUTTONUP, 0, point(-50, -50));
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(link.colour(), win32::kLinkVisitedColour);

    // The next size change stretches the label again.
    resizeBy(window->window(), 10, 0);
    Rect again = boxOf(label);
    EXPECT_EQ(again.x, stretched.x);
    EXPECT_EQ(again.x + again.w, win32::clientSize(window->panel()).cx - 15);
    EXPECT_EQ(again.h, stretched.h);
}

TEST_F(MainWindowTest, HomeLinkSwitchesToTheHoverFont) {
    win32::LinkLabel& link = window->homeLink();
    HWND label = link.handle();
    EXPECT_EQ(controlFont(label).lfHeight, win32::fontHeightForPoints(10.5, win32::screenDpi()));
    SendMessageW(label, WM_MOUSEMOVE, 0, point(1, 1));
    LOGFONTW hover = controlFont(label);
    EXPECT_EQ(hover.lfHeight, win32::fontHeightForPoints(9.5, win32::screenDpi()));
    EXPECT_EQ(hover.lfWeight, 700);
    EXPECT_TRUE(hover.lfUnderline);
    SendMessageW(label, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(controlFont(label).lfHeight, win32::fontHeightForPoints(10.5, win32::screenDpi()));
    EXPECT_FALSE(link.visited());
}

struct DropRecorder {
    std::vector<std::vector<std::string>> calls;
    Requests requests() {
        return Requests{{}, {}, [this](const std::vector<std::string>& paths) {
                            calls.push_back(paths);
                            driver::runDroppedPaths(paths);
                        }};
    }
};

DWORD dropOnHelpBox(MainWindow& window, IDataObject* data) {
    IDropTarget* target = window.dropTarget();
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    POINTL where{10, 10};
    target->DragEnter(data, MK_LBUTTON, where, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    target->DragOver(MK_LBUTTON, where, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    target->Drop(data, 0, where, &effect);
    return effect;
}

TEST_F(MainWindowTest, DropOfThreeWorkbooksConvertsThemInOneRequest) {
    std::string folder = testing::scratchFolder("gui_drop_three");
    std::vector<std::wstring> paths;
    for (const char* name : {"alpha", "beta", "gamma"}) {
        std::string path = folder + "\\" + name + ".xlsx";
        testing::writePackage(path, testing::minimalWorkbook({{"Data", tinySheet("42")}}));
        paths.push_back(testing::fullWindowsPath(path));
    }
    DropRecorder recorder;
    setRequests(recorder.requests());
    IDataObject* data = new testing::TestDataObject({{CF_HDROP, testing::fileListBytes(paths)}});
    EXPECT_EQ(dropOnHelpBox(*window, data), static_cast<DWORD>(DROPEFFECT_COPY));
    data->Release();

    ASSERT_EQ(recorder.calls.size(), 1u);
    ASSERT_EQ(recorder.calls[0].size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(recorder.calls[0][i], win32::utf8(paths[i]));
    for (const char* name : {"alpha", "beta", "gamma"}) {
        std::string csv = testing::readFile(folder + "\\zz_" + name + "\\Data.csv");
        EXPECT_EQ(csv, "42,x\n") << name;
    }
    std::wstring status = statusText(window->statusBar());
    std::wstring lastOutput = paths[2].substr(0, paths[2].rfind(L'\\')) + L"\\zz_gamma";
    EXPECT_EQ(status.rfind(L" Done! - " + lastOutput + L" - ", 0), 0u) << win32::utf8(status);
}

TEST_F(MainWindowTest, DroppedTextIsIgnoredEvenWithAFileList) {
    std::string folder = testing::scratchFolder("gui_drop_text");
    std::string path = folder + "\\text.xlsx";
    testing::writePackage(path, testing::minimalWorkbook({{"Data", tinySheet("1")}}));
    std::wstring text = L"some selected text";
    std::string textBytes(reinterpret_cast<const char*>(text.c_str()),
                          (text.size() + 1) * sizeof(wchar_t));
    struct Case {
        const char* what;
        std::vector<testing::OfferedFormat> formats;
    };
    const Case cases[] = {
        {"unicode text and files",
         {{CF_UNICODETEXT, textBytes},
          {CF_HDROP, testing::fileListBytes({testing::fullWindowsPath(path)})}}},
        {"ansi text", {{CF_TEXT, std::string("plain\0", 6)}}},
        {"bitmap", {{CF_BITMAP, ""}}},
        {"empty file list", {{CF_HDROP, testing::fileListBytes({})}}},
    };
    for (const Case& c : cases) {
        DropRecorder recorder;
        setRequests(recorder.requests());
        IDataObject* data = new testing::TestDataObject(c.formats);
        dropOnHelpBox(*window, data);
        data->Release();
        EXPECT_TRUE(recorder.calls.empty()) << c.what;
        EXPECT_EQ(statusText(window->statusBar()), L"     Version 20.08.12") << c.what;
    }
    EXPECT_FALSE(platform::folderExists(folder + "\\zz_text"));
}

TEST_F(MainWindowTest, CorruptWorkbookDroppedShowsTheErrorBoxAndTheWindowGoesOn) {
    std::string folder = testing::scratchFolder("gui_drop_corrupt");
    std::string corrupt = folder + "\\broken.xlsx";
    testing::writeFile(corrupt, "this is not a zip archive at all");
    std::wstring corruptPath = testing::fullWindowsPath(corrupt);
    std::string expected;
    try {
        driver::runFileRequest(win32::utf8(corruptPath));
    } catch (const base::Error& error) {
        expected = error.report();
    }
    ASSERT_FALSE(expected.empty());

    IDataObject* data =
        new testing::TestDataObject({{CF_HDROP, testing::fileListBytes({corruptPath})}});
    {
        testing::MessageBoxAnswerer answerer{std::wstring(win32::kErrorBoxCaption)};
        dropOnHelpBox(*window, data);
        ASSERT_TRUE(answerer.finish());
        EXPECT_EQ(win32::utf8(answerer.text()), expected);
        EXPECT_EQ(answerer.owner(), window->window());
    }
    data->Release();
    EXPECT_EQ(statusText(window->statusBar()), L"     Version 20.08.12");

    // Data of no known kind: the copy fails and the box says why.
    data = new testing::TestDataObject({{static_cast<CLIPFORMAT>(CF_DIB), "x"}});
    {
        testing::MessageBoxAnswerer answerer{std::wstring(win32::kErrorBoxCaption)};
        dropOnHelpBox(*window, data);
        ASSERT_TRUE(answerer.finish());
        EXPECT_EQ(win32::utf8(answerer.text()),
                  "unsupported drop data: neither text, a file list nor a bitmap [ValueError]");
    }
    data->Release();

    // Still working: a good workbook converts.
    std::string good = folder + "\\good.xlsx";
    testing::writePackage(good, testing::minimalWorkbook({{"Data", tinySheet("7")}}));
    data = new testing::TestDataObject(
        {{CF_HDROP, testing::fileListBytes({testing::fullWindowsPath(good)})}});
    dropOnHelpBox(*window, data);
    data->Release();
    EXPECT_EQ(testing::readFile(folder + "\\zz_good\\Data.csv"), "7,x\n");
    EXPECT_EQ(statusText(window->statusBar()).rfind(L" Done! - ", 0), 0u);
    EXPECT_TRUE(IsWindow(window->window()));
}

TEST_F(MainWindowTest, ButtonClickErrorIsReportedOverTheButton) {
    // A click whose handler fails: the box is owned by (the window of) the button.
    setRequests({});
    HWND button = window->fileButton();
    testing::MessageBoxAnswerer answerer{std::wstring(win32::kErrorBoxCaption)};
    win32::dispatchEvent(button, [] { throw base::KeyError("key not found: Data"); });
    ASSERT_TRUE(answerer.finish());
    EXPECT_EQ(win32::utf8(answerer.text()), "key not found: Data [KeyError]");
    EXPECT_TRUE(IsWindow(window->window()));
}

} // namespace
} // namespace ledgerine::gui
