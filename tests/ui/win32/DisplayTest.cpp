// The Windows back-end under wine: native windows of framework windows, moves both ways, window
// regions, presented pixels read back from the window, input reaching child controls, close
// requests and the window menu's close item, the silent mode's styles and the window icon.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/ui/win32/Win32TestSupport.h"

// After our own headers.
#include "ui/win32/Win32Headers.h"

namespace ui::win32::test {
namespace {

constexpr uint32_t kIconId = 128;

std::wstring TitleOf(HWND hwnd) {
    wchar_t text[128] = {};
    GetWindowTextW(hwnd, text, 128);
    return text;
}

Rect WindowRectOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return RectOf(r);
}

TEST(Win32DisplayTest, FrameworkWindowIsACaptionlessPopupWithAWindowMenuAtItsPosition) {
    TestWindow window;
    const Rect rect{40, 30, 340, 230};
    ASSERT_TRUE(CreateTopLevel(window, rect, u"Kestrel \u00e9\u952e"));
    const HWND hwnd = HwndOf(window);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_FALSE(IsWindowVisible(hwnd)) << "created hidden";

    const auto style = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE));
    EXPECT_NE(style & WS_POPUP, 0u);
    EXPECT_NE(style & WS_SYSMENU, 0u);
    EXPECT_EQ(style & WS_CAPTION, 0u);
    EXPECT_EQ(style & WS_THICKFRAME, 0u);
    EXPECT_NE(GetSystemMenu(hwnd, FALSE), nullptr);

    EXPECT_EQ(WindowRectOf(hwnd), rect);
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(RectOf(client), (Rect{0, 0, 300, 200})) << "no frame: the client area is the whole window";
    EXPECT_EQ(TitleOf(hwnd), L"Kestrel \u00e9\u952e");

    window.Show(true);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    window.SetText(u"Renamed");
    EXPECT_EQ(TitleOf(hwnd), L"Renamed");
    window.Show(false);
    EXPECT_FALSE(IsWindowVisible(hwnd));

    window.Destroy();
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(Win32DisplayTest, MovesGoBothWays) {
    std::vector<Point> moves;
    TestWindow window([&](UINT msg, WPARAM, LPARAM lParam) -> LRESULT {
        if (msg == WM_MOVE) {
            moves.push_back(Point{XFromLParam(lParam), YFromLParam(lParam)});
        }
        return 0;
    });
    ASSERT_TRUE(CreateTopLevel(window, Rect{10, 10, 110, 60}));
    const HWND hwnd = HwndOf(window);
    window.Show(true);

    // The program moves and resizes it.
    ASSERT_TRUE(ui::MoveWindow(window.Handle(), Rect{100, 120, 260, 170}, false));
    EXPECT_EQ(WindowRectOf(hwnd), (Rect{100, 120, 260, 170}));
    ASSERT_EQ(moves.size(), 1u) << "the program's own move is reported once, by the framework";
    // The silent mode's move to nowhere.
    ASSERT_TRUE(ui::MoveWindow(window.Handle(), Rect{0, 0, 0, 0}, false));
    EXPECT_EQ(WindowRectOf(hwnd), (Rect{0, 0, 0, 0}));
    ASSERT_TRUE(ui::MoveWindow(window.Handle(), Rect{100, 120, 260, 170}, false));
    moves.clear();

    // The window system moves it (as the caption drag does).
    SetWindowPos(hwnd, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Settle();
    EXPECT_EQ(ui::GetWindowRect(window.Handle()), (Rect{300, 200, 460, 250}));
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0], (Point{300, 200}));
}

