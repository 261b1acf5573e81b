#include "gui/win32/win.h"

#include "base/errors.h"
#include "platform/win32/wide_text.h"

namespace ledgerine::gui::win32 {
namespace {

std::string systemText(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length > 0 && buffer ? std::wstring(buffer, length) : std::wstring();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    if (text.empty()) return "error code " + std::to_string(code);
    return utf8(text);
}

} // namespace

std::wstring wide(std::string_view text) {
    return platform::wideText(text);
}
std::string utf8(std::wstring_view text) {
    return platform::utf8Text(text);
}

void raiseLastError(std::string_view what) {
    DWORD code = GetLastError();
    throw base::OSError(systemText(code) + "\nAdditional info: \"" + std::string(what) + "\"");
}

void raiseResult(HRESULT result, std::string_view what) {
    throw base::OSError(systemText(static_cast<DWORD>(result)) + "\nAdditional info: \"" +
                        std::string(what) + "\"");
}

} // namespace ledgerine::gui::win32
