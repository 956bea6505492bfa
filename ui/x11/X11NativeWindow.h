// One X window of the back-end: a top-level window of the program or one of our message boxes. It
// keeps a pixmap of the window's size as its background, so presenting a surface writes into the
// pixmap and the server repaints exposed parts from it without a round trip through the program.
// Display thread only. Internal to ui/x11.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "ui/Types.h"
#include "ui/gfx/Surface.h"
#include "ui/x11/X11Connection.h"
#include "ui/x11/X11Icon.h"

namespace ui::x11 {

enum class WindowKind { Normal, Utility, Dialog };

class NativeWindow {
public:
    // An undecorated, unmapped window at `screenRect` (sides are kept within 1 and
    // Surface::kMaxDimension, coordinates within the protocol's 16 bits). Nothing when the server
    // refuses it.
    static std::unique_ptr<NativeWindow> Create(Connection& connection, const Rect& screenRect);
    ~NativeWindow();
    NativeWindow(const NativeWindow&) = delete;
    NativeWindow& operator=(const NativeWindow&) = delete;

    ::Window Id() const { return m_window; }
    const Rect& ScreenRect() const { return m_rect; }
    bool IsShown() const { return m_shown; }

    void Show(bool visible);
    // Position and size as the program sets them; the size hints pin both for the window manager.
    void MoveResize(const Rect& screenRect);
    void SetTitle(std::u16string_view title);
    // Bounding shape from the union of `rectangles` (client coordinates); empty: no shape. False
    // when the server has no shape extension or refused the shape.
    bool SetShape(const std::vector<Rect>& rectangles);
    void SetIcon(const IconImage& icon);
    void SetKind(WindowKind kind, bool skipTaskbar);
    // A dialog of `owner` (0: none): transient for it and modal.
    void SetTransientFor(::Window owner);
    // Copies the `dirty` part of `surface` (clipped to both) into the window.
    void Present(const Surface& surface, const Rect& dirty);

    // The last position seen from the server; false when it did not change.
    bool NotePosition(Point screen);

private:
    NativeWindow(Connection& connection, ::Window window, const Rect& rect);
    void WriteSizeHints();
    void MakePixmap(int32_t width, int32_t height);
    void SetState(::Atom state, bool on);

    Connection& m_connection;
    ::Window m_window = 0;
    Pixmap m_pixmap = 0;
    GC m_gc = nullptr;
    Rect m_rect;
    Point m_lastPosition;
    bool m_shown = false;
    bool m_skipTaskbar = false;
    bool m_modal = false;
};

// The screen value of a surface pixel in a format that is not the surfaces' own.
unsigned long ConvertPixel(const PixelFormat& format, Pixel pixel);

} // namespace ui::x11
