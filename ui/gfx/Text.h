// Text in a box, as the skinned windows draw their title, layout name and versions, and the
// process-private fonts that the title needs.
//
// Layout rules: the text starts at the top of its box; it breaks only at the line breaks it
// contains (CR LF, CR or LF), never at the box edge; each line is left-aligned or centred
// horizontally in the box; everything is clipped to the box (and to the painter's clip); glyphs are
// anti-aliased and blended onto the surface. Lines are one font height apart.
//
// The font is a face name, a height in pixels and a weight: a positive height is the cell height
// (ascent plus descent), a negative one the character height, 0 a default of 16 pixels; weight 700
// is bold and is synthesised when the face has no bold style. A face that is neither a private font
// nor installed falls back to the system's choice for a sans-serif face, keeping height and weight.
//
// Linux: FreeType and fontconfig (ui/gfx/linux). Calls from any thread are serialised.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ui/Types.h"
#include "ui/gfx/Color.h"
#include "ui/gfx/Painter.h"

namespace ui {

inline constexpr int32_t kFontWeightNormal = 400;
inline constexpr int32_t kFontWeightBold = 700;

struct FontSpec {
    std::u16string face;
    int32_t height = 0;
    int32_t weight = kFontWeightNormal;
};

enum class TextAlign { Left, Center };

void DrawText(Painter& painter, std::u16string_view text, const Rect& box, const FontSpec& font, ColorRef color,
              TextAlign align);

// A font file added from memory for this process only; its faces are found by family name before
// any installed font. The bytes are copied. Empty handle: the data holds no usable font.
struct PrivateFontHandle {
    uint64_t value = 0;
    explicit operator bool() const { return value != 0; }
};

// `fontCount`, when given, receives the number of faces added.
PrivateFontHandle AddPrivateFont(std::span<const uint8_t> data, uint32_t* fontCount = nullptr);
// False when the handle is not (or no longer) one of ours.
bool RemovePrivateFont(PrivateFontHandle handle);

} // namespace ui
