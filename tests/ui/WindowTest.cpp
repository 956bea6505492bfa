// Window life cycle: creation, WM_CREATE, children, destruction order, WM_CLOSE, and the native
// side a top-level window gets on the headless back-end.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/ui/TestWindow.h"
#include "ui/Display.h"
#include "ui/MessageLoop.h"
#include "ui/headless/HeadlessDisplay.h"

namespace ui::test {
namespace {

HeadlessDisplay& Headless() {
    auto* display = dynamic_cast<HeadlessDisplay*>(&GetDisplay());
    EXPECT_NE(display, nullptr) << "tests run on the headless back-end";
    return *display;
}

TEST(WindowTest, CreateSendsWmCreateWithItsParameters) {
    std::u16string seenText;
    Rect seenRect;
    TestWindow window([&](UINT msg, WPARAM, LPARAM lParam) -> LRESULT {
        if (msg == WM_CREATE) {
            const auto* params = reinterpret_cast<const CreateParams*>(lParam);
            seenText = params->text;
            seenRect = params->rect;
        }
        return 0;
    });
    CreateParams params;
    params.hidden = true;
    params.text = u"hid sink";
    params.rect = Rect{1, 2, 30, 40};
    ASSERT_TRUE(window.Create(params));
    EXPECT_TRUE(window.IsAlive());
    EXPECT_TRUE(IsWindow(window.Handle()));
    EXPECT_EQ(FromHandle(window.Handle()), &window);
    EXPECT_EQ(window.OwnerThread(), std::this_thread::get_id());
    EXPECT_EQ(seenText, u"hid sink");
    EXPECT_EQ(seenRect, (Rect{1, 2, 30, 40}));
    EXPECT_EQ(window.Params().rect, (Rect{1, 2, 30, 40}));
    EXPECT_FALSE(window.Create(params)); // exists already
}

TEST(WindowTest, RefusedCreateLeavesNoWindow) {
    std::vector<UINT> seen;
    TestWindow window([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        seen.push_back(msg);
        return msg == WM_CREATE ? -1 : 0;
    });
    EXPECT_FALSE(window.CreateHidden());
    EXPECT_FALSE(window.IsAlive());
    EXPECT_EQ(seen, (std::vector<UINT>{WM_CREATE, WM_DESTROY}));
    // The object can try again.
    window.SetHandler([](UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    EXPECT_TRUE(window.CreateHidden());
}

TEST(WindowTest, DestroyReachesTheWindowThenItsChildrenAndForgetsAllHandles) {
    std::vector<std::string> order;
    auto named = [&order](const char* name) {
        return std::make_unique<TestWindow>([&order, name](UINT msg, WPARAM, LPARAM) -> LRESULT {
            if (msg == WM_DESTROY) {
                order.push_back(name);
            }
            return 0;
        });
    };
    auto parent = named("parent");
    auto first = named("first");
    auto grandchild = named("grandchild");
    auto second = named("second");
    auto gone = named("gone early");
    ASSERT_TRUE(parent->CreateHidden());
    auto childOf = [](const Window& p) {
        CreateParams params;
        params.parent = p.Handle();
        params.style = WS_CHILD;
        return params;
    };
    ASSERT_TRUE(first->Create(childOf(*parent)));
    ASSERT_TRUE(grandchild->Create(childOf(*first)));
    ASSERT_TRUE(gone->Create(childOf(*parent)));
    ASSERT_TRUE(second->Create(childOf(*parent)));
    EXPECT_EQ(parent->Children().size(), 3u);

    gone->Destroy(); // a child destroyed on its own leaves its parent's list
    EXPECT_EQ(parent->Children(), (std::vector<WindowHandle>{first->Handle(), second->Handle()}));

    const WindowHandle handles[] = {parent->Handle(), first->Handle(), grandchild->Handle(), second->Handle()};
    order.clear();
    parent->Destroy();
    EXPECT_EQ(order, (std::vector<std::string>{"parent", "first", "grandchild", "second"}));
    for (WindowHandle handle : handles) {
        EXPECT_FALSE(IsWindow(handle));
        EXPECT_FALSE(Post(handle, WM_TEST));
    }
    EXPECT_FALSE(first->IsAlive());
    EXPECT_TRUE(parent->Children().empty());
}

TEST(WindowTest, ChildNeedsALiveParentOnTheSameThread) {
    TestWindow parent;
    ASSERT_TRUE(parent.CreateHidden());
    CreateParams params;
    params.parent = parent.Handle();

    bool createdElsewhere = true;
    std::thread([&] {
        TestWindow child;
        createdElsewhere = child.Create(params);
    }).join();
    EXPECT_FALSE(createdElsewhere);

    parent.Destroy();
    TestWindow orphan;
    EXPECT_FALSE(orphan.Create(params));
}

TEST(WindowTest, CloseDestroysByDefaultAndDestroyInsideWmDestroyIsHarmless) {
    int destroys = 0;
    TestWindow window;
    window.SetHandler([&](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg == WM_DESTROY) {
            ++destroys;
            window.Destroy(); // re-entered: ignored
            return 0;
        }
        return window.DefWindowProc(msg, wParam, lParam);
    });
    ASSERT_TRUE(window.CreateHidden());
    EXPECT_EQ(Send(window.Handle(), WM_CLOSE), 0);
    EXPECT_FALSE(window.IsAlive());
    EXPECT_EQ(destroys, 1);
}

TEST(HeadlessWindowTest, TopLevelWindowsHaveANativeSideThatFollowsTitleAndVisibility) {
    std::vector<WPARAM> shows;
    TestWindow window([&](UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
        if (msg == WM_SHOWWINDOW) {
            shows.push_back(wParam);
        }
        return 0;
    });
    CreateParams params;
    params.text = u"Kestrel";
    params.style = WS_POPUP | WS_VISIBLE;
    params.rect = Rect{0, 0, 300, 200};
    ASSERT_TRUE(window.Create(params));
    ASSERT_TRUE(window.HasNativeWindow());
    auto state = Headless().State(window.Handle());
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ(state->title, u"Kestrel");
    EXPECT_TRUE(state->visible);
    EXPECT_TRUE(window.IsVisible());

    window.Show(false);
    window.Show(false); // no change, no message
    window.SetText(u"Kestrel \u00e9");
    state = Headless().State(window.Handle());
    ASSERT_TRUE(state.has_value());
    EXPECT_FALSE(state->visible);
    EXPECT_EQ(state->title, u"Kestrel \u00e9");
    EXPECT_EQ(window.Text(), u"Kestrel \u00e9");
    EXPECT_EQ(shows, (std::vector<WPARAM>{1, 0}));

    const WindowHandle handle = window.Handle();
    window.Destroy();
    EXPECT_FALSE(Headless().State(handle).has_value());
}

TEST(HeadlessWindowTest, MessageOnlyAndChildWindowsHaveNoNativeSide) {
    TestWindow hidden;
    ASSERT_TRUE(hidden.CreateHidden());
    TestWindow top;
    ASSERT_TRUE(top.Create(CreateParams{}));
    TestWindow child;
    CreateParams params;
    params.parent = top.Handle();
    params.style = WS_CHILD | WS_VISIBLE;
    ASSERT_TRUE(child.Create(params));

    EXPECT_FALSE(hidden.HasNativeWindow());
    EXPECT_FALSE(Headless().State(hidden.Handle()).has_value());
    EXPECT_FALSE(child.HasNativeWindow());
    EXPECT_FALSE(Headless().State(child.Handle()).has_value());
    EXPECT_TRUE(child.IsVisible()); // still has its own visible state
    EXPECT_TRUE(Headless().State(top.Handle()).has_value());
    EXPECT_FALSE(top.IsVisible()); // not created WS_VISIBLE
}

} // namespace
} // namespace ui::test
