// End to end on Xvfb: the x11_shaped_demo program through the framework and the X11 back-end —
// its shaped window on the screen, the child button reached by real pointer input with its hover
// and pressed looks, the drag by the window, the close request — and the headless back-end's
// snapshot frames of the same program matching what X11 shows.
#include <gtest/gtest.h>

#include "Screenshot.h"
#include "X11Probe.h"
#include "tests/support/RunProcess.h"

#include <X11/Xatom.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace x11_testing {
namespace {

using namespace std::chrono_literals;

constexpr uint32_t kRoot = 0x00FF00;
constexpr uint32_t kWindow = 0x2060A0;
constexpr uint32_t kNormal = 0xC0C0C0;
constexpr uint32_t kHover = 0xFFD040;
constexpr uint32_t kPressed = 0xA02020;
constexpr const char* kTitle = "Kestrel shaped demo";
// The button's centre on the screen: window at (40, 30), button (100, 80)-(200, 120) in it.
constexpr int kButtonX = 40 + 150;
constexpr int kButtonY = 30 + 100;

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

// The X server resets itself whenever its last client leaves, and refuses connections meanwhile:
// one connection held for the whole run keeps it up between the tests' own.
class HoldServer final : public ::testing::Environment {
public:
    void SetUp() override { m_probe = std::make_unique<Probe>(); }
    void TearDown() override { m_probe.reset(); }

private:
    std::unique_ptr<Probe> m_probe;
};
[[maybe_unused]] ::testing::Environment* const g_holdServer = ::testing::AddGlobalTestEnvironment(new HoldServer());

// Inside the demo's outline: its 300 x 200 rectangle without the 20 x 20 corners.
bool InsideOutline(int x, int y) {
    const bool cornerX = x < 20 || x >= 280;
    const bool cornerY = y < 20 || y >= 180;
    return x >= 0 && x < 300 && y >= 0 && y < 200 && !(cornerX && cornerY);
}

class X11DemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_probe.PaintRoot(kRoot);
        ASSERT_TRUE(Xdotool("mousemove 1000 760"));
        m_clicks = m_dir.Path() + "/clicks.txt";
        m_demo = std::make_unique<testing_support::BackgroundProcess>(std::vector<std::string>{KESTREL_X11_DEMO, m_clicks});
        ASSERT_TRUE(WaitUntil([&] { return (m_window = m_probe.FindByTitle(kTitle)) != 0; })) << "the demo's window";
        ASSERT_TRUE(WaitForPixel(40 + 60, 30 + 40, kWindow)) << "its first frame";
    }

    void TearDown() override {
        if (m_demo && m_demo->Running()) {
            m_demo->Stop();
        }
    }

    bool WaitForPixel(int x, int y, uint32_t rgb) {
        return WaitUntil([&] { return m_probe.ScreenPixel(x, y) == rgb; });
    }

    int Clicks() const {
        std::ifstream in(m_clicks);
        int count = 0;
        for (std::string line; std::getline(in, line);) {
            count += line == "clicked" ? 1 : 0;
        }
        return count;
    }

    void SendClose() {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = m_window;
        event.xclient.message_type = m_probe.AtomOf("WM_PROTOCOLS");
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(m_probe.AtomOf("WM_DELETE_WINDOW"));
        XSendEvent(m_probe.Dpy(), m_window, False, NoEventMask, &event);
        m_probe.Sync();
    }

    Probe m_probe;
    testing_support::TempDir m_dir;
    std::string m_clicks;
    std::unique_ptr<testing_support::BackgroundProcess> m_demo;
    Window m_window = 0;
};

TEST_F(X11DemoTest, WindowAppearsAtItsPositionWithItsCornersCut) {
    EXPECT_EQ(m_probe.ScreenPosition(m_window), (ui::Point{40, 30}));
    const auto motif = m_probe.Read(m_window, "_MOTIF_WM_HINTS");
    ASSERT_TRUE(motif && motif->longs.size() >= 3);
    EXPECT_EQ(motif->longs[2], 0) << "no decorations";

    const auto shot = TakeScreenshot(m_dir.Path() + "/screen.ppm");
    ASSERT_TRUE(shot.has_value());
    ASSERT_EQ(shot->width, 1024);
    const struct {
        const char* what;
        int x, y;
        uint32_t rgb;
    } points[] = {
        {"top-left corner", 40, 30, kRoot},          {"top-right corner", 339, 30, kRoot},
        {"bottom-left corner", 40, 229, kRoot},      {"bottom-right corner", 339, 229, kRoot},
        {"inside the top-left cut", 55, 45, kRoot},  {"top edge past the cut", 40 + 25, 30, kWindow},
        {"left edge past the cut", 40, 30 + 25, kWindow}, {"middle of the window", 40 + 60, 30 + 40, kWindow},
        {"the button", kButtonX, kButtonY, kNormal}, {"left of the window", 39, 130, kRoot},
        {"below the window", 190, 230, kRoot},
    };
    for (const auto& p : points) {
        EXPECT_EQ(shot->At(p.x, p.y), p.rgb) << p.what;
    }
}

