#include "gui/win32/drop_target.h"

#include "base/errors.h"
#include "gui/win32/event_dispatch.h"

namespace ledgerine::gui::win32 {
namespace {

constexpr UINT kPathBufferLength = 65536;

bool offers(IDataObject* data, CLIPFORMAT format, DWORD medium) {
    FORMATETC wanted{format, nullptr, DVASPECT_CONTENT, -1, medium};
    return data->QueryGetData(&wanted) == S_OK;
}

// The medium of format, released when this goes away.
class Medium {
public:
    Medium(IDataObject* data, CLIPFORMAT format, DWORD tymed) {
        FORMATETC wanted{format, nullptr, DVASPECT_CONTENT, -1, tymed};
        HRESULT result = data->GetData(&wanted, &medium_);
        if (FAILED(result)) raiseResult(result, "IDataObject::GetData");
        held_ = true;
    }
    ~Medium() {
        if (held_) ReleaseStgMedium(&medium_);
    }
    Medium(const Medium&) = delete;
    Medium& operator=(const Medium&) = delete;
    const STGMEDIUM& get() const { return medium_; }

private:
    STGMEDIUM medium_{};
    bool held_ = false;
};

// Locks a global memory block for reading.
class Locked {
public:
    explicit Locked(HGLOBAL block) : block_(block), data_(GlobalLock(block)) {}
    ~Locked() {
        if (data_) GlobalUnlock(block_);
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
    const void* data() const { return data_; }
    size_t size() const { return data_ ? GlobalSize(block_) : 0; }

private:
    HGLOBAL block_;
    void* data_;
};

std::wstring copyUnicodeText(IDataObject* data) {
    Medium medium(data, CF_UNICODETEXT, TYMED_HGLOBAL);
    Locked text(medium.get().hGlobal);
    const auto* chars = static_cast<const wchar_t*>(text.data());
    size_t limit = text.size() / sizeof(wchar_t);
    size_t length = 0;
    while (chars && length < limit && chars[length] != 0)
        ++length;
    return chars ? std::wstring(chars, length) : std::wstring();
}

std::wstring copyAnsiText(IDataObject* data) {
    Medium medium(data, CF_TEXT, TYMED_HGLOBAL);
    Locked text(medium.get().hGlobal);
    const auto* chars = static_cast<const char*>(text.data());
    size_t length = 0;
    while (chars && length < text.size() && chars[length] != 0)
        ++length;
    std::wstring result;
    for (size_t i = 0; i < length; ++i)
        result += static_cast<wchar_t>(static_cast<unsigned char>(chars[i]));
    return result;
}

std::vector<std::wstring> copyFileList(IDataObject* data) {
    Medium medium(data, CF_HDROP, TYMED_HGLOBAL);
    auto drop = static_cast<HDROP>(medium.get().hGlobal);
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<std::wstring> files;
    files.reserve(count);
    std::wstring buffer(kPathBufferLength, L'\0');
    for (UINT i = 0; i < count; ++i) {
        UINT length = DragQueryFileW(drop, i, buffer.data(), kPathBufferLength);
        // An empty entry names nothing (some systems count the list's terminator as one).
        if (length > 0) files.emplace_back(buffer.data(), length);
    }
    return files;
}

} // namespace

DropData copyDropData(IDataObject* data) {
    DropData copy;
    if (offers(data, CF_UNICODETEXT, TYMED_HGLOBAL)) {
        copy.kind = DropData::Kind::Text;
        copy.text = copyUnicodeText(data);
    } else if (offers(data, CF_TEXT, TYMED_HGLOBAL)) {
        copy.kind = DropData::Kind::Text;
        copy.text = copyAnsiText(data);
    } else if (offers(data, CF_HDROP, TYMED_HGLOBAL)) {
        copy.kind = DropData::Kind::Files;
        copy.files = copyFileList(data);
    } else if (offers(data, CF_BITMAP, TYMED_GDI)) {
        // The picture itself is of no use to the program: taking the medium is the copy.
        Medium medium(data, CF_BITMAP, TYMED_GDI);
        copy.kind = DropData::Kind::Bitmap;
    } else {
        throw base::ValueError("unsupported drop data: neither text, a file list nor a bitmap");
    }
    return copy;
}

DropTarget::DropTarget(HWND window, DragEnterHandler onDragEnter, DropHandler onDrop)
    : window_(window), onDragEnter_(std::move(onDragEnter)), onDrop_(std::move(onDrop)) {}

void DropTarget::registerFor(HWND window) {
    // A rich edit control registers a drop target of its own; ours replaces it.
    RevokeDragDrop(window);
    HRESULT result = RegisterDragDrop(window, this);
    if (FAILED(result)) raiseResult(result, "RegisterDragDrop");
    registered_ = window;
}

void DropTarget::revoke() noexcept {
    if (registered_) RevokeDragDrop(registered_);
    registered_ = nullptr;
}

HRESULT STDMETHODCALLTYPE DropTarget::QueryInterface(REFIID id, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DropTarget::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG STDMETHODCALLTYPE DropTarget::Release() {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE DropTarget::DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    effect_ = DROPEFFECT_NONE;
    dispatchEvent(window_, [this] {
        if (onDragEnter_) onDragEnter_(effect_);
    });
    *effect = effect_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    *effect = effect_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DropTarget::DragLeave() {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    *effect = effect_;
    if (!data) return E_INVALIDARG;
    // Keeps this alive even if a handler revokes the registration.
    AddRef();
    dispatchEvent(window_, [this, data] {
        DropData copy = copyDropData(data);
        if (onDrop_) onDrop_(copy);
    });
    Release();
    return S_OK;
}

} // namespace ledgerine::gui::win32
