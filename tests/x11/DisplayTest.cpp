// The X11 back-end on a real X server (Xvfb, no window manager): windows, hints, titles, shapes,
// presented pixels, icons, input translation, moves, the drag and the pointer grab, observed
// through a second connection and driven with xdotool.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <algorithm>
#include <thread>

#include "X11TestSupport.h"
#include "ui/gfx/Surface.h"

namespace x11_testing {
namespace {

using Kind = Recorded::Kind;
using ui::Point;
using ui::Rect;

constexpr uint32_t kRootGreen = 0x00FF00;

class X11DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_probe.PaintRoot(kRootGreen);
        Xdotool("mousemove 1000 760"); // the pointer out of the way of every window
        PumpUntil([] { return false; }, std::chrono::milliseconds(20));
        Sink().events.clear();
    }

    // Shows `window` and waits until the server maps it.
    void ShowAndWait(TopLevel& window) {
        window.Show(true);
        ASSERT_TRUE(PumpUntil([&] { return m_probe.IsMapped(window.NativeId()); }));
    }

    // The back-end's requests reach the server before the probe asks: two connections are not
    // ordered otherwise.
    void SyncConnections() {
        TestDisplay().Sync();
        m_probe.Sync();
    }

    bool WaitForPixel(int x, int y, uint32_t rgb) {
        return PumpUntil([&] { return m_probe.ScreenPixel(x, y) == rgb; });
    }

    template <typename Pred>
    std::optional<Recorded> WaitFor(Kind kind, Pred pred) {
        std::optional<Recorded> found;
        PumpUntil([&] {
            for (const Recorded& r : Sink().events) {
                if (r.kind == kind && pred(r)) {
                    found = r;
                    return true;
                }
            }
            return false;
        });
        return found;
    }

    Probe m_probe;
};

TEST_F(X11DisplayTest, WindowAppearsUndecoratedAtItsPositionWithPinnedSizeHints) {
    TopLevel window;
    ASSERT_TRUE(window.Open(Rect{40, 30, 340, 230}, u"Kestrel"));
    const Window id = window.NativeId();
    ASSERT_NE(id, 0u);
    EXPECT_FALSE(m_probe.IsMapped(id)) << "created hidden";
    ShowAndWait(window);

    EXPECT_EQ(m_probe.ScreenPosition(id), (Point{40, 30}));
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(m_probe.Dpy(), id, &attributes));
    EXPECT_EQ(attributes.width, 300);
    EXPECT_EQ(attributes.height, 200);
    EXPECT_FALSE(attributes.override_redirect);

    const auto motif = m_probe.Read(id, "_MOTIF_WM_HINTS");
    ASSERT_TRUE(motif.has_value());
    ASSERT_GE(motif->longs.size(), 3u);
    EXPECT_NE(motif->longs[0] & 2, 0) << "decorations field given";
    EXPECT_EQ(motif->longs[2], 0) << "no decorations";

    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(m_probe.Dpy(), id, &hints, &supplied));
    EXPECT_NE(hints.flags & PPosition, 0);
    EXPECT_NE(hints.flags & USPosition, 0);
    EXPECT_EQ(hints.min_width, 300);
    EXPECT_EQ(hints.max_width, 300);
    EXPECT_EQ(hints.min_height, 200);
    EXPECT_EQ(hints.max_height, 200);

    const auto protocols = m_probe.Read(id, "WM_PROTOCOLS");
    ASSERT_TRUE(protocols.has_value());
    EXPECT_NE(std::find(protocols->longs.begin(), protocols->longs.end(),
                        static_cast<long>(m_probe.AtomOf("WM_DELETE_WINDOW"))),
              protocols->longs.end());

    EXPECT_TRUE(WaitFor(Kind::Exposed, [&](const Recorded& r) { return r.window == window.Handle(); }).has_value());
    window.Show(false);
    EXPECT_TRUE(PumpUntil([&] { return !m_probe.IsMapped(id); }));
}

