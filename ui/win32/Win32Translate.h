// The pure parts of the Windows back-end: which native mouse keys the framework sees, how the
// program's extended styles reach a window, how long a wait for a deadline lasts, and the
// rectangles a window region is made of. No <windows.h> here; the values are the platform's.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "ui/Types.h"

namespace ui::win32 {

// Extended styles the program switches (the silent mode trades the taskbar button for a tool window).
inline constexpr uint32_t kExToolWindow = 0x00000080u; // WS_EX_TOOLWINDOW
inline constexpr uint32_t kExAppWindow = 0x00040000u;  // WS_EX_APPWINDOW

// The MK_* flags of a native mouse message that the framework knows (left and right button).
WPARAM FrameworkMouseKeys(WPARAM nativeKeys);

// The extended style a window gets when the program asks for `program`: the tool-window and
// application-window bits follow the program, every other bit stays as the window has it. Edge
// bits the program may carry (WS_EX_OVERLAPPEDWINDOW) are not taken over: they would put a border
// around the client area, which must keep the size of the window's surface.
uint32_t MergeExStyle(uint32_t native, uint32_t program);

// The time-out in milliseconds of a wait until `deadline`: 0 for one that has passed,
// kWaitForever (INFINITE) for TimePoint::max(), otherwise rounded up (a wait never ends before its
// deadline, which would make the caller spin) and at most kLongestWaitMs.
inline constexpr uint32_t kWaitForever = 0xFFFFFFFFu;
inline constexpr uint32_t kLongestWaitMs = 3'600'000u;
uint32_t WaitTimeoutMs(std::chrono::steady_clock::time_point deadline, std::chrono::steady_clock::time_point now);

// The non-empty rectangles of a region and their bounding box; nothing when none is left.
struct RegionRectangles {
    std::vector<Rect> rectangles;
    Rect bounds;
};
std::optional<RegionRectangles> NonEmptyRectangles(const std::vector<Rect>& rectangles);

} // namespace ui::win32
