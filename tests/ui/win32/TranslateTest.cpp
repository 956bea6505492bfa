// The pure parts of the Windows back-end: mouse keys, extended styles, wait time-outs and the
// rectangles of a window region.
#include <gtest/gtest.h>

#include "ui/win32/Win32Translate.h"

namespace ui::win32 {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

TEST(Win32TranslateTest, MouseKeysKeepOnlyTheButtonsTheFrameworkKnows) {
    struct Case {
        WPARAM native;
        WPARAM framework;
    };
    const Case cases[] = {
        {0x0000, 0},
        {0x0001, MK_LBUTTON},
        {0x0002, MK_RBUTTON},
        {0x0003, MK_LBUTTON | MK_RBUTTON},
        {0x0001 | 0x0004 | 0x0008 | 0x0010, MK_LBUTTON}, // shift, control and the middle button dropped
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FrameworkMouseKeys(c.native), c.framework) << std::hex << c.native;
    }
}

TEST(Win32TranslateTest, OnlyTheToolAndAppWindowBitsFollowTheProgram) {
    constexpr uint32_t kTopmost = 0x00000008u;
    constexpr uint32_t kEdges = 0x00000300u; // WS_EX_OVERLAPPEDWINDOW
    struct Case {
        const char* name;
        uint32_t native;
        uint32_t program;
        uint32_t merged;
    };
    const Case cases[] = {
        {"silent mode swap", kExAppWindow, kExToolWindow, kExToolWindow},
        {"back to a taskbar window", kExToolWindow, kExAppWindow, kExAppWindow},
        {"native bits stay", kTopmost | kExAppWindow, 0, kTopmost},
        {"edges are not taken", 0, kEdges | kExAppWindow, kExAppWindow},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MergeExStyle(c.native, c.program), c.merged) << c.name;
    }
}

TEST(Win32TranslateTest, WaitTimeoutsRoundUpAndAreBounded) {
    const auto now = steady_clock::now();
    struct Case {
        const char* name;
        steady_clock::time_point deadline;
        uint32_t timeout;
    };
    const Case cases[] = {
        {"none", steady_clock::time_point::max(), kWaitForever},
        {"passed", now - milliseconds(5), 0},
        {"now", now, 0},
        {"far in the past", steady_clock::time_point::min(), 0},
        {"part of a millisecond", now + std::chrono::microseconds(300), 1},
        {"whole milliseconds", now + milliseconds(25), 25},
        {"just over", now + milliseconds(25) + std::chrono::microseconds(1), 26},
        {"a day", now + std::chrono::hours(24), kLongestWaitMs},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WaitTimeoutMs(c.deadline, now), c.timeout) << c.name;
    }
}

TEST(Win32TranslateTest, RegionRectanglesDropEmptyOnesAndKeepTheirBounds) {
    struct Case {
        const char* name;
        std::vector<Rect> given;
        size_t kept; // 0: nothing left
        Rect bounds;
    };
    const Case cases[] = {
        {"two", {{0, 0, 100, 50}, {20, 50, 80, 120}}, 2, {0, 0, 100, 120}},
        {"empty and inverted ones dropped", {{10, 10, 10, 40}, {30, 20, 60, 70}, {90, 90, 80, 95}}, 1, {30, 20, 60, 70}},
        {"negative coordinates", {{-5, -8, 4, 2}, {3, 1, 9, 6}}, 2, {-5, -8, 9, 6}},
        {"only empty ones", {{0, 0, 0, 0}, {5, 5, 5, 9}}, 0, {}},
        {"none", {}, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = NonEmptyRectangles(c.given);
        if (c.kept == 0) {
            EXPECT_FALSE(result.has_value());
            continue;
        }
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(result->rectangles.size(), c.kept);
        EXPECT_EQ(result->bounds, c.bounds);
    }
}

} // namespace
} // namespace ui::win32
