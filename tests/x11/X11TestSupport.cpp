// Shared pieces of the X11 back-end tests (see X11TestSupport.h).
#include <gtest/gtest.h>

#include "X11TestSupport.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <thread>

namespace x11_testing {
namespace {

ui::X11Display* g_display = nullptr;
RecordingSink* g_sink = nullptr;

// Opens the back-end on the test's main thread before any test (and any message loop) runs, so
// that this thread's loop waits on the X connection.
class X11Environment final : public ::testing::Environment {
public:
    void SetUp() override {
        auto sink = std::make_unique<RecordingSink>();
        g_sink = sink.get();
        auto display = ui::X11Display::Open(std::move(sink));
        ASSERT_NE(display, nullptr) << "no X display; run under xvfb-run";
        g_display = display.get();
        ui::SetDisplay(std::move(display));
    }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new X11Environment());

} // namespace

std::vector<Recorded> RecordingSink::Of(Recorded::Kind kind) const {
    std::vector<Recorded> out;
    for (const Recorded& r : events) {
        if (r.kind == kind) {
            out.push_back(r);
        }
    }
    return out;
}

ui::X11Display& TestDisplay() { return *g_display; }
RecordingSink& Sink() { return *g_sink; }

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (true) {
        TestDisplay().Sync();
        TestDisplay().DispatchPendingEvents();
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool TopLevel::Open(const ui::Rect& rect, std::u16string title, uint32_t exStyle) {
    ui::CreateParams params;
    params.rect = rect;
    params.style = ui::WS_POPUP;
    params.exStyle = exStyle;
    params.text = std::move(title);
    return Create(params);
}

} // namespace x11_testing