struct TitleCase {
    std::u16string title;
    std::string utf8;
    const char* wmNameType;
    std::string wmName;
};

TEST_F(X11DisplayTest, TitlesGoOutAsUtf8AndAsLatin1WhereTheyCan) {
    const TitleCase cases[] = {
        {u"Kestrel", "Kestrel", "STRING", "Kestrel"},
        {u"Gr\u00f6\u00dfe", "Gr\xc3\xb6\xc3\x9f" "e", "STRING", "Gr\xf6\xdf" "e"},
        {u"\u952e\u76d8 update", "\xe9\x94\xae\xe7\x9b\x98 update", "UTF8_STRING", "\xe9\x94\xae\xe7\x9b\x98 update"},
        {u"", "", "STRING", ""},
    };
    TopLevel window;
    ASSERT_TRUE(window.Open(Rect{0, 0, 50, 50}, u"first"));
    for (const TitleCase& c : cases) {
        window.SetText(c.title);
        SyncConnections();
        const auto netName = m_probe.Read(window.NativeId(), "_NET_WM_NAME");
        ASSERT_TRUE(netName.has_value());
        EXPECT_EQ(netName->type, m_probe.AtomOf("UTF8_STRING"));
        EXPECT_EQ(netName->bytes, c.utf8);
        const auto wmName = m_probe.Read(window.NativeId(), "WM_NAME");
        ASSERT_TRUE(wmName.has_value());
        EXPECT_EQ(wmName->type, m_probe.AtomOf(c.wmNameType)) << c.utf8;
        EXPECT_EQ(wmName->bytes, c.wmName);
    }
}

TEST_F(X11DisplayTest, ShapeCutsTheCornersAndPresentedPixelsShowInside) {
    TopLevel window;
    ASSERT_TRUE(window.Open(Rect{40, 30, 340, 230}));
    // Corners of 20 x 20 cut out, as a rounded outline's rectangles do.
    const std::vector<Rect> region = {{20, 0, 280, 200}, {0, 20, 300, 180}};
    ASSERT_TRUE(TestDisplay().SetNativeRegion(window, region));
    const ui::Surface blue(300, 200, ui::MakePixel(0x33, 0x66, 0xCC));
    TestDisplay().PresentNativeWindow(window, blue, blue.Bounds());
    ShowAndWait(window);

    ASSERT_TRUE(WaitForPixel(40 + 150, 30 + 100, 0x3366CC));
    const struct {
        int x, y;
        uint32_t rgb;
    } probes[] = {
        {41, 31, kRootGreen},            {40 + 298, 31, kRootGreen},   {41, 30 + 198, kRootGreen},
        {40 + 298, 30 + 198, kRootGreen}, {40 + 25, 31, 0x3366CC},     {41, 30 + 25, 0x3366CC},
        {40 + 299, 30 + 100, 0x3366CC},  {40 + 300, 30 + 100, kRootGreen},
    };
    for (const auto& p : probes) {
        EXPECT_EQ(m_probe.ScreenPixel(p.x, p.y), p.rgb) << p.x << "," << p.y;
    }
    int shaped = 0, clipShaped = 0, x = 0, y = 0, cx = 0, cy = 0;
    unsigned w = 0, h = 0, cw = 0, ch = 0;
    XShapeQueryExtents(m_probe.Dpy(), window.NativeId(), &shaped, &x, &y, &w, &h, &clipShaped, &cx, &cy, &cw, &ch);
    EXPECT_TRUE(shaped);

    // No rectangles: no shape, the corners show the window again.
    ASSERT_TRUE(TestDisplay().SetNativeRegion(window, {}));
    EXPECT_TRUE(WaitForPixel(41, 31, 0x3366CC));
}

