// The Windows program's entry: runs the main window's start-up and event loop. An error that
// escapes start-up is shown in a message box without owner (the system's default caption)
// and ends the process with status 1.
#include "gui/win32/event_dispatch.h"
#include "gui/win32/main_window.h"
#include "gui/win32/win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace ledgerine::gui;
    win32::ErrorReport report;
    try {
        runMainWindow();
        return 0;
    } catch (...) {
        report = win32::currentErrorReport();
    }
    std::wstring text =
        win32::wide("Error: unhandled exception: " + report.message + " [" + report.name + "]\n");
    MessageBoxW(nullptr, text.c_str(), nullptr, MB_OK);
    return 1;
}