TEST_F(X11DemoTest, ClickReachesTheButtonAndHoverAndPressChangeItsLook) {
    ASSERT_TRUE(Xdotool("mousemove " + std::to_string(kButtonX) + " " + std::to_string(kButtonY)));
    EXPECT_TRUE(WaitForPixel(kButtonX, kButtonY, kHover)) << "hover";
    ASSERT_TRUE(Xdotool("mousedown 1"));
    EXPECT_TRUE(WaitForPixel(kButtonX, kButtonY, kPressed)) << "pressed";
    EXPECT_EQ(Clicks(), 0) << "a click is the release";
    ASSERT_TRUE(Xdotool("mouseup 1"));
    EXPECT_TRUE(WaitUntil([&] { return Clicks() == 1; })) << "clicked";
    EXPECT_TRUE(WaitForPixel(kButtonX, kButtonY, kHover)) << "hover again after the release";
    ASSERT_TRUE(Xdotool("mousemove 60 50"));
    EXPECT_TRUE(WaitForPixel(kButtonX, kButtonY, kNormal)) << "the pointer left the button";

    // Pressed on the button, released beside it: no click, and the pressed look goes with the
    // pointer (the capture keeps the moves coming).
    ASSERT_TRUE(Xdotool("mousemove " + std::to_string(kButtonX) + " " + std::to_string(kButtonY) + " mousedown 1"));
    EXPECT_TRUE(WaitForPixel(kButtonX, kButtonY, kPressed));
    ASSERT_TRUE(Xdotool("mousemove 600 500"));
    EXPECT_TRUE(WaitForPixel(kButtonX, kButtonY, kNormal)) << "moved off while pressed";
    ASSERT_TRUE(Xdotool("mouseup 1"));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(Clicks(), 1);
}

TEST_F(X11DemoTest, PressOnTheWindowDragsIt) {
    ASSERT_TRUE(Xdotool("mousemove 60 50 mousedown 1"));
    std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(Xdotool("mousemove 110 90"));
    ASSERT_TRUE(Xdotool("mousemove 160 150"));
    EXPECT_TRUE(WaitUntil([&] { return m_probe.ScreenPosition(m_window) == ui::Point{140, 130}; }));
    ASSERT_TRUE(Xdotool("mouseup 1"));
    EXPECT_TRUE(WaitForPixel(140 + 60, 130 + 40, kWindow)) << "the picture went along";
    EXPECT_EQ(Clicks(), 0);
}

TEST_F(X11DemoTest, CloseRequestEndsTheProgram) {
    SendClose();
    EXPECT_EQ(m_demo->Wait(5000ms), std::optional<int>(0));
}

TEST(X11DemoHeadlessTest, SnapshotFramesMatchWhatX11Shows) {
    testing_support::TempDir dir;
    testing_support::ProcessOptions options;
    options.env["KESTREL_DISPLAY"] = "headless";
    options.env["KESTREL_SNAPSHOT_DIR"] = dir.Path();
    options.timeout = 20000ms;
    const auto run = testing_support::RunProcess({KESTREL_X11_DEMO}, options);
    ASSERT_EQ(run.exitCode, 0) << run.err;

    std::vector<std::filesystem::path> frames;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        if (entry.path().filename().string().rfind("Kestrel_shaped_demo-", 0) == 0 &&
            entry.path().extension() == ".png") {
            frames.push_back(entry.path());
        }
    }
    ASSERT_FALSE(frames.empty()) << "no snapshot frames written";
    std::sort(frames.begin(), frames.end());
    const auto frame = ReadPicture(frames.back().string());
    ASSERT_TRUE(frame.has_value());
    ASSERT_EQ(frame->width, 300);
    ASSERT_EQ(frame->height, 200);

    Probe probe;
    probe.PaintRoot(kRoot);
    ASSERT_TRUE(Xdotool("mousemove 1000 760"));
    testing_support::BackgroundProcess demo({KESTREL_X11_DEMO});
    ASSERT_TRUE(WaitUntil([&] { return probe.FindByTitle(kTitle) != 0; }));
    ASSERT_TRUE(WaitUntil([&] { return probe.ScreenPixel(40 + 60, 30 + 40) == kWindow; }));
    const auto shot = TakeScreenshot(dir.Path() + "/screen.ppm");
    ASSERT_TRUE(shot.has_value());
    int mismatches = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (InsideOutline(x, y) && shot->At(40 + x, 30 + y) != frame->At(x, y)) {
                ++mismatches;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(frame->At(150, 100), kNormal) << "the frame holds the button";
}

} // namespace
} // namespace x11_testing
