// Plain drawing of the standard controls: frames and control text. Internal to the window framework.
#pragma once

#include <string_view>

#include "ui/Types.h"
#include "ui/gfx/Painter.h"

namespace ui {

// A one-pixel frame just inside `rect`.
void DrawFrame(Painter& painter, const Rect& rect, Pixel color);

// Control text in the body font, from the top of `box`. Builds without a text engine (the Windows
// build until its text joins) draw no text; everything else of a control is still drawn.
void DrawControlText(Painter& painter, std::u16string_view text, const Rect& box, Pixel color, bool center);

} // namespace ui
