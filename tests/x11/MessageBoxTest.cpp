// Our X11 message box on a real server: its window (title, dialog type, owner, placement, icon),
// the ways to close it, input to the owner held back and the thread's loop running while it is up.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <atomic>
#include <functional>
#include <thread>

#include "X11TestSupport.h"
#include "ui/MessageBox.h"
#include "ui/MessageLoop.h"
#include "ui/x11/X11MessageBox.h"

namespace x11_testing {
namespace {

using namespace std::chrono_literals;

// What the helper thread saw of the box, checked on the test's thread afterwards.
struct Seen {
    Window box = 0;
    std::optional<ui::Point> position;
    Window transientFor = 0;
    Atom type = 0;
    bool redIcon = false;
    bool posted = false;
    bool focused = false;
};

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5s) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// Counts the messages that reach it: proof that the loop ran while the box was up.
class Counter final : public ui::Window {
public:
    ui::LRESULT WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) override {
        if (msg == ui::WM_USER) {
            count.fetch_add(1);
        }
        return DefWindowProc(msg, wParam, lParam);
    }
    std::atomic<int> count{0};
};

struct CloseCase {
    const char* name;
    // Closes the box seen at `seen` (helper thread, own connection).
    std::function<void(Probe&, const Seen&, const ui::x11::MessageBoxLayout&)> close;
};

class X11MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        Probe probe;
        probe.PaintRoot(0x00FF00);
        ASSERT_TRUE(m_owner.Open(ui::Rect{0, 0, 500, 384}, u"Kestrel"));
        m_owner.Show(true);
        ASSERT_TRUE(PumpUntil([&] { return probe.IsMapped(m_owner.NativeId()); }));
        ui::CreateParams hidden;
        hidden.hidden = true;
        ASSERT_TRUE(m_counter.Create(hidden));
        Sink().events.clear();
    }

    // Shows the box on this thread while a helper looks at it and closes it.
    Seen RunBox(const std::u16string& text, const CloseCase& how, int& result) {
        Seen seen;
        const ui::x11::MessageBoxLayout layout = ui::x11::LayoutMessageBox(text, ui::MB_ICONERROR);
        const ui::WindowHandle counter = m_counter.Handle();
        std::thread helper([&] {
            Probe probe;
            if (!WaitUntil([&] { return (seen.box = probe.FindByTitle("Error")) != 0; })) {
                Xdotool("key Escape"); // not seen: still end the modal run, so the test fails, not hangs
                return;
            }
            seen.position = probe.ScreenPosition(seen.box);
            if (const auto t = probe.Read(seen.box, "WM_TRANSIENT_FOR"); t && !t->longs.empty()) {
                seen.transientFor = static_cast<Window>(t->longs[0]);
            }
            if (const auto t = probe.Read(seen.box, "_NET_WM_WINDOW_TYPE"); t && !t->longs.empty()) {
                seen.type = static_cast<Atom>(t->longs[0]);
            }
            if (seen.position) {
                const int x = seen.position->x + layout.icon.left + layout.icon.Width() / 2;
                const int y = seen.position->y + layout.icon.top + 3;
                seen.redIcon = WaitUntil([&] {
                    const uint32_t p = probe.ScreenPixel(x, y);
                    return (p >> 16) > 200 && ((p >> 8) & 0xFF) < 80 && (p & 0xFF) < 80;
                });
            }
            // A click on the owner, outside the box, must not reach it; a posted message must.
            Xdotool("mousemove 20 20 click 1");
            ui::Post(counter, ui::WM_USER);
            seen.posted = WaitUntil([&] { return m_counter.count.load() > 0; });
            // Keys go to the focus: wait until the box has taken it.
            seen.focused = WaitUntil([&] {
                Window focus = 0;
                int revert = 0;
                XGetInputFocus(probe.Dpy(), &focus, &revert);
                return focus == seen.box;
            });
            how.close(probe, seen, layout);
        });
        result = TestDisplay().ShowMessageBox(m_owner.Handle(), text, u"Error", ui::MB_ICONERROR);
        helper.join();
        return seen;
    }

    TopLevel m_owner;
    Counter m_counter;
};

TEST_F(X11MessageBoxTest, BoxShowsOverItsOwnerAndEachWayClosesIt) {
    const CloseCase cases[] = {
        {"Enter", [](Probe&, const Seen&, const auto&) { Xdotool("key Return"); }},
        {"Escape", [](Probe&, const Seen&, const auto&) { Xdotool("key Escape"); }},
        {"click on OK",
         [](Probe&, const Seen& seen, const ui::x11::MessageBoxLayout& layout) {
             const int x = seen.position->x + layout.button.left + layout.button.Width() / 2;
             const int y = seen.position->y + layout.button.top + layout.button.Height() / 2;
             Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
         }},
        {"window manager's close",
         [](Probe& probe, const Seen& seen, const auto&) {
             XEvent event{};
             event.xclient.type = ClientMessage;
             event.xclient.window = seen.box;
             event.xclient.message_type = probe.AtomOf("WM_PROTOCOLS");
             event.xclient.format = 32;
             event.xclient.data.l[0] = static_cast<long>(probe.AtomOf("WM_DELETE_WINDOW"));
             XSendEvent(probe.Dpy(), seen.box, False, NoEventMask, &event);
             probe.Sync();
         }},
    };
    Probe probe;
    const std::u16string text = u"The firmware package is damaged.";
    const ui::x11::MessageBoxLayout layout = ui::x11::LayoutMessageBox(text, ui::MB_ICONERROR);
    for (const CloseCase& c : cases) {
        SCOPED_TRACE(c.name);
        Sink().events.clear();
        m_counter.count = 0;
        int result = 0;
        const Seen seen = RunBox(text, c, result);
        EXPECT_EQ(result, ui::IDOK);
        ASSERT_NE(seen.box, 0u) << "the box appeared with the caption as its title";
        EXPECT_EQ(seen.transientFor, m_owner.NativeId());
        EXPECT_EQ(seen.type, probe.AtomOf("_NET_WM_WINDOW_TYPE_DIALOG"));
        ASSERT_TRUE(seen.position.has_value());
        EXPECT_EQ(seen.position->x, (500 - layout.width) / 2) << "centred over the owner";
        EXPECT_EQ(seen.position->y, (384 - layout.height) / 2);
        EXPECT_TRUE(seen.redIcon) << "the error icon shows";
        EXPECT_TRUE(seen.posted) << "the thread's loop kept running";
        EXPECT_TRUE(seen.focused) << "the box took the keyboard focus";
        for (const Recorded& r : Sink().Of(Recorded::Kind::Mouse)) {
            EXPECT_NE(r.window, m_owner.Handle()) << "input to the owner is held back";
        }
        EXPECT_TRUE(PumpUntil([&] { return probe.FindByTitle("Error") == 0; })) << "the box is gone";
        // The owner has the keyboard again (no window manager hands it back).
        EXPECT_TRUE(PumpUntil([&] {
            const auto activations = Sink().Of(Recorded::Kind::Activation);
            return !activations.empty() && activations.back().window == m_owner.Handle() && activations.back().value == 1;
        })) << "the owner is active again";
    }
}

TEST_F(X11MessageBoxTest, AnotherThreadsBoxGoesToStandardError) {
    ::testing::internal::CaptureStderr();
    int result = 0;
    std::thread other([&] { result = TestDisplay().ShowMessageBox({}, u"no device", u"Error", ui::MB_ICONERROR); });
    other.join();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, ui::IDOK);
    EXPECT_NE(err.find("Error: no device\n"), std::string::npos) << err;
}

} // namespace
} // namespace x11_testing
