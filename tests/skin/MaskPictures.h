// Small mask pictures for the region and shaping tests, drawn as rows of characters.
#pragma once

#include "skin/SkinPicture.h"
#include "ui/gfx/Surface.h"

#include <string>
#include <vector>

namespace skin::test {

// '.' pure white, '#' black, 'r' / 'g' / 'b' white with that channel at 254, 'x' white with the
// unused top byte set. All rows have the first row's length.
inline ui::Pixel MaskPixel(char c) {
    switch (c) {
    case '.':
        return ui::MakePixel(255, 255, 255);
    case 'r':
        return ui::MakePixel(254, 255, 255);
    case 'g':
        return ui::MakePixel(255, 254, 255);
    case 'b':
        return ui::MakePixel(255, 255, 254);
    case 'x':
        return 0xFF000000u | ui::MakePixel(255, 255, 255);
    default:
        return ui::MakePixel(0, 0, 0);
    }
}

inline SkinPicture DrawMask(const std::vector<std::string>& rows) {
    ui::Surface surface(static_cast<int32_t>(rows.front().size()), static_cast<int32_t>(rows.size()));
    for (size_t y = 0; y < rows.size(); ++y) {
        for (size_t x = 0; x < rows[y].size(); ++x) {
            surface.Set(static_cast<int32_t>(x), static_cast<int32_t>(y), MaskPixel(rows[y][x]));
        }
    }
    return SkinPicture(std::move(surface));
}

} // namespace skin::test
