// The pure parts of the Windows back-end (see Win32Translate.h).
#include "ui/win32/Win32Translate.h"

#include <algorithm>

namespace ui::win32 {

WPARAM FrameworkMouseKeys(WPARAM nativeKeys) { return nativeKeys & (MK_LBUTTON | MK_RBUTTON); }

uint32_t MergeExStyle(uint32_t native, uint32_t program) {
    constexpr uint32_t kFollowed = kExToolWindow | kExAppWindow;
    return (native & ~kFollowed) | (program & kFollowed);
}

uint32_t WaitTimeoutMs(std::chrono::steady_clock::time_point deadline, std::chrono::steady_clock::time_point now) {
    if (deadline == std::chrono::steady_clock::time_point::max()) {
        return kWaitForever;
    }
    if (deadline <= now) {
        return 0;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return static_cast<uint32_t>(std::min<long long>(left, kLongestWaitMs));
}

std::optional<RegionRectangles> NonEmptyRectangles(const std::vector<Rect>& rectangles) {
    RegionRectangles result;
    for (const Rect& r : rectangles) {
        if (r.IsEmpty()) {
            continue;
        }
        if (result.rectangles.empty()) {
            result.bounds = r;
        } else {
            result.bounds.left = std::min(result.bounds.left, r.left);
            result.bounds.top = std::min(result.bounds.top, r.top);
            result.bounds.right = std::max(result.bounds.right, r.right);
            result.bounds.bottom = std::max(result.bounds.bottom, r.bottom);
        }
        result.rectangles.push_back(r);
    }
    if (result.rectangles.empty()) {
        return std::nullopt;
    }
    return result;
}

} // namespace ui::win32
