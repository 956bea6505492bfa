// The calling thread's input state: mouse capture, keyboard focus, active window, its native
// top-level windows, and the pointer as last reported. Internal to the window framework; every
// function runs on the thread whose state it is (a window's owner thread).
#pragma once

#include <vector>

#include "ui/Types.h"

namespace ui {

class Window;

struct ThreadInputState {
    WindowHandle capture;
    WindowHandle focus;
    WindowHandle active;
    WindowHandle grabbed;                 // top-level window the display grabs the pointer for
    Point pointerScreen;                  // last mouse event, screen coordinates
    WPARAM pointerKeys = 0;               // its MK_* flags
    std::vector<WindowHandle> topLevels;  // native top-level windows, creation order
};

ThreadInputState& CurrentInput();

// Capture, focus and activation of the calling thread, with the messages that go with them.
WindowHandle SetCaptureHere(Window& window);
bool ReleaseCaptureHere();
WindowHandle SetFocusHere(WindowHandle window);
void SetActiveHere(Window& topLevel, bool active);

// The window is disabled or hidden: it and its descendants lose the capture and the focus.
void DropInputWithin(Window& window);
// The window is being destroyed: forget it without sending it anything more.
void ForgetInputOf(Window& window);

// The deepest visible child of `window` under `client` (the window itself when none).
Window& ChildAt(Window& window, Point client);
bool IsWithin(Window& window, WindowHandle ancestor);

} // namespace ui
