// Mouse and key input through the framework: hit-testing to children, the push button's press,
// capture, focus and click rules, owner draw, disabled windows, and the caption drag.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/ui/UiFixture.h"
#include "ui/Controls.h"
#include "ui/Input.h"
#include "ui/WindowApi.h"

namespace ui::test {
namespace {

// A push button that logs what reaches it and keeps the standard behaviour.
class LoggingButton : public Button {
public:
    explicit LoggingButton(std::vector<Seen>& log) : m_log(log) {}
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        m_log.push_back({Handle(), msg, wParam, lParam});
        return Button::WindowProc(msg, wParam, lParam);
    }

private:
    std::vector<Seen>& m_log;
};

// A top-level window at (100, 50), 200 x 100, holding buttons A (10, 10)-(60, 40), id 11, and
// B (100, 10)-(150, 40), id 12.
class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        top.SetHandler([this](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
            topLog.push_back({top.Handle(), msg, wParam, lParam});
            if (msg == WM_COMMAND) {
                commands.push_back({top.Handle(), msg, wParam, lParam});
            }
            return top.DefWindowProc(msg, wParam, lParam);
        });
        ASSERT_TRUE(CreateTopLevel(top, {100, 50, 300, 150}));
        ASSERT_TRUE(a.CreateButton(top.Handle(), {10, 10, 60, 40}, u"A", WS_VISIBLE, 11));
        ASSERT_TRUE(b.CreateButton(top.Handle(), {100, 10, 150, 40}, u"B", WS_VISIBLE, 12));
        Settle();
        buttonLog.clear();
        topLog.clear();
    }

    void Mouse(UINT msg, Point client, WPARAM keys) { InjectMouse(top.Handle(), msg, client, keys); }

    // Messages of one kind that reached a window.
    std::vector<Seen> Received(WindowHandle window, UINT msg) const {
        std::vector<Seen> found;
        for (const Seen& s : window == top.Handle() ? topLog : buttonLog) {
            if (s.window == window && s.msg == msg) {
                found.push_back(s);
            }
        }
        return found;
    }

    std::vector<Seen> buttonLog;
    std::vector<Seen> topLog;
    std::vector<Seen> commands;
    TestWindow top;
    LoggingButton a{buttonLog};
    LoggingButton b{buttonLog};
};

TEST_F(InputTest, MouseGoesToTheChildUnderThePointInItsClientCoordinates) {
    Mouse(WM_MOUSEMOVE, {120, 25}, 0);
    Mouse(WM_MOUSEMOVE, {5, 5}, MK_RBUTTON);
    const auto onB = Received(b.Handle(), WM_MOUSEMOVE);
    ASSERT_EQ(onB.size(), 1u);
    EXPECT_EQ(XFromLParam(onB[0].lParam), 20);
    EXPECT_EQ(YFromLParam(onB[0].lParam), 15);
    const auto onTop = Received(top.Handle(), WM_MOUSEMOVE);
    ASSERT_EQ(onTop.size(), 1u);
    EXPECT_EQ(onTop[0].wParam, MK_RBUTTON);
    EXPECT_EQ(XFromLParam(onTop[0].lParam), 5);
    EXPECT_TRUE(Received(a.Handle(), WM_MOUSEMOVE).empty());
    EXPECT_EQ(WindowFromPoint({220, 75}), b.Handle());
    EXPECT_EQ(ClientToScreen(b.Handle(), {1, 2}), (Point{201, 62}));
    EXPECT_EQ(ScreenToClient(b.Handle(), {201, 62}), (Point{1, 2}));
}

