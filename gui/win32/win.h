// The Windows headers as the window shell uses them (wide API only, no min/max macros), and
// the one way the toolkit turns a failed system call into a named error.
//
// Raises base::OSError from raiseLastError(): the system's text for GetLastError(), then
// "Additional info: " and what failed in double quotes.
#pragma once

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: the headers below rely on its types.
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#include <string>
#include <string_view>

namespace ledgerine::gui::win32 {

// UTF-8 <-> UTF-16 at the user-interface boundary.
std::wstring wide(std::string_view text);
std::string utf8(std::wstring_view text);

// OSError for the calling thread's last error code; what names the failed call or object.
[[noreturn]] void raiseLastError(std::string_view what);
// OSError for an HRESULT.
[[noreturn]] void raiseResult(HRESULT result, std::string_view what);

} // namespace ledgerine::gui::win32
