// The program's one window: a resizable main window holding the content panel (the help box
// above a row of the "Visit Home" link, the "Select Folder" and "Select File" buttons and the
// "Contact Author" link) and a one-field status bar. runMainWindow() builds it in the start-up
// order (settings file, toolkit, window and controls hidden, stored texts, version text,
// events, placement, show), runs the event loop until the window is closed and returns.
// The user actions: the buttons open the folder and file choosers and drops on the help box
// hand their file list to the driver; every error a handler raises is shown by errorBox and
// the program goes on.
//
// Raises from runMainWindow()/MainWindow(): base::OSError when the toolkit, the window, a
// control or the icon cannot be made; base::ValueError for a malformed stored text; the
// errors of ensureSettingsFile. Handlers raise what the driver raises (reported, not
// propagated, when they run as events).
#pragma once

#include "gui/layout.h"
#include "gui/win32/controls.h"
#include "gui/win32/drop_target.h"
#include "gui/win32/link_label.h"
#include "gui/win32/win.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ledgerine::gui {

inline constexpr std::string_view kVersionStatusText = "     Version 20.08.12";
inline constexpr int kMainWindowWidth = 415;
inline constexpr int kMainWindowHeight = 360;
inline constexpr int kIconResourceId = 1000;

struct MainWindowOptions {
    // False builds the help box as a plain edit box, as where msftedit.dll is missing.
    bool richEdit = true;
};

// The window and its controls, from start-up to the end of the process.
class MainWindow {
public:
    // Start-up steps from the window toolkit on (an Application must exist): builds the window
    // hidden with its controls, fonts and stored texts, connects the events, places and shows
    // it (which lays the panel out for the first time).
    explicit MainWindow(MainWindowOptions options = {});
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND window() const noexcept { return window_->handle(); }
    HWND panel() const noexcept { return panel_->handle(); }
    HWND helpBox() const noexcept { return helpBox_->handle(); }
    HWND folderButton() const noexcept { return folderButton_->handle(); }
    HWND fileButton() const noexcept { return fileButton_->handle(); }
    HWND statusBar() const noexcept { return statusBar_->handle(); }
    win32::LinkLabel& homeLink() noexcept { return *homeLink_; }
    win32::LinkLabel& contactLink() noexcept { return *contactLink_; }
    bool richHelpBox() const noexcept { return helpBox_->isRich(); }
    bool alive() const noexcept { return window_->alive(); }
    // The help box's registered drop target.
    IDropTarget* dropTarget() const noexcept { return dropTarget_; }
    const LayoutState& layoutState() const noexcept { return layout_; }

    // The status bar's field 0.
    void setStatusText(const std::string& text);
    // Lays the panel out for its current size.
    void layoutPanel();
    // Moves the window 100 pixels from the screen's right and bottom edges, or centres it.
    void place();

private:
    void build(const MainWindowOptions& options);
    void tearDown() noexcept;

    std::unique_ptr<win32::TopLevelWindow> window_;
    std::unique_ptr<win32::Panel> panel_;
    std::unique_ptr<win32::RichTextBox> helpBox_;
    std::unique_ptr<win32::PushButton> folderButton_;
    std::unique_ptr<win32::PushButton> fileButton_;
    std::unique_ptr<win32::LinkLabel> homeLink_;
    std::unique_ptr<win32::LinkLabel> contactLink_;
    std::unique_ptr<win32::StatusBar> statusBar_;
    win32::Font helpFont_;
    win32::Font buttonFont_;
    win32::DropTarget* dropTarget_ = nullptr;
    LayoutState layout_;
};

// The main window while it exists, else nullptr.
MainWindow* mainWindow() noexcept;

// The whole start-up, the event loop until the window has been closed, then returns.
void runMainWindow();

// Where the window's top-left corner goes on a screen of that size: 100 pixels from the
// right and bottom edges when that leaves more than 100 pixels on the left and top, else
// centred.
POINT placementFor(SIZE screen, SIZE window);
// Places mainWindow by the primary screen's size, keeping its size, Z order and activation.
void placeMainWindow();
// The driver's status sink: the text (UTF-8) into the status bar's field 0.
void setStatusText(const std::string& text);

// The user actions.
void onSelectFolder();
void onSelectFile();
void onDragEnter(DWORD& effect);
void onDrop(const win32::DropData& data);

// The driver's three requests as the handlers call them; tests install recording wrappers.
// An empty member restores the driver's own operation.
struct Requests {
    std::function<void(const std::string&)> folder;
    std::function<void(const std::string&)> file;
    std::function<void(const std::vector<std::string>&)> dropped;
};
void setRequests(Requests requests);

} // namespace ledgerine::gui
