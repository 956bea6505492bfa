// The native top-level windows of the Windows back-end (see Win32NativeWindow.h).
#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "ui/Input.h"
#include "ui/WindowApi.h"
#include "ui/win32/Win32Translate.h"
#include "ui/win32/Win32Waiter.h"

// After our own headers (it includes <windows.h>).
#include "ui/win32/Win32NativeWindow.h"

namespace ui::win32 {

namespace {

constexpr wchar_t kClassName[] = L"KestrelWindow";
constexpr DWORD kStyle = WS_POPUP | WS_SYSMENU; // no caption, no frame; the window menu exists
constexpr uint32_t kMaxResourceId = 0xFFFF;

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

Rect FromRECT(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

// Screen position of a window's top-left corner (the framework's rectangles are window rectangles;
// with no frame the client area starts there too).
Point WindowOrigin(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return Point{r.left, r.top};
}

} // namespace

UniqueRegion CreateRegionFromRectangles(const std::vector<Rect>& rectangles) {
    const auto kept = NonEmptyRectangles(rectangles);
    if (!kept) {
        return UniqueRegion(CreateRectRgn(0, 0, 0, 0));
    }
    const size_t count = kept->rectangles.size();
    if (count > (std::numeric_limits<DWORD>::max() - sizeof(RGNDATAHEADER)) / sizeof(RECT)) {
        return nullptr;
    }
    // RGNDATA: its header, then the rectangles. Built by copying into a buffer that the allocator
    // aligns for any type; GDI reads it as the structure it documents.
    const size_t bytes = sizeof(RGNDATAHEADER) + count * sizeof(RECT);
    auto buffer = std::make_unique<std::byte[]>(bytes);
    RGNDATAHEADER header{};
    header.dwSize = sizeof(RGNDATAHEADER);
    header.iType = RDH_RECTANGLES;
    header.nCount = static_cast<DWORD>(count);
    header.nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
    const Rect& b = kept->bounds;
    header.rcBound = RECT{b.left, b.top, b.right, b.bottom};
    std::memcpy(buffer.get(), &header, sizeof header);
    for (size_t i = 0; i < count; ++i) {
        const Rect& r = kept->rectangles[i];
        const RECT native{r.left, r.top, r.right, r.bottom};
        std::memcpy(buffer.get() + sizeof header + i * sizeof(RECT), &native, sizeof native);
    }
    return UniqueRegion(
        ExtCreateRegion(nullptr, static_cast<DWORD>(bytes), reinterpret_cast<const RGNDATA*>(buffer.get())));
}

bool RegisterNativeWindowClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &NativeWindow::Procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
        wc.lpszClassName = kClassName;
        // No background brush: WM_ERASEBKGND does nothing, the surface covers the whole window.
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

std::unique_ptr<NativeWindow> NativeWindow::Create(WindowHandle handle, const Rect& rect, std::u16string_view title,
                                                   uint32_t programExStyle) {
    if (!RegisterNativeWindowClass()) {
        return nullptr;
    }
    std::unique_ptr<NativeWindow> window(new NativeWindow(handle));
    const std::wstring text = Wide(title);
    HWND hwnd = nullptr;
    {
        SelfCall call(*window);
        hwnd = CreateWindowExW(MergeExStyle(0, programExStyle), kClassName, text.c_str(), kStyle, rect.left, rect.top,
                               std::max(0, rect.Width()), std::max(0, rect.Height()), nullptr, nullptr,
                               GetModuleHandleW(nullptr), window.get());
    }
    if (hwnd == nullptr) {
        window->m_hwnd = nullptr; // a window that failed in creation is gone already
        return nullptr;
    }
    return window;
}

NativeWindow::~NativeWindow() {
    if (m_hwnd == nullptr) {
        return;
    }
    // Whatever DestroyWindow still sends goes to the default procedure, not to a half-gone object.
    SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
    if (::GetCapture() == m_hwnd) {
        ::ReleaseCapture();
    }
    DestroyWindow(m_hwnd);
}

LRESULT CALLBACK NativeWindow::Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<NativeWindow*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<NativeWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    return self->OnMessage(hwnd, msg, wParam, lParam);
}

// Owner thread. The framework may destroy this window (and so this object) inside any of the
// Inject calls: nothing after one of them touches a member.
LRESULT NativeWindow::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const WindowHandle handle = m_handle;
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        const HDC dc = BeginPaint(hwnd, &paint);
        const Rect area = FromRECT(paint.rcPaint);
        EndPaint(hwnd, &paint);
        if (dc != nullptr && !area.IsEmpty()) {
            InjectExpose(handle, area); // presents the surface again (PresentNativeWindow)
        }
        return 0;
    }
    case WM_ERASEBKGND:
        return 1; // the surface covers everything; erasing would only flicker
    case WM_MOUSEMOVE:
        TrackLeave(hwnd);
        [[fallthrough]];
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        InjectMouse(handle, msg, Point{XFromLParam(lParam), YFromLParam(lParam)}, FrameworkMouseKeys(wParam));
        return 0;
    case WM_MOUSELEAVE: {
        // The pointer left: a move to where it went lets hover looks end, as on X11.
        m_trackingLeave = false;
        POINT at{};
        GetCursorPos(&at);
        ScreenToClient(hwnd, &at);
        WPARAM keys = 0;
        keys |= (GetKeyState(VK_LBUTTON) & 0x8000) != 0 ? MK_LBUTTON : 0;
        keys |= (GetKeyState(VK_RBUTTON) & 0x8000) != 0 ? MK_RBUTTON : 0;
        InjectMouse(handle, WM_MOUSEMOVE, Point{at.x, at.y}, keys);
        return 0;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
        InjectKey(handle, msg, wParam);
        return 0;
    case WM_CLOSE:
        // Never the default (which destroys the window): the framework decides, and ignores the
        // request while the close item is grayed.
        InjectCloseRequest(handle);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            InjectCloseRequest(handle);
            return 0;
        }
        break;
    case WM_MOUSEACTIVATE:
        // A window the framework disabled (an owner while its modal dialog runs) is not activated
        // by a click, as a disabled native window is not.
        if (!ui::IsWindowEnabled(handle)) {
            return MA_NOACTIVATEANDEAT;
        }
        break;
    case WM_ACTIVATE:
        if (m_selfCalls == 0) {
            InjectActivation(handle, LOWORD(wParam) != WA_INACTIVE);
            if (!::IsWindow(hwnd)) {
                return 0;
            }
        }
        break; // the default gives the window the keyboard focus
    case WM_MOVE:
        if (m_selfCalls == 0) {
            InjectMoved(handle, WindowOrigin(hwnd));
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void NativeWindow::TrackLeave(HWND hwnd) {
    if (m_trackingLeave) {
        return;
    }
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = hwnd;
    m_trackingLeave = TrackMouseEvent(&track) != FALSE;
}

void NativeWindow::Show(bool visible, bool activate) {
    SelfCall call(*this);
    ShowWindow(m_hwnd, !visible ? SW_HIDE : activate ? SW_SHOW : SW_SHOWNA);
}

void NativeWindow::SetTitle(std::u16string_view title) {
    SelfCall call(*this);
    SetWindowTextW(m_hwnd, Wide(title).c_str());
}

void NativeWindow::MoveResize(const Rect& screenRect) {
    SelfCall call(*this);
    SetWindowPos(m_hwnd, nullptr, screenRect.left, screenRect.top, std::max(0, screenRect.Width()),
                 std::max(0, screenRect.Height()), SWP_NOZORDER | SWP_NOACTIVATE);
}

bool NativeWindow::SetRegion(const std::vector<Rect>& rectangles) {
    SelfCall call(*this);
    if (rectangles.empty()) {
        return SetWindowRgn(m_hwnd, nullptr, TRUE) != 0;
    }
    UniqueRegion region = CreateRegionFromRectangles(rectangles);
    if (!region || SetWindowRgn(m_hwnd, region.get(), TRUE) == 0) {
        return false; // the holder deletes a region the window did not take
    }
    [[maybe_unused]] HRGN taken = region.release(); // the window owns it now
    return true;
}

void NativeWindow::Present(const Surface& surface, const Rect& dirty) {
    const Rect area{std::max(dirty.left, 0), std::max(dirty.top, 0), std::min(dirty.right, surface.Width()),
                    std::min(dirty.bottom, surface.Height())};
    if (area.IsEmpty()) {
        return;
    }
    const HDC dc = GetDC(m_hwnd);
    if (dc == nullptr) {
        return;
    }
    // The rows of the area as a DIB of their own (32 bpp, top-down: negative height), so that the
    // source rectangle starts at its first row whichever way the DIB runs.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = surface.Stride();
    info.bmiHeader.biHeight = -area.Height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, area.left, area.top, static_cast<DWORD>(area.Width()), static_cast<DWORD>(area.Height()),
                      area.left, 0, 0, static_cast<UINT>(area.Height()), surface.Row(area.top).data(), &info,
                      DIB_RGB_COLORS);
    ReleaseDC(m_hwnd, dc);
}

