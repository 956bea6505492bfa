// Input and window-system events entering the framework. A display back-end calls these on the
// window's owner thread when the window system reports something (X11 events, Windows messages);
// headless tests call them to drive windows. The framework turns them into the messages a window of
// the program receives: hit-testing to the child under the point, the mouse capture, focus and
// activation, WM_MOUSEMOVE / WM_LBUTTONDOWN / ... with client coordinates packed in lParam and key
// flags (MK_LBUTTON, ...) in wParam, WM_KEYDOWN / WM_KEYUP through the dialog's pre-translation and
// key handling, WM_PAINT for exposed parts, WM_CLOSE for a close request (unless the window menu's
// close item is grayed).
#pragma once

#include "ui/Types.h"

namespace ui {

// A mouse event at a point in the top-level window's client coordinates. msg is one of
// WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP; keys the MK_* flags
// that hold after the event.
void InjectMouse(WindowHandle topLevel, UINT msg, Point client, WPARAM keys);

// A key event (WM_KEYDOWN / WM_KEYUP, virtual key code) for the focused window of `topLevel`.
void InjectKey(WindowHandle topLevel, UINT msg, WPARAM virtualKey);

// The window system exposed part of the window (client coordinates): present it again.
void InjectExpose(WindowHandle topLevel, const Rect& client);

// The window system asks the window to close (window manager close button, Alt+F4).
void InjectCloseRequest(WindowHandle topLevel);

// The window became active / inactive in the window system.
void InjectActivation(WindowHandle topLevel, bool active);

// The window system moved the window (screen coordinates of its top-left corner).
void InjectMoved(WindowHandle topLevel, Point screen);

} // namespace ui
