// One X window with its background pixmap (see X11NativeWindow.h).
#include "ui/x11/X11NativeWindow.h"

#include <X11/Xatom.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdlib>
#include <string>

#include "sys/Process.h"
#include "ui/gfx/Painter.h"

namespace ui::x11 {
namespace {

// What a window shows before its first frame arrives: the usual dialog grey.
constexpr Pixel kBlankPixel = MakePixel(0xF0, 0xF0, 0xF0);

// _MOTIF_WM_HINTS: flags, functions, decorations, input mode, status; flag 2 says "decorations
// given", and decorations 0 asks for none.
constexpr long kMotifHintsDecorations = 2;

// _NET_WM_STATE client message actions.
constexpr long kNetWmStateRemove = 0;
constexpr long kNetWmStateAdd = 1;

int16_t ClampShort(int64_t v) { return static_cast<int16_t>(std::clamp<int64_t>(v, SHRT_MIN, SHRT_MAX)); }
uint16_t ClampSize(int64_t v) { return static_cast<uint16_t>(std::clamp<int64_t>(v, 1, USHRT_MAX)); }

unsigned long ScaleChannel(uint8_t value, unsigned long mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const unsigned long scaled = bits >= 8 ? static_cast<unsigned long>(value) << (bits - 8)
                                           : static_cast<unsigned long>(value) >> (8 - bits);
    return (scaled << shift) & mask;
}

std::string Latin1(std::u16string_view text, bool& representable) {
    std::string out;
    out.reserve(text.size());
    representable = true;
    for (char16_t c : text) {
        if (c > 0xFF) {
            representable = false;
            return {};
        }
        out.push_back(static_cast<char>(c));
    }
    return out;
}

} // namespace

unsigned long ConvertPixel(const PixelFormat& format, Pixel pixel) {
    return ScaleChannel(PixelRed(pixel), format.redMask) | ScaleChannel(PixelGreen(pixel), format.greenMask) |
           ScaleChannel(PixelBlue(pixel), format.blueMask);
}

// The protocol's coordinates and sizes are 16 bits; surfaces are at most Surface::kMaxDimension.
static Rect ProtocolRect(const Rect& screenRect) {
    const int32_t left = std::clamp(screenRect.left, int32_t{SHRT_MIN}, int32_t{SHRT_MAX});
    const int32_t top = std::clamp(screenRect.top, int32_t{SHRT_MIN}, int32_t{SHRT_MAX});
    const auto side = [](int64_t extent) {
        return static_cast<int32_t>(std::clamp<int64_t>(extent, 1, Surface::kMaxDimension));
    };
    return Rect{left, top, left + side(int64_t{screenRect.right} - screenRect.left),
                top + side(int64_t{screenRect.bottom} - screenRect.top)};
}

std::unique_ptr<NativeWindow> NativeWindow::Create(Connection& connection, const Rect& screenRect) {
    const Rect rect = ProtocolRect(screenRect);

    ::Display* dpy = connection.Dpy();
    const PixelFormat& format = connection.Format();
    XSetWindowAttributes attributes{};
    attributes.colormap = format.colormap;
    attributes.border_pixel = 0;
    attributes.background_pixel = ConvertPixel(format, kBlankPixel);
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                            KeyReleaseMask | FocusChangeMask | StructureNotifyMask | LeaveWindowMask;
    const ::Window window =
        XCreateWindow(dpy, connection.Root(), rect.left, rect.top, static_cast<unsigned>(rect.Width()),
                      static_cast<unsigned>(rect.Height()), 0, format.depth, InputOutput, format.visual,
                      CWColormap | CWBorderPixel | CWBackPixel | CWEventMask, &attributes);
    if (window == 0) {
        return nullptr;
    }
    return std::unique_ptr<NativeWindow>(new NativeWindow(connection, window, rect));
}

NativeWindow::NativeWindow(Connection& connection, ::Window window, const Rect& rect)
    : m_connection(connection), m_window(window), m_rect(rect), m_lastPosition{rect.left, rect.top} {
    ::Display* dpy = m_connection.Dpy();
    const AtomTable& atoms = m_connection.Atoms();
    m_gc = XCreateGC(dpy, m_window, 0, nullptr);

    ::Atom protocols[] = {atoms.wmDeleteWindow};
    XSetWMProtocols(dpy, m_window, protocols, 1);

    const long motif[5] = {kMotifHintsDecorations, 0, 0, 0, 0};
    XChangeProperty(dpy, m_window, atoms.motifWmHints, atoms.motifWmHints, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motif), 5);

    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = True;
    hints.initial_state = NormalState;
    XSetWMHints(dpy, m_window, &hints);

    XClassHint classHint{};
    std::string name = "kestrel";
    std::string className = "Kestrel";
    classHint.res_name = name.data();
    classHint.res_class = className.data();
    XSetClassHint(dpy, m_window, &classHint);

    WriteSizeHints();
    MakePixmap(m_rect.Width(), m_rect.Height());
    SetKind(WindowKind::Normal, false);
}