TEST_F(X11DisplayTest, PresentCopiesOnlyTheDirtyPartAndSurvivesHiding) {
    TopLevel window;
    ASSERT_TRUE(window.Open(Rect{100, 100, 200, 200}));
    const ui::Surface red(100, 100, ui::MakePixel(0xFF, 0, 0));
    TestDisplay().PresentNativeWindow(window, red, red.Bounds());
    ShowAndWait(window);
    ASSERT_TRUE(WaitForPixel(150, 150, 0xFF0000));

    const ui::Surface yellow(100, 100, ui::MakePixel(0xFF, 0xFF, 0));
    TestDisplay().PresentNativeWindow(window, yellow, Rect{10, 10, 20, 20});
    ASSERT_TRUE(WaitForPixel(115, 115, 0xFFFF00));
    EXPECT_EQ(m_probe.ScreenPixel(105, 105), 0xFF0000u);
    EXPECT_EQ(m_probe.ScreenPixel(125, 125), 0xFF0000u);

    // Dirty parts reaching past the surface or the window are cut to them; a smaller surface
    // covers only its own part.
    TestDisplay().PresentNativeWindow(window, yellow, Rect{-50, -50, 5, 5});
    TestDisplay().PresentNativeWindow(window, yellow, Rect{95, 95, 4000, 4000});
    const ui::Surface small(30, 30, ui::MakePixel(0, 0, 0xFF));
    TestDisplay().PresentNativeWindow(window, small, Rect{0, 60, 100, 100});
    ASSERT_TRUE(WaitForPixel(102, 102, 0xFFFF00));
    EXPECT_EQ(m_probe.ScreenPixel(198, 198), 0xFFFF00u);
    EXPECT_EQ(m_probe.ScreenPixel(150, 150), 0xFF0000u);
    EXPECT_EQ(m_probe.ScreenPixel(110, 170), 0xFF0000u) << "outside the small surface";

    // The window keeps its picture while hidden: shown again, it needs no new frame.
    window.Show(false);
    ASSERT_TRUE(PumpUntil([&] { return !m_probe.IsMapped(window.NativeId()); }));
    ASSERT_TRUE(WaitForPixel(150, 150, kRootGreen));
    ShowAndWait(window);
    EXPECT_TRUE(WaitForPixel(115, 115, 0xFFFF00));
    EXPECT_TRUE(WaitForPixel(150, 150, 0xFF0000));
}

TEST_F(X11DisplayTest, ToolWindowLeavesTheTaskbar) {
    const Atom utility = m_probe.AtomOf("_NET_WM_WINDOW_TYPE_UTILITY");
    const Atom normal = m_probe.AtomOf("_NET_WM_WINDOW_TYPE_NORMAL");
    const long skip = static_cast<long>(m_probe.AtomOf("_NET_WM_STATE_SKIP_TASKBAR"));
    const auto hasSkip = [&](Window id) {
        const auto state = m_probe.Read(id, "_NET_WM_STATE");
        return state && std::find(state->longs.begin(), state->longs.end(), skip) != state->longs.end();
    };
    const auto type = [&](Window id) {
        const auto t = m_probe.Read(id, "_NET_WM_WINDOW_TYPE");
        return t && t->longs.size() == 1 ? static_cast<Atom>(t->longs[0]) : Atom{0};
    };

    TopLevel tool;
    ASSERT_TRUE(tool.Open(Rect{0, 0, 50, 50}, u"silent", ui::WS_EX_TOOLWINDOW));
    SyncConnections();
    EXPECT_EQ(type(tool.NativeId()), utility);
    EXPECT_TRUE(hasSkip(tool.NativeId()));

    TestDisplay().SetNativeExStyle(tool, 0);
    SyncConnections();
    EXPECT_EQ(type(tool.NativeId()), normal);
    EXPECT_FALSE(hasSkip(tool.NativeId()));

    TopLevel plain;
    ASSERT_TRUE(plain.Open(Rect{0, 0, 50, 50}));
    TestDisplay().SetNativeExStyle(plain, ui::WS_EX_TOOLWINDOW);
    SyncConnections();
    EXPECT_EQ(type(plain.NativeId()), utility);
    EXPECT_TRUE(hasSkip(plain.NativeId()));
}

