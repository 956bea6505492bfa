// Our own message box on X11: a small modal window with the caption as its title, the text, an
// error icon (a red circle with a white cross) where MB_ICONERROR asks for it, and an OK button
// that Enter, Escape, Space and a click close. Layout and painting are plain functions over a
// surface; the run ties them to an X window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/Types.h"
#include "ui/gfx/Painter.h"
#include "ui/gfx/Surface.h"
#include "ui/gfx/Text.h"
#include "ui/x11/X11Display.h"

namespace ui::x11 {

// The body font: DejaVu Sans through fontconfig (any sans-serif face when it is not installed).
FontSpec MessageBoxFont();

struct MessageBoxLayout {
    int32_t width = 0;
    int32_t height = 0;
    bool hasIcon = false;
    Rect icon;
    Rect text;
    Rect button;
    std::u16string body;
};

// Sizes the box to its text (measured with the body font) within sensible limits.
MessageBoxLayout LayoutMessageBox(std::u16string_view text, uint32_t flags);

enum class ButtonLook { Normal, Hover, Pressed };

// Paints the whole box onto `surface` (of the layout's size).
void PaintMessageBox(Surface& surface, const MessageBoxLayout& layout, ButtonLook look);

// The error icon, anti-aliased, into `box` (square).
void DrawErrorIcon(Painter& painter, const Rect& box);

// Where the box goes: centred over `owner` when that is given and not empty, otherwise in the
// middle of the work area; kept within the work area.
Rect PlaceMessageBox(int32_t width, int32_t height, const Rect& owner, const Rect& workArea);

// Shows the box modally on the display's thread and returns IDOK. The thread's message loop keeps
// running meanwhile, while input to the program's other windows is held back. From another thread
// the box's line goes to standard error instead, as the headless back-end writes it.
int RunMessageBox(X11Display::Impl& display, WindowHandle owner, std::u16string_view text,
                  std::u16string_view caption, uint32_t flags);

} // namespace ui::x11
