// Helpers for the tests of input, painting and dialogs on the headless back-end: a top-level window
// with a lambda procedure, a message log, and the headless display's view of a window.
#pragma once

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/ui/TestWindow.h"
#include "ui/Display.h"
#include "ui/MessageLoop.h"
#include "ui/Paint.h"
#include "ui/headless/HeadlessDisplay.h"

namespace ui::test {

inline HeadlessDisplay& Headless() {
    auto* display = dynamic_cast<HeadlessDisplay*>(&GetDisplay());
    EXPECT_NE(display, nullptr) << "tests run on the headless back-end";
    return *display;
}

// A visible top-level window at `rect` (screen coordinates) whose procedure is `handler`.
inline bool CreateTopLevel(TestWindow& window, const Rect& rect, const char16_t* title = u"") {
    CreateParams params;
    params.rect = rect;
    params.style = WS_POPUP | WS_VISIBLE;
    params.text = title;
    return window.Create(params);
}

// A child of `parent`, visible, with a control id.
inline bool CreateChild(Window& child, const Window& parent, const Rect& rect, int id = 0, uint32_t style = 0) {
    CreateParams params;
    params.parent = parent.Handle();
    params.rect = rect;
    params.style = WS_CHILD | WS_VISIBLE | style;
    params.id = id;
    return child.Create(params);
}

// One message as a window received it.
struct Seen {
    WindowHandle window;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// Handles everything queued, including paints, on the calling thread.
inline void Settle() {
    for (int i = 0; i < 8; ++i) {
        PumpPending();
    }
}

// The pixel of a window's last presented frame; 0xFFFFFFFF when none was presented.
inline Pixel PresentedPixel(WindowHandle window, int32_t x, int32_t y) {
    const auto surface = Headless().Presented(window);
    if (!surface || x < 0 || y < 0 || x >= surface->Width() || y >= surface->Height()) {
        return 0xFFFFFFFFu;
    }
    return surface->At(x, y);
}

} // namespace ui::test
