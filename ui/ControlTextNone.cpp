// Control text where the build has no text engine yet: controls draw everything but their text.
#include "ui/ControlDrawing.h"

namespace ui {

void DrawControlText(Painter& /*painter*/, std::u16string_view /*text*/, const Rect& /*box*/, Pixel /*color*/,
                     bool /*center*/) {}

} // namespace ui
