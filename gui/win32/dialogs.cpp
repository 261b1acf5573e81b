#include "gui/win32/dialogs.h"

#include <commdlg.h>
#include <shobjidl.h>
#include <vector>

namespace ledgerine::gui::win32 {
namespace {

constexpr DWORD kPathBufferLength = 65536;

// Releases a COM interface on every way out.
template <typename Interface> class ComPointer {
public:
    ComPointer() = default;
    ~ComPointer() {
        if (pointer_) pointer_->Release();
    }
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    Interface** out() { return &pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

private:
    Interface* pointer_ = nullptr;
};

} // namespace

std::optional<std::wstring> chooseFolder(HWND owner) {
    ComPointer<IFileOpenDialog> dialog;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFileOpenDialog, reinterpret_cast<void**>(dialog.out()))) ||
        !dialog)
        return std::nullopt;
    if (FAILED(dialog->SetOptions(FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM))) return std::nullopt;
    dialog->SetTitle(kFolderChooserTitle);
    if (FAILED(dialog->Show(owner))) return std::nullopt;
    ComPointer<IShellItem> item;
    if (FAILED(dialog->GetResult(item.out())) || !item) return std::nullopt;
    wchar_t* path = nullptr;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path) return std::nullopt;
    std::wstring chosen(path);
    CoTaskMemFree(path);
    return chosen;
}

std::optional<std::wstring> chooseFile(HWND owner) {
    std::vector<wchar_t> buffer(kPathBufferLength, L'\0');
    static const wchar_t filter[] = L"*.*\0*.*\0";
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = filter;
    request.nFilterIndex = 1;
    request.lpstrFile = buffer.data();
    request.nMaxFile = kPathBufferLength;
    request.lpstrTitle = kFileChooserTitle;
    request.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&request)) return std::nullopt;
    std::wstring first(buffer.data());
    if (first.empty()) return std::nullopt;
    return first;
}

} // namespace ledgerine::gui::win32
