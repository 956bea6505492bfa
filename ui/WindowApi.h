// The window calls the program makes on handles: enabling, showing, texts, positions, styles,
// painting requests, capture, focus and the window menu's close item.
//
// Every call may come from any thread. On the window's owner thread it acts directly; from another
// thread it is carried to the owner thread and waits there until done (as a sent message), so the
// update worker can enable buttons, set the progress and repaint the strip while the user-interface
// thread keeps its loop running. A handle whose window is gone makes every call a no-op that returns
// false / empty / none.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/Types.h"

namespace ui {

// Enabled state. EnableWindow sends WM_ENABLE when the state changes; returns true when the window
// was disabled before (as the platform call does).
bool EnableWindow(WindowHandle window, bool enable);
bool IsWindowEnabled(WindowHandle window);

// Visible state; ShowWindow returns whether the window was visible before.
bool ShowWindow(WindowHandle window, bool show);
bool IsWindowVisible(WindowHandle window);

// The window's text (title of a top-level window, caption or text of a control).
bool SetWindowText(WindowHandle window, std::u16string_view text);
std::u16string GetWindowText(WindowHandle window);

// Child controls of a dialog by control id (the first child with that id; none for 0 ids).
WindowHandle GetDlgItem(WindowHandle dialog, int id);
bool SetDlgItemText(WindowHandle dialog, int id, std::u16string_view text);
int GetDlgCtrlID(WindowHandle window);

// Position and size: screen coordinates for top-level windows, parent client coordinates for
// children. MoveWindow sends WM_MOVE/WM_SIZE as they change and repaints when asked.
bool MoveWindow(WindowHandle window, const Rect& rect, bool repaint);
Rect GetWindowRect(WindowHandle window);  // screen coordinates
Rect GetClientRect(WindowHandle window);  // (0, 0, width, height)
Point ClientToScreen(WindowHandle window, Point client);
Point ScreenToClient(WindowHandle window, Point screen);
WindowHandle GetParent(WindowHandle window);
// The topmost visible, enabled-or-not window (child first) under a screen point; none outside ours.
WindowHandle WindowFromPoint(Point screen);

// Style bits (WS_*, WS_EX_*) as the program changes them.
uint32_t GetWindowStyle(WindowHandle window);
bool SetWindowStyle(WindowHandle window, uint32_t style);
uint32_t GetWindowExStyle(WindowHandle window);
bool SetWindowExStyle(WindowHandle window, uint32_t exStyle);

// Painting: invalidates a rectangle (whole client area when none) of a window; the next WM_PAINT of
// the window (preceded by WM_ERASEBKGND when any invalidation asked for erasing) covers it.
// UpdateWindow paints at once when something is invalid.
bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase);
bool UpdateWindow(WindowHandle window);

// The window region of a top-level window: the union of the rectangles (client coordinates); an
// empty list removes the region. False when the back-end refuses it.
bool SetWindowRegion(WindowHandle window, const std::vector<Rect>& rectangles, bool redraw);

// The window menu's close item: grayed or enabled. While grayed, a close request from the window
// system (the close item, Alt+F4, the window manager's close) is ignored.
bool EnableCloseItem(WindowHandle window, bool enable);
bool IsCloseItemEnabled(WindowHandle window);

// Mouse capture, keyboard focus and the active top-level window of the calling thread.
WindowHandle SetCapture(WindowHandle window);  // returns the previous capture
bool ReleaseCapture();
WindowHandle GetCapture();
WindowHandle SetFocus(WindowHandle window);    // returns the previous focus
WindowHandle GetFocus();
WindowHandle GetActiveWindow();
bool SetForegroundWindow(WindowHandle window);

// Window icons (big and small) by resource id; the back-end shows them where it can.
bool SetWindowIcon(WindowHandle window, uint32_t iconResourceId);

} // namespace ui
