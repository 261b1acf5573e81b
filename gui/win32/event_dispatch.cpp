#include "gui/win32/event_dispatch.h"

#include "base/errors.h"

#include <exception>
#include <new>

namespace ledgerine::gui::win32 {

void errorBox(HWND owner, const std::string& message, const std::string& name) noexcept {
    try {
        std::wstring text = wide(message + " [" + name + "]");
        MessageBoxW(owner, text.c_str(), std::wstring(kErrorBoxCaption).c_str(),
                    MB_OK | MB_ICONERROR);
    } catch (...) {
        // Not even the text could be built: say so without it.
        MessageBoxW(owner, L"out of memory [OutOfMemError]", std::wstring(kErrorBoxCaption).c_str(),
                    MB_OK | MB_ICONERROR);
    }
}

ErrorReport currentErrorReport() noexcept {
    try {
        throw;
    } catch (const base::Error& error) {
        return {error.message(), error.name()};
    } catch (const std::bad_alloc&) {
        return {"out of memory", "OutOfMemError"};
    } catch (const std::exception& error) {
        return {error.what(), "Exception"};
    } catch (...) {
        return {"unknown error", "Exception"};
    }
}

void dispatchEvent(HWND owner, const std::function<void()>& handler) noexcept {
    ErrorReport report;
    try {
        handler();
        return;
    } catch (...) {
        report = currentErrorReport();
    }
    // Shown outside the catch block, so the box's own message loop runs without a live
    // exception in flight.
    errorBox(owner, report.message, report.name);
}

} // namespace ledgerine::gui::win32
