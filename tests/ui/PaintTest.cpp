// Painting through the framework on the headless back-end: invalidation, WM_ERASEBKGND before
// WM_PAINT, children painted into their parent's surface, immediate updates from another thread,
// and the window region reaching the display.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/ui/UiFixture.h"
#include "ui/WindowApi.h"

namespace ui::test {
namespace {

constexpr Pixel kRed = MakePixel(255, 0, 0);
constexpr Pixel kGreen = MakePixel(0, 255, 0);
constexpr Pixel kBlue = MakePixel(0, 0, 255);
constexpr Pixel kWhite = MakePixel(255, 255, 255);

// A top-level window that erases in red and paints everything it may in `paintColor`, logging what
// it is asked to do.
struct PaintedWindow {
    TestWindow window;
    std::vector<UINT> log;
    std::vector<Rect> invalid;
    Pixel paintColor = kGreen;

    PaintedWindow() {
        window.SetHandler([this](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (msg == WM_ERASEBKGND) {
                log.push_back(msg);
                auto* painter = reinterpret_cast<Painter*>(wParam);
                painter->FillRect(painter->Target().Bounds(), kRed);
                return 1;
            }
            if (msg == WM_PAINT) {
                log.push_back(msg);
                PaintContext paint = BeginPaint(window);
                invalid.push_back(paint.invalid);
                paint.painter.FillRect({0, 0, 1000, 1000}, paintColor); // cut to the invalid part
                EndPaint(window, paint);
                return 0;
            }
            return window.DefWindowProc(msg, wParam, lParam);
        });
    }
};

TEST(PaintTest, InvalidatedPartsAreErasedWhenAskedThenPaintedAndPresented) {
    struct Case {
        const char* name;
        bool firstErase;
        bool secondErase;
        std::vector<UINT> expected;
    };
    const Case cases[] = {
        {"no erase", false, false, {WM_PAINT}},
        {"one of two asks for erasing", false, true, {WM_ERASEBKGND, WM_PAINT}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PaintedWindow painted;
        painted.paintColor = kBlue;
        ASSERT_TRUE(CreateTopLevel(painted.window, {10, 10, 210, 110}));
        Settle(); // the first paint covers the whole window
        ASSERT_EQ(painted.invalid.size(), 1u);
        EXPECT_EQ(painted.invalid[0], (Rect{0, 0, 200, 100}));
        EXPECT_EQ(PresentedPixel(painted.window.Handle(), 150, 80), kBlue);

        painted.log.clear();
        painted.invalid.clear();
        painted.paintColor = kGreen;
        const Rect first{20, 20, 40, 30};
        const Rect second{50, 40, 60, 60};
        ASSERT_TRUE(InvalidateRect(painted.window.Handle(), &first, c.firstErase));
        ASSERT_TRUE(InvalidateRect(painted.window.Handle(), &second, c.secondErase));
        Settle();
        EXPECT_EQ(painted.log, c.expected); // one paint for both
        ASSERT_EQ(painted.invalid.size(), 1u);
        const Rect both{20, 20, 60, 60};
        EXPECT_EQ(painted.invalid[0], both);
        EXPECT_EQ(Headless().State(painted.window.Handle())->lastDirty, both);
        EXPECT_EQ(PresentedPixel(painted.window.Handle(), 25, 25), kGreen);
        EXPECT_EQ(PresentedPixel(painted.window.Handle(), 59, 59), kGreen);
        EXPECT_EQ(PresentedPixel(painted.window.Handle(), 150, 80), kBlue); // outside: kept
    }
}

TEST(PaintTest, ChildrenArePaintedAfterTheirParentInsideItsSurface) {
    PaintedWindow parent;
    parent.paintColor = kWhite;
    ASSERT_TRUE(CreateTopLevel(parent.window, {0, 0, 100, 80}));
    std::vector<Rect> childInvalid;
    std::vector<std::string> order;
    TestWindow child;
    child.SetHandler([&](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg != WM_PAINT) {
            return child.DefWindowProc(msg, wParam, lParam);
        }
        order.push_back("child");
        PaintContext paint = BeginPaint(child);
        childInvalid.push_back(paint.invalid);
        paint.painter.FillRect({0, 0, 20, 10}, kBlue); // its own client coordinates
        EndPaint(child, paint);
        return 0;
    });
    ASSERT_TRUE(CreateChild(child, parent.window, {30, 20, 50, 30}));
    TestWindow hidden; // never painted
    hidden.SetHandler([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_PAINT) {
            order.push_back("hidden");
        }
        return 0;
    });
    CreateParams hiddenParams;
    hiddenParams.parent = parent.window.Handle();
    hiddenParams.rect = {0, 0, 10, 10};
    hiddenParams.style = WS_CHILD;
    ASSERT_TRUE(hidden.Create(hiddenParams));
    Settle();

