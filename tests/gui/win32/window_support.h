// Helpers for the window tests (header only: each test file is its own program): the
// application object of the test program, message pumping, control boxes, a data object to
// drop, and a watcher that answers a message box from another thread.
#pragma once

#include "gui/layout.h"
#include "gui/win32/application.h"
#include "gui/win32/controls.h"
#include "gui/win32/win.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <shlobj.h>
#include <string>
#include <thread>
#include <vector>

namespace ledgerine::testing {

// The one application object of the test program, created on first use.
inline gui::win32::Application& testApplication() {
    static gui::win32::Application application;
    return application;
}

// Lets the windows handle everything that is waiting, a few rounds.
inline void pump() {
    for (int round = 0; round < 5; ++round) {
        gui::win32::Application::processPendingMessages();
        Sleep(5);
    }
}

inline gui::Rect boxOf(HWND control) {
    RECT box = gui::win32::childBox(control);
    return gui::Rect{box.left, box.top, box.right - box.left, box.bottom - box.top};
}

inline std::wstring fullWindowsPath(const std::string& path) {
    std::wstring wide = gui::win32::wide(path);
    wchar_t buffer[4096];
    DWORD length = GetFullPathNameW(wide.c_str(), 4096, buffer, nullptr);
    return length > 0 && length < 4096 ? std::wstring(buffer, length) : wide;
}

// A CF_HDROP block: DROPFILES, then the wide paths each ended by a zero, then one more zero.
inline std::string fileListBytes(const std::vector<std::wstring>& paths) {
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    for (const std::wstring& path : paths) {
        bytes.append(reinterpret_cast<const char*>(path.c_str()),
                     (path.size() + 1) * sizeof(wchar_t));
    }
    bytes.append(paths.empty() ? 2 * sizeof(wchar_t) : sizeof(wchar_t), '\0');
    return bytes;
}

struct OfferedFormat {
    CLIPFORMAT format;
    std::string bytes; // the global memory's content; ignored for CF_BITMAP
};

// A data object that hands out each offered format as fresh memory the receiver releases.
class TestDataObject final : public IDataObject {
public:
    explicit TestDataObject(std::vector<OfferedFormat> formats) : formats_(std::move(formats)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDataObject)) {
            *object = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        long left = --references_;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* wanted, STGMEDIUM* medium) override {
        const OfferedFormat* offered = find(wanted);
        if (!offered) return DV_E_FORMATETC;
        ++getDataCalls;
        *medium = STGMEDIUM{};
        if (offered->format == CF_BITMAP) {
            medium->tymed = TYMED_GDI;
            medium->hBitmap = CreateBitmap(4, 4, 1, 32, nullptr);
            return S_OK;
        }
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, offered->bytes.size());
        if (!block) return E_OUTOFMEMORY;
        std::memcpy(GlobalLock(block), offered->bytes.data(), offered->bytes.size());
        GlobalUnlock(block);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = block;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* wanted) override {
        return find(wanted) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }

    int getDataCalls = 0;

private:
    ~TestDataObject() = default;
    const OfferedFormat* find(const FORMATETC* wanted) const {
        if (!wanted) return nullptr;
        for (const OfferedFormat& offered : formats_) {
            DWORD tymed = offered.format == CF_BITMAP ? TYMED_GDI : TYMED_HGLOBAL;
            if (offered.format == wanted->cfFormat && (wanted->tymed & tymed)) return &offered;
        }
        return nullptr;
    }
    std::vector<OfferedFormat> formats_;
    std::atomic<long> references_{1};
};

// Waits on another thread for a top-level dialog with the given caption, reads its text
// (the static control 0xFFFF of a message box) and presses OK.
class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(std::wstring caption) : caption_(std::move(caption)) {
        thread_ = std::thread([this] { watch(); });
    }
    ~MessageBoxAnswerer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    // Waits for the thread; true when a box was found and answered.
    bool finish() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return answered_;
    }
    const std::wstring& text() const { return text_; }
    HWND owner() const { return owner_; }

private:
    void watch() {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            HWND box = FindWindowW(L"#32770", caption_.c_str());
            if (box) {
                wchar_t buffer[4096] = {};
                GetDlgItemTextW(box, 0xFFFF, buffer, 4096);
                text_ = buffer;
                owner_ = GetWindow(box, GW_OWNER);
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                answered_ = true;
                return;
            }
            if (stop_) return;
            Sleep(20);
        }
    }
    std::wstring caption_;
    std::wstring text_;
    HWND owner_ = nullptr;
    std::atomic<bool> stop_{false};
    std::atomic<bool> answered_{false};
    std::thread thread_;
};

} // namespace ledgerine::testing