TEST_F(X11DisplayTest, IconComesFromTheIconResourceAndAMissingOneIsSkipped) {
    TopLevel window;
    ASSERT_TRUE(window.Open(Rect{0, 0, 50, 50}));
    TestDisplay().SetNativeIcon(window, 999);
    SyncConnections();
    EXPECT_FALSE(m_probe.Read(window.NativeId(), "_NET_WM_ICON").has_value());

    TestDisplay().SetNativeIcon(window, 128);
    SyncConnections();
    const auto icon = m_probe.Read(window.NativeId(), "_NET_WM_ICON");
    ASSERT_TRUE(icon.has_value());
    ASSERT_EQ(icon->longs.size(), 2u + 16u * 16u);
    EXPECT_EQ(icon->longs[0], 16);
    EXPECT_EQ(icon->longs[1], 16);
    const auto at = [&](int x, int y) { return static_cast<uint32_t>(icon->longs[2 + y * 16 + x]); };
    EXPECT_EQ(at(0, 0) >> 24, 0u) << "the test icon's top row is transparent";
    EXPECT_EQ(at(0, 5), 0xFFFF0000u) << "red left half";
    EXPECT_EQ(at(15, 5), 0xFF0000FFu) << "blue right half";
}

TEST_F(X11DisplayTest, MoveNativeWindowMovesResizesAndReportsTheMove) {
    TopLevel window;
    ASSERT_TRUE(window.Open(Rect{10, 10, 110, 110}));
    ShowAndWait(window);
    TestDisplay().MoveNativeWindow(window, Rect{120, 80, 320, 230});
    ASSERT_TRUE(WaitFor(Kind::Moved, [](const Recorded& r) { return r.point == Point{120, 80}; }).has_value());
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(m_probe.Dpy(), window.NativeId(), &attributes));
    EXPECT_EQ(attributes.width, 200);
    EXPECT_EQ(attributes.height, 150);
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(m_probe.Dpy(), window.NativeId(), &hints, &supplied));
    EXPECT_EQ(hints.max_width, 200);
    EXPECT_EQ(hints.max_height, 150);

    // Another client (a window manager) moving it: reported in screen coordinates, once.
    XMoveWindow(m_probe.Dpy(), window.NativeId(), 300, 200);
    m_probe.Sync();
    ASSERT_TRUE(WaitFor(Kind::Moved, [](const Recorded& r) { return r.point == Point{300, 200}; }).has_value());
    PumpUntil([] { return false; }, std::chrono::milliseconds(50));
    const auto moves = Sink().Of(Kind::Moved);
    EXPECT_EQ(std::count_if(moves.begin(), moves.end(), [](const Recorded& r) { return r.point == Point{300, 200}; }), 1);
}

