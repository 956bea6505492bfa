// Owning holders for the GDI and COM objects of the gfx back-end: memory device contexts, GDI
// objects (bitmaps, fonts), the selection of an object into a context, and COM interfaces.
#pragma once

#include "ui/gfx/win32/WinHeaders.h"

#include <memory>
#include <type_traits>

namespace ui::win32 {

struct MemoryDcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
// A context from CreateCompatibleDC.
using UniqueMemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcDeleter>;

template <typename Handle> struct GdiObjectDeleter {
    void operator()(Handle object) const { DeleteObject(object); }
};
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter<HBITMAP>>;
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter<HFONT>>;

// Selects an object into a context for the holder's life and puts the previous one back, so that
// the object is never deleted while it is still selected.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(SelectObject(dc, object)) {}
    ~ScopedSelect() {
        if (m_previous) {
            SelectObject(m_dc, m_previous);
        }
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

    // False when the selection failed.
    explicit operator bool() const { return m_previous != nullptr && m_previous != HGDI_ERROR; }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

template <typename Interface> struct ComReleaser {
    void operator()(Interface* object) const { object->Release(); }
};
template <typename Interface> using UniqueCom = std::unique_ptr<Interface, ComReleaser<Interface>>;

} // namespace ui::win32