NativeWindow::~NativeWindow() {
    ::Display* dpy = m_connection.Dpy();
    XDestroyWindow(dpy, m_window);
    if (m_pixmap != 0) {
        XFreePixmap(dpy, m_pixmap);
    }
    XFreeGC(dpy, m_gc);
    XFlush(dpy);
}

void NativeWindow::WriteSizeHints() {
    // Position and size are the program's: the window manager keeps the client where it was put
    // (static gravity) and may not resize it.
    XSizeHints* size = XAllocSizeHints();
    if (size == nullptr) {
        return;
    }
    size->flags = USPosition | PPosition | USSize | PSize | PMinSize | PMaxSize | PWinGravity;
    size->x = m_rect.left;
    size->y = m_rect.top;
    size->width = size->min_width = size->max_width = m_rect.Width();
    size->height = size->min_height = size->max_height = m_rect.Height();
    size->win_gravity = StaticGravity;
    XSetWMNormalHints(m_connection.Dpy(), m_window, size);
    XFree(size);
}

void NativeWindow::MakePixmap(int32_t width, int32_t height) {
    ::Display* dpy = m_connection.Dpy();
    const Pixmap pixmap = XCreatePixmap(dpy, m_window, static_cast<unsigned>(width), static_cast<unsigned>(height),
                                        static_cast<unsigned>(m_connection.Format().depth));
    XSetForeground(dpy, m_gc, ConvertPixel(m_connection.Format(), kBlankPixel));
    XFillRectangle(dpy, pixmap, m_gc, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (m_pixmap != 0) {
        XCopyArea(dpy, m_pixmap, pixmap, m_gc, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0);
        XFreePixmap(dpy, m_pixmap);
    }
    m_pixmap = pixmap;
    XSetWindowBackgroundPixmap(dpy, m_window, m_pixmap);
}

void NativeWindow::Show(bool visible) {
    ::Display* dpy = m_connection.Dpy();
    if (visible == m_shown) {
        return;
    }
    m_shown = visible;
    if (visible) {
        // Window managers read the position hints at map time; write them as they are now.
        WriteSizeHints();
        XMapRaised(dpy, m_window);
    } else {
        XWithdrawWindow(dpy, m_window, m_connection.Screen());
    }
    XFlush(dpy);
}

void NativeWindow::MoveResize(const Rect& screenRect) {
    const Rect rect = ProtocolRect(screenRect);
    const bool resized = rect.Width() != m_rect.Width() || rect.Height() != m_rect.Height();
    m_rect = rect;
    WriteSizeHints();
    if (resized) {
        MakePixmap(rect.Width(), rect.Height());
    }
    XMoveResizeWindow(m_connection.Dpy(), m_window, rect.left, rect.top, static_cast<unsigned>(rect.Width()),
                      static_cast<unsigned>(rect.Height()));
    XFlush(m_connection.Dpy());
}

void NativeWindow::SetTitle(std::u16string_view title) {
    ::Display* dpy = m_connection.Dpy();
    const AtomTable& atoms = m_connection.Atoms();
    const std::string utf8 = sys::ToUtf8(title);
    XChangeProperty(dpy, m_window, atoms.netWmName, atoms.utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
    // WM_NAME for older window managers: Latin-1 STRING where the title allows it.
    bool latin1 = false;
    const std::string plain = Latin1(title, latin1);
    const std::string& wmName = latin1 ? plain : utf8;
    XChangeProperty(dpy, m_window, XA_WM_NAME, latin1 ? XA_STRING : atoms.utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(wmName.data()), static_cast<int>(wmName.size()));
    XFlush(dpy);
}

bool NativeWindow::SetShape(const std::vector<Rect>& rectangles) {
    if (!m_connection.HasShape()) {
        return false;
    }
    ::Display* dpy = m_connection.Dpy();
    const uint64_t errorsBefore = Connection::ErrorCount();
    if (rectangles.empty()) {
        XShapeCombineMask(dpy, m_window, ShapeBounding, 0, 0, None, ShapeSet);
    } else {
        std::vector<XRectangle> xrects;
        xrects.reserve(rectangles.size());
        for (const Rect& r : rectangles) {
            if (r.IsEmpty()) {
                continue;
            }
            xrects.push_back(XRectangle{ClampShort(r.left), ClampShort(r.top),
                                        ClampSize(int64_t{r.right} - r.left), ClampSize(int64_t{r.bottom} - r.top)});
        }
        // No non-empty rectangle is an empty region: the window shows nothing, as an empty region does.
        XShapeCombineRectangles(dpy, m_window, ShapeBounding, 0, 0, xrects.data(), static_cast<int>(xrects.size()),
                                ShapeSet, Unsorted);
    }
    XSync(dpy, False);
    return Connection::ErrorCount() == errorsBefore;
}

void NativeWindow::SetIcon(const IconImage& icon) {
    const std::vector<unsigned long> values = NetWmIconData(icon);
    if (values.empty()) {
        return;
    }
    XChangeProperty(m_connection.Dpy(), m_window, m_connection.Atoms().netWmIcon, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(values.size()));
    XFlush(m_connection.Dpy());
}

void NativeWindow::SetKind(WindowKind kind, bool skipTaskbar) {
    ::Display* dpy = m_connection.Dpy();
    const AtomTable& atoms = m_connection.Atoms();
    const ::Atom type = kind == WindowKind::Utility  ? atoms.netWmWindowTypeUtility
                        : kind == WindowKind::Dialog ? atoms.netWmWindowTypeDialog
                                                     : atoms.netWmWindowTypeNormal;
    XChangeProperty(dpy, m_window, atoms.netWmWindowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&type), 1);
    if (skipTaskbar != m_skipTaskbar) {
        m_skipTaskbar = skipTaskbar;
        SetState(atoms.netWmStateSkipTaskbar, skipTaskbar);
    }
    XFlush(dpy);
}

void NativeWindow::SetTransientFor(::Window owner) {
    ::Display* dpy = m_connection.Dpy();
    if (owner != 0) {
        XSetTransientForHint(dpy, m_window, owner);
    } else {
        XDeleteProperty(dpy, m_window, XA_WM_TRANSIENT_FOR);
    }
    if (m_modal != (owner != 0)) {
        m_modal = owner != 0;
        SetState(m_connection.Atoms().netWmStateModal, m_modal);
    }
    XFlush(dpy);
}

void NativeWindow::SetState(::Atom state, bool on) {
    ::Display* dpy = m_connection.Dpy();
    const AtomTable& atoms = m_connection.Atoms();
    if (!m_shown) {
        // Before mapping the client writes the property; the window manager reads it at map time.
        std::vector<::Atom> states;
        if (m_skipTaskbar) {
            states.push_back(atoms.netWmStateSkipTaskbar);
        }
        if (m_modal) {
            states.push_back(atoms.netWmStateModal);
        }
        XChangeProperty(dpy, m_window, atoms.netWmState, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(states.data()), static_cast<int>(states.size()));
        return;
    }
    // A mapped window's state belongs to the window manager: ask it.
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = m_window;
    event.xclient.message_type = atoms.netWmState;
    event.xclient.format = 32;
    event.xclient.data.l[0] = on ? kNetWmStateAdd : kNetWmStateRemove;
    event.xclient.data.l[1] = static_cast<long>(state);
    event.xclient.data.l[3] = 1; // from a normal application
    XSendEvent(dpy, m_connection.Root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

void NativeWindow::Present(const Surface& surface, const Rect& dirty) {
    const Rect area = IntersectRect(IntersectRect(dirty, surface.Bounds()), Rect{0, 0, m_rect.Width(), m_rect.Height()});
    if (area.IsEmpty()) {
        return;
    }
    ::Display* dpy = m_connection.Dpy();
    const PixelFormat& format = m_connection.Format();
    const auto width = static_cast<unsigned>(area.Width());
    const auto height = static_cast<unsigned>(area.Height());
    if (format.direct) {
        // The surface is already in the screen's format: hand XPutImage its rows as they are.
        auto* data = const_cast<char*>(reinterpret_cast<const char*>(surface.Pixels().data()));
        XImage* image = XCreateImage(dpy, format.visual, static_cast<unsigned>(format.depth), ZPixmap, 0, data,
                                     static_cast<unsigned>(surface.Width()), static_cast<unsigned>(surface.Height()),
                                     32, surface.Stride() * 4);
        if (image == nullptr) {
            return;
        }
        XPutImage(dpy, m_pixmap, m_gc, image, area.left, area.top, area.left, area.top, width, height);
        image->data = nullptr; // the surface's, not Xlib's to free
        XDestroyImage(image);
    } else {
        XImage* image = XCreateImage(dpy, format.visual, static_cast<unsigned>(format.depth), ZPixmap, 0, nullptr,
                                     width, height, 32, 0);
        if (image == nullptr) {
            return;
        }
        image->data = static_cast<char*>(std::malloc(static_cast<size_t>(image->bytes_per_line) * height));
        if (image->data == nullptr) {
            XDestroyImage(image);
            return;
        }
        for (int32_t y = 0; y < area.Height(); ++y) {
            for (int32_t x = 0; x < area.Width(); ++x) {
                XPutPixel(image, x, y, ConvertPixel(format, surface.At(area.left + x, area.top + y)));
            }
        }
        XPutImage(dpy, m_pixmap, m_gc, image, 0, 0, area.left, area.top, width, height);
        XDestroyImage(image); // frees the buffer too
    }
    XClearArea(dpy, m_window, area.left, area.top, width, height, False);
    XFlush(dpy);
}

bool NativeWindow::NotePosition(Point screen) {
    if (screen == m_lastPosition) {
        return false;
    }
    m_lastPosition = screen;
    m_rect = Rect{screen.x, screen.y, screen.x + m_rect.Width(), screen.y + m_rect.Height()};
    return true;
}

} // namespace ui::x11
