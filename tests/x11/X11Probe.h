// A second X connection of the tests' own, to the same server: what other clients (a window
// manager, a screenshot) see of our windows; and xdotool for real input.
#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/Types.h"

namespace x11_testing {

// Runs an xdotool command line ("mousemove 10 10 click 1"); true when it succeeded.
bool Xdotool(const std::string& arguments);

class Probe {
public:
    Probe();
    ~Probe();
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    Display* Dpy() const { return m_dpy; }
    Window Root() const { return DefaultRootWindow(m_dpy); }
    Atom AtomOf(const char* name) const;

    std::optional<ui::Point> ScreenPosition(Window window) const;
    bool IsMapped(Window window) const;
    // The property's raw bytes, its type and format, or nothing when the window has none.
    struct Property {
        Atom type = 0;
        int format = 0;
        std::vector<long> longs;     // format 32
        std::string bytes;           // format 8
    };
    std::optional<Property> Read(Window window, const char* name) const;
    // The root window's pixel at a screen point (0x00RRGGBB).
    uint32_t ScreenPixel(int x, int y) const;
    // A plain root background, so that uncovered screen shows one known colour.
    void PaintRoot(uint32_t rgb);
    // A top-level window whose _NET_WM_NAME is `utf8Title`, or 0.
    Window FindByTitle(const std::string& utf8Title) const;
    void Sync() const { XSync(m_dpy, False); }

private:
    Window FindBelow(Window parent, const std::string& utf8Title, int depth) const;

    Display* m_dpy = nullptr;
};

} // namespace x11_testing
