// ui::Window: a message sink with a handle, an owning thread and a message procedure. The program's
// windows (main window, dialogs, channels' hidden windows, the transport's notification window)
// derive from it and override WindowProc.
//
// A window belongs to the thread that created it; its WindowProc only ever runs on that thread.
// Other threads reach it through ui::Post and ui::Send (MessageLoop.h).
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "ui/Types.h"

namespace ui {

struct CreateParams {
    WindowHandle parent{};      // none: a top-level window
    Rect rect{};                // screen (top-level) or parent client coordinates
    uint32_t style = 0;         // WS_* bits the program uses
    uint32_t exStyle = 0;       // WS_EX_* bits the program uses
    std::u16string text;        // title / caption
    bool hidden = false;        // a message-only window: never shown, no native window
    int id = 0;                 // control id of a child window (GetDlgItem, WM_COMMAND)
};

struct TopLevelState;

class Window {
public:
    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Creates the window on the calling thread, which becomes its owner, and sends WM_CREATE.
    // False when the window exists already or WM_CREATE returned -1.
    bool Create(const CreateParams& params);

    // Sends WM_DESTROY to the window, then destroys its children (each gets its own WM_DESTROY),
    // drops its timers and queued messages, answers sends still waiting for it with 0, and forgets
    // the handle: later posts to it are dropped. Owner thread (from any other thread it is only
    // unregistered, without WM_DESTROY).
    // The destructor destroys a window that still exists; by then the derived part is gone, so a
    // class that wants its own WM_DESTROY handling calls Destroy() in its own destructor.
    void Destroy();

    // Any thread.
    WindowHandle Handle() const { return WindowHandle{m_handle.load(std::memory_order_acquire)}; }
    bool IsAlive() const { return m_handle.load(std::memory_order_acquire) != 0; }
    std::thread::id OwnerThread() const { return m_owner; }

    // What the window was created with (the text follows SetText). Owner thread.
    const CreateParams& Params() const { return m_params; }
    WindowHandle Parent() const { return m_params.parent; }
    const std::vector<WindowHandle>& Children() const { return m_children; }
    const std::u16string& Text() const { return m_params.text; }
    // True for a top-level window that has a native side (not a child, not message-only).
    bool HasNativeWindow() const { return m_native; }
    // The live style bits (WS_DISABLED follows EnableWindow), the control id and the enabled state.
    // Owner thread.
    uint32_t Style() const { return m_params.style; }
    int ControlId() const { return m_params.id; }
    bool IsEnabled() const { return (m_params.style & WS_DISABLED) == 0; }

    // Shows or hides the window; sends WM_SHOWWINDOW (wParam: the new state) when that changes.
    // Owner thread.
    void Show(bool visible);
    bool IsVisible() const { return m_visible; }

    // Changes the title / caption. Owner thread.
    void SetText(std::u16string_view text);

    // The message procedure. The default hands everything to DefWindowProc.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

protected:
    // Default handling, as a plain Windows window has it:
    // - WM_CLOSE destroys the window;
    // - WM_SYSCOMMAND SC_CLOSE sends WM_CLOSE unless the window menu's close item is grayed;
    // - WM_ERASEBKGND fills the area being painted with kFaceColor (wParam: the ui::Painter*) and
    //   returns 1;
    // - WM_DRAWITEM hands the record to the owner-drawn button it names (Button::OnDrawItem);
    // - WM_NCLBUTTONDOWN with HTCAPTION on a top-level window starts the display's move drag while
    //   the left button is still down;
    // everything else returns 0.
    LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    friend class WindowRegistry;
    friend class WindowAccess;
    void DestroyChildren();

    // All owner thread only, except m_handle (read by any thread) and m_owner, which is set before
    // any other thread can learn the handle.
    std::atomic<uint64_t> m_handle{0};
    std::thread::id m_owner{};
    CreateParams m_params{};
    std::vector<WindowHandle> m_children;
    bool m_native = false;
    bool m_visible = false;
    bool m_destroying = false;
    std::unique_ptr<TopLevelState> m_top; // native top-level windows only: surface, paint, region
};

// The window object behind a handle, or nullptr. Only meaningful on the window's owner thread.
Window* FromHandle(WindowHandle handle);
bool IsWindow(WindowHandle handle);

} // namespace ui