TEST(Win32DisplayTest, RegionRectanglesBecomeTheWindowRegion) {
    struct Case {
        const char* name;
        std::vector<Rect> rectangles;
        int type; // GetWindowRgnBox's answer
        Rect box;
        std::vector<Point> inside;
        std::vector<Point> outside;
    };
    // A mask's region: one rectangle per row, ragged at both ends.
    std::vector<Rect> rows;
    for (int32_t y = 0; y < 300; ++y) {
        rows.push_back(Rect{y % 7, y, 150 - y % 5, y + 1});
    }
    const Case cases[] = {
        {"a row per line of a mask", rows, COMPLEXREGION, {0, 0, 150, 300}, {{0, 0}, {149, 0}, {10, 100}, {6, 299}},
         {{2, 6}, {149, 4}, {0, 300}}},
        {"two rectangles", {{0, 0, 100, 50}, {20, 50, 80, 120}}, COMPLEXREGION, {0, 0, 100, 120},
         {{0, 0}, {99, 49}, {20, 50}, {79, 119}}, {{10, 60}, {90, 60}, {100, 0}, {50, 120}}},
        {"one rectangle, empty ones left out", {{10, 10, 10, 40}, {30, 20, 60, 70}}, SIMPLEREGION, {30, 20, 60, 70},
         {{30, 20}, {59, 69}}, {{10, 15}, {60, 70}}},
        {"only empty rectangles: nothing shows", {{0, 0, 0, 0}}, NULLREGION, {0, 0, 0, 0}, {}, {{0, 0}, {50, 50}}},
        {"none: the region is removed", {}, ERROR, {}, {}, {}},
    };
    TestWindow window;
    ASSERT_TRUE(CreateTopLevel(window, Rect{50, 50, 250, 400}));
    const HWND hwnd = HwndOf(window);
    window.Show(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(SetWindowRegion(window.Handle(), c.rectangles, true));
        RECT box{};
        ASSERT_EQ(GetWindowRgnBox(hwnd, &box), c.type);
        if (c.type == ERROR) {
            continue;
        }
        EXPECT_EQ(RectOf(box), c.box);
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(GetWindowRgn(hwnd, region), ERROR);
        for (const Point& p : c.inside) {
            EXPECT_TRUE(PtInRegion(region, p.x, p.y)) << p.x << "," << p.y;
        }
        for (const Point& p : c.outside) {
            EXPECT_FALSE(PtInRegion(region, p.x, p.y)) << p.x << "," << p.y;
        }
        DeleteObject(region);
    }
}

TEST(Win32DisplayTest, PresentedSurfaceIsWhatTheWindowShows) {
    // Four quadrants of different colours catch a flipped or shifted picture; a later paint of
    // one quadrant only catches a dirty part presented from the wrong place of the surface.
    constexpr Pixel kRed = MakePixel(0xE0, 0x10, 0x20);
    constexpr Pixel kGreen = MakePixel(0x10, 0xC0, 0x30);
    constexpr Pixel kBlue = MakePixel(0x20, 0x30, 0xD0);
    constexpr Pixel kYellow = MakePixel(0xF0, 0xE0, 0x10);
    constexpr Pixel kPurple = MakePixel(0x80, 0x20, 0x90);
    Pixel bottomRight = kYellow;
    int paints = 0;
    TestWindow window;
    window.SetHandler([&](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg != WM_PAINT) {
            return window.DefWindowProc(msg, wParam, lParam);
        }
        PaintContext paint = BeginPaint(window);
        paint.painter.FillRect(Rect{0, 0, 100, 50}, kRed);
        paint.painter.FillRect(Rect{100, 0, 200, 50}, kGreen);
        paint.painter.FillRect(Rect{0, 50, 100, 100}, kBlue);
        paint.painter.FillRect(Rect{100, 50, 200, 100}, bottomRight);
        EndPaint(window, paint);
        ++paints;
        return 0;
    });
    ASSERT_TRUE(CreateTopLevel(window, Rect{20, 20, 220, 120}));
    const HWND hwnd = HwndOf(window);
    window.Show(true);
    ASSERT_TRUE(PumpUntil([&] { return paints > 0; }));
    Settle();

    struct Probe {
        int x;
        int y;
        Pixel expected;
    };
    const auto check = [&](const std::vector<Probe>& probes) {
        HDC dc = GetDC(hwnd);
        ASSERT_NE(dc, nullptr);
        for (const Probe& p : probes) {
            EXPECT_EQ(GetPixel(dc, p.x, p.y), ColorRefOf(p.expected)) << p.x << "," << p.y;
        }
        ReleaseDC(hwnd, dc);
    };
    check({{0, 0, kRed}, {99, 49, kRed}, {100, 0, kGreen}, {199, 49, kGreen}, {0, 50, kBlue}, {99, 99, kBlue},
           {100, 50, kYellow}, {199, 99, kYellow}});

    bottomRight = kPurple;
    const Rect quadrant{100, 50, 200, 100};
    ASSERT_TRUE(InvalidateRect(window.Handle(), &quadrant, false));
    const int before = paints;
    ASSERT_TRUE(PumpUntil([&] { return paints > before; }));
    Settle();
    check({{0, 0, kRed}, {100, 0, kGreen}, {0, 50, kBlue}, {100, 50, kPurple}, {199, 99, kPurple}});
}