void NativeWindow::SetIcon(uint32_t iconResourceId) {
    if (iconResourceId == 0 || iconResourceId > kMaxResourceId) {
        return;
    }
    HINSTANCE module = GetModuleHandleW(nullptr);
    const auto load = [&](int widthMetric, int heightMetric) {
        return UniqueIcon(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(iconResourceId), IMAGE_ICON,
                                                        GetSystemMetrics(widthMetric),
                                                        GetSystemMetrics(heightMetric), 0)));
    };
    // No such icon: the window keeps the one it has. The old icons go once the new ones are set.
    if (UniqueIcon big = load(SM_CXICON, SM_CYICON)) {
        SendMessageW(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
        m_bigIcon = std::move(big);
    }
    if (UniqueIcon small = load(SM_CXSMICON, SM_CYSMICON)) {
        SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
        m_smallIcon = std::move(small);
    }
}

void NativeWindow::SetExStyle(uint32_t programExStyle) {
    SelfCall call(*this);
    const auto current = static_cast<uint32_t>(GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE));
    const uint32_t next = MergeExStyle(current, programExStyle);
    if (next == current) {
        return;
    }
    // The taskbar looks at the styles when a window is shown: a shown window is hidden meanwhile.
    const bool shown = IsWindowVisible(m_hwnd) != FALSE;
    const bool active = ::GetActiveWindow() == m_hwnd;
    if (shown) {
        ShowWindow(m_hwnd, SW_HIDE);
    }
    SetWindowLongPtrW(m_hwnd, GWL_EXSTYLE, static_cast<LONG_PTR>(next));
    SetWindowPos(m_hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    if (shown) {
        ShowWindow(m_hwnd, active ? SW_SHOW : SW_SHOWNA);
    }
}

void NativeWindow::SetCloseItem(bool enabled) {
    if (HMENU menu = GetSystemMenu(m_hwnd, FALSE)) {
        EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    }
}

void NativeWindow::BeginMoveDrag(Point screen) {
    // The press may be over by the time the request arrives: then there is nothing to drag, and
    // the system's move loop would wait for a button that is not down.
    if ((GetKeyState(VK_LBUTTON) & 0x8000) == 0) {
        return;
    }
    POINT at{screen.x, screen.y};
    GetCursorPos(&at);
    HWND hwnd = m_hwnd;
    ::ReleaseCapture();
    // The move loop runs inside this call; the framework's queue keeps being served meanwhile, and
    // may destroy this window: nothing after it touches a member.
    CNativeModalScope modal;
    SendMessageW(hwnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(at.x, at.y));
}

void NativeWindow::SetPointerGrab(bool grab) {
    if (grab) {
        ::SetCapture(m_hwnd);
    } else if (::GetCapture() == m_hwnd) {
        ::ReleaseCapture();
    }
}

} // namespace ui::win32