TEST_F(InputTest, PushButtonClicksOnlyWhenReleasedOverItself) {
    struct Event {
        UINT msg;
        Point at;
        WPARAM keys;
    };
    struct Case {
        const char* name;
        bool disableA;
        std::vector<Event> events;
        int clicksOfA;
    };
    const Case cases[] = {
        {"press and release over A", false,
         {{WM_LBUTTONDOWN, {20, 20}, MK_LBUTTON}, {WM_LBUTTONUP, {25, 22}, 0}}, 1},
        {"press on A, drag onto B, release there", false,
         {{WM_LBUTTONDOWN, {20, 20}, MK_LBUTTON},
          {WM_MOUSEMOVE, {120, 20}, MK_LBUTTON},
          {WM_LBUTTONUP, {120, 20}, 0}},
         0},
        {"press on A, out and back in, release over A", false,
         {{WM_LBUTTONDOWN, {20, 20}, MK_LBUTTON},
          {WM_MOUSEMOVE, {80, 20}, MK_LBUTTON},
          {WM_MOUSEMOVE, {30, 20}, MK_LBUTTON},
          {WM_LBUTTONUP, {30, 20}, 0}},
         1},
        {"right press and release", false, {{WM_RBUTTONDOWN, {20, 20}, MK_RBUTTON}, {WM_RBUTTONUP, {20, 20}, 0}}, 0},
        {"disabled A", true, {{WM_LBUTTONDOWN, {20, 20}, MK_LBUTTON}, {WM_LBUTTONUP, {20, 20}, 0}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        commands.clear();
        buttonLog.clear();
        EnableWindow(a.Handle(), !c.disableA);
        for (const Event& e : c.events) {
            Mouse(e.msg, e.at, e.keys);
        }
        int clicks = 0;
        for (const Seen& s : commands) {
            EXPECT_EQ(HiWord(s.wParam), BN_CLICKED);
            EXPECT_EQ(LoWord(s.wParam), 11);
            EXPECT_EQ(s.lParam, static_cast<LPARAM>(a.Handle().value));
            ++clicks;
        }
        EXPECT_EQ(clicks, c.clicksOfA);
        EXPECT_FALSE(a.IsPushed());
        EXPECT_EQ(GetCapture(), WindowHandle{});
        EXPECT_TRUE(Received(b.Handle(), WM_LBUTTONUP).empty()); // the capture kept it on A
        if (c.disableA) {
            EXPECT_TRUE(Received(a.Handle(), WM_LBUTTONDOWN).empty());
            EXPECT_TRUE(Received(a.Handle(), WM_LBUTTONUP).empty());
        }
    }
}

TEST_F(InputTest, PressCapturesFocusesAndShowsPressedWhileThePointerIsOver) {
    Mouse(WM_LBUTTONDOWN, {20, 20}, MK_LBUTTON);
    EXPECT_EQ(GetCapture(), a.Handle());
    EXPECT_EQ(GetFocus(), a.Handle());
    EXPECT_TRUE(Headless().State(top.Handle())->pointerGrabbed);
    EXPECT_EQ(Send(a.Handle(), BM_GETSTATE) & BST_PUSHED, BST_PUSHED);
    Mouse(WM_MOUSEMOVE, {80, 20}, MK_LBUTTON);
    EXPECT_EQ(Send(a.Handle(), BM_GETSTATE) & BST_PUSHED, 0);
    Mouse(WM_LBUTTONUP, {80, 20}, 0);
    EXPECT_FALSE(Headless().State(top.Handle())->pointerGrabbed);
    const auto changed = Received(a.Handle(), WM_CAPTURECHANGED);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].lParam, 0);

    // Pressing B moves focus: A loses it to B, B hears where it came from.
    buttonLog.clear();
    Mouse(WM_LBUTTONDOWN, {110, 20}, MK_LBUTTON);
    const auto killed = Received(a.Handle(), WM_KILLFOCUS);
    ASSERT_EQ(killed.size(), 1u);
    EXPECT_EQ(killed[0].wParam, static_cast<WPARAM>(b.Handle().value));
    const auto focused = Received(b.Handle(), WM_SETFOCUS);
    ASSERT_EQ(focused.size(), 1u);
    EXPECT_EQ(focused[0].wParam, static_cast<WPARAM>(a.Handle().value));

    // Taking the capture away during a press ends it: no click on release.
    SetCapture(top.Handle());
    EXPECT_FALSE(b.IsPushed());
    const auto lost = Received(b.Handle(), WM_CAPTURECHANGED);
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost[0].lParam, static_cast<LPARAM>(top.Handle().value));
    ReleaseCapture();
    Mouse(WM_LBUTTONUP, {110, 20}, 0);
    EXPECT_TRUE(commands.empty());
}

