// The toolkit's OLE drop target (an IDropTarget of its own) and the copy of dropped data.
// Drag-enter and drop run their handlers through dispatchEvent(), owned by the target window;
// while a drag moves over the window the effect set by the drag-enter handler stays.
//
// copyDropData raises base::ValueError "unsupported drop data: neither text, a file list nor
// a bitmap" when the data object offers none of the three.
#pragma once

#include "gui/win32/win.h"

#include <functional>
#include <string>
#include <vector>

namespace ledgerine::gui::win32 {

// A copy of what was dropped, by the first kind the data offers: text (CF_UNICODETEXT, else
// CF_TEXT), then a file list (CF_HDROP), then a bitmap (CF_BITMAP).
struct DropData {
    enum class Kind { Text, Files, Bitmap };
    Kind kind = Kind::Text;
    std::wstring text;
    std::vector<std::wstring> files; // full paths in index order
};

DropData copyDropData(IDataObject* data);

class DropTarget final : public IDropTarget {
public:
    using DragEnterHandler = std::function<void(DWORD& effect)>;
    using DropHandler = std::function<void(const DropData&)>;

    DropTarget(HWND window, DragEnterHandler onDragEnter, DropHandler onDrop);

    // RegisterDragDrop for window (a registration the control made for itself is replaced).
    // Raises base::OSError.
    void registerFor(HWND window);
    // RevokeDragDrop.
    void revoke() noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point,
                                   DWORD* effect) override;

private:
    ~DropTarget() = default;
    HWND window_;
    HWND registered_ = nullptr;
    DragEnterHandler onDragEnter_;
    DropHandler onDrop_;
    DWORD effect_ = DROPEFFECT_NONE;
    LONG references_ = 1;
};

} // namespace ledgerine::gui::win32
