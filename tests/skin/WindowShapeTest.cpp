// ApplyWindowShape: a skinned window takes its mask's region; a missing mask, a region without
// pixels or a refused region shows the "error" box and leaves the window unshaped.
#include "skin/WindowShape.h"

#include "MaskPictures.h"
#include "ui/Display.h"
#include "ui/headless/HeadlessDisplay.h"
#include "ui/Window.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace skin {
namespace {

// The headless back-end, plus a record of the regions and message boxes it was asked for and a
// switch to refuse regions as a window system may.
class RecordingDisplay final : public ui::Display {
public:
    struct Box {
        ui::WindowHandle owner;
        std::u16string text;
        std::u16string caption;
        uint32_t flags = 0;
    };

    std::string_view Name() const override { return "recording"; }
    bool CreateNativeWindow(ui::Window& w) override { return m_inner.CreateNativeWindow(w); }
    void DestroyNativeWindow(ui::Window& w) override { m_inner.DestroyNativeWindow(w); }
    void ShowNativeWindow(ui::Window& w, bool visible) override { m_inner.ShowNativeWindow(w, visible); }
    void SetNativeTitle(ui::Window& w, std::u16string_view title) override {
        m_inner.SetNativeTitle(w, title);
    }
    int ShowMessageBox(ui::WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                       uint32_t flags) override {
        std::lock_guard lock(m_lock);
        boxes.push_back({owner, std::u16string(text), std::u16string(caption), flags});
        return ui::IDOK;
    }
    bool SetNativeRegion(ui::Window& w, const std::vector<ui::Rect>& rectangles) override {
        std::lock_guard lock(m_lock);
        regionCalls.push_back(rectangles);
        return !refuseRegions && m_inner.SetNativeRegion(w, rectangles);
    }

    // Owner (test) thread only, between calls.
    std::vector<Box> boxes;
    std::vector<std::vector<ui::Rect>> regionCalls;
    bool refuseRegions = false;

private:
    ui::HeadlessDisplay m_inner{[](const std::string&) {}};
    std::mutex m_lock;
};

RecordingDisplay& Recorder() {
    // Set once, before any window exists; the framework keeps it for the whole process.
    static RecordingDisplay* const display = [] {
        auto owned = std::make_unique<RecordingDisplay>();
        RecordingDisplay* raw = owned.get();
        ui::SetDisplay(std::move(owned));
        return raw;
    }();
    return *display;
}

class WindowShapeTest : public testing::Test {
protected:
    void SetUp() override {
        m_display = &Recorder();
        m_display->boxes.clear();
        m_display->regionCalls.clear();
        m_display->refuseRegions = false;
        ui::CreateParams params;
        params.rect = {0, 0, 500, 384};
        params.style = ui::WS_POPUP;
        params.text = u"Kestrel";
        ASSERT_TRUE(m_window.Create(params));
    }
    void TearDown() override { m_window.Destroy(); }

    RecordingDisplay* m_display = nullptr;
    ui::Window m_window;
};

TEST_F(WindowShapeTest, MainWindowTakesTheRegionOfItsMask) {
    EXPECT_TRUE(ApplyWindowShape(m_window.Handle(), kMainWindowMaskId));
    ASSERT_EQ(m_display->regionCalls.size(), 1u);
    const std::vector<ui::Rect>& region = m_display->regionCalls[0];
    EXPECT_EQ(region.size(), 384u);
    EXPECT_EQ(region.front().top, 0);
    EXPECT_GT(region.front().left, 0); // the rounded top-left corner
    EXPECT_EQ(region[192], (ui::Rect{0, 192, 500, 193}));
    EXPECT_TRUE(m_display->boxes.empty());
}

TEST_F(WindowShapeTest, FailuresShowTheErrorBoxAndLeaveTheWindowUnshaped) {
    struct Case {
        const char* name;
        bool refuse;
        std::function<bool(ui::WindowHandle)> apply;
        size_t regionCalls; // reached the window system
    };
    const Case cases[] = {
        {"no such mask", false, [](ui::WindowHandle w) { return ApplyWindowShape(w, 999); }, 0},
        {"empty mask", false, [](ui::WindowHandle w) { return ApplyWindowShape(w, SkinPicture{}); }, 0},
        {"white everywhere", false,
         [](ui::WindowHandle w) {
             return ApplyWindowShape(w, test::DrawMask({"...", "..."}));
         },
         0},
        {"region refused", true, [](ui::WindowHandle w) { return ApplyWindowShape(w, kResultDialogMaskId); },
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_display->boxes.clear();
        m_display->regionCalls.clear();
        m_display->refuseRegions = c.refuse;
        EXPECT_FALSE(c.apply(m_window.Handle()));
        EXPECT_EQ(m_display->regionCalls.size(), c.regionCalls);
        ASSERT_EQ(m_display->boxes.size(), 1u);
        const RecordingDisplay::Box& box = m_display->boxes[0];
        EXPECT_EQ(box.owner, m_window.Handle());
        EXPECT_EQ(box.text, u"error");
        EXPECT_EQ(box.caption, u"Kestrel");
        EXPECT_EQ(box.flags, 0u); // OK button only
    }
}

} // namespace
} // namespace skin
