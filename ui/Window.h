// ui::Window: a message sink with a handle, an owning thread and a message procedure. The program's
// windows (main window, dialogs, channels' hidden windows, the transport's notification window)
// derive from it and override WindowProc.
//
// A window belongs to the thread that created it; its WindowProc only ever runs on that thread.
// Other threads reach it through ui::Post and ui::Send (MessageLoop.h).
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "ui/Types.h"

namespace ui {

struct CreateParams {
    WindowHandle parent{};      // none: a top-level window
    Rect rect{};                // screen (top-level) or parent client coordinates
    uint32_t style = 0;         // WS_* bits the program uses
    uint32_t exStyle = 0;       // WS_EX_* bits the program uses
    std::u16string text;        // title / caption
    bool hidden = false;        // a message-only window: never shown, no native window
};

class Window {
public:
    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Creates the window on the calling thread, which becomes its owner, and sends WM_CREATE.
    // False when the window exists already or WM_CREATE returned -1.
    bool Create(const CreateParams& params);

    // Sends WM_DESTROY and forgets the handle: later posts to it are dropped. Owner thread only.
    // The destructor destroys a window that still exists.
    void Destroy();

    WindowHandle Handle() const { return m_handle; }
    bool IsAlive() const { return static_cast<bool>(m_handle); }
    std::thread::id OwnerThread() const { return m_owner; }

    // The message procedure. The default hands everything to DefWindowProc.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

protected:
    // Default handling: WM_CLOSE destroys the window, everything else returns 0.
    LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    friend class WindowRegistry;
    WindowHandle m_handle{};
    std::thread::id m_owner{};
    CreateParams m_params{};
};

// The window object behind a handle, or nullptr. Only meaningful on the window's owner thread.
Window* FromHandle(WindowHandle handle);
bool IsWindow(WindowHandle handle);

} // namespace ui