TEST_F(X11DisplayTest, MouseAndKeysArriveInClientCoordinatesWithFlags) {
    TopLevel window;
    ASSERT_TRUE(window.Open(Rect{100, 100, 400, 300}));
    ShowAndWait(window);
    ASSERT_TRUE(WaitFor(Kind::Activation, [](const Recorded& r) { return r.value == 1; }).has_value())
        << "mapped with no window manager, the window takes the focus";

    const auto mouse = [&](ui::UINT msg, Point at, ui::WPARAM keys) {
        return WaitFor(Kind::Mouse, [&](const Recorded& r) {
                   return r.window == window.Handle() && r.msg == msg && r.point == at && r.value == keys;
               }).has_value();
    };
    ASSERT_TRUE(Xdotool("mousemove 150 160"));
    EXPECT_TRUE(mouse(ui::WM_MOUSEMOVE, Point{50, 60}, 0));
    ASSERT_TRUE(Xdotool("mousedown 1"));
    EXPECT_TRUE(mouse(ui::WM_LBUTTONDOWN, Point{50, 60}, ui::MK_LBUTTON));
    ASSERT_TRUE(Xdotool("mousemove 170 180"));
    EXPECT_TRUE(mouse(ui::WM_MOUSEMOVE, Point{70, 80}, ui::MK_LBUTTON));
    ASSERT_TRUE(Xdotool("mouseup 1"));
    EXPECT_TRUE(mouse(ui::WM_LBUTTONUP, Point{70, 80}, 0));
    ASSERT_TRUE(Xdotool("click 3"));
    EXPECT_TRUE(mouse(ui::WM_RBUTTONDOWN, Point{70, 80}, ui::MK_RBUTTON));
    EXPECT_TRUE(mouse(ui::WM_RBUTTONUP, Point{70, 80}, 0));
    // Leaving the window: one move to where the pointer went, so hover looks can end.
    ASSERT_TRUE(Xdotool("mousemove 600 500"));
    EXPECT_TRUE(mouse(ui::WM_MOUSEMOVE, Point{500, 400}, 0));

    Sink().events.clear();
    ASSERT_TRUE(Xdotool("key Return Escape space Tab a 7"));
    const std::vector<ui::WPARAM> expected = {ui::VK_RETURN, ui::VK_ESCAPE, ui::VK_SPACE, 0x09, 'A', '7'};
    ASSERT_TRUE(PumpUntil([&] { return Sink().Of(Kind::Key).size() >= 2 * expected.size(); }));
    std::vector<ui::WPARAM> downs;
    std::vector<ui::WPARAM> ups;
    for (const Recorded& r : Sink().Of(Kind::Key)) {
        EXPECT_EQ(r.window, window.Handle());
        (r.msg == ui::WM_KEYDOWN ? downs : ups).push_back(r.value);
    }
    EXPECT_EQ(downs, expected);
    EXPECT_EQ(ups, expected);
}

TEST_F(X11DisplayTest, CloseRequestAndFocusLossFromOtherClients) {
    TopLevel window;
    ASSERT_TRUE(window.Open(Rect{0, 0, 80, 80}));
    ShowAndWait(window);
    ASSERT_TRUE(WaitFor(Kind::Activation, [](const Recorded& r) { return r.value == 1; }).has_value());

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window.NativeId();
    event.xclient.message_type = m_probe.AtomOf("WM_PROTOCOLS");
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(m_probe.AtomOf("WM_DELETE_WINDOW"));
    XSendEvent(m_probe.Dpy(), window.NativeId(), False, NoEventMask, &event);
    m_probe.Sync();
    EXPECT_TRUE(WaitFor(Kind::Close, [&](const Recorded& r) { return r.window == window.Handle(); }).has_value());

    XSetInputFocus(m_probe.Dpy(), m_probe.Root(), RevertToNone, CurrentTime);
    m_probe.Sync();
    EXPECT_TRUE(WaitFor(Kind::Activation, [](const Recorded& r) { return r.value == 0; }).has_value());
}

TEST_F(X11DisplayTest, DragMovesTheWindowWhereNoWindowManagerAnswers) {
    TopLevel window;
    ASSERT_TRUE(window.Open(Rect{100, 100, 300, 250}));
    ShowAndWait(window);

    // Without a pressed button there is nothing to drag.
    ASSERT_TRUE(Xdotool("mousemove 150 150"));
    TestDisplay().BeginNativeMoveDrag(window, Point{150, 150});
    ASSERT_TRUE(Xdotool("mousemove 160 170"));
    PumpUntil([] { return false; }, std::chrono::milliseconds(50));
    EXPECT_EQ(m_probe.ScreenPosition(window.NativeId()), (Point{100, 100}));

    ASSERT_TRUE(Xdotool("mousemove 150 150 mousedown 1"));
    ASSERT_TRUE(WaitFor(Kind::Mouse, [](const Recorded& r) { return r.msg == ui::WM_LBUTTONDOWN; }).has_value());
    TestDisplay().BeginNativeMoveDrag(window, Point{150, 150});
    Sink().events.clear();
    ASSERT_TRUE(Xdotool("mousemove 250 220"));
    EXPECT_TRUE(PumpUntil([&] { return m_probe.ScreenPosition(window.NativeId()) == Point{200, 170}; }));
    ASSERT_TRUE(Xdotool("mousemove 260 230 mouseup 1"));
    EXPECT_TRUE(PumpUntil([&] { return m_probe.ScreenPosition(window.NativeId()) == Point{210, 180}; }));
    EXPECT_TRUE(WaitFor(Kind::Moved, [](const Recorded& r) { return r.point == Point{210, 180}; }).has_value());
    EXPECT_TRUE(Sink().Of(Kind::Mouse).empty()) << "the drag takes the pointer's events, the release too";

    // Afterwards the pointer reaches the window as before.
    ASSERT_TRUE(Xdotool("mousemove 270 240"));
    EXPECT_TRUE(WaitFor(Kind::Mouse, [](const Recorded& r) {
                    return r.msg == ui::WM_MOUSEMOVE && r.point == Point{60, 60} && r.value == 0;
                }).has_value());
}

