// DecodeJpeg on Windows with the platform's picture decoder: the bytes go into a movable global
// memory block wrapped in a memory stream (CreateStreamOnHGlobal, freed with the stream), which
// OleLoadPicture decodes into an IPicture; its bitmap is read into a surface with GetDIBits as
// 32-bit top-down rows, our pixel layout.
#include "ui/gfx/Jpeg.h"
#include "ui/gfx/win32/GdiHolders.h"
#include "ui/gfx/win32/JpegStructure.h"

#include <climits>
#include <cstring>

// After our own headers (see WinHeaders.h).
// clang-format off
#include "ui/gfx/win32/WinHeaders.h"
#include <ole2.h>
#include <olectl.h>
// clang-format on

namespace ui {
namespace {

// COM for the calling thread for the length of one decode (the picture decoder creates COM
// objects). Nested with whatever the thread already set up: CoInitializeEx then only counts up,
// and a thread already in the multi-threaded apartment is used as it is.
class CComForThisThread {
public:
    CComForThisThread() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~CComForThisThread() {
        if (SUCCEEDED(m_result)) {
            CoUninitialize();
        }
    }
    CComForThisThread(const CComForThisThread&) = delete;
    CComForThisThread& operator=(const CComForThisThread&) = delete;

private:
    HRESULT m_result;
};

win32::UniqueCom<IStream> StreamOver(std::span<const uint8_t> data) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, data.size());
    if (!block) {
        return nullptr;
    }
    void* bytes = GlobalLock(block);
    if (!bytes) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(bytes, data.data(), data.size());
    GlobalUnlock(block);
    IStream* stream = nullptr;
    // TRUE: the stream frees the block when it is released.
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream)) || !stream) {
        GlobalFree(block);
        return nullptr;
    }
    return win32::UniqueCom<IStream>(stream);
}

// The picture's bitmap as a surface of exactly the expected size.
std::optional<Surface> ReadBitmap(HBITMAP bitmap, int32_t width, int32_t height) {
    BITMAP header{};
    if (GetObjectW(bitmap, sizeof(header), &header) != sizeof(header) || header.bmWidth != width ||
        header.bmHeight != height) {
        return std::nullopt;
    }
    const win32::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc) {
        return std::nullopt;
    }
    Surface surface(width, height);
    if (surface.IsEmpty()) {
        return std::nullopt;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    if (GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(height), surface.Pixels().data(), &info,
                  DIB_RGB_COLORS) != height) {
        return std::nullopt;
    }
    for (Pixel& p : surface.Pixels()) {
        p &= 0x00FFFFFF;
    }
    return surface;
}

} // namespace

// Any thread (COM is set up for the caller for the length of the call).
std::optional<Surface> DecodeJpeg(std::span<const uint8_t> data) {
    const std::optional<win32::JpegFrame> frame = win32::ScanJpegStructure(data, Surface::kMaxDimension);
    if (!frame || data.size() > static_cast<size_t>(LONG_MAX)) {
        return std::nullopt;
    }
    const CComForThisThread com;
    win32::UniqueCom<IPicture> picture;
    {
        const win32::UniqueCom<IStream> stream = StreamOver(data);
        if (!stream) {
            return std::nullopt;
        }
        void* decoded = nullptr;
        if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(data.size()), FALSE, IID_IPicture,
                                  &decoded)) ||
            !decoded) {
            return std::nullopt;
        }
        picture.reset(static_cast<IPicture*>(decoded));
    }
    SHORT type = PICTYPE_UNINITIALIZED;
    OLE_HANDLE handle = 0;
    if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP || FAILED(picture->get_Handle(&handle)) ||
        handle == 0) {
        return std::nullopt;
    }
    // The picture keeps owning its bitmap; it is read before the picture is released.
    return ReadBitmap(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), frame->width, frame->height);
}

} // namespace ui
