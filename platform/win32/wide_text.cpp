#include "platform/win32/wide_text.h"

#define WIN32_LEAN_AND_MEAN
#include <climits>
#include <windows.h>

namespace ledgerine::platform {
namespace {

// CreateDirectoryW refuses paths longer than MAX_PATH minus room for an 8.3 file name.
constexpr size_t classicPathLimit = MAX_PATH - 12;

int clampedLength(size_t n) {
    return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

} // namespace

std::wstring wideText(std::string_view text) {
    if (text.empty()) return {};
    int len = clampedLength(text.size());
    int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), len, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), len, out.data(), n);
    return out;
}

std::string utf8Text(std::wstring_view text) {
    if (text.empty()) return {};
    int len = clampedLength(text.size());
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), len, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), len, out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring widePath(std::string_view path) {
    std::wstring w = wideText(path);
    for (wchar_t& c : w)
        if (c == L'/') c = L'\\';
    if (w.size() < classicPathLimit || w.starts_with(L"\\\\?\\")) return w;
    DWORD n = ::GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (n == 0) return w;
    std::wstring full(n, L'\0');
    n = ::GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
    if (n == 0 || n >= full.size()) return w;
    full.resize(n);
    if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

} // namespace ledgerine::platform