TEST_F(X11DisplayTest, PointerGrabKeepsMovesOutsideTheWindowComing) {
    TopLevel window;
    ASSERT_TRUE(window.Open(Rect{100, 100, 300, 300}));
    ShowAndWait(window);
    ASSERT_TRUE(Xdotool("mousemove 150 150"));
    ASSERT_TRUE(WaitFor(Kind::Mouse, [](const Recorded& r) { return r.point == Point{50, 50}; }).has_value());

    TestDisplay().SetNativePointerGrab(window, true);
    ASSERT_TRUE(Xdotool("mousemove 500 450"));
    EXPECT_TRUE(WaitFor(Kind::Mouse, [](const Recorded& r) { return r.point == Point{400, 350}; }).has_value());

    TestDisplay().SetNativePointerGrab(window, false);
    PumpUntil([] { return false; }, std::chrono::milliseconds(30));
    Sink().events.clear();
    ASSERT_TRUE(Xdotool("mousemove 600 500"));
    PumpUntil([] { return false; }, std::chrono::milliseconds(100));
    EXPECT_TRUE(Sink().Of(Kind::Mouse).empty()) << "released: moves outside no longer arrive";
}

TEST_F(X11DisplayTest, WorkAreaFromTheWindowManagersPropertyOrTheScreen) {
    EXPECT_EQ(TestDisplay().WorkArea(), (Rect{0, 0, 1024, 768}));
    const long area[] = {0, 0, 1024, 768, 10, 24, 1000, 700};
    const long desktop = 1;
    XChangeProperty(m_probe.Dpy(), m_probe.Root(), m_probe.AtomOf("_NET_WORKAREA"), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(area), 8);
    XChangeProperty(m_probe.Dpy(), m_probe.Root(), m_probe.AtomOf("_NET_CURRENT_DESKTOP"), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&desktop), 1);
    m_probe.Sync();
    EXPECT_EQ(TestDisplay().WorkArea(), (Rect{10, 24, 1010, 724}));
    XDeleteProperty(m_probe.Dpy(), m_probe.Root(), m_probe.AtomOf("_NET_WORKAREA"));
    XDeleteProperty(m_probe.Dpy(), m_probe.Root(), m_probe.AtomOf("_NET_CURRENT_DESKTOP"));
    m_probe.Sync();
    EXPECT_EQ(TestDisplay().WorkArea(), (Rect{0, 0, 1024, 768}));
}

TEST_F(X11DisplayTest, NativeWindowsBelongToTheDisplaysThread) {
    bool created = true;
    std::thread other([&] {
        TopLevel window;
        created = window.Open(Rect{0, 0, 10, 10});
    });
    other.join();
    EXPECT_FALSE(created);
    EXPECT_TRUE(TestDisplay().IsInteractive());
    EXPECT_EQ(TestDisplay().Name(), "x11");
}

} // namespace
} // namespace x11_testing
