// The Windows display back-end's public face (see Win32Display.h).
#include "ui/win32/Win32Display.h"

#include <string>
#include <thread>

#include "ui/Window.h"
#include "ui/win32/Win32Waiter.h"

// After our own headers (see Win32Headers.h).
#include "ui/win32/Win32NativeWindow.h"

namespace ui {

namespace {

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

} // namespace

std::unique_ptr<Win32Display> Win32Display::Create() {
    if (!win32::RegisterNativeWindowClass()) {
        return nullptr;
    }
    // A window that cannot be created now never can (wine with no X display to drive, a process
    // without a desktop): then the choice falls back to headless instead.
    if (!win32::NativeWindow::Create(WindowHandle{}, Rect{0, 0, 1, 1}, u"", 0)) {
        return nullptr;
    }
    return std::unique_ptr<Win32Display>(new Win32Display());
}

Win32Display::~Win32Display() = default;

win32::NativeWindow* Win32Display::Find(WindowHandle handle) const {
    std::lock_guard lock(m_lock);
    auto it = m_windows.find(handle.value);
    if (it == m_windows.end() || it->second->OwnerThread() != std::this_thread::get_id()) {
        return nullptr; // a native window is only ever used by the thread whose loop serves it
    }
    return it->second.get();
}

std::unique_ptr<ThreadWaiter> Win32Display::CreateWaiter() {
    auto waiter = win32::CreateMessageWaiter();
    return waiter ? std::move(waiter) : CreateConditionWaiter();
}

bool Win32Display::CreateNativeWindow(Window& window) {
    const CreateParams& params = window.Params();
    auto native = win32::NativeWindow::Create(window.Handle(), params.rect, params.text, params.exStyle);
    if (!native) {
        return false;
    }
    std::lock_guard lock(m_lock);
    return m_windows.emplace(window.Handle().value, std::move(native)).second;
}

void Win32Display::DestroyNativeWindow(Window& window) {
    std::unique_ptr<win32::NativeWindow> native;
    {
        std::lock_guard lock(m_lock);
        auto it = m_windows.find(window.Handle().value);
        if (it == m_windows.end() || it->second->OwnerThread() != std::this_thread::get_id()) {
            return;
        }
        native = std::move(it->second);
        m_windows.erase(it);
    }
    native.reset(); // DestroyWindow, outside the lock: it sends messages that may come back here
}

void Win32Display::ShowNativeWindow(Window& window, bool visible) {
    if (auto* native = Find(window.Handle())) {
        // The framework makes a shown window active when it is enabled; a disabled one is shown
        // without taking the activation.
        native->Show(visible, window.IsEnabled());
    }
}

void Win32Display::SetNativeTitle(Window& window, std::u16string_view title) {
    if (auto* native = Find(window.Handle())) {
        native->SetTitle(title);
    }
}

int Win32Display::ShowMessageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                                 uint32_t flags) {
    HWND ownerWindow = nullptr;
    if (const auto* native = Find(owner)) {
        ownerWindow = native->Hwnd();
    }
    const std::wstring body = Wide(text);
    const std::wstring title = Wide(caption);
    // The box's own loop runs the thread meanwhile; the framework's messages and timers go on.
    win32::CNativeModalScope modal;
    const int answer = MessageBoxW(ownerWindow, body.c_str(), title.c_str(), flags);
    return answer != 0 ? answer : IDOK; // a box that could not be shown counts as answered
}

void Win32Display::MoveNativeWindow(Window& window, const Rect& screenRect) {
    if (auto* native = Find(window.Handle())) {
        native->MoveResize(screenRect);
    }
}

bool Win32Display::SetNativeRegion(Window& window, const std::vector<Rect>& rectangles) {
    auto* native = Find(window.Handle());
    return native != nullptr && native->SetRegion(rectangles);
}

void Win32Display::PresentNativeWindow(Window& window, const Surface& surface, const Rect& dirty) {
    if (auto* native = Find(window.Handle())) {
        native->Present(surface, dirty);
    }
}

void Win32Display::SetNativeIcon(Window& window, uint32_t iconResourceId) {
    if (auto* native = Find(window.Handle())) {
        native->SetIcon(iconResourceId);
    }
}

void Win32Display::SetNativeExStyle(Window& window, uint32_t exStyle) {
    if (auto* native = Find(window.Handle())) {
        native->SetExStyle(exStyle);
    }
}

void Win32Display::SetNativeCloseItem(Window& window, bool enabled) {
    if (auto* native = Find(window.Handle())) {
        native->SetCloseItem(enabled);
    }
}

void Win32Display::BeginNativeMoveDrag(Window& window, Point screen) {
    if (auto* native = Find(window.Handle())) {
        native->BeginMoveDrag(screen);
    }
}

void Win32Display::SetNativePointerGrab(Window& window, bool grab) {
    if (auto* native = Find(window.Handle())) {
        native->SetPointerGrab(grab);
    }
}

Rect Win32Display::WorkArea() const {
    RECT area{};
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0) && area.right > area.left && area.bottom > area.top) {
        return Rect{area.left, area.top, area.right, area.bottom};
    }
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    return width > 0 && height > 0 ? Rect{0, 0, width, height} : Display::WorkArea();
}

void* Win32Display::NativeHandle(WindowHandle window) const {
    const auto* native = Find(window);
    return native != nullptr ? native->Hwnd() : nullptr;
}

std::unique_ptr<Display> CreateWin32Display() { return Win32Display::Create(); }

} // namespace ui
