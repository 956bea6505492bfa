// The Windows display back-end: one native window (HWND) per top-level window of the program, with
// no caption and a window menu; window regions with SetWindowRgn; surfaces presented with
// SetDIBitsToDevice; the caption drag by WM_NCLBUTTONDOWN / HTCAPTION; the tool-window style of the
// silent mode; the window menu's close item; message boxes with MessageBoxW; and a thread waiter
// that sleeps on the thread's Windows messages together with the loop's wake-ups.
//
// Threads: native windows live on the thread that created their framework window, and every call
// for a window runs there (the framework carries calls from other threads to it). Each thread that
// uses the message loop gets a message waiter of its own, so every thread's native messages are
// dispatched by its own loop. Windows only.
#pragma once

#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "ui/Display.h"
#include "ui/Types.h"

namespace ui {

namespace win32 {
class NativeWindow;
}

class Win32Display final : public Display {
public:
    // Nothing when no top-level window can be created (no class, no desktop or display).
    static std::unique_ptr<Win32Display> Create();
    ~Win32Display() override;

    std::string_view Name() const override { return "win32"; }
    std::unique_ptr<ThreadWaiter> CreateWaiter() override;

    bool CreateNativeWindow(Window& window) override;
    void DestroyNativeWindow(Window& window) override;
    void ShowNativeWindow(Window& window, bool visible) override;
    void SetNativeTitle(Window& window, std::u16string_view title) override;
    int ShowMessageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                       uint32_t flags) override;

    bool IsInteractive() const override { return true; }
    void MoveNativeWindow(Window& window, const Rect& screenRect) override;
    bool SetNativeRegion(Window& window, const std::vector<Rect>& rectangles) override;
    void PresentNativeWindow(Window& window, const Surface& surface, const Rect& dirty) override;
    void SetNativeIcon(Window& window, uint32_t iconResourceId) override;
    void SetNativeExStyle(Window& window, uint32_t exStyle) override;
    void SetNativeCloseItem(Window& window, bool enabled) override;
    void BeginNativeMoveDrag(Window& window, Point screen) override;
    void SetNativePointerGrab(Window& window, bool grab) override;
    // Any thread.
    Rect WorkArea() const override;

    // The window's HWND (as void*, to keep <windows.h> out of this header); nullptr when it has no
    // native window here or the caller is not its owner thread. For tests.
    void* NativeHandle(WindowHandle window) const;

private:
    Win32Display() = default;
    // The window's native side when the caller is its owner thread.
    win32::NativeWindow* Find(WindowHandle handle) const;

    mutable std::mutex m_lock;
    // By handle value; guarded by m_lock. Each entry is used only on its owner thread, and never
    // while m_lock is held (native calls may come back into the display).
    std::unordered_map<uint64_t, std::unique_ptr<win32::NativeWindow>> m_windows;
};

// The factory the framework's back-end choice calls on Windows; nullptr when it cannot be used.
std::unique_ptr<Display> CreateWin32Display();

} // namespace ui