TEST_F(InputTest, DisablingAButtonDuringAPressEndsItAndTheOwnerGetsNoInputWhileDisabled) {
    Mouse(WM_LBUTTONDOWN, {20, 20}, MK_LBUTTON);
    ASSERT_EQ(GetCapture(), a.Handle());
    EXPECT_FALSE(EnableWindow(a.Handle(), false)); // was enabled
    EXPECT_EQ(GetCapture(), WindowHandle{});
    EXPECT_EQ(GetFocus(), WindowHandle{});
    EXPECT_FALSE(a.IsPushed());
    EXPECT_TRUE(EnableWindow(a.Handle(), true)); // was disabled

    EnableWindow(top.Handle(), false);
    buttonLog.clear();
    topLog.clear();
    Mouse(WM_LBUTTONDOWN, {20, 20}, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, {5, 5}, 0);
    InjectKey(top.Handle(), WM_KEYDOWN, VK_SPACE);
    EXPECT_TRUE(buttonLog.empty());
    EXPECT_TRUE(Received(top.Handle(), WM_MOUSEMOVE).empty());
    EXPECT_TRUE(Received(top.Handle(), WM_KEYDOWN).empty());
}

TEST_F(InputTest, KeysGoToTheFocusedWindowAndTheSpaceBarClicks) {
    SetFocus(b.Handle());
    InjectKey(top.Handle(), WM_KEYDOWN, VK_SPACE);
    EXPECT_TRUE(b.IsPushed());
    InjectKey(top.Handle(), WM_KEYUP, VK_SPACE);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(LoWord(commands[0].wParam), 12);
    const auto down = Received(b.Handle(), WM_KEYDOWN);
    ASSERT_EQ(down.size(), 1u);
    EXPECT_EQ(down[0].wParam, VK_SPACE);
}

TEST_F(InputTest, OwnerDrawnButtonsAskTheirParentWithTheirState) {
    struct Drawn {
        uint32_t state;
        Rect rect;
        bool hasPainter;
    };
    std::vector<Drawn> drawn;
    TestWindow parent;
    parent.SetHandler([&](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg == WM_DRAWITEM) {
            const auto* item = reinterpret_cast<const DrawItem*>(lParam);
            drawn.push_back({item->itemState, item->rect, item->painter != nullptr});
            item->painter->FillRect(item->rect, (item->itemState & ODS_SELECTED) != 0 ? MakePixel(9, 9, 9)
                                                                                       : MakePixel(1, 2, 3));
            return 1;
        }
        return parent.DefWindowProc(msg, wParam, lParam);
    });
    ASSERT_TRUE(CreateTopLevel(parent, {0, 0, 80, 60}));
    Button picture;
    ASSERT_TRUE(picture.CreateButton(parent.Handle(), {10, 10, 30, 20}, u"", WS_VISIBLE | BS_OWNERDRAW, 0));
    Settle();
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.back().state, 0u);
    EXPECT_EQ(drawn.back().rect, (Rect{0, 0, 20, 10}));
    EXPECT_TRUE(drawn.back().hasPainter);
    EXPECT_EQ(PresentedPixel(parent.Handle(), 10, 10), MakePixel(1, 2, 3));

    InjectMouse(parent.Handle(), WM_LBUTTONDOWN, {15, 15}, MK_LBUTTON);
    Settle();
    EXPECT_EQ(drawn.back().state & ODS_SELECTED, ODS_SELECTED);
    EXPECT_EQ(PresentedPixel(parent.Handle(), 29, 19), MakePixel(9, 9, 9));
    InjectMouse(parent.Handle(), WM_LBUTTONUP, {15, 15}, 0);
    EnableWindow(picture.Handle(), false);
    Settle();
    EXPECT_EQ(drawn.back().state & (ODS_DISABLED | ODS_SELECTED), ODS_DISABLED);
}

TEST_F(InputTest, CaptionDragStartsTheDisplaysMoveWhileTheButtonIsDown) {
    Mouse(WM_LBUTTONDOWN, {180, 90}, MK_LBUTTON);
    const auto press = Received(top.Handle(), WM_LBUTTONDOWN);
    ASSERT_EQ(press.size(), 1u);
    // What the skinned windows do: post the caption hit to themselves with the packed point.
    Post(top.Handle(), WM_NCLBUTTONDOWN, HTCAPTION, press[0].lParam);
    Settle();
    auto state = Headless().State(top.Handle());
    EXPECT_EQ(state->moveDrags, 1);
    EXPECT_EQ(state->lastDragStart, (Point{280, 140}));

    Mouse(WM_LBUTTONUP, {180, 90}, 0);
    Post(top.Handle(), WM_NCLBUTTONDOWN, HTCAPTION, press[0].lParam); // too late: button is up
    Settle();
    EXPECT_EQ(Headless().State(top.Handle())->moveDrags, 1);
}

} // namespace
} // namespace ui::test
