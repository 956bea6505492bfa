// Helpers for the skinned windows' tests on the headless back-end: the back-end itself (set before
// any window exists), a top-level test window, draining the loop, and reading presented pixels.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

#include "ui/Display.h"
#include "ui/MessageLoop.h"
#include "ui/Window.h"
#include "ui/headless/HeadlessDisplay.h"

namespace skin::test {

// The headless back-end, installed on first use; message boxes are dropped.
inline ui::HeadlessDisplay& Headless() {
    static ui::HeadlessDisplay* const display = [] {
        auto owned = std::make_unique<ui::HeadlessDisplay>([](const std::string&) {});
        ui::HeadlessDisplay* raw = owned.get();
        ui::SetDisplay(std::move(owned));
        return raw;
    }();
    return *display;
}

// A window whose procedure is a lambda (DefWindowProc when it has none).
class LambdaWindow : public ui::Window {
public:
    using Handler = std::function<ui::LRESULT(ui::UINT, ui::WPARAM, ui::LPARAM)>;
    ~LambdaWindow() override { Destroy(); }
    void SetHandler(Handler handler) { m_handler = std::move(handler); }
    ui::LRESULT WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) override {
        return m_handler ? m_handler(msg, wParam, lParam) : DefWindowProc(msg, wParam, lParam);
    }
    ui::LRESULT Default(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) {
        return DefWindowProc(msg, wParam, lParam);
    }

private:
    Handler m_handler;
};

// A visible top-level window at `rect` (screen coordinates).
inline bool CreateTopLevel(ui::Window& window, const ui::Rect& rect) {
    ui::CreateParams params;
    params.rect = rect;
    params.style = ui::WS_POPUP | ui::WS_VISIBLE;
    return window.Create(params);
}

// Handles everything queued on the calling thread, paints included.
inline void Settle() {
    for (int i = 0; i < 8; ++i) {
        ui::PumpPending();
    }
}

// A pixel of the window's last presented frame; 0xFFFFFFFF when there is none there.
inline ui::Pixel PresentedPixel(ui::WindowHandle window, int32_t x, int32_t y) {
    const auto surface = Headless().Presented(window);
    if (!surface || x < 0 || y < 0 || x >= surface->Width() || y >= surface->Height()) {
        return 0xFFFFFFFFu;
    }
    return surface->At(x, y);
}

} // namespace skin::test
