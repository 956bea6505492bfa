// The X connection (see X11Connection.h).
#include "ui/x11/X11Connection.h"

#include <X11/Xatom.h>
#include <X11/extensions/shape.h>

#include <array>
#include <cstdio>
#include <mutex>

#include "sys/Process.h"

namespace ui::x11 {
namespace {

std::atomic<uint64_t> g_errors{0};

// Xlib's default handler ends the process on any protocol error; a window property the server
// refuses is no reason for that. Count and report instead.
int CountError(::Display* dpy, XErrorEvent* error) {
    g_errors.fetch_add(1, std::memory_order_relaxed);
    std::array<char, 160> text{};
    XGetErrorText(dpy, error->error_code, text.data(), static_cast<int>(text.size()));
    char line[256];
    std::snprintf(line, sizeof line, "x11: error %s (request %u.%u)\n", text.data(),
                  static_cast<unsigned>(error->request_code), static_cast<unsigned>(error->minor_code));
    sys::DebugOutput(line);
    return 0;
}

void InitXlibOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        XInitThreads();
        XSetErrorHandler(CountError);
    });
}

} // namespace

uint64_t Connection::ErrorCount() { return g_errors.load(std::memory_order_relaxed); }

std::unique_ptr<Connection> Connection::Open(const char* name) {
    InitXlibOnce();
    ::Display* dpy = XOpenDisplay(name);
    if (dpy == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<Connection>(new Connection(dpy));
}

Connection::Connection(::Display* dpy) : m_dpy(dpy), m_screen(DefaultScreen(dpy)), m_root(RootWindow(dpy, m_screen)) {
    static constexpr std::array kNames{
        "WM_PROTOCOLS", "WM_DELETE_WINDOW", "UTF8_STRING", "_NET_WM_NAME", "_NET_WM_ICON", "_NET_WM_STATE",
        "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_MODAL", "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_NORMAL",
        "_NET_WM_WINDOW_TYPE_UTILITY", "_NET_WM_WINDOW_TYPE_DIALOG", "_NET_WM_MOVERESIZE",
        "_NET_SUPPORTING_WM_CHECK", "_NET_SUPPORTED", "_NET_WORKAREA", "_NET_CURRENT_DESKTOP", "_MOTIF_WM_HINTS",
    };
    std::array<::Atom, kNames.size()> atoms{};
    XInternAtoms(m_dpy, const_cast<char**>(kNames.data()), static_cast<int>(kNames.size()), False, atoms.data());
    ::Atom* const slots[] = {
        &m_atoms.wmProtocols,           &m_atoms.wmDeleteWindow,        &m_atoms.utf8String,
        &m_atoms.netWmName,             &m_atoms.netWmIcon,             &m_atoms.netWmState,
        &m_atoms.netWmStateSkipTaskbar, &m_atoms.netWmStateModal,       &m_atoms.netWmWindowType,
        &m_atoms.netWmWindowTypeNormal, &m_atoms.netWmWindowTypeUtility, &m_atoms.netWmWindowTypeDialog,
        &m_atoms.netWmMoveResize,       &m_atoms.netSupportingWmCheck,  &m_atoms.netSupported,
        &m_atoms.netWorkarea,           &m_atoms.netCurrentDesktop,     &m_atoms.motifWmHints,
    };
    static_assert(std::size(slots) == kNames.size());
    for (size_t i = 0; i < kNames.size(); ++i) {
        *slots[i] = atoms[i];
    }
    int eventBase = 0;
    int errorBase = 0;
    m_hasShape = XShapeQueryExtension(m_dpy, &eventBase, &errorBase) != 0;
    ChooseFormat();
}

Connection::~Connection() {
    if (m_ownColormap) {
        XFreeColormap(m_dpy, m_format.colormap);
    }
    XCloseDisplay(m_dpy);
}

void Connection::ChooseFormat() {
    // A 24-bit TrueColor visual lets surfaces go out unconverted; the default visual usually is one.
    XVisualInfo info{};
    Visual* visual = DefaultVisual(m_dpy, m_screen);
    int depth = DefaultDepth(m_dpy, m_screen);
    Colormap colormap = DefaultColormap(m_dpy, m_screen);
    const bool defaultIsTrueColor24 = depth == 24 && visual->c_class == TrueColor;
    if (!defaultIsTrueColor24 && XMatchVisualInfo(m_dpy, m_screen, 24, TrueColor, &info) != 0) {
        visual = info.visual;
        depth = 24;
        colormap = XCreateColormap(m_dpy, m_root, visual, AllocNone);
        m_ownColormap = true;
    }
    m_format.visual = visual;
    m_format.depth = depth;
    m_format.colormap = colormap;
    m_format.redMask = visual->red_mask;
    m_format.greenMask = visual->green_mask;
    m_format.blueMask = visual->blue_mask;

    int bitsPerPixel = 0;
    int count = 0;
    if (XPixmapFormatValues* formats = XListPixmapFormats(m_dpy, &count)) {
        for (int i = 0; i < count; ++i) {
            if (formats[i].depth == depth) {
                bitsPerPixel = formats[i].bits_per_pixel;
            }
        }
        XFree(formats);
    }
    m_format.direct = visual->c_class == TrueColor && depth == 24 && bitsPerPixel == 32 &&
                      ImageByteOrder(m_dpy) == LSBFirst && m_format.redMask == 0xFF0000 &&
                      m_format.greenMask == 0xFF00 && m_format.blueMask == 0xFF;
}

std::optional<std::vector<long>> Connection::ReadLongProperty(::Window window, ::Atom property, ::Atom type) const {
    ::Atom actualType = 0;
    int actualFormat = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    constexpr long kMaxLongs = 1 << 16;
    if (XGetWindowProperty(m_dpy, window, property, 0, kMaxLongs, False, type, &actualType, &actualFormat, &count,
                           &after, &data) != Success) {
        return std::nullopt;
    }
    std::optional<std::vector<long>> values;
    if (data != nullptr && actualType == type && actualFormat == 32) {
        const auto* longs = reinterpret_cast<const long*>(data);
        values.emplace(longs, longs + count);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return values;
}

bool Connection::HasWindowManager() const {
    const auto onRoot = ReadLongProperty(m_root, m_atoms.netSupportingWmCheck, XA_WINDOW);
    if (!onRoot || onRoot->empty()) {
        return false;
    }
    // The check window names itself; a stale property left by a window manager that ended does not.
    const auto check = static_cast<::Window>((*onRoot)[0]);
    const auto onCheck = ReadLongProperty(check, m_atoms.netSupportingWmCheck, XA_WINDOW);
    return onCheck && !onCheck->empty() && static_cast<::Window>((*onCheck)[0]) == check;
}

bool Connection::WindowManagerSupports(::Atom atom) const {
    if (!HasWindowManager()) {
        return false;
    }
    const auto supported = ReadLongProperty(m_root, m_atoms.netSupported, XA_ATOM);
    if (!supported) {
        return false;
    }
    for (long value : *supported) {
        if (static_cast<::Atom>(value) == atom) {
            return true;
        }
    }
    return false;
}

} // namespace ui::x11