TEST(Win32DisplayTest, NativeClicksReachAChildButton) {
    struct Case {
        const char* name;
        UINT down;
        UINT up;
        WPARAM downKeys;
        Point press;
        Point release;
        bool clicked;
    };
    const Case cases[] = {
        {"left press and release on the button", WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, {50, 40}, {60, 45}, true},
        {"released beside the button", WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, {50, 40}, {180, 90}, false},
        {"pressed beside the button", WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, {180, 90}, {50, 40}, false},
        {"right button", WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, {50, 40}, {50, 40}, false},
    };
    constexpr int kButtonId = 7;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<WPARAM> commands;
        TestWindow parent([&](UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
            if (msg == WM_COMMAND) {
                commands.push_back(wParam);
            }
            return 0;
        });
        ASSERT_TRUE(CreateTopLevel(parent, Rect{30, 30, 230, 130}));
        Button button;
        ASSERT_TRUE(button.CreateButton(parent.Handle(), Rect{20, 20, 120, 60}, u"OK", WS_VISIBLE | BS_PUSHBUTTON,
                                        kButtonId));
        parent.Show(true);
        Settle();
        const HWND hwnd = HwndOf(parent);
        ASSERT_TRUE(PostMessageW(hwnd, c.down, c.downKeys, MAKELPARAM(c.press.x, c.press.y)));
        ASSERT_TRUE(PostMessageW(hwnd, WM_MOUSEMOVE, c.downKeys, MAKELPARAM(c.release.x, c.release.y)));
        ASSERT_TRUE(PostMessageW(hwnd, c.up, 0, MAKELPARAM(c.release.x, c.release.y)));
        Settle();
        const std::vector<WPARAM> expected =
            c.clicked ? std::vector<WPARAM>{MakeWParam(kButtonId, BN_CLICKED)} : std::vector<WPARAM>{};
        EXPECT_EQ(commands, expected);
        EXPECT_FALSE(button.IsPushed());
    }
}

TEST(Win32DisplayTest, ClicksDoNotActivateAWindowTheFrameworkDisabled) {
    TestWindow window;
    ASSERT_TRUE(CreateTopLevel(window, Rect{30, 30, 130, 80}));
    window.Show(true);
    const HWND hwnd = HwndOf(window);
    const LPARAM click = MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN);
    EXPECT_EQ(SendMessageW(hwnd, WM_MOUSEACTIVATE, 0, click), MA_ACTIVATE);
    EnableWindow(window.Handle(), false);
    EXPECT_EQ(SendMessageW(hwnd, WM_MOUSEACTIVATE, 0, click), MA_NOACTIVATEANDEAT);
    EnableWindow(window.Handle(), true);
    EXPECT_EQ(SendMessageW(hwnd, WM_MOUSEACTIVATE, 0, click), MA_ACTIVATE);
}

