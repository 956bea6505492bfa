// The X11 back-end under a real window manager (openbox, when installed): the position and the
// missing decorations are kept, the drag goes through _NET_WM_MOVERESIZE, state changes of a mapped
// window go through the window manager, and a message box comes up transient for its owner.
#include <gtest/gtest.h>

#include "X11TestSupport.h"
#include "tests/support/RunProcess.h"
#include "ui/MessageBox.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <thread>

namespace x11_testing {
namespace {

using namespace std::chrono_literals;
using ui::Point;
using ui::Rect;

class X11WindowManagerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (std::string(KESTREL_OPENBOX).empty()) {
            return;
        }
        s_wm = new testing_support::BackgroundProcess({KESTREL_OPENBOX, "--sm-disable"});
        // Openbox names itself on the root window before it takes map requests, and a request it
        // gets meanwhile is lost: it is ready once a window of ours gets managed (WM_STATE).
        Probe probe;
        const Window canary = XCreateSimpleWindow(probe.Dpy(), probe.Root(), 0, 0, 10, 10, 0, 0, 0);
        for (int attempt = 0; attempt < 50 && !probe.Read(canary, "WM_STATE"); ++attempt) {
            XUnmapWindow(probe.Dpy(), canary);
            XMapWindow(probe.Dpy(), canary);
            probe.Sync();
            std::this_thread::sleep_for(100ms);
        }
        XDestroyWindow(probe.Dpy(), canary);
        probe.Sync();
    }
    static void TearDownTestSuite() {
        delete s_wm;
        s_wm = nullptr;
    }

    void SetUp() override {
        if (s_wm == nullptr) {
            GTEST_SKIP() << "openbox is not installed";
        }
        ASSERT_TRUE(s_wm->Running()) << "openbox ended";
        Xdotool("mousemove 1000 760");
        Sink().events.clear();
    }

    void ShowAndWait(TopLevel& window) {
        window.Show(true);
        ASSERT_TRUE(PumpUntil([&] { return m_probe.IsMapped(window.NativeId()); }));
        // Let the window manager finish placing it.
        PumpUntil([] { return false; }, 200ms);
    }

    bool HasState(Window id, const char* state) {
        const auto states = m_probe.Read(id, "_NET_WM_STATE");
        const long atom = static_cast<long>(m_probe.AtomOf(state));
        return states && std::find(states->longs.begin(), states->longs.end(), atom) != states->longs.end();
    }

    static testing_support::BackgroundProcess* s_wm;
    Probe m_probe;
};

testing_support::BackgroundProcess* X11WindowManagerTest::s_wm = nullptr;

TEST_F(X11WindowManagerTest, WindowKeepsItsPositionAndGetsNoFrame) {
    TopLevel window;
    ASSERT_TRUE(window.Open(Rect{40, 30, 340, 230}, u"managed"));
    ShowAndWait(window);
    EXPECT_EQ(m_probe.ScreenPosition(window.NativeId()), (Point{40, 30}));
    // A frame would show as _NET_FRAME_EXTENTS; undecorated, its sides are all 0.
    const auto extents = m_probe.Read(window.NativeId(), "_NET_FRAME_EXTENTS");
    ASSERT_TRUE(extents.has_value());
    ASSERT_EQ(extents->longs.size(), 4u);
    EXPECT_EQ(std::count(extents->longs.begin(), extents->longs.end(), 0L), 4);
}

