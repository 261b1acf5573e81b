#include "gui/win32/main_window.h"

#include "base/errors.h"
#include "driver/driver.h"
#include "driver/settings.h"
#include "gui/stored_text.h"
#include "gui/win32/application.h"
#include "gui/win32/dialogs.h"
#include "gui/win32/fonts.h"

namespace ledgerine::gui {
namespace {

using win32::wide;

MainWindow* theMainWindow = nullptr;

Requests& requests() {
    static Requests current;
    return current;
}

std::wstring storedText(std::string_view hex) {
    return wide(decipherStoredText(hex, kStoredTextKey));
}

Rect boxOf(HWND control) {
    RECT box = win32::childBox(control);
    return Rect{box.left, box.top, box.right - box.left, box.bottom - box.top};
}

void moveTo(HWND control, const Rect& box) {
    win32::moveChild(control, box.x, box.y, box.w, box.h);
}

} // namespace

MainWindow::MainWindow(MainWindowOptions options) {
    try {
        build(options);
    } catch (...) {
        tearDown();
        throw;
    }
}

void MainWindow::build(const MainWindowOptions& options) {
    if (!win32::Application::current())
        throw base::OSError("the window toolkit is not initialised");
    HFONT defaultFont = win32::Application::current()->defaultFont();

    // The window, hidden, with its small icon.
    window_ = std::make_unique<win32::TopLevelWindow>(
        wide(kInitialTitle), kMainWindowWidth, kMainWindowHeight,
        WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, WS_EX_COMPOSITED);
    theMainWindow = this;
    window_->setSmallIconFromResource(kIconResourceId);

    panel_ = std::make_unique<win32::Panel>(window_->handle());

    // The help box: 120 pixels wide, three one-line boxes tall in its font; the drop target.
    helpFont_ = win32::makeFont(12.0, FW_NORMAL);
    helpBox_ = std::make_unique<win32::RichTextBox>(
        panel_->handle(), 120, 3 * win32::RichTextBox::lineBoxHeight(helpFont_.handle()),
        options.richEdit);
    dropTarget_ = new win32::DropTarget(
        helpBox_->handle(), [](DWORD& effect) { onDragEnter(effect); },
        [](const win32::DropData& data) { onDrop(data); });
    dropTarget_->registerFor(helpBox_->handle());
    helpBox_->setMargins(15, 15);
    helpBox_->setFont(helpFont_.handle());
    helpBox_->setPlainText(std::string(kPlainHelpText));

    folderButton_ =
        std::make_unique<win32::PushButton>(panel_->handle(), L"Select Folder", defaultFont);
    fileButton_ =
        std::make_unique<win32::PushButton>(panel_->handle(), L"Select File", defaultFont);

    homeLink_ = std::make_unique<win32::LinkLabel>(panel_->handle(), wide(kHomeLinkLabel),
                                                   wide(kHomePageAddress), SS_CENTER, defaultFont);
    contactLink_ = std::make_unique<win32::LinkLabel>(panel_->handle(), wide(kContactLinkLabel),
                                                      wide(kContactAddress), SS_RIGHT, defaultFont);

    buttonFont_ = win32::makeFont(9.5, FW_NORMAL);
    folderButton_->setFont(buttonFont_.handle());
    fileButton_->setFont(buttonFont_.handle());
    homeLink_->setNormalFont(win32::makeFont(10.5, FW_NORMAL));
    homeLink_->setHoverFont(win32::makeFont(9.5, FW_BOLD, true));
    contactLink_->setNormalFont(win32::makeFont(9.5, FW_NORMAL));
    contactLink_->setHoverFont(win32::makeFont(9.5, FW_BOLD, true));

    statusBar_ = std::make_unique<win32::StatusBar>(window_->handle());
    window_->setContent(panel_->handle());
    window_->setStatusBar(statusBar_->handle());

    // The stored texts; a plain edit box keeps the plain help text.
    window_->setTitle(storedText(kStoredTitle));
    homeLink_->setLabel(storedText(kStoredHomeLabel));
    homeLink_->setTarget(storedText(kStoredHomeTarget));
    contactLink_->setLabel(storedText(kStoredContactLabel));
    contactLink_->setTarget(storedText(kStoredContactTarget));
    if (helpBox_->isRich()) helpBox_->streamRtf(decipherStoredText(kStoredHelpRtf, kStoredTextKey));
    setStatusText(std::string(kVersionStatusText));

    // Events.
    panel_->onSizeChanged([this](int, int) { layoutPanel(); });
    panel_->onClick(folderButton_->handle(), [] { onSelectFolder(); });
    panel_->onClick(fileButton_->handle(), [] { onSelectFile(); });
    panel_->setStaticColourSource([](HWND control, COLORREF& colour) {
        win32::LinkLabel* label = win32::LinkLabel::fromHandle(control);
        if (!label) return false;
        colour = label->colour();
        return true;
    });
    driver::setStatusSink([](const std::string& text) { gui::setStatusText(text); });

    place();
    ShowWindow(window_->handle(), SW_SHOW);
    // Becoming visible sizes the panel: the first layout.
    window_->arrangeChildren();
    UpdateWindow(window_->handle());
}

MainWindow::~MainWindow() {
    tearDown();
}

void MainWindow::tearDown() noexcept {
    driver::setStatusSink({});
    if (dropTarget_) {
        dropTarget_->revoke();
        dropTarget_->Release();
        dropTarget_ = nullptr;
    }
    window_.reset();
    if (theMainWindow == this) theMainWindow = nullptr;
}

void MainWindow::setStatusText(const std::string& text) {
    statusBar_->setText(wide(text));
}

void MainWindow::layoutPanel() {
    SIZE size = win32::clientSize(panel_->handle());
    PanelRects current{boxOf(helpBox_->handle()), boxOf(homeLink_->handle()),
                       boxOf(folderButton_->handle()), boxOf(fileButton_->handle()),
                       boxOf(contactLink_->handle())};
    PanelRects next = layout_.layoutPanel(size.cx, size.cy, current);
    moveTo(helpBox_->handle(), next.helpBox);
    moveTo(homeLink_->handle(), next.homeLink);
    moveTo(folderButton_->handle(), next.folderButton);
    moveTo(fileButton_->handle(), next.fileButton);
    moveTo(contactLink_->handle(), next.contactLink);
}

void MainWindow::place() {
    RECT outer{};
    GetWindowRect(window_->handle(), &outer);
    SIZE screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    POINT corner = placementFor(screen, SIZE{outer.right - outer.left, outer.bottom - outer.top});
    SetWindowPos(window_->handle(), nullptr, corner.x, corner.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

MainWindow* mainWindow() noexcept {
    return theMainWindow;
}

POINT placementFor(SIZE screen, SIZE window) {
    LONG x = screen.cx - window.cx - 100;
    LONG y = screen.cy - window.cy - 100;
    if (x > 100 && y > 100) return POINT{x, y};
    return POINT{(screen.cx - window.cx) / 2, (screen.cy - window.cy) / 2};
}

void placeMainWindow() {
    if (theMainWindow) theMainWindow->place();
}

void setStatusText(const std::string& text) {
    if (theMainWindow) theMainWindow->setStatusText(text);
}

void runMainWindow() {
    driver::ensureSettingsFile(std::string(driver::defaultSettingsContent),
                               std::string(driver::settingsFileName));
    win32::Application application;
    MainWindow window;
    application.run();
}

void setRequests(Requests next) {
    requests() = std::move(next);
}

void onSelectFolder() {
    std::optional<std::wstring> folder =
        win32::chooseFolder(theMainWindow ? theMainWindow->window() : nullptr);
    if (!folder) return;
    std::string path = win32::utf8(*folder);
    if (requests().folder)
        requests().folder(path);
    else
        driver::runFolderRequest(path);
}

void onSelectFile() {
    std::optional<std::wstring> file =
        win32::chooseFile(theMainWindow ? theMainWindow->window() : nullptr);
    if (!file) return;
    std::string path = win32::utf8(*file);
    if (requests().file)
        requests().file(path);
    else
        driver::runFileRequest(path);
}

void onDragEnter(DWORD& effect) {
    effect = DROPEFFECT_COPY;
}

void onDrop(const win32::DropData& data) {
    if (data.kind != win32::DropData::Kind::Files || data.files.empty()) return;
    std::vector<std::string> paths;
    paths.reserve(data.files.size());
    for (const std::wstring& file : data.files)
        paths.push_back(win32::utf8(file));
    if (requests().dropped)
        requests().dropped(paths);
    else
        driver::runDroppedPaths(paths);
}

} // namespace ledgerine::gui