// A press, moves and a release through the system's input, from another thread while the loop
// runs (the move loop runs inside the press's handling on this one).
void SendMouse(DWORD flags, Point screen) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

TEST(Win32DisplayTest, PressOnTheWindowDragsItWithTheSystemMoveLoop) {
    int ticksWhileDragging = 0;
    bool dragging = false;
    TestWindow window;
    window.SetHandler([&](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        switch (msg) {
        case WM_LBUTTONDOWN:
            // As the main window does: a press anywhere is a press on the caption.
            Post(window.Handle(), WM_NCLBUTTONDOWN, HTCAPTION, lParam);
            return 0;
        case WM_NCLBUTTONDOWN: {
            dragging = true; // the move loop runs inside the default handling
            const LRESULT result = window.DefWindowProc(msg, wParam, lParam);
            dragging = false;
            return result;
        }
        case WM_TIMER:
            ticksWhileDragging += dragging ? 1 : 0;
            return 0;
        default:
            return window.DefWindowProc(msg, wParam, lParam);
        }
    });
    ASSERT_TRUE(CreateTopLevel(window, Rect{100, 100, 300, 200}));
    window.Show(true);
    const HWND hwnd = HwndOf(window);
    SetForegroundWindow(hwnd);
    Settle();
    ASSERT_TRUE(SetTimer(window.Handle(), 1, 10));

    std::atomic<bool> done{false};
    std::thread user([&] {
        SendMouse(0, Point{120, 110});
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        SendMouse(MOUSEEVENTF_LEFTDOWN, Point{120, 110});
        for (int step = 1; step <= 10; ++step) {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            SendMouse(0, Point{120 + 10 * step, 110 + 5 * step});
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        SendMouse(MOUSEEVENTF_LEFTUP, Point{220, 160});
        done = true;
    });
    const bool moved = PumpUntil([&] { return done.load() && WindowRectOf(hwnd) == Rect{200, 150, 400, 250}; });
    user.join();
    Settle();
    KillTimer(window.Handle(), 1);
    EXPECT_TRUE(moved) << "window at " << WindowRectOf(hwnd).left << "," << WindowRectOf(hwnd).top;
    EXPECT_EQ(ui::GetWindowRect(window.Handle()), (Rect{200, 150, 400, 250}));
    EXPECT_GE(ticksWhileDragging, 5) << "the framework's timers run during the move loop";
}

TEST(Win32DisplayTest, KeysReachTheFocusedWindow) {
    std::vector<std::pair<UINT, WPARAM>> keys;
    TestWindow window([&](UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
        if (msg == WM_KEYDOWN || msg == WM_KEYUP) {
            keys.emplace_back(msg, wParam);
        }
        return 0;
    });
    ASSERT_TRUE(CreateTopLevel(window, Rect{30, 30, 130, 80}));
    window.Show(true);
    Settle();
    ASSERT_EQ(GetFocus(), window.Handle());
    const HWND hwnd = HwndOf(window);
    ASSERT_TRUE(PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 1));
    ASSERT_TRUE(PostMessageW(hwnd, WM_KEYUP, VK_ESCAPE, 0xC0000001));
    ASSERT_TRUE(PostMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 1));
    Settle();
    const std::vector<std::pair<UINT, WPARAM>> expected = {
        {WM_KEYDOWN, VK_ESCAPE}, {WM_KEYUP, VK_ESCAPE}, {WM_KEYDOWN, VK_RETURN}};
    EXPECT_EQ(keys, expected);
}

