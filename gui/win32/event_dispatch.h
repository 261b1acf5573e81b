// The window shell's one error boundary. Every event handler (size change, click, drag-enter,
// drop, link label input) runs through dispatchEvent(); an exception it raises ends that
// handler's work and is shown by errorBox(), owned by the control whose event was handled,
// and the program goes on. Nothing escapes into the system's window procedures.
//
// Raises nothing.
#pragma once

#include "gui/win32/win.h"

#include <functional>
#include <string>

namespace ledgerine::gui::win32 {

inline constexpr std::wstring_view kErrorBoxCaption = L"Error: unhandled exception";

// A modal message box owned by owner: caption "Error: unhandled exception", text
// message + " [" + name + "]", the error icon and one OK button.
void errorBox(HWND owner, const std::string& message, const std::string& name) noexcept;

// The message and name of the exception being handled (call only inside a catch block):
// base::Error gives its own; std::bad_alloc is OutOfMemError "out of memory"; any other
// std::exception its what() under the name "Exception"; anything else "unknown error".
struct ErrorReport {
    std::string message;
    std::string name;
};
ErrorReport currentErrorReport() noexcept;

// Runs handler; whatever it raises is reported with errorBox(owner, ...).
void dispatchEvent(HWND owner, const std::function<void()>& handler) noexcept;

} // namespace ledgerine::gui::win32