    EXPECT_EQ(order, (std::vector<std::string>{"child"}));
    const WindowHandle top = parent.window.Handle();
    EXPECT_EQ(PresentedPixel(top, 30, 20), kBlue);
    EXPECT_EQ(PresentedPixel(top, 49, 29), kBlue);
    EXPECT_EQ(PresentedPixel(top, 50, 30), kWhite);
    EXPECT_EQ(PresentedPixel(top, 29, 19), kWhite);
    EXPECT_EQ(PresentedPixel(top, 5, 5), kWhite);

    // Invalidating part of the child repaints the parent under it first, then the child, both cut
    // to that part.
    parent.invalid.clear();
    childInvalid.clear();
    const Rect part{5, 2, 10, 8};
    ASSERT_TRUE(InvalidateRect(child.Handle(), &part, false));
    Settle();
    ASSERT_EQ(parent.invalid.size(), 1u);
    EXPECT_EQ(parent.invalid[0], (Rect{35, 22, 40, 28}));
    ASSERT_EQ(childInvalid.size(), 1u);
    EXPECT_EQ(childInvalid[0], part);
}

TEST(PaintTest, UpdateWindowFromAnotherThreadPaintsOnTheOwnerBeforeReturning) {
    std::atomic<Pixel> color{kRed};
    TestWindow receiver;
    ASSERT_TRUE(receiver.CreateHidden());
    Pixel seenAfterUpdate = 0;
    int framesAfterUpdate = -1;
    std::thread::id paintThread;
    WindowHandle topHandle;

    // While the owner thread waits in its Send to us, only sent messages and carried calls run
    // there: its loop cannot paint on its own, so a presented frame here can only come from
    // UpdateWindow itself.
    receiver.SetHandler([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg != WM_TEST) {
            return 0;
        }
        color = kGreen;
        const Rect strip{0, 10, 50, 20};
        InvalidateRect(topHandle, &strip, false);
        UpdateWindow(topHandle);
        seenAfterUpdate = PresentedPixel(topHandle, 5, 15);
        framesAfterUpdate = Headless().State(topHandle)->frames;
        PostQuit(0);
        return 0;
    });
    std::thread owner([&] {
        TestWindow top([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
            if (msg == WM_PAINT) {
                paintThread = std::this_thread::get_id();
                PaintContext paint = BeginPaint(*FromHandle(topHandle));
                paint.painter.FillRect({0, 0, 50, 50}, color.load());
            }
            return 0;
        });
        CreateParams params;
        params.rect = {0, 0, 50, 50};
        params.style = WS_POPUP;
        ASSERT_TRUE(top.Create(params));
        topHandle = top.Handle();
        top.Show(true);
        Send(receiver.Handle(), WM_TEST);
    });
    const std::thread::id ownerId = owner.get_id();
    RunMessageLoop();
    owner.join();
    EXPECT_EQ(seenAfterUpdate, kGreen);
    EXPECT_EQ(framesAfterUpdate, 1); // one paint: the whole window, shown and invalidated
    EXPECT_EQ(paintThread, ownerId);
}

TEST(PaintTest, WindowRegionReachesTheDisplayAndLimitsWindowFromPoint) {
    TestWindow top;
    ASSERT_TRUE(CreateTopLevel(top, {100, 100, 140, 120}));
    TestWindow child;
    ASSERT_TRUE(CreateChild(child, top, {10, 5, 20, 15}));
    // Everything but the top-left 5 x 5 corner.
    const std::vector<Rect> region{{5, 0, 40, 5}, {0, 5, 40, 20}};
    EXPECT_TRUE(SetWindowRegion(top.Handle(), region, true));
    EXPECT_EQ(Headless().State(top.Handle())->region, region);
    EXPECT_EQ(WindowFromPoint({102, 102}), WindowHandle{});       // cut off
    EXPECT_EQ(WindowFromPoint({107, 102}), top.Handle());
    EXPECT_EQ(WindowFromPoint({112, 107}), child.Handle());       // child first
    EXPECT_EQ(WindowFromPoint({150, 107}), WindowHandle{});       // outside
    EXPECT_FALSE(SetWindowRegion(child.Handle(), region, false)); // only top-level windows

    EXPECT_TRUE(SetWindowRegion(top.Handle(), {}, false));
    EXPECT_TRUE(Headless().State(top.Handle())->region.empty());
    EXPECT_EQ(WindowFromPoint({102, 102}), top.Handle());
}

TEST(PaintTest, MovingAWindowResizesItsSurfaceAndTellsTheDisplay) {
    PaintedWindow painted;
    ASSERT_TRUE(CreateTopLevel(painted.window, {0, 0, 40, 30}));
    Settle();
    ASSERT_TRUE(MoveWindow(painted.window.Handle(), {5, 6, 65, 56}, true));
    Settle();
    EXPECT_EQ(Headless().State(painted.window.Handle())->rect, (Rect{5, 6, 65, 56}));
    const auto frame = Headless().Presented(painted.window.Handle());
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->Width(), 60);
    EXPECT_EQ(frame->Height(), 50);
    EXPECT_EQ(GetWindowRect(painted.window.Handle()), (Rect{5, 6, 65, 56}));
    EXPECT_EQ(GetClientRect(painted.window.Handle()), (Rect{0, 0, 60, 50}));
}

} // namespace
} // namespace ui::test