TEST_F(X11WindowManagerTest, DragGoesThroughTheWindowManager) {
    TopLevel window;
    ASSERT_TRUE(window.Open(Rect{100, 100, 300, 250}, u"drag"));
    ShowAndWait(window);
    ASSERT_TRUE(Xdotool("mousemove 150 150 mousedown 1"));
    ASSERT_TRUE(PumpUntil([] {
        const auto mouse = Sink().Of(Recorded::Kind::Mouse);
        return std::any_of(mouse.begin(), mouse.end(), [](const Recorded& r) { return r.msg == ui::WM_LBUTTONDOWN; });
    }));
    TestDisplay().BeginNativeMoveDrag(window, Point{150, 150});
    PumpUntil([] { return false; }, 100ms);
    ASSERT_TRUE(Xdotool("mousemove 200 180"));
    ASSERT_TRUE(Xdotool("mousemove 250 220"));
    const bool moved = PumpUntil([&] { return m_probe.ScreenPosition(window.NativeId()) == Point{200, 170}; });
    ASSERT_TRUE(Xdotool("mouseup 1"));
    EXPECT_TRUE(moved) << "at " << m_probe.ScreenPosition(window.NativeId())->x << ","
                       << m_probe.ScreenPosition(window.NativeId())->y;
    EXPECT_TRUE(PumpUntil([] {
        const auto moves = Sink().Of(Recorded::Kind::Moved);
        return !moves.empty() && moves.back().point == Point{200, 170};
    })) << "the move reported in screen coordinates";
}

TEST_F(X11WindowManagerTest, SkipTaskbarOfAMappedWindowGoesThroughTheWindowManager) {
    TopLevel window;
    ASSERT_TRUE(window.Open(Rect{0, 0, 100, 100}, u"state"));
    ShowAndWait(window);
    EXPECT_FALSE(HasState(window.NativeId(), "_NET_WM_STATE_SKIP_TASKBAR"));
    TestDisplay().SetNativeExStyle(window, ui::WS_EX_TOOLWINDOW);
    EXPECT_TRUE(PumpUntil([&] { return HasState(window.NativeId(), "_NET_WM_STATE_SKIP_TASKBAR"); }));
    TestDisplay().SetNativeExStyle(window, 0);
    EXPECT_TRUE(PumpUntil([&] { return !HasState(window.NativeId(), "_NET_WM_STATE_SKIP_TASKBAR"); }));
}

TEST_F(X11WindowManagerTest, MessageBoxIsTransientForItsOwnerAndCloses) {
    TopLevel owner;
    ASSERT_TRUE(owner.Open(Rect{0, 0, 500, 384}, u"owner"));
    ShowAndWait(owner);
    const Window ownerId = owner.NativeId();
    Window box = 0;
    Window transientFor = 0;
    std::thread helper([&] {
        Probe probe;
        for (int i = 0; i < 500 && (box = probe.FindByTitle("Managed error")) == 0; ++i) {
            std::this_thread::sleep_for(10ms);
        }
        if (box == 0) {
            Xdotool("key Escape"); // not seen: still end the modal run, so the test fails, not hangs
            return;
        }
        if (const auto t = probe.Read(box, "WM_TRANSIENT_FOR"); t && !t->longs.empty()) {
            transientFor = static_cast<Window>(t->longs[0]);
        }
        // The window manager gives the new dialog the focus; then Escape closes it.
        for (int i = 0; i < 500; ++i) {
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(probe.Dpy(), &focus, &revert);
            if (focus == box) {
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
        Xdotool("key Escape");
        // Should the key have gone elsewhere, close it as the window manager's close button does.
        std::this_thread::sleep_for(300ms);
        if (probe.FindByTitle("Managed error") != 0) {
            XEvent event{};
            event.xclient.type = ClientMessage;
            event.xclient.window = box;
            event.xclient.message_type = probe.AtomOf("WM_PROTOCOLS");
            event.xclient.format = 32;
            event.xclient.data.l[0] = static_cast<long>(probe.AtomOf("WM_DELETE_WINDOW"));
            XSendEvent(probe.Dpy(), box, False, NoEventMask, &event);
            probe.Sync();
        }
    });
    const auto start = std::chrono::steady_clock::now();
    const int result = TestDisplay().ShowMessageBox(owner.Handle(), u"boom", u"Managed error", ui::MB_ICONERROR);
    const auto took = std::chrono::steady_clock::now() - start;
    helper.join();
    EXPECT_EQ(result, ui::IDOK);
    ASSERT_NE(box, 0u);
    EXPECT_EQ(transientFor, ownerId);
    EXPECT_LT(took, 290ms + 1s) << "Escape closed it, not the fallback";
}

} // namespace
} // namespace x11_testing
