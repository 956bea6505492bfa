// Helpers for the tests of the Windows back-end under wine: the back-end, a window's HWND, pumping
// the calling thread's loop until something holds, and the colours GDI reads back. Includes the
// framework headers the tests use, ahead of <windows.h>.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/ui/TestWindow.h"
#include "ui/Controls.h"
#include "ui/Display.h"
#include "ui/MessageBox.h"
#include "ui/MessageLoop.h"
#include "ui/Paint.h"
#include "ui/WindowApi.h"
#include "ui/gfx/Surface.h"
#include "ui/win32/Win32Display.h"

// After our own headers.
#include "ui/win32/Win32Headers.h"

namespace ui::win32::test {

using ui::test::TestWindow;

inline Win32Display& Display() {
    auto* display = dynamic_cast<Win32Display*>(&GetDisplay());
    EXPECT_NE(display, nullptr) << "tests run on the Windows back-end";
    return *display;
}

inline HWND HwndOf(const Window& window) { return static_cast<HWND>(Display().NativeHandle(window.Handle())); }

// Handles the calling thread's native and framework messages until `done` holds; false when it
// still does not after `limit`.
template <typename Pred>
bool PumpUntil(Pred done, std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        PumpPending();
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Handles what was posted to the thread's native queue, then what that queued in the framework.
inline void Settle() {
    PumpUntil([] { return HIWORD(GetQueueStatus(QS_ALLINPUT)) == 0; });
    for (int i = 0; i < 8; ++i) {
        PumpPending();
    }
}

inline COLORREF ColorRefOf(Pixel p) { return RGB(PixelRed(p), PixelGreen(p), PixelBlue(p)); }

inline Rect RectOf(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

// A top-level window of the framework at `rect` (screen coordinates), hidden until shown.
inline bool CreateTopLevel(TestWindow& window, const Rect& rect, const char16_t* title = u"",
                           uint32_t exStyle = 0) {
    CreateParams params;
    params.rect = rect;
    params.style = WS_POPUP;
    params.exStyle = exStyle;
    params.text = title;
    return window.Create(params);
}

} // namespace ui::win32::test
