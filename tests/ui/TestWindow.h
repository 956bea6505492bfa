// A window whose message procedure is a lambda, for the framework's tests.
#pragma once

#include <functional>
#include <utility>

#include "ui/Window.h"

namespace ui::test {

class TestWindow : public Window {
public:
    using Handler = std::function<LRESULT(UINT, WPARAM, LPARAM)>;

    TestWindow() = default;
    explicit TestWindow(Handler handler) : m_handler(std::move(handler)) {}
    ~TestWindow() override { Destroy(); } // WM_DESTROY still reaches m_handler

    void SetHandler(Handler handler) { m_handler = std::move(handler); }

    // Creates a message-only window on the calling thread.
    bool CreateHidden() {
        CreateParams params;
        params.hidden = true;
        return Create(params);
    }

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (m_handler) {
            return m_handler(msg, wParam, lParam);
        }
        return DefWindowProc(msg, wParam, lParam);
    }

    using Window::DefWindowProc;

private:
    Handler m_handler;
};

inline constexpr UINT WM_TEST = WM_USER + 1;
inline constexpr UINT WM_TEST_QUIT = WM_USER + 2; // the handler ends the loop with wParam

} // namespace ui::test
