#include "gui/win32/application.h"

#include "base/errors.h"

namespace ledgerine::gui::win32 {
namespace {

Application* theApplication = nullptr;

} // namespace

Application::Application() {
    if (theApplication) throw base::OSError("the application object exists already");
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);
    HRESULT result = OleInitialize(nullptr);
    if (FAILED(result)) raiseResult(result, "OleInitialize");
    oleReady_ = true;
    try {
        defaultFont_ = makeDefaultFont();
    } catch (...) {
        OleUninitialize();
        throw;
    }
    theApplication = this;
}

Application::~Application() {
    theApplication = nullptr;
    if (oleReady_) OleUninitialize();
}

Application* Application::current() noexcept {
    return theApplication;
}

int Application::run() {
    MSG message;
    while (topLevels_ > 0) {
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

void Application::processPendingMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void Application::topLevelDestroyed() noexcept {
    if (topLevels_ > 0) --topLevels_;
    // Wakes the loop so that it sees the count.
    if (topLevels_ == 0) PostMessageW(nullptr, WM_NULL, 0, 0);
}

} // namespace ledgerine::gui::win32
