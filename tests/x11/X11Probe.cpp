// The tests' own X connection (see X11Probe.h).
#include <gtest/gtest.h>

#include "X11Probe.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstdlib>

namespace x11_testing {

bool Xdotool(const std::string& arguments) {
    const std::string command = "xdotool " + arguments;
    return std::system(command.c_str()) == 0;
}

Probe::Probe() : m_dpy(XOpenDisplay(nullptr)) {
    if (m_dpy == nullptr) {
        ADD_FAILURE() << "the probe cannot open the display";
        std::abort();
    }
}

Probe::~Probe() { XCloseDisplay(m_dpy); }

Atom Probe::AtomOf(const char* name) const { return XInternAtom(m_dpy, name, False); }

std::optional<ui::Point> Probe::ScreenPosition(Window window) const {
    int x = 0;
    int y = 0;
    Window child = 0;
    if (!XTranslateCoordinates(m_dpy, window, Root(), 0, 0, &x, &y, &child)) {
        return std::nullopt;
    }
    return ui::Point{x, y};
}

bool Probe::IsMapped(Window window) const {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(m_dpy, window, &attributes) != 0 && attributes.map_state == IsViewable;
}

std::optional<Probe::Property> Probe::Read(Window window, const char* name) const {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(m_dpy, window, AtomOf(name), 0, 1 << 20, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) != Success ||
        type == None) {
        if (data != nullptr) {
            XFree(data);
        }
        return std::nullopt;
    }
    Property property;
    property.type = type;
    property.format = format;
    if (format == 32) {
        const auto* longs = reinterpret_cast<const long*>(data);
        property.longs.assign(longs, longs + count);
    } else if (format == 8) {
        property.bytes.assign(reinterpret_cast<const char*>(data), count);
    }
    XFree(data);
    return property;
}

uint32_t Probe::ScreenPixel(int x, int y) const {
    XImage* image = XGetImage(m_dpy, Root(), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
        ADD_FAILURE() << "no screen image at " << x << "," << y;
        return 0xFFFFFFFFu;
    }
    const auto pixel = static_cast<uint32_t>(XGetPixel(image, 0, 0) & 0xFFFFFF);
    XDestroyImage(image);
    return pixel;
}

void Probe::PaintRoot(uint32_t rgb) {
    XSetWindowBackground(m_dpy, Root(), rgb);
    XClearWindow(m_dpy, Root());
    XSync(m_dpy, False);
}

Window Probe::FindByTitle(const std::string& utf8Title) const { return FindBelow(Root(), utf8Title, 0); }

// A window manager puts each client into a frame of its own: look one level further down too.
Window Probe::FindBelow(Window parent, const std::string& utf8Title, int depth) const {
    Window rootReturn = 0;
    Window parentReturn = 0;
    Window* children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(m_dpy, parent, &rootReturn, &parentReturn, &children, &count) == 0) {
        return 0;
    }
    for (unsigned i = 0; i < count && found == 0; ++i) {
        const auto name = Read(children[i], "_NET_WM_NAME");
        if (name && name->bytes == utf8Title && IsMapped(children[i])) {
            found = children[i];
        } else if (depth < 2) {
            found = FindBelow(children[i], utf8Title, depth + 1);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

} // namespace x11_testing
