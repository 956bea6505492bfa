// The X connection of the X11 back-end: the Display*, its screen, the atoms the back-end uses, the
// pixel format that surfaces are presented in, and whether a window manager runs. Internal to
// ui/x11 (it includes Xlib, whose macros must stay out of the framework's headers).
//
// Xlib is used from the display's thread only (the user-interface thread); XInitThreads is still
// called before the connection opens, so a stray call from elsewhere cannot corrupt it.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui::x11 {

struct AtomTable {
    Atom wmProtocols = 0;
    Atom wmDeleteWindow = 0;
    Atom utf8String = 0;
    Atom netWmName = 0;
    Atom netWmIcon = 0;
    Atom netWmState = 0;
    Atom netWmStateSkipTaskbar = 0;
    Atom netWmStateModal = 0;
    Atom netWmWindowType = 0;
    Atom netWmWindowTypeNormal = 0;
    Atom netWmWindowTypeUtility = 0;
    Atom netWmWindowTypeDialog = 0;
    Atom netWmMoveResize = 0;
    Atom netSupportingWmCheck = 0;
    Atom netSupported = 0;
    Atom netWorkarea = 0;
    Atom netCurrentDesktop = 0;
    Atom motifWmHints = 0;
};

// How surface pixels (0x00RRGGBB, 32 bits) reach the screen.
struct PixelFormat {
    Visual* visual = nullptr;
    int depth = 0;
    Colormap colormap = 0;
    // True when a surface row can be handed to XPutImage as it is: a TrueColor visual with the
    // masks 0xFF0000 / 0xFF00 / 0xFF, 32 bits per pixel, least significant byte first.
    bool direct = false;
    unsigned long redMask = 0;
    unsigned long greenMask = 0;
    unsigned long blueMask = 0;
};

class Connection {
public:
    // Opens `name` (nullptr: $DISPLAY). Nothing when it cannot be opened.
    static std::unique_ptr<Connection> Open(const char* name);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    ::Display* Dpy() const { return m_dpy; }
    int Screen() const { return m_screen; }
    ::Window Root() const { return m_root; }
    int Fd() const { return ConnectionNumber(m_dpy); }
    const AtomTable& Atoms() const { return m_atoms; }
    const PixelFormat& Format() const { return m_format; }
    bool HasShape() const { return m_hasShape; }

    // True when a window manager that follows the EWMH runs (_NET_SUPPORTING_WM_CHECK), looked up
    // afresh each time: a window manager may start or end while we run.
    bool HasWindowManager() const;
    // True when the running window manager lists `atom` in _NET_SUPPORTED.
    bool WindowManagerSupports(::Atom atom) const;

    // A whole property of format 32 (CARDINAL, ATOM, WINDOW): its values, or nothing.
    std::optional<std::vector<long>> ReadLongProperty(::Window window, ::Atom property, ::Atom type) const;

    // Protocol errors seen so far (our error handler counts them instead of ending the process).
    static uint64_t ErrorCount();

private:
    explicit Connection(::Display* dpy);
    void ChooseFormat();

    ::Display* m_dpy = nullptr;
    int m_screen = 0;
    ::Window m_root = 0;
    AtomTable m_atoms;
    PixelFormat m_format;
    bool m_hasShape = false;
    bool m_ownColormap = false;
};

} // namespace ui::x11
