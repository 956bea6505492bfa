// Control text through the gfx text engine (builds that have one).
#include "ui/ControlDrawing.h"
#include "ui/gfx/Text.h"

namespace ui {

void DrawControlText(Painter& painter, std::u16string_view text, const Rect& box, Pixel color, bool center) {
    if (text.empty() || box.IsEmpty()) {
        return;
    }
    constexpr int32_t kControlTextHeight = -13; // character height in pixels
    const FontSpec font{u"", kControlTextHeight, kFontWeightNormal};
    const ColorRef ref = MakeColorRef(PixelRed(color), PixelGreen(color), PixelBlue(color));
    DrawText(painter, text, box, font, ref, center ? TextAlign::Center : TextAlign::Left);
}

} // namespace ui
