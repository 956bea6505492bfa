// Basic types and standard message numbers of the window framework. The numbers are the usual
// Windows values so that the Windows back-end can pass messages through unchanged.
#pragma once

#include <cstdint>
#include <functional>

namespace ui {

using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

// A window's identity across threads. Never reused within a process; a message to a handle whose
// window is gone is dropped.
struct WindowHandle {
    uint64_t value = 0;
    explicit operator bool() const { return value != 0; }
    friend bool operator==(WindowHandle a, WindowHandle b) { return a.value == b.value; }
    friend bool operator!=(WindowHandle a, WindowHandle b) { return a.value != b.value; }
};

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(Point, Point) = default;
};

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Standard messages (Windows numbering).
inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_MOVE = 0x0003;
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_ACTIVATE = 0x0006;
inline constexpr UINT WM_SETFOCUS = 0x0007;
inline constexpr UINT WM_KILLFOCUS = 0x0008;
inline constexpr UINT WM_ENABLE = 0x000A;
inline constexpr UINT WM_SETTEXT = 0x000C;
inline constexpr UINT WM_GETTEXT = 0x000D;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_ERASEBKGND = 0x0014;
inline constexpr UINT WM_SHOWWINDOW = 0x0018;
inline constexpr UINT WM_SETCURSOR = 0x0020;
inline constexpr UINT WM_QUERYDRAGICON = 0x0037;
inline constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_RBUTTONUP = 0x0205;
inline constexpr UINT WM_CAPTURECHANGED = 0x0215;
inline constexpr UINT WM_POWERBROADCAST = 0x0218;
inline constexpr UINT WM_DEVICECHANGE = 0x0219;
inline constexpr UINT WM_USER = 0x0400;

// Window styles (Windows values).
inline constexpr uint32_t WS_POPUP = 0x80000000u;
inline constexpr uint32_t WS_CHILD = 0x40000000u;
inline constexpr uint32_t WS_VISIBLE = 0x10000000u;
inline constexpr uint32_t WS_DISABLED = 0x08000000u;
inline constexpr uint32_t WS_CLIPSIBLINGS = 0x04000000u;
inline constexpr uint32_t WS_SYSMENU = 0x00080000u;
inline constexpr uint32_t WS_EX_TOOLWINDOW = 0x00000080u;
inline constexpr uint32_t WS_EX_OVERLAPPEDWINDOW = 0x00000300u;

inline constexpr UINT HTCAPTION = 2;
inline constexpr WPARAM SC_CLOSE = 0xF060;   // WM_SYSCOMMAND: the window menu's close item
inline constexpr WPARAM WA_INACTIVE = 0;     // WM_ACTIVATE states
inline constexpr WPARAM WA_ACTIVE = 1;
inline constexpr WPARAM SIZE_RESTORED = 0;   // WM_SIZE
inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;
inline constexpr WPARAM VK_RETURN = 0x0D;
inline constexpr WPARAM VK_ESCAPE = 0x1B;
inline constexpr WPARAM VK_SPACE = 0x20;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

inline constexpr uint16_t LoWord(uintptr_t v) { return static_cast<uint16_t>(v & 0xFFFF); }
inline constexpr uint16_t HiWord(uintptr_t v) { return static_cast<uint16_t>((v >> 16) & 0xFFFF); }
inline constexpr LPARAM MakeLParam(int32_t lo, int32_t hi) {
    return static_cast<LPARAM>((static_cast<uint32_t>(hi & 0xFFFF) << 16) | static_cast<uint32_t>(lo & 0xFFFF));
}
inline constexpr WPARAM MakeWParam(uint32_t lo, uint32_t hi) {
    return static_cast<WPARAM>(((hi & 0xFFFF) << 16) | (lo & 0xFFFF));
}
// Signed client coordinates packed in an lParam.
inline constexpr int32_t XFromLParam(LPARAM l) { return static_cast<int16_t>(l & 0xFFFF); }
inline constexpr int32_t YFromLParam(LPARAM l) { return static_cast<int16_t>((l >> 16) & 0xFFFF); }

} // namespace ui
