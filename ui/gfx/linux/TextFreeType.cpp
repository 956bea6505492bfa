// DrawText and the private fonts on Linux: FreeType renders anti-aliased glyphs, which are blended
// onto the painter's surface line by line.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "ui/gfx/Text.h"
#include "ui/gfx/TextLines.h"
#include "ui/gfx/linux/FontLibrary.h"

namespace ui {
namespace {

constexpr int64_t kDefaultCellHeight = 16;
constexpr int64_t kMaxCellHeight = 2048;

struct LineMetrics {
    int32_t ascent = 0;     // baseline below the top of a line
    int32_t lineHeight = 0; // distance between lines: the cell height
};

// Sizes the face so that its cell (the font's Windows ascent plus descent, as the Windows font
// mapper measures a positive height) is the requested number of pixels.
std::optional<LineMetrics> SizeFace(FT_Face face, int32_t height) {
    const int64_t unitsPerEm = face->units_per_EM;
    if (unitsPerEm <= 0) {
        return std::nullopt;
    }
    int64_t ascent = face->ascender;
    int64_t descent = -int64_t{face->descender};
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && int64_t{os2->usWinAscent} + os2->usWinDescent > 0) {
        ascent = os2->usWinAscent;
        descent = os2->usWinDescent;
    }
    if (ascent + descent <= 0) {
        ascent = unitsPerEm;
        descent = 0;
    }
    const int64_t design = ascent + descent;
    int64_t cell = kDefaultCellHeight;
    if (height > 0) {
        cell = height;
    } else if (height < 0) {
        cell = (-int64_t{height} * design + unitsPerEm / 2) / unitsPerEm;
    }
    cell = std::clamp<int64_t>(cell, 1, kMaxCellHeight);
    const int64_t charSize = (cell * unitsPerEm * 64 + design / 2) / design; // 26.6 pixels at 72 dpi
    if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::max<int64_t>(charSize, 1)), 72, 72) != 0) {
        return std::nullopt;
    }
    return LineMetrics{static_cast<int32_t>((ascent * cell + design / 2) / design), static_cast<int32_t>(cell)};
}

struct Glyph {
    int64_t x = 0; // left of the bitmap from the start of the line
    int32_t top = 0; // top of the bitmap above the baseline
    int32_t width = 0;
    int32_t rows = 0;
    std::vector<uint8_t> coverage; // width x rows, top row first
};

// Copies FreeType's bitmap (grey or 1-bit, either row order) into a plain coverage mask.
void TakeBitmap(const FT_Bitmap& bitmap, Glyph& glyph) {
    glyph.width = static_cast<int32_t>(bitmap.width);
    glyph.rows = static_cast<int32_t>(bitmap.rows);
    glyph.coverage.assign(size_t(bitmap.width) * bitmap.rows, 0);
    const bool gray = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY;
    if (!gray && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) {
        glyph.width = 0;
        return;
    }
    for (unsigned int y = 0; y < bitmap.rows; ++y) {
        const unsigned char* row = bitmap.pitch >= 0
                                       ? bitmap.buffer + size_t(y) * size_t(bitmap.pitch)
                                       : bitmap.buffer + size_t(bitmap.rows - 1 - y) * size_t(-bitmap.pitch);
        for (unsigned int x = 0; x < bitmap.width; ++x) {
            const uint8_t value = gray ? row[x] : ((row[x / 8] >> (7 - x % 8)) & 1) ? 255 : 0;
            glyph.coverage[size_t(y) * bitmap.width + x] = value;
        }
    }
}

// Renders one line; returns its glyphs and sets `width` to the line's advance.
std::vector<Glyph> RenderLine(FT_Face face, const std::u32string& line, bool synthesizeBold, int64_t& width) {
    std::vector<Glyph> glyphs;
    int64_t pen = 0;
    for (const char32_t cp : line) {
        const FT_UInt index = FT_Get_Char_Index(face, cp);
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) {
            continue;
        }
        FT_GlyphSlot slot = face->glyph;
        if (synthesizeBold) {
            FT_GlyphSlot_Embolden(slot);
        }
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0 && slot->bitmap.width > 0 && slot->bitmap.rows > 0) {
            Glyph glyph;
            glyph.x = pen + slot->bitmap_left;
            glyph.top = slot->bitmap_top;
            TakeBitmap(slot->bitmap, glyph);
            if (glyph.width > 0) {
                glyphs.push_back(std::move(glyph));
            }
        }
        pen += (slot->advance.x + 32) >> 6;
    }
    width = pen;
    return glyphs;
}

bool FitsInt32(int64_t v) {
    return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

// Puts the painter's clip back however DrawText leaves.
class ClipRestorer {
public:
    ClipRestorer(Painter& painter, const Rect& box) : m_painter(painter), m_old(painter.IntersectClip(box)) {}
    ~ClipRestorer() { m_painter.SetClip(m_old); }
    ClipRestorer(const ClipRestorer&) = delete;
    ClipRestorer& operator=(const ClipRestorer&) = delete;

private:
    Painter& m_painter;
    Rect m_old;
};

} // namespace

void DrawText(Painter& painter, std::u16string_view text, const Rect& box, const FontSpec& font, ColorRef color,
              TextAlign align) {
    const std::vector<std::u32string> lines = SplitTextLines(text);
    if (lines.empty() || box.IsEmpty()) {
        return;
    }
    const ClipRestorer restore(painter, box);
    const Rect clip = painter.Clip();
    if (clip.IsEmpty()) {
        return;
    }
    CFontLibrary& library = CFontLibrary::Instance();
    const auto lock = library.Lock();
    const std::optional<ResolvedFont> resolved = library.Resolve(font);
    if (!resolved) {
        return;
    }
    const std::optional<LineMetrics> metrics = SizeFace(resolved->face, font.height);
    if (!metrics) {
        return;
    }
    const Pixel pixel = PixelFromColorRef(color);
    int64_t lineTop = box.top;
    for (const std::u32string& line : lines) {
        if (lineTop >= clip.bottom) {
            break;
        }
        const int64_t nextTop = lineTop + metrics->lineHeight;
        if (nextTop <= clip.top || line.empty()) {
            lineTop = nextTop;
            continue;
        }
        int64_t width = 0;
        const std::vector<Glyph> glyphs = RenderLine(resolved->face, line, resolved->synthesizeBold, width);
        const int64_t boxWidth = int64_t{box.right} - box.left;
        const int64_t left = align == TextAlign::Center ? box.left + (boxWidth - width) / 2 : int64_t{box.left};
        const int64_t baseline = lineTop + metrics->ascent;
        for (const Glyph& glyph : glyphs) {
            const int64_t x = left + glyph.x;
            const int64_t y = baseline - glyph.top;
            if (x >= clip.right || x + glyph.width <= clip.left || !FitsInt32(x) || !FitsInt32(y)) {
                continue;
            }
            painter.BlendMask({static_cast<int32_t>(x), static_cast<int32_t>(y)}, glyph.coverage, glyph.width,
                              glyph.rows, glyph.width, pixel);
        }
        lineTop = nextTop;
    }
}

PrivateFontHandle AddPrivateFont(std::span<const uint8_t> data, uint32_t* fontCount) {
    CFontLibrary& library = CFontLibrary::Instance();
    const auto lock = library.Lock();
    return library.AddPrivate(data, fontCount);
}

bool RemovePrivateFont(PrivateFontHandle handle) {
    CFontLibrary& library = CFontLibrary::Instance();
    const auto lock = library.Lock();
    return library.RemovePrivate(handle);
}

} // namespace ui