TEST(Win32DisplayTest, GrayedCloseItemShowsInTheWindowMenuAndHoldsBackCloseRequests) {
    struct Case {
        const char* name;
        bool enabled;
        UINT msg;
        WPARAM wParam;
    };
    const Case cases[] = {
        {"close message", true, WM_CLOSE, 0},
        {"window menu's close", true, WM_SYSCOMMAND, SC_CLOSE},
        {"close message, grayed", false, WM_CLOSE, 0},
        {"window menu's close, grayed", false, WM_SYSCOMMAND, SC_CLOSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int closes = 0;
        TestWindow window;
        window.SetHandler([&](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (msg == WM_CLOSE) {
                ++closes; // kept open: the test still looks at it
                return 0;
            }
            return window.DefWindowProc(msg, wParam, lParam);
        });
        ASSERT_TRUE(CreateTopLevel(window, Rect{30, 30, 130, 80}));
        window.Show(true);
        const HWND hwnd = HwndOf(window);
        ASSERT_TRUE(EnableCloseItem(window.Handle(), c.enabled));

        const UINT state = GetMenuState(GetSystemMenu(hwnd, FALSE), SC_CLOSE, MF_BYCOMMAND);
        ASSERT_NE(state, static_cast<UINT>(-1)) << "the window menu has a close item";
        EXPECT_EQ((state & MF_GRAYED) != 0, !c.enabled);

        SendMessageW(hwnd, c.msg, c.wParam, 0);
        Settle();
        EXPECT_EQ(closes, c.enabled ? 1 : 0);
        EXPECT_TRUE(IsWindow(hwnd)) << "the native default never destroys the window itself";
    }
}

TEST(Win32DisplayTest, SilentModeTradesTheTaskbarButtonForAToolWindow) {
    constexpr uint32_t kAppWindow = WS_EX_APPWINDOW;
    constexpr uint32_t kToolWindow = WS_EX_TOOLWINDOW;
    TestWindow window;
    ASSERT_TRUE(CreateTopLevel(window, Rect{30, 30, 230, 130}, u"", kAppWindow | WS_EX_OVERLAPPEDWINDOW));
    const HWND hwnd = HwndOf(window);
    window.Show(true);
    const auto exStyle = [&] { return static_cast<uint32_t>(GetWindowLongW(hwnd, GWL_EXSTYLE)); };
    EXPECT_NE(exStyle() & kAppWindow, 0u);
    EXPECT_EQ(exStyle() & WS_EX_CLIENTEDGE, 0u) << "no edge around the surface";

    ASSERT_TRUE(SetWindowExStyle(window.Handle(), (GetWindowExStyle(window.Handle()) & ~kAppWindow) | kToolWindow));
    EXPECT_NE(exStyle() & kToolWindow, 0u);
    EXPECT_EQ(exStyle() & kAppWindow, 0u);
    EXPECT_TRUE(IsWindowVisible(hwnd)) << "still shown after the change";
    EXPECT_EQ(WindowRectOf(hwnd), (Rect{30, 30, 230, 130}));

    ASSERT_TRUE(SetWindowExStyle(window.Handle(), kAppWindow));
    EXPECT_EQ(exStyle() & kToolWindow, 0u);
    EXPECT_NE(exStyle() & kAppWindow, 0u);
}

TEST(Win32DisplayTest, WindowIconComesFromTheIconResource) {
#if !KESTREL_TEST_HAS_ICON
    GTEST_SKIP() << "no icon resource in this build (ImageMagick's convert was not found)";
#endif
    TestWindow window;
    ASSERT_TRUE(CreateTopLevel(window, Rect{30, 30, 130, 80}));
    const HWND hwnd = HwndOf(window);
    EXPECT_EQ(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), 0);
    ASSERT_TRUE(SetWindowIcon(window.Handle(), kIconId));
    const LRESULT big = SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0);
    const LRESULT small = SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0);
    EXPECT_NE(big, 0);
    EXPECT_NE(small, 0);
    // An id without an icon keeps the ones the window has.
    ASSERT_TRUE(SetWindowIcon(window.Handle(), kIconId + 1));
    EXPECT_EQ(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), big);
    EXPECT_EQ(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0), small);
}

} // namespace
} // namespace ui::win32::test
