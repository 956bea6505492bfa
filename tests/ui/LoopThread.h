// A thread that owns one message-only window and runs its message loop until WM_TEST_QUIT or the
// fixture goes out of scope, for the cross-thread tests.
#pragma once

#include <thread>

#include "sys/Event.h"
#include "tests/ui/TestWindow.h"
#include "ui/MessageLoop.h"

namespace ui::test {

class LoopThread {
public:
    // `handler` runs on the loop thread for everything but WM_TEST_QUIT.
    explicit LoopThread(TestWindow::Handler handler) {
        m_thread = std::thread([this, handler = std::move(handler)] {
            m_id = std::this_thread::get_id();
            TestWindow window([&window, &handler](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
                if (msg == WM_TEST_QUIT) {
                    PostQuit(static_cast<int>(wParam));
                    return 0;
                }
                return handler ? handler(msg, wParam, lParam) : window.DefWindowProc(msg, wParam, lParam);
            });
            window.CreateHidden();
            m_handle = window.Handle();
            m_created.Set();
            m_exitCode = RunMessageLoop();
        });
        m_created.Wait();
    }
    ~LoopThread() { Stop(); }
    LoopThread(const LoopThread&) = delete;
    LoopThread& operator=(const LoopThread&) = delete;

    WindowHandle Handle() const { return m_handle; }
    std::thread::id Id() const { return m_id; }

    int Stop() {
        if (m_thread.joinable()) {
            Post(m_handle, WM_TEST_QUIT);
            m_thread.join();
        }
        return m_exitCode;
    }

private:
    sys::Event m_created; // outlives the thread: Set may still be returning when Wait does
    std::thread m_thread;
    std::thread::id m_id;   // written before m_created is set
    WindowHandle m_handle;  // written before m_created is set
    int m_exitCode = 0;     // read after join
};

} // namespace ui::test
